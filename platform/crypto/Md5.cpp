#include "platform/crypto/Md5.h"

#include <openssl/evp.h>

namespace kx::platform {
namespace {

// Fetched once; nullptr when this OpenSSL offers no MD5.
const EVP_MD* Algorithm() {
  static const EVP_MD* md = EVP_MD_fetch(nullptr, "MD5", nullptr);
  return md;
}

}  // namespace

Md5::Md5() : context_(EVP_MD_CTX_new()) {
  if (context_ != nullptr &&
      (Algorithm() == nullptr || EVP_DigestInit_ex(context_, Algorithm(), nullptr) != 1)) {
    EVP_MD_CTX_free(context_);
    context_ = nullptr;
  }
}

Md5::~Md5() { EVP_MD_CTX_free(context_); }

void Md5::Update(const void* Data, size_t Size) {
  if (context_ != nullptr && Size > 0) EVP_DigestUpdate(context_, Data, Size);
}

std::array<uint8_t, 16> Md5::Final() {
  std::array<uint8_t, 16> bytes{};
  if (context_ == nullptr) return bytes;
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context_, bytes.data(), &length) != 1 || length != bytes.size()) bytes = {};
  EVP_DigestInit_ex(context_, Algorithm(), nullptr);
  return bytes;
}

}  // namespace kx::platform
