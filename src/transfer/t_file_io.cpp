#include "transfer/t_file_io.h"

#include "component/registration.h"
#include "platform/com/class_info.h"

namespace ostrel::transfer {

namespace {
const component::ComponentClass<TFileIO> kFileIOClass("Ostrel.TFileIO");
}  // namespace

const com::TypeInfo& TFileIO::Type() const {
  static const com::TypeInfo info = com::ClassInfo<TFileIO>("TFileIO").Build();
  return info;
}

std::string TFileIO::ExtractFileExt(std::string_view path) {
  auto cut = path.find_last_of(".\\");
  if (cut == std::string_view::npos || path[cut] == '\\') return "";
  return std::string(path.substr(cut + 1));
}

std::string TFileIO::ExtractFileName(std::string_view path) {
  auto slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string TFileIO::ExtractFilePath(std::string_view path) {
  auto slash = path.rfind('\\');
  return slash == std::string_view::npos ? "" : std::string(path.substr(0, slash + 1));
}

}  // namespace ostrel::transfer
