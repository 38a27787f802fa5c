// export/kxQueueManager_Upload.cpp — sending a queue record to a queue server.
#include "export/kxQueueManager_Upload.h"

#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#include "environment/kxNet.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/file/FileSystem.h"
#include "platform/file/Remove.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles.h"

namespace kxQueueManager {

// ---- DigestingReadStream ------------------------------------------------------------

DigestingReadStream::DigestingReadStream(Stream& Source)
    : source_(Source), position_(Source.Position()) {}

int64_t DigestingReadStream::Read(void* Buffer, int64_t Count) {
  const int64_t n = source_.Read(Buffer, Count);
  if (n <= 0) return n;
  if (position_ > digested_) {
    gap_ = true;
  } else if (position_ + n > digested_) {
    const int64_t known = digested_ - position_;  // already digested at an earlier read
    digest_.Update(static_cast<const uint8_t*>(Buffer) + known, static_cast<size_t>(n - known));
    digested_ = position_ + n;
  }
  position_ += n;
  return n;
}

int64_t DigestingReadStream::Write(const void*, int64_t) {
  throw EStreamError("the request body is read-only");
}

int64_t DigestingReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  position_ = source_.Seek(Offset, Origin);
  if (position_ == 0) {
    digest_.Final();  // starts over
    digested_ = 0;
    gap_ = false;
  }
  return position_;
}

void DigestingReadStream::SetSize(int64_t) { throw EStreamError("the request body is read-only"); }

AnsiString DigestingReadStream::DigestText() {
  AnsiString text = digest_.Text();
  if (gap_) text.clear();
  return text;
}

}  // namespace kxQueueManager

namespace {

constexpr char kServerError[] = "blob upload exception - server returned an error (";

void Progress(const THttpProgressCallBackProc& Callback, const UnicodeString& Info) {
  if (Callback) Callback(-1, Info);
}

// A blob file opened for sending, every other program allowed to read and
// write it meanwhile. A file that went away since it was found fails as the
// digest of a missing file does; other failures keep the stream's text.
std::unique_ptr<FileStream> OpenBlobFile(const UnicodeString& FileName) {
  try {
    return std::make_unique<FileStream>(FileName, fmOpenRead | fmShareDenyNone, true);
  } catch (const EFOpenError&) {
    const int32_t error = kx::platform::LastOSError();
    if (error == ENOENT || error == ENOTDIR) throw Exception(u"file " + FileName + u" not found");
    throw;
  }
}

// PUTs Body to Url and answers the raw header block of a 201 answer; any
// other answer raises (the HTTP client's text, or the server's
// "Error-Message" for a 2xx other than 201).
AnsiString Put(const AnsiString& Url, Stream& Body, const UnicodeString& ContentType) {
  int32_t code = -1;
  AnsiString header;
  TkxIndy::HTTPPut(ToUtf16(Url), Body, ContentType, code, header, kxHHT_Raw);
  if (code != 201)
    throw Exception(ToUtf16(AnsiString(kServerError) + TkxNet::GetHttpRawHeaderValue("Error-Message", header) + ")"));
  return header;
}

}  // namespace

bool TkxQueueTools::UploadDocumentXML(TDocumentQueueRecord& QueueItem, const UnicodeString& ServerUrl,
                                      bool DeleteSourceBlobs, AnsiString& DocId,
                                      const AnsiString& SessionId) {
  // The bytes of blobs sent from memory that the server gave an id: out of
  // the record while the document is written (so it refers to them by id),
  // back into it when the upload fails, so the caller can send it again.
  std::vector<std::pair<size_t, ByteBuffer>> setAside;
  auto putBack = [&] {
    for (auto& [index, bytes] : setAside) QueueItem.Blobs[index].BlobData = std::move(bytes);
    setAside.clear();
  };
  try {
    const UnicodeString root = TkxNet::CheckRootUrlSuffix(ServerUrl);
    const UnicodeString session = ToUtf16(SessionId);

    // The blobs sent from their files: the only ones whose files may be
    // deleted once the server has taken the document.
    std::vector<bool> sentFromFile(QueueItem.Blobs.size(), false);
    for (size_t i = 0; i < QueueItem.Blobs.size(); ++i) {
      TkxBlob& blob = QueueItem.Blobs[i];
      Progress(HttpProgressCallBackProc, blob.BlobName);
      // A regular file whatever its name: a host's "in/.scan.pdf" is sent
      // like any other; a FIFO or a device is no file to send.
      const bool fromFile = !blob.BlobLink.empty() && kx::platform::RegularFileExists(blob.BlobLink);
      if (!fromFile && blob.BlobData.Empty()) throw Exception(u"empty blob data");
      TkxMD5::RequireSelfTest();

      std::unique_ptr<Stream> source;
      if (fromFile)
        source = OpenBlobFile(blob.BlobLink);
      else
        source = std::make_unique<kxQueueManager::BlobBufferStream>(blob.BlobData);
      kxQueueManager::DigestingReadStream body(*source);
      const AnsiString url = TkxNet::BuildUrl(
          root, u"kxblobupload", {u"extension=" + blob.Extension, u"sessionid=" + session}, kxENC_Mega);
      const AnsiString header = Put(url, body, blob.MimeType);
      source.reset();  // the file is closed before anything else happens

      const AnsiString digest = body.DigestText();
      const AnsiString received = TkxNet::GetHttpRawHeaderValue("BlobHash", header);
      if (received != digest) {
        throw Exception(ToUtf16(AnsiString("blob upload exception - hash mismatch [") +
                                (fromFile ? "F" : "M") + "] (" + digest + " / " + received +
                                ") - possible network problem"));
      }
      blob.BlobRefId = TkxNet::GetHttpRawHeaderValue("BlobId", header);
      sentFromFile[i] = fromFile;
      // A blob without an id stays in the record with its bytes and goes
      // into the document embedded, as a file blob without an id does.
      if (!fromFile && !blob.BlobRefId.empty()) {
        setAside.emplace_back(i, std::move(blob.BlobData));
        blob.BlobData.Clear();
      }
    }

    AnsiString document;
    if (!CreateDocumentXML(QueueItem, document, true)) throw Exception(Message);

    Progress(HttpProgressCallBackProc, u"Index data");
    std::vector<UnicodeString> parameters;
    if (!QueueItem.Repository.empty())
      parameters = {u"sessionid=" + session, u"repository=" + QueueItem.Repository};
    kxQueueManager::BlobBufferStream body{ByteBuffer(std::move(document))};
    const AnsiString header =
        Put(TkxNet::BuildUrl(root, u"kxdocupload", parameters, kxENC_Mega), body, u"text/xml");

    if (DeleteSourceBlobs) {
      // The same regular-file test as for sending; a file that cannot be
      // deleted stays, without error.
      for (size_t i = 0; i < QueueItem.Blobs.size(); ++i) {
        const UnicodeString& link = QueueItem.Blobs[i].BlobLink;
        if (sentFromFile[i] && kx::platform::RegularFileExists(link)) kx::platform::DeleteFile(link);
      }
    }
    // The id names later document files ("%docid"): whatever the server
    // sends, it must not lead outside their folder. "." and ".." are valid
    // file names that still lead elsewhere as a folder.
    DocId = ToUtf8(TkxFiles::ConvertToFileName(
        ToUtf16(TkxNet::GetHttpRawHeaderValue("DocumentId", header))));
    if (DocId == "." || DocId == "..") DocId.assign(DocId.size(), '_');
    Message.clear();
    return true;
  } catch (const Exception& e) {
    putBack();
    Message = e.Message;
  } catch (const std::exception& e) {
    putBack();
    Message = ToUtf16(e.what());
  }
  return false;
}
