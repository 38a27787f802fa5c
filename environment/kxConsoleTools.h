// environment/kxConsoleTools.h — TkxConsoleTools: the start parameters of a
// product service, its console and named mutexes.
//
// Start parameters are command-line arguments "--name=value". The prefix is
// the caller's ("--" everywhere in the product) and must match as written;
// the name matches without regard to case (UpperText); the value is
// everything after the first separator. An argument without the separator
// never matches.
//   "--INSTANCEID=3" is found as u"instanceid" with "--"; "-instanceid=3" is not
//   "--x=a=b" gives "a=b"
// Arguments come from the process's command line (platform/os/CommandLine.h)
// through ParamStrW, which drops every double quote.
//
// The console operations act on a terminal only (platform/console.h); with
// standard input or output redirected they answer false. The mutexes are the
// named mutexes of platform/named_mutex.h: shared by the processes of one
// user, owned per process (not per thread), and what RegisterMutex creates or
// a successful WaitForMutex owns stays so for the life of the process.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

class TkxConsoleTools : public TObject {
 public:
  // Message "", ServerName GetProgramName, InstanceId 0,
  // DefaultStartParamIni "".
  TkxConsoleTools();
  TkxConsoleTools(const TkxConsoleTools&) = delete;
  TkxConsoleTools& operator=(const TkxConsoleTools&) = delete;

  // ---- Command line (class-level) ---------------------------------------------

  // Index 0: the full path of the host program's file. Index n: argument n
  // of the command line without its double quotes; a negative Index counts
  // as Index + 1, so -1 gives argument 0, the program as it was started. An
  // argument that does not exist gives "".
  static UnicodeString ParamStrW(int32_t Index);
  // The number of arguments after the program.
  static int32_t ParamCount();

  // Values is emptied (a null Values is replaced by a new list that the
  // caller owns), then receives the value of every matching argument, in
  // order. Always true.
  static bool GetStartParams(const UnicodeString& Name, TStringList*& Values,
                             const AnsiString& Prefix);
  // The value of the first matching argument as UTF-16 text (258); Default
  // when none matches.
  static Variant GetStartParam(const UnicodeString& Name, const Variant& Default,
                               const AnsiString& Prefix);
  // GetStartParam, the value read by TkxTypes::StrToVarExt as ResultType (1:
  // the type of Default).
  static Variant GetStartParamEx(const UnicodeString& Name, const Variant& Default,
                                 const AnsiString& Prefix, uint16_t ResultType);

  // Each element as '"' + Prefix + element + '"', joined by blanks.
  //   BuildParamString({u"a=1", u"b=2"}, "--") == u"\"--a=1\" \"--b=2\""
  static UnicodeString BuildParamString(const std::vector<UnicodeString>& Params,
                                        const AnsiString& Prefix);
  // Exactly one argument, and it is "/?", "-?" or "--?".
  static bool GetHelpStartParamState();
  // ParamStrW(0) ... ParamStrW(ParamCount) joined by blanks.
  static UnicodeString GetOwnCommandLine();

  // ---- Start parameters with defaults (instance) -----------------------------------

  // The first argument whose part before ParamValueSeparator matches
  // ParamPrefix + Name gives the rest, read by TkxTypes::StrToVarExt as the
  // type of Default. When none matches and DefaultStartParamIni names an
  // existing INI file with the key Name in its section "Parameters", that
  // value is read: as a whole number (an integer result) for a Default of
  // the integer kinds 2, 3, 17, 18, 19 and 20, as a Boolean for a Boolean
  // Default, else as text (Default's text when the key is missing). An error
  // goes to Message (emptied first) and the value found so far, or Default,
  // is answered.
  Variant GetStartParameter(const UnicodeString& Name, const Variant& Default,
                            const AnsiString& ParamPrefix, const AnsiString& ParamValueSeparator);
  // GetStartParams, any error swallowed. Always true.
  bool GetStartParameters(const UnicodeString& Name, TStringList*& Values,
                          const AnsiString& Prefix);

  // ---- Console -----------------------------------------------------------------------

  // Whether a key is waiting on the terminal; it is read and so consumed.
  static bool KeyPressed();
  // Sleeps 0.5 s at a time until KeyPressed, or, with WaitSeconds above 0,
  // until more than WaitSeconds seconds were counted. WaitSeconds 0 or less
  // waits for a key without limit. Always true.
  static bool WaitForKeypressed(int32_t WaitSeconds);
  // Clears the terminal and puts the cursor at the top-left corner.
  static bool ClsConsole();
  // The terminal's title: ServerName, with " (instance id " + InstanceId +
  // ")" when InstanceId is above 0.
  bool SetConsoleTitle();

  // ---- Mutexes (any error gives false) -------------------------------------------------

  // A mutex of that name exists.
  bool IsMutexActive(const UnicodeString& MutexName);
  // True when no such mutex exists. Otherwise waits up to Wait milliseconds
  // (below 0: without limit) to own it: true when owned (it stays owned) and
  // also on a time-out; false only when the wait itself fails.
  bool WaitForMutex(const UnicodeString& MutexName, int32_t Wait);
  // False when the mutex exists; else creates it owned by this process and
  // answers true. A second call in the same process answers false.
  bool RegisterMutex(const UnicodeString& MutexName);
  // False when no such mutex exists; else gives up this process's ownership
  // (if it has it) and answers true.
  bool CloseMutex(const UnicodeString& MutexName);

  UnicodeString Message;
  UnicodeString ServerName;
  int32_t InstanceId = 0;
  UnicodeString DefaultStartParamIni;
};
