// platform/xml/XmlLintForTesting.h — for tests: hands a text to xmllint, a
// reader independent of ours, so a test can show that what the system
// writes is well-formed XML for others too. Header only; tests alone
// include it. Needs xmllint (Debian package libxml2-utils) on the PATH.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace kx::platform {

// "" when `xmllint --noout --huge` accepts Xml, else what it said (or why it
// could not run).
inline std::string XmlLintComplaint(const std::string& Xml) {
  const char* tmp = std::getenv("TMPDIR");
  static int counter = 0;
  const std::string base = std::string(tmp != nullptr ? tmp : "/tmp") + "/xmllint." +
                           std::to_string(::getpid()) + "." + std::to_string(++counter);
  const std::string file = base + ".xml";
  const std::string report = base + ".txt";
  {
    std::ofstream out(file, std::ios::binary);
    out << Xml;
    if (!out) return "cannot write " + file;
  }
  const std::string command = "xmllint --noout --huge '" + file + "' > '" + report + "' 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(report, std::ios::binary);
  std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(file.c_str());
  std::remove(report.c_str());
  if (status == 0) return std::string();
  return said.empty() ? "xmllint failed (status " + std::to_string(status) + ")" : said;
}

}  // namespace kx::platform
