// text/kxStrings_Stem.h — stop words and word stems: deleting stop words
// from a text and reducing every word of it to its Snowball stem, for
// word-based comparison and classification of running text.
//
// Language codes choose a stemmer (platform/stem/Stemmer.h), compared
// trimmed and without regard to case, the first hit deciding:
//
//   StemStringW:          en fr sp it hu da fi no po pt ro ru sw de
//   StemStringUseCacheW:  en fr es it hu da fi no po pt ro ru sv de
//
// (English, French, Spanish, Italian, Hungarian, Danish, Finnish, Norwegian,
// Porter, Portuguese, Romanian, Russian, Swedish, German). Any other code
// selects no stemmer and switches stop words off; such a call still cleans
// the words, and the length limit MinSizeWord then does not apply.
//
// Stop words come from a stop-list file, from the caller's text or from the
// process-wide TkxStopwordCache. A stop-list file holds one word per line;
// its encoding is that of its byte-order mark (UTF-8, UTF-16 LE or BE), else
// UTF-8. The files are the caller's; StemStringW looks for
// "stopList_" + code + ".txt" (the left column's code, exactly so: the name
// is case-sensitive) in the folder it is given.
//
// Deleting one stop word replaces every " " + word + " " by " " in one pass
// without regard to case. A stop word at the very beginning or end of the
// text stays, and of two equal stop words next to each other only the first
// goes; an empty line of a list turns every double blank into one.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

class TkxObjectHashList;

// The process-wide stop-word lists, one per language id (ids compared
// without regard to case). Made on first use, never freed. Its operations
// may be called from several threads; a list handed out by
// GetListForLanguage is the cached list itself and may be read while nobody
// removes it.
class TkxStopwordCache {
 public:
  static TkxStopwordCache& GetInstance();

  // The cached list of LanguageID; nullptr when there is none.
  TStringList* GetListForLanguage(const UnicodeString& LanguageID);
  bool IsInCache(const UnicodeString& LanguageID);
  // Caches the lines of ListAsStringCRLFSeperated (the text comes first) as
  // the list of LanguageId. False, changing nothing, when the text is blank
  // after trimming or LanguageId has a list already: a list is never
  // replaced, remove it first.
  bool SetListForLanguage(const UnicodeString& ListAsStringCRLFSeperated,
                          const UnicodeString& LanguageId);
  // Frees the list of LanguageID; true also when there was none.
  bool RemoveListForLanguage(const UnicodeString& LanguageID);

 private:
  TkxStopwordCache();
  ~TkxStopwordCache() = delete;  // lives until the process ends

  std::mutex lock_;
  std::unique_ptr<TkxObjectHashList> StopWordLists;  // owns its lists
};

namespace TkxStrings {

// Deletes every line of the stop-list file FilePath (a blank line included)
// from Content. A file that cannot be opened raises EFOpenError.
//   (u"the cat and the dog", file "the\nand") == u"the cat dog"
UnicodeString DeleteStopWords(const UnicodeString& Content, const UnicodeString& FilePath);

// Content trimmed with TrimBefore and lower-cased (LowerText) with
// IgnoreCase, then every stop word deleted: with UseCache those of the
// cache's list for LanguageId (none when the cache has no list for it),
// else the lines of ListAsStringSeparatorCRLF. LanguageId is read only with
// UseCache.
//   (u"Der Hund", u"de", u"der", false, true, false) == u"der hund"
UnicodeString DeleteStopWords(const UnicodeString& Content, const UnicodeString& LanguageId,
                              const UnicodeString& ListAsStringSeparatorCRLF, bool TrimBefore,
                              bool IgnoreCase, bool UseCache);

// Appends the stems of the words of Content to StringList (nothing is
// removed or sorted), in this order:
// 1. with UseStopWordList and a stemmer for LanguageID, the stop words of
//    the file "stopList_" + code + ".txt" in the folder
//    PathStemLanguageFiles are deleted (DeleteStopWords above) when the
//    file exists. The folder may end in "/" or "\"; without one it gets
//    "\" when it holds "\" and no "/", else "/". A folder blank after
//    trimming names no folder: the step is skipped;
// 2. with ToLowerCase the text is lower-cased;
// 3. German umlauts and "ß" are spelled out and every character but
//    "0"-"9", "A"-"Z", "a"-"z" and "_" becomes a blank (FlatStringW);
//    apostrophes and, with RemoveNumerical, digits become blanks too;
// 4. each word, lower-cased: with a stemmer its trimmed stem when it has
//    at least MinSizeWord characters (shorter words are dropped); without
//    a stemmer the word itself, whatever its length.
// So a stemmer only ever sees ASCII words.
//   (u"Größe 42 l'été", u"", u"xx", false, true, 5, list, false) adds
//   "groesse", "l", "t"
TStrings& StemStringW(const UnicodeString& Content, const UnicodeString& PathStemLanguageFiles,
                      const UnicodeString& LanguageID, bool ToLowerCase, bool RemoveNumerical,
                      int32_t MinSizeWord, TStrings& StringList, bool UseStopWordList);

// Steps 2 to 4 above on SingleWord, the words joined by CR LF and trimmed;
// with a stemmer the stem of that whole text (empty when it is blank or
// shorter than MinSizeWord), without one the text itself.
//   (u"running", u"en", false, false, 5) == u"run";  (u"cats", u"en", ...5) == u""
UnicodeString StemStringW(const UnicodeString& SingleWord, const UnicodeString& LanguageID,
                          bool ToLowerCase, bool RemoveNumerical, int32_t MinSizeWord);

// As the list overload of StemStringW, with the codes of the right column
// ("es", "sv"), in this order: the text is flattened (step 3's
// FlatStringW); with UseStopWordList and a stemmer the stop words of the
// cache's list for LanguageID (the id as given) are deleted, trimming
// first and lower-casing with ToLowerCase (DeleteStopWords with UseCache);
// then step 4, each stem made by the 8-bit stemmer and trimmed as 8-bit
// text.
TStrings& StemStringUseCacheW(const UnicodeString& Content, const UnicodeString& LanguageID,
                              bool ToLowerCase, bool RemoveNumerical, int32_t MinSizeWord,
                              TStrings& StringList, bool UseStopWordList);

}  // namespace TkxStrings
