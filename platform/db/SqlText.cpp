#include "platform/db/SqlText.h"

namespace kx::platform::db {
namespace {

bool IsNameChar(char16_t C) {
  return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z') || (C >= u'0' && C <= u'9') ||
         C == u'_';
}

}  // namespace

ScannedSql ScanParameters(const UnicodeString& Sql) {
  ScannedSql out;
  out.Sql.reserve(Sql.size());
  const size_t n = Sql.size();
  size_t i = 0;
  // Copies up to and including the first Close at or after From (to the end
  // when there is none).
  auto copyThrough = [&](size_t From, std::u16string_view Close) {
    const size_t end = Sql.find(Close, From);
    const size_t stop = end == UnicodeString::npos ? n : end + Close.size();
    out.Sql.append(Sql, i, stop - i);
    i = stop;
  };
  while (i < n) {
    const char16_t c = Sql[i];
    switch (c) {
      case u'\'':
      case u'"':
      case u'`':
        // A doubled quote inside reads as the end of one quoted run and the
        // start of the next, which skips the same text.
        copyThrough(i + 1, std::u16string_view(&c, 1));
        continue;
      case u'[':
        copyThrough(i + 1, u"]");
        continue;
      case u'-':
        if (i + 1 < n && Sql[i + 1] == u'-') {
          copyThrough(i + 2, u"\n");
          continue;
        }
        break;
      case u'/':
        if (i + 1 < n && Sql[i + 1] == u'*') {
          copyThrough(i + 2, u"*/");
          continue;
        }
        break;
      case u':':
        if (i + 1 < n && Sql[i + 1] == u':') {
          out.Sql.append(u"::");
          i += 2;
          continue;
        }
        if (i + 1 < n && IsNameChar(Sql[i + 1])) {
          size_t end = i + 1;
          while (end < n && IsNameChar(Sql[end])) ++end;
          out.Names.emplace_back(Sql, i + 1, end - i - 1);
          out.Sql.push_back(u'?');
          i = end;
          continue;
        }
        break;
      default:
        break;
    }
    out.Sql.push_back(c);
    ++i;
  }
  return out;
}

}  // namespace kx::platform::db
