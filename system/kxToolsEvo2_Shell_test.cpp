#include "system/kxToolsEvo2_Shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/desktop/Desktop.h"
#include "platform/os/HostProgram.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "system/kxRegistry.h"
#include "tests/support/Process.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class ShellTest : public kx::testing::ScratchFolderTest {};

// ---- Desktop entries -----------------------------------------------------------------

TEST(ExecLine, QuotesWhereNeededAndDoublesPercents) {
  struct Case {
    std::vector<UnicodeString> arguments;
    std::u16string want;
  };
  const Case cases[] = {
      {{u"/usr/bin/tool"}, u"\"/usr/bin/tool\""},
      {{u"/opt/my app/run", u"-x", u"50%"}, u"\"/opt/my app/run\" -x 50%%"},
      {{u"p", u"a b", u"", u"$HOME", u"say \"hi\"", u"`x`", u"a\\b", u"c=d"},
       u"\"p\" \"a b\" \"\" \"\\$HOME\" \"say \\\"hi\\\"\" \"\\`x\\`\" \"a\\\\b\" c=d"},
      {{u"p", u"it's", u"x;y", u"100%\"", u"~"}, u"\"p\" \"it's\" \"x;y\" \"100%%\\\"\" \"~\""},
  };
  for (const auto& c : cases) EXPECT_EQ(TkxTools::detail::ExecLine(c.arguments), c.want) << ToUtf8(c.want);
}

TEST_F(ShellTest, CreateLinkFileWritesADesktopEntry) {
  Write("my tools/run tool", "#!/bin/sh\n");
  fs::permissions(P("my tools/run tool"), fs::perms::owner_all);
  ASSERT_TRUE(TkxTools::CreateLinkFile(U("my tools/run tool"), u"--name \"a b\" 50% $x",
                                       u" Starts\nthe tool\\", U("Run Tool.desktop"), u"/icons/run.png", 3));
  EXPECT_EQ(Read("Run Tool.desktop"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Run Tool\n"
            "Comment=\\sStarts\\nthe tool\\\\\n"
            "Exec=\"" + P("my tools/run tool") + "\" --name \"a b\" 50%% \"\\\\$x\"\n"
            "Path=" + P("my tools/") + "\n"
            "Icon=/icons/run.png\n");
  EXPECT_EQ(fs::status(P("Run Tool.desktop")).permissions(), fs::perms(0755));

  // No executable behind it: a link to the document's URI; a URL stays.
  Write("doc 1.pdf", "%PDF");
  ASSERT_TRUE(TkxTools::CreateLinkFile(U("doc 1.pdf"), u"", u"The document", U("doc.desktop"), u"", -1));
  EXPECT_EQ(Read("doc.desktop"), "[Desktop Entry]\nType=Link\nName=doc\nComment=The document\nURL=file://" +
                                     dir_ + "/doc%201.pdf\n");
  ASSERT_TRUE(TkxTools::CreateLinkFile(u"https://example.org/?q=1", u"", u"Site", U("site.desktop"), u"", -1));
  EXPECT_EQ(Read("site.desktop"), "[Desktop Entry]\nType=Link\nName=site\nComment=Site\nURL=https://example.org/?q=1\n");
}

TEST_F(ShellTest, DesktopEntriesPassTheValidator) {
  Write("bin/a \"q\" 100% $x", "#!/bin/sh\n");
  fs::permissions(P("bin/a \"q\" 100% $x"), fs::perms::owner_all);
  Write("doc.txt", "x");
  ASSERT_TRUE(TkxTools::CreateLinkFile(U("bin/a \"q\" 100% $x"), u"\"it's\" 5% `x` \"a\\b\" ~ $HOME",
                                       u"Quotes \"and\" %, $ and \\", U("one.desktop"), u"/i.png", 0));
  ASSERT_TRUE(TkxTools::CreateLinkFile(u"sh", u"-c \"echo 50%\"", u"A shell", U("two words.desktop"), u"", -1));
  ASSERT_TRUE(TkxTools::CreateLinkFile(U("doc.txt"), u"", u"A document", U("three.desktop"), u"", -1));
  for (const char* entry : {"one.desktop", "two words.desktop", "three.desktop"}) {
    const auto check = kx::testing::RunBounded({"desktop-file-validate", P(entry)}, kx::testing::kChildTimeoutMs);
    if (check.ExitCode < 0) GTEST_SKIP() << "desktop-file-validate cannot be run";
    EXPECT_EQ(check.ExitCode, 0) << entry << ": " << check.Output << "\n" << Read(entry);
    EXPECT_EQ(check.Output.find("error"), std::string::npos) << check.Output;
  }
}

TEST_F(ShellTest, CreateLinkFileReplacesExactlyTheLinkFile) {
  Write("a.desktop", "old");
  Write("b.desktop", "other");
  Write("x*.desktop", "masked name");
  Write(".hidden.desktop", "old hidden");
  ASSERT_TRUE(TkxTools::CreateLinkFile(u"sh", u"", u"c", U("a.desktop"), u"", -1));
  EXPECT_NE(Read("a.desktop"), "old");
  ASSERT_TRUE(TkxTools::CreateLinkFile(u"sh", u"", u"c", U("x*.desktop"), u"", -1));
  EXPECT_EQ(Read("b.desktop"), "other");  // a "*" in the name is no mask
  EXPECT_NE(Read("x*.desktop"), "masked name");
  ASSERT_TRUE(TkxTools::CreateLinkFile(u"sh", u"", u"c", U(".hidden.desktop"), u"", -1));
  EXPECT_NE(Read(".hidden.desktop"), "old hidden");  // a dot-file link is replaced too
  EXPECT_EQ(fs::status(P(".hidden.desktop")).permissions(), fs::perms(0755));
  fs::create_directories(P("folder.desktop"));
  EXPECT_FALSE(TkxTools::CreateLinkFile(u"sh", u"", u"c", U("folder.desktop"), u"", -1));
  EXPECT_FALSE(TkxTools::CreateLinkFile(u"sh", u"", u"c", U("no/folder/x.desktop"), u"", -1));
}

// ---- File types ----------------------------------------------------------------------

UnicodeString ClassesValue(const UnicodeString& Key, const UnicodeString& Name) {
  return VarToStr(TkxRegistry::GetValue(HKEY_CLASSES_ROOT, Key, Name, Variant::FromOleStr(u"<none>"), false));
}

TEST(RegisterFileType, WritesTheTableIntoTheClassesRoot) {
  TkxRegistry::DeleteKey(HKEY_CLASSES_ROOT, u".abc");
  TkxRegistry::DeleteKey(HKEY_CLASSES_ROOT, u"abc_file");
  ASSERT_TRUE(TkxTools::RegisterFileType(u"/opt/kx/viewer", u"KX document", u"abc", u"/opt/kx/abc.png", -1, false));
  EXPECT_EQ(ClassesValue(u".abc", u""), u"abc_file");
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_CLASSES_ROOT, u".abc\\shellnew"));
  EXPECT_EQ(ClassesValue(u"abc_file", u""), u"KX document");
  EXPECT_EQ(ClassesValue(u"abc_file\\DefaultIcon", u""), u"/opt/kx/abc.png");
  EXPECT_EQ(ClassesValue(u"abc_file\\shell\\open\\command", u""), u"\"/opt/kx/viewer\" \"%1\"");

  ASSERT_TRUE(TkxTools::RegisterFileType(u"v", u"T", u"abc", u"i.png", 2, true));
  EXPECT_EQ(ClassesValue(u"abc_file\\DefaultIcon", u""), u"i.png,2");
  EXPECT_EQ(ClassesValue(u".abc\\shellnew", u"FileName"), u"unnamed.abc");
  EXPECT_EQ(ClassesValue(u".abc\\shellnew", u"NullFile"), u"");
}

TEST(RegisterFileType, StopsAtTheFirstFailure) {
  // A hive with a line that does not parse is never rewritten.
  const std::string hive = kx::platform::registry::HiveFilePath(HKEY_CLASSES_ROOT);
  const std::string saved = [&] {
    std::ifstream in(hive, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }();
  std::ofstream(hive, std::ios::binary) << "Windows Registry Editor Version 5.00\r\n\r\nnot a line\r\n";
  EXPECT_FALSE(TkxTools::RegisterFileType(u"v", u"T", u"xyz", u"", -1, true));
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_CLASSES_ROOT, u"xyz_file"));
  if (saved.empty())
    fs::remove(hive);
  else
    std::ofstream(hive, std::ios::binary) << saved;
}

// ---- Dialogs and the screen ------------------------------------------------------------

// A desktop that answers as a user would and records what it was asked.
class ScriptedDesktop : public kx::platform::DesktopHook {
 public:
  bool ShowMessage(const UnicodeString& Text) override {
    shown = Text;
    return false;  // the operation answers true whatever the desktop says
  }
  bool PromptForCredentials(const UnicodeString&, const UnicodeString&, UnicodeString& User,
                            UnicodeString& Password) override {
    User += u"!";
    Password = u"typed";
    return confirm;
  }
  void CopyToClipboard(const kx::platform::ClipboardContent&) override {}
  bool GrabScreenJpeg(bool ActiveWindow, int32_t Quality, std::string& Jpeg) override {
    active = ActiveWindow;
    quality = Quality;
    Jpeg = "\xFF\xD8jpeg\xFF\xD9";
    return true;
  }
  bool RaiseMainWindow() override {
    raised = true;
    return false;
  }
  void PumpEvents() override {}

  UnicodeString shown;
  bool confirm = true, active = false, raised = false;
  int32_t quality = 0;
};

TEST_F(ShellTest, DialogsAndTheScreenGoThroughTheDesktop) {
  // Headless first.
  UnicodeString user = u"ann", password = u"pw";
  EXPECT_FALSE(TkxTools::PromptForCredentials(u"c", u"m", user, password));
  EXPECT_EQ(user + password, u"annpw");
  EXPECT_TRUE(TkxTools::ShowMessage(Variant::FromInteger(5)));
  EXPECT_TRUE(TkxTools::PushApplicationToFront());
  EXPECT_FALSE(TkxTools::TakeScreenShot(U("shot.jpg"), false, 80));
  EXPECT_FALSE(fs::exists(P("shot.jpg")));
  EXPECT_EQ(TkxTools::GetActiveWindowTitle(), u"");
  EXPECT_EQ(TkxTools::ClearKeyboardBuffer(), 0);

  ScriptedDesktop desktop;
  kx::platform::SetDesktopHook(&desktop);
  EXPECT_TRUE(TkxTools::PromptForCredentials(u"c", u"m", user, password));
  EXPECT_EQ(user + u"/" + password, u"ann!/typed");
  desktop.confirm = false;
  EXPECT_FALSE(TkxTools::PromptForCredentials(u"c", u"m", user, password));
  EXPECT_EQ(user, u"ann!!");  // what the dialog held comes back on cancel too
  EXPECT_TRUE(TkxTools::ShowMessage(Variant::FromDouble(1.5)));
  EXPECT_EQ(desktop.shown, VarToStr(Variant::FromDouble(1.5)));
  EXPECT_TRUE(TkxTools::ShowMessage(Variant::Null()));
  EXPECT_EQ(desktop.shown, u"");
  EXPECT_TRUE(TkxTools::PushApplicationToFront());
  EXPECT_TRUE(desktop.raised);
  EXPECT_TRUE(TkxTools::TakeScreenShot(U("shot.jpg"), true, 42));
  EXPECT_EQ(Read("shot.jpg"), "\xFF\xD8jpeg\xFF\xD9");
  EXPECT_TRUE(desktop.active);
  EXPECT_EQ(desktop.quality, 42);
  EXPECT_FALSE(TkxTools::TakeScreenShot(U("no/folder/shot.jpg"), false, 80));
  kx::platform::SetDesktopHook(nullptr);
}

// ---- Quick log -------------------------------------------------------------------------

TEST_F(ShellTest, QdlAppendsTimeStampedLines) {
  kx::platform::SetClockForTesting([] { return EncodeDateTime(2024, 3, 7, 9, 5, 2, 45); });
  EXPECT_FALSE(TkxTools::qdl(Variant::FromOleStr(u"first \u00e4"), U("log/q.log")));  // no folder
  EXPECT_TRUE(TkxTools::qdl(Variant::FromOleStr(u"first \u00e4"), U("q.log")));
  EXPECT_TRUE(TkxTools::qdl(Variant::FromInteger(2), U("q.log")));
  EXPECT_EQ(Read("q.log"), "[07.03.2024 09:05:02-045] first \xC3\xA4\r\n[07.03.2024 09:05:02-045] 2\r\n");

  // Without a file: "qdl.log" beside the host program.
  kx::platform::SetHostProgramForTesting(P("bin/host"));
  fs::create_directories(P("bin"));
  EXPECT_TRUE(TkxTools::qdl(Variant::FromOleStr(u"x"), u""));
  EXPECT_EQ(Read("bin/qdl.log"), "[07.03.2024 09:05:02-045] x\r\n");
  kx::platform::SetHostProgramForTesting(std::nullopt);
  kx::platform::SetClockForTesting(nullptr);
}

}  // namespace
