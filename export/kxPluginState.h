// export/kxPluginState.h — the plug-in's state between two commands: the
// hand-over object of the current document, the seventeen settings of the
// configuration string, the export target, the document id, the last
// configuration string and the last export error.
//
// One set per loaded library, empty at load (Priority 0, all Booleans false
// until the first command 110). Commands run one at a time on the host's
// thread; nothing here is locked.
#pragma once

#include <cstdint>
#include <memory>

#include "export/kxPluginTools.h"
#include "platform/rtl/Text.h"

namespace kx::plugin {

struct TkxPluginState {
  // Made by command 100, freed by command 900; null in between documents.
  std::unique_ptr<TkxPluginTools> PluginTools;

  // The settings, in the order command 110 reads them.
  UnicodeString Importfile;
  UnicodeString ServerName;
  UnicodeString State;
  UnicodeString Task;
  int32_t Priority = 0;
  bool ByRef = false;
  bool Include = false;
  UnicodeString Application;
  UnicodeString Project;
  UnicodeString Destination;
  UnicodeString ExportTitle;
  UnicodeString ExportService;
  UnicodeString ConvertScheme;
  UnicodeString ScriptScheme;
  UnicodeString PostScheme;
  UnicodeString ExportScheme;
  bool CreateNewDocId = false;

  // A file path or server URL of command 130; overrides Importfile and ServerName.
  UnicodeString ExportTarget;
  // The document id kept from run to run, UTF-8 (the system code page).
  AnsiString DocId;
  // The configuration string last given by 110 or built by 800, UTF-8.
  AnsiString ConfigString;
  // The text of command 300; nothing reads it.
  UnicodeString StoredText;
  // The error text of the last export run.
  UnicodeString LastExportError;
};

// The module's one state. Its holder is never destroyed; the main module's
// finalisation (ResetPluginState) releases what it holds.
TkxPluginState& PluginState();

// The main module's finalisation: frees the hand-over object and empties
// every text (settings, target, document id, configuration string, stored
// text, last export error). Also gives tests a fresh state.
void ResetPluginState();

}  // namespace kx::plugin
