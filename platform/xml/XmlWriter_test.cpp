#include "platform/xml/XmlWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlLintForTesting.h"

namespace {

using kx::platform::FileXmlSink;
using kx::platform::StringXmlSink;
using kx::platform::XmlDocument;
using kx::platform::XmlLintComplaint;
using kx::platform::XmlWriter;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::string Write(const std::function<void(XmlWriter&)>& body) {
  std::string out;
  StringXmlSink sink(out);
  XmlWriter w(sink);
  body(w);
  w.Finish();
  return out;
}

TEST(XmlWriter, WritesTheFixedForm) {
  struct Case {
    const char* what;
    std::function<void(XmlWriter&)> body;
    std::string want;  // after the declaration line
  };
  const Case cases[] = {
      {"empty element", [](XmlWriter& w) { w.StartElement("a"); w.EndElement(); }, "<a/>"},
      {"attributes in order, escaped",
       [](XmlWriter& w) {
         w.StartElement("a");
         w.Attribute("z", "1");
         w.Attribute("b", "<&>\"'\t\n\r");
         w.EndElement();
       },
       "<a z=\"1\" b=\"&lt;&amp;&gt;&quot;'&#9;&#10;&#13;\"/>"},
      {"text escapes markup, keeps CR raw",
       [](XmlWriter& w) {
         w.StartElement("a");
         w.Text("x<y&z>\"'\t\r\n");
         w.EndElement();
       },
       "<a>x&lt;y&amp;z&gt;\"'\t\r\n</a>"},
      {"chunks continue one text; empty text writes nothing",
       [](XmlWriter& w) {
         w.StartElement("a");
         w.StartElement("e");
         w.Text("");
         w.EndElement();
         w.Text("1");
         w.Text("2");
         w.EndElement();
       },
       "<a><e/>12</a>"},
      {"comments and instructions around the root",
       [](XmlWriter& w) {
         w.Comment(" c ");
         w.StartElement("a");
         w.ProcessingInstruction("pi", "x y");
         w.EndElement();
         w.ProcessingInstruction("end", "");
       },
       "<!-- c --><a><?pi x y?></a><?end?>"},
      {"non-ASCII names and text pass unchanged",
       [](XmlWriter& w) {
         w.StartElement(u"Stra\u00DFe");
         w.Attribute(u"\u00E9", u"\U0001F600");
         w.Text(u"\u20AC");
         w.EndElement();
       },
       "<Stra\xC3\x9F" "e \xC3\xA9=\"\xF0\x9F\x98\x80\">\xE2\x82\xAC</Stra\xC3\x9F" "e>"},
  };
  for (const auto& c : cases) {
    const std::string out = Write(c.body);
    EXPECT_EQ(out, kHead + c.want) << c.what;
    EXPECT_EQ(XmlLintComplaint(out), "") << c.what;
  }
}

// "]]>" cannot stand inside a section: the writer splits it, also when the
// chunks cut it apart, and a reader gets the content back whole.
TEST(XmlWriter, SplitsCDataAtEveryEndMarker) {
  struct Case {
    std::vector<std::string> chunks;
    std::string want;
  };
  const Case cases[] = {
      {{"a]]>b"}, "<![CDATA[a]]]]><![CDATA[>b]]>"},
      {{"a]", "]>b"}, "<![CDATA[a]]]]><![CDATA[>b]]>"},
      {{"a]]", ">b"}, "<![CDATA[a]]]]><![CDATA[>b]]>"},
      {{"]", "]", ">"}, "<![CDATA[]]]]><![CDATA[>]]>"},
      {{"]]]>]]>"}, "<![CDATA[]]]]]><![CDATA[>]]]]><![CDATA[>]]>"},
      {{"a]x]>"}, "<![CDATA[a]x]>]]>"},  // no split: the brackets are not adjacent
      {{""}, "<![CDATA[]]>"},
  };
  for (const auto& c : cases) {
    std::string content;
    for (const auto& chunk : c.chunks) content += chunk;
    const std::string out = Write([&](XmlWriter& w) {
      w.StartElement("a");
      for (const auto& chunk : c.chunks) w.CData(chunk);
      w.EndElement();
    });
    EXPECT_EQ(out, kHead + "<a>" + c.want + "</a>") << content;
    EXPECT_EQ(XmlLintComplaint(out), "") << content;
    EXPECT_EQ(XmlDocument::Load(out).DocumentElement().Text(), ToUtf16(content)) << content;
  }
}

// Base64 text joins the CDATA section around it as it is, and what stands
// between two CDATA chunks breaks their "]]" and ">".
TEST(XmlWriter, Base64JoinsTheCDataSection) {
  const std::string out = Write([](XmlWriter& w) {
    w.StartElement("r");
    w.StartElement("a");
    w.CData("x]]");
    w.CDataBase64("QUJD\r\nRA==");
    w.CData(">");
    w.EndElement();
    w.StartElement("b");
    w.CDataBase64("");
    w.EndElement();
    w.EndElement();
  });
  EXPECT_EQ(out, kHead + "<r><a><![CDATA[x]]QUJD\r\nRA==>]]></a><b><![CDATA[]]></b></r>");
}

TEST(XmlWriter, JoinsUtf8SequencesCutByChunks) {
  const std::string euro = "\xE2\x82\xAC";
  const std::string out = Write([&](XmlWriter& w) {
    w.StartElement("a");
    w.Text(euro.substr(0, 1));
    w.Text(euro.substr(1, 1));
    w.Text(euro.substr(2) + "x" + euro.substr(0, 2));
    w.Text(euro.substr(2));
    w.CData("\xC3");
    w.CData("\xA4");
    w.EndElement();
  });
  EXPECT_EQ(out, kHead + "<a>" + euro + "x" + euro + "<![CDATA[\xC3\xA4]]></a>");
  EXPECT_EQ(XmlLintComplaint(out), "");
}

// The 16-bit overloads convert in pieces; a pair on a piece boundary stays
// one character.
TEST(XmlWriter, WritesLongUtf16TextWhole) {
  std::u16string text(16 * 1024 - 1, u'x');
  text += u"\U0001F600";
  text += std::u16string(5000, u'y');
  const std::string out = Write([&](XmlWriter& w) {
    w.StartElement("a");
    w.CData(text);
    w.EndElement();
  });
  EXPECT_EQ(XmlDocument::Load(out).DocumentElement().Text(), text);
}

TEST(XmlWriter, RefusesWhatWouldNotBeWellFormed) {
  struct Case {
    const char* what;
    std::function<void(XmlWriter&)> body;
  };
  const Case cases[] = {
      {"empty name", [](XmlWriter& w) { w.StartElement(""); }},
      {"name with a digit first", [](XmlWriter& w) { w.StartElement("1a"); }},
      {"name with a blank", [](XmlWriter& w) { w.StartElement("a b"); }},
      {"attribute name", [](XmlWriter& w) { w.StartElement("a"); w.Attribute("x y", ""); }},
      {"control character in text", [](XmlWriter& w) { w.StartElement("a"); w.Text("\x01"); }},
      {"U+FFFE in an attribute",
       [](XmlWriter& w) { w.StartElement("a"); w.Attribute("x", "\xEF\xBF\xBE"); }},
      {"invalid UTF-8", [](XmlWriter& w) { w.StartElement("a"); w.Text("\xFF"); }},
      {"encoded surrogate", [](XmlWriter& w) { w.StartElement("a"); w.CData("\xED\xA0\x80"); }},
      {"sequence cut at the end of the text",
       [](XmlWriter& w) {
         w.StartElement("a");
         w.Text("\xE2\x82");
         w.EndElement();
       }},
      {"cut sequence in an attribute",
       [](XmlWriter& w) { w.StartElement("a"); w.Attribute("x", "\xE2\x82"); }},
      {"lone surrogate", [](XmlWriter& w) { w.StartElement("a"); w.Text(u"\xD800x"); }},
      {"raw byte carried as U+DCFF", [](XmlWriter& w) { w.StartElement("a"); w.Text(u"\xDCFF"); }},
      {"second root",
       [](XmlWriter& w) {
         w.StartElement("a");
         w.EndElement();
         w.StartElement("b");
       }},
      {"attribute twice",
       [](XmlWriter& w) {
         w.StartElement("a");
         w.Attribute("x", "1");
         w.Attribute("x", "2");
       }},
      {"attribute after content",
       [](XmlWriter& w) {
         w.StartElement("a");
         w.Text("t");
         w.Attribute("x", "1");
       }},
      {"text outside the root", [](XmlWriter& w) { w.Text("t"); }},
      {"end without element", [](XmlWriter& w) { w.EndElement(); }},
      {"comment with --", [](XmlWriter& w) { w.Comment("a--b"); }},
      {"instruction named xml", [](XmlWriter& w) { w.ProcessingInstruction("XmL", ""); }},
      {"no root", [](XmlWriter& w) { w.Finish(); }},
      {"open element", [](XmlWriter& w) { w.StartElement("a"); w.Finish(); }},
  };
  for (const auto& c : cases) {
    std::string out;
    StringXmlSink sink(out);
    XmlWriter w(sink);
    EXPECT_THROW(c.body(w), EXMLDocError) << c.what;
  }
}

// A stream sink gives the same bytes as a string sink, large values and all.
TEST(XmlWriter, StreamSinkWritesTheSameBytes) {
  const std::string chunk(100000, 'q');
  auto body = [&](XmlWriter& w) {
    w.StartElement("a");
    for (int i = 0; i < 5; ++i) w.CData(chunk);
    w.Text("]]>");
    w.EndElement();
    w.Finish();
  };
  std::string expected;
  StringXmlSink stringSink(expected);
  XmlWriter a(stringSink);
  body(a);

  MemoryStream stream;
  FileXmlSink streamSink(stream);
  XmlWriter b(streamSink);
  body(b);
  ASSERT_EQ(stream.Size(), static_cast<int64_t>(expected.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), expected.size()), expected);
}

TEST(IsXmlName, FollowsTheNameProduction) {
  struct Case {
    std::string name;
    bool want;
  };
  const Case cases[] = {
      {"a", true},          {"_1st_value", true}, {"a-b.c", true},  {"p:x", true},
      {"\xC3\xA9t\xC3\xA9", true},  // été
      {"a\xC2\xB7", true},          // middle dot after the first character
      {"", false},          {"1st", false},       {"-a", false},    {".a", false},
      {"a b", false},       {"a&b", false},       {"\xC2\xB7" "a", false},
      {"a\xFF", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kx::platform::IsXmlName(c.name), c.want) << c.name;
}

}  // namespace
