// text/kxAnsiStringList.h — the 8-bit string list, for texts that must stay
// 8-bit: raw bytes, or UTF-8 text in the system code page.
//
// TAnsiStrings is the abstract base: a derived list implements Get, GetCount,
// Clear, Delete and Insert, and everything else works through them.
// TAnsiStringList stores its entries. Both are the platform's string-list
// templates (platform/rtl/StringList.h, where the full contract stands),
// instantiated for AnsiString, so they behave as the UTF-16 TStringList does,
// with these differences:
//   - comparisons decode both texts through the codec of Text.h over their
//     whole length, zero bytes included, and then collate;
//   - errors are EStringListError with German texts:
//       "Listenindex überschreitet das Maximum (5)" (the index),
//       "Operation für sortierte Listen nicht zulässig",
//       "In der Stringliste sind Duplikate nicht erlaubt";
//   - LoadFromFile/LoadFromStream read raw bytes (a byte-order mark stays in
//     the first text) and SaveToFile/SaveToStream write Text's bytes;
//   - toTStrings appends the texts, decoded, to a UTF-16 list.
//
// A new list is empty, unsorted, case-insensitive, ignores duplicates, has no
// events and owns no objects:
//   TAnsiStringList list;
//   list.SetCommaText("a b,\"c,d\",");   // {"a", "b", "c,d", ""}
//   list.Text() == "a\r\nb\r\nc,d\r\n\r\n"
#pragma once

#include "platform/rtl/StringList.h"

using TAnsiStrings = TStringsT<AnsiString>;
using TAnsiStringList = TStringListT<AnsiString>;
