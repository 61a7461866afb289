// Checkpoints of the write-ahead log, away from the thread that commits.
//
// SQLite copies its log back into the database file (a checkpoint) when a
// commit leaves the log over a size, on the thread of that commit: a page
// request that stores one row would then also copy hundreds of other rows'
// pages and wait for the file's sync. The databases this layer opens hand
// that copy to one background thread instead. A commit is as durable as
// before (it is in the log when it returns); only the copy moves. Once in a
// while the committing connection copies the last few pages itself, so that
// the log starts over and never grows without bound.
#pragma once

typedef struct sqlite3 sqlite3;

namespace ostrel::ado {

// Hooks db's commits in place of SQLite's automatic checkpoint.
void CheckpointInBackground(sqlite3* db);

// Returns once no checkpoint is queued or running (before databases are
// closed for good or their files removed).
void WaitForCheckpoints();

}  // namespace ostrel::ado
