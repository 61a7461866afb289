// clsIniFile: reads and writes one INI file through the platform's
// profile-string calls. The host's pages may create it; nothing else in
// the component uses it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"

namespace ostrel::transfer {

class clsIniFile : public com::Dispatch {
 public:
  clsIniFile();
  const com::TypeInfo& Type() const override;

  // The INI file; at first "zemble.ini" in the component's own folder.
  std::string File;

  void SetINIFileName(std::string value) { File = std::move(value); }
  void SetINIFilePath(std::string value) { File = std::move(value); }
  void DeleteSection(std::string Section);
  vb::Variant DeleteKey(std::string SectionName, std::string KeyWord);
  vb::Variant SaveSetting(std::string Section, std::string Key, std::string Value);
  std::string GetSetting(std::string Section, std::string KeyName);
  // KeyArray becomes an array of the section's key names at 1 .. n, with
  // an empty entry at 0; the result is n.
  int16_t GetSection(std::string Section, vb::Variant& KeyArray);
  std::string GetIniKey(vb::Variant& strSection, vb::Variant& strKey);
};

// The folder of the component's own file (libostrel.so), in Windows form
// with a trailing "\".
std::string ComponentFolder();

}  // namespace ostrel::transfer
