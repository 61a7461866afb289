#include "platform/ado/recordset.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/ado/ado_error.h"
#include "platform/ado/connection.h"
#include "platform/ado/database.h"
#include "platform/vb/convert.h"

namespace ostrel::ado {

namespace {

vb::Variant KeyValue(int64_t rowid) {
  if (rowid >= INT32_MIN && rowid <= INT32_MAX) return vb::Variant(static_cast<int32_t>(rowid));
  return vb::Variant(static_cast<double>(rowid));
}

}  // namespace

// ---- Field and FieldCollection ----

const std::string& Field::Name() const {
  rs_->RequireOpen();
  return rs_->columns_->names[index_];
}

const vb::Variant& Field::Value() const { return rs_->Get(index_); }

void Field::SetValue(vb::Variant value) const { rs_->Set(index_, std::move(value)); }

int32_t FieldCollection::Count() const {
  rs_->RequireOpen();
  return rs_->ncols_;
}

Field FieldCollection::Item(std::string_view name) const {
  rs_->RequireOpen();
  int index = rs_->columns_->Find(name);
  if (index < 0) RaiseAdo(kErrItemNotFound);
  return Field(rs_, index);
}

Field FieldCollection::Item(int32_t index) const {
  rs_->RequireOpen();
  if (index < 0 || index >= rs_->ncols_) RaiseAdo(kErrItemNotFound);
  return Field(rs_, index);
}

Field FieldCollection::Item(const vb::Variant& name_or_index) const {
  if (name_or_index.IsString()) return Item(std::string_view(name_or_index.AsString()));
  if (name_or_index.IsNumber()) return Item(vb::CLng(name_or_index));
  RaiseAdo(kErrItemNotFound);
}

// ---- Recordset ----

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::Open(std::string_view sql, const Connection& connection, int32_t cursor_type,
                     int32_t lock_type) {
  (void)cursor_type;  // every recordset can move both ways: its rows are in memory
  if (open_) RaiseAdo(kErrObjectOpen);
  const std::shared_ptr<Database>& db = connection.database();
  if (!db || !db->is_open()) RaiseAdo(kErrInvalidConnection);
  bool for_update = lock_type >= adLockPessimistic && lock_type <= adLockBatchOptimistic;
  ResultRows result;
  db->Query(sql, for_update, &result);
  if (!result.columns) return;  // a statement without rows leaves the recordset closed
  db_ = db;
  columns_ = std::move(result.columns);
  values_ = std::move(result.values);
  rowids_ = std::move(result.rowids);
  rows_ = result.rows;
  ncols_ = columns_->count();
  stale_.assign(static_cast<size_t>(rows_), 0);
  dirty_.assign(static_cast<size_t>(ncols_), 0);
  pos_ = 0;
  open_ = true;
  updatable_ = for_update && columns_->updatable();
  mode_ = EditMode::kNone;
}

void Recordset::Close() {
  RequireOpen();
  *this = Recordset();
}

int32_t Recordset::State() const { return open_ ? 1 : 0; }

void Recordset::RequireOpen() const {
  if (!open_) RaiseAdo(kErrObjectClosed);
}

void Recordset::RequireCurrent() const {
  if (pos_ < 0 || pos_ >= rows_) RaiseAdo(kErrNoCurrentRecord);
}

bool Recordset::Bof() const {
  RequireOpen();
  return rows_ == 0 || pos_ < 0;
}

bool Recordset::Eof() const {
  RequireOpen();
  return pos_ >= rows_;
}

int32_t Recordset::RecordCount() const {
  RequireOpen();
  return rows_;
}

void Recordset::MoveFirst() {
  RequireOpen();
  SaveEdit();
  pos_ = 0;
}

void Recordset::MoveNext() {
  RequireOpen();
  if (pos_ >= rows_) RaiseAdo(kErrNoCurrentRecord);
  SaveEdit();
  ++pos_;
}

void Recordset::Move(int32_t n) {
  RequireOpen();
  if ((n > 0 && pos_ >= rows_) || (n < 0 && (pos_ < 0 || rows_ == 0))) {
    RaiseAdo(kErrNoCurrentRecord);
  }
  SaveEdit();
  int64_t target = static_cast<int64_t>(pos_) + n;
  pos_ = static_cast<int32_t>(std::clamp<int64_t>(target, -1, rows_));
}

vb::Variant Recordset::GetRows(int32_t rows) {
  RequireOpen();
  SaveEdit();
  if (rows < -1) RaiseAdo(kErrInvalidArgument);
  RequireCurrent();
  int32_t left = rows_ - pos_;
  int32_t count = rows == -1 ? left : std::min(rows, left);
  vb::Variant out = vb::Variant::Array2(ncols_, count);
  for (int32_t r = 0; r < count; ++r) {
    int32_t row = pos_ + r;
    if (stale_[row]) Refresh(row);
    const vb::Variant* v = Row(row);
    for (int c = 0; c < ncols_; ++c) out.At(c, r) = v[c];
  }
  pos_ += count;
  return out;
}

const vb::Variant& Recordset::Get(int col) {
  RequireOpen();
  RequireCurrent();
  if (stale_[pos_] && col != columns_->key_index) Refresh(pos_);
  return Row(pos_)[col];
}

void Recordset::Set(int col, vb::Variant value) {
  RequireOpen();
  if (!updatable_ || columns_->origins[col].empty()) RaiseAdo(kErrNotUpdatable);
  RequireCurrent();
  if (mode_ == EditMode::kNone) {
    if (stale_[pos_]) Refresh(pos_);
    saved_.assign(Row(pos_), Row(pos_) + ncols_);
    std::fill(dirty_.begin(), dirty_.end(), 0);
    mode_ = EditMode::kEdit;
  }
  Row(pos_)[col] = std::move(value);
  dirty_[col] = 1;
}

void Recordset::AddNew() {
  RequireOpen();
  if (!updatable_) RaiseAdo(kErrNotUpdatable);
  SaveEdit();
  pos_before_add_ = pos_;
  values_.resize(values_.size() + static_cast<size_t>(ncols_), vb::Variant::Null());
  rowids_.push_back(0);
  stale_.push_back(0);
  pos_ = rows_++;
  std::fill(dirty_.begin(), dirty_.end(), 0);
  mode_ = EditMode::kAdd;
}

void Recordset::CancelUpdate() {
  RequireOpen();
  if (mode_ == EditMode::kEdit) {
    std::move(saved_.begin(), saved_.end(), Row(pos_));
  } else if (mode_ == EditMode::kAdd) {
    values_.resize(values_.size() - static_cast<size_t>(ncols_));
    rowids_.pop_back();
    stale_.pop_back();
    --rows_;
    pos_ = pos_before_add_;
  }
  mode_ = EditMode::kNone;
}

void Recordset::SaveEdit() {
  if (mode_ != EditMode::kNone) Update();
}

void Recordset::Update() {
  RequireOpen();
  if (mode_ == EditMode::kNone) return;
  if (!db_->is_open()) RaiseAdo(kErrInvalidConnection);
  const ColumnSet& cols = *columns_;
  bool adding = mode_ == EditMode::kAdd;
  std::string sql;
  if (adding) {
    sql = "INSERT INTO " + QuoteName(cols.table);
    std::string names, marks;
    for (int c = 0; c < ncols_; ++c) {
      if (!dirty_[c]) continue;
      if (!names.empty()) {
        names += ',';
        marks += ',';
      }
      names += QuoteName(cols.origins[c]);
      marks += '?';
    }
    sql += names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")";
  } else {
    if (std::find(dirty_.begin(), dirty_.end(), 1) == dirty_.end()) {
      mode_ = EditMode::kNone;
      return;
    }
    sql = "UPDATE " + QuoteName(cols.table) + " SET ";
    bool first = true;
    for (int c = 0; c < ncols_; ++c) {
      if (!dirty_[c]) continue;
      if (!first) sql += ',';
      first = false;
      sql += QuoteName(cols.origins[c]) + "=?";
    }
    sql += " WHERE rowid=?";
  }
  sql += " RETURNING rowid";

  sqlite3_stmt* stmt = db_->PrepareCached(sql);
  ResetGuard reset(stmt);
  vb::Variant* row = Row(pos_);
  int index = 0;
  for (int c = 0; c < ncols_; ++c) {
    if (dirty_[c]) BindValue(stmt, ++index, row[c], cols.kinds[c]);
  }
  if (!adding) sqlite3_bind_int64(stmt, ++index, rowids_[pos_]);
  int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) RaiseSqlite(db_->handle());
  if (rc == SQLITE_DONE) RaiseAdo(kErrRowNotFound);  // the row was deleted meanwhile
  int64_t rowid = sqlite3_column_int64(stmt, 0);
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) RaiseSqlite(db_->handle());

  rowids_[pos_] = rowid;
  if (cols.key_index >= 0) row[cols.key_index] = KeyValue(rowid);
  // The other fields show the stored values (defaults, converted forms)
  // when they are next read.
  stale_[pos_] = 1;
  mode_ = EditMode::kNone;
  saved_.clear();
}

void Recordset::Refresh(int32_t row) {
  stale_[row] = 0;
  if (!db_ || !db_->is_open()) return;
  const ColumnSet& cols = *columns_;
  std::string sql = "SELECT ";
  std::vector<int> read;
  for (int c = 0; c < ncols_; ++c) {
    if (cols.origins[c].empty()) continue;
    if (!read.empty()) sql += ',';
    sql += QuoteName(cols.origins[c]);
    read.push_back(c);
  }
  if (read.empty()) return;
  sql += " FROM " + QuoteName(cols.table) + " WHERE rowid=?";
  sqlite3_stmt* stmt = db_->PrepareCached(sql);
  ResetGuard reset(stmt);
  sqlite3_bind_int64(stmt, 1, rowids_[row]);
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) {
    vb::Variant* values = Row(row);
    for (size_t k = 0; k < read.size(); ++k) {
      values[read[k]] = ReadColumn(stmt, static_cast<int>(k), cols.kinds[read[k]]);
    }
  } else if (rc != SQLITE_DONE) {
    RaiseSqlite(db_->handle());
  }
}

}  // namespace ostrel::ado
