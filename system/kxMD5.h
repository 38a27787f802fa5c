// system/kxMD5.h — TkxMD5: MD5 digests (RFC 1321) of memory, of 8-bit
// strings and of files, as 32 upper-case hexadecimal digits.
//
// The digest is the platform's (platform/crypto/Md5.h, OpenSSL's EVP). An
// OpenSSL without MD5 (a FIPS-only build) makes MD5SelfTest answer false and
// the module refuse to load.
//   GetMD5FromString("") == "D41D8CD98F00B204E9800998ECF8427E"
//   GetMD5FromString("abc") == "900150983CD24FB0D6963F7D28E17F72"
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/crypto/Md5.h"
#include "platform/rtl/Text.h"

namespace TkxMD5 {

// A digest fed in pieces, for data that never sits in memory whole (blob
// files, uploads, documents as they are written).
//   Digest d; d.Update("a", 1); d.Update("bc", 2); d.Text() == GetMD5FromString("abc")
class Digest {
 public:
  Digest() = default;
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  void Update(const void* Data, size_t Size);
  // The 16 digest bytes; the digest then starts over for new data. All zero
  // when MD5 is not available.
  std::array<uint8_t, 16> Final();
  // Final() as 32 upper-case hexadecimal digits; "" when MD5 is not
  // available.
  AnsiString Text();

 private:
  kx::platform::Md5 md5_;
};

// The digest of BufSize bytes at Buffer; a BufSize of 0 or less digests
// nothing. Runs no self test.
AnsiString GetMD5(const void* Buffer, int32_t BufSize);

// The digest of Text's bytes. Runs MD5SelfTest first and raises Exception
// "MD5 self test failed" when it fails.
AnsiString GetMD5FromString(const AnsiString& Text);

// The digest of a file's bytes, read in pieces through a FileStream opened
// with AccessMode (an open mode of platform/rtl/Stream.h: 0x0020 for a file
// the caller has just written, 0x0040 for one that others may hold open), so
// files of any size digest correctly.
// Raises Exception "MD5 self test failed" when the self test fails, and
// "file " + FileName + " not found" when there is no file of that name
// (hidden files count as present; a folder is no file). A file that cannot
// be opened (locked, no permission) or read to its end gives the digest of
// empty input, "D41D8CD98F00B204E9800998ECF8427E", without raising.
AnsiString GetMD5FromFile(const UnicodeString& FileName, uint16_t AccessMode);

// True when the digest of empty input is "D41D8CD98F00B204E9800998ECF8427E".
bool MD5SelfTest();

// Raises Exception "MD5 self test failed" when MD5SelfTest fails. The
// string and file forms run it first; a caller that digests data with
// Digest as it passes by (an upload that reads its file once) runs it before
// the first byte, so every digest the system reports comes from a checked
// MD5.
void RequireSelfTest();

namespace detail {
// The module's load step: raises Exception "MD5 self test failed!" when
// MD5SelfTest fails.
void InitializeModule();
// Replaces what MD5SelfTest answers; nullptr restores the real test.
void SetSelfTestOverrideForTesting(std::function<bool()> check);
}  // namespace detail

}  // namespace TkxMD5
