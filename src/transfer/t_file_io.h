// TFileIO: splits a path into folder, file name and extension for the
// other classes of the component. Its public interface is empty: a page
// that creates one can call nothing on it.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/dispatch.h"

namespace ostrel::transfer {

class TFileIO : public com::Dispatch {
 public:
  const com::TypeInfo& Type() const override;

  // The text after the last "." when no "\" follows it; "" otherwise.
  static std::string ExtractFileExt(std::string_view path);
  // The text after the last "\"; the whole path when there is none.
  static std::string ExtractFileName(std::string_view path);
  // The path up to and including its last "\"; "" when there is none.
  static std::string ExtractFilePath(std::string_view path);
};

}  // namespace ostrel::transfer
