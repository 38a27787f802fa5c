// The pull reader against the document model on arbitrary bytes: both
// accept or both refuse, and on a document both accept they give the same
// nodes in document order (elements with their attributes, texts, CDATA,
// comments and processing instructions; blank texts left out, which the
// model drops beside child elements). Every few inputs the reader is driven
// by NextChild, Skip and ReadText instead, which must get through as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlPullReader.h"

namespace {

using kx::platform::XmlDocument;
using kx::platform::XmlNode;
using kx::platform::XmlNodeKind;
using kx::platform::XmlPullNode;
using kx::platform::XmlPullReader;

bool Blank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

void Add(std::vector<std::string>& out, char kind, std::string_view a, std::string_view b = {}) {
  out.push_back(std::string(1, kind) + std::string(a) + '\x01' + std::string(b));
}

std::vector<std::string> PullNodes(std::string_view bytes) {
  std::vector<std::string> out;
  XmlPullReader r(bytes);
  while (r.Read()) {
    switch (r.Kind()) {
      case XmlPullNode::StartElement: {
        std::string attributes;
        for (const auto& a : r.Attributes())
          attributes += std::string(a.Name) + "=" + std::string(a.Value) + '\x02';
        Add(out, '<', r.Name(), attributes);
        break;
      }
      case XmlPullNode::EndElement: Add(out, '>', r.Name()); break;
      case XmlPullNode::Text:
        if (!Blank(r.Value())) Add(out, 't', r.Value());
        break;
      case XmlPullNode::CData: Add(out, 'c', r.Value()); break;
      case XmlPullNode::Comment: Add(out, '!', r.Value()); break;
      case XmlPullNode::ProcessingInstruction: Add(out, '?', r.Name(), r.Value()); break;
      case XmlPullNode::None: break;
    }
  }
  return out;
}

void DomNodes(XmlNode n, std::vector<std::string>& out) {
  // Depth first without recursion: a stack of the nodes still to close.
  std::vector<XmlNode> open;
  while (n || !open.empty()) {
    if (!n) {
      Add(out, '>', ToUtf8(open.back().Name()));
      n = open.back().NextSibling();
      open.pop_back();
      continue;
    }
    switch (n.Kind()) {
      case XmlNodeKind::Element: {
        std::string attributes;
        for (const auto& a : n.AsElement().Attributes())
          attributes += ToUtf8(a.Name) + "=" + ToUtf8(a.Value) + '\x02';
        Add(out, '<', ToUtf8(n.Name()), attributes);
        open.push_back(n);
        n = n.AsElement().FirstChild();
        continue;
      }
      case XmlNodeKind::Text:
        if (!Blank(ToUtf8(n.Text()))) Add(out, 't', ToUtf8(n.Text()));
        break;
      case XmlNodeKind::CData: Add(out, 'c', ToUtf8(n.Text())); break;
      case XmlNodeKind::Other:
        if (n.Name() == u"#comment") Add(out, '!', ToUtf8(n.Text()));
        else Add(out, '?', ToUtf8(n.Name()), ToUtf8(n.Text()));
        break;
    }
    n = n.NextSibling();
  }
}

// Walks the document element's children with the passing-over calls.
void Drive(std::string_view bytes) {
  XmlPullReader r(bytes);
  while (r.Read() && r.Kind() != XmlPullNode::StartElement) {
  }
  if (r.Kind() != XmlPullNode::StartElement) return;
  int turn = 0;
  while (r.NextChild(0)) {
    switch (turn++ % 3) {
      case 0: r.Skip(); break;
      case 1: r.ReadText([](std::string_view) {}); break;
      default: r.Read(); break;  // one step into the child; NextChild goes on from there
    }
  }
  while (r.Read()) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bool domAccepts = true;
  std::vector<std::string> dom;
  try {
    const XmlDocument doc = XmlDocument::Load(bytes);
    DomNodes(doc.FirstChild(), dom);
  } catch (const EDOMParseError&) {
    domAccepts = false;
  }
  bool pullAccepts = true;
  std::vector<std::string> pull;
  try {
    pull = PullNodes(bytes);
    if (size % 4 == 0) Drive(bytes);
  } catch (const EDOMParseError&) {
    pullAccepts = false;
  }
  if (domAccepts != pullAccepts) std::abort();
  if (domAccepts && dom != pull) std::abort();
  return 0;
}
