#include "platform/versioninfo/ExecutableFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace kx::platform::versioninfo {
namespace {

constexpr uint32_t kMaxBlockSize = 0xFFFF;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(Le16(p)) | (static_cast<uint32_t>(Le16(p + 2)) << 16);
}
uint64_t Le64(const uint8_t* p) {
  return static_cast<uint64_t>(Le32(p)) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}

// Offset + Size lies inside a file of FileSize bytes (without overflow).
bool Fits(uint64_t Offset, uint64_t Size, uint64_t FileSize) {
  return Offset <= FileSize && Size <= FileSize - Offset;
}

// ---- PE ----

struct PeHeaders {
  uint64_t OptionalHeader = 0;  // file offset
  uint16_t OptionalHeaderSize = 0;
  uint16_t Magic = 0;
  uint16_t SectionCount = 0;
};

std::optional<PeHeaders> ReadPeHeaders(const RandomAccessSource& f) {
  std::array<uint8_t, 64> dos{};
  if (!f.ReadAt(0, dos.data(), dos.size()) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  const uint64_t pe = Le32(&dos[60]);
  std::array<uint8_t, 26> head{};  // signature, file header, optional header's magic
  if (pe == 0 || !f.ReadAt(pe, head.data(), head.size())) return std::nullopt;
  if (std::memcmp(head.data(), "PE\0\0", 4) != 0) return std::nullopt;
  PeHeaders h;
  h.SectionCount = Le16(&head[6]);
  h.OptionalHeaderSize = Le16(&head[20]);
  h.OptionalHeader = pe + 24;
  h.Magic = Le16(&head[24]);
  if (h.Magic != 0x10B && h.Magic != 0x20B) return std::nullopt;
  return h;
}

class PeImage {
 public:
  PeImage(const RandomAccessSource& f, const PeHeaders& h) : file_(f) {
    const uint64_t table = h.OptionalHeader + h.OptionalHeaderSize;
    const uint64_t bytes = uint64_t{40} * h.SectionCount;
    if (!Fits(table, bytes, f.Size())) return;
    std::vector<uint8_t> raw(bytes);
    if (!f.ReadAt(table, raw.data(), raw.size())) return;
    for (size_t i = 0; i < h.SectionCount; ++i) {
      const uint8_t* s = &raw[40 * i];
      sections_.push_back({Le32(s + 8), Le32(s + 12), Le32(s + 16), Le32(s + 20)});
    }
  }

  // The file offset of Size bytes at Rva, when a section holds all of them
  // in the file.
  std::optional<uint64_t> FileOffset(uint32_t Rva, uint32_t Size) const {
    for (const Section& s : sections_) {
      const uint32_t span = std::max(s.VirtualSize, s.RawSize);
      if (Rva < s.VirtualAddress || Rva - s.VirtualAddress >= span) continue;
      const uint64_t delta = Rva - s.VirtualAddress;
      if (delta + Size > s.RawSize) return std::nullopt;
      const uint64_t offset = s.RawPointer + delta;
      if (!Fits(offset, Size, file_.Size())) return std::nullopt;
      return offset;
    }
    return std::nullopt;
  }

  bool Read(uint32_t Rva, void* Buffer, uint32_t Size) const {
    const std::optional<uint64_t> offset = FileOffset(Rva, Size);
    return offset && file_.ReadAt(*offset, Buffer, Size);
  }

 private:
  struct Section {
    uint32_t VirtualSize, VirtualAddress, RawSize, RawPointer;
  };
  const RandomAccessSource& file_;
  std::vector<Section> sections_;
};

constexpr uint32_t kHighBit = 0x80000000u;

// The target of a resource directory's entry: the one with the numeric id
// Id, or the first entry of all when Id is nullopt.
std::optional<uint32_t> DirectoryEntry(const PeImage& image, uint32_t DirectoryRva,
                                       std::optional<uint32_t> Id) {
  std::array<uint8_t, 16> dir{};
  if (!image.Read(DirectoryRva, dir.data(), dir.size())) return std::nullopt;
  const uint32_t count = uint32_t{Le16(&dir[12])} + Le16(&dir[14]);
  if (count == 0 || DirectoryRva > UINT32_MAX - 16) return std::nullopt;
  std::vector<uint8_t> entries(8 * size_t{count});
  if (!image.Read(DirectoryRva + 16, entries.data(), static_cast<uint32_t>(entries.size())))
    return std::nullopt;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t name = Le32(&entries[8 * i]);
    const uint32_t target = Le32(&entries[8 * i + 4]);
    if (!Id || ((name & kHighBit) == 0 && name == *Id)) return target;
  }
  return std::nullopt;
}

// ---- ELF ----

struct ElfSection {
  uint32_t Name = 0;
  uint32_t Type = 0;
  uint64_t Offset = 0;
  uint64_t Size = 0;
  uint32_t Link = 0;
};

constexpr uint32_t kShtNoBits = 8;
constexpr uint16_t kShnXIndex = 0xFFFF;

ElfSection ParseElfSection(const uint8_t* s, bool Elf64) {
  ElfSection out;
  out.Name = Le32(s);
  out.Type = Le32(s + 4);
  if (Elf64) {
    out.Offset = Le64(s + 24);
    out.Size = Le64(s + 32);
    out.Link = Le32(s + 40);
  } else {
    out.Offset = Le32(s + 16);
    out.Size = Le32(s + 20);
    out.Link = Le32(s + 24);
  }
  return out;
}

}  // namespace

std::optional<BlockLocation> LocatePeVersionBlock(const RandomAccessSource& File) {
  const std::optional<PeHeaders> h = ReadPeHeaders(File);
  if (!h) return std::nullopt;
  // The data directories: PE32 at 96, PE32+ at 112; the resource table is the
  // third entry; the count of entries stands just before them.
  const uint32_t directories = h->Magic == 0x10B ? 96 : 112;
  if (h->OptionalHeaderSize < directories + 3 * 8) return std::nullopt;
  std::array<uint8_t, 4 + 3 * 8> dd{};
  if (!File.ReadAt(h->OptionalHeader + directories - 4, dd.data(), dd.size())) return std::nullopt;
  if (Le32(&dd[0]) < 3) return std::nullopt;
  const uint32_t resources = Le32(&dd[4 + 16]);
  if (resources == 0) return std::nullopt;

  const PeImage image(File, *h);
  auto subdirectory = [&](std::optional<uint32_t> target) -> std::optional<uint32_t> {
    if (!target || (*target & kHighBit) == 0) return std::nullopt;
    const uint32_t offset = *target & ~kHighBit;
    if (offset > UINT32_MAX - resources) return std::nullopt;
    return resources + offset;
  };
  const std::optional<uint32_t> names = subdirectory(DirectoryEntry(image, resources, 16));
  if (!names) return std::nullopt;
  const std::optional<uint32_t> languages = subdirectory(DirectoryEntry(image, *names, 1));
  if (!languages) return std::nullopt;
  const std::optional<uint32_t> leaf = DirectoryEntry(image, *languages, std::nullopt);
  if (!leaf || (*leaf & kHighBit) != 0 || *leaf > UINT32_MAX - resources) return std::nullopt;

  std::array<uint8_t, 16> data{};
  if (!image.Read(resources + *leaf, data.data(), data.size())) return std::nullopt;
  const uint32_t dataRva = Le32(&data[0]);
  const uint32_t size = std::min(Le32(&data[4]), kMaxBlockSize);
  if (size == 0) return std::nullopt;
  const std::optional<uint64_t> offset = image.FileOffset(dataRva, size);
  if (!offset) return std::nullopt;
  return BlockLocation{*offset, size};
}

std::optional<BlockLocation> LocateElfVersionBlock(const RandomAccessSource& File) {
  std::array<uint8_t, 64> eh{};
  const uint64_t fileSize = File.Size();
  if (!File.ReadAt(0, eh.data(), 52)) return std::nullopt;
  if (std::memcmp(eh.data(),
                  "\x7F"
                  "ELF",
                  4) != 0 ||
      eh[5] != 1)
    return std::nullopt;
  const bool elf64 = eh[4] == 2;
  if (!elf64 && eh[4] != 1) return std::nullopt;
  if (elf64 && !File.ReadAt(0, eh.data(), 64)) return std::nullopt;

  const uint64_t shoff = elf64 ? Le64(&eh[0x28]) : Le32(&eh[0x20]);
  const uint16_t entsize = Le16(&eh[elf64 ? 0x3A : 0x2E]);
  uint64_t count = Le16(&eh[elf64 ? 0x3C : 0x30]);
  uint32_t strndx = Le16(&eh[elf64 ? 0x3E : 0x32]);
  const uint16_t minEntsize = elf64 ? 64 : 40;
  if (shoff == 0 || entsize < minEntsize || !Fits(shoff, entsize, fileSize)) return std::nullopt;

  std::vector<uint8_t> entry(entsize);
  auto section = [&](uint64_t i) -> std::optional<ElfSection> {
    if (!File.ReadAt(shoff + i * entsize, entry.data(), entsize)) return std::nullopt;
    return ParseElfSection(entry.data(), elf64);
  };
  // Many sections: the real count and the names' index live in section 0.
  if (count == 0 || strndx == kShnXIndex) {
    const std::optional<ElfSection> first = section(0);
    if (!first) return std::nullopt;
    if (count == 0) count = first->Size;
    if (strndx == kShnXIndex) strndx = first->Link;
  }
  if (count == 0 || count > (fileSize - shoff) / entsize || strndx >= count) return std::nullopt;

  std::vector<uint8_t> table(count * entsize);
  if (!File.ReadAt(shoff, table.data(), table.size())) return std::nullopt;
  const ElfSection strtab = ParseElfSection(&table[strndx * entsize], elf64);
  if (strtab.Type == kShtNoBits || !Fits(strtab.Offset, strtab.Size, fileSize)) return std::nullopt;
  // Section names are short; a huge name table is read only in its first MiB.
  std::string names(std::min<uint64_t>(strtab.Size, 1 << 20), '\0');
  if (!File.ReadAt(strtab.Offset, names.data(), names.size())) return std::nullopt;

  static constexpr std::string_view kName(".kxversioninfo\0", 15);
  for (uint64_t i = 0; i < count; ++i) {
    const ElfSection s = ParseElfSection(&table[i * entsize], elf64);
    if (s.Name >= names.size() || names.compare(s.Name, kName.size(), kName) != 0) continue;
    if (s.Type == kShtNoBits || s.Size == 0 || !Fits(s.Offset, s.Size, fileSize))
      return std::nullopt;
    return BlockLocation{s.Offset,
                         static_cast<uint32_t>(std::min<uint64_t>(s.Size, kMaxBlockSize))};
  }
  return std::nullopt;
}

std::optional<BlockLocation> LocateVersionBlock(const RandomAccessSource& File) {
  std::array<uint8_t, 4> magic{};
  if (!File.ReadAt(0, magic.data(), magic.size())) return std::nullopt;
  if (magic[0] == 'M' && magic[1] == 'Z') return LocatePeVersionBlock(File);
  if (std::memcmp(magic.data(),
                  "\x7F"
                  "ELF",
                  4) == 0)
    return LocateElfVersionBlock(File);
  return std::nullopt;
}

std::optional<uint64_t> PeCheckSumOffset(const RandomAccessSource& File) {
  const std::optional<PeHeaders> h = ReadPeHeaders(File);
  if (!h || h->OptionalHeaderSize < 68 || !Fits(h->OptionalHeader + 64, 4, File.Size()))
    return std::nullopt;
  return h->OptionalHeader + 64;
}

uint32_t ComputePeCheckSum(std::string_view File, uint64_t CheckSumOffset) {
  auto byte = [&](size_t i) -> uint32_t {
    if (i >= CheckSumOffset && i - CheckSumOffset < 4) return 0;
    return static_cast<uint8_t>(File[i]);
  };
  uint64_t sum = 0;
  const size_t n = File.size();
  for (size_t i = 0; i < n; i += 2) {
    sum += byte(i) | (i + 1 < n ? byte(i + 1) << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + n);
}

}  // namespace kx::platform::versioninfo
