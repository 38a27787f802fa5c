#include "platform/rtl/HashedStringList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(THashedStringList, FindsTheFirstEqualEntry) {
  THashedStringList list;
  for (const char16_t* text : {u"b=1", u"A=2", u"a=3", u"c", u"a=3", u"stra\u00DFe=4"})
    list.Add(text);
  EXPECT_FALSE(list.Sorted());
  EXPECT_FALSE(list.CaseSensitive());
  EXPECT_EQ(list.Count(), 6);  // repeated texts are kept

  struct Case { std::u16string key; int32_t text, name; };
  const Case cases[] = {
      {u"a=3", 2, -1},
      {u"A=3", 2, -1},
      {u"a", -1, 1},
      {u"B", -1, 0},
      {u"c", 3, -1},  // "c" has no name
      {u"", -1, -1},
      {u"STRA\u00DFE", -1, 5},
      {u"STRASSE", -1, -1},  // equal under the collation only
  };
  for (const auto& c : cases) {
    EXPECT_EQ(list.IndexOf(c.key), c.text) << ToUtf8(c.key);
    EXPECT_EQ(list.IndexOfName(c.key), c.name) << ToUtf8(c.key);
  }
  EXPECT_EQ(list.GetValue(u"A"), u"2");
  EXPECT_EQ(list.GetValue(u"x"), u"");

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf(u"A=3"), -1);
  EXPECT_EQ(list.IndexOfName(u"a"), 2);
  list.SetNameValueSeparator(u'1');
  EXPECT_EQ(list.IndexOfName(u"b="), 0);
}

TEST(THashedStringList, EveryChangeIsSeen) {
  THashedStringList list;
  list.Add(u"a=1");
  list.Add(u"b=2");
  EXPECT_EQ(list.IndexOf(u"b=2"), 1);

  list.Insert(0, u"b=0");
  EXPECT_EQ(list.IndexOf(u"b=2"), 2);
  EXPECT_EQ(list.IndexOfName(u"b"), 0);
  list.Delete(0);
  EXPECT_EQ(list.IndexOfName(u"b"), 1);
  list.Put(1, u"c=2");
  EXPECT_EQ(list.IndexOfName(u"b"), -1);
  EXPECT_EQ(list.IndexOf(u"c=2"), 1);
  list.Exchange(0, 1);
  EXPECT_EQ(list.IndexOf(u"c=2"), 0);
  list.SetValue(u"a", u"9");
  EXPECT_EQ(list.IndexOf(u"a=9"), 1);
  list.Move(1, 0);
  EXPECT_EQ(list.IndexOf(u"a=9"), 0);

  list.BeginUpdate();
  list.Add(u"d");
  EXPECT_EQ(list.IndexOf(u"d"), 2);  // inside an update too
  list.EndUpdate();

  list.SetSorted(true);
  EXPECT_EQ(list.IndexOf(u"d"), 2);
  EXPECT_EQ(list.IndexOf(u"a=9"), 0);
  list.Add(u"b");
  EXPECT_EQ(list.IndexOf(u"B"), 1);
  EXPECT_EQ(list.Add(u"B"), 1);  // duplicates ignored once sorted (by the collation)

  list.SetText(u"x\r\ny=1");
  EXPECT_EQ(list.IndexOf(u"a=9"), -1);
  EXPECT_EQ(list.IndexOfName(u"y"), 1);
  list.Clear();
  EXPECT_EQ(list.IndexOf(u"x"), -1);
}

}  // namespace
