#include "system/internal/kxScriptTools.h"

#include <charconv>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "system/internal/kxBase64.h"
#include "system/internal/kxCipherSecrets.h"
#include "system/internal/kxCipherToolsEvo3.h"

namespace kxInternal::TkxScriptTools {

namespace {

AnsiString ReplaceAll(const AnsiString& Text, const AnsiString& From, const AnsiString& To) {
  AnsiString out;
  size_t copied = 0;
  for (size_t at = Text.find(From); at != AnsiString::npos; at = Text.find(From, copied)) {
    out.append(Text, copied, at - copied);
    out += To;
    copied = at + From.size();
  }
  out.append(Text, copied, AnsiString::npos);
  return out;
}

AnsiString ScriptKey() { return secrets::ScriptKey(secrets::DefaultKeyString()); }

// The Base64-decoded text, then the deciphered plain text; raises when the
// text does not decipher, after Decoded was set.
AnsiString Open(const AnsiString& Script, AnsiString& Decoded) {
  Decoded = TkxBase64::Base64ToStr(Script);
  return TkxCipher::DecodeString(Decoded, ScriptKey());
}

// The password part of an opened script, or false when it does not open or
// holds no "#".
bool PasswordPart(const AnsiString& Script, AnsiString& Part) {
  AnsiString decoded;
  try {
    const AnsiString plain = Open(Script, decoded);
    const size_t hash = plain.find('#');
    if (hash == AnsiString::npos) return false;
    Part = plain.substr(0, hash);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

AnsiString LockScript(const AnsiString& Script, const AnsiString& Password) {
  const AnsiString plain = ReplaceAll(Password, "#", "&num;") + "#" + Script;
  return TkxBase64::StrToBase64(TkxCipher::EncodeString(plain, ScriptKey()), false);
}

AnsiString UnlockScript(const AnsiString& Script, bool Secured) {
  if (!Secured || Script.empty()) return Script;
  AnsiString decoded;
  try {
    const AnsiString plain = Open(Script, decoded);
    const size_t hash = plain.find('#');
    return hash == AnsiString::npos ? plain : plain.substr(hash + 1);
  } catch (const Exception&) {
    return decoded;
  }
}

bool VerifySecuredScript(const AnsiString& Script) {
  AnsiString decoded;
  try {
    Open(Script, decoded);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

AnsiString GetScriptPassword(const AnsiString& Script) {
  AnsiString part;
  if (!PasswordPart(Script, part)) return {};
  return ReplaceAll(part, "&num;", "#");
}

bool IsScriptProtected(const AnsiString& Script) {
  AnsiString part;
  return PasswordPart(Script, part) && !part.empty();
}

bool IsZ9Script(UnicodeString& Script) {
  return Script.find(u"\r\n") == UnicodeString::npos && Script.size() > 2 && Script[0] == u'/' &&
         Script[1] != u'/';
}

int32_t GetSourceLineFromException(const UnicodeString& Msg) {
  // Upper-casing keeps every position, so the cut applies to Msg itself.
  const size_t phrase = UpperText(Msg).find(u"SOURCE POSITION");
  if (phrase == UnicodeString::npos) return -1;
  UnicodeString rest = Msg.substr(phrase + 1);
  const size_t colon = rest.find(u':');
  if (colon != UnicodeString::npos) rest.erase(0, colon + 1);
  size_t begin = 0;
  while (begin < rest.size() && rest[begin] <= u' ') ++begin;
  const size_t comma = rest.find(u',', begin);
  if (comma == UnicodeString::npos) return -1;

  // A decimal whole number with an optional sign, nothing else.
  std::string digits;
  for (size_t i = begin; i < comma; ++i) {
    if (rest[i] > 0x7F) return -1;
    digits += static_cast<char>(rest[i]);
  }
  const char* first = digits.data();
  const char* last = first + digits.size();
  if (first != last && *first == '+') ++first;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) return -1;
  return value;
}

}  // namespace kxInternal::TkxScriptTools
