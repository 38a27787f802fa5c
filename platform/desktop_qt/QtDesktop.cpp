#include "platform/desktop_qt/QtDesktop.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/desktop/Desktop.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/GuiHost.h"

namespace kx::platform {
namespace {

QString ToQ(const UnicodeString& Text) {
  return QString(reinterpret_cast<const QChar*>(Text.data()), static_cast<qsizetype>(Text.size()));
}
UnicodeString FromQ(const QString& Text) {
  return UnicodeString(reinterpret_cast<const char16_t*>(Text.utf16()), static_cast<size_t>(Text.size()));
}

void CentreOnScreen(QWidget& Window) {
  Window.adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = Window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    Window.move(frame.topLeft());
  }
}

// The application's main window: the active one, else the first visible
// top-level window.
QWidget* MainWindow() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->isWindow()) return widget;
  return nullptr;
}

class QtDesktop final : public DesktopHook {
 public:
  bool ShowMessage(const UnicodeString& Text) override {
    if (!ui::GuiAvailable()) return HeadlessDesktop().ShowMessage(Text);
    ui::RunOnGuiThread([&] {
      QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), ToQ(Text),
                      QMessageBox::Ok);
      box.setObjectName(QStringLiteral("ShowMessage"));
      CentreOnScreen(box);
      box.exec();
    });
    return true;
  }

  bool PromptForCredentials(const UnicodeString& Caption, const UnicodeString& Message,
                            UnicodeString& UserName, UnicodeString& Password) override {
    if (!ui::GuiAvailable())
      return HeadlessDesktop().PromptForCredentials(Caption, Message, UserName, Password);
    bool confirmed = false;
    ui::RunOnGuiThread([&] {
      QDialog dialog;
      dialog.setObjectName(QStringLiteral("PromptForCredentials"));
      dialog.setWindowTitle(ToQ(Caption));
      auto* layout = new QVBoxLayout(&dialog);
      auto* message = new QLabel(ToQ(Message));
      message->setTextFormat(Qt::PlainText);
      message->setWordWrap(true);
      layout->addWidget(message);
      auto* form = new QFormLayout;
      auto* user = new QLineEdit;
      user->setObjectName(QStringLiteral("UserName"));
      user->setMaxLength(kUserNameUnits);
      user->setText(ToQ(UserName.substr(0, kUserNameUnits)));
      auto* password = new QLineEdit;
      password->setObjectName(QStringLiteral("Password"));
      password->setMaxLength(kPasswordUnits);
      password->setEchoMode(QLineEdit::Password);
      password->setText(ToQ(Password.substr(0, kPasswordUnits)));
      form->addRow(QObject::tr("User name:"), user);
      form->addRow(QObject::tr("Password:"), password);
      layout->addLayout(form);
      auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
      QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
      QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
      layout->addWidget(buttons);
      CentreOnScreen(dialog);
      confirmed = dialog.exec() == QDialog::Accepted;
      UserName = FromQ(user->text());
      Password = FromQ(password->text());
    });
    return confirmed;
  }

  void CopyToClipboard(const ClipboardContent& Content) override {
    if (!ui::GuiAvailable()) return HeadlessDesktop().CopyToClipboard(Content);
    ui::RunOnGuiThread([&] {
      QClipboard* clipboard = QGuiApplication::clipboard();
      if (clipboard == nullptr) throw EClipboardException(u"The clipboard cannot be opened");
      auto* data = new QMimeData;
      data->setText(ToQ(Content.PlainText));
      data->setData(QStringLiteral("text/html"),
                    QByteArray(Content.HtmlUtf8.data(), static_cast<qsizetype>(Content.HtmlUtf8.size())));
      data->setData(QStringLiteral("HTML Format"),
                    QByteArray(Content.HtmlFormat.data(), static_cast<qsizetype>(Content.HtmlFormat.size())));
      clipboard->setMimeData(data);  // the clipboard owns it now
    });
  }

  bool GrabScreenJpeg(bool ActiveWindow, int32_t Quality, std::string& Jpeg) override {
    if (!ui::GuiAvailable()) return HeadlessDesktop().GrabScreenJpeg(ActiveWindow, Quality, Jpeg);
    bool grabbed = false;
    ui::RunOnGuiThread([&] {
      QScreen* screen = QGuiApplication::primaryScreen();
      if (screen == nullptr) return;
      QPixmap picture;
      QWidget* window = ActiveWindow ? QApplication::activeWindow() : nullptr;
      if (window != nullptr) {
        const QRect frame = window->frameGeometry();
        picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
      } else {
        picture = screen->grabWindow(0);
      }
      if (picture.isNull()) return;
      const QImage image = picture.toImage().convertToFormat(QImage::Format_RGB888);
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      if (!image.save(&buffer, "JPEG", Quality < 1 ? 1 : (Quality > 100 ? 100 : Quality))) return;
      Jpeg.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
      grabbed = true;
    });
    return grabbed;
  }

  bool RaiseMainWindow() override {
    if (!ui::GuiAvailable() || QCoreApplication::instance() == nullptr) return true;
    try {
      ui::RunOnGuiThread([] {
        if (QWidget* window = MainWindow()) {
          window->raise();
          window->activateWindow();
        }
      });
    } catch (...) {
    }
    return true;
  }

  void PumpEvents() override {
    if (ui::IsGuiThread()) QCoreApplication::processEvents();
  }

 private:
  static constexpr int kUserNameUnits = 511;
  static constexpr int kPasswordUnits = 255;
};

}  // namespace

void InstallQtDesktop() {
  static QtDesktop desktop;  // made here, not by a load-time initialiser
  SetDesktopHook(&desktop);
}

void UninstallQtDesktop() {
  SetDesktopHook(nullptr);
  ui::StopGuiThread();
}

}  // namespace kx::platform
