// platform/xml/XmlWriter.h — the one XML writer of the system: a streaming
// writer over a byte sink. Every XML text the system writes goes through it,
// the document model's serialisation included, so all of them share these
// rules:
//
//   - The text starts with <?xml version="1.0" encoding="UTF-8"?> and
//     kXmlLineBreak, then the root element (comments and processing
//     instructions may stand around it). No other white space is added and
//     nothing follows the root's end tag: no line break at the end.
//   - Text: "&", "<" and ">" are written as "&amp;", "&lt;" and "&gt;"; tab,
//     LF and CR are written as they are.
//   - Attribute values stand in double quotes; "&", "<", ">" and '"' are
//     escaped, and tab, LF and CR become "&#9;", "&#10;" and "&#13;", so a
//     reader gets them back unchanged (a raw one would read as a blank).
//     Attributes are written in the order they are given.
//   - An element without content is written "<e/>".
//   - CDATA is written as given; wherever its content holds "]]>", also across
//     the boundary of two chunks, the section is closed after "]]" and a new
//     one opened before ">", which a reader joins to the same text.
//   - Names must match the Name production of XML 1.0 (fifth edition).
//
// Values are UTF-8 (or UTF-16 in the u16 overloads). A character XML does not
// allow (a control character other than tab, LF and CR, U+FFFE, U+FFFF, a
// lone surrogate) or bytes that are no valid UTF-8 raise EXMLDocError rather
// than give a document no reader accepts; so does an invalid name, a second
// root, an attribute given twice or after the content, and any call out of
// order. Bytes that went to the sink before the error stay there, and the
// writer is not used again.
//
// Text and CDATA are streamed: a value may come in any number of chunks
// (consecutive calls continue the same text or section, and a UTF-8 sequence
// may be split between two chunks), and the writer holds no more than a few
// bytes of it, whatever its size.
//
//   std::string out;
//   StringXmlSink sink(out);
//   XmlWriter w(sink);
//   w.StartElement("a"); w.Attribute("x", "1\t2"); w.Text("a<b"); w.EndElement();
//   w.Finish();
//   out == "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a x=\"1&#9;2\">a&lt;b</a>"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

class Stream;

// A document that cannot be built or written as asked: an invalid name, a
// character XML does not allow, a second document element, a value that is
// not a single text.
KX_DECLARE_EXCEPTION(EXMLDocError, Exception);

namespace kx::platform {

class StagedFile;

// The line break between the XML declaration and the root, in every XML text
// the system writes.
inline constexpr std::string_view kXmlLineBreak = "\r\n";

// True when Name (UTF-8) matches the Name production of XML 1.0, fifth
// edition: a letter, "_" or ":" (or another name start character), then
// name characters ("-", ".", digits, combining marks, ...).
//   IsXmlName("_1st_value") == true;  IsXmlName("1st") == false;  IsXmlName("") == false
bool IsXmlName(std::string_view Name);

// Text as UTF-8 for an XML value. Raises EXMLDocError, naming the character,
// for one XML does not allow: a control character other than tab, LF and
// CR, U+FFFE, U+FFFF or a lone surrogate (a raw byte carried as
// U+DC80..U+DCFF too).
std::string XmlValueUtf8(std::u16string_view Text);

// Where the writer's bytes go.
class XmlSink {
 public:
  virtual ~XmlSink() = default;
  virtual void Write(std::string_view Bytes) = 0;
  // Passes on what the sink holds back; XmlWriter::Finish calls it.
  virtual void Flush() {}
};

// Appends to a string.
class StringXmlSink final : public XmlSink {
 public:
  explicit StringXmlSink(std::string& Target) : target_(Target) {}
  void Write(std::string_view Bytes) override { target_.append(Bytes); }

 private:
  std::string& target_;
};

// Writes to a file through a buffer: to a stream (a FileStream), or to a
// staged file, which then syncs a large document while it is written. Small
// writes are gathered up to the buffer's size (64 KiB for a stream, 1 MiB for
// a staged file); a write of that size or more passes straight through.
// Bytes not yet flushed are dropped when the sink goes away without Flush.
// A refused write raises EWriteError to the writer's caller: the stream's
// own, or "stream write exception - " and the system's reason for a staged
// file.
class FileXmlSink final : public XmlSink {
 public:
  explicit FileXmlSink(Stream& Target);
  explicit FileXmlSink(StagedFile& Target);
  void Write(std::string_view Bytes) override;
  void Flush() override;

 private:
  void Put(std::string_view Bytes);

  Stream* stream_ = nullptr;
  StagedFile* staged_ = nullptr;
  size_t capacity_;
  std::string buffer_;
};

class XmlWriter {
 public:
  explicit XmlWriter(XmlSink& Sink) : sink_(Sink) {}
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  // Opens an element: the root first, then children of the open element. The
  // declaration is written before the first thing the writer writes.
  void StartElement(std::string_view Name);
  void StartElement(std::u16string_view Name);
  // An attribute of the element just opened, before any content of it.
  void Attribute(std::string_view Name, std::string_view Value);
  void Attribute(std::u16string_view Name, std::u16string_view Value);
  // Text content of the open element; consecutive calls continue one text.
  void Text(std::string_view Chunk);
  void Text(std::u16string_view Chunk);
  // CDATA content of the open element; consecutive calls continue one
  // section (an empty first chunk still writes an empty section).
  void CData(std::string_view Chunk);
  void CData(std::u16string_view Chunk);
  // Base64 text as CDATA content, like CData, written as it is: the
  // alphabet ("A"-"Z", "a"-"z", "0"-"9", "+", "/", "="), CR and LF need no
  // check and no escape. For an encoder's output, which may be large.
  void CDataBase64(std::string_view Chunk);
  // A comment ("--" inside or "-" at the end raise) and a processing
  // instruction (target a name other than "xml" in any case, no "?>" in
  // Data), inside the open element or before or after the root.
  void Comment(std::string_view Text);
  void ProcessingInstruction(std::string_view Target, std::string_view Data);
  // Closes the innermost open element ("<e/>" when it has no content).
  void EndElement();
  // Checks that the root was written and closed, then flushes the sink.
  void Finish();

 private:
  enum class Open : uint8_t { None, Text, CData };
  enum class Escape : uint8_t { Text, Attribute, CData, Raw };

  void Emit(std::string_view Bytes) { sink_.Write(Bytes); }
  void BeginOutput();
  void CloseStartTag();
  void CloseOpenContent();
  void BeginContent(Open kind);
  // Checks and escapes Chunk; with Streamed a UTF-8 sequence cut at the end
  // is kept for the next chunk, else it raises.
  void WriteChecked(std::string_view Chunk, Escape mode, bool Streamed);
  void WriteCharacter(const char* Bytes, size_t Length, char32_t Code, Escape mode);
  template <class F>
  void ForUtf8Pieces(std::u16string_view Chunk, F&& f);

  XmlSink& sink_;
  bool begun_ = false;
  bool rootDone_ = false;
  bool startTagOpen_ = false;
  bool hasContent_ = false;  // of the innermost open element
  Open open_ = Open::None;
  int brackets_ = 0;         // "]" just written in the open CDATA section (0 to 2)
  std::string pending_;      // start of a UTF-8 sequence cut by a chunk boundary
  std::vector<std::string> elements_;
  std::vector<std::string> attributes_;  // names on the open start tag
};

}  // namespace kx::platform
