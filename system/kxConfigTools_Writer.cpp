// TkxConfigTools: names and keys, the parameter list, the change-protection
// hash and the writer.
#include "system/kxConfigTools.h"

#include <algorithm>
#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "platform/xml/XmlDocument.h"
#include "system/kxBase64.h"
#include "system/kxFiles.h"
#include "system/kxMD5.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxTypes.h"
#include "system/kxXML.h"
#include "text/kxStrings.h"

using kx::platform::XmlDocument;
using kx::platform::XmlElement;

namespace {

// The texts written as element text or attribute value after PrepareString:
// wide, 8-bit and UTF-16 strings (not the argument codes 72 and 74).
bool IsWrittenAsString(const Variant& V) {
  const TVarType t = V.VarType();
  return t == varOleStr || t == varString || t == varUString;
}

// The raw bytes of a binary value.
AnsiString BinaryBytes(const Variant& V) {
  if (V.IsEmpty() || V.IsNull()) return AnsiString();
  return V.ToAnsiString();
}

// CR LF and a lone CR count as LF in the hash: a value's line breaks come
// back from a configuration string as CR LF whatever they were written as.
UnicodeString WithLfLineEnds(const UnicodeString& S) {
  UnicodeString out;
  out.reserve(S.size());
  const size_t n = S.size();
  for (size_t i = 0; i < n; ++i) {
    if (S[i] == u'\r') {
      out += u'\n';
      if (i + 1 < n && S[i + 1] == u'\n') ++i;
    } else {
      out += S[i];
    }
  }
  return out;
}

}  // namespace

TkxConfigTools::TkxConfigTools() = default;
TkxConfigTools::~TkxConfigTools() = default;

// ---- Names and keys -------------------------------------------------------------

UnicodeString TkxConfigTools::TrimPathSlashes(const UnicodeString& S) {
  std::u16string_view v = TrimWhiteSpace(S);
  if (!v.empty() && v.front() == u'/') v = TrimWhiteSpace(v.substr(1));
  return UnicodeString(v);
}

void TkxConfigTools::SplitConfigPath(const UnicodeString& S, TWideStringArray& List) {
  List.clear();
  const UnicodeString path = TrimPathSlashes(S);
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'/', start);
    if (end == UnicodeString::npos) end = path.size();
    if (end > start) List.push_back(path.substr(start, end - start));
    start = end + 1;
  }
}

UnicodeString TkxConfigTools::PrefixNumericName(const UnicodeString& S) {
  return !S.empty() && S[0] >= u'0' && S[0] <= u'9' ? u"_" + S : S;
}

UnicodeString TkxConfigTools::PrefixXmlName(const UnicodeString& S) {
  return UpperText(S.substr(0, 3)) == u"XML" ? u"_" + S : S;
}

UnicodeString TkxConfigTools::GetSafeNodeName(const UnicodeString& S) {
  UnicodeString s = TrimPathSlashes(S);
  for (char16_t& c : s)
    if (c == u' ' || c == u':') c = u'_';
  if (s.empty()) return s;
  if (s.find(u'/') == UnicodeString::npos) return PrefixXmlName(PrefixNumericName(s));
  TWideStringArray segments;
  SplitConfigPath(s, segments);
  UnicodeString result;
  for (const UnicodeString& segment : segments) {
    if (!result.empty()) result += u'/';
    result += PrefixXmlName(PrefixNumericName(segment));
  }
  return result;
}

// The element name of one segment as the writer uses it. The segment is
// made safe as it stands, not trimmed: a blank at the edge of an inner
// segment ("x/ a") becomes "_" as in the parameter's key, and the Name
// attribute carries the segment as written, so the reader finds the same
// key again. Changed tells whether the name differs from the segment.
UnicodeString TkxConfigTools::GetSafeNodeNameEx(const UnicodeString& S, bool& Changed) {
  UnicodeString s = S;
  for (char16_t& c : s)
    if (c == u' ' || c == u':') c = u'_';
  s = PrefixXmlName(PrefixNumericName(s));
  Changed = s != S;
  return s;
}

UnicodeString TkxConfigTools::LookupKey(const UnicodeString& Name) {
  return UpperText(GetSafeNodeName(Name));
}

// ---- The list -------------------------------------------------------------------------

int32_t TkxConfigTools::GetFreeConfigPart(TkxConfigList& CfgList, size_t From) {
  for (size_t i = From; i < CfgList.size(); ++i)
    if (!CfgList[i].Active) return static_cast<int32_t>(i);
  const size_t first = CfgList.size();
  CfgList.resize(first == 0 ? 100 : first * 2);
  return static_cast<int32_t>(first);
}

void TkxConfigTools::TrimConfigList(TkxConfigList& CfgList) {
  for (size_t i = CfgList.size(); i > 0; --i) {
    if (CfgList[i - 1].Active) {
      CfgList.resize(i);
      return;
    }
  }
}

bool TkxConfigTools::HasPathParams(const TkxConfigList& CfgList) {
  for (const TkxConfigPart& part : CfgList)
    if (part.Param.find(u'/') != UnicodeString::npos) return true;
  return false;
}

int32_t TkxConfigTools::FindParam(const TkxConfigList& CfgList, const UnicodeString& Key) {
  for (size_t i = 0; i < CfgList.size(); ++i)
    if (CfgList[i].Active && CfgList[i].SORTL == Key) return static_cast<int32_t>(i);
  return -1;
}

bool TkxConfigTools::ClearConfig() {
  for (TkxConfigPart& part : ConfigList) part.Active = false;
  ConfigList.clear();
  return true;
}

bool TkxConfigTools::InitList(TkxConfigList& CfgList, int32_t ItemCount) {
  if (ItemCount < 0) return false;
  CfgList.resize(static_cast<size_t>(ItemCount));
  return true;
}

bool TkxConfigTools::InitList(int32_t ItemCount) { return InitList(ConfigList, ItemCount); }

int32_t TkxConfigTools::AddConfigParam(const UnicodeString& Param, const Variant& Value,
                                       bool Binary, bool Replace) {
  try {
    const UnicodeString key = LookupKey(Param);
    if (key.empty()) return -1;
    int32_t id = -1;
    if (!AllowMultiParams || Replace) id = FindParam(ConfigList, key);
    if (id < 0) id = GetFreeConfigPart(ConfigList);
    TkxConfigPart& part = ConfigList[static_cast<size_t>(id)];
    part.Active = true;
    part.Param = TrimPathSlashes(Param);
    part.SORTL = key;
    part.Value = Value;
    part.Binary = Binary;
    return id;
  } catch (...) {
    return -1;
  }
}

int32_t TkxConfigTools::AddConfigParam(const TWideStringArray& Param, const Variant& Value,
                                       bool Binary, bool Replace) {
  return AddConfigParam(GetPathString(Param, false), Value, Binary, Replace);
}

int32_t TkxConfigTools::AddConfigParam(TkxConfigList& CfgList, const UnicodeString& Param,
                                       const Variant& Value, bool Binary) {
  try {
    const UnicodeString p = TrimPathSlashes(Param);
    if (p.empty()) return -1;
    const int32_t id = GetFreeConfigPart(CfgList);
    TkxConfigPart& part = CfgList[static_cast<size_t>(id)];
    part.Active = true;
    part.Param = p;
    part.SORTL = LookupKey(p);
    part.Value = Value;
    part.Binary = Binary;
    return id;
  } catch (...) {
    return -1;
  }
}

bool TkxConfigTools::AddBlobConfigParam(const UnicodeString& Param, const AnsiString& FileName) {
  try {
    const UnicodeString p = TrimPathSlashes(Param);
    if (p.empty()) return false;
    AnsiString bytes;
    if (!TkxFiles::LoadFileToString(ToUtf16(FileName), bytes)) return false;
    const int32_t id = GetFreeConfigPart(ConfigList);
    TkxConfigPart& part = ConfigList[static_cast<size_t>(id)];
    part.Active = true;
    part.Param = p;
    part.SORTL = LookupKey(p);
    part.Value = Variant::FromString(std::move(bytes));
    part.Binary = true;
    return true;
  } catch (...) {
    return false;
  }
}

bool TkxConfigTools::AddAttribute(TkxConfigList& CfgList, int32_t ConfigId,
                                  const UnicodeString& Attribute, const Variant& Value) {
  try {
    const UnicodeString upper = UpperText(Attribute);
    if (upper == u"TYPE" || (upper == u"NAME" && !AllowNameAttribute)) return false;
    if (ConfigId < 0 || static_cast<size_t>(ConfigId) >= CfgList.size()) return false;
    TkxAttributes& attributes = CfgList[static_cast<size_t>(ConfigId)].Attributes;
    for (const TkxAttribute& a : attributes)
      if (a.Name == Attribute) return true;
    attributes.push_back({Attribute, Value});
    return true;
  } catch (...) {
    return false;
  }
}

bool TkxConfigTools::AddAttribute(int32_t ConfigId, const UnicodeString& Attribute,
                                  const Variant& Value) {
  return AddAttribute(ConfigList, ConfigId, Attribute, Value);
}

UnicodeString TkxConfigTools::GetPathString(const TWideStringArray& Param, bool Prepare) {
  UnicodeString path;
  for (const UnicodeString& element : Param) {
    if (element.empty()) continue;
    path += u'/';
    path += TrimPathSlashes(element);
  }
  return Prepare ? TrimPathSlashes(path) : path;
}

// ---- Value texts and the change-protection hash ------------------------------------------

UnicodeString TkxConfigTools::PrepareConfigValue(const Variant& Value) {
  return TkxTools::PrepareXMLStringW(TkxTypes::VarToStrExt(Value), false);
}

UnicodeString TkxConfigTools::ElementValueText(const Variant& Value, bool Enhanced) {
  if (IsWrittenAsString(Value)) return TkxXMLTools::PrepareString(VarToStr(Value), false, false);
  if (Enhanced) return PrepareConfigValue(Value);
  return kx::platform::XmlValueText(Value);
}

UnicodeString TkxConfigTools::AttributeValueText(const Variant& Value) {
  if (IsWrittenAsString(Value)) return TkxXMLTools::PrepareString(VarToStr(Value), false, false);
  return kx::platform::XmlValueText(Value);
}

// Decimal texts of a few constants, some computed, joined when asked for;
// the whole salt stands nowhere in the program.
UnicodeString TkxConfigTools::GetChangeProtectionSalt() {
  constexpr int32_t kSeed = 73;
  constexpr int32_t kYear = 1931;
  constexpr int32_t kParts[] = {kSeed,          kSeed * 29 + 11, kYear,          (kYear % 89) * 7,
                                4,              kSeed * kSeed - 3, 608,          (kYear ^ kSeed) % 1000};
  UnicodeString salt;
  for (const int32_t part : kParts) salt += IntToStr(part);
  return salt;
}

// Each attribute counts with the text written for it (a Boolean as "true",
// as the reader sees it), not with its value's own text.
AnsiString TkxConfigTools::GetChangeProtectionHash(const TkxConfigList& CfgList) {
  UnicodeString text;
  for (const TkxConfigPart& part : CfgList) {
    if (!part.Active) continue;
    text += part.Param;
    text += PrepareConfigValue(part.Value);
    for (const TkxAttribute& a : part.Attributes) {
      text += a.Name;
      text += AttributeValueText(a.Value);
    }
  }
  text = WithLfLineEnds(text);
  text += GetChangeProtectionSalt();
  return TkxMD5::GetMD5FromString(ToUtf8(text));
}

int32_t TkxConfigTools::CheckChangeProtectionHash(const UnicodeString& Stored,
                                                  const TkxConfigList& CfgList) {
  auto blankOrControl = [](char16_t c) { return c <= 0x20 || (c >= 0x7F && c <= 0x9F); };
  if (std::all_of(Stored.begin(), Stored.end(), blankOrControl)) return 2;
  return ToUtf16(GetChangeProtectionHash(CfgList)) == Stored ? 0 : 1;
}

// ---- The writer ----------------------------------------------------------------------------

AnsiString TkxConfigTools::BuiltConfigString(const TkxConfigList& CfgList,
                                             const UnicodeString& ConfigType, bool Compress,
                                             bool Enhanced, bool NodeNameByAttrib) {
  try {
    if (NodeNameByAttrib && HasPathParams(CfgList))
      throw Exception(u"node paths and nodenamebyattribute is not supported");
    XmlDocument doc;
    XmlElement root = doc.AddDocumentElement(ConfigType);
    root.SetAttribute(u"FormatVersion", kxCfgFormatVersionTexts[kxFV_20]);
    root.SetAttribute(u"Compressed", Compress ? u"true" : u"false");
    root.SetAttribute(u"Encoding", Compress ? u"Base64" : u"none");
    if (ChangeProtection) root.SetAttribute(u"Hash", ToUtf16(GetChangeProtectionHash(CfgList)));

    TWideStringArray segments;
    for (const TkxConfigPart& part : CfgList) {
      if (!part.Active) continue;
      SplitConfigPath(part.Param, segments);
      if (segments.empty()) continue;
      XmlElement element;
      bool changed = false;
      if (segments.size() == 1) {
        // Every one-segment parameter has an element of its own, so
        // repeated names give repeated elements.
        if (NodeNameByAttrib) {
          element = root.AddChild(DefaultNodeName);
          element.SetAttribute(u"Name", segments[0]);
        } else {
          element = root.AddChild(GetSafeNodeNameEx(segments[0], changed));
          if (changed) element.SetAttribute(u"Name", segments[0]);
        }
      } else {
        // Parameters that share leading segments share their elements.
        element = root;
        for (const UnicodeString& segment : segments) {
          const UnicodeString name = GetSafeNodeNameEx(segment, changed);
          const XmlElement child = element.FindChild(name);
          if (child) {
            element = child;
          } else {
            element = element.AddChild(name);
            if (changed) element.SetAttribute(u"Name", segment);
          }
        }
      }
      if (part.Binary)
        element.SetAttribute(u"Type", u"BINARY");
      else if (Enhanced)
        element.SetAttribute(u"Type", TkxTypes::GetVarTypeStr(VarType(part.Value)));

      UnicodeString text;
      if (Compress) {
        const AnsiString bytes = part.Binary ? BinaryBytes(part.Value) : ToUtf8(VarToStr(part.Value));
        text = ToUtf16(TkxBase64::StrToBase64(TkxStrings::CompressString(bytes), true));
      } else if (part.Binary) {
        text = ToUtf16(TkxBase64::StrToBase64(BinaryBytes(part.Value), true));
      } else {
        text = ElementValueText(part.Value, Enhanced);
      }
      element.SetText(text);
      for (const TkxAttribute& a : part.Attributes)
        element.SetAttribute(a.Name, AttributeValueText(a.Value));
    }
    AnsiString result = doc.SaveToString();
    Message.clear();
    return result;
  } catch (const Exception& e) {
    Message = e.Message;
    throw;
  } catch (const std::exception& e) {
    Message = ToUtf16(e.what());
    throw;
  }
}

AnsiString TkxConfigTools::BuiltConfigString(const UnicodeString& ConfigType, bool Compress,
                                             bool Enhanced, bool NodeNameByAttrib) {
  return BuiltConfigString(ConfigList, ConfigType, Compress, Enhanced, NodeNameByAttrib);
}

bool TkxConfigTools::SaveConfig(const UnicodeString& FileName, const UnicodeString& ConfigType,
                                bool Compress, bool Enhanced) {
  const AnsiString config = BuiltConfigString(ConfigType, Compress, Enhanced, false);
  return TkxFiles::SaveStringToFile(FileName, config, false, false, AnsiString());
}
