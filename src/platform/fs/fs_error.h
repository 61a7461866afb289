// Run-time errors of the file layer. Besides the numbers the VB core names,
// files know 52 (Bad file name or number) and 75 (Path/File access error).
#pragma once

#include <cstdint>

namespace ostrel::fs {

constexpr int32_t kErrBadFileName = 52;
constexpr int32_t kErrPathFileAccess = 75;

// Raises the file error with its standard description.
[[noreturn]] void RaiseFileError(int32_t number);

// The VB error a failed system call on an existing path stands for:
// permission problems give 70, a missing part 76, anything else 75.
int32_t ErrorFromErrno(int err);

}  // namespace ostrel::fs
