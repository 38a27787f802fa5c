#include "export/kxQueueManager_DocumentXml.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/file/StagedFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/xml/XmlLintForTesting.h"

using kx::platform::StringXmlSink;
using kx::platform::XmlWriter;
using kxQueueManager::TkxDocumentXmlWriter;

namespace {

std::string TempDir() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr ? tmp : "/tmp";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return bytes;
}

// The document that one body part gives below a root "d", without the
// declaration.
template <class F>
std::string Body(F&& write) {
  std::string out;
  StringXmlSink sink(out);
  XmlWriter xml(sink);
  xml.StartElement("d");
  TkxDocumentXmlWriter doc(xml);
  write(doc);
  xml.EndElement();
  xml.Finish();
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<d>";
  EXPECT_EQ(out.compare(0, head.size(), head), 0) << out;
  return out.substr(head.size(), out.size() - head.size() - 4);
}

// What coreutils writes for the same bytes, less its final LF.
std::string CoreutilsBase64(const std::string& path) {
  const std::string outPath = path + ".b64";
  const std::string command = "base64 -w 76 '" + path + "' > '" + outPath + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::string text = ReadFile(outPath);
  std::remove(outPath.c_str());
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string WithoutCr(std::string text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

TkxMetaField Field(UnicodeString name, Variant value, TVarType type, double confidence) {
  TkxMetaField f;
  f.IntField = name;
  f.ExtField = name;
  f.VarValue = std::move(value);
  f.VarType = type;
  f.Confidence = confidence;
  return f;
}

}  // namespace

TEST(DocumentXml, FieldNameTrimTakesUnicodeSpaceAndControls) {
  struct Case { UnicodeString in, want; };
  const Case cases[] = {
      {u" \t Total \r\n", u"Total"},
      {u"\u00A0\u3000Total\u202F\u2028", u"Total"},  // spaces the platform trim keeps
      {u"\u0085\u009F\u007FTotal\u0001", u"Total"},
      {u"\u2000\u200A\u1680", u""},
      {u"In voice", u"In voice"},                  // inner space stays
      {u"\u200BTotal", u"\u200BTotal"},            // zero width space is no white space
  };
  for (const auto& c : cases) EXPECT_EQ(kxQueueManager::TrimDocumentFieldName(c.in), c.want);
}

TEST(DocumentXml, FieldConfidenceText) {
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(87), "87");
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(87.25), "87.25");
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(0), "0");
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(33.333333333333336), "33.3333333333333");
  // Beyond the plain range the platform's exponent form, as FloatToStr writes it.
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(-1e15), "-1E15");
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(1e-5), "1E-5");
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(0.0001), "0.0001");
  const char16_t saved = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = u',';
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(87.25), "87,25");
  EXPECT_EQ(kxQueueManager::DocumentConfidenceText(-2.5e-7), "-2,5E-7");
  FormatSettings().DecimalSeparator = saved;

}

TEST(DocumentXml, IndexFieldAttributesAndAlternatives) {
  TkxMetaField total = Field(u"Total", Variant::FromDouble(12.5), 5, 87);
  total.ExtField = u"total";  // differs in case only: still written
  total.Page = 2;
  total.Zone = {10.4, 20.6, 0, 0, 100, 50};
  TkxAlternativeValue same;
  same.VarValue = Variant::FromDouble(12.0);
  same.VarType = 5;
  same.Confidence = 100;
  same.Zone = {5, 5, 0, 0, 0, 9};  // no width: no zone
  TkxAlternativeValue other;
  other.VarValue = Variant::FromOleStr(u"12,5 EUR");
  other.VarType = 8;
  other.Confidence = 40.5;
  total.Alternatives = {same, other};

  TkxMetaField plain = Field(u"Name", Variant::FromOleStr(u"A&B"), 8, 100);
  plain.Value = u"not written";
  TkxMetaField empty = Field(u"", Variant::FromOleStr(u"x"), 8, 100);

  const std::string body = Body([&](TkxDocumentXmlWriter& w) {
    w.IndexField(total);
    w.IndexField(plain);
    w.IndexField(empty);
  });
  EXPECT_EQ(body,
            "<Field Name=\"Total\" ExternalId=\"total\" DataType=\"DOUBLE\" Confidence=\"87\" "
            "Page=\"2\" Zone=\"10,21,100,50\">12.50<Alternatives><Alternative>12.00</Alternative>"
            "<Alternative DataType=\"UCS2STR\" Confidence=\"40.5\">12,5 EUR</Alternative>"
            "</Alternatives></Field>"
            "<Field Name=\"Name\" DataType=\"UCS2STR\">A&amp;B</Field>");
}

TEST(DocumentXml, TextsXmlCannotCarryBecomeBlanks) {
  TkxMetaField f = Field(u"Na\fme", Variant::FromOleStr(u"a\fb\xD800" u"c\U0001F600"), 8, 100);
  f.ExtField = u"\x0001";
  TkxMetaTableData table;
  table.Header = {{u"Col\x0B", u"Ext\xDFFF", 8}};
  TkxMetaTableDataRow row;
  row.Columns.resize(1);
  row.Columns[0].Value = Variant::FromOleStr(u"\xFFFE");
  table.Rows = {row};
  TkxBlob blob;
  blob.Id = "\x01id";
  blob.BlobName = u"n\x02";
  blob.MimeType = u"m\x03";
  blob.Extension = u".e\x04";
  blob.DocType = u"d\x05";
  blob.BlobRefId = "r\x06";

  const std::string body = Body([&](TkxDocumentXmlWriter& w) {
    w.IndexField(f);
    w.Table(table);
    w.Blob(blob);
  });
  EXPECT_NE(body.find("Name=\"Na me\" ExternalId=\" \""), std::string::npos) << body;
  EXPECT_NE(body.find(">a b c\xF0\x9F\x98\x80<"), std::string::npos) << body;  // the pair stays
  EXPECT_NE(body.find("<Reference>r </Reference>"), std::string::npos) << body;
  EXPECT_EQ(kx::platform::XmlLintComplaint("<d>" + body + "</d>"), "");
}

TEST(DocumentXml, TableWritesHeaderAndCellsWithValues) {
  TkxMetaTableData table;
  table.Header = {{u"Item", u"ItemExt", 8}, {u"Price", u"", 5}, {u"Qty", u"Qty", 3}};
  TkxMetaTableDataRow first;
  first.Columns.resize(3);
  first.Columns[0].Value = Variant::FromOleStr(u"Nut <M8>");
  first.Columns[0].Confidence = 100;
  first.Columns[2].Value = Variant::FromInteger(4);  // column 1 stays empty: a gap
  first.Columns[2].Confidence = 87;
  first.Columns[2].Page = 1;
  first.Columns[2].Zone = {1, 2, 0, 0, 3, 4};
  first.Confidence = 87.25;
  first.Page = 1;
  first.Zone = {0, 0, 0, 0, 10, 1};
  TkxMetaTableDataRow allEmpty;
  allEmpty.Columns.resize(3);
  allEmpty.Columns[1].Value = Variant::Null();
  allEmpty.Confidence = 100;
  table.Rows = {first, allEmpty};

  EXPECT_EQ(Body([&](TkxDocumentXmlWriter& w) { w.Table(table); }),
            "<Table><Header><Fields>"
            "<Field Id=\"0\" ExternalId=\"ItemExt\" DataType=\"UCS2STR\">Item</Field>"
            "<Field Id=\"1\" ExternalId=\"\" DataType=\"DOUBLE\">Price</Field>"
            "<Field Id=\"2\" ExternalId=\"Qty\" DataType=\"INT\">Qty</Field>"
            "</Fields></Header><Rows>"
            "<Row Confidence=\"87.25\" Page=\"1\" Zone=\"0,0,10,1\">"
            "<Col Id=\"0\">Nut &lt;M8&gt;</Col>"
            "<Col Id=\"2\" Confidence=\"87.00\" Zone=\"1,2,3,4\" Page=\"1\">4</Col></Row>"
            "<Row/></Rows></Table>");

  // No table without a column or without a row.
  TkxMetaTableData noRows;
  noRows.Header = table.Header;
  TkxMetaTableData noHeader;
  noHeader.Rows = table.Rows;
  EXPECT_EQ(Body([&](TkxDocumentXmlWriter& w) {
              w.Table(noRows);
              w.Table(noHeader);
              w.TextElement("x", u"");
            }),
            "<x/>");
}

TEST(DocumentXml, BlobElementsReferenceAndData) {
  TkxBlob blob;
  blob.Id = "B1";
  blob.BlobName = u"scan.pdf";
  blob.MimeType = u"application/pdf";
  blob.Extension = u".pdf";
  blob.BlobSize = 3;
  blob.BlobDate = TDateTime(0);
  blob.PageCount = -1;
  blob.BlobRefId = "ABC-1";
  blob.BlobLink = u"/nonexistent/never/opened.pdf";  // a reference does not read the file
  const std::string head =
      "<Blob><Id>B1</Id><Name>scan.pdf</Name><MimeType>application/pdf</MimeType>"
      "<Extension>.pdf</Extension><Size>3</Size><Date>000A955Ah00000000h</Date>"
      "<Pages>-1</Pages>";
  EXPECT_EQ(Body([&](TkxDocumentXmlWriter& w) { w.Blob(blob); }),
            head + "<Reference>ABC-1</Reference></Blob>");

  // Bytes and a reference: embedded. Encrypted: DataSize and Encryption.
  blob.BlobData = ByteBuffer(std::string("Man"));
  blob.Encryption = kxCM_AES256;
  blob.DataSize = 16;
  EXPECT_EQ(Body([&](TkxDocumentXmlWriter& w) { w.Blob(blob); }),
            head + "<DataSize>16</DataSize><Encryption>AES256</Encryption>"
                   "<Data><![CDATA[TWFu]]></Data></Blob>");

  // A zero-byte file keeps its Data element with an empty section; no Id or
  // DocType when empty.
  const std::string emptyPath = TempDir() + "/docxml-empty.bin";
  WriteFile(emptyPath, "");
  TkxBlob zero;
  zero.BlobLink = ToUtf16(emptyPath);
  EXPECT_EQ(Body([&](TkxDocumentXmlWriter& w) { w.Blob(zero); }),
            "<Blob><Name/><MimeType/><Extension/><Size>0</Size><Date>000A955Ah00000000h</Date>"
            "<Pages>0</Pages><Data><![CDATA[]]></Data></Blob>");
  std::remove(emptyPath.c_str());
}

TEST(DocumentXml, BlobBase64MatchesCoreutilsFromBufferAndFile) {
  const size_t sizes[] = {0, 1, 56, 57, 58, 114, kxQueueManager::kDocumentBlobBlock,
                          kxQueueManager::kDocumentBlobBlock + 58};
  const std::string path = TempDir() + "/docxml-blob.bin";
  for (size_t size : sizes) {
    const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
    WriteFile(path, bytes);
    const std::string want = CoreutilsBase64(path);

    TkxBlob inMemory;
    inMemory.BlobData = ByteBuffer(bytes);
    TkxBlob onDisk;
    onDisk.BlobLink = ToUtf16(path);
    for (const TkxBlob* blob : {&inMemory, &onDisk}) {
      if (size == 0 && blob == &inMemory) continue;  // no bytes in memory means "read the file"
      const std::string body = Body([&](TkxDocumentXmlWriter& w) { w.BlobData(*blob); });
      ASSERT_EQ(body.rfind("<Data><![CDATA[", 0), 0u) << size;
      ASSERT_EQ(body.substr(body.size() - 10), "]]></Data>") << size;
      const std::string text = body.substr(15, body.size() - 25);
      EXPECT_EQ(WithoutCr(text), want) << "size " << size;
      if (!text.empty()) {
        EXPECT_NE(text.back(), '\n') << size;
      }
    }
  }
  std::remove(path.c_str());
}

TEST(DocumentXml, UnreadableBlobFileRaisesWithItsPath) {
  TkxBlob blob;
  blob.BlobLink = ToUtf16(TempDir() + "/docxml-missing.bin");
  try {
    Body([&](TkxDocumentXmlWriter& w) { w.Blob(blob); });
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"blob stream exception of file " + blob.BlobLink);
    EXPECT_EQ(e.ClassName(), u"Exception");
  }
}

TEST(DocumentXml, FileSinkGivesTheStringSinkBytes) {
  const std::string blobPath = TempDir() + "/docxml-sink-blob.bin";
  WriteFile(blobPath, RandomBytes(kxQueueManager::kDocumentBlobBlock * 2 + 5, 7));
  TkxBlob blob;
  blob.BlobLink = ToUtf16(blobPath);
  TkxMetaField f = Field(u"F", Variant::FromOleStr(std::u16string(3000, u'x')), 8, 50);
  auto write = [&](kx::platform::XmlSink& sink) {
    XmlWriter xml(sink);
    xml.StartElement("d");
    TkxDocumentXmlWriter doc(xml);
    doc.IndexField(f);
    doc.Blob(blob);
    xml.EndElement();
    xml.Finish();
  };
  std::string inMemory;
  StringXmlSink stringSink(inMemory);
  write(stringSink);

  const std::string outPath = TempDir() + "/docxml-sink.xml";
  {
    kx::platform::StagedFile staged(ToUtf16(outPath));
    kx::platform::FileXmlSink fileSink(staged);
    write(fileSink);
    ASSERT_TRUE(staged.Publish(ToUtf16(outPath), true));
  }
  EXPECT_EQ(ReadFile(outPath), inMemory);
  std::remove(outPath.c_str());
  std::remove(blobPath.c_str());
}

// ---- The whole document ----------------------------------------------------------------

namespace {

constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr const char* kEmptyMd5 = "D41D8CD98F00B204E9800998ECF8427E";

TDocumentQueueRecord SmallRecord() {
  TDocumentQueueRecord q;
  q.Id = TIdType("4711");
  q.State = kxQS_Idle;
  q.Task = kxQT_Export;
  q.CreationDate = EncodeDateTime(2024, 1, 1, 12, 0, 0, 0);
  q.ChangeDate = TDateTime(0);
  q.Language = "DE";
  q.Subject = u"S";
  return q;
}

std::string Names(const std::string& xml, const std::string& parent) {
  // The element names directly inside the first <parent>...</parent>.
  const size_t from = xml.find("<" + parent + ">") + parent.size() + 2;
  const size_t to = xml.find("</" + parent + ">");
  std::string names;
  int depth = 0;
  for (size_t i = from; i < to; ++i) {
    if (xml[i] != '<') continue;
    if (xml[i + 1] == '/') {
      --depth;
      continue;
    }
    size_t end = xml.find_first_of(" />", i + 1);
    if (depth == 0) names += xml.substr(i + 1, end - i - 1) + " ";
    const size_t close = xml.find('>', i);
    if (xml[close - 1] != '/') ++depth;
  }
  return names;
}

}  // namespace

TEST(DocumentXml, EmptyRecordWithShortOptions) {
  TDocumentQueueRecord q = SmallRecord();
  AnsiString xml;
  UnicodeString message = u"old";
  ASSERT_TRUE(kxQueueManager::CreateDocumentXML(q, xml, false, message));
  EXPECT_EQ(xml, std::string(kDecl) +
                     "<kxDocument Id=\"4711\" StackId=\"\"><Options>"
                     "<CreationDate>000B4646h02932E00h</CreationDate>"
                     "<ChangeDate>000A955Ah00000000h</ChangeDate><Language>DE</Language>"
                     "<Subject>S</Subject><Messages/></Options>"
                     "<Content><Index/><Blobs/></Content></kxDocument>");
  EXPECT_EQ(q.KeyHash.View(), kEmptyMd5);
}

TEST(DocumentXml, FullOptionsInOrder) {
  TDocumentQueueRecord q = SmallRecord();
  q.ExportService = u"svc";
  q.Priority = -3;
  q.Repository = u"main";
  q.Version = 3;
  AnsiString xml;
  UnicodeString message;
  ASSERT_TRUE(kxQueueManager::CreateDocumentXML(q, xml, true, message));
  EXPECT_EQ(Names(xml, "Options"),
            "State Task CreationDate ChangeDate RetryDate Language CheckSum KeyHash Priority "
            "Subject UserName Client Application Origin Project Destination ExportTitle "
            "Exportservice EngineBuffer ScriptBuffer ConvertScheme ScriptScheme "
            "PostScriptScheme ExportScheme Messages ");
  EXPECT_NE(xml.find("<kxDocument Id=\"4711\" StackId=\"\" URIDocId=\"doc://main/4711/3\">"),
            std::string::npos);
  EXPECT_NE(xml.find("<State>IDLE</State><Task>EXPORT</Task>"), std::string::npos);
  EXPECT_NE(xml.find("<KeyHash>" + std::string(kEmptyMd5) + "</KeyHash><Priority>-3</Priority>"),
            std::string::npos);
  EXPECT_NE(xml.find("<Exportservice>svc</Exportservice>"), std::string::npos);
  EXPECT_EQ(kx::platform::XmlLintComplaint(xml), "");
}

TEST(DocumentXml, RecordIsCompletedAndKeepsTheChanges) {
  TDocumentQueueRecord q = SmallRecord();
  q.Subject.clear();
  TkxMetaField blank = Field(u" \u00A0 ", Variant::FromOleStr(u"gone"), 8, 100);
  TkxMetaField invoice = Field(u"\u3000Invoice\t", Variant::FromOleStr(u"4711"), 8, 100);
  invoice.Value = u"4711";
  invoice.ExtField = u" Invoice ";
  q.MetaData = {blank, invoice};
  q.MetaTableData.Header = {{u"Item", u"Item", 8}};  // no rows: the table is replaced

  AnsiString xml;
  UnicodeString message;
  ASSERT_TRUE(kxQueueManager::CreateDocumentXML(q, xml, false, message));
  EXPECT_EQ(q.MetaData[0].IntField, u"");
  EXPECT_EQ(q.MetaData[1].IntField, u"Invoice");
  EXPECT_EQ(q.MetaData[1].ExtField, u"Invoice");
  EXPECT_EQ(q.Subject, GetSubjectText(q));
  EXPECT_FALSE(q.Subject.empty());
  EXPECT_EQ(q.KeyHash, GetKeyHash(q.MetaData));
  EXPECT_TRUE(q.MetaTableData.Header.empty());
  EXPECT_EQ(Names(xml, "Index"), "Field ");
  EXPECT_NE(xml.find("<Field Name=\"Invoice\" DataType=\"UCS2STR\">4711</Field>"),
            std::string::npos);
}

TEST(DocumentXml, FailureEmptiesTheTextAndSaysWhy) {
  TDocumentQueueRecord q = SmallRecord();
  q.Subject.clear();
  TkxBlob a, b;
  a.BlobName = u"first.pdf";
  a.BlobData = ByteBuffer(std::string("x"));
  b.BlobName = u"second.pdf";
  b.BlobLink = ToUtf16(TempDir() + "/docxml-nothing-here.pdf");
  q.Blobs = {a, b};
  AnsiString xml = "old";
  UnicodeString message;
  EXPECT_FALSE(kxQueueManager::CreateDocumentXML(q, xml, true, message));
  EXPECT_EQ(xml, "");
  EXPECT_EQ(message, u"error creating document xml (blob stream exception of file " +
                         b.BlobLink + u")");
  EXPECT_EQ(q.Subject, u"first.pdf");  // completed before the failure, kept
}

TEST(DocumentXml, FieldsAndTableFromTheBuffers) {
  TDocumentQueueRecord q = SmallRecord();
  q.MetaDataBuffer = "<Meta><Total DataType=\"DOUBLE\" Confidence=\"87\">12.50</Total></Meta>";
  q.MetaTableDataBuffer =
      "<T><Header><C ExternalId=\"ItemExt\">Item</C></Header>"
      "<Rows><R Page=\"2\"><V Id=\"0\">Nut</V></R></Rows></T>";
  AnsiString xml;
  UnicodeString message;
  ASSERT_TRUE(kxQueueManager::CreateDocumentXML(q, xml, false, message)) << ToUtf8(message);
  ASSERT_EQ(q.MetaData.size(), 1u);
  EXPECT_EQ(q.MetaTableData.Rows.size(), 1u);
  EXPECT_NE(xml.find("<Index><Field Name=\"Total\" DataType=\"DOUBLE\" Confidence=\"87\">12.50"
                     "</Field><Table><Header><Fields><Field Id=\"0\" ExternalId=\"ItemExt\" "
                     "DataType=\"UCS2STR\">Item</Field></Fields></Header><Rows><Row Page=\"2\">"
                     "<Col Id=\"0\">Nut</Col></Row></Rows></Table></Index>"),
            std::string::npos)
      << xml;

  // A buffer that does not parse fails the document.
  TDocumentQueueRecord bad = SmallRecord();
  bad.MetaTableDataBuffer = "<T><Header>";
  EXPECT_FALSE(kxQueueManager::CreateDocumentXML(bad, xml, false, message));
  EXPECT_EQ(message.rfind(u"error creating document xml (", 0), 0u) << ToUtf8(message);
  EXPECT_EQ(xml, "");
}
