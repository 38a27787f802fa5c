// export/kxModuleList.h — the plug-in's modules, initialised in one explicit
// order when the library is loaded and finalised in reverse when it unloads.
//
// A module whose initialisation fails (a self test, say) cannot make dlopen
// fail on Linux and must not throw out of the library constructor: its text is
// recorded, the modules initialised before it are finalised again in reverse,
// and from then on kxBuildTest answers -1 and every command answers -1 with
// "unexpected process exception (" + the recorded text + ")".
#pragma once

#include <cstddef>
#include <span>

#include "platform/rtl/Text.h"

namespace kx::plugin {

struct ModuleEntry {
  const char* Name;
  void (*Initialize)();  // may throw; nullptr when the module only finalises
  void (*Finalize)();    // must not throw; nullptr when there is nothing to do
};

// The plug-in's own list, in load order.
std::span<const ModuleEntry> ModuleList();

// Modules above this library (the GUI host needs Qt, the configuration-store
// registration and the styler are part of config/) have slots in the list
// instead of entries: this library and its tests link neither Qt nor
// config/. The plug-in's own source fills its slots before the list runs; a
// slot left empty does nothing.
enum ModuleSlot : size_t {
  kGuiHostSlot,                   // "GUI host"
  kConfigStoreRegistrationSlot,  // "configuration-store registration"
  kStylerSlot,                    // "kxStyler": the style of the library's forms
  kModuleSlotCount
};
void FillModuleSlot(ModuleSlot Slot, void (*Initialize)(), void (*Finalize)());

// Initialises the entries in order. On the first failure: records its text
// ("initialisation of " + Name + " failed" when it brings none), finalises
// the entries already initialised in reverse, and answers false.
bool InitializeModules(std::span<const ModuleEntry> Entries);
// Finalises, in reverse, the entries that InitializeModules initialised.
void FinalizeModules(std::span<const ModuleEntry> Entries);

// The text recorded by a failed initialisation; empty when loading succeeded.
const UnicodeString& LoadFailure();
void ClearLoadFailureForTesting();

}  // namespace kx::plugin
