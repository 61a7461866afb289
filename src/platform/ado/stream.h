// ADODB.Stream: a byte buffer with a position, read and written as bytes
// (Type 1) or as text in a charset (Type 2), loaded from and saved to files
// named in Windows form.
//
// Text written in UTF-8 or "Unicode" (UTF-16LE) at the start of an empty
// stream begins with the byte-order mark, as the original stream does; other
// charsets (GB2312, BIG5 ...) have none. Reading text drops a leading mark.
// SaveToFile writes a temporary file beside the target and renames it, so a
// reader never sees half a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::ado {

enum StreamType : int32_t { adTypeBinary = 1, adTypeText = 2 };
enum SaveOptions : int32_t { adSaveCreateNotExist = 1, adSaveCreateOverWrite = 2 };
enum StreamRead : int32_t { adReadAll = -1 };

class Stream {
 public:
  Stream() = default;

  int32_t Type() const { return type_; }
  // Only at position 0 (3219 otherwise); 1 or 2.
  void SetType(int32_t type);
  const std::string& Charset() const { return charset_; }
  // A charset the converter does not know raises 3001.
  void SetCharset(std::string_view charset);
  int32_t Mode() const { return mode_; }
  void SetMode(int32_t mode) { mode_ = mode; }  // kept; the stream is always read-write

  // Opens an empty stream.
  void Open();
  void Close();
  int32_t State() const { return open_ ? 1 : 0; }
  void Cancel() {}  // nothing runs in the background

  int64_t Position() const;
  void SetPosition(int64_t position);  // 0 to Size
  int64_t Size() const;

  // Binary streams: bytes at the position (count -1: all the rest).
  void Write(std::string_view bytes);
  std::string Read(int32_t count = adReadAll);
  // Text streams: text (UTF-8) converted to and from the charset. Decoding
  // never fails: bytes the charset does not read become U+FFFD. ReadText
  // reads the rest of the stream (only adReadAll is offered).
  void WriteText(std::string_view text);
  std::string ReadText(int32_t count = adReadAll);

  // Replaces the contents with the file's bytes; position 0. A missing or
  // unreadable file (or one above the size limit) raises 3002.
  void LoadFromFile(std::string_view windows_path);
  // Writes the whole contents to the file. adSaveCreateNotExist refuses an
  // existing file; adSaveCreateOverWrite replaces it. Failure raises 3004.
  void SaveToFile(std::string_view windows_path, int32_t options = adSaveCreateNotExist);

 private:
  void RequireOpen() const;
  void Put(std::string_view bytes);

  bool open_ = false;
  int32_t type_ = adTypeBinary;
  int32_t mode_ = 0;
  std::string charset_ = "Unicode";
  std::string data_;
  size_t position_ = 0;
};

}  // namespace ostrel::ado
