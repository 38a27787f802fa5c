#include "system/internal/kxScriptTools.h"

#include <gtest/gtest.h>

#include <string>

#include "system/internal/kxBase64.h"
#include "system/internal/kxCipherSecrets.h"
#include "system/internal/kxCipherToolsEvo3.h"

namespace kxInternal::TkxScriptTools {
namespace {

TEST(TkxScriptTools, LockAndOpen) {
  struct Case {
    AnsiString script, password;
  };
  const Case cases[] = {
      {"print(1)", "secret"},
      {"a = '#'; // #tag\r\nb = 2", "a#b"},  // "#" in both
      {"x", "##&num;#"},
      {"", "pw"},
      {"body # with hash", ""},  // no password
      {AnsiString("bytes \x00\xFF", 8), "M\xC3\xBCller"},
  };
  for (const auto& c : cases) {
    const AnsiString locked = LockScript(c.script, c.password);
    EXPECT_EQ(locked.find_first_of("\r\n"), AnsiString::npos);  // one line
    EXPECT_EQ(UnlockScript(locked, true), c.script) << c.password;
    EXPECT_EQ(UnlockScript(locked, false), locked);
    EXPECT_TRUE(VerifySecuredScript(locked));
    EXPECT_EQ(IsScriptProtected(locked), !c.password.empty());
    // "&num;" typed by the user is read back as "#": the form cannot tell.
    if (c.password.find("&num;") == AnsiString::npos) {
      EXPECT_EQ(GetScriptPassword(locked), c.password);
    }
  }
  EXPECT_EQ(GetScriptPassword(LockScript("s", "##&num;#")), "####");
}

TEST(TkxScriptTools, TextsThatDoNotOpen) {
  const AnsiString notBase64Cipher = "not a locked script!";
  const AnsiString notRadix = TkxBase64::StrToBase64("abc=def=ghi", false);  // "=": no radix-64 text
  for (const AnsiString& x : {notBase64Cipher, notRadix}) {
    EXPECT_FALSE(VerifySecuredScript(x)) << x;
    EXPECT_EQ(GetScriptPassword(x), "");
    EXPECT_FALSE(IsScriptProtected(x));
    EXPECT_EQ(UnlockScript(x, true), TkxBase64::Base64ToStr(x));  // what was decoded before the failure
    EXPECT_EQ(UnlockScript(x, false), x);
  }
  EXPECT_EQ(UnlockScript("", true), "");

  // Opens, but holds no "#": all of it is script, and there is no password.
  const AnsiString key = secrets::ScriptKey(secrets::DefaultKeyString());
  const AnsiString noHash = TkxBase64::StrToBase64(TkxCipher::EncodeString("just text", key), false);
  EXPECT_TRUE(VerifySecuredScript(noHash));
  EXPECT_EQ(UnlockScript(noHash, true), "just text");
  EXPECT_EQ(GetScriptPassword(noHash), "");
  EXPECT_FALSE(IsScriptProtected(noHash));
}

TEST(TkxScriptTools, IsZ9Script) {
  struct Case {
    UnicodeString script;
    bool want;
  };
  const Case cases[] = {
      {u"/scripts/main", true},
      {u"/ab", true},
      {u"/a", false},  // too short
      {u"//scripts", false},
      {u"scripts/main", false},
      {u"/scripts\r\nmain", false},
      {u"/scripts\nmain", true},  // a lone LF is no CR LF pair
      {u"/scripts\rmain", true},
      {u"", false},
  };
  for (const auto& c : cases) {
    UnicodeString script = c.script;
    EXPECT_EQ(IsZ9Script(script), c.want) << ToUtf8(c.script);
    EXPECT_EQ(script, c.script);
  }
}

TEST(TkxScriptTools, GetSourceLineFromException) {
  struct Case {
    UnicodeString msg;
    int32_t want;
  };
  const Case cases[] = {
      {u"Source Position: 7, 3", 7},
      {u"Error in script: Source position: 12,5", 12},  // a ":" before the phrase does not count
      {u"SOURCE POSITION:\t\r\n 4,1", 4},
      {u"source position: -3,1", -3},
      {u"no position here", -1},
      {u"Source position: 12", -1},  // no ","
      {u"Source position: x,1", -1},
      {u"Source position: 12 ,1", -1},  // a blank after the number
      {u"Source position: $1F,1", -1},  // decimal only
      {u"Source position 5,1", -1},  // no ":": the phrase itself is read
      {u"\u017Fource position: 9,1", 9},  // long s upper-cases to "S"
  };
  for (const auto& c : cases) EXPECT_EQ(GetSourceLineFromException(c.msg), c.want) << ToUtf8(c.msg);
}

}  // namespace
}  // namespace kxInternal::TkxScriptTools
