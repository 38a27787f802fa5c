#include "platform/db/ConnectionString.h"

#include "platform/db/Connection.h"
#include "platform/file/Path.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Trim.h"

#ifndef KX_FREETDS_DRIVER
#define KX_FREETDS_DRIVER "libtdsodbc.so"
#endif

namespace kx::platform::db {
namespace {

bool SameName(std::u16string_view A, std::u16string_view B) {
  return UpperText(A) == UpperText(B);
}

bool StartsWithName(std::u16string_view Text, std::u16string_view Prefix) {
  return Text.size() >= Prefix.size() && SameName(Text.substr(0, Prefix.size()), Prefix);
}

// "MSDASQL", "MSDASQL.1": the name up to the version.
std::u16string_view ProviderName(std::u16string_view Provider) {
  return Provider.substr(0, Provider.find(u'.'));
}

bool IsFalse(std::u16string_view Value) {
  for (const char16_t* no : {u"false", u"no", u"0"})
    if (SameName(Value, no)) return true;
  return false;
}

ConnectionTarget Map(const ConnectionParts& Parts, const UnicodeString& DataLinkFolder) {
  ConnectionTarget target;
  const UnicodeString* provider = FindPart(Parts, u"Provider");
  const UnicodeString empty;
  auto value = [&](std::u16string_view Name) -> const UnicodeString& {
    const UnicodeString* v = FindPart(Parts, Name);
    return v != nullptr ? *v : empty;
  };
  if (provider == nullptr || provider->empty()) {
    if (FindPart(Parts, u"DSN") == nullptr && FindPart(Parts, u"Driver") == nullptr)
      throw EDatabaseError("the connection string names no provider");
    target.Kind = ConnectionTarget::Odbc;
    target.Provider = u"MSDASQL.1";
    return target;  // the caller passes the string on unchanged
  }
  target.Provider = *provider;
  const std::u16string_view name = ProviderName(*provider);
  if (SameName(*provider, u"SQLite")) {
    const UnicodeString& source = value(u"Data Source");
    if (source.empty()) throw EDatabaseError("the connection string names no data source");
    UnicodeString file = source;
    if (!IsPathDelimiter(source[0]) && !IsDriveOrNetworkPath(source) && !DataLinkFolder.empty()) {
      file = DataLinkFolder;
      if (!IsPathDelimiter(file.back())) file.push_back(PathDelimiterFor(file));
      file += source;
    }
    target.File = file;
    return target;
  }
  target.Kind = ConnectionTarget::Odbc;
  if (SameName(name, u"MSDASQL")) {
    ConnectionParts odbc;
    if (const UnicodeString& extended = value(u"Extended Properties"); !extended.empty())
      odbc = ParseOdbcString(extended);
    else if (const UnicodeString& source = value(u"Data Source"); !source.empty())
      odbc.emplace_back(u"DSN", source);
    else
      throw EDatabaseError("the connection string names no ODBC data source");
    if (FindPart(Parts, u"User ID") != nullptr && FindPart(odbc, u"UID") == nullptr)
      odbc.emplace_back(u"UID", value(u"User ID"));
    if (FindPart(Parts, u"Password") != nullptr && FindPart(odbc, u"PWD") == nullptr)
      odbc.emplace_back(u"PWD", value(u"Password"));
    target.OdbcString = BuildOdbcString(odbc);
    return target;
  }
  if (SameName(name, u"SQLOLEDB") || StartsWithName(name, u"SQLNCLI") ||
      StartsWithName(name, u"MSOLEDBSQL")) {
    if (const UnicodeString* integrated = FindPart(Parts, u"Integrated Security");
        integrated != nullptr && !IsFalse(*integrated))
      throw EDatabaseError("integrated security is not supported");
    ConnectionParts odbc{{u"Driver", ToUtf16(KX_FREETDS_DRIVER)}};
    const UnicodeString& source = value(u"Data Source");
    if (source.empty()) throw EDatabaseError("the connection string names no data source");
    if (const size_t comma = source.find(u','); comma != UnicodeString::npos) {
      odbc.emplace_back(u"Server", UnicodeString(TrimBlanks(std::u16string_view(source).substr(0, comma))));
      odbc.emplace_back(u"Port", UnicodeString(TrimBlanks(std::u16string_view(source).substr(comma + 1))));
    } else {
      odbc.emplace_back(u"Server", source);
    }
    if (FindPart(Parts, u"Initial Catalog") != nullptr)
      odbc.emplace_back(u"Database", value(u"Initial Catalog"));
    if (FindPart(Parts, u"User ID") != nullptr) odbc.emplace_back(u"UID", value(u"User ID"));
    if (FindPart(Parts, u"Password") != nullptr) odbc.emplace_back(u"PWD", value(u"Password"));
    odbc.emplace_back(u"TDS_Version", u"7.4");
    odbc.emplace_back(u"ClientCharset", u"UTF-8");
    target.OdbcString = BuildOdbcString(odbc);
    return target;
  }
  throw EDatabaseError(u"the database provider \"" + *provider + u"\" is not supported");
}

}  // namespace

ConnectionParts ParseConnectionString(const UnicodeString& ConnectionString) {
  ConnectionParts parts;
  const std::u16string_view text = ConnectionString;
  size_t p = 0;
  while (p <= text.size()) {
    // One part: up to the next ";" outside quotes; a doubled quote inside
    // quotes stands for one.
    UnicodeString part;
    char16_t quote = 0;
    bool quoted = false;  // the value was in quotes (its blanks stay)
    size_t valueStart = UnicodeString::npos;
    UnicodeString value;
    while (p < text.size()) {
      const char16_t c = text[p];
      if (quote != 0) {
        if (c == quote) {
          if (p + 1 < text.size() && text[p + 1] == quote) {
            value.push_back(c);
            p += 2;
            continue;
          }
          quote = 0;
        } else {
          value.push_back(c);
        }
      } else if (c == u';') {
        break;
      } else if (valueStart != UnicodeString::npos && (c == u'"' || c == u'\'') &&
                 TrimBlanks(value).empty() && !quoted) {
        quote = c;
        quoted = true;
        value.clear();
      } else if (valueStart == UnicodeString::npos && c == u'=') {
        valueStart = p + 1;
      } else if (quoted) {
        // Text after the closing quote is dropped.
      } else if (valueStart != UnicodeString::npos) {
        value.push_back(c);
      } else {
        part.push_back(c);
      }
      ++p;
    }
    ++p;
    if (valueStart == UnicodeString::npos) continue;
    UnicodeString name(TrimBlanks(part));
    if (quoted) {
      // Text after the closing quote is dropped; the quoted text stays whole.
      parts.emplace_back(std::move(name), std::move(value));
    } else {
      parts.emplace_back(std::move(name), UnicodeString(TrimBlanks(value)));
    }
  }
  return parts;
}

const UnicodeString* FindPart(const ConnectionParts& Parts, std::u16string_view Key) {
  for (const auto& [name, value] : Parts)
    if (SameName(name, Key)) return &value;
  return nullptr;
}

ConnectionParts ParseOdbcString(const UnicodeString& OdbcString) {
  ConnectionParts parts;
  const std::u16string_view text = OdbcString;
  size_t p = 0;
  while (p < text.size()) {
    const size_t eq = text.find_first_of(u"=;", p);
    if (eq == std::u16string_view::npos) break;
    if (text[eq] == u';') {  // a part without "="
      p = eq + 1;
      continue;
    }
    UnicodeString key(TrimBlanks(text.substr(p, eq - p)));
    p = eq + 1;
    while (p < text.size() && text[p] == u' ') ++p;
    UnicodeString value;
    if (p < text.size() && text[p] == u'{') {
      ++p;
      while (p < text.size()) {
        if (text[p] == u'}') {
          if (p + 1 < text.size() && text[p + 1] == u'}') {
            value.push_back(u'}');
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        value.push_back(text[p++]);
      }
      const size_t semi = text.find(u';', p);
      p = semi == std::u16string_view::npos ? text.size() : semi + 1;
    } else {
      const size_t semi = text.find(u';', p);
      const size_t end = semi == std::u16string_view::npos ? text.size() : semi;
      value = UnicodeString(TrimBlanks(text.substr(p, end - p)));
      p = end + 1;
    }
    if (!key.empty()) parts.emplace_back(std::move(key), std::move(value));
  }
  return parts;
}

UnicodeString OdbcValue(const UnicodeString& Value) {
  const bool braces = Value.find_first_of(u";{}") != UnicodeString::npos ||
                      (!Value.empty() && (Value.front() <= u' ' || Value.back() <= u' '));
  if (!braces) return Value;
  UnicodeString out = u"{";
  for (const char16_t c : Value) {
    out.push_back(c);
    if (c == u'}') out.push_back(u'}');
  }
  out.push_back(u'}');
  return out;
}

UnicodeString BuildOdbcString(const ConnectionParts& Parts) {
  UnicodeString out;
  for (const auto& [key, value] : Parts) {
    if (!out.empty()) out.push_back(u';');
    out += key + u"=" + OdbcValue(value);
  }
  return out;
}

ConnectionTarget ResolveConnectionString(const UnicodeString& ConnectionString,
                                         const UnicodeString& DataLinkFolder) {
  ConnectionParts parts = ParseConnectionString(ConnectionString);
  UnicodeString folder = DataLinkFolder;
  if (const UnicodeString* link = FindPart(parts, u"File Name")) {
    if (link->empty()) throw EDatabaseError("the connection string names an empty data link file");
    const UnicodeString file = *link;
    parts = ParseConnectionString(ReadDataLinkFile(file));
    if (FindPart(parts, u"File Name") != nullptr)
      throw EDatabaseError("the data link file names another data link file");
    folder = ExtractFilePath(file);
    ConnectionTarget target = Map(parts, folder);
    if (target.Kind == ConnectionTarget::Odbc && target.OdbcString.empty()) {
      ConnectionParts odbc;
      for (auto& part : parts)
        if (!SameName(part.first, u"Provider")) odbc.push_back(std::move(part));
      target.OdbcString = BuildOdbcString(odbc);
    }
    return target;
  }
  ConnectionTarget target = Map(parts, folder);
  if (target.Kind == ConnectionTarget::Odbc && target.OdbcString.empty())
    target.OdbcString = ConnectionString;
  return target;
}

}  // namespace kx::platform::db
