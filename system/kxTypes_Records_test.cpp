#include "system/kxTypes_Records.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TypesRecords, NewRecordsAreAllZero) {
  const TkxBlob blob;
  EXPECT_EQ(blob.State, kxQS_Import);  // ordinal 0
  EXPECT_EQ(blob.Encryption, kxCM_None);
  EXPECT_EQ(blob.BlobDate, TDateTime(0.0));
  EXPECT_TRUE(blob.BlobData.Empty());
  EXPECT_EQ(blob.BlobSize + blob.DataSize + blob.BlobPartId + blob.SortId + blob.PageCount, 0);
  EXPECT_FALSE(blob.Partitioned || blob.Compressed);

  const TkxMetaField field;
  EXPECT_TRUE(field.VarValue.IsEmpty());
  EXPECT_EQ(field.VarType, 0);
  EXPECT_EQ(field.Zone, TRelRect());
  EXPECT_EQ(TkxUrlParam().Encoding, kxENC_None);
  EXPECT_EQ(TkxIPAddress().IPType, kxIPv4);
  EXPECT_EQ(TkxVersion(), (TkxVersion{0, 0, 0, 0}));
  EXPECT_TRUE(TIdType().IsEmpty());
}

// Copying blobs, one by one or as an array, never copies their bytes.
TEST(TypesRecords, BlobCopiesShareTheirBytes) {
  TkxBlob blob;
  blob.BlobName = u"scan.pdf";
  blob.BlobData = ByteBuffer(std::string(1 << 20, 'x'));
  const TkxBlobs blobs(3, blob);
  const TkxBlobs copy = blobs;
  for (const auto& b : copy) EXPECT_TRUE(b.BlobData.SharesWith(blob.BlobData));
  EXPECT_EQ(copy[2], blob);

  TkxBlob changed = blob;
  changed.BlobData.Mutable()[0] = 'y';
  EXPECT_EQ(blob.BlobData.View()[0], 'x');
  EXPECT_NE(changed, blob);
}

TEST(TypesRecords, IdTypeHoldsAtMost32BytesOfWholeCharacters) {
  struct Case { std::string text; std::string want; };
  const Case cases[] = {
      {"0123456789ABCDEF0123456789ABCDEF", "0123456789ABCDEF0123456789ABCDEF"},
      {std::string(40, 'A'), std::string(32, 'A')},
      {"", ""},
      // A two-byte character that would end at byte 33 is left out whole.
      {std::string(31, 'A') + "\xC3\xA4", std::string(31, 'A')},
      {std::string(30, 'A') + "\xC3\xA4" + "B", std::string(30, 'A') + "\xC3\xA4"},
      {std::string(29, 'A') + "\xF0\x9F\x98\x80", std::string(29, 'A')},
      // Bytes that are no UTF-8 count one by one.
      {std::string(31, 'A') + "\xC3\xC3", std::string(31, 'A') + "\xC3"},
      {std::string(31, 'A') + "\xA4\xA4", std::string(31, 'A') + "\xA4"},
      {std::string(31, 'A') + "\xE0\x80\x80", std::string(31, 'A') + "\xE0"},  // overlong
  };
  for (const auto& c : cases) {
    const TIdType id(c.text);
    EXPECT_EQ(id.View(), c.want) << c.text;
    EXPECT_EQ(id.Length(), c.want.size());
    EXPECT_EQ(id, TIdType(c.want));
  }
  EXPECT_EQ(TIdType("AB").ToString(), "AB");
  EXPECT_NE(TIdType("AB"), TIdType("ABC"));
}

}  // namespace
