#include "platform/rtl/Stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/os/LastError.h"
#include "platform/rtl/Exceptions.h"

namespace {

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/Stream_test_" + name;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadAll(Stream& s) {
  std::string out(static_cast<size_t>(s.Size() - s.Position()), '\0');
  s.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
  return out;
}

// The contract every stream keeps, run on both kinds.
void ExerciseStream(Stream& s) {
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(s.Size(), 5);
  EXPECT_EQ(s.Seek(-2, soEnd), 3);
  s.WriteBuffer("p!", 2);  // overwrites in place
  s.SetPosition(0);
  EXPECT_EQ(ReadAll(s), "help!");

  char buffer[8];
  EXPECT_EQ(s.Read(buffer, 8), 0);  // at the end
  EXPECT_EQ(s.Seek(-4, soCurrent), 1);
  EXPECT_EQ(s.Read(buffer, 8), 4);  // fewer at the end
  EXPECT_EQ(std::string(buffer, 4), "elp!");
  s.SetPosition(3);
  EXPECT_THROW(s.ReadBuffer(buffer, 3), EReadError);

  s.SetPosition(7);  // beyond the end: a write fills the gap with zeros
  s.WriteBuffer("x", 1);
  s.SetPosition(0);
  EXPECT_EQ(ReadAll(s), std::string("help!\0\0x", 8));

  s.SetSize(2);  // the position moves back to the new end
  EXPECT_EQ(s.Size(), 2);
  EXPECT_EQ(s.Position(), 2);
  s.SetSize(4);
  s.SetPosition(0);
  EXPECT_EQ(ReadAll(s), std::string("he\0\0", 4));

  EXPECT_THROW(s.Seek(-1, soBeginning), EStreamError);
  EXPECT_THROW(s.SetSize(-1), EStreamError);
}

TEST(MemoryStream, ReadWriteSeekSize) {
  MemoryStream s;
  ExerciseStream(s);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 4), std::string("he\0\0", 4));
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(ReadOnlyMemoryStream, ReadsAndSeeksTheBytesItWasGivenAndRefusesChanges) {
  const std::string bytes("he\0llo", 6);
  ReadOnlyMemoryStream s(bytes);
  EXPECT_EQ(s.Size(), 6);
  char part[4] = {};
  EXPECT_EQ(s.Read(part, 4), 4);
  EXPECT_EQ(std::string(part, 4), std::string("he\0l", 4));
  EXPECT_EQ(s.Read(part, 4), 2);  // the rest
  EXPECT_EQ(s.Read(part, 4), 0);
  EXPECT_EQ(s.Seek(-3, soEnd), 3);
  EXPECT_EQ(ReadAll(s), "llo");
  EXPECT_EQ(s.Seek(10, soBeginning), 10);  // beyond the end: reads nothing
  EXPECT_EQ(s.Read(part, 1), 0);
  EXPECT_THROW(s.Seek(-11, soCurrent), EStreamError);
  EXPECT_THROW(s.WriteBuffer("x", 1), EStreamError);
  EXPECT_THROW(s.SetSize(0), EStreamError);
  EXPECT_EQ(s.Size(), 6);
}

TEST(FileStream, ReadWriteSeekSize) {
  const std::string path = TempPath("rw.bin");
  {
    FileStream s(ToUtf16(path), fmCreate);
    ExerciseStream(s);
  }
  EXPECT_EQ(FileBytes(path), std::string("he\0\0", 4));
  {
    FileStream s(ToUtf16(path), fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(ReadAll(s), std::string("he\0\0", 4));
    EXPECT_THROW(s.WriteBuffer("x", 1), EWriteError);  // opened for reading only
  }
  std::filesystem::remove(path);
}

TEST(FileStream, ShareModesAreLocks) {
  const std::string path = TempPath("share.txt");
  const UnicodeString name = ToUtf16(path);
  {
    FileStream writer(name, fmCreate);
    writer.WriteBuffer("data", 4);
  }
  {
    // Readers that deny writers: other readers welcome, writers refused, and
    // the refused creator must not have emptied the file.
    FileStream reader(name, fmOpenRead | fmShareDenyWrite);
    FileStream other(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW((FileStream{name, fmCreate}), EFCreateError);
    EXPECT_THROW((FileStream{name, fmOpenWrite | fmShareExclusive}), EFOpenError);
    FileStream ignoring(name, fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(ReadAll(reader), "data");
  }
  {
    FileStream exclusive(name, fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW((FileStream{name, fmOpenRead | fmShareDenyWrite}), EFOpenError);
  }
  {
    // Sharing "compatible" is no sharing, for readers too: a file merged
    // onto itself fails here instead of reading what it writes.
    FileStream reader(name, fmOpenRead);
    EXPECT_THROW((FileStream{name, fmOpenRead}), EFOpenError);
    EXPECT_THROW((FileStream{name, fmOpenReadWrite}), EFOpenError);
    EXPECT_EQ(kx::platform::LastOSError(), EWOULDBLOCK);
    FileStream writer(name, fmOpenReadWrite | fmShareDenyNone);
  }
  {
    // Write access denies other writers even under "deny write".
    FileStream writer(name, fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_THROW((FileStream{name, fmOpenRead | fmShareDenyWrite}), EFOpenError);
  }
  FileStream again(name, fmOpenRead | fmShareDenyWrite);  // the locks went with the streams
  EXPECT_EQ(ReadAll(again), "data");
  std::filesystem::remove(path);
}

TEST(FileStream, AppendWritesAtTheEndAndOpenCreateNeverEmpties) {
  const std::string path = TempPath("append.txt");
  const UnicodeString name = ToUtf16(path);
  std::filesystem::remove(path);
  EXPECT_THROW((FileStream{name, fmOpenWrite | fmAppend}), EFOpenError);  // no file, no create
  {
    FileStream first(name, fmOpenWrite | fmAppend | fmOpenCreate | fmShareDenyNone);
    FileStream second(name, fmOpenWrite | fmAppend | fmShareDenyNone);
    first.WriteBuffer("a\n", 2);
    second.WriteBuffer("b\n", 2);  // lands after "a", not over it
    first.SetPosition(0);
    first.WriteBuffer("c\n", 2);  // a seek does not move an appending write
  }
  {
    FileStream again(name, fmOpenReadWrite | fmOpenCreate);
    EXPECT_EQ(ReadAll(again), "a\nb\nc\n");
  }
  EXPECT_THROW((FileStream{name, fmOpenRead | fmAppend}), EFOpenError);  // nothing to append with
  std::filesystem::remove(path);
}

TEST(Stream, CopyFrom) {
  MemoryStream source;
  std::string data(600000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  MemoryStream target;
  target.WriteBuffer(">", 1);
  EXPECT_EQ(target.CopyFrom(source, 0), 600000);  // 0: all of it, from the start
  target.SetPosition(1);
  EXPECT_EQ(ReadAll(target), data);

  source.SetPosition(599998);
  MemoryStream part;
  EXPECT_EQ(part.CopyFrom(source, 2), 2);
  EXPECT_THROW(part.CopyFrom(source, 1), EReadError);  // Source is at its end
}

TEST(FileStream, NamesAndFailures) {
  const std::string dir = TempPath("dir");
  std::filesystem::create_directories(dir);
  {
    // "\" separates like "/".
    FileStream s(ToUtf16(dir + "\\back.txt"), fmCreate);
    s.WriteBuffer("b", 1);
  }
  EXPECT_EQ(FileBytes(dir + "/back.txt"), "b");

  struct Case { std::string name; uint16_t mode; bool create; };
  const Case cases[] = {
      {dir + "/missing.txt", fmOpenRead, false},
      {dir + "/no/such/file.txt", fmCreate, true},
      {"C:\\temp\\x.txt", fmCreate, true},  // drive and network paths name nothing here
      {"\\\\server\\share\\x.txt", fmOpenRead, false},
      {dir + "/back.txt", 0x0003, false},  // no such access mode
  };
  for (const auto& c : cases) {
    try {
      FileStream s(ToUtf16(c.name), c.mode);
      ADD_FAILURE() << "opened " << c.name;
    } catch (const EFCreateError& e) {
      EXPECT_TRUE(c.create) << c.name;
      EXPECT_NE(e.Message.find(ToUtf16(c.name)), UnicodeString::npos) << ToUtf8(e.Message);
    } catch (const EFOpenError& e) {
      EXPECT_FALSE(c.create) << c.name;
      EXPECT_NE(e.Message.find(ToUtf16(c.name)), UnicodeString::npos) << ToUtf8(e.Message);
    }
  }
  EXPECT_FALSE(std::filesystem::exists("C:\\temp\\x.txt"));
  std::filesystem::remove_all(dir);
}

}  // namespace
