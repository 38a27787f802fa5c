// platform/db/Connection.h — database connections from OLE DB style
// connection strings, in place of the platform's data components.
//
// A connection string is a list of "name=value" parts separated by ";"
// (a ";" inside a value in double or single quotes does not separate; the
// quotes are removed). Names are trimmed and compared without regard to
// case, values trimmed; the first part of a name wins.
//   - "Provider" chooses the back end. The one back end so far is SQLite:
//       "Provider=SQLite;Data Source=config.db"
//     "Data Source" is the database file. A relative file lies in the data
//     link folder (the folder of the data link file the string came from),
//     or in the working folder when there is none. Opening never creates a
//     database: a missing file fails.
//   - "File Name" names an OLE DB data link file: its connection string is
//     read from the file (ReadDataLinkFile) and used instead, with the file's
//     folder as data link folder.
// Every failure raises EDatabaseError. Its text never contains the
// connection string, which may hold credentials; it may name the database
// file.
//
// There is no component system to start on Linux: a connection needs no
// per-thread initialisation. A connection is used by one thread at a time.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

KX_DECLARE_EXCEPTION(EDatabaseError, Exception);

namespace kx::platform::db {

// The connection string of an OLE DB data link file: "Provider=" followed by
// the value of the key "Provider" in the section "oledb" (empty when
// missing), the file read as an INI file (platform/rtl/IniFile.h; such files
// are UTF-16 with a byte-order mark). A missing file gives "Provider=";
// a file that cannot be read raises EFOpenError.
UnicodeString ReadDataLinkFile(const UnicodeString& FileName);

class Connection {
 public:
  // Opens the database that ConnectionString names (see above).
  // DataLinkFolder places a relative database file; empty means the working
  // folder.
  static std::unique_ptr<Connection> Open(const UnicodeString& ConnectionString,
                                          const UnicodeString& DataLinkFolder);

  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs one statement that only reads (a SELECT) and answers the fields of
  // its first row as texts, in column order: NULL as "", integers in
  // decimal, floating-point values in the shortest form that reads back
  // ("2.5", "1e+20"), texts as they are, binary data byte by byte through
  // the codec of Text.h. No row gives no fields. A statement that changes
  // data, more than one statement, or one the database rejects raises.
  virtual std::vector<UnicodeString> FirstRow(const UnicodeString& Sql) = 0;

  // Closes the connection (the destructor does it too); further use raises.
  virtual void Close() = 0;

 protected:
  Connection() = default;
};

}  // namespace kx::platform::db
