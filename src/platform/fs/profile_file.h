// The platform's profile-string calls over INI files. File names are
// Windows paths; the file is GBK text with CRLF line ends. Section and key
// names are matched without regard to case. A write rewrites the whole file
// through a temporary file and a rename, so a reader never meets half a
// file; calls of this process are serialised, so two writers can not lose
// each other's keys.
//
// std::nullopt plays the part of the platform's null pointer.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::fs {

// What GetPrivateProfileStringA leaves in a buffer of buffer_size ANSI bytes,
// up to the count it returns (the final terminator left out):
// - section and key given: the value (trimmed, surrounding quotes removed),
//   or default_value without its trailing blanks when the file, section or
//   key is missing or the key line has no "=";
// - key null: the key names of the section, each followed by a NUL;
// - section null: the section names, each followed by a NUL.
// Text is cut to what the buffer holds (buffer_size - 1 bytes of GBK for a
// value, buffer_size - 2 for a list), never inside a character.
std::string GetPrivateProfileStringA(std::optional<std::string_view> section,
                                     std::optional<std::string_view> key,
                                     std::string_view default_value, size_t buffer_size,
                                     std::string_view file_name);

// WritePrivateProfileStringA: sets key = value in section (creating the
// file, the section or the key as needed); a null value removes the key, a
// null key removes the whole section. False when the file can not be
// written (missing folder, no drive), the section is null, or a name or
// value would break the file's line structure (a line break, a key with
// "=" or starting with "[" or ";", a section with "]"); the file is then
// unchanged.
bool WritePrivateProfileStringA(std::optional<std::string_view> section,
                                std::optional<std::string_view> key,
                                std::optional<std::string_view> value, std::string_view file_name);

}  // namespace ostrel::fs
