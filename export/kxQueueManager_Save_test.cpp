#include "export/kxQueueManager_Save.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "export/kxQueueManager_DocumentJson.h"
#include "export/kxQueueManager_DocumentXml.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class SaveDocument : public kx::testing::ScratchFolderTest {
 protected:
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
  UnicodeString name = U("a/b/doc.xml");
  TDocumentQueueRecord q = Record();
  UnicodeString message = u"old";
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(name, false, q, true, message)) << ToUtf8(message);
  EXPECT_EQ(message, u"");
  EXPECT_EQ(name, U("a/b/doc.xml"));

  TDocumentQueueRecord again = Record();
  AnsiString text;
  ASSERT_TRUE(kxQueueManager::CreateDocumentXML(again, text, true, message));
  EXPECT_EQ(Read("a/b/doc.xml"), text);
  EXPECT_EQ(q, again);  // both completed the record alike
  EXPECT_EQ(Listing(), "a a/b a/b/doc.xml ");
}

TEST_F(SaveDocument, ReplacesAnExistingFile) {
  UnicodeString name = U("doc.xml");
  Write("doc.xml", std::string(100000, 'x'));
  TDocumentQueueRecord q = Record();
  UnicodeString message;
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(name, false, q, false, message));
  const std::string text = Read("doc.xml");
  EXPECT_EQ(text.rfind("<?xml", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 13), "</kxDocument>");
}

TEST_F(SaveDocument, FailingWriterLeavesNoFileAndKeepsTheOldOne) {
  TDocumentQueueRecord q = Record();
  q.Blobs[0].BlobData.Clear();
  q.Blobs[0].BlobLink = U("missing.bin");
  UnicodeString message;

  UnicodeString fresh = U("new/doc.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(fresh, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml (blob stream exception of file " +
                         U("missing.bin") + u")");
  EXPECT_EQ(Listing(), "new ");  // the folder may stay; no document, no temporary file

  UnicodeString existing = U("doc.xml");
  Write("doc.xml", "previous");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(existing, false, q, true, message));
  EXPECT_EQ(Read("doc.xml"), "previous");
  EXPECT_EQ(Listing(), "doc.xml new ");

  // Where no file can be made the save stops there, before any blob is
  // read: the file is the reason.
  UnicodeString below = U("doc.xml/doc.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(below, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml file (streaming to file " + below + u" failed)");
  EXPECT_EQ(Listing(), "doc.xml new ");
}

TEST_F(SaveDocument, ZipArchiveIsCreatedAndExtended) {
  TDocumentQueueRecord q = Record();
  UnicodeString message;
  UnicodeString first = U("doc.xml");
  UnicodeString second = U("doc.txt");
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(first, true, q, true, message)) << ToUtf8(message);
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(second, true, q, true, message)) << ToUtf8(message);
  const std::string zip = P("doc.zip");
  EXPECT_NE(Unzip("-t '" + zip + "'").find("No errors detected"), std::string::npos);
  EXPECT_EQ(Unzip("-Z1 '" + zip + "'"), "doc.xml\ndoc.txt\nstatus 0");
  EXPECT_EQ(Unzip("-p '" + zip + "' doc.xml"), Read("doc.xml") + "status 0");

  UnicodeString bare = U("plain");  // no extension: ".zip" appended
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(bare, true, q, true, message));
  EXPECT_TRUE(fs::exists(P("plain.zip")));
}

TEST_F(SaveDocument, FailureTexts) {
  TDocumentQueueRecord q = Record();
  UnicodeString message;

  Write("file", "not a folder");
  UnicodeString below = U("file/doc.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(below, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml file (streaming to file " + below + u" failed)");
  EXPECT_EQ(q.KeyHash, GetKeyHash(q.MetaData));  // completed all the same

  UnicodeString drive = u"C:\\out\\doc.xml";  // names nothing here
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(drive, false, q, true, message));
  EXPECT_EQ(message, u"error creating document xml file (streaming to file C:\\out\\doc.xml failed)");

  fs::create_directories(P("busy.zip"));  // the archive cannot be written
  UnicodeString busy = U("busy.xml");
  EXPECT_FALSE(kxQueueManager::SaveDocumentXML(busy, true, q, true, message));
  EXPECT_EQ(message, u"error creating document xml file (streaming to zip file " +
                         U("busy.zip") + u" failed)");
  EXPECT_TRUE(fs::exists(P("busy.xml")));  // the document stays
}

TEST_F(SaveDocument, JsonIsStreamedIntoItsFileAndZipped) {
  TDocumentQueueRecord q = Record();
  UnicodeString message = u"old";
  ASSERT_TRUE(kxQueueManager::SaveDocumentJson(U("a/doc.json"), true, q, true, message))
      << ToUtf8(message);
  EXPECT_EQ(message, u"");

  TDocumentQueueRecord again = Record();
  AnsiString text;
  ASSERT_TRUE(kxQueueManager::CreateDocumentJson(again, text, true, true, message));
  EXPECT_EQ(Read("a/doc.json"), text);
  EXPECT_NE(text.find(R"("Data" : "YWJj")"), std::string::npos);  // bytes always embedded
  EXPECT_EQ(q, again);
  const std::string zip = P("a/doc.zip");
  EXPECT_NE(Unzip("-t '" + zip + "'").find("No errors detected"), std::string::npos);
  EXPECT_EQ(Unzip("-p '" + zip + "' doc.json"), text + "status 0");
}

TEST_F(SaveDocument, JsonFailureTexts) {
  TDocumentQueueRecord q = Record();
  UnicodeString message;
  Write("file", "not a folder");
  EXPECT_FALSE(kxQueueManager::SaveDocumentJson(U("file/doc.json"), false, q, true, message));
  EXPECT_EQ(message, u"error creating document json file (streaming to file " + U("file/doc.json") +
                         u" failed)");

  // The writer's failure is wrapped too and leaves no file; where no file
  // can be made the save stops there, before any blob is read, as the XML
  // save does.
  q.Blobs[0].BlobData.Clear();
  q.Blobs[0].BlobLink = U("missing.bin");
  const struct {
    const char* name;
    UnicodeString reason;
  } cases[] = {
      {"doc.json", u"blob stream exception of file " + U("missing.bin")},
      {"file/doc.json", u"streaming to file " + U("file/doc.json") + u" failed"},
  };
  for (const auto& c : cases) {
    q.KeyHash = TIdType();
    EXPECT_FALSE(kxQueueManager::SaveDocumentJson(U(c.name), false, q, true, message));
    EXPECT_EQ(message, u"error creating document json file (" + c.reason + u")");
    EXPECT_EQ(q.KeyHash, GetKeyHash(q.MetaData));  // completed all the same
  }
  EXPECT_EQ(Listing(), "file ");
}

TEST_F(SaveDocument, WithNextNameATakenNameIsNeverReplaced) {
  TDocumentQueueRecord q = Record();
  UnicodeString message;
  UnicodeString name = U("doc.xml");
  Write("doc.xml", "taken meanwhile");
  int asked = 0;
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(name, false, q, true, message, [&] {
    ++asked;
    return U("doc-2.xml");
  }));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(name, U("doc-2.xml"));
  EXPECT_EQ(Read("doc.xml"), "taken meanwhile");
  EXPECT_EQ(Read("doc-2.xml").rfind("<?xml", 0), 0u);
  EXPECT_EQ(Listing(), "doc-2.xml doc.xml ");
}
