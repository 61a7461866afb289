#include "platform/ado/ado_error.h"

#include <sqlite3.h>

namespace ostrel::ado {

namespace {

const char* StandardText(int32_t number) {
  switch (number) {
    case kErrInvalidArgument:
      return "Arguments are of the wrong type, are out of acceptable range, or are in conflict "
             "with one another.";
    case kErrOpeningFile:
      return "File could not be opened.";
    case kErrWriteFile:
      return "Write to file failed.";
    case kErrNoCurrentRecord:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested "
             "operation requires a current record.";
    case kErrIllegalOperation:
      return "Operation is not allowed in this context.";
    case kErrNotUpdatable:
      return "Current Recordset does not support updating. This may be a limitation of the "
             "provider, or of the selected locktype.";
    case kErrItemNotFound:
      return "Item cannot be found in the collection corresponding to the requested name or "
             "ordinal.";
    case kErrObjectClosed:
      return "Operation is not allowed when the object is closed.";
    case kErrObjectOpen:
      return "Operation is not allowed when the object is open.";
    case kErrInvalidConnection:
      return "The connection cannot be used to perform this operation. It is either closed or "
             "invalid in this context.";
    case kErrRowNotFound:
      return "Row cannot be located for updating.";
    default:
      return "Unspecified error";
  }
}

}  // namespace

void RaiseAdo(int32_t number) { RaiseAdo(number, StandardText(number)); }

void RaiseAdo(int32_t number, std::string description) {
  throw vb::VbError(number, kErrorSource, std::move(description));
}

void RaiseSqlite(sqlite3* db) { RaiseAdo(kErrProvider, db ? sqlite3_errmsg(db) : "out of memory"); }

}  // namespace ostrel::ado
