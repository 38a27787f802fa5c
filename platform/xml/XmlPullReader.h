// platform/xml/XmlPullReader.h — reading an XML document node by node, in
// one pass, without building it: memory stays small whatever the document
// weighs, and the text of an element can be taken in pieces as it is parsed
// (a blob's Base64 text is decoded while it streams by, never held whole).
//
// It accepts and refuses exactly what the document model (XmlDocument.h)
// does, with the same parser settings: no network, no DTD loading, no
// entity but the five predefined ones (a reference to any other fails the
// parse), texts of any size. A document that is not well-formed raises
// EDOMParseError with the line and column of the fault, at the latest when
// the reader gets there (the parser runs a little ahead); no node after the
// fault is handed out. Nothing is printed, and no handler of libxml2 that a
// host may have set is called.
//
// Nodes are those of the document model before it drops indentation:
// every text node is read, blank ones too, and adjacent CDATA sections
// are one node, as the model has them. Line ends in texts are LF, as in
// the model. The document type declaration is no node.
//
// Names and texts are UTF-8, whatever the document's encoding. Views handed
// out are valid until the reader moves on.
//
//   XmlPullReader r(text);
//   while (r.Read())
//     if (r.Kind() == XmlPullNode::StartElement && r.Name() == "Blob") ...
//
// Large texts: ReadText hands the text of an element on in pieces, and
// Skip and NextChild pass over texts without keeping them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <string_view>
#include <vector>

#include "platform/xml/XmlDocument.h"

class Stream;

namespace kx::platform {

enum class XmlPullNode : uint8_t {
  None,                   // before the first Read, and after the last
  StartElement,           // "<a ...>" or "<a/>", which is followed by its EndElement
  EndElement,
  Text,                   // a text node, whole (references resolved)
  CData,                  // a CDATA node, whole
  Comment,
  ProcessingInstruction,  // Name is the target, Value the rest
};

struct XmlPullAttribute {
  std::string_view Name;   // as written: "Id", "p:a", "xmlns", "xmlns:p"
  std::string_view Value;  // as the parser normalised it
};

// What an element held, as ReadText saw it.
struct XmlTextShape {
  int32_t Texts = 0;      // text and CDATA nodes directly in the element
  bool CData = false;     // one of them is a CDATA node
  bool Elements = false;  // child elements
  bool Other = false;     // comments or processing instructions
  // The element holds nothing but one text or CDATA node, or nothing at all:
  // what the document model's XmlNode::Text() reads without raising.
  bool Single() const { return !Elements && !Other && Texts <= 1; }
};

class XmlPullReader {
 public:
  // Over the bytes of a document, which must outlive the reader; they are
  // handed to the parser in slices, never copied whole.
  explicit XmlPullReader(std::string_view Bytes);
  // A temporary string would not outlive the reader.
  template <class T, std::enable_if_t<std::is_same_v<T, std::string>, int> = 0>
  explicit XmlPullReader(T&&) = delete;
  // Over a stream, read from its position to its end in blocks; the stream
  // must outlive the reader. Its read errors pass to the caller of Read.
  explicit XmlPullReader(Stream& Source);
  ~XmlPullReader();
  XmlPullReader(const XmlPullReader&) = delete;
  XmlPullReader& operator=(const XmlPullReader&) = delete;

  // Moves to the next node; false after the last node of a well-formed
  // document. Raises EDOMParseError.
  bool Read();

  // On a StartElement: moves to its EndElement, passing over its content
  // without keeping any of it. Does nothing on any other node.
  void Skip();

  // For the element at ParentDepth that the reader stands in (on its start
  // tag, on a child's start or end tag, or on a text, comment or processing
  // instruction directly in it): moves to the next child element's
  // StartElement and answers true, or to the parent's EndElement and
  // answers false. A child the reader stands on the start tag of is skipped
  // first; texts, comments and processing instructions on the way are
  // passed over without being kept.
  bool NextChild(int32_t ParentDepth);

  // On a StartElement: reads the element through its EndElement (where the
  // reader then stands) and hands its text to Piece, in pieces as the parser
  // delivers them, while the element can still turn out to hold one text
  // node alone; the pieces of the first text node joined are that node's
  // text. Child elements are passed over without keeping anything. Answers
  // the element's shape: when it is not Single(), the pieces handed on are
  // no value of it. On any other node: nothing, and an empty shape.
  // Piece may raise; the reader is not used again then.
  XmlTextShape ReadText(const std::function<void(std::string_view)>& Piece);

  XmlPullNode Kind() const;
  // An element's name as written ("p:item"); a processing instruction's
  // target; "" for the other nodes.
  std::string_view Name() const;
  // The content of a text, CDATA, comment or processing instruction; "" for
  // elements.
  std::string_view Value() const;
  // Elements above the node: 0 for the document element and for comments
  // and processing instructions outside it, 1 for its children and texts.
  // An EndElement has the depth of its StartElement.
  int32_t Depth() const;
  // A StartElement's attributes in document order, namespace declarations
  // first; none for the other nodes.
  const std::vector<XmlPullAttribute>& Attributes() const;
  // The value of the attribute named Name exactly; nullptr when absent.
  const std::string_view* Attribute(std::string_view Name) const;
  // Where the parser stood when it reported the node (for an element, the
  // last character of its start tag); 1-based.
  int32_t Line() const;
  int32_t Column() const;

  // At most this many bytes of the input are still to be parsed (the
  // parser's own counting); -1 when the stream's size is not known.
  int64_t UnreadBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kx::platform
