#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlLintForTesting.h"
#include "system/kxConfigTools.h"
#include "system/kxTypes.h"

namespace {

using kx::platform::XmlLintComplaint;
using Strings = std::vector<std::u16string>;

Variant Text(const std::u16string& s) { return Variant::FromOleStr(s); }

std::string FixturePath(const std::string& name) {
  const char* root = std::getenv("KX_SOURCE_DIR");
  return std::string(root ? root : ".") + "/testdata/config/" + name;
}

std::string Fixture(const std::string& name) {
  std::ifstream in(FixturePath(name), std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << name;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "Param=value text" of every active slot, in list order.
Strings Params(const TkxConfigTools& tools) {
  Strings out;
  for (const TkxConfigPart& p : tools.ConfigList)
    if (p.Active) out.push_back(p.Param + u"=" + TkxTypes::VarToStrExt(p.Value));
  return out;
}

Strings AttributeNames(const TkxConfigPart& part) {
  Strings out;
  for (const TkxAttribute& a : part.Attributes) out.push_back(a.Name + u"=" + VarToStr(a.Value));
  return out;
}

TEST(TkxConfigToolsReader, EmptyTextIsAnEmptyConfiguration) {
  for (const std::string& text : {std::string(), std::string(" \r\n\t "), std::string("\0 ", 2)}) {
    TkxConfigTools tools;
    tools.AddConfigParam(u"old", Text(u"x"), false, false);
    tools.RootNodeName = u"before";
    tools.Message = u"earlier";
    EXPECT_TRUE(tools.ParseConfigString(text));
    EXPECT_TRUE(tools.ConfigList.empty());
    EXPECT_EQ(tools.RootNodeName, u"before");
    EXPECT_EQ(tools.Message, u"earlier");
  }
}

TEST(TkxConfigToolsReader, RefusesTextsThatAreNotWellFormed) {
  const char* fixtures[] = {"bad_not_xml.txt",          "bad_unclosed.xml",
                            "bad_two_roots.xml",        "bad_duplicate_attribute.xml",
                            "bad_undefined_entity.xml", "bad_control_char.xml",
                            "bad_dtd_entity.xml"};
  for (const char* name : fixtures) {
    const std::string text = Fixture(name);
    TkxConfigTools quiet;
    quiet.AddConfigParam(u"old", Text(u"x"), false, false);
    UnicodeString root = u"kept";
    EXPECT_FALSE(quiet.ParseConfigString(text, root, false)) << name;
    EXPECT_TRUE(quiet.ConfigList.empty()) << name;
    EXPECT_EQ(root, u"kept");
    EXPECT_EQ(quiet.Message.rfind(u"the XML document is not well-formed", 0), 0u)
        << name << ": " << ToUtf8(quiet.Message);

    TkxConfigTools loud;
    try {
      loud.ParseConfigString(text, root, true);
      ADD_FAILURE() << name << ": no error";
    } catch (const EDOMParseError& e) {
      EXPECT_EQ(loud.Message, e.Message) << name;
      EXPECT_EQ(loud.Message, quiet.Message) << name;
    }
  }
}

TEST(TkxConfigToolsReader, ReadsEachFormatVersion) {
  struct Case {
    const char* fixture;
    Strings params;
    Strings alphaAttributes;
  };
  const Case cases[] = {
      {"version_1_2.xml", {u"Alpha=one", u"Group=", u"Inner=two", u"Blank=three"}, {}},
      {"version_1_3.xml", {u"Alpha=one", u"Group=", u"Inner=two", u"Blank=three"}, {u"Extra=x"}},
      {"version_1_5.xml", {u"Named=one", u"G=", u"In=two", u"Blank=three"}, {u"Extra=x"}},
      {"version_2_0.xml", {u"Named=one", u"G=", u"G/In=two", u"Blank=three"}, {u"Extra=x"}},
  };
  for (const auto& c : cases) {
    TkxConfigTools tools;
    ASSERT_TRUE(tools.ParseConfigString(Fixture(c.fixture))) << ToUtf8(tools.Message);
    EXPECT_EQ(tools.RootNodeName, u"kxSettings");
    EXPECT_EQ(Params(tools), c.params) << c.fixture;
    EXPECT_EQ(AttributeNames(tools.ConfigList[0]), c.alphaAttributes) << c.fixture;
  }
  TkxConfigTools tools;
  EXPECT_EQ(tools.GetConfigFormatVersion(u"1.5"), kxFV_15);
  EXPECT_EQ(tools.GetConfigFormatVersion(u"2.1"), kxFV_21);
  EXPECT_EQ(tools.GetConfigFormatVersion(u"1.5 "), kxFV_Unknown);
  EXPECT_EQ(tools.GetConfigFormatVersion(u""), kxFV_Unknown);
}

TEST(TkxConfigToolsReader, ReadsTypedValuesWithoutVersion) {
  TkxConfigTools tools;
  ASSERT_TRUE(tools.ParseConfigString(Fixture("version_none.xml"))) << ToUtf8(tools.Message);
  EXPECT_EQ(tools.GetConfigParam(u"N"), Variant::FromInt64(42));
  EXPECT_EQ(tools.GetConfigParam(u"D"), Variant::FromDouble(1.5));
  EXPECT_EQ(tools.GetConfigParam(u"B"), Variant::FromBoolean(true));
  EXPECT_EQ(tools.GetConfigParam(u"Dt"),
            Variant::FromDate(EncodeDateTime(2024, 1, 15, 18, 30, 0, 0)));
  EXPECT_EQ(tools.GetConfigParam(u"Bin"), Variant::FromString("Hello"));
  EXPECT_TRUE(tools.ConfigList[4].Binary);
  EXPECT_EQ(tools.GetConfigParam(u"U"), Variant::FromUString(u"t"));  // unknown type: text
  // An empty Name still counts for the prefix of the children.
  EXPECT_EQ(Params(tools).back(), u"/X=1");
  EXPECT_TRUE(tools.ConfigParamExists(u"X"));
}

TEST(TkxConfigToolsReader, ReadsFixturesOfOtherWriters) {
  struct Case {
    const char* fixture;
    Strings params;
  };
  const Case cases[] = {
      {"indented_crlf.xml", {u"A=line1\r\nline2", u"P=", u"P/C= "}},
      {"latin1.xml", {u"Gr\u00F6\u00DFe=Gr\u00FC\u00DFe"}},
      {"cp1252.xml", {u"Price=5 \u20AC \u2013 \u201Enetto\u201C"}},
      {"cdata.xml", {u"Script=if a < b && c > d then ]]>"}},
  };
  for (const auto& c : cases) {
    TkxConfigTools tools;
    ASSERT_TRUE(tools.ParseConfigString(Fixture(c.fixture))) << c.fixture << ToUtf8(tools.Message);
    EXPECT_EQ(Params(tools), c.params) << c.fixture;
  }
}

// A compressed string with paths: an enclosing element without text reads
// as the empty value, one with text and children decodes its text.
TEST(TkxConfigToolsReader, ReadsCompressedStringsWithPaths) {
  TkxConfigTools tools;
  ASSERT_TRUE(tools.ParseConfigString(Fixture("compressed_paths.xml"))) << ToUtf8(tools.Message);
  EXPECT_EQ(Params(tools)[0], u"Export=");
  EXPECT_EQ(tools.GetConfigParam(u"Export/Target"), Text(u"x"));
  EXPECT_EQ(tools.GetConfigParam(u"Parent"), Text(u"parent value"));
  EXPECT_EQ(tools.GetConfigParam(u"Parent/Child"), Text(u"Gr\u00FC\u00DFe\r\nzwei"));
  EXPECT_EQ(tools.GetConfigParam(u"Blob"), Variant::FromString(Fixture("compressed_paths.bin")));
}

// Every kind of value written and read back, Enhanced on and off,
// compressed and not.
TEST(TkxConfigToolsReader, RoundTripsEveryValueKind) {
  const TDateTime when = EncodeDateTime(2023, 12, 31, 23, 59, 58, 0);
  std::string raw;
  for (int i = 0; i < 300; ++i) raw.push_back(static_cast<char>(i));
  struct Case {
    std::u16string name;
    Variant value;
    bool binary;
    std::u16string enhanced;  // VarToStrExt of what comes back, Enhanced on
    TVarType enhancedType;
    std::u16string plain;     // the same, Enhanced off
  };
  const Case cases[] = {
      {u"Int", Variant::FromInteger(-42), false, u"-42", varInt64, u"-42"},
      {u"Big", Variant::FromInt64(9007199254740993), false, u"9007199254740993", varInt64,
       u"9007199254740993"},
      {u"Double", Variant::FromDouble(0.1), false, u"0.10", varDouble, u"0.1"},
      {u"Currency", Variant::FromCurrency(Currency::FromRaw(12345)), false, u"1.2345", varDouble,
       u"1.2345"},
      {u"Date", Variant::FromDate(when), false, u"2023-12-31 23:59:58", varDate,
       TkxTypes::VarToStrExt(Text(VarToStr(Variant::FromDate(when))))},
      {u"Bool", Variant::FromBoolean(false), false, u"False", varBoolean, u"false"},
      {u"Text", Text(u"a < b & \"c\"\nline \U0001F600"), false, u"a < b & \"c\"\r\nline \U0001F600",
       varUString, u"a < b & \"c\"\r\nline \U0001F600"},
      {u"CrLf", Text(u"x\r\ny"), false, u"x\r\ny", varUString, u"x\r\ny"},
      {u"Blank", Text(u" "), false, u" ", varUString, u" "},
      {u"Bad", Text(u"a\x01\xD800"), false, u"a  ", varUString, u"a  "},
      {u"Ansi", Variant::FromString("8-bit"), false, u"8-bit", varUString, u"8-bit"},
      {u"Empty", Text(u""), false, u"", varUString, u""},
      {u"Null", Variant::Null(), false, u"", varNull, u""},
      {u"Binary", Variant::FromString(raw), true, TkxTypes::VarToStrExt(Variant::FromString(raw)),
       varString, TkxTypes::VarToStrExt(Variant::FromString(raw))},
  };
  for (const bool enhanced : {true, false}) {
    for (const bool compress : {false, true}) {
      TkxConfigTools tools;
      for (const auto& c : cases) tools.AddConfigParam(c.name, c.value, c.binary, false);
      tools.AddAttribute(0, u"Unit", Text(u"m\u00B2"));
      tools.AddAttribute(0, u"Empty", Text(u""));
      const std::string config = tools.BuiltConfigString(u"kxConfig", compress, enhanced, false);
      EXPECT_EQ(XmlLintComplaint(config), "");

      TkxConfigTools reader;
      ASSERT_TRUE(reader.ParseConfigString(config)) << ToUtf8(reader.Message);
      ASSERT_EQ(reader.GetListSize(), static_cast<int32_t>(std::size(cases)));
      for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const TkxConfigPart& part = reader.ConfigList[i];
        const std::string what = ToUtf8(c.name) + (enhanced ? " enhanced" : "") +
                                 (compress ? " compressed" : "");
        EXPECT_EQ(part.Param, c.name) << what;
        EXPECT_EQ(part.Binary, c.binary) << what;
        if (compress && !c.binary) {
          // Compressed values are the UTF-8 of the value's platform text, read
          // back as wide strings.
          EXPECT_EQ(part.Value, Text(ToUtf16(ToUtf8(VarToStr(c.value))))) << what;
        } else if (enhanced) {
          EXPECT_EQ(TkxTypes::VarToStrExt(part.Value), c.enhanced) << what;
          EXPECT_EQ(part.Value.VarType(), c.enhancedType) << what;
        } else {
          EXPECT_EQ(TkxTypes::VarToStrExt(part.Value), c.plain) << what;
        }
      }
      EXPECT_EQ(AttributeNames(reader.ConfigList[0]), (Strings{u"Unit=m\u00B2", u"Empty="}));
    }
  }
}

TEST(TkxConfigToolsReader, KeysIgnoreCaseBlanksAndOneSlash) {
  TkxConfigTools tools;
  tools.AddConfigParam(u"ByRef", Text(u"1"), false, false);
  tools.AddConfigParam(u"1st value", Text(u"2"), false, false);
  const std::string config = tools.BuiltConfigString(u"kxConfig", false, false, false);
  EXPECT_EQ(XmlLintComplaint(config), "");
  ASSERT_TRUE(tools.ParseConfigString(config));
  EXPECT_EQ(tools.ConfigList[1].Param, u"1st value");
  for (const std::u16string name : {u"ByRef", u"byref", u"/BYREF ", u" /byRef"})
    EXPECT_EQ(tools.GetConfigParamListId(name), 0) << ToUtf8(name);
  EXPECT_EQ(tools.GetConfigParamListId(u"1ST VALUE"), 1);
  EXPECT_EQ(tools.GetConfigParamListId(u"1st_value"), 1);  // the same safe name
  EXPECT_EQ(tools.GetConfigParam(u"missing"), Text(u""));
}

TEST(TkxConfigToolsReader, GetConfigParamWithDefault) {
  TkxConfigTools tools;
  tools.AddConfigParam(u"EmptyText", Text(u""), false, false);
  tools.AddConfigParam(u"NullValue", Variant::Null(), false, false);
  tools.AddConfigParam(u"Set", Text(u"7"), false, false);
  struct Case {
    std::u16string name;
    Variant deflt;
    Variant want;
  };
  const Case cases[] = {
      {u"EmptyText", Variant::FromInteger(4), Variant::FromInteger(4)},
      {u"EmptyText", Variant::FromBoolean(true), Variant::FromBoolean(true)},
      {u"EmptyText", Variant::FromDouble(1.5), Variant::FromDouble(1.5)},
      {u"EmptyText", Variant::FromInt64(9), Variant::FromInt64(9)},
      {u"EmptyText", Text(u"d"), Text(u"")},  // a text default: the stored empty text
      {u"EmptyText", Variant::FromShortInt(1), Text(u"")},
      {u"EmptyText", Variant::FromUInt64(1), Text(u"")},
      {u"NullValue", Variant::FromInteger(4), Variant::FromInteger(4)},
      {u"NullValue", Text(u"d"), Variant::Null()},
      {u"Set", Variant::FromInteger(4), Text(u"7")},
      {u"Missing", Text(u"d"), Text(u"d")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(tools.GetConfigParam(c.name, c.deflt), c.want)
        << ToUtf8(c.name) << " " << ToUtf8(VarTypeAsText(c.deflt.VarType()));
  EXPECT_EQ(tools.GetConfigParam(TWideStringArray{u"Set"}, Variant()), Text(u"7"));
  EXPECT_EQ(tools.GetConfigParam(tools.ConfigList, TWideStringArray{u"", u"set"}, Variant()),
            Text(u"7"));
}

TEST(TkxConfigToolsReader, DeleteConfigParam) {
  for (const bool multi : {true, false}) {
    TkxConfigTools tools;
    tools.AllowMultiParams = true;
    tools.AddConfigParam(u"Dup", Text(u"1"), false, false);
    tools.AddConfigParam(u"Other", Text(u"x"), false, false);
    tools.AddConfigParam(u"Dup", Text(u"2"), false, false);
    tools.AddAttribute(0, u"A", Text(u"a"));
    tools.AllowMultiParams = multi;
    EXPECT_TRUE(tools.DeleteConfigParam(TWideStringArray{u"dup"}));
    EXPECT_EQ(tools.GetListSize(), multi ? 1 : 2);
    EXPECT_EQ(tools.ConfigList[0].Param, u"");
    EXPECT_TRUE(tools.ConfigList[0].Attributes.empty());
    EXPECT_TRUE(tools.ConfigList[0].Value.IsEmpty());
    EXPECT_EQ(tools.DeleteConfigParam(u"Dup"), !multi);
    EXPECT_FALSE(tools.DeleteConfigParam(u"Dup"));
  }
}

TEST(TkxConfigToolsReader, GetAttributeSkipsEmptyValuesUnlessAsked) {
  TkxConfigTools tools;
  ASSERT_TRUE(tools.ParseConfigString(
      "<kxConfig><P A=\"\" B=\"b\" xmlns:n=\"urn:n\" n:A=\"x\">v</P></kxConfig>"));
  const TkxConfigPart& part = tools.ConfigList[0];
  EXPECT_EQ(AttributeNames(part), (Strings{u"xmlns:n=urn:n", u"A=", u"B=b", u"n:A=x"}));
  EXPECT_EQ(tools.GetAttribute(0, u"A", Text(u"d"), true), Text(u""));
  EXPECT_EQ(tools.GetAttribute(0, u"A", Text(u"d"), false), Text(u"d"));
  EXPECT_EQ(tools.GetAttribute(u"p", u"B", Text(u"d"), false), Text(u"b"));
  EXPECT_EQ(tools.GetAttribute(u"p", u"b", Text(u"d"), false), Text(u"d"));
  EXPECT_EQ(tools.GetAttribute(-1, u"B", Text(u"d"), false), Text(u"d"));
  EXPECT_EQ(tools.GetAttribute(u"none", u"B", Text(u"d"), false), Text(u"d"));
  // Attributes stay the wide strings read (varOleStr, as Text() above); a
  // value goes through the type reader, which answers texts as varUString.
  EXPECT_EQ(tools.GetConfigParam(u"P"), Variant::FromUString(u"v"));
  // Of two attributes of one name, the first with a text counts.
  tools.ConfigList[0].Attributes.push_back({u"A", Text(u"second")});
  EXPECT_EQ(tools.GetAttribute(0, u"A", Text(u"d"), false), Text(u"second"));
}

TEST(TkxConfigToolsReader, ParametersBelowAPath) {
  TkxConfigTools tools;
  for (const char16_t* name : {u"A", u"A/B", u"A/B/C", u"AB", u"AB/C", u"a/d", u"b", u"Z/y"})
    tools.AddConfigParam(name, Text(name), false, false);

  TkxConfigList below;
  EXPECT_TRUE(tools.GetConfigList(u"A", below, false));
  Strings names;
  for (const auto& p : below) names.push_back(p.Param + u"|" + p.SORTL + u"|" + VarToStr(p.Value));
  EXPECT_EQ(names, (Strings{u"||A", u"B|B|A/B", u"B/C|B/C|A/B/C", u"d|D|a/d"}));
  EXPECT_TRUE(tools.GetConfigList(TWideStringArray{u"a", u"b"}, below, true));
  ASSERT_EQ(below.size(), 2u);
  EXPECT_EQ(below[1].Param, u"A/B/C");

  struct Case {
    std::u16string path;
    bool fullPath;
    Strings want;
  };
  const Case cases[] = {
      {u"A", false, {u"", u"B", u"d"}},
      {u"/a ", true, {u"a/", u"a/B", u"a/d"}},
      {u"", false, {u"A", u"AB", u"b", u"Z"}},
      {u"/", false, {u"A", u"AB", u"b", u"Z"}},
      {u"", true, {u"/A", u"/AB", u"/b", u"/Z"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    EXPECT_TRUE(tools.GetNodeElements(c.path, list, c.fullPath));
    Strings got;
    for (int32_t i = 0; i < list.Count(); ++i) got.push_back(list[i]);
    EXPECT_EQ(got, c.want) << ToUtf8(c.path);  // collation order: a, AB, b, Z
  }
  // Entries already in the list stay; the array forms take the same path.
  TStringList list;
  list.Add(u"zz");
  tools.GetNodeElements(TWideStringArray{u"A", u"B"}, list);
  EXPECT_EQ(list.Count(), 3);  // "", "C", "zz"
  EXPECT_EQ(tools.GetNodeElements(TWideStringArray{u"Z"})->Text(), u"y\r\n");
}

// The list is cut after the last parameter read, also when reading fails
// half-way.
TEST(TkxConfigToolsReader, KeepsWhatWasReadBeforeAFailure) {
  TkxConfigTools tools;
  const std::string config =
      "<kxConfig Compressed=\"true\"><A></A><B>not base64 of a compressed string</B><C/></kxConfig>";
  EXPECT_FALSE(tools.ParseConfigString(config));
  EXPECT_FALSE(tools.Message.empty());
  // B's slot was taken before its value failed to decode; C was never read.
  EXPECT_EQ(Params(tools), (Strings{u"A=", u"B="}));
  EXPECT_EQ(tools.ConfigList.size(), 2u);
  EXPECT_EQ(tools.RootNodeName, u"kxConfig");
  UnicodeString root;
  EXPECT_THROW(tools.ParseConfigString(config, root, true), EZDecompressionError);
}

TEST(TkxConfigToolsReader, LoadConfigFromFiles) {
  TkxConfigTools tools;
  tools.AddConfigParam(u"old", Text(u"x"), false, false);
  EXPECT_FALSE(tools.LoadConfig(ToUtf16(FixturePath("no such file.xml"))));
  EXPECT_TRUE(tools.ConfigList.empty());
  EXPECT_TRUE(tools.LoadConfig(ToUtf16(FixturePath("version_2_0.xml"))));
  EXPECT_EQ(tools.RootNodeName, u"kxSettings");
  EXPECT_FALSE(tools.LoadConfig(ToUtf16(FixturePath("bad_two_roots.xml"))));
  EXPECT_FALSE(tools.Message.empty());
}

}  // namespace
