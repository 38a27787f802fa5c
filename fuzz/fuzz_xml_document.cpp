// The XML document model on arbitrary bytes: loading either fails with
// EDOMParseError or gives a document that writes out and loads again to the
// same tree (kinds, names, attributes in order, texts). Line ends are
// compared as LF: the writer puts CR into text raw, and a reader turns it
// into LF, as the system's format intends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/xml/XmlDocument.h"

namespace {

using kx::platform::XmlAttribute;
using kx::platform::XmlDocument;
using kx::platform::XmlNode;
using kx::platform::XmlNodeKind;

std::u16string LfOnly(const std::u16string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r') {
      out += u'\n';
      if (i + 1 < s.size() && s[i + 1] == u'\n') ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool SameNode(const XmlNode& a, const XmlNode& b) {
  if (a.Kind() != b.Kind() || a.Name() != b.Name()) return false;
  if (a.Kind() != XmlNodeKind::Element) return LfOnly(a.Text()) == LfOnly(b.Text());
  const std::vector<XmlAttribute> x = a.AsElement().Attributes();
  const std::vector<XmlAttribute> y = b.AsElement().Attributes();
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i)
    if (x[i].Name != y[i].Name || x[i].Value != y[i].Value) return false;
  return true;
}

// Compares the two trees sibling by sibling, without recursion.
bool SameTree(XmlNode a, XmlNode b) {
  std::vector<std::pair<XmlNode, XmlNode>> pending{{a, b}};
  while (!pending.empty()) {
    auto [x, y] = pending.back();
    pending.pop_back();
    for (; x && y; x = x.NextSibling(), y = y.NextSibling()) {
      if (!SameNode(x, y)) return false;
      if (x.Kind() == XmlNodeKind::Element)
        pending.emplace_back(x.AsElement().FirstChild(), y.AsElement().FirstChild());
    }
    if (x || y) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  XmlDocument first;
  try {
    first = XmlDocument::Load(bytes);
  } catch (const EDOMParseError&) {
    return 0;
  }
  const std::string written = first.SaveToString();  // must not raise
  const XmlDocument second = XmlDocument::Load(written);
  if (!SameTree(first.FirstChild(), second.FirstChild())) std::abort();
  return 0;
}
