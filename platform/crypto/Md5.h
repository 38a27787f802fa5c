// platform/crypto/Md5.h — MD5 (RFC 1321) through OpenSSL's EVP, the only
// place that calls it for digests.
//
// An OpenSSL without MD5 (a FIPS-only build) gives an unavailable context:
// Update does nothing and Final answers 16 zero bytes.
//   Md5 m; m.Update("abc", 3); m.Final()[0] == 0x90
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct evp_md_ctx_st;

namespace kx::platform {

class Md5 {
 public:
  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  bool IsAvailable() const { return context_ != nullptr; }
  void Update(const void* Data, size_t Size);
  // The 16 digest bytes; the digest then starts over for new data.
  std::array<uint8_t, 16> Final();

 private:
  evp_md_ctx_st* context_;
};

}  // namespace kx::platform
