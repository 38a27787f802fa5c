// platform/zlib/Zlib.h — zlib streams (RFC 1950) and CRC-32, the only place
// that calls zlib.
//
// Deflater and Inflater are one stream each, stepped by the caller: each
// Step takes what it can from In (In then starts at the first byte not yet
// taken) and writes at most Room bytes to Out. Input and room of any size
// are fine; the 32-bit limits of zlib are handled here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

struct z_stream_s;

namespace kx::platform::zlib {

// The standard reflected CRC-32 (as in zip, gzip and PNG) continued from Crc:
// 0 starts a new checksum.
//   Crc32(0, "123456789", 9) == 0xCBF43926
uint32_t Crc32(uint32_t Crc, const void* Data, size_t Length);

enum class Result {
  Ok,              // progress made
  StreamEnd,       // the stream is complete
  NoProgress,      // nothing could be done: more input or more room is needed
  NeedDictionary,  // the stream asks for a preset dictionary (inflating)
  Failed,          // damaged data or an internal error
};

// Compression, by default at the best level with the zlib header and
// trailer; Level -1 is zlib's default, and Gzip writes the gzip header and
// trailer instead (RFC 1952).
class Deflater {
 public:
  explicit Deflater(int Level = 9, bool Gzip = false);
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // False when zlib could not set the stream up; Step must not be called then.
  bool IsOpen() const { return stream_ != nullptr; }
  // The most bytes that Size bytes of input can compress to in one stream.
  size_t Bound(size_t Size) const;
  // Finish ends the stream once In is taken whole; then Step answers
  // StreamEnd when the last byte is out.
  Result Step(std::string_view& In, char* Out, size_t Room, bool Finish, size_t& Produced);

 private:
  z_stream_s* stream_;
};

// The Pieces, one after the other, compressed whole into Out (replaced) by
// one Deflater(Level, Gzip); false when zlib fails, Out then undefined.
bool DeflateAll(std::initializer_list<std::string_view> Pieces, int Level, bool Gzip,
                std::string& Out);

class Inflater {
 public:
  Inflater();
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  bool IsOpen() const { return stream_ != nullptr; }
  Result Step(std::string_view& In, char* Out, size_t Room, size_t& Produced);
  // zlib's own words on the last failure; empty when it gave none.
  std::string Message() const;

 private:
  z_stream_s* stream_;
};

}  // namespace kx::platform::zlib
