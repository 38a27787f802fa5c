// platform/json/JsonWriter.h — the one JSON writer of the system: a streaming
// writer over a byte sink (the XmlSink kind: a string, a file), so the same
// bytes go to either and a document never has to exist whole in memory.
//
// Layout (compact, and the only one written):
//   - an object is "{", each member as " " + name + " : " + value, members
//     separated by ",", then " }"; an object without members is "{ }";
//   - an array is "[", its elements separated by ", ", then "]"; "[]" when
//     empty;
//   - no line break and no byte-order mark anywhere; the text is ASCII only.
// Strings, per UTF-16 unit: '"' and '\' get a backslash; backspace, tab, LF,
// FF and CR are "\b", "\t", "\n", "\f", "\r"; every other unit below U+0020
// or from U+0080 on is "\u" and four lower-case hexadecimal digits (a
// surrogate pair gives two, a lone surrogate one). "/" and U+007F stand as
// they are. 8-bit texts pass through the system codec first, so a byte that
// is not valid UTF-8 travels as its escape unit ("\udcff") and reads back as
// the same byte.
// Numbers: see JsonDoubleText; whole numbers in decimal. Literals "true",
// "false", "null".
//
//   std::string out;
//   kx::platform::StringXmlSink sink(out);
//   JsonWriter w(sink);
//   w.BeginObject(); w.Name(u"a"); w.Int(1); w.Name(u"b"); w.BeginArray(); w.EndArray();
//   w.EndObject(); w.Finish();
//   out == "{ \"a\" : 1, \"b\" : [] }"
//
// A call out of order (a value where a name is due, a second top-level
// value, an unbalanced end) raises EJsonError; bytes written before stay in
// the sink, and the writer is not used again. The writer does not check
// that the names of one object differ.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/json/BsonValue.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "platform/xml/XmlWriter.h"

// JSON text that cannot be written or read: a call out of order, a value of
// a kind JSON has no form for, a syntax error, a repeated member name.
KX_DECLARE_EXCEPTION(EJsonError, Exception);

namespace kx::platform {

// A floating-point number as the writer writes it: the general number text
// (15 significant digits, trailing zeros dropped, "." as decimal point,
// "E" and no "+" in an exponent), then ".0" when it has neither "." nor
// "E"; "NaN", "Infinity", "-Infinity" for the special values.
//   JsonDoubleText(3) == "3.0";  JsonDoubleText(0.1) == "0.1";
//   JsonDoubleText(1e20) == "1E20";  JsonDoubleText(1e-7) == "1E-7"
std::string JsonDoubleText(double Value);

// Appends Text as a JSON string (quotes included) to Out.
//   AppendJsonString(out, u"\u00fc\t/") appends "\"\\u00fc\\t/\""
void AppendJsonString(std::string& Out, std::u16string_view Text);

class JsonWriter {
 public:
  explicit JsonWriter(XmlSink& Sink) : sink_(Sink) {}
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The name of the next member of the open object; its value follows.
  void Name(std::u16string_view Name);

  void String(std::u16string_view Text);
  // 8-bit text through the system codec (ToUtf16), then as String.
  void String8(std::string_view Bytes);
  void Int(int64_t Value);
  void Double(double Value);
  void Boolean(bool Value);
  template <class T>
  void Boolean(T) = delete;  // no integer or pointer as a Boolean
  void Null();

  // A string written in parts, for texts too large to hold (Base64 of a
  // blob): BeginString, any number of parts, EndString.
  void BeginString();
  // A part escaped as String does (unit by unit, so a surrogate pair may be
  // split between two parts).
  void StringPart(std::u16string_view Text);
  // A part the caller vouches for: only printable ASCII without '"' and '\'
  // (the Base64 alphabet, digits), so it goes to the sink unchecked.
  void PlainStringPart(std::string_view Ascii);
  void EndString();

  // Checks that one complete value was written, then flushes the sink.
  void Finish();

 private:
  enum class Container : uint8_t { Object, Array };
  struct Level {
    Container kind;
    bool empty = true;
    bool named = false;  // object: a name was written, its value is due
  };

  void BeforeValue();  // the separator the value needs; checks the order
  [[noreturn]] void OrderError(const char* What) const;

  XmlSink& sink_;
  std::vector<Level> levels_;
  bool done_ = false;       // the top-level value is complete
  bool inString_ = false;   // between BeginString and EndString
  std::string scratch_;     // escaped text on its way to the sink
};

// Writes Value (null, Boolean, Int32, Int64, Double, String, Document,
// Array, nested as deep as it is) through Writer. Any other kind raises
// EJsonError naming it; JSON has no form for it.
void WriteBsonValue(JsonWriter& Writer, const BsonValue& Value);

// Value as JSON text, alone (Finish included).
std::string BsonValueToJson(const BsonValue& Value);

}  // namespace kx::platform
