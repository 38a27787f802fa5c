#include "system/kxRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace std::string_literals;
namespace store = kx::platform::registry;

std::string Sz(std::u16string_view text) {
  std::string out;
  for (char16_t u : text) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out + "\0\0"s;
}

const UnicodeString kKey = u"SOFTWARE\\vanto\\System";

// A registry folder of its own for every test.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = std::getenv("VANTO_REGISTRY_DIR")) saved_ = v;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp ? tmp : "/tmp") + "/kxregistry.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ::setenv("VANTO_REGISTRY_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ::setenv("VANTO_REGISTRY_DIR", saved_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  static void Put(uint32_t type, const std::string& data, const UnicodeString& name = u"v") {
    ASSERT_TRUE(store::SetValue(HKEY_LOCAL_MACHINE, kKey, name, type, data));
  }
  static std::optional<store::RegistryValue> Stored(const UnicodeString& name = u"v") {
    return store::QueryValue(HKEY_LOCAL_MACHINE, kKey, name);
  }

  std::string dir_, saved_;
};

TEST_F(Registry, GetValueFollowsTheStoredType) {
  const TDateTime jan15 = EncodeDate(2024, 1, 15);
  struct Row {
    const char* what;
    uint32_t type;
    std::string data;
    Variant def;
    Variant want;
  };
  const Row rows[] = {
      {"number, text default", REG_DWORD, "\5\0\0\0"s, Variant::FromUString(u"x"),
       Variant::FromInteger(5)},
      {"number, Boolean default", REG_DWORD, "\5\0\0\0"s, Variant::FromBoolean(false),
       Variant::FromBoolean(true)},
      {"negative number", REG_DWORD, "\xFF\xFF\xFF\xFF"s, Variant::FromInt64(0),
       Variant::FromInteger(-1)},
      {"number of 2 bytes", REG_DWORD, "\5\0"s, Variant::FromInteger(9), Variant::FromInteger(9)},
      {"decimal text", REG_SZ, Sz(u"3.5"), Variant::FromDouble(0.0), Variant::FromDouble(3.5)},
      {"written decimal", REG_SZ, Sz(u" 3.50000000000000E+0000"), Variant::FromSingle(0),
       Variant::FromDouble(3.5)},
      {"letters, double default", REG_SZ, Sz(u"abc"), Variant::FromDouble(1.5),
       Variant::FromDouble(1.5)},
      {"empty, double default", REG_SZ, Sz(u""), Variant::FromDouble(1.5),
       Variant::FromDouble(0.0)},
      {"comma, currency default", REG_SZ, Sz(u"2,5"), Variant::FromCurrency(Currency{}),
       Variant::FromDouble(2.5)},
      {"ISO date", REG_SZ, Sz(u"2024-01-15"), Variant::FromDate(TDateTime(1.0)),
       Variant::FromDate(jan15)},
      {"German date", REG_SZ, Sz(u"15.01.2024"), Variant::FromDate(TDateTime(1.0)),
       Variant::FromDate(jan15)},
      {"no date", REG_SZ, Sz(u"letters"), Variant::FromDate(TDateTime(1.0)),
       Variant::FromDate(TDateTime(0.0))},
      {"text, integer default", REG_SZ, Sz(u"42"), Variant::FromInteger(0),
       Variant::FromUString(u"42")},
      {"text ends at a zero", REG_SZ, Sz(u"a\0b"s), Variant(), Variant::FromUString(u"a")},
      {"text without its zero", REG_SZ, "a\0b\0"s, Variant(), Variant::FromUString(u"ab")},
      {"expandable, not expanded", REG_EXPAND_SZ, Sz(u"%TEMP%"), Variant(),
       Variant::FromUString(u"%TEMP%")},
      {"binary", REG_BINARY, "\0\x80\xFF"s, Variant(), Variant::FromString("\0\x80\xFF"s)},
      {"multi-string", REG_MULTI_SZ, Sz(u"a\0b\0"s), Variant(),
       Variant::FromUString(u"a\r\nb\r\n")},
      {"multi-string, none", REG_MULTI_SZ, "\0\0"s, Variant::FromInteger(1),
       Variant::FromUString(u"")},
      {"multi-string, no data", REG_MULTI_SZ, "", Variant::FromInteger(1), Variant::FromInteger(1)},
      {"odd last byte dropped", REG_MULTI_SZ, "a\0b"s, Variant(), Variant::FromUString(u"a\r\n")},
      {"64-bit number", REG_QWORD, "A\0\0\0\0\0\0\0"s, Variant(), Variant::FromUString(u"A\r\n")},
  };
  for (const auto& r : rows) {
    Put(r.type, r.data);
    const Variant got = TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, kKey, u"V", r.def, false);
    EXPECT_EQ(got, r.want) << r.what << ": type " << got.VarType() << " " << ToUtf8(VarToStr(got));
  }
}

TEST_F(Registry, GetValueCreatesOnlyAMissingValueOfAnExistingKey) {
  const Variant def = Variant::FromInteger(42);
  EXPECT_EQ(TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, u"Missing\\Key", u"v", def, true), def);
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_LOCAL_MACHINE, u"Missing\\Key"));
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_LOCAL_MACHINE, u"Missing"));

  ASSERT_TRUE(store::CreateKey(HKEY_LOCAL_MACHINE, kKey));
  EXPECT_EQ(TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, kKey, u"v", def, false), def);
  EXPECT_FALSE(Stored().has_value());
  EXPECT_EQ(TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, kKey, u"v", def, true), def);
  EXPECT_EQ(Stored(), (store::RegistryValue{REG_DWORD, "\x2A\0\0\0"s}));
  // Unknown roots give Default.
  EXPECT_EQ(TkxRegistry::GetValue(HKEY(1), kKey, u"v", def, true), def);
}

TEST_F(Registry, SetValueStoresByTheValuesType) {
  Variant array = VarArrayCreate(0, 1, varInteger);
  struct Row {
    const char* what;
    Variant value;
    bool ok;  // stored (and verified)
    uint32_t type;
    std::string data;
  };
  const Row rows[] = {
      {"true", Variant::FromBoolean(true), true, REG_DWORD, "\1\0\0\0"s},
      {"false", Variant::FromBoolean(false), true, REG_DWORD, "\0\0\0\0"s},
      {"integer", Variant::FromInteger(-5), true, REG_DWORD, "\xFB\xFF\xFF\xFF"s},
      {"word", Variant::FromWord(65535), true, REG_DWORD, "\xFF\xFF\0\0"s},
      {"short int", Variant::FromShortInt(-1), true, REG_DWORD, "\xFF\xFF\xFF\xFF"s},
      {"long word 5", Variant::FromLongWord(5), true, REG_DWORD, "\5\0\0\0"s},
      // Stored as its 32-bit pattern, which reads back negative: Verify fails.
      {"long word 3e9", Variant::FromLongWord(3'000'000'000u), false, REG_DWORD,
       "\x00\x5E\xD0\xB2"s},
      {"int64 in range", Variant::FromInt64(INT32_MIN), true, REG_DWORD, "\0\0\0\x80"s},
      {"int64 too big", Variant::FromInt64(int64_t{1} << 31), false, 0, ""},  // refused, never cut
      {"double", Variant::FromDouble(3.5), true, REG_SZ, Sz(u" 3.50000000000000E+0000")},
      {"currency", Variant::FromCurrency(Currency::FromRaw(12'500)), true, REG_SZ,
       Sz(u" 1.25000000000000E+0000")},
      {"date", Variant::FromDate(EncodeDateTime(2024, 1, 15, 13, 0, 0, 0)), true, REG_SZ,
       Sz(u"2024-01-15")},
      {"text", Variant::FromUString(u"Stra\u00DFe"), true, REG_SZ, Sz(u"Stra\u00DFe")},
      {"8-bit text", Variant::FromString("\xC3\xA4"), true, REG_SZ, Sz(u"\u00E4")},
      {"empty", Variant(), true, REG_SZ, Sz(u"")},
      {"null", Variant::Null(), false, 0, ""},
      {"array", array, false, 0, ""},
  };
  int i = 0;
  for (const auto& r : rows) {
    const UnicodeString name = u"v" + ToUtf16(std::to_string(i++));
    EXPECT_EQ(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kKey, name, r.value, true), r.ok) << r.what;
    const auto stored = Stored(name);
    EXPECT_EQ(stored.has_value(), r.type != 0) << r.what;
    if (stored) {
      EXPECT_EQ(*stored, (store::RegistryValue{r.type, r.data})) << r.what;
    }
  }
  // Without Verify the long word is stored and reported stored.
  EXPECT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kKey, u"lw",
                                    Variant::FromLongWord(3'000'000'000u), false));
  // A date comes back without its time.
  EXPECT_EQ(TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, kKey, u"v11",
                                  Variant::FromDate(TDateTime(1.0)), false),
            Variant::FromDate(EncodeDate(2024, 1, 15)));
  EXPECT_FALSE(TkxRegistry::SetValue(HKEY(7), kKey, u"v", Variant::FromInteger(1), false));
}

TEST_F(Registry, DeletesAndRenamesAnswerAsTheirTwinsDo) {
  ASSERT_TRUE(
      TkxRegistry::SetValue(HKEY_CURRENT_USER, u"A\\B", u"v", Variant::FromInteger(1), false));
  ASSERT_TRUE(store::CreateKey(HKEY_CURRENT_USER, u"Other"));

  EXPECT_TRUE(TkxRegistry::DeleteValue(HKEY_CURRENT_USER, u"Missing", u"v", false));
  EXPECT_FALSE(TkxRegistry::DeleteValue(HKEY_CURRENT_USER, u"A\\B", u"missing", false));
  EXPECT_TRUE(TkxRegistry::DeleteValue(HKEY_CURRENT_USER, u"A\\B", u"missing", true));

  EXPECT_TRUE(TkxRegistry::RenameKey(HKEY_CURRENT_USER, u"Missing", u"New"));
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_CURRENT_USER, u"New"));
  EXPECT_FALSE(TkxRegistry::RenameKey(HKEY_CURRENT_USER, u"A", u"OTHER"));    // exists
  EXPECT_FALSE(TkxRegistry::RenameKey(HKEY_CURRENT_USER, u"A", u"a\\B\\C"));  // own subtree
  EXPECT_TRUE(TkxRegistry::KeyExists(HKEY_CURRENT_USER, u"A\\B"));
  EXPECT_TRUE(TkxRegistry::KeyExists(HKEY_CURRENT_USER, u"Other"));
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_CURRENT_USER, u"Other\\B"));
  EXPECT_TRUE(TkxRegistry::RenameKey(HKEY_CURRENT_USER, u"A", u"Moved"));
  EXPECT_TRUE(TkxRegistry::ValueExists(HKEY_CURRENT_USER, u"Moved\\B", u"V"));

  EXPECT_FALSE(TkxRegistry::DeleteKey(HKEY_CURRENT_USER, u"Missing"));
  EXPECT_FALSE(TkxRegistry::DeleteKey(HKEY_CURRENT_USER, u""));  // the root stays
  EXPECT_TRUE(TkxRegistry::DeleteKey(HKEY_CURRENT_USER, u"Moved"));
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_CURRENT_USER, u"Moved\\B"));
  EXPECT_TRUE(TkxRegistry::KeyExists(HKEY_CURRENT_USER, u"Other"));

  ASSERT_TRUE(TkxRegistry::SetValue(HKEY_CURRENT_USER, u"K", u"v", Variant::FromInteger(1), false));
  EXPECT_TRUE(TkxRegistry::DeleteValue(HKEY_CURRENT_USER, u"K", u"V", false));
  EXPECT_FALSE(TkxRegistry::ValueExists(HKEY_CURRENT_USER, u"K", u"v"));
}

TEST_F(Registry, ListsNamesOrCreatesTheMissingKey) {
  ASSERT_TRUE(
      TkxRegistry::SetValue(HKEY_CLASSES_ROOT, u"K", u"second", Variant::FromInteger(1), false));
  ASSERT_TRUE(
      TkxRegistry::SetValue(HKEY_CLASSES_ROOT, u"K", u"First", Variant::FromInteger(1), false));
  ASSERT_TRUE(store::CreateKey(HKEY_CLASSES_ROOT, u"K\\sub2"));
  ASSERT_TRUE(store::CreateKey(HKEY_CLASSES_ROOT, u"K\\Sub1"));

  TStringList list;
  list.Add(u"old");
  EXPECT_TRUE(TkxRegistry::GetAttributes(HKEY_CLASSES_ROOT, u"K", &list, false));
  EXPECT_EQ(list.CommaText(), u"second,First");
  EXPECT_TRUE(TkxRegistry::GetSubKeys(HKEY_CLASSES_ROOT, u"k", &list, false));
  EXPECT_EQ(list.CommaText(), u"Sub1,sub2");

  // A missing key: created with CanCreate, the list left alone either way.
  EXPECT_TRUE(TkxRegistry::GetSubKeys(HKEY_CLASSES_ROOT, u"Missing", &list, false));
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_CLASSES_ROOT, u"Missing"));
  EXPECT_TRUE(TkxRegistry::GetAttributes(HKEY_CLASSES_ROOT, u"Missing", &list, true));
  EXPECT_TRUE(TkxRegistry::KeyExists(HKEY_CLASSES_ROOT, u"Missing"));
  EXPECT_EQ(list.CommaText(), u"Sub1,sub2");
  EXPECT_FALSE(TkxRegistry::GetAttributes(HKEY_CLASSES_ROOT, u"K", nullptr, true));
  EXPECT_FALSE(TkxRegistry::GetSubKeys(HKEY_CLASSES_ROOT, u"K", nullptr, true));
}

TEST_F(Registry, ClassIDAvailableLooksBelowTheClassesRoot) {
  const TGUID id{0x00020906, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_FALSE(TkxRegistry::ClassIDAvailable(id));
  ASSERT_TRUE(
      store::CreateKey(HKEY_CLASSES_ROOT, u"CLSID\\{00020906-0000-0000-C000-000000000046}"));
  EXPECT_TRUE(TkxRegistry::ClassIDAvailable(id));
  EXPECT_TRUE(TkxRegistry::ClassIDAvailable("{00020906-0000-0000-c000-000000000046}"));
  EXPECT_FALSE(TkxRegistry::ClassIDAvailable("00020906-0000-0000-C000-000000000046"));
  // The local machine root is another hive.
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_LOCAL_MACHINE, u"CLSID"));
}

}  // namespace
