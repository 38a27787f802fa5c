#include "platform/rtl/StringList.h"

#include <charconv>

#include "platform/rtl/Exceptions.h"

namespace kx::platform::detail {

namespace {

[[noreturn]] void RaiseWithNumber(const char* text, int32_t number) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  std::string message = text;
  message += " (";
  message.append(digits, end);
  message += ")";
  throw EStringListError(message);
}

}  // namespace

void RaiseListIndexError(int32_t Index) { RaiseWithNumber("List index out of bounds", Index); }

void RaiseListCapacityError(int32_t Capacity) {
  RaiseWithNumber("List capacity out of bounds", Capacity);
}

void RaiseSortedListError() { throw EStringListError("Operation not allowed on sorted list"); }

void RaiseDuplicateStringError() { throw EStringListError("String list does not allow duplicates"); }

}  // namespace kx::platform::detail

// The two kinds of list are compiled here once, so that every error in the
// template shows in this library's build and not first at a caller's.
template class TStringListT<UnicodeString>;
template class TStringListT<AnsiString>;
