#include "export/kxQueueManager_Save.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "export/kxQueueManager_DocumentXml.h"

namespace fs = std::filesystem;

namespace {

class SaveDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    dir_ = fs::path(tmp != nullptr ? tmp : "/tmp") /
           ("save-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  UnicodeString Path(const std::string& rel) const { return ToUtf16((dir_ / rel).string()); }

  static std::string Read(const UnicodeString& path) {
    std::ifstream in(ToUtf8(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void Write(const UnicodeString& path, const std::string& bytes) {
    std::ofstream out(ToUtf8(path), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  // Every entry below the test's folder, as sorted relative paths.
  std::string Listing() const {
    std::set<std::string> sorted;
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      sorted.insert(fs::relative(e.path(), dir_).string());
    std::string names;
    for (const auto& n : sorted) names += n + " ";
    return names;
  }

  static TDocumentQueueRecord Record() {
    TDocumentQueueRecord q;
    q.Id = TIdType("DOC1");
    q.Subject = u"s";
    TkxBlob blob;
    blob.BlobName = u"a.bin";
    blob.BlobData = ByteBuffer(std::string("abc"));
    q.Blobs = {blob};
    return q;
  }

  fs::path dir_;
};

std::string Unzip(const std::string& args) {
  const std::string command = "unzip " + args + " 2>&1";
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  out += "status " + std::to_string(::pclose(p));
  return out;
}

}  // namespace

TEST_F(SaveDocument, MakesFoldersAndWritesTheDocumentText) {
  UnicodeString name = Path("a/b/doc.xml");
  TDocumentQueueRecord q = Record();
  UnicodeString message = u"old";
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(name, false, q, true, message)) << ToUtf8(message);
  EXPECT_EQ(message, u"");
  EXPECT_EQ(name, Path("a/b/doc.xml"));

  TDocumentQueueRecord again = Record();
  AnsiString text;
  ASSERT_TRUE(kxQueueManager::CreateDocumentXML(again, text, true, message));
  EXPECT_EQ(Read(name), text);
  EXPECT_EQ(q, again);  // both completed the record alike
  EXPECT_EQ(Listing(), "a a/b a/b/doc.xml ");
}

TEST_F(SaveDocument, ReplacesAnExistingFile) {
  UnicodeString name = Path("doc.xml");
  Write(name, std::string(100000, 'x'));
  TDocumentQueueRecord q = Record();
  UnicodeString message;
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(name, false, q, false, message));
  const std::string text = Read(name);
  EXPECT_EQ(text.rfind("<?xml", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 13), "</kxDocument>");
}

TEST_F(SaveDocument, FailingWriterLeavesNoFileAndKeepsTheOldOne) {
  TDocumentQueueRecord q = Record();
  q.Blobs[0].BlobData.Clear();
  q.Blobs[0].BlobLink = Path("missing.bin");
  UnicodeString message;

  UnicodeString fresh = Path("new/doc.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(fresh, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml (blob stream exception of file " +
                         Path("missing.bin") + u")");
  EXPECT_EQ(Listing(), "new ");  // the folder may stay; no document, no temporary file

  UnicodeString existing = Path("doc.xml");
  Write(existing, "previous");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(existing, false, q, true, message));
  EXPECT_EQ(Read(existing), "previous");
  EXPECT_EQ(Listing(), "doc.xml new ");

  // The document comes before its file: the writer's failure is the reason
  // also where no file could be made.
  UnicodeString below = Path("doc.xml/doc.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(below, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml (blob stream exception of file " +
                         Path("missing.bin") + u")");
  EXPECT_EQ(Listing(), "doc.xml new ");
}

TEST_F(SaveDocument, ZipArchiveIsCreatedAndExtended) {
  TDocumentQueueRecord q = Record();
  UnicodeString message;
  UnicodeString first = Path("doc.xml");
  UnicodeString second = Path("doc.txt");
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(first, true, q, true, message)) << ToUtf8(message);
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(second, true, q, true, message)) << ToUtf8(message);
  const std::string zip = ToUtf8(Path("doc.zip"));
  EXPECT_NE(Unzip("-t '" + zip + "'").find("No errors detected"), std::string::npos);
  EXPECT_EQ(Unzip("-Z1 '" + zip + "'"), "doc.xml\ndoc.txt\nstatus 0");
  EXPECT_EQ(Unzip("-p '" + zip + "' doc.xml"), Read(first) + "status 0");

  UnicodeString bare = Path("plain");  // no extension: ".zip" appended
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(bare, true, q, true, message));
  EXPECT_TRUE(fs::exists(dir_ / "plain.zip"));
}

TEST_F(SaveDocument, FailureTexts) {
  TDocumentQueueRecord q = Record();
  UnicodeString message;

  Write(Path("file"), "not a folder");
  UnicodeString below = Path("file/doc.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(below, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml file (streaming to file " + below + u" failed)");
  EXPECT_EQ(q.KeyHash, GetKeyHash(q.MetaData));  // completed all the same

  UnicodeString drive = u"C:\\out\\doc.xml";  // names nothing here
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(drive, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml file (streaming to file C:\\out\\doc.xml failed)");

  fs::create_directories(dir_ / "busy.zip");  // the archive cannot be written
  UnicodeString busy = Path("busy.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(busy, true, q, true, message));
  EXPECT_EQ(message, u"error creating document xml file (streaming to zip file " +
                         Path("busy.zip") + u" failed)");
  EXPECT_TRUE(fs::exists(dir_ / "busy.xml"));  // the document stays

  UnicodeString json = Path("doc.json");
  EXPECT_FALSE(kxQueueManager::SaveDocumentJson(json, false, q, true, message));
  EXPECT_EQ(message, u"error creating document json file (document json writer not built)");
  EXPECT_FALSE(fs::exists(dir_ / "doc.json"));
}

TEST_F(SaveDocument, WithNextNameATakenNameIsNeverReplaced) {
  TDocumentQueueRecord q = Record();
  UnicodeString message;
  UnicodeString name = Path("doc.xml");
  Write(name, "taken meanwhile");
  int asked = 0;
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(name, false, q, true, message, [&] {
    ++asked;
    return Path("doc-2.xml");
  }));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(name, Path("doc-2.xml"));
  EXPECT_EQ(Read(Path("doc.xml")), "taken meanwhile");
  EXPECT_EQ(Read(name).rfind("<?xml", 0), 0u);
  EXPECT_EQ(Listing(), "doc-2.xml doc.xml ");
}
