// The errors the data-access layer raises. Its own errors carry the numbers
// and texts a VB caller of the original data objects would see; errors of
// the database engine carry the provider's generic number and SQLite's own
// message.
#pragma once

#include <cstdint>
#include <string>

#include "platform/vb/vb_error.h"

typedef struct sqlite3 sqlite3;

namespace ostrel::ado {

inline constexpr char kErrorSource[] = "ostrel.ado";

enum AdoError : int32_t {
  kErrInvalidArgument = 3001,
  kErrOpeningFile = 3002,
  kErrWriteFile = 3004,
  kErrNoCurrentRecord = 3021,
  kErrIllegalOperation = 3219,
  kErrNotUpdatable = 3251,
  kErrItemNotFound = 3265,
  kErrObjectClosed = 3704,
  kErrObjectOpen = 3705,
  kErrInvalidConnection = 3709,
  // What the provider reports for any failure of the database engine.
  kErrProvider = static_cast<int32_t>(0x80004005u),
  // The row an update was meant for no longer exists.
  kErrRowNotFound = static_cast<int32_t>(0x80040E38u),
};

// Raises one of the layer's own errors with its standard text.
[[noreturn]] void RaiseAdo(int32_t number);
// Raises an error with the given text.
[[noreturn]] void RaiseAdo(int32_t number, std::string description);
// Raises kErrProvider with the engine's message for the last call on db.
[[noreturn]] void RaiseSqlite(sqlite3* db);

}  // namespace ostrel::ado
