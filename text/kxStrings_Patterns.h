// text/kxStrings_Patterns.h — the fixed regular expressions and word lists
// of the text mining (dates, currencies, decimal signs). They are part of the
// toolkit's interface: other programs rely on exactly these texts, so they
// stand here as written, non-ASCII letters included (this file is UTF-8).
//
// Pattern syntax is that of platform/regex/RegExpr.h: inside brackets "\-"
// is a literal hyphen and "\," "\." are "," and "."; outside them "." is
// any character and "\$" a dollar sign.
#pragma once

#include <array>
#include <string_view>

namespace TkxStrings::patterns {

// ---- Dates -----------------------------------------------------------------
// The alternatives that the date patterns are joined from. Those that begin
// with "|" continue a pattern; the "...First" ones are the same alternatives
// as the first of a pattern (no "|").
// d.m.yyyy with ".", "/" or "-"
inline constexpr std::u16string_view kDateDayMonthYear =
    uR"(([0-9]{1,2}[./\-]{1,1}[0-9]{1,2}[./\-]{1,1}(1|2)[0-9]{3,3}))";
// d.m.yy
inline constexpr std::u16string_view kDateTwoDigitYear =
    uR"(|([0-9]{1,2}[./\-]{1,1}[0-9]{1,2}[./\-]{1,1}[0-9]{2,2}))";
// German month names
inline constexpr std::u16string_view kDateGermanNames =
    uR"(|([0-9]{1,2}[./\- ]{0,2}(januar|febuar|märz|april|mai|juni|juli|august|september|oktober|november|dezember)[./\- ]{0,2}(1|2)[0-9]{3,3}))";
// French month abbreviations
inline constexpr std::u16string_view kDateFrenchShortNames =
    uR"(|([0-9]{1,2}[./\- ]{0,2}(jan|fév|mar|avr|mai|jui|jul|aoû|sep|oct|nov|déc)[./\- ]{0,2}(1|2)[0-9]{3,3}))";
// French month names
inline constexpr std::u16string_view kDateFrenchNames =
    uR"(|([0-9]{1,2}[./\-]{1,1}(janvier|février|mars|avril|mai|juin|juillet|août|septembre|octobre|novembre|décembre)[./\- ]{1,1}(1|2)[0-9]{3,3}))";
// English month abbreviations
inline constexpr std::u16string_view kDateEnglishShortNames =
    uR"(|([0-9]{1,2}[./\-]{1,1}(jan|feb|mar|apr|mar|jun|jul|aug|sep|oct|nov|dec)[./\- ]{1,2}(1|2)[0-9]{3,3}))";
// English month names
inline constexpr std::u16string_view kDateEnglishNames =
    uR"(|([0-9]{1,2}[./\-]{1,1}(january|febuary|marche|april|may|juni|juli|august|september|october|november|december)[./\- ]{1,1}(1|2)[0-9]{3,3}))";
// yyyy.m.d
inline constexpr std::u16string_view kDateYearFirst =
    uR"(((1|2)[0-9]{3,3}[./\-]{1,1}[0-9]{1,2}[./\-]{1,1}[0-9]{1,2}))";
// Italian month names
inline constexpr std::u16string_view kDateItalianNames =
    uR"(|([0-9]{1,2}[./\-]{1,1}(gennaio|febbraio|marzo|aprile|maggio|giugno|luglio|agosto|settembre|ottobre|novembre|dicembre)[./\- ]{1,1}(1|2)[0-9]{3,3}))";
// Spanish month abbreviations
inline constexpr std::u16string_view kDateSpanishShortNames =
    uR"(|([0-9]{1,2}[./\-]{1,1}(ene|feb|mar|abr|may|jun|jul|ago|sep|oct|nov|dic)[./\- ]{1,2}(1|2)[0-9]{3,3}))";
// Spanish month names
inline constexpr std::u16string_view kDateSpanishNames =
    uR"(|([0-9]{1,2}[./\-]{1,1}(enero|febrero|marzo|abril|mayo|junio|julio|agosto|septiembre|octubre|noviembre|diciembre)[./\- ]{1,1}(1|2)[0-9]{3,3}))";
// French month names
inline constexpr std::u16string_view kDateFrenchNamesFirst =
    uR"(([0-9]{1,2}[./\-]{1,1}(janvier|février|mars|avril|mai|juin|juillet|août|septembre|octobre|novembre|décembre)[./\- ]{1,1}(1|2)[0-9]{3,3}))";
// Italian month names
inline constexpr std::u16string_view kDateItalianNamesFirst =
    uR"(([0-9]{1,2}[./\-]{1,1}(gennaio|febbraio|marzo|aprile|maggio|giugno|luglio|agosto|settembre|ottobre|novembre|dicembre)[./\- ]{1,1}(1|2)[0-9]{3,3}))";
// Spanish month names
inline constexpr std::u16string_view kDateSpanishNamesFirst =
    uR"(([0-9]{1,2}[./\-]{1,1}(enero|febrero|marzo|abril|mayo|junio|julio|agosto|septiembre|octubre|noviembre|diciembre)[./\- ]{1,1}(1|2)[0-9]{3,3}))";
// Month names and abbreviations (German, English, French, Spanish, Italian,
// each in full and short) and the month numbers they stand for, as two comma
// texts paired item by item; the German and English numbers end in ".".
inline constexpr std::u16string_view kMonthNames =
    u"januar,febuar,märz,april,mai,juni,juli,august,september,oktober,november,dezember,"
    u"jan.,feb.,mär.,apr.,mai.,jun.,jul.,aug.,sep.,okt.,nov.,dez.,"
    u"january, febuary, marche, april, may, juni, juli, august, september, october, november, december,"
    u"jan.,feb.,mar.,apr.,mar.,jun.,jul.,aug.,sep.,oct.,nov.,dec.,"
    u"janvier,février,mars,avril,mai,juin,juillet,août,septembre,octobre,novembre,décembre,"
    u"jan.,fév.,mar.,avr.,mai.,jui.,jul.,aoû.,sep.,oct.,nov.,déc.,"
    u"enero,febrero,marzo,abril,mayo,junio,julio,agosto,septiembre,octubre,noviembre,diciembre,"
    u"ene.,feb.,mar.,abr.,may.,jun.,jul.,ago.,sep.,oct.,nov.,dic.,"
    u"gennaio,febbraio,marzo,aprile,maggio,giugno,luglio,agosto,settembre,ottobre,novembre,dicembre,"
    u"gen.,feb.,mar.,apr.,mag.,giu.,lug.,ago.,set.,ott.,nov.,dic.";
inline constexpr std::u16string_view kMonthNumbers =
    u"01.,02.,03.,04.,05.,06.,07.,08.,09.,10.,11.,12.,"
    u"01.,02.,03.,04.,05.,06.,07.,08.,09.,10.,11.,12.,"
    u"01.,02.,03.,04.,05.,06.,07.,08.,09.,10.,11.,12.,"
    u"01.,02.,03.,04.,05.,06.,07.,08.,09.,10.,11.,12.,"
    u"01,02,03,04,05,06,07,08,09,10,11,12,"
    u"01,02,03,04,05,06,07,08,09,10,11,12,"
    u"01,02,03,04,05,06,07,08,09,10,11,12,"
    u"01,02,03,04,05,06,07,08,09,10,11,12,"
    u"01,02,03,04,05,06,07,08,09,10,11,12,"
    u"01,02,03,04,05,06,07,08,09,10,11,12";

// ---- Currencies ----------------------------------------------------------------
// One pattern per currency, run over upper-cased text in this order.
inline constexpr std::array<std::u16string_view, 6> kCurrencies = {
    uR"(EUR|EURO|€)",
    uR"(USD|DOLLAR|AMERIKANISCHE.DOLLAR|\$|US\$)",
    uR"(CHF|(SFr.)|SFr|FRANKEN|SCHWEIZER.FRANKEN)",
    uR"(RUB|RUBEL|RUSSISCHER.RUBEL)",
    uR"(JPY|YEN|JAPANISCHER.YEN)",
    uR"(CNY|CHINESISCHER.YUAN|YUAN)",
};

// The names and signs of the currencies with their ISO codes, in the order
// in which they are replaced. A long name comes before the short one inside
// it ("AMERIKANISCHE.DOLLAR" before "DOLLAR"), so it becomes its code whole.
struct TCurrencySynonym {
  std::u16string_view Synonym;
  std::u16string_view Code;
};
inline constexpr std::array<TCurrencySynonym, 14> kCurrencySynonyms = {{
    {u"EURO", u"EUR"},
    {u"€", u"EUR"},
    {u"AMERIKANISCHE.DOLLAR", u"USD"},
    {u"DOLLAR", u"USD"},
    {u"US$", u"USD"},
    {u"$", u"USD"},
    {u"SCHWEIZER.FRANKEN", u"CHF"},
    {u"FRANKEN", u"CHF"},
    {u"RUSSISCHER.RUBEL", u"RUB"},
    {u"RUBEL", u"RUB"},
    {u"JAPANISCHER.YEN", u"JPY"},
    {u"YEN", u"JPY"},
    {u"CHINESISCHER.YUAN", u"CNY"},
    {u"YUAN", u"CNY"},
}};

// ---- Decimal signs ---------------------------------------------------------------
// Candidates for the decimal sign: reading the letters O and l as digits
// (both, O only, l only) or neither.
inline constexpr std::u16string_view kDecimalsOAndL =
    uR"((([0-9]{1,1})|([l-]{1,1}))(([0-9lO\,\.]{0,19})|([0-9lO\.\,]{0,19}))(([ ]{0,1}[.,]{1,1}[ ]{0,1})([0-9]{0,5})|[ ]{0,1}))";
inline constexpr std::u16string_view kDecimalsO =
    uR"((([0-9]{1,1})|([O]{1,1}))(([0-9O\.\,]{0,19})|([0-9O\,\.]{0,19}))(([ ]{0,1}[.,]{1,1}[ ]{0,1})([0-9O]{0,5})|[ ]{0,1}))";
inline constexpr std::u16string_view kDecimalsL =
    uR"((([0-9]{1,1})|([l-]{1,1}))(([0-9lO\,\.]{0,19})|([0-9l\,\.]{0,19}))(([ ]{0,1}[.,]{1,1}[ ]{0,1})([0-9]{0,5})|[ ]{0,1}))";
inline constexpr std::u16string_view kDecimalsPlain =
    uR"(([0-9]{1,1})([0-9,\.]{0,200}))";

}  // namespace TkxStrings::patterns
