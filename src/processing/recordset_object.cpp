#include "processing/recordset_object.h"

#include "platform/com/class_info.h"

namespace ostrel::processing {

const com::TypeInfo& RecordsetObject::Type() const {
  static const com::TypeInfo info =
      com::ClassInfo<RecordsetObject>("Recordset")
          .Property("EOF", &RecordsetObject::Eof, nullptr)
          .Property("BOF", &RecordsetObject::Bof, nullptr)
          .Property("RecordCount", &RecordsetObject::RecordCount, nullptr)
          .Method("MoveNext", &RecordsetObject::MoveNext)
          .Method("MoveFirst", &RecordsetObject::MoveFirst)
          .Method("Move", &RecordsetObject::Move)
          .Method("Fields", &RecordsetObject::Fields)
          .Method("GetRows", &RecordsetObject::GetRows)
          .Method("Close", &RecordsetObject::Close)
          .Build();
  return info;
}

}  // namespace ostrel::processing
