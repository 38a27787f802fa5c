// platform/rtl/StringList.h — the platform's string lists: an ordered list of
// texts, each with an optional object, with sorting, names and values, the
// line, comma and delimited text forms and loading and saving.
//
// One pair of templates serves both kinds of text. TStringsT<S> is the
// abstract base: a derived list implements Get, GetCount, Clear, Delete and
// Insert, and every other operation works through those (and through the
// virtual operations it chooses to override). TStringListT<S> is the list
// that stores its entries. S is UnicodeString (TStringList, the UTF-16 list)
// or AnsiString (TAnsiStringList in text/kxAnsiStringList.h, the 8-bit list,
// UTF-8 or raw bytes). The two kinds behave alike and differ only in:
//   - comparison: 8-bit texts are decoded through the codec of Text.h over
//     their whole length (zero bytes included) before they are collated;
//   - error texts: English for the UTF-16 list, German for the 8-bit list
//     ("Listenindex überschreitet das Maximum (5)");
//   - files: the 8-bit list loads and saves raw bytes (a byte-order mark
//     stays in the first text); the UTF-16 list saves UTF-8 and loads UTF-8,
//     skipping a UTF-8 byte-order mark and decoding UTF-16 text that starts
//     with a UTF-16 one;
//   - toTStrings, which only the 8-bit list offers.
// Indices are 0-based; a bad index raises EStringListError naming it.
//
// Comparison. Sorting, Find, IndexOf and IndexOfName compare with the
// locale-aware collation of Collation.h, ignoring case while CaseSensitive is
// false (the default). Under the C locale that is ICU's root order, so a
// sorted list reads a, b, B, c and not B, a, b, c. Equals compares exactly.
//
// Sorted lists keep their order by themselves: Add puts a text at its place
// and applies Duplicates (dupIgnore: nothing is added and the index of the
// equal text is returned; dupError: EStringListError; dupAccept: the new
// text goes before the equal ones). Operations that would break the order
// (Insert, SetStrings, Move, setting a value) raise and change nothing.
// Exchange is the caller's responsibility; CustomSort does nothing on a
// sorted list.
//
// Capacity grows by 4 while it is 8 or less, by 16 from 9 to 64 and by a
// quarter of itself above 64; Clear gives it back.
//
// Objects are not owned unless a TStringListT is made with OwnsObjects true
// (or told by SetOwnsObjects). An owning list deletes an entry's object when
// it deletes the entry (Delete, Clear, SetText and the other setters that
// clear, the destructor); SetObjects replaces the reference and does not
// delete the old object, so SetObjects(i, nullptr) followed by Delete(i) takes
// an object back out. An owned object must appear in one entry of one owning
// list only: AddStrings and Assign copy references, not objects.
//
// Events. OnChanging fires before and OnChange after every change, but only
// outside BeginUpdate/EndUpdate; a bracket fires one OnChanging at its outer
// BeginUpdate and one OnChange at its outer EndUpdate. An operation that
// brackets its changes ends the bracket also when an error passes through
// it. An error raised by a handler passes to the caller of the changing
// operation (the list has then changed already for OnChange, not yet for
// OnChanging). Handlers must not change the list they are told about.
//
// Lists are objects with an identity (events, owned objects): they are
// neither copied nor moved; use Assign. Constructors are explicit, so a text
// never silently becomes a list.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/rtl/Collation.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"

class Stream;

enum TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

namespace kx::platform::detail {

// What sets the two kinds of list apart (StringList.cpp).
template <class S>
struct StringListKind;

template <>
struct StringListKind<UnicodeString> {
  [[noreturn]] static void RaiseIndexError(int32_t Index);
  [[noreturn]] static void RaiseCapacityError(int32_t Capacity);
  [[noreturn]] static void RaiseSortedError();
  [[noreturn]] static void RaiseDuplicateError();
  // -1, 0 or 1.
  static int32_t Compare(const UnicodeString& S1, const UnicodeString& S2, bool CaseSensitive);
  static UnicodeString FromBytes(const std::string& Bytes);
  static std::string ToBytes(const UnicodeString& Text);
};

template <>
struct StringListKind<AnsiString> {
  [[noreturn]] static void RaiseIndexError(int32_t Index);
  [[noreturn]] static void RaiseCapacityError(int32_t Capacity);
  [[noreturn]] static void RaiseSortedError();
  [[noreturn]] static void RaiseDuplicateError();
  static int32_t Compare(const AnsiString& S1, const AnsiString& S2, bool CaseSensitive);
  static AnsiString FromBytes(const std::string& Bytes) { return Bytes; }
  static std::string ToBytes(const AnsiString& Text) { return Text; }
};

}  // namespace kx::platform::detail

template <class S>
class TStringListT;

template <class S>
class TStringsT : public TObject {
 public:
  using StringType = S;
  using CharType = typename S::value_type;

  TStringsT() = default;
  TStringsT(const TStringsT&) = delete;
  TStringsT& operator=(const TStringsT&) = delete;
  ~TStringsT() override = default;

  // --- the virtual operations -----------------------------------------------

  // Clear, take Source's delimiter, quote char, strict-delimiter flag and
  // name-value separator, then AddStrings(Source). A list's own settings
  // (Sorted, CaseSensitive, Duplicates, OwnsObjects) stay. Assigning a list
  // to itself changes nothing.
  virtual void Assign(const TStringsT& Source) {
    if (&Source == this) return;
    Updating([&] {
      Clear();
      delimiter_ = Source.delimiter_;
      quoteChar_ = Source.quoteChar_;
      strictDelimiter_ = Source.strictDelimiter_;
      nameValueSeparator_ = Source.nameValueSeparator_;
      AddStrings(Source);
    });
  }

  virtual S Get(int32_t Index) const = 0;
  virtual int32_t GetCapacity() const { return GetCount(); }
  virtual int32_t GetCount() const = 0;
  virtual TObject* GetObject(int32_t Index) const {
    (void)Index;
    return nullptr;
  }
  // Every text followed by CR LF, the last one too; "" for an empty list.
  virtual S GetTextStr() const {
    S result;
    const int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i) {
      result += Get(i);
      result += kCR;
      result += kLF;
    }
    return result;
  }
  // Replaces the text and keeps the object (here: delete and re-insert).
  virtual void Put(int32_t Index, const S& Value) {
    S copy = Value;  // Value may be the entry that is deleted
    TObject* object = GetObject(Index);
    Delete(Index);
    InsertObject(Index, copy, object);
  }
  virtual void PutObject(int32_t Index, TObject* AObject) {
    (void)Index;
    (void)AObject;
  }
  virtual void SetCapacity(int32_t Value) { (void)Value; }
  // Clears the list and adds the lines of Value: CR LF, LF and CR each end a
  // line (LF CR ends two), a final line break adds no empty line. Zero units
  // are text.
  //   "a\r\nb\n\rc" -> {a, b, "", c}
  virtual void SetTextStr(const S& Value) {
    Updating([&] {
      Clear();
      const size_t n = Value.size();
      size_t p = 0;
      while (p < n) {
        const size_t start = p;
        while (p < n && Value[p] != kCR && Value[p] != kLF) ++p;
        Add(Value.substr(start, p - start));
        // Past the CR or LF that ended the line, and past an LF after a CR.
        if (p < n && Value[p++] == kCR && p < n && Value[p] == kLF) ++p;
      }
    });
  }

  // Appends (Insert at Count); answers the index.
  virtual int32_t Add(const S& Value) {
    const int32_t index = GetCount();
    Insert(index, Value);
    return index;
  }
  virtual int32_t AddObject(const S& Value, TObject* AObject) {
    const int32_t index = Add(Value);
    PutObject(index, AObject);
    return index;
  }
  // Adds every text of Source with its object reference, in order.
  virtual void AddStrings(const TStringsT& Source) {
    Updating([&] {
      const int32_t n = Source.GetCount();  // Source may be this list
      for (int32_t i = 0; i < n; ++i) AddObject(Source.Get(i), Source.GetObject(i));
    });
  }
  virtual void Clear() = 0;
  virtual void Delete(int32_t Index) = 0;
  virtual void Exchange(int32_t Index1, int32_t Index2) {
    Updating([&] {
      const S text = Get(Index1);
      TObject* object = GetObject(Index1);
      Put(Index1, Get(Index2));
      PutObject(Index1, GetObject(Index2));
      Put(Index2, text);
      PutObject(Index2, object);
    });
  }
  // A zero-terminated copy of Text().
  virtual std::unique_ptr<CharType[]> GetText() const {
    const S text = GetTextStr();
    auto result = std::make_unique<CharType[]>(text.size() + 1);  // zero-filled
    std::copy(text.begin(), text.end(), result.get());
    return result;
  }
  // The first index whose text compares equal, -1 when none.
  virtual int32_t IndexOf(const S& Value) const {
    const int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i)
      if (CompareStrings(Get(i), Value) == 0) return i;
    return -1;
  }
  // The first index whose text has a name-value separator and whose name
  // compares equal to Name; -1 when none. Linear, also on a sorted list.
  virtual int32_t IndexOfName(const S& Name) const {
    const int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i)
      if (NameMatches(Get(i), Name)) return i;
    return -1;
  }
  // The first index holding exactly this reference, -1 when none.
  virtual int32_t IndexOfObject(const TObject* AObject) const {
    const int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i)
      if (GetObject(i) == AObject) return i;
    return -1;
  }
  virtual void Insert(int32_t Index, const S& Value) = 0;
  virtual void InsertObject(int32_t Index, const S& Value, TObject* AObject) {
    Insert(Index, Value);
    PutObject(Index, AObject);
  }
  // Every byte from the file's start, read with writers denied, becomes
  // Text. File errors are the stream errors of Stream.h.
  virtual void LoadFromFile(const UnicodeString& FileName);
  // Every byte from the stream's position to its end becomes Text.
  virtual void LoadFromStream(Stream& Source);
  // Moves the entry (text and object) at CurIndex so that it ends up at
  // NewIndex; both must name entries. A bad index or a sorted list raises
  // before anything changes.
  virtual void Move(int32_t CurIndex, int32_t NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckMove(CurIndex, NewIndex);
    Updating([&] {
      const S text = Get(CurIndex);
      TObject* object = GetObject(CurIndex);
      Delete(CurIndex);
      InsertObject(NewIndex, text, object);
    });
  }
  // Creates or empties the file and writes Text (CR LF after every line).
  virtual void SaveToFile(const UnicodeString& FileName) const;
  virtual void SaveToStream(Stream& Target) const;
  // Reads a zero-terminated text into Text; nullptr only clears the list.
  virtual void SetText(const CharType* Text) {
    if (Text == nullptr)
      Clear();
    else
      SetTextStr(S(Text));
  }

  // --- properties -----------------------------------------------------------

  int32_t Count() const { return GetCount(); }
  int32_t Capacity() const { return GetCapacity(); }
  S Strings(int32_t Index) const { return Get(Index); }
  S operator[](int32_t Index) const { return Get(Index); }
  void SetStrings(int32_t Index, const S& Value) { Put(Index, Value); }
  TObject* Objects(int32_t Index) const { return GetObject(Index); }
  void SetObjects(int32_t Index, TObject* AObject) { PutObject(Index, AObject); }
  S Text() const { return GetTextStr(); }
  void SetText(const S& Value) { SetTextStr(Value); }

  void Append(const S& Value) { Add(Value); }

  // --- names and values -------------------------------------------------------
  // An entry "name=value" (with NameValueSeparator in place of "="); the name
  // ends at the first separator.

  // The name of the entry; empty when it has no separator.
  S GetName(int32_t Index) const {
    const S text = Get(Index);
    const size_t sep = text.find(nameValueSeparator_);
    return sep == S::npos ? S() : text.substr(0, sep);
  }
  S Names(int32_t Index) const { return GetName(Index); }

  // The part after the first separator of the entry IndexOfName(Name) finds;
  // empty when there is none.
  S GetValue(const S& Name) const { return GetValueFromIndex(IndexOfName(Name)); }
  S Values(const S& Name) const { return GetValue(Name); }

  // A non-empty Value makes the entry IndexOfName(Name) finds
  // Name + separator + Value; without one, an empty entry is added first and
  // then set (two changes). An empty Value deletes the found entry. A
  // non-empty Value on a sorted list raises before anything changes.
  void SetValue(const S& Name, const S& Value) {
    int32_t index = IndexOfName(Name);
    if (Value.empty()) {
      if (index >= 0) Delete(index);
      return;
    }
    CheckUnsorted();
    S text = Name;
    text += nameValueSeparator_;
    text += Value;
    if (index < 0) index = Add(S());
    Put(index, text);
  }
  void SetValues(const S& Name, const S& Value) { SetValue(Name, Value); }

  // The part after the first separator; empty for an entry without one and
  // for a negative Index.
  S GetValueFromIndex(int32_t Index) const {
    if (Index < 0) return S();
    const S text = Get(Index);
    const size_t sep = text.find(nameValueSeparator_);
    return sep == S::npos ? S() : text.substr(sep + 1);
  }
  S ValueFromIndex(int32_t Index) const { return GetValueFromIndex(Index); }

  // Like SetValue for the entry at Index: a non-empty Value makes it
  // GetName(Index) + separator + Value (a negative Index adds an empty entry
  // first); an empty Value deletes it.
  void SetValueFromIndex(int32_t Index, const S& Value) {
    if (Value.empty()) {
      if (Index >= 0) Delete(Index);
      return;
    }
    S text = Index >= 0 ? GetName(Index) : S();
    CheckUnsorted();
    text += nameValueSeparator_;
    text += Value;
    if (Index < 0) Index = Add(S());
    Put(Index, text);
  }

  CharType NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(CharType Value) { nameValueSeparator_ = Value; }

  // --- delimited text -----------------------------------------------------------

  // The entries joined by Delimiter. An entry is written in QuoteChar (with
  // every QuoteChar inside doubled) when it holds the delimiter, the quote
  // char or, unless StrictDelimiter, a unit at or below the blank. A list of
  // one empty entry gives two quote chars; other empty entries are written as
  // nothing:
  //   {"a b", "c"} -> "\"a b\",c";  {""} -> "\"\"";  {"a", ""} -> "a,"
  S GetDelimitedText() const { return WriteDelimited(delimiter_, quoteChar_); }
  S DelimitedText() const { return GetDelimitedText(); }

  // Clears the list and adds the items of Value; a zero unit ends Value.
  // Without StrictDelimiter, units 1 to 32 (blanks and control characters)
  // around an item are skipped and also end an unquoted item; with it only
  // the delimiter separates and blanks belong to the items. An item that
  // starts with QuoteChar runs to the next single quote char (a doubled one
  // stands for one; without a closing one, to the end). An empty item between
  // two delimiters, and one after a delimiter that ends the text, is added:
  //   "a b,c" -> {a, b, c};  "a,,b" -> {a, "", b};  "a," -> {a, ""};  " " -> {}
  void SetDelimitedText(const S& Value) { ReadDelimited(Value); }

  // DelimitedText with "," and "\"" (StrictDelimiter applies). Reading leaves
  // Delimiter and QuoteChar as they are; writing sets them to "," and "\""
  // for good.
  S CommaText() const { return WriteDelimited(CharType(','), CharType('"')); }
  void SetCommaText(const S& Value) {
    delimiter_ = CharType(',');
    quoteChar_ = CharType('"');
    ReadDelimited(Value);
  }

  CharType Delimiter() const { return delimiter_; }
  void SetDelimiter(CharType Value) { delimiter_ = Value; }
  CharType QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(CharType Value) { quoteChar_ = Value; }
  bool StrictDelimiter() const { return strictDelimiter_; }
  void SetStrictDelimiter(bool Value) { strictDelimiter_ = Value; }

  // --- other operations ---------------------------------------------------------

  void BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
  }
  // An EndUpdate without a BeginUpdate is ignored.
  void EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
  }

  // Same count and the same texts, compared exactly (case counts).
  bool Equals(const TStringsT& Strings) const {
    const int32_t n = GetCount();
    if (n != Strings.GetCount()) return false;
    for (int32_t i = 0; i < n; ++i)
      if (Get(i) != Strings.Get(i)) return false;
    return true;
  }
  // False for anything but a list of the same kind.
  bool Equals(const TObject* Obj) const {
    const auto* other = dynamic_cast<const TStringsT*>(Obj);
    return other != nullptr && Equals(*other);
  }

  // 8-bit lists only: appends every text, decoded through the codec, to
  // Destination (with Add, so a sorted Destination sorts them in) and answers
  // Destination's new count.
  int32_t toTStrings(TStringListT<UnicodeString>& Destination) const
    requires std::is_same_v<S, AnsiString>;

 protected:
  using Kind = kx::platform::detail::StringListKind<S>;

  // Called at the start (true) and the end (false) of an outer update.
  virtual void SetUpdateState(bool Updating) { (void)Updating; }
  // -1, 0 or 1 by the collation; here case is ignored.
  virtual int32_t CompareStrings(const S& S1, const S& S2) const {
    return Kind::Compare(S1, S2, false);
  }
  // Raises the sorted-list error when inserting at a chosen place is not
  // allowed; checked before an operation that would fail half-way.
  virtual void CheckUnsorted() const {}

  int32_t UpdateCount() const { return updateCount_; }

  // The checks of Move, all made before anything changes.
  void CheckMove(int32_t CurIndex, int32_t NewIndex) const {
    const int32_t n = GetCount();
    if (CurIndex < 0 || CurIndex >= n) Kind::RaiseIndexError(CurIndex);
    CheckUnsorted();
    if (NewIndex < 0 || NewIndex >= n) Kind::RaiseIndexError(NewIndex);
  }

  bool NameMatches(const S& Text, const S& Name) const {
    const size_t sep = Text.find(nameValueSeparator_);
    return sep != S::npos && CompareStrings(Text.substr(0, sep), Name) == 0;
  }

  // Runs f inside BeginUpdate/EndUpdate. When f raises, the bracket still
  // ends, and the error that passes on is f's (a handler's error at the end
  // of the bracket is then dropped).
  template <class F>
  void Updating(F&& f) {
    BeginUpdate();
    try {
      f();
    } catch (...) {
      if (updateCount_ > 0 && --updateCount_ == 0) {
        try {
          SetUpdateState(false);
        } catch (...) {
        }
      }
      throw;
    }
    EndUpdate();
  }

  static constexpr CharType kCR = CharType(13);
  static constexpr CharType kLF = CharType(10);

 private:
  static bool IsBlankOrControl(CharType c) {
    return static_cast<std::make_unsigned_t<CharType>>(c) <= 0x20;
  }

  S WriteDelimited(CharType delimiter, CharType quote) const {
    const int32_t n = GetCount();
    if (n == 1) {
      const S only = Get(0);
      if (only.empty()) return S{quote, quote};
    }
    S result;
    for (int32_t i = 0; i < n; ++i) {
      const S text = Get(i);
      bool quoted = false;
      for (CharType c : text) {
        if (c == quote || c == delimiter || (!strictDelimiter_ && IsBlankOrControl(c))) {
          quoted = true;
          break;
        }
      }
      if (quoted) {
        result += quote;
        for (CharType c : text) {
          if (c == quote) result += quote;
          result += c;
        }
        result += quote;
      } else {
        result += text;
      }
      if (i + 1 < n) result += delimiter;
    }
    return result;
  }

  void ReadDelimited(const S& Value) {
    Updating([&] {
      Clear();
      const CharType delimiter = delimiter_;
      const CharType quote = quoteChar_;
      const bool strict = strictDelimiter_;
      // A zero unit ends the text. (Otherwise it would end an unquoted item
      // without being skipped, and every round would add an empty item.)
      const size_t n = std::min(Value.size(), Value.find(CharType(0)));
      size_t p = 0;
      auto skipBlanks = [&] {
        if (!strict)
          while (p < n && IsBlankOrControl(Value[p])) ++p;
      };
      skipBlanks();
      // Every round consumes at least one unit: an item stops only at a
      // delimiter or (not strict) a blank, and both are skipped below.
      while (p < n) {
        S item;
        if (Value[p] == quote) {
          ++p;
          while (p < n) {
            if (Value[p] == quote) {
              if (p + 1 < n && Value[p + 1] == quote) {
                item += quote;
                p += 2;
                continue;
              }
              ++p;
              break;
            }
            item += Value[p++];
          }
        } else {
          const size_t start = p;
          while (p < n && Value[p] != delimiter && (strict || !IsBlankOrControl(Value[p]))) ++p;
          item = Value.substr(start, p - start);
        }
        Add(item);
        skipBlanks();
        if (p < n && Value[p] == delimiter) {
          if (p + 1 == n) Add(S());
          ++p;
          skipBlanks();
        }
      }
    });
  }

  bool strictDelimiter_ = false;
  CharType delimiter_ = CharType(',');
  CharType quoteChar_ = CharType('"');
  CharType nameValueSeparator_ = CharType('=');
  int32_t updateCount_ = 0;
};

template <class S>
class TStringListT : public TStringsT<S> {
  using Base = TStringsT<S>;
  using Kind = typename Base::Kind;

 public:
  using typename Base::CharType;
  using TNotifyEvent = std::function<void(TStringListT& Sender)>;
  // Answers <0, 0 or >0 as the entry at Index1 sorts before, with or after
  // the one at Index2.
  using TStringListSortCompare =
      std::function<int32_t(const TStringListT& List, int32_t Index1, int32_t Index2)>;

  // Empty, unsorted, case-insensitive, dupIgnore, "," "\"" "=", no events.
  explicit TStringListT(bool OwnsObjects = false) : ownsObjects_(OwnsObjects) {}
  // Deletes the owned objects; fires no event.
  ~TStringListT() override {
    OnChange = nullptr;
    OnChanging = nullptr;
    DeleteOwned(items_);
  }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  // Unlike the base's, these answer a reference to the stored text, valid
  // until the list changes.
  const S& Strings(int32_t Index) const {
    CheckIndex(Index);
    return items_[static_cast<size_t>(Index)].FString;
  }
  const S& operator[](int32_t Index) const { return Strings(Index); }

  S Get(int32_t Index) const override { return Strings(Index); }
  int32_t GetCapacity() const override { return capacity_; }
  int32_t GetCount() const override { return static_cast<int32_t>(items_.size()); }
  TObject* GetObject(int32_t Index) const override {
    CheckIndex(Index);
    return items_[static_cast<size_t>(Index)].FObject;
  }
  // Not on a sorted list (checked before the index).
  void Put(int32_t Index, const S& Value) override {
    CheckUnsorted();
    CheckIndex(Index);
    S copy = Value;
    Changing();
    CheckIndex(Index);
    items_[static_cast<size_t>(Index)].FString = std::move(copy);
    Changed();
  }
  // Replaces the reference only; see the ownership rules above.
  void PutObject(int32_t Index, TObject* AObject) override {
    CheckIndex(Index);
    Changing();
    CheckIndex(Index);
    items_[static_cast<size_t>(Index)].FObject = AObject;
    Changed();
  }
  // Room for exactly Value entries; below Count raises and changes nothing.
  void SetCapacity(int32_t Value) override {
    if (Value < this->Count()) Kind::RaiseCapacityError(Value);
    if (static_cast<size_t>(Value) < items_.capacity()) {
      std::vector<TStringItem> smaller;
      smaller.reserve(static_cast<size_t>(Value));
      std::move(items_.begin(), items_.end(), std::back_inserter(smaller));
      items_.swap(smaller);
    } else {
      items_.reserve(static_cast<size_t>(Value));
    }
    capacity_ = Value;
  }

  // Appends, or on a sorted list inserts at the text's place; answers the
  // index. On a sorted list with dupIgnore and an equal text present nothing
  // is stored (not the object either: the caller keeps it).
  int32_t Add(const S& Value) override { return AddObject(Value, nullptr); }
  int32_t AddObject(const S& Value, TObject* AObject) override {
    int32_t index = this->Count();
    if (sorted_ && Find(Value, index)) {
      if (duplicates_ == dupIgnore) return index;
      if (duplicates_ == dupError) Kind::RaiseDuplicateError();
    }
    InsertItem(index, Value, AObject);
    return index;
  }

  // Nothing happens (no event) on an empty list; else the capacity goes too.
  void Clear() override {
    if (items_.empty()) return;
    Changing();
    std::vector<TStringItem> old;
    old.swap(items_);
    capacity_ = 0;
    DeleteOwned(old);
    Changed();
  }

  void Delete(int32_t Index) override {
    CheckIndex(Index);
    Changing();
    CheckIndex(Index);
    TObject* object = items_[static_cast<size_t>(Index)].FObject;
    items_.erase(items_.begin() + Index);
    if (ownsObjects_) delete object;
    Changed();
  }

  // Allowed on a sorted list too.
  void Exchange(int32_t Index1, int32_t Index2) override {
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
    Changed();
  }

  // On a sorted list a binary search (Find).
  int32_t IndexOf(const S& Value) const override {
    if (sorted_) {
      int32_t index;
      return Find(Value, index) ? index : -1;
    }
    for (size_t i = 0; i < items_.size(); ++i)
      if (CompareStrings(items_[i].FString, Value) == 0) return static_cast<int32_t>(i);
    return -1;
  }
  int32_t IndexOfName(const S& Name) const override {
    for (size_t i = 0; i < items_.size(); ++i)
      if (this->NameMatches(items_[i].FString, Name)) return static_cast<int32_t>(i);
    return -1;
  }

  // 0 <= Index <= Count; Count appends. Not on a sorted list (checked before
  // the index).
  void Insert(int32_t Index, const S& Value) override { InsertObject(Index, Value, nullptr); }
  void InsertObject(int32_t Index, const S& Value, TObject* AObject) override {
    CheckUnsorted();
    if (Index < 0 || Index > this->Count()) Kind::RaiseIndexError(Index);
    InsertItem(Index, Value, AObject);
  }

  // As the base's Move (the same checks first), but the entry moves in one
  // step, so an owned object is never deleted on the way.
  void Move(int32_t CurIndex, int32_t NewIndex) override {
    if (CurIndex == NewIndex) return;
    this->CheckMove(CurIndex, NewIndex);
    Changing();
    this->CheckMove(CurIndex, NewIndex);
    const auto from = items_.begin() + CurIndex;
    const auto to = items_.begin() + NewIndex;
    if (CurIndex < NewIndex)
      std::rotate(from, from + 1, to + 1);
    else
      std::rotate(to, from, from + 1);
    Changed();
  }

  // Binary search of a sorted list (on an unsorted list the answer means
  // nothing). True when an equal text exists; Index is then its position
  // (under dupAccept the first of the equal texts), else the position where
  // Value belongs.
  virtual bool Find(const S& Value, int32_t& Index) const {
    bool found = false;
    int32_t lo = 0;
    int32_t hi = this->Count() - 1;
    while (lo <= hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      const int32_t c = CompareStrings(items_[static_cast<size_t>(mid)].FString, Value);
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid - 1;
        if (c == 0) {
          found = true;
          if (duplicates_ != dupAccept) lo = mid;
        }
      }
    }
    Index = lo;
    return found;
  }

  // Sorts by the collation (CustomSort with CompareStrings).
  virtual void Sort() {
    CustomSort([](const TStringListT& list, int32_t a, int32_t b) {
      return list.CompareStrings(list.items_[static_cast<size_t>(a)].FString,
                                 list.items_[static_cast<size_t>(b)].FString);
    });
  }

  // Sorts with Compare, a quicksort whose pivot follows its entry (not
  // stable: equal entries may change places). Does nothing on a sorted list
  // or one with fewer than two entries. If Compare raises, the error passes
  // on and the list is left partly sorted.
  virtual void CustomSort(const TStringListSortCompare& Compare) {
    if (sorted_ || this->Count() < 2) return;
    SortItems([&](int32_t a, int32_t b) { return Compare(*this, a, b); });
  }

  bool Sorted() const { return sorted_; }
  // True sorts the list first; false only clears the flag.
  void SetSorted(bool Value) {
    if (sorted_ == Value) return;
    if (Value) Sort();
    sorted_ = Value;
  }

  bool CaseSensitive() const { return caseSensitive_; }
  // A sorted list is sorted again under the new comparison.
  void SetCaseSensitive(bool Value) {
    if (caseSensitive_ == Value) return;
    caseSensitive_ = Value;
    if (sorted_ && this->Count() > 1) SortItems([this](int32_t a, int32_t b) {
      return CompareStrings(items_[static_cast<size_t>(a)].FString,
                            items_[static_cast<size_t>(b)].FString);
    });
  }

  TDuplicates Duplicates() const { return duplicates_; }
  // Applies to later additions to a sorted list; texts already in the list
  // stay.
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool Value) { ownsObjects_ = Value; }

 protected:
  // A derived list that keeps an index of its own (a hashed list) answers
  // IndexOf and IndexOfName from it and drops it in Changed, which is called
  // after every change, inside an update too.

  void SetUpdateState(bool Updating) override {
    if (Updating)
      Changing();
    else
      Changed();
  }
  int32_t CompareStrings(const S& S1, const S& S2) const override {
    return Kind::Compare(S1, S2, caseSensitive_);
  }
  void CheckUnsorted() const override {
    if (sorted_) Kind::RaiseSortedError();
  }
  // Called before and after every change, also inside an update; they fire
  // the events only outside one.
  virtual void Changing() {
    if (this->UpdateCount() == 0 && OnChanging) OnChanging(*this);
  }
  virtual void Changed() {
    if (this->UpdateCount() == 0 && OnChange) OnChange(*this);
  }
  // Stores the entry at Index (0 to Count) without any check of order.
  virtual void InsertItem(int32_t Index, const S& Value, TObject* AObject) {
    TStringItem item{Value, AObject};  // copied first: Value may be an entry
    Changing();
    if (Index > this->Count()) Kind::RaiseIndexError(Index);
    if (this->Count() == capacity_) Grow();
    items_.insert(items_.begin() + Index, std::move(item));
    Changed();
  }

 private:
  struct TStringItem {
    S FString;
    TObject* FObject = nullptr;
  };

  void CheckIndex(int32_t Index) const {
    if (Index < 0 || Index >= this->Count()) Kind::RaiseIndexError(Index);
  }

  // By the steps in the header comment.
  void Grow() {
    const int64_t delta = capacity_ > 64 ? capacity_ / 4 : (capacity_ > 8 ? 16 : 4);
    const int64_t wanted = std::min<int64_t>(int64_t{capacity_} + delta, INT32_MAX);
    if (wanted <= capacity_) Kind::RaiseCapacityError(capacity_);
    SetCapacity(static_cast<int32_t>(wanted));
  }

  void DeleteOwned(std::vector<TStringItem>& items) {
    if (!ownsObjects_) return;
    for (auto& item : items) {
      delete item.FObject;
      item.FObject = nullptr;
    }
  }

  template <class Compare>
  void SortItems(Compare&& compare) {
    Changing();
    try {
      QuickSort(0, this->Count() - 1, compare);
    } catch (...) {
      // The list may have changed already: tell the observers, keep the error.
      try {
        Changed();
      } catch (...) {
      }
      throw;
    }
    Changed();
  }

  // The pivot is an index that follows its entry when that entry is swapped.
  // The scans are bounded by the range, which changes nothing for a
  // consistent comparison and keeps an inconsistent one inside the list. The
  // smaller part is sorted by recursion and the larger one by the loop, so
  // the depth stays logarithmic; the parts are disjoint, so the result is the
  // same as in any other order.
  template <class Compare>
  void QuickSort(int32_t L, int32_t R, Compare& compare) {
    while (L < R) {
      int32_t i = L;
      int32_t j = R;
      int32_t p = L + (R - L) / 2;
      do {
        while (i < R && compare(i, p) < 0) ++i;
        while (j > L && compare(j, p) > 0) --j;
        if (i <= j) {
          if (i != j) std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
          if (p == i)
            p = j;
          else if (p == j)
            p = i;
          ++i;
          --j;
        }
      } while (i <= j);
      if (j - L < R - i) {
        if (L < j) QuickSort(L, j, compare);
        L = i;
      } else {
        if (i < R) QuickSort(i, R, compare);
        R = j;
      }
    }
  }

  std::vector<TStringItem> items_;
  int32_t capacity_ = 0;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

// The list code is compiled once, in StringList.cpp.
extern template class TStringsT<UnicodeString>;
extern template class TStringsT<AnsiString>;
extern template class TStringListT<UnicodeString>;
extern template class TStringListT<AnsiString>;

// The platform's UTF-16 string list.
using TStringList = TStringListT<UnicodeString>;
// Parameters typed "string list" take this.
using TStrings = TStringList;
