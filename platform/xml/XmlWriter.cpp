#include "platform/xml/XmlWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/file/StagedFile.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Stream.h"

namespace kx::platform {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// Length of the UTF-8 sequence at p (n bytes available) and its code point;
// 0 for bytes that are no valid UTF-8 (overlong forms and surrogates
// included); -1 when the bytes so far are a valid start but the sequence is
// cut off.
int DecodeUtf8(const unsigned char* p, size_t n, char32_t& c) {
  const unsigned b = p[0];
  if (b < 0x80) {
    c = b;
    return 1;
  }
  int len;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    c = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    c = b & 0x07;
  } else {
    return 0;
  }
  for (int i = 1; i < len; ++i) {
    if (static_cast<size_t>(i) >= n) return -1;
    const unsigned t = p[i];
    if ((t & 0xC0) != 0x80) return 0;
    if (i == 1 && ((b == 0xE0 && t < 0xA0) || (b == 0xED && t > 0x9F) ||
                   (b == 0xF0 && t < 0x90) || (b == 0xF4 && t > 0x8F)))
      return 0;
    c = (c << 6) | (t & 0x3F);
  }
  return len;
}

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsNameStartChar(char32_t c) {
  return c == ':' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') ||
         (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
         (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
  return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

UnicodeString CodePointText(char32_t c) {
  return u"U+" + IntToHex(static_cast<int32_t>(c), c > 0xFFFF ? 6 : 4);
}

[[noreturn]] void RaiseInvalidUtf8() {
  throw EXMLDocError(u"invalid UTF-8 in an XML value");
}

[[noreturn]] void RaiseBadChar(char32_t c) {
  throw EXMLDocError(u"character " + CodePointText(c) + u" is not allowed in XML");
}

void CheckName(std::string_view Name) {
  if (!IsXmlName(Name)) throw EXMLDocError(u"invalid XML name '" + ToUtf16(Name) + u"'");
}


// Per escape mode, the ASCII bytes that are copied as they are: the blank
// and above but for the mode's specials, and tab, LF and CR where they are
// written raw.
using ByteTable = std::array<bool, 128>;
constexpr ByteTable MakePlain(std::string_view specials, bool rawLineBreaks) {
  ByteTable t{};
  for (int c = 0x20; c < 0x80; ++c) t[c] = true;
  for (char c : specials) t[static_cast<unsigned char>(c)] = false;
  t['\t'] = t['\n'] = t['\r'] = rawLineBreaks;
  return t;
}
constexpr ByteTable kTextPlain = MakePlain("&<>", true);
constexpr ByteTable kAttributePlain = MakePlain("&<>\"", false);
constexpr ByteTable kCDataPlain = MakePlain("]>", true);
constexpr ByteTable kRawPlain = MakePlain("", true);

}  // namespace

bool IsXmlName(std::string_view Name) {
  const auto* p = reinterpret_cast<const unsigned char*>(Name.data());
  const size_t n = Name.size();
  if (n == 0) return false;
  size_t i = 0;
  while (i < n) {
    char32_t c;
    const int len = DecodeUtf8(p + i, n - i, c);
    if (len <= 0) return false;
    if (i == 0 ? !IsNameStartChar(c) : !IsNameChar(c)) return false;
    i += static_cast<size_t>(len);
  }
  return true;
}

std::string XmlValueUtf8(std::u16string_view Text) {
  const size_t n = Text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t u = Text[i];
    if (u >= 0x20 && u < 0xD800) continue;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if (!IsXmlChar(u)) RaiseBadChar(u);  // lone surrogates lie outside every range
  }
  return ToUtf8Strict(Text);
}

// ---- FileXmlSink -------------------------------------------------------------

FileXmlSink::FileXmlSink(Stream& Target) : stream_(&Target), capacity_(64 * 1024) {
  buffer_.reserve(capacity_);
}

FileXmlSink::FileXmlSink(StagedFile& Target) : staged_(&Target), capacity_(1024 * 1024) {
  buffer_.reserve(capacity_);
}

void FileXmlSink::Write(std::string_view Bytes) {
  if (buffer_.size() + Bytes.size() > capacity_) Flush();
  if (Bytes.size() >= capacity_)
    Put(Bytes);
  else
    buffer_.append(Bytes);
}

void FileXmlSink::Flush() {
  if (buffer_.empty()) return;
  Put(buffer_);
  buffer_.clear();
}

void FileXmlSink::Put(std::string_view Bytes) {
  if (stream_ != nullptr) {
    stream_->WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  } else if (!staged_->Write(Bytes)) {
    throw EWriteError(u"stream write exception - " + ToUtf16(std::string_view(std::strerror(errno))));
  }
}

// ---- XmlWriter ------------------------------------------------------------------

void XmlWriter::BeginOutput() {
  if (begun_) return;
  begun_ = true;
  Emit(kDeclaration);
  Emit(kXmlLineBreak);
}

void XmlWriter::CloseStartTag() {
  if (!startTagOpen_) return;
  Emit(">");
  startTagOpen_ = false;
  attributes_.clear();
}

void XmlWriter::CloseOpenContent() {
  if (open_ == Open::None) return;
  const Open was = open_;
  open_ = Open::None;
  if (!pending_.empty()) {
    pending_.clear();
    RaiseInvalidUtf8();
  }
  if (was == Open::CData) Emit("]]>");
}

void XmlWriter::BeginContent(Open kind) {
  if (elements_.empty()) throw EXMLDocError(u"XML content outside the document element");
  if (open_ == kind) return;
  CloseOpenContent();
  CloseStartTag();
  open_ = kind;
  if (kind == Open::CData) {
    Emit("<![CDATA[");
    brackets_ = 0;
  }
}

void XmlWriter::StartElement(std::string_view Name) {
  if (rootDone_)
    throw EXMLDocError(u"an XML document has only one document element");
  CheckName(Name);
  CloseOpenContent();
  CloseStartTag();
  BeginOutput();
  Emit("<");
  Emit(Name);
  elements_.emplace_back(Name);
  startTagOpen_ = true;
  attributes_.clear();
}

void XmlWriter::StartElement(std::u16string_view Name) { StartElement(XmlValueUtf8(Name)); }

void XmlWriter::Attribute(std::string_view Name, std::string_view Value) {
  if (!startTagOpen_) throw EXMLDocError(u"XML attribute '" + ToUtf16(Name) + u"' outside a start tag");
  CheckName(Name);
  if (std::find(attributes_.begin(), attributes_.end(), Name) != attributes_.end())
    throw EXMLDocError(u"XML attribute '" + ToUtf16(Name) + u"' given twice");
  attributes_.emplace_back(Name);
  Emit(" ");
  Emit(Name);
  Emit("=\"");
  WriteChecked(Value, Escape::Attribute, false);
  Emit("\"");
}

void XmlWriter::Attribute(std::u16string_view Name, std::u16string_view Value) {
  Attribute(XmlValueUtf8(Name), XmlValueUtf8(Value));
}

void XmlWriter::Text(std::string_view Chunk) {
  if (Chunk.empty() && open_ != Open::Text) {
    if (elements_.empty()) throw EXMLDocError(u"XML content outside the document element");
    return;  // nothing to write: an element without content stays "<e/>"
  }
  BeginContent(Open::Text);
  WriteChecked(Chunk, Escape::Text, true);
}

void XmlWriter::CData(std::string_view Chunk) {
  BeginContent(Open::CData);
  WriteChecked(Chunk, Escape::CData, true);
}

void XmlWriter::CDataBase64(std::string_view Chunk) {
  BeginContent(Open::CData);
  Emit(Chunk);
  brackets_ = 0;
}

template <class F>
void XmlWriter::ForUtf8Pieces(std::u16string_view Chunk, F&& f) {
  // Pieces of bounded size, so a large UTF-16 value never exists twice.
  constexpr size_t kPiece = 16 * 1024;
  while (!Chunk.empty()) {
    size_t take = std::min(kPiece, Chunk.size());
    const char16_t last = Chunk[take - 1];
    if (take < Chunk.size() && last >= 0xD800 && last <= 0xDBFF) --take;  // keep a pair whole
    f(XmlValueUtf8(Chunk.substr(0, take)));
    Chunk.remove_prefix(take);
  }
}

void XmlWriter::Text(std::u16string_view Chunk) {
  if (Chunk.empty()) {
    Text(std::string_view());
    return;
  }
  ForUtf8Pieces(Chunk, [this](const std::string& piece) { Text(std::string_view(piece)); });
}

void XmlWriter::CData(std::u16string_view Chunk) {
  if (Chunk.empty()) {
    CData(std::string_view());
    return;
  }
  ForUtf8Pieces(Chunk, [this](const std::string& piece) { CData(std::string_view(piece)); });
}

void XmlWriter::Comment(std::string_view Text) {
  if (Text.find("--") != std::string_view::npos || (!Text.empty() && Text.back() == '-'))
    throw EXMLDocError(u"an XML comment cannot hold \"--\" or end with \"-\"");
  CloseOpenContent();
  CloseStartTag();
  BeginOutput();
  Emit("<!--");
  WriteChecked(Text, Escape::Raw, false);
  Emit("-->");
}

void XmlWriter::ProcessingInstruction(std::string_view Target, std::string_view Data) {
  CheckName(Target);
  if (Target.size() == 3 && (Target[0] | 0x20) == 'x' && (Target[1] | 0x20) == 'm' &&
      (Target[2] | 0x20) == 'l')
    throw EXMLDocError(u"the processing instruction target 'xml' is reserved");
  if (Data.find("?>") != std::string_view::npos)
    throw EXMLDocError(u"a processing instruction cannot hold \"?>\"");
  CloseOpenContent();
  CloseStartTag();
  BeginOutput();
  Emit("<?");
  Emit(Target);
  if (!Data.empty()) {
    Emit(" ");
    WriteChecked(Data, Escape::Raw, false);
  }
  Emit("?>");
}

void XmlWriter::EndElement() {
  if (elements_.empty()) throw EXMLDocError(u"no XML element is open");
  CloseOpenContent();
  if (startTagOpen_) {
    Emit("/>");
    startTagOpen_ = false;
    attributes_.clear();
  } else {
    Emit("</");
    Emit(elements_.back());
    Emit(">");
  }
  elements_.pop_back();
  if (elements_.empty()) rootDone_ = true;
}

void XmlWriter::Finish() {
  if (!elements_.empty())
    throw EXMLDocError(u"XML element '" + ToUtf16(elements_.back()) + u"' is not closed");
  if (!rootDone_) throw EXMLDocError(u"the XML document has no document element");
  sink_.Flush();
}

void XmlWriter::WriteCharacter(const char* Bytes, size_t Length, char32_t Code, Escape mode) {
  if (!IsXmlChar(Code)) RaiseBadChar(Code);
  switch (mode) {
    case Escape::Text:
      if (Code == '&') return Emit("&amp;");
      if (Code == '<') return Emit("&lt;");
      if (Code == '>') return Emit("&gt;");
      break;
    case Escape::Attribute:
      if (Code == '&') return Emit("&amp;");
      if (Code == '<') return Emit("&lt;");
      if (Code == '>') return Emit("&gt;");
      if (Code == '"') return Emit("&quot;");
      if (Code == '\t') return Emit("&#9;");
      if (Code == '\n') return Emit("&#10;");
      if (Code == '\r') return Emit("&#13;");
      break;
    case Escape::CData:
      if (Code == ']') {
        if (brackets_ < 2) ++brackets_;
        return Emit("]");
      }
      if (Code == '>' && brackets_ >= 2) Emit("]]><![CDATA[");
      brackets_ = 0;
      break;
    case Escape::Raw:
      break;
  }
  Emit(std::string_view(Bytes, Length));
}

void XmlWriter::WriteChecked(std::string_view Chunk, Escape mode, bool Streamed) {
  const ByteTable& plain = mode == Escape::Text        ? kTextPlain
                           : mode == Escape::Attribute ? kAttributePlain
                           : mode == Escape::CData     ? kCDataPlain
                                                       : kRawPlain;
  // Finish a sequence that the last chunk cut off.
  if (!pending_.empty()) {
    const size_t before = pending_.size();
    pending_.append(Chunk.substr(0, std::min<size_t>(4 - before, Chunk.size())));
    char32_t c;
    const int len = DecodeUtf8(reinterpret_cast<const unsigned char*>(pending_.data()),
                               pending_.size(), c);
    if (len == 0) {
      pending_.clear();
      RaiseInvalidUtf8();
    }
    if (len < 0) {  // the chunk was too short to finish it
      if (!Streamed) RaiseInvalidUtf8();
      return;
    }
    const std::string sequence = pending_.substr(0, static_cast<size_t>(len));
    pending_.clear();
    WriteCharacter(sequence.data(), sequence.size(), c, mode);
    Chunk.remove_prefix(static_cast<size_t>(len) - before);
  }

  // Runs of bytes that need no change go out in one piece; valid non-ASCII
  // characters belong to the run.
  const auto* p = reinterpret_cast<const unsigned char*>(Chunk.data());
  const size_t n = Chunk.size();
  size_t run = 0;
  size_t i = 0;
  auto flushRun = [&] {
    if (i > run) {
      Emit(Chunk.substr(run, i - run));
      brackets_ = 0;
    }
  };
  while (i < n) {
    const unsigned b = p[i];
    if (b < 0x80) {
      if (plain[b]) {
        ++i;
        continue;
      }
      flushRun();
      WriteCharacter(Chunk.data() + i, 1, b, mode);
      run = ++i;
      continue;
    }
    char32_t c;
    const int len = DecodeUtf8(p + i, n - i, c);
    if (len == 0) RaiseInvalidUtf8();
    if (len < 0) {
      if (!Streamed) RaiseInvalidUtf8();
      flushRun();
      pending_.assign(Chunk.substr(i));
      run = i = n;
      break;
    }
    if (!IsXmlChar(c)) RaiseBadChar(c);
    i += static_cast<size_t>(len);
  }
  flushRun();
}

}  // namespace kx::platform
