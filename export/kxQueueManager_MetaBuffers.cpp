// export/kxQueueManager_MetaBuffers.cpp — readers of the field and table
// buffers of a queue record.
#include "export/kxQueueManager_MetaBuffers.h"

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/StringList.h"
#include "system/kxConfigTools.h"
#include "system/kxTypes_Variant.h"

using kx::platform::XmlElement;

namespace {

double CappedConfidence(double Value) { return Value < 100.0 ? Value : 100.0; }

// A configuration parameter's attribute; present-but-empty counts as empty.
Variant Attr(TkxConfigTools& Cfg, int32_t Id, const char16_t* Name, const Variant& Default) {
  return Cfg.GetAttribute(Id, Name, Default, true);
}

UnicodeString AttrText(TkxConfigTools& Cfg, int32_t Id, const char16_t* Name,
                       const UnicodeString& Default) {
  return TkxTypes::VarToStr(Attr(Cfg, Id, Name, Variant::FromUString(Default)));
}

// Value, type, confidence, page and zone of a field or an alternative.
template <class T>
void FillValue(TkxConfigTools& Cfg, int32_t Id, T& Target) {
  Target.Value = TkxTypes::VarToStr(Cfg.ConfigList[static_cast<size_t>(Id)].Value);
  Target.VarType = TkxTypes::GetVarTypeFromStr(AttrText(Cfg, Id, u"DataType", u""), varOleStr);
  Target.VarValue = TkxTypes::StrToVarExt(Target.Value, Target.VarType);
  Target.Confidence =
      CappedConfidence(TkxTypes::VarToFloat(Attr(Cfg, Id, u"Confidence", Variant::FromInteger(100))));
  Target.Page = TkxTypes::VarToInteger(Attr(Cfg, Id, u"Page", Variant::FromInteger(0)));
  Target.Zone = ZoneStrToRelRect(ToUtf8(AttrText(Cfg, Id, u"Zone", u"0,0,0,0")));
}

std::vector<XmlElement> ChildElements(const XmlElement& Parent) {
  std::vector<XmlElement> result;
  if (!Parent) return result;
  for (const auto& node : Parent.ChildNodes())
    if (XmlElement e = node.AsElement()) result.push_back(e);
  return result;
}

// Confidence, page and zone of a row or a cell.
template <class T>
void FillTableAttributes(const XmlElement& Node, T& Target) {
  Target.Confidence = CappedConfidence(
      TkxTypes::VarToFloat(GetMetaTableAttribute(Node, "Confidence", Variant::FromInteger(100))));
  Target.Page =
      TkxTypes::VarToInteger(GetMetaTableAttribute(Node, "Page", Variant::FromInteger(0)));
  Target.Zone = ZoneStrToRelRect(ToUtf8(
      TkxTypes::VarToStr(GetMetaTableAttribute(Node, "Zone", Variant::FromUString(u"0,0,0,0")))));
}

}  // namespace

TkxMetaData ParseMetaDataBuffer(const AnsiString& Buffer) {
  TkxMetaData result;
  TkxConfigTools cfg;
  UnicodeString root;
  if (!cfg.ParseConfigString(Buffer, root, false))
    throw Exception(u"metadata xml parser exception (" + cfg.Message + u")");

  TStringList names;
  cfg.GetNodeElements(u"/", names, false);
  result.resize(static_cast<size_t>(names.Count()));
  for (int32_t i = 0; i < names.Count(); ++i) {
    const UnicodeString name = names[i];
    const int32_t id = cfg.GetConfigParamListId(name);
    if (id < 0) continue;  // only deeper parameters carry this name
    TkxMetaField& field = result[static_cast<size_t>(i)];
    field.IntField = name;
    field.ExtField = AttrText(cfg, id, u"ExternalId", name);
    FillValue(cfg, id, field);

    // The platform's strict conversion: "1.5" or "x" raise.
    const int32_t count = Attr(cfg, id, u"Alternatives", Variant::FromInteger(0)).ToInteger();
    // Every slot costs memory whether or not its parameter exists, so a
    // count that no buffer of this size could describe is refused.
    if (count < 0 || static_cast<uint64_t>(count) > Buffer.size())
      throw EConvertError(u"invalid number of alternatives " + IntToStr(count));
    field.Alternatives.resize(static_cast<size_t>(count));
    for (int32_t j = 0; j < count; ++j) {
      const int32_t altId = cfg.GetConfigParamListId(
          cfg.GetPathString({name, u"Alternatives", u"A" + IntToStr(j)}, false));
      if (altId >= 0) FillValue(cfg, altId, field.Alternatives[static_cast<size_t>(j)]);
    }
  }
  return result;
}

TkxMetaTableData ParseMetaTableDataBuffer(const AnsiString& Buffer) {
  TkxMetaTableData result;
  if (Buffer.empty()) return result;
  const kx::platform::XmlDocument doc = kx::platform::XmlDocument::Load(Buffer);
  const XmlElement root = doc.DocumentElement();
  if (!root) return result;

  for (const XmlElement& column : ChildElements(root.FindChild(u"Header"))) {
    TkxMetaTableDataHeaderField field;
    field.Name = column.Text();
    field.ExtName = column.HasAttribute(u"ExternalId") ? column.GetAttribute(u"ExternalId")
                                                       : field.Name;
    field.VarType = TkxTypes::GetVarTypeFromStr(column.GetAttribute(u"DataType"), varOleStr);
    result.Header.push_back(std::move(field));
  }

  for (const XmlElement& rowNode : ChildElements(root.FindChild(u"Rows"))) {
    TkxMetaTableDataRow row;
    row.Columns.resize(result.Header.size());
    FillTableAttributes(rowNode, row);
    for (const XmlElement& cellNode : ChildElements(rowNode)) {
      // A missing "Id" reads as Null, which the strict conversion refuses.
      const Variant idValue = cellNode.HasAttribute(u"Id")
                                  ? Variant::FromUString(cellNode.GetAttribute(u"Id"))
                                  : Variant::Null();
      const int32_t id = idValue.ToInteger();
      if (id < 0 || static_cast<size_t>(id) >= row.Columns.size()) continue;
      TkxMetaTableDataColumnField& cell = row.Columns[static_cast<size_t>(id)];
      cell.Value = TkxTypes::StrToVarExt(cellNode.Text(), result.Header[static_cast<size_t>(id)].VarType);
      FillTableAttributes(cellNode, cell);
    }
    result.Rows.push_back(std::move(row));
  }
  return result;
}

Variant GetMetaTableAttribute(const XmlElement& Node, const AnsiString& AttributeName,
                              const Variant& Default) {
  const UnicodeString name = ToUtf16(AttributeName);
  if (!Node.HasAttribute(name)) return Default;
  return TkxTypes::StrToVarExt(Node.GetAttribute(name), TkxTypes::GetVarType(Default));
}
