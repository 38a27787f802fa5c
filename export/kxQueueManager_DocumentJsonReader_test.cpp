#include "export/kxQueueManager_DocumentJsonReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

#include "export/kxQueueManager_DocumentJson.h"
#include "export/kxQueueManager_DocumentXml.h"
#include "export/kxQueueManager_Save.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/NumberText.h"
#include "system/kxFiles_Contents.h"
#include "system/kxTypes_Variant.h"
#include "tests/support/ScratchFolder.h"

namespace {

class LoadJson : public kx::testing::ScratchFolderTest {
 protected:
  // Loads Input into q; "" on success, else the Message (and the error
  // raised carries the same inner text).
  std::string Load(const std::string& Input, TDocumentQueueRecord& q, bool NewId = false,
                   bool Refs = false, bool RefData = false) {
    UnicodeString message;
    try {
      kxQueueManager::LoadDocumentJson(q, Input, NewId, Refs, RefData, TempFolder(), message);
      return "";
    } catch (const Exception& e) {
      EXPECT_EQ(message, u"error loading document json (" + e.Message + u")");
      return ToUtf8(message);
    }
  }
  TDocumentQueueRecord Loaded(const std::string& Input, bool NewId = false) {
    TDocumentQueueRecord q;
    const std::string error = Load(Input, q, NewId);
    EXPECT_EQ(error, "") << Input;
    return q;
  }
  UnicodeString TempFolder() const { return U("temp/"); }
};

std::string Doc(const std::string& members) { return "{ " + members + " }"; }

TEST_F(LoadJson, BlankInputLeavesTheRecordUnchanged) {
  for (const std::string& input : {std::string(), std::string(" \r\n\t "), std::string("\0 ", 2)}) {
    TDocumentQueueRecord q;
    q.Subject = u"kept";
    const TDocumentQueueRecord before = q;
    EXPECT_EQ(Load(input, q), "error loading document json (empty json buffer - processing aborted)");
    EXPECT_EQ(q, before);
  }
}

TEST_F(LoadJson, OptionsAndTheirDefaults) {
  const TDocumentQueueRecord q = Loaded(Doc(R"("Id" : "D", "Subject" : "s")"));
  EXPECT_EQ(q.State, kxQS_Idle);
  EXPECT_EQ(q.Task, kxQT_Export);
  EXPECT_EQ(q.Priority, 0);
  EXPECT_EQ(q.Retries, 0);
  EXPECT_EQ(q.RetryDate, TDateTime(0));
  EXPECT_EQ(q.CreationDate, TDateTime(0));
  EXPECT_EQ(q.UserName, u"");  // the reset's values are replaced
  EXPECT_EQ(q.Client, u"");
  EXPECT_EQ(q.Subject, u"s");

  const TDocumentQueueRecord o = Loaded(Doc(
      R"("State" : "error", "Task" : "nonsense", "Retries" : "12", "Priority" : 4294967297, )"
      R"("CreationDate" : "2024-01-31T13:45:10.123Z", "ChangeDate" : "2024-01-31", "RetryDate" : "x", )"
      R"("Language" : "de\udcff", "CheckSum" : "0123456789012345678901234567890123", "KeyHash" : "K", )"
      R"("Exportservice" : "svc", "UserName" : null, "Client" : 5.50, "Application" : [1])"));
  EXPECT_EQ(o.State, kxQS_Error);
  EXPECT_EQ(o.Task, kxQT_Unknown);
  EXPECT_EQ(o.Retries, 12);   // a text holding a whole number
  EXPECT_EQ(o.Priority, 1);   // the low 32 bits
  EXPECT_EQ(o.CreationDate, EncodeDateTime(2024, 1, 31, 13, 45, 10, 123));
  EXPECT_EQ(o.ChangeDate, EncodeDate(2024, 1, 31));
  EXPECT_EQ(o.RetryDate, TDateTime(0));  // unreadable
  EXPECT_EQ(o.Language, "de\xFF");
  EXPECT_EQ(o.CheckSum.View(), "01234567890123456789012345678901");
  EXPECT_EQ(o.KeyHash.View(), "K");  // given, so not computed
  EXPECT_EQ(o.ExportService, u"svc");
  EXPECT_EQ(o.UserName, u"null");
  EXPECT_EQ(o.Client, u"5.5");
  EXPECT_EQ(o.Application, u"");  // an array read as text gives the default
}

TEST_F(LoadJson, Identity) {
  const std::string doc = Doc(R"("Id" : "DOC", "StackId" : "S", "URIDocId" : "doc://repo/LINKED/4")");
  const TDocumentQueueRecord linked = Loaded(doc);
  EXPECT_EQ(linked.Id.View(), "LINKED");  // the link's id replaces "Id"
  EXPECT_EQ(linked.StackId.View(), "S");
  EXPECT_EQ(linked.Repository, u"repo");
  EXPECT_EQ(linked.Version, 4u);

  const TDocumentQueueRecord fresh = Loaded(doc, true);
  EXPECT_FALSE(fresh.Id.IsEmpty());
  EXPECT_NE(fresh.Id.View(), "LINKED");
  EXPECT_NE(fresh.Id.View(), "DOC");
  EXPECT_TRUE(fresh.StackId.IsEmpty());
  EXPECT_EQ(fresh.Repository, u"");
  EXPECT_EQ(fresh.Version, 1u);

  EXPECT_TRUE(Loaded(Doc(R"("StackId" : "S")")).Id.IsEmpty());  // a missing "Id" gives none
}

TEST_F(LoadJson, Fields) {
  const TDocumentQueueRecord q = Loaded(Doc(
      R"("Fields" : [)"
      R"({ "Name" : "A", "Value" : "2024-01-31T13:45:10.123Z", "Type" : "DATE" }, )"
      R"({ "Name" : "B", "Value" : 5, "Type" : "INT", "Confidence" : 87.5, "ExternalId" : "b" }, )"
      R"({ "Name" : "C", "Value" : 5, "Type" : "DOUBLE", "Zone" : [1, 2, 3, 4] }, )"
      R"({ "Name" : "D", "Value" : 2.5, "Zone" : [2, 10.9, "11", 12, -1], "Alternatives" : )"
      R"([{ }, { "Value" : 7, "Confidence" : "86.5", "Zone" : [1, 1, 1, 1, 1] }] }, )"
      R"({ "Value" : { "x" : 1 }, "Type" : "nonsense" }])"));
  ASSERT_EQ(q.MetaData.size(), 5u);
  const TkxMetaField& a = q.MetaData[0];
  EXPECT_EQ(a.VarValue, Variant::FromDate(EncodeDateTime(2024, 1, 31, 13, 45, 10, 123)));
  EXPECT_EQ(a.VarType, 7);
  EXPECT_EQ(a.ExtField, u"A");  // default: the name
  EXPECT_EQ(a.Confidence, 100);
  const TkxMetaField& b = q.MetaData[1];
  EXPECT_EQ(b.VarValue, Variant::FromInteger(5));
  EXPECT_EQ(b.VarType, 3);
  EXPECT_EQ(b.Value, u"5");
  EXPECT_EQ(b.Confidence, 88);
  EXPECT_EQ(b.ExtField, u"b");
  const TkxMetaField& c = q.MetaData[2];
  EXPECT_EQ(c.VarValue, Variant::FromInteger(5));  // the JSON kind decides the value
  EXPECT_EQ(c.VarType, 5);
  EXPECT_EQ(c.Page, 0);  // four numbers set nothing
  EXPECT_EQ(c.Zone, TRelRect());
  const TkxMetaField& d = q.MetaData[3];
  EXPECT_EQ(d.VarValue, Variant::FromDouble(2.5));
  EXPECT_EQ(d.VarType, 5);  // no type: the value's own
  EXPECT_EQ(d.Page, 2);
  EXPECT_EQ(d.Zone.Left, 10);  // cut toward zero
  EXPECT_EQ(d.Zone.Top, 11);
  EXPECT_EQ(d.Zone.Width, 12);
  EXPECT_EQ(d.Zone.Height, -1);
  EXPECT_EQ(d.Zone.Right, 0);  // not carried
  ASSERT_EQ(d.Alternatives.size(), 2u);
  EXPECT_EQ(d.Alternatives[0].VarValue, Variant::FromUString(u""));
  EXPECT_EQ(d.Alternatives[0].Confidence, 100);
  EXPECT_EQ(d.Alternatives[1].VarValue, Variant::FromInteger(7));
  EXPECT_EQ(d.Alternatives[1].Value, u"7");
  EXPECT_EQ(d.Alternatives[1].Confidence, 86);
  EXPECT_EQ(d.Alternatives[1].Page, 1);
  EXPECT_EQ(d.Alternatives[1].VarType, 0);  // not read
  const TkxMetaField& e = q.MetaData[4];
  EXPECT_EQ(e.IntField, u"");
  EXPECT_EQ(e.VarValue, Variant::Null());
  EXPECT_EQ(e.VarType, 1);
  EXPECT_EQ(q.KeyHash, GetKeyHash(q.MetaData));
}

TEST_F(LoadJson, RequiredArraysAndObjects) {
  const std::string array = "error loading document json (Invalid cast (TgoBsonValue.AsBsonArray))";
  const std::string object = "error loading document json (Invalid cast (TgoBsonValue.AsBsonDocument))";
  struct Case { std::string members; std::string want; };
  const Case cases[] = {
      {R"("Fields" : {})", array},
      {R"("Rows" : "x")", array},
      {R"("Blobs" : null)", array},
      {R"("Fields" : [{ "Alternatives" : 1 }])", array},
      {R"("Fields" : [{ "Zone" : "1,2,3,4" }])", array},
      {R"("Rows" : [{ "Fields" : { } }])", array},
      {R"("Rows" : [{ "Zone" : 5 }])", array},
      {R"("Fields" : [1])", object},
      {R"("Fields" : [{ "Alternatives" : [[]] }])", object},
      {R"("Rows" : [null])", object},
      {R"("Rows" : [{ "Fields" : ["A"] }])", object},
      {R"("Blobs" : [[]])", object},
      {R"("Fields" : [{ "Zone" : [{ }, [], "x", null, true] }])", ""},  // zone numbers are read leniently
  };
  for (const Case& c : cases) {
    TDocumentQueueRecord q;
    EXPECT_EQ(Load(Doc(c.members), q), c.want) << c.members;
  }
}

TEST_F(LoadJson, SyntaxErrorsAndRepeatedNames) {
  TDocumentQueueRecord q;
  EXPECT_EQ(Load("{ \"Id\" : \"a\",\n  \"Id\" : \"b\" }", q),
            "error loading document json (JSON member name \"Id\" repeated at line 2, column 3)");
  EXPECT_EQ(Load("{ \"Fields\" : [1 2] }", q),
            "error loading document json (JSON syntax error at line 1, column 17: expected ',' or ']')");
  EXPECT_EQ(Load("[]", q),
            "error loading document json (JSON syntax error at line 1, column 1: "
            "the top-level value is not an object)");
  // A path to a missing ".json" file is read as text, and fails as such.
  const std::string missing = P("missing.json");
  EXPECT_EQ(Load(missing, q),
            "error loading document json (JSON syntax error at line 1, column 1: "
            "the top-level value is not an object)");
}

TEST_F(LoadJson, TableCellsArePlacedByName) {
  const TDocumentQueueRecord q = Loaded(Doc(
      R"("Rows" : [{ "Confidence" : 50, "Fields" : [)"
      R"({ "Name" : "A", "Value" : 1, "Type" : "INT" }, { "Name" : "B", "Value" : "x", "ExternalId" : "ExtB" }]}, )"
      R"({ "Zone" : [3, 1, 1, 1, 1], "Fields" : [)"
      R"({ "Name" : "B", "Value" : null, "Type" : "NULL", "Confidence" : 20 }, { "Name" : "C", "Value" : 2.5 }]}, )"
      R"({ }])"));
  const TkxMetaTableData& t = q.MetaTableData;
  ASSERT_EQ(t.Header.size(), 3u);
  EXPECT_EQ(t.Header[0], (TkxMetaTableDataHeaderField{u"A", u"A", 3}));
  EXPECT_EQ(t.Header[1], (TkxMetaTableDataHeaderField{u"B", u"ExtB", 258}));  // NULL keeps the type
  EXPECT_EQ(t.Header[2], (TkxMetaTableDataHeaderField{u"C", u"C", 5}));
  ASSERT_EQ(t.Rows.size(), 3u);
  for (const TkxMetaTableDataRow& row : t.Rows) EXPECT_EQ(row.Columns.size(), 3u);
  EXPECT_EQ(t.Rows[0].Confidence, 50);
  EXPECT_EQ(t.Rows[0].Columns[0].Value, Variant::FromInteger(1));
  EXPECT_EQ(t.Rows[0].Columns[1].Value, Variant::FromUString(u"x"));
  EXPECT_EQ(t.Rows[0].Columns[2].Value, Variant::Null());  // padded
  EXPECT_EQ(t.Rows[0].Columns[2].Confidence, 100);
  EXPECT_EQ(t.Rows[1].Page, 3);
  EXPECT_EQ(t.Rows[1].Columns[0].Value, Variant::Null());
  EXPECT_EQ(t.Rows[1].Columns[0].Confidence, 100);
  EXPECT_EQ(t.Rows[1].Columns[1].Confidence, 20);
  EXPECT_EQ(t.Rows[1].Columns[2].Value, Variant::FromDouble(2.5));
  EXPECT_EQ(t.Rows[2].Confidence, 100);
  EXPECT_EQ(t.Rows[2].Columns[1].Value, Variant::Null());
}

TEST_F(LoadJson, BlobMembers) {
  const TDocumentQueueRecord q = Loaded(Doc(
      R"("Blobs" : [)"
      R"({ "Id" : "B\udcff", "Extension" : ".PDF", "Data" : "YWJj", "Size" : 0, "Pages" : "3" }, )"
      R"({ "MimeType" : "image/jpeg", "Data" : "YW\/j\r\nZA==", "Size" : 10, "DataSize" : 8589934592, )"
      R"("Encryption" : "aes256", "Date" : "2024-01-31" }, )"
      R"({ "Reference" : "R", "Extension" : ".tif" }])"));
  ASSERT_EQ(q.Blobs.size(), 3u);
  const TkxBlob& a = q.Blobs[0];
  EXPECT_EQ(a.Id, "B\xFF");
  EXPECT_EQ(a.Extension, u".pdf");
  EXPECT_EQ(a.MimeType, u"application/pdf");  // from the extension
  EXPECT_EQ(a.BlobData.View(), "abc");
  EXPECT_EQ(a.BlobSize, 3);  // 0 becomes the number of bytes
  EXPECT_EQ(a.PageCount, 3);
  const TkxBlob& b = q.Blobs[1];
  EXPECT_EQ(b.Extension, u".jpg");  // from the MIME type
  EXPECT_EQ(b.BlobData.View(), "ao\xE3" "d");  // unescaped, then decoded
  EXPECT_EQ(b.BlobSize, 10);
  EXPECT_EQ(b.DataSize, 8589934592);
  EXPECT_EQ(b.Encryption, kxCM_AES256);
  EXPECT_EQ(b.BlobDate, EncodeDate(2024, 1, 31));
  const TkxBlob& c = q.Blobs[2];  // without LoadBlobRefs the reference stays
  EXPECT_EQ(c.BlobRefId, "R");
  EXPECT_EQ(c.BlobLink, u"");
  EXPECT_TRUE(c.BlobData.Empty());
  EXPECT_EQ(c.MimeType, u"image/tiff");
}

TEST_F(LoadJson, ReferencesAreFoundBesideTheDocumentThenInTheTempFolder) {
  Write("in/R.tif", "beside");
  Write("temp/T.tif", "temporary");
  const std::string doc = Doc(
      R"("Blobs" : [{ "Reference" : "R", "Extension" : ".tif" }, { "Reference" : " T ", "Extension" : ".tif" }, )"
      R"({ "Reference" : "T", "Extension" : ".tif", "Data" : "eA==" }, { "Reference" : " ", "Extension" : ".tif" }])");
  Write("in/doc.JSON", doc);
  TDocumentQueueRecord q;
  // " T " is looked for as it stands (and not found)
  EXPECT_EQ(Load(P("in/doc.JSON"), q, false, true, true),
            "error loading document json (referenced blob with id  T  not found ( T .tif))");
  Write("in/doc.JSON", Doc(
      R"("Blobs" : [{ "Reference" : "R", "Extension" : ".tif" }, { "Reference" : "T", "Extension" : ".tif" }, )"
      R"({ "Reference" : "T", "Extension" : ".tif", "Data" : "eA==" }, { "Reference" : " ", "Extension" : ".tif" }])"));
  ASSERT_EQ(Load(P("in/doc.JSON"), q, false, true, true), "");
  ASSERT_EQ(q.Blobs.size(), 4u);
  EXPECT_EQ(q.Blobs[0].BlobLink, U("in/R.tif"));
  EXPECT_EQ(q.Blobs[0].OrgLink, U("in/R.tif"));
  EXPECT_EQ(q.Blobs[0].BlobData.View(), "beside");
  EXPECT_EQ(q.Blobs[0].BlobSize, 6);
  EXPECT_EQ(q.Blobs[1].BlobLink, U("temp/T.tif"));
  EXPECT_EQ(q.Blobs[1].BlobData.View(), "temporary");
  EXPECT_EQ(q.Blobs[2].BlobLink, u"");  // it carries its bytes
  EXPECT_EQ(q.Blobs[3].BlobLink, u"");  // a blank reference is none

  // Without the data, only the links and the size.
  ASSERT_EQ(Load(P("in/doc.JSON"), q, false, true, false), "");
  EXPECT_EQ(q.Blobs[0].BlobLink, U("in/R.tif"));
  EXPECT_TRUE(q.Blobs[0].BlobData.Empty());
  EXPECT_EQ(q.Blobs[0].BlobSize, 6);

  // Text input has no document folder: the name alone, from the current folder.
  EXPECT_EQ(Load(Read("in/doc.JSON"), q, false, true, false),
            "error loading document json (referenced blob with id R not found (R.tif))");
  char* cwd = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(P("in").c_str()), 0);
  const std::string error = Load(Read("in/doc.JSON"), q, false, true, false);
  ASSERT_EQ(::chdir(cwd), 0);
  std::free(cwd);
  EXPECT_EQ(error, "");
  EXPECT_EQ(q.Blobs[0].BlobLink, u"R.tif");
}

TEST_F(LoadJson, UnsafeReferencesAreRefused) {
  Write("secret.tif", "secret");
  Write("in/sub/x.tif", "x");
  for (const std::string& ref : {std::string("../secret"), std::string("sub/x"), std::string("sub\\\\x"), P("secret")}) {
    Write("in/doc.json", Doc(R"("Blobs" : [{ "Reference" : ")" + ref + R"(", "Extension" : ".tif" }])"));
    TDocumentQueueRecord q;
    const std::string error = Load(P("in/doc.json"), q, false, true, true);
    EXPECT_NE(error.find("not found ("), std::string::npos) << ref << ": " << error;
  }
  for (const std::string ext : {"/../../secret.tif", "\\u0000"}) {
    Write("in/doc.json", Doc(R"("Blobs" : [{ "Reference" : "x", "Extension" : ")" + ext + R"(" }])"));
    TDocumentQueueRecord q;
    EXPECT_NE(Load(P("in/doc.json"), q, false, true, true).find("not found ("), std::string::npos) << ext;
  }
}

TEST_F(LoadJson, StoredCopiesAreFoundWhateverTheirCase) {
  Write("in/ABC-1.PDF", "stored");
  Write("in/doc.json", Doc(R"("Blobs" : [{ "Reference" : "ABC-1", "Extension" : ".pdf" }])"));
  TDocumentQueueRecord q;
  ASSERT_EQ(Load(P("in/doc.json"), q, false, true, true), "");
  EXPECT_EQ(q.Blobs[0].BlobLink, U("in/ABC-1.PDF"));
  EXPECT_EQ(q.Blobs[0].BlobData.View(), "stored");
}

TEST_F(LoadJson, Utf16FilesAreConverted) {
  const std::u16string text = u"{ \"Subject\" : \"\u00fcber\" }";
  for (const bool little : {true, false}) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t c : text) {
      const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
      bytes += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    Write("doc.json", bytes);
    EXPECT_EQ(Loaded(P("doc.json")).Subject, u"\u00fcber");
  }
  Write("doc.json", "\xEF\xBB\xBF{ \"Subject\" : \"s\" }");
  EXPECT_EQ(Loaded(P("doc.json")).Subject, u"s");
}

// ---- Round trips ------------------------------------------------------------------------

// Pseudo-random records with everything the format carries.
class Generator {
 public:
  explicit Generator(uint64_t Seed) : state_(Seed) {}
  uint32_t Next(uint32_t Bound) {
    state_ = state_ * 6364136223846793005u + 1442695040888963407u;
    return static_cast<uint32_t>(state_ >> 33) % Bound;
  }
  UnicodeString Text() {
    static const char16_t kUnits[] = u"aZ09 \"\\/\t\r\n\b\f\x01\x1f\x7f\u00fc\u20ac\xD83D\xDE00\xDCFF\xD800{}";
    UnicodeString s;
    for (uint32_t n = Next(6); n > 0; --n) s += kUnits[Next(sizeof kUnits / 2 - 1)];
    return s;
  }
  AnsiString Bytes8() { return ToUtf8(Text()); }  // raw bytes included (U+DCFF)
  // Days 1 to 80000 with whole milliseconds.
  TDateTime Date() { return TDateTime(1 + Next(80000) + Next(86400000) / 86400000.0); }
  // A field's value and its type; a cell's type is its value's own, so a
  // cell gets only kinds that read back as themselves (a text as 258).
  Variant Value(TVarType& Type, bool Cell = false) {
    switch (Next(7)) {
      case 0: Type = 3; return Variant::FromInteger(static_cast<int32_t>(Next(2000)) - 1000);
      case 1: Type = 20; return Variant::FromInt64(-(int64_t{1} << 40) - Next(9));
      case 2: Type = 5; return Variant::FromDouble(Next(100000) / 64.0 - 100);
      case 3: Type = 11; return Variant::FromBoolean(Next(2) == 1);
      case 4: Type = 7; return Variant::FromDate(Date());
      case 5: Type = 1; return Variant::Null();
      default:
        Type = Cell ? 258 : 8;
        return Cell ? Variant::FromUString(Text()) : Variant::FromOleStr(Text());
    }
  }
  double Confidence() { return Next(3) == 0 ? 100 : Next(100); }
  void Zone(int32_t& Page, TRelRect& Zone) {
    if (Next(2) == 0) return;
    Page = static_cast<int32_t>(Next(5));
    Zone.Left = Next(500);
    Zone.Top = Next(500);
    Zone.Width = Next(300);
    Zone.Height = Next(300);
  }

 private:
  uint64_t state_;
};

TDocumentQueueRecord Generate(Generator& g, const std::string& BlobFolder) {
  TDocumentQueueRecord q;
  // Ids are hexadecimal (an id holding "/" would not survive the document
  // link); other 8-bit fields carry raw bytes.
  q.Id = TIdType("D" + std::to_string(g.Next(100000)));
  q.StackId = TIdType(g.Bytes8());
  if (g.Next(2)) q.Repository = u"repo";
  q.Version = g.Next(9);
  q.State = static_cast<TkxQueueState>(g.Next(9));
  q.Task = static_cast<TkxQueueTask>(g.Next(4));
  q.CreationDate = g.Date();
  q.ChangeDate = g.Date();
  q.RetryDate = g.Date();
  q.CheckSum = TIdType(g.Bytes8());
  q.Priority = static_cast<int32_t>(g.Next(100)) - 50;
  q.Language = g.Bytes8();
  for (UnicodeString* s : {&q.UserName, &q.Client, &q.Application, &q.Origin, &q.Project, &q.Destination,
                           &q.ExportTitle, &q.ExportService, &q.EngineBuffer, &q.ScriptBuffer,
                           &q.ConvertScheme, &q.ScriptScheme, &q.PostScriptScheme, &q.ExportScheme,
                           &q.Subject, &q.Messages})
    *s = g.Text();
  for (uint32_t n = g.Next(4); n > 0; --n) {
    TkxMetaField f;
    f.IntField = u"F" + g.Text();
    // (A blank external name would count for the key hash, which is taken
    // before names are trimmed, and not after reading.)
    f.ExtField = g.Next(2) ? f.IntField : u"E" + g.Text();
    f.VarValue = g.Value(f.VarType);
    f.Value = TkxTypes::VarToStrExt(f.VarValue);
    f.Confidence = g.Confidence();
    g.Zone(f.Page, f.Zone);
    for (uint32_t k = g.Next(3); k > 0; --k) {
      TkxAlternativeValue a;
      a.VarValue = g.Next(2) ? Variant::FromUString(g.Text()) : Variant::FromInteger(static_cast<int32_t>(g.Next(99)));
      a.Value = TkxTypes::VarToStrExt(a.VarValue);
      a.Confidence = g.Confidence();
      g.Zone(a.Page, a.Zone);
      f.Alternatives.push_back(a);
    }
    q.MetaData.push_back(f);
  }
  const uint32_t columns = g.Next(4);
  for (uint32_t c = 0; c < columns; ++c)
    q.MetaTableData.Header.push_back({u"C" + IntToStr(static_cast<int32_t>(c)) + g.Text(), u"", 0});
  for (uint32_t r = columns ? g.Next(4) : 0; r > 0; --r) {
    TkxMetaTableDataRow row;
    row.Confidence = g.Confidence();
    g.Zone(row.Page, row.Zone);
    for (uint32_t c = 0; c < columns; ++c) {
      TkxMetaTableDataColumnField cell;
      TVarType type;
      cell.Value = g.Next(3) ? g.Value(type, true) : Variant::Null();  // gaps are null cells
      cell.Confidence = g.Confidence();
      g.Zone(cell.Page, cell.Zone);
      row.Columns.push_back(cell);
    }
    q.MetaTableData.Rows.push_back(row);
  }
  for (uint32_t n = g.Next(4); n > 0; --n) {
    TkxBlob b;
    b.Id = g.Bytes8();
    b.BlobName = g.Text();
    b.DocType = g.Text();
    b.MimeType = u"application/pdf";
    b.Extension = u".pdf";
    b.BlobDate = g.Date();
    b.PageCount = static_cast<int32_t>(g.Next(5));
    if (g.Next(3) == 0) {
      b.Encryption = kxCM_3DES;
      b.DataSize = g.Next(1000);
    }
    std::string bytes;
    for (uint32_t k = g.Next(5); k > 0; --k) bytes += static_cast<char>(g.Next(256));
    if (g.Next(2) && !bytes.empty()) {  // no bytes: only a file can say so
      b.BlobData = ByteBuffer(bytes);
    } else {
      static int files = 0;
      b.BlobLink = ToUtf16(BlobFolder + "/b" + std::to_string(++files));
      std::ofstream(ToUtf8(b.BlobLink), std::ios::binary) << bytes;
    }
    b.BlobSize = static_cast<int64_t>(bytes.size());
    q.Blobs.push_back(b);
  }
  return q;
}

TEST_F(LoadJson, GeneratedRecordsComeBackEqual) {
  Write("empty", "");
  UnicodeString message;
  for (uint64_t seed = 1; seed <= 150; ++seed) {
    Generator g(seed);
    TDocumentQueueRecord q = Generate(g, dir_);
    const bool options = seed % 2 == 0;
    AnsiString first;
    ASSERT_TRUE(kxQueueManager::CreateDocumentJson(q, first, options, true, message));
    TDocumentQueueRecord back;
    ASSERT_EQ(Load(first, back), "") << first;
    // A blob without bytes is read from its file when written: an empty one
    // gets an empty file.
    TDocumentQueueRecord again = back;
    for (TkxBlob& b : again.Blobs)
      if (b.BlobData.Empty()) b.BlobLink = U("empty");
    AnsiString second;
    ASSERT_TRUE(kxQueueManager::CreateDocumentJson(again, second, options, true, message));
    EXPECT_EQ(second, first) << "seed " << seed;

    // Beyond the text: what the record holds.
    EXPECT_EQ(back.Id, q.Id);
    EXPECT_EQ(back.Language, q.Language);
    EXPECT_EQ(back.CheckSum, options ? q.CheckSum : TIdType());
    ASSERT_EQ(back.Blobs.size(), q.Blobs.size());
    for (size_t i = 0; i < q.Blobs.size(); ++i) {
      std::string bytes = q.Blobs[i].BlobData.ToString();
      if (q.Blobs[i].BlobData.Empty()) {
        ASSERT_TRUE(TkxFiles::LoadFileToString(q.Blobs[i].BlobLink, bytes));
      }
      EXPECT_EQ(back.Blobs[i].BlobData.View(), bytes);
      EXPECT_EQ(back.Blobs[i].Id, q.Blobs[i].Id);
    }
    ASSERT_EQ(back.MetaData.size(), q.MetaData.size());
    for (size_t i = 0; i < q.MetaData.size(); ++i) {
      EXPECT_EQ(back.MetaData[i].IntField, q.MetaData[i].IntField);
      EXPECT_EQ(back.MetaData[i].VarType, q.MetaData[i].VarType);
      EXPECT_EQ(back.MetaData[i].Value, q.MetaData[i].Value);
    }
    if (options) {
      EXPECT_EQ(back.Priority, q.Priority);
    }
  }
}

TEST_F(LoadJson, BlobsAcrossABlockBoundaryComeBack) {
  std::string bytes(kxQueueManager::kDocumentBlobBlock + 2, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  Write("big.bin", bytes);
  TDocumentQueueRecord q;
  TkxBlob fromData;
  fromData.BlobData = ByteBuffer(bytes);
  TkxBlob fromFile;
  fromFile.BlobLink = U("big.bin");
  q.Blobs = {fromData, fromFile};
  AnsiString json;
  UnicodeString message;
  ASSERT_TRUE(kxQueueManager::CreateDocumentJson(q, json, false, true, message));
  TDocumentQueueRecord back;
  ASSERT_EQ(Load(json, back), "");
  ASSERT_EQ(back.Blobs.size(), 2u);
  EXPECT_TRUE(back.Blobs[0].BlobData.View() == bytes);
  EXPECT_TRUE(back.Blobs[1].BlobData.View() == bytes);
  EXPECT_EQ(back.Blobs[1].BlobSize, static_cast<int64_t>(bytes.size()));
}

TEST_F(LoadJson, SavedDocumentsFindTheirStoredBlobs) {
  Write("out/DOC-1.pdf", "first");
  Write("out/DOC-2.PDF", "second");  // stored under the upper-case name
  TDocumentQueueRecord q;
  q.Id = TIdType("DOC");
  for (const char* ref : {"DOC-1", "DOC-2"}) {
    TkxBlob b;
    b.BlobRefId = ref;
    b.Extension = u".pdf";
    q.Blobs.push_back(b);
  }
  TkxQueueTools tools;
  ASSERT_TRUE(tools.SaveDocumentJson(U("out/doc.json"), true, q, true)) << ToUtf8(tools.Message);
  AnsiString path = P("out/doc.json");
  TDocumentQueueRecord back;
  ASSERT_TRUE(tools.LoadDocumentJson(back, path, false, true, true));
  EXPECT_EQ(path, P("out/doc.json"));
  ASSERT_EQ(back.Blobs.size(), 2u);
  EXPECT_EQ(back.Blobs[0].BlobData.View(), "first");
  EXPECT_EQ(back.Blobs[1].BlobData.View(), "second");
  EXPECT_EQ(back.Blobs[1].BlobLink, U("out/DOC-2.PDF"));
  EXPECT_EQ(back.Id.View(), "DOC");
}

}  // namespace
