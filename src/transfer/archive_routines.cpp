#include "transfer/archive_routines.h"

#include "platform/archive/unrar.h"
#include "platform/archive/zip32.h"
#include "transfer/cg_unzip_files.h"

namespace ostrel::transfer {

int16_t ExtractRarFiles(const std::string& archive, const std::string& folder,
                        const std::string& password) {
  int16_t result = -1;
  archive::RAROpenArchiveData open;
  open.ArcName = archive;
  open.OpenMode = archive::RAR_OM_EXTRACT;
  archive::RarHandle handle = archive::RAROpenArchive(&open);
  if (open.OpenResult != 0 || !handle) return result;
  if (!password.empty()) archive::RARSetPassword(handle.get(), password);
  int16_t count = 0;
  archive::RARHeaderData header;
  while (archive::RARReadHeader(handle.get(), &header) == 0) {
    std::string name = header.FileName.substr(0, header.FileName.find('\0'));
    int32_t attribute = static_cast<int32_t>(header.FileAttr);
    if (FileAttrLetters(attribute) == "D") {
      archive::RARProcessFile(handle.get(), archive::RAR_SKIP, "", "");
      continue;
    }
    if (archive::RARProcessFile(handle.get(), archive::RAR_EXTRACT, "", folder + name) == 0 &&
        count < INT16_MAX) {
      ++count;
    }
  }
  archive::RARCloseArchive(handle);
  result = count;
  return result;
}

std::string FileAttrLetters(int32_t& attribute) {
  static const struct {
    int32_t bit;
    char letter;
  } kLetters[] = {{0x20, 'A'}, {0x10, 'D'}, {0x04, 'S'}, {0x02, 'H'}, {0x01, 'R'}};
  std::string letters;
  for (const auto& l : kLetters) {
    if (attribute & l.bit) letters += l.letter;
  }
  return letters;
}

int32_t VBZip(int16_t count, const std::string& archive_name, const std::vector<std::string>& names,
              const VBZipFlags& f) {
  ZipDllMessages().clear();
  archive::ZIPUSERFUNCTIONS callbacks;
  callbacks.print = [](std::string_view piece) {
    ZipDllMessages() += std::string(piece.substr(0, piece.find('\0')));
    return 0;
  };
  callbacks.password = [](std::string*, int, std::string_view, std::string_view) { return 1; };
  callbacks.comment = [](std::string_view comment) { return std::string(comment); };
  archive::ZpInit(callbacks);

  archive::ZPOPT o;
  o.fSuffix = 0;
  o.fEncrypt = f.encrypt;
  o.fSystem = f.system_files;
  o.fVolume = 0;
  o.fExtra = 0;
  o.fNoDirEntries = 1;
  o.fExcludeDate = 0;
  o.fIncludeDate = 0;
  o.fVerbose = f.verbose;
  o.fQuiet = f.quiet;
  o.fCRLF_LF = f.crlf_to_lf;
  o.fLF_CRLF = f.lf_to_crlf;
  o.fJunkDir = f.junk_folders;
  o.fRecurse = f.recurse;
  o.fGrow = f.grow;
  o.fForce = f.force;
  o.fMove = 1;
  o.fDeleteEntries = f.delete_entries;
  o.fUpdate = f.update;
  o.fFreshen = f.freshen;
  o.fRepair = 1;
  o.fLevel = 0;
  o.szRootDir = f.root_folder;
  archive::ZpSetOptions(o);
  return archive::ZpArchive(count, archive_name, names);
}

int32_t FnPtr(int32_t address) { return address; }

}  // namespace ostrel::transfer
