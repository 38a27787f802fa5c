#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/NumberText.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlLintForTesting.h"
#include "system/kxConfigTools.h"
#include "system/kxFiles.h"

namespace {

using kx::platform::XmlAttribute;
using kx::platform::XmlDocument;
using kx::platform::XmlElement;
using kx::platform::XmlLintComplaint;
using kx::platform::XmlNode;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

Variant Text(const std::u16string& s) { return Variant::FromOleStr(s); }

// The configuration string, checked by xmllint as every string the tests
// write.
std::string Built(TkxConfigTools& tools, bool compress, bool enhanced, bool byAttribute = false) {
  const std::string config = tools.BuiltConfigString(u"kxConfig", compress, enhanced, byAttribute);
  EXPECT_EQ(XmlLintComplaint(config), "") << config;
  return config;
}

std::vector<std::u16string> AttributeList(const XmlElement& e) {
  std::vector<std::u16string> out;
  for (const XmlAttribute& a : e.Attributes()) out.push_back(a.Name + u"=" + a.Value);
  return out;
}

std::vector<XmlElement> ChildElements(const XmlElement& e) {
  std::vector<XmlElement> out;
  for (const XmlNode& n : e.ChildNodes())
    if (n.AsElement()) out.push_back(n.AsElement());
  return out;
}

using Strings = std::vector<std::u16string>;

void FillExample(TkxConfigTools& tools) {
  tools.AddConfigParam(u"Importfile", Text(u"C:\\out\\%docid.xml"), false, false);
  tools.AddConfigParam(u"Priority", Variant::FromInteger(4), false, false);
  tools.AddConfigParam(u"1st value", Text(u"a&b"), false, false);
  tools.AddConfigParam(u"Export/Target", Text(u"x"), false, false);
}

TEST(TkxConfigToolsWriter, WritesTheDocumentedExample) {
  TkxConfigTools tools;
  FillExample(tools);
  const std::string config = Built(tools, false, true);
  EXPECT_NE(config.find("<_1st_value Name=\"1st value\" Type=\"UCS2STR\">a&amp;b</_1st_value>"),
            std::string::npos);
  EXPECT_EQ(config.rfind(kHead + "<kxConfig ", 0), 0u);

  const XmlDocument doc = XmlDocument::Load(config);
  const XmlElement root = doc.DocumentElement();
  EXPECT_EQ(root.Name(), u"kxConfig");
  EXPECT_EQ(AttributeList(root),
            (Strings{u"FormatVersion=2.0", u"Compressed=false", u"Encoding=none"}));
  const std::vector<XmlElement> children = ChildElements(root);
  ASSERT_EQ(children.size(), 4u);
  struct Want {
    std::u16string name;
    Strings attributes;
    std::u16string text;
  };
  const Want want[] = {
      {u"Importfile", {u"Type=UCS2STR"}, u"C:\\out\\%docid.xml"},
      {u"Priority", {u"Type=INT"}, u"4"},
      {u"_1st_value", {u"Name=1st value", u"Type=UCS2STR"}, u"a&b"},
      {u"Export", {}, u""},
  };
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(children[i].Name(), want[i].name);
    EXPECT_EQ(AttributeList(children[i]), want[i].attributes) << ToUtf8(want[i].name);
    EXPECT_EQ(children[i].FirstChild().AsElement() ? u"" : children[i].Text(), want[i].text);
  }
  const std::vector<XmlElement> inner = ChildElements(children[3]);
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_EQ(inner[0].Name(), u"Target");
  EXPECT_EQ(AttributeList(inner[0]), (Strings{u"Type=UCS2STR"}));
  EXPECT_EQ(inner[0].Text(), u"x");

  // Without Enhanced the same elements carry no Type.
  const std::string plain = Built(tools, false, false);
  EXPECT_EQ(plain.find("Type="), std::string::npos) << plain;
  EXPECT_NE(plain.find("<Priority>4</Priority>"), std::string::npos) << plain;
}

TEST(TkxConfigToolsWriter, WritesAnEmptyListAsTheRootAlone) {
  TkxConfigTools tools;
  tools.AddConfigParam(u"gone", Text(u"x"), false, false);
  tools.DeleteConfigParam(u"gone");
  EXPECT_EQ(Built(tools, false, true),
            kHead + "<kxConfig FormatVersion=\"2.0\" Compressed=\"false\" Encoding=\"none\"/>");
  EXPECT_EQ(Built(tools, true, false),
            kHead + "<kxConfig FormatVersion=\"2.0\" Compressed=\"true\" Encoding=\"Base64\"/>");
}

TEST(TkxConfigToolsWriter, CompressedValuesAreBase64LinesOf76) {
  TkxConfigTools tools;
  std::u16string big;
  for (int i = 0; i < 3000; ++i) big += static_cast<char16_t>(u'a' + (i * 7919) % 26);
  tools.AddConfigParam(u"Big", Text(big), false, false);
  tools.AddConfigParam(u"Small", Variant::FromInteger(7), false, false);
  const std::string config = Built(tools, true, true);
  const XmlDocument doc = XmlDocument::Load(config);
  const XmlElement root = doc.DocumentElement();
  EXPECT_EQ(root.GetAttribute(u"Compressed"), u"true");
  EXPECT_EQ(root.GetAttribute(u"Encoding"), u"Base64");
  // The reader turns the CR LF between lines into LF.
  const std::u16string text = root.FindChild(u"Big").Text();
  size_t start = 0, lines = 0;
  for (;;) {
    const size_t end = text.find(u'\n', start);
    const size_t length = (end == std::u16string::npos ? text.size() : end) - start;
    ++lines;
    if (end == std::u16string::npos) {
      EXPECT_LE(length, 76u);
      break;
    }
    EXPECT_EQ(length, 76u);
    start = end + 1;
  }
  EXPECT_GT(lines, 1u);
  EXPECT_NE(config.find("\r\n", kHead.size()), std::string::npos);  // written as CR LF
}

TEST(TkxConfigToolsWriter, WritesSafeNamesWithTheirOriginal) {
  struct Case {
    std::u16string param;
    std::string element;  // as written
  };
  const Case cases[] = {
      {u"Plain", "<Plain Type=\"INT\">1</Plain>"},
      {u"1st value", "<_1st_value Name=\"1st value\" Type=\"INT\">1</_1st_value>"},
      {u"xmlData", "<_xmlData Name=\"xmlData\" Type=\"INT\">1</_xmlData>"},
      {u"XmL", "<_XmL Name=\"XmL\" Type=\"INT\">1</_XmL>"},
      {u"a:b", "<a_b Name=\"a:b\" Type=\"INT\">1</a_b>"},
      {u"  /lead ", "<lead Type=\"INT\">1</lead>"},  // trimmed, one "/" dropped
      {u"x/ y", "<x><_y Name=\" y\" Type=\"INT\">1</_y></x>"},
  };
  for (const auto& c : cases) {
    TkxConfigTools tools;
    ASSERT_EQ(tools.AddConfigParam(c.param, Variant::FromInteger(1), false, false), 0);
    const std::string config = Built(tools, false, true);
    EXPECT_NE(config.find(c.element), std::string::npos) << config;

    TkxConfigTools reader;
    ASSERT_TRUE(reader.ParseConfigString(config)) << ToUtf8(reader.Message);
    EXPECT_TRUE(reader.ConfigParamExists(c.param)) << ToUtf8(c.param);
  }
}

TEST(TkxConfigToolsWriter, RepeatedNamesAndSharedPaths) {
  TkxConfigTools tools;
  tools.AddConfigParam(u"Node", Text(u"1"), false, false);
  tools.AddConfigParam(u"Node", Text(u"2"), false, false);
  tools.AddConfigParam(u"A/B", Text(u"first"), false, false);
  tools.AddConfigParam(u"A/B", Text(u"second"), false, false);
  tools.AddConfigParam(u"A/C", Text(u"c"), false, false);
  const std::string config = Built(tools, false, false);
  EXPECT_EQ(config,
            kHead + "<kxConfig FormatVersion=\"2.0\" Compressed=\"false\" Encoding=\"none\">"
                    "<Node>1</Node><Node>2</Node><A><B>second</B><C>c</C></A></kxConfig>");
  // Read back, the shared enclosing element is a parameter of its own (an
  // empty text) before its children, once.
  TkxConfigTools reader;
  ASSERT_TRUE(reader.ParseConfigString(config)) << ToUtf8(reader.Message);
  Strings params;
  for (const TkxConfigPart& p : reader.ConfigList)
    if (p.Active) params.push_back(p.Param + u"=" + VarToStr(p.Value));
  EXPECT_EQ(params, (Strings{u"Node=1", u"Node=2", u"A=", u"A/B=second", u"A/C=c"}));
}

TEST(TkxConfigToolsWriter, ReplacesByFlagOrRule) {
  TkxConfigTools multi;
  multi.AddConfigParam(u"P", Text(u"1"), false, false);
  EXPECT_EQ(multi.AddConfigParam(u"/p ", Text(u"2"), false, true), 0);  // Replace
  EXPECT_EQ(multi.GetListSize(), 1);
  EXPECT_EQ(multi.GetConfigParam(u"P"), Text(u"2"));

  TkxConfigTools single;
  single.AllowMultiParams = false;
  single.AddConfigParam(u"P", Text(u"1"), false, false);
  ASSERT_TRUE(single.AddAttribute(0, u"Extra", Text(u"kept")));
  EXPECT_EQ(single.AddConfigParam(u"p", Text(u"2"), false, false), 0);
  EXPECT_EQ(single.GetListSize(), 1);
  EXPECT_EQ(single.ConfigList[0].Param, u"p");
  EXPECT_EQ(single.GetAttribute(0, u"Extra", Variant(), false), Text(u"kept"));
  // The form with a list never replaces.
  EXPECT_EQ(single.AddConfigParam(single.ConfigList, u"P", Text(u"3"), false), 1);
}

TEST(TkxConfigToolsWriter, ListGrowsAndReusesTheLowestFreeSlot) {
  TkxConfigTools tools;
  EXPECT_EQ(tools.AddConfigParam(u"   ", Text(u"x"), false, false), -1);
  EXPECT_EQ(tools.AddConfigParam(u"/", Text(u"x"), false, false), -1);
  EXPECT_EQ(tools.AddConfigParam(tools.ConfigList, u" / ", Text(u"x"), false), -1);
  EXPECT_TRUE(tools.ConfigList.empty());
  EXPECT_EQ(tools.AddConfigParam(u"p0", Text(u"x"), false, false), 0);
  EXPECT_EQ(tools.ConfigList.size(), 100u);
  for (int i = 1; i < 100; ++i) tools.AddConfigParam(u"p" + IntToStr(i), Text(u"x"), false, false);
  EXPECT_EQ(tools.AddConfigParam(u"p100", Text(u"x"), false, false), 100);
  EXPECT_EQ(tools.ConfigList.size(), 200u);
  tools.DeleteConfigParam(u"p7");
  tools.DeleteConfigParam(u"p3");
  EXPECT_EQ(tools.GetEmptyConfigParam(), 3);
  EXPECT_EQ(tools.AddConfigParam(u"new", Text(u"x"), false, false), 3);
  EXPECT_TRUE(tools.ConfigList[3].Attributes.empty());
  EXPECT_TRUE(tools.InitList(5));
  EXPECT_EQ(tools.ConfigList.size(), 5u);
  EXPECT_FALSE(tools.InitList(-1));
  EXPECT_TRUE(tools.ClearConfig());
  EXPECT_TRUE(tools.ConfigList.empty());
}

TEST(TkxConfigToolsWriter, AddAttributeRules) {
  TkxConfigTools tools;
  tools.AddConfigParam(u"P", Text(u"v"), false, false);
  struct Case {
    std::u16string name;
    bool allowName;
    bool want;
  };
  const Case cases[] = {
      {u"type", false, false}, {u"TYPE", true, false}, {u"Name", false, false},
      {u"nAME", false, false}, {u"Name", true, true},  {u"Extra", false, true},
  };
  for (const auto& c : cases) {
    tools.AllowNameAttribute = c.allowName;
    EXPECT_EQ(tools.AddAttribute(0, c.name, Text(u"1")), c.want) << ToUtf8(c.name);
  }
  // Present already: the old value stays, the answer is true.
  EXPECT_TRUE(tools.AddAttribute(0, u"Extra", Text(u"2")));
  EXPECT_EQ(tools.GetAttribute(0, u"Extra", Variant(), true), Text(u"1"));
  EXPECT_TRUE(tools.AddAttribute(1, u"Extra", Text(u"1")));  // a free slot takes it too
  EXPECT_FALSE(tools.AddAttribute(100, u"Extra", Text(u"1")));
  EXPECT_FALSE(tools.AddAttribute(-1, u"Extra", Text(u"1")));
}

// Extra attributes follow Name and Type in the order added; one named like
// an attribute set before replaces its value.
TEST(TkxConfigToolsWriter, WritesExtraAttributes) {
  TkxConfigTools tools;
  tools.AllowNameAttribute = true;
  tools.AddConfigParam(u"1a", Variant::FromInteger(1), false, false);
  tools.AddAttribute(0, u"Flag", Variant::FromBoolean(true));
  tools.AddAttribute(0, u"Ratio", Variant::FromDouble(0.5));
  tools.AddAttribute(0, u"Note", Text(u"a\tb\r\n\x01"));
  tools.AddAttribute(0, u"Name", Text(u"renamed"));
  const std::string config = Built(tools, false, true);
  EXPECT_NE(config.find("<_1a Name=\"renamed\" Type=\"INT\" Flag=\"true\" Ratio=\"0.5\" "
                        "Note=\"a&#9;b&#13;&#10; \">1</_1a>"),
            std::string::npos)
      << config;
}

TEST(TkxConfigToolsWriter, NamesByAttribute) {
  TkxConfigTools tools;
  tools.DefaultNodeName = u"Node";
  tools.AddConfigParam(u"first", Text(u"1"), false, false);
  tools.AddConfigParam(u"2nd one", Text(u"2"), false, false);
  EXPECT_EQ(Built(tools, false, false, true),
            kHead + "<kxConfig FormatVersion=\"2.0\" Compressed=\"false\" Encoding=\"none\">"
                    "<Node Name=\"first\">1</Node><Node Name=\"2nd one\">2</Node></kxConfig>");

  // A path in any slot, a free one too, is refused.
  tools.AddConfigParam(u"a/b", Text(u"3"), false, false);
  tools.DeleteConfigParam(u"a/b");
  ASSERT_EQ(tools.ConfigList[2].Param, u"");
  tools.ConfigList[2].Param = u"left/over";
  try {
    tools.BuiltConfigString(u"kxConfig", false, false, true);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"node paths and nodenamebyattribute is not supported");
    EXPECT_EQ(tools.Message, e.Message);
  }
  tools.ConfigList[2].Param.clear();
  Built(tools, false, false, true);
  EXPECT_EQ(tools.Message, u"");  // success empties it
}

TEST(TkxConfigToolsWriter, FailsOnNamesXmlCannotTake) {
  struct Case {
    std::u16string configType, param;
  };
  const Case cases[] = {
      {u"kx Config", u"ok"},
      {u"", u"ok"},
      {u"kxConfig", u"a<b"},
      {u"kxConfig", u"a&b"},
      {u"kxConfig", u"x/a\tb"},
  };
  for (const auto& c : cases) {
    TkxConfigTools tools;
    tools.AddConfigParam(c.param, Text(u"v"), false, false);
    EXPECT_THROW(tools.BuiltConfigString(c.configType, false, true, false), EXMLDocError)
        << ToUtf8(c.param);
    EXPECT_FALSE(tools.Message.empty());
  }
}

// A value set on a path that already has children (or the other way
// round) keeps both: "A/B/C" written before "A/B" must not be lost.
TEST(TkxConfigToolsWriter, ValueAndChildrenShareAnElementInEitherOrder) {
  for (const bool parentFirst : {true, false}) {
    TkxConfigTools tools;
    if (parentFirst) tools.AddConfigParam(u"A/B", Text(u"parent"), false, false);
    tools.AddConfigParam(u"A/B/C", Text(u"child"), false, false);
    if (!parentFirst) tools.AddConfigParam(u"A/B", Text(u"parent"), false, false);
    for (const bool compress : {false, true}) {
      TkxConfigTools reader;
      ASSERT_TRUE(reader.ParseConfigString(Built(tools, compress, true))) << ToUtf8(reader.Message);
      EXPECT_EQ(VarToStr(reader.GetConfigParam(u"A/B")), u"parent") << parentFirst << compress;
      EXPECT_EQ(VarToStr(reader.GetConfigParam(u"A/B/C")), u"child") << parentFirst << compress;
    }
  }
}

TEST(TkxConfigToolsWriter, GetPathString) {
  struct Case {
    TWideStringArray parts;
    bool prepare;
    std::u16string want;
  };
  const Case cases[] = {
      {{u"A", u"B"}, false, u"/A/B"},
      {{u"A", u"B"}, true, u"A/B"},
      {{u" /A ", u"", u"\u3000B\u00A0"}, false, u"/A/B"},  // Unicode white space trimmed
      {{u"A", u"  "}, false, u"/A/"},                      // blanks give a lone "/"
      {{u"//A", u"B/"}, false, u"//A/B/"},                 // one leading "/" goes, trailing ones stay
      {{u"\x85\x01", u"x"}, true, u"/x"},
      {{}, false, u""},
  };
  TkxConfigTools tools;
  for (const auto& c : cases) EXPECT_EQ(tools.GetPathString(c.parts, c.prepare), c.want) << ToUtf8(c.want);
  // The array forms of the additions and lookups join the same way.
  EXPECT_EQ(tools.AddConfigParam(TWideStringArray{u"Export ", u"/Target"}, Text(u"t"), false, false), 0);
  EXPECT_EQ(tools.ConfigList[0].Param, u"Export/Target");
  EXPECT_TRUE(tools.ConfigParamExists(TWideStringArray{u"export", u"TARGET"}));
}

TEST(TkxConfigToolsWriter, SavesAndAddsFiles) {
  const std::string folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  const std::string blobName = folder + "/blob \xC3\xA4.bin";
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 37));
  std::ofstream(blobName, std::ios::binary) << bytes;

  TkxConfigTools tools;
  EXPECT_TRUE(tools.AddBlobConfigParam(u"Blob", blobName));
  EXPECT_FALSE(tools.AddBlobConfigParam(u"Missing", folder + "/no such file"));
  EXPECT_FALSE(tools.AddBlobConfigParam(u" ", blobName));
  ASSERT_EQ(tools.GetListSize(), 1);
  EXPECT_TRUE(tools.ConfigList[0].Binary);

  const UnicodeString configName = ToUtf16(folder + "/saved.xml");
  ASSERT_TRUE(tools.SaveConfig(configName, u"kxConfig", false, false));
  TkxConfigTools reader;
  ASSERT_TRUE(reader.LoadConfig(configName)) << ToUtf8(reader.Message);
  EXPECT_EQ(reader.RootNodeName, u"kxConfig");
  EXPECT_EQ(reader.GetConfigParam(u"Blob"), Variant::FromString(bytes));
  EXPECT_FALSE(tools.SaveConfig(ToUtf16(folder + "/no/such/folder/x.xml"), u"kxConfig", false, false));
  std::remove(blobName.c_str());
}

// Change protection: what the writer hashed, the reader accepts; any change
// after writing, and a missing or altered hash, are refused.
TEST(TkxConfigToolsWriter, ChangeProtectionAcceptsItsOwnOutput) {
  TkxConfigTools tools;
  tools.ChangeProtection = true;
  tools.AddConfigParam(u"Text", Text(u"single line"), false, false);
  tools.AddConfigParam(u"Int", Variant::FromInteger(-12), false, false);
  tools.AddConfigParam(u"Float", Variant::FromDouble(2.25), false, false);
  tools.AddConfigParam(u"Date", Variant::FromDate(EncodeDateTime(2024, 1, 15, 18, 30, 5, 0)), false, false);
  tools.AddConfigParam(u"Bool", Variant::FromBoolean(true), false, false);
  tools.AddAttribute(0, u"Note", Text(u"plain"));
  // Mended: line breaks come back as CR LF, Booleans are written "true".
  tools.AddConfigParam(u"Lines", Text(u"a\nb\rc\r\nd"), false, false);
  tools.AddAttribute(5, u"Flag", Variant::FromBoolean(false));
  tools.AddAttribute(5, u"Tab", Text(u"x\ty"));
  // Mended: the element that encloses a path reads back as a parameter of
  // its own, which the writer's list did not hold.
  tools.AddConfigParam(u"Export/Target", Text(u"target"), false, false);
  tools.AddConfigParam(u"Export/1st", Text(u"u"), false, false);

  const std::string config = Built(tools, false, true);
  const std::u16string hash = XmlDocument::Load(config).DocumentElement().GetAttribute(u"Hash");
  EXPECT_EQ(hash.size(), 32u);
  EXPECT_EQ(hash.find_first_not_of(u"0123456789ABCDEF"), std::u16string::npos) << ToUtf8(hash);

  TkxConfigTools reader;
  reader.ChangeProtection = true;
  EXPECT_TRUE(reader.ParseConfigString(config)) << ToUtf8(reader.Message);
  EXPECT_EQ(reader.GetListSize(), 9);  // Export, Export/Target, Export/1st

  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = config;
    const size_t at = changed.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return changed.replace(at, from.size(), to);
  };
  std::u16string lower = hash;
  for (char16_t& c : lower) c = static_cast<char16_t>(c >= u'A' && c <= u'F' ? c + 32 : c);
  const std::string tampered[] = {
      replaced("single line", "single lime"),
      replaced("Note=\"plain\"", "Note=\"plan\""),
      replaced("target", "tarmac"),
      replaced("<Export>", "<Export>x"),  // a text for the enclosing element
      replaced("<Export>", "<Export Unit=\"m\">"),
      replaced(" Hash=\"" + ToUtf8(hash) + "\"", ""),
      replaced(ToUtf8(hash), ""),
      replaced(ToUtf8(hash), ToUtf8(lower)),
  };
  for (const std::string& t : tampered) {
    EXPECT_FALSE(reader.ParseConfigString(t)) << t;
    EXPECT_EQ(reader.Message, u"change protection hash mismatch");
  }
  // A longer stored hash is cut to 32 characters.
  EXPECT_TRUE(reader.ParseConfigString(replaced(ToUtf8(hash), ToUtf8(hash) + "tail")));
  // Without protection the reader takes the changed text.
  reader.ChangeProtection = false;
  EXPECT_TRUE(reader.ParseConfigString(tampered[0]));
}

// Without types an empty parameter that encloses a path looks like an element
// made only for the path; the reader accepts the hash whichever of them the
// writer's list held, and still refuses a change.
TEST(TkxConfigToolsWriter, ChangeProtectionWithEmptyParametersThatEnclosePaths) {
  TkxConfigTools tools;
  tools.ChangeProtection = true;
  tools.AddConfigParam(u"Outer", Text(u""), false, false);
  tools.AddConfigParam(u"Outer/In", Text(u"v"), false, false);
  tools.AddConfigParam(u"Box/Leaf", Text(u"w"), false, false);
  const std::string config = Built(tools, false, false);

  TkxConfigTools reader;
  reader.ChangeProtection = true;
  EXPECT_TRUE(reader.ParseConfigString(config)) << ToUtf8(reader.Message) << "\n" << config;
  EXPECT_EQ(reader.GetConfigParam(u"Outer/In"), Variant::FromUString(u"v"));
  std::string changed = config;
  changed.replace(changed.find(">w<"), 3, ">x<");
  EXPECT_FALSE(reader.ParseConfigString(changed));
  EXPECT_EQ(reader.Message, u"change protection hash mismatch");
}

}  // namespace
