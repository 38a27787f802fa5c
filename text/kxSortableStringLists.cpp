#include "text/kxSortableStringLists.h"

#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "text/kxMath.h"
#include "text/kxStrings_Search.h"

namespace kx::text::detail {

OwningHashedList::OwningHashedList(bool OwnObjects)
    : THashedStringList(false), FOwnObjects(OwnObjects) {}

OwningHashedList::~OwningHashedList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnObjects) DeleteAll();
}

void OwningHashedList::Delete(int32_t Index) {
  TObject* object = GetObject(Index);
  THashedStringList::Delete(Index);
  if (FOwnObjects) delete object;
}

void OwningHashedList::Clear() { DeleteAll(); }

int32_t OwningHashedList::DeleteAll() {
  const int32_t count = Count();
  for (int32_t i = count - 1; i >= 0; --i) Delete(i);
  return count;
}

}  // namespace kx::text::detail

namespace {

// Ordinal by UTF-16 code units after the options (trimming, upper-casing
// "a"-"z" only, descending): negative, 0 or positive.
int32_t CompareStringsWithOptions(const UnicodeString& S1, const UnicodeString& S2, bool Trim,
                                  bool Upper, bool Desc) {
  if (Upper) return TkxStrings::StrCompW(AsciiUpper(S1), AsciiUpper(S2), Trim, false, Desc);
  return TkxStrings::StrCompW(S1, S2, Trim, false, Desc);
}

int32_t Sign(double A, double B) { return A < B ? -1 : (A > B ? 1 : 0); }

int32_t CompareAsNumber(const TStringList& List, int32_t Index1, int32_t Index2) {
  double a = 0;
  double b = 0;
  if (!TryStrToFloat(List.Strings(Index1), a) || !TryStrToFloat(List.Strings(Index2), b)) return 0;
  return Sign(a, b);
}

int32_t CompareAsDate(const TStringList& List, int32_t Index1, int32_t Index2) {
  return Sign(StrToDate(List.Strings(Index1)).Val, StrToDate(List.Strings(Index2)).Val);
}

template <bool Trim, bool Upper, bool Desc>
int32_t CompareAlphaNum(const TStringList& List, int32_t Index1, int32_t Index2) {
  return CompareStringsWithOptions(List.Strings(Index1), List.Strings(Index2), Trim, Upper, Desc);
}

}  // namespace

TkxObjectHashList::TkxObjectHashList() : OwningHashedList(false) {}

TkxObjectHashList::TkxObjectHashList(bool AOwnObjects) : OwningHashedList(AOwnObjects) {}

void TkxObjectHashList::Put(const UnicodeString& Key, TObject* Value, bool DestroyInstance) {
  if (DestroyInstance) Remove(Key);
  AddObject(Key, Value);
}

TObject* TkxObjectHashList::Get(const UnicodeString& Key) const {
  const int32_t index = IndexOf(Key);
  return index < 0 ? nullptr : GetObject(index);
}

TObject* TkxObjectHashList::Remove(const UnicodeString& Key) {
  const int32_t index = IndexOf(Key);
  if (index < 0) return nullptr;
  TObject* object = GetObject(index);
  Delete(index);
  return object;
}

bool TkxObjectHashList::Contains(const UnicodeString& Key) const { return IndexOf(Key) >= 0; }

bool TkxObjectHashList::IsValueNotNil(const UnicodeString& Key) const {
  return Get(Key) != nullptr;
}

TObject* TkxObjectHashList::GetFirstAboutDistance(const UnicodeString& Key, bool TrimBefore,
                                                  bool IgnoreCase, double& MaxDistance,
                                                  double& RealDistance) const {
  auto prepare = [&](std::u16string_view text) {
    if (TrimBefore) text = TrimBlanks(text);
    return IgnoreCase ? AsciiUpper(text) : UnicodeString(text);
  };
  const UnicodeString key = prepare(Key);
  for (int32_t i = 0; i < Count(); ++i) {
    RealDistance = TkxMath::GetDamerauLevenshteinAccuracy(key, prepare(Strings(i)));
    if (RealDistance >= MaxDistance) return GetObject(i);
  }
  return nullptr;
}

bool TkxObjectHashList::SortW(TSORT_TYPE SortType) {
  TStringListSortCompare compare;
  switch (SortType) {
    case NUMBER:
      compare = CompareAsNumber;
      break;
    case ALPHA_NUM:
      compare = CompareAlphaNum<false, false, false>;
      break;
    case ALPHA_NUM_TRIM:
      compare = CompareAlphaNum<true, false, false>;
      break;
    case ALPHA_NUM_UPPER:
      compare = CompareAlphaNum<false, true, false>;
      break;
    case ALPHA_NUM_DESC:
      compare = CompareAlphaNum<false, false, true>;
      break;
    case ALPHA_NUM_TRIM_UPPER_DESC:
      compare = CompareAlphaNum<true, true, true>;
      break;
    case DATE:
      compare = CompareAsDate;
      break;
    default:
      return false;
  }
  CustomSort(compare);
  return true;
}
