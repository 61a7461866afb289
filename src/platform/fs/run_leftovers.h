// The places a run works in before its results take their names: a file
// being written (a download, an archive being packed) and a re-pack's
// working folder. Both are named ".ostrel-<kind>-<pid>-XXXXXX" in the
// folder they belong to: the leading "." keeps the host from ever serving
// them, and the process id lets a later start tell those of a run that died
// with its process (kill -9, a crash) from those of a host that still runs.
//
// Within one process, several page threads may work beside each other in
// one folder (two sessions re-packing at once). The working names this
// process made and still uses are therefore kept in a list of its own, so a
// step that clears a folder can leave what another thread still works in.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ostrel::fs {

// The mkstemp/mkdtemp template of a new working name of kind ("part",
// "work") for this process: ".ostrel-part-1234-XXXXXX".
std::string WorkNameTemplate(std::string_view kind);

// Makes a working entry of kind in the native folder: make receives the
// full template (folder + "/" + WorkNameTemplate(kind)), fills it in as
// mkstemp/mkdtemp do and returns false when it failed. What it made is
// marked in use by this process, in the same step, until ReleaseWork. The
// native path, or "" when make failed (errno is then make's).
std::string MakeWork(const std::string& native_folder, std::string_view kind,
                     const std::function<bool(char* path_template)>& make);

// The working entry at the native path is finished (removed or renamed).
void ReleaseWork(std::string_view native_path);

// True when name (a bare name) is the working entry of a run still going
// on: one this process made and has not released, or one of another
// process that still runs. False for any other name.
bool IsLiveWork(std::string_view name);

// Removes, anywhere beneath the native folder root (links not followed),
// the working files and folders of processes that no longer run. Returns
// how many it removed; what cannot be read or removed is passed over. A
// process calls it at its start, before it runs anything: names carrying
// its own id are then of an earlier process that had the same id.
int RemoveDeadWork(const std::string& native_root);

}  // namespace ostrel::fs
