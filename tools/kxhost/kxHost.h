// tools/kxhost/kxHost.h — drives the plug-in from a script, the way a host
// application does: loads it with dlopen, calls kxWideExport and kxBuildTest
// and checks the call contract on every answer.
//
// Script, one call per line; blank lines and lines starting with "#" are
// skipped:
//   NNN              kxWideExport(NNN) with an empty Data
//   NNN<TAB>text     Data holds text, verbatim but for the escapes \\ \t \n
//                    \r \uXXXX (any UTF-16 unit, lone surrogates included),
//                    \$ and ${NAME} (the environment variable; unset is an error)
//   NNN<TAB>@PATH    Data holds the UTF-8 file PATH (escapes apply to PATH)
//   buildtest N      kxBuildTest(N)
//   reload           dlclose, then dlopen again (a fresh plug-in state)
//
// Output, one UTF-8 line per call: the number, " -> ", the result; then
// data="..." for 101, 105, 850 and any command that changed Data, and
// error="..." on -1, written with the same escapes (a quote as \u0022, other
// control characters and lone surrogates as \uXXXX) so that output compares
// exactly.
//
// Contract checks: each buffer ends at an inaccessible page, so a write past
// it faults; ErrorText holds a sentinel that must survive every answer 0;
// every answer must end in a zero inside its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace kx::host {

enum ExitCode : int {
  kAllSucceeded = 0,
  kSomeFailed = 1,   // at least one call (buildtest included) answered -1
  kUsageError = 2,   // usage, script or load errors
  kContractViolation = 3,
};

struct HostOptions {
  std::string PluginPath;
  size_t DataUnits = 1 << 20;   // UTF-16 units of Data, terminator included
  size_t ErrorUnits = 1 << 16;  // UTF-16 units of ErrorText
  // False leaves the plug-in loaded after the script, the way a host that
  // simply exits does: its unloading then happens at the process's exit.
  bool UnloadAtEnd = true;
};

// Runs Script (the whole text) against the plug-in; output lines go to Out,
// diagnostics to Err. Answers one of ExitCode.
int RunScript(const HostOptions& Options, const std::string& Script, std::ostream& Out,
              std::ostream& Err);

// The escaped form used in the output: "\\", "\t", "\n", "\r", "\u0022" for a
// quote, "\uXXXX" for other control characters and lone surrogates; the rest
// as UTF-8.
std::string EscapeForOutput(const std::u16string& Text);

// The text of a script line's argument with its escapes and variables
// resolved; false with Error set for a bad escape or an unset variable.
bool UnescapeScriptText(const std::string& Text, std::u16string& Result, std::string& Error);

// Creates Dir (and parents) and points VANTOSYS, VANTO_REGISTRY_DIR and
// TMPDIR into it, SANDBOX at it; false with Error set when it cannot.
bool PrepareSandbox(const std::string& Dir, std::string& Error);

}  // namespace kx::host
