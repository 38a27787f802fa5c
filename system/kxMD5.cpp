#include "system/kxMD5.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/file/FileSystem.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"

namespace TkxMD5 {
namespace {

constexpr char kEmptyDigest[] = "D41D8CD98F00B204E9800998ECF8427E";

std::function<bool()>& SelfTestOverride() {
  static std::function<bool()> check;
  return check;
}

}  // namespace

// ---- Digest -------------------------------------------------------------------

void Digest::Update(const void* Data, size_t Size) { md5_.Update(Data, Size); }

std::array<uint8_t, 16> Digest::Final() { return md5_.Final(); }

AnsiString Digest::Text() {
  if (!md5_.IsAvailable()) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::array<uint8_t, 16> bytes = Final();
  AnsiString text(32, '0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    text[2 * i] = kHex[bytes[i] >> 4];
    text[2 * i + 1] = kHex[bytes[i] & 15];
  }
  return text;
}

// ---- Class operations --------------------------------------------------------------

AnsiString GetMD5(const void* Buffer, int32_t BufSize) {
  Digest digest;
  if (BufSize > 0) digest.Update(Buffer, static_cast<size_t>(BufSize));
  return digest.Text();
}

AnsiString GetMD5FromString(const AnsiString& Text) {
  RequireSelfTest();
  Digest digest;
  digest.Update(Text.data(), Text.size());
  return digest.Text();
}

AnsiString GetMD5FromFile(const UnicodeString& FileName, uint16_t AccessMode) {
  RequireSelfTest();
  kx::platform::FileEntry entry;
  if (!kx::platform::FindFirstEntry(FileName, kx::platform::kPlainAndHiddenFiles, entry))
    throw Exception(u"file " + FileName + u" not found");
  Digest digest;
  try {
    FileStream file(FileName, AccessMode);
    const int64_t size = file.Size();
    constexpr int64_t kBuffer = 256 * 1024;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kBuffer]);
    for (int64_t left = size; left > 0;) {
      const int64_t n = file.Read(buffer.get(), std::min(left, kBuffer));
      if (n <= 0) return kEmptyDigest;  // the file shrank under us
      digest.Update(buffer.get(), static_cast<size_t>(n));
      left -= n;
    }
  } catch (const Exception&) {
    return kEmptyDigest;
  }
  return digest.Text();
}

bool MD5SelfTest() {
  if (const auto& check = SelfTestOverride()) return check();
  return GetMD5(nullptr, 0) == kEmptyDigest;
}

void RequireSelfTest() {
  if (!MD5SelfTest()) throw Exception(u"MD5 self test failed");
}

namespace detail {

void InitializeModule() {
  if (!MD5SelfTest()) throw Exception(u"MD5 self test failed!");
}

void SetSelfTestOverrideForTesting(std::function<bool()> check) {
  SelfTestOverride() = std::move(check);
}

}  // namespace detail
}  // namespace TkxMD5
