// platform/json/JsonReader.h — the JSON parser: reads a JSON text where it
// lies, without copying it.
//
// Grammar: RFC 8259 JSON, plus the literals NaN, Infinity and -Infinity and
// "\u" escapes of lone surrogates, which the system's writer produces
// (JsonWriter.h). The top-level value must be an object. Refused: comments,
// trailing commas, single quotes, raw control characters (below U+0020) in
// strings, leading zeros, anything but white space after the top-level
// value, a member name given twice in one object (compared after decoding
// escapes), and nesting deeper than kJsonMaxDepth. A UTF-8 byte-order mark
// at the start is skipped. String bytes are not checked for valid UTF-8:
// invalid bytes reach the system codec, which keeps them (Text.h).
//
// Numbers: without "." and exponent an Int32 when the value fits, else an
// Int64, else a Double; every other number a Double (std::from_chars, an
// overflow giving an infinity and an underflow zero).
//
// Strings stay views into the input: escapes are decoded only when a string
// is read as text, so a blob-sized string costs nothing until then and never
// becomes UTF-16 unless asked.
//
// Errors raise EJsonError with the line and column (both from 1, columns in
// characters) of the fault:
//   "JSON syntax error at line 1, column 9: expected ':'"
//   "JSON member name \"Id\" repeated at line 1, column 20"
//
//   std::string text = R"({ "a" : [1, 2.5] })";
//   JsonDocument doc = JsonDocument::Parse(text);   // text must outlive doc
//   doc.Root().Find("a")->Item(1).AsDouble() == 2.5
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/json/BsonValue.h"
#include "platform/json/JsonWriter.h"  // EJsonError
#include "platform/rtl/Text.h"

namespace kx::platform {

// Objects and arrays nest at most this deep (the top-level object is level
// 1); the parser recurses no further.
inline constexpr int kJsonMaxDepth = 256;

class JsonDocument;

// A node of the parsed tree (the document's storage; use JsonValue).
struct JsonNode {
  BsonKind Kind = BsonKind::Null;
  bool Escaped = false;      // the string holds a "\"
  bool NameEscaped = false;  // the member name holds a "\"
  uint32_t NameLength = 0;
  const char* Name = nullptr;  // member name as it stands (members only)
  union {
    bool Boolean;
    int32_t Int32;
    int64_t Int64;
    double Double;
    struct {
      const char* Data;
      size_t Length;
    } String;
    struct {
      const JsonNode* First;  // the children lie side by side
      uint32_t Count;
    } Children;
  };
  JsonNode() : Int64(0) {}
};

// One value of a parsed document: a small handle, valid while its document
// lives (moving the document keeps it valid). Reading a value as another
// kind than its own raises EJsonError.
class JsonValue {
 public:
  // Null, Boolean, Int32, Int64, Double, String, Document or Array.
  BsonKind Kind() const;

  bool AsBoolean() const;
  int32_t AsInt32() const;
  int64_t AsInt64() const;
  double AsDouble() const;

  // A string as it stands between its quotes, escapes not decoded.
  std::string_view RawString() const;
  // True when RawString holds a "\".
  bool HasEscapes() const;
  // The string decoded: escapes to their units, the bytes between them
  // through the system codec.
  UnicodeString Text() const;
  // The string decoded to bytes: Text() through the codec back to 8-bit
  // (a raw byte that is not UTF-8 comes back as itself).
  std::string Bytes() const;

  // Document and Array: the number of members or items.
  size_t Count() const;
  // The value of member or item Index (0-based, below Count()).
  JsonValue Item(size_t Index) const;
  // Document: the decoded name of member Index.
  UnicodeString MemberName(size_t Index) const;
  // Document: the value of the member whose decoded name is Name (exact,
  // case-sensitive); none when there is no such member.
  std::optional<JsonValue> Find(std::u16string_view Name) const;

 private:
  friend class JsonDocument;
  explicit JsonValue(const JsonNode* Node) : node_(Node) {}
  const JsonNode& Node() const { return *node_; }
  [[noreturn]] void KindError(const char* Wanted) const;

  const JsonNode* node_;
};

class JsonDocument {
 public:
  // Parses Text, which must stay where it is while the document lives (a
  // temporary string cannot be given). Raises EJsonError.
  static JsonDocument Parse(std::string_view Text);
  static JsonDocument Parse(const char* Text) { return Parse(std::string_view(Text)); }
  static JsonDocument Parse(std::string&&) = delete;

  JsonValue Root() const { return JsonValue(root_); }

  JsonDocument(JsonDocument&&) = default;
  JsonDocument& operator=(JsonDocument&&) = default;

 private:
  friend class JsonValue;
  friend class JsonParser;
  JsonDocument() = default;

  // The nodes, in blocks that never move once made, so nodes point at
  // their children. Blocks are small enough for the allocator to reuse
  // their memory from one document to the next.
  std::vector<std::unique_ptr<JsonNode[]>> blocks_;
  const JsonNode* root_ = nullptr;
};

// The value as a BsonValue, strings decoded to UTF-16 (for tests and for
// small values; a blob-sized string becomes a UTF-16 copy).
BsonValue ToBsonValue(const JsonValue& Value);

// Parses Text and answers its top-level object as a BsonValue.
BsonValue ParseJsonToBson(std::string_view Text);

}  // namespace kx::platform
