#include "environment/kxNet_WinInet.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "environment/kxClassFactory.h"
#include "environment/kxNet_Url.h"
#include "platform/file/Remove.h"
#include "platform/http/InternetClient.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Stream.h"

namespace TkxNet {

namespace {

using kx::platform::http::InternetClient;
using kx::platform::http::InternetResult;

constexpr std::string_view kUserAgent = "VANTO 5.2";
constexpr size_t kBlockSize = 4096;

std::function<int64_t(int64_t)> g_uploadSize;

[[noreturn]] void Raise(const char16_t* Step, int32_t Code) {
  throw Exception(UnicodeString(Step) + IntToStr(Code));
}

uint32_t Clamp32(int64_t Value) {
  return static_cast<uint32_t>(
      std::clamp<int64_t>(Value, 0, std::numeric_limits<uint32_t>::max()));
}

// The root handle with its time-outs.
std::unique_ptr<InternetClient> OpenClient() {
  auto client = std::make_unique<InternetClient>(kUserAgent);
  if (client->OpenError() != 0) Raise(u"internet open exception code ", client->OpenError());
  detail::ApplyInternetTimeouts(*client);
  return client;
}

// The URL of the PUTs: scheme, server, port and path taken apart and put
// together again.
std::string RebuiltUrl(const UnicodeString& AUrl) {
  const bool https = IsHTTPSUrl(AUrl);
  int32_t port = GetPortFromUrl(AUrl);
  if (port == 0) port = https ? 443 : 80;
  return ToUtf8(UnicodeString(https ? u"https" : u"http") + u"://" + GetServerFromUrl(AUrl) + u":" +
                IntToStr(port) + GetPathFromUrl(AUrl));
}

// Opens the client on the rebuilt URL ("connecting" to its server).
std::unique_ptr<InternetClient> Connect(const UnicodeString& AUrl) {
  std::unique_ptr<InternetClient> client = OpenClient();
  const int32_t refused = client->SetUrl(RebuiltUrl(AUrl));
  if (refused != 0) Raise(u"internet connect exception code ", refused);
  return client;
}

}  // namespace

AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& AResponseCode,
                   const AnsiString& ARequestHeader, AnsiString& AResponseHeader) {
  AResponseCode = 0;
  const std::unique_ptr<InternetClient> client = OpenClient();
  const int32_t refused = client->SetUrl(ToUtf8(AUrl));
  if (refused != 0) Raise(u"internet open url exception code ", refused);
  AnsiString body;
  const InternetResult r = client->Get(ARequestHeader, body);
  if (!r.Answered) Raise(u"internet open url exception code ", r.Error);
  AResponseHeader = r.Head;
  AResponseCode = r.Status;
  // A body that broke off is no answer, though its head came whole.
  if (r.Error != 0) Raise(u"internet read file exception code ", r.Error);
  return body;
}

AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& AResponseCode) {
  AnsiString header;
  return HTTPGet(AUrl, AResponseCode, AnsiString(), header);
}

bool HTTPPutFile(const UnicodeString& AUrl, const UnicodeString& AFile, int32_t& AResponseCode,
                 AnsiString& AResponseHeader, TkxHTTPProgressProc Progress, bool DelFile) {
  AResponseCode = 0;
  std::unique_ptr<InternetClient> client = Connect(AUrl);
  std::unique_ptr<FileStream> file;
  try {
    file = std::make_unique<FileStream>(AFile, fmOpenRead | fmShareDenyWrite);
  } catch (const Exception&) {
    Raise(u"file handle exception code ", kx::platform::LastOSError());
  }
  const int64_t size = g_uploadSize ? g_uploadSize(file->Size()) : file->Size();

  // The blocks, as the connection asks for them. The body never runs past
  // the size announced, even when the file grows meanwhile; a file that
  // ends before it stops the upload at once rather than leave the server
  // waiting for the rest.
  int64_t sent = 0;
  bool abort = false, ended = false, stopped = false;
  const auto block = [&](char* Buffer, size_t Room) -> int64_t {
    if (ended && sent == size) return 0;
    if (abort) {
      stopped = true;
      return -1;
    }
    if (ended) return -1;
    const size_t want = static_cast<size_t>(
        std::min<int64_t>({static_cast<int64_t>(kBlockSize), static_cast<int64_t>(Room), size - sent}));
    int64_t got = 0;
    if (want > 0) {
      try {
        got = file->Read(Buffer, static_cast<int64_t>(want));
      } catch (const Exception&) {
        got = 0;  // a failed read ends the body like a short one
      }
    }
    if (got < static_cast<int64_t>(want) || want == 0) ended = true;
    if (got > 0) {
      sent += got;
      if (Progress != nullptr) Progress(AFile, Clamp32(sent), Clamp32(size), abort);
    }
    return got > 0 || sent == size ? got : -1;
  };
  // As many whole blocks as the connection has room for: one block per
  // call would cost a round of the transfer loop for every 4096 bytes.
  const auto source = [&](char* Buffer, size_t Room) -> int64_t {
    int64_t filled = 0;
    for (;;) {
      const int64_t got = block(Buffer + filled, Room - static_cast<size_t>(filled));
      if (got <= 0) return filled > 0 ? filled : got;
      filled += got;
      if (got < static_cast<int64_t>(kBlockSize) || abort || ended ||
          Room - static_cast<size_t>(filled) < kBlockSize) {
        return filled;
      }
    }
  };
  const InternetResult r = client->Upload(size, source);
  client.reset();
  file.reset();

  AResponseHeader.clear();
  if (r.Answered) {
    AResponseHeader = r.Head;
    AResponseCode = r.Status;
  } else if (!stopped) {
    throw Exception(u"http response code " + IntToStr(r.Error) + u" (" + ToUtf16(r.ErrorText) +
                    u")");
  }
  if (DelFile && AResponseCode >= 200 && AResponseCode <= 299) {
    kx::platform::DeleteFile(AFile);
  }
  return sent == size;
}

bool HTTPPutFile(const UnicodeString& AUrl, const UnicodeString& AFile, int32_t& AResponseCode,
                 TkxHTTPProgressProc Progress, bool DelFile) {
  AnsiString header;
  return HTTPPutFile(AUrl, AFile, AResponseCode, header, Progress, DelFile);
}

AnsiString HTTPPutBuffer(const UnicodeString& AUrl, const AnsiString& ABuffer,
                         int32_t& AResponseCode, const AnsiString& ARequestHeader,
                         AnsiString& AResponseHeader, const AnsiString& ACommand) {
  AResponseCode = 0;
  const std::unique_ptr<InternetClient> client = Connect(AUrl);
  const int32_t refused = InternetClient::CheckVerb(ACommand);
  if (refused != 0) Raise(u"internet open request exception code ", refused);
  AnsiString body;
  const InternetResult r = client->Send(ACommand, ARequestHeader, ABuffer, body);
  if (!r.Answered) Raise(u"http send request exception code ", r.Error);
  AResponseCode = r.Status;
  AResponseHeader = r.Head;
  if (r.Error != 0) Raise(u"internet read file exception code ", r.Error);
  return body;
}

AnsiString HTTPPutBuffer(const UnicodeString& AUrl, const AnsiString& ABuffer,
                         int32_t& AResponseCode) {
  AnsiString header;
  return HTTPPutBuffer(AUrl, ABuffer, AResponseCode, AnsiString(), header, "PUT");
}

}  // namespace TkxNet

namespace TkxNet::detail {

void SetInternetTimeouts(kx::platform::http::InternetClient& Handle, int32_t ConnectTimeout,
                         int32_t ReceiveTimeout, int32_t SendTimeout) {
  Handle.SetTimeouts(ConnectTimeout, ReceiveTimeout, SendTimeout);
}

void ApplyInternetTimeouts(kx::platform::http::InternetClient& Handle) {
  if (NetClassFactory == nullptr) throw Exception("the network settings are not loaded");
  const TkxHttpClientOptions& o = NetClassFactory->HttpClientOptions;
  SetInternetTimeouts(Handle, o.ConnectTimeout, o.ReadTimeout, o.ReadTimeout);
}

void SetUploadSizeForTesting(std::function<int64_t(int64_t FileSize)> Size) {
  g_uploadSize = std::move(Size);
}

}  // namespace TkxNet::detail
