#include "text/kxAnsiStringList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"

namespace {

using Items = std::vector<std::string>;

const std::u16string kIndexError = u"Listenindex \u00FCberschreitet das Maximum (%d)";
const std::u16string kSortedError = u"Operation f\u00FCr sortierte Listen nicht zul\u00E4ssig";
const std::u16string kDuplicateError = u"In der Stringliste sind Duplikate nicht erlaubt";

std::u16string IndexError(int32_t index) {
  std::u16string text = kIndexError;
  return text.replace(text.find(u"%d"), 2, ToUtf16(std::to_string(index)));
}

Items ItemsOf(const TAnsiStrings& list) {
  Items out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

void Fill(TAnsiStrings& list, const Items& items) {
  for (const auto& s : items) list.Add(s);
}

std::string Joined(const Items& items) {
  std::string out;
  for (const auto& s : items) out += "[" + s + "]";
  return out;
}

// Runs f, which must raise EStringListError with the message want.
template <class F>
void ExpectListError(F&& f, const std::u16string& want) {
  try {
    f();
    ADD_FAILURE() << "no EStringListError, expected " << ToUtf8(want);
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message, want);
  }
}

// Records the events of a list as "changing n" / "change n" (n: Count).
struct EventLog {
  explicit EventLog(TAnsiStringList& list) {
    list.OnChanging = [this](TAnsiStringList& sender) {
      lines.push_back("changing " + std::to_string(sender.Count()));
    };
    list.OnChange = [this](TAnsiStringList& sender) {
      lines.push_back("change " + std::to_string(sender.Count()));
    };
  }
  std::vector<std::string> Take() { return std::exchange(lines, {}); }
  std::vector<std::string> lines;
};

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/kxAnsiStringList_" + name;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(AnsiStringListText, WriteAndRead) {
  TAnsiStringList list;
  Fill(list, {"a", "b"});
  EXPECT_EQ(list.Text(), "a\r\nb\r\n");  // the last line ends too

  struct Case { std::string text; Items want; };
  const Case cases[] = {
      {"a\r\nb\n\rc", {"a", "b", "", "c"}},  // LF CR ends two lines
      {"a\rb\r\n", {"a", "b"}},              // a final break adds no line
      {"\r\n\r\n", {"", ""}},
      {"", {}},
      {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},  // zero bytes are text here
      {"\xC2\x85x\xA0", {"\xC2\x85x\xA0"}},  // bytes above 0x7F never end a line
  };
  for (const auto& c : cases) {
    list.SetText(c.text);
    EXPECT_EQ(ItemsOf(list), c.want) << c.text;
  }

  // The zero-terminated forms.
  Fill(list, {"x"});
  const auto copy = list.GetText();
  EXPECT_EQ(std::string(copy.get()), list.Text());
  list.SetText("p\nq");
  EXPECT_EQ(ItemsOf(list), (Items{"p", "q"}));
  list.SetText(static_cast<const char*>(nullptr));
  EXPECT_EQ(list.Count(), 0);
}

TEST(AnsiStringListDelimited, Write) {
  struct Case { Items items; std::string comma; };
  const Case cases[] = {
      {{""}, "\"\""},  // one empty string: two quote characters
      {{"a b", "c"}, "\"a b\",c"},
      {{"a", ""}, "a,"},  // no delimiter at the end, but an empty last item
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"x,y", "tab\there"}, "\"x,y\",\"tab\there\""},
      {{"\xC3\xA4", "a\xA0" "b"}, "\xC3\xA4,a\xA0" "b"},  // high bytes are no blanks
      {{}, ""},
  };
  for (const auto& c : cases) {
    TAnsiStringList list;
    Fill(list, c.items);
    list.SetDelimiter(';');
    EXPECT_EQ(list.CommaText(), c.comma) << Joined(c.items);
    EXPECT_EQ(list.Delimiter(), ';');  // reading CommaText leaves the list's own
  }
}

TEST(AnsiStringListDelimited, Read) {
  struct Case { std::string text; Items want; };
  const Case cases[] = {
      {"a b,c", {"a", "b", "c"}},  // a blank ends an unquoted item
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {" ", {}},
      {"a, ", {"a"}},  // the delimiter is not the last character
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\"unclosed, rest", {"unclosed, rest"}},
      {"\"a\"b,c", {"a", "b", "c"}},
      {"\xA0x\x85 y", {"\xA0x\x85", "y"}},  // high bytes are text
      // A zero byte ends the text (it would otherwise add empty items for ever).
      {std::string("a\0b", 3), {"a"}},
      {std::string("a,\0b", 4), {"a", ""}},
      {std::string("\"a\0b\",c", 7), {"a"}},
      {std::string("\0", 1), {}},
  };
  for (const auto& c : cases) {
    TAnsiStringList list;
    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    list.SetCommaText(c.text);
    EXPECT_EQ(ItemsOf(list), c.want) << c.text;
    EXPECT_EQ(list.Delimiter(), ',');  // writing CommaText sets them for good
    EXPECT_EQ(list.QuoteChar(), '"');

  }
}

TEST(AnsiStringListDelimited, CommaTextRoundTrip) {
  // Any strings without zero bytes survive writing and reading CommaText.
  std::mt19937 random(7);
  const std::string alphabet = std::string("ab ,\"\t\r\n\x01\x1F\x7F\x80\xA0\xC3\xA4\xFF=;'");
  for (int round = 0; round < 300; ++round) {
    Items items(random() % 5);
    for (auto& s : items)
      for (int k = random() % 5; k > 0; --k) s += alphabet[random() % alphabet.size()];
    TAnsiStringList source;
    Fill(source, items);
    TAnsiStringList copy;
    copy.SetCommaText(source.CommaText());
    ASSERT_EQ(ItemsOf(copy), items) << source.CommaText();
  }
}

TEST(AnsiStringListSorted, DuplicatesPolicyAndMessages) {
  struct Case { TDuplicates policy; int32_t index; Items want; };
  const Case cases[] = {
      {dupIgnore, 1, {"a", "b", "c"}},       // the index of the equal string
      {dupAccept, 1, {"a", "B", "b", "c"}},  // before the equal strings
      {dupError, -1, {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    TAnsiStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.policy);
    Fill(list, {"c", "a", "b"});
    if (c.policy == dupError)
      ExpectListError([&] { list.Add("B"); }, kDuplicateError);
    else
      EXPECT_EQ(list.Add("B"), c.index) << int(c.policy);
    EXPECT_EQ(ItemsOf(list), c.want) << int(c.policy);

    // The sorted check comes before the index check.
    ExpectListError([&] { list.Insert(0, "x"); }, kSortedError);
    ExpectListError([&] { list.InsertObject(99, "x", nullptr); }, kSortedError);
    ExpectListError([&] { list.SetStrings(99, "x"); }, kSortedError);
    EXPECT_EQ(ItemsOf(list), c.want);
    list.Exchange(0, 1);  // no order check: the caller's responsibility
    EXPECT_EQ(list[1], "a");
  }
}

TEST(AnsiStringListSorted, FindWithEqualItems) {
  TAnsiStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  Fill(list, {"b", "c", "B", "a", "b"});
  ASSERT_EQ(list.Count(), 5);
  // With accept the search goes on to the left after a hit: the first equal
  // item. The other policies stop at the hit.
  struct Case { TDuplicates policy; std::string text; bool found; int32_t index; };
  const Case cases[] = {
      {dupAccept, "B", true, 1}, {dupIgnore, "B", true, 2}, {dupError, "b", true, 2},
      {dupAccept, "bb", false, 4}, {dupAccept, "0", false, 0}, {dupIgnore, "d", false, 5},
  };
  for (const auto& c : cases) {
    list.SetDuplicates(c.policy);
    int32_t index = -7;
    EXPECT_EQ(list.Find(c.text, index), c.found) << c.text << " " << int(c.policy);
    EXPECT_EQ(index, c.index) << c.text << " " << int(c.policy);
  }
  list.SetDuplicates(dupAccept);
  EXPECT_EQ(list.IndexOf("B"), 1);  // a sorted list answers IndexOf with Find
  EXPECT_EQ(list.IndexOf("bb"), -1);
}

TEST(AnsiStringListSorted, CollationOrdersCaseAndLetters) {
  // Under the C locale the root collation holds: lower case before upper
  // case, letters before the next letter (not ASCII order), accents after.
  TAnsiStringList list;
  Fill(list, {"B", "b", "\xC3\xA4", "A", "a", "_"});
  list.SetCaseSensitive(true);
  list.SetSorted(true);
  EXPECT_EQ(ItemsOf(list), (Items{"_", "a", "A", "\xC3\xA4", "b", "B"}));

  // Toggling CaseSensitive re-sorts, so Find keeps working under each rule.
  list.SetDuplicates(dupAccept);
  for (bool sensitive : {false, true, false}) {
    list.SetCaseSensitive(sensitive);
    for (int32_t i = 1; i < list.Count(); ++i) {
      const int32_t c = sensitive ? AnsiCompareStr(list[i - 1], list[i]) : AnsiCompareText(list[i - 1], list[i]);
      EXPECT_LE(c, 0) << list[i - 1] << " / " << list[i] << " sensitive " << sensitive;
    }
    int32_t index;
    ASSERT_TRUE(list.Find("B", index));
    EXPECT_EQ(AnsiCompareText(list[index], "B"), 0);
    if (sensitive) {
      EXPECT_EQ(list[index], "B");
    }
  }
  EXPECT_EQ(list.IndexOf("A"), 1);  // case ignored: the first of a, A
}

TEST(AnsiStringListSorted, QuickSortOrderOfEqualKeys) {
  // Keys by the first letter only; traced by hand through the quicksort:
  //   0..3 = b1 a1 b2 a2, pivot index 1 (a1). I stops at 0 (b1 > a1), J at 3
  //   (a2 = a1): swap -> a2 a1 b2 b1. I = 1 stops at the pivot; J moves from
  //   2 to 1: swap 1 with itself, I = 2, J = 0. Then 2..3 with pivot 2 (b2):
  //   I stops at 2, J at 3 (b1 = b2): swap -> a2 a1 b1 b2.
  // A stable sort would give a1 a2 b1 b2.
  TAnsiStringList list;
  Fill(list, {"b1", "a1", "b2", "a2"});
  list.CustomSort([](const TAnsiStringList& l, int32_t i, int32_t j) {
    return static_cast<int32_t>(l[i][0]) - static_cast<int32_t>(l[j][0]);
  });
  EXPECT_EQ(ItemsOf(list), (Items{"a2", "a1", "b1", "b2"}));

  list.SetSorted(true);  // sorts with the collation first
  EXPECT_EQ(ItemsOf(list), (Items{"a1", "a2", "b1", "b2"}));
  list.CustomSort([](const TAnsiStringList&, int32_t, int32_t) { return 1; });
  EXPECT_EQ(ItemsOf(list), (Items{"a1", "a2", "b1", "b2"}));  // a sorted list stays
}

TEST(AnsiStringList, CapacityGrowsInSteps) {
  TAnsiStringList list;
  EXPECT_EQ(list.Capacity(), 0);
  // Count after an Add -> Capacity: +4 up to 8, +16 from 9 to 64, a quarter above.
  const std::pair<int32_t, int32_t> steps[] = {{1, 4},   {4, 4},   {5, 8},   {9, 12},  {13, 28},
                                               {61, 76}, {77, 95}, {96, 118}, {119, 147}};
  int32_t count = 0;
  for (const auto& [n, capacity] : steps) {
    while (count < n) list.Add(std::to_string(count++));
    EXPECT_EQ(list.Capacity(), capacity) << n;
  }
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);

  list.SetCapacity(10);  // exactly, also on an empty list
  list.Clear();          // nothing at all on an empty list
  EXPECT_EQ(list.Capacity(), 10);
  Fill(list, {"a", "b", "c"});
  ExpectListError([&] { list.SetCapacity(2); },
                  u"Listenkapazit\u00E4t au\u00DFerhalb des zul\u00E4ssigen Bereichs (2)");
  EXPECT_EQ(list.Capacity(), 10);
  list.SetCapacity(3);
  EXPECT_EQ(ItemsOf(list), (Items{"a", "b", "c"}));
  list.Add("d");
  EXPECT_EQ(list.Capacity(), 7);
}

TEST(AnsiStringList, IndexChecks) {
  TAnsiStringList list;
  Fill(list, {"a", "b", "c"});
  ExpectListError([&] { list.Get(3); }, IndexError(3));
  ExpectListError([&] { list.Objects(-1); }, IndexError(-1));
  ExpectListError([&] { list.SetObjects(3, nullptr); }, IndexError(3));
  ExpectListError([&] { list.Delete(3); }, IndexError(3));
  ExpectListError([&] { list.SetStrings(5, "x"); }, IndexError(5));
  ExpectListError([&] { list.Exchange(0, 3); }, IndexError(3));
  ExpectListError([&] { list.Insert(4, "x"); }, IndexError(4));
  list.InsertObject(3, "d", nullptr);  // Count appends
  EXPECT_EQ(ItemsOf(list), (Items{"a", "b", "c", "d"}));
}

TEST(AnsiStringList, FailedChangesLeaveTheListAlone) {
  // Each of these used to change the list before it failed: Move deleted the
  // item before the insert was refused, setting a value added an empty line.
  TAnsiStringList plain;
  Fill(plain, {"a", "b", "c"});
  EventLog plainLog(plain);
  ExpectListError([&] { plain.Move(0, 3); }, IndexError(3));
  ExpectListError([&] { plain.Move(-1, 0); }, IndexError(-1));
  ExpectListError([&] { plain.SetValueFromIndex(3, "v"); }, IndexError(3));
  EXPECT_EQ(ItemsOf(plain), (Items{"a", "b", "c"}));
  EXPECT_TRUE(plainLog.Take().empty());

  TAnsiStringList sorted;
  sorted.SetSorted(true);
  Fill(sorted, {"a=1", "b=2", "c=3"});
  EventLog sortedLog(sorted);
  ExpectListError([&] { sorted.Move(0, 2); }, kSortedError);
  ExpectListError([&] { sorted.Move(7, 0); }, IndexError(7));  // the index of the moved item first
  ExpectListError([&] { sorted.SetValue("d", "4"); }, kSortedError);
  ExpectListError([&] { sorted.SetValue("a", "9"); }, kSortedError);
  ExpectListError([&] { sorted.SetValueFromIndex(-1, "9"); }, kSortedError);
  ExpectListError([&] { sorted.SetValueFromIndex(0, "9"); }, kSortedError);
  EXPECT_EQ(ItemsOf(sorted), (Items{"a=1", "b=2", "c=3"}));
  EXPECT_TRUE(sortedLog.Take().empty());
  sorted.SetValue("B", "");  // deleting keeps the order, so it is allowed
  EXPECT_EQ(ItemsOf(sorted), (Items{"a=1", "c=3"}));
}

TEST(AnsiStringList, NamesAndValues) {
  TAnsiStringList list;
  Fill(list, {"a=1", "b=2", "A=3", "noval", "=empty", "c=x=y", "a\x01" "b=ctl"});
  struct Case { int32_t index; std::string name, value; };
  const Case cases[] = {
      {0, "a", "1"}, {2, "A", "3"}, {3, "", ""},  // no separator: empty name and value
      {4, "", "empty"}, {5, "c", "x=y"}, {-1, "", ""},
  };
  for (const auto& c : cases) {
    if (c.index >= 0) {
      EXPECT_EQ(list.GetName(c.index), c.name) << c.index;
    }
    EXPECT_EQ(list.GetValueFromIndex(c.index), c.value) << c.index;
  }
  EXPECT_EQ(list.GetValue("A"), "1");  // the first line, case ignored
  EXPECT_EQ(list.GetValue("missing"), "");
  // The collation ignores control characters, so "ab" names the last line;
  // its value still starts after that line's own separator.
  EXPECT_EQ(list.IndexOfName("ab"), 6);
  EXPECT_EQ(list.GetValue("ab"), "ctl");

  EventLog log(list);
  list.SetValue("d", "4");  // adds an empty line, then sets it: two changes
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"changing 7", "change 8", "changing 8", "change 8"}));
  list.SetValue("a", "9");
  list.SetValue("A", "");  // deletes the first line with that name
  list.SetValue("zz", "");
  list.SetValueFromIndex(3, "5");  // "=empty" keeps its empty name
  list.SetValueFromIndex(-1, "neu");
  EXPECT_EQ(ItemsOf(list), (Items{"b=2", "A=3", "noval", "=5", "c=x=y", "a\x01" "b=ctl", "d=4", "=neu"}));

  TAnsiStringList colon;
  colon.SetNameValueSeparator(':');
  colon.Add("x=1:2");
  EXPECT_EQ(colon.Names(0), "x=1");
  EXPECT_EQ(colon.Values("X=1"), "2");
}

TEST(AnsiStringList, EventsOnlyOutsideUpdates) {
  TAnsiStringList list;
  EventLog log(list);
  using Log = std::vector<std::string>;

  list.Add("a");
  EXPECT_EQ(log.Take(), (Log{"changing 0", "change 1"}));

  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("b");
  list.Delete(0);
  list.EndUpdate();
  list.SetCommaText("x,y,z");
  list.Move(0, 2);
  list.EndUpdate();
  EXPECT_EQ(log.Take(), (Log{"changing 1", "change 3"}));

  list.Clear();
  list.Clear();  // already empty: nothing at all
  list.SetText("");  // a bracket of its own, even when nothing changes
  EXPECT_EQ(log.Take(), (Log{"changing 3", "change 0", "changing 0", "change 0"}));

  // An error in a bracketed operation still ends the bracket.
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  ExpectListError([&] { list.SetCommaText("a,b,a"); }, kDuplicateError);
  EXPECT_EQ(log.Take(), (Log{"changing 0", "change 2"}));
  list.Add("c");
  EXPECT_EQ(log.Take(), (Log{"changing 2", "change 3"}));

  // While that error passes, a handler that raises at the end of the bracket
  // does not replace it.
  list.OnChange = [](TAnsiStringList&) { throw EStringListError("handler"); };
  ExpectListError([&] { list.SetCommaText("q,q"); }, kDuplicateError);
  EXPECT_EQ(ItemsOf(list), (Items{"q"}));
  // Without an error passing, the handler's error reaches the caller, and the
  // change has been made.
  ExpectListError([&] { list.Add("r"); }, u"handler");
  EXPECT_EQ(ItemsOf(list), (Items{"q", "r"}));
}

TEST(AnsiStringList, EqualsAssignAndObjects) {
  TObject o1, o2;
  TAnsiStringList a;
  a.AddObject("x", &o1);
  a.AddObject("Y", &o2);
  TAnsiStringList b;
  b.Add("x");
  b.Add("y");
  EXPECT_FALSE(a.Equals(b));  // bytes: case counts
  EXPECT_EQ(a.IndexOf("y"), 1);  // the collation: case ignored
  b.SetStrings(1, "Y");
  EXPECT_TRUE(a.Equals(b));
  EXPECT_TRUE(a.Equals(static_cast<const TObject*>(&b)));
  TStringList wide;
  wide.Add(u"x");
  wide.Add(u"Y");
  EXPECT_FALSE(a.Equals(&wide));  // only an 8-bit list can be equal
  EXPECT_FALSE(a.Equals(static_cast<const TObject*>(nullptr)));

  a.SetDelimiter(';');
  a.SetQuoteChar('\'');
  a.SetNameValueSeparator(':');
  TAnsiStringList c;
  c.Add("old");
  c.Assign(a);
  EXPECT_EQ(ItemsOf(c), (Items{"x", "Y"}));
  EXPECT_EQ(c.Objects(1), &o2);
  EXPECT_EQ(c.IndexOfObject(&o2), 1);
  EXPECT_EQ(c.Delimiter(), ';');
  EXPECT_EQ(c.QuoteChar(), '\'');
  EXPECT_EQ(c.NameValueSeparator(), ':');
  c.Assign(c);  // a list assigned to itself keeps its strings
  EXPECT_EQ(c.Count(), 2);
  c.AddStrings(c);
  EXPECT_EQ(ItemsOf(c), (Items{"x", "Y", "x", "Y"}));
  c.Delete(0);  // the list never owns its objects
  c.Clear();
  EXPECT_EQ(a.Objects(0), &o1);
}

TEST(AnsiStringList, ToTStringsDecodesThroughTheCodec) {
  TAnsiStringList list;
  Fill(list, {"Gr\xC3\xBC\xC3\x9F" "e", "a\xFF" "b", ""});
  TStringList wide;
  wide.Add(u"first");
  EXPECT_EQ(list.toTStrings(wide), 4);
  ASSERT_EQ(wide.Count(), 4);
  EXPECT_EQ(wide[1], u"Gr\u00FC\u00DFe");
  EXPECT_EQ(wide[2], u"a\xDCFF" u"b");  // the invalid byte, kept losslessly
  EXPECT_EQ(ToUtf8(wide[2]), "a\xFF" "b");
  EXPECT_EQ(wide[3], u"");
}

TEST(AnsiStringList, LoadAndSaveRawBytes) {
  const std::string path = TempPath("load.txt");
  TAnsiStringList list;
  Fill(list, {"a", "\xFF\xFE", "", "\xC3\xA4"});
  list.SaveToFile(ToUtf16(path));
  EXPECT_EQ(FileBytes(path), "a\r\n\xFF\xFE\r\n\r\n\xC3\xA4\r\n");

  // A byte-order mark is not recognised: it stays in the first string.
  WriteFile(path, "\xEF\xBB\xBFx\ny\r");
  list.LoadFromFile(ToUtf16(path));
  EXPECT_EQ(ItemsOf(list), (Items{"\xEF\xBB\xBFx", "y"}));

  // From the stream's position to its end.
  MemoryStream stream;
  const std::string bytes = "skip|p\r\nq";
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(5);
  list.LoadFromStream(stream);
  EXPECT_EQ(ItemsOf(list), (Items{"p", "q"}));
  stream.Clear();
  list.SaveToStream(stream);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), stream.Size()), "p\r\nq\r\n");

  EXPECT_THROW(list.LoadFromFile(ToUtf16(TempPath("missing.txt"))), EFOpenError);
  EXPECT_EQ(ItemsOf(list), (Items{"p", "q"}));
  EXPECT_THROW(list.SaveToFile(ToUtf16(TempPath("no/such/dir.txt"))), EFCreateError);
  std::filesystem::remove(path);
}

// A list that implements only the five abstract operations.
class VectorStrings : public TAnsiStrings {
 public:
  std::string Get(int32_t Index) const override { return items.at(static_cast<size_t>(Index)); }
  int32_t GetCount() const override { return static_cast<int32_t>(items.size()); }
  void Clear() override { items.clear(); }
  void Delete(int32_t Index) override { items.erase(items.begin() + Index); }
  void Insert(int32_t Index, const std::string& S) override { items.insert(items.begin() + Index, S); }

  std::vector<std::string> items;
};

TEST(AnsiStrings, BaseOperationsWorkThroughTheAbstractOnes) {
  VectorStrings list;
  TObject o;
  EXPECT_EQ(list.Add("b=2"), 0);
  EXPECT_EQ(list.AddObject("a=1", &o), 1);
  EXPECT_EQ(list.Objects(1), nullptr);  // the base keeps no objects
  EXPECT_EQ(list.Capacity(), 2);        // the base capacity is Count
  list.InsertObject(0, "c", &o);
  list.Move(0, 2);
  list.Exchange(0, 1);
  EXPECT_EQ(list.items, (Items{"a=1", "b=2", "c"}));
  list.SetStrings(2, "C d");  // delete and re-insert
  EXPECT_EQ(list.IndexOf("c D"), 2);
  EXPECT_EQ(list.IndexOfName("A"), 0);
  EXPECT_EQ(list.GetValue("B"), "2");
  list.SetValue("b", "");
  list.SetValue("e", "5");
  EXPECT_EQ(list.CommaText(), "a=1,\"C d\",e=5");
  EXPECT_EQ(list.Text(), "a=1\r\nC d\r\ne=5\r\n");
  list.SetCommaText("x,\"y z\",");
  EXPECT_EQ(list.items, (Items{"x", "y z", ""}));

  TAnsiStringList copy;
  copy.Assign(list);
  EXPECT_TRUE(copy.Equals(list));
  list.Assign(copy);
  EXPECT_TRUE(list.Equals(static_cast<const TObject*>(&copy)));

  MemoryStream stream;
  stream.WriteBuffer("1\n2", 3);
  stream.SetPosition(0);
  list.LoadFromStream(stream);
  EXPECT_EQ(list.items, (Items{"1", "2"}));
}

}  // namespace
