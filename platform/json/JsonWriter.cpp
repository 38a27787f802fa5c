#include "platform/json/JsonWriter.h"

#include <charconv>
#include <cmath>

#include "platform/rtl/NumberText.h"

namespace kx::platform {

namespace {

// What a unit becomes: 0 written as it is, 'u' as "\u" + hex, else the
// letter of its two-character escape.
constexpr char EscapeOf(char16_t c) {
  switch (c) {
    case u'"':
      return '"';
    case u'\\':
      return '\\';
    case 0x08:
      return 'b';
    case 0x09:
      return 't';
    case 0x0A:
      return 'n';
    case 0x0C:
      return 'f';
    case 0x0D:
      return 'r';
    default:
      return (c < 0x20 || c >= 0x80) ? 'u' : 0;
  }
}

// Appends the escaped units of Text to Out, without quotes.
void AppendEscaped(std::string& Out, std::u16string_view Text) {
  static constexpr char kHex[] = "0123456789abcdef";
  size_t i = 0;
  while (i < Text.size()) {
    // A run of units that stand as they are, copied in one go.
    size_t run = i;
    while (run < Text.size() && EscapeOf(Text[run]) == 0) ++run;
    if (run > i) {
      const size_t at = Out.size();
      Out.resize(at + (run - i));
      for (size_t k = i; k < run; ++k) Out[at + (k - i)] = static_cast<char>(Text[k]);
      i = run;
      if (i == Text.size()) break;
    }
    const char16_t c = Text[i++];
    const char e = EscapeOf(c);
    if (e == 'u') {
      const char unit[6] = {'\\', 'u', kHex[(c >> 12) & 15], kHex[(c >> 8) & 15], kHex[(c >> 4) & 15],
                            kHex[c & 15]};
      Out.append(unit, 6);
    } else {
      Out += '\\';
      Out += e;
    }
  }
}

constexpr size_t kScratchFlush = 64 * 1024;

}  // namespace

std::string JsonDoubleText(double Value) {
  if (std::isnan(Value)) return "NaN";
  if (std::isinf(Value)) return Value > 0 ? "Infinity" : "-Infinity";
  std::string text = ToUtf8(FloatToStr(Value));
  if (text.find_first_of(".E") == std::string::npos) text += ".0";
  return text;
}

void AppendJsonString(std::string& Out, std::u16string_view Text) {
  Out += '"';
  AppendEscaped(Out, Text);
  Out += '"';
}

void JsonWriter::OrderError(const char* What) const {
  throw EJsonError(std::string("JSON writer: ") + What);
}

void JsonWriter::BeforeValue() {
  if (inString_) OrderError("a value inside a string");
  if (levels_.empty()) {
    if (done_) OrderError("a second top-level value");
    return;
  }
  Level& top = levels_.back();
  if (top.kind == Container::Object) {
    if (!top.named) OrderError("a member value without a name");
    top.named = false;
  } else {
    if (!top.empty) sink_.Write(", ");
    top.empty = false;
  }
}

void JsonWriter::BeginObject() {
  BeforeValue();
  sink_.Write("{");
  levels_.push_back({Container::Object});
}

void JsonWriter::EndObject() {
  if (inString_ || levels_.empty() || levels_.back().kind != Container::Object || levels_.back().named)
    OrderError("an object end out of place");
  sink_.Write(" }");
  levels_.pop_back();
  if (levels_.empty()) done_ = true;
}

void JsonWriter::BeginArray() {
  BeforeValue();
  sink_.Write("[");
  levels_.push_back({Container::Array});
}

void JsonWriter::EndArray() {
  if (inString_ || levels_.empty() || levels_.back().kind != Container::Array)
    OrderError("an array end out of place");
  sink_.Write("]");
  levels_.pop_back();
  if (levels_.empty()) done_ = true;
}

void JsonWriter::Name(std::u16string_view Name) {
  if (inString_ || levels_.empty() || levels_.back().kind != Container::Object || levels_.back().named)
    OrderError("a name out of place");
  Level& top = levels_.back();
  scratch_.assign(top.empty ? " " : ", ");
  top.empty = false;
  top.named = true;
  AppendJsonString(scratch_, Name);
  scratch_ += " : ";
  sink_.Write(scratch_);
}

void JsonWriter::String(std::u16string_view Text) {
  BeforeValue();
  scratch_.clear();
  AppendJsonString(scratch_, Text);
  sink_.Write(scratch_);
  if (levels_.empty()) done_ = true;
}

void JsonWriter::String8(std::string_view Bytes) { String(ToUtf16(Bytes)); }

void JsonWriter::Int(int64_t Value) {
  BeforeValue();
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  sink_.Write(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
  if (levels_.empty()) done_ = true;
}

void JsonWriter::Double(double Value) {
  BeforeValue();
  sink_.Write(JsonDoubleText(Value));
  if (levels_.empty()) done_ = true;
}

void JsonWriter::Boolean(bool Value) {
  BeforeValue();
  sink_.Write(Value ? "true" : "false");
  if (levels_.empty()) done_ = true;
}

void JsonWriter::Null() {
  BeforeValue();
  sink_.Write("null");
  if (levels_.empty()) done_ = true;
}

void JsonWriter::BeginString() {
  BeforeValue();
  inString_ = true;
  sink_.Write("\"");
}

void JsonWriter::StringPart(std::u16string_view Text) {
  if (!inString_) OrderError("a string part outside a string");
  while (!Text.empty()) {
    const std::u16string_view piece = Text.substr(0, kScratchFlush);
    Text.remove_prefix(piece.size());
    scratch_.clear();
    AppendEscaped(scratch_, piece);
    sink_.Write(scratch_);
  }
}

void JsonWriter::PlainStringPart(std::string_view Ascii) {
  if (!inString_) OrderError("a string part outside a string");
  if (!Ascii.empty()) sink_.Write(Ascii);
}

void JsonWriter::EndString() {
  if (!inString_) OrderError("a string end outside a string");
  inString_ = false;
  sink_.Write("\"");
  if (levels_.empty()) done_ = true;
}

void JsonWriter::Finish() {
  if (!done_ || inString_) OrderError("the value is not complete");
  sink_.Flush();
}

void WriteBsonValue(JsonWriter& Writer, const BsonValue& Value) {
  switch (Value.Kind()) {
    case BsonKind::Null:
      Writer.Null();
      return;
    case BsonKind::Boolean:
      Writer.Boolean(Value.AsBoolean());
      return;
    case BsonKind::Int32:
      Writer.Int(Value.AsInt32());
      return;
    case BsonKind::Int64:
      Writer.Int(Value.AsInt64());
      return;
    case BsonKind::Double:
      Writer.Double(Value.AsDouble());
      return;
    case BsonKind::String:
      Writer.String(Value.AsString());
      return;
    case BsonKind::Document:
      Writer.BeginObject();
      for (const BsonElement& e : Value.Elements()) {
        Writer.Name(e.Name);
        WriteBsonValue(Writer, e.Value);
      }
      Writer.EndObject();
      return;
    case BsonKind::Array:
      Writer.BeginArray();
      for (const BsonValue& item : Value.Items()) WriteBsonValue(Writer, item);
      Writer.EndArray();
      return;
    default:
      throw EJsonError(u"JSON has no form for a value of kind " + BsonKindName(Value.Kind()));
  }
}

std::string BsonValueToJson(const BsonValue& Value) {
  std::string out;
  StringXmlSink sink(out);
  JsonWriter writer(sink);
  WriteBsonValue(writer, Value);
  writer.Finish();
  return out;
}

}  // namespace kx::platform
