#include "platform/process/Arguments.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitArguments, RunsOfBlanksSeparateAndQuotesGroup) {
  struct Case {
    std::u16string line;
    std::vector<UnicodeString> want;
  };
  const Case cases[] = {
      {u"", {}},
      {u" \t\r\n ", {}},
      {u"a  b\tc", {u"a", u"b", u"c"}},
      {u"\"C:\\my prog\" -a  \"b c\"d", {u"C:\\my prog", u"-a", u"b cd"}},
      {u"x \"\" y", {u"x", u"", u"y"}},          // empty quotes stand for an empty argument
      {u"a\"b\"c", {u"abc"}},                    // quotes inside a word only group
      {u"\"open", {u"open"}},                    // an unclosed quote runs to the end
      {u"\"a b\" \"", {u"a b", u""}},
      {u"a\x01" u"b", {u"a", u"b"}},             // control characters separate like blanks
      {u"\u00e4\u00f6 \U0001F600", {u"\u00e4\u00f6", u"\U0001F600"}},
  };
  for (const auto& c : cases) EXPECT_EQ(kx::platform::SplitArguments(c.line), c.want) << ToUtf8(c.line);
}

}  // namespace
