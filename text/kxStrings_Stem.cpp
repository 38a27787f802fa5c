#include "text/kxStrings_Stem.h"

#include <memory>

#include "platform/file/Path.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/HashedStringList.h"
#include "platform/rtl/Trim.h"
#include "platform/stem/Stemmer.h"
#include "system/kxFiles_Paths.h"
#include "text/kxSortableStringLists.h"
#include "text/kxStrings_Convert.h"
#include "text/kxStrings_Mining.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Search.h"

// ---- TkxStopwordCache ----------------------------------------------------------

TkxStopwordCache::TkxStopwordCache() : StopWordLists(std::make_unique<TkxObjectHashList>(true)) {}

TkxStopwordCache& TkxStopwordCache::GetInstance() {
  // Made once, thread-safe; never destroyed, so no module unloading order
  // can leave a caller with a freed cache.
  static TkxStopwordCache* const instance = new TkxStopwordCache();
  return *instance;
}

TStringList* TkxStopwordCache::GetListForLanguage(const UnicodeString& LanguageID) {
  std::lock_guard<std::mutex> guard(lock_);
  return static_cast<TStringList*>(StopWordLists->Get(LanguageID));
}

bool TkxStopwordCache::IsInCache(const UnicodeString& LanguageID) {
  std::lock_guard<std::mutex> guard(lock_);
  return StopWordLists->IsValueNotNil(LanguageID);
}

bool TkxStopwordCache::SetListForLanguage(const UnicodeString& ListAsStringCRLFSeperated,
                                          const UnicodeString& LanguageId) {
  if (TrimBlanks(ListAsStringCRLFSeperated).empty()) return false;
  auto list = std::make_unique<TStringList>();
  list->SetText(ListAsStringCRLFSeperated);
  std::lock_guard<std::mutex> guard(lock_);
  if (StopWordLists->IsValueNotNil(LanguageId)) return false;
  StopWordLists->Put(LanguageId, list.get(), false);
  list.release();
  return true;
}

bool TkxStopwordCache::RemoveListForLanguage(const UnicodeString& LanguageID) {
  std::lock_guard<std::mutex> guard(lock_);
  StopWordLists->Remove(LanguageID);
  return true;
}

namespace TkxStrings {

namespace {

using kx::platform::SnowballStemmer;
using kx::platform::StemLanguage;

// The language of the first entry whose code of the chosen column is
// LanguageID; nullptr for an unlisted code.
const StemLanguage* FindStemLanguage(const UnicodeString& LanguageID, bool WideColumn) {
  for (const StemLanguage& language : kx::platform::StemLanguages())
    if (EqualsW(LanguageID, WideColumn ? language.WideCode : language.AnsiCode, true, true))
      return &language;
  return nullptr;
}

std::unique_ptr<SnowballStemmer> MakeStemmer(const StemLanguage* language) {
  return language ? std::make_unique<SnowballStemmer>(language->Algorithm) : nullptr;
}

UnicodeString DeleteEachStopWord(UnicodeString Content, const TStrings& StopWords) {
  for (int32_t i = 0; i < StopWords.Count(); ++i)
    Content = ReplaceW(Content, u" " + StopWords.Strings(i) + u" ", u" ", true);
  return Content;
}

// The words of a flattened text: apostrophes and, with RemoveNumerical,
// digits become blanks; lower-case (GetEachFragment).
void SplitWords(const UnicodeString& Flat, bool RemoveNumerical, TStrings& Words) {
  GetEachFragment(Flat, true,
                  RemoveNumerical ? u"\r,1,2,3,4,5,6,7,8,9,0,\n,', " : u"\r,\n,', ", Words);
}

// The stem of Word. The UTF-16 operations trim the stem as UTF-16 text,
// the 8-bit one trims the 8-bit stem before it comes back.
UnicodeString StemOf(SnowballStemmer& Stemmer, const UnicodeString& Word, bool TrimAs8Bit) {
  const std::string stem = Stemmer.Stem(ToUtf8(Word));
  return TrimAs8Bit ? ToUtf16(TrimBlanks(std::string_view(stem)))
                    : UnicodeString(TrimBlanks(ToUtf16(stem)));
}

// Appends every non-blank word of Flat: with a stemmer the stems of the words
// of at least MinSizeWord characters, without one every word.
void AppendWords(const UnicodeString& Flat, bool RemoveNumerical, int32_t MinSizeWord,
                 SnowballStemmer* Stemmer, bool TrimAs8Bit, TStrings& StringList) {
  TStringList words;
  SplitWords(Flat, RemoveNumerical, words);
  for (int32_t i = 0; i < words.Count(); ++i) {
    const std::u16string_view word = TrimBlanks(words.Strings(i));
    if (word.empty()) continue;
    if (Stemmer == nullptr) {
      StringList.Add(UnicodeString(word));
    } else if (static_cast<int64_t>(word.size()) >= MinSizeWord) {
      StringList.Add(StemOf(*Stemmer, UnicodeString(word), TrimAs8Bit));
    }
  }
}

// "stopList_" + code + ".txt" in Folder; empty when Folder names no folder.
UnicodeString StopListPath(const UnicodeString& Folder, const StemLanguage& Language) {
  if (TrimBlanks(Folder).empty()) return {};
  return kx::platform::IncludeTrailingDelimiter(Folder) + u"stopList_" + Language.WideCode +
         u".txt";
}

}  // namespace

UnicodeString DeleteStopWords(const UnicodeString& Content, const UnicodeString& FilePath) {
  THashedStringList words;
  words.LoadFromFile(FilePath);
  return DeleteEachStopWord(Content, words);
}

UnicodeString DeleteStopWords(const UnicodeString& Content, const UnicodeString& LanguageId,
                              const UnicodeString& ListAsStringSeparatorCRLF, bool TrimBefore,
                              bool IgnoreCase, bool UseCache) {
  UnicodeString text = TrimBefore ? UnicodeString(TrimBlanks(Content)) : Content;
  if (IgnoreCase) text = LowerText(text);
  if (UseCache) {
    // A language without a cached list deletes nothing.
    const TStringList* cached = TkxStopwordCache::GetInstance().GetListForLanguage(LanguageId);
    return cached ? DeleteEachStopWord(std::move(text), *cached) : text;
  }
  TStringList words;
  words.SetText(ListAsStringSeparatorCRLF);
  return DeleteEachStopWord(std::move(text), words);
}

TStrings& StemStringW(const UnicodeString& Content, const UnicodeString& PathStemLanguageFiles,
                      const UnicodeString& LanguageID, bool ToLowerCase, bool RemoveNumerical,
                      int32_t MinSizeWord, TStrings& StringList, bool UseStopWordList) {
  const StemLanguage* language = FindStemLanguage(LanguageID, true);
  const auto stemmer = MakeStemmer(language);
  UnicodeString text = Content;
  if (UseStopWordList && language != nullptr) {
    const UnicodeString path = StopListPath(PathStemLanguageFiles, *language);
    if (!path.empty() && TkxFiles::FileExists(path)) text = DeleteStopWords(text, path);
  }
  if (ToLowerCase) text = LowerText(text);
  AppendWords(FlatStringW(text, u' ', true), RemoveNumerical, MinSizeWord, stemmer.get(), false,
              StringList);
  return StringList;
}

UnicodeString StemStringW(const UnicodeString& SingleWord, const UnicodeString& LanguageID,
                          bool ToLowerCase, bool RemoveNumerical, int32_t MinSizeWord) {
  const auto stemmer = MakeStemmer(FindStemLanguage(LanguageID, true));
  const UnicodeString text = ToLowerCase ? LowerText(SingleWord) : SingleWord;
  TStringList words;
  SplitWords(FlatStringW(text, u' ', true), RemoveNumerical, words);
  const UnicodeString joined(TrimBlanks(words.Text()));
  if (stemmer == nullptr) return joined;
  if (joined.empty() || static_cast<int64_t>(joined.size()) < MinSizeWord) return {};
  return StemOf(*stemmer, joined, false);
}

TStrings& StemStringUseCacheW(const UnicodeString& Content, const UnicodeString& LanguageID,
                              bool ToLowerCase, bool RemoveNumerical, int32_t MinSizeWord,
                              TStrings& StringList, bool UseStopWordList) {
  const auto stemmer = MakeStemmer(FindStemLanguage(LanguageID, false));
  UnicodeString text = FlatStringW(Content, u' ', true);
  if (UseStopWordList && stemmer != nullptr)
    text = DeleteStopWords(text, LanguageID, u"", true, ToLowerCase, true);
  AppendWords(text, RemoveNumerical, MinSizeWord, stemmer.get(), true, StringList);
  return StringList;
}

}  // namespace TkxStrings
