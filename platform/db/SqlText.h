// platform/db/SqlText.h — the ":NAME" parameter markers of statements.
//
// Every back end gets the statement with each marker replaced by "?", in
// order, and the names in the same order. A marker is ":" followed by a
// name (ASCII letters, digits and "_"). Nothing is a marker inside
// '...' ('' stands for one quote), "...", `...` or [...], nor in -- and
// /* */ comments; "::" stays as it is (a PostgreSQL cast), and so does a ":"
// followed by anything but a name character.
//   ScanParameters(u"SELECT a::int FROM t WHERE b = :B AND c = ':C' OR d = :b")
//     == {u"SELECT a::int FROM t WHERE b = ? AND c = ':C' OR d = ?", {u"B", u"b"}}
#pragma once

#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform::db {

struct ScannedSql {
  UnicodeString Sql;                 // the markers replaced by "?"
  std::vector<UnicodeString> Names;  // one per marker, as written
};

ScannedSql ScanParameters(const UnicodeString& Sql);

}  // namespace kx::platform::db
