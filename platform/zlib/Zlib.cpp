#include "platform/zlib/Zlib.h"

#include <zlib.h>

#include <algorithm>

namespace kx::platform::zlib {
namespace {

// zlib's avail_in and avail_out are 32-bit; larger buffers go in slices.
constexpr size_t kSlice = size_t{1} << 30;

Result ResultOf(int rc) {
  switch (rc) {
    case Z_OK: return Result::Ok;
    case Z_STREAM_END: return Result::StreamEnd;
    case Z_BUF_ERROR: return Result::NoProgress;
    case Z_NEED_DICT: return Result::NeedDictionary;
    default: return Result::Failed;
  }
}

// Hands In and Out to the stream for one call and takes back what it used.
template <class Call>
Result Run(z_stream& z, std::string_view& In, char* Out, size_t Room, size_t& Produced, Call call) {
  const size_t given = std::min(In.size(), kSlice);
  const size_t room = std::min(Room, kSlice);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(In.data()));
  z.avail_in = static_cast<uInt>(given);
  z.next_out = reinterpret_cast<Bytef*>(Out);
  z.avail_out = static_cast<uInt>(room);
  const int rc = call(z);
  In.remove_prefix(given - z.avail_in);
  Produced = room - z.avail_out;
  z.next_in = nullptr;
  z.avail_in = 0;
  return ResultOf(rc);
}

}  // namespace

uint32_t Crc32(uint32_t Crc, const void* Data, size_t Length) {
  return static_cast<uint32_t>(crc32_z(Crc, static_cast<const Bytef*>(Data), Length));
}

Deflater::Deflater(int Level, bool Gzip) : stream_(new z_stream{}) {
  if (deflateInit2(stream_, Level, Z_DEFLATED, Gzip ? 31 : 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    delete stream_;
    stream_ = nullptr;
  }
}

Deflater::~Deflater() {
  if (stream_ == nullptr) return;
  deflateEnd(stream_);
  delete stream_;
}

size_t Deflater::Bound(size_t Size) const {
  return static_cast<size_t>(deflateBound(stream_, static_cast<uLong>(std::min(Size, kSlice))));
}

Result Deflater::Step(std::string_view& In, char* Out, size_t Room, bool Finish, size_t& Produced) {
  // Finishing waits until the last slice of In is handed over.
  const bool last = Finish && In.size() <= kSlice;
  return Run(*stream_, In, Out, Room, Produced,
             [&](z_stream& z) { return deflate(&z, last ? Z_FINISH : Z_NO_FLUSH); });
}

bool DeflateAll(std::initializer_list<std::string_view> Pieces, int Level, bool Gzip,
                std::string& Out) {
  Deflater z(Level, Gzip);
  if (!z.IsOpen()) return false;
  size_t total = 0;
  for (std::string_view p : Pieces) total += p.size();
  Out.resize(z.Bound(total));
  size_t produced = 0;
  auto next = Pieces.begin();
  std::string_view in;
  Result rc = Result::Ok;
  while (rc != Result::StreamEnd) {
    while (in.empty() && next != Pieces.end()) in = *next++;
    if (produced == Out.size()) Out.resize(Out.size() + Out.size() / 2 + 64);
    size_t made = 0;
    rc = z.Step(in, Out.data() + produced, Out.size() - produced, next == Pieces.end(), made);
    produced += made;
    if (rc == Result::Failed || rc == Result::NeedDictionary) return false;
  }
  Out.resize(produced);
  return true;
}

Inflater::Inflater() : stream_(new z_stream{}) {
  if (inflateInit(stream_) != Z_OK) {
    delete stream_;
    stream_ = nullptr;
  }
}

Inflater::~Inflater() {
  if (stream_ == nullptr) return;
  inflateEnd(stream_);
  delete stream_;
}

Result Inflater::Step(std::string_view& In, char* Out, size_t Room, size_t& Produced) {
  return Run(*stream_, In, Out, Room, Produced, [](z_stream& z) { return inflate(&z, Z_NO_FLUSH); });
}

std::string Inflater::Message() const {
  return stream_ != nullptr && stream_->msg != nullptr ? std::string(stream_->msg) : std::string();
}

}  // namespace kx::platform::zlib
