// export/kxExport.h — the plug-in's command entry, the two functions the host
// calls (exported with C linkage as kxWideExport and kxBuildTest). Neither
// ever throws.
//
// kxWideExport(Command, Data, Reserved, ErrorText): Data carries the
// command's input (zero-terminated UTF-16) and receives its answer;
// ErrorText receives the error text when the answer is -1 and is untouched
// otherwise. No buffer size is passed: the host supplies buffers large enough
// for the longest answer it asks for. Reserved is never read. A null Data
// reads as empty, and a command that must answer into it (101, 105, 850)
// answers -1; a null ErrorText is never written.
//
// Every failure inside a command answers -1 with
// "unexpected process exception (" + reason + ")"; command 600 instead hands
// back the export run's own text. Numbers outside the command table answer 0
// and change nothing. When a module failed to initialise at load, every
// command answers -1 with that module's text as the reason.
#pragma once

#include <cstdint>

namespace kx::plugin {

// The command numbers the host sends.
enum class TkxCommand : int32_t {
  NewDocument = 100,       // a new hand-over object
  InterfaceVersion = 101,  // answers "3"
  ProgramVersion = 105,
  ApplySettings = 110,     // the configuration string
  SetTarget = 130,         // a file path or server URL for the next run
  ClearDocument = 200,
  StoreText = 300,
  SetDocId = 350,
  AddField = 400,
  AddTableField = 450,
  AddBlob = 500,
  SetBlobName = 510,
  SetBlobDocType = 530,
  Export = 600,
  SettingsDialog = 800,
  GetSettings = 850,       // answers the configuration string
  CloseDocument = 900,
};

// The bodies of the exported kxWideExport and kxBuildTest
// (export/kxExportLibrary.cpp), callable in-process.
int32_t WideExport(int32_t Command, char16_t* Data, int32_t Reserved,
                   char16_t* ErrorText) noexcept;
// 0 for 100, -1 for every other value or after a failed load; no state.
int32_t BuildTest(int32_t Value) noexcept;

}  // namespace kx::plugin
