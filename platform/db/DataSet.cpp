#include "platform/db/DataSet.h"

#include "platform/db/SqlText.h"
#include "platform/rtl/CaseMapping.h"

namespace kx::platform::db {
namespace {

// The values of Scanned's markers, in order.
std::vector<Variant> Bind(const ScannedSql& Scanned, const Parameters& Params) {
  std::vector<Variant> values;
  values.reserve(Scanned.Names.size());
  for (const UnicodeString& name : Scanned.Names) {
    const Variant* value = Params.Find(name);
    if (value == nullptr) throw EDatabaseError(u"the parameter " + name + u" has no value");
    values.push_back(*value);
  }
  return values;
}

}  // namespace

void Parameters::Set(const UnicodeString& Name, const Variant& Value) {
  UnicodeString key = UpperText(Name);
  for (auto& [name, value] : values_) {
    if (name == key) {
      value = Value;
      return;
    }
  }
  values_.emplace_back(std::move(key), Value);
}

const Variant* Parameters::Find(const UnicodeString& Name) const {
  const UnicodeString key = UpperText(Name);
  for (const auto& [name, value] : values_)
    if (name == key) return &value;
  return nullptr;
}

const UnicodeString& Field::FieldName() const { return owner_->names_[index_]; }
const Variant& Field::Value() const { return owner_->ValueAt(index_); }

UnicodeString Field::AsString() const {
  const Variant& v = Value();
  return v.IsNull() ? UnicodeString() : v.ToString();
}

int32_t Field::AsInteger() const {
  const Variant& v = Value();
  return v.IsNull() ? 0 : v.ToInteger();
}

DataSet::DataSet(Connection& C, UnicodeString Sql) : connection_(C), sql_(std::move(Sql)) {}

void DataSet::SetSQL(const UnicodeString& Sql) {
  Close();
  sql_ = Sql;
}

void DataSet::Open() {
  Close();
  const ScannedSql scanned = ScanParameters(sql_);
  Connection::Result result;
  connection_.Query(scanned.Sql, Bind(scanned, params_), result);
  names_ = std::move(result.Names);
  values_ = std::move(result.Values);
  rows_ = result.RowCount;
  row_ = 0;
  active_ = true;
}

void DataSet::Close() {
  active_ = false;
  names_.clear();
  values_.clear();
  rows_ = row_ = 0;
}

const Variant& DataSet::ValueAt(size_t Column) const {
  if (!active_) throw EDatabaseError("the data set is not open");
  if (row_ >= rows_) throw EDatabaseError("the data set has no current row");
  return values_[row_ * names_.size() + Column];
}

int32_t DataSet::IndexOf(const UnicodeString& Name) const {
  const UnicodeString key = UpperText(Name);
  for (size_t i = 0; i < names_.size(); ++i)
    if (UpperText(names_[i]) == key) return static_cast<int32_t>(i);
  return -1;
}

Field DataSet::Fields(int32_t Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= names_.size())
    throw EDatabaseError("field index out of range");
  return Field(*this, static_cast<size_t>(Index));
}

Field DataSet::FieldByName(const UnicodeString& Name) const {
  const int32_t index = IndexOf(Name);
  if (index < 0) throw EDatabaseError(u"field " + Name + u" not found");
  return Field(*this, static_cast<size_t>(index));
}

std::optional<Field> DataSet::FindField(const UnicodeString& Name) const {
  const int32_t index = IndexOf(Name);
  if (index < 0) return std::nullopt;
  return Field(*this, static_cast<size_t>(index));
}

int64_t Command::Execute() {
  const ScannedSql scanned = ScanParameters(sql_);
  return connection_.Execute(scanned.Sql, Bind(scanned, params_));
}

void InsertRow(Connection& C, const UnicodeString& Table,
               const std::vector<std::pair<UnicodeString, Variant>>& Values) {
  if (Values.empty()) throw EDatabaseError("a row needs at least one field");
  Connection::Result columns;
  C.Query(u"SELECT * FROM " + Table + u" WHERE 1 = 0", {}, columns);
  const char16_t quote = C.IdentifierQuote();
  UnicodeString names, markers;
  std::vector<Variant> params;
  params.reserve(Values.size());
  for (const auto& [name, value] : Values) {
    const UnicodeString key = UpperText(name);
    const UnicodeString* column = nullptr;
    for (const UnicodeString& c : columns.Names)
      if (UpperText(c) == key) {
        column = &c;
        break;
      }
    if (column == nullptr) throw EDatabaseError(u"field " + name + u" not found");
    if (!names.empty()) {
      names += u", ";
      markers += u", ";
    }
    names.push_back(quote);
    for (const char16_t c : *column) {
      names.push_back(c);
      if (c == quote) names.push_back(c);
    }
    names.push_back(quote);
    markers.push_back(u'?');
    params.push_back(value);
  }
  C.Execute(u"INSERT INTO " + Table + u" (" + names + u") VALUES (" + markers + u")", params);
}

}  // namespace kx::platform::db
