// What the export plug-in, the product environment and the configuration
// store rely on in the toolkit: every operation they call, with the argument
// kinds they pass (a missing overload fails the build), and the behaviour
// they count on. Where a caller's expectation and the toolkit's own rule
// part ways, the toolkit's rule is checked and the row says so.
//
// One table per toolkit class; each row is a statement, the value the
// toolkit gave and the value the callers expect, both as text.
#include <gtest/gtest.h>

#include <zlib.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/json/BsonValue.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Trim.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"
#include "platform/xml/XmlDocument.h"
#include "system/internal/kxCipherToolsEvo3.h"
#include "system/internal/kxScriptTools.h"
#include "system/kxADO.h"
#include "system/kxBase64.h"
#include "system/kxConfigTools.h"
#include "system/kxDateTime.h"
#include "system/kxFiles.h"
#include "system/kxMD5.h"
#include "system/kxRegistry.h"
#include "system/kxToolsEvo2.h"
#include "system/kxToolsEvo2_DataLink.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxToolsEvo2_Version.h"
#include "system/kxTypes.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Rect.h"
#include "system/kxTypes_Variant.h"
#include "system/kxVersionTools.h"
#include "system/kxXML.h"
#include "text/kxAnsiStringList.h"
#include "text/kxConversion.h"
#include "text/kxStrings.h"

namespace {

namespace fs = std::filesystem;
using kxInternal::TkxCipherEncoding;

// ---- Rows ------------------------------------------------------------------------

UnicodeString Txt(const AnsiString& v) { return ToUtf16(v); }
UnicodeString Txt(bool v) { return v ? u"true" : u"false"; }
template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
UnicodeString Txt(T v) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(v)).ptr;
  return ToUtf16(std::string_view(buf, end - buf));
}
template <typename T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
UnicodeString Txt(T v) {
  return Txt(static_cast<int64_t>(v));
}
UnicodeString Txt(double v) {
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return ToUtf16(std::string_view(buf, end - buf));
}
UnicodeString Txt(TDateTime v) { return u"date " + Txt(v.Val); }
// A variant as its type name and value text: "INT64 12", "NULL ".
UnicodeString Txt(const Variant& v) {
  return TkxTypes::GetVarTypeStr(v.VarType()) + u" " + TkxTypes::VarToStrExt(v);
}

struct Row {
  const char* Statement;
  UnicodeString Got;
  UnicodeString Want;
};

void Check(const std::vector<Row>& rows) {
  for (const auto& r : rows) EXPECT_EQ(r.Got, r.Want) << r.Statement;
}

// The message of the exception Call raises; "(no exception)" when none.
UnicodeString Raised(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const Exception& e) {
    return e.Message;
  } catch (const std::exception& e) {
    return ToUtf16(e.what());
  }
  return u"(no exception)";
}

bool IsUpperHex(std::string_view s, size_t length) {
  if (s.size() != length) return false;
  for (const char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

TDateTime Dt(uint16_t y, uint16_t m, uint16_t d, uint16_t h = 0, uint16_t n = 0, uint16_t s = 0,
             uint16_t z = 0) {
  return TDateTime(EncodeDate(y, m, d).Val + EncodeTime(h, n, s, z).Val);
}

// A folder of its own below TMPDIR for each test.
class Folder {
 public:
  explicit Folder(const char* name) : dir_(std::string(std::getenv("TMPDIR")) + "/kxServices_" + name) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~Folder() { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return dir_ + "/" + name; }
  UnicodeString U(const std::string& name) const { return ToUtf16(P(name)); }
  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(P(name), std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(P(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::string dir_;
};

// ---- Text toolkit -------------------------------------------------------------------

TEST(TextServices, TAnsiStringList) {
  auto* list = new TAnsiStringList();
  list->Add("first");
  list->Add("raw \xFF bytes");
  list->Add("third");
  list->Delete(0);
  Check({
      {"count after three adds and a delete", Txt(list->Count()), u"2"},
      {"the text at an index, bytes unchanged", Txt(list->Get(0) == "raw \xFF bytes"), u"true"},
      {"entries move up after a delete", Txt(list->Get(1)), u"third"},
  });
  delete list;
}

TEST(TextServices, TkxConversion) {
  using namespace TkxConversion;
  std::vector<Row> rows = {
      {"BoolToStrExt true", BoolToStrExt(true, u"ja", u"nein"), u"ja"},
      {"BoolToStrExt false", BoolToStrExt(false, u"ja", u"nein"), u"nein"},
      {"FloatToStr integer variant", Txt(FloatToStr(Variant::FromInteger(87))), u"87"},
      {"FloatToStr Int64 variant", Txt(FloatToStr(Variant::FromInt64(-9000000000))), u"-9000000000"},
      {"FloatToStr 87 gets two decimals", Txt(FloatToStr(Variant::FromDouble(87))), u"87.00"},
      {"FloatToStr 87.25", Txt(FloatToStr(Variant::FromDouble(87.25))), u"87.25"},
      {"FloatToStr 87.125", Txt(FloatToStr(Variant::FromDouble(87.125))), u"87.125"},
      {"FloatToStr at most seven decimals", Txt(FloatToStr(Variant::FromDouble(0.123456789))),
       u"0.1234568"},
      {"FloatToStr single", Txt(FloatToStr(Variant::FromSingle(0.5f))), u"0.50"},
      {"FloatToStr currency keeps four decimals",
       Txt(FloatToStr(Variant::FromCurrency(Currency::FromDouble(1.2345)))), u"1.2345"},
      {"FloatToStr currency at least two",
       Txt(FloatToStr(Variant::FromCurrency(Currency::FromDouble(1.5)))), u"1.50"},
      {"HexToInt", Txt(HexToInt(u"ff", -1)), u"255"},
      {"HexToInt upper case, 64-bit", Txt(HexToInt(u"1FFFFFFFF", -1)), u"8589934591"},
      {"HexToInt empty gives 0", Txt(HexToInt(u"", -1)), u"0"},
      {"HexToInt unreadable gives -1", Txt(HexToInt(u"zz", -1)), u"-1"},
      // The toolkit answers the caller's ErrorVal, which the callers pass as -1.
      {"HexToInt unreadable gives ErrorVal", Txt(HexToInt(u"zz", 9)), u"9"},
      {"StrToBool trimmed and upper-cased", Txt(StrToBool(u" yes\t")), u"true"},
      {"StrToBool other text", Txt(StrToBool(u"no")), u"false"},
      {"StrToBool empty", Txt(StrToBool(u"")), u"false"},
      {"StrToBool not a prefix", Txt(StrToBool(u"yess")), u"false"},
      {"StrToInt", Txt(StrToInt(u"12", 7)), u"12"},
      {"StrToInt 64-bit", Txt(StrToInt(u"-9000000000", 7)), u"-9000000000"},
      {"StrToInt empty gives 0, not ErrorVal", Txt(StrToInt(u"", 7)), u"0"},
      {"StrToInt whole value with point", Txt(StrToInt(u"3.0", 7)), u"3"},
      {"StrToInt fraction gives ErrorVal", Txt(StrToInt(u"3.5", 7)), u"7"},
      {"StrToInt unreadable gives ErrorVal", Txt(StrToInt(u"abc", 7)), u"7"},
      {"StrToInt overflow gives ErrorVal", Txt(StrToInt(u"99999999999999999999", 7)), u"7"},
      {"StrToReal comma", Txt(StrToReal(u"12,5", false, 0)), u"12.5"},
      {"StrToReal point", Txt(StrToReal(u"12.5", false, 0)), u"12.5"},
      {"StrToReal both, later comma counts", Txt(StrToReal(u"1.234,5", false, 0)), u"1234.5"},
      {"StrToReal both, later point counts", Txt(StrToReal(u"1,234.5", false, 0)), u"1234.5"},
      {"StrToReal empty gives Default", Txt(StrToReal(u"", true, 3)), u"3"},
      {"StrToReal unreadable gives Default", Txt(StrToReal(u"abc", false, 3)), u"3"},
      {"StrToReal raises with the quoted text",
       Raised([] { StrToReal(u"abc", true, 3); }),
       u"float string conversion exception for value \"abc\""},
  };
  for (const char16_t* yes : {u"ja", u"yes", u"ok", u"1", u"x", u"true", u"wahr", u"richtig",
                              u"korrekt", u"right", u"yap", u"oui", u"correct", u"jau", u"yo",
                              u"jo", u"yep", u"yepp", u"yapp", u"yup", u"y"})
    rows.push_back({"StrToBool yes-word", Txt(StrToBool(yes)) + u" " + yes, u"true " + UnicodeString(yes)});
  Check(rows);
}

TEST(TextServices, TkxStrings) {
  using namespace TkxStrings;
  kx::platform::SetClockForTesting([] { return Dt(2024, 1, 15, 10, 20, 30); });
  const AnsiString packed = CompressString("hello");
  // The stream's content is the 4-byte little-endian count, then the bytes.
  std::string inflated(64, '\0');
  uLongf inflatedSize = inflated.size();
  const int z = uncompress(reinterpret_cast<Bytef*>(inflated.data()), &inflatedSize,
                           reinterpret_cast<const Bytef*>(packed.data()), packed.size());
  inflated.resize(z == Z_OK ? inflatedSize : 0);
  const TIdType id1 = CreateId(), id2 = CreateId();

  TAnsiStringList pieces;
  pieces.Add("kept");
  const bool split = SplitString("a;;b;", ";", pieces);
  const bool splitEmpty = SplitString("", ";", pieces);
  TStringList wide;
  wide.Add(u"kept");
  const bool splitW = SplitStringW(u"a,,b", u",", wide);
  SplitStringW(u"", u",", wide);

  Check({
      {"Breaks2BlanksW: CR LF, then LF; a lone CR stays", Breaks2BlanksW(u"a\r\nb\nc\rd"), u"a b c\rd"},
      {"CheckDefaultPlaceHolders with given names",
       CheckDefaultPlaceHolders(u"%username@%computername", u"ann", u"box"), u"ann@box"},
      {"CheckDefaultPlaceHolders empty names fall back",
       CheckDefaultPlaceHolders(u"%username", u"", u""), TkxTools::GetUserName()},
      {"CheckDefaultPlaceHolders dates from the clock",
       CheckDefaultPlaceHolders(u"%yyyy-%mm-%dd_%quarter", u"", u""), u"2024-01-15_1"},
      {"CheckDefaultPlaceHolders text without place-holders",
       CheckDefaultPlaceHolders(u"plain", u"", u""), u"plain"},
      {"CheckStringSuffixW appends", CheckStringSuffixW(u"abc", u"/"), u"abc/"},
      {"CheckStringSuffixW present", CheckStringSuffixW(u"abc/", u"/"), u"abc/"},
      {"CheckStringSuffixW case-sensitive", CheckStringSuffixW(u"ABC", u"c"), u"ABCc"},
      {"CheckStringSuffixW shorter Str", CheckStringSuffixW(u"c", u"abc"), u"cabc"},
      {"CheckStringSuffixW empty Str", CheckStringSuffixW(u"", u"/"), u""},
      // Callers were told "empty"; the toolkit keeps Str.
      {"CheckStringSuffixW empty Suffix gives Str", CheckStringSuffixW(u"abc", u""), u"abc"},
      {"CompressString zlib level 9 header", Txt(packed.substr(0, 2) == "\x78\xDA"), u"true"},
      {"CompressString content: count and bytes",
       Txt(inflated == std::string("\x05\x00\x00\x00hello", 9)), u"true"},
      {"DecompressString reverses", Txt(DecompressString(packed)), u"hello"},
      {"DecompressString raw bytes", Txt(DecompressString(CompressString(std::string("\x00\xFF", 2))) ==
                                         std::string("\x00\xFF", 2)), u"true"},
      {"CreateId: 32 upper-case hex digits", Txt(IsUpperHex(id1.View(), 32)), u"true"},
      {"CreateId: new each time", Txt(id1.View() != id2.View()), u"true"},
      {"FillIntNull pads", Txt(FillIntNull(7, 3)), u"007"},
      {"FillIntNull never cuts", Txt(FillIntNull(1234, 3)), u"1234"},
      {"FillIntNull 64-bit", Txt(FillIntNull(9000000000, 12)), u"009000000000"},
      // The toolkit pads with at most 61 zeros.
      {"FillIntNull at most 61 zeros", Txt(FillIntNull(1, 100).size()), u"62"},
      {"GetStrCount overlapping", Txt(GetStrCount("aaaa", "aa")), u"3"},
      {"GetStrCount empty Find", Txt(GetStrCount("aaaa", "")), u"0"},
      {"GetStrCountW overlapping", Txt(GetStrCountW(u"abababa", u"aba")), u"3"},
      {"IsEmptyA empty", Txt(IsEmptyA("", false)), u"true"},
      {"IsEmptyA blanks with UseTrim", Txt(IsEmptyA(" \t\r\n", true)), u"true"},
      {"IsEmptyA blanks without UseTrim", Txt(IsEmptyA(" \t", false)), u"false"},
      {"IsEmptyA text", Txt(IsEmptyA(" a ", true)), u"false"},
      {"IsNumeric digits", Txt(IsNumeric(u"0123", false, false)), u"true"},
      {"IsNumeric empty", Txt(IsNumeric(u"", false, false)), u"true"},
      {"IsNumeric blank without AllowBlanks", Txt(IsNumeric(u"1 2", false, true)), u"false"},
      {"IsNumeric letters", Txt(IsNumeric(u"12a", true, true)), u"false"},
      {"SplitString result", Txt(split && splitEmpty), u"true"},
      {"SplitString appends all pieces, empty ones too, nothing for an empty Source",
       Txt(pieces.CommaText()), u"kept,a,,b,"},
      {"SplitStringW result", Txt(splitW), u"true"},
      {"SplitStringW appends", wide.CommaText(), u"kept,a,,b"},
  });
  kx::platform::SetClockForTesting(nullptr);
}

// ---- System toolkit -------------------------------------------------------------------

TEST(SystemServices, CaseConversion) {
  Check({
      {"UpperText keeps the length", UpperText(u"stra\u00DFe \u00E4"), u"STRA\u00DFE \u00C4"},
      {"LowerText", LowerText(u"\u00C4B\u0130"), u"\u00E4bi"},
  });
}

TEST(SystemServices, TkxBase64) {
  using namespace TkxBase64;
  const std::string bytes58(58, 'x');
  const AnsiString lines = StrToBase64(bytes58, true);
  Check({
      {"StrToBase64", Txt(StrToBase64("Man", false)), u"TWFu"},
      {"StrToBase64 pads", Txt(StrToBase64("M", false)), u"TQ=="},
      {"StrToBase64 empty", Txt(StrToBase64("", true)), u""},
      {"StrToBase64 lines of 76, CR LF between, none after",
       Txt(lines.size() == 76 + 2 + 4 && lines.substr(76, 2) == "\r\n" && lines.back() != '\n'),
       u"true"},
      {"StrToBase64 one line without Format", Txt(StrToBase64(bytes58, false).find('\r')),
       Txt(std::string::npos)},
      {"Base64ToStr skips what is not Base64", Txt(Base64ToStr("TW\r\nF u")), u"Man"},
      {"Base64ToStr empty", Txt(Base64ToStr("")), u""},
      {"round trip of raw bytes", Txt(Base64ToStr(StrToBase64(std::string("\0\xFF\x80", 3), true)) ==
                                      std::string("\0\xFF\x80", 3)), u"true"},
  });
}

TEST(SystemServices, TkxCipher) {
  using namespace kxInternal::TkxCipher;
  TkxCipherEncoding encoding = kxInternal::kxCIPHENC_None;
  const AnsiString mega = EncodeUrlParams({u"name=M\u00FCller", u"id=7"}, kxInternal::kxCIPHENC_Mega);
  const auto decoded = DecodeUrlParams(mega, encoding);
  UnicodeString names;
  for (const auto& p : decoded)
    if (p.Param == u"NAME" || p.Param == u"ID") names += p.Param + u"=" + p.Value + u";";
  TkxCipherEncoding plainEncoding = kxInternal::kxCIPHENC_Mega;
  const auto plain = DecodeUrlParams("x=1+2&y", plainEncoding);
  const AnsiString emptyMega = EncodeUrlParams({}, kxInternal::kxCIPHENC_Mega);

  Check({
      {"DecodeLogon reverses the stored logon", Txt(DecodeLogon(EncodeLogon("s3cret"))), u"s3cret"},
      {"DecodeLogon empty", Txt(DecodeLogon("")), u""},
      {"EncodeUrlParams none, empty", Txt(EncodeUrlParams({}, kxInternal::kxCIPHENC_None)), u""},
      {"EncodeUrlParams mega, empty array still a full query",
       Txt(emptyMega.rfind("encoding=mega&data=", 0) == 0 && emptyMega.size() > 30), u"true"},
      {"EncodeUrlParams base64", Txt(EncodeUrlParams({u"name=M\u00FCller"}, kxInternal::kxCIPHENC_Base64)),
       u"encoding=base64&name=TcO8bGxlcg%3D%3D"},
      {"EncodeUrlParams DCW raises",
       Raised([] { EncodeUrlParams({u"a=1"}, kxInternal::kxCIPHENC_DCW); }), u"unsupported encoding"},
      {"DecodeUrlParams mega: the inner parameters", names, u"NAME=M\u00FCller;ID=7;"},
      {"DecodeUrlParams mega: the encoding", Txt(encoding), Txt(kxInternal::kxCIPHENC_Mega)},
      {"DecodeUrlParams plain: entries", Txt(plain.size()), u"2"},
      {"DecodeUrlParams plain: name upper-cased, + as blank",
       plain.size() == 2 ? plain[0].Param + u"=" + plain[0].Value : u"", u"X=1 2"},
      {"DecodeUrlParams plain: raw value", plain.size() == 2 ? Txt(plain[0].RawValue) : u"", u"1 2"},
      {"DecodeUrlParams plain: bare name", plain.size() == 2 ? plain[1].Param + plain[1].Value : u"", u"Y"},
      {"DecodeUrlParams plain: no encoding", Txt(plainEncoding), Txt(kxInternal::kxCIPHENC_None)},
  });
}

TEST(SystemServices, TkxConfigTools) {
  Folder folder("config");
  auto* cfg = new TkxConfigTools();
  const bool freshState = cfg->AllowMultiParams && cfg->DefaultNodeName == u"Field" &&
                          !cfg->ChangeProtection && cfg->GetListSize() == 0;
  const int32_t first = cfg->AddConfigParam(u"Name", Variant::FromUString(u"one"), false, false);
  const int32_t second = cfg->AddConfigParam(u"Name", Variant::FromUString(u"two"), false, false);
  const int32_t replaced = cfg->AddConfigParam(u"NAME", Variant::FromUString(u"uno"), false, true);
  const int32_t empty = cfg->AddConfigParam(u"", Variant::FromInteger(1), false, false);
  cfg->AddConfigParam(u"my key:x", Variant::FromInteger(5), false, false);
  cfg->AddConfigParam(u"Blank", Variant::FromUString(u""), false, false);
  cfg->AddAttribute(first, u"Kind", Variant::FromUString(u"k"));
  const AnsiString built = cfg->BuiltConfigString(u"kxConfig", false, false, false);

  auto* reader = new TkxConfigTools();
  AnsiString config = built;
  const bool parsed = reader->ParseConfigString(config);
  UnicodeString order;
  for (const auto& part : reader->ConfigList)
    if (part.Active) order += part.Param + u"=" + TkxTypes::VarToStrExt(part.Value) + u";";
  Check({
      {"Create: empty, multi-params, node name Field, no protection", Txt(freshState), u"true"},
      {"AddConfigParam first index", Txt(first), u"0"},
      {"AddConfigParam same name appended with AllowMultiParams", Txt(second), u"1"},
      {"AddConfigParam Replace overwrites the first of that name", Txt(replaced), u"0"},
      {"AddConfigParam empty name", Txt(empty), u"-1"},
      {"BuiltConfigString root element named ConfigType, then ParseConfigString",
       Txt(parsed) + u" " + reader->RootNodeName, u"true kxConfig"},
      {"parameters keep their order", order, u"NAME=uno;Name=two;my key:x=5;Blank=;"},
      {"GetConfigParam lookup key: blanks and \":\" become \"_\", upper-cased",
       reader->GetConfigParam(u"my_KEY_x", Variant::FromInteger(0)).ToString(), u"5"},
      {"GetConfigParam first active match",
       Txt(reader->GetConfigParam(u"name", Variant::FromUString(u"d"))), u"UCS4STR uno"},
      {"GetConfigParam missing gives Default",
       Txt(reader->GetConfigParam(u"none", Variant::FromInteger(42))), u"INT 42"},
      {"GetConfigParam empty text with a numeric Default",
       Txt(reader->GetConfigParam(u"Blank", Variant::FromInteger(42))), u"INT 42"},
      {"GetConfigParam empty text with a text Default gives the empty value",
       reader->GetConfigParam(u"Blank", Variant::FromUString(u"d")).ToString(), u""},
      {"GetConfigParam without Default, missing: empty text",
       Txt(reader->GetConfigParam(u"none").ToString().empty() &&
           !reader->GetConfigParam(u"none").IsNull()), u"true"},
      {"GetConfigParamListId", Txt(reader->GetConfigParamListId(u"my key:x")), u"2"},
      {"GetConfigParamListId missing", Txt(reader->GetConfigParamListId(u"none")), u"-1"},
      {"GetAttribute by index",
       reader->GetAttribute(0, u"Kind", Variant::FromUString(u"d"), false).ToString(), u"k"},
      {"GetAttribute invalid index gives Default",
       Txt(reader->GetAttribute(99, u"Kind", Variant::FromUString(u"d"), false)), u"UCS4STR d"},
  });

  // Node paths, on a list that holds no container entries.
  auto* paths = new TkxConfigTools();
  paths->AddConfigParam(u"b/x", Variant::FromInteger(1), false, false);
  paths->AddConfigParam(u"a/c", Variant::FromInteger(2), false, false);
  paths->AddConfigParam(u"a/b/deep", Variant::FromInteger(3), false, false);
  paths->AddConfigParam(u"a/c", Variant::FromInteger(4), false, false);
  TStringList top, below;
  paths->GetNodeElements(u"", top, false);
  paths->GetNodeElements(u"a", below, true);
  Check({
      {"GetNodeElements top level, sorted, no duplicates", top.CommaText(), u"a,b"},
      {"GetNodeElements below a path, with the full path", below.CommaText(), u"a/b,a/c"},
      {"GetPathString without Prepare", paths->GetPathString({u" a ", u"", u"/b"}, false), u"/a/b"},
      {"GetPathString with Prepare", paths->GetPathString({u" a ", u"", u"/b"}, true), u"a/b"},
  });

  auto* failing = new TkxConfigTools();
  AnsiString blank = " \r\n ";
  const bool blankParsed = failing->ParseConfigString(blank);
  const int32_t afterBlank = failing->GetListSize();
  AnsiString broken = "<kxConfig><a>";
  const bool brokenParsed = failing->ParseConfigString(broken);
  const bool messageSet = !failing->Message.empty();
  UnicodeString root;
  const bool quiet = failing->ParseConfigString(broken, root, false);
  AnsiString other = "<Other><x>1</x></Other>";
  const bool otherParsed = failing->ParseConfigString(other, root, false);

  folder.Write("cfg.xml", built);
  auto* loader = new TkxConfigTools();
  const bool loaded = loader->LoadConfig(folder.U("cfg.xml"));
  const UnicodeString loadedName = loader->GetConfigParam(u"name", Variant()).ToString();
  const bool missingLoaded = loader->LoadConfig(folder.U("missing.xml"));
  Check({
      {"ParseConfigString all-blank: true, no parameters",
       Txt(blankParsed) + u" " + Txt(afterBlank), u"true 0"},
      {"ParseConfigString broken: false with a reason", Txt(brokenParsed) + u" " + Txt(messageSet),
       u"false true"},
      {"ParseConfigString without raising", Txt(quiet), u"false"},
      {"ParseConfigString hands the unchecked root name back", Txt(otherParsed) + u" " + root,
       u"true Other"},
      {"LoadConfig", Txt(loaded) + u" " + loadedName, u"true uno"},
      {"LoadConfig missing file: false, no parameters",
       Txt(missingLoaded) + u" " + Txt(loader->GetListSize()), u"false 0"},
  });
  delete loader;
  delete failing;
  delete paths;
  delete reader;
  delete cfg;
}

TEST(SystemServices, TkxDateTime) {
  using namespace TkxDateTime;
  kx::platform::SetClockForTesting([] { return Dt(2024, 1, 15, 10, 20, 30); });
  const TDateTime noon = Dt(2024, 1, 1, 12);
  Check({
      {"DateTimeToTimeStampStr hexadecimal", Txt(DateTimeToTimeStampStr(noon, false)),
       u"000B4646h02932E00h"},
      {"DateTimeToTimeStampStr CompMode", Txt(DateTimeToTimeStampStr(noon, true)),
       u"#738886#43200000"},
      {"TimeStampStrToDateTime hexadecimal", Txt(TimeStampStrToDateTime(u" 000B4646h02932E00h ")),
       Txt(noon)},
      {"TimeStampStrToDateTime decimal", Txt(TimeStampStrToDateTime(u"#738886#43200000")), Txt(noon)},
      {"TimeStampStrToDateTime other text read as a date",
       Txt(TimeStampStrToDateTime(u"2024-01-01 12:00:00")), Txt(noon)},
      {"TimeStampStrToDateTime raises for unreadable text",
       Txt(Raised([] { TimeStampStrToDateTime(u"zz#"); }) != u"(no exception)"), u"true"},
      {"DateTimeToISO8601Str date and time",
       DateTimeToISO8601Str(Dt(2024, 1, 1, 12, 0, 0, 123)), u"2024-01-01T12:00:00.123Z"},
      {"DateTimeToISO8601Str date only", DateTimeToISO8601Str(Dt(2024, 1, 1)), u"2024-01-01"},
      {"DateTimeToISO8601Str zero", DateTimeToISO8601Str(TDateTime(0.0)), u"1899-12-30"},
      {"DateTimeToISO8601Str time only", DateTimeToISO8601Str(TDateTime(0.75)), u"18:00:00"},
      {"ISO8601ToDateTime Z keeps the written time",
       Txt(ISO8601ToDateTime(u"2024-01-01T12:00:00.000Z", true)), Txt(noon)},
      {"ISO8601ToDateTime date", Txt(ISO8601ToDateTime(u"2024-01-01", true)), Txt(Dt(2024, 1, 1))},
      {"ISO8601ToDateTime time with milliseconds",
       Txt(ISO8601ToDateTime(u"18:00:00.000", true)), Txt(TDateTime(0.75))},
      {"ISO8601ToDateTime unreadable, quiet", Txt(ISO8601ToDateTime(u"", false)), Txt(TDateTime(0.0))},
      {"ISO8601ToDateTime unreadable raises",
       Txt(Raised([] { ISO8601ToDateTime(u"nonsense", true); }) != u"(no exception)"), u"true"},
      {"StrToDateExt first fitting format",
       Txt(StrToDateExt(u"15.01.24", std::vector<UnicodeString>{u"yyyy-mm-dd", u"dd.mm.yy"},
                        TDateTime(1.0))), Txt(Dt(2024, 1, 15))},
      {"StrToDateExt none fits", Txt(StrToDateExt(u"x", std::vector<UnicodeString>{u"dd.mm.yyyy"},
                                                  TDateTime(1.0))), Txt(TDateTime(1.0))},
      {"StrToDateTimeExt trimmed",
       Txt(StrToDateTimeExt(u" 2024-01-15 10:20:30 ", std::vector<UnicodeString>{u"yyyy-mm-dd"},
                            std::vector<UnicodeString>{u"hh:nn:ss"}, TDateTime(1.0))),
       Txt(Dt(2024, 1, 15, 10, 20, 30))},
      {"StrToDateTimeExt none applies",
       Txt(StrToDateTimeExt(u"later", std::vector<UnicodeString>{u"yyyy-mm-dd"},
                            std::vector<UnicodeString>{u"hh:nn:ss"}, TDateTime(1.0))),
       Txt(TDateTime(1.0))},
      {"GMTNow is local time in UTC (TZ=UTC here)", Txt(GMTNow()), Txt(Dt(2024, 1, 15, 10, 20, 30))},
  });
  kx::platform::SetClockForTesting(nullptr);
}

TEST(SystemServices, TkxFiles) {
  using namespace TkxFiles;
  Folder folder("files");
  folder.Write("doc.xml", "<doc/>");
  folder.Write("old.txt", "old");
  folder.Write("ro.txt", "x");
  fs::permissions(folder.P("ro.txt"), fs::perms::owner_read);
  const bool zipped = AddFileToZip(folder.P("doc.xml"), folder.P("doc.zip"), "");
  const bool zipFromData = AddFileToZip(folder.P("mem.xml"), folder.P("mem.zip"), "<m/>");
  const bool zipNothing = AddFileToZip(folder.P("none.xml"), folder.P("none.zip"), "");
  const UnicodeString longName = UnicodeString(300, u'n') + u".pdf";
  const bool copyKeeps = CopyFile32(folder.U("doc.xml"), folder.U("old.txt"), uint32_t{1});
  const AnsiString keptText = folder.Read("old.txt");
  const bool copyReplaces = CopyFile32(folder.U("doc.xml"), folder.U("old.txt"), uint32_t{0});
  const AnsiString replacedText = folder.Read("old.txt");
  const bool madeDeep = CreatePath(folder.U("a/b/c/file.txt"), false);
  const bool deepExists = fs::is_directory(folder.P("a/b/c"));
  const bool existing = CreatePath(folder.U("a/b/c/file.txt"), true);
  const bool removed = ForceDeleteFile(folder.U("ro.txt"));
  const bool missingRemoved = ForceDeleteFile(folder.U("never.txt"));
  AnsiString loaded = "stale";
  const bool loadOk = LoadFileToString(folder.U("doc.xml"), loaded);
  AnsiString unloaded = "stale";
  const bool loadMissing = LoadFileToString(folder.U("missing"), unloaded);
  const bool saved = SaveStringToFile(folder.U("s.bin"), std::string("a\0b", 3), false, false, "");
  const bool appended = SaveStringToFile(folder.U("s.bin"), "c", true, true,
                                         TkxMD5::GetMD5FromString(std::string("a\0bc", 4)));
  const bool md5Mismatch = SaveStringToFile(folder.U("t.bin"), "x", false, true, "00");
  folder.Write("taken.pdf", "");

  Check({
      {"AddFileToZip from the file (8-bit paths in the toolkit)", Txt(zipped && fs::exists(folder.P("doc.zip"))),
       u"true"},
      {"AddFileToZip from Data", Txt(zipFromData), u"true"},
      {"AddFileToZip nothing to add", Txt(zipNothing || fs::exists(folder.P("none.zip"))), u"false"},
      {"CheckPathExt trims and adds the separator", CheckPathExt(u" /tmp/out "), u"/tmp/out/"},
      {"CheckPathExt keeps one", CheckPathExt(u"/tmp/"), u"/tmp/"},
      {"CheckPathExt blank", CheckPathExt(u"  "), u""},
      {"ConvertToFileName", ConvertToFileName(u"a:b*c?.txt"), u"abc.txt"},
      {"ConvertToFileName at most 256, extension kept",
       Txt(ConvertToFileName(longName).size()) + u" " +
           ConvertToFileName(longName).substr(ConvertToFileName(longName).size() - 4),
       u"256 .pdf"},
      {"CopyFile32 flags 1 keep an existing target", Txt(copyKeeps) + u" " + Txt(keptText),
       u"false old"},
      {"CopyFile32 flags 0 replace it", Txt(copyReplaces) + u" " + Txt(replacedText), u"true <doc/>"},
      {"CopyFile32 missing source", Txt(CopyFile32(folder.U("none"), folder.U("x"), uint32_t{0})), u"false"},
      {"CreatePath makes every level", Txt(madeDeep && deepExists), u"true"},
      {"CreatePath CheckExistence on an existing folder", Txt(existing), u"true"},
      {"CreatePath never raises on a drive path", Txt(CreatePath(u"C:\\x\\y\\", false)), u"false"},
      {"ExtractPureFileName", ExtractPureFileName(u"/a/b.c/archive.tar.gz"), u"archive.tar"},
      {"ForceDeleteFile a read-only file", Txt(removed && !fs::exists(folder.P("ro.txt"))), u"true"},
      {"ForceDeleteFile a missing file", Txt(missingRemoved), u"true"},
      {"GetExtensionFromMimeType lower-cased lookup", GetExtensionFromMimeType(u"Application/PDF"), u"pdf"},
      {"GetExtensionFromMimeType unknown", GetExtensionFromMimeType(u"x-none/x-none"), u""},
      {"GetFreeFileName free", GetFreeFileName(folder.U("free.pdf"), 99999999, u"-", false, false),
       folder.U("free.pdf")},
      {"GetFreeFileName taken", GetFreeFileName(folder.U("taken.pdf"), 99999999, u"-", false, false),
       folder.U("taken-2.pdf")},
      {"GetMIMEType", GetMIMEType(u"/x/Scan.PDF", u"d"), u"application/pdf"},
      {"GetMIMEType unknown gives Default", GetMIMEType(u"/x/file.nothingknown", u"d"), u"d"},
      {"GetSizeOfFile", Txt(GetSizeOfFile(folder.U("doc.xml"))), u"6"},
      {"GetSizeOfFile empty name", Txt(GetSizeOfFile(u"")), u"0"},
      {"GetSizeOfFile missing", Txt(GetSizeOfFile(folder.U("missing"))), u"0"},
      {"GetTempPath ends with a separator", GetTempPath(),
       CheckPathExt(ToUtf16(std::getenv("TMPDIR")))},
      {"LoadFileToString", Txt(loadOk) + u" " + Txt(loaded), u"true <doc/>"},
      {"LoadFileToString missing", Txt(loadMissing), u"false"},
      {"PathExists tests the folder part", Txt(PathExists(folder.U("a/b/"))), u"true"},
      {"PathExists without the separator tests the parent", Txt(PathExists(folder.U("a/zz"))), u"true"},
      {"PathExists missing", Txt(PathExists(folder.U("zz/"))), u"false"},
      {"SaveStringToFile and append with MD5 check", Txt(saved && appended), u"true"},
      {"SaveStringToFile wrote every byte", Txt(folder.Read("s.bin") == std::string("a\0bc", 4)), u"true"},
      {"SaveStringToFile MD5 mismatch", Txt(md5Mismatch), u"false"},
  });
}

TEST(SystemServices, TkxIXMLDocumentTools) {
  using namespace TkxIXMLDocumentTools;
  const auto doc = kx::platform::XmlDocument::Load(
      "<r a=\"1\" e=\"\"><v>a\nb</v><c>x&#13;\ny\nz</c><w><x/>t</w><y/><d><![CDATA[c]]></d></r>");
  const auto root = doc.DocumentElement();
  Check({
      {"GetAttribute present", GetAttribute(root, u"a", u"d"), u"1"},
      {"GetAttribute present and empty", GetAttribute(root, u"e", u"d"), u""},
      {"GetAttribute absent", GetAttribute(root, u"A", u"d"), u"d"},
      {"GetNodeValue text, LF made CR LF", GetNodeValue(root.FindChild(u"v")).ToString(), u"a\r\nb"},
      {"GetNodeValue text with CR LF stays", GetNodeValue(root.FindChild(u"c")).ToString(), u"x\r\ny\nz"},
      {"GetNodeValue first child not text", Txt(GetNodeValue(root.FindChild(u"w")).IsNull()), u"true"},
      {"GetNodeValue CDATA", GetNodeValue(root.FindChild(u"d")).ToString(), u"c"},
  });
}

TEST(SystemServices, TkxMD5) {
  Folder folder("md5");
  folder.Write("abc", "abc");
  Check({
      {"GetMD5FromString", Txt(TkxMD5::GetMD5FromString("abc")), u"900150983CD24FB0D6963F7D28E17F72"},
      {"GetMD5FromString empty", Txt(TkxMD5::GetMD5FromString("")), u"D41D8CD98F00B204E9800998ECF8427E"},
      {"GetMD5FromFile", Txt(TkxMD5::GetMD5FromFile(folder.U("abc"), fmOpenRead | fmShareDenyWrite)),
       u"900150983CD24FB0D6963F7D28E17F72"},
      {"GetMD5FromFile missing raises",
       Raised([&] { TkxMD5::GetMD5FromFile(folder.U("none"), fmOpenRead); }),
       u"file " + folder.U("none") + u" not found"},
  });
}

TEST(SystemServices, TkxRegistry) {
  using namespace TkxRegistry;
  const UnicodeString key = u"SOFTWARE\\vanto\\ServicesTest";
  DeleteKey(HKEY_CURRENT_USER, key);
  SetValue(HKEY_CURRENT_USER, key, u"Text", Variant::FromUString(u"value"), false);
  SetValue(HKEY_CURRENT_USER, key, u"Number", Variant::FromInteger(1), false);
  SetValue(HKEY_CURRENT_USER, key, u"Real", Variant::FromUString(u"2.5"), false);
  Check({
      {"GetValue text", Txt(GetValue(HKEY_CURRENT_USER, key, u"Text", Variant::FromUString(u"d"), false)),
       u"UCS4STR value"},
      {"GetValue DWORD with a Boolean Default",
       Txt(GetValue(HKEY_CURRENT_USER, key, u"Number", Variant::FromBoolean(false), false)),
       u"BOOLEAN True"},
      {"GetValue DWORD otherwise an integer",
       Txt(GetValue(HKEY_CURRENT_USER, key, u"Number", Variant::FromUString(u""), false)), u"INT 1"},
      {"GetValue string converted for a double Default",
       Txt(GetValue(HKEY_CURRENT_USER, key, u"Real", Variant::FromDouble(0), false)), u"DOUBLE 2.50"},
      {"GetValue missing value gives Default",
       Txt(GetValue(HKEY_CURRENT_USER, key, u"None", Variant::FromInteger(7), false)), u"INT 7"},
      {"GetValue missing key gives Default",
       Txt(GetValue(HKEY_CURRENT_USER, key + u"\\No", u"Text", Variant::FromInteger(7), false)), u"INT 7"},
      {"GetValue without CanCreate writes nothing",
       Txt(ValueExists(HKEY_CURRENT_USER, key, u"None")), u"false"},
      {"ValueExists", Txt(ValueExists(HKEY_CURRENT_USER, key, u"Text")), u"true"},
      {"ValueExists missing key", Txt(ValueExists(HKEY_CURRENT_USER, key + u"\\No", u"Text")), u"false"},
  });
  DeleteKey(HKEY_CURRENT_USER, key);
}

TEST(SystemServices, TkxScriptTools) {
  using namespace kxInternal::TkxScriptTools;
  const AnsiString locked = LockScript("print('x')\r\nend", "pw");
  Check({
      {"LockScript one line of Base64", Txt(!locked.empty() &&
                                            locked.find_first_of("\r\n") == std::string::npos &&
                                            TkxBase64::StrToBase64(TkxBase64::Base64ToStr(locked), false) == locked),
       u"true"},
      {"LockScript hides the script", Txt(locked.find("print") == std::string::npos), u"true"},
      {"the locked script opens again", Txt(UnlockScript(locked, true)), u"print('x')\r\nend"},
  });
}

TEST(SystemServices, TkxTools) {
  using namespace TkxTools;
  Folder folder("tools");
  // A data link file as the system writes it: UTF-16 with a byte-order mark.
  const UnicodeString udl = u"\uFEFF[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                            u"Provider=SQLite;Data Source=x.db\r\n";
  folder.Write("db.udl", std::string(reinterpret_cast<const char*>(udl.data()), udl.size() * 2));
  ::setenv("KX_SERVICES_TEST", "on", 1);
  ::unsetenv("KX_SERVICES_UNSET");
  const TIdType id = CreateId();
  TkxFileInfo info;
  info.CompanyName = u"stale";
  const bool infoFound = GetFileInfo(folder.U("none.exe"), info);
  AnsiString ignored;
  TkxFiles::LoadFileToString(folder.U("none"), ignored);  // leaves an OS error behind
  const UnicodeString lastError = GetLastErrorMessage();
  const UnicodeString module = GetModuleFileName();
  const UnicodeString special = GetSpecialFolderPath(28);
  const TkxOSPlatform os = GetOSPlatformFromApplicationEnvironment();
  kx::platform::SetLastOSError(0);

  const UnicodeString theme = u"\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
  TkxRegistry::DeleteValue(HKEY_CURRENT_USER, theme, u"ThemeActive", false);
  const bool themeMissing = IsWindowsThemeActive();
  TkxRegistry::SetValue(HKEY_CURRENT_USER, theme, u"ThemeActive", Variant::FromUString(u"yes"), false);
  const bool themeOn = IsWindowsThemeActive();
  TkxRegistry::SetValue(HKEY_CURRENT_USER, theme, u"ThemeActive", Variant::FromUString(u" 1"), false);
  const bool themeBlank = IsWindowsThemeActive();
  TkxRegistry::SetValue(HKEY_CURRENT_USER, theme, u"ThemeActive", Variant::FromUString(u"0"), false);
  const bool themeOff = IsWindowsThemeActive();
  TkxRegistry::DeleteValue(HKEY_CURRENT_USER, theme, u"ThemeActive", false);

  Check({
      {"CreateId 32 upper-case hex digits", Txt(IsUpperHex(id.View(), 32)), u"true"},
      {"GetComputerName", Txt(!GetComputerName().empty()), u"true"},
      {"GetComputerNameEx 3", Txt(!GetComputerNameEx(3).empty()), u"true"},
      {"GetConnectionstringFromUdlFile", GetConnectionstringFromUdlFile(folder.U("db.udl")),
       u"Provider=SQLite;Data Source=x.db"},
      // The callers were told "empty"; the toolkit answers the bare key.
      {"GetConnectionstringFromUdlFile missing file",
       GetConnectionstringFromUdlFile(folder.U("none.udl")), u"Provider="},
      {"GetEnvironmentString", GetEnvironmentString(u"KX_SERVICES_TEST"), u"on"},
      {"GetEnvironmentString unset", GetEnvironmentString(u"KX_SERVICES_UNSET"), u""},
      {"GetExecutableCPUPlatform of this program", Txt(GetExecutableCPUPlatform(module)),
       Txt(kxCPU_x64)},
      {"GetExecutableCPUPlatform unreadable", Txt(GetExecutableCPUPlatform(folder.U("db.udl"))),
       Txt(kxCPU_Unknown)},
      {"GetFileInfo without version information", Txt(infoFound) + u" " + info.CompanyName + u" " +
                                                       info.ProductVersion + u" " + info.Comment,
       u"false Unknown Unknown Unknown"},
      {"GetLastErrorMessage of the last failure, trimmed",
       Txt(!lastError.empty() && lastError.back() > u' ' && lastError.front() > u' '), u"true"},
      {"GetModuleFileName a full path", Txt(!module.empty() && module[0] == u'/' &&
                                            fs::exists(ToUtf8(module))), u"true"},
      {"GetOSPlatformFromApplicationEnvironment: no Windows program here", Txt(os),
       Txt(kxOSP_Unknown)},
      {"GetShortWindowsLanguage upper-case two letters",
       Txt(GetShortWindowsLanguage(u"en").size()) + u" " +
           Txt(GetShortWindowsLanguage(u"en") == UpperText(GetShortWindowsLanguage(u"en"))),
       u"2 true"},
      {"GetSpecialFolderPath with a closing separator",
       Txt(special.empty() || special.back() == u'/'), u"true"},
      {"GetUserName trimmed, not empty", Txt(!GetUserName().empty() &&
                                             GetUserName() == UnicodeString(TrimBlanks(GetUserName()))),
       u"true"},
      {"GetUserNameEx 8 falls back to COMPUTER\\user", GetUserNameEx(8),
       UpperText(GetComputerName()) + u"\\" + GetUserName()},
      {"GetUserNameEx invalid format", Raised([] { GetUserNameEx(99); }), u"invalid format type"},
      {"IsWindowsThemeActive missing value", Txt(themeMissing), u"false"},
      {"IsWindowsThemeActive yes-word", Txt(themeOn), u"true"},
      {"IsWindowsThemeActive other", Txt(themeOff), u"false"},
      {"IsWindowsThemeActive does not trim", Txt(themeBlank), u"false"},
      {"PrepareXMLStringW blanks for non-XML units",
       PrepareXMLStringW(u"a\x01" u"b\xFFFE\xD800" u"c\t\r\n", false), u"a b  c\t\r\n"},
      // The toolkit keeps a valid surrogate pair.
      {"PrepareXMLStringW keeps a valid pair", PrepareXMLStringW(u"\U0001F600", false), u"\U0001F600"},
      {"PrepareXMLStringW notation replacements", PrepareXMLStringW(u"&<>\"'", true),
       u"&amp;&lt;&gt;&quot;&apos;"},
  });
  ::unsetenv("KX_SERVICES_TEST");
}

TEST(SystemServices, TkxTypes) {
  using namespace TkxTypes;
  Variant date = Variant::FromDate(Dt(2024, 1, 15, 10, 20, 30));
  Variant integer = Variant::FromInteger(12);
  Variant real = Variant::FromDouble(1.5);
  Variant flag = Variant::FromBoolean(true);
  Variant text = Variant::FromUString(u"t");
  Variant null = Variant::Null();
  const TRelRect rect = FloatRect(1, 2, 4, 7);
  const TRelRect ltwh = StrToFloatRectLTWH(u"10,20,5,4");
  const TRelRect ltwhFlat = StrToFloatRectLTWH(u"1.5,2");

  std::vector<Row> rows = {
      {"GetVarType", Txt(GetVarType(integer)), u"3"},
      {"GetVarType flags included", Txt(GetVarType(Variant::FromVariantRef(integer))), u"16396"},
      {"GetVarTypeFromStr trimmed, upper-cased", Txt(GetVarTypeFromStr(u" int ", 0)), u"3"},
      {"GetVarTypeFromStr BOOL", Txt(GetVarTypeFromStr(u"bool", 0)), u"11"},
      {"GetVarTypeFromStr FLOAT", Txt(GetVarTypeFromStr(u"FLOAT", 0)), u"5"},
      {"GetVarTypeFromStr REAL", Txt(GetVarTypeFromStr(u"REAL", 0)), u"5"},
      {"GetVarTypeFromStr TIME", Txt(GetVarTypeFromStr(u"TIME", 0)), u"7"},
      {"GetVarTypeFromStr UNKNOWN", Txt(GetVarTypeFromStr(u"UNKNOWN", 0)), u"13"},
      {"GetVarTypeFromStr empty", Txt(GetVarTypeFromStr(u"", 99)), u"99"},
      {"GetVarTypeFromStr other", Txt(GetVarTypeFromStr(u"LONGINT", 99)), u"99"},
      {"VarToStrExt empty", VarToStrExt(Variant()), u""},
      {"VarToStrExt null", VarToStrExt(null), u""},
      {"VarToStrExt integer", VarToStrExt(Variant::FromInt64(-9000000000)), u"-9000000000"},
      {"VarToStrExt double", VarToStrExt(Variant::FromDouble(87)), u"87.00"},
      {"VarToStrExt date and time", VarToStrExt(date), u"2024-01-15 10:20:30"},
      {"VarToStrExt date only", VarToStrExt(Variant::FromDate(Dt(2024, 1, 15))), u"2024-01-15"},
      {"VarToStrExt time only", VarToStrExt(Variant::FromDate(TDateTime(0.75))), u"18:00:00"},
      {"VarToStrExt Boolean", VarToStrExt(flag) + VarToStrExt(Variant::FromBoolean(false)), u"TrueFalse"},
      {"VarToStrExt text", VarToStrExt(text), u"t"},
      {"StrToVarExt integer code gives Int64", Txt(StrToVarExt(u"12", 3)), u"INT64 12"},
      {"StrToVarExt integer not numeric", Txt(StrToVarExt(u"abc", 3)), u"INT64 -1"},
      {"StrToVarExt double", Txt(StrToVarExt(u"1,5", 5)), u"DOUBLE 1.50"},
      {"StrToVarExt date", Txt(StrToVarExt(u"2024-01-15 10:20:30", 7)), u"DATE 2024-01-15 10:20:30"},
      {"StrToVarExt date from a time stamp", Txt(StrToVarExt(u"000B4646h02932E00h", 7)),
       u"DATE 2024-01-01 12:00:00"},
      {"StrToVarExt broken time stamp gives null", Txt(StrToVarExt(u"zz#", 7).IsNull()), u"true"},
      // The toolkit gives the date 0 for a text no format reads.
      {"StrToVarExt unreadable date", Txt(StrToVarExt(u"soon", 7)), u"DATE 1899-12-30"},
      {"StrToVarExt Boolean", Txt(StrToVarExt(u"yes", 11)), u"BOOLEAN True"},
      {"StrToVarExt other code: the text", Txt(StrToVarExt(u"abc", 8)), u"UCS4STR abc"},
      {"StrToVarExt by name, CDT_ dropped", Txt(StrToVarExt(u"12", u"CDT_INT")), u"INT64 12"},
      {"StrToVarExt by name EMPTY, empty text", Txt(StrToVarExt(u"", u"EMPTY").IsNull()), u"true"},
      {"StrToVarExt by name NULL, text", Txt(StrToVarExt(u"x", u"NULL")), u"UCS4STR x"},
      {"StrToVarExt by name integer fallback", Txt(StrToVarExt(u"x", u"INT64")), u"INT64 -1"},
      {"StrToVarExt by name currency fallback", Txt(StrToVarExt(u"x", u"CURRENCY")), u"DOUBLE 0.00"},
      {"StrToVarExt by name unknown: the text", Txt(StrToVarExt(u"abc", u"BOGUS")), u"UCS4STR abc"},
      {"VarIsInitial", Txt(VarIsInitial(Variant())) + Txt(VarIsInitial(null)) +
                           Txt(VarIsInitial(Variant::FromInteger(0))),
       u"truetruefalse"},
      {"VarToStr null", VarToStr(null), u""},
      {"VarToStr text", VarToStr(text), u"t"},
      {"VarToFloat text, first comma", Txt(VarToFloat(Variant::FromUString(u"1,5"))), u"1.5"},
      {"VarToFloat Boolean", Txt(VarToFloat(flag)), u"1"},
      {"VarToFloat null", Txt(VarToFloat(null)), u"0"},
      {"VarToInteger rounds", Txt(VarToInteger(Variant::FromDouble(2.6))), u"3"},
      {"VarToInteger text", Txt(VarToInteger(Variant::FromUString(u"7,4"))), u"7"},
      {"FloatRect width and height", Txt(rect.Width) + u"," + Txt(rect.Height), u"3,5"},
      {"StrToFloatRectLTWH positive size: right and bottom inclusive",
       Txt(ltwh.Left) + u"," + Txt(ltwh.Top) + u"," + Txt(ltwh.Right) + u"," + Txt(ltwh.Bottom),
       u"10,20,14,23"},
      {"StrToFloatRectLTWH missing parts 0",
       Txt(ltwhFlat.Left) + u"," + Txt(ltwhFlat.Right) + u"," + Txt(ltwhFlat.Bottom), u"1.5,1.5,2"},
      {"GetCPUPlatformStr", GetCPUPlatformStr(kxCPU_x86) + GetCPUPlatformStr(kxCPU_x64) +
                                GetCPUPlatformStr(kxCPU_Unknown),
       u"x86x64Unknown"},
      {"GetOSPlatformStr", GetOSPlatformStr(kxOSP_Common) + u"," + GetOSPlatformStr(kxOSP_Win32) + u"," +
                               GetOSPlatformStr(kxOSP_Win64) + u"," + GetOSPlatformStr(kxOSP_None) + u"," +
                               GetOSPlatformStr(kxOSP_Unknown) + u"," + GetOSPlatformStr(kxOSP_Linux64),
       u"Common,Win32,Win64,,Unknown,Unknown"},
      {"GetEncryptionType", Txt(GetEncryptionType(u"3des")) + Txt(GetEncryptionType(u"AES256")) +
                                Txt(GetEncryptionType(u"")) + Txt(GetEncryptionType(u"rot13")),
       Txt(kxCM_3DES) + Txt(kxCM_AES256) + Txt(kxCM_None) + Txt(kxCM_None)},
      {"GetEncryptionTypeStr", GetEncryptionTypeStr(kxCM_3DES) + u"," + GetEncryptionTypeStr(kxCM_AES256) +
                                   u"," + GetEncryptionTypeStr(kxCM_None),
       u"3DES,AES256,"},
      {"GetEnterpriseServiceStr", GetEnterpriseServiceStr(kxESVC_DRAV) + u"," +
                                      GetEnterpriseServiceStr(kxESVC_PLUMO) + u"," +
                                      GetEnterpriseServiceStr(kxESVC_Enterprise),
       u"kxdravsrv.exe,kxplumosrv.exe,kxenterprisesrv.exe"},
      {"GetLogTypeFromText lower-cased, trimmed", Txt(GetLogTypeFromText(u" ERROR ")), Txt(kxLog_Error)},
      {"GetLogTypeFromText other", Txt(GetLogTypeFromText(u"chatter")), Txt(kxLog_Unknown)},
  };

  // Document-model values.
  const BsonValue fromInt = VarToBsonValueByRef(integer, false);
  const BsonValue fromReal = VarToBsonValueByRef(real, false);
  const BsonValue fromDate = VarToBsonValueByRef(date, true);
  const BsonValue fromFlag = VarToBsonValueByRef(flag, false);
  const BsonValue fromText = VarToBsonValueByRef(text, false);
  const BsonValue fromNull = VarToBsonValueByRef(null, false);
  rows.insert(rows.end(), {
      {"VarToBsonValueByRef integer", Txt(fromInt.Kind() == BsonKind::Int64), u"true"},
      {"VarToBsonValueByRef double", Txt(fromReal.Kind() == BsonKind::Double), u"true"},
      {"VarToBsonValueByRef date as ISO text", fromDate.Kind() == BsonKind::String ? fromDate.AsString() : u"",
       u"2024-01-15T10:20:30.000Z"},
      {"VarToBsonValueByRef Boolean", Txt(fromFlag.Kind() == BsonKind::Boolean), u"true"},
      {"VarToBsonValueByRef text", fromText.Kind() == BsonKind::String ? fromText.AsString() : u"", u"t"},
      {"VarToBsonValueByRef null", Txt(fromNull.IsNull()), u"true"},
      {"BsonValueToVariant null", Txt(BsonValueToVariant(BsonValue::Null(), 0).IsNull()), u"true"},
      {"BsonValueToVariant double", Txt(BsonValueToVariant(BsonValue::Double(2.5), 0)), u"DOUBLE 2.50"},
      {"BsonValueToVariant text as date",
       Txt(BsonValueToVariant(BsonValue::String(u"2024-01-15T10:20:30.000Z"), 7)), u"DATE 2024-01-15 10:20:30"},
      {"BsonValueToVariant text", Txt(BsonValueToVariant(BsonValue::String(u"s"), 5)), u"UCS4STR s"},
      {"BsonValueToVariant Boolean", Txt(BsonValueToVariant(BsonValue::Boolean(false), 0)), u"BOOLEAN False"},
      {"BsonValueToVariant Int32", Txt(BsonValueToVariant(BsonValue::Int32(5), 0)), u"INT 5"},
      {"BsonValueToVariant Int64", Txt(BsonValueToVariant(BsonValue::Int64(5), 0)), u"INT64 5"},
      {"BsonValueToVariant document", Txt(BsonValueToVariant(BsonValue::Document({}), 0).IsNull()), u"true"},
  });

  // Full tables of names.
  const std::pair<TVarType, const char16_t*> typeNames[] = {
      {0, u"EMPTY"}, {1, u"NULL"}, {2, u"SMALLINT"}, {3, u"INT"}, {4, u"SINGLE"}, {5, u"DOUBLE"},
      {6, u"CURRENCY"}, {7, u"DATE"}, {8, u"UCS2STR"}, {9, u"DISPATCH"}, {10, u"ERROR"},
      {11, u"BOOLEAN"}, {12, u"VARIANT"}, {13, u"UNKNOWN"}, {16, u"SHORTINT"}, {17, u"BYTE"},
      {18, u"WORD"}, {19, u"LONGWORD"}, {20, u"INT64"}, {72, u"STRARG"}, {74, u"USTRARG"},
      {256, u"STRING"}, {257, u"ANY"}, {258, u"UCS4STR"}, {0x0FFF, u"TYPEMASK"}, {0x2000, u"ARRAY"},
      {0x4000, u"BYREF"}, {14, u"UNKNOWN"}, {0x2003, u"UNKNOWN"},
  };
  for (const auto& [code, name] : typeNames) {
    rows.push_back({"GetVarTypeStr", Txt(code) + u" " + GetVarTypeStr(code), Txt(code) + u" " + name});
    if (code != 14 && code != 0x2003)
      rows.push_back({"GetVarTypeFromStr reverses GetVarTypeStr",
                      Txt(GetVarTypeFromStr(name, 999)), Txt(code)});
  }
  const std::pair<TkxDatabaseType, const char16_t*> dbNames[] = {
      {kxDBT_MSSQL, u"MSSQL"}, {kxDBT_MSSQL2000, u"MSSQL2000"}, {kxDBT_MSSQL2005, u"MSSQL2005"},
      {kxDBT_MSSQL2008, u"MSSQL2008"}, {kxDBT_MSSQL2012, u"MSSQL2012"},
      {kxDBT_MSSQL2014, u"MSSQL2014"}, {kxDBT_MySQL, u"MySQL"}, {kxDBT_Oracle, u"Oracle"},
      {kxDBT_DB2, u"DB2"}, {kxDBT_Informix, u"Informix"}, {kxDBT_Unknown, u"Unknown"},
      {kxDBT_Z9, u"Unknown"}, {kxDBT_MSSQL2016, u"Unknown"},
  };
  for (const auto& [type, name] : dbNames)
    rows.push_back({"GetDatabaseTypeStr", GetDatabaseTypeStr(type), name});
  const char16_t* logNames[] = {u"info", u"error", u"warning", u"success", u"debug", u"trace",
                                u"process", u"startup", u"shutdown", u"critical", u"note", u"user",
                                u"verify", u"create", u"modify", u"delete", u"input", u"blob",
                                u"meta", u"subject", u"register", u"import", u"export", u"unknown"};
  for (int i = 0; i <= static_cast<int>(kxLog_Unknown); ++i) {
    const auto type = static_cast<TkxLogInfoType>(i);
    rows.push_back({"GetLogTypeText", GetLogTypeText(type), logNames[i]});
    rows.push_back({"GetLogTypeFromText reverses GetLogTypeText", Txt(GetLogTypeFromText(logNames[i])),
                    Txt(type)});
  }
  Check(rows);
}

// The log writer's use: a data set opened on a connection without a
// command time-out, then a row appended with fields set by name.
TEST(SystemServices, TkxADODataSet) {
  namespace db = kx::platform::db;
  Folder folder("ado");
  db::CreateDatabase(folder.U("log.db"));
  const auto c = db::Connection::Open(u"Provider=SQLite;Data Source=log.db", folder.U(""), {15, 0});
  db::Command(*c, u"CREATE TABLE kx_log (DOCID VARCHAR(32), MESSAGE TEXT, LOGDATE DATETIME)").Execute();
  TkxADODataSet log(*c, u"SELECT * FROM kx_log WHERE DOCID IS NULL");
  log.Open();
  const int32_t before = log.RecordCount();
  const std::vector<UnicodeString> fields = log.FieldNames();
  db::InsertRow(*c, u"kx_log", {{u"message", Variant::FromOleStr(u"started")},
                                {u"LogDate", Variant::FromDate(Dt(2024, 1, 2, 3, 4, 5, 6))}});
  log.Open();
  Check({
      {"CommandTimeout", Txt(c->CommandTimeout()), u"0"},
      {"RecordCount before the row", Txt(before), u"0"},
      {"FieldNames without rows", Txt(static_cast<int64_t>(fields.size())), u"3"},
      {"RecordCount after InsertRow", Txt(log.RecordCount()), u"1"},
      {"FieldByName(\"MESSAGE\")", log.FieldByName(u"MESSAGE").AsString(), u"started"},
      {"FieldByName(\"LOGDATE\")", Txt(log.FieldByName(u"LOGDATE").Value()),
       u"DATE 2024-01-02 03:04:05"},
      {"FieldByName(\"DOCID\") is NULL", Txt(log.FieldByName(u"DocId").IsNull()), u"true"},
      {"FieldByName of a missing field",
       Raised([&] { log.FieldByName(u"nope"); }), u"field nope not found"},
  });
}

TEST(SystemServices, TkxVersionTools) {
  using namespace TkxVersionTools;
  Folder folder("version");
  folder.Write("plain.bin", "no version here");
  const TkxVersion v1{1, 2, 3, 4}, v2{1, 2, 10, 0}, zero{};
  const TkxVersion parsed = GetVersionFromStr(u"5.x.7");
  Check({
      {"GetInternalFileVersionStr without a version resource",
       Txt(GetInternalFileVersionStr(folder.U("plain.bin"))), u"Unknown"},
      {"GetInternalFileVersionStr missing file", Txt(GetInternalFileVersionStr(folder.U("none"))),
       u"Unknown"},
      {"GetVersionFromStr non-numeric and missing parts 0",
       GetVersionStr(parsed), u"5.0.7.0"},
      {"GetVersionStr", GetVersionStr(v1), u"1.2.3.4"},
      {"CompareVersions older", Txt(CompareVersions(v1, v2)), Txt(kxVC_Older)},
      {"CompareVersions newer", Txt(CompareVersions(v2, v1)), Txt(kxVC_Newer)},
      {"CompareVersions identical", Txt(CompareVersions(v1, v1)), Txt(kxVC_Identical)},
      {"CompareVersions all zero", Txt(CompareVersions(zero, v1)), Txt(kxVC_Unknown)},
  });
}

// The types the callers use, by name and enumerator order (a renamed or
// reordered one fails the build).
static_assert(kxIPv4 == 0 && kxIPv6 == 1 && kxIPUnknown == 2);
static_assert(kxHHT_Custom == 0 && kxHHT_Raw == 1);
static_assert(kxHC_Unknown == 0 && kxHC_None == 1 && kxHC_Get == 3 && kxHC_Options == 9 &&
              kxHC_View == 21);
static_assert(kxLOT_System == 0 && kxLOT_User == 1);
static_assert(kxCPU_x86 == 0 && kxCPU_x64 == 1 && kxCPU_Unknown == 2);
static_assert(kxOSP_Unknown == 0 && kxOSP_Common == 1 && kxOSP_Win32 == 2 && kxOSP_Win64 == 3 &&
              kxOSP_None == 4 && kxOSP_Linux32 == 5 && kxOSP_Linux64 == 6);
static_assert(kxTO_Unknown == 0 && kxTO_Enabled == 1 && kxTO_Disabled == 2);
static_assert(kxSQT_SELECT == 0 && kxSQT_DELETE == 3);
static_assert(kxTT_Begin == 0 && kxTT_Commit == 1 && kxTT_RollBack == 2);
static_assert(kxCE_UTF8 == 0 && kxCE_UTF16 == 1);
static_assert(kxVC_Unknown == 0 && kxVC_Identical == 1 && kxVC_Older == 2 && kxVC_Newer == 3);
static_assert(static_cast<int>(kxInternal::kxCIPHENC_Internal) == 6);
[[maybe_unused]] void TypesExist(TkxMetaField&, TkxAlternativeValue&, TkxMetaData&, TkxMetaTableData&,
                                 TkxMetaTableDataHeaderField&, TkxMetaTableDataRow&,
                                 TkxMetaTableDataColumnField&,
                                 TkxBlob&, TkxBlobs&, TkxUrlParam&, TkxUrlParams&, TkxKeyValue&,
                                 TkxKeyValueList&, TkxIPAddress&, TkxIPRanges&, TWideStringArray&,
                                 TkxQueueState, TkxQueueTask, TkxEncoding, TkxOCREngine, TEngineType,
                                 kxInternal::TkxCipherUrlParam&, kxInternal::TkxCipherUrlParams&) {}

}  // namespace
