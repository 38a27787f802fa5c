// platform/ui/GuiHost.h — the library's one GUI host: every window of the
// library (dialogs, message boxes, the clipboard, screen grabs) is made and
// used on the thread of a Qt application, through RunOnGuiThread.
//
// Which thread runs a job:
//   - the host has a QApplication and calls from its thread: the job runs
//     at once, on the calling thread;
//   - the host has a QApplication on another thread: the job is posted to
//     that thread and the caller waits; a job that thread has not started
//     within the post time-out (30 s) is withdrawn, and the call raises;
//   - the host has a Qt application that is no QApplication (a
//     QCoreApplication or QGuiApplication): no widgets can be shown, the
//     call raises;
//   - the host has none: on the first call the library starts a GUI thread
//     of its own, which makes a QApplication (Fusion style, not quitting
//     when its last window closes) and runs its event loop; later jobs reuse
//     it. Never started while the library loads.
// Before the library makes its own QApplication it checks that Qt can open
// its platform (QT_QPA_PLATFORM, its first entry, else xcb): "offscreen" and
// "minimal" always can, xcb needs an X server that accepts a connection on
// DISPLAY, wayland needs WAYLAND_DISPLAY; others are refused. A display that
// cannot be used raises instead of letting Qt abort the host.
//
// A job's exception is caught on the GUI thread and raised again on the
// caller's; no exception crosses Qt's event loop.
//
// A process that exits while the library's own GUI thread runs: the thread's
// event loop ends before Qt's statics are destroyed, and the thread waits,
// its application left as it is, until the process is gone.
//
// Once a job has gone to a Qt application (the host's or the library's
// own), the library pins itself in memory: unloading it would leave Qt with
// pointers into unloaded code (posted events, Qt's plug-ins loaded from the
// GUI thread).
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

class QWidget;

namespace kx::platform::ui {

// No Qt application can run a job: no usable display, a host application
// without widgets, a GUI thread that does not take the job.
KX_DECLARE_EXCEPTION(EGuiUnavailable, Exception);

// Runs Job on the GUI thread (see above) and returns when it has ended.
// Raises EGuiUnavailable when no GUI thread can run it, and whatever Job
// raised.
void RunOnGuiThread(const std::function<void()>& Job);

// Whether RunOnGuiThread would find or could make a GUI thread now; when
// not, Reason (if given) says why. Makes no Qt call that could abort.
bool GuiAvailable(UnicodeString* Reason = nullptr);

// Whether the calling thread is the thread of the Qt application.
bool IsGuiThread();

// Ends the library's own GUI thread, if it started one: its event loop is
// asked to quit and the thread is joined within a bounded wait (left
// running when it does not end in time, for a modal dialog, say). The next
// RunOnGuiThread may start a new one. The plug-in calls this when it
// unloads.
void StopGuiThread();

// Keeps the Qt libraries (and what they load) in memory for the rest of the
// process, whether or not the library that loaded them stays: Qt is not
// made to be unloaded and loaded again in one process, and libraries below
// it leave their load-time allocations behind on every unload. Loads
// nothing and makes no Qt call, so it may run while the library loads.
void KeepQtLoaded();

// ---- The application object's forms and its first activation -------------------

// Forms made with the application as their owner, in the order added; a
// form that is destroyed leaves the list. Call on the GUI thread.
void AddApplicationForm(QWidget* Form);
std::vector<QWidget*> ApplicationForms();

// Hands the GUI host a call for the application's first activation. Makes
// no Qt call: the host installs it as an event filter on the QApplication
// it finds or makes, on the GUI thread, when the next job runs there (or at
// once when called on the GUI thread). The first QEvent::ApplicationActivate
// removes the filter and then runs Hook, once; the event goes on as before.
// A new hook replaces one not yet run.
void SetActivationHook(std::function<void()> Hook);
// Withdraws a hook not yet run and removes its filter (posted to the GUI
// thread, not waited for, when called from another thread), so that no
// filter is left to call into a library that goes.
void ClearActivationHook();
// Whether a hook waits for the first activation (handed over and not run).
bool ActivationHookPending();

// The time a posted job may wait to be started; 0 restores 30 s.
void SetPostTimeoutForTesting(int Milliseconds);

}  // namespace kx::platform::ui
