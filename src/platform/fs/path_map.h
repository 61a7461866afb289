// The Windows-path model. Inside the component, paths keep their Windows
// form ("C:\srv\ostrel\site\article\", "\" separators, a ":" marks a physical
// path). At the operating-system boundary they are mapped through a drive
// table: by default C: is "/", other letters may name a folder (for example
// D: = the data folder).
#pragma once

#include <string>
#include <string_view>

namespace ostrel::fs {

// Maps drive letter (A-Z, any case) to a native folder. Process-wide.
// The root must be an absolute native path; anything else raises VbError 5.
// The table is meant to be set at start-up; reads are safe from any thread.
void SetDrive(char letter, std::string native_root);
// Removes every mapping but the default C: = "/".
void ResetDrives();
// True when the letter has a mapping.
bool HasDrive(char letter);

// "C:\a\b.txt" -> "/a/b.txt"; "D:\x" -> "<D root>/x". "/" also separates.
// A path without a drive, or with an unmapped drive, raises VbError 76
// (Path not found). "." and ".." parts are resolved textually and never
// climb above the drive root. Repeated separators count as one; a trailing
// separator is kept. A NUL character raises VbError 52 (Bad file name).
std::string ToNative(std::string_view windows_path);

// The Windows form of a native absolute path, through the drive whose root
// is the longest prefix of it ("/srv/x" -> "C:\srv\x"). A relative native
// path is taken from the current folder. A trailing separator is kept.
std::string ToWindows(std::string_view native_path);

// The same Windows path in one canonical spelling: upper-case drive letter,
// "\" separators, "." and ".." resolved as ToNative does, a trailing
// separator kept ("c:/a//b/../c/" -> "C:\a\c\"). The drive must be mapped
// (VbError 76 otherwise), so the result always names what ToNative maps.
std::string NormalizeWindows(std::string_view windows_path);

// True when name is a valid Windows file name: not empty, none of
// \ / : * ? " < > | or control characters, not "." or "..", no trailing
// blank or dot, and at most 255 bytes (the longest name a native folder
// holds).
bool IsValidFileName(std::string_view name);

}  // namespace ostrel::fs
