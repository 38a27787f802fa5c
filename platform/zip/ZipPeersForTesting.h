// platform/zip/ZipPeersForTesting.h — for tests: asks two other zip readers,
// Info-ZIP's "unzip -t" and Python's zipfile module, whether an archive is
// sound and what it holds. Header only; tests alone include it.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace kx::platform {

// "" when both readers accept the archive at Path (unzip -t passes, zipfile's
// testzip() finds no bad member) and zipfile lists exactly Members (UTF-8
// name, content) in this order; otherwise what went wrong. unzip reports an
// archive without members as a warning, so it is asked only when Members is
// not empty.
inline std::string CheckZipWithPeers(const std::string& Path,
                                     const std::vector<std::pair<std::string, std::string>>& Members) {
  auto run = [](const std::string& command, std::string& out) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    return ::pclose(pipe);
  };
  auto hex = [](const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
      text += digits[c >> 4];
      text += digits[c & 15];
    }
    return text;
  };
  std::string out;
  if (!Members.empty() && run("unzip -tqq '" + Path + "' 2>&1", out) != 0) return "unzip -t: " + out;

  out.clear();
  const std::string script =
      "import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "bad = z.testzip()\n"
      "print('bad ' + bad if bad else 'ok')\n"
      "for i in z.infolist(): print(i.filename.encode('utf-8').hex(), z.read(i).hex())\n";
  if (run("python3 -c \"" + script + "\" '" + Path + "' 2>&1", out) != 0) return "zipfile: " + out;
  std::string want = "ok\n";
  for (const auto& [name, content] : Members) want += hex(name) + " " + hex(content) + "\n";
  if (out != want) return "zipfile read:\n" + out + "expected:\n" + want;
  return "";
}

}  // namespace kx::platform
