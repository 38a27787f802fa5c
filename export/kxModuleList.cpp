#include "export/kxModuleList.h"

#include <cstddef>

#include "environment/kxNet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/xml/XmlLibrary.h"
#include "system/kxMD5.h"
#include "system/kxToolsEvo2.h"
#include "text/kxMath.h"

namespace kx::plugin {
namespace {

UnicodeString g_loadFailure;
size_t g_initialised = 0;  // how many entries of the last run are initialised

void InitFormatSettings() { FormatSettings(); }

// Load order; an entry that a later module adds goes in at its place:
// platform core (format settings), libxml2, module path, kxMath, kxMD5,
// database layer, kxNet, name lookup, logging, GUI host, configuration-store
// registration, kxStyler, the main module last.
constexpr ModuleEntry kModules[] = {
    {"platform core", &InitFormatSettings, nullptr},
    // No finalisation: libxml2's global clean-up would pull it from under a
    // host that uses it too.
    {"libxml2", &kx::platform::InitializeXmlLibrary, nullptr},
    {"module path", &TkxTools::detail::InitializeModulePath, nullptr},
    {"kxMath", &TkxMath::detail::InitializeModule, nullptr},
    {"kxMD5", &TkxMD5::detail::InitializeModule, nullptr},
    {"kxNet", &TkxNet::detail::InitializeModule, &TkxNet::detail::FinalizeModule},
};

void FinalizeFirst(std::span<const ModuleEntry> entries, size_t count) {
  while (count > 0) {
    --count;
    if (entries[count].Finalize) {
      try {
        entries[count].Finalize();
      } catch (...) {
      }
    }
  }
}

}  // namespace

std::span<const ModuleEntry> ModuleList() { return kModules; }

bool InitializeModules(std::span<const ModuleEntry> Entries) {
  g_initialised = 0;
  for (const ModuleEntry& entry : Entries) {
    try {
      if (entry.Initialize) entry.Initialize();
    } catch (const Exception& e) {
      g_loadFailure = e.Message;
    } catch (const std::exception& e) {
      g_loadFailure = ToUtf16(e.what());
    } catch (...) {
      g_loadFailure = u"initialisation of " + ToUtf16(entry.Name) + u" failed";
    }
    if (!g_loadFailure.empty()) {
      FinalizeFirst(Entries, g_initialised);
      g_initialised = 0;
      return false;
    }
    ++g_initialised;
  }
  return true;
}

void FinalizeModules(std::span<const ModuleEntry> Entries) {
  FinalizeFirst(Entries, g_initialised < Entries.size() ? g_initialised : Entries.size());
  g_initialised = 0;
}

const UnicodeString& LoadFailure() { return g_loadFailure; }

void ClearLoadFailureForTesting() { g_loadFailure.clear(); }

}  // namespace kx::plugin
