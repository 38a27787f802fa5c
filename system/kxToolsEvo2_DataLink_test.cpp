#include "system/kxToolsEvo2_DataLink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/desktop/Desktop.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles_Paths.h"
#include "tests/support/Process.h"
#include "tests/support/ScratchFolder.h"

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

class DataLinkTest : public kx::testing::ScratchFolderTest {};

TEST_F(DataLinkTest, CreateUDLFileWritesThreeUtf16LinesThatReadBack) {
  const UnicodeString connection = u"Provider=SQLite;Data Source=k\u00e4x.db;Extended=\"a=b\"";
  ASSERT_TRUE(TkxTools::CreateUDLFile(U("a.udl"), connection));
  const UnicodeString text =
      u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" + connection + u"\r\n";
  std::string want = "\xFF\xFE";
  for (const char16_t c : text) {
    want.push_back(static_cast<char>(c & 0xFF));
    want.push_back(static_cast<char>(c >> 8));
  }
  EXPECT_EQ(Read("a.udl"), want);
  EXPECT_EQ(TkxTools::GetConnectionstringFromUdlFile(U("a.udl")), connection);

  // Another INI reader sees the same value.
  const auto python = kx::testing::RunBounded(
      {"python3", "-c",
       "import configparser,sys\n"
       "c = configparser.RawConfigParser(); c.optionxform = str\n"
       "c.read(sys.argv[1], encoding='utf-16')\n"
       "sys.stdout.buffer.write(c['oledb']['Provider'].encode('utf-8'))",
       P("a.udl")},
      kx::testing::kChildTimeoutMs);
  if (python.ExitCode < 0) GTEST_SKIP() << "python3 cannot be run";
  EXPECT_EQ(python.Output, ToUtf8(connection.substr(9)));

  ASSERT_TRUE(TkxTools::CreateUDLFile(U("a.udl"), u"Provider=x"));  // replaces
  EXPECT_EQ(TkxTools::GetConnectionstringFromUdlFile(U("a.udl")), u"Provider=x");
  EXPECT_THROW(TkxTools::CreateUDLFile(U("no/folder/a.udl"), u"Provider=x"), EFCreateError);
}

TEST_F(DataLinkTest, EditingCreatesAMissingFileAndReadsItBack) {
  EXPECT_EQ(TkxTools::EditUDLFile(U("new.udl"), false), u"Provider=");
  EXPECT_TRUE(std::filesystem::exists(P("new.udl")));
  ASSERT_TRUE(TkxTools::CreateUDLFile(U("kept.udl"), u"Provider=SQLite"));
  EXPECT_EQ(TkxTools::EditUDLFile(U("kept.udl"), true), u"Provider=SQLite");
  EXPECT_FALSE(std::filesystem::exists(P("kept.udl")));  // Temp removes it

  const std::string temp = ToUtf8(TkxFiles::GetTempPath());
  auto leftovers = [&] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(temp))
      count += entry.path().filename().string().rfind("kxconstr-", 0) == 0;
    return count;
  };
  const int before = leftovers();
  EXPECT_EQ(TkxTools::EditConnectionString(u"Provider=SQLOLEDB.1;Data Source=db"),
            u"Provider=SQLOLEDB.1;Data Source=db");
  EXPECT_EQ(TkxTools::EditConnectionString(u"Data Source=db"), u"Provider=");  // no "Provider=" before it
  EXPECT_EQ(leftovers(), before);
}

TEST(GetResource, DecodesTheModulesResourceAsText) {
  EXPECT_EQ(TkxTools::GetResource(u"greeting", u"text"), u"Gr\u00fc\u00dfe aus dem Modul\r\n");
  EXPECT_THROW(TkxTools::GetResource(u"greeting", u"RCDATA"), EResNotFound);
}

TEST(HtmlClipboardText, TheHeaderCountsTheWholeTextInBytes) {
  const std::string empty = TkxTools::detail::HtmlClipboardText(u"");
  EXPECT_EQ(empty,
            "Version:0.9\r\nStartHTML:-1\r\nEndHTML:-1\r\nStartFragment:000081\r\nEndFragment:000083\r\n\r\n");
  EXPECT_EQ(empty.size(), 83u);
  const std::string text = TkxTools::detail::HtmlClipboardText(u"<b>\u00e4\u20ac</b>");  // 12 bytes
  EXPECT_EQ(text.substr(73, 8), "000095\r\n");
  EXPECT_EQ(text.size(), 95u);
  // Seven digits when the text reaches a million bytes; the count stays exact.
  const std::string big = TkxTools::detail::HtmlClipboardText(UnicodeString(999917, u'x'));
  EXPECT_EQ(big.substr(73, 9), "1000001\r\n");
  EXPECT_EQ(big.size(), 1000001u);
}

// Records what went to the clipboard.
class ClipboardRecorder : public kx::platform::DesktopHook {
 public:
  bool ShowMessage(const UnicodeString&) override { return true; }
  bool PromptForCredentials(const UnicodeString&, const UnicodeString&, UnicodeString&,
                            UnicodeString&) override {
    return false;
  }
  void CopyToClipboard(const kx::platform::ClipboardContent& Content) override { copied = Content; }
  bool GrabScreenJpeg(bool, int32_t, std::string&) override { return false; }
  bool RaiseMainWindow() override { return true; }
  void PumpEvents() override {}
  kx::platform::ClipboardContent copied;
};

TEST(CopyHTMLToClipBoard, PutsThePlainTextTheHtmlAndItsFramedForm) {
  EXPECT_THROW(TkxTools::CopyHTMLToClipBoard(u"a", u"<i>a</i>"), EClipboardException);  // headless
  ClipboardRecorder recorder;
  kx::platform::SetDesktopHook(&recorder);
  EXPECT_TRUE(TkxTools::CopyHTMLToClipBoard(u"pl\u00e4in", u"<i>\u00e4</i>"));
  kx::platform::SetDesktopHook(nullptr);
  EXPECT_EQ(recorder.copied.PlainText, u"pl\u00e4in");
  EXPECT_EQ(recorder.copied.HtmlUtf8, "<i>\xC3\xA4</i>");
  EXPECT_EQ(recorder.copied.HtmlFormat, TkxTools::detail::HtmlClipboardText(u"<i>\u00e4</i>"));
}

}  // namespace
