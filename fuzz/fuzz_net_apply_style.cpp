// Style sheets from outside through ApplyStyle, with values that bring in
// their own and each other's place-holders: every input ends.
#include <cstddef>
#include <cstdint>
#include <string>

#include "environment/kxNet_Filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TkxDictionary<UnicodeString, Variant> style = [] {
    TkxDictionary<UnicodeString, Variant> d;
    d.Add(u"A", Variant::FromUString(u"x[@A()]"));
    d.Add(u"B", Variant::FromUString(u"[@C(1)]y"));
    d.Add(u"C", Variant::FromUString(u"z[@B(2)]"));
    d.Add(u"D", Variant::FromUString(u""));
    d.Add(u"E", Variant::FromUString(u"[@"));
    d.Add(u"F", Variant::FromUString(u"]"));
    d.Add(u"G", Variant::FromInteger(7));
    return d;
  }();
  (void)TkxNet::ApplyStyle(style, std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
