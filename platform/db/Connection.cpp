#include "platform/db/Connection.h"

#include <optional>
#include <string>
#include <utility>

#include "platform/db/SqliteConnection.h"
#include "platform/file/Path.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/Trim.h"

namespace kx::platform::db {
namespace {

// The value of the first part named Name (compared by the simple upper-case
// mapping); nullopt when there is none.
std::optional<UnicodeString> Part(std::u16string_view ConnectionString, std::u16string_view Name) {
  const UnicodeString wanted = UpperText(Name);
  size_t p = 0;
  while (p <= ConnectionString.size()) {
    // One part: up to the next ";" outside quotes.
    const size_t start = p;
    char16_t quote = 0;
    while (p < ConnectionString.size()) {
      const char16_t c = ConnectionString[p];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == u'"' || c == u'\'') {
        quote = c;
      } else if (c == u';') {
        break;
      }
      ++p;
    }
    const std::u16string_view part = ConnectionString.substr(start, p - start);
    ++p;
    const size_t eq = part.find(u'=');
    if (eq == std::u16string_view::npos) continue;
    if (UpperText(TrimBlanks(part.substr(0, eq))) != wanted) continue;
    std::u16string_view value = TrimBlanks(part.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return UnicodeString(value);
  }
  return std::nullopt;
}

std::unique_ptr<Connection> OpenResolved(const UnicodeString& ConnectionString,
                                         const UnicodeString& DataLinkFolder, int Depth) {
  if (const std::optional<UnicodeString> link = Part(ConnectionString, u"File Name")) {
    // A data link file that names another one is followed once, no further.
    if (Depth > 0) throw EDatabaseError("the data link file names another data link file");
    if (link->empty()) throw EDatabaseError("the connection string names an empty data link file");
    return OpenResolved(ReadDataLinkFile(*link), ExtractFilePath(*link), Depth + 1);
  }
  const UnicodeString provider = Part(ConnectionString, u"Provider").value_or(UnicodeString());
  if (provider.empty()) throw EDatabaseError("the connection string names no provider");
  if (UpperText(provider) != u"SQLITE")
    throw EDatabaseError(u"the database provider \"" + provider + u"\" is not supported");
  const UnicodeString source = Part(ConnectionString, u"Data Source").value_or(UnicodeString());
  if (source.empty()) throw EDatabaseError("the connection string names no data source");
  UnicodeString file = source;
  if (!IsPathDelimiter(source[0]) && !IsDriveOrNetworkPath(source) && !DataLinkFolder.empty()) {
    file = DataLinkFolder;
    if (!IsPathDelimiter(file.back())) file.push_back(PathDelimiterFor(file));
    file += source;
  }
  std::string systemName;
  if (!ToSystemPath(file, systemName))
    throw EDatabaseError(u"the data source " + file + u" names no file on this system");
  return OpenSqlite(systemName);
}

}  // namespace

UnicodeString ReadDataLinkFile(const UnicodeString& FileName) {
  const TMemIniFile ini(FileName);
  return u"Provider=" + ini.ReadString(u"oledb", u"Provider", UnicodeString());
}

std::unique_ptr<Connection> Connection::Open(const UnicodeString& ConnectionString,
                                             const UnicodeString& DataLinkFolder) {
  return OpenResolved(ConnectionString, DataLinkFolder, 0);
}

}  // namespace kx::platform::db
