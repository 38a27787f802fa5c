#include "config/kxStyler.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <map>

#include "config/QRTAboutPanel.h"
#include "config/xpPages.h"
#include "platform/ui/GuiHost.h"
#include "platform/ui/Panel.h"
#include "platform/ui/QtConvert.h"
#include "tests/support/FakeInstallation.h"
#include "tests/support/QtTestApplication.h"

namespace ui = kx::platform::ui;
using kx::testing::FakeInstallation;
using kx::testing::InstallKind;

// Two objects that lead to each other through their properties.
class LoopObject : public QObject {
  Q_OBJECT
  Q_PROPERTY(QObject* Next READ Next)
  Q_PROPERTY(QFont Font READ Font WRITE SetFont)
  Q_PROPERTY(QObjectList Collection READ Collection)

 public:
  QObject* Next() const { return next; }
  QFont Font() const { return font; }
  void SetFont(const QFont& Value) { font = Value; }
  QObjectList Collection() const { return items; }
  QObject* next = nullptr;
  QFont font{QStringLiteral("Arial")};
  QObjectList items;
};

namespace {

QString Family(const QWidget* w) { return w->font().family(); }

class StylerTest : public ::testing::Test {
 protected:
  void SetUp() override { kx::testing::QtTestApplication(); }
};

TEST_F(StylerTest, PrepareFormAppliesTheFirstMatchingCase) {
  QWidget form;
  auto* panel = new ui::TkxPanel(&form);
  auto* memo = new QPlainTextEdit(&form);
  auto* list = new QListView(&form);
  auto* scroll = new QScrollArea(&form);
  auto* speed = new QToolButton(&form);
  auto* pages = new TxpPageControl(&form);
  auto* sheet = new TxpTabSheet(pages);
  auto* rich = new QTextEdit(&form);
  auto* label = new QLabel(&form);
  auto* button = new QPushButton(&form);
  const QFont before = button->font();
  kxStyler::SetThemedForTesting(std::nullopt);
  TkxStyler::UpdateForm(&form);

  for (const char* flag : {"Scaled", "AutoScroll", "AutoSize"}) EXPECT_FALSE(form.property(flag).toBool()) << flag;
  EXPECT_TRUE(form.property("DoubleBuffered").toBool());
  EXPECT_FALSE(panel->ParentBackground());
  EXPECT_FALSE(panel->property("FullRepaint").toBool());
  EXPECT_TRUE(panel->property("FullRepaint").isValid());
  for (QWidget* w : {static_cast<QWidget*>(panel), static_cast<QWidget*>(memo), static_cast<QWidget*>(list),
                     static_cast<QWidget*>(scroll), static_cast<QWidget*>(pages), static_cast<QWidget*>(sheet),
                     static_cast<QWidget*>(button)})
    EXPECT_TRUE(w->property("DoubleBuffered").toBool()) << w->metaObject()->className();
  EXPECT_EQ(pages->TabHeight(), 24);
  EXPECT_FALSE(pages->property("ParentDoubleBuffered").toBool());
  EXPECT_TRUE(pages->property("ParentDoubleBuffered").isValid());
  EXPECT_FALSE(rich->property("DoubleBuffered").toBool());  // a rich edit ends without
  EXPECT_TRUE(rich->property("DoubleBuffered").isValid());
  EXPECT_FALSE(label->property("DoubleBuffered").isValid());  // not windowed
  EXPECT_FALSE(speed->property("DoubleBuffered").isValid());
  EXPECT_EQ(button->font(), before);  // no font changes
}

class AppFormsTest : public StylerTest {
 protected:
  void SetUp() override {
    StylerTest::SetUp();
    form_ = new QWidget;
    form_->setObjectName(QStringLiteral("Form"));
    ui::AddApplicationForm(form_);
    auto add = [&](const char* name, const char* family) {
      auto* b = new QPushButton(form_);
      b->setObjectName(QString::fromLatin1(name));
      b->setFont(QFont(QString::fromLatin1(family)));
      return b;
    };
    courierNew_ = add("courierNew", "Courier New");
    newFont_ = add("newFont", "New");
    lower_ = add("lower", "courier new");
    unnamed_ = add("", "Arial");
    about_ = new TQRTAboutPanel(form_);
    about_->setObjectName(QStringLiteral("about"));
    dialog_ = new QWidget;  // no owner: not one of the application's forms
    dialog_->setObjectName(QStringLiteral("CfgForm"));
    dialog_->setFont(QFont(QStringLiteral("Tahoma")));
  }
  void TearDown() override {
    delete form_;
    delete dialog_;
  }
  QWidget* form_;
  QWidget* dialog_;
  QPushButton *courierNew_, *newFont_, *lower_, *unnamed_;
  TQRTAboutPanel* about_;
};

TEST_F(AppFormsTest, ChangeFontKeepsPreservedFontsAndAddsTheDeltaOnEveryCall) {
  about_->Font().SetSize(8);
  TkxStyler::ChangeFont(u"Verdana", 2, u"Consolas,Courier,Courier New,Lucida Console");
  EXPECT_EQ(Family(courierNew_), QStringLiteral("Courier New"));
  EXPECT_EQ(Family(newFont_), QStringLiteral("New"));  // "New," occurs in the list + ","
  EXPECT_EQ(Family(lower_), QStringLiteral("Verdana"));  // the search minds case
  EXPECT_EQ(Family(unnamed_), QStringLiteral("Arial"));  // no name: left alone
  EXPECT_EQ(Family(form_), QStringLiteral("Verdana"));
  EXPECT_EQ(about_->Font().Name(), u"Verdana");  // the panel's own font record
  EXPECT_EQ(about_->Font().Size(), 10);
  TkxStyler::ChangeFont(u"Verdana", 2, u"Consolas,Courier,Courier New,Lucida Console");
  EXPECT_EQ(about_->Font().Size(), 12);
  EXPECT_EQ(Family(dialog_), QStringLiteral("Tahoma"));
}

TEST_F(AppFormsTest, PropertiesAreReportedWithTheirPathsAndKinds) {
  std::map<std::u16string, std::pair<TTypeKind, Variant>> seen;
  std::vector<std::u16string> events;
  auto record = [&](const UnicodeString& path, const UnicodeString&, TTypeKind kind, const Variant& value) {
    if (kind == tkMethod) events.push_back(path);
    seen[path] = {kind, value};
  };
  about_->SetPictureLeft(40);
  TkxStyler::GetProperties(about_, u"", u"", 0, false, record);
  EXPECT_EQ(seen[u"about.PictureLeft"].first, tkInteger);
  EXPECT_EQ(seen[u"about.PictureLeft"].second.ToInteger(), 40);
  EXPECT_EQ(seen[u"about.UnicodeReady"].first, tkEnumeration);
  EXPECT_EQ(seen[u"about.ProductName"].first, tkUString);
  EXPECT_EQ(seen[u"about.Font"].first, tkClass);
  EXPECT_EQ(seen[u"about.Font.Name"].second.ToString(), u"Tahoma");
  EXPECT_EQ(seen[u"about.Font.Size"].second.ToInteger(), 8);
  EXPECT_EQ(seen[u"about.objectName"].second.ToString(), u"about");  // base classes' too
  EXPECT_TRUE(events.empty());
  TkxStyler::GetProperties(about_, u"", u"", 0, true, record);
  EXPECT_NE(std::find(events.begin(), events.end(), u"about.destroyed"), events.end());

  // An object without a name at the top reports nothing.
  seen.clear();
  TkxStyler::GetProperties(unnamed_, u"", u"", 0, false, record);
  EXPECT_TRUE(seen.empty());
}

TEST_F(AppFormsTest, WalksEndAtObjectsThatLeadInACircle) {
  LoopObject a, b, item;
  a.setObjectName(QStringLiteral("a"));
  b.setObjectName(QStringLiteral("b"));
  a.next = &b;
  b.next = &a;
  a.items = {&item, &item};
  int reports = 0;
  TkxStyler::GetProperties(&a, u"", u"", 0, false,
                           [&](const UnicodeString& path, const UnicodeString&, TTypeKind, const Variant&) {
                             ++reports;
                             EXPECT_LT(path.size(), 200u);
                           });
  EXPECT_GT(reports, 0);
  TkxStyler::ChangeFont(u"Verdana", 0, u"");  // sets the walk's values
  kxStyler::ApplyFontToObject(&a, u"", 0);
  EXPECT_EQ(a.font.family(), QStringLiteral("Verdana"));
  EXPECT_EQ(b.font.family(), QStringLiteral("Verdana"));
  EXPECT_EQ(item.font.family(), QStringLiteral("Verdana"));
}

TEST_F(AppFormsTest, TheFirstActivationRestylesOnceAndTheDialogKeepsItsFont) {
  FakeInstallation install(InstallKind::Installed);
  install.WriteFile(install.Root() + "cfg/kxStyle.xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><kxStyle><FontName>Verdana</FontName>"
                    "<FontSize>8</FontSize><FontSizeDelta>0</FontSizeDelta>"
                    "<PreserveFonts>Courier New</PreserveFonts></kxStyle>");
  auto* pages = new TxpPageControl(form_);
  kxStyler::InitializeModule();
  EXPECT_TRUE(ui::ActivationHookPending());
  EXPECT_FALSE(kxStyler::VistaAltFix()->Active());  // inert
  EXPECT_EQ(Family(lower_), QStringLiteral("courier new"));
  QEvent activate(QEvent::ApplicationActivate);
  QCoreApplication::sendEvent(qApp, &activate);
  EXPECT_EQ(Family(lower_), QStringLiteral("Verdana"));
  EXPECT_EQ(Family(courierNew_), QStringLiteral("Courier New"));
  EXPECT_EQ(pages->TabHeight(), 24);
  EXPECT_EQ(Family(dialog_), QStringLiteral("Tahoma"));

  lower_->setFont(QFont(QStringLiteral("Arial")));
  QCoreApplication::sendEvent(qApp, &activate);
  EXPECT_EQ(Family(lower_), QStringLiteral("Arial"));  // the second activation restyles nothing

  // Unloading withdraws a hook that has not run.
  kxStyler::FinalizeModule();
  kxStyler::InitializeModule();
  EXPECT_TRUE(ui::ActivationHookPending());
  kxStyler::FinalizeModule();
  EXPECT_FALSE(ui::ActivationHookPending());
  EXPECT_EQ(kxStyler::VistaAltFix(), nullptr);
}

TEST_F(AppFormsTest, WithoutAStyleFileTheActivationOnlyPreparesTheForms) {
  FakeInstallation install(InstallKind::Installed);
  auto* pages = new TxpPageControl(form_);
  kxStyler::InitializeModule();
  QEvent activate(QEvent::ApplicationActivate);
  QCoreApplication::sendEvent(qApp, &activate);
  EXPECT_EQ(Family(lower_), QStringLiteral("courier new"));
  EXPECT_EQ(pages->TabHeight(), 24);
  kxStyler::FinalizeModule();
}

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++counts[watched];
    return false;
  }
  std::map<QObject*, int> counts;
};

TEST_F(StylerTest, TheRepaintFixRepaintsFormsThatReceivedTheKeyboardCues) {
  QWidget form;
  auto* button = new QPushButton(QStringLiteral("Ok"), &form);
  auto* pages = new TxpPageControl(&form);
  pages->setGeometry(0, 40, 200, 150);
  auto* shown = new TxpTabSheet(pages);
  auto* hidden = new TxpTabSheet(pages);
  auto* onShown = new QPushButton(shown);
  auto* onHidden = new QPushButton(hidden);
  pages->SetActivePage(shown);
  form.resize(300, 200);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QCoreApplication::processEvents();

  TVistaAltFix inert;
  EXPECT_FALSE(inert.Active());

  kxStyler::SetThemedForTesting(true);
  for (bool repaintAll : {true, false}) {
    TVistaAltFix fix;
    ASSERT_TRUE(fix.Active());
    fix.SetRepaintAll(repaintAll);
    fix.VistaAltFixIdle();  // the form joins the list
    ASSERT_EQ(fix.List()->size(), QApplication::topLevelWidgets().size());
    PaintCounter counter;
    for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(shown), static_cast<QWidget*>(onShown),
                       static_cast<QWidget*>(onHidden), static_cast<QWidget*>(pages)})
      w->installEventFilter(&counter);
    fix.VistaAltFixIdle();
    EXPECT_TRUE(counter.counts.empty()) << "no keyboard cues, no repaint";
    QEvent cues(kxStyler::KeyboardCuesEvent());
    QCoreApplication::sendEvent(&form, &cues);
    fix.VistaAltFixIdle();
    if (repaintAll) {  // a repaint takes the children along: at least once each
      EXPECT_GE(counter.counts[button], 1);
      EXPECT_GE(counter.counts[onShown], 1);
      EXPECT_GE(counter.counts[pages], 1);
    } else {
      EXPECT_EQ(counter.counts[button], 1);
      EXPECT_EQ(counter.counts[onShown], 1);
      EXPECT_EQ(counter.counts[onHidden], 0);  // on a page that is not shown
    }
    counter.counts.clear();
    fix.VistaAltFixIdle();
    EXPECT_TRUE(counter.counts.empty()) << "once per keyboard-cue event";
    for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(shown), static_cast<QWidget*>(onShown),
                       static_cast<QWidget*>(onHidden), static_cast<QWidget*>(pages)})
      w->removeEventFilter(&counter);
  }
  {
    TVistaAltFix fix;
    auto* extra = new QWidget;
    extra->show();
    fix.VistaAltFixIdle();
    const size_t with = fix.List()->size();
    delete extra;
    fix.VistaAltFixIdle();
    EXPECT_EQ(fix.List()->size(), with - 1);  // a form that left is dropped
  }
  kxStyler::SetThemedForTesting(std::nullopt);
}

}  // namespace

#include "kxStyler_test.moc"
