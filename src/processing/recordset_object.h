// A recordset handed to a late-bound caller (VBProcess.Execute from a host
// page): the members a page uses to walk the rows.
#pragma once

#include <memory>
#include <optional>

#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"

namespace ostrel::processing {

class RecordsetObject : public com::Dispatch {
 public:
  explicit RecordsetObject(std::shared_ptr<ado::Recordset> rs) : rs_(std::move(rs)) {}
  const com::TypeInfo& Type() const override;

  bool Eof() const { return rs_->Eof(); }
  bool Bof() const { return rs_->Bof(); }
  int32_t RecordCount() const { return rs_->RecordCount(); }
  void MoveNext() { rs_->MoveNext(); }
  void MoveFirst() { rs_->MoveFirst(); }
  void Move(int32_t n) { rs_->Move(n); }
  // rs("name") / rs.Fields(0): the field's value in the current row.
  vb::Variant Fields(const vb::Variant& name_or_index) {
    return rs_->Fields().Item(name_or_index).Value();
  }
  vb::Variant GetRows(std::optional<int32_t> rows) { return rs_->GetRows(rows.value_or(-1)); }
  void Close() { rs_->Close(); }

 private:
  std::shared_ptr<ado::Recordset> rs_;
};

}  // namespace ostrel::processing
