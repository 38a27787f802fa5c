#include "platform/xml/XmlPullReader.h"

#include <gtest/gtest.h>
#include <libxml/globals.h>
#include <libxml/xmlerror.h>

#include <stdexcept>
#include <string>

#include "platform/rtl/Stream.h"
#include "platform/xml/XmlDocument.h"

using kx::platform::XmlDocument;
using kx::platform::XmlPullNode;
using kx::platform::XmlPullReader;
using kx::platform::XmlTextShape;

namespace {

// Every node as one line: depth, kind, name, attributes, value.
std::string Trace(XmlPullReader& r) {
  std::string out;
  while (r.Read()) {
    out += std::to_string(r.Depth());
    switch (r.Kind()) {
      case XmlPullNode::StartElement: out += " <"; break;
      case XmlPullNode::EndElement: out += " </"; break;
      case XmlPullNode::Text: out += " t"; break;
      case XmlPullNode::CData: out += " c"; break;
      case XmlPullNode::Comment: out += " !"; break;
      case XmlPullNode::ProcessingInstruction: out += " ?"; break;
      case XmlPullNode::None: out += " none"; break;
    }
    out += std::string(r.Name());
    for (const auto& a : r.Attributes()) out += " " + std::string(a.Name) + "=" + std::string(a.Value);
    if (!r.Value().empty()) out += " [" + std::string(r.Value()) + "]";
    out += "\n";
  }
  return out;
}

std::string TraceOf(const std::string& xml) {
  XmlPullReader r(xml);
  return Trace(r);
}

// Whether the reader gets through Xml; the message of its error otherwise.
std::string PullComplaint(const std::string& xml) {
  try {
    XmlPullReader r(xml);
    while (r.Read()) {
    }
    return std::string();
  } catch (const EDOMParseError& e) {
    return ToUtf8(e.Message);
  }
}

std::string DomComplaint(const std::string& xml) {
  try {
    XmlDocument::Load(xml);
    return std::string();
  } catch (const EDOMParseError& e) {
    return ToUtf8(e.Message);
  }
}

// The text ReadText hands on for the document element of Xml, with its shape.
std::pair<std::string, XmlTextShape> StreamedText(const std::string& xml) {
  XmlPullReader r(xml);
  EXPECT_TRUE(r.Read());
  while (r.Kind() != XmlPullNode::StartElement) r.Read();
  std::string text;
  const XmlTextShape shape = r.ReadText([&](std::string_view piece) { text.append(piece); });
  EXPECT_EQ(r.Kind(), XmlPullNode::EndElement);
  return {text, shape};
}

}  // namespace

TEST(XmlPullReader, NodesInDocumentOrder) {
  const std::string xml =
      "<?xml version=\"1.0\"?>\r\n<!--top--><r xmlns:p=\"urn:p\" a=\"x&amp;y&#38;z&lt;\" p:b=\"1\">"
      "a&amp;b&#65;<![CDATA[c]]><![CDATA[d]]>e<!--n--><?pi data?>"
      "<p:e/>\r\n  <f> </f></r><?after?>";
  EXPECT_EQ(TraceOf(xml),
            "0 ! [top]\n"
            "0 <r xmlns:p=urn:p a=x&y&z< p:b=1\n"
            "1 t [a&bA]\n"
            "1 c [cd]\n"  // adjacent sections are one node, as in the document model
            "1 t [e]\n"
            "1 ! [n]\n"
            "1 ?pi [data]\n"
            "1 <p:e\n"
            "1 </p:e\n"
            "1 t [\n  ]\n"  // indentation is a node here; the model drops it
            "1 <f\n"
            "2 t [ ]\n"
            "1 </f\n"
            "0 </r\n"
            "0 ?after\n");
}

TEST(XmlPullReader, LineEndsAreLfAsInTheDocumentModel) {
  // CR LF and a lone CR, in text and in CDATA, also split across the blocks
  // in which the parser hands a long CDATA section out.
  std::string body;
  for (int i = 0; i < 2000; ++i) body += std::string(i % 7, 'x') + (i % 3 == 0 ? "\r" : "\r\n");
  const std::string xml = "<r><a>1\r\n2\r3</a><b><![CDATA[" + body + "]]></b>" +
                          "<c><![CDATA[x\r]]><![CDATA[\ny]]></c></r>";
  const XmlDocument doc = XmlDocument::Load(xml);
  XmlPullReader r(xml);
  for (const char* name : {"a", "b", "c"}) {
    while (r.Read() && !(r.Kind() == XmlPullNode::StartElement && r.Name() == name)) {
    }
    ASSERT_TRUE(r.Read()) << name;
    EXPECT_EQ(ToUtf16(r.Value()), doc.DocumentElement().FindChild(ToUtf16(name)).Text()) << name;
  }
}

TEST(XmlPullReader, AcceptsAndRefusesAsTheDocumentModel) {
  const std::string cases[] = {
      "<a/>",
      "",
      "   ",
      "<a>",
      "<a></b>",
      "<a/><b/>",
      "<a/>trailing",
      "<a x='1' x='2'/>",
      "<a>&unknown;</a>",
      "<!DOCTYPE a [<!ENTITY e 'v'>]><a>&e;</a>",
      "<!DOCTYPE a [<!ENTITY e 'v'>]><a x='&e;'/>",
      "<!DOCTYPE a [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><a>&e;</a>",
      "<!DOCTYPE a [<!ENTITY % p 'x'> %p;]><a/>",
      "<!DOCTYPE a SYSTEM 'http://example.invalid/a.dtd'><a>&e;</a>",
      "<!DOCTYPE a [<!ATTLIST a d CDATA 'dflt'>]><a/>",
      "<a>&#0;</a>",
      "<a>\x01</a>",
      "<a>\xC3</a>",
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE4</a>",
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>",
      "<?xml version=\"1.0\" encoding=\"no-such-thing\"?><a/>",
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>\x81\xFF</a>",
      "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><a>\xFF\xFF\xFF</a>",
      "<?xml version=\"1.0\" encoding=\"ASCII\"?><a>\xE4</a>",
      "\xEF\xBB\xBF<a/>",
      std::string("\xFF\xFE<\0a\0/\0>\0", 10),
      "<a><![CDATA[x]]</a>",
      "<a><![CDATA[" + std::string(400, '\x10') + "]]></a>",  // the parser once went round here for ever
      "<p:a/>",
      "<a xmlns:p='u'><p:b/></a>",
      "<a><!-- x -- y --></a>",
      std::string("<a/>\0", 5),  // a zero character after the document element ends the text
      std::string("<a/><!--c--> \0<b/>", 18),
      std::string("<a>\0</a>", 8),
      std::string("\0<a/>", 5),
  };
  for (const std::string& xml : cases) {
    const std::string pull = PullComplaint(xml);
    const std::string dom = DomComplaint(xml);
    EXPECT_EQ(pull.empty(), dom.empty()) << xml << "\npull: " << pull << "\ndom: " << dom;
  }
  EXPECT_NE(PullComplaint("<a>&e;</a>").find("reference to the entity '&e;' is not allowed"),
            std::string::npos);
  EXPECT_EQ(PullComplaint("<a>\n <b></c></a>"),
            DomComplaint("<a>\n <b></c></a>"));  // same text, same line and column
}

TEST(XmlPullReader, DefaultedAttributesAreNotThere) {
  EXPECT_EQ(TraceOf("<!DOCTYPE a [<!ATTLIST a d CDATA 'dflt'>]><a e='1'/>"), "0 <a e=1\n0 </a\n");
}

TEST(XmlPullReader, NothingReachesTheThreadsErrorHandlers) {
  static int calls = 0;
  struct Handler {
    static void Generic(void*, const char*, ...) { ++calls; }
    static void Structured(void*, xmlError*) { ++calls; }
  };
  xmlSetGenericErrorFunc(nullptr, &Handler::Generic);
  xmlSetStructuredErrorFunc(nullptr, &Handler::Structured);
  // An encoding conversion that fails is reported without a parser context.
  EXPECT_FALSE(PullComplaint("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>\x81\xFF</a>").empty());
  EXPECT_FALSE(PullComplaint("<a></b>").empty());
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(xmlGenericError, &Handler::Generic);  // put back as it was
  EXPECT_EQ(xmlStructuredError, &Handler::Structured);
  xmlSetGenericErrorFunc(nullptr, nullptr);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
}

TEST(XmlPullReader, ReadTextHandsTheOneTextOnInPieces) {
  struct Case {
    std::string xml;
    std::string text;
    XmlTextShape shape;
  };
  const Case cases[] = {
      {"<d/>", "", {}},
      {"<d></d>", "", {}},
      {"<d><![CDATA[]]></d>", "", {.Texts = 1, .CData = true}},
      {"<d>a&amp;b</d>", "a&b", {.Texts = 1}},
      {"<d><![CDATA[ab]]><![CDATA[c]]></d>", "abc", {.Texts = 1, .CData = true}},
      {"<d> <![CDATA[ab]]></d>", " ", {.Texts = 2, .CData = true}},
      {"<d>ab<x>deep</x></d>", "ab", {.Texts = 1, .Elements = true}},
      {"<d><x>deep</x>ab</d>", "", {.Texts = 1, .Elements = true}},
      {"<d>ab<!--c--></d>", "ab", {.Texts = 1, .Other = true}},
      {"<d><?p?>ab</d>", "", {.Texts = 1, .Other = true}},
  };
  for (const Case& c : cases) {
    const auto [text, shape] = StreamedText(c.xml);
    EXPECT_EQ(text, c.text) << c.xml;
    EXPECT_EQ(shape.Texts, c.shape.Texts) << c.xml;
    EXPECT_EQ(shape.Elements, c.shape.Elements) << c.xml;
    EXPECT_EQ(shape.Other, c.shape.Other) << c.xml;
    EXPECT_EQ(shape.CData, c.shape.CData) << c.xml;
    // Single() is what the document model reads as the element's text.
    const XmlDocument doc = XmlDocument::Load(c.xml);
    bool modelReads = true;
    try {
      EXPECT_EQ(ToUtf8(doc.DocumentElement().Text()), text) << c.xml;
    } catch (const EXMLDocError&) {
      modelReads = false;
    }
    EXPECT_EQ(shape.Single(), modelReads) << c.xml;
  }
}

TEST(XmlPullReader, LongTextsStreamFromMemoryAndFromStreams) {
  std::string body;
  std::string plain;  // what the parser makes of it
  for (int i = 0; body.size() < 3'000'000; ++i) {
    body += std::to_string(i) + (i % 5 ? " " : "\r\n");
    plain += std::to_string(i) + (i % 5 ? " " : "\n");
  }
  for (const bool cdata : {false, true}) {
    const std::string xml = "<r><x>lead</x><d>" + (cdata ? "<![CDATA[" + body + "]]>" : body) +
                            "</d><y/></r>";
    ReadOnlyMemoryStream stream(xml);
    XmlPullReader fromMemory(xml);
    XmlPullReader fromStream(stream);
    for (XmlPullReader* r : {&fromMemory, &fromStream}) {
      ASSERT_TRUE(r->Read());
      ASSERT_TRUE(r->NextChild(0));
      EXPECT_EQ(r->Name(), "x");
      ASSERT_TRUE(r->NextChild(0));
      EXPECT_EQ(r->Name(), "d");
      std::string text;
      size_t pieces = 0;
      EXPECT_TRUE(r->ReadText([&](std::string_view p) {
                     text.append(p);
                     ++pieces;
                   }).Single());
      EXPECT_TRUE(text == plain) << "cdata " << cdata;
      EXPECT_GT(pieces, 100u);  // handed on as it came, not gathered
      ASSERT_TRUE(r->NextChild(0));
      EXPECT_EQ(r->Name(), "y");
      EXPECT_FALSE(r->NextChild(0));
      EXPECT_EQ(r->Kind(), XmlPullNode::EndElement);
      EXPECT_FALSE(r->Read());
    }
  }
}

TEST(XmlPullReader, SkipAndNextChildPassOverContent) {
  const std::string xml =
      "<r>t0<a>x<b>y</b><![CDATA[z]]></a>t1<!--c--><b k='v'>t2<c/></b>t3</r>";
  XmlPullReader r(xml);
  ASSERT_TRUE(r.Read());
  ASSERT_TRUE(r.NextChild(0));
  EXPECT_EQ(r.Name(), "a");
  ASSERT_TRUE(r.Read());  // "x": into the child, then on to the next one
  EXPECT_EQ(r.Value(), "x");
  ASSERT_TRUE(r.Read());
  EXPECT_EQ(r.Name(), "b");
  ASSERT_TRUE(r.NextChild(0));
  EXPECT_EQ(r.Name(), "b");
  ASSERT_NE(r.Attribute("k"), nullptr);
  EXPECT_EQ(*r.Attribute("k"), "v");
  EXPECT_EQ(r.Attribute("K"), nullptr);
  r.Skip();
  EXPECT_EQ(r.Kind(), XmlPullNode::EndElement);
  EXPECT_EQ(r.Name(), "b");
  ASSERT_TRUE(r.Read());
  EXPECT_EQ(r.Value(), "t3");
  EXPECT_FALSE(r.NextChild(0));
  EXPECT_EQ(r.Name(), "r");
  EXPECT_FALSE(r.NextChild(0));  // stays at the end
  EXPECT_FALSE(r.Read());
}

TEST(XmlPullReader, AnErrorOfThePieceEndsTheReader) {
  const std::string xml = "<r><d>" + std::string(100000, 'a') + "</d></r>";
  XmlPullReader r(xml);
  ASSERT_TRUE(r.Read());
  ASSERT_TRUE(r.NextChild(0));
  EXPECT_THROW(r.ReadText([](std::string_view) { throw std::runtime_error("full"); }),
               std::runtime_error);
  EXPECT_THROW(r.Read(), std::runtime_error);
}

TEST(XmlPullReader, ParseErrorsCarryTheirPosition) {
  try {
    XmlPullReader r("<r>\n<a>1</a>\n<b></c>\n</r>");
    while (r.Read()) {
    }
    FAIL() << "no error";
  } catch (const EDOMParseError& e) {
    EXPECT_EQ(e.Line, 3);
    EXPECT_GT(e.Column, 0);
  }
}
