#include "platform/vb/ansi_code_page.h"

#include <iconv.h>

namespace ostrel::vb {

namespace {

constexpr char kEuro[] = "\xE2\x82\xAC";
constexpr char kF8F5[] = "\xEF\xA3\xB5";  // where Windows puts the byte 0xFF

// One descriptor per thread and direction, opened on first use; iconv
// descriptors are not safe to share between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts a whole short input; false when any of it does not convert.
  bool Run(std::string_view in, std::string* out) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buf[16];
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = buf;
    size_t dst_left = sizeof(buf);
    if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    if (iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    if (src_left != 0) return false;
    out->assign(buf, dst);
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string AnsiCharFromCode(uint16_t code) {
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  if (code == 0xFF) return kF8F5;
  std::string bytes;
  if (code > 0xFF) bytes.push_back(static_cast<char>(code >> 8));
  bytes.push_back(static_cast<char>(code & 0xFF));
  thread_local Converter decoder("UTF-8", "CP936");
  std::string out;
  if (!decoder.Run(bytes, &out) || out.empty()) return "\xEF\xBF\xBD";
  return out;
}

std::optional<uint16_t> AnsiCodeOfChar(std::string_view utf8_char) {
  if (utf8_char.size() == 1 && static_cast<unsigned char>(utf8_char[0]) < 0x80) {
    return static_cast<uint16_t>(utf8_char[0]);
  }
  if (utf8_char == kF8F5) return 0xFF;
  if (utf8_char == kEuro) return 0x80;
  thread_local Converter encoder("CP936", "UTF-8");
  std::string out;
  if (!encoder.Run(utf8_char, &out) || out.empty() || out.size() > 2) return std::nullopt;
  if (out.size() == 1) return static_cast<uint16_t>(static_cast<unsigned char>(out[0]));
  return static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                               static_cast<unsigned char>(out[1]));
}

}  // namespace ostrel::vb
