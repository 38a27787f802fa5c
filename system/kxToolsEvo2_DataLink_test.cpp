#include "system/kxToolsEvo2_DataLink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// A data link file as the system writes it: UTF-16LE with byte-order mark.
void WriteDataLink(const fs::path& File, std::u16string_view Text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : Text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  std::ofstream(File, std::ios::binary) << bytes;
}

TEST(GetConnectionstringFromUdlFile, ReadsTheConnectionLine) {
  const fs::path folder = fs::path(std::getenv("TMPDIR")) / "datalink_test";
  fs::create_directories(folder);
  const auto file = [&](const char* name) { return ToUtf16((folder / name).string()); };
  const UnicodeString header = u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n";
  WriteDataLink(folder / "full.udl",
                header + u"Provider=SQLOLEDB.1;Password=x;Data Source=db\\main\r\n");
  WriteDataLink(folder / "nokey.udl", header + u"Data Source=db\r\n");
  std::ofstream(folder / "utf8.udl") << "[oledb]\nProvider=SQLite;Data Source=a.db\n";
  struct Case {
    const char* name;
    std::u16string want;
  } cases[] = {
      {"full.udl", u"Provider=SQLOLEDB.1;Password=x;Data Source=db\\main"},  // comes back whole
      {"nokey.udl", u"Provider="},
      {"utf8.udl", u"Provider=SQLite;Data Source=a.db"},
      {"missing.udl", u"Provider="},
      {"", u""},  // the folder itself cannot be read as a file
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxTools::GetConnectionstringFromUdlFile(file(c.name)), c.want) << c.name;
}

}  // namespace
