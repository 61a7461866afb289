#include "transfer/cg_unzip_files.h"

#include "component/registration.h"
#include "platform/archive/unzip32.h"
#include "platform/com/class_info.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::transfer {

namespace {

const component::ComponentClass<CGUnzipFiles> kUnzipClass("Ostrel.CGUnzipFiles");

// The per-thread state of one VBUnzip run.
struct UnzipState {
  std::string print_text;
  std::string listing;
  int16_t listed = 0;
  int16_t password_refused = 0;
};
thread_local UnzipState state;
// The answer of the password prompt during CGUnzipFiles::Unzip.
thread_local std::string prompt_password;

int16_t ToInteger(int32_t v) { return vb::CInt(vb::Variant(v)); }

}  // namespace

std::string& ZipDllMessages() {
  thread_local std::string messages;
  return messages;
}

int32_t VBUnzip(const std::string& sZipFileName, const std::string& sExtractDir,
                int16_t ExtractNewer, int16_t SpaceToUnderScore, int16_t PromptOverwrite,
                int16_t MessageLevel, int16_t WriteToStdOut, int16_t TestZip, int16_t ExtractList,
                int16_t ExtractOnlyNewer, int16_t DisplayComment, int16_t HonorDirectories,
                int16_t OverWriteFiles, int16_t ConvertCRtoCRLF, int16_t Verbose,
                int16_t CaseSensitive, int16_t Privilege) {
  ZipDllMessages().clear();
  state = UnzipState();
  archive::UzpVer2 version;
  archive::UzpVersion2(&version);

  archive::DCL dcl;
  dcl.ExtractOnlyNewer = ExtractOnlyNewer;
  dcl.SpaceToUnderscore = SpaceToUnderScore;
  dcl.PromptToOverwrite = PromptOverwrite;
  dcl.fQuiet = MessageLevel;
  dcl.ncflag = WriteToStdOut;
  dcl.ntflag = TestZip;
  dcl.nvflag = ExtractList;
  dcl.nfflag = ExtractNewer;
  dcl.nzflag = DisplayComment;
  dcl.ndflag = HonorDirectories;
  dcl.noflag = OverWriteFiles;
  dcl.naflag = ConvertCRtoCRLF;
  dcl.nZIflag = Verbose;
  dcl.C_flag = CaseSensitive;
  dcl.fPrivilege = Privilege;
  dcl.lpszZipFN = sZipFileName;
  dcl.lpszExtractDir = sExtractDir;

  archive::USERFUNCTIONS f;
  f.print = [](std::string_view piece) {
    std::string text(piece.substr(0, piece.find('\0')));
    if (!text.empty() && text[0] == '\n') text = "\r\n";
    state.print_text += text;
    ZipDllMessages() = state.print_text;
    return 0;
  };
  // The host has no desktop: the question whether to overwrite can not be
  // put to anyone, and the answer that is neither "no" nor "cancel" stands.
  f.replace = [](std::string_view) { return archive::IDM_REPLACE_YES; };
  // Nobody can type a password either: the caller's own password, or the
  // empty answer, which also stops every later prompt of the run.
  f.password = [](std::string* answer, int size, std::string_view, std::string_view) {
    if (state.password_refused == 0 && !prompt_password.empty() &&
        prompt_password.size() < static_cast<size_t>(size)) {
      *answer = prompt_password;
      return 0;
    }
    state.password_refused = 1;
    return 1;
  };
  f.SendApplicationMessage = [](const archive::UnzipEntryMessage& m) {
    if (state.listed++ == 0) state.listing += "Length    Date    Time    Name\r\n";
    state.listing += std::to_string(m.ucsize) + "  " + std::to_string(m.mo) + "-" +
                     std::to_string(m.dy) + "-" + std::to_string(m.yr) + " " +
                     std::to_string(m.hh) + ":" + std::to_string(m.mm) + "  " + m.filename + "\r\n";
  };
  f.ServCallBk = [](std::string_view, uint64_t) { return 0; };
  return archive::Wiz_SingleEntryUnzip(0, {}, 0, {}, dcl, f);
}

const com::TypeInfo& CGUnzipFiles::Type() const {
  using C = CGUnzipFiles;
  static const com::TypeInfo info =
      com::ClassInfo<C>("CGUnzipFiles")
          .Property("ExtractNewer", &C::ExtractNewer, &C::SetExtractNewer)
          .Property("SpaceToUnderScore", &C::SpaceToUnderScore, &C::SetSpaceToUnderScore)
          .Property("PromptOverwrite", &C::PromptOverwrite, &C::SetPromptOverwrite)
          .Property("MessageLevel", &C::MessageLevel, &C::SetMessageLevel)
          .Property("WriteToStdOut", &C::WriteToStdOut, &C::SetWriteToStdOut)
          .Property("TestZip", &C::TestZip, &C::SetTestZip)
          .Property("ExtractList", &C::ExtractList, &C::SetExtractList)
          .Property("ExtractOnlyNewer", &C::ExtractOnlyNewer, &C::SetExtractOnlyNewer)
          .Property("DisplayComment", &C::DisplayComment, &C::SetDisplayComment)
          .Property("HonorDirectories", &C::HonorDirectories, &C::SetHonorDirectories)
          .Property("OverWriteFiles", &C::OverWriteFiles, &C::SetOverWriteFiles)
          .Property("ConvertCRtoCRLF", &C::ConvertCRtoCRLF, &C::SetConvertCRtoCRLF)
          .Property("Verbose", &C::Verbose, &C::SetVerbose)
          .Property("CaseSensitive", &C::CaseSensitive, &C::SetCaseSensitive)
          .Property("Privilege", &C::Privilege, &C::SetPrivilege)
          .Property("ZipFileName", &C::ZipFileName, &C::SetZipFileName)
          .Property("ExtractDir", &C::ExtractDir, &C::SetExtractDir)
          .Method("Unzip", &C::Unzip)
          .Method("GetLastMessage", &C::GetLastMessage)
          .Build();
  return info;
}

int32_t CGUnzipFiles::Unzip(std::optional<std::string> sZipFileName,
                            std::optional<std::string> sExtractDir) {
  try {
    if (sZipFileName && !sZipFileName->empty()) zip_file_name_ = *sZipFileName;
    if (sExtractDir && !sExtractDir->empty()) extract_dir_ = *sExtractDir;
    struct PasswordScope {
      explicit PasswordScope(const std::string& p) { prompt_password = p; }
      ~PasswordScope() { prompt_password.clear(); }
    } password_scope(prompt_password_);
    return VBUnzip(zip_file_name_, extract_dir_, extract_newer_, space_to_underscore_,
                   prompt_overwrite_, ToInteger(message_level_), write_to_stdout_, test_zip_,
                   ToInteger(extract_list_), extract_only_newer_, display_comment_,
                   honor_directories_, overwrite_files_, convert_cr_, verbose_, case_sensitive_,
                   ToInteger(privilege_));
  } catch (const vb::VbError& e) {
    throw vb::VbError(e.number(), "CGUnZipFiles::Unzip", e.description());
  }
}

}  // namespace ostrel::transfer
