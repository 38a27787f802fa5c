#include "platform/xml/HtmlText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using kx::platform::HtmlBodyText;
using Words = std::vector<std::u16string>;

std::u16string ReadFixture(const std::string& name) {
  const char* root = std::getenv("KX_SOURCE_DIR");
  const std::string path = std::string(root ? root : ".") + "/testdata/html/" + name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << path;
  return ToUtf16(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

// Runs of units at or below the blank separate; U+00A0 does not.
Words SplitWords(const std::u16string& text) {
  Words words;
  std::u16string word;
  for (const char16_t c : text + u" ") {
    if (c > 0x20) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  return words;
}

void ExpectTrimmed(const std::u16string& text, const std::string& what) {
  if (text.empty()) return;
  EXPECT_GT(text.front(), 0x20) << what << ": not trimmed";
  EXPECT_GT(text.back(), 0x20) << what << ": not trimmed";
}

// The non-empty lines between CR LF breaks, as they stand.
Words SplitLines(const std::u16string& text) {
  Words lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(u"\r\n", start);
    const std::u16string line = text.substr(start, end == std::u16string::npos ? end : end - start);
    if (!line.empty()) lines.push_back(line);
    if (end == std::u16string::npos) return lines;
    start = end + 2;
  }
}

TEST(HtmlBodyText, FixturesGiveTheVisibleWordsInOrder) {
  struct Case { std::string file; Words want; };
  const Case cases[] = {
      {"entities.html",
       {u"Fish", u"&", u"chips", u"<b>not", u"bold</b>", u"\"quoted\"", u"'single'", u"Price:",
        u"5\u00A0€", u"€", u"€", u"©©", u"Literal", u"&amp;", u"stays", u"&amp;", u"Unknown",
        u"&foo;", u"entity", u"and", u"a", u"bare", u"&", u"ampersand"}},
      {"nested.html",
       {u"Title", u"outer", u"inner", u"inline", u"text", u"tail", u"one", u"two", u"two.a",
        u"two.b", u"three", u"Name", u"Value", u"alpha", u"1", u"quoted", u"first", u"line",
        u"second", u"line", u"third", u"line", u"pre", u"kept", u"indented"}},
      {"script-style.html", {u"visible", u"one", u"visible", u"two"}},
      // The markup names another charset; the text is read as the UTF-8 it is.
      {"non-ascii.html", {u"Größe", u"€", u"αβγ", u"中文", u"\U0001F600", u"\U0001F600"}},
      {"broken.html",
       {u"first", u"second", u"unclosed", u"bold", u"both", u"italic", u"after", u"stray",
        u"unquoted", u"attributes", u"a", u"<", u"b", u"and", u"c", u">", u"d", u"cell", u"text",
        u"after", u"the", u"end"}},
      {"empty.html", {}},
  };
  for (const auto& c : cases) {
    const std::u16string text = HtmlBodyText(ReadFixture(c.file));
    EXPECT_EQ(SplitWords(text), c.want) << c.file;
    ExpectTrimmed(text, c.file);
  }
}

TEST(HtmlBodyText, BlocksBreaksAndPreStartNewLines) {
  const std::u16string text = HtmlBodyText(ReadFixture("nested.html"));
  const Words want = {u"Title",       u"outer",       u"inner inline text", u"tail",
                      u"one",         u"two",         u"two.a",             u"two.b",
                      u"three",       u"Name Value",  u"alpha 1",           u"quoted",
                      u"first line",  u"second line", u"third line",        u"pre  kept",
                      u"  indented"};
  EXPECT_EQ(SplitLines(text), want);
}

TEST(HtmlBodyText, WhiteSpaceAndOddInput) {
  struct Case { std::u16string html, want; };
  const Case cases[] = {
      {u"<p>  a \t\r\n b  </p>", u"a b"},
      {u"<pre>\t x \x01</pre>", u"x"},            // <pre> keeps blanks, the result is trimmed
      {u"a<b>b</b> <i>c</i>", u"ab c"},
      {u"<p>a\xD800" u"b\xDCFF</p>", u"a?b?"},  // lone surrogates reach the parser as "?"
      {u"<html><head><title>t</title></head></html>", u""},
      {u"<!-- only a comment -->", u""},
      {u"<p>&lt;&#0;&#xD800;&gt;</p>", u"<>"},  // invalid references vanish
      {u"", u""},
  };
  for (const auto& c : cases) {
    const std::u16string got = HtmlBodyText(c.html);
    EXPECT_EQ(SplitWords(got), SplitWords(c.want)) << ToUtf8(c.html);
    EXPECT_EQ(got.empty(), c.want.empty()) << ToUtf8(c.html);
    ExpectTrimmed(got, ToUtf8(c.html));
  }
}

TEST(HtmlBodyText, WritesNothingToTheConsole) {
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  HtmlBodyText(ReadFixture("broken.html"));
  HtmlBodyText(u"<p><<<</x></y><z a=\"</p>&bogus; &#99999999; <!-- open");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Sizes a naive reader gets wrong: a text node beyond the parser's default
// limit of 10 MB (the rest of the document would be lost), and nesting deep
// enough to overflow a recursive walk.
TEST(HtmlBodyText, LargeTextAndDeepNesting) {
  const std::u16string big(11'000'000, u'x');
  const std::u16string text = HtmlBodyText(u"<p>" + big + u"</p><p>end</p>");
  ASSERT_GT(text.size(), big.size());
  EXPECT_EQ(text.compare(0, big.size(), big), 0);
  EXPECT_EQ(SplitWords(text.substr(big.size())), Words{u"end"});

  std::u16string deep;
  for (int i = 0; i < 200'000; ++i) deep += u"<div><span>";
  deep += u"core";
  EXPECT_EQ(HtmlBodyText(deep), u"core");
}

}  // namespace
