// The places a run works in before its results take their names: a download
// being written (a file) and a re-pack's working folder. Both are named
// ".ostrel-<kind>-<pid>-XXXXXX" in the folder they belong to: the leading
// "." keeps the host from ever serving them, and the process id lets a later
// start tell those of a run that died with its process (kill -9, a crash)
// from those of a host that still runs.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::fs {

// The mkstemp/mkdtemp template of a new working name of kind ("part",
// "work") for this process: ".ostrel-part-1234-XXXXXX".
std::string WorkNameTemplate(std::string_view kind);

// Removes, anywhere beneath the native folder root (links not followed),
// the working files and folders of processes that no longer run. Returns
// how many it removed; what cannot be read or removed is passed over. A
// process calls it at its start, before it runs anything: names carrying
// its own id are then of an earlier process that had the same id.
int RemoveDeadWork(const std::string& native_root);

}  // namespace ostrel::fs
