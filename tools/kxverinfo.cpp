// kxverinfo — writes the version block of libkxexport.so.
//
//   kxverinfo SETTINGS OUTPUT [--raw]
//
// SETTINGS is a UTF-8 file of "Name=Value" lines (the build writes it from
// its cache variables):
//   FileVersion       four numbers 0-65535, "2.2.0.0": the fixed file
//                     version and the "FileVersion" text
//   ProductVersion    text; its first four "."-parts that are numbers give
//                     the fixed product version (others count 0)
//   CompanyName, FileDescription, InternalName, LegalCopyright,
//   LegalTrademarks, OriginalFilename, ProductName, Comment
//                     the texts; FileDescription and LegalCopyright must not
//                     be blank
// OUTPUT receives a C++ source that holds the block as a constant byte array
// in the section ".kxversioninfo", kept by the linker; with --raw, the block's
// bytes themselves. The block has one translation, 0409 with code page 04B0.
// Exit status 0, or 1 with a message on standard error.
#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Text.h"
#include "platform/versioninfo/VersionBlock.h"

namespace {

namespace vi = kx::platform::versioninfo;

const char* const kTextNames[] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comment"};

struct Failure {
  std::string Message;
};

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::vector<std::string_view> SplitAtDots(std::string_view Text) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t dot = Text.find('.', start);
    parts.push_back(Text.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) return parts;
    start = dot + 1;
  }
}

std::optional<uint16_t> Number(std::string_view Part) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(Part.data(), Part.data() + Part.size(), value);
  if (Part.empty() || ec != std::errc() || end != Part.data() + Part.size() || value > 0xFFFF)
    return std::nullopt;
  return static_cast<uint16_t>(value);
}

// Exactly four numbers of 0-65535.
std::array<uint16_t, 4> FileVersionParts(std::string_view Text) {
  const std::vector<std::string_view> parts = SplitAtDots(Text);
  std::array<uint16_t, 4> out{};
  for (size_t i = 0; i < out.size(); ++i) {
    const std::optional<uint16_t> n = parts.size() == 4 ? Number(parts[i]) : std::nullopt;
    if (!n)
      throw Failure{"FileVersion must be four numbers of 0 to 65535: \"" + std::string(Text) +
                    "\""};
    out[i] = *n;
  }
  return out;
}

// The first four parts; a missing part or one that is no number counts 0.
std::array<uint16_t, 4> ProductVersionParts(std::string_view Text) {
  const std::vector<std::string_view> parts = SplitAtDots(Text);
  std::array<uint16_t, 4> out{};
  for (size_t i = 0; i < out.size() && i < parts.size(); ++i) out[i] = Number(parts[i]).value_or(0);
  return out;
}

std::map<std::string, std::string> ReadSettings(const std::string& Path) {
  std::ifstream file(Path, std::ios::binary);
  if (!file) throw Failure{"cannot read " + Path};
  std::map<std::string, std::string> settings;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) throw Failure{"line without \"=\" in " + Path + ": " + line};
    const std::string name = line.substr(0, eq);
    bool known = name == "FileVersion" || name == "ProductVersion";
    for (const char* text : kTextNames) known = known || name == text;
    if (!known) throw Failure{"unknown setting \"" + name + "\" in " + Path};
    settings[name] = line.substr(eq + 1);
  }
  return settings;
}

std::string MakeBlock(std::map<std::string, std::string> Settings) {
  for (const char* required : {"FileDescription", "LegalCopyright"})
    if (IsBlank(Settings[required])) throw Failure{std::string(required) + " must not be blank"};
  const std::array<uint16_t, 4> file = FileVersionParts(Settings["FileVersion"]);
  const std::array<uint16_t, 4> product = ProductVersionParts(Settings["ProductVersion"]);

  vi::VersionBlockContent content;
  content.Fixed.FileVersionMS = static_cast<uint32_t>(file[0]) << 16 | file[1];
  content.Fixed.FileVersionLS = static_cast<uint32_t>(file[2]) << 16 | file[3];
  content.Fixed.ProductVersionMS = static_cast<uint32_t>(product[0]) << 16 | product[1];
  content.Fixed.ProductVersionLS = static_cast<uint32_t>(product[2]) << 16 | product[3];
  content.Fixed.FileType = 2;  // a library
  vi::VersionBlockContent::Table table;
  const vi::Translation english{0x0409, 0x04B0};
  table.Key = vi::TableKey(english);
  for (const char* name : kTextNames)
    table.Strings.emplace_back(ToUtf16(name), ToUtf16(Settings[name]));
  content.Tables.push_back(std::move(table));
  content.Translations.push_back(english);
  return vi::BuildVersionBlock(content);
}

std::string CppSource(const std::string& Block) {
  char size[24];
  const auto [end, ec] = std::to_chars(size, size + sizeof size, Block.size());
  std::string out =
      "// Generated by kxverinfo from the build's version settings; do not edit.\n"
      "// The library's version block, found by the version readers in the section\n"
      "// \".kxversioninfo\".\n"
      "__attribute__((section(\".kxversioninfo\"), used, retain, aligned(4)))\n"
      "static const unsigned char kxVersionInfoBlock[" +
      std::string(size, end) + "] = {";
  static constexpr char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < Block.size(); ++i) {
    const auto byte = static_cast<unsigned char>(Block[i]);
    if (i % 12 == 0) out += "\n   ";
    out += " 0x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
    out += ',';
  }
  out += "\n};\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const bool raw = argc == 4 && std::string_view(argv[3]) == "--raw";
  if (argc != 3 && !raw) {
    std::cerr << "usage: kxverinfo SETTINGS OUTPUT [--raw]\n";
    return 1;
  }
  try {
    const std::string block = MakeBlock(ReadSettings(argv[1]));
    const std::string output = raw ? block : CppSource(block);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (!out.write(output.data(), static_cast<std::streamsize>(output.size())) || !out.flush()) {
      std::cerr << "kxverinfo: cannot write " << argv[2] << "\n";
      return 1;
    }
  } catch (const Failure& f) {
    std::cerr << "kxverinfo: " << f.Message << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "kxverinfo: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
