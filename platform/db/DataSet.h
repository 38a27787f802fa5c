// platform/db/DataSet.h — statements on a Connection: DataSet for those
// that give rows, Command for the others, InsertRow to append one row.
//
// Parameters are written ":NAME" in the statement (platform/db/SqlText.h):
// names compare without regard to case, a name used twice binds its value
// twice, and a marker without a value raises when the statement runs.
//
//   db::DataSet q(*c, u"SELECT id, name FROM t WHERE kind = :KIND ORDER BY id");
//   q.SetParam(u"KIND", Variant::FromInteger(2));
//   for (q.Open(); !q.Eof(); q.Next())
//     Use(q.FieldByName(u"ID").AsInteger(), q.FieldByName(u"name").AsString());
//
// A data set fetches every row when it opens and releases the statement
// before Open returns, so an open data set never holds a cursor or a lock
// (a COMMIT or another statement on the connection can follow at once).
// The connection must outlive its data sets and commands.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/db/Connection.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace kx::platform::db {

// The parameter values of a statement, by name.
class Parameters {
 public:
  // Sets (or replaces) the value of the parameter Name.
  void Set(const UnicodeString& Name, const Variant& Value);
  // The value of Name; nullptr when none was set.
  const Variant* Find(const UnicodeString& Name) const;
  void Clear() { values_.clear(); }

 private:
  std::vector<std::pair<UnicodeString, Variant>> values_;  // folded name, value
};

class DataSet;

// One column of a data set, read on the current row. Reading a field of a
// data set that is not open or has no current row raises.
class Field {
 public:
  const UnicodeString& FieldName() const;
  const Variant& Value() const;
  bool IsNull() const { return Value().IsNull(); }
  // "" for NULL; otherwise the value's text (Variant's rules).
  UnicodeString AsString() const;
  // 0 for NULL; otherwise the value converted (Variant's rules: a text that
  // is no number raises).
  int32_t AsInteger() const;

 private:
  friend class DataSet;
  Field(const DataSet& Owner, size_t Index) : owner_(&Owner), index_(Index) {}
  const DataSet* owner_;
  size_t index_;
};

class DataSet {
 public:
  explicit DataSet(Connection& C, UnicodeString Sql = UnicodeString());
  DataSet(const DataSet&) = delete;
  DataSet& operator=(const DataSet&) = delete;

  // The statement; changing it closes the data set.
  const UnicodeString& SQL() const { return sql_; }
  void SetSQL(const UnicodeString& Sql);
  Parameters& Params() { return params_; }
  DataSet& SetParam(const UnicodeString& Name, const Variant& Value) {
    params_.Set(Name, Value);
    return *this;
  }

  // Prepares the statement, binds the parameters, runs it, fetches every row
  // and releases the statement; the first row (if any) becomes current.
  // Opening an open data set runs the statement again.
  void Open();
  void Close();
  bool Active() const { return active_; }

  // Rows fetched by Open (what the statement delivered, never a driver's
  // count of affected rows).
  int32_t RecordCount() const { return static_cast<int32_t>(rows_); }
  bool Eof() const { return !active_ || row_ >= rows_; }
  bool Bof() const { return !active_ || row_ == 0; }
  void First() { row_ = 0; }
  void Last() { row_ = rows_ == 0 ? 0 : rows_ - 1; }
  void Next() {
    if (row_ < rows_) ++row_;
  }
  void Prior() {
    if (row_ > 0) --row_;
  }
  // 1-based number of the current row; 0 when there is none.
  int32_t RecNo() const { return Eof() ? 0 : static_cast<int32_t>(row_ + 1); }

  // The columns in the statement's order, also when no row came.
  int32_t FieldCount() const { return static_cast<int32_t>(names_.size()); }
  const std::vector<UnicodeString>& FieldNames() const { return names_; }
  Field Fields(int32_t Index) const;
  // The column Name, compared without regard to case (the first of equal
  // names); FieldByName raises "field NAME not found", FindField answers
  // nullopt.
  Field FieldByName(const UnicodeString& Name) const;
  std::optional<Field> FindField(const UnicodeString& Name) const;

 private:
  friend class Field;
  const Variant& ValueAt(size_t Column) const;
  int32_t IndexOf(const UnicodeString& Name) const;

  Connection& connection_;
  UnicodeString sql_;
  Parameters params_;
  bool active_ = false;
  std::vector<UnicodeString> names_;
  std::vector<Variant> values_;
  size_t rows_ = 0;
  size_t row_ = 0;
};

// A statement that gives no rows (INSERT, UPDATE, DELETE, DDL).
class Command {
 public:
  explicit Command(Connection& C, UnicodeString Sql = UnicodeString())
      : connection_(C), sql_(std::move(Sql)) {}

  const UnicodeString& SQL() const { return sql_; }
  void SetSQL(const UnicodeString& Sql) { sql_ = Sql; }
  Parameters& Params() { return params_; }
  Command& SetParam(const UnicodeString& Name, const Variant& Value) {
    params_.Set(Name, Value);
    return *this;
  }

  // Runs the statement; the number of rows it matched (an UPDATE counts a
  // row that already held the values too, on every engine; 0 or -1 where
  // the driver cannot tell, as for DDL). Without parameters, a SQLite
  // statement text may hold several statements, run in turn.
  int64_t Execute();

 private:
  Connection& connection_;
  UnicodeString sql_;
  Parameters params_;
};

// Appends one row to Table and sets its fields by name ("append, set fields
// by name, post"). Names match the table's columns without regard to case
// and are quoted as the database spells them (PostgreSQL folds unquoted names
// to lower case); a name that is no column raises. Columns not named get
// their defaults. Table is put into the statement as given.
void InsertRow(Connection& C, const UnicodeString& Table,
               const std::vector<std::pair<UnicodeString, Variant>>& Values);

}  // namespace kx::platform::db
