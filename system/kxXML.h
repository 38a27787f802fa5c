// system/kxXML.h — helpers on the XML document model (platform/xml):
// TkxIXMLDocumentTools reads attributes and element values and finds or
// makes elements by path; TkxXMLTools makes a text fit for XML.
//
// Both are stateless; a document is used by one thread at a time.
#pragma once

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "platform/xml/XmlDocument.h"
#include "system/kxTypes_Records.h"

namespace TkxIXMLDocumentTools {

using kx::platform::XmlDocument;
using kx::platform::XmlElement;

// The value of the attribute named Attribute exactly; "" for an attribute
// that is present and empty, Default for one that is absent.
UnicodeString GetAttribute(const XmlElement& XMLNode, const UnicodeString& Attribute,
                           const UnicodeString& Default);

// Finds or makes the element at Path, one name per level: the first name is
// the document element (made when the document has none), every further
// name the first child element of that name (appended when there is none).
// An empty path gives a null element. A first name other than that of an
// existing document element, and an empty or invalid name, raise
// EXMLDocError; elements made before the error stay.
//   GetNode(doc, u"root/a/b") on an empty document makes <root><a><b/></a></root>
//   and answers b; the same call again answers the same b.
XmlElement GetNode(XmlDocument& XMLDoc, const TStrings& Path);
XmlElement GetNode(XmlDocument& XMLDoc, const TWideStringArray& Path);
// Path split at every "/", empty pieces kept: "/a" asks for an empty first
// name and raises.
XmlElement GetNode(XmlDocument& XMLDoc, const UnicodeString& Path);

// The value of an element:
//   - with child nodes: the text of the first one when that is a text or
//     CDATA node, else Null;
//   - without: Null.
// A text that holds no CR LF gets every LF replaced by CR LF (the parser
// gives line ends as LF); one that holds a CR LF comes back as it is. The
// text is a wide-string Variant (varOleStr).
//   <v>a&#10;b</v> gives "a\r\nb";  <v><w/>x</v> gives Null;  <v/> gives Null
Variant GetNodeValue(const XmlElement& XMLNode);

}  // namespace TkxIXMLDocumentTools

namespace TkxXMLTools {

// Data made fit for XML, in one pass:
//   1. Every character outside the XML character ranges (kxConstants::
//      XmlCharRanges) is replaced: by a blank, or with EncodeCtrlChars by
//      "&#x" + the unit's value in exactly four upper-case hexadecimal
//      digits + ";". A valid surrogate pair is one character (and always
//      allowed); a lone surrogate unit, U+FFFE and U+FFFF are outside. The
//      inserted reference is not examined again.
//   2. With ApplyNotationReplacements, "&", "<", ">", '"' and "'" become
//      "&amp;", "&lt;", "&gt;", "&quot;" and "&apos;" afterwards, over the
//      whole text: a reference made in step 1 has its "&" replaced too, and
//      so has a reference already in Data.
//   PrepareString(u"a\x01<", false, false) == u"a <"
//   PrepareString(u"a\x01<", true, true) == u"a&amp;#x0001;&lt;"
UnicodeString PrepareString(const UnicodeString& Data, bool ApplyNotationReplacements,
                            bool EncodeCtrlChars);

}  // namespace TkxXMLTools
