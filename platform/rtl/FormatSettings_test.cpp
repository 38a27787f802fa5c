#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

#include <cstdlib>
#include <ostream>
#include <string>

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
  EXPECT_EQ(de.ShortDateFormat, u"dd/mm/yyyy");  // "/" stands for the separator
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
  EXPECT_EQ(us.ShortDateFormat, u"m/d/yyyy");  // a four-digit year, not ICU's "yy"
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
