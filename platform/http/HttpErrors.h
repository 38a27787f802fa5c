// platform/http/HttpErrors.h — the exceptions of HTTP requests.
//
// The class names are part of error texts that reach the host and the log
// ("... (EIdHTTPProtocolException - HTTP/1.1 404 Not Found)"), so they keep
// the names that the product's users know:
//   EIdHTTPProtocolException  the server answered with an error status
//                             (400 and above); Message is the status line
//   EIdSocketError            connection refused, reset or unreachable
//   EIdConnectTimeout         no connection within the connect time-out
//   EIdReadTimeout            no data moved for the read time-out
//   EIdConnClosedGracefully   the server closed without (a whole) answer
//   EIdOSSLConnectError       the TLS handshake failed (certificate, version,
//                             cipher, key password)
//   EIdException              any other transport failure
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"

KX_DECLARE_EXCEPTION(EIdException, Exception);
KX_DECLARE_EXCEPTION(EIdSocketError, EIdException);
KX_DECLARE_EXCEPTION(EIdConnectTimeout, EIdException);
KX_DECLARE_EXCEPTION(EIdReadTimeout, EIdException);
KX_DECLARE_EXCEPTION(EIdConnClosedGracefully, EIdException);
KX_DECLARE_EXCEPTION(EIdOSSLConnectError, EIdException);

// An error status. ErrorCode is the status, ErrorMessage the body of the
// error response as it came.
class EIdHTTPProtocolException : public EIdException {
 public:
  EIdHTTPProtocolException(UnicodeString StatusLine, int32_t Code, std::string Body)
      : EIdException(std::move(StatusLine)), ErrorCode(Code), ErrorMessage(std::move(Body)) {}
  UnicodeString ClassName() const override { return u"EIdHTTPProtocolException"; }

  int32_t ErrorCode;
  std::string ErrorMessage;
};
