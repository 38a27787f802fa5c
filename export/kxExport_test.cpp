// The command entry in-process: the command table, the settings of the
// configuration string and the settings dialog through a fake form.
#include "export/kxExport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "export/kxPluginState.h"
#include "export/kxSettingsForm.h"

namespace {

using kx::plugin::PluginState;

const std::u16string kSentinel = u"<untouched>";

struct Call {
  int32_t rc;
  std::u16string data;
  std::u16string error;
};

Call Command(int32_t command, const std::u16string& input = u"") {
  std::vector<char16_t> data(input.begin(), input.end());
  data.resize(input.size() + 4096, u'\0');
  std::vector<char16_t> error(kSentinel.begin(), kSentinel.end());
  error.resize(4096, u'\0');
  Call c;
  c.rc = kx::plugin::WideExport(command, data.data(), 0, error.data());
  c.data = data.data();
  c.error = error.data();
  if (c.rc == 0) {
    EXPECT_EQ(c.error, kSentinel) << "command " << command;
  }
  return c;
}

class CommandEntry : public ::testing::Test {
 protected:
  void SetUp() override { kx::plugin::ResetPluginState(); }
  void TearDown() override {
    kx::plugin::ResetPluginState();
    kx::plugin::SetSettingsFormFactory(nullptr);
  }
};

TEST_F(CommandEntry, BuildTestAndSimpleAnswers) {
  EXPECT_EQ(kx::plugin::BuildTest(100), 0);
  EXPECT_EQ(kx::plugin::BuildTest(99), -1);
  EXPECT_EQ(kx::plugin::BuildTest(0), -1);
  EXPECT_EQ(Command(101).data, u"3");
  const Call version = Command(105);
  EXPECT_EQ(version.rc, 0);
  EXPECT_FALSE(version.data.empty());
  for (int32_t unknown : {700, -1, 0, 102, 2147483647}) {
    const Call c = Command(unknown, u"input");
    EXPECT_EQ(c.rc, 0) << unknown;
    EXPECT_EQ(c.data, u"input") << unknown;
  }
}

TEST_F(CommandEntry, NullBuffersAreNeverWritten) {
  char16_t error[256] = u"x";
  EXPECT_EQ(kx::plugin::WideExport(101, nullptr, 0, error), -1);  // 101 must answer into Data
  EXPECT_EQ(std::u16string(error), u"unexpected process exception (no data buffer for the answer)");
  EXPECT_EQ(kx::plugin::WideExport(850, nullptr, 0, nullptr), -1);
  EXPECT_EQ(kx::plugin::WideExport(110, nullptr, 0, nullptr), 0);  // reads as empty
  EXPECT_EQ(PluginState().Priority, 4);
  EXPECT_EQ(kx::plugin::WideExport(400, nullptr, 0, nullptr), -1);  // no hand-over object
}

TEST_F(CommandEntry, AtLoadEverySettingIsEmpty) {
  const auto& s = PluginState();
  EXPECT_EQ(s.Priority, 0);
  EXPECT_FALSE(s.ByRef);
  EXPECT_FALSE(s.Include);
  EXPECT_FALSE(s.CreateNewDocId);
  EXPECT_EQ(Command(850).data, u"");
}

TEST_F(CommandEntry, ConfigurationStringSettings) {
  auto& s = PluginState();
  ASSERT_EQ(Command(110, u"").rc, 0);
  EXPECT_EQ(s.Priority, 4);
  EXPECT_FALSE(s.CreateNewDocId);  // empty text: false
  ASSERT_EQ(Command(110, u"  \r\n ").rc, 0);
  EXPECT_FALSE(s.CreateNewDocId);

  ASSERT_EQ(Command(110, u"<AnyRoot><Importfile>/tmp/a.xml</Importfile><Priority>7</Priority>"
                     u"<ByRef>true</ByRef><PostScheme>P\u00e4</PostScheme></AnyRoot>")
                .rc,
            0);
  EXPECT_EQ(s.Importfile, u"/tmp/a.xml");
  EXPECT_EQ(s.Priority, 7);
  EXPECT_TRUE(s.ByRef);
  EXPECT_EQ(s.PostScheme, u"P\u00e4");
  EXPECT_TRUE(s.CreateNewDocId);  // parsed string without the key: true

  // Present but empty: Priority and the Booleans take their defaults, texts become empty.
  ASSERT_EQ(Command(110, u"<kxConfig><Importfile></Importfile><Priority></Priority><ByRef/>"
                     u"<CreateNewDocId></CreateNewDocId></kxConfig>")
                .rc,
            0);
  EXPECT_EQ(s.Importfile, u"");
  EXPECT_EQ(s.Priority, 4);
  EXPECT_FALSE(s.ByRef);
  EXPECT_TRUE(s.CreateNewDocId);

  // Not XML: stored for 850, settings unchanged.
  ASSERT_EQ(Command(110, u"<kxConfig><Task>T</Task></kxConfig>").rc, 0);
  ASSERT_EQ(Command(110, u"not <xml at all \U0001F600").rc, 0);
  EXPECT_EQ(s.Task, u"T");
  EXPECT_EQ(Command(850).data, u"not <xml at all \U0001F600");
}

TEST_F(CommandEntry, AnUnconvertiblePriorityKeepsTheSettingsReadBeforeIt) {
  auto& s = PluginState();
  ASSERT_EQ(Command(110, u"<kxConfig><Include>true</Include></kxConfig>").rc, 0);
  const Call c = Command(110, u"<kxConfig><Importfile>new</Importfile><Task>t</Task>"
                          u"<Priority>high</Priority><Include>false</Include></kxConfig>");
  EXPECT_EQ(c.rc, -1);
  EXPECT_EQ(c.error.rfind(u"unexpected process exception (", 0), 0u);
  EXPECT_EQ(c.error, u"unexpected process exception (Could not convert variant of type "
                     u"(UnicodeString) into type (Integer))");
  EXPECT_EQ(s.Importfile, u"new");
  EXPECT_EQ(s.Task, u"t");
  EXPECT_TRUE(s.Include);  // read after Priority: unchanged
  EXPECT_EQ(Command(850).data.find(u"high") != std::u16string::npos, true);
}

TEST_F(CommandEntry, CommandsWithoutAHandOverObject) {
  PluginState().DocId = "doc";
  for (int32_t command : {200, 400, 450, 500, 510, 530}) {
    const Call c = Command(command, u"A=1");
    EXPECT_EQ(c.rc, -1) << command;
    EXPECT_EQ(c.error, u"unexpected process exception (no document open (command 100 missing))")
        << command;
  }
  EXPECT_EQ(PluginState().DocId, "doc");  // 200 left it
  EXPECT_EQ(Command(900).rc, 0);
}

TEST_F(CommandEntry, DocumentLifecycle) {
  auto& s = PluginState();
  Command(130, u"/before");
  Command(350, u"id-\u00e9");
  ASSERT_EQ(Command(100).rc, 0);
  EXPECT_EQ(s.ExportTarget, u"");  // 100 clears the target
  EXPECT_EQ(s.DocId, "id-\xc3\xa9");  // and keeps the document id
  Command(130, u"/target");
  Command(110, u"<kxConfig><Task>t</Task></kxConfig>");
  Command(300, u"stored");

  EXPECT_EQ(Command(510, u"name").rc, 0);  // no blob yet: nothing happens
  EXPECT_EQ(Command(400, u"Amount[INT]=7").rc, 0);
  EXPECT_EQ(Command(450, u"Total,2=x").rc, 0);
  EXPECT_EQ(Command(450, u"Total,-2=x").rc, 0);  // refused cell, still answer 0
  EXPECT_EQ(Command(500, u"/no/such/blob.pdf").rc, 0);
  EXPECT_EQ(Command(510, u"the name").rc, 0);
  EXPECT_EQ(Command(530, u"invoice").rc, 0);
  TkxPluginTools& tools = *s.PluginTools;
  ASSERT_EQ(tools.Fields.size(), 1u);
  ASSERT_EQ(tools.Blobs.size(), 1u);
  EXPECT_TRUE(tools.Blobs[0].Reference);
  EXPECT_EQ(tools.Blobs[0].BlobName, u"the name");
  EXPECT_EQ(tools.Blobs[0].DocType, u"invoice");
  EXPECT_EQ(tools.GetTableRowCount(), 3);

  s.PluginTools->AddTableRow(u"1=[1]");
  ASSERT_EQ(Command(200).rc, 0);
  EXPECT_TRUE(s.PluginTools->Fields.empty());
  EXPECT_EQ(s.PluginTools->TableRows.size(), 2u);  // Clear keeps the rows
  EXPECT_EQ(s.DocId, "");
  EXPECT_EQ(s.StoredText, u"");
  EXPECT_EQ(s.ExportTarget, u"/target");
  EXPECT_EQ(s.Task, u"t");

  ASSERT_EQ(Command(100).rc, 0);
  ASSERT_EQ(Command(100).rc, 0);
  EXPECT_TRUE(s.PluginTools->Fields.empty());
  ASSERT_EQ(Command(900).rc, 0);
  EXPECT_EQ(s.PluginTools, nullptr);
  EXPECT_EQ(Command(400, u"a=b").rc, -1);
}

TEST_F(CommandEntry, ExportRunTextIsHandedBackUnwrapped) {
  PluginState().LastExportError = u"old";
  const Call c = Command(600);  // no hand-over object: the run answers in its own form
  if (c.rc == -1) {
    EXPECT_EQ(c.error.rfind(u"unexpected process exception", 0), std::u16string::npos);
    EXPECT_EQ(c.error, PluginState().LastExportError);
    EXPECT_FALSE(c.error.empty());
  }
}

// A fake of the settings dialog: controls by name.
struct FakeForm : kx::plugin::TkxSettingsForm {
  std::map<std::u16string, std::u16string>& texts;
  std::map<std::u16string, bool>& checks;
  std::map<std::u16string, int32_t>& indexes;
  std::vector<std::u16string>& order;
  bool ok;
  std::function<void()> userEdits;
  FakeForm(std::map<std::u16string, std::u16string>& t, std::map<std::u16string, bool>& c,
           std::map<std::u16string, int32_t>& i, std::vector<std::u16string>& o, bool k,
           std::function<void()> e)
      : texts(t), checks(c), indexes(i), order(o), ok(k), userEdits(std::move(e)) {}
  void SetText(const UnicodeString& n, const UnicodeString& t) override {
    order.push_back(n);
    texts[n] = t;
  }
  UnicodeString GetText(const UnicodeString& n) override { return texts[n]; }
  void SetChecked(const UnicodeString& n, bool c) override {
    order.push_back(n);
    checks[n] = c;
  }
  bool GetChecked(const UnicodeString& n) override { return checks[n]; }
  void SetSelectedIndex(const UnicodeString& n, int32_t i) override {
    order.push_back(n);
    indexes[n] = i >= 0 && i < 7 ? i : -1;  // seven priorities
  }
  int32_t GetSelectedIndex(const UnicodeString& n) override { return indexes[n]; }
  bool ShowModal() override {
    if (userEdits) userEdits();
    return ok;
  }
};

TEST_F(CommandEntry, SettingsDialogBuildsAStringTheHostSendsBack) {
  std::map<std::u16string, std::u16string> texts;
  std::map<std::u16string, bool> checks;
  std::map<std::u16string, int32_t> indexes;
  std::vector<std::u16string> order;
  bool ok = true;
  std::function<void()> userEdits;
  kx::plugin::SetSettingsFormFactory([&]() -> std::unique_ptr<kx::plugin::TkxSettingsForm> {
    return std::make_unique<FakeForm>(texts, checks, indexes, order, ok, userEdits);
  });
  auto& s = PluginState();
  ASSERT_EQ(Command(110, u"<kxConfig><Importfile>in</Importfile><Priority>9</Priority>"
                     u"<Project>p</Project><CreateNewDocId>false</CreateNewDocId></kxConfig>")
                .rc,
            0);

  ok = false;  // Cancel changes nothing
  const std::u16string before = Command(850).data;
  ASSERT_EQ(Command(800).rc, 0);
  EXPECT_EQ(Command(850).data, before);
  EXPECT_EQ(order.size(), 17u);
  EXPECT_EQ(order.front(), u"edt_Importfile");
  EXPECT_EQ(order[2], u"cb_newdocid");
  EXPECT_EQ(texts[u"edt_project"], u"p");
  EXPECT_EQ(indexes[u"cb_Priority"], -1);  // 9 selects none

  ok = true;
  userEdits = [&] {
    texts[u"edt_Importfile"] = u"changed & <quoted>";
    texts[u"cb_Post"] = u"post";
    checks[u"cb_ByRef"] = true;
  };
  ASSERT_EQ(Command(800).rc, 0);
  EXPECT_EQ(s.Importfile, u"in");  // settings change only through 110
  const std::u16string built = Command(850).data;
  EXPECT_NE(built.find(u"<kxConfig"), std::u16string::npos) << ToUtf8(built);
  const size_t importPos = built.find(u"<Importfile>");
  const size_t byRefPos = built.find(u"<ByRef>");
  const size_t priorityPos = built.find(u"<Priority>");
  const size_t newIdPos = built.find(u"<CreateNewDocId>");
  EXPECT_LT(importPos, byRefPos);
  EXPECT_LT(byRefPos, priorityPos);
  EXPECT_LT(priorityPos, newIdPos);
  // The dialog writes in its own order, not in the order 110 reads.
  size_t previous = 0;
  for (const char16_t* key :
       {u"Importfile", u"ServerName", u"State", u"Task", u"ByRef", u"Priority", u"Include",
        u"Application", u"Destination", u"ExportTitle", u"Project", u"ExportService",
        u"ConvertScheme", u"ScriptScheme", u"PostScheme", u"ExportScheme", u"CreateNewDocId"}) {
    const std::u16string open = u"<" + std::u16string(key);
    const size_t at = built.find(open);
    ASSERT_NE(at, std::u16string::npos) << ToUtf8(key);
    ASSERT_TRUE(built[at + open.size()] == u'>' || built[at + open.size()] == u'/') << ToUtf8(key);
    EXPECT_GT(at, previous) << ToUtf8(key);
    previous = at;
  }

  ASSERT_EQ(Command(110, built).rc, 0);
  EXPECT_EQ(s.Importfile, u"changed & <quoted>");
  EXPECT_EQ(s.PostScheme, u"post");
  EXPECT_TRUE(s.ByRef);
  EXPECT_EQ(s.Priority, -1);
  EXPECT_FALSE(s.CreateNewDocId);
  EXPECT_EQ(s.Project, u"p");
}

TEST_F(CommandEntry, SettingsDialogWithoutADisplayFails) {
  const Call c = Command(800);
  EXPECT_EQ(c.rc, -1);
  EXPECT_EQ(c.error, u"unexpected process exception (the settings dialog needs a display)");
}

}  // namespace
