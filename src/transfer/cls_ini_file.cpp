#include "transfer/cls_ini_file.h"

#include <dlfcn.h>

#include "component/registration.h"
#include "platform/com/class_info.h"
#include "platform/fs/path_map.h"
#include "platform/fs/profile_file.h"
#include "platform/vb/strings.h"

namespace ostrel::transfer {

namespace {
const component::ComponentClass<clsIniFile> kIniFileClass("Ostrel.clsIniFile");
}  // namespace

std::string ComponentFolder() {
  Dl_info info{};
  std::string native = "/";
  if (dladdr(reinterpret_cast<void*>(&ComponentFolder), &info) != 0 && info.dli_fname != nullptr) {
    native = info.dli_fname;
    auto slash = native.rfind('/');
    native = slash == std::string::npos ? "./" : native.substr(0, slash + 1);
  }
  std::string folder = fs::ToWindows(native);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

clsIniFile::clsIniFile() : File(ComponentFolder() + "zemble.ini") {}

const com::TypeInfo& clsIniFile::Type() const {
  using C = clsIniFile;
  static const com::TypeInfo info = com::ClassInfo<C>("clsIniFile")
                                        .Field("File", &C::File)
                                        .Property("INIFileName", nullptr, &C::SetINIFileName)
                                        .Property("INIFilePath", nullptr, &C::SetINIFilePath)
                                        .Method("DeleteSection", &C::DeleteSection)
                                        .Method("DeleteKey", &C::DeleteKey)
                                        .Method("SaveSetting", &C::SaveSetting)
                                        .Method("GetSetting", &C::GetSetting)
                                        .Method("GetSection", &C::GetSection)
                                        .Method("GetIniKey", &C::GetIniKey)
                                        .Build();
  return info;
}

void clsIniFile::DeleteSection(std::string Section) {
  fs::WritePrivateProfileStringA(Section, std::nullopt, "", File);
}

vb::Variant clsIniFile::DeleteKey(std::string SectionName, std::string KeyWord) {
  fs::WritePrivateProfileStringA(SectionName, KeyWord, std::nullopt, File);
  return vb::Variant();
}

vb::Variant clsIniFile::SaveSetting(std::string Section, std::string Key, std::string Value) {
  return vb::Variant(
      static_cast<int16_t>(fs::WritePrivateProfileStringA(Section, Key, Value, File) ? 1 : 0));
}

std::string clsIniFile::GetSetting(std::string Section, std::string KeyName) {
  std::string value = fs::GetPrivateProfileStringA(Section, KeyName, "unknown value", 255, File);
  return value.empty() ? "Unknown section or key" : value;
}

int16_t clsIniFile::GetSection(std::string Section, vb::Variant& KeyArray) {
  std::string names = fs::GetPrivateProfileStringA(Section, std::nullopt, "", 2500, File);
  std::vector<vb::Variant> keys{vb::Variant("")};
  size_t at = 0;
  while (at < names.size()) {
    auto nul = names.find('\0', at);
    if (nul == std::string::npos || nul == at) break;
    keys.emplace_back(names.substr(at, nul - at));
    at = nul + 1;
  }
  int16_t count = static_cast<int16_t>(keys.size() - 1);
  KeyArray = vb::Variant::FromList(std::move(keys));
  return count;
}

std::string clsIniFile::GetIniKey(vb::Variant& strSection, vb::Variant& strKey) {
  std::string value =
      fs::GetPrivateProfileStringA(vb::CStr(strSection), vb::CStr(strKey), "", 1024, File);
  std::string out;
  for (char c : vb::Trim(value)) {
    if (c != '\0') out += c;
  }
  return out;
}

}  // namespace ostrel::transfer
