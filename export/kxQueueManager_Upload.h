// export/kxQueueManager_Upload.h — the request bodies of a document upload
// (TkxQueueTools::UploadDocumentXML, kxQueueManager_Tools.h).
//
// A blob travels once: its bytes are digested while the HTTP client reads
// them for sending, so a blob file is read one time and never held whole,
// and a blob in memory is sent from its shared buffer without a copy. The
// digest is what the server's "BlobHash" must equal.
//
// What a caller of UploadDocumentXML can rely on besides its declaration:
//   - Blobs go in record order, each by PUT to "kxblobupload" (from the
//     file at BlobLink when one is there, else from BlobData; neither gives
//     "empty blob data"), then the document XML by PUT to "kxdocupload".
//     Only 201 counts as taken; nothing is retried.
//   - A blob sent from memory that got an id leaves BlobData empty after a
//     successful upload (the document refers to it). When the upload fails
//     at any step, every such blob gets its bytes back (the same shared
//     buffer), so the record can be sent again as it is. A blob answered
//     without an id keeps its bytes and is embedded in the document.
//   - BlobRefId holds the server's id of every blob taken, also after a
//     later failure. No source file is deleted after a failure.
//   - DocId is the server's "DocumentId" without the characters a file name
//     cannot hold (TkxFiles::ConvertToFileName), since later document files
//     are named after it; empty when the server sent none. It is left alone
//     on failure.
#pragma once

#include <cstdint>

#include "platform/rtl/ByteBuffer.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Text.h"
#include "system/kxMD5.h"

namespace kxQueueManager {

// A read-only stream over the bytes of a ByteBuffer. It shares the bytes
// (no copy), so they stay alive while the stream does even when the
// caller's buffer is emptied. Write and SetSize raise EStreamError.
class BlobBufferStream final : public ReadOnlyMemoryStream {
 public:
  // The view is taken before the buffer moves in; moving a ByteBuffer keeps
  // its bytes where they are.
  explicit BlobBufferStream(ByteBuffer Bytes) : ReadOnlyMemoryStream(Bytes.View()), bytes_(std::move(Bytes)) {}

 private:
  ByteBuffer bytes_;
};

// A read-only stream that reads through Source (which the caller keeps) and
// feeds every byte read into an MD5 digest: DigestText() is the digest of
// the bytes from the stream's start up to the furthest point read.
//   - Seeking back to 0 restarts the digest, so a reader that rewinds and
//     sends again (a retried transfer) gets the digest of what it sent.
//   - Bytes read a second time after a seek back elsewhere are digested
//     once; a read that starts beyond the furthest point read (a seek
//     forward over bytes never read) leaves the digest incomplete, and
//     DigestText() then answers "" (which equals no 32-digit hash).
// Write and SetSize raise EStreamError.
class DigestingReadStream final : public Stream {
 public:
  explicit DigestingReadStream(Stream& Source);

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int64_t Size() override { return source_.Size(); }

  // The digest as 32 upper-case hexadecimal digits (see above). Once only:
  // the digest starts over afterwards.
  AnsiString DigestText();

 private:
  Stream& source_;
  TkxMD5::Digest digest_;
  int64_t position_ = 0;
  int64_t digested_ = 0;
  bool gap_ = false;
};

}  // namespace kxQueueManager
