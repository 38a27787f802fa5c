#include "platform/json/BsonValue.h"

#include <cmath>

BsonValue BsonValue::Double(double Value) { return BsonValue(BsonKind::Double, Value); }
BsonValue BsonValue::String(UnicodeString Value) {
  return BsonValue(BsonKind::String, std::move(Value));
}
BsonValue BsonValue::Document(std::vector<BsonElement> Elements) {
  return BsonValue(BsonKind::Document, std::move(Elements));
}
BsonValue BsonValue::Array(std::vector<BsonValue> Items) {
  return BsonValue(BsonKind::Array, std::move(Items));
}
BsonValue BsonValue::Binary(ByteBuffer Bytes, uint8_t Subtype) {
  return BsonValue(BsonKind::Binary, Bin{std::move(Bytes), Subtype});
}
BsonValue BsonValue::ObjectId(const BsonObjectId& Id) { return BsonValue(BsonKind::ObjectId, Id); }
BsonValue BsonValue::Boolean(bool Value) { return BsonValue(BsonKind::Boolean, Value); }
BsonValue BsonValue::DateTime(int64_t MillisecondsSinceEpoch) {
  return BsonValue(BsonKind::DateTime, MillisecondsSinceEpoch);
}
BsonValue BsonValue::Int32(int32_t Value) { return BsonValue(BsonKind::Int32, Value); }
BsonValue BsonValue::Timestamp(uint32_t Seconds, uint32_t Increment) {
  return BsonValue(BsonKind::Timestamp, Stamp{Seconds, Increment});
}
BsonValue BsonValue::Int64(int64_t Value) { return BsonValue(BsonKind::Int64, Value); }
BsonValue BsonValue::Undefined() { return BsonValue(BsonKind::Undefined, std::monostate{}); }
BsonValue BsonValue::RegularExpression(UnicodeString Pattern, UnicodeString Options) {
  return BsonValue(BsonKind::RegularExpression, Texts{std::move(Pattern), std::move(Options)});
}
BsonValue BsonValue::JavaScript(UnicodeString Code) {
  return BsonValue(BsonKind::JavaScript, std::move(Code));
}
BsonValue BsonValue::Symbol(UnicodeString Name) {
  return BsonValue(BsonKind::Symbol, std::move(Name));
}
BsonValue BsonValue::MinKey() { return BsonValue(BsonKind::MinKey, std::monostate{}); }
BsonValue BsonValue::MaxKey() { return BsonValue(BsonKind::MaxKey, std::monostate{}); }

UnicodeString BsonKindName(BsonKind Kind) {
  switch (Kind) {
    case BsonKind::Double: return u"Double";
    case BsonKind::String: return u"String";
    case BsonKind::Document: return u"Document";
    case BsonKind::Array: return u"Array";
    case BsonKind::Binary: return u"Binary";
    case BsonKind::Undefined: return u"Undefined";
    case BsonKind::ObjectId: return u"ObjectId";
    case BsonKind::Boolean: return u"Boolean";
    case BsonKind::DateTime: return u"DateTime";
    case BsonKind::Null: return u"Null";
    case BsonKind::RegularExpression: return u"RegularExpression";
    case BsonKind::JavaScript: return u"JavaScript";
    case BsonKind::Symbol: return u"Symbol";
    case BsonKind::Int32: return u"Int32";
    case BsonKind::Timestamp: return u"Timestamp";
    case BsonKind::Int64: return u"Int64";
    case BsonKind::MaxKey: return u"MaxKey";
    case BsonKind::MinKey: return u"MinKey";
  }
  return u"Unknown";
}

void BsonValue::KindError(BsonKind Wanted) const {
  throw EBsonKindError(u"BSON value of kind " + BsonKindName(kind_) + u" read as " +
                       BsonKindName(Wanted));
}

template <class T>
const T& BsonValue::Get(BsonKind Wanted) const {
  if (kind_ != Wanted) KindError(Wanted);
  return std::get<T>(value_);
}

double BsonValue::AsDouble() const { return Get<double>(BsonKind::Double); }

const UnicodeString& BsonValue::AsString() const {
  if (kind_ == BsonKind::JavaScript || kind_ == BsonKind::Symbol)
    return std::get<UnicodeString>(value_);
  if (kind_ == BsonKind::RegularExpression) return std::get<Texts>(value_).First;
  return Get<UnicodeString>(BsonKind::String);
}

const UnicodeString& BsonValue::RegexOptions() const {
  return Get<Texts>(BsonKind::RegularExpression).Second;
}

const std::vector<BsonElement>& BsonValue::Elements() const {
  return Get<std::vector<BsonElement>>(BsonKind::Document);
}
const std::vector<BsonValue>& BsonValue::Items() const {
  return Get<std::vector<BsonValue>>(BsonKind::Array);
}
const ByteBuffer& BsonValue::BinaryData() const { return Get<Bin>(BsonKind::Binary).Bytes; }
uint8_t BsonValue::BinarySubtype() const { return Get<Bin>(BsonKind::Binary).Subtype; }
const BsonObjectId& BsonValue::AsObjectId() const { return Get<BsonObjectId>(BsonKind::ObjectId); }
bool BsonValue::AsBoolean() const { return Get<bool>(BsonKind::Boolean); }
int64_t BsonValue::AsDateTime() const { return Get<int64_t>(BsonKind::DateTime); }
int32_t BsonValue::AsInt32() const { return Get<int32_t>(BsonKind::Int32); }
uint32_t BsonValue::TimestampSeconds() const { return Get<Stamp>(BsonKind::Timestamp).Seconds; }
uint32_t BsonValue::TimestampIncrement() const {
  return Get<Stamp>(BsonKind::Timestamp).Increment;
}
int64_t BsonValue::AsInt64() const { return Get<int64_t>(BsonKind::Int64); }

bool operator==(const BsonValue& A, const BsonValue& B) {
  return A.kind_ == B.kind_ && A.value_ == B.value_;
}
