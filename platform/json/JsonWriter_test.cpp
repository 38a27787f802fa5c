#include "platform/json/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/JsonForTesting.h"

namespace {

using kx::platform::BsonValueToJson;
using kx::platform::JsonDoubleText;
using kx::platform::JsonWriter;
using kx::platform::StringXmlSink;

BsonValue Doc(std::vector<BsonElement> members) { return BsonValue::Document(std::move(members)); }

TEST(JsonWriter, Layout) {
  struct Case { BsonValue value; std::string want; };
  const Case cases[] = {
      {Doc({}), "{ }"},
      {Doc({{u"a", BsonValue::Int32(1)}}), R"({ "a" : 1 })"},
      {Doc({{u"a", BsonValue::Int32(1)}, {u"b", BsonValue::Array({})}}), R"({ "a" : 1, "b" : [] })"},
      {Doc({{u"x", BsonValue::Array({BsonValue::Int64(-5), BsonValue::Null(), BsonValue::Boolean(true),
                                     BsonValue::Boolean(false)})}}),
       R"({ "x" : [-5, null, true, false] })"},
      // an element object starts right after "[" or ", "
      {BsonValue::Array({Doc({}), Doc({{u"k", BsonValue::String(u"v")}})}), R"([{ }, { "k" : "v" }])"},
      {Doc({{u"o", Doc({{u"p", Doc({})}})}}), R"({ "o" : { "p" : { } } })"},
  };
  for (const auto& c : cases) EXPECT_EQ(BsonValueToJson(c.value), c.want);
}

TEST(JsonWriter, EscapesEachUtf16Unit) {
  struct Case { std::u16string text; std::string want; };
  const Case cases[] = {
      {u"a\"b\\c", R"("a\"b\\c")"},
      {u"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {u"\x01\x1f", R"("\u0001\u001f")"},
      {u"/\x7f", "\"/\x7f\""},  // solidus and DEL stand as they are
      {u"\u00fc\u00A0\u20ac", R"("\u00fc\u00a0\u20ac")"},
      {u"\U0001F600", R"("\ud83d\ude00")"},  // a pair gives two escapes
      {u"\xDCFF\xD800", R"("\udcff\ud800")"},  // lone surrogates one each
  };
  for (const auto& c : cases) {
    std::string out;
    kx::platform::AppendJsonString(out, c.text);
    EXPECT_EQ(out, c.want);
  }
  // An 8-bit text passes the codec: an invalid byte travels as its unit.
  std::string out;
  StringXmlSink sink(out);
  JsonWriter w(sink);
  w.String8("a\xFF\xC3\xA4");
  w.Finish();
  EXPECT_EQ(out, R"("a\udcff\u00e4")");
}

TEST(JsonWriter, NumberForms) {
  struct Case { double value; std::string want; };
  const Case cases[] = {
      {3, "3.0"},
      {0.1, "0.1"},
      {1.5, "1.5"},
      {-2.5, "-2.5"},
      {1e20, "1E20"},
      {1e-7, "1E-7"},
      {1e15, "1E15"},
      {123456789012345, "123456789012345.0"},
      {123456789012345678.0, "1.23456789012346E17"},
      {1.0 / 3, "0.333333333333333"},
      {0.1 + 0.2, "0.3"},  // 15 significant digits, not the shortest round trip
      {-0.0, "0.0"},
      {std::nan(""), "NaN"},
      {std::numeric_limits<double>::infinity(), "Infinity"},
      {-std::numeric_limits<double>::infinity(), "-Infinity"},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonDoubleText(c.value), c.want) << c.value;
  EXPECT_EQ(BsonValueToJson(BsonValue::Array({BsonValue::Int64(INT64_MIN), BsonValue::Int32(0)})),
            "[-9223372036854775808, 0]");
}

TEST(JsonWriter, StreamedStringEqualsWholeString) {
  std::string out;
  StringXmlSink sink(out);
  JsonWriter w(sink);
  w.BeginObject();
  w.Name(u"Data");
  w.BeginString();
  w.PlainStringPart("QUJD");
  w.StringPart(u"\"\U0001F600");
  w.PlainStringPart("");
  w.EndString();
  w.EndObject();
  w.Finish();
  EXPECT_EQ(out, R"({ "Data" : "QUJD\"\ud83d\ude00" })");
}

TEST(JsonWriter, CallsOutOfOrderRaise) {
  auto attempt = [](auto calls) {
    std::string out;
    StringXmlSink sink(out);
    JsonWriter w(sink);
    calls(w);
  };
  EXPECT_THROW(attempt([](JsonWriter& w) { w.BeginObject(); w.Int(1); }), EJsonError);  // no name
  EXPECT_THROW(attempt([](JsonWriter& w) { w.BeginArray(); w.Name(u"a"); }), EJsonError);
  EXPECT_THROW(attempt([](JsonWriter& w) { w.BeginObject(); w.EndArray(); }), EJsonError);
  EXPECT_THROW(attempt([](JsonWriter& w) { w.BeginObject(); w.Name(u"a"); w.EndObject(); }), EJsonError);
  EXPECT_THROW(attempt([](JsonWriter& w) { w.Null(); w.Null(); }), EJsonError);  // two top-level values
  EXPECT_THROW(attempt([](JsonWriter& w) { w.BeginObject(); w.Finish(); }), EJsonError);
  EXPECT_THROW(attempt([](JsonWriter& w) { w.BeginString(); w.Int(1); }), EJsonError);
  EXPECT_THROW(BsonValueToJson(BsonValue::Binary(ByteBuffer(std::string("x")))), EJsonError);
}

TEST(JsonWriter, OthersReadWhatItWrites) {
  const BsonValue value = Doc({
      {u"s", BsonValue::String(u"\u00fc\t/\"\\\x01\U0001F600")},
      {u"i", BsonValue::Int32(-7)},
      {u"l", BsonValue::Int64(int64_t{1} << 40)},
      {u"d", BsonValue::Double(0.1)},
      {u"e", BsonValue::Double(1e-7)},
      {u"a", BsonValue::Array({BsonValue::Boolean(true), BsonValue::Null(), Doc({})})},
      {u"zz", Doc({{u"n", BsonValue::Double(3)}})},
  });
  const std::string text = BsonValueToJson(value);
  EXPECT_EQ(kx::platform::NlohmannToBson(nlohmann::ordered_json::parse(text)), value);

  if (!kx::platform::HavePython()) GTEST_SKIP() << "python3 is missing";
  const BsonValue special = Doc({{u"n", BsonValue::Double(std::nan(""))},
                                 {u"i", BsonValue::Double(-std::numeric_limits<double>::infinity())},
                                 {u"s", BsonValue::String(u"\xDCFF")}});
  const std::string python = kx::platform::PythonJsonRoundTrip({BsonValueToJson(special)})[0];
  EXPECT_EQ(python, R"({"n": NaN, "i": -Infinity, "s": "\udcff"})");
}

}  // namespace
