#include "environment/kxNet_Filters.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/Exceptions.h"
#include "tests/support/Process.h"

namespace {

TEST(WebFilters, PrepareXMLString) {
  struct Case {
    std::u16string in;
    bool cdata;
    std::u16string want;
  };
  const Case cases[] = {
      {u"a<b & 'c'", false, u"a&lt;b &amp; &apos;c&apos;"},
      {u"a<b & 'c'", true, u"a<b & 'c'"},
      {u"\t\x01x\r\n\x1F\"", false, u"  x\r\n &quot;"},  // codes below 32 but LF and CR: a blank
      {u"&amp;>", false, u"&amp;amp;&gt;"},
      {u"", false, u""},
  };
  for (const Case& c : cases) {
    UnicodeString data = c.in;
    EXPECT_TRUE(TkxNet::PrepareXMLString(data, c.cdata)) << ToUtf8(c.in);
    EXPECT_EQ(data, c.want) << ToUtf8(c.in);
  }
}

TEST(WebFilters, ApplyStyle) {
  TkxDictionary<UnicodeString, Variant> style;
  style.Add(u"MAIN", Variant::FromUString(u"#ABC"));
  style.Add(u"WIDTH", Variant::FromInteger(12));
  style.Add(u"CAFé", Variant::FromUString(u"ascii-upper"));
  style.Add(u"OUTER", Variant::FromUString(u"<[@INNER(1)]>"));
  style.Add(u"INNER", Variant::FromUString(u"in"));
  style.Add(u"SELF", Variant::FromUString(u"x[@SELF()]"));
  style.Add(u"FIRST", Variant::FromUString(u"[@FIRST()]"));
  style.Add(u"PING", Variant::FromUString(u"p[@PONG()]"));
  style.Add(u"PONG", Variant::FromUString(u"q[@PING()]"));
  style.Add(u"NOTHING", Variant::Null());
  struct Case {
    std::string in, want;
  };
  const Case cases[] = {
      {"color:[@MAIN(#000)];", "color:#ABC;"},
      {"color:[@main(#000)];", "color:#ABC;"},  // names are upper-cased
      {"color:[@OTHER(#000)];", "color:#000;"},
      {"w:[@Width(0)]px [@Width(0)]", "w:12px 12"},
      {"[@café(x)] [@CAFÉ(x)]", "ascii-upper x"},  // ASCII letters only
      {"[@OUTER()]", "<in>"},                       // what a value brings in is filled in too
      {"[@OTHER(a)b)]", "a)b"},
      {"[@OTHER(x] y)]", " y)]"},                   // no ")" before the "]": no default
      {"[@NOTHING(x)]!", "!"},
      {"[@MAIN] [@MAIN(1)]", "[@MAIN] #ABC"},     // no "(": left as it is
      {"a [@MAIN(1)", "a [@MAIN(1)"},             // no "]"
      {"[@[@MAIN(1)]", "1"},                        // the name "[@MAIN" is not there
      {"[@FIRST()]", "[@FIRST()]"},                 // the search goes on after the start
      // A value that holds its own place-holder, or two that hold each
      // other's, stop 16 levels deep.
      {"[@SELF()].", std::string(16, 'x') + "[@SELF()]."},
      {"[@PING()]", "pqpqpqpqpqpqpqpq[@PING()]"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TkxNet::ApplyStyle(style, c.in), c.want) << c.in;
}

TEST(WebFilters, CompressCSS) {
  struct Case {
    std::u16string in, want;
  };
  const Case cases[] = {
      {u"a {\r\n  color: red;\r\n\tmargin: 0;\r\n}\r\n", u"a { color: red; margin: 0; } "},
      {u"/* x */a{}", u"a{} "},
      {u"/*! keep */\r\nb{}", u"\r\n/*! keep */\r\n b{} "},
      {u"/*! one\r\n  two */ c{} /*! three */", u"\r\n/*! one\r\n  two */\r\n c{} \r\n/*! three */\r\n "},
      {u"a\n\nb\rc", u"a  b c "},                  // every line, an empty one too, then a blank
      {u"a/* open", u"a/* open "},                 // no "*/" after it: no comment
      {u"x /* a */ y /* b", u"x  y /* b "},
      {u"//* x */* y */z", u"z "},                 // the first removal makes a new comment
      {u"a/*/b*/c", u"ac "},
      {u"<###LicenseReplacer1###>", u"<###LicenseReplacer1###> "},
      {u"/*! k */<###LicenseReplacer01###>", u"\r\n/*! k */\r\n<###LicenseReplacer01###> "},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(TkxNet::CompressCSS(c.in), c.want) << ToUtf8(c.in);
}

TEST(WebFilters, CompressJavaScript) {
  struct Case {
    std::u16string in, want;
  };
  const Case cases[] = {
      {u"var u = 'a//b';", u"var u = 'a//b';"},
      {u"x = 1; // note", u"x = 1;"},
      {u"  a = 1; /* one\r\n two */ b = 2;\r\n", u"a = 1; b = 2;"},
      {u"/*! keep */\r\nx = 1;", u"/*! keep */ x = 1;"},
      {u"a(); /*! two\r\nlines */ b();", u"a(); \r\n/*! two\r\n lines */\r\n  b();"},
      {u"x = a / b / c;", u"x = a / b / c;"},
      {u"x = /a\\/b/g;", u"x = /a\\/b/g;"},
      {u"return /x/.test(s);", u"return /x/.test(s);"},
      {u"x = /ab", u"x = /ab/"},                   // a regular expression open at the line end
      {u"s = \"/*\"; t = '*/'; // c", u"s = \"/*\"; t = '*/';"},
      {u"s = 'it\\'s'; x = 1; // c", u"s = 'it\\'s'; x = 1; // c"},  // the backslash does not help
      {u"a = 1;\r\n\r\n\tb = 2;", u"a = 1;  b = 2;"},
      {u"x = 1; /* open", u"x = 1;"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(TkxNet::CompressJavaScript(c.in), c.want) << ToUtf8(c.in);
}

// Scripts that end their statements with ";" print the same under node
// before and after shrinking.
TEST(WebFilters, CompressedScriptsRunTheSameUnderNode) {
  const std::string scripts[] = {
      "// a counter\n"
      "var total = 0; /* block\n"
      "   comment */ var words = ['a//b', \"c/*d*/\", 'e'];\n"
      "/*! License: keep me */\n"
      "for (var i = 0; i < words.length; i++) {\n"
      "  total += words[i].length; // trailing note\n"
      "}\n"
      "var re = /a\\/b+/g;\n"
      "var ratio = total / 2 / 1;\n"
      "function f(s) {\n"
      "  return /x+/.test(s);\n"
      "}\n"
      "var out = [total, ratio, 'a/bb x//y'.replace(re, '-'), f('xx'), f('y')];\n"
      "console.log(JSON.stringify(out));\n",

      "\t/*!\n * two-line kept comment\n */\n"
      "var o = {a: 1, b: [2, 3]};   /* gone */\n"
      "var s = '';\n"
      "for (var k in o) { s += k + ':' + o[k] + ';'; }\n"
      "var r = s.split(/[;:]/).filter(function (x) { return x !== ''; });\n"
      "console.log(r.join('|'), 10 / 4 / 5);\n",
  };
  for (const std::string& script : scripts) {
    const auto before = kx::testing::RunBounded({"node", "-"}, kx::testing::kChildTimeoutMs, script);
    if (before.ExitCode < 0 && !before.TimedOut) GTEST_SKIP() << "node is not installed";
    ASSERT_EQ(before.ExitCode, 0) << before.Output;
    const std::string shrunk = ToUtf8(TkxNet::CompressJavaScript(ToUtf16(script)));
    const auto after = kx::testing::RunBounded({"node", "-"}, kx::testing::kChildTimeoutMs, shrunk);
    EXPECT_EQ(after.ExitCode, 0) << shrunk << "\n" << after.Output;
    EXPECT_EQ(after.Output, before.Output) << shrunk;
    EXPECT_LT(shrunk.size(), script.size());
  }
  EXPECT_NE(ToUtf8(TkxNet::CompressJavaScript(ToUtf16(scripts[0]))).find("/*! License: keep me */"),
            std::string::npos);
}

TEST(WebFilters, XSSProtection) {
  struct Case {
    std::u16string text;
    bool quote, errorWhenQuote;
    std::u16string allowed;
    bool full;
    std::u16string flags;
    std::u16string want;  // "!" for "found possible XSS attack!"
  };
  const Case cases[] = {
      {u"<SCRIPT>", false, false, u"", false, u"", u"!"},
      {u"&#60;script&#62;", false, false, u"", false, u"", u"!"},
      {u"&#x3C;ScRiPt", false, false, u"", false, u"", u"!"},
      {u"&#0000060;script", false, false, u"", false, u"", u"!"},  // zeros go first
      {u"<#115cript", false, false, u"", false, u"", u"!"},         // "#115" is "s"
      {u"java script:", false, false, u"", false, u"", u"!"},       // blanks are removed
      // The zeros' removals leave one of a run of 6, none of a run of 5;
      // a reference may bring in "#" or a letter that completes another.
      {u"#6000000x", false, false, u"", false, u"\"<x\"", u"!"},
      {u"#600000x", false, false, u"", false, u"\"<x\"", u"#600000x"},
      {u"a#3542", false, false, u"", false, u"\"a*\"", u"!"},
      {u"#x4#x41", false, false, u"", false, u"j", u"!"},
      {u"java\tscript", false, false, u"", false, u"", u"java\tscript"},  // only blanks go
      {u"&{x}", false, false, u"", false, u"", u"&{x}"},    // "&{" can never match: "&" goes first
      {u"<img src=x>", false, false, u"", false, u"", u"<img src=x>"},
      {u"<img src=x>", false, false, u"", true, u"", u"!"},
      {u"Hello", false, false, u"", true, u"", u"Hello"},
      {u"   ", true, true, u"", true, u"", u"   "},
      {u"xBADx", false, false, u"", false, u"\"evil\", bad word", u"!"},
      {u"a word", false, false, u"", false, u"\"evil\", bad word", u"!"},
      {u"<script>", false, false, u"", false, u"\"\",x", u"<script>"},  // the list replaces the words
      {u"a<b", true, false, u"", false, u"", u"a&lt;b"},
      {u"a<b", true, false, u"<", false, u"", u"a<b"},
      {u"a<b", true, false, u" ", false, u"", u"a&lt;b"},  // blank allowed chars count for nothing
      {u"a< b", true, false, u"< ", false, u"", u"a< b"},
      {u"a;b#c&d", true, false, u"", false, u"", u"a&#59;b&#35;c&amp;d"},
      {u"\"'()/<>", true, false, u"", false, u"", u"&quot;&#39;&#40;&#41;&#47;&lt;&gt;"},
      {u"a;b&c", true, false, u"&", false, u"", u"a&#59;b&c"},
      {u"<XSS_AND>;", true, false, u"", false, u"", u"&amp;&#59;"},  // a marker's text as well
      {u"<XSS_AND>", true, false, u"&", false, u"", u"&lt;XSS_AND&gt;"},
      {u"a<b", true, true, u"", false, u"", u"!"},
      {u"ab", true, true, u"", false, u"", u"ab"},
  };
  for (const Case& c : cases) {
    std::u16string got;
    try {
      got = TkxNet::XSSProtection(c.text, c.quote, c.errorWhenQuote, c.allowed, c.full, c.flags);
    } catch (const Exception& e) {
      EXPECT_EQ(ToUtf8(e.ClassName()), "Exception");
      EXPECT_EQ(e.Message, u"found possible XSS attack!");
      got = u"!";
    }
    EXPECT_EQ(got, c.want) << ToUtf8(c.text) << " / " << ToUtf8(c.flags);
  }
}

}  // namespace
