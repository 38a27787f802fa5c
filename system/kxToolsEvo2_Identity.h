// system/kxToolsEvo2_Identity.h — TkxTools: new ids, the computer and user
// names, the environment, the module's own path, start parameters, lookups in
// "name=value;..." lists, the tick count and passwords.
//
// Names on Linux:
//   - the computer name is the NetBIOS form of the host name: its first label
//     (up to the first "."), ASCII letters upper-cased, at most 15 characters;
//   - the DNS names come from gethostname() and the canonical name that
//     getaddrinfo (AI_CANONNAME) gives for it;
//   - the user is the account of the effective user id; its display name is
//     the account's full name (the comment field up to its first ",").
// A name that the system cannot give is empty.
#pragma once

#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Records.h"

namespace TkxTools {

// ---- Ids ----------------------------------------------------------------------------

// A new random GUID (version 4) as its 38-character braced upper-case text:
//   "{1B4E28BA-2FA1-4D3B-A3F5-EF19D2A7C4E6}"
AnsiString CreateGuidStr();
// CreateGuidStr without braces and "-": 32 upper-case hexadecimal digits.
TIdType CreateId();

// ---- Names ----------------------------------------------------------------------------

// Formats of GetComputerNameEx and GetUserNameEx that the system asks for (the
// platform's codes; the functions take any code, see below).
inline constexpr uint32_t ComputerNameDnsFullyQualified = 3;
inline constexpr uint32_t NameSamCompatible = 2;  // COMPUTER\user
inline constexpr uint32_t NameDisplay = 3;        // the account's full name
inline constexpr uint32_t NameUserPrincipal = 8;

// The NetBIOS form of the host name (see the top of this file).
UnicodeString GetComputerName();
// By Format: 0 and 4 the NetBIOS form; 1 and 5 the host name's first label
// as it is; 2 and 6 the domain of the canonical name (what follows its first
// "."; empty when it has none); 3 and 7 the canonical name, or the host name
// when the canonical name has no domain; 8 is no name format (empty).
// Raises Exception "unknown format descriptor" for a Format above 8, before
// anything is asked.
UnicodeString GetComputerNameEx(uint32_t Format);
// The login name of the effective user, trimmed.
UnicodeString GetUserName();
// The system answers Format 2 (UpperText(GetComputerName) + "\" +
// GetUserName) and 3 (the full name, when the account has one); every other
// format fails there and falls back: 0, 3, 7, 9 to GetUserName; 1, 2, 8, 10,
// 11 to UpperText(GetComputerName) + "\" + GetUserName; 6 to "". Any other
// Format (4, 5, 12 and above) raises Exception "invalid format type". The
// result is trimmed (units at or below U+0020 at both ends).
UnicodeString GetUserNameEx(uint32_t Format);

// ---- Environment and process ------------------------------------------------------------

// The variable of exactly this name; else the first one (in the order of the
// environment) whose name is equal without regard to case (UpperText); else "".
UnicodeString GetEnvironmentString(const UnicodeString& EnvironmentStr);
// Default, unchanged, when the variable is unset or empty; else its text read
// by TkxTypes::StrToVarExt as ResultType (1: the type of Default).
Variant GetEnvironmentStringEx(const UnicodeString& EnvironmentStr, const Variant& Default,
                               uint16_t ResultType);

// The full path of the file that holds this code: the plug-in library, or
// the program in a test program. Settled while the plug-in loads (or at the
// first call), so a later change of the working folder does not matter; the
// path is never cut.
UnicodeString GetModuleFileName();
UnicodeString GetModuleFileNameInfo();  // the same
// The folder of GetModuleFileName with its closing separator ("/" on Linux;
// "\" only for a path that holds "\" and no "/"), as UTF-8.
AnsiString GetModulePath();

// The value of the first start argument (argument 0, the program, is never
// looked at) whose part before its first "=", upper-cased with UpperText,
// equals Prefix + UpperText(Name), read by TkxTypes::StrToVarExt as
// ResultType (1: the type of Default); Default when none matches. Prefix is
// not upper-cased: a prefix with lower-case letters never matches.
//   arguments "--PORT=81" "--port=82": GetStartParam(u"port", Variant::FromInteger(0),
//   "--", 1) gives 81 (as a 64-bit integer, the value text's integer type)
Variant GetStartParam(const UnicodeString& Name, const Variant& Default, const AnsiString& Prefix,
                      uint16_t ResultType);

// ---- Name-value lists ---------------------------------------------------------------------

// ConfigString is split at ";" into parts, each trimmed (units at or below
// U+0020 at both ends); a part's name is the text before its first "=", its
// value the rest (a part without "=" has the empty name and is all value).
// Names are compared in the invariant upper case ("a"-"z" only) as they
// stand, so "a =1" names "a " and is not found as "a".
//   GetConfigStringParameter(u"a=1;b=2", u"B", u"x") == u"2"
//   GetConfigStringParameter(u"a=b=c", u"A", u"x") == u"b=c"
UnicodeString GetConfigStringParameter(const UnicodeString& ConfigString,
                                       const UnicodeString& Parameter,
                                       const UnicodeString& Default);
// Appends the value of every part named Parameter (of every part when
// Parameter is empty), in order, to Values, which is not emptied first. A
// null Values is replaced by a new list that the caller owns. Always true.
bool GetConfigStringParameters(const UnicodeString& ConfigString, const UnicodeString& Parameter,
                               TStringList*& Values);

// ---- Clock and passwords ------------------------------------------------------------------

// Milliseconds since boot, the low 32 bits (it wraps after about 49.7 days).
uint32_t GetTickCount();

// PWLen characters (none for 0 or less), each drawn from the kernel's random
// source: a kind uniformly (digit, "A"-"Z", "a"-"z", and with HighSec one of
// "!%#$+?*"), then a character uniformly within its kind. Nothing is shared
// between calls, so two calls at the same moment differ.
AnsiString GeneratePassword(int32_t PWLen, bool HighSec);

namespace detail {
// Settles the module's path; the plug-in's load list calls it.
void InitializeModulePath();
}  // namespace detail

}  // namespace TkxTools
