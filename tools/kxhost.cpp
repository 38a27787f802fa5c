// kxhost: drives the export plug-in from a script (see tools/kxhost/kxHost.h).
//   kxhost [--sandbox DIR] [--data-units N] [--error-units N] [--no-unload] PLUGIN SCRIPT
// SCRIPT "-" reads standard input. --no-unload exits with the plug-in still
// loaded, as a host that never calls dlclose does. Exit 0 when every call answered 0, 1 when
// one answered -1, 2 for usage, script or load errors, 3 for a contract
// violation.
#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "tools/kxhost/kxHost.h"

namespace {

int Usage() {
  std::cerr << "usage: kxhost [--sandbox DIR] [--data-units N] [--error-units N] [--no-unload] "
               "PLUGIN SCRIPT\n"
               "       SCRIPT - reads standard input\n";
  return kx::host::kUsageError;
}

bool ParseUnits(const char* text, size_t& value) {
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && ptr == end && value > 0 && value < (size_t{1} << 30);
}

}  // namespace

int main(int argc, char** argv) {
  kx::host::HostOptions options;
  std::string sandbox;
  std::string scriptPath;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--sandbox" || arg == "--data-units" || arg == "--error-units") && i + 1 < argc) {
      const char* value = argv[++i];
      if (arg == "--sandbox") {
        sandbox = value;
      } else if (!ParseUnits(value, arg == "--data-units" ? options.DataUnits : options.ErrorUnits)) {
        return Usage();
      }
    } else if (arg == "--no-unload") {
      options.UnloadAtEnd = false;
    } else if (arg.rfind("--", 0) == 0) {
      return Usage();
    } else if (positional == 0) {
      options.PluginPath = arg;
      ++positional;
    } else if (positional == 1) {
      scriptPath = arg;
      ++positional;
    } else {
      return Usage();
    }
  }
  if (positional != 2) return Usage();

  std::string script;
  if (scriptPath == "-") {
    script.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
      std::cerr << "kxhost: cannot read " << scriptPath << "\n";
      return kx::host::kUsageError;
    }
    script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (!sandbox.empty()) {
    std::string error;
    if (!kx::host::PrepareSandbox(sandbox, error)) {
      std::cerr << "kxhost: sandbox " << error << "\n";
      return kx::host::kUsageError;
    }
  }
  return kx::host::RunScript(options, script, std::cout, std::cerr);
}
