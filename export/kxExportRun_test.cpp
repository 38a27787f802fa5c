// The export run of command 600 in-process: destinations, document ids and
// file names, the record as the written document shows it, blob copies,
// publishing without replacing, and the error texts.
#include "export/kxExportRun.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "export/kxExport.h"
#include "export/kxPluginState.h"
#include "platform/file/FaultInjection.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/xml/XmlDocument.h"
#include "system/kxToolsEvo2_Identity.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
using kx::platform::XmlDocument;
using kx::platform::XmlElement;
using kx::plugin::PluginState;

namespace {

struct Call {
  int32_t rc;
  std::u16string error;
};

Call Command(int32_t command, const std::u16string& input = u"") {
  std::vector<char16_t> data(input.begin(), input.end());
  data.resize(input.size() + 4096, u'\0');
  std::vector<char16_t> error(8192, u'\0');
  Call c;
  c.rc = kx::plugin::WideExport(command, data.data(), 0, error.data());
  c.error = error.data();
  return c;
}

XmlElement Child(const XmlElement& parent, const char16_t* path) {
  XmlElement at = parent;
  std::u16string rest = path;
  while (at && !rest.empty()) {
    const size_t slash = rest.find(u'/');
    at = at.FindChild(rest.substr(0, slash));
    rest = slash == std::u16string::npos ? u"" : rest.substr(slash + 1);
  }
  return at;
}

std::vector<XmlElement> Children(const XmlElement& parent, const char16_t* name) {
  std::vector<XmlElement> found;
  if (!parent) return found;
  for (const auto& node : parent.ChildNodes())
    if (XmlElement e = node.AsElement(); e && e.Name() == name) found.push_back(e);
  return found;
}

class ExportRun : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    kx::plugin::ResetPluginState();
    ScratchFolderTest::SetUp();
    vanto_ = std::getenv("VANTOSYS");
    fs::remove_all(vanto_);
    fs::create_directories(vanto_);
  }
  void TearDown() override {
    kx::plugin::ResetPluginState();
    kx::plugin::SetExportNameHookForTesting(nullptr);
    kx::platform::SetClockForTesting(nullptr);
    ScratchFolderTest::TearDown();
  }

  // Command 110 with the given settings (XML elements) and command 100.
  static void Open(const std::string& settings) {
    ASSERT_EQ(Command(110, ToUtf16("<kxConfig>" + settings + "</kxConfig>")).rc, 0);
    ASSERT_EQ(Command(100).rc, 0);
  }

  // Every entry below the test's folder, as sorted relative paths.
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      names.insert(fs::relative(e.path(), dir_).string());
    return names;
  }

  XmlDocument Document(const std::string& name) const { return XmlDocument::Load(Read(name)); }

  fs::path vanto_;
};

TEST_F(ExportRun, NoDestinationAtAllCancelsBeforeAnything) {
  ASSERT_EQ(Command(100).rc, 0);
  ASSERT_EQ(Command(350, u"4711").rc, 0);
  PluginState().CreateNewDocId = true;
  const Call c = Command(600);
  EXPECT_EQ(c.rc, -1);
  EXPECT_EQ(c.error, u"empty export destination - processing cancelled");
  EXPECT_EQ(PluginState().LastExportError, c.error);
  EXPECT_EQ(PluginState().DocId, "4711");
  EXPECT_TRUE(fs::is_empty(vanto_));  // no queue tools: no blob or temporary folder
}

// Which destination the run takes from the target (command 130) and the
// settings Importfile and ServerName. Drive and network targets are file
// paths that name nothing here, so saving there fails.
TEST_F(ExportRun, DestinationFromTargetAndSettings) {
  struct Case {
    std::u16string target, importfile, server;
    std::string written;  // the document file below the test folder, or ""
    std::u16string error;
  };
  const std::u16string noDestination =
      u"create document exception (Exception - no export destination specified)";
  auto notWritten = [](const std::u16string& path) {
    return u"create document exception (Exception - error creating document xml file "
           u"(streaming to file " + path + u" failed))";
  };
  const Case cases[] = {
      {U("target.xml"), U("import.xml"), u"", "target.xml", u""},
      {u"d:", U("import.xml"), u"", "import.xml", u""},  // neither path nor URL: ignored
      {u"HTTPS://queue.example/in", U("import.xml"), u"", "import.xml", u""},  // a file wins
      {u"relative.xml", U("import.xml"), u"", "import.xml", u""},
      {u"http://queue.example/in", u"", u"", "", noDestination},  // URLs need "HTTP"
      {u"d:", u"", u"", "", noDestination},
      {u"\\\\server\\share\\in.xml", U("import.xml"), u"", "",
       notWritten(u"\\\\server\\share\\in.xml")},
      {u"c:\\out\\doc.xml", u"", u"", "", notWritten(u"c:\\out\\doc.xml")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.target));
    kx::plugin::ResetPluginState();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::remove_all(vanto_);
    auto& s = PluginState();
    s.Importfile = c.importfile;
    s.ServerName = c.server;
    ASSERT_EQ(Command(100).rc, 0);
    ASSERT_EQ(Command(130, c.target).rc, 0);
    UnicodeString error = u"old";
    const bool ok = kx::plugin::RunExport(error);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(ok, c.error.empty());
    if (!c.written.empty()) {
      EXPECT_EQ(Listing(), std::set<std::string>{c.written});
      EXPECT_TRUE(Document(c.written).DocumentElement());
    } else {
      EXPECT_TRUE(fs::is_empty(dir_));
    }
    // Past the first check the queue tools are made, with their folders,
    // and a document id is kept whatever the outcome.
    EXPECT_TRUE(fs::is_directory(vanto_ / "data" / "blobs"));
    EXPECT_EQ(s.DocId.size(), 32u);
  }
}

// The server branch hands the record to the upload and passes its failure
// text on; a file destination keeps the document away from the server.
TEST_F(ExportRun, UploadFailureTextAndFileBeforeServer) {
  Open("<ServerName>http://127.0.0.1:1/queue</ServerName>");
  ASSERT_EQ(Command(500, U("missing.pdf")).rc, 0);
  UnicodeString error;
  EXPECT_FALSE(kx::plugin::RunExport(error));
  const std::u16string prefix = u"create document exception (Exception - ";
  EXPECT_EQ(error.substr(0, prefix.size()), prefix) << ToUtf8(error);
  EXPECT_GT(error.size(), prefix.size() + 1);
  EXPECT_EQ(error.back(), u')');
  EXPECT_TRUE(fs::is_empty(dir_));

  Write("in.txt", "x");
  ASSERT_EQ(Command(100).rc, 0);
  ASSERT_EQ(Command(500, U("in.txt")).rc, 0);
  PluginState().Importfile = U("out.xml");
  EXPECT_TRUE(kx::plugin::RunExport(error)) << ToUtf8(error);
  EXPECT_EQ(error, u"");
  EXPECT_EQ(Listing(), (std::set<std::string>{"in.txt", "out.xml"}));
}

TEST_F(ExportRun, DocIdPlaceHolderAndFreeName) {
  kx::platform::SetClockForTesting([] { return TDateTime(46367.5); });  // 2026-12-11 12:00
  Open("<Importfile>" + P("doc_%DocId_%yyyy.xml") +
       "</Importfile><CreateNewDocId>false</CreateNewDocId>");
  ASSERT_EQ(Command(350, u"4711").rc, 0);
  for (const char* expected : {"doc_4711_2026.xml", "doc_4711_2026-2.xml", "doc_4711_2026-3.xml"}) {
    const Call c = Command(600);
    ASSERT_EQ(c.rc, 0) << ToUtf8(c.error);
    EXPECT_TRUE(fs::exists(P(expected))) << expected;
  }
  EXPECT_EQ(Listing().size(), 3u);
  EXPECT_EQ(PluginState().DocId, "4711");
  EXPECT_EQ(Document("doc_4711_2026-2.xml").DocumentElement().GetAttribute(u"Id"), u"4711");
}

TEST_F(ExportRun, DocumentIdsFromRunToRun) {
  // Off: an id of command 350 is used and kept; an empty one is made once
  // and reused.
  Open("<Importfile>" + P("%docid.xml") +
       "</Importfile><CreateNewDocId>false</CreateNewDocId>");
  ASSERT_EQ(Command(350, u"HOSTID").rc, 0);
  ASSERT_EQ(Command(600).rc, 0);
  EXPECT_TRUE(fs::exists(P("HOSTID.xml")));
  EXPECT_EQ(PluginState().DocId, "HOSTID");
  ASSERT_EQ(Command(200).rc, 0);  // forgets the id
  ASSERT_EQ(Command(600).rc, 0);
  const AnsiString made = PluginState().DocId;
  EXPECT_EQ(made.size(), 32u);
  EXPECT_TRUE(fs::exists(P(made + ".xml")));
  ASSERT_EQ(Command(600).rc, 0);
  EXPECT_EQ(PluginState().DocId, made);
  EXPECT_TRUE(fs::exists(P(made + "-2.xml")));

  // On: every run a new id, even after command 350.
  PluginState().CreateNewDocId = true;
  ASSERT_EQ(Command(350, u"HOSTID").rc, 0);
  ASSERT_EQ(Command(600).rc, 0);
  const AnsiString first = PluginState().DocId;
  ASSERT_EQ(Command(600).rc, 0);
  const AnsiString second = PluginState().DocId;
  EXPECT_NE(first, "HOSTID");
  EXPECT_NE(first, made);
  EXPECT_NE(first, second);
  EXPECT_TRUE(fs::exists(P(first + ".xml")));
  EXPECT_TRUE(fs::exists(P(second + ".xml")));

  // The record's id is the document id cut to 32 bytes, never inside a
  // character; the file name takes the whole id.
  PluginState().CreateNewDocId = false;
  const std::string longId = std::string(31, 'A') + "\xC3\xA4" + "B";
  ASSERT_EQ(Command(350, ToUtf16(longId)).rc, 0);
  ASSERT_EQ(Command(600).rc, 0);
  EXPECT_EQ(Document(longId + ".xml").DocumentElement().GetAttribute(u"Id"),
            ToUtf16(std::string(31, 'A')));
}

// What the written document shows of the record the run built.
TEST_F(ExportRun, RecordFromSettingsFieldsTableAndBlobs) {
  Write("scan.pdf", "%PDF-1.4 scan");
  Open("<Importfile>" + P("out/doc.xml") +
       "</Importfile><State> idle </State><Task>plumo</Task><Priority>7</Priority>"
       "<Include>true</Include><Application>app</Application><Project>prj</Project>"
       "<Destination>dst</Destination><ExportTitle>title</ExportTitle>"
       "<ExportService>svc</ExportService><ConvertScheme>cs</ConvertScheme>"
       "<ScriptScheme>ss</ScriptScheme><PostScheme>ps</PostScheme>"
       "<ExportScheme>es</ExportScheme>");
  for (const char16_t* field : {u"Amount[DOUBLE,2,10,20,30,40,95]=12.5", u"no equals sign",
                                u"Gone=x", u"Name=A&B"})
    ASSERT_EQ(Command(400, field).rc, 0);
  PluginState().PluginTools->RemoveFieldByName(u"gone");
  // Column Qty is longer than the first column: its last cell gets a row too.
  for (const char16_t* cell : {u"Item,0=Nut", u"Qty[INT,1,5,6,7,8,90],0=4", u"Qty[INT],2=9"})
    ASSERT_EQ(Command(450, cell).rc, 0);
  ASSERT_EQ(Command(500, U("scan.pdf")).rc, 0);
  ASSERT_EQ(Command(510, u"Invoice scan").rc, 0);
  ASSERT_EQ(Command(530, u"invoice").rc, 0);
  const Call c = Command(600);
  ASSERT_EQ(c.rc, 0) << ToUtf8(c.error);

  const XmlDocument doc = Document("out/doc.xml");
  const XmlElement root = doc.DocumentElement();
  EXPECT_EQ(root.GetAttribute(u"Id"), ToUtf16(PluginState().DocId));
  EXPECT_EQ(root.GetAttribute(u"StackId"), u"");
  EXPECT_FALSE(root.HasAttribute(u"URIDocId"));  // no repository
  const XmlElement options = Child(root, u"Options");
  const std::pair<const char16_t*, std::u16string> expected[] = {
      {u"State", u"IDLE"},          {u"Task", u"PLUMO"},
      {u"Priority", u"7"},          {u"UserName", TkxTools::GetUserName()},
      {u"Client", TkxTools::GetComputerName()},
      {u"Application", u"app"},     {u"Project", u"prj"},
      {u"Destination", u"dst"},     {u"ExportTitle", u"title"},
      {u"Exportservice", u"svc"},   {u"ConvertScheme", u"cs"},
      {u"ScriptScheme", u"ss"},     {u"PostScriptScheme", u"ps"},
      {u"ExportScheme", u"es"},     {u"Subject", u"12.50 A&B"},
  };
  for (const auto& [name, value] : expected)
    EXPECT_EQ(Child(options, name).Text(), value) << ToUtf8(name);

  const std::vector<XmlElement> fields = Children(Child(root, u"Content/Index"), u"Field");
  ASSERT_EQ(fields.size(), 2u);  // the removed field and the one without "=" add nothing
  EXPECT_EQ(fields[0].GetAttribute(u"Name"), u"Amount");
  EXPECT_EQ(fields[0].GetAttribute(u"DataType"), u"DOUBLE");
  EXPECT_EQ(fields[0].GetAttribute(u"Confidence"), u"95");
  EXPECT_EQ(fields[0].GetAttribute(u"Page"), u"2");
  EXPECT_EQ(fields[0].GetAttribute(u"Zone"), u"10,20,30,40");
  EXPECT_EQ(fields[1].GetAttribute(u"Name"), u"Name");
  EXPECT_EQ(fields[1].Text(), u"A&B");

  const XmlElement table = Child(root, u"Content/Index/Table");
  const std::vector<XmlElement> header = Children(Child(table, u"Header/Fields"), u"Field");
  ASSERT_EQ(header.size(), 2u);
  EXPECT_EQ(header[1].Text(), u"Qty");
  EXPECT_EQ(header[1].GetAttribute(u"ExternalId"), u"Qty");
  EXPECT_EQ(header[1].GetAttribute(u"DataType"), u"INT");
  const std::vector<XmlElement> rows = Children(Child(table, u"Rows"), u"Row");
  ASSERT_EQ(rows.size(), 3u);
  for (const XmlElement& row : rows) EXPECT_EQ(row.GetAttribute(u"Confidence"), u"0.00");
  const std::vector<XmlElement> first = Children(rows[0], u"Col");
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].Text(), u"Nut");
  EXPECT_EQ(first[1].GetAttribute(u"Confidence"), u"90.00");
  EXPECT_EQ(first[1].GetAttribute(u"Zone"), u"5,6,7,8");
  EXPECT_EQ(first[1].GetAttribute(u"Page"), u"1");
  EXPECT_TRUE(Children(rows[1], u"Col").empty());
  const std::vector<XmlElement> last = Children(rows[2], u"Col");
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].GetAttribute(u"Id"), u"1");
  EXPECT_EQ(last[0].Text(), u"9");

  const std::vector<XmlElement> blobs = Children(Child(root, u"Content/Blobs"), u"Blob");
  ASSERT_EQ(blobs.size(), 1u);
  EXPECT_EQ(Child(blobs[0], u"Name").Text(), u"Invoice scan");
  EXPECT_EQ(Child(blobs[0], u"DocType").Text(), u"invoice");
  EXPECT_EQ(Child(blobs[0], u"Extension").Text(), u".pdf");
  EXPECT_EQ(Child(blobs[0], u"Data").Text(), u"JVBERi0xLjQgc2Nhbg==");  // without ByRef: embedded
  EXPECT_EQ(Listing(), (std::set<std::string>{"out", "out/doc.xml", "scan.pdf"}));
}

TEST_F(ExportRun, ByRefCopiesBlobsBesideTheDocument) {
  Write("in/a.pdf", "pdf bytes");
  Write("in/b.tif", "tif bytes");
  Open("<Importfile>" + P("out/doc.xml") + "</Importfile><ByRef>true</ByRef>");
  ASSERT_EQ(Command(500, U("in/a.pdf")).rc, 0);
  ASSERT_EQ(Command(500, U("in/b.tif")).rc, 0);
  ASSERT_EQ(Command(600).rc, 0);
  const std::string id = PluginState().DocId;
  EXPECT_EQ(Listing(), (std::set<std::string>{"in", "in/a.pdf", "in/b.tif", "out", "out/doc.xml",
                                              "out/" + id + "-1.pdf", "out/" + id + "-2.tif"}));
  EXPECT_EQ(Read("out/" + id + "-2.tif"), "tif bytes");
  const XmlDocument doc = Document("out/doc.xml");
  const std::vector<XmlElement> blobs =
      Children(Child(doc.DocumentElement(), u"Content/Blobs"), u"Blob");
  ASSERT_EQ(blobs.size(), 2u);
  EXPECT_EQ(Child(blobs[0], u"Reference").Text(), ToUtf16(id + "-1"));
  EXPECT_EQ(Child(blobs[1], u"Reference").Text(), ToUtf16(id + "-2"));
  EXPECT_FALSE(Child(blobs[0], u"Data"));

  // Towards a server nothing is copied.
  fs::remove_all(P("out"));
  ASSERT_EQ(Command(110, u"<kxConfig><ServerName>http://127.0.0.1:1/q</ServerName>"
                         u"<ByRef>true</ByRef></kxConfig>").rc, 0);
  EXPECT_EQ(Command(600).rc, -1);
  EXPECT_EQ(Listing(), (std::set<std::string>{"in", "in/a.pdf", "in/b.tif"}));
}

// Two exports into one folder may choose the same free name; the run never
// replaces a document that appeared under its chosen name meanwhile.
TEST_F(ExportRun, NameTakenBeforePublishingGoesToTheNextFreeName) {
  Open("<Importfile>" + P("doc.xml") + "</Importfile>");
  std::vector<std::u16string> offered;
  int take = 2;
  kx::plugin::SetExportNameHookForTesting([&](const UnicodeString& name) {
    offered.push_back(name);
    if (take-- > 0) std::ofstream(ToUtf8(name), std::ios::binary) << "other export";
  });
  const Call c = Command(600);
  ASSERT_EQ(c.rc, 0) << ToUtf8(c.error);
  EXPECT_EQ(offered, (std::vector<std::u16string>{U("doc.xml"), U("doc-2.xml"), U("doc-3.xml")}));
  EXPECT_EQ(Read("doc.xml"), "other export");
  EXPECT_EQ(Read("doc-2.xml"), "other export");
  EXPECT_TRUE(Document("doc-3.xml").DocumentElement());
  EXPECT_EQ(Listing().size(), 3u);  // no temporary file left

  // A folder and a dot-named document hold their names as a file does: the
  // run takes the next free name.
  kx::plugin::SetExportNameHookForTesting(nullptr);
  fs::create_directories(P("sub/taken.xml"));
  PluginState().Importfile = U("sub/taken.xml");
  EXPECT_EQ(Command(600).rc, 0);
  PluginState().Importfile = U("sub/.hidden.xml");
  EXPECT_EQ(Command(600).rc, 0);
  EXPECT_EQ(Command(600).rc, 0);
  EXPECT_EQ(Listing(), (std::set<std::string>{"doc.xml", "doc-2.xml", "doc-3.xml", "sub",
                                              "sub/taken.xml", "sub/taken-2.xml",
                                              "sub/.hidden.xml", "sub/.hidden-2.xml"}));
}

// Files whose names start with "." (hidden to the toolkit's listings) on the
// main road: a dot-named document is written and counted as written, the
// next run to the same name takes the next free name, and a dot-named blob
// is embedded and copied like any other.
TEST_F(ExportRun, DotNamedDocumentsAndBlobs) {
  Write("in/.scan.pdf", "%PDF-1.4 hidden");
  for (const bool byRef : {false, true}) {
    fs::remove_all(P("out"));
    Open("<Importfile>" + P("out/.doc_%docid.xml") + "</Importfile><CreateNewDocId>false</CreateNewDocId>" +
         (byRef ? "<ByRef>true</ByRef>" : ""));
    ASSERT_EQ(Command(350, u"4711").rc, 0);
    ASSERT_EQ(Command(500, U("in/.scan.pdf")).rc, 0);
    for (int run = 0; run < 2; ++run) {
      const Call c = Command(600);
      EXPECT_EQ(c.rc, 0) << ToUtf8(c.error);
    }
    std::set<std::string> want = {"in", "in/.scan.pdf", "out", "out/.doc_4711.xml", "out/.doc_4711-2.xml"};
    if (byRef) want.insert({"out/4711-1.pdf", "out/4711-1-2.pdf"});
    EXPECT_EQ(Listing(), want) << byRef;
    const XmlDocument doc = Document("out/.doc_4711-2.xml");
    const XmlElement blob = Child(doc.DocumentElement(), u"Content/Blobs/Blob");
    if (byRef)
      EXPECT_EQ(Read("out/" + ToUtf8(Child(blob, u"Reference").Text()) + ToUtf8(Child(blob, u"Extension").Text())),
                "%PDF-1.4 hidden");
    else
      EXPECT_EQ(Child(blob, u"Data").Text(), u"JVBERi0xLjQgaGlkZGVu");
  }
}

// A blob path that names no regular file fails the run at once with the
// usual texts: a FIFO never blocks, a device is no empty blob, and a path
// with a lone surrogate never names the file that "?" in its place would.
TEST_F(ExportRun, BlobsThatAreNoRegularFilesFailTheRun) {
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  fs::create_directories(P("folder.pdf"));
  Write("q?.pdf", "another file");
  const std::u16string lone = U("q") + u"\xD800.pdf";
  for (const std::u16string& blob : {U("fifo"), std::u16string(u"/dev/zero"), U("folder.pdf"), lone}) {
    for (const bool byRef : {false, true}) {
      Open("<Importfile>" + P("out/doc.xml") + "</Importfile>" + (byRef ? "<ByRef>true</ByRef>" : ""));
      ASSERT_EQ(Command(500, blob).rc, 0);
      const Call c = Command(600);
      EXPECT_EQ(c.rc, -1) << ToUtf8(blob);
      const std::u16string want =
          byRef ? u"create document exception (Exception - unable to copy " + blob + u" to blob "
                : u"create document exception (Exception - error creating document xml "
                  u"(blob stream exception of file " + blob + u"))";
      EXPECT_EQ(c.error.substr(0, want.size()), want) << ToUtf8(blob);
      EXPECT_FALSE(fs::exists(P("out/doc.xml"))) << ToUtf8(blob);
      ASSERT_EQ(Command(900).rc, 0);
    }
  }
  EXPECT_EQ(Read("q?.pdf"), "another file");
}

// A document is published only once every copy it references is on disk:
// each copy's data are synced before the copy is named, and all of it
// before the document is named. A crash after the document's rename cannot
// leave a reference to a copy that is not there.
TEST_F(ExportRun, CopiesAreSyncedBeforeTheDocumentIsPublished) {
  Write("in/a.pdf", std::string(3u << 20, 'a'));
  Write("in/b.tif", "tif bytes");
  Open("<Importfile>" + P("out/doc.xml") + "</Importfile><ByRef>true</ByRef>");
  ASSERT_EQ(Command(500, U("in/a.pdf")).rc, 0);
  ASSERT_EQ(Command(500, U("in/b.tif")).rc, 0);
  kx::platform::RecordFileCallsForTesting(true);
  const Call c = Command(600);
  const auto calls = kx::platform::RecordedFileCallsForTesting();
  kx::platform::ClearFileFaultsForTesting();
  ASSERT_EQ(c.rc, 0) << ToUtf8(c.error);
  const std::string id = PluginState().DocId;
  using kx::platform::FileCall;
  auto renameOf = [&](const std::string& name) {
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].Call == FileCall::Rename && calls[i].Target == P(name)) return i;
    return calls.size();
  };
  const size_t document = renameOf("out/doc.xml");
  ASSERT_LT(document, calls.size());
  for (const std::string& copy : {"out/" + id + "-1.pdf", "out/" + id + "-2.tif"}) {
    const size_t named = renameOf(copy);
    ASSERT_LT(named, document) << copy;
    const auto synced = std::find_if(calls.begin(), calls.begin() + static_cast<long>(named), [&](const auto& r) {
      return r.Call == FileCall::Sync && r.Path == calls[named].Path;
    });
    EXPECT_NE(synced, calls.begin() + static_cast<long>(named)) << copy << ": not synced before it was named";
  }
}

// A disk that fills up or a quota reached while the document is written,
// or a sync that fails before it is named: the run fails with the usual
// text, no document appears under its name, no staged file is left, and the
// host's blob files stay as they were.
TEST_F(ExportRun, AFullDiskOrAFailedSyncLeavesNoDocument) {
  const std::string scan(3u << 19, 's');  // the document needs several writes
  Write("in/a.pdf", scan);
  struct Case {
    kx::platform::FileCall call;
    uint64_t nth;
    int error;
  };
  using kx::platform::FileCall;
  const Case cases[] = {{FileCall::Write, 1, ENOSPC},
                        {FileCall::Write, 2, ENOSPC},
                        {FileCall::Write, 2, EDQUOT},
                        {FileCall::Sync, 1, EIO}};
  for (const Case& c : cases) {
    const std::string what = std::to_string(static_cast<int>(c.call)) + " " + std::to_string(c.nth);
    Open("<Importfile>" + P("out/doc.xml") + "</Importfile>");
    ASSERT_EQ(Command(500, U("in/a.pdf")).rc, 0);
    kx::platform::InjectFileFaultForTesting(c.call, c.nth, c.error);
    const Call run = Command(600);
    kx::platform::ClearFileFaultsForTesting();
    EXPECT_EQ(run.rc, -1) << what;
    EXPECT_EQ(run.error, u"create document exception (Exception - error creating document xml file "
                         u"(streaming to file " + U("out/doc.xml") + u" failed))") << what;
    EXPECT_EQ(Listing(), (std::set<std::string>{"in", "in/a.pdf", "out"})) << what;
    EXPECT_EQ(Read("in/a.pdf"), scan) << what;
    ASSERT_EQ(Command(900).rc, 0);
  }
  // The same run without a fault writes the document.
  Open("<Importfile>" + P("out/doc.xml") + "</Importfile>");
  ASSERT_EQ(Command(500, U("in/a.pdf")).rc, 0);
  ASSERT_EQ(Command(600).rc, 0);
  EXPECT_TRUE(Document("out/doc.xml").DocumentElement());
}

// When the document file cannot be made, the run stops there: no blob is
// read (an unreadable one would otherwise be the reason).
TEST_F(ExportRun, NoDocumentFileStopsBeforeTheBlobs) {
  Write("out", "a file where the folder should be");
  Open("<Importfile>" + P("out/doc.xml") + "</Importfile>");
  ASSERT_EQ(Command(500, U("missing.pdf")).rc, 0);
  EXPECT_EQ(Command(600).error, u"create document exception (Exception - error creating document xml file "
                                u"(streaming to file " + U("out/doc.xml") + u" failed))");
}

TEST_F(ExportRun, FailureTexts) {
  Write("in.pdf", "x");
  struct Case {
    const char* name;
    std::function<void()> prepare;
    std::u16string error;
  };
  const std::u16string prefix = u"create document exception (Exception - ";
  const Case cases[] = {
      {"no hand-over object", [] { ASSERT_EQ(Command(900).rc, 0); },
       prefix + u"no document open (command 100 missing))"},
      {"removed blob slot",
       [&] {
         ASSERT_EQ(Command(500, U("in.pdf")).rc, 0);
         PluginState().PluginTools->RemoveBlobById(0);
       },
       prefix + u"invalid file information - empty data and filename)"},
      {"missing blob file",
       [&] { ASSERT_EQ(Command(500, U("missing.pdf")).rc, 0); },
       prefix + u"error creating document xml (blob stream exception of file " +
           U("missing.pdf") + u"))"},
      {"missing blob file by reference",
       [&] {
         PluginState().ByRef = true;
         ASSERT_EQ(Command(500, U("missing.pdf")).rc, 0);
       },
       prefix + u"unable to copy " + U("missing.pdf") + u" to blob " + U("out/") +
           u"ID-1.pdf)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kx::plugin::ResetPluginState();
    auto& s = PluginState();
    s.Importfile = U("out/doc.xml");
    s.DocId = "ID";
    ASSERT_EQ(Command(100).rc, 0);
    c.prepare();
    const Call call = Command(600);
    EXPECT_EQ(call.rc, -1);
    EXPECT_EQ(call.error, c.error);
    EXPECT_EQ(s.LastExportError, c.error);
    EXPECT_FALSE(fs::exists(P("out/doc.xml")));
  }
}

}  // namespace
