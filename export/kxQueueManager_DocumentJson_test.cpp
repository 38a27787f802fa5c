#include "export/kxQueueManager_DocumentJson.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "export/kxQueueManager_Tools.h"
#include "tests/support/JsonForTesting.h"
#include "platform/json/JsonReader.h"
#include "tests/support/ScratchFolder.h"

namespace {

using kx::platform::BsonValueToJson;
using kx::platform::ParseJsonToBson;

const TDateTime kWhen = EncodeDateTime(2024, 1, 31, 13, 45, 10, 123);

TDocumentQueueRecord Bare() {
  TDocumentQueueRecord q;
  q.Id = TIdType("DOC1");
  q.CreationDate = kWhen;
  q.Subject = u"s";
  return q;
}

std::string Json(TDocumentQueueRecord& q, bool options = false, bool data = true) {
  AnsiString json;
  UnicodeString message;
  EXPECT_TRUE(kxQueueManager::CreateDocumentJson(q, json, options, data, message));
  return json;
}

// The text of the first element of the document's array Member.
std::string First(const std::string& json, const char16_t* Member) {
  const BsonValue doc = ParseJsonToBson(json);
  for (const BsonElement& e : doc.Elements())
    if (e.Name == Member) return e.Value.Items().empty() ? "" : BsonValueToJson(e.Value.Items()[0]);
  return "missing";
}

TkxMetaField Field(const UnicodeString& Name, Variant Value, TVarType Type) {
  TkxMetaField f;
  f.IntField = Name;
  f.ExtField = Name;
  f.VarValue = std::move(Value);
  f.VarType = Type;
  f.Confidence = 100;
  return f;
}

class DocumentJson : public kx::testing::ScratchFolderTest {};

TEST_F(DocumentJson, BareRecordWithoutOptions) {
  TDocumentQueueRecord q = Bare();
  EXPECT_EQ(Json(q),
            R"({ "Id" : "DOC1", "StackId" : "", "CreationDate" : "2024-01-31T13:45:10.123Z", )"
            R"("ChangeDate" : "1899-12-30", "Language" : "", "Subject" : "s", "Messages" : "", )"
            R"("Fields" : [], "Rows" : [], "Blobs" : [] })");
}

TEST_F(DocumentJson, MembersInOrderWithOptions) {
  TDocumentQueueRecord q = Bare();
  q.Repository = u"repo";
  q.Version = 3;
  q.State = kxQS_Idle;
  q.ExportService = u"svc";
  q.Priority = -4;
  q.RetryDate = TDateTime(0.5);
  q.Retries = 7;  // never written
  const std::string json = Json(q, true);
  std::vector<std::string> names;
  const auto parsed = nlohmann::ordered_json::parse(json);
  for (auto it = parsed.begin(); it != parsed.end(); ++it) names.push_back(it.key());
  const std::vector<std::string> want = {
      "Id", "StackId", "URIDocId", "CreationDate", "ChangeDate", "Language", "Subject", "Messages",
      "State", "Task", "RetryDate", "CheckSum", "KeyHash", "Priority", "UserName", "Client",
      "Application", "Origin", "Project", "Destination", "ExportTitle", "Exportservice",
      "EngineBuffer", "ScriptBuffer", "ConvertScheme", "ScriptScheme", "PostScriptScheme",
      "ExportScheme", "Fields", "Rows", "Blobs"};
  EXPECT_EQ(names, want);
  EXPECT_EQ(parsed["URIDocId"], "doc://repo/DOC1/3");
  EXPECT_EQ(parsed["State"], "IDLE");
  EXPECT_EQ(parsed["Exportservice"], "svc");
  EXPECT_EQ(parsed["Priority"], -4);
  EXPECT_EQ(parsed["RetryDate"], "12:00:00");
}

TEST_F(DocumentJson, FieldMembers) {
  struct Case { TkxMetaField field; std::string want; };
  auto with = [](TkxMetaField f, auto change) { change(f); return f; };
  const Case cases[] = {
      {Field(u"A", Variant::FromInteger(3), 3), R"({ "Name" : "A", "Value" : 3, "Type" : "INT" })"},
      {Field(u"A", Variant::FromDouble(3), 5), R"({ "Name" : "A", "Value" : 3.0, "Type" : "DOUBLE" })"},
      {Field(u"A", Variant::FromBoolean(true), 11),
       R"({ "Name" : "A", "Value" : true, "Type" : "BOOLEAN" })"},
      {Field(u"A", Variant::FromDate(kWhen), 7),
       R"({ "Name" : "A", "Value" : "2024-01-31T13:45:10.123Z", "Type" : "DATE" })"},
      {Field(u"A", Variant::FromOleStr(u"\u00fc\t/"), 8),
       R"({ "Name" : "A", "Value" : "\u00fc\t/", "Type" : "UCS2STR" })"},
      {Field(u"A", Variant::Null(), 1), R"({ "Name" : "A", "Value" : null, "Type" : "NULL" })"},
      {with(Field(u"A", Variant(), 0), [](TkxMetaField& f) { f.ExtField = u"a"; }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY", "ExternalId" : "a" })"},
      // confidence only below 100, rounded half to even
      {with(Field(u"A", Variant(), 0), [](TkxMetaField& f) { f.Confidence = 99.5; }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY", "Confidence" : 100 })"},
      {with(Field(u"A", Variant(), 0), [](TkxMetaField& f) { f.Confidence = 87.5; }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY", "Confidence" : 88 })"},
      {with(Field(u"A", Variant(), 0), [](TkxMetaField& f) { f.Confidence = 86.5; }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY", "Confidence" : 86 })"},
      // a zone with a page or a width; Right and Bottom not written
      {with(Field(u"A", Variant(), 0), [](TkxMetaField& f) { f.Page = 2; f.Zone = {1.5, 2.5, 9, 9, 0, 4}; }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY", "Zone" : [2, 2, 2, 0, 4] })"},
      {with(Field(u"A", Variant(), 0), [](TkxMetaField& f) { f.Zone.Width = 0.4; }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY", "Zone" : [0, 0, 0, 0, 0] })"},
      {with(Field(u"A", Variant(), 0), [](TkxMetaField& f) { f.Zone.Left = 5; }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY" })"},
      // alternatives: value, confidence, zone; no type
      {with(Field(u"A", Variant(), 0),
            [](TkxMetaField& f) {
              TkxAlternativeValue a;
              a.VarValue = Variant::FromInt64(-1);
              a.VarType = 20;
              a.Confidence = 50;
              a.Page = 1;
              TkxAlternativeValue b;
              b.VarValue = Variant::FromOleStr(u"x");
              b.Confidence = 100;
              f.Alternatives = {a, b};
            }),
       R"({ "Name" : "A", "Value" : null, "Type" : "EMPTY", "Alternatives" : )"
       R"([{ "Value" : -1, "Confidence" : 50, "Zone" : [1, 0, 0, 0, 0] }, { "Value" : "x" }] })"},
  };
  for (const Case& c : cases) {
    TDocumentQueueRecord q = Bare();
    q.MetaData = {c.field};
    EXPECT_EQ(First(Json(q), u"Fields"), c.want);
    const std::string json = Json(q);
    EXPECT_NE(json.find(c.want), std::string::npos) << json;  // the writer's own bytes
  }
}

TEST_F(DocumentJson, FieldNamesAreTrimmedAndBlankOnesLeftOut) {
  TDocumentQueueRecord q = Bare();
  q.MetaData = {Field(u" \t ", Variant::FromOleStr(u"v"), 8), Field(u"\u3000Total\u00A0", Variant(), 0)};
  q.MetaData[1].ExtField = u" Total ";
  q.KeyHash = TIdType("STALE");
  const std::string json = Json(q);
  EXPECT_EQ(First(json, u"Fields"), R"({ "Name" : "Total", "Value" : null, "Type" : "EMPTY" })");
  EXPECT_EQ(q.MetaData[0].IntField, u"");
  EXPECT_EQ(q.MetaData[1].IntField, u"Total");
  EXPECT_EQ(q.MetaData[1].ExtField, u"Total");
  EXPECT_EQ(q.KeyHash, GetKeyHash(q.MetaData));  // recomputed although it was set
}

TEST_F(DocumentJson, RecordIsCompletedFromItsBuffers) {
  TDocumentQueueRecord q = Bare();
  q.Subject.clear();
  q.MetaData.clear();
  q.MetaDataBuffer = "<Meta><Total>12</Total></Meta>";
  q.MetaTableData.Header = {{u"A", u"A", 8}};  // no rows: the table comes from the buffer
  const std::string json = Json(q);
  EXPECT_EQ(q.MetaData.size(), 1u);
  EXPECT_EQ(q.Subject, GetSubjectText(q));
  EXPECT_FALSE(q.Subject.empty());
  EXPECT_TRUE(q.MetaTableData.Header.empty());
  EXPECT_NE(json.find(R"("Rows" : [])"), std::string::npos);
}

TEST_F(DocumentJson, TableRows) {
  TDocumentQueueRecord q = Bare();
  q.MetaTableData.Header = {{u"A", u"ExtA", 3}, {u"B", u"B", 8}};
  TkxMetaTableDataRow row;
  row.Confidence = 70.5;
  row.Page = 1;
  row.Columns.resize(3);  // one cell beyond the header
  row.Columns[0].Value = Variant::FromInteger(4);
  row.Columns[0].Confidence = 100;
  row.Columns[1].Confidence = 100;  // an empty cell
  row.Columns[2].Value = Variant::FromOleStr(u"x");
  row.Columns[2].Confidence = 100;
  row.Columns[2].Zone.Width = 3;
  q.MetaTableData.Rows = {row};
  EXPECT_EQ(First(Json(q), u"Rows"),
            R"({ "Confidence" : 70, "Zone" : [1, 0, 0, 0, 0], "Fields" : [)"
            R"({ "Name" : "A", "Value" : 4, "Type" : "INT" }, )"
            R"({ "Name" : "B", "Value" : null, "Type" : "EMPTY" }, )"
            R"({ "Name" : "", "Value" : "x", "Type" : "UCS2STR", "Zone" : [0, 0, 0, 3, 0] }] })");
}

TEST_F(DocumentJson, BlobMembers) {
  Write("empty.bin", "");
  Write("abcd.bin", "abcd");
  auto blob = [](auto change) {
    TkxBlob b;
    b.Id = "B\xFF";  // an 8-bit id travels through the codec
    b.BlobName = u"n";
    b.Extension = u".pdf";
    b.BlobSize = 4;
    change(b);
    return b;
  };
  const std::string head =
      R"({ "Id" : "B\udcff", "Name" : "n", "DocType" : "", "MimeType" : "", "Extension" : ".pdf", )"
      R"("Size" : 4, "Date" : "1899-12-30", "Pages" : 0)";
  struct Case { TkxBlob blob; bool data; std::string tail; };
  const Case cases[] = {
      {blob([](TkxBlob& b) { b.BlobData = ByteBuffer(std::string("abcd")); b.BlobRefId = "R"; }), true,
       R"(, "Data" : "YWJjZA==" })"},
      {blob([](TkxBlob& b) { b.BlobRefId = "R"; b.BlobLink = u"/missing"; }), true,
       R"(, "Reference" : "R" })"},  // the file is not read
      {blob([](TkxBlob& b) { b.BlobLink = u"/missing"; }), false, " }"},
      {blob([&](TkxBlob& b) { b.BlobLink = U("empty.bin"); }), true, R"(, "Data" : "" })"},
      {blob([&](TkxBlob& b) { b.BlobLink = U("abcd.bin"); }), true, R"(, "Data" : "YWJjZA==" })"},
      {blob([](TkxBlob& b) { b.BlobData = ByteBuffer(std::string("a")); b.Encryption = kxCM_AES256; b.DataSize = 9; }),
       false, R"(, "DataSize" : 9, "Encryption" : "AES256" })"},
  };
  for (const Case& c : cases) {
    TDocumentQueueRecord q = Bare();
    q.Blobs = {c.blob};
    EXPECT_EQ(First(Json(q, false, c.data), u"Blobs"), head + c.tail);
  }
}

TEST_F(DocumentJson, FailureEmptiesTheTextAndRaisesAgain) {
  TDocumentQueueRecord q = Bare();
  TkxBlob b;
  b.BlobLink = U("missing.bin");
  q.Blobs = {b};
  TkxQueueTools tools;
  AnsiString json = "old";
  try {
    tools.CreateDocumentJson(q, json, false, true);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"blob stream exception of file " + U("missing.bin"));
  }
  EXPECT_EQ(json, "");
  EXPECT_EQ(tools.Message, u"error creating document json (blob stream exception of file " +
                               U("missing.bin") + u")");

  // A confidence or zone that does not round into 64 bits is a conversion error.
  for (double bad : {-std::numeric_limits<double>::infinity(), -1e300}) {
    TDocumentQueueRecord r = Bare();
    r.MetaData = {Field(u"A", Variant(), 0)};
    r.MetaData[0].Confidence = bad;
    EXPECT_THROW(tools.CreateDocumentJson(r, json, false, true), EConvertError);
    EXPECT_NE(tools.Message.find(u"error creating document json ("), UnicodeString::npos);
    r.MetaData[0].Confidence = 100;
    r.MetaData[0].Zone.Width = -bad;
    EXPECT_THROW(tools.CreateDocumentJson(r, json, false, true), EConvertError);
  }
}

TEST_F(DocumentJson, OthersReadEveryOutput) {
  TDocumentQueueRecord q = Bare();
  q.Repository = u"r";
  q.Messages = u"line\r\nnext \"quoted\" \\ \x01 \U0001F600 \xD800";
  q.MetaData = {Field(u"A", Variant::FromDouble(0.1), 5), Field(u"B", Variant::FromInt64(INT64_MIN), 20)};
  q.MetaTableData.Header = {{u"C", u"C", 8}};
  TkxMetaTableDataRow row;
  row.Columns.resize(1);
  row.Columns[0].Value = Variant::FromOleStr(u"\u20ac");
  q.MetaTableData.Rows = {row};
  TkxBlob b;
  b.BlobData = ByteBuffer(std::string("\0\1\2\3\4", 5));
  q.Blobs = {b};
  std::vector<std::string> special;
  for (const bool options : {false, true}) {
    TDocumentQueueRecord r = q;
    const std::string json = Json(r, options);
    for (unsigned char c : json) ASSERT_TRUE(c >= 0x20 && c < 0x7F) << json;  // ASCII, no line break
    // nlohmann does not take lone surrogates: compared without that one.
    TDocumentQueueRecord plain = q;
    plain.Messages.pop_back();
    const std::string plainJson = Json(plain, options);
    EXPECT_EQ(kx::platform::NlohmannToBson(nlohmann::ordered_json::parse(plainJson)),
              ParseJsonToBson(plainJson));
    r.MetaData[0].VarValue = Variant::FromDouble(std::nan(""));
    special.push_back(Json(r, options));
  }
  if (!kx::platform::HavePython()) GTEST_SKIP() << "python3 is missing";
  const std::vector<std::string> python = kx::platform::PythonJsonRoundTrip(special);
  for (size_t i = 0; i < special.size(); ++i) {
    ASSERT_NE(python[i], "") << special[i];
    EXPECT_EQ(BsonValueToJson(ParseJsonToBson(python[i])), special[i]);
  }
}

}  // namespace
