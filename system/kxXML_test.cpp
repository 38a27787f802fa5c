#include "system/kxXML.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/xml/XmlLintForTesting.h"

namespace {

using kx::platform::XmlDocument;
using kx::platform::XmlElement;

TEST(TkxIXMLDocumentTools, GetAttributeTellsEmptyFromAbsent) {
  const XmlDocument doc = XmlDocument::Load("<a Name=\"\" Type=\"INT\"/>");
  const XmlElement a = doc.DocumentElement();
  EXPECT_EQ(TkxIXMLDocumentTools::GetAttribute(a, u"Type", u"d"), u"INT");
  EXPECT_EQ(TkxIXMLDocumentTools::GetAttribute(a, u"Name", u"d"), u"");
  EXPECT_EQ(TkxIXMLDocumentTools::GetAttribute(a, u"type", u"d"), u"d");  // names keep their case
}

TEST(TkxIXMLDocumentTools, GetNodeValueFollowsTheLineBreakRule) {
  const XmlDocument doc = XmlDocument::Load(
      "<r><lf>a\nb</lf><crlf>a&#13;\nb\nc</crlf><child><c/>x</child><empty/>"
      "<cdata><![CDATA[1\n2]]></cdata><comment><!--c-->x</comment><blank> </blank></r>");
  const XmlElement r = doc.DocumentElement();
  struct Case {
    const char16_t* element;
    Variant want;
  };
  const Case cases[] = {
      {u"lf", Variant::FromOleStr(u"a\r\nb")},
      {u"crlf", Variant::FromOleStr(u"a\r\nb\nc")},  // holds a CR LF: unchanged
      {u"child", Variant::Null()},
      {u"empty", Variant::Null()},
      {u"cdata", Variant::FromOleStr(u"1\r\n2")},
      {u"comment", Variant::Null()},
      {u"blank", Variant::FromOleStr(u" ")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxIXMLDocumentTools::GetNodeValue(r.FindChild(c.element)), c.want)
        << ToUtf8(c.element);
}

TEST(TkxIXMLDocumentTools, GetNodeFindsOrMakesThePath) {
  XmlDocument doc;
  const XmlElement b = TkxIXMLDocumentTools::GetNode(doc, UnicodeString(u"root/a/b"));
  ASSERT_TRUE(b);
  EXPECT_EQ(b.Name(), u"b");
  EXPECT_EQ(TkxIXMLDocumentTools::GetNode(doc, UnicodeString(u"root/a/b")), b);
  EXPECT_EQ(TkxIXMLDocumentTools::GetNode(doc, TWideStringArray{u"root", u"a", u"b"}), b);
  TStringList list;
  list.Add(u"root");
  list.Add(u"c");
  TkxIXMLDocumentTools::GetNode(doc, list);
  EXPECT_EQ(doc.SaveToString(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root><a><b/></a><c/></root>");
  EXPECT_EQ(kx::platform::XmlLintComplaint(doc.SaveToString()), "");

  EXPECT_FALSE(TkxIXMLDocumentTools::GetNode(doc, UnicodeString()));
  EXPECT_THROW(TkxIXMLDocumentTools::GetNode(doc, UnicodeString(u"other")), EXMLDocError);
  EXPECT_THROW(TkxIXMLDocumentTools::GetNode(doc, UnicodeString(u"/root")), EXMLDocError);
  EXPECT_THROW(TkxIXMLDocumentTools::GetNode(doc, UnicodeString(u"root//x")), EXMLDocError);
  EXPECT_THROW(TkxIXMLDocumentTools::GetNode(doc, UnicodeString(u"root/1x")), EXMLDocError);
}

TEST(TkxXMLTools, PrepareStringReplacesWhatXmlDoesNotAllow) {
  struct Case {
    std::u16string data;
    bool notation, encode;
    std::u16string want;
  };
  const std::u16string emoji = u"\U0001F600";
  const Case cases[] = {
      // Kept: tab, LF, CR, U+FFFD, a pair; replaced: form feed, U+FFFE, U+FFFF, lone surrogates.
      {u"\t\n\r\xFFFD" + emoji, false, false, u"\t\n\r\xFFFD" + emoji},
      {u"a\x0C" u"b\xFFFE\xFFFF", false, false, u"a b  "},
      {u"\xD800x\xDC00", false, false, u" x "},
      {emoji.substr(0, 1), false, false, u" "},  // high surrogate at the end
      {u"<&>", false, false, u"<&>"},
      // References: four upper-case digits, every unit examined.
      {u"\x01\x1F\x01", false, true, u"&#x0001;&#x001F;&#x0001;"},
      {u"\xFFFE\xFFFF\xDBFF", false, true, u"&#xFFFE;&#xFFFF;&#xDBFF;"},
      // Notation after replacement, over the whole text, "&" first.
      {u"&<>\"'", true, false, u"&amp;&lt;&gt;&quot;&apos;"},
      {u"&lt;", true, false, u"&amp;lt;"},
      {u"\x01<", true, true, u"&amp;#x0001;&lt;"},
      {u"\u00E4\u20AC", true, true, u"\u00E4\u20AC"},
      {u"", true, true, u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxXMLTools::PrepareString(c.data, c.notation, c.encode), c.want)
        << ToUtf8(c.want) << " " << c.notation << c.encode;
}

}  // namespace
