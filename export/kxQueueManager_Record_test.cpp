#include "export/kxQueueManager_Record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

// Runs F, which must raise an Exception with exactly Message.
template <class F>
void ExpectRaises(F&& Fn, const UnicodeString& Message) {
  try {
    Fn();
    ADD_FAILURE() << "no exception, expected " << ToUtf8(Message);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, Message);
  }
}

// Input files go to "in", stored blobs to "store"; names are relative to
// the test's folder.
class QueueBlobTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    record_.Id = TIdType("ABC");
  }

  std::string Input(const std::string& name, const std::string& bytes) {
    Write("in/" + name, bytes);
    return "in/" + name;
  }

  // A file blob stored into "store".
  void Store(const std::string& file, const AnsiString& blobId = "", int32_t index = -1) {
    AddQueueBlob(record_, U(file), u"", ByteBuffer(), u"", u"", true, U("store"), u"Invoice",
                 blobId, index, -1, kxCM_None);
  }

  TDocumentQueueRecord record_;
};

}  // namespace

TEST(QueueTexts, StateAndTaskTextsBothWays) {
  EXPECT_EQ(QueueStateToStr(kxQS_Import), "IMPORT");
  EXPECT_EQ(QueueStateToStr(kxQS_OnHold), "ONHOLD");
  EXPECT_EQ(QueueStateToStr(kxQS_Unknown), "UNKNOWN");
  EXPECT_EQ(QueueStateToStr(static_cast<TkxQueueState>(42)), "UNKNOWN");
  EXPECT_EQ(QueueTaskToStr(kxQT_Move), "MOVE");  // after Unknown in the enumeration
  EXPECT_EQ(QueueTaskToStr(kxQT_Unknown), "UNKNOWN");
  EXPECT_EQ(QueueTaskToStr(static_cast<TkxQueueTask>(9)), "UNKNOWN");

  for (int i = 0; i <= kxQS_Unknown; ++i) {
    const auto s = static_cast<TkxQueueState>(i);
    EXPECT_EQ(StrToQueueState(ToUtf16(QueueStateToStr(s)), kxQS_Error), s);
  }
  EXPECT_EQ(StrToQueueState(u" idle \t", kxQS_Error), kxQS_Idle);
  EXPECT_EQ(StrToQueueState(u"READY", kxQS_Warning), kxQS_Warning);
  EXPECT_EQ(StrToQueueState(u"", kxQS_Warning), kxQS_Warning);
  EXPECT_EQ(StrToQueueTask(u"plumo", kxQT_Export), kxQT_Plumo);
  EXPECT_EQ(StrToQueueTask(u" Move", kxQT_Export), kxQT_Move);
  EXPECT_EQ(StrToQueueTask(u"copy", kxQT_Unknown), kxQT_Unknown);
}

TEST(InitQueueRecord, ResetsEverythingButBlobCount) {
  const TDateTime now(45000.25);
  kx::platform::SetClockForTesting([now] { return now; });
  TDocumentQueueRecord r;
  r.StackId = TIdType("S");
  r.Version = 7;
  r.State = kxQS_Error;
  r.StateStr = "x";
  r.Retries = 3;
  r.Priority = 9;
  r.KeyHash = TIdType("K");
  r.Application = u"app";
  r.Messages = u"m";
  r.MetaDataBuffer = "buf";
  r.MetaData.emplace_back();
  r.MetaTableData.Header.emplace_back();
  r.MetaTableData.Rows.emplace_back();
  r.Blobs.emplace_back();
  r.BlobCount = 5;

  EXPECT_TRUE(InitQueueRecord(r));
  kx::platform::SetClockForTesting(nullptr);

  EXPECT_EQ(r.Id.Length(), 32u);
  EXPECT_TRUE(r.StackId.IsEmpty());
  EXPECT_EQ(r.Version, 1u);
  EXPECT_EQ(r.State, kxQS_Unknown);
  EXPECT_EQ(r.Task, kxQT_Unknown);
  EXPECT_EQ(r.StateStr, "");
  EXPECT_EQ(r.Retries, 0);
  EXPECT_EQ(r.Priority, 0);
  EXPECT_TRUE(r.KeyHash.IsEmpty());
  EXPECT_EQ(r.CreationDate, now);
  EXPECT_EQ(r.ChangeDate, now);
  EXPECT_EQ(r.RetryDate, TDateTime(now.Val - 1.0));
  EXPECT_FALSE(r.UserName.empty());
  EXPECT_FALSE(r.Client.empty());
  EXPECT_EQ(r.Application, u"");
  EXPECT_EQ(r.Messages, u"");
  EXPECT_EQ(r.MetaDataBuffer, "");
  EXPECT_TRUE(r.MetaData.empty());
  EXPECT_TRUE(r.MetaTableData.Header.empty());
  EXPECT_TRUE(r.MetaTableData.Rows.empty());
  EXPECT_TRUE(r.Blobs.empty());
  EXPECT_EQ(r.BlobCount, 5);  // not maintained, so not reset

  TDocumentQueueRecord other;
  InitQueueRecord(other);
  EXPECT_FALSE(other.Id == r.Id);
}

TEST(QueueRecord, CopyingSharesBlobBytes) {
  TDocumentQueueRecord r;
  AddQueueBlob(r, u"", u"big.bin", ByteBuffer(std::string(100'000'000, 'x')), u"", u".bin",
               false, u"", u"", "", -1, -1, kxCM_None);
  const TDocumentQueueRecord copy = r;
  EXPECT_TRUE(copy.Blobs[0].BlobData.SharesWith(r.Blobs[0].BlobData));
  EXPECT_EQ(copy.Blobs[0].BlobSize, 100'000'000);
}

TEST_F(QueueBlobTest, StoresFileBesideDocument) {
  const std::string in = Input("scan.PDF", "%PDF-1.4 first");
  Store(in);
  ASSERT_EQ(record_.Blobs.size(), 1u);
  const TkxBlob& b = record_.Blobs[0];
  // The copy has the extension the record names, so Reference + Extension
  // finds it on a file system that tells case apart.
  const std::string target = "store/ABC-1.pdf";
  EXPECT_EQ(Read(target), "%PDF-1.4 first");
  EXPECT_EQ(b.BlobRefId, "ABC-1");
  EXPECT_EQ(b.Extension, u".pdf");
  EXPECT_EQ(b.BlobLink, U(target));
  EXPECT_EQ(b.OrgLink, U(target));
  EXPECT_EQ(b.BlobName, u"scan.PDF");
  EXPECT_EQ(b.MimeType, u"application/pdf");
  EXPECT_EQ(b.DocType, u"Invoice");
  EXPECT_TRUE(b.BlobData.Empty());
  EXPECT_EQ(b.BlobSize, 14);
  EXPECT_EQ(b.DataSize, 14);
  EXPECT_EQ(b.PageCount, -1);
  EXPECT_EQ(b.Id, "");

  // The second blob is named after its slot, or after its BlobId.
  Store(Input("b.txt", "two"));
  Store(Input("c.txt", "three"), "X9");
  EXPECT_EQ(record_.Blobs[1].BlobRefId, "ABC-2");
  EXPECT_EQ(record_.Blobs[2].BlobRefId, "ABC-X9");
  EXPECT_EQ(record_.Blobs[2].Id, "X9");
  EXPECT_EQ(Read("store/ABC-X9.txt"), "three");
}

TEST_F(QueueBlobTest, StoredCopyNeverOverwritesAnotherDocumentsBlob) {
  Store(Input("a.pdf", "first document"));
  TDocumentQueueRecord second;
  second.Id = TIdType("ABC");  // the same document id sent twice
  AddQueueBlob(second, U(Input("b.pdf", "second document")), u"", ByteBuffer(), u"", u"", true,
               U("store"), u"", "", -1, -1, kxCM_None);
  EXPECT_EQ(Read("store/ABC-1.pdf"), "first document");
  EXPECT_EQ(Read("store/ABC-1-2.pdf"), "second document");
  EXPECT_EQ(second.Blobs[0].BlobRefId, "ABC-1-2");
  EXPECT_EQ(second.Blobs[0].BlobLink, U("store/ABC-1-2.pdf"));
}

// The name of the copy and the record's Extension agree also for an
// extension that no file name can carry as it is.
TEST_F(QueueBlobTest, StoredCopyIsNamedAsTheRecordSays) {
  struct Case { const char* file; const char16_t* extension; const char* copy; };
  const Case cases[] = {
      {"scan.p:f", u"", "ABC-1.pf"},
      {"b.TIF", u"", "ABC-2.tif"},
      {"c.pdf", u".P*D?F", "ABC-3.pdf"},
      {".hidden.pdf", u"", "ABC-4.pdf"},  // a dot-named host file copies like any other
  };
  for (const Case& c : cases) {
    AddQueueBlob(record_, U(Input(c.file, c.file)), u"", ByteBuffer(), u"", c.extension, true,
                 U("store"), u"", "", -1, -1, kxCM_None);
    const TkxBlob& b = record_.Blobs.back();
    EXPECT_EQ(Read("store/" + b.BlobRefId + ToUtf8(b.Extension)), c.file) << c.file;
    EXPECT_EQ(b.BlobLink, U(std::string("store/") + c.copy)) << c.file;
  }
}

TEST_F(QueueBlobTest, StoreNameFromHostIdStaysInStoreFolder) {
  record_.Id = TIdType("../../evil");
  Store(Input("a.txt", "x"), "..\\b/c");
  const TkxBlob& b = record_.Blobs[0];
  EXPECT_EQ(b.BlobRefId, "....evil-..bc");
  EXPECT_EQ(b.BlobLink, U("store/....evil-..bc.txt"));
  EXPECT_EQ(Read("store/....evil-..bc.txt"), "x");
}

TEST_F(QueueBlobTest, StoresBytesAndBlankIdGetsNewName) {
  record_.Id = TIdType();
  AddQueueBlob(record_, u"", u"mail.eml", ByteBuffer(std::string("raw\0bytes", 9)), u"", u".EML",
               true, U("store"), u"", "", -1, 3, kxCM_AES256);
  const TkxBlob& b = record_.Blobs[0];
  EXPECT_EQ(b.BlobRefId.size(), 32u);
  EXPECT_EQ(b.BlobLink, U("store/" + b.BlobRefId + ".eml"));
  EXPECT_EQ(Read("store/" + b.BlobRefId + ".eml"), std::string("raw\0bytes", 9));
  EXPECT_TRUE(b.BlobData.Empty());
  EXPECT_EQ(b.BlobSize, 9);
  EXPECT_EQ(b.DataSize, 3);
  EXPECT_EQ(b.Extension, u".eml");
  EXPECT_EQ(b.Encryption, kxCM_AES256);
}

TEST_F(QueueBlobTest, WithoutStoreKeepsFileOrBytes) {
  // A Windows path: the file name is taken at "\" as well.
  AddQueueBlob(record_, u"c:\\in\\scan.PDF", u"", ByteBuffer(), u"", u"", false, u"", u"", "",
               -1, -1, kxCM_None);
  const ByteBuffer bytes(std::string("hello"));
  AddQueueBlob(record_, u"", u"n", bytes, u"application/pdf", u"", false, u"", u"", "", -1, -1,
               kxCM_None);
  const TkxBlob& f = record_.Blobs[0];
  EXPECT_EQ(f.BlobName, u"scan.PDF");
  EXPECT_EQ(f.Extension, u".pdf");
  EXPECT_EQ(f.MimeType, u"application/pdf");
  EXPECT_EQ(f.BlobLink, u"c:\\in\\scan.PDF");
  EXPECT_EQ(f.BlobSize, 0);  // no such file
  EXPECT_EQ(f.BlobRefId, "");
  const TkxBlob& d = record_.Blobs[1];
  EXPECT_EQ(d.Extension, u".pdf");  // from the MIME type
  EXPECT_TRUE(d.BlobData.SharesWith(bytes));
  EXPECT_EQ(d.BlobLink, u"");
  EXPECT_EQ(d.BlobSize, 5);
  EXPECT_FALSE(fs::exists(P("store")));
}

TEST_F(QueueBlobTest, SizesBeyondFourGiBAreKept) {
  const std::string big = Input("big.bin", "");
  fs::resize_file(P(big), (int64_t{5} << 30) + 7);  // sparse: nothing is written
  AddQueueBlob(record_, U(big), u"", ByteBuffer(), u"", u"", false, u"", u"", "", -1, -1,
               kxCM_None);
  EXPECT_EQ(record_.Blobs[0].BlobSize, (int64_t{5} << 30) + 7);
  EXPECT_EQ(record_.Blobs[0].DataSize, (int64_t{5} << 30) + 7);
}

TEST_F(QueueBlobTest, ReplacingKeepsQueueFieldsOfTheSlot) {
  Store(Input("a.txt", "a"));
  TkxBlob& b = record_.Blobs[0];
  b.BlobDate = TDateTime(1.5);
  b.TackId = "T";
  b.SortId = 4;
  b.State = kxQS_Idle;
  b.Compressed = true;
  Store(Input("b.doc", "bb"), "", 0);
  ASSERT_EQ(record_.Blobs.size(), 1u);
  const TkxBlob& r = record_.Blobs[0];
  EXPECT_EQ(r.BlobName, u"b.doc");
  EXPECT_EQ(r.BlobRefId, "ABC-1");
  EXPECT_EQ(r.BlobDate, TDateTime(1.5));
  EXPECT_EQ(r.TackId, "T");
  EXPECT_EQ(r.SortId, 4);
  EXPECT_EQ(r.State, kxQS_Idle);
  EXPECT_FALSE(r.Compressed);
}

TEST_F(QueueBlobTest, FailuresRaiseAndLeaveRecordUnchanged) {
  Store(Input("a.txt", "a"));
  Store(Input("b.txt", "b"));
  const TDocumentQueueRecord before = record_;
  ExpectRaises([&] { Store(Input("c.txt", "c"), "", 5); }, u"invalid blob index 5");
  ExpectRaises([&] { Store(Input("c.txt", "c"), "", 2); }, u"invalid blob index 2");
  ExpectRaises(
      [&] {
        AddQueueBlob(record_, u"", u"", ByteBuffer(), u"", u"", true, U("store"), u"", "", -1, -1,
                     kxCM_None);
      },
      u"invalid file information - empty data and filename");
  const std::string missing = "in/missing.txt";
  ExpectRaises([&] { Store(missing); },
               u"unable to copy " + U(missing) + u" to blob " + U("store/ABC-3.txt"));
  // A file where the store folder should be.
  Write("blocked", "");
  ExpectRaises(
      [&] {
        AddQueueBlob(record_, u"", u"", ByteBuffer(std::string("z")), u"", u".txt", true,
                     U("blocked"), u"", "", -1, -1, kxCM_None);
      },
      u"unable to stream blob data to " + U("blocked/ABC-3.txt"));
  EXPECT_TRUE(record_ == before);
}

TEST(MetaFields, AddAndReplace) {
  TDocumentQueueRecord r;
  EXPECT_EQ(AddMetaFieldValue(r, u"", u"x", 100, false), -1);
  EXPECT_EQ(AddMetaField(r, u"", Variant::FromInteger(1), 3, true, 100, TRelRect(), 1), -1);
  EXPECT_TRUE(r.MetaData.empty());

  EXPECT_EQ(AddMetaFieldValue(r, u"Total", u"12", 80, false), 0);
  const TkxMetaField& f = r.MetaData[0];
  EXPECT_EQ(f.IntField, u"Total");
  EXPECT_EQ(f.ExtField, u"Total");
  EXPECT_EQ(f.Value, u"12");
  EXPECT_EQ(f.VarValue.VarType(), 258);  // a UTF-16 text value ...
  EXPECT_EQ(f.VarType, 8);               // ... while the field says UCS2STR
  EXPECT_EQ(f.Confidence, 80);

  r.MetaData[0].Alternatives.emplace_back();
  r.MetaData[0].Page = 2;
  r.MetaData[0].Zone.Left = 5;
  EXPECT_EQ(AddMetaFieldValue(r, u"Total", u"13", 90, false), 1);  // appended
  EXPECT_EQ(AddMetaFieldValue(r, u"total", u"14", 90, true), 2);   // exact name only
  EXPECT_EQ(AddMetaFieldValue(r, u"Total", u"15", 70, true), 0);   // first Total replaced
  EXPECT_EQ(r.MetaData[0].Value, u"15");
  EXPECT_EQ(r.MetaData[0].Alternatives.size(), 1u);
  EXPECT_EQ(r.MetaData[0].Page, 2);
  EXPECT_EQ(r.MetaData[0].Zone.Left, 5);

  TRelRect zone;
  zone.Left = 1;
  zone.Width = 2;
  EXPECT_EQ(AddMetaField(r, u"Amount", Variant::FromDouble(87.5), 5, false, 99, zone, 3), 3);
  const TkxMetaField& a = r.MetaData[3];
  EXPECT_EQ(a.Value, u"87.50");
  EXPECT_EQ(a.VarValue.VarType(), 5);
  EXPECT_EQ(a.VarType, 5);
  EXPECT_EQ(a.Zone, zone);
  EXPECT_EQ(a.Page, 3);
  EXPECT_EQ(a.Confidence, 99);
}

TEST(GetKeyHash, Md5OfUtf8ValuesWithExternalNames) {
  auto field = [](std::u16string ext, std::u16string value) {
    TkxMetaField f;
    f.ExtField = std::move(ext);
    f.Value = std::move(value);
    f.VarValue = Variant::FromInteger(0);  // ignored: the text counts
    return f;
  };
  // Digests from md5sum of the same bytes.
  EXPECT_EQ(GetKeyHash({}).ToString(), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(GetKeyHash({field(u"", u"Invoice")}).ToString(), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(GetKeyHash({field(u"a", u"Invoice"), field(u"", u"x"), field(u"b", u"4711")})
                .ToString(),
            "68BF94107D69349CD3BDC2A4917F8EE2");
  EXPECT_EQ(GetKeyHash({field(u"a", u"Grüße"), field(u"b", u"4711")}).ToString(),
            "1F9559772BB64BC3FF19DA2C596DEF4D");
}

TEST(GetSubjectText, JoinsCollapsesAndCuts) {
  auto record = [](std::vector<std::u16string> values, size_t blobs) {
    TDocumentQueueRecord r;
    for (auto& v : values) {
      TkxMetaField f;
      f.Value = v;
      r.MetaData.push_back(f);
    }
    for (size_t i = 0; i < blobs; ++i) {
      TkxBlob b;
      b.BlobName = u"blob" + IntToStr(static_cast<int32_t>(i)) ;
      r.Blobs.push_back(b);
    }
    return r;
  };
  const std::u16string a150(150, u'a');
  struct Case { std::vector<std::u16string> values; size_t blobs; std::u16string want; };
  const Case cases[] = {
      {{u"Invoice", u" 4711"}, 0, u"Invoice 4711"},
      {{}, 1, u""},
      {{}, 2, u"blob0"},
      {{u" "}, 3, u"blob0"},
      {{u"a", u"", u"b"}, 0, u"a b"},
      {{u"a    b"}, 0, u"a  b"},  // one pass: four blanks become two
      {{a150}, 0, std::u16string(100, u'a') + u"..."},
      // The blank after the value is still there when the length is tested.
      {{std::u16string(100, u'a')}, 0, std::u16string(100, u'a') + u"..."},
      {{std::u16string(99, u'a')}, 0, std::u16string(99, u'a')},
      // A surrogate pair across the cut is kept whole or not at all.
      {{std::u16string(99, u'a') + u"\U0001F600bc"}, 0, std::u16string(99, u'a') + u"..."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetSubjectText(record(c.values, c.blobs)), c.want) << c.values.size();

  TDocumentQueueRecord typed;
  TkxMetaField f;
  f.Value = u"ignored";
  f.VarValue = Variant::FromInteger(42);
  typed.MetaData.push_back(f);
  EXPECT_EQ(GetSubjectText(typed), u"42");
}

TEST(ZoneText, RelRectToZoneStr) {
  auto rect = [](double l, double t, double w, double h) {
    TRelRect r;
    r.Left = l;
    r.Top = t;
    r.Width = w;
    r.Height = h;
    r.Right = 999;  // not written
    return r;
  };
  const double inf = std::numeric_limits<double>::infinity();
  struct Case { TRelRect zone; const char* want; };
  const Case cases[] = {
      {rect(10.5, 11.5, 20.4, 0), "10,12,20,0"},
      {rect(-2.5, 2.5, 0.5, 1.5), "-2,2,0,2"},
      {rect(1e18, 0, 0, 0), "1000000000000000000,0,0,0"},
      {rect(1e19, 1, 1, 1), "0,0,0,0"},
      {rect(-9223372036854775808.0, 0, 0, 0), "-9223372036854775808,0,0,0"},
      {rect(0, std::nan(""), 0, 0), "0,0,0,0"},
      {rect(0, 0, inf, 0), "0,0,0,0"},
  };
  for (const auto& c : cases) EXPECT_EQ(RelRectToZoneStr(c.zone), c.want);
}

TEST(ZoneText, ZoneStrToRelRect) {
  struct Case { const char* text; TRelRect want; };
  const Case cases[] = {
      {"10,20", {10, 20, 10, 20, 0, 0}},
      {"1,2,3,4", {1, 2, 4, 6, 3, 4}},
      {"1.5,2,3.25,4,99", {1.5, 2, 4.75, 6, 3.25, 4}},
      {"", {}},
      {",,5", {0, 0, 5, 0, 5, 0}},
      {"a,2,3,4", {}},
      {"1,2,3,x", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ZoneStrToRelRect(c.text), c.want) << c.text;
}

TEST(DocumentUri, BuildAndParse) {
  TDocumentQueueRecord r;
  r.Id = TIdType("4711");
  EXPECT_EQ(BuildDocumentUri(u"main", r, 3), u"doc://main/4711/3");

  struct Case { std::u16string uri, repo; std::string id; int32_t version; };
  const Case cases[] = {
      {u"doc://main/4711/3", u"main", "4711", 3},
      {u"doc://main/4711", u"main", "4711", 0},
      {u"doc://main/4711/x", u"main", "4711", 1},
      {u"doc://main/4711/99999999999", u"main", "4711", 1},
      {u"//main/7/2", u"main", "7", 2},  // without "://" two characters go
      {u"", u"", "", 0},
      {u"doc://r/" + std::u16string(40, u'F') + u"/1", u"r", std::string(32, 'F'), 1},
      // A cut id never splits a character.
      {u"doc://r/" + std::u16string(31, u'F') + u"ä/1", u"r", std::string(31, 'F'), 1},
  };
  for (const auto& c : cases) {
    UnicodeString repo = u"old";
    TIdType id("old");
    int32_t version = -5;
    EXPECT_TRUE(ParseDocumentUri(c.uri, repo, id, version));
    EXPECT_EQ(repo, c.repo) << ToUtf8(c.uri);
    EXPECT_EQ(id.ToString(), c.id) << ToUtf8(c.uri);
    EXPECT_EQ(version, c.version) << ToUtf8(c.uri);
  }
}
