#include "platform/xml/XmlPullReader.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <exception>
#include <string>
#include <utility>

#include "platform/rtl/Stream.h"
#include "platform/xml/XmlLibrary.h"
#include "platform/xml/XmlParseSupport.h"

// How this reader drives libxml2. xmlTextReader cannot serve: it gathers a
// text node whole before it hands it out (a 100 MB blob's Base64 text, and
// over 1 GB it fails), and it reads a CDATA section in time that grows with
// the square of its length. So the reader runs libxml2's push parser with
// SAX2 callbacks of its own that build no tree: the callbacks put the nodes
// in a queue that Read takes from, and while the caller takes a text in
// pieces (ReadText) or passes over content (Skip, NextChild), they hand the
// text on or drop it instead of queueing it.
//
// The push parser hands a CDATA section out in blocks of 300 bytes, one
// per call, and looks for the section's end from the start of its buffer
// each time; so while it is inside a section it gets small slices and is
// asked again, with no new bytes, until it has handed out what it holds.
// It gives those blocks with their line ends as they stand in the input,
// which the reader turns into LF as the parser does everywhere else.

namespace kx::platform {
namespace {

constexpr size_t kSlice = 16 * 1024;       // bytes handed to the parser at a time
constexpr size_t kCDataSlice = 1024;       // the same inside a CDATA section
constexpr size_t kStreamBlock = 64 * 1024;  // bytes read from a stream at a time

std::string_view View(const xmlChar* s) {
  return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(s));
}

std::string_view View(const xmlChar* begin, const xmlChar* end) {
  return std::string_view(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
}

std::string QualifiedName(const xmlChar* prefix, const xmlChar* localname) {
  std::string name;
  if (prefix != nullptr) {
    name.append(View(prefix));
    name.push_back(':');
  }
  name.append(View(localname));
  return name;
}

bool IsText(XmlPullNode kind) { return kind == XmlPullNode::Text || kind == XmlPullNode::CData; }

// An attribute value as the parser hands it to SAX2 without entity
// substitution: a "&" of the value stands there as "&#38;" (every other
// reference is refused before), which the document model resolves.
std::string AttributeValue(std::string_view raw) {
  if (raw.find('&') == std::string_view::npos) return std::string(raw);
  std::string value;
  value.reserve(raw.size());
  size_t from = 0;
  for (size_t at = raw.find("&#38;"); at != std::string_view::npos; at = raw.find("&#38;", from)) {
    value.append(raw.substr(from, at - from));
    value.push_back('&');
    from = at + 5;
  }
  value.append(raw.substr(from));
  return value;
}

struct Event {
  XmlPullNode kind = XmlPullNode::None;
  int32_t depth = 0;
  int32_t line = 0;
  int32_t column = 0;
  std::string name;
  std::string value;
  std::vector<std::string> attributes;  // name, value, name, value, ...
};

}  // namespace

struct XmlPullReader::Impl {
  // What the callbacks do with the nodes they get.
  enum class Mode : uint8_t {
    Queue,      // queue them for Read
    Skip,       // drop everything inside the element at modeDepth
    DropTexts,  // drop texts, comments and PIs directly in the element at modeDepth
    Stream,     // hand the texts directly in the element at modeDepth to piece
  };

  // Input.
  std::string_view memory;
  size_t memoryPos = 0;
  Stream* stream = nullptr;
  std::string block;
  size_t blockPos = 0;
  int64_t inputSize = -1;

  xmlParserCtxt* ctxt = nullptr;
  xml_detail::EntityRefusal refusal;
  bool finished = false;         // the parser was told the input ended
  bool undecodable = false;      // the last bytes could not be converted
  bool rootClosed = false;       // the document element has ended
  bool endedAtZero = false;      // a zero character after it ended the text
  std::exception_ptr failure;    // raised inside a callback, raised again by Feed
  std::exception_ptr dead;       // what ended the reader; raised by every later call
  struct ParseFault {
    bool set = false;
    std::string text;
    int line = 0;
    int column = 0;
    int code = 0;
  };
  ParseFault fatal;  // the first fatal error the parser reported
  ParseFault error;  // the first other error

  std::deque<Event> queue;
  Event current;
  std::vector<XmlPullAttribute> currentAttributes;

  // The parser's position, as the callbacks see it.
  int32_t depth = 0;
  std::vector<std::string> open;         // the names of the open elements
  XmlPullNode last = XmlPullNode::None;  // the kind of the last callback
  bool cdataCr = false;                  // the last CDATA block ended with CR
  int64_t cdataNext = -1;                // where a block continuing it starts

  Mode mode = Mode::Queue;
  int32_t modeDepth = 0;
  XmlTextShape shape;
  const std::function<void(std::string_view)>* piece = nullptr;

  ~Impl() {
    if (ctxt == nullptr) return;
    if (ctxt->myDoc != nullptr) xmlFreeDoc(ctxt->myDoc);
    xmlFreeParserCtxt(ctxt);
  }

  static Impl& Of(void* ctx) {
    auto* c = static_cast<xmlParserCtxt*>(ctx);
    return *static_cast<Impl*>(static_cast<xml_detail::EntityRefusal*>(c->_private)->Owner);
  }

  // Runs a callback's work; an exception stops the parser and waits in
  // failure, since none may pass through libxml2.
  template <class F>
  static void Guarded(void* ctx, F&& work) {
    Impl& impl = Of(ctx);
    if (impl.failure) return;
    try {
      work(impl);
    } catch (...) {
      impl.failure = std::current_exception();
      xmlStopParser(impl.ctxt);
    }
  }

  Event NewEvent(XmlPullNode kind, int32_t at) const {
    Event e;
    e.kind = kind;
    e.depth = at;
    e.line = xmlSAX2GetLineNumber(ctxt);
    e.column = xmlSAX2GetColumnNumber(ctxt);
    return e;
  }

  // ---- Where a node goes ----------------------------------------------------------

  void Offer(Event&& e) {
    switch (mode) {
      case Mode::Queue:
        queue.push_back(std::move(e));
        return;
      case Mode::Skip:
        if (e.depth > modeDepth) return;
        break;  // the end tag of the skipped element
      case Mode::DropTexts:
        if (e.kind != XmlPullNode::StartElement && e.kind != XmlPullNode::EndElement) return;
        break;  // the next child, or the end of the parent
      case Mode::Stream:
        if (e.depth > modeDepth + 1) return;  // inside a child element
        if (e.depth == modeDepth + 1) {
          if (e.kind == XmlPullNode::StartElement) shape.Elements = true;
          if (e.kind == XmlPullNode::Comment || e.kind == XmlPullNode::ProcessingInstruction)
            shape.Other = true;
          if (IsText(e.kind)) StreamPiece(e.kind, e.value, true);
          return;
        }
        piece = nullptr;
        break;  // the end tag of the element
    }
    mode = Mode::Queue;
    queue.push_back(std::move(e));
  }

  // A piece of a text or CDATA node at the callbacks' depth; Continues: it
  // belongs to the node the previous piece belonged to.
  void OfferPiece(XmlPullNode kind, std::string_view text, bool continues) {
    switch (mode) {
      case Mode::Queue:
        if (continues && !queue.empty() && queue.back().kind == kind) {
          queue.back().value.append(text);
        } else {
          Event e = NewEvent(kind, depth);
          e.value.assign(text);
          queue.push_back(std::move(e));
        }
        return;
      case Mode::Skip:
      case Mode::DropTexts:
        return;
      case Mode::Stream:
        if (depth == modeDepth + 1) StreamPiece(kind, text, !continues);
        return;
    }
  }

  void StreamPiece(XmlPullNode kind, std::string_view text, bool newNode) {
    if (newNode) {
      ++shape.Texts;
      if (kind == XmlPullNode::CData) shape.CData = true;
    }
    if (shape.Texts == 1 && !shape.Elements && !shape.Other && !text.empty() && piece != nullptr)
      (*piece)(text);
  }

  // Puts the queued nodes through the mode just set, in order.
  void SetMode(Mode m, int32_t at) {
    std::deque<Event> pending;
    pending.swap(queue);
    mode = m;
    modeDepth = at;
    for (Event& e : pending) Offer(std::move(e));
  }

  // ---- Callbacks ---------------------------------------------------------------

  static void OnStartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix,
                             const xmlChar*, int nb_namespaces, const xmlChar** namespaces,
                             int nb_attributes, int nb_defaulted, const xmlChar** attributes) {
    Guarded(ctx, [&](Impl& impl) {
      Event e = impl.NewEvent(XmlPullNode::StartElement, impl.depth);
      e.name = QualifiedName(prefix, localname);
      for (int i = 0; i < nb_namespaces; ++i) {
        const xmlChar* nsPrefix = namespaces[2 * i];
        e.attributes.push_back(nsPrefix == nullptr ? std::string("xmlns")
                                                   : "xmlns:" + std::string(View(nsPrefix)));
        e.attributes.emplace_back(View(namespaces[2 * i + 1]));
      }
      // Attributes defaulted from the document type are no part of the
      // document model.
      for (int i = 0; i < nb_attributes - nb_defaulted; ++i) {
        const xmlChar** a = attributes + 5 * i;
        e.attributes.push_back(QualifiedName(a[1], a[0]));
        e.attributes.push_back(AttributeValue(View(a[3], a[4])));
      }
      ++impl.depth;
      impl.open.push_back(e.name);
      impl.last = XmlPullNode::StartElement;
      impl.Offer(std::move(e));
    });
  }

  static void OnEndElement(void* ctx, const xmlChar* localname, const xmlChar* prefix,
                           const xmlChar*) {
    Guarded(ctx, [&](Impl& impl) {
      --impl.depth;
      if (!impl.open.empty()) impl.open.pop_back();
      impl.rootClosed = impl.depth == 0;
      Event e = impl.NewEvent(XmlPullNode::EndElement, impl.depth);
      e.name = QualifiedName(prefix, localname);
      impl.last = XmlPullNode::EndElement;
      impl.Offer(std::move(e));
    });
  }

  static void OnCharacters(void* ctx, const xmlChar* ch, int len) {
    Guarded(ctx, [&](Impl& impl) {
      const bool continues = impl.last == XmlPullNode::Text;
      impl.last = XmlPullNode::Text;
      impl.OfferPiece(XmlPullNode::Text, View(ch, ch + len), continues);
    });
  }

  static void OnCData(void* ctx, const xmlChar* ch, int len) {
    Guarded(ctx, [&](Impl& impl) {
      // Adjacent sections are one node; a block that does not start where
      // the previous one ended opens a new section.
      const xmlParserInput* in = impl.ctxt->input;
      int64_t at = -1;
      if (in != nullptr && ch >= in->base && ch <= in->end)
        at = static_cast<int64_t>(in->consumed) + (ch - in->base);
      if (at < 0 || at != impl.cdataNext) impl.cdataCr = false;
      impl.cdataNext = at < 0 ? -1 : at + len;

      const bool continues = impl.last == XmlPullNode::CData;
      impl.last = XmlPullNode::CData;
      impl.OfferPiece(XmlPullNode::CData, std::string_view(), continues);  // an empty section is a node too
      std::string_view text = View(ch, ch + len);
      if (text.empty()) return;
      if (impl.cdataCr && text.front() == '\n') text.remove_prefix(1);
      impl.cdataCr = false;
      while (!text.empty()) {
        const void* cr = std::memchr(text.data(), '\r', text.size());
        if (cr == nullptr) {
          impl.OfferPiece(XmlPullNode::CData, text, true);
          return;
        }
        const size_t n = static_cast<size_t>(static_cast<const char*>(cr) - text.data());
        if (n > 0) impl.OfferPiece(XmlPullNode::CData, text.substr(0, n), true);
        impl.OfferPiece(XmlPullNode::CData, "\n", true);
        text.remove_prefix(n + 1);
        if (text.empty()) impl.cdataCr = true;
        else if (text.front() == '\n') text.remove_prefix(1);
      }
    });
  }

  static void OnComment(void* ctx, const xmlChar* value) {
    Guarded(ctx, [&](Impl& impl) {
      Event e = impl.NewEvent(XmlPullNode::Comment, impl.depth);
      e.value.assign(View(value));
      impl.last = XmlPullNode::Comment;
      impl.Offer(std::move(e));
    });
  }

  static void OnProcessingInstruction(void* ctx, const xmlChar* target, const xmlChar* data) {
    Guarded(ctx, [&](Impl& impl) {
      Event e = impl.NewEvent(XmlPullNode::ProcessingInstruction, impl.depth);
      e.name.assign(View(target));
      e.value.assign(View(data));
      impl.last = XmlPullNode::ProcessingInstruction;
      impl.Offer(std::move(e));
    });
  }

  static void OnReference(void* ctx, const xmlChar* name) {
    Guarded(ctx, [&](Impl&) { xml_detail::RefuseReference(static_cast<xmlParserCtxt*>(ctx), name); });
  }

  static void OnError(void* ctx, xmlError* error) {
    auto* c = static_cast<xmlParserCtxt*>(error != nullptr && error->ctxt != nullptr ? error->ctxt : ctx);
    if (c == nullptr || c->_private == nullptr || error == nullptr) return;
    Impl& impl = Of(c);
    // The document model's parser takes a zero character after the document
    // element for the end of the text, whatever follows; so does this reader.
    const xmlParserInput* in = c->input;
    if (error->code == XML_ERR_DOCUMENT_END && impl.rootClosed && impl.depth == 0 &&
        in != nullptr && in->cur != nullptr && in->cur < in->end && *in->cur == 0) {
      impl.endedAtZero = true;
      return;
    }
    // The first fatal error is the one to report, else the first error.
    ParseFault& fault = error->level == XML_ERR_FATAL ? impl.fatal : impl.error;
    if (error->level < XML_ERR_ERROR || fault.set) return;
    fault.set = true;
    try {
      fault.text = error->message != nullptr ? error->message : "";
    } catch (...) {  // no memory for the text: the fault stands without it
    }
    fault.line = error->line;
    fault.column = error->int2;
    fault.code = error->code;
  }

  // ---- Feeding the parser -----------------------------------------------------------

  // Up to Want bytes of input; empty at its end.
  std::string_view NextInput(size_t want) {
    if (stream == nullptr) {
      const std::string_view s = memory.substr(memoryPos, want);
      memoryPos += s.size();
      return s;
    }
    if (blockPos == block.size()) {
      block.resize(kStreamBlock);
      const int64_t n = stream->Read(block.data(), static_cast<int64_t>(block.size()));
      block.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
      blockPos = 0;
    }
    const std::string_view s = std::string_view(block).substr(blockPos, want);
    blockPos += s.size();
    return s;
  }

  void Start(std::string_view first) {
    InitializeXmlLibrary();
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    xmlSAXVersion(&sax, 2);
    sax.startElement = nullptr;
    sax.endElement = nullptr;
    sax.startElementNs = &OnStartElement;
    sax.endElementNs = &OnEndElement;
    sax.characters = &OnCharacters;
    sax.ignorableWhitespace = &OnCharacters;
    sax.cdataBlock = &OnCData;
    sax.comment = &OnComment;
    sax.processingInstruction = &OnProcessingInstruction;
    sax.reference = &OnReference;
    sax.getEntity = &xml_detail::RefusingGetEntity;
    sax.getParameterEntity = &xml_detail::RefusingGetParameterEntity;
    sax.serror = &OnError;
    // The first bytes tell the parser the encoding.
    const std::string_view head = NextInput(4);
    ctxt = xmlCreatePushParserCtxt(&sax, nullptr, head.data(), static_cast<int>(head.size()), nullptr);
    if (ctxt == nullptr) throw EDOMParseError(u"out of memory for the XML parser", 0, 0);
    refusal.Owner = this;
    ctxt->_private = &refusal;
    xmlCtxtUseOptions(ctxt, xml_detail::ParseOptionsFor(first));
  }

  // How far the parser has got in its (UTF-8) input.
  uint64_t ParsedBytes() const {
    const xmlParserInput* in = ctxt->input;
    return in == nullptr ? 0 : static_cast<uint64_t>(in->consumed) + static_cast<uint64_t>(in->cur - in->base);
  }

  void Feed() {
    const bool inCData = ctxt->instate == XML_PARSER_CDATA_SECTION;
    const std::string_view slice = NextInput(inCData ? kCDataSlice : kSlice);
    {
      const xml_detail::QuietParserErrors quiet;
      if (slice.empty()) {
        // The last bytes may fail to convert only now; the parser then halts
        // without a fault of its own and answers this code.
        undecodable = xmlParseChunk(ctxt, nullptr, 0, 1) == XML_ERR_INVALID_ENCODING;
        finished = true;
      } else {
        xmlParseChunk(ctxt, slice.data(), static_cast<int>(slice.size()), 0);
        // A block it cannot hand out (a character XML does not allow at its
        // start) it hands out empty, again and again: go on only while the
        // parser moves.
        while (!failure && ctxt->instate == XML_PARSER_CDATA_SECTION) {
          const uint64_t before = ParsedBytes();
          xmlParseChunk(ctxt, nullptr, 0, 0);
          if (ParsedBytes() == before) break;
        }
      }
    }
    if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
    if (refusal.Refused)
      throw EDOMParseError(xml_detail::RefusalText(refusal), refusal.Line, refusal.Column);
    if (endedAtZero && !fatal.set) {
      finished = true;
      return;
    }
    // The parser halts without a fault of its own when its input cannot be
    // converted from the document's encoding.
    const bool halted = (!finished && ctxt->instate == XML_PARSER_EOF) || undecodable ||
                        (finished && !rootClosed);
    if (ctxt->wellFormed == 0 || halted) {
      ParseFault fault = fatal.set ? fatal : error;
      if (!fault.set && ctxt->wellFormed == 0) {
        const xmlError* e = xmlCtxtGetLastError(ctxt);
        fault.set = e != nullptr;
        fault.text = e != nullptr && e->message != nullptr ? e->message : "";
        fault.line = e != nullptr ? e->line : 0;
        fault.column = e != nullptr ? e->int2 : 0;
        fault.code = e != nullptr ? e->code : 0;
      }
      if (!fault.set) {
        fault.line = ctxt->input != nullptr ? ctxt->input->line : 0;
        fault.column = ctxt->input != nullptr ? ctxt->input->col : 0;
        fault.text = "the input cannot be read in its encoding";
      }
      // At the end inside an element the push parser speaks of "extra
      // content at the end"; say what the document model says.
      if (finished && !open.empty() && (!fault.set || fault.code == XML_ERR_DOCUMENT_END))
        fault.text = "Premature end of data in tag " + open.back();
      throw EDOMParseError(xml_detail::ParseErrorText(fault.text, fault.line, fault.column),
                           fault.line, fault.column);
    }
  }

  // Runs Work; whatever it raises ends the reader for good.
  template <class F>
  auto Guard(F&& work) {
    if (dead) std::rethrow_exception(dead);
    try {
      return work();
    } catch (...) {
      dead = std::current_exception();
      throw;
    }
  }

  bool ReadNext() {
    for (;;) {
      // A text at the end of the queue may still grow.
      if (!queue.empty() && (queue.size() > 1 || finished || !IsText(queue.front().kind))) {
        current = std::move(queue.front());
        queue.pop_front();
        currentAttributes.clear();
        for (size_t i = 0; i + 1 < current.attributes.size(); i += 2)
          currentAttributes.push_back({current.attributes[i], current.attributes[i + 1]});
        return true;
      }
      if (finished) {
        current = Event();
        currentAttributes.clear();
        return false;
      }
      Feed();
    }
  }
};

XmlPullReader::XmlPullReader(std::string_view Bytes) : impl_(std::make_unique<Impl>()) {
  impl_->memory = Bytes;
  impl_->inputSize = static_cast<int64_t>(Bytes.size());
  impl_->Start(Bytes.substr(0, 1024));
}

XmlPullReader::XmlPullReader(Stream& Source) : impl_(std::make_unique<Impl>()) {
  impl_->stream = &Source;
  try {
    impl_->inputSize = std::max<int64_t>(Source.Size() - Source.Position(), 0);
  } catch (const Exception&) {
    impl_->inputSize = -1;
  }
  impl_->NextInput(0);  // reads the first block
  impl_->blockPos = 0;
  impl_->Start(std::string_view(impl_->block).substr(0, 1024));
}

XmlPullReader::~XmlPullReader() = default;

bool XmlPullReader::Read() {
  return impl_->Guard([&] { return impl_->ReadNext(); });
}

void XmlPullReader::Skip() {
  impl_->Guard([&] {
    if (impl_->current.kind != XmlPullNode::StartElement) return;
    impl_->SetMode(Impl::Mode::Skip, impl_->current.depth);
    impl_->ReadNext();  // the element's end tag
  });
}

bool XmlPullReader::NextChild(int32_t ParentDepth) {
  return impl_->Guard([&] {
    const Event& at = impl_->current;
    if (at.kind == XmlPullNode::EndElement && at.depth == ParentDepth) return false;
    if (at.kind == XmlPullNode::StartElement && at.depth == ParentDepth + 1) {
      impl_->SetMode(Impl::Mode::Skip, at.depth);
      impl_->ReadNext();
    } else if (at.depth > ParentDepth + 1) {
      // Somewhere inside a child: on to that child's end tag.
      impl_->SetMode(Impl::Mode::Skip, ParentDepth + 1);
      impl_->ReadNext();
    }
    impl_->SetMode(Impl::Mode::DropTexts, ParentDepth);
    return impl_->ReadNext() && impl_->current.kind == XmlPullNode::StartElement;
  });
}

XmlTextShape XmlPullReader::ReadText(const std::function<void(std::string_view)>& Piece) {
  return impl_->Guard([&] {
    if (impl_->current.kind != XmlPullNode::StartElement) return XmlTextShape();
    impl_->shape = XmlTextShape();
    impl_->piece = &Piece;
    impl_->SetMode(Impl::Mode::Stream, impl_->current.depth);
    impl_->ReadNext();  // the element's end tag
    impl_->piece = nullptr;
    return impl_->shape;
  });
}

XmlPullNode XmlPullReader::Kind() const { return impl_->current.kind; }
std::string_view XmlPullReader::Name() const { return impl_->current.name; }
std::string_view XmlPullReader::Value() const { return impl_->current.value; }
int32_t XmlPullReader::Depth() const { return impl_->current.depth; }
int32_t XmlPullReader::Line() const { return impl_->current.line; }
int32_t XmlPullReader::Column() const { return impl_->current.column; }

const std::vector<XmlPullAttribute>& XmlPullReader::Attributes() const {
  return impl_->currentAttributes;
}

const std::string_view* XmlPullReader::Attribute(std::string_view Name) const {
  for (const XmlPullAttribute& a : impl_->currentAttributes)
    if (a.Name == Name) return &a.Value;
  return nullptr;
}

int64_t XmlPullReader::UnreadBytes() const {
  if (impl_->inputSize < 0) return -1;
  const long consumed = xmlByteConsumed(impl_->ctxt);
  return std::max<int64_t>(impl_->inputSize - std::max<long>(consumed, 0), 0);
}

}  // namespace kx::platform
