#include "text/kxStrings_Convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <string>

namespace {

using namespace TkxStrings;
using namespace std::string_literals;

std::string ReadFixture(const std::string& name) {
  const char* root = std::getenv("KX_SOURCE_DIR");
  const std::string path = std::string(root ? root : ".") + "/testdata/" + name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- Script strings ----------------------------------------------------------

TEST(StringToJScriptString, EscapesAsScriptLiterals) {
  struct Case { std::u16string value, want; };
  const Case cases[] = {
      {u"say \"hi\" / \\", u"say \\\"hi\\\" \\/ \\\\"},
      {u"\b\t\n\f\r", u"\\b\\t\\n\\f\\r"},
      {u"\x01\x1F", u"\\u0001\\u001F"},
      {u"\u00E4\u20AC", u"\\u00E4\\u20AC"},       // upper-case hexadecimal digits
      {u"\U0001F600", u"\\uD83D\\uDE00"},         // each unit of a pair by itself
      {u"it's \x7F", u"it's \x7F"},               // apostrophe and DEL unchanged
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(StringToJScriptString(c.value), c.want) << ToUtf8(c.value);
}

// Between double quotes the result is a JSON string that gives the text back.
TEST(StringToJScriptString, ReadsBackAsJson) {
  std::u16string all;
  for (char16_t c = 0; c < 0x100; ++c) all += c;
  all += u"\u2028\uFFFD\uFFFF\U0001F600\U0010FFFF";

  std::mt19937 random(7);
  std::u16string mixed;
  for (int i = 0; i < 2000; ++i) {
    char16_t c = static_cast<char16_t>(random() % 0xD800);  // no surrogates here
    if (i % 17 == 0) {
      mixed += u"\U0001F9E1";
      continue;
    }
    mixed += c;
  }
  for (const std::u16string& text : {all, mixed}) {
    const std::string json = "\"" + ToUtf8(StringToJScriptString(text)) + "\"";
    EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), ToUtf8(text));
  }
}

// ---- Flat identifiers --------------------------------------------------------

TEST(FlatString, BlanksUmlautsThenEverythingElse) {
  struct Case { std::u16string str; char16_t delimiter; bool umlauts; std::u16string want; };
  const Case cases[] = {
      {u"Größe 2.0", u'_', true, u"Groesse_2_0"},
      {u"Größe 2.0", u'_', false, u"Gr__e_2_0"},
      {u"ÄÖÜäöüß", u'-', true, u"AEOEUEaeoeuess"},
      {u"café ẞ", u'_', true, u"caf___"},   // other accented letters: Delimiter
      {u"a\U0001F600b", u'.', true, u"a..b"},  // one Delimiter per unit
      {u"A_z-9", u'#', false, u"A_z#9"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FlatStringW(c.str, c.delimiter, c.umlauts), c.want) << ToUtf8(c.str);

  // The 8-bit form thinks in characters of the UTF-8 text.
  EXPECT_EQ(FlatString("Gr\xC3\xB6\xC3\x9F" "e 2.0", '_', true), "Groesse_2_0");
  EXPECT_EQ(FlatString("Gr\xC3\xB6\xC3\x9F" "e 2.0", '_', false), "Gr__e_2_0");
  EXPECT_EQ(FlatString("a\xFF" "b", '_', true), "a_b");     // a raw byte is one character
  EXPECT_EQ(FlatString("a b", '\xA7', true), "a\xA7" "b");  // raw Delimiter byte kept
}

// ---- Control characters, blanks and line breaks ------------------------------

TEST(DeleteControlChars, ControlsBecomeBlanksLengthStays) {
  EXPECT_EQ(DeleteControlChars("a\tb\r\n\x00\x1F"s), "a b    ");
  EXPECT_EQ(DeleteControlChars("\x7F\x80\xA0\xFF"s), "\x7F\x80\xA0\xFF"s);  // bytes are unsigned
  EXPECT_EQ(DeleteControlChars(u"a\tb\u0000\u0085"s), u"a b \u0085"s);
  EXPECT_EQ(DeleteControlCharsW(u"\r\n"), u"  ");
  EXPECT_EQ(BlanksToUnderScore(u"a b  c,d"), u"a_b__c,d");
  EXPECT_EQ(FormatTechnicalName(u"a b,c/d\\e"), u"a_b_c_d\\e");
}

TEST(Breaks2Blanks, CrLfThenLfLoneCrStays) {
  EXPECT_EQ(Breaks2BlanksW(u"a\r\nb\nc\rd"), u"a b c\rd");
  EXPECT_EQ(Breaks2BlanksW(u"\r\r\n\n\r"), u"\r  \r");
  EXPECT_EQ(Breaks2Blanks("a\r\nb\nc\rd"), "a b c\rd");
  EXPECT_EQ(Breaks2Blanks("\n\r\n"), "  ");
}

// ---- Character sets ----------------------------------------------------------

TEST(Charsets, VerifyAndApply) {
  EXPECT_TRUE(VerifyCharset(u"abc", u""));
  EXPECT_TRUE(VerifyCharset(u"", u""));
  EXPECT_FALSE(VerifyCharset(u"", u"a"));
  EXPECT_TRUE(VerifyCharset(u"cba", u"abcabc"));
  EXPECT_FALSE(VerifyCharset(u"abc", u"abC"));  // exact comparison
  EXPECT_TRUE(VerifyCharset(u"€\U0001F600", u"€\U0001F600"));

  EXPECT_EQ(ApplyCharset(u"", u"xyz"), u"xyz");
  EXPECT_EQ(ApplyCharset(u"0123456789", u"a1b2"), u"12");
  EXPECT_EQ(ApplyCharset(u"ä", u"aäÄ"), u"ä");
  EXPECT_EQ(ApplyCharset(u"x", u"abc"), u"");
}

TEST(Charsets, TkxCharSetMembersAreAtMostFF) {
  const TkxCharSet set = TkxCharSetOf(u":*\u20AC\u00E9");  // € cannot be a member
  EXPECT_EQ(set.count(), 3u);
  EXPECT_EQ(ApplyTkxCharset(u"a:b*é€", TkxCharSetOf(u":*"), true), u"abé€");
  EXPECT_EQ(ApplyTkxCharset(u"a:b*é€", TkxCharSetOf(u":*"), false), u":*");
  EXPECT_EQ(ApplyTkxCharset(u"aé€", set, false), u"é");
  EXPECT_EQ(ApplyTkxCharset(u"aé€\U0001F600", set, true), u"a€\U0001F600");
  EXPECT_EQ(ApplyTkxCharset(u"\u0100\u013A", TkxCharSetOf(u"\x00\x3A"s), false), u"");
}

TEST(Charsets, ApplyCharsetAFiltersCollapsesAndTrims) {
  struct Case { std::string str, charset; bool controls, blanks; std::string want; };
  const Case cases[] = {
      {"a  b-c", "abc", false, false, "a b c"},
      {"a  b-c", "abc", false, true, "abc"},
      {"-a\tb-", "ab\t", false, false, "a\tb"},
      {"-a\tb-", "ab\t", true, false, "a b"},      // controls first, then the charset
      {"\ta\t", "a\t", false, false, "a"},          // trimmed
      {"Gr\xC3\xB6\xC3\x9F" "e!", "Gr\xC3\xB6" "e", false, false, "Gr\xC3\xB6 e"},
      {"a\xFF" "b\xFE", "ab\xFF", false, true, "a\xFF" "b"},  // raw bytes compare exactly
      {"abc", "", false, false, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ApplyCharsetA(c.str, c.charset, c.controls, c.blanks), c.want) << c.str;
}

// ---- Quoted-printable --------------------------------------------------------

TEST(ReplaceQuotedPrintableSimple, TableInOrder) {
  struct Case { std::string content, want; };
  const Case cases[] = {
      {"Gr=FC=DFe=20und=2C=3D=0D=0A", "Gr\xFC\xDF" "e und,="},
      {"Gr=fc=dfe", "Gr\xFC\xDF" "e"},           // either case
      {"a=\r\nb", "ab"},                          // soft line break
      {"=DD=ed=Fd", "=DD=ed=Fd"},                 // not in the table
      {"=3DE4", "\xE4"},                          // "=" from =3D forms a later code
      {"=3D3D", "=3D"},                           // =3D's own pass is over by then
      {"=3D0A", "=0A"},                           // =0A came earlier in the table
      {"=41=5A=2F", "=41=5A=2F"},                 // codes outside the table stay
      {"=7e=7F=FF", "~\x7F\xFF"},
      {"a=\nb=", "a=\nb="},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceQuotedPrintableSimple(c.content), c.want) << c.content;
}

TEST(ReplaceQuotedPrintable, ScansCodesAndSwallowsInvalidOnes) {
  struct Case { std::string content, want; };
  const Case cases[] = {
      {"a=3Db=\r\nc=ZZd", "a=bcd"},
      {"x=4", "x\x04"},                    // one digit at the end is read
      {"x=", "x"},
      {"=e4=E4=3d3D", "\xE4\xE4=3D"},      // decoded text is not scanned again
      {"a=4gb", "ab"},                     // the = and both characters vanish
      {"a=-1b", "ab"},                     // no sign
      {"a= 1b", "ab"},
      {"a=\nb=\rc", "abc"},                // soft breaks with LF or CR alone
      {"a==\r\n\r\nb", "ab"},              // a soft break formed by a removal goes too
      {"=00=FF", "\x00\xFF"s},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceQuotedPrintable(c.content), c.want) << c.content;
}

TEST(ReplaceQuotedPrintable, DecodesStandardEncoderOutput) {
  EXPECT_EQ(ReplaceQuotedPrintable(ReadFixture("quoted-printable/mixed.qp")),
            ReadFixture("quoted-printable/mixed.bin"));
  const std::string letter = ReadFixture("quoted-printable/letter.txt");
  EXPECT_EQ(ReplaceQuotedPrintable(ReadFixture("quoted-printable/letter.qp")), letter);
  // The letter uses no code outside the table, so the table decoder agrees.
  EXPECT_EQ(ReplaceQuotedPrintableSimple(ReadFixture("quoted-printable/letter.qp")), letter);
}

// ---- HTML --------------------------------------------------------------------

TEST(HtmlToText, BodyTextOfTheLayer) {
  EXPECT_EQ(HtmlToText(u"<b>a</b> &amp;  <i>b</i><script>c</script>"), u"a & b");
  EXPECT_EQ(HtmlToText(u""), u"");
}

}  // namespace
