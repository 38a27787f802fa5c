#include "environment/kxGenerics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Dict = TkxDictionary<UnicodeString, int32_t>;

std::vector<std::string> Order(const Dict& d) {
  std::vector<std::string> keys;
  for (const auto& [k, v] : d) keys.push_back(ToUtf8(k) + "=" + std::to_string(v));
  return keys;
}

TEST(TkxDictionary, KeepsInsertionOrderThroughChanges) {
  Dict d(100);
  d.Add(u"b", 1);
  d.Add(u"a", 2);
  d.Add(u"c", 3);
  d.AddOrSetValue(u"a", 20);  // replaced where it stands
  d.AddOrSetValue(u"d", 4);
  EXPECT_EQ(Order(d), (std::vector<std::string>{"b=1", "a=20", "c=3", "d=4"}));
  d.Remove(u"a");
  d.Remove(u"zz");  // absent: nothing happens
  EXPECT_EQ(Order(d), (std::vector<std::string>{"b=1", "c=3", "d=4"}));
  // The index follows the closed gap.
  EXPECT_EQ(d.GetValue(u"d", -1), 4);
  EXPECT_EQ(d.Items(u"c"), 3);
  d.Clear();
  EXPECT_EQ(d.Count(), 0);
  EXPECT_FALSE(d.ContainsKey(u"b"));
}

TEST(TkxDictionary, LookupsAreExact) {
  Dict d;
  d.Add(u"Key", 1);
  int32_t v = 0;
  EXPECT_TRUE(d.TryGetValue(u"Key", v));
  EXPECT_EQ(v, 1);
  EXPECT_FALSE(d.TryGetValue(u"KEY", v));
  EXPECT_EQ(d.GetValue(u"key", 7), 7);
  EXPECT_THROW(d.Items(u"key"), EListError);
  EXPECT_THROW(d.Add(u"Key", 2), EListError);
  EXPECT_EQ(d.Items(u"Key"), 1);
}

TEST(TkxDictionary, RenameKey) {
  Dict d;
  d.Add(u"a", 1);
  d.Add(u"b", 2);
  d.RenameKey(u"a", u"c");  // taken out, added at the end
  EXPECT_EQ(Order(d), (std::vector<std::string>{"b=2", "c=1"}));
  d.RenameKey(u"x", u"y");  // an absent key adds the new one, empty
  EXPECT_EQ(Order(d), (std::vector<std::string>{"b=2", "c=1", "y=0"}));
  // A taken new key raises and loses nothing.
  try {
    d.RenameKey(u"b", u"c");
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.ClassName(), u"EListError");
  }
  EXPECT_EQ(Order(d), (std::vector<std::string>{"b=2", "c=1", "y=0"}));
  d.RenameKey(u"b", u"b");
  EXPECT_EQ(Order(d), (std::vector<std::string>{"c=1", "y=0", "b=2"}));
}

}  // namespace
