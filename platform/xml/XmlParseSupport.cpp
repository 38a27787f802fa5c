#include "platform/xml/XmlParseSupport.h"

#include <libxml/SAX2.h>
#include <libxml/globals.h>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"

namespace kx::platform::xml_detail {
namespace {

std::string_view View(const xmlChar* s) {
  return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(s));
}

void Refuse(xmlParserCtxt* ctxt, const xmlChar* name, bool parameter) {
  auto* state = static_cast<EntityRefusal*>(ctxt->_private);
  if (state == nullptr || state->Refused) return;
  state->Refused = true;
  try {
    state->Entity = (parameter ? "%" : "&") + std::string(View(name)) + ";";
  } catch (...) {  // called by the parser: nothing may leave; the refusal stands
  }
  state->Line = xmlSAX2GetLineNumber(ctxt);
  state->Column = xmlSAX2GetColumnNumber(ctxt);
}

bool HasByteOrderMark(std::string_view b) {
  auto starts = [&](std::string_view p) { return b.substr(0, p.size()) == p; };
  using namespace std::string_view_literals;
  return starts("\xEF\xBB\xBF"sv) || starts("\xFE\xFF"sv) || starts("\xFF\xFE"sv) ||
         starts("\x00\x00\xFE\xFF"sv);
}

// The encoding named in an ASCII declaration at the very start; "" when
// there is none.
std::string DeclaredEncoding(std::string_view b) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  if (b.size() < 6 || b.substr(0, 5) != "<?xml" || !space(b[5])) return std::string();
  std::string_view decl = b.substr(0, 1024);  // a declaration is short
  decl = decl.substr(0, decl.find("?>"));
  const size_t key = decl.find("encoding");
  if (key == std::string_view::npos) return std::string();
  size_t p = key + 8;
  while (p < decl.size() && space(decl[p])) ++p;
  if (p >= decl.size() || decl[p] != '=') return std::string();
  ++p;
  while (p < decl.size() && space(decl[p])) ++p;
  if (p >= decl.size() || (decl[p] != '"' && decl[p] != '\'')) return std::string();
  const size_t close = decl.find(decl[p], p + 1);
  if (close == std::string_view::npos) return std::string();
  return AsciiUpper(decl.substr(p + 1, close - p - 1));
}

void Ignore(void*, const char*, ...) {}

}  // namespace

int ParseOptionsFor(std::string_view Bytes) {
  bool ignore = HasByteOrderMark(Bytes);
  const std::string enc = DeclaredEncoding(Bytes);
  for (std::string_view wide : {"UTF-16", "UTF16", "UTF-32", "UTF32", "UCS-2", "UCS2", "UCS-4",
                                "UCS4", "ISO-10646-UCS-2", "ISO-10646-UCS-4"})
    if (enc.compare(0, wide.size(), wide) == 0) ignore = true;
  return ignore ? kParseOptions | XML_PARSE_IGNORE_ENC : kParseOptions;
}

xmlEntity* RefusingGetEntity(void* Ctx, const xmlChar* Name) {
  auto* ctxt = static_cast<xmlParserCtxt*>(Ctx);
  if (ctxt->inSubset != 0) return xmlSAX2GetEntity(Ctx, Name);
  Refuse(ctxt, Name, false);
  return nullptr;
}

xmlEntity* RefusingGetParameterEntity(void* Ctx, const xmlChar* Name) {
  Refuse(static_cast<xmlParserCtxt*>(Ctx), Name, true);
  return nullptr;
}

void RefuseReference(xmlParserCtxt* Ctxt, const xmlChar* Name) { Refuse(Ctxt, Name, false); }

UnicodeString ParseErrorText(std::string_view Detail, int Line, int Column) {
  UnicodeString text = u"the XML document is not well-formed";
  if (Line > 0) {
    text += u" (line " + IntToStr(int32_t{Line});
    if (Column > 0) text += u", column " + IntToStr(int32_t{Column});
    text += u")";
  }
  // libxml2's own words, first line only (some add the offending bytes).
  Detail = TrimBlanksRight(Detail.substr(0, Detail.find('\n')));
  if (!Detail.empty()) text += u": " + ToUtf16(Detail);
  return text;
}

UnicodeString RefusalText(const EntityRefusal& Refusal) {
  return ParseErrorText("reference to the entity '" + Refusal.Entity + "' is not allowed",
                        Refusal.Line, Refusal.Column);
}

QuietParserErrors::QuietParserErrors()
    : generic_(xmlGenericError),
      genericContext_(xmlGenericErrorContext),
      structured_(xmlStructuredError),
      structuredContext_(xmlStructuredErrorContext) {
  xmlSetGenericErrorFunc(nullptr, &Ignore);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
}

QuietParserErrors::~QuietParserErrors() {
  xmlSetGenericErrorFunc(genericContext_, generic_);
  xmlSetStructuredErrorFunc(structuredContext_, structured_);
}

}  // namespace kx::platform::xml_detail
