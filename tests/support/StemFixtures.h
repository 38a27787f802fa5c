// tests/support/StemFixtures.h — the stems of testdata/stem/stems.txt, which
// scripts/gen_stem_fixtures.py writes with Python's snowballstemmer: every
// word of the table stemmed by every algorithm.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace kx::testing {

struct StemRow {
  std::string Algorithm, Word, Stem;  // UTF-8
};

inline std::vector<StemRow> LoadStemFixtures() {
  const char* root = std::getenv("KX_SOURCE_DIR");
  const std::string path = std::string(root ? root : ".") + "/testdata/stem/stems.txt";
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << path;
  std::vector<StemRow> rows;
  for (std::string line; std::getline(in, line);) {
    const size_t a = line.find('\t'), b = line.find('\t', a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    rows.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
  }
  EXPECT_FALSE(rows.empty()) << path;
  return rows;
}

}  // namespace kx::testing
