#include "export/kxModuleList.h"

#include <cstddef>

#include "environment/kxNet.h"
#include "export/kxPluginState.h"
#include "platform/db/Odbc.h"
#include "platform/net/name_lookup.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/xml/XmlLibrary.h"
#include "system/kxMD5.h"
#include "system/kxToolsEvo2_Identity.h"
#include "text/kxMath.h"

namespace kx::plugin {
namespace {

// The library's constructor runs before the dynamic initialisers of the
// other objects linked into it, so the load state is built on first use: a
// namespace-scope text would be initialised after the failure was recorded,
// wiping it.
UnicodeString& LoadFailureText() {
  static UnicodeString text;
  return text;
}
size_t g_initialised = 0;  // how many entries of the last run are initialised (constant-initialised)

void InitFormatSettings() { FormatSettings(); }

// The slots' functions: zero-initialised, so filled before the constructor
// of the library runs the list.
struct SlotFunctions {
  void (*Initialize)();
  void (*Finalize)();
};
SlotFunctions g_slots[kModuleSlotCount];

template <ModuleSlot Slot>
void InitializeSlot() {
  if (g_slots[Slot].Initialize) g_slots[Slot].Initialize();
}
template <ModuleSlot Slot>
void FinalizeSlot() {
  if (g_slots[Slot].Finalize) g_slots[Slot].Finalize();
}

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
    // Lets connection strings reach ODBC; its finalisation frees the
    // process-wide ODBC environment.
    {"database layer", &kx::platform::db::EnableOdbc, &kx::platform::db::DisableOdbc},
    {"kxNet", &TkxNet::detail::InitializeModule, &TkxNet::detail::FinalizeModule},
    // Closed at unload: a name looked up while the library unloads could
    // make the resolver load libraries under the loader's lock.
    {"name lookup", &kx::platform::net::OpenNameLookup, &kx::platform::net::CloseNameLookup},
    // A slot (FillModuleSlot): the plug-in installs the desktop's Qt form
    // and the settings dialog's factory there, without a Qt call or a
    // thread; its finalisation ends the GUI thread the library may have
    // started since.
    {"GUI host", &InitializeSlot<kGuiHostSlot>, &FinalizeSlot<kGuiHostSlot>},
    // A slot: the plug-in lets the environment's readers reach its
    // configuration store.
    {"configuration-store registration", &InitializeSlot<kConfigStoreRegistrationSlot>,
     &FinalizeSlot<kConfigStoreRegistrationSlot>},
    // A slot: the plug-in sets up the forms' style there (reading the style
    // file, no Qt call); its finalisation withdraws what it handed the GUI
    // host before the GUI host's own finalisation.
    {"kxStyler", &InitializeSlot<kStylerSlot>, &FinalizeSlot<kStylerSlot>},
    // The main module: its finalisation frees the document and empties the
    // module texts.
    {"main module", nullptr, [] { kx::plugin::ResetPluginState(); }},
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

void FillModuleSlot(ModuleSlot Slot, void (*Initialize)(), void (*Finalize)()) {
  if (Slot < kModuleSlotCount) g_slots[Slot] = {Initialize, Finalize};
}

bool InitializeModules(std::span<const ModuleEntry> Entries) {
  g_initialised = 0;
  LoadFailureText().clear();
  for (const ModuleEntry& entry : Entries) {
    bool failed = false;
    try {
      if (entry.Initialize) entry.Initialize();
    } catch (const Exception& e) {
      failed = true;
      LoadFailureText() = e.Message;
    } catch (const std::exception& e) {
      failed = true;
      LoadFailureText() = ToUtf16(e.what());
    } catch (...) {
      failed = true;
    }
    if (failed) {
      // A failure without a text of its own must still read as one.
      if (LoadFailureText().empty())
        LoadFailureText() = u"initialisation of " + ToUtf16(entry.Name) + u" failed";
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

const UnicodeString& LoadFailure() { return LoadFailureText(); }

void ClearLoadFailureForTesting() { LoadFailureText().clear(); }

}  // namespace kx::plugin
