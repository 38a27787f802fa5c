// The value-text reader on hostile text: StrToVarExt with type codes (the one
// the input names and every code the system uses) and with a type name taken
// from the input. Whatever the input: no crash, no sanitizer report and no
// exception from the operations that never raise (the reader, the writers of
// what it read, the document-model conversions). A text read as a value must
// also write out again: for integers, doubles and Booleans the written text
// reads back to the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes.h"

namespace {

void Check(const Variant& v) {
  const UnicodeString text = TkxTypes::VarToStrExt(v);
  TkxTypes::VarToJSONStrExt(v);
  Variant copy = v;
  const BsonValue b = TkxTypes::VarToBsonValueByRef(copy, false);
  TkxTypes::VarToBsonValueByRef(copy, true);
  TkxTypes::BsonValueToVariant(b, v.VarType());
  const TVarType t = v.VarType();
  if ((t == varInt64 || t == varBoolean) && !(TkxTypes::StrToVarExt(text, t) == v)) std::abort();
  if (t == varDouble && TkxTypes::StrToVarExt(text, t).VarType() != varDouble) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const TVarType code = static_cast<TVarType>(data[0] | (data[1] << 8));
  const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  // "name\nvalue": the type name before the first line break.
  const size_t nl = rest.find('\n');
  const UnicodeString name = ToUtf16(nl == std::string::npos ? std::string() : rest.substr(0, nl));
  const UnicodeString value = ToUtf16(nl == std::string::npos ? rest : rest.substr(nl + 1));
  try {
    static constexpr TVarType kCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17,
                                          18, 19, 20, 21, 72, 74, 256, 257, 258, 8195, 16396};
    Check(TkxTypes::StrToVarExt(value, code));
    for (TVarType c : kCodes) Check(TkxTypes::StrToVarExt(value, c));
    Check(TkxTypes::StrToVarExt(value, name));
    TkxTypes::GetVarTypeFromStr(name, 0);
  } catch (...) {
    std::abort();  // none of these may raise
  }
  // The raising conversions may raise, but only their own errors.
  const Variant text = Variant::FromUString(value);
  try {
    TkxTypes::VarToInteger(text);
    TkxTypes::VarToInt64(text);
    TkxTypes::VarToFloat(text);
  } catch (const EVariantError&) {
  }
  return 0;
}
