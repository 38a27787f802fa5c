#include "text/kxStrings_Patterns.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "platform/regex/RegExpr.h"
#include "platform/rtl/StringList.h"

namespace {

using namespace TkxStrings::patterns;

// The constants by the names the fixture uses.
std::map<std::string, std::u16string_view> Constants() {
  std::map<std::string, std::u16string_view> constants = {
      {"kDateDayMonthYear", kDateDayMonthYear},
      {"kDateTwoDigitYear", kDateTwoDigitYear},
      {"kDateGermanNames", kDateGermanNames},
      {"kDateFrenchShortNames", kDateFrenchShortNames},
      {"kDateFrenchNames", kDateFrenchNames},
      {"kDateEnglishShortNames", kDateEnglishShortNames},
      {"kDateEnglishNames", kDateEnglishNames},
      {"kDateYearFirst", kDateYearFirst},
      {"kDateItalianNames", kDateItalianNames},
      {"kDateSpanishShortNames", kDateSpanishShortNames},
      {"kDateSpanishNames", kDateSpanishNames},
      {"kDateFrenchNamesFirst", kDateFrenchNamesFirst},
      {"kDateItalianNamesFirst", kDateItalianNamesFirst},
      {"kDateSpanishNamesFirst", kDateSpanishNamesFirst},
      {"kDecimalsOAndL", kDecimalsOAndL},
      {"kDecimalsO", kDecimalsO},
      {"kDecimalsL", kDecimalsL},
      {"kDecimalsPlain", kDecimalsPlain},
  };
  const char* codes[] = {"EUR", "USD", "CHF", "RUB", "JPY", "CNY"};
  for (size_t i = 0; i < kCurrencies.size(); ++i)
    constants[std::string("currency") + codes[i]] = kCurrencies[i];
  return constants;
}

nlohmann::json ReadFixture() {
  const char* root = std::getenv("KX_SOURCE_DIR");
  const std::string path =
      std::string(root ? root : ".") + "/testdata/mining/pattern_matches.json";
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << path;
  return nlohmann::json::parse(
      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

// The fixture holds Python's matches (scripts/gen_mining_pattern_matches.py):
// the engine must find the same texts at the same places.
TEST(MiningPatterns, MatchLikePythonsRe) {
  const nlohmann::json fixture = ReadFixture();
  const auto constants = Constants();
  for (const auto& [name, text] : fixture.at("constants").items()) {
    ASSERT_TRUE(constants.contains(name)) << name;
    EXPECT_EQ(ToUtf8(constants.at(name)), text.get<std::string>())
        << name << ": run the script again";
  }

  std::map<std::string, UnicodeString> patterns;
  for (const auto& [name, parts] : fixture.at("patterns").items())
    for (const auto& part : parts) patterns[name] += constants.at(part.get<std::string>());
  std::vector<UnicodeString> texts;
  for (const auto& text : fixture.at("texts")) texts.push_back(ToUtf16(text.get<std::string>()));

  for (const auto& c : fixture.at("cases")) {
    const std::string name = c.at("pattern").get<std::string>();
    const size_t index = c.at("text").get<size_t>();
    std::vector<std::pair<int32_t, std::string>> want, got;
    for (const auto& m : c.at("matches"))
      want.emplace_back(m.at(0).get<int32_t>(), m.at(1).get<std::string>());
    TRegExpr expression;
    expression.SetExpression(patterns.at(name));
    for (bool found = expression.Exec(texts.at(index)); found; found = expression.ExecNext())
      got.emplace_back(expression.MatchPos() - 1, ToUtf8(expression.Match()));
    EXPECT_EQ(got, want) << name << " over text " << index;
  }
}

// The month names and numbers pair up item by item.
TEST(MiningPatterns, MonthListsPairUp) {
  TStringList names, numbers;
  names.SetCommaText(UnicodeString(kMonthNames));
  numbers.SetCommaText(UnicodeString(kMonthNumbers));
  EXPECT_EQ(names.Count(), 120);
  EXPECT_EQ(numbers.Count(), 120);
  EXPECT_EQ(names.Strings(24), u"january");  // the blanks after the commas are dropped
  EXPECT_EQ(numbers.Strings(24), u"01.");
  EXPECT_EQ(names.Strings(119), u"dic.");
  EXPECT_EQ(numbers.Strings(119), u"12");
}

}  // namespace
