#include "export/kxPluginTools.h"

#include <cmath>
#include <limits>
#include <new>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "system/kxFiles_Contents.h"
#include "system/kxTypes_Variant.h"
#include "text/kxConversion.h"
#include "text/kxStrings_Search.h"

namespace {

constexpr size_t npos = UnicodeString::npos;

// The seven bracket items: type name, Page, Left, Top, Width, Height, Confidence.
struct BracketItems {
  UnicodeString TypeName;
  int32_t Page = 0;
  TRelRect Zone;
  double Confidence = 100.0;
};

int32_t ToInt32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int64_t WholeNumber(const UnicodeString& text) { return TkxConversion::StrToInt(text, 0); }

// Splits Text at ","; Text is expected to end with "," so the last item counts.
std::vector<UnicodeString> CommaItems(const UnicodeString& text) {
  std::vector<UnicodeString> items;
  size_t start = 0;
  for (size_t comma = text.find(u','); comma != npos; comma = text.find(u',', start)) {
    items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

// Reads Page, Left, Top, Width, Height, Confidence from Items starting at First.
void ReadNumbers(const std::vector<UnicodeString>& items, size_t first, int32_t& page,
                 TRelRect& zone, double& confidence) {
  auto item = [&](size_t i) -> int64_t {
    return first + i < items.size() ? WholeNumber(items[first + i]) : 0;
  };
  page = ToInt32(item(0));
  zone.Left = static_cast<double>(item(1));
  zone.Top = static_cast<double>(item(2));
  zone.Width = static_cast<double>(item(3));
  zone.Height = static_cast<double>(item(4));
  zone.Right = zone.Left + zone.Width;
  zone.Bottom = zone.Top + zone.Height;
  const int64_t c = item(5);
  confidence = c < 100 ? static_cast<double>(c) : 100.0;
}

// Bracket text with one "," appended: all seven items.
BracketItems ReadSevenItems(const UnicodeString& bracketWithComma) {
  BracketItems out;
  const std::vector<UnicodeString> items = CommaItems(bracketWithComma);
  out.TypeName = items.empty() ? UnicodeString() : items[0];
  ReadNumbers(items, 1, out.Page, out.Zone, out.Confidence);
  return out;
}

// The head (before the first "=") and the value text of a field or cell text.
void SplitAtEquals(const UnicodeString& data, UnicodeString& head, UnicodeString& value) {
  const size_t eq = data.find(u'=');
  if (eq == npos) {
    head.clear();
    value = data;
  } else {
    head = data.substr(0, eq);
    value = data.substr(eq + 1);
  }
}

// The row number of a cell text, or -1 when the text is no whole number in
// range. StrToInt reads an unreadable text holding "." as 0, so such a text
// must first read as a number with a zero fraction.
int64_t CellRow(const UnicodeString& rowText) {
  if (rowText.find(u'.') != npos) {
    const double real =
        TkxConversion::StrToReal(rowText, false, std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(real) || real != std::trunc(real)) return -1;
  }
  const int64_t row = TkxConversion::StrToInt(rowText, -1);
  return row > TkxPluginTools::MaxTableRow ? -1 : row;
}

bool SameName(const UnicodeString& upperName, const UnicodeString& name) {
  return UpperText(name) == upperName;
}

// Runs Add, an adding operation: a platform error becomes Prefix, its text
// and ")" in Message, and the answer false.
template <class F>
bool Guarded(const char16_t* Prefix, UnicodeString& Message, F&& Add) {
  try {
    return Add();
  } catch (const Exception& e) {
    Message = UnicodeString(Prefix) + e.Message + u")";
  } catch (const std::bad_alloc&) {
    Message = UnicodeString(Prefix) + u"Out of memory" + u")";
  }
  return false;
}

}  // namespace

TkxPluginTools::TkxPluginTools() = default;

TkxPluginTools::~TkxPluginTools() = default;

bool TkxPluginTools::AddField(const UnicodeString& Name, const UnicodeString& Value) {
  return AddField(Name, Variant::FromOleStr(Value));
}

bool TkxPluginTools::AddField(const UnicodeString& Name, const Variant& Value) {
  return Guarded(u"add field exception (", Message, [&] {
    TkxPluginField field;
    field.Active = true;
    field.Name = Name;
    field.Value = Value;
    field.DataType = Value.VarType();
    field.Confidence = 100.0;
    Fields.push_back(std::move(field));
    Message.clear();
    return true;
  });
}

bool TkxPluginTools::AddField(const UnicodeString& Data) {
  return Guarded(u"add field exception (", Message, [&] {
    UnicodeString head, valueText;
    SplitAtEquals(Data, head, valueText);
    TkxPluginField field;
    field.Confidence = 100.0;
    UnicodeString typeName;
    const size_t bracket = head.find(u'[');
    if (bracket != npos) {
      const size_t close = head.find(u']', bracket + 1);
      const UnicodeString inner =
          close == npos ? UnicodeString() : head.substr(bracket + 1, close - bracket - 1);
      field.Name = UnicodeString(TrimBlanks(head.substr(0, bracket)));
      if (inner.find(u',') == npos) {
        typeName = inner;
      } else {
        const BracketItems items = ReadSevenItems(inner + u",");
        typeName = items.TypeName;
        field.Page = items.Page;
        field.Zone = items.Zone;
        field.Confidence = items.Confidence;
      }
    } else {
      field.Name = head;
    }
    field.DataType = TkxTypes::GetVarTypeFromStr(typeName, varOleStr);
    field.Value = TkxTypes::StrToVarExt(valueText, field.DataType);
    field.Active = true;
    Fields.push_back(std::move(field));
    Message.clear();
    return true;
  });
}

UnicodeString TkxPluginTools::GetFieldName(const UnicodeString& Data) {
  try {
    const size_t eq = Data.find(u'=');
    if (eq == npos) return UnicodeString();
    const UnicodeString head = Data.substr(0, eq);
    const size_t bracket = head.find(u'[');
    if (bracket == npos) return head;
    return UnicodeString(TrimBlanks(head.substr(0, bracket)));
  } catch (...) {
    return UnicodeString();
  }
}

UnicodeString TkxPluginTools::GetFieldValueStr(const UnicodeString& Data) {
  const size_t eq = Data.find(u'=');
  return eq == npos ? Data : Data.substr(eq + 1);
}

bool TkxPluginTools::ClearFields() {
  Fields.clear();
  Message.clear();
  return true;
}

int32_t TkxPluginTools::GetFieldCount() {
  Message.clear();
  return static_cast<int32_t>(Fields.size());
}

UnicodeString TkxPluginTools::GetFieldValueByName(const UnicodeString& FieldName,
                                                  const UnicodeString& Default) {
  Message.clear();
  const UnicodeString wanted = UpperText(FieldName);
  for (const TkxPluginField& field : Fields)
    if (field.Active && SameName(wanted, field.Name)) return VarToStr(field.Value);
  return Default;
}

bool TkxPluginTools::RemoveFieldByName(const UnicodeString& FieldName) {
  Message.clear();
  const UnicodeString wanted = UpperText(FieldName);
  for (TkxPluginField& field : Fields) {
    if (field.Active && SameName(wanted, field.Name)) {
      field.Active = false;
      field.Name.clear();
      field.Value = Variant::FromOleStr(UnicodeString());
      return true;
    }
  }
  return false;
}

bool TkxPluginTools::AddBlob(const UnicodeString& FileName, const RawByteString& BlobData,
                             bool Reference) {
  return AddBlob(FileName, BlobData, UnicodeString(), UnicodeString(), Reference);
}

bool TkxPluginTools::AddBlob(const UnicodeString& FileName, const RawByteString& BlobData,
                             const UnicodeString& BlobName, bool Reference) {
  return AddBlob(FileName, BlobData, BlobName, UnicodeString(), Reference);
}

bool TkxPluginTools::AddBlob(const UnicodeString& FileName, const RawByteString& BlobData,
                             const UnicodeString& BlobName, const UnicodeString& DocType,
                             bool Reference) {
  return Guarded(u"add blob exception (", Message, [&] {
    TkxPluginBlob blob;
    blob.FileName = FileName;
    blob.BlobData = BlobData;
    blob.BlobName = BlobName;
    blob.Reference = Reference;
    blob.DocType = DocType;
    blob.Size = !BlobData.empty() ? static_cast<int64_t>(BlobData.size())
                                  : TkxFiles::GetSizeOfFile(FileName);
    blob.Active = true;
    Blobs.push_back(std::move(blob));
    Message.clear();
    return true;
  });
}

bool TkxPluginTools::SetBlobName(const UnicodeString& BlobName, int32_t BlobId) {
  if (Blobs.empty()) return false;
  if (BlobId < 0) {
    Blobs.back().BlobName = BlobName;
    return true;
  }
  if (static_cast<size_t>(BlobId) >= Blobs.size()) return false;
  Blobs[static_cast<size_t>(BlobId)].BlobName = BlobName;
  return true;
}

bool TkxPluginTools::RemoveBlobById(int32_t BlobId) {
  Message.clear();
  if (BlobId < 0 || static_cast<size_t>(BlobId) >= Blobs.size()) return false;
  TkxPluginBlob& blob = Blobs[static_cast<size_t>(BlobId)];
  blob.Active = false;
  blob.FileName.clear();
  blob.BlobData.clear();
  blob.Reference = false;
  return true;
}

bool TkxPluginTools::ClearBlobs() {
  Blobs.clear();
  Message.clear();
  return true;
}

int32_t TkxPluginTools::GetBlobCount() {
  Message.clear();
  return static_cast<int32_t>(Blobs.size());
}

bool TkxPluginTools::ClearTable() {
  Table.clear();
  Message.clear();
  return true;
}

bool TkxPluginTools::AddTableField(const UnicodeString& Data) {
  return Guarded(u"add table field exception (", Message, [&] {
    UnicodeString head, valueText;
    SplitAtEquals(Data, head, valueText);
    UnicodeString column, rowText;
    BracketItems items;
    const size_t bracket = head.find(u'[');
    if (bracket != npos) {
      column = head.substr(0, bracket);
      const UnicodeString rest = head.substr(bracket + 1);
      const size_t rowMark = rest.find(u"],");
      rowText = rowMark != npos ? rest.substr(rowMark + 2) : (rest.empty() ? rest : rest.substr(1));
      const size_t close = rest.find(u']');
      items = ReadSevenItems((close == npos ? UnicodeString() : rest.substr(0, close)) + u",");
    } else {
      const size_t comma = head.find(u',');
      column = comma == npos ? UnicodeString() : head.substr(0, comma);
      rowText = comma == npos ? head : head.substr(comma + 1);
      items.TypeName = u"UCS2STR";
    }
    const int64_t row = CellRow(rowText);
    if (row < 0) {
      Message = u"add table field exception (invalid row number \"" + rowText + u"\")";
      return false;
    }
    const TVarType dataType = TkxTypes::GetVarTypeFromStr(items.TypeName, varOleStr);
    Variant value = TkxTypes::StrToVarExt(valueText, dataType);

    TkxTableRecord* record = nullptr;
    for (TkxTableRecord& r : Table)
      if (r.Column == column) {
        record = &r;
        break;
      }
    if (record == nullptr) {
      TkxTableRecord fresh;
      fresh.Column = column;
      fresh.DataType = varNull;
      Table.push_back(std::move(fresh));
      record = &Table.back();
    }
    const size_t index = static_cast<size_t>(row);
    if (index >= record->Values.size()) {
      record->Values.resize(index + 1);
      record->Cells.resize(index + 1);
    }
    if (dataType != varEmpty && dataType != varNull) record->DataType = dataType;
    record->Values[index] = std::move(value);
    record->Cells[index] = TkxCellRecord{items.Confidence, items.Zone, items.Page};
    Message.clear();
    return true;
  });
}

bool TkxPluginTools::AddTableRow(const UnicodeString& Data) {
  return Guarded(u"add table row exception (", Message, [&] {
    const size_t bracket = Data.find(u'[');
    if (bracket == npos) throw Exception(u"invalid row data");
    // The row number is the text before the first "=", empty when there is none.
    const size_t eq = Data.find(u'=');
    const int64_t row = StrToInt64(eq == npos ? UnicodeString() : Data.substr(0, eq));
    if (row < 0 || row > MaxTableRow)
      throw Exception(u"invalid row number " + IntToStr(row));
    const size_t close = Data.find(u']', bracket + 1);
    const UnicodeString inner =
        close == npos ? Data.substr(bracket + 1) : Data.substr(bracket + 1, close - bracket - 1);
    const std::vector<UnicodeString> items = CommaItems(inner + u",");
    TkxTableRow entry;
    entry.Row = static_cast<int32_t>(row);
    ReadNumbers(items, 0, entry.Page, entry.Zone, entry.Confidence);
    const size_t index = static_cast<size_t>(row);
    if (index >= TableRows.size()) TableRows.resize(index + 1);
    TableRows[index] = entry;
    Message.clear();
    return true;
  });
}

int32_t TkxPluginTools::GetTableRowCount() {
  return Table.empty() ? 0 : static_cast<int32_t>(Table.front().Values.size());
}

bool TkxPluginTools::Clear() {
  ClearFields();
  ClearTable();
  ClearBlobs();
  Title.clear();
  AppName.clear();
  return true;
}
