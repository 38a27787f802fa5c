#include "platform/rtl/FormatSettings.h"

#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"

namespace {

// ---------------------------------------------------------------------------
// Locale names

// "de_DE.UTF-8@euro" -> "de_DE"; "de-DE" -> "de_DE".
std::string BareLocaleName(const std::string& name) {
  std::string bare = name.substr(0, name.find_first_of(".@"));
  for (char& c : bare)
    if (c == '-') c = '_';
  return bare;
}

bool IsCLocale(const std::string& name) {
  const std::string bare = BareLocaleName(name);
  return bare.empty() || bare == "C" || bare == "POSIX";
}

std::mutex& LocaleMutex() {
  static std::mutex m;
  return m;
}

std::optional<std::string>& UserLocaleOverride() {
  static std::optional<std::string> name;
  return name;
}

// ---------------------------------------------------------------------------
// ICU patterns in the letters of FormatDateTime

UnicodeString FromIcu(const icu::UnicodeString& s) {
  return UnicodeString(s.getBuffer(), static_cast<size_t>(s.length()));
}

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsBlankish(char16_t c) { return u_isUWhiteSpace(c) || c == 0x00A0 || c == 0x202F; }

// Characters that FormatDateTime would read as something other than itself.
bool IsFormatSpecial(char16_t c) {
  return IsAsciiLetter(c) || c == u'"' || c == u'\'' || c == u'/' || c == u':';
}

// Appends text so that FormatDateTime writes it unchanged.
void AppendLiteral(UnicodeString& out, const UnicodeString& text) {
  bool special = false;
  for (char16_t c : text) special = special || IsFormatSpecial(c);
  if (!special) {
    out += text;
  } else if (text.find(u'"') == UnicodeString::npos) {
    out += u'"' + text + u'"';
  } else if (text.find(u'\'') == UnicodeString::npos) {
    out += u'\'' + text + u'\'';
  } else {
    for (char16_t c : text) AppendLiteral(out, UnicodeString(1, c));
  }
}

// The first character between the fields of an ICU pattern that separates
// them: not a letter, blank or invisible mark, not quoted. 0 when there is none.
char16_t FindSeparator(const UnicodeString& pattern) {
  bool seenField = false;
  bool quoted = false;
  for (char16_t c : pattern) {
    if (c == u'\'') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (IsAsciiLetter(c)) {
      seenField = true;
    } else if (seenField && !IsBlankish(c) && !u_isalpha(c) && u_charType(c) != U_FORMAT_CHAR) {
      return c;
    }
  }
  return 0;
}

// A short date keeps the month letter of the pattern ("M", "MM"), as a
// locale's short date format is written; FormatDateTime and the readers take
// "M" and "m" alike.
UnicodeString MapIcuField(char16_t letter, size_t count, bool shortDate) {
  switch (letter) {
    case u'y': case u'Y': case u'u': case u'U': case u'r':
      return u"yyyy";  // always the four-digit year, also for a "yy" pattern
    case u'M': case u'L':
      if (shortDate && count <= 2) return count == 1 ? u"M" : u"MM";
      return count == 1 ? u"m" : count == 2 ? u"mm" : count == 4 ? u"mmmm" : u"mmm";
    case u'd':
      return count == 1 ? u"d" : u"dd";
    case u'c': case u'e':
      if (count <= 2) return u"";  // numeric day of the week
      [[fallthrough]];
    case u'E':
      return count == 4 ? u"dddd" : u"ddd";
    case u'H': case u'h': case u'k': case u'K':
      return count == 1 ? u"h" : u"hh";
    case u'm':
      return count == 1 ? u"n" : u"nn";
    case u's':
      return count == 1 ? u"s" : u"ss";
    case u'S':
      return u"zzz";
    case u'a': case u'b': case u'B':
      return u"AMPM";
    default:
      return u"";  // era, zone, week, quarter, ...: no counterpart
  }
}

// An ICU pattern in the letters of FormatDateTime. Where placeholder is not 0,
// every unquoted separator character becomes placeholder ("/" or ":"), so the
// format follows the settings' separator. For a short date, quoted words are
// left out together with the blanks before them (a short date is numbers and
// separators only, its month letter "M" kept).
UnicodeString MapIcuPattern(const UnicodeString& pattern, char16_t separator,
                            char16_t placeholder, bool shortDate = false) {
  const bool dropQuoted = shortDate;
  UnicodeString out;
  UnicodeString literal;
  const size_t n = pattern.size();
  for (size_t i = 0; i < n;) {
    const char16_t c = pattern[i];
    if (c == u'\'') {
      if (i + 1 < n && pattern[i + 1] == u'\'') {
        if (!dropQuoted) literal += u'\'';
        i += 2;
        continue;
      }
      UnicodeString quoted;
      for (++i; i < n; ++i) {
        if (pattern[i] == u'\'') {
          if (i + 1 < n && pattern[i + 1] == u'\'') {
            quoted += u'\'';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          quoted += pattern[i];
        }
      }
      if (!dropQuoted) {
        literal += quoted;
      } else {
        while (!literal.empty() && IsBlankish(literal.back())) literal.pop_back();
        if (literal.empty())
          while (!out.empty() && out.back() == u' ') out.pop_back();
      }
    } else if (IsAsciiLetter(c)) {
      size_t count = 0;
      while (i < n && pattern[i] == c) ++i, ++count;
      const UnicodeString field = MapIcuField(c, count, shortDate);
      // A dropped field (era, zone) takes its leading blank along.
      while (field.empty() && !literal.empty() && literal.back() == u' ') literal.pop_back();
      if (field.empty() && literal.empty()) {
        while (!out.empty() && out.back() == u' ') out.pop_back();
      }
      AppendLiteral(out, literal);
      literal.clear();
      // "dEEEE" must not become "ddddd" (the short date): an empty literal
      // keeps two runs of one letter apart.
      if (!field.empty() && !out.empty() && AsciiUpper(out.back()) == AsciiUpper(field[0]))
        out += u"\"\"";
      out += field;
    } else if (placeholder != 0 && c == separator) {
      AppendLiteral(out, literal);
      literal.clear();
      out += placeholder;
      ++i;
    } else {
      // CLDR puts narrow no-break spaces between time and AM/PM; dates and
      // times written by this system use the plain blank, which every reader
      // takes.
      literal += IsBlankish(c) ? u' ' : c;
      ++i;
    }
  }
  AppendLiteral(out, literal);
  // A dropped field at the start leaves its trailing blank behind.
  size_t first = 0, last = out.size();
  while (first < last && IsBlankish(out[first])) ++first;
  while (last > first && IsBlankish(out[last - 1])) --last;
  return out.substr(first, last - first);
}

// The tokens of an ICU currency subpattern: "$" currency, "1" number, "-",
// "(", ")" and one " " per run of blanks.
std::u16string CurrencyTokens(const UnicodeString& sub) {
  std::u16string t;
  auto add = [&t](char16_t c) {
    if (t.empty() || t.back() != c || (c != u'$' && c != u'1' && c != u' ')) t += c;
  };
  for (char16_t c : sub) {
    if (c == 0x00A4) add(u'$');
    else if ((c >= u'0' && c <= u'9') || c == u'#' || c == u',' || c == u'.' || c == u'@') add(u'1');
    else if (c == u'-' || c == u'(' || c == u')') add(c);
    else if (IsBlankish(c)) add(u' ');
  }
  return std::u16string(TrimBlanks(t));  // the only unit below U+0021 here is " "
}

void SetCurrencyFormats(const UnicodeString& pattern, TFormatSettings& fs) {
  const size_t semi = pattern.find(u';');
  const std::u16string pos = CurrencyTokens(pattern.substr(0, semi));
  const std::u16string neg = semi == UnicodeString::npos
                                 ? u"-" + pos
                                 : CurrencyTokens(pattern.substr(semi + 1));
  static const char16_t* const kPositive[] = {u"$1", u"1$", u"$ 1", u"1 $"};
  static const char16_t* const kNegative[] = {
      u"($1)", u"-$1",  u"$-1",  u"$1-",  u"(1$)",  u"-1$",  u"1-$",   u"1$-",
      u"-1 $", u"-$ 1", u"1 $-", u"$ 1-", u"$ -1", u"1- $", u"($ 1)", u"(1 $)"};
  for (uint8_t i = 0; i < 4; ++i)
    if (pos == kPositive[i]) fs.CurrencyFormat = i;
  const bool before = fs.CurrencyFormat % 2 == 0;
  const bool blank = fs.CurrencyFormat >= 2;
  fs.NegCurrFormat = before ? (blank ? 9 : 1) : (blank ? 8 : 5);
  for (uint8_t i = 0; i < 16; ++i)
    if (neg == kNegative[i]) fs.NegCurrFormat = i;
}

// Whether ICU has data for the language of a bare locale name. ICU answers
// an unknown language with the default locale's data, which depends on the
// machine, so callers must decide what an unknown name means.
bool IcuKnowsLanguage(const std::string& bareName) {
  const icu::Locale wanted(bareName.c_str());
  if (wanted.isBogus() || *wanted.getLanguage() == '\0') return false;
  int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  for (int32_t i = 0; i < count; ++i)
    if (std::string_view(available[i].getLanguage()) == wanted.getLanguage()) return true;
  return false;
}

// An unknown language gets the root locale, the same on every machine.
icu::Locale IcuLocale(const std::string& bareName) {
  return IcuKnowsLanguage(bareName) ? icu::Locale(bareName.c_str()) : icu::Locale::getRoot();
}

UnicodeString PatternOf(const icu::DateFormat* format) {
  icu::UnicodeString pattern;
  if (auto* simple = dynamic_cast<const icu::SimpleDateFormat*>(format)) simple->toPattern(pattern);
  return FromIcu(pattern);
}

void FillFromIcu(const icu::Locale& loc, TFormatSettings& fs) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols numbers(loc, status);
  if (U_SUCCESS(status)) {
    const icu::UnicodeString& dec = numbers.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol);
    const icu::UnicodeString& grp = numbers.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol);
    if (dec.length() > 0) fs.DecimalSeparator = dec.charAt(0);
    if (grp.length() > 0) fs.ThousandSeparator = grp.charAt(0);
    fs.ListSeparator = fs.DecimalSeparator == u',' ? u';' : u',';
    fs.CurrencyString = FromIcu(numbers.getSymbol(icu::DecimalFormatSymbols::kCurrencySymbol));
  }
  status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> money(icu::NumberFormat::createCurrencyInstance(loc, status));
  if (U_SUCCESS(status) && money) {
    if (auto* decimal = dynamic_cast<icu::DecimalFormat*>(money.get())) {
      icu::UnicodeString pattern;
      decimal->toPattern(pattern);
      SetCurrencyFormats(FromIcu(pattern), fs);
      const int32_t digits = decimal->getMinimumFractionDigits();
      if (digits >= 0 && digits <= 9) fs.CurrencyDecimals = static_cast<uint8_t>(digits);
    }
  }

  std::unique_ptr<icu::DateFormat> shortDate(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, loc));
  std::unique_ptr<icu::DateFormat> longDate(icu::DateFormat::createDateInstance(icu::DateFormat::kFull, loc));
  std::unique_ptr<icu::DateFormat> shortTime(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, loc));
  std::unique_ptr<icu::DateFormat> longTime(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, loc));
  if (const UnicodeString p = PatternOf(shortDate.get()); !p.empty()) {
    if (const char16_t sep = FindSeparator(p)) fs.DateSeparator = sep;
    fs.ShortDateFormat = MapIcuPattern(p, fs.DateSeparator, u'/', true);
  }
  if (const UnicodeString p = PatternOf(longDate.get()); !p.empty())
    fs.LongDateFormat = MapIcuPattern(p, 0, 0);
  if (const UnicodeString p = PatternOf(longTime.get()); !p.empty()) {
    if (const char16_t sep = FindSeparator(p)) fs.TimeSeparator = sep;
    fs.LongTimeFormat = MapIcuPattern(p, fs.TimeSeparator, u':');
  }
  if (const UnicodeString p = PatternOf(shortTime.get()); !p.empty())
    fs.ShortTimeFormat = MapIcuPattern(p, fs.TimeSeparator, u':');

  status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(loc, status);
  if (U_FAILURE(status)) return;
  using Sym = icu::DateFormatSymbols;
  int32_t count = 0;
  auto fill = [&count](const icu::UnicodeString* names, auto& target, int32_t first) {
    if (names == nullptr || count < first + static_cast<int32_t>(target.size())) return;
    for (size_t i = 0; i < target.size(); ++i) target[i] = FromIcu(names[first + i]);
  };
  fill(symbols.getMonths(count, Sym::FORMAT, Sym::WIDE), fs.LongMonthNames, 0);
  fill(symbols.getMonths(count, Sym::FORMAT, Sym::ABBREVIATED), fs.ShortMonthNames, 0);
  // ICU's weekday arrays start at index 1 with Sunday.
  fill(symbols.getWeekdays(count, Sym::FORMAT, Sym::WIDE), fs.LongDayNames, 1);
  fill(symbols.getWeekdays(count, Sym::FORMAT, Sym::ABBREVIATED), fs.ShortDayNames, 1);
  const icu::UnicodeString* ampm = symbols.getAmPmStrings(count);
  if (ampm != nullptr && count >= 2) {
    fs.TimeAMString = FromIcu(ampm[0]);
    fs.TimePMString = FromIcu(ampm[1]);
  }
}

// ---------------------------------------------------------------------------
// Writing

void AppendNumber(UnicodeString& out, int64_t value, int digits) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  for (int pad = digits - static_cast<int>(r.ptr - buf); pad > 0; --pad) out += u'0';
  for (const char* p = buf; p != r.ptr; ++p) out += static_cast<char16_t>(*p);
}

// Case-insensitive ASCII prefix test of format at pos.
bool StartsWithNoCase(const UnicodeString& format, size_t pos, std::u16string_view word) {
  if (format.size() - pos < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (AsciiUpper(format[pos + k]) != word[k]) return false;
  return true;
}

bool IsAmPmMarker(const UnicodeString& format, size_t pos) {
  return StartsWithNoCase(format, pos, u"AM/PM") || StartsWithNoCase(format, pos, u"A/P") ||
         StartsWithNoCase(format, pos, u"AMPM");
}

class DateTimeWriter {
 public:
  DateTimeWriter(TDateTime value, const TFormatSettings& settings)
      : value_(value), fs_(settings) {}

  UnicodeString Write(const UnicodeString& format) {
    Append(format.empty() ? UnicodeString(u"c") : format, 0);
    return std::move(out_);
  }

 private:
  void NeedDate() {
    if (!haveDate_) DecodeDate(value_, year_, month_, day_);
    haveDate_ = true;
  }
  void NeedTime() {
    if (!haveTime_) DecodeTime(value_, hour_, min_, sec_, msec_);
    haveTime_ = true;
  }

  void Append(const UnicodeString& format, int depth) {
    if (depth > 1) return;
    bool use12Hour = false;
    char16_t lastToken = u' ';
    const size_t n = format.size();
    size_t i = 0;
    while (i < n) {
      const char16_t starter = format[i++];
      char16_t token = AsciiUpper(starter);
      if (token >= u'A' && token <= u'Z') {
        if (token == u'M' && lastToken == u'H') token = u'N';
        lastToken = token;
      }
      // The run of the same letter (either case) that starts here.
      auto count = [&] {
        size_t c = 1;
        while (i < n && AsciiUpper(format[i]) == AsciiUpper(starter)) ++i, ++c;
        return c;
      };
      switch (token) {
        case u'Y': {
          const size_t c = count();
          NeedDate();
          if (c <= 2) AppendNumber(out_, year_ % 100, 2);
          else AppendNumber(out_, year_, 4);
          break;
        }
        case u'M': {
          const size_t c = count();
          NeedDate();
          if (c <= 2) AppendNumber(out_, month_, static_cast<int>(c));
          else out_ += c == 3 ? fs_.ShortMonthNames[month_ - 1] : fs_.LongMonthNames[month_ - 1];
          break;
        }
        case u'D': {
          const size_t c = count();
          if (c <= 2) {
            NeedDate();
            AppendNumber(out_, day_, static_cast<int>(c));
          } else if (c <= 4) {
            const int32_t dow = DayOfWeek(value_);
            out_ += c == 3 ? fs_.ShortDayNames[dow - 1] : fs_.LongDayNames[dow - 1];
          } else {
            Append(c == 5 ? fs_.ShortDateFormat : fs_.LongDateFormat, depth + 1);
          }
          break;
        }
        case u'H': {
          const size_t c = count();
          NeedTime();
          use12Hour = use12Hour || AmPmFollows(format, i);
          int h = hour_;
          if (use12Hour) h = h == 0 ? 12 : h > 12 ? h - 12 : h;
          AppendNumber(out_, h, c > 2 ? 2 : static_cast<int>(c));
          break;
        }
        case u'N': case u'S': case u'Z': {
          const size_t c = count();
          NeedTime();
          const int value = token == u'N' ? min_ : token == u'S' ? sec_ : msec_;
          const size_t widest = token == u'Z' ? 3 : 2;
          AppendNumber(out_, value, static_cast<int>(c > widest ? widest : c));
          break;
        }
        case u'T': {
          const size_t c = count();
          Append(c == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, depth + 1);
          break;
        }
        case u'C': {
          count();
          Append(fs_.ShortDateFormat, depth + 1);
          NeedTime();
          if (hour_ != 0 || min_ != 0 || sec_ != 0 || msec_ != 0) {
            out_ += u' ';
            Append(fs_.LongTimeFormat, depth + 1);
          }
          break;
        }
        case u'A': {
          const size_t at = i - 1;
          if (StartsWithNoCase(format, at, u"AM/PM")) {
            NeedTime();
            out_ += format.substr(hour_ >= 12 ? at + 3 : at, 2);
            i = at + 5;
            use12Hour = true;
          } else if (StartsWithNoCase(format, at, u"A/P")) {
            NeedTime();
            out_ += format[hour_ >= 12 ? at + 2 : at];
            i = at + 3;
            use12Hour = true;
          } else if (StartsWithNoCase(format, at, u"AMPM")) {
            NeedTime();
            out_ += hour_ >= 12 ? fs_.TimePMString : fs_.TimeAMString;
            i = at + 4;
            use12Hour = true;
          } else {
            out_ += starter;
          }
          break;
        }
        case u'/':
          if (fs_.DateSeparator != 0) out_ += fs_.DateSeparator;
          break;
        case u':':
          if (fs_.TimeSeparator != 0) out_ += fs_.TimeSeparator;
          break;
        case u'"': case u'\'': {
          const size_t close = format.find(starter, i);
          const size_t end = close == UnicodeString::npos ? n : close;
          out_ += format.substr(i, end - i);
          i = end == n ? n : end + 1;
          break;
        }
        default:
          out_ += starter;
      }
    }
  }

  // Whether the next unquoted "a" after an hour, before another "h", starts
  // an am/pm marker.
  static bool AmPmFollows(const UnicodeString& format, size_t from) {
    char16_t quote = 0;
    for (size_t j = from; j < format.size(); ++j) {
      const char16_t c = format[j];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == u'"' || c == u'\'') {
        quote = c;
      } else if (c == u'a' || c == u'A') {
        return IsAmPmMarker(format, j);
      } else if (c == u'h' || c == u'H') {
        return false;
      }
    }
    return false;
  }

  TDateTime value_;
  const TFormatSettings& fs_;
  UnicodeString out_;
  bool haveDate_ = false, haveTime_ = false;
  uint16_t year_ = 0, month_ = 0, day_ = 0;
  uint16_t hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
};

// ---------------------------------------------------------------------------
// Reading

enum class DateOrder { DMY, MDY, YMD };

// The order of the first of d, m, y in the format (quoted text skipped).
DateOrder DateOrderOf(const UnicodeString& format) {
  char16_t quote = 0;
  for (char16_t c : format) {
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    switch (AsciiUpper(c)) {
      case u'"': case u'\'': quote = c; break;
      case u'D': return DateOrder::DMY;
      case u'M': return DateOrder::MDY;
      case u'Y': return DateOrder::YMD;
      default: break;
    }
  }
  return DateOrder::MDY;
}

class Scanner {
 public:
  explicit Scanner(const UnicodeString& s) : s_(s) {}

  bool AtEnd() const { return pos_ >= s_.size(); }
  size_t Pos() const { return pos_; }

  // Skips blanks, and the invisible direction marks that right-to-left
  // locales put into their dates; answers how many.
  size_t SkipBlanks() {
    const size_t start = pos_;
    while (pos_ < s_.size() && (s_[pos_] == u' ' || u_charType(s_[pos_]) == U_FORMAT_CHAR)) ++pos_;
    return pos_ - start;
  }

  // Blanks, then 1 to 4 digits.
  bool Number(int& value, int& digits) {
    const size_t start = pos_;
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < s_.size() && digits < 4 && s_[pos_] >= u'0' && s_[pos_] <= u'9') {
      value = value * 10 + (s_[pos_++] - u'0');
      ++digits;
    }
    if (digits == 0) pos_ = start;
    return digits > 0;
  }

  // Blanks, then ch.
  bool Char(char16_t ch) {
    const size_t start = pos_;
    SkipBlanks();
    if (ch != 0 && pos_ < s_.size() && s_[pos_] == ch) {
      ++pos_;
      return true;
    }
    pos_ = start;
    return false;
  }

  // Blanks, then word in any case. An empty word never matches.
  bool Word(const UnicodeString& word) {
    if (word.empty()) return false;
    const size_t start = pos_;
    SkipBlanks();
    if (s_.size() - pos_ >= word.size()) {
      const std::u16string_view here = std::u16string_view(s_).substr(pos_, word.size());
      if (UpperText(here) == UpperText(word)) {
        pos_ += word.size();
        return true;
      }
    }
    pos_ = start;
    return false;
  }

  // A fraction of a second right after the decimal point: whole milliseconds,
  // further digits dropped.
  bool Fraction(int& msec) {
    msec = 0;
    int digits = 0;
    while (pos_ < s_.size() && s_[pos_] >= u'0' && s_[pos_] <= u'9') {
      if (digits < 3) msec = msec * 10 + (s_[pos_] - u'0');
      ++digits;
      ++pos_;
    }
    for (int d = digits; d < 3; ++d) msec *= 10;
    return digits > 0;
  }

 private:
  const UnicodeString& s_;
  size_t pos_ = 0;
};

int CurrentYear() {
  uint16_t y, m, d;
  DecodeDate(kx::platform::Now(), y, m, d);
  return y;
}

bool ScanDate(Scanner& sc, const TFormatSettings& fs, TDateTime& result) {
  int n1, n2, n3, l1, l2, l3;
  if (!sc.Number(n1, l1) || !sc.Char(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
  const DateOrder order = DateOrderOf(fs.ShortDateFormat);
  int y, m, d;
  // A separator after two numbers either leads to the third or closes the
  // date ("15.01.").
  if (sc.Char(fs.DateSeparator) && sc.Number(n3, l3)) {
    int yearDigits;
    switch (order) {
      case DateOrder::MDY: y = n3, yearDigits = l3, m = n1, d = n2; break;
      case DateOrder::DMY: y = n3, yearDigits = l3, m = n2, d = n1; break;
      default:             y = n1, yearDigits = l1, m = n2, d = n3; break;
    }
    if (yearDigits <= 2) {
      const int window = fs.TwoDigitYearCenturyWindow;
      const int centuryBase = CurrentYear() - window;
      y += centuryBase / 100 * 100;
      if (window > 0 && y < centuryBase) y += 100;
    }
    sc.Char(fs.DateSeparator);  // one closing separator is allowed ("2024. 01. 15.")
  } else {
    y = CurrentYear();
    if (order == DateOrder::DMY) d = n1, m = n2;
    else m = n1, d = n2;
  }
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  return TryEncodeDate(static_cast<uint16_t>(y), static_cast<uint16_t>(m),
                       static_cast<uint16_t>(d), result);
}

bool ScanAmPm(Scanner& sc, const TFormatSettings& fs, int& baseHour) {
  // A record without AM and PM strings (the readers' own records) knows only
  // the 24-hour clock.
  if (fs.TimeAMString.empty() && fs.TimePMString.empty()) return false;
  if (sc.Word(fs.TimeAMString) || sc.Word(u"AM")) baseHour = 0;
  else if (sc.Word(fs.TimePMString) || sc.Word(u"PM")) baseHour = 12;
  else return false;
  return true;
}

bool ScanTime(Scanner& sc, const TFormatSettings& fs, TDateTime& result) {
  int baseHour = -1;
  ScanAmPm(sc, fs, baseHour);
  int hour, min, sec = 0, msec = 0, digits;
  if (!sc.Number(hour, digits) || !sc.Char(fs.TimeSeparator) || !sc.Number(min, digits))
    return false;
  if (sc.Char(fs.TimeSeparator)) {
    if (!sc.Number(sec, digits)) return false;
    if (sc.Char(u'.') || sc.Char(fs.DecimalSeparator)) {
      if (!sc.Fraction(msec)) return false;
    }
  }
  if (baseHour < 0) ScanAmPm(sc, fs, baseHour);
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    hour = hour % 12 + baseHour;
  }
  if (hour > 23 || min > 59 || sec > 59) return false;
  return TryEncodeTime(static_cast<uint16_t>(hour), static_cast<uint16_t>(min),
                       static_cast<uint16_t>(sec), static_cast<uint16_t>(msec), result);
}

[[noreturn]] void RaiseNotValid(const UnicodeString& text, const char16_t* what) {
  throw EConvertError(u"'" + text + u"' is not a valid " + what);
}

// English names of the C locale.
constexpr std::array<const char16_t*, 12> kLongMonths = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};
constexpr std::array<const char16_t*, 7> kLongDays = {
    u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};

}  // namespace

TFormatSettings TFormatSettings::Invariant() {
  TFormatSettings fs;
  fs.DecimalSeparator = u'.';
  fs.ThousandSeparator = u',';
  fs.DateSeparator = u'-';
  fs.TimeSeparator = u':';
  fs.ListSeparator = u',';
  fs.ShortDateFormat = u"yyyy-mm-dd";
  fs.LongDateFormat = u"dddd, d mmmm yyyy";
  fs.ShortTimeFormat = u"hh:nn";
  fs.LongTimeFormat = u"hh:nn:ss";
  fs.TimeAMString = u"AM";
  fs.TimePMString = u"PM";
  fs.CurrencyString = u"\u00A4";
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 1;
  fs.CurrencyDecimals = 2;
  for (size_t i = 0; i < 12; ++i) {
    fs.LongMonthNames[i] = kLongMonths[i];
    fs.ShortMonthNames[i] = fs.LongMonthNames[i].substr(0, 3);
  }
  for (size_t i = 0; i < 7; ++i) {
    fs.LongDayNames[i] = kLongDays[i];
    fs.ShortDayNames[i] = fs.LongDayNames[i].substr(0, 3);
  }
  fs.TwoDigitYearCenturyWindow = 50;
  return fs;
}

TFormatSettings TFormatSettings::FromLocale(const std::string& IcuLocaleName) {
  TFormatSettings fs = Invariant();
  if (IsCLocale(IcuLocaleName)) return fs;
  try {
    FillFromIcu(IcuLocale(BareLocaleName(IcuLocaleName)), fs);
  } catch (...) {
    // Settings are made at load time, where nothing may throw; whatever ICU
    // could not give keeps its invariant value.
  }
  return fs;
}

std::string UserLocale() {
  {
    std::lock_guard<std::mutex> lock(LocaleMutex());
    if (const auto& name = UserLocaleOverride()) return *name;
  }
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    if (const char* value = std::getenv(var); value && *value) {
      const std::string bare = BareLocaleName(value);
      return IsCLocale(bare) ? "C" : bare;
    }
  }
  return "C";
}

void SetUserLocaleForTesting(std::optional<std::string> Locale) {
  std::lock_guard<std::mutex> lock(LocaleMutex());
  UserLocaleOverride() = std::move(Locale);
}

namespace {

// Records of the locales asked for so far, by bare name. Made from constant
// ICU data, so an entry never goes stale; the set of names a process asks
// for is small.
TFormatSettings CachedFromLocale(const std::string& bareName) {
  static std::mutex cacheMutex;
  static std::map<std::string, TFormatSettings> cache;
  {
    std::lock_guard<std::mutex> lock(cacheMutex);
    if (auto it = cache.find(bareName); it != cache.end()) return it->second;
  }
  TFormatSettings made = TFormatSettings::FromLocale(bareName);
  std::lock_guard<std::mutex> lock(cacheMutex);
  if (cache.size() >= 256) cache.clear();
  return cache.emplace(bareName, std::move(made)).first->second;
}

}  // namespace

TFormatSettings LocaleFormatSettings(const std::string& LocaleName) {
  const std::string bare = BareLocaleName(LocaleName);
  if (!bare.empty() && IsCLocale(bare)) return TFormatSettings::Invariant();
  if (bare.empty() || !IcuKnowsLanguage(bare)) return CachedFromLocale(UserLocale());
  return CachedFromLocale(bare);
}

TFormatSettings LocaleFormatSettings(uint32_t LCID) {
  char name[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = uloc_getLocaleForLCID(LCID, name, sizeof name - 1, &status);
  if (U_FAILURE(status) || length <= 0) return CachedFromLocale(UserLocale());
  return LocaleFormatSettings(std::string(name, static_cast<size_t>(length)));
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = TFormatSettings::FromLocale(UserLocale());
  return settings;
}

void ResetFormatSettings() { FormatSettings() = TFormatSettings::FromLocale(UserLocale()); }

UnicodeString FormatDateTime(const UnicodeString& Format, TDateTime Value,
                             const TFormatSettings& Settings) {
  return DateTimeWriter(Value, Settings).Write(Format);
}

UnicodeString FormatDateTime(const UnicodeString& Format, TDateTime Value) {
  return FormatDateTime(Format, Value, FormatSettings());
}

UnicodeString DateTimeToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime(u"c", Value, Settings);
}
UnicodeString DateTimeToStr(TDateTime Value) { return DateTimeToStr(Value, FormatSettings()); }
UnicodeString DateToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime(u"ddddd", Value, Settings);
}
UnicodeString DateToStr(TDateTime Value) { return DateToStr(Value, FormatSettings()); }
UnicodeString TimeToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime(u"tt", Value, Settings);
}
UnicodeString TimeToStr(TDateTime Value) { return TimeToStr(Value, FormatSettings()); }

bool TryStrToDate(const UnicodeString& S, TDateTime& Value, const TFormatSettings& Settings) {
  Scanner sc(S);
  TDateTime date;
  if (!ScanDate(sc, Settings, date)) return false;
  sc.SkipBlanks();
  if (!sc.AtEnd()) return false;
  Value = date;
  return true;
}

bool TryStrToTime(const UnicodeString& S, TDateTime& Value, const TFormatSettings& Settings) {
  Scanner sc(S);
  TDateTime time;
  if (!ScanTime(sc, Settings, time)) return false;
  sc.SkipBlanks();
  if (!sc.AtEnd()) return false;
  Value = time;
  return true;
}

bool TryStrToDateTime(const UnicodeString& S, TDateTime& Value, const TFormatSettings& Settings) {
  Scanner sc(S);
  TDateTime date;
  if (!ScanDate(sc, Settings, date)) return TryStrToTime(S, Value, Settings);
  const size_t blanks = sc.SkipBlanks();
  if (sc.AtEnd()) {
    Value = date;
    return true;
  }
  // "15.01.202412:30" is no date followed by a time.
  TDateTime time;
  if (blanks == 0 || !ScanTime(sc, Settings, time)) return false;
  sc.SkipBlanks();
  if (!sc.AtEnd()) return false;
  Value = TDateTime(date.Val >= 0 ? date.Val + time.Val : date.Val - time.Val);
  return true;
}

TDateTime StrToDate(const UnicodeString& S, const TFormatSettings& Settings) {
  TDateTime v;
  if (!TryStrToDate(S, v, Settings)) RaiseNotValid(S, u"date");
  return v;
}
TDateTime StrToTime(const UnicodeString& S, const TFormatSettings& Settings) {
  TDateTime v;
  if (!TryStrToTime(S, v, Settings)) RaiseNotValid(S, u"time");
  return v;
}
TDateTime StrToDateTime(const UnicodeString& S, const TFormatSettings& Settings) {
  TDateTime v;
  if (!TryStrToDateTime(S, v, Settings)) RaiseNotValid(S, u"date and time");
  return v;
}
TDateTime StrToDate(const UnicodeString& S) { return StrToDate(S, FormatSettings()); }
TDateTime StrToTime(const UnicodeString& S) { return StrToTime(S, FormatSettings()); }
TDateTime StrToDateTime(const UnicodeString& S) { return StrToDateTime(S, FormatSettings()); }

namespace {

// Exactly count digits at pos.
bool FixedDigits(const UnicodeString& s, size_t& pos, size_t count, int& value) {
  if (s.size() - pos < count) return false;
  value = 0;
  for (size_t k = 0; k < count; ++k) {
    const char16_t c = s[pos + k];
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  pos += count;
  return true;
}

bool At(const UnicodeString& s, size_t pos, char16_t c) { return pos < s.size() && s[pos] == c; }

}  // namespace

bool TryISO8601ToDate(const UnicodeString& S, TDateTime& Value) {
  size_t p = 0;
  int year, month, day, hour, min, sec = 0, msec = 0;
  if (!FixedDigits(S, p, 4, year) || !At(S, p++, u'-') || !FixedDigits(S, p, 2, month) ||
      !At(S, p++, u'-') || !FixedDigits(S, p, 2, day) || !At(S, p++, u'T') ||
      !FixedDigits(S, p, 2, hour) || !At(S, p++, u':') || !FixedDigits(S, p, 2, min))
    return false;
  if (At(S, p, u':')) {
    ++p;
    if (!FixedDigits(S, p, 2, sec)) return false;
    if (At(S, p, u'.')) {
      ++p;
      int digits = 0;
      for (; p < S.size() && S[p] >= u'0' && S[p] <= u'9'; ++p, ++digits)
        if (digits < 3) msec = msec * 10 + (S[p] - u'0');
      if (digits == 0) return false;
      for (int d = digits; d < 3; ++d) msec *= 10;
    }
  }
  int offsetMinutes = 0;
  if (At(S, p, u'Z')) {
    ++p;
  } else if (At(S, p, u'+') || At(S, p, u'-')) {
    const int sign = S[p++] == u'-' ? -1 : 1;
    int oh, om = 0;
    if (!FixedDigits(S, p, 2, oh)) return false;
    if (At(S, p, u':')) {
      ++p;
      if (!FixedDigits(S, p, 2, om)) return false;
    } else if (p < S.size() && !FixedDigits(S, p, 2, om)) {
      return false;
    }
    if (oh > 23 || om > 59) return false;
    offsetMinutes = sign * (oh * 60 + om);
  }
  if (p != S.size()) return false;

  TDateTime date, time;
  if (!TryEncodeDate(static_cast<uint16_t>(year), static_cast<uint16_t>(month),
                     static_cast<uint16_t>(day), date) ||
      !TryEncodeTime(static_cast<uint16_t>(hour), static_cast<uint16_t>(min),
                     static_cast<uint16_t>(sec), static_cast<uint16_t>(msec), time))
    return false;
  // In whole milliseconds on the time-stamp day count, where days before
  // 1899-12-30 need no special care.
  constexpr int64_t kMSecsPerDay = 86'400'000;
  const TTimeStamp local = DateTimeToTimeStamp(date);
  const int64_t ms = static_cast<int64_t>(local.Date) * kMSecsPerDay +
                     static_cast<int64_t>(std::llround(time.Val * kMSecsPerDay)) -
                     int64_t{offsetMinutes} * 60'000;
  const int64_t stampDay = ms / kMSecsPerDay;  // ms > 0: the date has day 1 or later
  if (stampDay < 1 || stampDay > 3'652'059) return false;
  Value = TimeStampToDateTime({static_cast<int32_t>(ms % kMSecsPerDay), static_cast<int32_t>(stampDay)});
  return true;
}

TDateTime ISO8601ToDate(const UnicodeString& S) {
  TDateTime v;
  if (!TryISO8601ToDate(S, v)) RaiseNotValid(S, u"ISO 8601 date and time");
  return v;
}
