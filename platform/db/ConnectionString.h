// platform/db/ConnectionString.h — what a connection string maps to, without
// connecting (the rules are in platform/db/Connection.h).
#pragma once

#include <utility>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform::db {

using ConnectionParts = std::vector<std::pair<UnicodeString, UnicodeString>>;

// The "name=value" parts of an OLE DB connection string, names and values
// trimmed, quotes around a value removed ('it''s' reads it's). Parts
// without "=" are left out.
ConnectionParts ParseConnectionString(const UnicodeString& ConnectionString);

// The parts of an ODBC connection string: "key=value" separated by ";", a
// value in braces may hold ";" and "}}" stands for "}". Keys and values are
// trimmed (braced values keep their blanks).
ConnectionParts ParseOdbcString(const UnicodeString& OdbcString);
// An ODBC value as it must be written: in braces, "}" doubled, when it holds
// ";", "{", "}" or starts or ends with a blank; else as it is.
UnicodeString OdbcValue(const UnicodeString& Value);
// "k1=v1;k2=v2" with every value through OdbcValue. ParseOdbcString of the
// result gives Parts back (keys free of "=", ";", "{" and outer blanks).
UnicodeString BuildOdbcString(const ConnectionParts& Parts);
// The value of the first part named Key (without regard to case) in Parts;
// nullptr when there is none.
const UnicodeString* FindPart(const ConnectionParts& Parts, std::u16string_view Key);

struct ConnectionTarget {
  enum BackEnd { Sqlite, Odbc } Kind = Sqlite;
  UnicodeString Provider;    // as the string names it; "MSDASQL.1" when none
  UnicodeString File;        // SQLite: the database file, placed
  UnicodeString OdbcString;  // ODBC: the string for the driver manager
};

// Follows "File Name" (once) and maps the provider; raises EDatabaseError
// (never with the connection string's text) for what cannot be opened.
ConnectionTarget ResolveConnectionString(const UnicodeString& ConnectionString,
                                         const UnicodeString& DataLinkFolder);

}  // namespace kx::platform::db
