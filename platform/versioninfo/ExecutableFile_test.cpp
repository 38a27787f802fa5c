#include "platform/versioninfo/ExecutableFile.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/versioninfo/TestImages.h"
#include "platform/versioninfo/VersionBlock.h"

namespace {

using namespace kx::platform::versioninfo;
using kx::platform::MemorySource;
namespace images = kx::platform::versioninfo::testing;

std::string Block() {
  VersionBlockContent c;
  c.Fixed.FileVersionMS = 0x00020005;
  c.Tables.push_back({u"040904B0", {{u"CompanyName", u"Example"}}});
  c.Translations = {{0x0409, 0x04B0}};
  return BuildVersionBlock(c);
}

// The block at the location found, or "" when none was found.
std::string Found(const std::string& file) {
  const MemorySource source(file);
  const auto where = LocateVersionBlock(source);
  return where ? file.substr(where->Offset, where->Size) : "";
}

TEST(ExecutableFile, FindsTheBlockInEveryKindOfExecutable) {
  const std::string block = Block();
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"PE32+", images::MakePeImage({.Pe32Plus = true, .Block = block})},
      {"PE32", images::MakePeImage({.Pe32Plus = false, .Machine = 0x014C, .Block = block})},
      // The first language is taken, whatever it is.
      {"PE, German resource", images::MakePeImage({.Block = block, .Language = 0x0407})},
      {"PE, neutral resource", images::MakePeImage({.Block = block, .Language = 0})},
      {"ELF64", images::MakeElfImage({.Elf64 = true, .Block = block})},
      {"ELF32", images::MakeElfImage({.Elf64 = false, .Machine = 3, .Block = block})},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(c.file), block) << c.name;
}

TEST(ExecutableFile, NoBlock) {
  const std::string block = Block();
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"PE without resources", images::MakePeImage({})},
      {"ELF without the section", images::MakeElfImage({})},
      {"big-endian ELF", images::MakeElfImage({.BigEndian = true, .Block = block})},
      {"text", "Just some text, long enough to look like a header of something."},
      {"empty", ""},
      {"MZ only", "MZ"},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(c.file), "") << c.name;

  // PE: the data directory is smaller than the resource entry needs, and a
  // resource type 16 that has no name 1.
  std::string fewDirectories = images::MakePeImage({.Block = block});
  images::Put32(fewDirectories, 0x58 + 108, 2);
  EXPECT_EQ(Found(fewDirectories), "");
  std::string otherName = images::MakePeImage({.Block = block});
  images::Put32(otherName, 0x200 + 24 + 16, 2);
  EXPECT_EQ(Found(otherName), "");
}

// Every prefix of a file: the search either fails or finds bytes that are
// all inside the prefix (the source refuses any read beyond it).
TEST(ExecutableFile, FilesCutShortNeverReadBeyondTheirEnd) {
  const std::string block = Block();
  for (const std::string& full :
       {images::MakePeImage({.Block = block}), images::MakeElfImage({.Block = block}),
        images::MakeElfImage({.Elf64 = false, .Block = block})}) {
    for (size_t n = 0; n < full.size(); ++n) {
      const std::string cut = full.substr(0, n);
      const MemorySource source(cut);
      const auto where = LocateVersionBlock(source);
      if (where) {
        EXPECT_LE(where->Offset + where->Size, n);
      }
    }
  }
}

TEST(ExecutableFile, SectionBeyondTheFileIsRefused) {
  std::string pe = images::MakePeImage({.Block = Block()});
  images::Put32(pe, 0x58 + 240 + 20, 0x7FFFFFF0);  // the section's raw data pointer
  EXPECT_EQ(Found(pe), "");
  std::string elf = images::MakeElfImage({.Block = Block()});
  const size_t shoff = static_cast<uint8_t>(elf[0x28]) | static_cast<uint8_t>(elf[0x29]) << 8;
  images::Put64(elf, shoff + 64 + 32, 0xFFFFFFFFFFFF0000ull);  // the section's size
  EXPECT_EQ(Found(elf), "");
}

TEST(ExecutableFile, PeCheckSum) {
  // Words 0x0001 + 0xFFFF carry into 0x0001; the CheckSum field (bytes 4-7)
  // counts as 0; then the length is added.
  const std::string data("\x01\x00\xFF\xFF\xAA\xBB\xCC\xDD", 8);
  EXPECT_EQ(ComputePeCheckSum(data, 4), 0x0001u + 8);
  // An odd last byte is a word of its own.
  EXPECT_EQ(ComputePeCheckSum(data + "\x02", 4), 0x0003u + 9);

  const std::string pe = images::MakePeImage({.Block = Block(), .CheckSum = 0x12345678});
  const MemorySource source(pe);
  EXPECT_EQ(PeCheckSumOffset(source), 0x58u + 64);
  const std::string elf = images::MakeElfImage({});
  EXPECT_FALSE(PeCheckSumOffset(MemorySource(elf)));
}

}  // namespace
