// Whole-file reads and atomic whole-file writes on native paths. A file the
// layer rewrites (profile files, saved XML) goes to a temporary file in the
// same folder first and is renamed into place, so a reader sees the old
// content or the new, never a part, and a failed write leaves the old file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel::fs {

// Reads the file into out. 0 on success, else an errno value (EFBIG when
// the file is larger than max_bytes).
int ReadWholeFile(const std::string& native_path, size_t max_bytes, std::string* out);

// Replaces the file with bytes through a temporary file and a rename. An
// existing file keeps its permission bits; a new one gets 0644. 0 on
// success, else an errno value (the old file is then untouched).
int WriteFileAtomic(const std::string& native_path, std::string_view bytes);

// Copies a regular file to a new name through a temporary file: the target
// appears complete or not at all. With replace false an existing target is
// left alone (EEXIST). The last-write time and permission bits go along,
// as the platform's copy keeps them. 0 on success, else an errno value.
int CopyFileAtomic(const std::string& native_source, const std::string& native_target,
                   bool replace);

}  // namespace ostrel::fs

namespace ostrel::fs {

// Renames without ever replacing an existing target, atomically where the
// file system allows it. 0 on success, else an errno value (EEXIST when the
// target exists, EXDEV across file systems).
int RenameNoReplace(const std::string& from, const std::string& to);

}  // namespace ostrel::fs
