// Message box, credentials, clipboard and screen shots over the desktop's Qt
// form and the GUI host, offscreen, on every way of hosting the GUI. Each
// group of tests runs in a process of its own (one Qt application per
// process): CTest runs this binary once per group, selecting it with
// GTEST_FILTER.
#include "system/kxToolsEvo2_Shell.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/desktop/Desktop.h"
#include "platform/desktop_qt/QtDesktop.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/GuiHost.h"
#include "system/kxToolsEvo2_DataLink.h"
#include "tests/support/Process.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace ui = kx::platform::ui;

int g_argc = 1;
char g_name[] = "kxToolsEvo2_QtDesktop_test";
char* g_argv[] = {g_name, nullptr};

// On the GUI thread, waits for the next modal dialog and hands it to Act.
void WhenADialogShows(std::function<void(QWidget*)> Act) {
  ui::RunOnGuiThread([Act] {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, Act] {
      if (QWidget* dialog = QApplication::activeModalWidget()) {
        timer->stop();
        timer->deleteLater();
        Act(dialog);
      }
    });
    timer->start();
  });
}

class QtDesktopTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    kx::platform::InstallQtDesktop();
  }
  void TearDown() override {
    kx::platform::SetDesktopHook(nullptr);
    ScratchFolderTest::TearDown();
  }

  // The checks every hosting path must pass.
  void ShowsTheMessageBox() {
    std::u16string seen;
    WhenADialogShows([&](QWidget* dialog) {
      seen = dialog->objectName().toStdU16String() + u": " +
             static_cast<QMessageBox*>(dialog)->text().toStdU16String();
      static_cast<QMessageBox*>(dialog)->accept();
    });
    EXPECT_TRUE(TkxTools::ShowMessage(Variant::FromOleStr(u"Hello \u00e4")));
    EXPECT_EQ(seen, u"ShowMessage: Hello \u00e4");
  }

  void AsksForCredentials() {
    // Prefilled (cut to the room of the fields), confirmed with new texts.
    UnicodeString user(600, u'u'), password = u"old";
    bool prefilled = false;
    WhenADialogShows([&](QWidget* dialog) {
      auto* userEdit = dialog->findChild<QLineEdit*>(QStringLiteral("UserName"));
      auto* passwordEdit = dialog->findChild<QLineEdit*>(QStringLiteral("Password"));
      prefilled = userEdit->text().size() == 511 && passwordEdit->text() == QStringLiteral("old");
      userEdit->setText(QStringLiteral("ann"));
      passwordEdit->setText(QStringLiteral("s\u00e9cret"));
      static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_TRUE(TkxTools::PromptForCredentials(u"Log on", u"Who are you?", user, password));
    EXPECT_TRUE(prefilled);
    EXPECT_EQ(user, u"ann");
    EXPECT_EQ(password, u"s\u00e9cret");

    // Cancelled: false, and what the dialog held comes back all the same.
    WhenADialogShows([](QWidget* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("Password"))->setText(QStringLiteral("typed"));
      static_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_FALSE(TkxTools::PromptForCredentials(u"Log on", u"Again?", user, password));
    EXPECT_EQ(user, u"ann");
    EXPECT_EQ(password, u"typed");
  }

  void PutsAllThreeFlavoursOnTheClipboard() {
    ASSERT_TRUE(TkxTools::CopyHTMLToClipBoard(u"pl\u00e4in", u"<b>\u00e4</b>"));
    QString text, html;
    QByteArray framed;
    ui::RunOnGuiThread([&] {
      const QMimeData* data = QGuiApplication::clipboard()->mimeData();
      ASSERT_NE(data, nullptr);
      text = data->text();
      html = QString::fromUtf8(data->data(QStringLiteral("text/html")));
      framed = data->data(QStringLiteral("HTML Format"));
    });
    EXPECT_EQ(text, QStringLiteral("pl\u00e4in"));
    EXPECT_EQ(html, QStringLiteral("<b>\u00e4</b>"));
    EXPECT_EQ(framed.toStdString(), TkxTools::detail::HtmlClipboardText(u"<b>\u00e4</b>"));
  }

  // The size a JPEG file decodes to ("width height"), by djpeg.
  std::string DecodedSize(const std::string& File) {
    const auto djpeg = kx::testing::RunBounded({"djpeg", "-pnm", File}, kx::testing::kChildTimeoutMs);
    if (djpeg.ExitCode != 0) return "djpeg: " + std::to_string(djpeg.ExitCode);
    // "P6\n<width> <height>\n255\n..."
    const size_t first = djpeg.Output.find('\n') + 1;
    return djpeg.Output.substr(first, djpeg.Output.find('\n', first) - first);
  }

  void GrabsTheScreenAndTheActiveWindow() {
    if (kx::testing::RunBounded({"djpeg", "-version"}, 10000).ExitCode < 0) GTEST_SKIP() << "no djpeg";
    QSize screen;
    ui::RunOnGuiThread([&] { screen = QGuiApplication::primaryScreen()->geometry().size(); });
    ASSERT_TRUE(TkxTools::TakeScreenShot(U("screen.jpg"), false, 90));
    EXPECT_EQ(DecodedSize(P("screen.jpg")),
              std::to_string(screen.width()) + " " + std::to_string(screen.height()));

    QWidget* window = nullptr;
    ui::RunOnGuiThread([&] {
      window = new QWidget;
      window->setGeometry(40, 30, 320, 200);
      window->show();
      window->activateWindow();
    });
    bool active = false;
    for (int i = 0; i < 200 && !active; ++i) {
      kx::platform::Desktop().PumpEvents();  // a host's thread: events wait for us
      ui::RunOnGuiThread([&] { active = QApplication::activeWindow() == window; });
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(active);
    EXPECT_TRUE(TkxTools::PushApplicationToFront());
    QSize frame;
    ui::RunOnGuiThread([&] { frame = window->frameGeometry().size(); });  // the frame is grabbed too
    EXPECT_TRUE(TkxTools::TakeScreenShot(U("window.jpg"), true, 90));
    EXPECT_EQ(DecodedSize(P("window.jpg")), std::to_string(frame.width()) + " " + std::to_string(frame.height()));
    ui::RunOnGuiThread([&] { delete window; });
  }
};

// ---- The library's own GUI thread ---------------------------------------------------------

using OwnGuiThread = QtDesktopTest;

TEST_F(OwnGuiThread, NothingStartsBeforeTheFirstCall) {
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
  EXPECT_TRUE(ui::GuiAvailable());
  EXPECT_FALSE(ui::IsGuiThread());
}

TEST_F(OwnGuiThread, JobsRunOnTheGuiThreadAndTheirExceptionsComeBack) {
  std::thread::id ran;
  bool gui = false;
  ui::RunOnGuiThread([&] {
    ran = std::this_thread::get_id();
    gui = ui::IsGuiThread();
    ui::RunOnGuiThread([&] { gui = gui && ui::IsGuiThread(); });  // nested: runs at once
  });
  EXPECT_NE(ran, std::this_thread::get_id());
  EXPECT_TRUE(gui);
  EXPECT_FALSE(ui::IsGuiThread());
  try {
    ui::RunOnGuiThread([] { throw EConvertError(u"from the GUI thread"); });
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), u"EConvertError");
    EXPECT_EQ(e.Message, u"from the GUI thread");
  }
}

TEST_F(OwnGuiThread, ShowsTheMessageBox) { ShowsTheMessageBox(); }
TEST_F(OwnGuiThread, AsksForCredentials) { AsksForCredentials(); }
TEST_F(OwnGuiThread, PutsAllThreeFlavoursOnTheClipboard) { PutsAllThreeFlavoursOnTheClipboard(); }
TEST_F(OwnGuiThread, GrabsTheScreenAndTheActiveWindow) { GrabsTheScreenAndTheActiveWindow(); }

TEST_F(OwnGuiThread, StopsItsThreadAndStartsAnewWhenAskedAgain) {
  ui::RunOnGuiThread([] {});
  ui::StopGuiThread();
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
  bool ran = false;
  ui::RunOnGuiThread([&] { ran = true; });
  EXPECT_TRUE(ran);
  kx::platform::UninstallQtDesktop();
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

// ---- A host application on the calling thread ---------------------------------------------

using HostAppOnCallingThread = QtDesktopTest;

TEST_F(HostAppOnCallingThread, JobsRunAtOnceAndDialogsWork) {
  QApplication app(g_argc, g_argv);
  std::thread::id ran;
  ui::RunOnGuiThread([&] { ran = std::this_thread::get_id(); });
  EXPECT_EQ(ran, std::this_thread::get_id());
  EXPECT_TRUE(ui::IsGuiThread());
  ShowsTheMessageBox();
  AsksForCredentials();
  PutsAllThreeFlavoursOnTheClipboard();
  GrabsTheScreenAndTheActiveWindow();
  kx::platform::Desktop().PumpEvents();
}

// ---- A host application on another thread -------------------------------------------------

class HostAppOnOtherThread : public QtDesktopTest {
 protected:
  void SetUp() override {
    QtDesktopTest::SetUp();
    host_ = std::thread([this] {
      QApplication app(g_argc, g_argv);
      QApplication::setQuitOnLastWindowClosed(false);  // a host keeps its main window
      app_ = &app;
      app.exec();
      app_ = nullptr;
    });
    while (app_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  void TearDown() override {
    QMetaObject::invokeMethod(app_.load(), &QCoreApplication::quit, Qt::QueuedConnection);
    host_.join();
    ui::SetPostTimeoutForTesting(0);
    QtDesktopTest::TearDown();
  }
  std::thread host_;
  std::atomic<QApplication*> app_{nullptr};
};

// One test: a second QApplication on a new thread in the same process would
// not get GLib's main context.
TEST_F(HostAppOnOtherThread, JobsArePostedToTheHostsThreadAndWithdrawnWhenNotTaken) {
  std::thread::id ran;
  ui::RunOnGuiThread([&] { ran = std::this_thread::get_id(); });
  EXPECT_EQ(ran, host_.get_id());
  ShowsTheMessageBox();
  AsksForCredentials();
  PutsAllThreeFlavoursOnTheClipboard();
  GrabsTheScreenAndTheActiveWindow();

  std::atomic<bool> release{false};
  std::atomic<bool> blocking{false};
  QMetaObject::invokeMethod(app_.load(), [&] {
    blocking = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }, Qt::QueuedConnection);
  while (!blocking) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ui::SetPostTimeoutForTesting(200);
  std::atomic<bool> withdrawn{false};
  EXPECT_THROW(ui::RunOnGuiThread([&] { withdrawn = true; }), ui::EGuiUnavailable);
  release = true;
  bool next = false;
  ui::RunOnGuiThread([&] { next = true; });  // the host takes jobs again
  EXPECT_TRUE(next);
  EXPECT_FALSE(withdrawn);  // the withdrawn job never ran
}

// ---- A host application without widgets ----------------------------------------------------

using HostWithoutWidgets = QtDesktopTest;

TEST_F(HostWithoutWidgets, TheDesktopAnswersHeadless) {
  QCoreApplication app(g_argc, g_argv);
  UnicodeString reason;
  EXPECT_FALSE(ui::GuiAvailable(&reason));
  EXPECT_EQ(reason, u"the host's Qt application cannot show windows");
  EXPECT_THROW(ui::RunOnGuiThread([] {}), ui::EGuiUnavailable);
  EXPECT_TRUE(TkxTools::ShowMessage(Variant::FromOleStr(u"x")));
  UnicodeString user = u"a", password = u"b";
  EXPECT_FALSE(TkxTools::PromptForCredentials(u"c", u"m", user, password));
  EXPECT_EQ(user + password, u"ab");
  EXPECT_THROW(TkxTools::CopyHTMLToClipBoard(u"a", u"<i>a</i>"), EClipboardException);
  EXPECT_FALSE(TkxTools::TakeScreenShot(U("x.jpg"), false, 80));
  EXPECT_TRUE(TkxTools::PushApplicationToFront());
}

// ---- No display --------------------------------------------------------------------------

using NoDisplay = QtDesktopTest;

TEST_F(NoDisplay, TheDesktopAnswersHeadlessInsteadOfAborting) {
  // CTest runs this group with the xcb platform and no DISPLAY; then with a
  // display where no X server listens.
  for (const char* display : {"", ":97"}) {
    ::setenv("DISPLAY", display, 1);
    UnicodeString reason;
    EXPECT_FALSE(ui::GuiAvailable(&reason)) << display;
    EXPECT_EQ(reason.rfind(u"no display", 0), 0u) << ToUtf8(reason);
    EXPECT_THROW(ui::RunOnGuiThread([] {}), ui::EGuiUnavailable);
    EXPECT_TRUE(TkxTools::ShowMessage(Variant::FromOleStr(u"x")));
    UnicodeString user = u"a", password = u"b";
    EXPECT_FALSE(TkxTools::PromptForCredentials(u"c", u"m", user, password));
    EXPECT_THROW(TkxTools::CopyHTMLToClipBoard(u"a", u"<i>a</i>"), EClipboardException);
    EXPECT_FALSE(TkxTools::TakeScreenShot(U("x.jpg"), false, 80));
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
  }
  ::setenv("QT_QPA_PLATFORM", "vnc", 1);
  EXPECT_FALSE(ui::GuiAvailable());
}

}  // namespace
