#include "system/kxRegistry.h"

#include <cstdint>
#include <optional>

#include "platform/rtl/FormatSettings.h"
#include "system/kxDateTime.h"
#include "system/kxTypes_Variant.h"
#include "text/kxConversion.h"

namespace TkxRegistry {
namespace {

namespace store = kx::platform::registry;

// The UTF-16 units of raw data; an odd last byte is dropped.
UnicodeString Units(const std::string& data) {
  UnicodeString units(data.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                     (static_cast<unsigned char>(data[2 * i + 1]) << 8));
  return units;
}

// A stored string: up to its first zero unit.
UnicodeString StringOf(const std::string& data) {
  UnicodeString text = Units(data);
  const size_t zero = text.find(u'\0');
  if (zero != UnicodeString::npos) text.resize(zero);
  return text;
}

std::string StringData(const UnicodeString& text) {
  std::string data;
  data.reserve((text.size() + 1) * 2);
  for (char16_t u : text) {
    data.push_back(static_cast<char>(u & 0xFF));
    data.push_back(static_cast<char>(u >> 8));
  }
  data.append(2, '\0');
  return data;
}

std::string DwordData(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i)
    data[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return data;
}

std::optional<int32_t> DwordOf(const std::string& data) {
  if (data.size() != 4) return std::nullopt;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
  return static_cast<int32_t>(v);
}

Variant StoredString(const UnicodeString& text, const Variant& Default) {
  switch (VarType(Default)) {
    case varSingle:
    case varDouble:
    case varCurrency:
      if (text.empty()) return Variant::FromDouble(0.0);
      try {
        return Variant::FromDouble(TkxConversion::StrToReal(text, true, 0.0));
      } catch (...) {
        return Default;
      }
    case varDate: {
      const std::vector<AnsiString> formats = {"yyyy-mm-dd", "dd.mm.yyyy", ShortDateFormatA()};
      return Variant::FromDate(TkxDateTime::StrToDateExt(text, formats, TDateTime(0.0)));
    }
    default:
      return Variant::FromUString(text);
  }
}

// Zero-terminated strings up to an empty one or the end of the data, each
// followed by CR LF.
UnicodeString StringSequence(const std::string& data) {
  const UnicodeString units = Units(data);
  UnicodeString result;
  size_t pos = 0;
  while (pos < units.size()) {
    size_t end = units.find(u'\0', pos);
    if (end == UnicodeString::npos) end = units.size();
    if (end == pos) break;
    result.append(units, pos, end - pos);
    result += u"\r\n";
    pos = end + 1;
  }
  return result;
}

// How SetValue stores a value and how Verify reads it back.
enum class Stored { Integer, Boolean, Text };

}  // namespace

Variant GetValue(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute,
                 const Variant& Default, bool CanCreate) {
  try {
    const std::optional<store::RegistryValue> value = store::QueryValue(MyRootKey, Key, Attribute);
    if (!value) {
      if (CanCreate && store::KeyExists(MyRootKey, Key))
        SetValue(MyRootKey, Key, Attribute, Default, false);
      return Default;
    }
    switch (value->Type) {
      case REG_SZ:
      case REG_EXPAND_SZ:
        return StoredString(StringOf(value->Data), Default);
      case REG_DWORD: {
        const std::optional<int32_t> number = DwordOf(value->Data);
        if (!number) return Default;
        if (VarType(Default) == varBoolean) return Variant::FromBoolean(*number != 0);
        return Variant::FromInteger(*number);
      }
      case REG_BINARY:
        return Variant::FromString(value->Data);
      default:
        if (value->Data.empty()) return Default;
        return Variant::FromUString(StringSequence(value->Data));
    }
  } catch (...) {
    return Default;
  }
}

bool SetValue(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute,
              const Variant& Value, bool Verify) {
  try {
    const TVarType type = VarType(Value);
    if (type == varNull || VarIsArray(Value)) return false;
    Stored how = Stored::Text;
    std::string data;
    UnicodeString text;
    switch (type) {
      case varSmallint:
      case varInteger:
      case varShortInt:
      case varByte:
      case varWord:
        how = Stored::Integer;
        data = DwordData(Value.ToInteger());
        break;
      case varLongWord:
        how = Stored::Integer;
        data = DwordData(static_cast<int32_t>(static_cast<uint32_t>(Value.ToInt64())));
        break;
      case varInt64: {
        const int64_t v = Value.ToInt64();
        if (v < INT32_MIN || v > INT32_MAX) return false;  // never cut
        how = Stored::Integer;
        data = DwordData(static_cast<int32_t>(v));
        break;
      }
      case varSingle:
      case varDouble:
      case varCurrency:
        text = ToUtf16(TkxConversion::RealToStr(Value.ToDouble(), -1));
        break;
      case varDate:
        text = FormatDateTime(u"yyyy-mm-dd", Value.ToDateTime());
        break;
      case varBoolean:
        how = Stored::Boolean;
        data = DwordData(Value.ToBoolean() ? 1 : 0);
        break;
      default:
        text = VarToStr(Value);  // Empty gives ""
        break;
    }
    if (how == Stored::Text) data = StringData(text);
    const uint32_t regType = how == Stored::Text ? REG_SZ : REG_DWORD;
    if (!store::SetValue(MyRootKey, Key, Attribute, regType, data)) return false;
    if (!Verify) return true;

    const std::optional<store::RegistryValue> back = store::QueryValue(MyRootKey, Key, Attribute);
    if (!back || back->Type != regType) return false;
    switch (how) {
      case Stored::Integer: {
        const std::optional<int32_t> number = DwordOf(back->Data);
        return number && int64_t{*number} == Value.ToInt64();
      }
      case Stored::Boolean: {
        const std::optional<int32_t> number = DwordOf(back->Data);
        return number && (*number != 0) == Value.ToBoolean();
      }
      case Stored::Text:
        return StringOf(back->Data) == text;
    }
    return false;
  } catch (...) {
    return false;
  }
}

bool ValueExists(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute) {
  return store::QueryValue(MyRootKey, Key, Attribute).has_value();
}

bool KeyExists(HKEY MyRootKey, const UnicodeString& Key) {
  return store::KeyExists(MyRootKey, Key);
}

bool DeleteValue(HKEY MyRootKey, const UnicodeString& Key, const UnicodeString& Attribute,
                 bool Verify) {
  if (!store::KeyExists(MyRootKey, Key)) return true;
  const bool deleted = store::DeleteValue(MyRootKey, Key, Attribute);
  return Verify ? !ValueExists(MyRootKey, Key, Attribute) : deleted;
}

bool DeleteKey(HKEY MyRootKey, const UnicodeString& Key) {
  return store::DeleteKey(MyRootKey, Key);
}

bool RenameKey(HKEY MyRootKey, const UnicodeString& OldKey, const UnicodeString& NewKey) {
  if (!store::KeyExists(MyRootKey, OldKey)) return true;
  return store::MoveKey(MyRootKey, OldKey, NewKey);
}

namespace {

template <class Lister>
bool ListKey(HKEY root, const UnicodeString& key, TStringList* list, bool canCreate,
             Lister lister) {
  if (list == nullptr) return false;
  try {
    const std::optional<std::vector<UnicodeString>> names = lister(root, key);
    if (!names) return canCreate ? store::CreateKey(root, key) : true;
    list->Clear();
    for (const UnicodeString& name : *names) list->Add(name);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool GetAttributes(HKEY MyRootKey, const UnicodeString& Key, TStringList* List, bool CanCreate) {
  return ListKey(MyRootKey, Key, List, CanCreate, store::ValueNames);
}

bool GetSubKeys(HKEY MyRootKey, const UnicodeString& Key, TStringList* List, bool CanCreate) {
  return ListKey(MyRootKey, Key, List, CanCreate, store::SubKeyNames);
}

bool ClassIDAvailable(const AnsiString& CLSID) {
  return store::KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + ToUtf16(CLSID));
}

bool ClassIDAvailable(const TGUID& CLSID) {
  return store::KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + GUIDToString(CLSID));
}

}  // namespace TkxRegistry
