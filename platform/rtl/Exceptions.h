// platform/rtl/Exceptions.h — the exception classes of the platform.
//
// Every exception of the system derives from Exception. Its Message is UTF-16;
// ClassName() answers the class's own name, because error texts that reach the
// host print it ("create document exception (EConvertError - ...)"). what()
// answers the Message in UTF-8. No exception ever crosses the C boundary.
//
// A new class is declared with KX_DECLARE_EXCEPTION(Name, Base); it inherits
// the constructors and answers Name from ClassName().
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/rtl/Text.h"

class Exception : public std::exception {
 public:
  explicit Exception(UnicodeString message) : Message(std::move(message)) {}
  explicit Exception(std::string_view utf8Message) : Message(ToUtf16(utf8Message)) {}
  explicit Exception(const char* utf8Message) : Message(ToUtf16(utf8Message)) {}
  ~Exception() override = default;

  virtual UnicodeString ClassName() const { return u"Exception"; }
  const char* what() const noexcept override;

  UnicodeString Message;

 private:
  mutable std::string what_;
};

#define KX_DECLARE_EXCEPTION(Name, Base)                              \
  class Name : public Base {                                          \
   public:                                                            \
    using Base::Base;                                                 \
    UnicodeString ClassName() const override { return u## #Name; }    \
  }

KX_DECLARE_EXCEPTION(EConvertError, Exception);
KX_DECLARE_EXCEPTION(EVariantError, Exception);
KX_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
KX_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
KX_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError);
KX_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);
KX_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
KX_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);
KX_DECLARE_EXCEPTION(EStringListError, Exception);
KX_DECLARE_EXCEPTION(EListError, Exception);  // generic lists and dictionaries
KX_DECLARE_EXCEPTION(EArgumentException, Exception);
KX_DECLARE_EXCEPTION(EStreamError, Exception);
KX_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
KX_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
KX_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
KX_DECLARE_EXCEPTION(EReadError, EStreamError);
KX_DECLARE_EXCEPTION(EWriteError, EStreamError);
// zlib streams that cannot be made or read (compressed strings).
KX_DECLARE_EXCEPTION(EZCompressionError, Exception);
KX_DECLARE_EXCEPTION(EZDecompressionError, Exception);
// A resource that the module does not carry (platform/resources/).
KX_DECLARE_EXCEPTION(EResNotFound, Exception);
// The clipboard cannot be written (no desktop, or the desktop refused).
KX_DECLARE_EXCEPTION(EClipboardException, Exception);

// A failing operating-system call; ErrorCode is the errno value.
class EOSError : public Exception {
 public:
  EOSError(UnicodeString message, int32_t errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  UnicodeString ClassName() const override { return u"EOSError"; }

  int32_t ErrorCode;
};

// A file that a text-file reader cannot open or read; ErrorCode is the errno
// value. The message is "I/O error " + the number + ": " + the system's text.
class EInOutError : public Exception {
 public:
  EInOutError(UnicodeString message, int32_t errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  explicit EInOutError(int32_t errorCode);
  UnicodeString ClassName() const override { return u"EInOutError"; }

  int32_t ErrorCode;
};
