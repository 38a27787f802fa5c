// platform/stem/Stemmer.h — Snowball word stemmers (libstemmer) and the
// table from the system's language codes to Snowball algorithms.
//
// Two columns of codes select the stemmers: the codes of the UTF-16
// stemming operations and those of the 8-bit ones. They differ for Spanish
// ("sp" against "es") and Swedish ("sw" against "sv"); "po" is the Porter
// algorithm (the classic English one), not Portuguese. The algorithm is
// always named to libstemmer, never the code: its own code lookup would
// take "po" for Portuguese and knows no "sp" or "sw".
//
// Every stemmer works on UTF-8, the system's 8-bit code page. A stemmer
// object is cheap, belongs to one thread and is freed with its owner.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

struct sb_stemmer;

namespace kx::platform {

struct StemLanguage {
  const char16_t* WideCode;  // code of the UTF-16 operations ("sp")
  const char16_t* AnsiCode;  // code of the 8-bit operations ("es")
  const char* Algorithm;     // libstemmer's algorithm name ("spanish")
};

// The fourteen languages in their fixed order (en, fr, sp/es, it, hu, da,
// fi, no, po, pt, ro, ru, sw/sv, de); a code is looked up from the first
// entry on, the first hit deciding.
std::span<const StemLanguage> StemLanguages();

// One UTF-8 stemmer of a Snowball algorithm. Raises Exception naming the
// algorithm when libstemmer offers no such stemmer or cannot make one.
class SnowballStemmer {
 public:
  explicit SnowballStemmer(const char* Algorithm);
  ~SnowballStemmer();
  SnowballStemmer(const SnowballStemmer&) = delete;
  SnowballStemmer& operator=(const SnowballStemmer&) = delete;

  // The stem of Word (UTF-8, lower-case as the algorithms expect). Raises
  // Exception naming the algorithm when libstemmer fails (out of memory).
  std::string Stem(std::string_view Word);

  const std::string& Algorithm() const { return algorithm_; }

 private:
  std::string algorithm_;
  sb_stemmer* stemmer_;
};

}  // namespace kx::platform
