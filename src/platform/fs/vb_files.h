// VB's own file statements over the file layer: Dir, MkDir and Kill, with
// the run-time errors VB raises for them.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::fs {

// Dir attribute bits (vbNormal is 0: plain files are always listed).
constexpr int kVbHidden = 2;
constexpr int kVbSystem = 4;
constexpr int kVbDirectory = 16;

// The name of the first entry matching path (wildcards allowed in the last
// part; a path ending in "\" lists the folder), "" when none does. Folders
// count only with kVbDirectory, and then "." comes first inside a folder
// that is not a drive root. Every entry of this system counts as neither
// hidden nor system. A path on a drive that does not exist raises VbError
// 52 (Bad file name or number); a path without a drive finds nothing.
std::string Dir(std::string_view path, int attributes = 0);

// Creates one folder. VbError 75 when something of that name exists, 76 when
// the parent folder is missing, 52 for a name Windows would refuse.
void MkDir(std::string_view path);

// Deletes the files matching path (wildcards allowed in the last part;
// links are deleted themselves). VbError 53 when nothing matches, 76 when
// the folder is missing, 75 for a read-only file.
void Kill(std::string_view path);

}  // namespace ostrel::fs
