#include "platform/versioninfo/VersionBlock.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/versioninfo/TestImages.h"

namespace {

using namespace kx::platform::versioninfo;
namespace images = kx::platform::versioninfo::testing;

VersionBlockContent SampleContent() {
  VersionBlockContent c;
  c.Fixed.FileVersionMS = 0x00020005;
  c.Fixed.FileVersionLS = 0x00000011;
  c.Fixed.ProductVersionMS = 0x00030001;
  c.Fixed.ProductVersionLS = 0x00040001;
  c.Fixed.FileType = 2;
  c.Tables.push_back({u"040904B0",
                      {{u"CompanyName", u"Example"},
                       {u"FileDescription", u"Tool \u00E4\u20AC\U0001F600"},
                       {u"LegalTrademarks", u""},
                       {u"Comment", u"last"}}});
  c.Tables.push_back({u"040704B0", {{u"CompanyName", u"Beispiel"}}});
  c.Translations = {{0x0409, 0x04B0}, {0x0407, 0x04B0}};
  return c;
}

const StringEntry& Entry(const VersionBlock& b, Translation t, std::u16string_view key) {
  const StringTable* table = b.FindTable(t);
  EXPECT_NE(table, nullptr);
  static const StringEntry none;
  if (table == nullptr) return none;
  const StringEntry* e = FindEntry(*table, key);
  EXPECT_NE(e, nullptr) << ToUtf8(key);
  return e ? *e : none;
}

TEST(VersionBlock, BuildThenParseGivesEveryPartBack) {
  const VersionBlockContent c = SampleContent();
  const std::string block = BuildVersionBlock(c);
  EXPECT_EQ(block.size() % 2, 0u);
  EXPECT_EQ(static_cast<uint8_t>(block[0]) | static_cast<uint8_t>(block[1]) << 8, block.size());

  const auto parsed = ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  ASSERT_TRUE(parsed->HasFixedInfo);
  EXPECT_EQ(parsed->Fixed, c.Fixed);
  EXPECT_TRUE(parsed->HasTranslationTable);
  EXPECT_EQ(parsed->Translations, c.Translations);
  ASSERT_EQ(parsed->Tables.size(), 2u);
  EXPECT_EQ(parsed->Tables[0].Key, u"040904B0");
  ASSERT_EQ(parsed->Tables[0].Entries.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const StringEntry& e = parsed->Tables[0].Entries[i];
    EXPECT_EQ(e.Key, c.Tables[0].Strings[i].first);
    EXPECT_EQ(e.Text, c.Tables[0].Strings[i].second);
    EXPECT_EQ(e.Space, e.Text.size() + 1);
    EXPECT_EQ(e.ValueOffset % 4, 0u);
  }
  EXPECT_EQ(Entry(*parsed, {0x0407, 0x04B0}, u"CompanyName").Text, u"Beispiel");
  // The version pairs sit where readers that do not parse expect them.
  EXPECT_EQ(block.substr(kFileVersionMSOffset, 4), std::string("\x05\x00\x02\x00", 4));
}

TEST(VersionBlock, LookupsByName) {
  VersionBlockContent c = SampleContent();
  c.Tables[0].Key = u"040904b0";  // some tools write the table name in lower case
  const auto parsed = ParseVersionBlock(BuildVersionBlock(c));
  ASSERT_TRUE(parsed);
  const StringTable* table = parsed->FindTable({0x0409, 0x04B0});
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->Key, u"040904b0");
  EXPECT_EQ(parsed->FindTable({0x0409, 0x04E4}), nullptr);
  EXPECT_NE(FindEntry(*table, u"Comment"), nullptr);
  EXPECT_EQ(FindEntry(*table, u"Comments"), nullptr);
  EXPECT_EQ(FindEntry(*table, u"companyname"), nullptr);  // entry names match exactly
  EXPECT_EQ(TableKey({0x0407, 0x04E4}), u"040704E4");
}

TEST(VersionBlock, ReplaceTextStaysInsideTheRecordedSpace) {
  struct Case {
    std::u16string value;
    std::u16string want;  // the text read back
  };
  const Case cases[] = {
      {u"Other", u"Other"},
      {u"Much longer than before", u"Much lo"},  // cut to the space (7 units + zero)
      {u"ab", u"ab"},                            // the rest of the space becomes zeros
      {u"", u""},
  };
  for (const Case& c : cases) {
    std::string block = BuildVersionBlock(SampleContent());
    const auto before = ParseVersionBlock(block);
    ASSERT_TRUE(before);
    const StringEntry& entry = Entry(*before, {0x0409, 0x04B0}, u"CompanyName");
    ReplaceText(block, entry, c.value);
    const auto after = ParseVersionBlock(block);
    ASSERT_TRUE(after);
    const StringEntry& changed = Entry(*after, {0x0409, 0x04B0}, u"CompanyName");
    EXPECT_EQ(changed.Text, c.want) << ToUtf8(c.value);
    for (size_t i = changed.Text.size(); i < entry.Space; ++i)
      EXPECT_EQ(block.substr(entry.ValueOffset + 2 * i, 2), std::string(2, '\0'));
    // Every other entry is untouched.
    EXPECT_EQ(Entry(*after, {0x0409, 0x04B0}, u"FileDescription").Text,
              u"Tool \u00E4\u20AC\U0001F600");
    EXPECT_EQ(after->Tables[0].Entries.size(), 4u);
  }
}

// Patches the wValueLength of the entry Key in the first table.
void SetValueLength(std::string& block, std::u16string_view key, uint16_t length) {
  const auto parsed = ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  const StringEntry* e = FindEntry(parsed->Tables[0], key);
  ASSERT_NE(e, nullptr);
  images::Put16(block, e->NodeOffset + 2, length);
}

TEST(VersionBlock, ValueLengthInBytesIsBoundedByTheEntrysNode) {
  std::string block = BuildVersionBlock(SampleContent());
  SetValueLength(block, u"CompanyName", 2 * 8);  // "Example" + zero, counted in bytes
  const auto parsed = ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  const StringEntry& entry = Entry(*parsed, {0x0409, 0x04B0}, u"CompanyName");
  EXPECT_EQ(entry.Text, u"Example");
  EXPECT_EQ(entry.Space, 8u);  // the node holds 8 units, not 16

  ReplaceText(block, entry, u"A value far longer than the entry's node");
  const auto after = ParseVersionBlock(block);
  ASSERT_TRUE(after);
  EXPECT_EQ(Entry(*after, {0x0409, 0x04B0}, u"CompanyName").Text, u"A value");
  EXPECT_EQ(Entry(*after, {0x0409, 0x04B0}, u"FileDescription").Text,
            u"Tool \u00E4\u20AC\U0001F600");
}

TEST(VersionBlock, AnEntryWithoutSpaceIsNeverWritten) {
  std::string block = BuildVersionBlock(SampleContent());
  SetValueLength(block, u"CompanyName", 0);
  const auto parsed = ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  const StringEntry& entry = Entry(*parsed, {0x0409, 0x04B0}, u"CompanyName");
  EXPECT_EQ(entry.Space, 0u);
  const std::string before = block;
  ReplaceText(block, entry, u"x");
  EXPECT_EQ(block, before);
}

TEST(VersionBlock, FixedVersionsChangeInPlace) {
  std::string block = BuildVersionBlock(SampleContent());
  const size_t size = block.size();
  SetFileVersion(block, 0x00010001, 0x00010001);
  SetProductVersion(block, 0x00070008, 0x0009000A);
  EXPECT_EQ(block.size(), size);
  const auto parsed = ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Fixed.FileVersionMS, 0x00010001u);
  EXPECT_EQ(parsed->Fixed.FileVersionLS, 0x00010001u);
  EXPECT_EQ(parsed->Fixed.ProductVersionMS, 0x00070008u);
  EXPECT_EQ(parsed->Fixed.ProductVersionLS, 0x0009000Au);
  EXPECT_EQ(parsed->Tables[0].Entries.size(), 4u);
}

TEST(VersionBlock, TranslationTableMissingOrEmpty) {
  VersionBlockContent c = SampleContent();
  c.Translations.clear();
  auto parsed = ParseVersionBlock(BuildVersionBlock(c));
  ASSERT_TRUE(parsed);
  EXPECT_FALSE(parsed->HasTranslationTable);
  EXPECT_EQ(parsed->Tables.size(), 2u);

  // An empty table: patch the Translation node's value length to 0.
  std::string block = BuildVersionBlock(SampleContent());
  const size_t at = block.rfind(std::string("T\0r\0a\0n\0s", 9));
  ASSERT_NE(at, std::string::npos);
  images::Put16(block, at - 4, 0);
  parsed = ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed->HasTranslationTable);
  EXPECT_TRUE(parsed->Translations.empty());
}

TEST(VersionBlock, LengthsAreCheckedAgainstTheNodeThatHoldsThem) {
  const std::string good = BuildVersionBlock(SampleContent());
  // The root must fit the bytes given.
  EXPECT_FALSE(ParseVersionBlock(""));
  EXPECT_FALSE(ParseVersionBlock(good.substr(0, 5)));
  EXPECT_FALSE(ParseVersionBlock(good.substr(0, good.size() - 1)));
  std::string tooShort = good;
  images::Put16(tooShort, 0, 4);  // below the header's size
  EXPECT_FALSE(ParseVersionBlock(tooShort));
  std::string noKeyEnd = good;
  images::Put16(noKeyEnd, 0, 10);  // the key runs past the node
  EXPECT_FALSE(ParseVersionBlock(noKeyEnd));

  // A child longer than its parent ends the parent's list; earlier ones stay.
  std::string block = good;
  const auto parsed = ParseVersionBlock(block);
  const StringEntry* second = FindEntry(parsed->Tables[0], u"FileDescription");
  ASSERT_NE(second, nullptr);
  images::Put16(block, second->NodeOffset, 0xFFF0);
  const auto cut = ParseVersionBlock(block);
  ASSERT_TRUE(cut);
  ASSERT_EQ(cut->Tables[0].Entries.size(), 1u);
  EXPECT_EQ(cut->Tables[0].Entries[0].Key, u"CompanyName");
  EXPECT_EQ(cut->Translations, SampleContent().Translations);

  // No fixed record when the root's value is shorter than one.
  std::string noFixed = good;
  images::Put16(noFixed, 2, 0);
  const auto withoutFixed = ParseVersionBlock(noFixed);
  ASSERT_TRUE(withoutFixed);
  EXPECT_FALSE(withoutFixed->HasFixedInfo);
}

}  // namespace
