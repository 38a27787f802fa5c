#include "export/kxQueueManager_DocumentXmlReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "export/kxQueueManager_DocumentXml.h"
#include "export/kxQueueManager_Save.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Stream.h"
#include "platform/xml/XmlDocument.h"
#include "system/kxDateTime.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxTypes_Rect.h"
#include "system/kxTypes_Variant.h"
#include "system/kxXML.h"
#include "tests/support/ScratchFolder.h"

using kxQueueManager::LoadDocumentXML;

namespace {

constexpr double kNow = 45292.5;  // 2024-01-01 12:00, the clock of every test here

struct Loaded {
  bool ok = false;
  TDocumentQueueRecord q;
  UnicodeString message;
  AnsiString input;  // DocumentXML after the call
};

Loaded Load(const AnsiString& xml, bool newId = false, bool refs = false, bool data = false,
            const UnicodeString& blobTemp = u"/nonexistent-blob-temp/") {
  Loaded l;
  l.input = xml;
  l.ok = LoadDocumentXML(l.q, l.input, newId, refs, data, blobTemp, l.message);
  return l;
}

// A document with the given options and content inside the usual frame.
AnsiString Doc(const std::string& options, const std::string& index, const std::string& blobs,
               const std::string& root = "Id=\"D1\" StackId=\"\"") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><kxDocument " + root + "><Options>" + options +
         "</Options><Content><Index>" + index + "</Index><Blobs>" + blobs +
         "</Blobs></Content></kxDocument>";
}

std::string Source(const std::string& name) {
  const char* root = std::getenv("KX_SOURCE_DIR");
  return std::string(root != nullptr ? root : ".") + "/testdata/document-xml/" + name;
}

std::string Stamp(TDateTime d) { return TkxDateTime::DateTimeToTimeStampStr(d, false); }

ByteBuffer Bytes(size_t n, unsigned seed) {
  std::string b(n, '\0');
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<char>((i * 131 + seed * 7) & 0xFF);
  return ByteBuffer(std::move(b));
}

class DocumentXmlReader : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    kx::platform::SetClockForTesting([] { return TDateTime(kNow); });
  }
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    ScratchFolderTest::TearDown();
  }
};

TkxMetaField Field(UnicodeString name, Variant value, TVarType type) {
  TkxMetaField f;
  f.IntField = name;
  f.ExtField = name;
  f.Value = TkxTypes::VarToStrExt(value);
  f.VarValue = std::move(value);
  f.VarType = type;
  f.Confidence = 100;
  return f;
}

TkxBlob DataBlob(const char* id, size_t size) {
  TkxBlob b;
  b.Id = id;
  b.BlobName = ToUtf16(std::string(id) + ".bin");
  b.MimeType = u"application/octet-stream";
  b.Extension = u".bin";
  b.BlobData = Bytes(size, static_cast<unsigned>(size));
  b.BlobSize = static_cast<int64_t>(size);
  b.BlobDate = EncodeDateTime(2023, 5, 6, 7, 8, 9, 10);
  b.PageCount = 1;
  return b;
}

// A record that uses every part of the format.
TDocumentQueueRecord RichRecord(const UnicodeString& EmptyFile) {
  TDocumentQueueRecord q;
  q.Id = TIdType("ROUNDTRIP");
  q.StackId = TIdType("STACK");
  q.Repository = u"repo";
  q.Version = 3;
  q.State = kxQS_OnHold;
  q.Task = kxQT_Move;
  q.Retries = 2;
  q.CreationDate = EncodeDateTime(2024, 2, 3, 4, 5, 6, 7);
  q.ChangeDate = EncodeDateTime(2024, 2, 4, 4, 5, 6, 8);
  q.RetryDate = EncodeDateTime(2024, 2, 5, 0, 0, 0, 0);
  q.Language = "de";
  q.CheckSum = TIdType("C0FFEE");
  q.Priority = 5;
  q.UserName = u"jane@example";
  q.Client = u"HOST";
  q.Application = u"app";
  q.Origin = u"origin";
  q.Project = u"Größe <&> \"project\"";
  q.Destination = u"dest";
  q.ExportTitle = u"title";
  q.ExportService = u"svc";
  q.EngineBuffer = u"engine";
  q.ScriptBuffer = u"script";
  q.ConvertScheme = u"convert";
  q.ScriptScheme = u"scripts";
  q.PostScriptScheme = u"post";
  q.ExportScheme = u"export";
  q.Subject = u"Sub\x01ject";           // a control character
  q.Messages = u"line 1\r\nline 2";

  q.MetaData.push_back(Field(u"Note", Variant::FromUString(u"a\r\nb \u00e4"), 8));
  TkxMetaField total = Field(u"Total", Variant::FromDouble(12.5), 5);
  total.ExtField = u"total";
  total.Confidence = 87.25;
  total.Zone = TkxTypes::FloatRect(10, 20, 110, 70);
  total.Page = 2;
  TkxAlternativeValue alt1;
  alt1.VarValue = Variant::FromDouble(12.25);
  alt1.Value = u"12.25";
  alt1.VarType = 5;
  alt1.Confidence = 40;
  TkxAlternativeValue alt2;
  alt2.VarValue = Variant::FromUString(u"twelve");
  alt2.Value = u"twelve";
  alt2.VarType = 8;
  alt2.Confidence = 100;
  alt2.Page = 1;
  total.Alternatives = {alt1, alt2};
  q.MetaData.push_back(total);
  q.MetaData.push_back(Field(u"Count", Variant::FromInteger(42), 3));
  q.MetaData.push_back(Field(u"Odd", Variant::FromUString(u"x\x02y"), 8));

  q.MetaTableData.Header = {{u"Pos", u"pos", 3}, {u"Text", u"Text", 8}, {u"Amount", u"amt", 5}};
  TkxMetaTableDataRow row0;
  row0.Columns.resize(3);
  row0.Columns[0].Value = Variant::FromInteger(1);
  row0.Columns[0].Confidence = 100;
  row0.Columns[2].Value = Variant::FromDouble(2.5);
  row0.Columns[2].Confidence = 80;
  row0.Columns[2].Zone = TkxTypes::FloatRect(1, 2, 4, 6);
  row0.Columns[2].Page = 1;
  row0.Confidence = 100;
  TkxMetaTableDataRow row1;  // no cell with a value
  row1.Columns.resize(3);
  row1.Confidence = 100;
  TkxMetaTableDataRow row2;
  row2.Columns.resize(3);
  row2.Columns[1].Value = Variant::FromUString(u"t\x03");
  row2.Columns[1].Confidence = 100;
  row2.Confidence = 87.5;
  row2.Page = 4;
  row2.Zone = TkxTypes::FloatRect(5, 5, 15, 15);
  q.MetaTableData.Rows = {row0, row1, row2};

  for (size_t size : {size_t{0}, size_t{1}, size_t{57}, size_t{58},
                      kxQueueManager::kDocumentBlobBlock + 7}) {
    q.Blobs.push_back(DataBlob(("B" + std::to_string(size)).c_str(), size));
  }
  q.Blobs[0].BlobLink = EmptyFile;  // no bytes: the writer reads the file
  q.Blobs[1].DocType = u"invoice";
  q.Blobs[2].Encryption = kxCM_AES256;
  q.Blobs[2].DataSize = 12345;
  return q;
}

// What the reader gives back for a record the writer completed: the texts
// as made XML-safe, zones with Right and Bottom of the LTWH reading, values
// read by their type (integers as 64-bit values), option texts with LF line
// ends, and what the format does not carry at its defaults.
TDocumentQueueRecord Expected(const TDocumentQueueRecord& written, bool fullOptions) {
  TDocumentQueueRecord e = written;
  auto zone = [](const TRelRect& z) {
    return z.Width > 0 ? TkxTypes::StrToFloatRectLTWH(ToUtf16(RelRectToZoneStr(z))) : TRelRect();
  };
  auto safe = [](const UnicodeString& s) { return TkxTools::PrepareXMLStringW(s, false); };
  auto lf = [](UnicodeString s) {
    for (size_t p = s.find(u"\r\n"); p != UnicodeString::npos; p = s.find(u"\r\n", p)) s.erase(p, 1);
    return s;
  };
  e.Retries = 0;  // not written
  e.Subject = lf(safe(e.Subject));
  e.Messages = lf(safe(e.Messages));
  e.Project = lf(e.Project);
  if (!fullOptions) {
    const UnicodeString subject = e.Subject, messages = e.Messages;
    const AnsiString language = e.Language;
    const TDateTime created = e.CreationDate, changed = e.ChangeDate;
    TDocumentQueueRecord d;
    d.Id = e.Id;
    d.StackId = e.StackId;
    d.Repository = e.Repository;
    d.Version = e.Version;
    d.MetaData = e.MetaData;
    d.MetaTableData = e.MetaTableData;
    d.Blobs = e.Blobs;
    d.KeyHash = e.KeyHash;
    d.State = kxQS_Idle;
    d.Task = kxQT_Export;
    d.RetryDate = TDateTime(kNow - 1);
    d.CreationDate = created;
    d.ChangeDate = changed;
    d.Subject = subject;
    d.Messages = messages;
    d.Language = language;
    e = d;
  }
  for (TkxMetaField& f : e.MetaData) {
    f.Value = TkxTypes::VarToStrExt(f.VarValue);
    f.Value = safe(f.Value);
    f.VarValue = TkxTypes::StrToVarExt(f.Value, f.VarType);
    f.Zone = zone(f.Zone);
    for (TkxAlternativeValue& a : f.Alternatives) {
      a.Value = safe(TkxTypes::VarToStrExt(a.VarValue));
      a.VarValue = TkxTypes::StrToVarExt(a.Value, a.VarType);
      a.Zone = zone(a.Zone);
    }
  }
  for (TkxMetaTableDataRow& row : e.MetaTableData.Rows) {
    row.Zone = zone(row.Zone);
    for (size_t i = 0; i < row.Columns.size(); ++i) {
      TkxMetaTableDataColumnField& c = row.Columns[i];
      if (TkxTypes::VarIsInitial(c.Value)) {
        c = TkxMetaTableDataColumnField();
        c.Value = Variant::Null();
        c.Confidence = 100;
        continue;
      }
      c.Value = TkxTypes::StrToVarExt(safe(TkxTypes::VarToStrExt(c.Value)),
                                      e.MetaTableData.Header[i].VarType);
      c.Zone = zone(c.Zone);
    }
  }
  for (TkxBlob& b : e.Blobs) {
    if (b.Encryption == kxCM_None) b.DataSize = 0;  // written only for encrypted blobs
    b.BlobLink = b.OrgLink = UnicodeString();
  }
  if (!fullOptions) e.KeyHash = GetKeyHash(e.MetaData);  // not written: made from the fields read
  return e;
}

void ExpectSameRecord(const TDocumentQueueRecord& got, const TDocumentQueueRecord& want) {
  EXPECT_EQ(got.Id.View(), want.Id.View());
  EXPECT_EQ(got.StackId.View(), want.StackId.View());
  EXPECT_EQ(got.Repository, want.Repository);
  EXPECT_EQ(got.Version, want.Version);
  EXPECT_EQ(got.State, want.State);
  EXPECT_EQ(got.Task, want.Task);
  EXPECT_EQ(got.Retries, want.Retries);
  EXPECT_EQ(Stamp(got.CreationDate), Stamp(want.CreationDate));
  EXPECT_EQ(Stamp(got.ChangeDate), Stamp(want.ChangeDate));
  EXPECT_EQ(Stamp(got.RetryDate), Stamp(want.RetryDate));
  EXPECT_EQ(got.KeyHash.View(), want.KeyHash.View());
  EXPECT_EQ(got.CheckSum.View(), want.CheckSum.View());
  EXPECT_EQ(got.Subject, want.Subject);
  EXPECT_EQ(got.Messages, want.Messages);
  EXPECT_EQ(got.Project, want.Project);
  ASSERT_EQ(got.MetaData.size(), want.MetaData.size());
  for (size_t i = 0; i < got.MetaData.size(); ++i)
    EXPECT_TRUE(got.MetaData[i] == want.MetaData[i]) << "field " << i << " " << ToUtf8(got.MetaData[i].Value);
  EXPECT_TRUE(got.MetaTableData.Header == want.MetaTableData.Header);
  ASSERT_EQ(got.MetaTableData.Rows.size(), want.MetaTableData.Rows.size());
  for (size_t i = 0; i < got.MetaTableData.Rows.size(); ++i)
    EXPECT_TRUE(got.MetaTableData.Rows[i] == want.MetaTableData.Rows[i]) << "row " << i;
  ASSERT_EQ(got.Blobs.size(), want.Blobs.size());
  for (size_t i = 0; i < got.Blobs.size(); ++i) {
    TkxBlob g = got.Blobs[i], w = want.Blobs[i];
    EXPECT_EQ(Stamp(g.BlobDate), Stamp(w.BlobDate)) << "blob " << i;
    g.BlobDate = w.BlobDate;
    EXPECT_TRUE(g == w) << "blob " << i << " " << g.Id;
  }
  // Everything at once, for the fields not named above.
  TDocumentQueueRecord a = got, b = want;
  for (auto* r : {&a, &b}) {
    r->CreationDate = r->ChangeDate = r->RetryDate = TDateTime();
    for (TkxBlob& blob : r->Blobs) blob.BlobDate = TDateTime();
  }
  EXPECT_TRUE(a == b);
}

}  // namespace

TEST_F(DocumentXmlReader, WrittenRecordsReadBackAsTheFormatCarriesThem) {
  for (const bool full : {true, false}) {
    SCOPED_TRACE(full ? "all options" : "short options");
    Write("empty.bin", "");
    TDocumentQueueRecord q = RichRecord(U("empty.bin"));
    AnsiString xml;
    UnicodeString message;
    ASSERT_TRUE(kxQueueManager::CreateDocumentXML(q, xml, full, message)) << ToUtf8(message);
    const TDocumentQueueRecord want = Expected(q, full);

    Loaded l = Load(xml);
    ASSERT_TRUE(l.ok) << ToUtf8(l.message);
    EXPECT_EQ(l.input, xml);  // left as it was on success
    ExpectSameRecord(l.q, want);
  }
}

TEST_F(DocumentXmlReader, SavedDocumentReadByPathFindsItsReferencedBlobs) {
  // The export run stores a blob beside its document under the host's file
  // name case ("ROUNDTRIP-1.PDF") while the record says ".pdf".
  Write("empty.bin", "");
  TDocumentQueueRecord q = RichRecord(U("empty.bin"));
  TkxBlob ref;
  ref.Id = "R1";
  ref.BlobName = u"scan.PDF";
  ref.MimeType = u"application/pdf";
  ref.Extension = u".pdf";
  ref.BlobRefId = "ROUNDTRIP-1";
  ref.BlobSize = 0;  // becomes the size of the file found
  Write("out/ROUNDTRIP-1.PDF", "%PDF-1.4 stored copy");
  ref.BlobLink = U("out/ROUNDTRIP-1.PDF");
  ref.OrgLink = ref.BlobLink;
  q.Blobs.push_back(ref);
  UnicodeString path = U("out/doc.xml");
  UnicodeString message;
  ASSERT_TRUE(kxQueueManager::SaveDocumentXML(path, false, q, true, message)) << ToUtf8(message);

  for (const bool data : {false, true}) {
    Loaded l = Load(ToUtf8(path), false, true, data);
    ASSERT_TRUE(l.ok) << ToUtf8(l.message);
    const TkxBlob& got = l.q.Blobs.back();
    EXPECT_EQ(got.BlobLink, U("out/ROUNDTRIP-1.PDF"));
    EXPECT_EQ(got.OrgLink, got.BlobLink);
    EXPECT_EQ(got.BlobSize, 20);
    EXPECT_EQ(got.BlobData.View(), data ? "%PDF-1.4 stored copy" : "");
    // The embedded blobs came from the file, decoded as it was read.
    EXPECT_EQ(l.q.Blobs[4].BlobData, q.Blobs[4].BlobData);
  }
  // Without LoadBlobRefs the reference stays a reference.
  Loaded plain = Load(ToUtf8(path));
  ASSERT_TRUE(plain.ok);
  EXPECT_EQ(plain.q.Blobs.back().BlobRefId, "ROUNDTRIP-1");
  EXPECT_EQ(plain.q.Blobs.back().BlobLink, u"");
  EXPECT_EQ(plain.q.Blobs.back().BlobSize, 0);
}

TEST_F(DocumentXmlReader, FailureTexts) {
  const std::string cell = "<Table><Header><Fields><Field>A</Field></Fields></Header><Rows><Row>";
  struct Case {
    const char* what;
    AnsiString xml;
    std::string message;
  };
  const Case cases[] = {
      {"empty", "", "error loading document xml (empty xml buffer - processing aborted)"},
      {"blanks", " \r\n\t\x01 ", "error loading document xml (empty xml buffer - processing aborted)"},
      {"malformed", "<kxDocument><Options>",
       "error loading document xml (the XML document is not well-formed (line 1, column 22): "
       "Premature end of data in tag Options)"},
      {"entity", "<kxDocument>&x;</kxDocument>",
       "error loading document xml (the XML document is not well-formed (line 1, column 16): "
       "reference to the entity '&x;' is not allowed)"},
      {"root", "<other>\n<kxDocument/></other>",
       "error loading document xml (the document element is 'other', not 'kxDocument' (line 1, "
       "column 7))"},
      {"date", Doc("<ChangeDate>#12x</ChangeDate>", "", ""),
       "error loading document xml (error parsing xml options (ChangeDate) ('#12x' is not a valid "
       "date (line 1, column 90)))"},
      {"column id beyond the header", Doc("", cell + "<Col Id=\"7\">x</Col></Row></Rows></Table>", ""),
       "error loading document xml (error parsing xml table data (invalid table column id 7 in row "
       "0))"},
      {"column id -1", Doc("", cell + "</Row><Row><Col Id=\"-1\">x</Col></Row></Rows></Table>", ""),
       "error loading document xml (error parsing xml table data (invalid table column id -1 in row "
       "1))"},
      {"column id not a number", Doc("", cell + "<Col Id=\"1.0\">x</Col></Row></Rows></Table>", ""),
       "error loading document xml (error parsing xml table data ('1.0' is not a valid integer "
       "value (line 1, column 186)))"},
      {"column id missing", Doc("", cell + "<Col>x</Col></Row></Rows></Table>", ""),
       "error loading document xml (error parsing xml table data ('' is not a valid integer value "
       "(line 1, column 177)))"},
      {"header field with elements",
       Doc("", "<Table><Header><Fields><Field>A<b/></Field></Fields></Header></Table>", ""),
       "error loading document xml (error parsing xml table data (the XML element 'Field' does not "
       "hold a single text (line 1, column 134)))"},
      {"cell with elements", Doc("", cell + "<Col Id=\"0\"><b/></Col></Row></Rows></Table>", ""),
       "error loading document xml (error parsing xml table data (the XML element 'Col' does not "
       "hold a single text (line 1, column 184)))"},
      {"blob child with elements", Doc("", "", "<Blob><Size>1<i/></Size></Blob>"),
       "error loading document xml (error parsing xml blob data (the XML element 'Size' does not "
       "hold a single text (line 1, column 131)))"},
      {"blob data with elements", Doc("", "", "<Blob><Data>QUJD<i/></Data></Blob>"),
       "error loading document xml (error parsing xml blob data (the XML element 'Data' does not "
       "hold a single text (line 1, column 131)))"},
      {"blob data in two nodes", Doc("", "", "<Blob><Data>\n<![CDATA[QUJD]]></Data></Blob>"),
       "error loading document xml (error parsing xml blob data (the XML element 'Data' does not "
       "hold a single text (line 1, column 131)))"},
  };
  for (const Case& c : cases) {
    Loaded l = Load(c.xml);
    EXPECT_FALSE(l.ok) << c.what;
    EXPECT_EQ(ToUtf8(l.message), c.message) << c.what;
    EXPECT_EQ(l.input, "") << c.what;  // emptied on failure
  }
}

TEST_F(DocumentXmlReader, SectionsFailInTheirOrderAndAParseErrorBeforeAnything) {
  // The blob section comes first in the text but fails after the table.
  const AnsiString both =
      "<kxDocument><Content><Blobs><Blob><Size><x/></Size></Blob></Blobs><Index><Table><Header>"
      "<Fields><Field>A</Field></Fields></Header><Rows><Row><Col Id=\"3\"/></Row></Rows></Table>"
      "</Index></Content></kxDocument>";
  Loaded l = Load(both);
  EXPECT_EQ(ToUtf8(l.message),
            "error loading document xml (error parsing xml table data (invalid table column id 3 "
            "in row 0))");
  // A fault at the very end fails before the record is reset.
  Loaded bad;
  bad.q.Id = TIdType("UNTOUCHED");
  AnsiString text = Doc("", "", "") + "<trailing/>";
  EXPECT_FALSE(LoadDocumentXML(bad.q, text, false, false, false, u"", bad.message));
  EXPECT_EQ(bad.q.Id.View(), "UNTOUCHED");
}

TEST_F(DocumentXmlReader, IdentityAndDefaults) {
  const std::string root =
      "Id=\"IGNORED\" StackId=\"0123456789012345678901234567890123456789\" "
      "URIDocId=\"doc://archive/URIID/7\"";
  Loaded l = Load(Doc("", "", "", root));
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.q.Id.View(), "URIID");
  EXPECT_EQ(l.q.Repository, u"archive");
  EXPECT_EQ(l.q.Version, 7u);
  EXPECT_EQ(l.q.StackId.View(), "01234567890123456789012345678901");  // cut to 32

  TDocumentQueueRecord fresh;
  InitQueueRecord(fresh);
  Loaded n = Load(Doc("", "", "", root), true);
  ASSERT_TRUE(n.ok);
  EXPECT_EQ(n.q.Id.Length(), 32u);
  EXPECT_NE(n.q.Id.View(), "URIID");
  EXPECT_EQ(n.q.StackId.View(), "");
  EXPECT_EQ(n.q.Repository, fresh.Repository);
  EXPECT_EQ(n.q.Version, fresh.Version);

  Loaded blank = Load(Doc("", "", "", "Id=\" \""));
  ASSERT_TRUE(blank.ok);
  EXPECT_EQ(blank.q.Id.Length(), 32u);  // a blank id gets a new one

  // No options: the defaults, dates from one clock reading.
  TDocumentQueueRecord q;
  q.BlobCount = 9;
  q.UserName = u"before";
  AnsiString text = Doc("", "<Field Name=\"A\" ExternalId=\"a\">x</Field>", "");
  UnicodeString message;
  ASSERT_TRUE(LoadDocumentXML(q, text, false, false, false, u"", message));
  EXPECT_EQ(q.BlobCount, 9);  // kept
  EXPECT_EQ(q.UserName, u"");  // replaced, also when the document has none
  EXPECT_EQ(q.Client, u"");
  EXPECT_EQ(q.State, kxQS_Idle);
  EXPECT_EQ(q.Task, kxQT_Export);
  EXPECT_EQ(Stamp(q.CreationDate), Stamp(TDateTime(kNow)));
  EXPECT_EQ(Stamp(q.ChangeDate), Stamp(TDateTime(kNow)));
  EXPECT_EQ(Stamp(q.RetryDate), Stamp(TDateTime(kNow - 1)));
  EXPECT_EQ(q.KeyHash, GetKeyHash(q.MetaData));

  // Option texts: exactly one text node counts; names are case-sensitive;
  // unknown state and task texts give UNKNOWN; a key hash given stays.
  Loaded o = Load(Doc("<State>ready</State><Task>plumo</Task><Retries><!--c-->3</Retries>"
                      "<priority>4</priority><Priority>x</Priority><KeyHash> </KeyHash>"
                      "<CheckSum>0123456789012345678901234567890123456789</CheckSum>",
                      "", ""));
  ASSERT_TRUE(o.ok);
  EXPECT_EQ(o.q.State, kxQS_Unknown);
  EXPECT_EQ(o.q.Task, kxQT_Plumo);
  EXPECT_EQ(o.q.Retries, 0);
  EXPECT_EQ(o.q.Priority, 0);
  EXPECT_EQ(o.q.KeyHash, GetKeyHash({}));  // blank: computed
  EXPECT_EQ(o.q.CheckSum.View(), "01234567890123456789012345678901");
  Loaded kept = Load(Doc("<KeyHash>ABC</KeyHash>", "", ""));
  EXPECT_EQ(kept.q.KeyHash.View(), "ABC");
}

TEST_F(DocumentXmlReader, FieldsTablesAndBlobsFillTheirGaps) {
  const std::string index =
      "<Field>v</Field><Field Name=\"\" ExternalId=\"\" DataType=\"INT\" Confidence=\"x\">7</Field>"
      "<field Name=\"lower\">no</field><Other/>"
      "<Field Name=\"F\" Confidence=\"33,5\" Zone=\"10,20,100,50\" Page=\"p\"><!--c-->v"
      "<Alternatives><A>1</A><B DataType=\"DOUBLE\" Confidence=\"2.5\">2</B></Alternatives>"
      "<Alternatives><C/></Alternatives></Field>"
      "<Table><Header><Fields><X ExternalId=\"\" Id=\"9\">A</X><Y DataType=\"INT\">B</Y></Fields>"
      "</Header><Rows><Row Confidence=\"abc\"><Col Id=\"1\" Confidence=\"abc\">5</Col>"
      "<Col Id=\"1\">6</Col></Row><R/></Rows></Table>";
  const std::string blobs =
      "<Blob><BlobId>OLD</BlobId><Extension>.PDF</Extension><Size>abc</Size>"
      "<DataSize>x</DataSize><Date>nonsense h</Date><Pages/><Encryption>aes256</Encryption></Blob>"
      "<Thing><Id> </Id><BlobId></BlobId><MimeType>image/jpeg</MimeType><Size/>"
      "<Data>QU\r\nJD</Data><Data>ignored</Data></Thing>"
      "<Blob><Extension>.txt</Extension><Size>5000000000</Size><DataSize>-2</DataSize></Blob>";
  Loaded l = Load(Doc("", index, blobs));
  ASSERT_TRUE(l.ok) << ToUtf8(l.message);
  const TkxMetaData& f = l.q.MetaData;
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].IntField, u"Field");
  EXPECT_EQ(f[0].ExtField, u"Field");
  EXPECT_EQ(f[0].VarType, 8);
  EXPECT_EQ(f[0].Confidence, 100);
  EXPECT_EQ(f[1].IntField, u"Field");
  EXPECT_EQ(f[1].ExtField, u"");  // present but empty
  EXPECT_EQ(f[1].VarType, 3);
  EXPECT_EQ(f[1].Confidence, 100);
  EXPECT_EQ(f[1].VarValue.VarType(), 20);  // integers read as 64-bit values
  EXPECT_EQ(f[2].Value, u"");  // a comment first: no value
  EXPECT_EQ(f[2].Confidence, 33.5);
  EXPECT_EQ(f[2].Zone, TkxTypes::StrToFloatRectLTWH(u"10,20,100,50"));
  EXPECT_EQ(f[2].Zone.Right, 109);
  EXPECT_EQ(f[2].Page, 0);
  ASSERT_EQ(f[2].Alternatives.size(), 2u);  // the first Alternatives only
  EXPECT_EQ(f[2].Alternatives[0].VarType, 8);
  EXPECT_EQ(f[2].Alternatives[0].Confidence, 100);
  EXPECT_EQ(f[2].Alternatives[1].VarType, 5);
  EXPECT_EQ(f[2].Alternatives[1].Confidence, 2.5);
  EXPECT_EQ(f[2].Alternatives[1].Value, u"2");

  const TkxMetaTableData& t = l.q.MetaTableData;
  ASSERT_EQ(t.Header.size(), 2u);
  EXPECT_EQ(t.Header[0].Name, u"A");
  EXPECT_EQ(t.Header[0].ExtName, u"");
  EXPECT_EQ(t.Header[1].ExtName, u"B");
  EXPECT_EQ(t.Header[1].VarType, 3);
  ASSERT_EQ(t.Rows.size(), 2u);
  EXPECT_EQ(t.Rows[0].Confidence, 100);           // unreadable on a row: 100
  EXPECT_TRUE(t.Rows[0].Columns[0].Value.IsNull());  // no Col: preset
  EXPECT_EQ(t.Rows[0].Columns[0].Confidence, 100);
  EXPECT_EQ(t.Rows[0].Columns[1].Value.ToInt64(), 6);  // the later Col wins
  EXPECT_EQ(t.Rows[0].Columns[1].Confidence, 100);
  EXPECT_EQ(t.Rows[1].Columns.size(), 2u);
  Loaded cellConfidence = Load(Doc("", "<Table><Header><Fields><F>A</F></Fields></Header><Rows>"
                                       "<Row><Col Id=\"0\" Confidence=\"abc\">5</Col></Row></Rows></Table>", ""));
  EXPECT_EQ(cellConfidence.q.MetaTableData.Rows[0].Columns[0].Confidence, 0);  // on a cell: 0

  const TkxBlobs& b = l.q.Blobs;
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].Id, "OLD");
  EXPECT_EQ(b[0].Extension, u".pdf");
  EXPECT_EQ(b[0].MimeType, u"application/pdf");
  EXPECT_EQ(b[0].BlobSize, -1);
  EXPECT_EQ(b[0].DataSize, -1);  // the blob size as error value
  EXPECT_EQ(b[0].BlobDate.Val, 0);
  EXPECT_EQ(b[0].PageCount, 0);
  EXPECT_EQ(b[0].Encryption, kxCM_AES256);
  EXPECT_EQ(b[1].Id.size(), 32u);  // neither id: a new one
  EXPECT_EQ(b[1].Extension, u".jpg");
  EXPECT_EQ(b[1].BlobData.View(), "ABC");  // the first Data, line breaks skipped
  EXPECT_EQ(b[1].BlobSize, 3);              // empty size: the data's length
  EXPECT_EQ(b[2].BlobSize, 5000000000);
  EXPECT_EQ(b[2].DataSize, -2);
  EXPECT_EQ(b[2].MimeType, u"text/plain");
}

TEST_F(DocumentXmlReader, PathOrText) {
  const AnsiString doc = Doc("<Subject>from the file</Subject>", "", "");
  Write("in/doc.XML", doc);
  Write("in/doc.txt", doc);
  const std::string file = P("in/doc.XML");
  struct Case {
    std::string input;
    bool ok;
  };
  const Case cases[] = {
      {file, true},                  // extension in any case
      {" " + file, false},           // decided on the untrimmed input: text
      {P("in/doc.txt"), false},      // another extension: text
      {P("in/missing.xml"), false},  // no such file: text
      {"C:\\in\\doc.xml", false},    // drive and network paths name nothing here
      {"\\\\server\\in\\doc.xml", false},
  };
  for (const Case& c : cases) {
    Loaded l = Load(c.input);
    EXPECT_EQ(l.ok, c.ok) << c.input << ": " << ToUtf8(l.message);
    if (c.ok) {
      EXPECT_EQ(l.q.Subject, u"from the file");
    } else {
      EXPECT_EQ(ToUtf8(l.message).rfind("error loading document xml (the XML document is not well-formed", 0), 0u)
          << ToUtf8(l.message);
    }
  }
  // A file that cannot be opened: held exclusively by someone else.
  FileStream holder(ToUtf16(file), fmOpenReadWrite | fmShareExclusive);
  Loaded locked = Load(file);
  EXPECT_FALSE(locked.ok);
  EXPECT_EQ(ToUtf8(locked.message).rfind("error loading document xml (", 0), 0u);
}

TEST_F(DocumentXmlReader, ReferencesAreLookedForInTheDocumentFolderThenTheTemporaryFolder) {
  const std::string blob = "<Blob><Reference>R</Reference><Extension>.tif</Extension></Blob>";
  Write("doc/doc.xml", Doc("", "", blob));
  Write("temp/R.tif", "temp");
  const UnicodeString temp = U("temp/");
  const AnsiString path = P("doc/doc.xml");

  Loaded fromTemp = Load(path, false, true, true, temp);
  ASSERT_TRUE(fromTemp.ok) << ToUtf8(fromTemp.message);
  EXPECT_EQ(fromTemp.q.Blobs[0].BlobLink, U("temp/R.tif"));
  EXPECT_EQ(fromTemp.q.Blobs[0].BlobData.View(), "temp");

  Write("doc/r.TIF", "doc");  // the document's folder first, also by case
  Loaded fromDoc = Load(path, false, true, true, temp);
  ASSERT_TRUE(fromDoc.ok);
  EXPECT_EQ(fromDoc.q.Blobs[0].BlobLink, U("doc/r.TIF"));
  EXPECT_EQ(fromDoc.q.Blobs[0].BlobData.View(), "doc");

  // Text input: the current folder first.
  char* cwd = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(P("doc").c_str()), 0);
  Loaded text = Load(Doc("", "", blob), false, true, false, temp);
  ASSERT_EQ(::chdir(cwd), 0);
  std::free(cwd);
  ASSERT_TRUE(text.ok) << ToUtf8(text.message);
  EXPECT_EQ(text.q.Blobs[0].BlobLink, u"r.TIF");
  EXPECT_EQ(text.q.Blobs[0].BlobSize, 3);

  Loaded none = Load(path, false, true, false, U("elsewhere/"));
  ASSERT_TRUE(none.ok);  // found in the document's folder
  Write("doc2/doc.xml", Doc("", "", blob));
  Loaded missing = Load(P("doc2/doc.xml"), false, true, false, U("elsewhere/"));
  EXPECT_EQ(ToUtf8(missing.message),
            "error loading document xml (error parsing xml blob data (referenced blob with id R not "
            "found (R.tif)))");

  // Refused names never reach a file outside the two folders.
  Write("secret.tif", "secret");
  for (const char* ref : {"../secret", "..\\secret", "/etc/passwd", "."}) {
    const std::string escaping =
        std::string("<Blob><Reference>") + ref + "</Reference><Extension>" +
        (std::string(ref) == "." ? "." : ".tif") + "</Extension></Blob>";
    Write("doc/escape.xml", Doc("", "", escaping));
    Loaded l = Load(P("doc/escape.xml"), false, true, true, temp);
    EXPECT_FALSE(l.ok) << ref;
    EXPECT_NE(ToUtf8(l.message).find("referenced blob with id "), std::string::npos) << ref;
  }

  // A file that is there but cannot be read.
  FileStream holder(U("temp/R.tif"), fmOpenReadWrite | fmShareExclusive);
  std::remove(P("doc/r.TIF").c_str());
  Loaded locked = Load(path, false, true, true, temp);
  EXPECT_EQ(ToUtf8(locked.message),
            "error loading document xml (error parsing xml blob data (unable to load blob data from " +
                P("temp/R.tif") + "))");
}

TEST_F(DocumentXmlReader, Fixtures) {
  struct Case {
    const char* file;
    std::function<void(const TDocumentQueueRecord&)> check;
  };
  const Case cases[] = {
      {"no-options.xml",
       [](const TDocumentQueueRecord& q) {
         EXPECT_EQ(q.State, kxQS_Idle);
         ASSERT_EQ(q.Blobs.size(), 2u);
         EXPECT_EQ(q.Blobs[0].Id, "OLDSTYLE");  // the old name of the id
         EXPECT_EQ(q.Blobs[0].Extension, u".txt");
         EXPECT_EQ(q.Blobs[0].BlobData.View(), "abc");
         EXPECT_EQ(q.Blobs[1].Id.size(), 32u);  // both blank: a new id
         EXPECT_EQ(q.Blobs[1].BlobData.View(), std::string("\0\1\2", 3));
       }},
      {"cdata-option.xml",
       [](const TDocumentQueueRecord& q) {
         EXPECT_EQ(q.StackId.View(), "S1");
         EXPECT_EQ(q.State, kxQS_Idle);  // CDATA: the default
         EXPECT_EQ(q.Task, kxQT_Plumo);
         EXPECT_EQ(q.Retries, 3);
         EXPECT_EQ(q.Subject, u"");      // two text nodes: the default
         EXPECT_EQ(q.Language, "de");
         EXPECT_EQ(q.UserName, u"jane");
         EXPECT_EQ(q.Messages, u"line 1\nline 2");
       }},
      {"indented.xml",
       [](const TDocumentQueueRecord& q) {
         EXPECT_EQ(q.Subject, u"Invoice 4711");
         EXPECT_EQ(Stamp(q.CreationDate), "000B4646h02932E00h");
         ASSERT_EQ(q.MetaData.size(), 3u);
         EXPECT_EQ(q.MetaData[0].Value, u"12.5");
         EXPECT_EQ(q.MetaData[0].Confidence, 87.5);
         ASSERT_EQ(q.MetaData[0].Alternatives.size(), 2u);
         EXPECT_EQ(q.MetaData[0].Alternatives[0].VarType, 5);
         EXPECT_EQ(q.MetaData[0].Alternatives[1].Value, u"twelve");
         EXPECT_EQ(q.MetaData[1].Value, u"");     // indentation beside elements is none
         EXPECT_EQ(q.MetaData[2].Value, u"   ");  // blanks alone are the value
         ASSERT_EQ(q.MetaTableData.Rows.size(), 2u);
         EXPECT_EQ(q.MetaTableData.Header[0].ExtName, u"pos");
         EXPECT_EQ(q.MetaTableData.Rows[0].Confidence, 90);
         EXPECT_EQ(q.MetaTableData.Rows[1].Columns[0].Confidence, 0);
         EXPECT_EQ(q.MetaTableData.Rows[1].Columns[1].Page, 3);
         ASSERT_EQ(q.Blobs.size(), 1u);
         EXPECT_EQ(q.Blobs[0].BlobData.View(), "%PDF-1.4\n");
         EXPECT_EQ(q.Blobs[0].BlobSize, 9);
         EXPECT_EQ(q.Blobs[0].PageCount, 4);
       }},
      {"reordered.xml",
       [](const TDocumentQueueRecord& q) {
         EXPECT_EQ(q.State, kxQS_Error);  // the first Options
         EXPECT_EQ(q.Task, kxQT_Move);
         EXPECT_EQ(q.Messages, u"m");
         ASSERT_EQ(q.MetaData.size(), 1u);
         ASSERT_EQ(q.MetaTableData.Rows.size(), 1u);
         EXPECT_EQ(q.MetaTableData.Rows[0].Columns[0].Value.ToString(), u"v");
         ASSERT_EQ(q.Blobs.size(), 1u);
         EXPECT_EQ(q.Blobs[0].Id, "B1");
         EXPECT_EQ(q.Blobs[0].BlobData.View(), "xyz");
       }},
      {"latin1.xml",
       [](const TDocumentQueueRecord& q) {
         EXPECT_EQ(q.Subject, u"Größe · Ähre");
         ASSERT_EQ(q.MetaData.size(), 1u);
         EXPECT_EQ(q.MetaData[0].IntField, u"Straße");
         EXPECT_EQ(q.MetaData[0].Value, u"Maß");
         EXPECT_EQ(q.Blobs[0].BlobName, u"Bücher.txt");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Loaded l = Load(Source(c.file));
    ASSERT_TRUE(l.ok) << ToUtf8(l.message);
    c.check(l.q);

    // The document model reads the same texts.
    std::ifstream in(Source(c.file), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const kx::platform::XmlDocument dom = kx::platform::XmlDocument::Load(bytes);
    const kx::platform::XmlElement content = dom.DocumentElement().FindChild(u"Content");
    size_t i = 0;
    for (kx::platform::XmlNode n = content.FindChild(u"Index").FirstChild(); n; n = n.NextSibling()) {
      const kx::platform::XmlElement e = n.AsElement();
      if (!e || e.Name() != u"Field") continue;
      ASSERT_LT(i, l.q.MetaData.size());
      EXPECT_EQ(l.q.MetaData[i++].Value, VarToStr(TkxIXMLDocumentTools::GetNodeValue(e)));
    }
    EXPECT_EQ(i, l.q.MetaData.size());
    const kx::platform::XmlElement options = dom.DocumentElement().FindChild(u"Options");
    if (const kx::platform::XmlElement subject =
            options ? options.FindChild(u"Subject") : kx::platform::XmlElement();
        subject && subject.ChildNodes().size() == 1 &&
        subject.FirstChild().Kind() == kx::platform::XmlNodeKind::Text) {
      EXPECT_EQ(l.q.Subject, subject.Text());
    }
    size_t b = 0;
    for (kx::platform::XmlNode n = content.FindChild(u"Blobs").FirstChild(); n; n = n.NextSibling()) {
      const kx::platform::XmlElement e = n.AsElement();
      if (!e) continue;
      ASSERT_LT(b, l.q.Blobs.size());
      const kx::platform::XmlElement name = e.FindChild(u"Name");
      EXPECT_EQ(l.q.Blobs[b++].BlobName, name ? name.Text() : UnicodeString());
    }
  }
}

TEST_F(DocumentXmlReader, QueueToolsReadWithTheirTemporaryFolder) {
  TkxQueueTools tools;
  const std::string name = "R" + std::to_string(::getpid());
  Write("unused", "");
  std::ofstream(ToUtf8(tools.BlobTempPath) + name + ".txt", std::ios::binary) << "in temp";
  AnsiString xml = Doc("", "", "<Blob><Reference>" + name + "</Reference><Extension>.txt</Extension></Blob>");
  TDocumentQueueRecord q;
  EXPECT_TRUE(tools.LoadDocumentXML(q, xml, false, true, true)) << ToUtf8(tools.Message);
  std::remove((ToUtf8(tools.BlobTempPath) + name + ".txt").c_str());
  ASSERT_EQ(q.Blobs.size(), 1u);
  EXPECT_EQ(q.Blobs[0].BlobData.View(), "in temp");
  AnsiString bad = "<";
  EXPECT_FALSE(tools.LoadDocumentXML(q, bad, false, false, false));
  EXPECT_EQ(ToUtf8(tools.Message).rfind("error loading document xml (", 0), 0u);
}
