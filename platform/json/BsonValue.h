// platform/json/BsonValue.h — a value of the JSON/BSON document model.
//
// A BsonValue is one of the kinds below, numbered by their standard BSON type
// codes. It is a plain value type: copies are independent (binary data is
// shared copy-on-write), documents keep their members in the order they were
// given, and a default-constructed value is null. Reading a value as another
// kind than its own raises EBsonKindError; nothing converts implicitly.
//
//   BsonValue doc = BsonValue::Document({{u"id", BsonValue::Int32(7)},
//                                        {u"name", BsonValue::String(u"x")}});
//   doc.Elements()[1].Value.AsString() == u"x"
//
// Texts (strings, member names, patterns) are UTF-16, as everywhere in the
// system; the text form of documents is written and read elsewhere.
#pragma once

#include <array>
#include <cstdint>
#include <variant>
#include <vector>

#include "platform/rtl/ByteBuffer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

KX_DECLARE_EXCEPTION(EBsonKindError, Exception);

enum class BsonKind : uint8_t {
  Double = 1,
  String = 2,
  Document = 3,
  Array = 4,
  Binary = 5,
  Undefined = 6,  // deprecated in BSON; read, never made by the system
  ObjectId = 7,
  Boolean = 8,
  DateTime = 9,  // UTC, milliseconds since 1970-01-01
  Null = 10,
  RegularExpression = 11,
  JavaScript = 13,
  Symbol = 14,
  Int32 = 16,
  Timestamp = 17,  // the database's internal stamp: seconds and increment
  Int64 = 18,
  MaxKey = 0x7F,
  MinKey = 0xFF,  // -1 as a signed byte
};

using BsonObjectId = std::array<uint8_t, 12>;

struct BsonElement;

class BsonValue {
 public:
  BsonValue() = default;  // null

  static BsonValue Null();
  static BsonValue Double(double Value);
  static BsonValue String(UnicodeString Value);
  static BsonValue Document(std::vector<BsonElement> Elements);
  static BsonValue Array(std::vector<BsonValue> Items);
  // Subtype 0 is generic binary data.
  static BsonValue Binary(ByteBuffer Bytes, uint8_t Subtype = 0);
  static BsonValue ObjectId(const BsonObjectId& Id);
  static BsonValue Boolean(bool Value);
  template <class T>
  static BsonValue Boolean(T) = delete;  // no integer or pointer as a Boolean
  static BsonValue DateTime(int64_t MillisecondsSinceEpoch);
  static BsonValue Int32(int32_t Value);
  static BsonValue Timestamp(uint32_t Seconds, uint32_t Increment);
  static BsonValue Int64(int64_t Value);
  static BsonValue Undefined();
  static BsonValue RegularExpression(UnicodeString Pattern, UnicodeString Options);
  static BsonValue JavaScript(UnicodeString Code);
  static BsonValue Symbol(UnicodeString Name);
  static BsonValue MinKey();
  static BsonValue MaxKey();

  BsonKind Kind() const { return kind_; }
  bool IsNull() const { return kind_ == BsonKind::Null; }

  // The value of the own kind; any other kind raises EBsonKindError.
  double AsDouble() const;
  // String, JavaScript and Symbol: their text; RegularExpression: the pattern.
  const UnicodeString& AsString() const;
  const UnicodeString& RegexOptions() const;  // RegularExpression
  const std::vector<BsonElement>& Elements() const;  // Document
  const std::vector<BsonValue>& Items() const;       // Array
  const ByteBuffer& BinaryData() const;
  uint8_t BinarySubtype() const;
  const BsonObjectId& AsObjectId() const;
  bool AsBoolean() const;
  int64_t AsDateTime() const;  // milliseconds since 1970-01-01 UTC
  int32_t AsInt32() const;
  uint32_t TimestampSeconds() const;    // the upper 32 bits of the stamp
  uint32_t TimestampIncrement() const;  // the lower 32 bits
  int64_t AsInt64() const;

  // Same kind and equal content; documents compare their members in order,
  // doubles as doubles (a NaN is unequal to everything).
  friend bool operator==(const BsonValue& A, const BsonValue& B);

 private:
  struct Bin {
    ByteBuffer Bytes;
    uint8_t Subtype = 0;
    friend bool operator==(const Bin&, const Bin&) = default;
  };
  struct Texts {  // regular expression: pattern and options
    UnicodeString First, Second;
    friend bool operator==(const Texts&, const Texts&) = default;
  };
  struct Stamp {
    uint32_t Seconds = 0, Increment = 0;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  using Storage = std::variant<std::monostate, double, bool, int32_t, int64_t, UnicodeString,
                               Texts, Bin, BsonObjectId, Stamp, std::vector<BsonElement>,
                               std::vector<BsonValue>>;

  BsonValue(BsonKind Kind, Storage Value);
  [[noreturn]] void KindError(BsonKind Wanted) const;
  template <class T>
  const T& Get(BsonKind Wanted) const;

  BsonKind kind_ = BsonKind::Null;
  Storage value_;
};

// One member of a document.
struct BsonElement {
  UnicodeString Name;
  BsonValue Value;

  friend bool operator==(const BsonElement&, const BsonElement&) = default;
};

// Defined here, where BsonElement is complete: the storage holds vectors of
// it.
inline BsonValue BsonValue::Null() { return BsonValue(); }
inline BsonValue::BsonValue(BsonKind Kind, Storage Value) : kind_(Kind), value_(std::move(Value)) {}

// The kind's name in messages: "Double", "String", ..., "MinKey".
UnicodeString BsonKindName(BsonKind Kind);
