// platform/versioninfo/TestImages.h — small PE and ELF images made in memory,
// for tests of the version-resource readers (header only; no library code).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace kx::platform::versioninfo::testing {

inline void Put16(std::string& b, size_t at, uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2, '\0');
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}

inline void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v & 0xFFFF));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

inline void Put64(std::string& b, size_t at, uint64_t v) {
  Put32(b, at, static_cast<uint32_t>(v));
  Put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}

struct PeSpec {
  bool Pe32Plus = true;
  uint16_t Machine = 0x8664;
  // The version block; empty for an image without resources.
  std::string Block{};
  uint16_t Language = 0x0409;
  uint32_t CheckSum = 0;  // written as given
};

// One section ".rsrc" at RVA 0x1000, file offset 0x200, holding the tree
// type 16 / name 1 / Language and the block.
inline std::string MakePeImage(const PeSpec& Spec) {
  std::string b(0x200, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 60, 0x40);
  b.replace(0x40, 4, std::string_view("PE\0\0", 4));
  const uint16_t optSize = Spec.Pe32Plus ? 240 : 224;
  Put16(b, 0x44, Spec.Machine);
  Put16(b, 0x46, 1);  // sections
  Put16(b, 0x54, optSize);
  Put16(b, 0x56, 0x2022);
  const size_t opt = 0x58;
  Put16(b, opt, Spec.Pe32Plus ? 0x20B : 0x10B);
  Put32(b, opt + 32, 0x1000);  // section alignment
  Put32(b, opt + 36, 0x200);   // file alignment
  Put32(b, opt + 60, 0x200);   // size of headers
  Put32(b, opt + 64, Spec.CheckSum);
  const size_t dirs = opt + (Spec.Pe32Plus ? 112 : 96);
  Put32(b, dirs - 4, 16);

  std::string rsrc;
  if (!Spec.Block.empty()) {
    // root, type 16, name 1, language: 16-byte directories with one entry each
    const uint32_t ids[3] = {16, 1, Spec.Language};
    for (uint32_t level = 0; level < 3; ++level) {
      const size_t at = rsrc.size();
      Put16(rsrc, at + 14, 1);
      Put32(rsrc, at + 16, ids[level]);
      const uint32_t next = static_cast<uint32_t>(at + 24);
      Put32(rsrc, at + 20, level < 2 ? (0x80000000u | next) : next);
    }
    const size_t entry = rsrc.size();  // 72
    const uint32_t dataOffset = 88;
    Put32(rsrc, entry, 0x1000 + dataOffset);
    Put32(rsrc, entry + 4, static_cast<uint32_t>(Spec.Block.size()));
    rsrc.resize(dataOffset, '\0');
    rsrc += Spec.Block;
    Put32(b, dirs + 16, 0x1000);
    Put32(b, dirs + 20, static_cast<uint32_t>(rsrc.size()));
  }
  const size_t raw = (rsrc.size() + 0x1FF) & ~size_t{0x1FF};
  const size_t section = opt + optSize;
  b.replace(section, 5, ".rsrc");
  Put32(b, section + 8, static_cast<uint32_t>(rsrc.size()));
  Put32(b, section + 12, 0x1000);
  Put32(b, section + 16, static_cast<uint32_t>(raw));
  Put32(b, section + 20, 0x200);
  Put32(b, opt + 56, 0x1000 + static_cast<uint32_t>((rsrc.size() + 0xFFF) & ~size_t{0xFFF}));
  rsrc.resize(raw, '\0');
  return b + rsrc;
}

struct ElfSpec {
  bool Elf64 = true;
  bool BigEndian = false;  // only the header's byte-order mark and e_machine follow it
  uint16_t Machine = 62;   // x86-64
  // The contents of ".kxversioninfo"; empty for a file without that section.
  std::string Block{};
};

// Header, the section data, the names, then the section headers: the null
// section, ".kxversioninfo" (when there is a block) and ".shstrtab".
inline std::string MakeElfImage(const ElfSpec& Spec) {
  const size_t header = Spec.Elf64 ? 64 : 52;
  const size_t entsize = Spec.Elf64 ? 64 : 40;
  std::string b(header, '\0');
  b.replace(0, 4,
            "\x7F"
            "ELF");
  b[4] = Spec.Elf64 ? 2 : 1;
  b[5] = Spec.BigEndian ? 2 : 1;
  b[6] = 1;
  Put16(b, 16, 3);  // ET_DYN
  if (Spec.BigEndian) {
    b[18] = static_cast<char>(Spec.Machine >> 8);
    b[19] = static_cast<char>(Spec.Machine & 0xFF);
  } else {
    Put16(b, 18, Spec.Machine);
  }
  const size_t dataAt = b.size();
  b += Spec.Block;
  while (b.size() % 4) b.push_back('\0');
  const std::string names = std::string("\0.kxversioninfo\0.shstrtab\0", 26);
  const size_t namesAt = b.size();
  b += names;
  while (b.size() % 8) b.push_back('\0');
  const size_t shoff = b.size();
  const bool withBlock = !Spec.Block.empty();
  const uint16_t count = withBlock ? 3 : 2;
  b.resize(shoff + count * entsize, '\0');
  auto section = [&](size_t i, uint32_t name, uint32_t type, uint64_t flags, size_t offset,
                     size_t size) {
    const size_t s = shoff + i * entsize;
    Put32(b, s, name);
    Put32(b, s + 4, type);
    if (Spec.Elf64) {
      Put64(b, s + 8, flags);
      Put64(b, s + 24, offset);
      Put64(b, s + 32, size);
    } else {
      Put32(b, s + 8, static_cast<uint32_t>(flags));
      Put32(b, s + 16, static_cast<uint32_t>(offset));
      Put32(b, s + 20, static_cast<uint32_t>(size));
    }
  };
  if (withBlock) section(1, 1, 1 /* PROGBITS */, 2 /* ALLOC */, dataAt, Spec.Block.size());
  section(count - 1, 16, 3 /* STRTAB */, 0, namesAt, names.size());
  if (Spec.Elf64) {
    Put64(b, 0x28, shoff);
    Put16(b, 0x34, 64);
    Put16(b, 0x3A, 64);
    Put16(b, 0x3C, count);
    Put16(b, 0x3E, count - 1);
  } else {
    Put32(b, 0x20, static_cast<uint32_t>(shoff));
    Put16(b, 0x28, 52);
    Put16(b, 0x2E, 40);
    Put16(b, 0x30, count);
    Put16(b, 0x32, count - 1);
  }
  return b;
}

// ---- Files made by outside tools ------------------------------------------------

// The tests' own temporary folder.
inline std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

inline bool WriteFile(const std::string& Path, std::string_view Bytes) {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  return static_cast<bool>(out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size())));
}

inline std::string ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Standard output of a shell command; nullopt-like "" with Ok false when it
// fails.
inline std::string RunCommand(const std::string& Command, bool& Ok) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(Command.c_str(), "r"), pclose);
  std::string out;
  Ok = false;
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  Ok = pclose(pipe.release()) == 0;
  return out;
}

// A version script with two translations (German first, its resource in
// German) and the entry "Comment". File version 2.5.0.17, product 3.1.4.1.
inline constexpr std::string_view kVersionScript = R"(LANGUAGE 0x07, 0x01
1 VERSIONINFO
FILEVERSION 2,5,0,17
PRODUCTVERSION 3,1,4,1
FILEFLAGSMASK 0x3f
FILEOS 0x40004
FILETYPE 0x2
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040704B0"
    BEGIN
      VALUE "CompanyName", "Beispiel GmbH"
      VALUE "FileDescription", "  Werkzeug ä€  "
      VALUE "ProductVersion", "3.1"
      VALUE "Comment", "Kommentar"
    END
    BLOCK "040904B0"
    BEGIN
      VALUE "CompanyName", "Example Ltd"
      VALUE "FileDescription", "A tool"
      VALUE "FileVersion", "2.5.0.17"
      VALUE "ProductVersion", "3.1"
      VALUE "Comment", "A comment"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x407, 1200, 0x409, 1200
  END
END
)";

// A resource-only PE file made from Script by the MinGW windres and ld: a
// PE32+ image for x86-64 when X64, else a PE32 image for x86. ld writes a
// real CheckSum. "" when the tools fail.
inline std::string MakeWindresImage(const std::string& Name, std::string_view Script, bool X64) {
  const std::string base = TempFolder() + "/" + Name;
  const std::string prefix = X64 ? "x86_64-w64-mingw32-" : "i686-w64-mingw32-";
  if (!WriteFile(base + ".rc", Script)) return "";
  bool ok = false;
  RunCommand(prefix + "windres --preprocessor=cpp -c 65001 -i '" + base + ".rc' -o '" + base +
                 ".o' 2>&1 && " + prefix + "ld --dll -e 0 '" + base + ".o' -o '" + base +
                 ".dll' 2>&1",
             ok);
  return ok ? base + ".dll" : "";
}

// What Python's pefile reads from a PE file: "machine", "checksum" ("ok" when
// verify_checksum() holds), "fixed" (file MS, LS, product MS, LS in hex),
// "translations" ("0407:04B0 0409:04B0") and "string <table> <name>" for
// each text. Empty when pefile fails.
inline std::map<std::string, std::string> PefileDump(const std::string& File) {
  static constexpr std::string_view kScript = R"(import struct, sys, pefile
pe = pefile.PE(sys.argv[1])
out = [("machine", "%04X" % pe.FILE_HEADER.Machine),
       ("checksum", "ok" if pe.verify_checksum() else "bad")]
if hasattr(pe, "VS_FIXEDFILEINFO"):
    f = pe.VS_FIXEDFILEINFO[0]
    out.append(("fixed", "%08X %08X %08X %08X" % (f.FileVersionMS, f.FileVersionLS,
                                                  f.ProductVersionMS, f.ProductVersionLS)))
for info in getattr(pe, "FileInfo", []):
    for e in info:
        if e.Key == b"StringFileInfo":
            for t in e.StringTable:
                for k, v in t.entries.items():
                    out.append(("string %s %s" % (t.LangID.decode().upper(), k.decode()),
                                v.decode("utf-8")))
        if e.Key == b"VarFileInfo":
            for v in e.Var:
                at = (v.get_file_offset() + 6 + 24 + 3) // 4 * 4
                data = pe.__data__[at:at + v.ValueLength]
                n = struct.unpack("<%dH" % (len(data) // 2), data)
                out.append(("translations", " ".join(
                    "%04X:%04X" % (n[i], n[i + 1]) for i in range(0, len(n) - 1, 2))))
sys.stdout.buffer.write("".join("%s\t%s\n" % kv for kv in out).encode("utf-8"))
)";
  const std::string script = TempFolder() + "/pefile_dump.py";
  std::map<std::string, std::string> dump;
  if (!WriteFile(script, kScript)) return dump;
  bool ok = false;
  const std::string out = RunCommand("/usr/bin/python3 '" + script + "' '" + File + "'", ok);
  if (!ok) return dump;
  size_t start = 0;
  for (size_t nl = out.find('\n'); nl != std::string::npos;
       start = nl + 1, nl = out.find('\n', start)) {
    const std::string line = out.substr(start, nl - start);
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) dump[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return dump;
}

}  // namespace kx::platform::versioninfo::testing
