// platform/xml/XmlDocument.h — the XML document model: an owning document
// and non-owning handles to its nodes.
//
// Reading. XmlDocument::Load parses a text with libxml2, synchronously,
// without printing anything and without calling error handlers that a host
// may have given libxml2. Strictness is the parser's: one document
// element; nothing but white space, comments and processing instructions
// around it; no attribute twice; valid characters, references and encoding.
// The encoding is that of a byte-order mark, else of the declaration (UTF-8
// without one; ISO-8859-1, windows-1252 and whatever else libxml2 knows); an
// unknown one fails. A text without byte-order mark whose declaration names
// UTF-16 or UTF-32 is read as UTF-8: its first bytes ("<?xml") show that it
// cannot be in the named encoding, and such texts come from hosts that
// convert their UTF-16 text to UTF-8 and leave the declaration as it was.
// Nothing is loaded from outside (no DTD, no network), and of the entities
// only the five predefined ones are expanded: a reference to any other,
// declared in the document type or not, fails the parse.
// A failure raises EDOMParseError with the line and column of the fault.
//
// After parsing, a text node of blanks, tabs, CR and LF only is dropped
// where its element also has child elements (it is indentation), and kept
// where it is the element's only content, so "<v> </v>" keeps its blank.
// The document type declaration itself is not part of the model.
//
// Texts. Inside the model everything is UTF-8; the interface is UTF-16.
// Names given to the model must match the Name production of XML 1.0 (fifth
// edition) and values may hold only characters XML allows; anything else
// raises EXMLDocError (see XmlValueUtf8 in XmlWriter.h). Line ends in loaded
// text are LF (the parser turns CR LF and CR into LF); a CR written as
// "&#13;" stays CR.
//
// Writing goes through XmlWriter (see XmlWriter.h for the exact form):
// declaration, line break, the top-level comments and processing
// instructions and the root, in document order.
//
// Handles are cheap to copy and valid while their document lives; a
// default-constructed handle is null (false in a test). A document is used
// by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "platform/xml/XmlWriter.h"

struct _xmlDoc;
struct _xmlNode;

// A text that is not a well-formed XML document (or one the model refuses,
// as a reference to a declared entity). Line and Column are 1-based, 0 when
// the parser gave none.
class EDOMParseError : public Exception {
 public:
  EDOMParseError(UnicodeString message, int32_t line, int32_t column)
      : Exception(std::move(message)), Line(line), Column(column) {}
  UnicodeString ClassName() const override { return u"EDOMParseError"; }

  int32_t Line;
  int32_t Column;
};

namespace kx::platform {

// Comments, processing instructions and whatever else a document may hold
// are Other.
enum class XmlNodeKind : uint8_t { Element, Text, CData, Other };

class XmlElement;

class XmlNode {
 public:
  XmlNode() = default;

  explicit operator bool() const { return node_ != nullptr; }
  XmlNodeKind Kind() const;
  // An element's name as written (with its prefix: "p:item"); "#text",
  // "#cdata-section", "#comment"; a processing instruction's target.
  UnicodeString Name() const;
  // The content of a text, CDATA, comment or processing-instruction node.
  // For an element its single text: the text of its one text or CDATA
  // child, "" when it has no child; any other content (child elements,
  // several texts, a comment) raises EXMLDocError.
  UnicodeString Text() const;
  // Text() as a string Variant (varOleStr); Null for an element without
  // child nodes.
  Variant NodeValue() const;
  // The next node of the same parent (of the document for top-level nodes);
  // null after the last.
  XmlNode NextSibling() const;
  // This node as an element handle; null when it is no element.
  XmlElement AsElement() const;

  friend bool operator==(const XmlNode& A, const XmlNode& B) { return A.node_ == B.node_; }

 protected:
  explicit XmlNode(_xmlNode* Node) : node_(Node) {}
  _xmlNode* node_ = nullptr;

  friend class XmlDocument;
  friend class XmlElement;
};

struct XmlAttribute {
  UnicodeString Name;  // as written, "xmlns:p" and "p:name" included
  UnicodeString Value;
};

class XmlElement : public XmlNode {
 public:
  XmlElement() = default;

  bool HasChildNodes() const;
  XmlNode FirstChild() const;  // null when there is none
  std::vector<XmlNode> ChildNodes() const;
  // The first child element named Name exactly; null when there is none.
  XmlElement FindChild(const UnicodeString& Name) const;
  // A new element Name appended after the last child.
  XmlElement AddChild(const UnicodeString& Name);

  // In document order (namespace declarations first).
  std::vector<XmlAttribute> Attributes() const;
  bool HasAttribute(const UnicodeString& Name) const;
  // The attribute's value; "" when it is absent (or empty).
  UnicodeString GetAttribute(const UnicodeString& Name) const;
  // Replaces the value of the attribute Name where it stands, else appends
  // the attribute.
  void SetAttribute(const UnicodeString& Name, const UnicodeString& Value);
  // Removes every text and CDATA child and puts a text node holding Value
  // first, before any child element, so that an element that carries both a
  // value and child elements keeps both. An empty Value puts no text node.
  void SetText(const UnicodeString& Value);

 private:
  explicit XmlElement(_xmlNode* Node) : XmlNode(Node) {}
  friend class XmlNode;
  friend class XmlDocument;
};

class XmlDocument {
 public:
  // An empty document: version "1.0", encoding "UTF-8", no element.
  XmlDocument();
  ~XmlDocument();
  XmlDocument(XmlDocument&& Other) noexcept;
  XmlDocument& operator=(XmlDocument&& Other) noexcept;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Parses Bytes (see the top of this file). 2 GB or more raise
  // EDOMParseError too.
  static XmlDocument Load(std::string_view Bytes);

  // Null when the document has none yet.
  XmlElement DocumentElement() const;
  // Raises EXMLDocError when the document has one already.
  XmlElement AddDocumentElement(const UnicodeString& Name);
  // The first top-level node (a comment, a processing instruction or the
  // document element); null for an empty document.
  XmlNode FirstChild() const;

  // Writes the document; a document without element raises EXMLDocError.
  void Save(XmlSink& Sink) const;
  std::string SaveToString() const;

 private:
  explicit XmlDocument(_xmlDoc* Doc) : doc_(Doc) {}
  _xmlDoc* doc_ = nullptr;
};

// The document model's text of a value: single, double and currency values
// in the general number form with "." whatever the locale (1.5, 1E20),
// Booleans "true" and "false", everything else VarToStr (Null and Empty
// give ""; dates in the locale's form).
UnicodeString XmlValueText(const Variant& Value);

}  // namespace kx::platform
