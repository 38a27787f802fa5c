// text/kxStrings_Dates.h — dates found in running text (German, French,
// English, American, Italian and Spanish notation), and the found texts
// reduced to clean dates.
//
// Finding: GetAllDatesW lower-cases the text and runs the patterns that
// CountryId chooses (kxStrings_Patterns.h), compared trimmed and ignoring
// case:
//   "de"  d.m.yyyy, d.m.yy, German names, French abbreviations
//   "fr"  d.m.yyyy, d.m.yy, French names, English abbreviations
//   "en"  d.m.yyyy, d.m.yy, English names and abbreviations
//   "us"  yyyy.m.d, d.m.yy, English names and abbreviations
//   "it"  d.m.yyyy, d.m.yy, Italian names, Spanish abbreviations
//   "es"  d.m.yyyy, d.m.yy, Spanish names and abbreviations
// ("." standing for ".", "/" or "-"). Any other code, the empty one too, runs
// five patterns one after the other: the "de" and "en" rows, then French,
// Italian and Spanish names each with abbreviations; so a numeric date is
// found twice. Every pattern runs over the whole text and every match is
// added; nothing is removed or merged.
//
// Cleaning: a found text is cut at the first of ".", "/", "\", "-" that it
// holds (none: at the separator of the entry before, none before the first);
// only a text of exactly three parts counts. Day and month get a "0" in front
// up to two characters (never cut); a two-character year up to 70 gets "20"
// in front, from 71 "19" (a year that is no number ends the cleaning: see
// below). The date is read as day-month-year (TkxDateTime::StrToDateExt,
// "dd-mm-yyyy"), 0 when it is none. TFUTURE_TYPE filters it against the
// clock's now, read for each entry; a date of 0 passes NOT_IN_FUTURE and
// OLD_AND_FUTURE. The year-first texts of "us" are read day-first too, and so
// give no date.
// The first error in a cleaning loop ends it silently with what was
// collected so far.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/HashedStringList.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

// Which dates the cleaning keeps: those not later than now (NOT_IN_FUTURE),
// those later than now (IN_FUTURE), all (OLD_AND_FUTURE).
enum TFUTURE_TYPE : uint8_t { NOT_IN_FUTURE, IN_FUTURE, OLD_AND_FUTURE };

using TDateTimes = std::vector<TDateTime>;

namespace TkxStrings {

// Adds each found text T, or with GetWithOutNames T with its month names as
// numbers and its blanks removed.
//   (u"Am 5. März 2010", u"de", true) adds "5.03.2010"; with false "5. märz 2010"
//   (u"12.05.2010", u"xx", false) adds "12.05.2010" twice
TStrings& GetAllDatesW(const UnicodeString& Content, const UnicodeString& CountryId,
                       bool GetWithOutNames, TStrings& AllDatesList);
// The same, adding T + "=" + the converted (or same) text.
//   (u"Am 5. März 2010", u"de", true) adds "5. märz 2010=5.03.2010"
THashedStringList& GetAllDatesW(const UnicodeString& Content, const UnicodeString& CountryId,
                                bool GetWithOutNames, THashedStringList& AllDatesList);

// The dates of the entries that pass the filter, in order; NOT_IN_FUTURE
// keeps dates up to and including now.
TDateTimes GetCleanDates(TFUTURE_TYPE FutureType, const TStrings& AllDatesList);

// Makes ResultWideStringList sorted with duplicates ignored and adds
// "yyyy-mm-dd" for every entry that passes the filter, built from the
// completed parts (so a text that is no date but passes adds its parts);
// NOT_IN_FUTURE keeps dates before now.
//   {"1.2.2010", "01.02.2010"} adds one "2010-02-01"
TStrings& GetCleanDateWideStringList(TFUTURE_TYPE FutureType, const TStrings& AllDatesList,
                                     TStrings& ResultWideStringList);
// The same over name=value entries: for entry i the value stored under its
// name (the first entry with that name) is cleaned, and name + "=" +
// "yyyy-mm-dd" is added.
//   {"5. märz 2010=5.03.2010"} adds "5. märz 2010=2010-03-05"
THashedStringList& GetCleanDateHashedStringList(TFUTURE_TYPE FutureType,
                                                const THashedStringList& AllDatesList,
                                                THashedStringList& ResultWideStringList);

// The last (newest) or first (oldest) of the sorted, cleaned "yyyy-mm-dd"
// texts read back as a date; 0 when none passes.
TDateTime GetNewestDate(TFUTURE_TYPE FutureType, const TStrings& AllDatesList);
TDateTime GetOldestDate(TFUTURE_TYPE FutureType, const TStrings& AllDatesList);

// The latest date among name=value entries. IsCleanlist: the values are
// "yyyy-mm-dd" already; each is read (a value that fails is skipped) and the
// latest after 1899-12-30 wins, with NOT_IN_FUTURE only among those up to
// now. Otherwise the list is cleaned first (GetCleanDateHashedStringList) and
// the latest cleaned value wins. 0 when nothing is chosen.
TDateTime GetNewestDate(TFUTURE_TYPE FutureType, bool IsCleanlist,
                        const THashedStringList& AllDatesList);

}  // namespace TkxStrings
