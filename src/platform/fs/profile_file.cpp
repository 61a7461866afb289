#include "platform/fs/profile_file.h"

#include <cerrno>
#include <mutex>

#include "platform/fs/file_io.h"
#include "platform/fs/ini_document.h"
#include "platform/fs/path_map.h"
#include "platform/text/charset.h"
#include "platform/vb/vb_error.h"

namespace ostrel::fs {
namespace {

// Profile files are small; anything larger is not one.
constexpr size_t kMaxProfileBytes = 16 << 20;

std::mutex& ProfileMutex() {
  static std::mutex mu;
  return mu;
}

bool MapFile(std::string_view file_name, std::string* native) {
  if (file_name.empty() || file_name.back() == '\\' || file_name.back() == '/') return false;
  try {
    *native = ToNative(file_name);
  } catch (const vb::VbError&) {
    return false;
  }
  return true;
}

// The longest head of utf8 whose GBK form fits in max_bytes, cut between
// characters.
std::string FitAnsi(std::string_view utf8, size_t max_bytes) {
  if (text::ToAnsi(utf8).size() <= max_bytes) return std::string(utf8);
  std::string fitted;
  size_t used = 0;
  for (size_t i = 0; i < utf8.size();) {
    size_t len = 1;
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0xF0)
      len = 4;
    else if (c >= 0xE0)
      len = 3;
    else if (c >= 0xC0)
      len = 2;
    std::string_view ch = utf8.substr(i, len);
    size_t bytes = c < 0x80 ? 1 : text::ToAnsi(ch).size();
    if (used + bytes > max_bytes) break;
    fitted += ch;
    used += bytes;
    i += len;
  }
  return fitted;
}

std::string NameList(const std::vector<std::string>& names, size_t buffer_size) {
  std::string list;
  for (const std::string& name : names) {
    list += name;
    list += '\0';
  }
  if (buffer_size < 2) return "";
  if (text::ToAnsi(list).size() + 1 <= buffer_size) return list;
  // Too small: the platform cuts the last name and returns size - 2.
  return FitAnsi(list, buffer_size - 2);
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool Trimmed(std::string_view s, std::string_view* out) {
  size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return false;
  size_t end = s.find_last_not_of(" \t");
  *out = s.substr(begin, end - begin + 1);
  return true;
}

}  // namespace

std::string GetPrivateProfileStringA(std::optional<std::string_view> section,
                                     std::optional<std::string_view> key,
                                     std::string_view default_value, size_t buffer_size,
                                     std::string_view file_name) {
  std::string bytes;
  std::string native;
  bool readable = false;
  if (MapFile(file_name, &native)) {
    std::lock_guard lock(ProfileMutex());
    readable = ReadWholeFile(native, kMaxProfileBytes, &bytes) == 0;
  }
  IniDocument doc(readable ? std::string_view(bytes) : std::string_view());
  if (!section) return NameList(doc.Sections(), buffer_size);
  if (!key) return NameList(doc.Keys(*section), buffer_size);

  std::optional<std::string> value = doc.Get(*section, *key);
  if (!value) {
    std::string_view fallback = default_value;
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    value = std::string(fallback);
  }
  if (buffer_size == 0) return "";
  return FitAnsi(*value, buffer_size - 1);
}

bool WritePrivateProfileStringA(std::optional<std::string_view> section,
                                std::optional<std::string_view> key,
                                std::optional<std::string_view> value, std::string_view file_name) {
  std::string_view name;
  if (!section || !Trimmed(*section, &name) || HasLineBreak(name) ||
      name.find(']') != std::string_view::npos) {
    return false;
  }
  if (key) {
    std::string_view k;
    if (!Trimmed(*key, &k) || HasLineBreak(k) || k.find('=') != std::string_view::npos ||
        k[0] == '[' || k[0] == ';') {
      return false;
    }
  }
  if (value && HasLineBreak(*value)) return false;
  std::string native;
  if (!MapFile(file_name, &native)) return false;

  std::lock_guard lock(ProfileMutex());
  std::string bytes;
  int error = ReadWholeFile(native, kMaxProfileBytes, &bytes);
  if (error != 0 && error != ENOENT) return false;
  IniDocument doc(error == 0 ? std::string_view(bytes) : std::string_view());
  bool changed;
  if (!key) {
    changed = doc.RemoveSection(*section);
  } else if (!value) {
    changed = doc.RemoveKey(*section, *key);
  } else {
    changed = doc.Set(*section, *key, *value);
  }
  if (!changed) return true;
  return WriteFileAtomic(native, doc.Bytes()) == 0;
}

}  // namespace ostrel::fs
