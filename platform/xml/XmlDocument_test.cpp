#include "platform/xml/XmlDocument.h"

#include <gtest/gtest.h>
#include <libxml/globals.h>
#include <libxml/xmlerror.h>

#include <string>
#include <vector>

#include "platform/rtl/FormatSettings.h"
#include "platform/xml/XmlLintForTesting.h"

namespace {

using kx::platform::XmlAttribute;
using kx::platform::XmlDocument;
using kx::platform::XmlElement;
using kx::platform::XmlLintComplaint;
using kx::platform::XmlNode;
using kx::platform::XmlNodeKind;
using kx::platform::XmlValueText;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::vector<std::u16string> KindsAndNames(const XmlElement& e) {
  std::vector<std::u16string> out;
  for (const XmlNode& n : e.ChildNodes()) {
    const char16_t* kind = n.Kind() == XmlNodeKind::Element ? u"E:"
                           : n.Kind() == XmlNodeKind::Text  ? u"T:"
                           : n.Kind() == XmlNodeKind::CData ? u"C:"
                                                            : u"O:";
    out.push_back(kind + (n.Kind() == XmlNodeKind::Element ? n.Name() : n.Text()));
  }
  return out;
}

TEST(XmlDocument, LoadsTheTreeWithoutIndentation) {
  const XmlDocument doc = XmlDocument::Load(
      "<?xml version=\"1.0\"?>\r\n"
      "<root z=\"1\" a=\"x&amp;y\" e=\"\">\r\n"
      "  <blank> </blank>\r\n"
      "  <tab>\t</tab>\r\n"
      "  <lines>a\r\nb&#13;c</lines>\r\n"
      "  <mixed>text<child/> <!--note--></mixed>\r\n"
      "  <cdata><![CDATA[<x>]]></cdata>\r\n"
      "  <empty/>\r\n"
      "</root>");
  const XmlElement root = doc.DocumentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(root.Name(), u"root");
  EXPECT_EQ(KindsAndNames(root), (std::vector<std::u16string>{u"E:blank", u"E:tab", u"E:lines",
                                                               u"E:mixed", u"E:cdata", u"E:empty"}));
  const std::vector<XmlAttribute> attributes = root.Attributes();
  ASSERT_EQ(attributes.size(), 3u);
  EXPECT_EQ(attributes[0].Name, u"z");
  EXPECT_EQ(attributes[1].Value, u"x&y");
  EXPECT_TRUE(root.HasAttribute(u"e"));
  EXPECT_FALSE(root.HasAttribute(u"E"));
  EXPECT_EQ(root.GetAttribute(u"e"), u"");

  // White space that is the only content stays.
  EXPECT_EQ(root.FindChild(u"blank").Text(), u" ");
  EXPECT_EQ(root.FindChild(u"tab").Text(), u"\t");
  // CR LF reads as LF; a CR given as a reference stays.
  EXPECT_EQ(root.FindChild(u"lines").Text(), u"a\nb\rc");
  // Next to a child element the blank goes, a text with letters stays.
  const XmlElement mixed = root.FindChild(u"mixed");
  EXPECT_EQ(KindsAndNames(mixed), (std::vector<std::u16string>{u"T:text", u"E:child", u"O:note"}));
  EXPECT_THROW(mixed.Text(), EXMLDocError);
  EXPECT_EQ(root.FindChild(u"cdata").Text(), u"<x>");
  EXPECT_EQ(root.FindChild(u"cdata").FirstChild().Kind(), XmlNodeKind::CData);
  EXPECT_TRUE(root.FindChild(u"empty").NodeValue().IsNull());
  EXPECT_EQ(root.FindChild(u"blank").NodeValue(), Variant::FromOleStr(u" "));
  EXPECT_FALSE(root.FindChild(u"missing"));
}

TEST(XmlDocument, RefusesTextsThatAreNotWellFormed) {
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"not XML", "hello"},
      {"empty", ""},
      {"unclosed element", "<a><b></a>"},
      {"two roots", "<a/><b/>"},
      {"duplicate attribute", "<a x=\"1\" x=\"2\"/>"},
      {"undefined entity", "<a>&nbsp;</a>"},
      {"control character", "<a>\x01</a>"},
      {"invalid UTF-8", "<a>\xFF</a>"},
      {"declared entity in text", "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>"},
      {"declared entity in an attribute", "<!DOCTYPE a [<!ENTITY e \"x\">]><a v=\"&e;\"/>"},
      {"external entity", "<!DOCTYPE a [<!ENTITY e SYSTEM \"/etc/passwd\">]><a>&e;</a>"},
      {"entity of an external type", "<!DOCTYPE a SYSTEM \"a.dtd\"><a>&e;</a>"},
      {"parameter entity", "<!DOCTYPE a [<!ENTITY % p \"\"> %p;]><a/>"},
      {"blank before the declaration", " <?xml version=\"1.0\"?><a/>"},
      {"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-none\"?><a/>"},
  };
  for (const auto& c : cases) {
    try {
      XmlDocument::Load(c.text);
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const EDOMParseError& e) {
      EXPECT_EQ(e.Message.rfind(u"the XML document is not well-formed", 0), 0u) << e.what();
      if (!c.text.empty()) {
        EXPECT_GE(e.Line, 1) << c.what << ": " << e.what();
      }
    }
  }
}

TEST(XmlDocument, ErrorNamesLineAndColumn) {
  try {
    XmlDocument::Load("<a>\n  <b>\n</a>");
    FAIL() << "loaded";
  } catch (const EDOMParseError& e) {
    EXPECT_EQ(e.Line, 3);
    EXPECT_GT(e.Column, 0);
    EXPECT_NE(e.Message.find(u"line 3"), std::u16string::npos) << e.what();
  }
}

// A declared entity that is never used harms nothing.
TEST(XmlDocument, AcceptsUnusedDeclarations) {
  const XmlDocument doc =
      XmlDocument::Load("<!DOCTYPE a [<!ENTITY e \"x\"><!ENTITY f \"&e;&e;\">]><a>&amp;</a>");
  EXPECT_EQ(doc.DocumentElement().Text(), u"&");
  EXPECT_EQ(doc.SaveToString(), kHead + "<a>&amp;</a>");
}

TEST(XmlDocument, ReadsTheEncodingOfMarkOrDeclaration) {
  struct Case {
    const char* what;
    std::string text;
    std::u16string want;
  };
  const std::string decl = "<?xml version=\"1.0\" encoding=";
  const Case cases[] = {
      {"UTF-8 by default", "<a>\xC3\xA4</a>", u"\u00E4"},
      {"ISO-8859-1", decl + "\"ISO-8859-1\"?><a>\xE4</a>", u"\u00E4"},
      {"windows-1252", decl + "'windows-1252'?><a>\x80</a>", u"\u20AC"},
      {"UTF-8 mark wins over the declaration", "\xEF\xBB\xBF" + decl + "\"ISO-8859-1\"?><a>\xC3\xA4</a>",
       u"\u00E4"},
      {"UTF-16 mark", std::string("\xFF\xFE<\0a\0>\0\xE4\0<\0/\0a\0>\0", 18), u"\u00E4"},
      // The declaration names an encoding the bytes cannot have.
      {"UTF-16 declared, UTF-8 given", decl + "\"UTF-16\"?><a>\xC3\xA4</a>", u"\u00E4"},
      {"utf-32 declared, UTF-8 given", decl + "\"utf-32\"?><a>\xE2\x82\xAC</a>", u"\u20AC"},
  };
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(XmlDocument::Load(c.text).DocumentElement().Text(), c.want) << c.what;
    } catch (const Exception& e) {
      ADD_FAILURE() << c.what << ": " << e.what();
    }
  }
}

int g_heard = 0;
void CountingHandler(void*, const char*, ...) { ++g_heard; }

// Faults the library reports outside the parser (an encoding conversion
// that fails) print nothing and reach neither the host's handler nor its
// settings.
TEST(XmlDocument, ParsesQuietlyAndLeavesTheLibrarysHandlersAlone) {
  int marker = 0;
  const xmlGenericErrorFunc hostHandler = &CountingHandler;
  xmlSetGenericErrorFunc(&marker, hostHandler);
  testing::internal::CaptureStderr();
  EXPECT_THROW(XmlDocument::Load("<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x81\x81</a>"),
               EDOMParseError);
  EXPECT_THROW(XmlDocument::Load(std::string("\xFF\xFE<\0a\0>\0\0\xDC<\0/\0a\0>\0", 16)),
               EDOMParseError);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(g_heard, 0);
  EXPECT_EQ(xmlGenericError, hostHandler);
  EXPECT_EQ(xmlGenericErrorContext, &marker);
  xmlSetGenericErrorFunc(nullptr, nullptr);
}

TEST(XmlDocument, BuildsAndWritesADocument) {
  XmlDocument doc;
  EXPECT_FALSE(doc.DocumentElement());
  XmlElement root = doc.AddDocumentElement(u"kxConfig");
  EXPECT_THROW(doc.AddDocumentElement(u"other"), EXMLDocError);
  root.SetAttribute(u"b", u"1");
  root.SetAttribute(u"a", u"2");
  root.SetAttribute(u"b", u"3\t\n");  // replaced where it stands
  XmlElement item = root.AddChild(u"item");
  item.SetText(u"x < y & \r\n z");
  root.AddChild(u"empty");
  XmlElement cdataLike = root.AddChild(u"c");
  cdataLike.SetText(u"]]>");

  const std::string xml = doc.SaveToString();
  EXPECT_EQ(xml, kHead +
                     "<kxConfig b=\"3&#9;&#10;\" a=\"2\"><item>x &lt; y &amp; \r\n z</item>"
                     "<empty/><c>]]&gt;</c></kxConfig>");
  EXPECT_EQ(XmlLintComplaint(xml), "");
  EXPECT_EQ(doc.FirstChild(), root);
}

TEST(XmlDocument, RefusesBadNamesAndCharacters) {
  XmlDocument doc;
  EXPECT_THROW(doc.AddDocumentElement(u""), EXMLDocError);
  EXPECT_THROW(doc.AddDocumentElement(u"1st"), EXMLDocError);
  XmlElement root = doc.AddDocumentElement(u"r");
  EXPECT_THROW(root.AddChild(u"a b"), EXMLDocError);
  EXPECT_THROW(root.AddChild(u"a&b"), EXMLDocError);
  EXPECT_THROW(root.SetAttribute(u"", u"v"), EXMLDocError);
  EXPECT_THROW(root.SetText(u"\x0C"), EXMLDocError);
  EXPECT_THROW(root.SetText(u"\xFFFF"), EXMLDocError);
  EXPECT_THROW(root.SetAttribute(u"a", u"\xD800"), EXMLDocError);
  EXPECT_FALSE(root.HasChildNodes());
  EXPECT_TRUE(root.Attributes().empty());
}

// An element that carries a value and child elements keeps both, whatever
// was set first; the text goes first so that it is the first child.
TEST(XmlDocument, SetTextKeepsChildElements) {
  XmlDocument doc;
  XmlElement root = doc.AddDocumentElement(u"r");
  XmlElement a = root.AddChild(u"A");
  a.AddChild(u"C").SetText(u"c");
  a.SetText(u"first");
  a.SetText(u"second");
  EXPECT_EQ(KindsAndNames(a), (std::vector<std::u16string>{u"T:second", u"E:C"}));
  EXPECT_EQ(a.FirstChild().Text(), u"second");
  a.SetText(u"");
  EXPECT_EQ(KindsAndNames(a), (std::vector<std::u16string>{u"E:C"}));

  const std::string xml = doc.SaveToString();
  EXPECT_EQ(XmlLintComplaint(xml), "");
  EXPECT_EQ(XmlDocument::Load(xml).SaveToString(), xml);
}

// What loads writes out and loads again to the same tree: comments,
// instructions, namespaces, CDATA and attribute values with line breaks.
TEST(XmlDocument, SavesWhatItLoaded) {
  const std::string text =
      "<?pi top?><!--c--><p:root xmlns:p=\"urn:p\" xmlns=\"urn:d\" p:x=\"1&#10;2\" y=\"&quot;\">"
      "<a>t<![CDATA[c]]]]><![CDATA[>d]]><?inner data?></a><b/></p:root><!--after-->";
  const XmlDocument doc = XmlDocument::Load(text);
  const std::string saved = doc.SaveToString();
  EXPECT_EQ(saved, kHead +
                       "<?pi top?><!--c--><p:root xmlns:p=\"urn:p\" xmlns=\"urn:d\" p:x=\"1&#10;2\" "
                       "y=\"&quot;\"><a>t<![CDATA[c]]]]><![CDATA[>d]]><?inner data?></a><b/>"
                       "</p:root><!--after-->");
  EXPECT_EQ(XmlLintComplaint(saved), "");
  EXPECT_EQ(XmlDocument::Load(saved).SaveToString(), saved);
  const XmlElement root = doc.DocumentElement();
  EXPECT_EQ(root.Name(), u"p:root");
  EXPECT_EQ(root.GetAttribute(u"p:x"), u"1\n2");
  EXPECT_EQ(root.GetAttribute(u"xmlns"), u"urn:d");
}

// Neither writing nor freeing a deep tree recurses. (Readers limit the
// depth they accept, so this one is for the writer alone.)
TEST(XmlDocument, WritesDeepTrees) {
  XmlDocument doc;
  XmlElement e = doc.AddDocumentElement(u"d");
  for (int i = 0; i < 200000; ++i) e = e.AddChild(u"d");
  e.SetText(u"bottom");
  const std::string xml = doc.SaveToString();
  EXPECT_EQ(xml.size(), kHead.size() + 200001 * 7 + 6);
}

TEST(XmlValueText, WritesNumbersWithAPointAndBooleansInLowerCase) {
  TFormatSettings saved = FormatSettings();
  FormatSettings().DecimalSeparator = u',';
  struct Case {
    Variant value;
    std::u16string want;
  };
  const Case cases[] = {
      {Variant::FromDouble(1.5), u"1.5"},
      {Variant::FromDouble(1e20), u"1E20"},
      {Variant::FromSingle(0.1f), u"0.1"},
      {Variant::FromCurrency(Currency::FromRaw(-12345)), u"-1.2345"},
      {Variant::FromBoolean(true), u"true"},
      {Variant::FromBoolean(false), u"false"},
      {Variant::FromInteger(-4), u"-4"},
      {Variant::FromOleStr(u"T"), u"T"},
      {Variant::Null(), u""},
      {Variant(), u""},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlValueText(c.value), c.want) << ToUtf8(c.want);
  FormatSettings() = saved;
}

}  // namespace
