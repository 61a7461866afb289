// The places a run works in before its results take their names: a file
// being written (a download, an archive being packed) and a re-pack's
// working folder. Both are named ".ostrel-<kind>-<pid>-XXXXXX" in the
// folder they belong to: the leading "." keeps the host from ever serving
// them, and the process id tells a person reading the folder whose they are.
//
// Whether one is still in use is told by a lock, never by the id: a process
// id outlives its process (a zombie not yet reaped) and comes back on
// another program. The process that makes a working entry holds an
// advisory lock (flock) on it until it releases it: on the file itself, and
// for a folder on the lock file beside it, ".ostrel-work-<pid>-XXXXXX.lock".
// The kernel drops the lock with the process's last descriptor, whatever
// ends it, so an entry nobody holds is one whose run has ended. Each held
// entry costs the process one descriptor (close-on-exec).
//
// Within one process, several page threads may work beside each other in
// one folder (two sessions re-packing at once). The working names this
// process made and still uses are therefore kept in a list of its own, so a
// step that clears a folder can leave what another thread still works in,
// even in the instant between an entry's making and its locking.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::fs {

// Makes a working file in the native folder ("" for the current one), mode
// 0600, open for reading and writing (close-on-exec) in *fd, and holds it as
// this process's until ReleaseWork. The native path, or "" with errno set.
// The caller may close *fd whenever it likes: the hold does not depend on it.
std::string MakeWorkFile(const std::string& native_folder, int* fd);

// Makes a working folder (mode 0700) in the native folder, with its lock
// file beside it, and holds it as this process's until ReleaseWork. The
// native path, or "" with errno set.
std::string MakeWorkFolder(const std::string& native_folder);

// The working entry at the native path is finished: the file was renamed or
// removed, or the folder removed. Drops the hold (and a folder's lock file).
void ReleaseWork(std::string_view native_path);

// True when the entry at the native path is the working entry of a run still
// going on: one this process holds, or one whose lock another process holds.
// False for any other entry.
bool IsLiveWork(const std::string& native_path);

// Removes, anywhere beneath the native folder root (links not followed),
// the working files and folders that no process holds. Returns how many it
// removed; what cannot be read, locked or removed is passed over. A process
// calls it at its start, before it makes working entries of its own.
int RemoveDeadWork(const std::string& native_root);

}  // namespace ostrel::fs
