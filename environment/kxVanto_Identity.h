// environment/kxVanto_Identity.h — TkxVanto: product identity and
// installation settings.
//
// Registry switches (local machine "SOFTWARE\vanto\System\"; "user" means
// the current user's same key, whose value wins, with the machine's result
// as its default):
//   Development  Boolean, false      machine only   IsDevModeActive
//   DocuMode     Boolean, false      user too       IsDocuModeActive
//   Language     text, the user's    user too       GetLanguage
//                language
//   ThemeActive  Boolean, false      user too       IsVantoThemeActive
//   Proxy        Boolean, false      machine only   IsProxy
//   ProxyName    text, "Default"     machine only   IsProxy, ProxyName
//   DatabaseType text, "MSSQL"       machine only   GetDatabaseType
// A value that does not read as its kind ("maybe" for a Boolean) gives the
// default.
//
// Version texts come from the version resource of this library's file
// (TkxTools::GetFileInfo). A resource whose texts still hold the version
// placeholder (28 "#", kVersionPlaceholder) or whose product version starts
// "9999.9999." is a development build.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Records.h"

namespace TkxVanto {

inline constexpr char16_t kVersionPlaceholder[] = u"############################";

// ---- Switches --------------------------------------------------------------------

// "Development", or the start parameter "--Debug" read as a yes-word
// (TkxConversion::StrToBool; default "false").
bool IsDevModeActive();
bool IsDocuModeActive();
// TkxTools::GetShortWindowsLanguage(Default), then "Language" of the machine,
// then of the user; upper-cased.
//   no values, an English user: GetLanguage(u"de") == u"EN"
UnicodeString GetLanguage(const UnicodeString& Default);
// kxTO_Enabled or kxTO_Disabled; never kxTO_Unknown.
TkxThemeOption IsVantoThemeActive();
bool IsProxy();
// IsProxy, and the proxy's name in ProxyName.
bool IsProxy(UnicodeString& ProxyName);
UnicodeString ProxyName();

// ---- Database ----------------------------------------------------------------------

// "DatabaseType" upper-cased. With GetCommonType it is matched by its
// beginning, in this order: Z9, MSSQL, MYSQL, ORACLE, DB2, INFORMIX (so
// "MSSQL2012" gives kxDBT_MSSQL); without, matched whole against Z9,
// MSSQL2000 ... MSSQL2016, MSSQL, MYSQL, ORACLE, DB2, INFORMIX. Any other
// text gives Default.
TkxDatabaseType GetDatabaseType(bool GetCommonType, TkxDatabaseType Default);

// With FileLink "FILE NAME=" + GetConfigPath + "kxsyscfg.udl" (the database
// layer reads the data link file itself); else the connection string read
// from that file (TkxTools::GetConnectionstringFromUdlFile: "Provider=" for
// a missing file, "" for one that cannot be read).
UnicodeString GetConnectionString(bool FileLink);

// False when the product is not installed; else whether a connection with
// GetConnectionString(false) opens (a relative database file lies beside
// the data link file). Never raises.
bool IsDatabaseAvailable();

// The engine's text (TkxTypes::GetDatabaseTypeStr of GetDatabaseType(true,
// kxDBT_MSSQL)) + " (" + the fields of the first row of the engine's
// version query, each followed by a blank, line breaks made blanks, trimmed
// + ")": "MSSQL (15.0.2000.5 RTM Developer Edition)". Any failure gives
// "Unable to get database version for " + the engine's text + " (" + the
// reason + ")"; an engine without a version query (DB2, Informix, Z9) fails
// with "invalid database type (" + its text + ")!". The reason never holds
// the connection string. Never raises.
UnicodeString GetDatabaseVersion();

// ---- Version texts of this library -----------------------------------------------

// The fixed file version ("2.2.0.7") + " (" + the processor of this library's
// file ("x86", "x64" or "Unknown") + ") " + "release " + the product version,
// or "development build" when the product version begins with the
// placeholder, begins with "9999.9999." or is blank. Without a version
// resource: "unknown build (" + the processor + ")".
UnicodeString GetProgramVersionString();
// The product version, or "development build" when it holds the placeholder
// or "9999.9999.9999.9999" anywhere or is blank; "unknown" without a version
// resource. (Not the same test as GetProgramVersionString's.)
UnicodeString GetProductVersion();
// GetProductVersion split into its four numbers (a development build and
// "unknown" give 0.0.0.0).
TkxVersion GetProductTkxVersion();
// The resource's legal copyright, or kProductCopyright when it holds the
// placeholder, is blank or there is no resource.
UnicodeString GetProductCopyright();

inline constexpr char16_t kProductCopyright[] = u"Copyright (C) vanto. All rights reserved.";

// ---- Program names -------------------------------------------------------------------

// The resource's file description, when there is a resource, the description
// holds no placeholder and the legal copyright is not blank. Otherwise the
// display name of the host program in the table of the product's programs
// (its file name matched without regard to case, with or without ".exe":
// "kxdravsrv" gives "VANTO DRAV DAEMON"), or "Unknown".
UnicodeString GetProgramName();
// The host program's file name without folder and extension, lower-cased.
UnicodeString GetProgramTechName();

// ---- Services and priorities ------------------------------------------------------------

// The default TCP port of each service (4040 the node's own server, 4420
// DRAV, 4540 PLUMO, ...); 0 for a value outside the enumeration.
int32_t GetDefaultServicePort(TkxEnterpriseService Service);

// 0 "Idle" ... 6 "Timecritical"; 7 to 99999 "Timecritical (n)"; any other
// number "Unknown (n)".
AnsiString GetPriorityStr(int32_t Priority);
// The text up to its first blank, upper-cased: IDLE 0, LOWEST 1, LOWER 2,
// NORMAL 3, HIGHER 4, HIGHEST 5, TIMECRITICAL 6; anything else 0. So
// "Timecritical (17)" gives 6.
int32_t GetPriorityFromStr(const AnsiString& Priority);

namespace detail {

// The two development-build tests on a product version (see above).
bool IsDevelopmentProgramVersion(const UnicodeString& ProductVersion);
bool IsDevelopmentProductVersion(const UnicodeString& ProductVersion);

// The row of the program table for a host program's file name; "" when
// none matches.
UnicodeString ProgramDisplayName(const UnicodeString& FileName);

}  // namespace detail

}  // namespace TkxVanto
