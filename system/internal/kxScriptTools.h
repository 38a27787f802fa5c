// system/internal/kxScriptTools.h — locking scripts under a password, and
// two helpers of the script engine.
//
// A locked script is one line of Base64 text of the radix-64 cipher text
// (TkxCipher::EncodeString, under the script key) of
//   password with every "#" written "&num;", then "#", then the script,
// so the first "#" always ends the password; "#" inside the script stays.
// The script key is this system's own (system/internal/kxCipherSecrets.h).
//
// Nothing here raises: a text that does not open gives false, "" or the
// values stated below.
//   UnlockScript(LockScript("a#b", "p#w"), true) == "a#b"
//   GetScriptPassword(LockScript("a#b", "p#w")) == "p#w"
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"

namespace kxInternal::TkxScriptTools {

AnsiString LockScript(const AnsiString& Script, const AnsiString& Password);

// The script of a locked Script when Secured (everything after the first "#"
// of the opened text, or all of it when it holds none); Script itself when
// not Secured or empty. A text that does not decipher gives its
// Base64-decoded bytes.
AnsiString UnlockScript(const AnsiString& Script, bool Secured);

// True when Script opens without an error.
bool VerifySecuredScript(const AnsiString& Script);

// The password of a locked script ("&num;" back to "#"); "" when it does not
// open or holds no "#".
AnsiString GetScriptPassword(const AnsiString& Script);

// True when Script opens and its password is not empty.
bool IsScriptProtected(const AnsiString& Script);

// A one-line reference to a script file: longer than 2 characters, no CR LF
// pair, a leading "/" and a second character other than "/".
//   IsZ9Script(u"/scripts/main") == true;  IsZ9Script(u"//x") == false
// Script is not changed.
bool IsZ9Script(UnicodeString& Script);

// The line number of a script engine's error message: the decimal number
// after the ":" that follows "Source position" (any case) and before the
// next ","; -1 when there is none.
//   GetSourceLineFromException(u"... Source position: 12,5") == 12
int32_t GetSourceLineFromException(const UnicodeString& Msg);

}  // namespace kxInternal::TkxScriptTools
