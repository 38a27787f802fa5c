#!/usr/bin/env python3
"""Writes Python's matches of the text mining's fixed patterns for a table of
texts, so that a test can hold the regular-expression engine to them.

Usage: scripts/gen_mining_pattern_matches.py [HEADER [JSON_FILE]]

HEADER (default text/kxStrings_Patterns.h) is read for its pattern constants
(`inline constexpr std::u16string_view NAME = uR"(...)";` and the entries of
kCurrencies). The patterns are joined as the date mining joins them (ROWS
below) or used alone, run with Python's re module (leftmost match, ordered
alternation, greedy repetition with backtracking; re.S so that "." takes
line breaks, re.A so that \\d is 0-9 only) over every text of TEXTS, and
every match is written with its 0-based start, in order, into JSON_FILE
(default testdata/mining/pattern_matches.json) together with the constants
as read. The texts keep to the Basic Multilingual Plane, where a position in
Python is a position in UTF-16, and no pattern here can match empty.

Run it again after a pattern constant or the table changes; the test fails
when the constants in the file differ from the header's.
"""
import json
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Patterns joined from the constants, by name, in the order of their parts.
ROWS = {
    "de": ["kDateDayMonthYear", "kDateTwoDigitYear", "kDateGermanNames",
           "kDateFrenchShortNames"],
    "fr": ["kDateDayMonthYear", "kDateTwoDigitYear", "kDateFrenchNames",
           "kDateEnglishShortNames"],
    "en": ["kDateDayMonthYear", "kDateTwoDigitYear", "kDateEnglishNames",
           "kDateEnglishShortNames"],
    "us": ["kDateYearFirst", "kDateTwoDigitYear", "kDateEnglishNames",
           "kDateEnglishShortNames"],
    "it": ["kDateDayMonthYear", "kDateTwoDigitYear", "kDateItalianNames",
           "kDateSpanishShortNames"],
    "es": ["kDateDayMonthYear", "kDateTwoDigitYear", "kDateSpanishNames",
           "kDateSpanishShortNames"],
    "other3": ["kDateFrenchNamesFirst", "kDateEnglishShortNames"],
    "other4": ["kDateItalianNamesFirst", "kDateSpanishShortNames"],
    "other5": ["kDateSpanishNamesFirst", "kDateSpanishShortNames"],
    "decimalsOAndL": ["kDecimalsOAndL"],
    "decimalsO": ["kDecimalsO"],
    "decimalsL": ["kDecimalsL"],
    "decimalsPlain": ["kDecimalsPlain"],
}

TEXTS = [
    # dates, lower-cased as the date mining sees them
    "am 5. märz 2010 und am 12.05.2010, bis 12/05/10 oder 1-2-2011",
    "vom 2010-05-12 bis 2011/1/3 und 1999.12.31",
    "le 3-février-2011, le 14.août 2012, 1 déc 2013 et 7-dec-2014",
    "on 3-febuary-2011, 4-jan.-2012, 5/may/2013, 6.december 1999",
    "il 3-febbraio-2011 e 9/set.2012; el 5-junio-2010, 6-dic-2011",
    "12.5.20101 x1.1.1999 31-12-99 0.0.00 1/2/3/2004",
    "5.märz2010 5märz 2010 5 . märz . 2010 05-mai-3000",
    # currencies, upper-cased as the currency mining sees them
    "100 EURO UND 50 $, 7 US$, 3 CHF, SFR. 2, 9 € UND 1 USD",
    "AMERIKANISCHE DOLLAR, SCHWEIZER FRANKEN, RUSSISCHER RUBEL",
    "JAPANISCHER YEN, CHINESISCHER YUAN, 5 RUB, 6 JPY, 7 CNY, YUAN\nYEN",
    "AMERIKANISCHE-DOLLAR SCHWEIZER\nFRANKEN RUBELRUBEL EUREURO",
    # numbers and OCR look-alikes
    "Betrag 1O5.99 und 1.234,56 sowie 12 , 50 und 3 . 5",
    "l2.50 -1,5 OO O 1O 10O,5 ll l 1l.2 2 , 3 .4",
    "Preis 12.50, Menge 3; 1.234.567,89 und 0,5" + "9" * 230 + ",1",
]


def read_constants(header):
    text = header.read_text(encoding="utf-8")
    constants = dict(re.findall(
        r'inline constexpr std::u16string_view (\w+) =\s*uR"\((.*?)\)";', text, re.S))
    currencies = re.search(r"kCurrencies = \{(.*?)\};", text, re.S)
    if not currencies:
        sys.exit("kCurrencies not found in " + str(header))
    for code, pattern in zip(["EUR", "USD", "CHF", "RUB", "JPY", "CNY"],
                             re.findall(r'uR"\((.*?)\)"', currencies.group(1))):
        constants["currency" + code] = pattern
    return constants


def main():
    header = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "text/kxStrings_Patterns.h"
    out = (pathlib.Path(sys.argv[2]) if len(sys.argv) > 2
           else ROOT / "testdata/mining/pattern_matches.json")
    constants = read_constants(header)
    rows = dict(ROWS)
    for code in ["EUR", "USD", "CHF", "RUB", "JPY", "CNY"]:
        rows["currency" + code] = ["currency" + code]
    missing = sorted({n for parts in rows.values() for n in parts} - constants.keys())
    if missing:
        sys.exit("constants missing from the header: " + ", ".join(missing))
    for text in TEXTS:
        if any(ord(c) > 0xFFFF for c in text):
            sys.exit("texts must stay in the Basic Multilingual Plane")

    cases = []
    for name, parts in rows.items():
        compiled = re.compile("".join(constants[p] for p in parts), re.S | re.A)
        for index, text in enumerate(TEXTS):
            matches = [[m.start(), m.group(0)] for m in compiled.finditer(text)]
            if any(not m for _, m in matches):
                sys.exit(f"{name} matches empty in text {index}")
            cases.append({"pattern": name, "text": index, "matches": matches})

    used = sorted({n for parts in rows.values() for n in parts})
    document = {
        "constants": {n: constants[n] for n in used},
        "patterns": rows,
        "texts": TEXTS,
        "cases": cases,
    }
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(json.dumps(document, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
