#include "export/kxQueueManager_Tools.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class QueueToolsTest : public kx::testing::ScratchFolderTest {
 protected:
  TkxBlob FileBlob(const std::string& name, const std::string& bytes) {
    Write(name, bytes);
    TkxBlob b;
    b.BlobLink = U(name);
    b.OrgLink = b.BlobLink;
    b.BlobRefId = "REF";
    return b;
  }
};

}  // namespace

TEST_F(QueueToolsTest, CreateMakesFoldersAndStartsEmpty) {
  TkxQueueTools tools;
  EXPECT_EQ(tools.Version, "4.0.0");
  EXPECT_EQ(tools.Message, u"");
  EXPECT_FALSE(tools.HttpProgressCallBackProc);
  ASSERT_FALSE(tools.BlobPath.empty());
  ASSERT_FALSE(tools.BlobTempPath.empty());
  EXPECT_TRUE(fs::is_directory(ToUtf8(tools.BlobPath)));
  EXPECT_TRUE(fs::is_directory(ToUtf8(tools.BlobTempPath)));
}

TEST_F(QueueToolsTest, ConvertToInplaceBlobsLoadsReferencedFiles) {
  TkxQueueTools tools;
  TDocumentQueueRecord r;
  TkxBlob inPlace;
  inPlace.BlobData = ByteBuffer(std::string("kept"));
  inPlace.BlobLink = u"/nowhere/else";
  r.Blobs = {inPlace, FileBlob("a.pdf", std::string("%PDF\0x", 6))};
  EXPECT_TRUE(tools.ConvertToInplaceBlobs(r));
  EXPECT_EQ(r.Blobs[0].BlobData.View(), "kept");
  EXPECT_EQ(r.Blobs[0].BlobLink, u"/nowhere/else");  // blobs with bytes stay as they are
  EXPECT_EQ(r.Blobs[1].BlobData.View(), std::string("%PDF\0x", 6));
  EXPECT_EQ(r.Blobs[1].BlobLink, u"");
  EXPECT_EQ(r.Blobs[1].BlobRefId, "");
  EXPECT_EQ(r.Blobs[1].OrgLink, U("a.pdf"));
}

TEST_F(QueueToolsTest, ConvertToInplaceBlobsRaisesForMissingOrUnreadableFiles) {
  TkxQueueTools tools;
  TDocumentQueueRecord r;
  TkxBlob missing;
  missing.BlobLink = U("gone.pdf");
  r.Blobs = {FileBlob("a.txt", "a"), missing};
  try {
    tools.ConvertToInplaceBlobs(r);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"blob reference " + missing.BlobLink + u" not found");
  }
  EXPECT_EQ(r.Blobs[0].BlobData.View(), "a");  // converted before the failure
  EXPECT_EQ(r.Blobs[1].BlobLink, missing.BlobLink);

  // A file held exclusively elsewhere exists but cannot be read: its blob
  // must not become empty.
  TDocumentQueueRecord locked;
  locked.Blobs = {FileBlob("locked.txt", "secret")};
  FileStream holder(locked.Blobs[0].BlobLink, 0x0012);
  try {
    tools.ConvertToInplaceBlobs(locked);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"blob reference " + locked.Blobs[0].BlobLink + u" cannot be read");
  }
  EXPECT_TRUE(locked.Blobs[0].BlobData.Empty());
  EXPECT_EQ(locked.Blobs[0].BlobRefId, "REF");
}
