// platform/db/Values.h — the value rules that both back ends share
// (internal to platform/db; the rules are in Connection.h).
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace kx::platform::db {

// A parameter value sorted by how it binds.
struct BindValue {
  enum KindType { Null, Integer, Double, Decimal, Boolean, Date, Text, Bytes } Kind = Null;
  int64_t Int = 0;       // Integer, Boolean (1 or 0)
  double Dbl = 0;        // Double
  Currency Cur;          // Decimal
  TDateTime Time;        // Date
  UnicodeString Str;     // Text; Decimal and Date as text too
  std::string Data;      // Bytes
};

// Raises EDatabaseError for a code that does not bind.
BindValue Classify(const Variant& Value);

// varInteger when Value fits 32 bits, else varInt64.
Variant IntegerValue(int64_t Value);

// "yyyy-mm-dd hh:nn:ss.zzz".
UnicodeString DateTimeText(TDateTime Value);
// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.fraction]]" (also with "T"),
// "hh:nn[:ss[.fraction]]"; false for anything else.
bool ParseDateTimeText(std::u16string_view Text, TDateTime& Value);

// A value in the text form of Connection::FirstRow.
UnicodeString FieldText(const Variant& Value);

}  // namespace kx::platform::db
