// Shared main for the benchmark programs that state their figures as ratios:
// the usual console table, then one line per pair of benchmarks, e.g.
//   BM_PosW                1.02x the time of std::u16string_view::find
// The ratio is our adjusted real time per iteration over the baseline's.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>

#include <cstdint>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace kx::bench {

// The same 100 MB-class pseudo-random bytes in every program (a fixed linear
// congruential sequence), so that figures of different programs compare.
inline std::string PseudoRandomBytes(size_t Count) {
  std::string d(Count, '\0');
  uint64_t seed = 4711;
  for (size_t i = 0; i + 8 <= d.size(); i += 8) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    for (int k = 0; k < 8; ++k) d[i + k] = static_cast<char>(seed >> (8 * k + 3));
  }
  return d;
}

// Lines of text made of pieces: Piece(next) gives each piece, drawing numbers
// from next(), a fixed pseudo-random sequence; every piece counts 8 towards a
// line of 40 to 100 (drawn) before the line ends, and pieces in a line are
// separated by a blank. Stops once the text holds Bytes bytes.
template <class Piece>
std::string PseudoRandomLines(size_t Bytes, Piece&& piece) {
  std::string t;
  t.reserve(Bytes + 128);
  uint32_t seed = 4711;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  size_t line = 0;
  while (t.size() < Bytes) {
    t += piece(next);
    line += 8;
    if (line > 40 + next() % 60) {
      t += '\n';
      line = 0;
    } else {
      t += ' ';
    }
  }
  return t;
}

// A name for this run's scratch files below TMPDIR (or /tmp):
// "<TMPDIR>/<Stem>.<pid>", to which callers append an extension.
inline std::string ScratchName(std::string_view Stem) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + std::string(Stem) + "." +
         std::to_string(::getpid());
}

// A value of /proc/self/status in KiB, by its name without the colon
// ("VmRSS", "VmHWM"); -1 when unknown.
inline int64_t StatusKiB(std::string_view Key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.size() > Key.size() && line.compare(0, Key.size(), Key) == 0 && line[Key.size()] == ':')
      return std::strtoll(line.c_str() + Key.size() + 1, nullptr, 10);
  return -1;
}

// Seconds of one run of the program Args[0] (found on the PATH) with the
// other arguments and its standard output written to Output, from its start
// to its end; negative when it could not run or failed. Started with
// posix_spawn, without a shell.
inline double RunToolSeconds(std::vector<std::string> Args, const std::string& Output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<char*> argv;
  for (std::string& a : Args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = 0;
  const bool ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                  ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  posix_spawn_file_actions_destroy(&actions);
  return ok ? seconds : -1.0;
}

// Starts the peak resident size (VmHWM) over from the current resident size.
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// One printed line: `ours` and `base` name benchmarks (either their function
// name, such as "BM_GzipD", or their full name, such as "BM_GzipD/real_time");
// `label` says what the baseline is. With `speed` the line also gives the
// speed ratio (the baseline's time over ours; 1.0 or more means at least as
// fast), for goals stated as speeds.
struct Ratio {
  const char* ours;
  const char* base;
  const char* label;
  bool speed = false;
};

// Prints the table as usual and keeps each benchmark's adjusted real time per
// iteration (the mean when repetitions are asked for), under its function
// name and its full name (with and without the aggregate's suffix). Runs that ended in an error are not kept.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type != Run::RT_Iteration && run.aggregate_name != "mean") continue;
      const double time = run.GetAdjustedRealTime();
      times_[run.run_name.function_name] = time;
      times_[run.benchmark_name()] = time;
      times_[run.run_name.str()] = time;  // the full name without the aggregate's suffix
    }
  }

  // The kept time of a benchmark, or a negative value if it did not run.
  double Time(const char* name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? -1.0 : it->second;
  }

  // One line per ratio whose two benchmarks both ran (a filter may leave
  // either out); the names stand in a column as wide as the longest.
  void PrintRatios(std::initializer_list<Ratio> ratios) const {
    int width = 20;
    for (const Ratio& r : ratios) width = std::max(width, static_cast<int>(std::strlen(r.ours)) + 2);
    for (const Ratio& r : ratios) {
      const double ours = Time(r.ours);
      const double base = Time(r.base);
      if (ours < 0 || !(base > 0)) continue;
      if (r.speed)
        std::printf("%-*s %6.2fx the time of %-13s speed ratio %5.2f\n", width, r.ours, ours / base,
                    r.label, base / ours);
      else
        std::printf("%-*s %6.2fx the time of %s\n", width, r.ours, ours / base, r.label);
    }
    std::fflush(stdout);
  }

 private:
  std::map<std::string, double> times_;
};

// The whole main of a ratio program: reads the command line (non-zero on an
// unknown flag), runs `check` if given (the set-up check that the figures
// mean something: zero to go on, otherwise the exit code), runs the selected
// benchmarks with the table, prints the ratios and shuts the library down.
inline int RunWithRatios(int argc, char** argv, std::initializer_list<Ratio> ratios,
                         const std::function<int()>& check = {}) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (check) {
    if (const int code = check(); code != 0) {
      benchmark::Shutdown();
      return code;
    }
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(ratios);
  benchmark::Shutdown();
  return 0;
}

}  // namespace kx::bench
