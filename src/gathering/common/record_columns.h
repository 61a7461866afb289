// Copying a cached row (the rows array of GetRows: [column][0]) into the
// typed fields of a channel's settings or item record, driven by a table of
// column positions. A cell that is missing or does not convert leaves its
// field as it was; a rule column marked "unless Null" keeps its field when
// the cell is Null.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "platform/vb/variant.h"

namespace ostrel::gathering {

void CopyCell(const vb::Variant& rows, int32_t column, int16_t& field);
void CopyCell(const vb::Variant& rows, int32_t column, int32_t& field);
void CopyCell(const vb::Variant& rows, int32_t column, std::string& field);
void CopyCellUnlessNull(const vb::Variant& rows, int32_t column, std::string& field);

template <class Record>
struct Column {
  int32_t position;
  std::variant<int16_t Record::*, int32_t Record::*, std::string Record::*> field;
  bool unless_null = false;
};

template <class Record>
void CopyColumns(const vb::Variant& rows, std::span<const Column<Record>> table, Record& record) {
  for (const Column<Record>& column : table) {
    std::visit(
        [&](auto member) {
          auto& field = record.*member;
          if constexpr (std::is_same_v<std::remove_reference_t<decltype(field)>, std::string>) {
            if (column.unless_null) {
              CopyCellUnlessNull(rows, column.position, field);
              return;
            }
          }
          CopyCell(rows, column.position, field);
        },
        column.field);
  }
}

}  // namespace ostrel::gathering
