#include "system/kxXML.h"

#include "system/kxConstants.h"
#include "text/kxStrings.h"

namespace TkxIXMLDocumentTools {

UnicodeString GetAttribute(const XmlElement& XMLNode, const UnicodeString& Attribute,
                           const UnicodeString& Default) {
  if (!XMLNode.HasAttribute(Attribute)) return Default;
  return XMLNode.GetAttribute(Attribute);
}

XmlElement GetNode(XmlDocument& XMLDoc, const TStrings& Path) {
  XmlElement result;
  const int32_t n = Path.Count();
  for (int32_t i = 0; i < n; ++i) {
    const UnicodeString& name = Path[i];
    if (i == 0) {
      const XmlElement root = XMLDoc.DocumentElement();
      result = root && root.Name() == name ? root : XMLDoc.AddDocumentElement(name);
    } else {
      const XmlElement child = result.FindChild(name);
      result = child ? child : result.AddChild(name);
    }
  }
  return result;
}

XmlElement GetNode(XmlDocument& XMLDoc, const TWideStringArray& Path) {
  TStringList list;
  for (const UnicodeString& name : Path) list.Add(name);
  return GetNode(XMLDoc, list);
}

XmlElement GetNode(XmlDocument& XMLDoc, const UnicodeString& Path) {
  TStringList list;
  TkxStrings::SplitStringW(Path, u"/", list);
  return GetNode(XMLDoc, list);
}

Variant GetNodeValue(const XmlElement& XMLNode) {
  const kx::platform::XmlNode first = XMLNode.FirstChild();
  if (!first) return Variant::Null();
  if (first.Kind() != kx::platform::XmlNodeKind::Text &&
      first.Kind() != kx::platform::XmlNodeKind::CData)
    return Variant::Null();
  UnicodeString text = first.Text();
  if (text.find(u"\r\n") == UnicodeString::npos && text.find(u'\n') != UnicodeString::npos) {
    UnicodeString withCrLf;
    withCrLf.reserve(text.size() + text.size() / 16);
    for (const char16_t c : text) {
      if (c == u'\n') withCrLf += u'\r';
      withCrLf += c;
    }
    text.swap(withCrLf);
  }
  return Variant::FromOleStr(std::move(text));
}

}  // namespace TkxIXMLDocumentTools

namespace TkxXMLTools {

namespace {

bool InXmlRanges(char32_t c) {
  for (const auto& range : kxConstants::XmlCharRanges)
    if (c >= range.First && c <= range.Last) return true;
  return false;
}

// The notation replacement of c, or an empty view when c has none.
std::u16string_view NotationOf(char16_t c) {
  for (const auto& r : kxConstants::XmlNotationReplacements)
    if (r.Char == c) return r.Replacement;
  return {};
}

}  // namespace

UnicodeString PrepareString(const UnicodeString& Data, bool ApplyNotationReplacements,
                            bool EncodeCtrlChars) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  UnicodeString out;
  out.reserve(Data.size() + Data.size() / 16);
  const size_t n = Data.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t unit = Data[i];
    // ASCII letters, digits and most punctuation: nothing to decide.
    if (unit >= 0x20 && unit < 0x7F && unit != u'&' && unit != u'<' && unit != u'>' &&
        unit != u'"' && unit != u'\'') {
      out += unit;
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n && Data[i + 1] >= 0xDC00 &&
        Data[i + 1] <= 0xDFFF) {
      out += unit;  // a pair lies in U+10000..U+10FFFF, which is allowed
      out += Data[++i];
      continue;
    }
    if (!InXmlRanges(unit)) {
      if (!EncodeCtrlChars) {
        out += u' ';
        continue;
      }
      // The "&" of the reference is replaced like any other when the
      // notation replacements follow.
      out += ApplyNotationReplacements ? u"&amp;#x" : u"&#x";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
      out += u';';
      continue;
    }
    const std::u16string_view notation =
        ApplyNotationReplacements ? NotationOf(unit) : std::u16string_view();
    if (notation.empty())
      out += unit;
    else
      out += notation;
  }
  return out;
}

}  // namespace TkxXMLTools
