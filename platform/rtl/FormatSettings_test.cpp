#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"

// Failing comparisons show the number, not the bytes.
void PrintTo(TDateTime value, std::ostream* os) { *os << "TDateTime(" << value.Val << ")"; }

namespace {

TDateTime At(uint16_t y, uint16_t mo, uint16_t d, uint16_t h = 0, uint16_t mi = 0,
             uint16_t s = 0, uint16_t ms = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s, ms);
}

// Whether ICU on this machine has German locale data.
bool HaveGermanLocaleData() {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(icu::Locale("de"), status);
  int32_t count = 0;
  const icu::UnicodeString* months = symbols.getMonths(count);
  return U_SUCCESS(status) && count > 0 && months[0] == icu::UnicodeString(u"Januar");
}

// --- Settings ---------------------------------------------------------------

TEST(FormatSettings, CLocaleGivesTheInvariantRecord) {
  // The tests run under LC_ALL=C.UTF-8.
  EXPECT_EQ(FormatSettings(), TFormatSettings::Invariant());
  for (const char* name : {"C", "POSIX", "C.UTF-8", ""})
    EXPECT_EQ(TFormatSettings::FromLocale(name), TFormatSettings::Invariant()) << name;

  const TFormatSettings fs = TFormatSettings::Invariant();
  EXPECT_EQ(fs.DecimalSeparator, u'.');
  EXPECT_EQ(fs.ThousandSeparator, u',');
  EXPECT_EQ(fs.DateSeparator, u'-');
  EXPECT_EQ(fs.TimeSeparator, u':');
  EXPECT_EQ(fs.ShortDateFormat, u"yyyy-mm-dd");
  EXPECT_EQ(fs.LongDateFormat, u"dddd, d mmmm yyyy");
  EXPECT_EQ(fs.ShortTimeFormat, u"hh:nn");
  EXPECT_EQ(fs.LongTimeFormat, u"hh:nn:ss");
  EXPECT_EQ(fs.TimeAMString, u"AM");
  EXPECT_EQ(fs.TimePMString, u"PM");
  EXPECT_EQ(fs.LongMonthNames[0], u"January");
  EXPECT_EQ(fs.ShortMonthNames[11], u"Dec");
  EXPECT_EQ(fs.LongDayNames[0], u"Sunday");
  EXPECT_EQ(fs.ShortDayNames[6], u"Sat");
  EXPECT_EQ(fs.TwoDigitYearCenturyWindow, 50);
}

TEST(FormatSettings, LocaleDataComesFromIcu) {
  if (!HaveGermanLocaleData()) GTEST_SKIP() << "ICU has no German locale data here";
  const TFormatSettings de = TFormatSettings::FromLocale("de_DE");
  EXPECT_EQ(de.DecimalSeparator, u',');
  EXPECT_EQ(de.ThousandSeparator, u'.');
  EXPECT_EQ(de.ListSeparator, u';');
  EXPECT_EQ(de.DateSeparator, u'.');
  EXPECT_EQ(de.ShortDateFormat, u"dd/MM/yyyy");  // "/" stands for the separator; "MM" kept
  EXPECT_EQ(de.ShortTimeFormat, u"hh:nn");
  EXPECT_EQ(de.LongTimeFormat, u"hh:nn:ss");
  EXPECT_EQ(de.LongMonthNames[0], u"Januar");
  EXPECT_EQ(de.LongDayNames[0], u"Sonntag");
  EXPECT_EQ(de.CurrencyFormat, 3);  // "1 €"
  EXPECT_EQ(de.NegCurrFormat, 8);   // "-1 €"

  const TDateTime v = At(2024, 1, 15, 13, 5, 9);
  EXPECT_EQ(DateToStr(v, de), u"15.01.2024");
  EXPECT_EQ(FormatDateTime(u"dddddd", v, de), u"Montag, 15. Januar 2024");
  EXPECT_EQ(StrToDate(u"15.01.2024", de), At(2024, 1, 15));

  // Other spellings of the same locale.
  for (const char* name : {"de-DE", "de_DE.UTF-8", "de_DE.UTF-8@euro"})
    EXPECT_EQ(TFormatSettings::FromLocale(name), de) << name;

  const TFormatSettings us = TFormatSettings::FromLocale("en_US");
  EXPECT_EQ(us.ShortDateFormat, u"M/d/yyyy");  // a four-digit year, not ICU's "yy"
  EXPECT_EQ(us.ShortTimeFormat, u"h:nn AMPM");
  EXPECT_EQ(TimeToStr(v, us), u"1:05:09 PM");
  EXPECT_EQ(DateToStr(v, us), u"1/15/2024");
  EXPECT_EQ(us.CurrencyFormat, 0);  // "$1"
  EXPECT_EQ(us.NegCurrFormat, 1);   // "-$1"

  // A locale whose time separator is not ":".
  const TFormatSettings fi = TFormatSettings::FromLocale("fi_FI");
  EXPECT_EQ(fi.TimeSeparator, u'.');
  EXPECT_EQ(TimeToStr(v, fi), u"13.05.09");
  EXPECT_EQ(StrToTime(u"13.05.09", fi), EncodeTime(13, 5, 9, 0));

  // Patterns with quoted words, trailing separators, a leading AM/PM, direction
  // marks and an era all come out as formats that write and read back.
  struct Case { const char* locale; const char16_t* shortText; const char16_t* longDate; };
  const Case cases[] = {
      {"es_ES", u"15/1/2024 13:05:09", u"lunes, 15 de enero de 2024"},
      {"da_DK", u"15.01.2024 13.05.09", u"mandag den 15. januar 2024"},
      {"hu_HU", u"2024. 01. 15. 13:05:09", u"2024. január 15., hétfő"},
      {"ko_KR", u"2024. 1. 15. 오후 1:05:09", u"2024년 1월 15일 월요일"},
      {"ar_EG", u"15‏/1‏/2024 1:05:09 م", u"الاثنين، 15 يناير 2024"},
      {"th_TH", u"15/1/2024 13:05:09", u"วันจันทร์ที่ 15 มกราคม 2024"},  // era left out
  };
  for (const auto& c : cases) {
    const TFormatSettings fs = TFormatSettings::FromLocale(c.locale);
    EXPECT_EQ(DateTimeToStr(v, fs), c.shortText) << c.locale;
    EXPECT_EQ(FormatDateTime(u"dddddd", v, fs), c.longDate) << c.locale;
    TDateTime back;
    EXPECT_TRUE(TryStrToDateTime(c.shortText, back, fs) && back == v) << c.locale;
  }

  // An unknown name gives the root locale, not whatever ICU's default is.
  const TFormatSettings unknown = TFormatSettings::FromLocale("zz_ZZ");
  EXPECT_EQ(unknown, TFormatSettings::FromLocale("qq"));
  EXPECT_EQ(unknown.DecimalSeparator, u'.');
  EXPECT_EQ(DateToStr(v, unknown), u"2024-01-15");
}

TEST(FormatSettings, ProcessRecordFollowsTheEnvironmentAndCanBeChanged) {
  if (!HaveGermanLocaleData()) GTEST_SKIP() << "ICU has no German locale data here";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  ResetFormatSettings();
  EXPECT_EQ(FormatSettings(), TFormatSettings::FromLocale("de_DE"));
  EXPECT_EQ(DateToStr(At(2024, 1, 15)), u"15.01.2024");

  setenv("LC_ALL", "C.UTF-8", 1);
  ResetFormatSettings();
  EXPECT_EQ(FormatSettings(), TFormatSettings::Invariant());

  FormatSettings().DateSeparator = u'.';
  EXPECT_EQ(DateToStr(At(2024, 1, 15)), u"2024-01-15");  // the format has "-", not "/"
  EXPECT_EQ(FormatDateTime(u"dd/mm", At(2024, 1, 15)), u"15.01");
  ResetFormatSettings();
  EXPECT_EQ(FormatSettings(), TFormatSettings::Invariant());
}

// --- Writing ----------------------------------------------------------------

TEST(FormatDateTime, EveryLetterGroup) {
  const TFormatSettings fs = TFormatSettings::Invariant();
  const TDateTime fri = At(2024, 1, 5, 8, 4, 3, 7);  // a Friday morning
  struct Case { const char16_t* format; const char16_t* want; };
  const Case cases[] = {
      {u"d", u"5"}, {u"dd", u"05"}, {u"ddd", u"Fri"}, {u"dddd", u"Friday"},
      {u"ddddd", u"2024-01-05"}, {u"dddddd", u"Friday, 5 January 2024"},
      {u"m", u"1"}, {u"mm", u"01"}, {u"mmm", u"Jan"}, {u"mmmm", u"January"},
      {u"y", u"24"}, {u"yy", u"24"}, {u"yyy", u"2024"}, {u"yyyy", u"2024"},
      {u"yyyyyy", u"2024"},
      {u"h", u"8"}, {u"hh", u"08"}, {u"hhh", u"08"},
      {u"n", u"4"}, {u"nn", u"04"}, {u"s", u"3"}, {u"ss", u"03"},
      {u"z", u"7"}, {u"zzz", u"007"},
      {u"t", u"08:04"}, {u"tt", u"08:04:03"},
      {u"c", u"2024-01-05 08:04:03"}, {u"", u"2024-01-05 08:04:03"},
      {u"YYYY-MM-DD HH:NN", u"2024-01-05 08:04"},  // letters in any case
      {u"dd/mm/yy", u"05-01-24"},                   // "/" is the date separator
      {u"hh:mm", u"08:04"},                         // m right after h: minutes
      {u"hh' h 'mm", u"08 h 04"},                   // ... also across a literal
      {u"h d m", u"8 5 1"},                         // another letter in between: month
      {u"\"dd\" 'mm' dd", u"dd mm 05"},             // quoted literals
      {u"'it''s'", u"its"},
      {u"'open", u"open"},                          // an unclosed quote runs to the end
      {u"#@!, [x] 1", u"#@!, [x] 1"},               // anything else is copied
      {u"h am/pm", u"8 am"}, {u"h AM/PM", u"8 AM"}, {u"h a/p", u"8 a"},
      {u"h ampm", u"8 AM"},
      {u"h am", u"8 a1"},  // "am" alone is no marker: "a" is copied, "m" the month
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTime(c.format, fri, fs), c.want) << ToUtf8(c.format);
}

TEST(FormatDateTime, TwelveHourClock) {
  TFormatSettings fs = TFormatSettings::Invariant();
  fs.TimeAMString = u"vorm.";
  fs.TimePMString = u"nachm.";
  struct Case { const char16_t* format; TDateTime value; const char16_t* want; };
  const Case cases[] = {
      {u"h:nn am/pm", At(2024, 1, 5, 13, 0), u"1:00 pm"},
      {u"hh:nn AM/PM", At(2024, 1, 5, 0, 30), u"12:30 AM"},   // midnight hour is 12
      {u"h:nn a/p", At(2024, 1, 5, 12, 0), u"12:00 p"},        // noon is 12 p
      {u"h:nn AMPM", At(2024, 1, 5, 23, 0), u"11:00 nachm."},  // the settings' strings
      {u"AMPM h:nn", At(2024, 1, 5, 9, 0), u"vorm. 9:00"},     // marker before the hour
      {u"h 'am/pm'", At(2024, 1, 5, 13, 0), u"13 am/pm"},      // quoted: no marker
      {u"h:nn", At(2024, 1, 5, 13, 0), u"13:00"},
      {u"h h am/pm", At(2024, 1, 5, 13, 0), u"13 1 pm"},       // only the nearest h
      {u"h xa am/pm", At(2024, 1, 5, 13, 0), u"13 xa pm"},     // the first "a" decides
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTime(c.format, c.value, fs), c.want) << ToUtf8(c.format);
}

TEST(FormatDateTime, SettingsSeparatorsNamesAndEdgeValues) {
  TFormatSettings fs = TFormatSettings::Invariant();
  fs.DateSeparator = u'.';
  fs.TimeSeparator = u'.';
  fs.ShortDateFormat = u"dd/mm/yyyy";
  EXPECT_EQ(FormatDateTime(u"ddddd hh:nn", At(2024, 1, 5, 8, 4), fs), u"05.01.2024 08.04");
  EXPECT_EQ(DateTimeToStr(At(2024, 1, 5), fs), u"05.01.2024");  // midnight: no time
  EXPECT_EQ(DateTimeToStr(At(2024, 1, 5, 0, 0, 0, 1), fs), u"05.01.2024 00.00.00");

  fs.DateSeparator = 0;  // no separator at all
  EXPECT_EQ(FormatDateTime(u"dd/mm", At(2024, 1, 5), fs), u"0501");

  // Formats nest one level: a record that names itself cannot loop.
  fs.ShortDateFormat = u"[ddddd c]";
  fs.LongTimeFormat = u"tt";
  EXPECT_EQ(FormatDateTime(u"ddddd", At(2024, 1, 5, 8), fs), u"[  ]");
  EXPECT_EQ(FormatDateTime(u"c", At(2024, 1, 5, 8), fs), u"[  ] ");

  const TFormatSettings inv = TFormatSettings::Invariant();
  const UnicodeString full = u"yyyy-mm-dd hh:nn:ss.zzz";
  EXPECT_EQ(FormatDateTime(full, TDateTime(-1.25), inv), u"1899-12-29 06:00:00.000");
  EXPECT_EQ(FormatDateTime(full, TDateTime(0.999999999), inv), u"1899-12-31 00:00:00.000");
  EXPECT_EQ(FormatDateTime(u"yyyy", At(5, 3, 1), inv), u"0005");
  EXPECT_EQ(DateTimeToStr(At(2024, 1, 5, 8, 4, 3), inv), u"2024-01-05 08:04:03");
  EXPECT_EQ(TimeToStr(At(2024, 1, 5, 8, 4, 3), inv), u"08:04:03");
  // A value outside the calendar raises when a date is asked for, not before.
  EXPECT_EQ(FormatDateTime(u"hh:nn", TDateTime(1e10 + 0.5), inv), u"12:00");
  EXPECT_THROW(FormatDateTime(u"dd", TDateTime(1e10), inv), EConvertError);
}

// --- Reading ----------------------------------------------------------------

class DateReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    kx::platform::SetClockForTesting([] { return EncodeDateTime(2026, 6, 15, 10, 0, 0, 0); });
  }
  void TearDown() override { kx::platform::SetClockForTesting(nullptr); }

  static TFormatSettings Order(const char16_t* shortDate, char16_t separator) {
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.ShortDateFormat = shortDate;
    fs.DateSeparator = separator;
    return fs;
  }
};

TEST_F(DateReaders, OrderSeparatorAndYears) {
  const TFormatSettings dmy = Order(u"dd/mm/yyyy", u'.');
  const TFormatSettings mdy = Order(u"m/d/yyyy", u'/');
  const TFormatSettings ymd = Order(u"yyyy-mm-dd", u'-');
  TFormatSettings window70 = dmy;
  window70.TwoDigitYearCenturyWindow = 70;
  TFormatSettings window0 = dmy;
  window0.TwoDigitYearCenturyWindow = 0;
  struct Case { const TFormatSettings* fs; const char16_t* text; int y, m, d; };  // y 0: invalid
  const Case cases[] = {
      {&dmy, u"15.01.2024", 2024, 1, 15},
      {&dmy, u"  15 . 1 .2024  ", 2024, 1, 15},  // blanks around parts
      {&dmy, u"15.01.2024.", 2024, 1, 15},       // one closing separator
      {&dmy, u"15\u200F.01\u200F.2024", 2024, 1, 15},  // direction marks count as blanks
      {&dmy, u"15.01", 2026, 1, 15},             // two numbers: the current year
      {&dmy, u"15.01.", 2026, 1, 15},
      {&dmy, u"15.01.24", 2024, 1, 15},          // window 50 in 2026: 1976..2075
      {&dmy, u"15.01.76", 1976, 1, 15},
      {&dmy, u"15.01.75", 2075, 1, 15},
      {&dmy, u"15.01.5", 2005, 1, 15},
      {&dmy, u"15.01.024", 24, 1, 15},           // three digits are taken as written
      {&window70, u"1.1.56", 1956, 1, 1},        // window 70 in 2026: 1956..2055
      {&window70, u"1.1.55", 2055, 1, 1},
      {&window0, u"1.1.99", 2099, 1, 1},         // window 0: the current century
      {&mdy, u"1/15/2024", 2024, 1, 15},
      {&mdy, u"1/15", 2026, 1, 15},
      {&ymd, u"2024-01-15", 2024, 1, 15},
      {&ymd, u"24-1-15", 2024, 1, 15},
      {&ymd, u"1-15", 2026, 1, 15},              // two numbers: month and day
      {&dmy, u"29.02.2024", 2024, 2, 29},
      {&dmy, u"29.02.2023", 0, 0, 0},
      {&dmy, u"31.04.2024", 0, 0, 0},
      {&mdy, u"13/1/2024", 0, 0, 0},
      {&dmy, u"15/01/2024", 0, 0, 0},            // only the settings' separator
      {&dmy, u"15.01.02024", 0, 0, 0},           // five digits
      {&dmy, u"15.01.0000", 0, 0, 0},
      {&dmy, u"15.01.2024x", 0, 0, 0},
      {&dmy, u"15.01.2024..", 0, 0, 0},
      {&dmy, u"15", 0, 0, 0},
      {&dmy, u"15.", 0, 0, 0},
      {&dmy, u"-15.01.2024", 0, 0, 0},
      {&dmy, u"", 0, 0, 0},
      {&dmy, u" ", 0, 0, 0},
  };
  for (const auto& c : cases) {
    TDateTime v(-7.0);
    const bool ok = TryStrToDate(c.text, v, *c.fs);
    EXPECT_EQ(ok, c.y != 0) << ToUtf8(c.text);
    if (c.y != 0) {
      EXPECT_EQ(v, At(uint16_t(c.y), uint16_t(c.m), uint16_t(c.d))) << ToUtf8(c.text);
    } else {
      EXPECT_EQ(v.Val, -7.0) << ToUtf8(c.text);
    }
  }
}

TEST_F(DateReaders, Times) {
  TFormatSettings fs = TFormatSettings::Invariant();
  fs.TimeAMString = u"vorm.";
  fs.TimePMString = u"nachm.";
  struct Case { const char16_t* text; int h, m, s, ms; };  // h -1: invalid
  const Case cases[] = {
      {u"8:04", 8, 4, 0, 0},
      {u" 08 : 04 : 03 ", 8, 4, 3, 0},
      {u"08:04:03.5", 8, 4, 3, 500},             // a fraction of the second
      {u"08:04:03.25", 8, 4, 3, 250},
      {u"08:04:03.123456", 8, 4, 3, 123},
      {u"8:04 pm", 20, 4, 0, 0},
      {u"8:04PM", 20, 4, 0, 0},
      {u"PM 8:04", 20, 4, 0, 0},
      {u"12:00 AM", 0, 0, 0, 0},
      {u"12:00 PM", 12, 0, 0, 0},
      {u"8:04 nachm.", 20, 4, 0, 0},              // the settings' strings
      {u"VORM. 8:04", 8, 4, 0, 0},
      {u"23:59:59.999", 23, 59, 59, 999},
      {u"0:30 AM", -1, 0, 0, 0},                  // 12-hour: 1 to 12
      {u"13:00 PM", -1, 0, 0, 0},
      {u"24:00", -1, 0, 0, 0},
      {u"12:60", -1, 0, 0, 0},
      {u"12:00:60", -1, 0, 0, 0},
      {u"12", -1, 0, 0, 0},
      {u"12:", -1, 0, 0, 0},
      {u"12:00:", -1, 0, 0, 0},
      {u"12:00:00.", -1, 0, 0, 0},
      {u"12:30x", -1, 0, 0, 0},
      {u"12:30 AM PM", -1, 0, 0, 0},
      {u"", -1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    TDateTime v(-7.0);
    EXPECT_EQ(TryStrToTime(c.text, v, fs), c.h >= 0) << ToUtf8(c.text);
    if (c.h >= 0) {
      EXPECT_EQ(v, EncodeTime(uint16_t(c.h), uint16_t(c.m), uint16_t(c.s), uint16_t(c.ms)))
          << ToUtf8(c.text);
    }
  }
}

TEST_F(DateReaders, DateAndTime) {
  const TFormatSettings fs = Order(u"dd/mm/yyyy", u'.');
  struct Case { const char16_t* text; bool ok; TDateTime want; };
  const Case cases[] = {
      {u"15.01.2024 08:30", true, At(2024, 1, 15, 8, 30)},
      {u"15.01.2024   8:30:15 pm ", true, At(2024, 1, 15, 20, 30, 15)},
      {u"15.01.2024", true, At(2024, 1, 15)},
      {u"08:30", true, EncodeTime(8, 30, 0, 0)},
      {u"29.12.1899 06:00", true, TDateTime(-1.25)},  // back from the negative day
      {u"15.01.202408:30", false, {}},                // no blank between
      {u"15.01.2024 8", false, {}},
      {u"15.01.2024 08:30 x", false, {}},
      {u"31.02.2024 08:30", false, {}},
      {u"x", false, {}},
  };
  for (const auto& c : cases) {
    TDateTime v(-7.0);
    EXPECT_EQ(TryStrToDateTime(c.text, v, fs), c.ok) << ToUtf8(c.text);
    EXPECT_EQ(v, c.ok ? c.want : TDateTime(-7.0)) << ToUtf8(c.text);
  }
}

TEST_F(DateReaders, RaisingFormsNameTheText) {
  struct Case { TDateTime (*read)(const UnicodeString&); const char16_t* text; const char16_t* message; };
  const Case cases[] = {
      {StrToDate, u"32-13-2024", u"'32-13-2024' is not a valid date"},
      {StrToTime, u"25:00", u"'25:00' is not a valid time"},
      {StrToDateTime, u"2024-01-15 x", u"'2024-01-15 x' is not a valid date and time"},
  };
  for (const auto& c : cases) {
    try {
      c.read(c.text);
      ADD_FAILURE() << "no error for " << ToUtf8(c.text);
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, c.message);
    }
  }
  // The process-wide settings (invariant here) read what they write.
  const TDateTime v = At(2024, 1, 15, 8, 30, 15);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(v)), v);
  EXPECT_EQ(StrToDate(DateToStr(v)), At(2024, 1, 15));
  EXPECT_EQ(StrToTime(TimeToStr(v)), EncodeTime(8, 30, 15, 0));
}

}  // namespace

namespace {

// --- The user's locale and the records of other locales -----------------------

class UserLocaleTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetUserLocaleForTesting(std::nullopt);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LC_TIME");
    ResetFormatSettings();
  }
};

TEST_F(UserLocaleTest, FirstNonEmptyVariableWithoutCodesetAndModifier) {
  struct Case { const char* lcAll; const char* lcTime; const char* lang; const char* want; };
  const Case cases[] = {
      {"de_DE.UTF-8@euro", "fr_FR", "it_IT", "de_DE"},
      {"", "fr_FR.UTF-8", "it_IT", "fr_FR"},  // an empty variable counts as unset
      {nullptr, nullptr, "it_IT.ISO-8859-1", "it_IT"},
      {"C.UTF-8", "fr_FR", "it_IT", "C"},
      {"POSIX", nullptr, nullptr, "C"},
      {nullptr, nullptr, nullptr, "C"},
  };
  for (const auto& c : cases) {
    const std::pair<const char*, const char*> vars[] = {
        {"LC_ALL", c.lcAll}, {"LC_TIME", c.lcTime}, {"LANG", c.lang}};
    for (const auto& [name, value] : vars) {
      if (value) setenv(name, value, 1);
      else unsetenv(name);
    }
    EXPECT_EQ(UserLocale(), c.want) << (c.lcAll ? c.lcAll : "-") << " " << (c.lang ? c.lang : "-");
  }
  SetUserLocaleForTesting("de_AT");
  EXPECT_EQ(UserLocale(), "de_AT");
  SetUserLocaleForTesting(std::nullopt);
  EXPECT_EQ(UserLocale(), "C");
}

TEST_F(UserLocaleTest, ProcessRecordAndLocaleRecordsComeFromOneFunction) {
  if (!HaveGermanLocaleData()) GTEST_SKIP() << "ICU has no German locale data here";
  SetUserLocaleForTesting("de_DE");
  ResetFormatSettings();
  EXPECT_EQ(FormatSettings(), TFormatSettings::FromLocale("de_DE"));
  struct Case { std::string name; TFormatSettings want; };
  const Case cases[] = {
      {"de-DE", TFormatSettings::FromLocale("de_DE")},
      {"de_DE", TFormatSettings::FromLocale("de_DE")},
      {"en-GB", TFormatSettings::FromLocale("en_GB")},
      {"C", TFormatSettings::Invariant()},
      {"POSIX", TFormatSettings::Invariant()},
      // No locale data: the user's settings, not ICU's root or default data.
      {"zz-ZZ", TFormatSettings::FromLocale("de_DE")},
      {"", TFormatSettings::FromLocale("de_DE")},
      {"-", TFormatSettings::FromLocale("de_DE")},
  };
  for (const auto& c : cases) EXPECT_EQ(LocaleFormatSettings(c.name), c.want) << c.name;
  EXPECT_EQ(LocaleFormatSettings(0x0407u), TFormatSettings::FromLocale("de_DE"));
  EXPECT_EQ(LocaleFormatSettings(0x0809u), TFormatSettings::FromLocale("en_GB"));
  EXPECT_EQ(LocaleFormatSettings(0xFFFFu), TFormatSettings::FromLocale("de_DE"));  // no such id

  // Under C the user's settings are the invariant record.
  SetUserLocaleForTesting("C");
  EXPECT_EQ(LocaleFormatSettings("zz-ZZ"), TFormatSettings::Invariant());
}

TEST(FormatSettings, ShortDateFormatsAreNumbersAndSeparatorsOnly) {
  if (!HaveGermanLocaleData()) GTEST_SKIP() << "ICU has no German locale data here";
  // Every locale ICU knows: day, month and year letters and nothing that
  // FormatDateTime would read as a word or a name.
  int32_t count = 0;
  const icu::Locale* locales = icu::Locale::getAvailableLocales(count);
  for (int32_t i = 0; i < count; ++i) {
    const TFormatSettings fs = TFormatSettings::FromLocale(locales[i].getName());
    size_t letters = 0;
    for (char16_t c : fs.ShortDateFormat) {
      const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
      letters += letter;
      EXPECT_TRUE(!letter || c == u'd' || c == u'M' || c == u'm' || c == u'y')
          << locales[i].getName() << ": " << ToUtf8(fs.ShortDateFormat);
      EXPECT_TRUE(c != u'"' && c != u'\'') << locales[i].getName();
    }
    EXPECT_GE(letters, 3u) << locales[i].getName() << ": " << ToUtf8(fs.ShortDateFormat);
  }
  // A quoted word ("г" for year in Bulgarian) and an era are left out.
  const TFormatSettings bg = TFormatSettings::FromLocale("bg_BG");
  EXPECT_EQ(bg.ShortDateFormat, u"d/MM/yyyy/");
  EXPECT_EQ(bg.DateSeparator, u'.');
  EXPECT_EQ(TFormatSettings::FromLocale("ps_AF").ShortDateFormat, u"yyyy/M/d");
}

TEST(DateReadersAmPm, OnlyRecordsWithAmPmStringsReadATwelveHourClock) {
  TFormatSettings none = TFormatSettings::Invariant();
  none.TimeAMString.clear();
  none.TimePMString.clear();
  TDateTime v(-7.0);
  EXPECT_FALSE(TryStrToTime(u"8:04 PM", v, none));
  EXPECT_FALSE(TryStrToTime(u"AM 8:04", v, none));
  EXPECT_TRUE(TryStrToTime(u"20:04", v, none));
  EXPECT_TRUE(TryStrToTime(u"8:04 PM", v, TFormatSettings::Invariant()));
  EXPECT_EQ(v, EncodeTime(20, 4, 0, 0));
}

// --- ISO 8601 -----------------------------------------------------------------

TEST(ISO8601Reader, ExtendedFormWithZoneGivesUtc) {
  struct Case { const char16_t* text; TDateTime want; };
  const Case cases[] = {
      {u"2024-01-15T12:00:00.250Z", At(2024, 1, 15, 12, 0, 0, 250)},
      {u"2024-01-15T12:00:00Z", At(2024, 1, 15, 12)},
      {u"2024-01-15T12:00", At(2024, 1, 15, 12)},               // no zone: as written
      {u"2024-01-15T12:00:00.5", At(2024, 1, 15, 12, 0, 0, 500)},
      {u"2024-01-15T12:00:00.123999Z", At(2024, 1, 15, 12, 0, 0, 123)},  // digits dropped
      {u"2024-01-15T12:00:00+02:00", At(2024, 1, 15, 10)},
      {u"2024-01-15T12:00:00-05:30", At(2024, 1, 15, 17, 30)},
      {u"2024-01-15T12:00+0200", At(2024, 1, 15, 10)},
      {u"2024-01-15T12:00:00+02", At(2024, 1, 15, 10)},
      {u"2024-01-01T01:00:00+02:00", At(2023, 12, 31, 23)},     // back over the year
      {u"1899-12-29T06:00:00Z", TDateTime(-1.25)},
      {u"1899-12-30T02:00:00+03:00", TDateTime(-1.0 - 23.0 / 24)},  // 1899-12-29 23:00
      {u"9999-12-31T23:59:59.999Z", At(9999, 12, 31, 23, 59, 59, 999)},
  };
  for (const auto& c : cases) {
    TDateTime v(-7.0);
    EXPECT_TRUE(TryISO8601ToDate(c.text, v)) << ToUtf8(c.text);
    EXPECT_NEAR(v.Val, c.want.Val, 1e-9) << ToUtf8(c.text);
  }
  for (const char16_t* bad :
       {u"", u"2024-01-15", u"2024-01-15T", u"2024-01-15T12", u"2024-01-15 12:00",
        u"2024-1-15T12:00", u"2024-02-30T12:00", u"2024-01-15T24:00", u"2024-01-15T12:60",
        u"2024-01-15T12:00:00.", u"2024-01-15T12:00:00Zx", u"2024-01-15T12:00+2",
        u"2024-01-15T12:00+02:0", u"2024-01-15T12:00+24:00", u"2024-01-15T12:00+02:00 ",
        u" 2024-01-15T12:00", u"2024-01-15t12:00", u"0001-01-01T00:30+01:00",
        u"9999-12-31T23:30-01:00"}) {
    TDateTime v(-7.0);
    EXPECT_FALSE(TryISO8601ToDate(bad, v)) << ToUtf8(bad);
    EXPECT_EQ(v.Val, -7.0) << ToUtf8(bad);
  }
  EXPECT_THROW(ISO8601ToDate(u"2024-01-15"), EConvertError);
  EXPECT_EQ(ISO8601ToDate(u"2024-01-15T12:00Z"), At(2024, 1, 15, 12));
}

}  // namespace
