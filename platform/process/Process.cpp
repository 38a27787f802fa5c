#include "platform/process/Process.h"

#include <fcntl.h>
#include <pthread.h>
#include <poll.h>
#include <signal.h>
#include <sys/pidfd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/file/FileDescriptor.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"

extern char** environ;

namespace kx::platform {
namespace {

constexpr uintptr_t kNoHandle = 0;

// Reads exactly Size bytes unless the writers all closed first; the count read.
size_t ReadFully(int Fd, void* Buffer, size_t Size) {
  size_t done = 0;
  while (done < Size) {
    const ssize_t n = ::read(Fd, static_cast<char*>(Buffer) + done, Size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

// Fd itself, or a close-on-exec copy of it at 3 or above when it is one of
// the standard stream numbers (a host that closed its standard streams), so
// that the child's own standard streams never land on it.
int AboveStandardStreams(int Fd) {
  if (Fd < 0 || Fd > 2) return Fd;
  const int moved = ::fcntl(Fd, F_DUPFD_CLOEXEC, 3);
  const int error = errno;
  ::close(Fd);
  errno = error;
  return moved;
}

bool IsExecutableFile(const std::string& Path) {
  struct stat info;
  return ::stat(Path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(Path.c_str(), X_OK) == 0;
}

// Everything the child needs, made before the fork: after it the child may
// only make async-signal-safe calls (another thread of the host may hold
// the allocator's lock at the moment of the fork).
struct ChildPlan {
  std::string Program;
  std::vector<std::string> ArgumentBytes;
  std::vector<char*> Argv;
  std::vector<std::string> EnvironmentBytes;
  std::vector<char*> Envp;
  std::string WorkDirectory;  // "" stays
  int Nice = 0;
  int DevNull = -1;
};

// Reports Error to the parent through ErrorFd and ends the (grand)child.
[[noreturn]] void ChildFails(int ErrorFd, int Error) {
  while (::write(ErrorFd, &Error, sizeof Error) < 0 && errno == EINTR) {
  }
  ::_exit(127);
}

// Runs in the (grand)child: reports errno through ErrorFd on failure and
// never returns.
[[noreturn]] void RunChild(const ChildPlan& Plan, int ErrorFd) {
  auto fail = [ErrorFd](int error) { ChildFails(ErrorFd, error); };
  // Signal handlers and ignored signals are the caller's business, not the
  // program's.
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig == SIGKILL || sig == SIGSTOP) continue;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    ::sigaction(sig, &action, nullptr);
  }
  if (::setsid() < 0) fail(errno);
  for (int fd = 0; fd <= 2; ++fd)
    if (::dup2(Plan.DevNull, fd) < 0) fail(errno);
  // Nothing of the caller stays open but the error pipe, which closes on exec.
  if (ErrorFd > 3) ::close_range(3, static_cast<unsigned>(ErrorFd) - 1, 0);
  ::close_range(static_cast<unsigned>(ErrorFd) + 1, ~0U, 0);
  if (!Plan.WorkDirectory.empty() && ::chdir(Plan.WorkDirectory.c_str()) != 0) fail(errno);
  if (::setpriority(PRIO_PROCESS, 0, Plan.Nice) != 0 && Plan.Nice < 0)
    ::setpriority(PRIO_PROCESS, 0, 0);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execve(Plan.Program.c_str(), Plan.Argv.data(), Plan.Envp.data());
  ChildFails(ErrorFd, errno);
}

bool MakePlan(const ProcessStart& Start, ChildPlan& Plan) {
  if (Start.Arguments.empty()) {
    SetLastOSError(ENOENT);
    return false;
  }
  Plan.Program = ResolveProgram(Start.Arguments[0]);
  if (Plan.Program.empty()) return FailWithErrno();
  if (!Start.WorkDirectory.empty() && !ToSystemPath(Start.WorkDirectory, Plan.WorkDirectory))
    return false;  // ToSystemPath set ENOENT
  for (const UnicodeString& argument : Start.Arguments) Plan.ArgumentBytes.push_back(ToUtf8(argument));
  for (std::string& argument : Plan.ArgumentBytes) Plan.Argv.push_back(argument.data());
  Plan.Argv.push_back(nullptr);
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
    Plan.EnvironmentBytes.emplace_back(*entry);
  for (std::string& entry : Plan.EnvironmentBytes) Plan.Envp.push_back(entry.data());
  Plan.Envp.push_back(nullptr);
  Plan.Nice = Start.Nice < -20 ? -20 : (Start.Nice > 19 ? 19 : Start.Nice);
  Plan.DevNull = AboveStandardStreams(OpenRetrying("/dev/null", O_RDWR));
  return Plan.DevNull >= 0 || FailWithErrno();
}

// Blocks every signal for the time of the fork, so that no handler of the
// caller runs in the child before it has reset them.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t all;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &old_);
  }
  ~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

struct Pipe {
  int Read = -1, Write = -1;
  bool Open() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    Read = AboveStandardStreams(ends[0]);
    Write = AboveStandardStreams(ends[1]);
    return Read >= 0 && Write >= 0;
  }
  void CloseRead() { if (Read >= 0) ::close(Read), Read = -1; }
  void CloseWrite() { if (Write >= 0) ::close(Write), Write = -1; }
  ~Pipe() { CloseRead(); CloseWrite(); }
};

// Never 0, the handle that means none.
int OpenPidFd(pid_t Pid) {
  return AboveStandardStreams(static_cast<int>(::syscall(SYS_pidfd_open, Pid, 0)));
}

// A child the caller waits for: pidfd opened while the child cannot yet
// have been reaped by anyone but us.
bool StartChild(const ChildPlan& Plan, int& PidFd) {
  Pipe errors;
  if (!errors.Open()) return FailWithErrno();
  pid_t pid;
  {
    SignalsBlocked blocked;
    pid = ::_Fork();
    if (pid == 0) RunChild(Plan, errors.Write);
  }
  if (pid < 0) return FailWithErrno();
  errors.CloseWrite();
  PidFd = OpenPidFd(pid);
  int error = 0;
  if (ReadFully(errors.Read, &error, sizeof error) == sizeof error) {
    if (PidFd >= 0) ::close(PidFd), PidFd = -1;
    ::waitpid(pid, nullptr, 0);
    SetLastOSError(error);
    return false;
  }
  // A pidfd that could not be opened: only a host that reaps every child
  // (SIGCHLD ignored) takes it that early; it did run.
  return true;
}

// A detached program: a middle process forks it and waits until the caller
// has its pidfd, then ends; the program is then nobody's child here.
bool StartDetached(const ChildPlan& Plan, int* PidFd) {
  Pipe errors, pids, release;
  if (!errors.Open() || !pids.Open() || !release.Open()) return FailWithErrno();
  pid_t middle;
  {
    SignalsBlocked blocked;
    middle = ::_Fork();
    if (middle == 0) {
      ::close(release.Write);
      ::close(pids.Read);
      ::close(errors.Read);
      const pid_t program = ::_Fork();
      if (program == 0) RunChild(Plan, errors.Write);
      if (program < 0) ChildFails(errors.Write, errno);
      while (::write(pids.Write, &program, sizeof program) < 0 && errno == EINTR) {
      }
      char byte;
      while (::read(release.Read, &byte, 1) < 0 && errno == EINTR) {
      }
      ::_exit(0);
    }
  }
  if (middle < 0) return FailWithErrno();
  errors.CloseWrite();
  pids.CloseWrite();
  release.CloseRead();
  pid_t program = -1;
  const bool havePid = ReadFully(pids.Read, &program, sizeof program) == sizeof program;
  int fd = havePid && PidFd != nullptr ? OpenPidFd(program) : -1;
  release.CloseWrite();  // lets the middle process end
  while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  if (ReadFully(errors.Read, &error, sizeof error) == sizeof error || !havePid) {
    if (fd >= 0) ::close(fd);
    SetLastOSError(error != 0 ? error : ECHILD);
    return false;
  }
  if (PidFd != nullptr) *PidFd = fd;
  return true;
}

}  // namespace

std::string ResolveProgram(std::u16string_view Program) {
  std::string name;
  if (Program.empty()) {
    errno = ENOENT;
    return {};
  }
  if (Program.find_first_of(u"/\\") != std::u16string_view::npos) {
    if (!ToSystemPath(Program, name)) {
      errno = ENOENT;
      return {};
    }
    if (name[0] != '/') {
      char cwd[PATH_MAX];
      if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
      name = std::string(cwd) + "/" + name;
    }
    if (IsExecutableFile(name)) return name;
    if (errno != ENOENT) errno = EACCES;
    return {};
  }
  name = ToUtf8(Program);
  const char* path = ::getenv("PATH");
  const std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  bool denied = false;
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate =
        (end > start ? folders.substr(start, end - start) : std::string(".")) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    if (::access(candidate.c_str(), F_OK) == 0) denied = true;
    start = end + 1;
  }
  errno = denied ? EACCES : ENOENT;
  return {};
}

bool StartProcess(const ProcessStart& Start, uintptr_t* Handle) {
  if (Handle != nullptr) *Handle = kNoHandle;
  ChildPlan plan;
  if (!MakePlan(Start, plan)) return false;
  int pidfd = -1;
  // Nobody could wait for a child without its handle: such a start is detached.
  const bool started = Start.Detached || Handle == nullptr
                           ? StartDetached(plan, Handle != nullptr ? &pidfd : nullptr)
                           : StartChild(plan, pidfd);
  ::close(plan.DevNull);
  if (!started) return false;
  if (Handle != nullptr && pidfd >= 0) *Handle = static_cast<uintptr_t>(pidfd);
  return true;
}

bool WaitForProcess(uintptr_t Handle, const std::function<void()>& Pump, uint32_t& ExitCode) {
  ExitCode = 0;
  if (Handle == kNoHandle || Handle > INT_MAX) return false;
  const int fd = static_cast<int>(Handle);
  while (true) {
    if (Pump) Pump();
    struct pollfd watch = {fd, POLLIN, 0};
    const int ready = ::poll(&watch, 1, 50);
    if (ready < 0 && errno != EINTR) return FailWithErrno();
    if (ready > 0) break;
  }
  siginfo_t info;
  std::memset(&info, 0, sizeof info);
  while (::waitid(P_PIDFD, static_cast<id_t>(fd), &info, WEXITED) != 0) {
    if (errno == EINTR) continue;
    return true;  // reaped elsewhere: the code is lost
  }
  if (info.si_code == CLD_EXITED)
    ExitCode = static_cast<uint32_t>(info.si_status);
  else
    ExitCode = 128 + static_cast<uint32_t>(info.si_status);
  return true;
}

bool KillProcessHandle(uintptr_t Handle) {
  if (Handle == kNoHandle || Handle > INT_MAX) return false;
  if (::syscall(SYS_pidfd_send_signal, static_cast<int>(Handle), SIGKILL, nullptr, 0) != 0)
    return FailWithErrno();
  return true;
}

bool KillProcessId(uint32_t Pid) {
  if (Pid == 0 || Pid > static_cast<uint32_t>(INT_MAX)) return false;
  const int fd = OpenPidFd(static_cast<pid_t>(Pid));
  if (fd < 0) return FailWithErrno();
  const bool killed = KillProcessHandle(static_cast<uintptr_t>(fd));
  ::close(fd);
  return killed;
}

void CloseProcessHandle(uintptr_t Handle) {
  if (Handle != kNoHandle && Handle <= INT_MAX) ::close(static_cast<int>(Handle));
}

}  // namespace kx::platform
