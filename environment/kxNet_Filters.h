// environment/kxNet_Filters.h — TkxNet: filters for what the product's web
// services send and receive: text made ready for XML, style place-holders,
// shrinking style sheets and scripts, and a cross-site-scripting filter.
//
// These are word lists and text rewrites, not a security boundary: the
// XSS filter detects a fixed set of attack words, it parses nothing. 8-bit
// text is UTF-8. "Trimmed" means every unit at or below U+0020 removed at
// both ends.
#pragma once

#include "environment/kxGenerics.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace TkxNet {

// Every unit 0..31 except LF and CR (the tab included) becomes a blank;
// unless IsCData, then "&", "<", ">", '"' and "'" become "&amp;", "&lt;",
// "&gt;", "&quot;" and "&apos;". True; false when it fails (no memory).
//   u"a<b & 'c'" -> u"a&lt;b &amp; &apos;c&apos;"
bool PrepareXMLString(UnicodeString& Data, bool IsCData);

// Fills the style place-holders "[@" name "(" default ")]" of a style sheet
// or script, left to right. A place-holder runs from "[@" to the next "]";
// its name (up to the first "(", ASCII letters upper-cased) is looked up
// exactly in StyleDefinition, whose value as text (UTF-8) replaces it;
// without that key its default (after the "(", up to the ")" before the
// closing "]"; empty when that ")" is missing) replaces it. A "[@" with no
// "]" after it, or with no "(" before that "]", stays as it is.
// The search goes on just after the place-holder's start, so what a value
// brings in is filled in as well, but a place-holder inside text brought in
// 16 levels deep stays as it is (a value that holds its own place-holder
// would otherwise expand without end).
//   color:[@main(#000)]; -> color:#ABC; with MAIN = "#ABC", color:#000; without
AnsiString ApplyStyle(const TkxDictionary<UnicodeString, Variant>& StyleDefinition,
                      const AnsiString& CSSorJavaScript);

// Shrinks a style sheet to one line: each line trimmed and followed by one
// blank, every comment "/*" ... "*/" removed, while the kept comments "/*!"
// ... "*/" come back unchanged, each between CR LF pairs. A "/*" with no
// "*/" after it is no comment.
UnicodeString CompressCSS(const UnicodeString& CSS);

// Shrinks a script line by line: lines trimmed and joined by single
// blanks, "//" and "/* */" comments removed, kept comments "/*!" ... "*/"
// copied between CR LF pairs, texts in quotes and regular expressions
// copied unchanged. A regular expression is told from a division by what
// comes before the "/": one of the characters *(,=:[!&|?+-~{; or "return"
// (or nothing) starts one. The rules are simple: a backslash before a quote
// does not keep the quote from ending the text, and a statement that relies
// on a line break instead of ";" may run into the next line.
UnicodeString CompressJavaScript(const UnicodeString& JavaScript);

// Detects and quotes cross-site scripting in request text.
//   1. The words: AttackFlags when not empty, else the full list (FullTest)
//      or the short one, read as comma text (quoted items; an unquoted blank
//      separates as well).
//   2. A copy of TestString is normalised: "00000", "0000", "000", "00",
//      ";" and "&" removed (in that order), lower-cased, character
//      references of "#" to "Z" ("#60", "#060", "#x3c") and of "a" to "z"
//      ("#97", "#x61") replaced by their characters; then trimmed,
//      upper-cased and stripped of blanks. When any word (trimmed,
//      upper-cased, not empty) occurs in it, Exception "found possible XSS
//      attack!" is raised.
//   3. Without QuoteString the result is TestString. With it ";", "#", "&",
//      '"', "'", "(", ")", "/", "<", ">" become "&#59;", "&#35;", "&amp;",
//      "&quot;", "&#39;", "&#40;", "&#41;", "&#47;", "&lt;", "&gt;", except
//      the characters that AllowedChars holds (when AllowedChars, trimmed,
//      is not empty). With ErrorWhenQuote a result longer than TestString
//      raises the same exception.
//   XSSProtection(u"a<b", true, false, u"", false, u"") == u"a&lt;b"
UnicodeString XSSProtection(const UnicodeString& TestString, bool QuoteString, bool ErrorWhenQuote,
                            const UnicodeString& AllowedChars, bool FullTest,
                            const UnicodeString& AttackFlags);

}  // namespace TkxNet
