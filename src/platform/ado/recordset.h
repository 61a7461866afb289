// ADODB.Recordset: the rows of one statement, read into memory when it runs
// (so no lock is held while a page walks them), with a current position.
//
// A recordset opened with lock type 2, 3 or 4 on a query of one table is
// updatable: assigning fields and calling Update writes them back with
// UPDATE ... WHERE rowid=?, and AddNew + assignments + Update inserts just the
// assigned columns (so the table's DEFAULTs fill the rest). After Update the
// key column holds the row's key, and the other fields read as stored.
// Moving off a row with unsaved changes saves them first, as ADO does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vb/variant.h"

namespace ostrel::ado {

class Connection;
class Database;
struct ColumnSet;
class Recordset;

// CursorTypeEnum and LockTypeEnum (the values callers pass).
enum CursorType : int32_t {
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3
};
enum LockType : int32_t {
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4
};

// One field of the current row.
class Field {
 public:
  const std::string& Name() const;
  // The value in the current row; 3021 when there is none.
  const vb::Variant& Value() const;
  // Changes the value in the current row (updatable recordsets only).
  void SetValue(vb::Variant value) const;

 private:
  friend class Recordset;
  friend class FieldCollection;
  Field(Recordset* rs, int index) : rs_(rs), index_(index) {}
  Recordset* rs_;
  int index_;
};

// Recordset.Fields.
class FieldCollection {
 public:
  int32_t Count() const;
  // By name (any letter case) or by 0-based position; unknown: 3265.
  Field Item(std::string_view name) const;
  Field Item(int32_t index) const;
  Field Item(const vb::Variant& name_or_index) const;
  Field operator()(std::string_view name) const { return Item(name); }
  Field operator()(int32_t index) const { return Item(index); }

 private:
  friend class Recordset;
  explicit FieldCollection(Recordset* rs) : rs_(rs) {}
  Recordset* rs_;
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;

  // Runs sql on the connection. Lock types 2-4 make it updatable.
  void Open(std::string_view sql, const Connection& connection,
            int32_t cursor_type = adOpenForwardOnly, int32_t lock_type = adLockReadOnly);
  // Discards unsaved changes and the rows.
  void Close();
  int32_t State() const;

  // BOF and EOF of ADO (EOF is a macro of the C library, hence the spelling).
  bool Bof() const;
  bool Eof() const;
  // The number of rows (all rows are in memory, so it is always known).
  int32_t RecordCount() const;
  void MoveFirst();
  void MoveNext();
  // Moves n rows from the current one; past either end it stops at BOF/EOF.
  void Move(int32_t n);

  FieldCollection Fields() { return FieldCollection(this); }
  Field Fields(std::string_view name) { return FieldCollection(this).Item(name); }
  Field Fields(int32_t index) { return FieldCollection(this).Item(index); }
  // The default member: rs("name").
  Field operator()(std::string_view name) { return Fields(name); }

  // rows rows (-1: all) from the current one, as a 2-D array [column][row];
  // the position moves past them. 3021 at BOF or EOF.
  vb::Variant GetRows(int32_t rows = -1);

  void AddNew();
  void Update();
  void CancelUpdate();

 private:
  friend class Field;
  friend class FieldCollection;
  enum class EditMode { kNone, kEdit, kAdd };

  void RequireOpen() const;
  void RequireCurrent() const;
  void SaveEdit();  // Update when an edit is pending
  const vb::Variant& Get(int col);
  void Set(int col, vb::Variant value);
  void Refresh(int32_t row);
  vb::Variant* Row(int32_t row) { return values_.data() + static_cast<size_t>(row) * ncols_; }

  std::shared_ptr<Database> db_;
  std::shared_ptr<const ColumnSet> columns_;
  std::vector<vb::Variant> values_;
  std::vector<int64_t> rowids_;
  std::vector<uint8_t> stale_;  // per row: read it again before showing it
  int32_t rows_ = 0;
  int32_t pos_ = 0;
  int ncols_ = 0;
  bool open_ = false;
  bool updatable_ = false;
  EditMode mode_ = EditMode::kNone;
  std::vector<uint8_t> dirty_;
  std::vector<vb::Variant> saved_;  // the row as it was before the edit
  int32_t pos_before_add_ = 0;
};

}  // namespace ostrel::ado
