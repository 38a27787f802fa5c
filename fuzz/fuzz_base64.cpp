// Base64 of arbitrary bytes and arbitrary text. The lenient decoder must
// never fail and must give the same bytes whether the text comes whole or in
// pieces of any size; the encoder in pieces must equal the one-shot text of
// the exact length, and decoding it must give the input back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "system/internal/kxBase64.h"
#include "system/kxBase64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool format = in.ConsumeBool();
  const uint8_t chunkSeed = in.ConsumeIntegral<uint8_t>();
  const std::string input = in.ConsumeRemainingBytesAsString();
  // Piece sizes from the seed, so the same input is cut in many ways.
  auto pieceSize = [seed = chunkSeed + 1u](size_t at) mutable {
    seed = seed * 1103515245u + 12345u;
    return static_cast<size_t>((seed >> 16) % 97) + (at % 3 == 0 ? 0 : 1);
  };

  // The input as Base64 text.
  const std::string whole = TkxBase64::Base64ToStr(input);
  if (whole.size() > 3 * ((input.size() + 3) / 4)) std::abort();
  kxInternal::Base64Decoder decoder;
  std::string pieces;
  for (size_t at = 0; at < input.size();) {
    const size_t take = std::min(pieceSize(at), input.size() - at);
    decoder.Update(std::string_view(input).substr(at, take), pieces);
    at += take;
  }
  decoder.Finish(pieces);
  if (pieces != whole) std::abort();
  if (kxInternal::TkxBase64::Base64ToStr(input) != whole) std::abort();

  // The input as bytes.
  const std::string text = TkxBase64::StrToBase64(input, format);
  if (text.size() != kxInternal::Base64EncodedLength(input.size(), format)) std::abort();
  kxInternal::Base64Encoder encoder(format);
  std::string encoded;
  for (size_t at = 0; at < input.size();) {
    const size_t take = std::min(pieceSize(at), input.size() - at);
    encoder.Update(std::string_view(input).substr(at, take), encoded);
    at += take;
  }
  encoder.Finish(encoded);
  if (encoded != text) std::abort();
  if (TkxBase64::Base64ToStr(text) != input) std::abort();
  return 0;
}
