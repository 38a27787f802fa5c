#include "platform/json/BsonValue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(BsonValue, KindsCarryTheirStandardCodes) {
  struct Case { BsonValue v; int code; };
  const Case cases[] = {
      {BsonValue::Double(1.5), 1},
      {BsonValue::String(u"s"), 2},
      {BsonValue::Document({}), 3},
      {BsonValue::Array({}), 4},
      {BsonValue::Binary(ByteBuffer(std::string("\0\1", 2)), 0x80), 5},
      {BsonValue::Undefined(), 6},
      {BsonValue::ObjectId({}), 7},
      {BsonValue::Boolean(true), 8},
      {BsonValue::DateTime(-1), 9},
      {BsonValue(), 10},
      {BsonValue::Null(), 10},
      {BsonValue::RegularExpression(u"a+", u"i"), 11},
      {BsonValue::JavaScript(u"f()"), 13},
      {BsonValue::Symbol(u"sym"), 14},
      {BsonValue::Int32(-3), 16},
      {BsonValue::Timestamp(7, 1), 17},
      {BsonValue::Int64(INT64_MIN), 18},
      {BsonValue::MaxKey(), 0x7F},
      {BsonValue::MinKey(), 0xFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(static_cast<int>(c.v.Kind()), c.code) << ToUtf8(BsonKindName(c.v.Kind()));
    EXPECT_EQ(c.v, c.v);
  }
}

TEST(BsonValue, ReadsTheOwnKindOnly) {
  const BsonValue stamp = BsonValue::Timestamp(0xFFFFFFFF, 2);
  EXPECT_EQ(stamp.TimestampSeconds(), 0xFFFFFFFFu);
  EXPECT_EQ(stamp.TimestampIncrement(), 2u);
  EXPECT_EQ(BsonValue::Int32(-3).AsInt32(), -3);
  EXPECT_EQ(BsonValue::DateTime(-1).AsDateTime(), -1);
  EXPECT_EQ(BsonValue::RegularExpression(u"a+", u"i").AsString(), u"a+");
  EXPECT_EQ(BsonValue::RegularExpression(u"a+", u"i").RegexOptions(), u"i");
  EXPECT_EQ(BsonValue::Binary(ByteBuffer(std::string("x")), 4).BinarySubtype(), 4);

  try {
    BsonValue::Int64(1).AsInt32();  // no silent narrowing or widening
    ADD_FAILURE() << "no exception";
  } catch (const EBsonKindError& e) {
    EXPECT_EQ(e.Message, u"BSON value of kind Int64 read as Int32");
    EXPECT_EQ(e.ClassName(), u"EBsonKindError");
  }
  EXPECT_THROW(BsonValue().AsString(), EBsonKindError);
  EXPECT_THROW(BsonValue::Array({}).Elements(), EBsonKindError);
  EXPECT_THROW(BsonValue::Double(1).AsInt64(), EBsonKindError);
}

TEST(BsonValue, DocumentsKeepMemberOrderAndCopiesAreIndependent) {
  BsonValue doc = BsonValue::Document({{u"b", BsonValue::Int32(1)},
                                       {u"a", BsonValue::Array({BsonValue::String(u"x")})}});
  ASSERT_EQ(doc.Elements().size(), 2u);
  EXPECT_EQ(doc.Elements()[0].Name, u"b");
  EXPECT_EQ(doc.Elements()[1].Value.Items()[0].AsString(), u"x");

  const BsonValue copy = doc;
  doc = BsonValue::Null();
  EXPECT_EQ(copy.Elements()[0].Value, BsonValue::Int32(1));

  // Order is part of the value; so is the kind (1 as Int32 is not 1 as Int64).
  EXPECT_NE(copy, BsonValue::Document({{u"a", BsonValue::Array({BsonValue::String(u"x")})},
                                       {u"b", BsonValue::Int32(1)}}));
  EXPECT_NE(BsonValue::Int32(1), BsonValue::Int64(1));
  EXPECT_NE(BsonValue::String(u"x"), BsonValue::Symbol(u"x"));
  EXPECT_NE(BsonValue::Double(NAN), BsonValue::Double(NAN));
}

}  // namespace
