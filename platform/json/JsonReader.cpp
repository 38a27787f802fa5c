#include "platform/json/JsonReader.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_set>

namespace kx::platform {

namespace {

// Objects with more members than this look for repeated names through a
// hash set; smaller ones compare every pair.
constexpr size_t kPairwiseNames = 16;

// Nodes per block of a document (512 KiB).
constexpr size_t kBlockNodes = 16384;

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Eight bytes at once: a non-zero result when one of them is '"', '\' or
// below 0x20, the bytes a string scan stops at.
inline uint64_t StopBytes(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  const uint64_t quote = w ^ (kOnes * '"');
  const uint64_t slash = w ^ (kOnes * '\\');
  const uint64_t zeroQuote = (quote - kOnes) & ~quote;
  const uint64_t zeroSlash = (slash - kOnes) & ~slash;
  const uint64_t below = (w - kOnes * 0x20) & ~w;
  return (zeroQuote | zeroSlash | below) & kHigh;
}

// The decoded units of a raw string (escapes already checked by the parser).
UnicodeString Decode(std::string_view Raw) {
  UnicodeString out;
  out.reserve(Raw.size());
  size_t i = 0;
  while (i < Raw.size()) {
    const size_t slash = Raw.find('\\', i);
    const size_t stop = slash == std::string_view::npos ? Raw.size() : slash;
    if (stop > i) out += ToUtf16(Raw.substr(i, stop - i));
    if (stop == Raw.size()) break;
    const char e = Raw[stop + 1];
    i = stop + 2;
    switch (e) {
      case 'b':
        out += u'\b';
        break;
      case 'f':
        out += u'\f';
        break;
      case 'n':
        out += u'\n';
        break;
      case 'r':
        out += u'\r';
        break;
      case 't':
        out += u'\t';
        break;
      case 'u': {
        char16_t unit = 0;
        for (int k = 0; k < 4; ++k) unit = static_cast<char16_t>(unit * 16 + HexValue(Raw[i + k]));
        out += unit;
        i += 4;
        break;
      }
      default:  // '"', '\', '/'
        out += static_cast<char16_t>(e);
        break;
    }
  }
  return out;
}

std::string_view NameOf(const JsonNode& n) { return std::string_view(n.Name, n.NameLength); }

// A raw name against a name of units: equal when it decodes to them. An
// ASCII name is compared byte by byte (a byte from 0x80 on decodes to a unit
// from U+0080 on, so it can never match).
bool NameIs(const JsonNode& n, std::u16string_view Name) {
  if (!n.NameEscaped) {
    bool ascii = true;
    for (char16_t c : Name) ascii &= c < 0x80;
    if (ascii) {
      if (n.NameLength != Name.size()) return false;
      for (size_t i = 0; i < Name.size(); ++i)
        if (static_cast<unsigned char>(n.Name[i]) != Name[i]) return false;
      return true;
    }
  }
  return Decode(NameOf(n)) == Name;
}

bool SameName(const JsonNode& a, const JsonNode& b) {
  if (!a.NameEscaped && !b.NameEscaped) return NameOf(a) == NameOf(b);  // the codec is lossless
  return Decode(NameOf(a)) == Decode(NameOf(b));
}

}  // namespace

// ---- The parser -------------------------------------------------------------------

class JsonParser {
 public:
  JsonParser(std::string_view Text, JsonDocument& Doc)
      : begin_(Text.data()), p_(Text.data()), end_(Text.data() + Text.size()), doc_(Doc) {}

  void Run() {
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
    SkipWhiteSpace();
    if (p_ == end_) Fail(p_, "the JSON text is empty");
    if (*p_ != '{') Fail(p_, "the top-level value is not an object");
    JsonNode root;
    ParseValue(root, 0);
    SkipWhiteSpace();
    if (p_ != end_) Fail(p_, "expected the end of the JSON text");
    doc_.root_ = Append(root);
  }

 private:
  // "line L, column C" of At: both from 1, columns in characters (UTF-8
  // continuation bytes do not count).
  std::string Position(const char* At) const {
    size_t line = 1;
    size_t column = 1;
    for (const char* q = begin_; q < At && q < end_; ++q) {
      if (*q == '\n') {
        ++line;
        column = 1;
      } else if ((static_cast<unsigned char>(*q) & 0xC0) != 0x80) {
        ++column;
      }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
  }

  [[noreturn]] void Fail(const char* At, std::string_view What) const {
    throw EJsonError("JSON syntax error at " + Position(At) + ": " + std::string(What));
  }

  [[noreturn]] void Repeated(const JsonNode& Member) const {
    std::string name;
    AppendJsonString(name, Decode(NameOf(Member)));
    throw EJsonError("JSON member name " + name + " repeated at " + Position(Member.Name - 1));
  }

  void SkipWhiteSpace() {
    while (p_ < end_ && IsWhiteSpace(*p_)) ++p_;
  }

  bool Literal(std::string_view Word) {
    if (static_cast<size_t>(end_ - p_) < Word.size() || std::memcmp(p_, Word.data(), Word.size()) != 0)
      return false;
    p_ += Word.size();
    return true;
  }

  // Room for Count nodes side by side in the document: the rest of the
  // current block, or a new one.
  JsonNode* Place(size_t Count) {
    if (Count > blockFree_) {
      const size_t size = std::max(Count, kBlockNodes);
      doc_.blocks_.push_back(std::make_unique_for_overwrite<JsonNode[]>(size));
      blockNext_ = doc_.blocks_.back().get();
      blockFree_ = size;
    }
    JsonNode* at = blockNext_;
    blockNext_ += Count;
    blockFree_ -= Count;
    return at;
  }

  const JsonNode* Append(const JsonNode& Node) {
    JsonNode* at = Place(1);
    *at = Node;
    return at;
  }

  // Moves the children gathered since Mark into the document, in order.
  void Settle(JsonNode& Parent, size_t Mark) {
    const size_t count = scratch_.size() - Mark;
    if (count > std::numeric_limits<uint32_t>::max()) Fail(p_, "too many values");
    JsonNode* at = count == 0 ? nullptr : Place(count);
    if (count != 0) std::copy(scratch_.begin() + static_cast<std::ptrdiff_t>(Mark), scratch_.end(), at);
    Parent.Children.First = at;
    Parent.Children.Count = static_cast<uint32_t>(count);
    scratch_.resize(Mark);
  }

  void ParseValue(JsonNode& Out, int Depth) {
    if (p_ == end_) Fail(p_, "unexpected end of the JSON text");
    switch (*p_) {
      case '{':
        ParseObject(Out, Depth + 1);
        return;
      case '[':
        ParseArray(Out, Depth + 1);
        return;
      case '"': {
        bool escaped = false;
        const std::string_view raw = ParseString(escaped);
        Out.Kind = BsonKind::String;
        Out.Escaped = escaped;
        Out.String.Data = raw.data();
        Out.String.Length = raw.size();
        return;
      }
      case 't':
        if (!Literal("true")) break;
        Out.Kind = BsonKind::Boolean;
        Out.Boolean = true;
        return;
      case 'f':
        if (!Literal("false")) break;
        Out.Kind = BsonKind::Boolean;
        Out.Boolean = false;
        return;
      case 'n':
        if (!Literal("null")) break;
        Out.Kind = BsonKind::Null;
        return;
      case 'N':
        if (!Literal("NaN")) break;
        Out.Kind = BsonKind::Double;
        Out.Double = std::numeric_limits<double>::quiet_NaN();
        return;
      case 'I':
        if (!Literal("Infinity")) break;
        Out.Kind = BsonKind::Double;
        Out.Double = std::numeric_limits<double>::infinity();
        return;
      default:
        if (*p_ == '-' || IsDigit(*p_)) {
          ParseNumber(Out);
          return;
        }
        break;
    }
    Fail(p_, "unexpected character");
  }

  void ParseObject(JsonNode& Out, int Depth) {
    if (Depth > kJsonMaxDepth) Fail(p_, "objects and arrays nest too deep");
    ++p_;  // '{'
    const size_t mark = scratch_.size();
    SkipWhiteSpace();
    if (p_ < end_ && *p_ == '}') {
      ++p_;
    } else {
      for (;;) {
        if (p_ == end_ || *p_ != '"') Fail(p_, "expected a member name");
        bool escaped = false;
        const std::string_view name = ParseString(escaped);
        SkipWhiteSpace();
        if (p_ == end_ || *p_ != ':') Fail(p_, "expected ':'");
        ++p_;
        SkipWhiteSpace();
        JsonNode member;
        ParseValue(member, Depth);
        member.Name = name.data();
        member.NameLength = static_cast<uint32_t>(name.size());
        member.NameEscaped = escaped;
        if (name.size() > std::numeric_limits<uint32_t>::max()) Fail(name.data(), "member name too long");
        scratch_.push_back(member);
        SkipWhiteSpace();
        if (p_ < end_ && *p_ == ',') {
          ++p_;
          SkipWhiteSpace();
          continue;
        }
        if (p_ < end_ && *p_ == '}') {
          ++p_;
          break;
        }
        Fail(p_, "expected ',' or '}'");
      }
    }
    CheckNames(mark);
    Out.Kind = BsonKind::Document;
    Settle(Out, mark);
  }

  void ParseArray(JsonNode& Out, int Depth) {
    if (Depth > kJsonMaxDepth) Fail(p_, "objects and arrays nest too deep");
    ++p_;  // '['
    const size_t mark = scratch_.size();
    SkipWhiteSpace();
    if (p_ < end_ && *p_ == ']') {
      ++p_;
    } else {
      for (;;) {
        JsonNode item;
        ParseValue(item, Depth);
        scratch_.push_back(item);
        SkipWhiteSpace();
        if (p_ < end_ && *p_ == ',') {
          ++p_;
          SkipWhiteSpace();
          continue;
        }
        if (p_ < end_ && *p_ == ']') {
          ++p_;
          break;
        }
        Fail(p_, "expected ',' or ']'");
      }
    }
    Out.Kind = BsonKind::Array;
    Settle(Out, mark);
  }

  // The members gathered since Mark must differ in name.
  void CheckNames(size_t Mark) {
    const size_t count = scratch_.size() - Mark;
    if (count < 2) return;
    if (count <= kPairwiseNames) {
      for (size_t i = Mark + 1; i < scratch_.size(); ++i)
        for (size_t k = Mark; k < i; ++k)
          if (SameName(scratch_[k], scratch_[i])) Repeated(scratch_[i]);
      return;
    }
    bool anyEscaped = false;
    for (size_t i = Mark; i < scratch_.size(); ++i) anyEscaped |= scratch_[i].NameEscaped;
    if (!anyEscaped) {
      // Raw bytes decode one way only, so equal names have equal bytes.
      std::unordered_set<std::string_view> seen;
      seen.reserve(count);
      for (size_t i = Mark; i < scratch_.size(); ++i)
        if (!seen.insert(NameOf(scratch_[i])).second) Repeated(scratch_[i]);
    } else {
      std::unordered_set<UnicodeString> seen;
      seen.reserve(count);
      for (size_t i = Mark; i < scratch_.size(); ++i)
        if (!seen.insert(Decode(NameOf(scratch_[i]))).second) Repeated(scratch_[i]);
    }
  }

  // A string from its opening quote on; answers the bytes between the quotes.
  std::string_view ParseString(bool& Escaped) {
    ++p_;  // '"'
    const char* start = p_;
    Escaped = false;
    for (;;) {
      while (end_ - p_ >= 8) {
        uint64_t w;
        std::memcpy(&w, p_, 8);
        if (StopBytes(w) != 0) break;
        p_ += 8;
      }
      while (p_ < end_) {
        const unsigned char c = static_cast<unsigned char>(*p_);
        if (c == '"' || c == '\\' || c < 0x20) break;
        ++p_;
      }
      if (p_ == end_) Fail(p_, "unterminated string");
      const unsigned char c = static_cast<unsigned char>(*p_);
      if (c == '"') {
        const std::string_view raw(start, static_cast<size_t>(p_ - start));
        ++p_;
        return raw;
      }
      if (c < 0x20) Fail(p_, "control character in a string");
      // A backslash.
      Escaped = true;
      if (end_ - p_ < 2) Fail(p_, "unterminated string");
      switch (p_[1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
          p_ += 2;
          break;
        case 'u':
          if (end_ - p_ < 6 || HexValue(p_[2]) < 0 || HexValue(p_[3]) < 0 || HexValue(p_[4]) < 0 ||
              HexValue(p_[5]) < 0)
            Fail(p_, "invalid \\u escape");
          p_ += 6;
          break;
        default:
          Fail(p_, "invalid escape");
      }
    }
  }

  void ParseNumber(JsonNode& Out) {
    const char* start = p_;
    const bool negative = *p_ == '-';
    if (negative) {
      ++p_;
      if (p_ < end_ && *p_ == 'I') {
        if (!Literal("Infinity")) Fail(start, "unexpected character");
        Out.Kind = BsonKind::Double;
        Out.Double = -std::numeric_limits<double>::infinity();
        return;
      }
    }
    const char* intStart = p_;
    if (p_ == end_ || !IsDigit(*p_)) Fail(p_, "invalid number");
    if (*p_ == '0') {
      ++p_;
      if (p_ < end_ && IsDigit(*p_)) Fail(start, "leading zero in a number");
    } else {
      while (p_ < end_ && IsDigit(*p_)) ++p_;
    }
    const char* intEnd = p_;
    bool whole = true;
    const char* fracStart = nullptr;
    if (p_ < end_ && *p_ == '.') {
      whole = false;
      ++p_;
      fracStart = p_;
      if (p_ == end_ || !IsDigit(*p_)) Fail(p_, "expected a digit after '.'");
      while (p_ < end_ && IsDigit(*p_)) ++p_;
    }
    int64_t exponent = 0;
    if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
      whole = false;
      ++p_;
      bool expNegative = false;
      if (p_ < end_ && (*p_ == '+' || *p_ == '-')) expNegative = *p_++ == '-';
      if (p_ == end_ || !IsDigit(*p_)) Fail(p_, "expected a digit in the exponent");
      while (p_ < end_ && IsDigit(*p_)) {
        if (exponent < 1000000000) exponent = exponent * 10 + (*p_ - '0');
        ++p_;
      }
      if (expNegative) exponent = -exponent;
    }
    if (whole) {
      // Digits into 64 bits without overflow: at most 19 digits always fit
      // below 10^19; one more digit is checked.
      const size_t digits = static_cast<size_t>(intEnd - intStart);
      if (digits <= 19) {
        uint64_t magnitude = 0;
        for (const char* q = intStart; q < intEnd; ++q) magnitude = magnitude * 10 + static_cast<uint64_t>(*q - '0');
        const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
        if (magnitude <= limit) {
          const int64_t value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
          if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
            Out.Kind = BsonKind::Int32;
            Out.Int32 = static_cast<int32_t>(value);
          } else {
            Out.Kind = BsonKind::Int64;
            Out.Int64 = value;
          }
          return;
        }
      }
    }
    double value = 0;
    const auto r = std::from_chars(start, p_, value);
    if (r.ec == std::errc::result_out_of_range) {
      // Beyond the range of a double: the decimal exponent of the leading
      // digit tells an overflow (an infinity) from an underflow (zero).
      int64_t lead;
      if (!(intEnd - intStart == 1 && *intStart == '0')) {
        lead = (intEnd - intStart) + exponent;
      } else {
        int64_t zeros = 0;
        const char* q = fracStart;
        while (q != nullptr && q < p_ && *q == '0') ++zeros, ++q;
        lead = exponent - zeros;
      }
      value = lead > 0 ? std::numeric_limits<double>::infinity() : 0.0;
      if (negative) value = -value;
    } else if (r.ec != std::errc() || r.ptr != p_) {
      Fail(start, "invalid number");
    }
    Out.Kind = BsonKind::Double;
    Out.Double = value;
  }

  const char* begin_;
  const char* p_;
  const char* end_;
  JsonDocument& doc_;
  std::vector<JsonNode> scratch_;  // children of the open containers
  JsonNode* blockNext_ = nullptr;
  size_t blockFree_ = 0;
};

JsonDocument JsonDocument::Parse(std::string_view Text) {
  JsonDocument doc;
  JsonParser parser(Text, doc);
  parser.Run();
  return doc;
}

// ---- Values -----------------------------------------------------------------------

void JsonValue::KindError(const char* Wanted) const {
  throw EJsonError(u"JSON value of kind " + BsonKindName(Kind()) + u" read as " +
                   ToUtf16(std::string_view(Wanted)));
}

BsonKind JsonValue::Kind() const { return Node().Kind; }

bool JsonValue::AsBoolean() const {
  if (Kind() != BsonKind::Boolean) KindError("Boolean");
  return Node().Boolean;
}

int32_t JsonValue::AsInt32() const {
  if (Kind() != BsonKind::Int32) KindError("Int32");
  return Node().Int32;
}

int64_t JsonValue::AsInt64() const {
  if (Kind() != BsonKind::Int64) KindError("Int64");
  return Node().Int64;
}

double JsonValue::AsDouble() const {
  if (Kind() != BsonKind::Double) KindError("Double");
  return Node().Double;
}

std::string_view JsonValue::RawString() const {
  if (Kind() != BsonKind::String) KindError("String");
  return std::string_view(Node().String.Data, Node().String.Length);
}

bool JsonValue::HasEscapes() const {
  if (Kind() != BsonKind::String) KindError("String");
  return Node().Escaped;
}

UnicodeString JsonValue::Text() const {
  const std::string_view raw = RawString();
  return Node().Escaped ? Decode(raw) : ToUtf16(raw);
}

std::string JsonValue::Bytes() const {
  const std::string_view raw = RawString();
  return Node().Escaped ? ToUtf8(Decode(raw)) : std::string(raw);
}

size_t JsonValue::Count() const {
  if (Kind() != BsonKind::Document && Kind() != BsonKind::Array) KindError("Document or Array");
  return Node().Children.Count;
}

JsonValue JsonValue::Item(size_t Index) const {
  if (Index >= Count()) throw EJsonError("JSON item index out of range");
  return JsonValue(Node().Children.First + Index);
}

UnicodeString JsonValue::MemberName(size_t Index) const {
  if (Kind() != BsonKind::Document) KindError("Document");
  const JsonNode& member = *Item(Index).node_;
  return member.NameEscaped ? Decode(NameOf(member)) : ToUtf16(NameOf(member));
}

std::optional<JsonValue> JsonValue::Find(std::u16string_view Name) const {
  if (Kind() != BsonKind::Document) KindError("Document");
  const JsonNode& n = Node();
  for (uint32_t i = 0; i < n.Children.Count; ++i)
    if (NameIs(n.Children.First[i], Name)) return JsonValue(n.Children.First + i);
  return std::nullopt;
}

BsonValue ToBsonValue(const JsonValue& Value) {
  switch (Value.Kind()) {
    case BsonKind::Boolean:
      return BsonValue::Boolean(Value.AsBoolean());
    case BsonKind::Int32:
      return BsonValue::Int32(Value.AsInt32());
    case BsonKind::Int64:
      return BsonValue::Int64(Value.AsInt64());
    case BsonKind::Double:
      return BsonValue::Double(Value.AsDouble());
    case BsonKind::String:
      return BsonValue::String(Value.Text());
    case BsonKind::Document: {
      std::vector<BsonElement> members;
      members.reserve(Value.Count());
      for (size_t i = 0; i < Value.Count(); ++i)
        members.push_back({Value.MemberName(i), ToBsonValue(Value.Item(i))});
      return BsonValue::Document(std::move(members));
    }
    case BsonKind::Array: {
      std::vector<BsonValue> items;
      items.reserve(Value.Count());
      for (size_t i = 0; i < Value.Count(); ++i) items.push_back(ToBsonValue(Value.Item(i)));
      return BsonValue::Array(std::move(items));
    }
    default:
      return BsonValue::Null();
  }
}

BsonValue ParseJsonToBson(std::string_view Text) {
  const JsonDocument doc = JsonDocument::Parse(Text);
  return ToBsonValue(doc.Root());
}

}  // namespace kx::platform
