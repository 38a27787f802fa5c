#include "system/kxBase64.h"

#include "system/internal/kxBase64.h"

namespace TkxBase64 {

AnsiString StrToBase64(const AnsiString& InText, bool Format) {
  return kxInternal::TkxBase64::StrToBase64(InText, Format);
}

AnsiString Base64ToStr(const AnsiString& InText) { return kxInternal::TkxBase64::Base64ToStr(InText); }

}  // namespace TkxBase64
