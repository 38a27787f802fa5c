// tests/support/DatabaseServers.h — the database servers that tests run
// against (header-only).
//
// scripts/test-db-servers start writes a servers file of "NAME=VALUE" lines;
// CTest names it in KX_DB_SERVERS. A test asks for a server by its key and
// skips, naming the script, when the file or the server is not there.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "platform/rtl/Text.h"

namespace kx::testing {

// The lines of the servers file; empty when there is none.
inline std::map<std::string, std::string> DatabaseServers() {
  std::map<std::string, std::string> values;
  const char* file = std::getenv("KX_DB_SERVERS");
  if (file == nullptr) return values;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

inline std::string DatabaseServer(const std::string& Key) {
  const auto values = DatabaseServers();
  const auto it = values.find(Key);
  return it == values.end() ? std::string() : it->second;
}

// A table name of this process, so that test runs that share a server
// (the plain and the sanitizer build) never meet.
inline UnicodeString ScratchTable(const std::string& Name) {
  return ToUtf16("kx" + std::to_string(getpid()) + "_" + Name);
}

}  // namespace kx::testing

#define KX_SKIP_WITHOUT_SERVER(value, what)                                                      \
  if ((value).empty())                                                                           \
  GTEST_SKIP() << what << " is not running: start the test servers with "                         \
                          "scripts/test-db-servers start"
