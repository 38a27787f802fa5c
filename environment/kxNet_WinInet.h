// environment/kxNet_WinInet.h — TkxNet: the second HTTP client: a GET of a
// URL, a PUT of a file in blocks with a progress callback, and a request
// with any verb that sends a byte buffer.
//
// Every call opens and closes its own client and connection
// (platform/http/InternetClient.h: HTTP/1.1, user agent "VANTO 5.2",
// "Pragma: no-cache", nothing cached, no cookies, the environment's proxy,
// TLS verified against the system's trust store). Only the time-outs come
// from NetClassFactory: ConnectTimeout to connect, ReadTimeout for the time
// without data moving, both ways. No status is an error: AResponseCode is
// handed back and the caller decides. AResponseCode is 0 until a status
// arrives.
//
// URLs are UTF-8 on the wire, every byte a URL cannot carry (blank,
// control, non-ASCII) escaped as "%XX"; "+" and escapes already there stay.
// HTTPGet sends AUrl as it is and follows redirects; the others rebuild it
// as "https" (IsHTTPSUrl) or "http", "://", GetServerFromUrl, ":", the port
// (GetPortFromUrl; when 0, 443 for https and 80 otherwise) and
// GetPathFromUrl, and follow none.
//
// AResponseHeader receives the final answer's header block: its status line
// and header lines as received, each ending in CR LF, then an empty line.
// ARequestHeader: header lines separated by CR LF (empty ones dropped).
//
// Failures raise Exception with the text of the step that failed and a
// number: libcurl's result code, or for the file the system's error number.
//   "internet open exception code "      no client could be made
//   "internet open url exception code "  HTTPGet: the URL cannot be used, or
//                                        no answer came (refused, time-out,
//                                        TLS, too many redirects, ...)
//   "internet connect exception code "   HTTPPutFile, HTTPPutBuffer: the
//                                        rebuilt URL cannot be used
//   "file handle exception code "        HTTPPutFile: the file cannot be opened
//   "http response code " n " (" text ")"  HTTPPutFile: no answer came
//   "internet open request exception code "  HTTPPutBuffer: ACommand is no verb
//   "http send request exception code "  HTTPPutBuffer: no answer came
//   "internet read file exception code " HTTPGet, HTTPPutBuffer: the body
//                                        broke off (AResponseCode and
//                                        AResponseHeader are set)
// Exception "the network settings are not loaded" when the network module
// is not initialised.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/Text.h"

// Called after every block of a file upload with the bytes sent so far and
// the file's size (each above 4294967295 given as 4294967295); setting Abort
// stops the upload. Null: no callback.
using TkxHTTPProgressProc = void (*)(const std::u16string& AFile, uint32_t AmtSent,
                                     uint32_t TotalAmt, bool& Abort);

namespace kx::platform::http {
class InternetClient;
}

namespace TkxNet {

// A GET of AUrl with ARequestHeader; the final answer's body.
AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& AResponseCode,
                   const AnsiString& ARequestHeader, AnsiString& AResponseHeader);
AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& AResponseCode);

// A PUT of the file AFile (opened for reading, others may read but not
// write), announced with its size and sent in blocks of 4096 bytes, each
// followed by a call of Progress. The sending ends when Abort is set or a
// block comes out short. True when as many bytes were sent as the file has.
//   - An upload stopped by Abort raises nothing: AResponseCode and
//     AResponseHeader hold the answer when one came early, else 0 and "".
//   - Otherwise an upload that got no answer raises "http response code ".
//     A file that ends before the size it had when opened stops the upload
//     at once (the server would wait for the rest), as a failed send does.
//   - An answer that comes before the whole file has gone (413, say) ends
//     the sending: the result is false, the answer is handed back.
//   - With DelFile the file is deleted when the status is 200 to 299,
//     whatever the result.
bool HTTPPutFile(const UnicodeString& AUrl, const UnicodeString& AFile, int32_t& AResponseCode,
                 AnsiString& AResponseHeader, TkxHTTPProgressProc Progress, bool DelFile);
bool HTTPPutFile(const UnicodeString& AUrl, const UnicodeString& AFile, int32_t& AResponseCode,
                 TkxHTTPProgressProc Progress, bool DelFile);

// A request with the verb ACommand (as given: "PUT", "PATCH", "DELETE",
// ...), ARequestHeader and the whole of ABuffer as its body, with its
// length; "HEAD" reads no body. The answer's body.
AnsiString HTTPPutBuffer(const UnicodeString& AUrl, const AnsiString& ABuffer,
                         int32_t& AResponseCode, const AnsiString& ARequestHeader,
                         AnsiString& AResponseHeader, const AnsiString& ACommand);
// "PUT", no request headers.
AnsiString HTTPPutBuffer(const UnicodeString& AUrl, const AnsiString& ABuffer,
                         int32_t& AResponseCode);

}  // namespace TkxNet

namespace TkxNet::detail {

// Sets the client's time-outs in milliseconds: connecting, and the time
// without data moving while receiving and while sending.
void SetInternetTimeouts(kx::platform::http::InternetClient& Handle, int32_t ConnectTimeout,
                         int32_t ReceiveTimeout, int32_t SendTimeout);
// SetInternetTimeouts with NetClassFactory's ConnectTimeout, and its
// ReadTimeout for receiving and sending.
void ApplyInternetTimeouts(kx::platform::http::InternetClient& Handle);

// Tests: the size HTTPPutFile takes for its file, made from the size the
// file has; nullptr restores the file's own.
void SetUploadSizeForTesting(std::function<int64_t(int64_t FileSize)> Size);

}  // namespace TkxNet::detail
