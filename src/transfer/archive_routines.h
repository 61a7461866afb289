// The module routines over the RAR and zip libraries: ExtractRarFiles
// unpacks a RAR archive (or a self-extracting program) into a folder,
// VBZip builds a zip archive, FileAttrLetters spells an attribute value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::transfer {

// The number of entries extracted, or -1 when the archive did not open.
// A refused entry (a name leaving the folder, a link, the size limits, an
// encrypted entry that can not be read) ends the walk; the reason is
// archive::LastRefusal().
int16_t ExtractRarFiles(const std::string& archive, const std::string& folder,
                        const std::string& password);

// "D" for the plain directory value 16; the letters A, D, S, H, R of the
// set bits for other values ("" for none), so only 16 gives exactly "D".
std::string FileAttrLetters(int32_t& attribute);

struct VBZipFlags {
  int16_t junk_folders = 0, recurse = 0, update = 0, freshen = 0;
  std::string root_folder;
  int16_t encrypt = 0, system_files = 0, ignore_folder_entries = 0, verbose = 0, quiet = 0;
  int16_t crlf_to_lf = 0, lf_to_crlf = 0, grow = 0, force = 0, move = 0, delete_entries = 0;
};

// The return code of ZpArchive (0 success).
int32_t VBZip(int16_t count, const std::string& archive_name, const std::vector<std::string>& names,
              const VBZipFlags& flags);

int32_t FnPtr(int32_t address);

}  // namespace ostrel::transfer
