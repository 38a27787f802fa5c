#include "platform/xml/HtmlText.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"
#include "platform/xml/XmlLibrary.h"

namespace kx::platform {
namespace {

// Element names as the HTML parser gives them (lower case).
std::string_view NameOf(const xmlNode* node) {
  return node->name ? std::string_view(reinterpret_cast<const char*>(node->name))
                    : std::string_view();
}

template <size_t N>
bool OneOf(std::string_view name, const std::string_view (&names)[N]) {
  return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

bool IsLeftOut(std::string_view name) {
  static constexpr std::string_view kNames[] = {"script", "style", "head", "title"};
  return OneOf(name, kNames);
}

bool IsBlock(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "address", "article", "aside",  "blockquote", "caption", "center",   "dd",
      "details", "dialog",  "dir",    "div",        "dl",      "dt",       "fieldset",
      "figcaption", "figure", "footer", "form",    "frameset", "h1",      "h2",
      "h3",      "h4",      "h5",     "h6",         "header",  "hgroup",   "hr",
      "html",    "legend",  "li",     "main",       "menu",    "nav",      "ol",
      "option",  "p",       "pre",    "section",    "summary", "table",    "tbody",
      "tfoot",   "thead",   "tr",     "ul"};
  return OneOf(name, kNames);
}

bool IsCell(std::string_view name) { return name == "td" || name == "th"; }

// Collects the text in UTF-8, laying it out as HtmlText.h describes. Blanks
// and line breaks are held back until the next visible character, so that
// nothing dangles at either end and adjacent block edges give one break.
class TextWriter {
 public:
  void Open(std::string_view name) {
    if (name == "br") {
      ++breaks_;
      blank_ = false;
    } else if (IsBlock(name)) {
      BlockEdge();
    } else if (IsCell(name)) {
      blank_ = true;
    }
    if (name == "pre") {
      ++pre_;
      preStart_ = true;
    }
  }

  void Close(std::string_view name) {
    preStart_ = false;
    if (IsBlock(name)) BlockEdge();
    if (IsCell(name)) blank_ = true;
    if (name == "pre" && pre_ > 0) --pre_;
  }

  void Text(std::string_view text) {
    // A line break right after <pre> belongs to the markup, not the text.
    if (preStart_) {
      preStart_ = false;
      if (text.substr(0, 2) == "\r\n")
        text.remove_prefix(2);
      else if (!text.empty() && (text[0] == '\n' || text[0] == '\r'))
        text.remove_prefix(1);
    }
    if (pre_ > 0)
      Preformatted(text);
    else
      Flowing(text);
  }

  std::string Take() { return std::move(out_); }

 private:
  static bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
  }

  void BlockEdge() {
    breaks_ = std::max(breaks_, 1);
    blank_ = false;
  }

  // Writes what was held back, before a visible character.
  void Flush() {
    if (!out_.empty()) {
      if (breaks_ > 0) {
        for (int i = 0; i < breaks_; ++i) out_ += "\r\n";
      } else if (blank_) {
        out_ += ' ';
      }
    }
    breaks_ = 0;
    blank_ = false;
  }

  void Flowing(std::string_view text) {
    for (const char c : text) {
      if (IsWhite(c)) {
        if (breaks_ == 0) blank_ = true;
        continue;
      }
      Flush();
      out_ += c;
    }
  }

  void Preformatted(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        ++breaks_;
        blank_ = false;
        continue;
      }
      Flush();
      out_ += c;
    }
  }

  std::string out_;
  int breaks_ = 0;     // line breaks held back
  bool blank_ = false;  // one blank held back (only while no break is)
  int pre_ = 0;        // depth of <pre> elements around the current node
  bool preStart_ = false;  // nothing written since the last <pre> opened
};

// Walks the tree below Root without recursion: broken markup can nest
// elements arbitrarily deep.
void WriteText(const xmlNode* Root, TextWriter& writer) {
  if (IsLeftOut(NameOf(Root))) return;
  const xmlNode* n = Root->children;
  while (n != nullptr) {
    if (n->type == XML_ELEMENT_NODE && !IsLeftOut(NameOf(n))) {
      writer.Open(NameOf(n));
      if (n->children != nullptr) {
        n = n->children;
        continue;
      }
      writer.Close(NameOf(n));
    } else if ((n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) &&
               n->content != nullptr) {
      writer.Text(reinterpret_cast<const char*>(n->content));
    }
    while (n != Root && n->next == nullptr) {
      n = n->parent;
      if (n != Root) writer.Close(NameOf(n));
    }
    n = n == Root ? nullptr : n->next;
  }
}

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
  void operator()(htmlParserCtxt* ctxt) const { htmlFreeParserCtxt(ctxt); }
};

}  // namespace

UnicodeString HtmlBodyText(std::u16string_view Html) {
  if (Html.empty()) return UnicodeString();
  InitializeXmlLibrary();

  const std::string utf8 = ToUtf8Strict(Html);
  if (utf8.size() > static_cast<size_t>(INT_MAX))
    throw Exception(u"HTML text too large to convert (2 GB or more)");

  std::unique_ptr<htmlParserCtxt, ContextFree> ctxt(htmlNewParserCtxt());
  if (!ctxt) return UnicodeString();
  // XML_PARSE_HUGE: without it the parser stops at a text node of 10 MB and
  // the rest of the document is lost.
  const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                      HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE;
  std::unique_ptr<xmlDoc, DocFree> doc(htmlCtxtReadMemory(
      ctxt.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8", options));
  if (!doc) return UnicodeString();
  // The whole document, not only <body>: the parser puts text that follows
  // </body> or </html> in elements after the body, where a browser shows it
  // as body text. The head is left out like script and style.
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (root == nullptr) return UnicodeString();

  TextWriter writer;
  WriteText(root, writer);
  // The writer holds back white space at the ends; control characters and
  // blanks that <pre> keeps are trimmed here.
  return UnicodeString(TrimBlanks(ToUtf16(writer.Take())));
}

}  // namespace kx::platform
