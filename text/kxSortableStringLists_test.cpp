#include "text/kxSortableStringLists.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/NumberText.h"
#include "tests/support/ListLines.h"

namespace {

// An object that writes its id into a shared log when it is deleted, so a
// test sees which objects went, in which order, and (under the sanitizers)
// that none goes twice or never.
struct Logged : TObject {
  Logged(int Id, std::vector<int>& Log) : id(Id), log(Log) {}
  ~Logged() override { log.push_back(id); }
  int id;
  std::vector<int>& log;
};

TEST(TkxObjectHashList, OwningListFreesWhatItRemoves) {
  std::vector<int> log;
  {
    TkxObjectHashList list(true);
    EXPECT_TRUE(list.OwnObjects());
    list.Put(u"k", new Logged(1, log), false);
    list.Put(u"k", new Logged(2, log), true);  // removes the first k and frees its object
    EXPECT_EQ(log, std::vector<int>{1});
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(static_cast<Logged*>(list.Get(u"K"))->id, 2);  // keys ignore case
    EXPECT_EQ(list.Clear(), 1);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
    EXPECT_EQ(list.Clear(), 0);

    list.Put(u"a", new Logged(3, log), false);
    list.Put(u"b", new Logged(4, log), false);
    list.Put(u"c", nullptr, false);
    EXPECT_NE(list.Remove(u"a"), nullptr);  // freed: only the null test is valid
    EXPECT_EQ(list.Remove(u"a"), nullptr);
    list.Put(u"d", new Logged(5, log), false);
    list.Put(u"e", new Logged(6, log), false);
  }
  // Destruction runs from the last entry to the first.
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3, 6, 5, 4}));
}

TEST(TkxObjectHashList, ClearRunsFromTheLastEntry) {
  std::vector<int> log;
  TkxObjectHashList list(true);
  for (int i = 1; i <= 3; ++i) list.Put(u"k" + std::u16string(1, char16_t(u'0' + i)), new Logged(i, log), false);
  EXPECT_EQ(list.Clear(), 3);
  EXPECT_EQ(log, (std::vector<int>{3, 2, 1}));
}

TEST(TkxObjectHashList, StringListPathsFreeOwnedObjectsOnce) {
  std::vector<int> log;
  auto filled = [&](TkxObjectHashList& list) {
    list.Put(u"a", new Logged(1, log), false);
    list.Put(u"b", new Logged(2, log), false);
  };
  TkxObjectHashList list(true);
  TStringList& asList = list;

  filled(list);
  asList.Delete(0);
  EXPECT_EQ(log, std::vector<int>{1});
  asList.Clear();
  EXPECT_EQ(log, (std::vector<int>{1, 2}));

  log.clear();
  filled(list);
  asList.SetText(u"x\r\ny");  // clears first
  EXPECT_EQ(log, (std::vector<int>{2, 1}));
  EXPECT_EQ(ListLines(list), u"x|y");

  log.clear();
  {
    auto* owned = new TkxObjectHashList(true);
    filled(*owned);
    delete static_cast<TStringList*>(owned);
  }
  EXPECT_EQ(log, (std::vector<int>{2, 1}));

  // Switched off, nothing is freed; taking an object out by its reference
  // first keeps it alive on an owning list.
  log.clear();
  Logged kept(7, log);
  TkxObjectHashList borrowed;
  EXPECT_FALSE(borrowed.OwnObjects());
  borrowed.Put(u"k", &kept, false);
  EXPECT_EQ(borrowed.Remove(u"k"), &kept);
  EXPECT_EQ(borrowed.Remove(u"absent"), nullptr);
  EXPECT_TRUE(log.empty());
}

TEST(TkxObjectHashList, KeysFindTheFirstEntry) {
  TObject a, b;
  TkxObjectHashList list;
  list.Put(u"Key", &a, false);
  list.Put(u"key", &b, false);  // a second entry; lookups keep finding the first
  list.Put(u"none", nullptr, false);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(u"KEY"), &a);
  EXPECT_TRUE(list.Contains(u"none"));
  EXPECT_FALSE(list.IsValueNotNil(u"none"));
  EXPECT_TRUE(list.IsValueNotNil(u"key"));
  EXPECT_FALSE(list.Contains(u"other"));
  EXPECT_EQ(list.Get(u"other"), nullptr);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.Get(u"key"), &b);
  EXPECT_EQ(list.Get(u"KEY"), nullptr);

  EXPECT_EQ(list.Remove(u"key"), &b);
  EXPECT_EQ(list.Get(u"key"), nullptr);
  EXPECT_EQ(list.Get(0), u"Key");  // the string list's access by index
  list.Put(0, u"Renamed");
  EXPECT_EQ(list.Get(u"Renamed"), &a);
}

TEST(TkxObjectHashList, GetFirstAboutDistance) {
  TObject first, second;
  TkxObjectHashList list;
  list.Put(u" abc ", &first, false);
  list.Put(u"ABD", &second, false);
  list.Put(u"xyz", nullptr, false);

  struct Case {
    std::u16string key;
    bool trim, ignoreCase;
    double max;
    TObject* want;
    double real;
  };
  const Case cases[] = {
      {u"abc", true, false, 100, &first, 100},
      {u"abd", true, true, 100, &second, 100},
      {u"abd", true, false, 100, nullptr, 0},      // the last entry compared is "xyz"
      {u"abc", false, false, 0, &first, 33.33},    // the first entry qualifies at 0
      {u"xyz", true, true, 101, nullptr, 100},
      {u"ABC", true, true, 100, &first, 100},
  };
  for (const auto& c : cases) {
    double max = c.max;
    double real = -1;
    EXPECT_EQ(list.GetFirstAboutDistance(c.key, c.trim, c.ignoreCase, max, real), c.want)
        << ToUtf8(c.key);
    EXPECT_NEAR(real, c.real, 0.01) << ToUtf8(c.key);
    EXPECT_EQ(max, c.max);
  }

  // "a"-"z" only are upper-cased.
  TkxObjectHashList accents;
  accents.Put(u"\u00E4", &first, false);
  double max = 100;
  double real = -1;
  EXPECT_EQ(accents.GetFirstAboutDistance(u"\u00C4", false, true, max, real), nullptr);

  TkxObjectHashList empty;
  real = 42;
  EXPECT_EQ(empty.GetFirstAboutDistance(u"a", true, true, max, real), nullptr);
  EXPECT_EQ(real, 42);
}

TEST(TkxObjectHashList, SortW) {
  struct Case { std::vector<std::u16string> keys; TSORT_TYPE sort; std::u16string want; };
  const Case cases[] = {
      {{u"10", u"9", u"100"}, NUMBER, u"9|10|100"},
      {{u"10", u"9", u"100"}, ALPHA_NUM, u"10|100|9"},
      {{u"-1.5", u"2", u"-3"}, NUMBER, u"-3|-1.5|2"},
      {{u"a", u"b", u"B"}, ALPHA_NUM_DESC, u"b|a|B"},
      {{u"b", u"C", u"a"}, ALPHA_NUM, u"C|a|b"},  // code units, not the collation
      {{u"b", u"C", u"a"}, ALPHA_NUM_UPPER, u"a|b|C"},
      {{u" b", u"a"}, ALPHA_NUM, u" b|a"},
      {{u" b", u"a"}, ALPHA_NUM_TRIM, u"a| b"},
      {{u"ab", u"a"}, ALPHA_NUM, u"a|ab"},  // a prefix sorts first
      {{u" a", u"B", u"c "}, ALPHA_NUM_TRIM_UPPER_DESC, u"c |B| a"},
      {{u"\u00E4", u"z", u"A"}, ALPHA_NUM_UPPER, u"A|z|\u00E4"},
  };
  for (const auto& c : cases) {
    TkxObjectHashList list;
    for (const auto& key : c.keys) list.Put(key, nullptr, false);
    EXPECT_TRUE(list.SortW(c.sort));
    EXPECT_EQ(ListLines(list), c.want);
  }

  TkxObjectHashList list;
  list.Put(u"b", nullptr, false);
  list.Put(u"a", nullptr, false);
  EXPECT_FALSE(list.SortW(static_cast<TSORT_TYPE>(7)));
  EXPECT_EQ(ListLines(list), u"b|a");
}

class SortWithSettings : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }
  TFormatSettings saved_;
};

TEST_F(SortWithSettings, NumbersUseTheProcessDecimalSeparator) {
  FormatSettings().DecimalSeparator = u',';
  TkxObjectHashList list;
  for (const char16_t* key : {u"1,5", u"10", u"1,25"}) list.Put(key, nullptr, false);
  list.SortW(NUMBER);
  EXPECT_EQ(ListLines(list), u"1,25|1,5|10");
}

TEST_F(SortWithSettings, DatesUseTheShortDateFormatAndStopAtANonDate) {
  FormatSettings().ShortDateFormat = u"dd/mm/yyyy";
  FormatSettings().DateSeparator = u'.';
  TkxObjectHashList list;
  for (const char16_t* key : {u"15.01.2024", u"01.02.2023", u"03.03.2023"})
    list.Put(key, nullptr, false);
  EXPECT_TRUE(list.SortW(DATE));
  EXPECT_EQ(ListLines(list), u"01.02.2023|03.03.2023|15.01.2024");

  list.Put(u"kein Datum", nullptr, false);
  EXPECT_THROW(list.SortW(DATE), EConvertError);
  EXPECT_EQ(list.Count(), 4);
}

// The sort of the string list as written down for it: unbounded scans, the
// pivot following its entry, the left part by recursion.
template <class Compare>
void ReferenceQuickSort(std::vector<std::pair<std::u16string, int>>& Items, int L, int R,
                        Compare& compare) {
  int i;
  do {
    i = L;
    int j = R;
    int p = (L + R) / 2;
    do {
      while (compare(Items[i].first, Items[p].first) < 0) {
        ++i;
        ASSERT_LE(i, R);
      }
      while (compare(Items[j].first, Items[p].first) > 0) {
        --j;
        ASSERT_GE(j, L);
      }
      if (i <= j) {
        std::swap(Items[i], Items[j]);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (L < j) ReferenceQuickSort(Items, L, j, compare);
    L = i;
  } while (i < R);
}

// NUMBER is no strict weak order (a key that is no number equals every
// other): the sort must still end, stay inside the list and leave the
// entries in the order of the written quicksort.
TEST_F(SortWithSettings, NumbersWithNonNumbersKeepTheQuicksortOrder) {
  FormatSettings().DecimalSeparator = u'.';
  auto compare = [](const std::u16string& a, const std::u16string& b) {
    double x = 0, y = 0;
    if (!TryStrToFloat(a, x) || !TryStrToFloat(b, y)) return 0;
    return x < y ? -1 : (x > y ? 1 : 0);
  };
  const std::u16string pool[] = {u"1", u"1", u"1", u"2", u"x", u"-", u"10", u"0.5", u"y"};
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const int n = 2 + static_cast<int>(random() % 40);
    std::vector<std::pair<std::u16string, int>> items;
    for (int k = 0; k < n; ++k) items.emplace_back(pool[random() % std::size(pool)], k);

    std::vector<TObject> objects(static_cast<size_t>(n));
    TkxObjectHashList list;
    for (const auto& [key, id] : items) list.Put(key, &objects[static_cast<size_t>(id)], false);
    ReferenceQuickSort(items, 0, n - 1, compare);
    ASSERT_TRUE(list.SortW(NUMBER));
    for (int k = 0; k < n; ++k)
      ASSERT_EQ(list.Objects(k), &objects[static_cast<size_t>(items[k].second)])
          << "round " << round << " at " << k;
  }
}

}  // namespace
