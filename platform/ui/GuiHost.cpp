#include "platform/ui/GuiHost.h"

#include <dlfcn.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <QStyleFactory>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace kx::platform::ui {
namespace {

using std::chrono::milliseconds;

constexpr int kDefaultPostTimeoutMs = 30000;
constexpr int kStopTimeoutMs = 5000;
std::atomic<int> g_postTimeoutMs{kDefaultPostTimeoutMs};

// Keeps the library loaded for the rest of the process.
void PinLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    Dl_info info;
    if (::dladdr(reinterpret_cast<void*>(&PinLibrary), &info) != 0 && info.dli_fname != nullptr)
      ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  });
}

std::string QpaPlatform() {
  const char* env = std::getenv("QT_QPA_PLATFORM");
  std::string name = env != nullptr ? env : "";
  name = name.substr(0, name.find(';'));
  name = name.substr(0, name.find(':'));
  return name.empty() ? "xcb" : name;
}

bool DisplayUsable(UnicodeString& Reason) {
  const std::string platform = QpaPlatform();
  if (platform == "offscreen" || platform == "minimal") return true;
  if (platform == "xcb") {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
      Reason = u"no display: DISPLAY is not set";
      return false;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!ok) Reason = u"no display: the X server of DISPLAY " + ToUtf16(display) + u" cannot be reached";
    return ok;
  }
  if (platform == "wayland" || platform.starts_with("wayland-")) {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display != nullptr && *display != '\0') return true;
    Reason = u"no display: WAYLAND_DISPLAY is not set";
    return false;
  }
  Reason = u"no display: the Qt platform " + ToUtf16(platform) + u" is not supported";
  return false;
}

void StopOwnGuiThreadAtExit(void*);

// A process that exits with our GUI thread running destroys Qt's statics in
// its exit handlers, the last registered first, and the application must
// not be destroyed after them. So a stop for exit is registered when the
// application exists and again after each job (Qt makes statics as it goes),
// with the C library's own registration (the plug-in keeps the
// registrations of its own code until it unloads, after every exit handler).
// The stop ends the event loop and parks the thread for the rest of the
// process, its application left as it is.
void StopAtExit() {
  using Register = int (*)(void (*)(void*), void*, void*);
  static const auto real = reinterpret_cast<Register>(::dlsym(RTLD_DEFAULT, "__cxa_atexit"));
  if (real != nullptr) real(&StopOwnGuiThreadAtExit, nullptr, nullptr);
}

// The library's own GUI thread.
class OwnGuiThread {
 public:
  // Starts it when it is not running; false with Reason when the
  // application cannot be made.
  bool Ensure(UnicodeString& Reason) {
    std::unique_lock lock(mutex_);
    if (state_ == State::Running) return true;
    if (state_ == State::Stopping) {
      Reason = u"the GUI thread is ending";
      return false;
    }
    if (!DisplayUsable(Reason)) return false;
    PinLibrary();
    state_ = State::Starting;
    thread_ = std::thread([this] { Run(); });
    changed_.wait(lock, [this] { return state_ != State::Starting; });
    if (state_ == State::Running) return true;
    Reason = u"the GUI thread could not make its application";
    lock.unlock();
    thread_.join();
    return false;
  }

  void Stop() {
    std::unique_lock lock(mutex_);
    if (state_ != State::Running) return;
    state_ = State::Stopping;
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    const bool ended = changed_.wait_for(lock, milliseconds(kStopTimeoutMs),
                                         [this] { return state_ == State::Stopped; });
    lock.unlock();
    if (ended) {
      thread_.join();
    } else {
      // A modal dialog still runs: leave the thread (the library is pinned);
      // it marks itself stopped when its loop ends, and no new GUI thread
      // starts before that.
      thread_.detach();
    }
  }

  // The process exits: the event loop ends and the thread parks (see
  // StopAtExit); bounded as Stop.
  void StopForExit() {
    std::unique_lock lock(mutex_);
    if (state_ != State::Running) return;
    exiting_ = true;
    state_ = State::Stopping;
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    changed_.wait_for(lock, milliseconds(kStopTimeoutMs), [this] { return state_ == State::Parked; });
    lock.unlock();
    thread_.detach();
  }

  bool Owns(const QCoreApplication* App) const { return App != nullptr && App == app_.load(); }

  ~OwnGuiThread() { Stop(); }

 private:
  enum class State { Stopped, Starting, Running, Stopping, Parked };

  void Run() {
    static int argc = 1;
    static char name[] = "kxexport";
    static char* argv[] = {name, nullptr};
    try {
      auto app = std::make_unique<QApplication>(argc, argv);
      QApplication::setQuitOnLastWindowClosed(false);
      if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(style);
      app_ = app.get();
      StopAtExit();
      Set(State::Running);
      app->exec();
      if (exiting_) {
        Set(State::Parked);
        app.release();  // Qt's statics are going: nothing of Qt may run again
        for (;;) ::pause();
      }
      app_ = nullptr;
    } catch (...) {
    }
    Set(State::Stopped);
  }

  void Set(State value) {
    {
      std::lock_guard lock(mutex_);
      state_ = value;
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Stopped;
  std::atomic<bool> exiting_{false};
  std::atomic<QCoreApplication*> app_{nullptr};
  std::thread thread_;
};

OwnGuiThread& Own() {
  static OwnGuiThread thread;
  return thread;
}

void StopOwnGuiThreadAtExit(void*) { Own().StopForExit(); }

// A job posted to another thread's event loop. The caller waits until the
// job has run; a job withdrawn before it started never touches the caller's
// objects.
struct PostedJob {
  enum class State { Waiting, Running, Done, Withdrawn };
  std::mutex mutex;
  std::condition_variable changed;
  State state = State::Waiting;
  const std::function<void()>* job = nullptr;
  std::exception_ptr error;
};

void RunPosted(QCoreApplication* App, const std::function<void()>& Job) {
  PinLibrary();
  auto posted = std::make_shared<PostedJob>();
  posted->job = &Job;
  const bool queued = QMetaObject::invokeMethod(
      App,
      [posted] {
        {
          std::lock_guard lock(posted->mutex);
          if (posted->state != PostedJob::State::Waiting) return;
          posted->state = PostedJob::State::Running;
        }
        std::exception_ptr error;
        try {
          (*posted->job)();
        } catch (...) {
          error = std::current_exception();
        }
        {
          std::lock_guard lock(posted->mutex);
          posted->error = error;
          posted->state = PostedJob::State::Done;
        }
        posted->changed.notify_all();
      },
      Qt::QueuedConnection);
  if (!queued) throw EGuiUnavailable(u"the GUI thread does not take jobs");
  std::unique_lock lock(posted->mutex);
  const bool started = posted->changed.wait_for(lock, milliseconds(g_postTimeoutMs.load()), [&] {
    return posted->state != PostedJob::State::Waiting;
  });
  if (!started) {
    posted->state = PostedJob::State::Withdrawn;
    throw EGuiUnavailable(u"the GUI thread did not start the job in time");
  }
  posted->changed.wait(lock, [&] { return posted->state == PostedJob::State::Done; });
  if (posted->error) std::rethrow_exception(posted->error);
}

class ActivationFilter;
struct ActivationState {
  std::mutex mutex;
  std::function<void()> pending;      // handed over, not yet installed
  QPointer<ActivationFilter> filter;  // installed, not yet run
};
ActivationState& Activation() {
  static ActivationState state;
  return state;
}

// The first activation's hook, as an event filter on the application.
class ActivationFilter : public QObject {
 public:
  explicit ActivationFilter(std::function<void()> Hook) : hook_(std::move(Hook)) {}
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::ApplicationActivate && Watched == QCoreApplication::instance()) {
      std::function<void()> hook = std::move(hook_);
      Watched->removeEventFilter(this);
      {
        std::lock_guard lock(Activation().mutex);
        if (Activation().filter == this) Activation().filter = nullptr;
      }
      deleteLater();
      if (hook) {
        try {
          hook();
        } catch (...) {
        }
      }
    }
    return false;
  }

 private:
  std::function<void()> hook_;
};


// On the GUI thread: installs a pending hook on App.
void InstallActivationHook(QCoreApplication* App) {
  ActivationState& state = Activation();
  std::function<void()> hook;
  {
    std::lock_guard lock(state.mutex);
    if (!state.pending) return;
    hook = std::move(state.pending);
    state.pending = nullptr;
  }
  auto* filter = new ActivationFilter(std::move(hook));
  App->installEventFilter(filter);
  std::lock_guard lock(state.mutex);
  state.filter = filter;
}

std::vector<QPointer<QWidget>>& Forms() {
  static std::vector<QPointer<QWidget>> forms;
  return forms;
}

}  // namespace

void AddApplicationForm(QWidget* Form) {
  if (Form != nullptr) Forms().emplace_back(Form);
}

std::vector<QWidget*> ApplicationForms() {
  std::vector<QWidget*> living;
  auto& forms = Forms();
  std::erase_if(forms, [](const QPointer<QWidget>& f) { return f.isNull(); });
  for (const auto& form : forms) living.push_back(form.data());
  return living;
}

void SetActivationHook(std::function<void()> Hook) {
  ClearActivationHook();
  {
    std::lock_guard lock(Activation().mutex);
    Activation().pending = std::move(Hook);
  }
  if (IsGuiThread()) InstallActivationHook(QCoreApplication::instance());
}

void ClearActivationHook() {
  ActivationState& state = Activation();
  QPointer<ActivationFilter> filter;
  {
    std::lock_guard lock(state.mutex);
    state.pending = nullptr;
    filter = state.filter;
    state.filter = nullptr;
  }
  if (filter.isNull()) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || app->thread() == QThread::currentThread()) {
    if (app != nullptr) app->removeEventFilter(filter);
    delete filter.data();
    return;
  }
  // Posted, not waited for: the caller may hold the loader's lock (the
  // plug-in unloading). The library is pinned once a job ran on the GUI
  // thread (see the top of GuiHost.h), so the filter's code stays.
  QMetaObject::invokeMethod(
      app,
      [filter] {
        if (!filter.isNull()) {
          QCoreApplication::instance()->removeEventFilter(filter);
          delete filter.data();
        }
      },
      Qt::QueuedConnection);
}

bool ActivationHookPending() {
  std::lock_guard lock(Activation().mutex);
  return Activation().pending != nullptr || !Activation().filter.isNull();
}

bool GuiAvailable(UnicodeString* Reason) {
  UnicodeString reason;
  bool available;
  if (QCoreApplication* app = QCoreApplication::instance()) {
    available = qobject_cast<QApplication*>(app) != nullptr;
    if (!available) reason = u"the host's Qt application cannot show windows";
  } else {
    available = DisplayUsable(reason);
  }
  if (Reason != nullptr) *Reason = reason;
  return available;
}

bool IsGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && app->thread() == QThread::currentThread();
}

void RunOnGuiThread(const std::function<void()>& Job) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) {
    UnicodeString reason;
    if (!Own().Ensure(reason)) throw EGuiUnavailable(reason);
    app = QCoreApplication::instance();
    if (app == nullptr) throw EGuiUnavailable(u"the GUI thread has ended");
  }
  if (qobject_cast<QApplication*>(app) == nullptr)
    throw EGuiUnavailable(u"the host's Qt application cannot show windows");
  if (app->thread() == QThread::currentThread()) {
    PinLibrary();
    InstallActivationHook(app);
    Job();
    return;
  }
  RunPosted(app, [&Job, app] {
    InstallActivationHook(app);
    Job();
  });
  if (Own().Owns(app)) StopAtExit();
}

void StopGuiThread() { Own().Stop(); }

void KeepQtLoaded() {
  // QApplication::exec lives in Qt Widgets, which holds Qt Gui and Qt Core.
  Dl_info info;
  if (::dladdr(reinterpret_cast<void*>(&QApplication::exec), &info) != 0 && info.dli_fname != nullptr)
    ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

void SetPostTimeoutForTesting(int Milliseconds) {
  g_postTimeoutMs = Milliseconds > 0 ? Milliseconds : kDefaultPostTimeoutMs;
}

}  // namespace kx::platform::ui
