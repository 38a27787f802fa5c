// kxprocessprobe: a program that tests start to see how it was started.
// It writes to the file named by its first argument, one item a line:
//   pid=<its process id>
//   sid=<its session id>
//   nice=<its nice value>
//   cwd=<its working folder>
//   fds=<its open descriptors, ascending, separated by ",">
//   arg=<each further argument>   (one line each)
// then sleeps for the seconds of KXPROBE_SLEEP when that is set.
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  // The descriptors first, before this program opens any of its own.
  std::vector<int> fds;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      const int fd = std::atoi(entry->d_name);
      if (fd != own) fds.push_back(fd);
    }
    ::closedir(dir);
  }
  std::sort(fds.begin(), fds.end());
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, 0);
  char cwd[PATH_MAX] = "";
  if (::getcwd(cwd, sizeof cwd) == nullptr) cwd[0] = '\0';
  std::ofstream out(argv[1]);
  out << "pid=" << ::getpid() << "\nsid=" << ::getsid(0) << "\nnice=" << nice << "\ncwd=" << cwd << "\nfds=";
  for (size_t i = 0; i < fds.size(); ++i) out << (i > 0 ? "," : "") << fds[i];
  out << "\n";
  for (int i = 2; i < argc; ++i) out << "arg=" << argv[i] << "\n";
  out.close();
  if (const char* seconds = std::getenv("KXPROBE_SLEEP")) ::sleep(static_cast<unsigned>(std::atoi(seconds)));
  return 0;
}
