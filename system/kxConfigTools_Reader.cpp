// TkxConfigTools: the reader and the lookups.
#include "system/kxConfigTools.h"

#include <iterator>
#include <vector>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Trim.h"
#include "platform/xml/XmlDocument.h"
#include "system/kxBase64.h"
#include "system/kxFiles.h"
#include "system/kxTypes.h"
#include "system/kxXML.h"
#include "text/kxConversion.h"
#include "text/kxStrings.h"

using kx::platform::XmlAttribute;
using kx::platform::XmlDocument;
using kx::platform::XmlElement;
using kx::platform::XmlNode;
using kx::platform::XmlNodeKind;

namespace {

// The element's text and CDATA children joined, and whether it has any.
// Values that the writer compressed or encoded may sit next to the child
// elements of longer paths, so the element need not hold a single text.
bool DirectText(const XmlElement& Element, UnicodeString& Text) {
  bool any = false;
  for (XmlNode n = Element.FirstChild(); n; n = n.NextSibling()) {
    if (n.Kind() != XmlNodeKind::Text && n.Kind() != XmlNodeKind::CData) continue;
    Text += n.Text();
    any = true;
  }
  return any;
}

bool HasChildElement(const XmlElement& Element) {
  for (XmlNode n = Element.FirstChild(); n; n = n.NextSibling())
    if (n.Kind() == XmlNodeKind::Element) return true;
  return false;
}

// Whether the value's text is empty; a value without a text counts as not
// empty (it is a value all the same).
bool HasEmptyText(const Variant& V) {
  try {
    return VarToStr(V).empty();
  } catch (...) {
    return false;
  }
}

}  // namespace

// ---- The reader -----------------------------------------------------------------

TkxCfgFormatVersion TkxConfigTools::GetConfigFormatVersion(const UnicodeString& FStr) {
  for (size_t i = 0; i < std::size(kxCfgFormatVersionTexts); ++i)
    if (FStr == kxCfgFormatVersionTexts[i]) return static_cast<TkxCfgFormatVersion>(i);
  return kxFV_Unknown;
}

bool TkxConfigTools::ParseConfigString(TkxConfigList& CfgList, const AnsiString& Config,
                                       UnicodeString& Root, bool RaiseExceptions) {
  CfgList.clear();
  if (TrimBlanks(Config).empty()) return true;
  bool loaded = false;
  try {
    const XmlDocument doc = XmlDocument::Load(Config);
    loaded = true;
    const XmlElement root = doc.DocumentElement();
    Root = root.Name();

    TkxCfgFormatVersion version = kxFV_Unknown;
    bool compressed = false;
    try {
      version = GetConfigFormatVersion(root.GetAttribute(u"FormatVersion"));
      compressed = TkxConversion::StrToBool(root.GetAttribute(u"Compressed"));
    } catch (...) {
      version = kxFV_Unknown;
      compressed = false;
    }
    const bool namesFromAttribute = version >= kxFV_14;
    const bool pathPrefix = version >= kxFV_16;
    const bool extraAttributes = version >= kxFV_13;

    CfgList.resize(root.ChildNodes().size());

    // Depth first, a parent before its children, without recursion: the
    // depth of a configuration string is the sender's choice.
    struct Level {
      XmlNode next;
      UnicodeString prefix;
    };
    std::vector<Level> levels;
    size_t filled = 0;  // the slots below are taken
    // Slots of elements that only enclose others: no text, no Type, no
    // extra attribute. The writer makes such an element for every leading
    // segment of a path without holding a parameter for it.
    std::vector<size_t> enclosing;
    levels.push_back({root.FirstChild(), UnicodeString()});
    while (!levels.empty()) {
      XmlNode node = levels.back().next;
      while (node && node.Kind() != XmlNodeKind::Element) node = node.NextSibling();
      if (!node) {
        levels.pop_back();
        continue;
      }
      levels.back().next = node.NextSibling();
      const UnicodeString prefix = levels.back().prefix;
      const XmlElement element = node.AsElement();

      const int32_t id = GetFreeConfigPart(CfgList, filled);
      filled = static_cast<size_t>(id) + 1;
      TkxConfigPart& part = CfgList[static_cast<size_t>(id)];
      part.Active = true;
      const UnicodeString elementName = element.Name();
      const bool hasName = element.HasAttribute(u"Name");
      const UnicodeString nameAttribute = hasName ? element.GetAttribute(u"Name") : UnicodeString();
      UnicodeString name = elementName;
      if (namesFromAttribute && !nameAttribute.empty()) name = nameAttribute;
      part.Param = pathPrefix ? prefix + name : name;
      part.SORTL = LookupKey(part.Param);
      const UnicodeString type = element.GetAttribute(u"Type");
      part.Binary = UpperText(type) == u"BINARY";

      if (compressed) {
        // An element without text (the parent of a longer path) is the
        // empty value; there is nothing to decode.
        UnicodeString text;
        AnsiString bytes;
        if (DirectText(element, text))
          bytes = TkxStrings::DecompressString(TkxBase64::Base64ToStr(ToUtf8(text)));
        part.Value = part.Binary ? Variant::FromString(std::move(bytes))
                                 : Variant::FromOleStr(ToUtf16(bytes));
      } else if (part.Binary) {
        UnicodeString text;
        DirectText(element, text);
        part.Value = Variant::FromString(TkxBase64::Base64ToStr(ToUtf8(text)));
      } else {
        const TVarType varType = TkxTypes::GetVarTypeFromStr(type, varOleStr);
        const Variant value = TkxIXMLDocumentTools::GetNodeValue(element);
        // GetNodeValue has turned LF into CR LF already.
        part.Value = TkxTypes::StrToVarExt(value.IsNull() ? UnicodeString() : VarToStr(value), varType);
      }

      if (extraAttributes) {
        for (const XmlAttribute& a : element.Attributes())
          if (a.Name != u"Name" && a.Name != u"Type")
            part.Attributes.push_back({a.Name, Variant::FromOleStr(a.Value)});
      }

      if (ChangeProtection && type.empty() && part.Attributes.empty() &&
          HasChildElement(element) && HasEmptyText(part.Value))
        enclosing.push_back(static_cast<size_t>(id));

      if (element.HasChildNodes())
        levels.push_back({element.FirstChild(),
                          prefix + (hasName ? nameAttribute : elementName) + u"/"});
    }

    if (ChangeProtection) {
      UnicodeString stored;
      try {
        stored = root.GetAttribute(u"Hash").substr(0, 32);
      } catch (...) {
        throw Exception(u"cannot read change protection hash");
      }
      int32_t check = CheckChangeProtectionHash(stored, CfgList);
      if (check == 1 && !enclosing.empty()) {
        // The writer hashed its own list, which had no parameters for the
        // elements that merely enclose a path, but may have had an empty
        // one (written without Type) that encloses a path as well: check
        // again with each choice of them kept, none kept first. Beyond a
        // few such elements only the list without any of them is checked.
        constexpr size_t kMaxChoice = 10;
        const size_t n = enclosing.size();
        const uint32_t choices = n <= kMaxChoice ? (1u << n) - 1 : 1;  // all kept was checked
        try {
          for (uint32_t kept = 0; check == 1 && kept < choices; ++kept) {
            for (size_t b = 0; b < n; ++b)
              CfgList[enclosing[b]].Active = b < kMaxChoice && ((kept >> b) & 1u) != 0;
            check = CheckChangeProtectionHash(stored, CfgList);
          }
        } catch (...) {
          for (const size_t i : enclosing) CfgList[i].Active = true;
          throw;
        }
        for (const size_t i : enclosing) CfgList[i].Active = true;
      }
      if (check != 0) throw Exception(u"change protection hash mismatch");
    }
    TrimConfigList(CfgList);
    Message.clear();
    return true;
  } catch (const std::exception& e) {
    if (loaded) TrimConfigList(CfgList);
    const auto* error = dynamic_cast<const Exception*>(&e);
    Message = error != nullptr ? error->Message : ToUtf16(e.what());
    if (RaiseExceptions) throw;
    return false;
  }
}

bool TkxConfigTools::ParseConfigString(const AnsiString& Config, UnicodeString& Root,
                                       bool RaiseExceptions) {
  try {
    const bool result = ParseConfigString(ConfigList, Config, Root, RaiseExceptions);
    RootNodeName = Root;
    return result;
  } catch (...) {
    RootNodeName = Root;
    throw;
  }
}

bool TkxConfigTools::ParseConfigString(const AnsiString& Config) {
  return ParseConfigString(Config, RootNodeName, false);
}

bool TkxConfigTools::LoadConfig(const UnicodeString& FileName) {
  try {
    AnsiString config;
    if (!TkxFiles::LoadFileToString(FileName, config)) {
      ConfigList.clear();
      return false;
    }
    return ParseConfigString(config, RootNodeName, false);
  } catch (...) {
    return false;
  }
}

// ---- Lookups ------------------------------------------------------------------------

bool TkxConfigTools::ConfigParamExists(const UnicodeString& Param) {
  return FindParam(ConfigList, LookupKey(Param)) >= 0;
}

bool TkxConfigTools::ConfigParamExists(const TWideStringArray& Param) {
  return ConfigParamExists(GetPathString(Param, true));
}

int32_t TkxConfigTools::GetEmptyConfigParam() {
  for (size_t i = 0; i < ConfigList.size(); ++i)
    if (!ConfigList[i].Active && ConfigList[i].Param.empty()) return static_cast<int32_t>(i);
  return -1;
}

Variant TkxConfigTools::GetConfigParam(const UnicodeString& Param) {
  const int32_t id = FindParam(ConfigList, LookupKey(Param));
  return id < 0 ? Variant::FromOleStr(UnicodeString()) : ConfigList[static_cast<size_t>(id)].Value;
}

Variant TkxConfigTools::GetConfigParam(const UnicodeString& Param, const Variant& Default) {
  return GetConfigParam(ConfigList, Param, Default);
}

Variant TkxConfigTools::GetConfigParam(const TkxConfigList& CfgList, const UnicodeString& Param,
                                       const Variant& Default) {
  const int32_t id = FindParam(CfgList, LookupKey(Param));
  if (id < 0) return Default;
  const Variant& value = CfgList[static_cast<size_t>(id)].Value;
  if (!value.IsEmpty() && !HasEmptyText(value)) return value;
  // An empty text stands for "not set" where a number, date or Boolean is
  // asked for; where a text is asked for, it is the value.
  const TVarType type = VarType(Default);
  if ((type >= varSmallint && type <= varDate) || type == varBoolean ||
      (type >= varByte && type <= varInt64))
    return Default;
  return value;
}

Variant TkxConfigTools::GetConfigParam(const TkxConfigList& CfgList, const TWideStringArray& Param,
                                       const Variant& Default) {
  return GetConfigParam(CfgList, GetPathString(Param, false), Default);
}

Variant TkxConfigTools::GetConfigParam(const TWideStringArray& Param, const Variant& Default) {
  return GetConfigParam(ConfigList, GetPathString(Param, false), Default);
}

int32_t TkxConfigTools::GetConfigParamListId(const UnicodeString& Param) {
  return FindParam(ConfigList, LookupKey(Param));
}

bool TkxConfigTools::DeleteConfigParam(const UnicodeString& Param) {
  const UnicodeString key = LookupKey(Param);
  bool deleted = false;
  for (;;) {
    const int32_t id = FindParam(ConfigList, key);
    if (id < 0) break;
    TkxConfigPart& part = ConfigList[static_cast<size_t>(id)];
    part.Active = false;
    part.Param.clear();
    part.SORTL.clear();
    part.Value = Variant();
    part.Attributes.clear();
    deleted = true;
    if (!AllowMultiParams) break;
  }
  return deleted;
}

bool TkxConfigTools::DeleteConfigParam(const TWideStringArray& Param) {
  return DeleteConfigParam(GetPathString(Param, true));
}

Variant TkxConfigTools::GetAttribute(int32_t ConfigId, const UnicodeString& Attribute,
                                     const Variant& Default, bool AcceptEmptyAttributeValue) {
  if (ConfigId < 0 || static_cast<size_t>(ConfigId) >= ConfigList.size()) return Default;
  for (const TkxAttribute& a : ConfigList[static_cast<size_t>(ConfigId)].Attributes) {
    if (a.Name != Attribute) continue;
    if (AcceptEmptyAttributeValue || !HasEmptyText(a.Value)) return a.Value;
  }
  return Default;
}

Variant TkxConfigTools::GetAttribute(const UnicodeString& Param, const UnicodeString& Attribute,
                                     const Variant& Default, bool AcceptEmptyAttributeValue) {
  return GetAttribute(GetConfigParamListId(Param), Attribute, Default, AcceptEmptyAttributeValue);
}

int32_t TkxConfigTools::GetListSize() {
  int32_t count = 0;
  for (const TkxConfigPart& part : ConfigList)
    if (part.Active) ++count;
  return count;
}

// ---- Below a path -----------------------------------------------------------------------

bool TkxConfigTools::IsBelowPath(const TkxConfigPart& Part, const UnicodeString& Key,
                                 size_t Length) {
  if (!Part.Active) return false;
  if (Length == 0) return true;
  if (Part.SORTL == Key) return true;
  return Part.SORTL.size() > Key.size() && Part.SORTL.compare(0, Key.size(), Key) == 0 &&
         Part.SORTL[Key.size()] == u'/';
}

namespace {
// The name after the path and one separator; empty for the parameter at
// the path itself.
UnicodeString Remainder(const UnicodeString& Param, size_t Length) {
  return Param.size() > Length + 1 ? Param.substr(Length + 1) : UnicodeString();
}
}  // namespace

bool TkxConfigTools::GetConfigList(const UnicodeString& Path, TkxConfigList& CfgList,
                                   bool KeepOrgPath) {
  CfgList.clear();
  const UnicodeString key = LookupKey(Path);
  const size_t n = TrimPathSlashes(Path).size();
  size_t filled = 0;  // the slots below are taken
  for (const TkxConfigPart& part : ConfigList) {
    if (!IsBelowPath(part, key, n)) continue;
    const int32_t id = GetFreeConfigPart(CfgList, filled);
    filled = static_cast<size_t>(id) + 1;
    TkxConfigPart& copy = CfgList[static_cast<size_t>(id)];
    copy = part;
    if (n > 0 && !KeepOrgPath) {
      copy.Param = Remainder(part.Param, n);
      copy.SORTL = LookupKey(copy.Param);
    }
  }
  TrimConfigList(CfgList);
  return true;
}

bool TkxConfigTools::GetConfigList(const TWideStringArray& Path, TkxConfigList& CfgList,
                                   bool KeepOrgPath) {
  return GetConfigList(GetPathString(Path, false), CfgList, KeepOrgPath);
}

bool TkxConfigTools::GetNodeElements(const UnicodeString& Path, TStrings& List, bool GetFullPath) {
  List.SetCaseSensitive(false);
  List.SetDuplicates(dupIgnore);
  List.SetSorted(true);
  const UnicodeString key = LookupKey(Path);
  const UnicodeString p = TrimPathSlashes(Path);
  const size_t n = p.size();
  for (const TkxConfigPart& part : ConfigList) {
    if (!IsBelowPath(part, key, n)) continue;
    UnicodeString name = n > 0 ? Remainder(part.Param, n) : part.Param;
    const size_t slash = name.find(u'/');
    if (slash != UnicodeString::npos) name.resize(slash);
    List.Add(GetFullPath ? p + u"/" + name : name);
  }
  return true;
}

bool TkxConfigTools::GetNodeElements(const TWideStringArray& Path, TStrings& List) {
  return GetNodeElements(GetPathString(Path, true), List, false);
}

std::unique_ptr<TStringList> TkxConfigTools::GetNodeElements(const TWideStringArray& Path) {
  auto list = std::make_unique<TStringList>();
  GetNodeElements(Path, *list);
  return list;
}
