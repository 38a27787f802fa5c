// VantoProbe — a program for the product-environment tests, built under
// several names (a service's daemon name, with and without a version block)
// and started by them as a child process.
//
// Without "--holdmutex=" it prints, one "name=value" line each, what the
// environment tools answer in this process: every ParamStrW, the own command
// line, the technical and display names, GetTempPath(true, true) and the
// version texts of its own file.
//
// With "--holdmutex=NAME" it registers the mutex NAME, prints
// "registered=1" (or 0) and then waits until standard input closes or the
// process is killed.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "environment/kxConsoleTools.h"
#include "environment/kxVanto.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "system/kxVersionTools.h"

namespace {

void Line(const std::string& Name, const UnicodeString& Value) {
  const std::string text = Name + "=" + ToUtf8(Value) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int main() {
  const UnicodeString mutex =
      VarToStr(TkxConsoleTools::GetStartParam(u"holdmutex", Variant::FromUString(u""), "--"));
  if (!mutex.empty()) {
    TkxConsoleTools tools;
    Line("registered", tools.RegisterMutex(mutex) ? u"1" : u"0");
    std::fflush(stdout);
    char byte;
    while (::read(0, &byte, 1) > 0) {
    }
    return 0;
  }

  for (int32_t i = 0; i <= TkxConsoleTools::ParamCount(); ++i)
    Line("param" + ToUtf8(IntToStr(i)), TkxConsoleTools::ParamStrW(i));
  Line("commandline", TkxConsoleTools::GetOwnCommandLine());
  Line("techname", TkxVanto::GetProgramTechName());
  Line("programname", TkxVanto::GetProgramName());
  try {
    Line("temppath", TkxVanto::GetTempPath(true, true));
  } catch (const Exception& e) {
    Line("temppath", e.ClassName() + u": " + e.Message);
  }
  Line("programversion", TkxVanto::GetProgramVersionString());
  Line("productversion", TkxVanto::GetProductVersion());
  Line("tkxversion", TkxVersionTools::GetVersionStr(TkxVanto::GetProductTkxVersion()));
  Line("copyright", TkxVanto::GetProductCopyright());
  return 0;
}
