#include "platform/json/JsonReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/JsonForTesting.h"

namespace {

using kx::platform::BsonValueToJson;
using kx::platform::JsonDocument;
using kx::platform::JsonValue;
using kx::platform::ParseJsonToBson;

// The error text of parsing Text, or "" when it parses.
std::string ErrorOf(const std::string& Text) {
  try {
    JsonDocument::Parse(Text);
  } catch (const EJsonError& e) {
    return e.what();
  }
  return "";
}

TEST(JsonReader, ReadsWhatNlohmannReads) {
  const std::string texts[] = {
      R"({})",
      R"({"a":1,"b":[true,false,null],"c":{"d":"e"}})",
      " \t\r\n{ \"s\" : \"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00fc\\u20AC\\ud83d\\ude00\" } \n",
      R"({"n":[0,-0,2147483647,-2147483648,2147483648,-2147483649,9223372036854775807,-9223372036854775808]})",
      R"({"big":[9223372036854775808,18446744073709551615,-9223372036854775809,123456789012345678901234]})",
      R"({"f":[0.5,-1.25e3,1E-7,1e+2,0.0,-0.0,1e-400,4.9e-324,1.7976931348623157e308]})",
      "{\"utf8\":\"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\"}",
      R"({"deep":[[[[{"x":[[]]}]]]],"empty":"","o":{}})",
  };
  for (const std::string& text : texts) {
    const BsonValue ours = ParseJsonToBson(text);
    const BsonValue theirs = kx::platform::NlohmannToBson(nlohmann::ordered_json::parse(text));
    EXPECT_EQ(BsonValueToJson(ours), BsonValueToJson(theirs)) << text;
    EXPECT_EQ(ours, theirs) << text;
  }
}

TEST(JsonReader, NumberKinds) {
  const std::string text =
      R"({"a":7,"b":-2147483649,"c":9223372036854775808,"d":7.0,"e":7e0,"f":NaN,"g":Infinity,"h":-Infinity})";
  const JsonDocument doc = JsonDocument::Parse(text);
  const JsonValue root = doc.Root();
  EXPECT_EQ(root.Find(u"a")->Kind(), BsonKind::Int32);
  EXPECT_EQ(root.Find(u"b")->AsInt64(), -2147483649);
  EXPECT_EQ(root.Find(u"c")->AsDouble(), 9223372036854775808.0);
  EXPECT_EQ(root.Find(u"d")->AsDouble(), 7.0);
  EXPECT_EQ(root.Find(u"e")->Kind(), BsonKind::Double);
  EXPECT_TRUE(std::isnan(root.Find(u"f")->AsDouble()));
  EXPECT_EQ(root.Find(u"g")->AsDouble(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(root.Find(u"h")->AsDouble(), -std::numeric_limits<double>::infinity());
  EXPECT_THROW(root.Find(u"a")->AsInt64(), EJsonError);  // no conversion between kinds
  // Beyond a double's range: an infinity or zero, as strtod gives.
  EXPECT_EQ(BsonValueToJson(ParseJsonToBson(R"({"x":[1e400,-1e400,1e-400,-0.1e-400,1000e306,0.001e-322]})")),
            R"({ "x" : [Infinity, -Infinity, 0.0, 0.0, Infinity, 0.0] })");
}

TEST(JsonReader, StringsStayInPlaceUntilRead) {
  const std::string text = "\xEF\xBB\xBF{\"plain\":\"QUJD\",\"esc\":\"a\\tb\\udcff\\ud800\",\"raw\":\"x\xFFy\"}";
  const JsonDocument doc = JsonDocument::Parse(text);
  const JsonValue plain = *doc.Root().Find(u"plain");
  EXPECT_EQ(plain.RawString().data(), text.data() + text.find("QUJD"));  // a view into the input
  EXPECT_FALSE(plain.HasEscapes());
  const JsonValue esc = *doc.Root().Find(u"esc");
  EXPECT_TRUE(esc.HasEscapes());
  EXPECT_EQ(esc.RawString(), "a\\tb\\udcff\\ud800");
  EXPECT_EQ(esc.Text(), std::u16string(u"a\tb\xDCFF\xD800"));
  EXPECT_EQ(esc.Bytes(), "a\tb\xFF?");  // an escaped raw byte comes back as the byte
  const JsonValue raw = *doc.Root().Find(u"raw");
  EXPECT_EQ(raw.Text(), std::u16string(u"x\xDCFFy"));  // invalid UTF-8 kept by the codec
  EXPECT_EQ(raw.Bytes(), "x\xFFy");
}

TEST(JsonReader, MembersAreFoundByDecodedName) {
  const std::string text = R"({"Id":1,"\u0049d2":2,"\u00fc":3,"id":4})";
  const JsonDocument doc = JsonDocument::Parse(text);
  const JsonValue root = doc.Root();
  EXPECT_EQ(root.Find(u"Id")->AsInt32(), 1);
  EXPECT_EQ(root.Find(u"Id2")->AsInt32(), 2);
  EXPECT_EQ(root.Find(u"\u00fc")->AsInt32(), 3);
  EXPECT_EQ(root.Find(u"id")->AsInt32(), 4);  // case matters
  EXPECT_FALSE(root.Find(u"ID").has_value());
  EXPECT_EQ(root.MemberName(1), u"Id2");
}

TEST(JsonReader, RefusesWithLineAndColumn) {
  struct Case { std::string text; std::string want; };
  const Case cases[] = {
      {"", "JSON syntax error at line 1, column 1: the JSON text is empty"},
      {"  \n ", "line 2, column 2: the JSON text is empty"},
      {"[1]", "line 1, column 1: the top-level value is not an object"},
      {"\"s\"", "the top-level value is not an object"},
      {"{\"a\":1}x", "line 1, column 8: expected the end of the JSON text"},
      {"{\"a\":1,}", "line 1, column 8: expected a member name"},  // trailing comma
      {"{\"a\":[1,]}", "line 1, column 9: unexpected character"},
      {"{'a':1}", "line 1, column 2: expected a member name"},
      {"{\"a\":1 // c\n}", "expected ',' or '}'"},
      {"{\"a\" 1}", "line 1, column 6: expected ':'"},
      {"{\"a\":01}", "line 1, column 6: leading zero in a number"},
      {"{\"a\":-01}", "leading zero in a number"},
      {"{\"a\":1.}", "expected a digit after '.'"},
      {"{\"a\":.5}", "unexpected character"},
      {"{\"a\":+1}", "unexpected character"},
      {"{\"a\":1e}", "expected a digit in the exponent"},
      {"{\"a\":nan}", "unexpected character"},
      {"{\"a\":-Inf}", "unexpected character"},
      {"{\"a\":tru}", "unexpected character"},
      {"{\"a\":\"x\ty\"}", "line 1, column 8: control character in a string"},
      {"{\"a\":\"\\x\"}", "invalid escape"},
      {"{\"a\":\"\\u12G4\"}", "invalid \\u escape"},
      {"{\"a\":\"abc", "unterminated string"},
      {"{\"a\":1", "expected ',' or '}'"},
      {"{\n  \"\xC3\xA4\" : [1 2]}", "line 2, column 12: expected ',' or ']'"},  // columns count characters
  };
  for (const auto& c : cases) {
    const std::string error = ErrorOf(c.text);
    EXPECT_NE(error.find(c.want), std::string::npos) << c.text << " gave: " << error;
  }
}

TEST(JsonReader, RefusesRepeatedNames) {
  EXPECT_EQ(ErrorOf("{\"a\":1,\n \"b\":{\"a\":2},\"a\":3}"),
            "JSON member name \"a\" repeated at line 2, column 14");
  EXPECT_EQ(ErrorOf(R"({"Id":1,"\u0049d":2})"), "JSON member name \"Id\" repeated at line 1, column 9");
  // Large objects go through a hash set, with and without escaped names.
  for (const bool escaped : {false, true}) {
    std::string text = "{";
    for (int i = 0; i < 40; ++i) text += "\"m" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    text += escaped ? "\"\\u006d17\":0}" : "\"m17\":0}";
    EXPECT_NE(ErrorOf(text).find("JSON member name \"m17\" repeated"), std::string::npos) << text;
  }
}

TEST(JsonReader, NestingHasALimit) {
  auto nested = [](int levels) {
    std::string text = "{\"a\":";
    for (int i = 1; i < levels; ++i) text += "[";
    text += "0";
    for (int i = 1; i < levels; ++i) text += "]";
    return text + "}";
  };
  EXPECT_EQ(ErrorOf(nested(kx::platform::kJsonMaxDepth)), "");
  EXPECT_NE(ErrorOf(nested(kx::platform::kJsonMaxDepth + 1)).find("nest too deep"), std::string::npos);
  EXPECT_NE(ErrorOf(nested(1000000)).find("nest too deep"), std::string::npos);  // no stack overflow
}

}  // namespace
