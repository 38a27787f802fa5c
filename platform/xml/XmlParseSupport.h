// platform/xml/XmlParseSupport.h — what the two readers of this folder (the
// document model and the pull reader) share about running libxml2's parser,
// so both accept and refuse exactly the same texts. For platform/xml only.
#pragma once

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

namespace kx::platform::xml_detail {

// The options of every parse: blob-sized text nodes, no network, nothing
// printed. No entity substitution, DTD loading, default attributes or
// XInclude.
inline constexpr int kParseOptions =
    XML_PARSE_HUGE | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// kParseOptions plus what Bytes, the first bytes of a document (a
// kilobyte suffices), need: a byte-order mark decides the encoding by
// itself, and a declaration of a 16- or 32-bit encoding on a text whose
// declaration reads as ASCII is wrong (hosts convert UTF-16 text to UTF-8
// and leave the declaration as it was), so both ignore the declared one.
int ParseOptionsFor(std::string_view Bytes);

// The parser's entity refusal. The parser context's _private must point to
// an EntityRefusal while it runs with these as its getEntity and
// getParameterEntity handlers: a reference to any entity but the five
// predefined ones, in content or in an attribute value, is noted (the first
// one, where it stood) and answered "none", so nothing declared is ever
// expanded. Inside the document type declarations may refer to each other;
// they are kept but never used.
struct EntityRefusal {
  bool Refused = false;
  std::string Entity;  // "&name;" or "%name;"
  int Line = 0;
  int Column = 0;
  void* Owner = nullptr;  // free for the parser's user
};
xmlEntity* RefusingGetEntity(void* Ctx, const xmlChar* Name);
xmlEntity* RefusingGetParameterEntity(void* Ctx, const xmlChar* Name);
// Notes a reference the parser reports without asking first.
void RefuseReference(xmlParserCtxt* Ctxt, const xmlChar* Name);

// "the XML document is not well-formed (line L, column C): " + the first
// line of Detail (libxml2's own words).
UnicodeString ParseErrorText(std::string_view Detail, int Line, int Column);
// The text for a refused entity reference.
UnicodeString RefusalText(const EntityRefusal& Refusal);

// libxml2 reports a few faults without a parser context (a failed encoding
// conversion, for one) through the calling thread's error handlers, whose
// default prints to stderr, and a host's handler would hear of our input.
// While one exists, the calling thread's handlers are silent ones; they are
// put back when it goes, so neither the host nor another thread sees a
// change. What went wrong still reaches the parser context.
class QuietParserErrors {
 public:
  QuietParserErrors();
  ~QuietParserErrors();
  QuietParserErrors(const QuietParserErrors&) = delete;
  QuietParserErrors& operator=(const QuietParserErrors&) = delete;

 private:
  xmlGenericErrorFunc generic_;
  void* genericContext_;
  xmlStructuredErrorFunc structured_;
  void* structuredContext_;
};

}  // namespace kx::platform::xml_detail
