// A TempDir mapped as a drive letter (D: unless told otherwise) while it
// lives, for tests that name their files in Windows form ("D:\a\b.txt").
// The drive table is reset when it goes away. Header only: the programs
// that use it link the file layer.
#pragma once

#include "platform/fs/path_map.h"
#include "support/temp_dir.h"

namespace ostrel::testing {

class DriveFolder : public TempDir {
 public:
  explicit DriveFolder(char letter = 'D') { fs::SetDrive(letter, path().string()); }
  ~DriveFolder() { fs::ResetDrives(); }
};

}  // namespace ostrel::testing
