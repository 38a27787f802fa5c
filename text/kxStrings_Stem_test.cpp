#include "text/kxStrings_Stem.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "tests/support/ListLines.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/StemFixtures.h"

namespace {

using namespace TkxStrings;

// ---- Deleting stop words ---------------------------------------------------------

TEST(DeleteStopWords, OnlyBetweenTwoBlanksOnePassEach) {
  struct Case { std::u16string content, words; bool trim, ignoreCase; std::u16string want; };
  const Case cases[] = {
      {u"the cat and the dog", u"the\r\nand", false, false, u"the cat dog"},  // leading "the" stays
      {u"x a a y", u"a", false, false, u"x a y"},    // of "a a" only the first goes
      {u"Der Hund", u"der", false, true, u"der hund"},  // lower-cased; "der" at the start stays
      {u"x DER y", u"der", false, false, u"x y"},    // deleting ignores case in any case
      {u"x Der y", u"der", false, true, u"x y"},
      {u"  x the y  ", u"the", true, false, u"x y"},
      {u"  x the y  ", u"the", false, false, u"  x y  "},
      {u"a  b   c", u"x\r\n\r\ny", false, false, u"a b  c"},  // an empty line: "  " becomes " "
      {u"x y", u"", false, false, u"x y"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DeleteStopWords(c.content, u"xx", c.words, c.trim, c.ignoreCase, false), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.words);
}

TEST(DeleteStopWords, FromTheCacheOrNothingWhenTheCacheHasNoList) {
  auto& cache = TkxStopwordCache::GetInstance();
  ASSERT_TRUE(cache.SetListForLanguage(u"der\r\nund", u"t6-delete"));
  // The list text is not read with UseCache.
  EXPECT_EQ(DeleteStopWords(u" Hund und der Katze ", u"t6-delete", u"hund", true, true, true),
            u"hund katze");
  // A language without a cached list deletes nothing; trimming and
  // lower-casing still apply.
  EXPECT_EQ(DeleteStopWords(u" Hund und Katze ", u"t6-none", u"und", true, true, true),
            u"hund und katze");
  EXPECT_TRUE(cache.RemoveListForLanguage(u"t6-delete"));
}

class StopListFile : public kx::testing::ScratchFolderTest {};

TEST_F(StopListFile, EncodingByByteOrderMarkLineEndsAndEmptyLines) {
  // "für" spelled in the file's own encoding; the content is UTF-16.
  struct Case { std::string name, bytes; std::u16string want; };
  const std::string utf16le = std::string("\xFF\xFE", 2) + std::string("f\0\xFC\0r\0\r\0\n\0x\0", 12);
  const Case cases[] = {
      {"utf8.txt", "f\xC3\xBCr\nx", u"a b c"},
      {"utf8bom.txt", "\xEF\xBB\xBF" "f\xC3\xBCr\r\nx", u"a b c"},  // the mark is no part of a word
      {"utf16le.txt", utf16le, u"a b c"},
      {"emptyline.txt", "f\xC3\xBCr\r\n\r\nx\r\n", u"a b c"},  // also makes "  " one blank
  };
  for (const auto& c : cases) {
    Write(c.name, c.bytes);
    EXPECT_EQ(DeleteStopWords(u"a f\u00FCr b x c", U(c.name)), c.want) << c.name;
  }
  Write("emptyline2.txt", "q\n\nz");
  EXPECT_EQ(DeleteStopWords(u"a  b", U("emptyline2.txt")), u"a b");
  Write("noempty.txt", "q\nz");
  EXPECT_EQ(DeleteStopWords(u"a  b", U("noempty.txt")), u"a  b");
}

TEST_F(StopListFile, MissingFileRaisesEFOpenError) {
  EXPECT_THROW(DeleteStopWords(u"a b", U("none.txt")), EFOpenError);
}

// ---- Stemming --------------------------------------------------------------------

// The algorithm each code must reach, column by column (the 8-bit operation
// spells Spanish "es" and Swedish "sv").
const std::map<std::u16string, std::string> kWideCodes = {
    {u"en", "english"},   {u"fr", "french"},  {u"sp", "spanish"},   {u"it", "italian"},
    {u"hu", "hungarian"}, {u"da", "danish"},  {u"fi", "finnish"},   {u"no", "norwegian"},
    {u"po", "porter"},    {u"pt", "portuguese"}, {u"ro", "romanian"}, {u"ru", "russian"},
    {u"sw", "swedish"},   {u"de", "german"}};
const std::map<std::u16string, std::string> kAnsiCodes = {
    {u"en", "english"},   {u"fr", "french"},  {u"es", "spanish"},   {u"it", "italian"},
    {u"hu", "hungarian"}, {u"da", "danish"},  {u"fi", "finnish"},   {u"no", "norwegian"},
    {u"po", "porter"},    {u"pt", "portuguese"}, {u"ro", "romanian"}, {u"ru", "russian"},
    {u"sv", "swedish"},   {u"de", "german"}};

// The stemming operations hand a stemmer ASCII words only.
bool IsAscii(const std::string& word) {
  for (char c : word)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

TEST(StemStringW, EveryCodeReachesItsAlgorithm) {
  // Every ASCII word of the fixture is stemmed by every algorithm there, and
  // the words tell the algorithms apart ("po" is Porter, not Portuguese).
  const auto rows = kx::testing::LoadStemFixtures();
  for (const auto& [code, algorithm] : kWideCodes) {
    int checked = 0;
    for (const auto& row : rows) {
      if (row.Algorithm != algorithm || !IsAscii(row.Word)) continue;
      const std::u16string word = ToUtf16(row.Word), stem = ToUtf16(row.Stem);
      EXPECT_EQ(StemStringW(word, code, false, false, 0), stem) << ToUtf8(code) << " " << row.Word;
      TStringList list;
      StemStringW(word, u"", code, false, false, 0, list, false);
      EXPECT_EQ(ListLines(list), stem) << ToUtf8(code) << " " << row.Word;
      ++checked;
    }
    EXPECT_GT(checked, 0) << ToUtf8(code);
  }
}

TEST(StemStringUseCacheW, EveryCodeReachesItsAlgorithm) {
  const auto rows = kx::testing::LoadStemFixtures();
  for (const auto& [code, algorithm] : kAnsiCodes) {
    int checked = 0;
    for (const auto& row : rows) {
      if (row.Algorithm != algorithm || !IsAscii(row.Word)) continue;
      TStringList list;
      StemStringUseCacheW(ToUtf16(row.Word), code, false, false, 0, list, false);
      EXPECT_EQ(ListLines(list), ToUtf16(row.Stem)) << ToUtf8(code) << " " << row.Word;
      ++checked;
    }
    EXPECT_GT(checked, 0) << ToUtf8(code);
  }
}

TEST(StemStringW, CodesTrimmedWithoutCaseOthersSelectNoStemmer) {
  // Only a stemmer applies the length limit: "abc" with MinSizeWord 4 is
  // dropped with one and kept without one.
  struct Case { std::u16string code; bool wideStems, ansiStems; };
  const Case cases[] = {
      {u" EN ", true, true}, {u"Ru", true, true},  {u"sp", true, false}, {u"es", false, true},
      {u"sw", true, false},  {u"SV", false, true}, {u"", false, false},  {u"eng", false, false},
      {u"english", false, false},
  };
  for (const auto& c : cases) {
    TStringList wide, ansi;
    StemStringW(u"abc", u"", c.code, false, false, 4, wide, false);
    StemStringUseCacheW(u"abc", c.code, false, false, 4, ansi, false);
    EXPECT_EQ(ListLines(wide), c.wideStems ? u"" : u"abc") << ToUtf8(c.code);
    EXPECT_EQ(ListLines(ansi), c.ansiStems ? u"" : u"abc") << ToUtf8(c.code);
    EXPECT_EQ(StemStringW(u"abc", c.code, false, false, 4), c.wideStems ? u"" : u"abc");
  }
}

TEST(StemStringW, CleansWordsAndAppends) {
  struct Case {
    std::u16string content, code;
    bool lower, numeric;
    int32_t min;
    std::u16string want;
  };
  const Case cases[] = {
      // digits and the apostrophe become blanks, "é" too; no length limit
      {u"Größe 42 l'été", u"xx", false, true, 5, u"groesse|l|t"},
      {u"Größe 42 l'été", u"xx", false, false, 5, u"groesse|42|l|t"},
      {u"The cats are running", u"en", true, false, 4, u"cat|run"},
      {u"The CATS", u"en", false, false, 1, u"the|cat"},  // words are lower-case anyway
      {u"  ", u"en", false, false, 0, u""},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.Add(u"kept");
    EXPECT_EQ(&StemStringW(c.content, u"", c.code, c.lower, c.numeric, c.min, list, false), &list);
    EXPECT_EQ(ListLines(list), u"kept" + (c.want.empty() ? u"" : u"|" + c.want))
        << ToUtf8(c.content);
  }
}

TEST(StemStringW, SingleWord) {
  struct Case { std::u16string word, code; bool numeric; int32_t min; std::u16string want; };
  const Case cases[] = {
      {u"cats", u"en", false, 5, u""},  // shorter than MinSizeWord before stemming
      {u"running", u"en", false, 5, u"run"},
      {u" Running! ", u"en", false, 0, u"run"},
      {u"", u"en", false, 0, u""},
      {u"l'été 42", u"xx", true, 9, u"l\r\nt"},  // several words joined by CR LF
      {u"ab", u"xx", false, 9, u"ab"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StemStringW(c.word, c.code, false, c.numeric, c.min), c.want) << ToUtf8(c.word);
}

class StemStopList : public kx::testing::ScratchFolderTest {};

TEST_F(StemStopList, FolderWithOrWithoutSeparatorMissingFileEmptyFolder) {
  Write("lists/stopList_en.txt", "the\r\nand\r\n");
  Write("lists/stopList_sp.txt", "el\n");
  const std::u16string content = u"x the cats and the dogs";
  struct Case { std::u16string folder, code; bool use; std::u16string want; };
  const Case cases[] = {
      {U("lists/"), u"en", true, u"x|cat|dog"},
      {U("lists"), u"en", true, u"x|cat|dog"},
      {U("lists") + u"\\", u"en", true, u"x|cat|dog"},
      {U("lists"), u" EN ", true, u"x|cat|dog"},  // the file is named by the table's code
      {U("lists"), u"en", false, u"x|the|cat|and|the|dog"},
      {U("lists"), u"de", true, u"x|the|cat|and|the|dog"},  // no stopList_de.txt: skipped
      {U("lists"), u"sp", true, u"x|the|cats|and|the|dogs"},
      {U("none"), u"en", true, u"x|the|cat|and|the|dog"},
      {U("lists"), u"xx", true, u"x|the|cats|and|the|dogs"},  // no stemmer: no stop words
  };
  for (const auto& c : cases) {
    TStringList list;
    StemStringW(content, c.folder, c.code, false, false, 0, list, c.use);
    EXPECT_EQ(ListLines(list), c.want) << ToUtf8(c.folder) << " " << ToUtf8(c.code);
  }
  // Stop words are deleted before the text is flattened: "the," stays.
  TStringList list;
  StemStringW(u"x the, dogs", U("lists"), u"en", false, false, 0, list, true);
  EXPECT_EQ(ListLines(list), u"x|the|dog");
}

TEST_F(StemStopList, BlankFolderNamesNoFolder) {
  // A file in the working folder is not taken for a blank folder's.
  Write("stopList_en.txt", "the\n");
  char* old = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  for (const std::u16string folder : {u"", u"  "}) {
    TStringList list;
    StemStringW(u"x the y", folder, u"en", false, false, 0, list, true);
    EXPECT_EQ(ListLines(list), u"x|the|y");
  }
  EXPECT_EQ(chdir(old), 0);
  free(old);
}

TEST(StemStringUseCacheW, StopWordsFromTheCacheAfterFlattening) {
  auto& cache = TkxStopwordCache::GetInstance();
  ASSERT_TRUE(cache.SetListForLanguage(u"the\r\nand", u"en"));
  struct Case { std::u16string content, code; bool lower, use; std::u16string want; };
  const Case cases[] = {
      {u"x the, cats and dogs", u"en", true, true, u"x|cat|dog"},  // flattened first
      {u"x THE cats", u"en", false, true, u"x|cat"},
      {u"x the cats", u"en", true, false, u"x|the|cat"},
      {u"x the cats", u"po", true, true, u"x|the|cat"},   // no list cached for "po"
      {u"x the cats", u"xx", true, true, u"x|the|cats"},  // no stemmer: no stop words
  };
  for (const auto& c : cases) {
    TStringList list;
    StemStringUseCacheW(c.content, c.code, c.lower, false, 0, list, c.use);
    EXPECT_EQ(ListLines(list), c.want) << ToUtf8(c.content) << " " << ToUtf8(c.code);
  }
  EXPECT_TRUE(cache.RemoveListForLanguage(u"en"));
}

// ---- The stop-word cache ---------------------------------------------------------

TEST(TkxStopwordCache, StatesPerLanguage) {
  auto& cache = TkxStopwordCache::GetInstance();
  EXPECT_EQ(&cache, &TkxStopwordCache::GetInstance());
  EXPECT_FALSE(cache.IsInCache(u"t6-de"));
  EXPECT_EQ(cache.GetListForLanguage(u"t6-de"), nullptr);
  EXPECT_TRUE(cache.RemoveListForLanguage(u"t6-never"));  // never cached

  // The text comes first, the language second.
  EXPECT_TRUE(cache.SetListForLanguage(u"der\r\ndie\ndas", u"t6-de"));
  EXPECT_TRUE(cache.IsInCache(u"t6-de"));
  EXPECT_TRUE(cache.IsInCache(u"T6-DE"));  // ids compare without regard to case
  EXPECT_FALSE(cache.IsInCache(u"der\r\ndie\ndas"));
  TStringList* list = cache.GetListForLanguage(u"t6-de");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ListLines(*list), u"der|die|das");
  EXPECT_EQ(cache.GetListForLanguage(u"t6-de"), list);  // the cached list itself

  // Never replaced: a second list is refused and the first stays.
  EXPECT_FALSE(cache.SetListForLanguage(u"other", u"t6-de"));
  EXPECT_EQ(ListLines(*cache.GetListForLanguage(u"t6-de")), u"der|die|das");

  EXPECT_TRUE(cache.RemoveListForLanguage(u"t6-de"));
  EXPECT_FALSE(cache.IsInCache(u"t6-de"));
  EXPECT_TRUE(cache.SetListForLanguage(u"der", u"t6-de"));
  EXPECT_TRUE(cache.RemoveListForLanguage(u"t6-de"));

  // A blank text caches nothing.
  EXPECT_FALSE(cache.SetListForLanguage(u" \r\n\t", u"t6-blank"));
  EXPECT_FALSE(cache.IsInCache(u"t6-blank"));
}

}  // namespace
