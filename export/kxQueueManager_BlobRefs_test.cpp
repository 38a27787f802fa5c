#include "export/kxQueueManager_BlobRefs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"
#include "tests/support/ScratchFolder.h"

using kxQueueManager::FindBlobRefFile;
using kxQueueManager::ResolveBlobReference;

namespace {

class BlobRefs : public kx::testing::ScratchFolderTest {
 protected:
  void TearDown() override {
    kxQueueManager::SetBlobRefProbeForTesting(nullptr);
    ScratchFolderTest::TearDown();
  }

  TkxBlob Ref(const std::string& id, const UnicodeString& extension) {
    TkxBlob b;
    b.BlobRefId = id;
    b.Extension = extension;
    return b;
  }

  // The message ResolveBlobReference raises, "" when it raises none.
  std::string Failure(TkxBlob& b, const UnicodeString& first, const UnicodeString& second, bool data) {
    try {
      ResolveBlobReference(b, first, second, data);
      return std::string();
    } catch (const Exception& e) {
      return ToUtf8(e.Message);
    }
  }
};

}  // namespace

TEST_F(BlobRefs, ExactNameElseTheFirstThatMatchesWithoutRegardToCase) {
  Write("in/exact.pdf", "1");
  Write("in/ABC-1.PDF", "2");
  Write("in/abc-1.Pdf", "3");
  Write("in/.hidden.pdf", "4");
  std::filesystem::create_directories(P("in/folder.pdf"));
  Write("in/axxb.pdf", "5");
  Write("in/q?.pdf", "6");
  const UnicodeString in = U("in/");
  struct Case { const char16_t* name; std::string want; };
  const Case cases[] = {
      {u"exact.pdf", "in/exact.pdf"},
      {u"EXACT.PDF", "in/exact.pdf"},
      {u"abc-1.pdf", "in/ABC-1.PDF"},  // first of the sorted listing
      {u"abc-1.Pdf", "in/abc-1.Pdf"},  // the exact name wins
      {u".hidden.pdf", ""},            // hidden files and folders are no blob files
      {u"folder.pdf", ""},
      {u"a*b.pdf", ""},                // never a mask
      {u"q?.pdf", "in/q?.pdf"},        // but such a name itself is found
      {u"Q?.PDF", "in/q?.pdf"},
      {u"missing.pdf", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindBlobRefFile(in, c.name), c.want.empty() ? UnicodeString() : U(c.want))
        << ToUtf8(c.name);
  // The folder and the name are joined as they are.
  EXPECT_EQ(FindBlobRefFile(U("in/ex"), u"act.pdf"), U("in/exact.pdf"));
  EXPECT_EQ(FindBlobRefFile(U("in/ab"), u"C-1.pdf"), U("in/ABC-1.PDF"));
}

TEST_F(BlobRefs, ResolvesInTheFirstFolderThenTheSecond) {
  Write("doc/A.tif", "doc copy");
  Write("temp/A.tif", "temp copy");
  Write("temp/B.TIF", "temp only");
  TkxBlob a = Ref("A", u".tif");
  ResolveBlobReference(a, U("doc/"), U("temp/"), true);
  EXPECT_EQ(a.BlobLink, U("doc/A.tif"));
  EXPECT_EQ(a.OrgLink, a.BlobLink);
  EXPECT_EQ(a.BlobData.View(), "doc copy");
  EXPECT_EQ(a.BlobSize, 8);

  TkxBlob b = Ref("B", u".tif");
  b.BlobSize = 99;  // a size given stays
  ResolveBlobReference(b, U("doc/"), U("temp/"), false);
  EXPECT_EQ(b.BlobLink, U("temp/B.TIF"));
  EXPECT_TRUE(b.BlobData.Empty());
  EXPECT_EQ(b.BlobSize, 99);
  TkxBlob c = Ref("B", u".tif");
  ResolveBlobReference(c, U("doc/"), U("temp/"), false);
  EXPECT_EQ(c.BlobSize, 9);  // the file's size, without reading it
}

TEST_F(BlobRefs, NamesThatLeaveTheFolderAreRefusedWithoutLookingThemUp) {
  Write("secret.tif", "secret");
  Write("doc/x", "");
  std::vector<UnicodeString> asked;
  kxQueueManager::SetBlobRefProbeForTesting([&](const UnicodeString& p) { asked.push_back(p); });
  struct Case { std::string id; UnicodeString ext; std::string message; };
  const Case cases[] = {
      {"../secret", u".tif", "referenced blob with id ../secret not found (../secret.tif)"},
      {"..\\secret", u".tif", "referenced blob with id ..\\secret not found (..\\secret.tif)"},
      {P("secret"), u".tif", "referenced blob with id " + P("secret") + " not found (" + P("secret") + ".tif)"},
      {"sub", u"/../../secret.tif", "referenced blob with id sub not found (sub/../../secret.tif)"},
      {".", u"", "referenced blob with id . not found (.)"},
      {".", u".", "referenced blob with id . not found (..)"},
      {std::string("x\0.tif", 6), u"", "referenced blob with id " + std::string("x\0.tif", 6) +
                                        " not found (" + std::string("x\0.tif", 6) + ")"},
  };
  for (const Case& c : cases) {
    TkxBlob b = Ref(c.id, c.ext);
    EXPECT_EQ(Failure(b, U("doc/"), U("doc/"), true), c.message);
    EXPECT_EQ(b.BlobLink, u"");
    EXPECT_TRUE(b.BlobData.Empty());
  }
  EXPECT_TRUE(asked.empty());

  // A plain name is looked up in the two folders only.
  TkxBlob missing = Ref("missing", u".tif");
  EXPECT_EQ(Failure(missing, U("doc/"), U("temp/"), true),
            "referenced blob with id missing not found (missing.tif)");
  const std::vector<UnicodeString> expected = {U("doc/missing.tif"), U("doc/*"),
                                               U("temp/missing.tif"), U("temp/*")};
  EXPECT_EQ(asked, expected);
}

TEST_F(BlobRefs, AFileThatCannotBeReadFailsAfterItWasFound) {
  Write("doc/A.tif", "held");
  FileStream holder(U("doc/A.tif"), fmOpenReadWrite | fmShareExclusive);
  TkxBlob a = Ref("A", u".tif");
  EXPECT_EQ(Failure(a, U("doc/"), u"", true), "unable to load blob data from " + P("doc/A.tif"));
  EXPECT_EQ(a.BlobLink, U("doc/A.tif"));
  EXPECT_TRUE(a.BlobData.Empty());
}
