// The settings dialog, offscreen: its controls, its lists from the store
// (a fake store stands in for the configuration database), its handlers,
// and command 800 driving it on every way of hosting the GUI. Each group of
// tests runs in a process of its own (one Qt application per process):
// CTest runs this binary once per group, selecting it with GTEST_FILTER.
#include "config/ConfigUnit.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "config/ConfigUnit_SettingsForm.h"
#include "config/QRTAboutPanel.h"
#include "config/QRTInfoPanel.h"
#include "config/kxVCLTools.h"
#include "config/xpPages.h"
#include "export/kxExport.h"
#include "export/kxPluginState.h"
#include "export/kxSettingsForm.h"
#include "platform/ui/GuiHost.h"
#include "platform/ui/Panel.h"
#include "platform/ui/QtText.h"
#include "tests/support/ConfigStoreFixture.h"
#include "tests/support/FakeInstallation.h"

namespace {

namespace ui = kx::platform::ui;
using ui::FromQString;
using ui::ToQString;

int g_argc = 1;
char g_name[] = "ConfigUnit_test";
char* g_argv[] = {g_name, nullptr};

// ---- A store of the test's own ---------------------------------------------------------

struct FakeTree {
  bool connected = true;
  // Key -> sub-nodes in the store's order, for GetChildNodes.
  std::map<UnicodeString, std::vector<TCfgStoreNode>> children;
  std::vector<TCfgStoreNode> engines;  // the export engines' sub-tree
  std::vector<UnicodeString> parents;  // keys of engines that have sub-nodes
  std::vector<UnicodeString> failing;  // GetChildNodes answers false
  UnicodeString throwing;              // GetChildNodes raises
  UnicodeString serviceUrl = u"http://queue:4420/";
  bool serviceUrlThrows = false;
  int serviceUrlCalls = 0;
  int live = 0;  // stores not freed
  std::vector<bool> forLists;
};

class FakeStore : public TCfgStore {
 public:
  explicit FakeStore(FakeTree& T) : t_(T) { ++t_.live; }
  ~FakeStore() override { --t_.live; }
  bool IsConnected() override { return t_.connected; }
  bool GetChildNodes(const UnicodeString& Key, std::vector<TCfgStoreNode>& NodeList, bool Create) override {
    EXPECT_FALSE(Create);
    NodeList.clear();
    if (Key == t_.throwing) throw Exception(u"broken");
    if (std::find(t_.failing.begin(), t_.failing.end(), Key) != t_.failing.end()) return false;
    NodeList = t_.children[Key];
    return true;
  }
  bool GetRecursiveChildNodes(const UnicodeString& RootKey, std::vector<TCfgStoreNode>& NodeList,
                              bool AddParentNodes, bool AddRootNodes, bool AddRootKey) override {
    EXPECT_EQ(RootKey, u"/vanto/Engines/Export");
    EXPECT_TRUE(AddParentNodes && AddRootNodes && !AddRootKey);
    NodeList = t_.engines;
    return true;
  }
  bool ChildNodesExists(const UnicodeString& Key) override {
    return std::find(t_.parents.begin(), t_.parents.end(), Key) != t_.parents.end();
  }
  UnicodeString GetServiceUrl(TkxEnterpriseService Service, int32_t ClusterNode, int32_t InstanceId) override {
    EXPECT_EQ(Service, kxESVC_DRAV);
    EXPECT_EQ(ClusterNode + InstanceId, 0);
    ++t_.serviceUrlCalls;
    if (t_.serviceUrlThrows) throw Exception(u"broken");
    return t_.serviceUrl;
  }

 private:
  FakeTree& t_;
};

TCfgStoreNode Node(const UnicodeString& Key, const UnicodeString& RelKey) {
  const size_t slash = RelKey.rfind(u'/');
  return {slash == UnicodeString::npos ? RelKey : RelKey.substr(slash + 1), Key, RelKey};
}

// The tree of the dialog's examples.
FakeTree ExampleTree() {
  FakeTree t;
  const UnicodeString e = u"vanto/Engines/Export/";
  t.engines = {Node(e + u"Mail/", u"Mail"), Node(e + u"PDF/", u"PDF"),
               Node(e + u"PDF/Viewer/", u"PDF/Viewer"), Node(e + u"PDF/Writer/", u"PDF/Writer")};
  t.parents = {e + u"PDF/"};
  t.children[u"/vanto/Schemes/Conversion"] = {Node(u"k/", u"A%2FB"), Node(u"k/", u"Tiff")};
  t.children[u"/vanto/Schemes/Export"] = {Node(u"k/", u"Archive")};
  t.children[u"/vanto/Schemes/Scripting"] = {Node(u"k/", u"Check"), Node(u"k/", u"Stamp")};
  t.children[u"/vanto/Software/vanto Plumo/Projects"] = {Node(u"k/", u"Invoices")};
  return t;
}

void UseStore(FakeTree& T) {
  SetCfgStoreFactoryForTesting([&T](bool ForLists) {
    T.forLists.push_back(ForLists);
    return std::make_unique<FakeStore>(T);
  });
}

std::vector<std::u16string> Entries(QComboBox* Box) {
  std::vector<std::u16string> list;
  for (int i = 0; i < Box->count(); ++i) list.push_back(FromQString(Box->itemText(i)));
  return list;
}

// Makes a dialog on the GUI thread, runs Check there with it, frees it.
void WithForm(const std::function<void(TCfgForm&)>& Check) {
  ui::RunOnGuiThread([&] {
    TCfgForm form;
    Check(form);
  });
}

// Shows the dialog as the active window, so focus moves as a user's would.
void Activate(TCfgForm& F) {
  F.show();
  QApplication::setActiveWindow(&F);
  EXPECT_TRUE(QTest::qWaitForWindowActive(&F));
}

// The control that has the focus; a combo box for its edit field.
QWidget* Focused() {
  QWidget* w = QApplication::focusWidget();
  if (w != nullptr && qobject_cast<QComboBox*>(w->parentWidget()) != nullptr) return w->parentWidget();
  return w;
}

class CfgForm : public ::testing::Test {
 protected:
  void SetUp() override { UseStore(tree_); }
  void TearDown() override { SetCfgStoreFactoryForTesting(nullptr); }
  FakeTree tree_ = ExampleTree();
};

// ---- Command 800 through the plug-in's command entry -------------------------------------

struct Call {
  int32_t rc;
  std::u16string data;
  std::u16string error;
};

Call Command(int32_t command, const std::u16string& input = u"") {
  std::vector<char16_t> data(input.begin(), input.end());
  data.resize(input.size() + 8192, u'\0');
  std::vector<char16_t> error(4096, u'\0');
  Call c;
  c.rc = kx::plugin::WideExport(command, data.data(), 0, error.data());
  c.data = data.data();
  c.error = error.data();
  return c;
}

// Ok, 850, 110 back; Cancel leaves the string; what the dialog shows is what
// 110 set.
void SettingsRoundTrip() {
  FakeTree tree = ExampleTree();
  UseStore(tree);
  kx::plugin::ResetPluginState();
  kx::plugin::SetSettingsFormFactory(&CreateCfgSettingsForm);
  ASSERT_EQ(Command(110, u"<kxConfig><Importfile>in.txt</Importfile><Priority>9</Priority>"
                         u"<ExportService>/Mail</ExportService><ExportScheme>/Archive</ExportScheme>"
                         u"<State>SOMETHING</State><CreateNewDocId>false</CreateNewDocId></kxConfig>")
                .rc,
            0);
  const std::u16string before = Command(850).data;

  std::map<std::u16string, std::u16string> shown;
  int shownPriority = -2;
  SetCfgFormShownHookForTesting([&](TCfgForm& f) {
    EXPECT_TRUE(f.isVisible());
    for (const char16_t* name : {u"edt_Importfile", u"cb_ExportService", u"cb_EScheme", u"cb_State"}) {
      QWidget* w = f.findChild<QWidget*>(ToQString(name));
      if (auto* box = qobject_cast<QComboBox*>(w)) shown[name] = FromQString(box->currentText());
      if (auto* edit = qobject_cast<QLineEdit*>(w)) shown[name] = FromQString(edit->text());
    }
    shownPriority = f.cb_Priority->currentIndex();
    QTest::mouseClick(f.btn_Cancel, Qt::LeftButton);
  });
  ASSERT_EQ(Command(800).rc, 0);
  EXPECT_EQ(Command(850).data, before);
  EXPECT_EQ(shown[u"edt_Importfile"], u"in.txt");
  EXPECT_EQ(shown[u"cb_ExportService"], u"/Mail");  // both shown: the sets fire no handler
  EXPECT_EQ(shown[u"cb_EScheme"], u"/Archive");
  EXPECT_EQ(shown[u"cb_State"], u"SOMETHING");      // not in the list, kept
  EXPECT_EQ(shownPriority, -1);                      // 9 selects nothing

  SetCfgFormShownHookForTesting([](TCfgForm& f) {
    f.edt_Application->setText(QStringLiteral("app \u00e4 <&>"));
    f.cb_ByRef->setChecked(true);
    f.cb_Priority->setCurrentIndex(4);
    f.edt_Server->setEditText(QStringLiteral("http://other/"));
    QTest::keyClick(f.btn_OK, Qt::Key_Space);
  });
  ASSERT_EQ(Command(800).rc, 0);
  const std::u16string built = Command(850).data;
  EXPECT_NE(built, before);
  ASSERT_EQ(Command(110, built).rc, 0);
  auto& s = kx::plugin::PluginState();
  EXPECT_EQ(s.Application, u"app \u00e4 <&>");
  EXPECT_TRUE(s.ByRef);
  EXPECT_EQ(s.Priority, 4);
  EXPECT_EQ(s.ServerName, u"http://other/");
  EXPECT_EQ(s.Importfile, u"in.txt");  // focus never left the box
  EXPECT_EQ(s.ExportService, u"/Mail");

  // The close button is Cancel.
  SetCfgFormShownHookForTesting([](TCfgForm& f) { f.close(); });
  ASSERT_EQ(Command(800).rc, 0);
  EXPECT_EQ(Command(850).data, built);

  SetCfgFormShownHookForTesting(nullptr);
  kx::plugin::SetSettingsFormFactory(nullptr);
  kx::plugin::ResetPluginState();
  SetCfgStoreFactoryForTesting(nullptr);
  EXPECT_EQ(tree.live, 0);
}

// The four pages, in order.
std::vector<std::pair<TxpTabSheet*, const char*>> Pages(TCfgForm& F) {
  return {{F.ts_Process, "process"}, {F.ts_z9, "drav"}, {F.ts_File, "file"}, {F.ts_About, "about"}};
}

// Pixels that differ by more than a little in some channel (glyph edges
// rasterise a shade apart from one FreeType to the next).
int DifferingPixels(const QImage& A, const QImage& B) {
  int count = 0;
  for (int y = 0; y < A.height(); ++y) {
    for (int x = 0; x < A.width(); ++x) {
      const QRgb a = A.pixel(x, y), b = B.pixel(x, y);
      if (std::abs(qRed(a) - qRed(b)) > 48 || std::abs(qGreen(a) - qGreen(b)) > 48 ||
          std::abs(qBlue(a) - qBlue(b)) > 48)
        ++count;
    }
  }
  return count;
}

// ---- The library's own GUI thread ----------------------------------------------------------

TEST_F(CfgForm, WindowAndControls) {
  struct Ctl {
    const char* name;
    const char* cls;
    const char16_t* caption;  // nullptr: none to check
    int x, y, w, h;
    const char* parent;
    bool bold;
  };
  // Labels sit 3 pixels below their control; widths of labels follow their text.
  const Ctl controls[] = {
      {"QRTInfoPanel1", "TQRTInfoPanel", nullptr, 0, 0, 546, 64, "CfgForm", false},
      {"pc_Exportservice", "TxpPageControl", nullptr, 8, 71, 529, 424, "CfgForm", false},
      {"btn_OK", "QPushButton", u"Ok", 383, 501, 75, 25, "CfgForm", true},
      {"btn_Cancel", "QPushButton", u"Cancel", 463, 501, 75, 25, "CfgForm", false},
      {"cb_State", "QComboBox", nullptr, 128, 16, 153, 21, "Panel2", false},
      {"cb_Task", "QComboBox", nullptr, 128, 40, 153, 21, "Panel2", false},
      {"cb_Priority", "QComboBox", nullptr, 128, 64, 153, 21, "Panel2", false},
      {"edt_Application", "QLineEdit", nullptr, 128, 97, 377, 21, "Panel2", false},
      {"edt_project", "QComboBox", nullptr, 128, 121, 377, 21, "Panel2", false},
      {"cb_Convert", "QComboBox", nullptr, 128, 153, 377, 21, "Panel2", false},
      {"cb_Script", "QComboBox", nullptr, 128, 186, 377, 21, "Panel2", false},
      {"cb_Post", "QComboBox", nullptr, 128, 210, 377, 21, "Panel2", false},
      {"edt_ExportTitle", "QLineEdit", nullptr, 128, 243, 377, 21, "Panel2", false},
      {"cb_ExportService", "QComboBox", nullptr, 128, 267, 377, 21, "Panel2", false},
      {"cb_EScheme", "QComboBox", nullptr, 128, 291, 377, 21, "Panel2", false},
      {"edt_Destination", "QLineEdit", nullptr, 128, 324, 377, 21, "Panel2", false},
      {"cb_newdocid", "QCheckBox", u"Generate new document id", 128, 359, 217, 17, "Panel2", false},
      {"lbl_State", "QLabel", u"State", 16, 19, -1, 13, "Panel2", true},
      {"lbl_Task", "QLabel", u"Task", 16, 43, -1, 13, "Panel2", true},
      {"lbl_Priority", "QLabel", u"Priority", 16, 67, -1, 13, "Panel2", true},
      {"lbl_Application", "QLabel", u"Application", 16, 100, -1, 13, "Panel2", false},
      {"lbl_Project", "QLabel", u"Project", 16, 124, -1, 13, "Panel2", false},
      {"lbl_Convert", "QLabel", u"Conversion scheme", 16, 156, -1, 13, "Panel2", false},
      {"lbl_Script", "QLabel", u"Script scheme", 16, 189, -1, 13, "Panel2", false},
      {"lbl_Post", "QLabel", u"Post script scheme", 16, 213, -1, 13, "Panel2", false},
      {"lbl_ExportTitle", "QLabel", u"Export title", 16, 246, -1, 13, "Panel2", false},
      {"lbl_ExportService", "QLabel", u"Export service", 16, 270, -1, 13, "Panel2", false},
      {"lbl_EScheme", "QLabel", u"Export scheme", 16, 294, -1, 13, "Panel2", false},
      {"lbl_Destination", "QLabel", u"Destination", 16, 327, -1, 13, "Panel2", false},
      {"edt_Server", "QComboBox", nullptr, 96, 16, 417, 21, "Panel3", false},
      {"lbl_Server", "QLabel", u"Server url", 16, 19, -1, 13, "Panel3", true},
      {"edt_Importfile", "QLineEdit", nullptr, 96, 16, 417, 21, "Panel1", false},
      {"lbl_Importfile", "QLabel", u"Import file ", 16, 19, -1, 13, "Panel1", true},
      {"cb_Include", "QCheckBox", u"Include advanced options (XML)", 96, 43, 217, 17, "Panel1", false},
      {"cb_ByRef", "QCheckBox", u"Blobs by reference", 96, 59, 217, 17, "Panel1", false},
      {"Label1", "QLabel", u"Use default placeholders and %docid in path.", 96, 96, -1, 13, "Panel1", false},
      {"QRTAboutPanel1", "TQRTAboutPanel", nullptr, 0, 0, 527, 399, "ts_About", false},
  };
  WithForm([&](TCfgForm& f) {
    EXPECT_EQ(f.objectName(), QStringLiteral("CfgForm"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Exportservice"));
    EXPECT_EQ(f.size(), QSize(546, 535));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());  // not resizable
    const Qt::WindowFlags flags = f.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f.parent(), nullptr);
    EXPECT_EQ(f.font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(f.font().pixelSize(), 11);
    EXPECT_EQ(QFontInfo(f.font()).family(), QStringLiteral("Tahoma"));  // the font is there

    for (const Ctl& c : controls) {
      SCOPED_TRACE(c.name);
      QWidget* w = f.findChild<QWidget*>(QString::fromLatin1(c.name));
      ASSERT_NE(w, nullptr);
      EXPECT_STREQ(w->metaObject()->className(), c.cls);
      EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(c.parent));
      const QRect g = w->geometry();
      EXPECT_EQ(g.topLeft(), QPoint(c.x, c.y));
      EXPECT_EQ(g.height(), c.h);
      if (c.w >= 0) {
        EXPECT_EQ(g.width(), c.w);
      }
      EXPECT_EQ(w->font().bold(), c.bold);
      EXPECT_EQ(w->isEnabled(), std::string_view(c.name) != "Label1");
      if (c.caption != nullptr) {
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w)) {
          text = l->text();
          EXPECT_EQ(l->textFormat(), Qt::PlainText);
          EXPECT_GE(g.width(), l->sizeHint().width());
        }
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
        EXPECT_EQ(FromQString(text), c.caption);
      }
    }
    EXPECT_EQ(f.pc_Exportservice->ActivePage(), f.ts_Process);
    // The panels: client-aligned, their own colour.
    Activate(f);
    const std::pair<const char*, TxpTabSheet*> panels[] = {
        {"Panel2", f.ts_Process}, {"Panel3", f.ts_z9}, {"Panel1", f.ts_File}};
    for (const auto& [name, page] : panels) {
      auto* panel = f.findChild<ui::TkxPanel*>(QString::fromLatin1(name));
      ASSERT_NE(panel, nullptr) << name;
      EXPECT_EQ(panel->parentWidget(), page) << name;
      EXPECT_FALSE(panel->ParentBackground()) << name;
      EXPECT_EQ(panel->Color(), 15724527) << name;
      EXPECT_EQ(panel->BevelOuter(), ui::TBevelCut::bvNone) << name;
      f.pc_Exportservice->SetActivePage(page);
      QApplication::processEvents();
      EXPECT_EQ(panel->geometry(), page->rect()) << name;
    }
    EXPECT_EQ(f.findChildren<ui::TkxPanel*>().size(), 3);

    // Pages, in order; the page control takes no focus.
    const std::pair<TxpTabSheet*, const char16_t*> pages[] = {
        {f.ts_Process, u"Process"}, {f.ts_z9, u"DRAV"}, {f.ts_File, u"File"}, {f.ts_About, u"About"}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(f.pc_Exportservice->Pages(i), pages[i].first);
      EXPECT_EQ(f.pc_Exportservice->Pages(i)->Caption(), pages[i].second);
    }
    EXPECT_EQ(f.pc_Exportservice->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(f.pc_Exportservice->findChild<QTabBar*>()->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(f.btn_OK->isDefault());

    // Tab order 0 to 12.
    const QWidget* order[] = {f.cb_State,        f.cb_Task,    f.cb_Priority,     f.edt_Application,
                              f.edt_project,     f.cb_Convert, f.cb_Script,       f.cb_Post,
                              f.edt_ExportTitle, f.cb_ExportService, f.cb_EScheme, f.edt_Destination,
                              f.cb_newdocid};
    f.pc_Exportservice->SetActivePage(f.ts_Process);
    const_cast<QWidget*>(order[0])->setFocus();
    for (size_t i = 1; i < std::size(order); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(Focused(), order[i]) << i;
    }
    f.hide();

    // Combo boxes: free text but cb_Priority; no insert; nothing chosen.
    for (QComboBox* box : f.findChildren<QComboBox*>()) {
      SCOPED_TRACE(box->objectName().toStdString());
      EXPECT_EQ(box->isEditable(), box != f.cb_Priority);
      EXPECT_EQ(box->insertPolicy(), QComboBox::NoInsert);
      EXPECT_EQ(box->currentIndex(), -1);
      EXPECT_TRUE(box->currentText().isEmpty());
    }
    EXPECT_EQ(Entries(f.cb_State), (std::vector<std::u16string>{u"IDLE", u"ONHOLD", u"ERROR"}));
    EXPECT_EQ(Entries(f.cb_Task), (std::vector<std::u16string>{u"EXPORT", u"PLUMO"}));
    EXPECT_EQ(Entries(f.cb_Priority),
              (std::vector<std::u16string>{u"Idle", u"Lowest", u"Lower", u"Normal", u"Higher", u"Highest",
                                           u"Timecritical"}));
    // A long text is kept whole.
    const QString longText(70000, QChar(u'x'));
    f.edt_Application->setText(longText);
    f.cb_Convert->setEditText(longText);
    EXPECT_EQ(f.edt_Application->text(), longText);
    EXPECT_EQ(f.cb_Convert->currentText(), longText);
  });
}

TEST_F(CfgForm, ColoursOfFormAndPanelsArePainted) {
  WithForm([&](TCfgForm& f) {
    f.show();
    const QImage image = f.grab().toImage();
    EXPECT_EQ(image.pixelColor(540, 530), QColor(0xE6, 0xE6, 0xE6));  // below the buttons
    const QPoint inPanel = f.Panel2->mapTo(&f, QPoint(10, 380));
    EXPECT_EQ(image.pixelColor(inPanel), QColor(0xEF, 0xEF, 0xEF));
    f.hide();
  });
}

TEST_F(CfgForm, PageControlAndPanelsCarryTheFormsValuesAndPaintThem) {
  WithForm([&](TCfgForm& f) {
    TxpPageControl* pc = f.pc_Exportservice;
    EXPECT_EQ(pc->TabHeight(), 24);  // the styler's, over the form's 22
    EXPECT_EQ(pc->Style(), pcsVANTO);
    EXPECT_EQ(pc->TabPosition(), tpTop);
    EXPECT_EQ(pc->TabTextAlignment(), taCenter);
    EXPECT_EQ(pc->BackgroundColor(), 15132390);
    EXPECT_EQ(pc->BorderColor(), clNone);
    EXPECT_FALSE(pc->OwnerDraw());
    for (TxpTabSheet* page : {f.ts_Process, f.ts_z9, f.ts_File, f.ts_About}) {
      SCOPED_TRACE(page->objectName().toStdString());
      EXPECT_EQ(page->geometry(), QRect(1, 24, 527, 399));
      EXPECT_EQ(page->Color(), clWhite);
      EXPECT_EQ(page->TabColor(), clNone);
      EXPECT_EQ(page->BGStyle(), bgsNone);
      EXPECT_EQ(page->GradientStartColor(), clWhite);
      EXPECT_EQ(page->GradientEndColor(), clSilver);
      EXPECT_EQ(page->GradientFillDir(), fdTopToBottom);
    }
    TQRTInfoPanel* info = f.QRTInfoPanel1;
    EXPECT_EQ(info->Title(), u"Configure exportservice");
    EXPECT_EQ(info->Subject(), kxVCLTools::GetModuleDescription());
    EXPECT_EQ(info->StartColor(), clWhite);
    EXPECT_EQ(info->EndeColor(), 15724527);
    EXPECT_EQ(info->GradientOrientation(), goLeft2Right);
    EXPECT_FALSE(info->Scroll());
    EXPECT_EQ(info->Font().Name(), u"Tahoma");
    TQRTAboutPanel* about = f.QRTAboutPanel1;
    EXPECT_EQ(about->ProgramVersion(), u"Version 1.0.6129.40144 (rel. 1.0.0.0)");  // until the first paint
    EXPECT_TRUE(about->UnicodeReady());
    EXPECT_TRUE(about->Picture().Empty());

    f.show();
    const QImage image = f.grab().toImage();
    const auto at = [&](QWidget* w, int x, int y) { return image.pixelColor(w->mapTo(&f, QPoint(x, y))); };
    // The info panel: white, its gradient from x = 64 to the right, the frame.
    EXPECT_EQ(image.pixelColor(60, 40), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(64 + 241, 60), QColor(247, 247, 247));
    EXPECT_EQ(image.pixelColor(544, 60), QColor(239, 239, 239));
    EXPECT_EQ(image.pixelColor(8, 30), QColor(255, 255, 255));
    // The tab row: the selected tab, an unselected one (E6 darkened by 15),
    // the control's background beside them.
    const TRect selected = pc->TabRect(0), other = pc->TabRect(1);
    EXPECT_EQ(at(pc, selected.Left, selected.Top - 1), QColor(63, 109, 186));
    EXPECT_EQ(at(pc, other.Left, other.Top - 1), QColor(0xD7, 0xD7, 0xD7));
    EXPECT_EQ(at(pc, 500, 5), QColor(0xE6, 0xE6, 0xE6));
    EXPECT_EQ(at(pc, 0, 200), QColor(0xE6, 0xE6, 0xE6));  // left of the page
    // The about page: the library's texts, on its own grey.
    pc->SetActivePage(f.ts_About);
    const QImage aboutImage = f.grab().toImage();
    EXPECT_EQ(aboutImage.pixelColor(about->mapTo(&f, QPoint(300, 300))), QColor(239, 239, 239));
    EXPECT_EQ(about->ProgramVersion(), u"Version " + kxVCLTools::GetModuleVersionText());
    f.hide();
  });
}

// Each page as a picture, against testdata/settingsdialog/cfgform-<page>.png. After
// a deliberate change of the form, refresh the pictures with
//   KX_UPDATE_PICTURES=1 ctest --preset default -R '^ConfigUnit_test$'
// and look at them before committing.
TEST_F(CfgForm, PagesLookAsTheirPictures) {
  const QString folder = QString::fromLocal8Bit(std::getenv("KX_SOURCE_DIR")) + "/testdata/settingsdialog/";
  const bool update = std::getenv("KX_UPDATE_PICTURES") != nullptr;
  WithForm([&](TCfgForm& f) {
    f.show();
    for (const auto& [page, name] : Pages(f)) {
      SCOPED_TRACE(name);
      f.pc_Exportservice->SetActivePage(page);
      QApplication::processEvents();
      const QImage image = f.grab().toImage().convertToFormat(QImage::Format_RGB32);
      const QString file = folder + "cfgform-" + name + ".png";
      if (update) {
        QDir().mkpath(folder);
        ASSERT_TRUE(image.save(file));
        continue;
      }
      const QImage golden = QImage(file).convertToFormat(QImage::Format_RGB32);
      ASSERT_FALSE(golden.isNull()) << file.toStdString();
      ASSERT_EQ(golden.size(), image.size());
      EXPECT_LE(DifferingPixels(golden, image), 40);
    }
    f.hide();
  });
}

// Pictures of the four pages as a window system shows them, for a look by
// eye; CTest does not run this group. Run it under a virtual X server with
// the folder to write to, e.g.
//   KX_SCREENSHOT_DIR=/tmp/shots GTEST_FILTER='Screenshots.*'
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/default/config/ConfigUnit_test
using Screenshots = CfgForm;

TEST_F(Screenshots, OfThePages) {
  const char* folder = std::getenv("KX_SCREENSHOT_DIR");
  if (folder == nullptr) GTEST_SKIP() << "KX_SCREENSHOT_DIR is not set";
  WithForm([&](TCfgForm& f) {
    f.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));  // no window manager activates it
    for (const auto& [page, name] : Pages(f)) {
      f.pc_Exportservice->SetActivePage(page);
      QTest::qWait(200);
      const QPixmap shot = f.screen()->grabWindow(f.winId());
      EXPECT_TRUE(shot.save(QString::fromLocal8Bit(folder) + "/cfgform-" + name + ".png")) << name;
    }
    f.hide();
  });
}

TEST_F(CfgForm, ListsComeFromTheTree) {
  WithForm([&](TCfgForm& f) {
    EXPECT_EQ(Entries(f.cb_ExportService),
              (std::vector<std::u16string>{u"/Mail", u"/PDF/Viewer", u"/PDF/Writer"}));  // no /PDF
    EXPECT_EQ(Entries(f.cb_Convert), (std::vector<std::u16string>{u"/A%2FB", u"/Tiff"}));
    EXPECT_EQ(Entries(f.cb_EScheme), (std::vector<std::u16string>{u"/Archive"}));
    EXPECT_EQ(Entries(f.cb_Script), (std::vector<std::u16string>{u"/Check", u"/Stamp"}));
    EXPECT_EQ(Entries(f.cb_Post), Entries(f.cb_Script));
    EXPECT_EQ(Entries(f.edt_project), (std::vector<std::u16string>{u"/Invoices"}));
    EXPECT_EQ(Entries(f.edt_Server), (std::vector<std::u16string>{u"http://queue:4420/"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(tree_.live, 0);  // both stores freed before the dialog shows
  });
  EXPECT_EQ(tree_.forLists, (std::vector<bool>{true, false}));
}

TEST_F(CfgForm, FillingStopsSilentlyAtAnErrorAndGoesOnAfterAFalseAnswer) {
  tree_.failing = {u"/vanto/Schemes/Conversion"};  // false: the next lists still come
  tree_.throwing = u"/vanto/Schemes/Scripting";     // raises: the filling ends here
  WithForm([&](TCfgForm& f) {
    EXPECT_EQ(f.cb_ExportService->count(), 3);
    EXPECT_EQ(f.cb_Convert->count(), 0);
    EXPECT_EQ(f.cb_EScheme->count(), 1);
    EXPECT_EQ(f.cb_Script->count() + f.cb_Post->count() + f.edt_project->count(), 0);
    EXPECT_EQ(f.cb_State->count(), 3);  // fixed entries stay
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  });
  EXPECT_EQ(tree_.live, 0);
}

TEST_F(CfgForm, ServerAddress) {
  struct Case {
    bool connected, throws;
    std::u16string want;
    int calls;
  };
  const Case cases[] = {
      {true, false, u"http://queue:4420/", 1},
      {false, false, u"http://localhost:4420/", 0},  // unreachable: the default at once
      {true, true, u"", 1},                          // an error escapes: one empty entry
  };
  for (const Case& c : cases) {
    tree_.connected = c.connected;
    tree_.serviceUrlThrows = c.throws;
    tree_.serviceUrlCalls = 0;
    WithForm([&](TCfgForm& f) {
      EXPECT_EQ(Entries(f.edt_Server), std::vector<std::u16string>{c.want});
      EXPECT_TRUE(f.edt_Server->currentText().isEmpty());
      if (!c.connected) {
        EXPECT_EQ(f.cb_Convert->count() + f.cb_ExportService->count(), 0);
      }
    });
    EXPECT_EQ(tree_.serviceUrlCalls, c.calls) << c.connected << c.throws;
  }
  EXPECT_EQ(DefaultServiceUrl(kxESVC_Enterprise, true), u"https://localhost:4040/");
}

// The real store over an installation whose database cannot be opened (the
// data link names a SQLite file that does not exist): the dialog opens with
// empty tree lists and the queue server's default address.
TEST(CfgFormRealStore, UnreachableDatabase) {
  kx::testing::FakeInstallation installation(kx::testing::InstallKind::Installed);
  installation.SetDword(HKEY_LOCAL_MACHINE, u"DbConTimeout", 1);
  WithForm([&](TCfgForm& f) {
    EXPECT_EQ(Entries(f.edt_Server), std::vector<std::u16string>{u"http://localhost:4420/"});
    for (QComboBox* box : {f.cb_ExportService, f.cb_Convert, f.cb_EScheme, f.cb_Script, f.cb_Post,
                           f.edt_project})
      EXPECT_EQ(box->count(), 0) << box->objectName().toStdString();
    EXPECT_EQ(f.cb_State->count(), 3);
  });
}

// The dialog over the real store (one fresh table per engine).
class CfgFormOnStore : public kx::testing::ConfigStoreFixture {
 protected:
  void SetUp() override {
    ConfigStoreFixture::SetUp();
    SetCfgStoreFactoryForTesting(
        [this](bool ForLists) { return NewConfigManagerStore(ForLists, cs_, table_); });
  }
  void TearDown() override {
    SetCfgStoreFactoryForTesting(nullptr);
    ConfigStoreFixture::TearDown();
  }
};

TEST_P(CfgFormOnStore, ListsAndServerComeFromTheStore) {
  using Lines = std::vector<std::u16string>;
  auto lists = [](TCfgForm& f) {
    return std::vector<Lines>{Entries(f.cb_ExportService), Entries(f.cb_Convert), Entries(f.cb_EScheme),
                              Entries(f.cb_Script),        Entries(f.cb_Post),    Entries(f.edt_project)};
  };
  // An empty tree: opening creates the export engines' start node.
  EXPECT_FALSE(NewStore()->ChildNodesExists(u"/vanto/Engines"));
  WithForm([&](TCfgForm& f) {
    EXPECT_EQ(lists(f), std::vector<Lines>(6));
    EXPECT_EQ(Entries(f.edt_Server), Lines{u"http://localhost:4420/"});
  });
  EXPECT_TRUE(NewStore()->ChildNodesExists(u"/vanto/Engines"));
  EXPECT_FALSE(NewStore()->ChildNodesExists(u"/vanto/Engines/Export"));

  {
    auto store = NewStore();
    const char16_t* keys[] = {
        u"/vanto/Engines/Export/Mail",       u"/vanto/Engines/Export/PDF/Viewer",
        u"/vanto/Engines/Export/PDF/Writer", u"/vanto/Schemes/Conversion/A%2FB",
        u"/vanto/Schemes/Conversion/Tiff",   u"/vanto/Schemes/Export/Archive",
        u"/vanto/Schemes/Scripting/Check",   u"/vanto/Schemes/Scripting/Stamp",
        u"/vanto/Software/vanto Plumo/Projects/Invoices"};
    for (const char16_t* key : keys) ASSERT_TRUE(store->SetConfigValue(key, u"Active", kx::testing::Int(1)));
    // A published secure setting shows the address came through the store.
    ASSERT_TRUE(store->SetConfigValue(u"/vanto/Software/Basics/HTTP/SSL", u"Active", Variant::FromBoolean(true)));
  }
  const auto opening = std::chrono::steady_clock::now();
  WithForm([&](TCfgForm& f) {
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - opening);
    RecordProperty("OpeningMs", std::to_string(ms.count()));
    std::printf("[ %s ] dialog opened in %.1f ms\n", GetParam().Name, ms.count());
    EXPECT_EQ(lists(f), (std::vector<Lines>{{u"/Mail", u"/PDF/Viewer", u"/PDF/Writer"},  // no /PDF
                                            {u"/A%2FB", u"/Tiff"},
                                            {u"/Archive"},
                                            {u"/Check", u"/Stamp"},
                                            {u"/Check", u"/Stamp"},
                                            {u"/Invoices"}}));
    EXPECT_EQ(Entries(f.edt_Server), Lines{u"https://localhost:4420/"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  });
}

INSTANTIATE_TEST_SUITE_P(Engines, CfgFormOnStore, ::testing::ValuesIn(kx::testing::kEngines),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CfgForm, PickingOneExportChoiceEmptiesTheOther) {
  WithForm([&](TCfgForm& f) {
    Activate(f);
    auto reset = [&] {
      f.cb_ExportService->setEditText(QStringLiteral("/Mail"));
      f.cb_EScheme->setEditText(QStringLiteral("/x"));
    };
    // Arrow key in the scheme box: a pick.
    reset();
    f.cb_EScheme->setFocus();
    QTest::keyClick(f.cb_EScheme, Qt::Key_Down);
    EXPECT_EQ(f.cb_EScheme->currentText(), QStringLiteral("/Archive"));
    EXPECT_TRUE(f.cb_ExportService->currentText().isEmpty());
    // Arrow key in the service box empties the scheme.
    reset();
    f.cb_ExportService->setFocus();
    QTest::keyClick(f.cb_ExportService, Qt::Key_Down);
    EXPECT_FALSE(f.cb_ExportService->currentText().isEmpty());
    EXPECT_TRUE(f.cb_EScheme->currentText().isEmpty());
    // Typing an entry's text and Return, or leaving the box: no pick.
    reset();
    f.cb_EScheme->setFocus();
    f.cb_EScheme->lineEdit()->selectAll();
    QTest::keyClicks(f.cb_EScheme, QStringLiteral("/Archive"));
    QTest::keyClick(f.cb_EScheme, Qt::Key_Return);
    f.edt_Destination->setFocus();
    EXPECT_EQ(f.cb_EScheme->currentText(), QStringLiteral("/Archive"));
    EXPECT_EQ(f.cb_ExportService->currentText(), QStringLiteral("/Mail"));
    // A click into the popup's list.
    reset();
    f.cb_EScheme->showPopup();
    QAbstractItemView* view = f.cb_EScheme->view();
    const QRect item = view->visualRect(view->model()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    EXPECT_EQ(f.cb_EScheme->currentText(), QStringLiteral("/Archive"));
    EXPECT_TRUE(f.cb_ExportService->currentText().isEmpty());
    f.hide();
  });
}

TEST_F(CfgForm, LeavingTheImportFileBoxMakesItAnXmlFile) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"c:\\out\\doc_%docid.txt", u"c:\\out\\doc_%docid.xml"},
      {u"c:\\out\\doc", u"c:\\out\\doc.xml"},
      {u"c:\\out.d\\doc", u"c:\\out.d\\doc.xml"},
      {u"", u""},
  };
  WithForm([&](TCfgForm& f) {
    Activate(f);
    f.pc_Exportservice->SetActivePage(f.ts_File);
    for (const auto& [text, want] : cases) {
      f.edt_Importfile->setFocus();
      f.edt_Importfile->setText(ToQString(text));
      f.edt_Importfile->clearFocus();  // focus going nowhere is no leaving
      EXPECT_EQ(FromQString(f.edt_Importfile->text()), text);
      f.edt_Importfile->setFocus();
      QTest::keyClick(f.edt_Importfile, Qt::Key_Tab);
      EXPECT_EQ(Focused(), f.cb_Include);
      EXPECT_EQ(FromQString(f.edt_Importfile->text()), want);
    }
    // A page switch moves the focus on as well.
    f.edt_Importfile->setFocus();
    f.edt_Importfile->setText(QStringLiteral("/out/a.txt"));
    f.pc_Exportservice->SetActivePage(f.ts_Process);
    EXPECT_EQ(f.edt_Importfile->text(), QStringLiteral("/out/a.xml"));
    f.hide();
  });
}

TEST(CfgFormOwnThread, SettingsDialogRoundTrip) {
  SettingsRoundTrip();
  // The dialog ran on the library's own thread.
  bool own = false;
  ui::RunOnGuiThread([&] { own = ui::IsGuiThread(); });
  EXPECT_TRUE(own);
  ui::StopGuiThread();
}

// ---- A host application on the calling thread ----------------------------------------------

TEST(HostAppOnCallingThread, SettingsDialogRoundTrip) {
  QApplication app(g_argc, g_argv);
  SettingsRoundTrip();
}

// ---- A host application on another thread -------------------------------------------------

TEST(HostAppOnOtherThread, SettingsDialogRoundTripAndAHostThatTakesNoJobs) {
  std::atomic<QApplication*> appPtr{nullptr};
  std::atomic<bool> run{true};
  std::thread host([&] {
    QApplication app(g_argc, g_argv);
    QApplication::setQuitOnLastWindowClosed(false);
    appPtr = &app;
    app.exec();
    // A host thread that runs no event loop any more.
    while (run) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    appPtr = nullptr;
  });
  while (appPtr == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  SettingsRoundTrip();

  QMetaObject::invokeMethod(appPtr.load(), &QCoreApplication::quit, Qt::QueuedConnection);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ui::SetPostTimeoutForTesting(200);
  kx::plugin::SetSettingsFormFactory(&CreateCfgSettingsForm);
  FakeTree tree = ExampleTree();
  UseStore(tree);
  const Call c = Command(800);
  EXPECT_EQ(c.rc, -1);
  EXPECT_NE(c.error.find(u"the GUI thread did not start the job in time"), std::u16string::npos)
      << ToUtf8(c.error);
  kx::plugin::SetSettingsFormFactory(nullptr);
  SetCfgStoreFactoryForTesting(nullptr);
  ui::SetPostTimeoutForTesting(0);
  run = false;
  host.join();
}

// ---- No dialog: a host application without widgets, no display --------------------------------

TEST(HostWithoutWidgets, CommandAnswersThatItNeedsADisplay) {
  QCoreApplication app(g_argc, g_argv);
  kx::plugin::SetSettingsFormFactory(&CreateCfgSettingsForm);
  const Call c = Command(800);
  EXPECT_EQ(c.rc, -1);
  EXPECT_EQ(c.error, u"unexpected process exception (the settings dialog needs a display)");
  EXPECT_EQ(Command(101).rc, 0);  // the next command still answers
  kx::plugin::SetSettingsFormFactory(nullptr);
}

TEST(NoDisplay, CommandAnswersThatItNeedsADisplay) {
  // CTest runs this group with the xcb platform.
  kx::plugin::SetSettingsFormFactory(&CreateCfgSettingsForm);
  for (const char* display : {"", ":97"}) {
    ::setenv("DISPLAY", display, 1);
    const Call c = Command(800);
    EXPECT_EQ(c.rc, -1) << display;
    EXPECT_EQ(c.error, u"unexpected process exception (the settings dialog needs a display)");
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
  }
  kx::plugin::SetSettingsFormFactory(nullptr);
}

}  // namespace
