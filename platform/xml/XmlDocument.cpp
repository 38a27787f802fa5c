#include "platform/xml/XmlDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "platform/rtl/Currency.h"
#include "platform/rtl/NumberText.h"
#include "platform/xml/XmlLibrary.h"
#include "platform/xml/XmlParseSupport.h"

namespace kx::platform {
namespace {

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

std::string_view View(const xmlChar* s) {
  return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(s));
}

// "prefix:name" or "name".
std::string QualifiedName(const xmlNode* node) {
  std::string name;
  if (node->ns != nullptr && node->ns->prefix != nullptr) {
    name.append(View(node->ns->prefix));
    name.push_back(':');
  }
  name.append(View(node->name));
  return name;
}

std::string QualifiedName(const xmlAttr* attr) {
  return QualifiedName(reinterpret_cast<const xmlNode*>(attr));
}

// QualifiedName(node) == name, without building the name.
bool NameIs(const xmlNode* node, std::string_view name) {
  if (node->ns != nullptr && node->ns->prefix != nullptr) {
    const std::string_view prefix = View(node->ns->prefix);
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix ||
        name[prefix.size()] != ':')
      return false;
    name.remove_prefix(prefix.size() + 1);
  }
  return View(node->name) == name;
}

bool NameIs(const xmlAttr* attr, std::string_view name) {
  return NameIs(reinterpret_cast<const xmlNode*>(attr), name);
}

std::string NamespaceAttributeName(const xmlNs* ns) {
  return ns->prefix == nullptr ? std::string("xmlns") : "xmlns:" + std::string(View(ns->prefix));
}

// The value of a parsed or set attribute: its text children joined.
std::string AttributeValue(const xmlAttr* attr) {
  std::string value;
  for (const xmlNode* c = attr->children; c != nullptr; c = c->next) value.append(View(c->content));
  return value;
}

// A checked name as UTF-8.
std::string NameUtf8(const UnicodeString& Name) {
  std::string name = XmlValueUtf8(Name);
  if (!IsXmlName(name)) throw EXMLDocError(u"invalid XML name '" + Name + u"'");
  return name;
}

bool IsTextLike(const xmlNode* n) { return n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE; }

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

[[noreturn]] void RaiseNoSingleText(const xmlNode* element) {
  throw EXMLDocError(u"the XML element '" + ToUtf16(QualifiedName(element)) +
                     u"' does not hold a single text");
}

xmlNode* NewText(xmlDoc* doc, const std::string& text) {
  if (text.size() > static_cast<size_t>(INT_MAX)) throw EXMLDocError(u"XML text too large");
  xmlNode* node = xmlNewDocTextLen(doc, X(text), static_cast<int>(text.size()));
  if (node == nullptr) throw EXMLDocError(u"out of memory for an XML text");
  return node;
}

// ---- parsing ---------------------------------------------------------------------

using xml_detail::EntityRefusal;
using xml_detail::ParseErrorText;
using xml_detail::QuietParserErrors;

struct ContextFree {
  void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

// Drops indentation and the document type, and refuses entity references
// (which the parse has refused already; this catches any the parser made
// without asking). Iterative: the depth of a document is the sender's choice.
void AfterParse(xmlDoc* doc) {
  if (xmlDtd* dtd = xmlGetIntSubset(doc)) {
    xmlUnlinkNode(reinterpret_cast<xmlNode*>(dtd));
    xmlFreeDtd(dtd);
  }
  xmlNode* root = xmlDocGetRootElement(doc);
  if (root == nullptr) return;
  auto refuseReference = [](const xmlNode* n) {
    throw EDOMParseError(ParseErrorText("reference to the entity '&" + std::string(View(n->name)) +
                                            ";' is not allowed",
                                        static_cast<int>(n->line), 0),
                         static_cast<int32_t>(n->line), 0);
  };
  xmlNode* n = root;
  for (;;) {
    if (n->type == XML_ENTITY_REF_NODE) refuseReference(n);
    if (n->type == XML_ELEMENT_NODE) {
      for (const xmlAttr* a = n->properties; a != nullptr; a = a->next)
        for (const xmlNode* c = a->children; c != nullptr; c = c->next)
          if (c->type == XML_ENTITY_REF_NODE) refuseReference(c);
      bool hasElement = false;
      for (const xmlNode* c = n->children; c != nullptr && !hasElement; c = c->next)
        hasElement = c->type == XML_ELEMENT_NODE;
      if (hasElement) {
        for (xmlNode* c = n->children; c != nullptr;) {
          xmlNode* next = c->next;
          if (c->type == XML_TEXT_NODE && IsBlank(View(c->content))) {
            xmlUnlinkNode(c);
            xmlFreeNode(c);
          }
          c = next;
        }
      }
      if (n->children != nullptr) {
        n = n->children;
        continue;
      }
    }
    while (n != root && n->next == nullptr) n = n->parent;
    if (n == root) break;
    n = n->next;
  }
}

}  // namespace

// ---- XmlNode ----------------------------------------------------------------------

XmlNodeKind XmlNode::Kind() const {
  switch (node_->type) {
    case XML_ELEMENT_NODE:
      return XmlNodeKind::Element;
    case XML_TEXT_NODE:
      return XmlNodeKind::Text;
    case XML_CDATA_SECTION_NODE:
      return XmlNodeKind::CData;
    default:
      return XmlNodeKind::Other;
  }
}

UnicodeString XmlNode::Name() const {
  switch (node_->type) {
    case XML_ELEMENT_NODE:
      return ToUtf16(QualifiedName(node_));
    case XML_TEXT_NODE:
      return u"#text";
    case XML_CDATA_SECTION_NODE:
      return u"#cdata-section";
    case XML_COMMENT_NODE:
      return u"#comment";
    default:
      return ToUtf16(View(node_->name));
  }
}

UnicodeString XmlNode::Text() const {
  if (node_->type != XML_ELEMENT_NODE) return ToUtf16(View(node_->content));
  const xmlNode* child = node_->children;
  if (child == nullptr) return UnicodeString();
  if (child->next != nullptr || !IsTextLike(child)) RaiseNoSingleText(node_);
  return ToUtf16(View(child->content));
}

Variant XmlNode::NodeValue() const {
  if (node_->type == XML_ELEMENT_NODE && node_->children == nullptr) return Variant::Null();
  return Variant::FromOleStr(Text());
}

XmlNode XmlNode::NextSibling() const {
  xmlNode* next = node_->next;
  while (next != nullptr && next->type == XML_DTD_NODE) next = next->next;
  return XmlNode(next);
}

XmlElement XmlNode::AsElement() const {
  return XmlElement(node_ != nullptr && node_->type == XML_ELEMENT_NODE ? node_ : nullptr);
}

// ---- XmlElement ---------------------------------------------------------------------

bool XmlElement::HasChildNodes() const { return node_->children != nullptr; }

XmlNode XmlElement::FirstChild() const { return XmlNode(node_->children); }

std::vector<XmlNode> XmlElement::ChildNodes() const {
  std::vector<XmlNode> nodes;
  for (xmlNode* c = node_->children; c != nullptr; c = c->next) nodes.push_back(XmlNode(c));
  return nodes;
}

XmlElement XmlElement::FindChild(const UnicodeString& Name) const {
  const std::string name = ToUtf8Strict(Name);
  for (xmlNode* c = node_->children; c != nullptr; c = c->next)
    if (c->type == XML_ELEMENT_NODE && NameIs(c, name)) return XmlElement(c);
  return XmlElement();
}

XmlElement XmlElement::AddChild(const UnicodeString& Name) {
  const std::string name = NameUtf8(Name);
  xmlNode* child = xmlNewDocNode(node_->doc, nullptr, X(name), nullptr);
  if (child == nullptr) throw EXMLDocError(u"out of memory for an XML element");
  xmlAddChild(node_, child);
  return XmlElement(child);
}

std::vector<XmlAttribute> XmlElement::Attributes() const {
  std::vector<XmlAttribute> attributes;
  for (const xmlNs* ns = node_->nsDef; ns != nullptr; ns = ns->next)
    attributes.push_back({ToUtf16(NamespaceAttributeName(ns)), ToUtf16(View(ns->href))});
  for (const xmlAttr* a = node_->properties; a != nullptr; a = a->next)
    attributes.push_back({ToUtf16(QualifiedName(a)), ToUtf16(AttributeValue(a))});
  return attributes;
}

bool XmlElement::HasAttribute(const UnicodeString& Name) const {
  const std::string name = ToUtf8Strict(Name);
  for (const xmlNs* ns = node_->nsDef; ns != nullptr; ns = ns->next)
    if (NamespaceAttributeName(ns) == name) return true;
  for (const xmlAttr* a = node_->properties; a != nullptr; a = a->next)
    if (NameIs(a, name)) return true;
  return false;
}

UnicodeString XmlElement::GetAttribute(const UnicodeString& Name) const {
  const std::string name = ToUtf8Strict(Name);
  for (const xmlNs* ns = node_->nsDef; ns != nullptr; ns = ns->next)
    if (NamespaceAttributeName(ns) == name) return ToUtf16(View(ns->href));
  for (const xmlAttr* a = node_->properties; a != nullptr; a = a->next)
    if (NameIs(a, name)) return ToUtf16(AttributeValue(a));
  return UnicodeString();
}

void XmlElement::SetAttribute(const UnicodeString& Name, const UnicodeString& Value) {
  const std::string name = NameUtf8(Name);
  const std::string value = XmlValueUtf8(Value);
  for (xmlNs* ns = node_->nsDef; ns != nullptr; ns = ns->next) {
    if (NamespaceAttributeName(ns) != name) continue;
    xmlChar* href = xmlStrdup(X(value));
    if (href == nullptr) throw EXMLDocError(u"out of memory for an XML attribute");
    xmlFree(const_cast<xmlChar*>(ns->href));
    ns->href = href;
    return;
  }
  for (xmlAttr* a = node_->properties; a != nullptr; a = a->next) {
    if (!NameIs(a, name)) continue;
    xmlNode* text = NewText(node_->doc, value);
    xmlFreeNodeList(a->children);
    text->parent = reinterpret_cast<xmlNode*>(a);
    a->children = a->last = text;
    return;
  }
  xmlAttr* attr = xmlNewDocProp(node_->doc, X(name), nullptr);
  if (attr == nullptr) throw EXMLDocError(u"out of memory for an XML attribute");
  if (!value.empty()) {
    xmlNode* text;
    try {
      text = NewText(node_->doc, value);
    } catch (...) {
      xmlFreeProp(attr);
      throw;
    }
    text->parent = reinterpret_cast<xmlNode*>(attr);
    attr->children = attr->last = text;
  }
  // Appended by hand: the library's own setters would read "a:b" as a
  // namespace prefix or parse references in the value.
  attr->parent = node_;
  if (node_->properties == nullptr) {
    node_->properties = attr;
  } else {
    xmlAttr* last = node_->properties;
    while (last->next != nullptr) last = last->next;
    last->next = attr;
    attr->prev = last;
  }
}

void XmlElement::SetText(const UnicodeString& Value) {
  const std::string value = XmlValueUtf8(Value);
  xmlNode* text = value.empty() ? nullptr : NewText(node_->doc, value);
  for (xmlNode* c = node_->children; c != nullptr;) {
    xmlNode* next = c->next;
    if (IsTextLike(c)) {
      xmlUnlinkNode(c);
      xmlFreeNode(c);
    }
    c = next;
  }
  if (text == nullptr) return;
  // No text is left, so the library's insertion cannot merge texts here.
  if (node_->children == nullptr)
    xmlAddChild(node_, text);
  else
    xmlAddPrevSibling(node_->children, text);
}

// ---- XmlDocument ----------------------------------------------------------------------

XmlDocument::XmlDocument() {
  InitializeXmlLibrary();
  doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  if (doc_ == nullptr) throw EXMLDocError(u"out of memory for an XML document");
  doc_->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
}

XmlDocument::~XmlDocument() {
  if (doc_ != nullptr) xmlFreeDoc(doc_);
}

XmlDocument::XmlDocument(XmlDocument&& Other) noexcept : doc_(Other.doc_) { Other.doc_ = nullptr; }

XmlDocument& XmlDocument::operator=(XmlDocument&& Other) noexcept {
  if (this != &Other) {
    if (doc_ != nullptr) xmlFreeDoc(doc_);
    doc_ = Other.doc_;
    Other.doc_ = nullptr;
  }
  return *this;
}

XmlDocument XmlDocument::Load(std::string_view Bytes) {
  InitializeXmlLibrary();
  if (Bytes.size() > static_cast<size_t>(INT_MAX))
    throw EDOMParseError(u"the XML document is too large (2 GB or more)", 0, 0);
  std::unique_ptr<xmlParserCtxt, ContextFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) throw EDOMParseError(u"out of memory for the XML parser", 0, 0);
  EntityRefusal state;
  ctxt->_private = &state;
  ctxt->sax->getEntity = xml_detail::RefusingGetEntity;
  ctxt->sax->getParameterEntity = xml_detail::RefusingGetParameterEntity;
  const int options = xml_detail::ParseOptionsFor(Bytes);
  std::unique_ptr<xmlDoc, DocFree> doc;
  {
    const QuietParserErrors quiet;
    doc.reset(xmlCtxtReadMemory(ctxt.get(), Bytes.data(), static_cast<int>(Bytes.size()), nullptr,
                                nullptr, options));
  }
  if (state.Refused) throw EDOMParseError(xml_detail::RefusalText(state), state.Line, state.Column);
  if (!doc) {
    const xmlError* error = xmlCtxtGetLastError(ctxt.get());
    const int line = error != nullptr ? error->line : 0;
    const int column = error != nullptr ? error->int2 : 0;
    throw EDOMParseError(
        ParseErrorText(error != nullptr && error->message != nullptr ? error->message
                                                                     : "the parser gave no reason",
                       line, column),
        line, column);
  }
  AfterParse(doc.get());
  return XmlDocument(doc.release());
}

XmlElement XmlDocument::DocumentElement() const { return XmlElement(xmlDocGetRootElement(doc_)); }

XmlElement XmlDocument::AddDocumentElement(const UnicodeString& Name) {
  if (xmlDocGetRootElement(doc_) != nullptr)
    throw EXMLDocError(u"the XML document has a document element already");
  const std::string name = NameUtf8(Name);
  xmlNode* root = xmlNewDocNode(doc_, nullptr, X(name), nullptr);
  if (root == nullptr) throw EXMLDocError(u"out of memory for an XML element");
  xmlAddChild(reinterpret_cast<xmlNode*>(doc_), root);
  return XmlElement(root);
}

XmlNode XmlDocument::FirstChild() const {
  xmlNode* first = doc_->children;
  while (first != nullptr && first->type == XML_DTD_NODE) first = first->next;
  return XmlNode(first);
}

void XmlDocument::Save(XmlSink& Sink) const {
  XmlWriter w(Sink);
  auto text = [](const xmlNode* n) { return View(n->content); };
  for (const xmlNode* top = doc_->children; top != nullptr; top = top->next) {
    if (top->type == XML_COMMENT_NODE) w.Comment(text(top));
    if (top->type == XML_PI_NODE) w.ProcessingInstruction(View(top->name), text(top));
    if (top->type != XML_ELEMENT_NODE) continue;
    // Depth first along the parent links: no recursion, whatever the depth.
    const xmlNode* n = top;
    for (;;) {
      bool descended = false;
      switch (n->type) {
        case XML_ELEMENT_NODE:
          w.StartElement(QualifiedName(n));
          for (const xmlNs* ns = n->nsDef; ns != nullptr; ns = ns->next)
            w.Attribute(NamespaceAttributeName(ns), View(ns->href));
          for (const xmlAttr* a = n->properties; a != nullptr; a = a->next)
            w.Attribute(QualifiedName(a), AttributeValue(a));
          if (n->children != nullptr) {
            n = n->children;
            descended = true;
          } else {
            w.EndElement();
          }
          break;
        case XML_TEXT_NODE:
          w.Text(text(n));
          break;
        case XML_CDATA_SECTION_NODE:
          w.CData(text(n));
          break;
        case XML_COMMENT_NODE:
          w.Comment(text(n));
          break;
        case XML_PI_NODE:
          w.ProcessingInstruction(View(n->name), text(n));
          break;
        default:
          break;
      }
      if (descended) continue;
      while (n != top && n->next == nullptr) {
        n = n->parent;
        w.EndElement();
      }
      if (n == top) break;
      n = n->next;
    }
  }
  w.Finish();
}

std::string XmlDocument::SaveToString() const {
  std::string out;
  StringXmlSink sink(out);
  Save(sink);
  return out;
}

UnicodeString XmlValueText(const Variant& Value) {
  const Variant& v = VarDeref(Value);
  switch (v.VarType()) {
    case varSingle:
      return FloatToStrGeneral(v.ToDouble(), 7, u'.');
    case varDouble:
      return FloatToStr(v.ToDouble());
    case varCurrency:
      return CurrToStr(v.ToCurrency());
    case varBoolean:
      return v.ToBoolean() ? u"true" : u"false";
    default:
      return VarToStr(v);
  }
}

}  // namespace kx::platform
