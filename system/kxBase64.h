// system/kxBase64.h — TkxBase64: Base64 text of 8-bit strings (raw bytes in,
// ASCII text out, and back).
//
// The rules are those of system/internal/kxBase64.h, which does the work
// for this class and its internal twin kxInternal::TkxBase64 alike, so the
// two always give the same text. Streams of blob size use the encoder and
// decoder classes there.
//   StrToBase64("Man", false) == "TWFu"
//   StrToBase64(57 bytes, true) is one line of 76 characters; 58 bytes give
//   76 characters, CR LF and 4 more
//   Base64ToStr("TW\r\nF u") == "Man" (whatever is not Base64 is skipped)
#pragma once

#include "platform/rtl/Text.h"

namespace TkxBase64 {

AnsiString StrToBase64(const AnsiString& InText, bool Format);
AnsiString Base64ToStr(const AnsiString& InText);

}  // namespace TkxBase64
