#include "platform/stem/Stemmer.h"

#include <libstemmer.h>

#include <climits>

#include "platform/rtl/Exceptions.h"

namespace kx::platform {

namespace {

constexpr StemLanguage kLanguages[] = {
    {u"en", u"en", "english"},    {u"fr", u"fr", "french"},   {u"sp", u"es", "spanish"},
    {u"it", u"it", "italian"},    {u"hu", u"hu", "hungarian"}, {u"da", u"da", "danish"},
    {u"fi", u"fi", "finnish"},    {u"no", u"no", "norwegian"}, {u"po", u"po", "porter"},
    {u"pt", u"pt", "portuguese"}, {u"ro", u"ro", "romanian"},  {u"ru", u"ru", "russian"},
    {u"sw", u"sv", "swedish"},    {u"de", u"de", "german"},
};

[[noreturn]] void RaiseStemmerError(const std::string& algorithm, const char* what) {
  throw Exception("Snowball stemmer \"" + algorithm + "\": " + what);
}

}  // namespace

std::span<const StemLanguage> StemLanguages() { return kLanguages; }

SnowballStemmer::SnowballStemmer(const char* Algorithm)
    : algorithm_(Algorithm), stemmer_(sb_stemmer_new(Algorithm, "UTF_8")) {
  if (stemmer_ == nullptr) RaiseStemmerError(algorithm_, "not available");
}

SnowballStemmer::~SnowballStemmer() { sb_stemmer_delete(stemmer_); }

std::string SnowballStemmer::Stem(std::string_view Word) {
  if (Word.size() > static_cast<size_t>(INT_MAX)) RaiseStemmerError(algorithm_, "word too long");
  const sb_symbol* stem = sb_stemmer_stem(
      stemmer_, reinterpret_cast<const sb_symbol*>(Word.data()), static_cast<int>(Word.size()));
  if (stem == nullptr) RaiseStemmerError(algorithm_, "out of memory");
  return std::string(reinterpret_cast<const char*>(stem),
                     static_cast<size_t>(sb_stemmer_length(stemmer_)));
}

}  // namespace kx::platform
