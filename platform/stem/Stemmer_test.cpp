#include "platform/stem/Stemmer.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "tests/support/StemFixtures.h"

namespace {

using kx::platform::SnowballStemmer;
using kx::platform::StemLanguages;

TEST(SnowballStemmer, StemsAsAnIndependentImplementationDoes) {
  // Every algorithm of the code table, on every word of the fixture (Latin,
  // accented and Cyrillic UTF-8 words alike).
  std::set<std::string> algorithms;
  for (const auto& language : StemLanguages()) algorithms.insert(language.Algorithm);
  std::set<std::string> checked;
  for (const auto& row : kx::testing::LoadStemFixtures()) {
    if (!algorithms.contains(row.Algorithm)) continue;
    SnowballStemmer stemmer(row.Algorithm.c_str());
    EXPECT_EQ(stemmer.Stem(row.Word), row.Stem) << row.Algorithm << " " << row.Word;
    checked.insert(row.Algorithm);
  }
  EXPECT_EQ(checked, algorithms);
}

TEST(SnowballStemmer, OneStemmerServesManyWords) {
  SnowballStemmer stemmer("english");
  EXPECT_EQ(stemmer.Stem("running"), "run");
  EXPECT_EQ(stemmer.Stem("cats"), "cat");
  EXPECT_EQ(stemmer.Stem(""), "");
}

TEST(SnowballStemmer, UnknownAlgorithmRaisesNamingIt) {
  try {
    SnowballStemmer stemmer("klingon");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("klingon"), std::string::npos) << e.what();
  }
}

TEST(StemLanguages, FourteenCodesInBothColumns) {
  // Spanish and Swedish differ between the columns; "po" is Porter.
  const std::u16string wide[] = {u"en", u"fr", u"sp", u"it", u"hu", u"da", u"fi",
                                 u"no", u"po", u"pt", u"ro", u"ru", u"sw", u"de"};
  const std::u16string ansi[] = {u"en", u"fr", u"es", u"it", u"hu", u"da", u"fi",
                                 u"no", u"po", u"pt", u"ro", u"ru", u"sv", u"de"};
  const std::string algorithm[] = {"english",   "french",  "spanish", "italian", "hungarian",
                                   "danish",    "finnish", "norwegian", "porter", "portuguese",
                                   "romanian",  "russian", "swedish", "german"};
  const auto languages = StemLanguages();
  ASSERT_EQ(languages.size(), 14u);
  for (size_t i = 0; i < languages.size(); ++i) {
    EXPECT_EQ(languages[i].WideCode, wide[i]);
    EXPECT_EQ(languages[i].AnsiCode, ansi[i]);
    EXPECT_EQ(std::string(languages[i].Algorithm), algorithm[i]);
  }
}

}  // namespace
