// TkxConfigManager: property queries (the values under a node or a sub-tree
// as TProperties), writing such a list back, the list operations by name,
// and context help.
#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxADO.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxTypes_Variant.h"
#include "text/kxConversion.h"
#include "text/kxStrings_CharClass.h"

using namespace kxConfigDetail;

namespace {

constexpr char16_t kTree[] = u"TREE";

// The name as a whole number, 0 if none, kept in 32 bits.
uint32_t NumberKey(const UnicodeString& Text) {
  return static_cast<uint32_t>(TkxConversion::StrToInt(Text, 0));
}

TDataTypeStr TypeNameOf(const Variant& Value) {
  return TDataTypeStr(ToUtf8(TkxTypes::GetVarTypeStr(Value.VarType())));
}

}  // namespace

// ---- Queries ----------------------------------------------------------------------------

bool TkxConfigManager::GetNodeProperties(const UnicodeString& Key, TProperties& Properties,
                                         bool WithValues, bool Raw, bool CanCreate,
                                         const UnicodeString& PropertyPrefix, char /*ValueSeparator*/,
                                         bool ExtendList, bool WithBinaries, bool AllowDuplicates) {
  Message.Clear();
  const UnicodeString pattern = PropertyPrefix + u"%";
  if (!ExtendList) Properties.clear();
  try {
    const UnicodeString visKey = Convert2VisKey(Key);
    const TIdType id = GetParentTreeId(visKey, CanCreate, false);
    if (IsTIdStringEmpty(id)) return !CanCreate;

    const bool v2 = TableStructureType == TST_V2;
    UnicodeString sql;
    if (v2)
      sql = WithValues ? u"SELECT ID,DATATYPE,KEYNAME,KEYVALUE,DIMENSION,CHANGEUSER,CHANGEDATE FROM "
                       : u"SELECT ID,DATATYPE,KEYNAME,DIMENSION,CHANGEUSER,CHANGEDATE FROM ";
    else
      sql = WithValues ? u"SELECT ID,DATATYPE,KEYNAME,KEYVALUE FROM " : u"SELECT ID,DATATYPE,KEYNAME FROM ";
    std::vector<std::pair<UnicodeString, Variant>> params = {
        {u"PARENTID", IdValue(id)}, {u"DATATYPE", TextValue(kTree)}, {u"NAMEPREFIX", TextValue(pattern)}};
    if (WithValues && !WithBinaries) {
      sql += CfgTabName +
             u" WHERE PARENTID = :PARENTID AND NOT(DATATYPE = :DATATYPE) AND NOT(DATATYPE = :BINDATATYPE)"
             u" AND KEYNAME LIKE :NAMEPREFIX ORDER BY KEYNAME";
      params.emplace_back(u"BINDATATYPE", TextValue(u"BINARY"));
    } else {
      sql += CfgTabName +
             u" WHERE PARENTID = :PARENTID AND NOT(DATATYPE = :DATATYPE) AND KEYNAME LIKE :NAMEPREFIX"
             u" ORDER BY KEYNAME";
    }

    size_t next = Properties.size();
    bool sized = false;
    ReadRows(sql, params, [&] {
      if (!sized) {
        Properties.resize(next + static_cast<size_t>(ADODataSet->RecordCount()));
        sized = true;
      }
      TProperty entry;
      entry.Name = TrimName(FieldText(u"KEYNAME"));
      entry.SORTL = UpperText(entry.Name);
      entry.SORTLN = NumberKey(entry.Name);
      entry.Id = IdOf(TrimName(FieldText(u"ID")));
      entry.DataType = TDataTypeStr(ToUtf8(TrimName(FieldText(u"DATATYPE"))));
      entry.Path = visKey;
      if (v2) {
        entry.User = TrimName(FieldText(u"CHANGEUSER"));
        const Variant changed = ADODataSet->FieldByName(u"CHANGEDATE").Value();
        if (!changed.IsNull() && !changed.IsEmpty()) entry.Changed = changed.ToDateTime();
        entry.Dimension = TrimName(FieldText(u"DIMENSION"));
      }
      if (!WithValues)
        entry.Value = Variant::Null();
      else if (Raw)
        entry.Value = TextValue(FieldText(u"KEYVALUE"));
      else
        entry.Value = TkxTypes::StrToVarExt(FieldText(u"KEYVALUE"), FieldText(u"DATATYPE"));

      size_t index = next;
      if (ExtendList && !AllowDuplicates) {
        for (size_t i = 0; i < next; ++i) {
          if (Properties[i].Name == entry.Name) {
            index = i;
            break;
          }
        }
      }
      if (index == next) ++next;
      Properties[index] = std::move(entry);
    });
    Properties.resize(next);
    return true;
  } catch (const Exception& e) {
    HandleError(e);
    return false;
  }
}

bool TkxConfigManager::GetRecursiveNodeProperties(const UnicodeString& Key, TProperties& Properties,
                                                  bool WithValues, bool AddRelativePaths) {
  TConfigNodes nodes;
  GetRecursiveChildNodes(Key, nodes, true, true, true);
  for (const TConfigNode& node : nodes)
    GetNodeProperties(node.Key, Properties, WithValues, false, true, UnicodeString(), ' ', true, true, true);
  if (AddRelativePaths) {
    const size_t cut = Convert2VisKey(Key).size();
    for (TProperty& entry : Properties)
      entry.Path = entry.Path.size() > cut ? entry.Path.substr(cut) : UnicodeString();
  }
  return true;
}

bool TkxConfigManager::GetNodeSubProperties(const UnicodeString& Key, TProperties& Properties,
                                            const UnicodeString& PropertyPrefix, bool WithValues,
                                            bool NumSort) {
  TProperties all;
  if (!GetNodeProperties(Key, all, WithValues, false, false, PropertyPrefix, ' ', false, true, false))
    return false;
  try {
    Properties.clear();
    const size_t n = PropertyPrefix.size();
    for (TProperty& entry : all) {
      if (entry.Name.size() <= n) continue;
      const char16_t sep = entry.Name[n];
      const bool separated = sep == u' ' || sep == u'_';
      UnicodeString rest = TrimKey(entry.Name.substr(n));
      const bool taken =
          n == 0 || (!rest.empty() && (separated || TkxStrings::IsNumeric(rest, false, false)));
      if (!taken) continue;
      if (separated) rest = TrimKey(entry.Name.substr(n + 1));
      entry.SORTL = UpperText(entry.Name);
      entry.SORTLN = NumberKey(rest);
      entry.SubName = std::move(rest);
      Properties.push_back(std::move(entry));
    }
    bool numbered = false;
    for (const TProperty& entry : Properties) numbered = numbered || entry.SORTLN != 0;
    if (NumSort && Properties.size() >= 2 && numbered) {
      for (bool swapped = true; swapped;) {
        swapped = false;
        for (size_t i = 1; i < Properties.size(); ++i) {
          if (Properties[i].SORTLN < Properties[i - 1].SORTLN) {
            std::swap(Properties[i], Properties[i - 1]);
            swapped = true;
          }
        }
      }
    }
    return true;
  } catch (const Exception& e) {
    Message = e.Message;
    RaiseException(Message);
    return false;
  }
}

bool TkxConfigManager::SaveNodeProperties(const UnicodeString& Key, TProperties& Properties,
                                          bool ForceDataType, bool UsePropertyPath,
                                          const TProgressCallBackProc& CallBack) {
  Message.Clear();
  try {
    const UnicodeString visKey = Convert2VisKey(Key);
    UnicodeString target = visKey;
    for (const TProperty& entry : Properties) {
      if (UsePropertyPath) target = visKey.empty() ? entry.Path : visKey + entry.Path;
      if (CallBack) CallBack(target + u"/" + entry.Name);
      if (ForceDataType)
        SetConfigValue(target, entry.Name, entry.Value, entry.DataType);
      else
        SetConfigValue(target, entry.Name, entry.Value);
    }
    return true;
  } catch (const Exception& e) {
    Message = e.Message;
    RaiseException(Message);
    return false;
  }
}

// ---- Lists ------------------------------------------------------------------------------

int32_t TkxConfigManager::GetPropertyIdByName(const UnicodeString& Name, const TProperties& Properties) {
  const UnicodeString upper = UpperText(Name);
  for (size_t i = 0; i < Properties.size(); ++i)
    if (Properties[i].SORTL == upper) return static_cast<int32_t>(i);
  return -1;
}

Variant TkxConfigManager::GetPropertyValueByName(const UnicodeString& Name, const Variant& Default,
                                                 TProperties& Properties, bool Extend) {
  const int32_t index = GetPropertyIdByName(Name, Properties);
  if (index >= 0) return Properties[static_cast<size_t>(index)].Value;
  if (Extend) {
    TProperty entry;
    entry.Id = TkxTools::CreateId();
    entry.Name = Name;
    entry.SORTL = UpperText(Name);
    entry.SORTLN = NumberKey(Name);
    entry.Value = Default;
    entry.DataType = TypeNameOf(Default);
    entry.User = Username;
    entry.Changed = NowTime();
    Properties.push_back(std::move(entry));
  }
  return Default;
}

Variant TkxConfigManager::GetPropertyValueByName(const UnicodeString& Name, const Variant& Default,
                                                 TProperties& Properties, TProperties& DefaultProperties) {
  const Variant fallback = GetPropertyValueByName(Name, Default, DefaultProperties, false);
  const int32_t index = GetPropertyIdByName(Name, Properties);
  return index >= 0 ? Properties[static_cast<size_t>(index)].Value : fallback;
}

bool TkxConfigManager::SetPropertyValueByName(const UnicodeString& Name, const UnicodeString& SubName,
                                              const Variant& Value, TProperties& Properties) {
  const int32_t index = GetPropertyIdByName(Name, Properties);
  if (index < 0) Properties.emplace_back();
  TProperty& entry = index < 0 ? Properties.back() : Properties[static_cast<size_t>(index)];
  entry.Name = Name;
  entry.SubName = SubName;
  entry.SORTL = UpperText(Name);
  entry.Value = Value;
  entry.DataType = TypeNameOf(Value);
  entry.User = Username;
  entry.Changed = NowTime();
  return index >= 0;
}

bool TkxConfigManager::SetPropertyValueByName(const UnicodeString& Name, const Variant& Value,
                                              TProperties& Properties) {
  return SetPropertyValueByName(Name, UnicodeString(), Value, Properties);
}

bool TkxConfigManager::DeletePropertyValueByName(const UnicodeString& Name, TProperties& Properties) {
  const int32_t index = GetPropertyIdByName(Name, Properties);
  if (index < 0) return false;
  Properties.erase(Properties.begin() + index);
  return true;
}

// ---- Context help -----------------------------------------------------------------------

bool TkxConfigManager::Check4ContextHelp(const UnicodeString& Key, UnicodeString& HelpBuffer,
                                         TContextHelpArea& CHArea) {
  CHArea = CH_None;
  try {
    ResolveClassKeyIds(false);
    const Variant none = TextValue(UnicodeString());
    HelpBuffer = VarToStr(GetConfigValue(IdText(KId_ClassesContextHelpSys), Key, none, false));
    if (!HelpBuffer.empty()) {
      CHArea = CH_System;
    } else {
      HelpBuffer = VarToStr(GetConfigValue(IdText(KId_ClassesContextHelpCus), Key, none, false));
      if (!HelpBuffer.empty()) CHArea = CH_Customer;
    }
    return !HelpBuffer.empty();
  } catch (const Exception& e) {
    Message = e.Message;
    HelpBuffer.clear();
    return false;
  }
}
