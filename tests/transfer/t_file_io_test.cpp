#include "transfer/t_file_io.h"

#include <gtest/gtest.h>

#include "platform/vb/vb_error.h"
#include "support/error_of.h"

namespace ostrel::transfer {
namespace {

TEST(TFileIO, SplitsPaths) {
  struct Case {
    const char* path;
    const char* ext;
    const char* name;
    const char* folder;
  } cases[] = {
      {"C:\\soft\\tool.zip", "zip", "tool.zip", "C:\\soft\\"},
      {"C:\\v1.2\\readme", "", "readme", "C:\\v1.2\\"},
      {"C:\\soft\\", "", "", "C:\\soft\\"},
      {"name.tar.gz", "gz", "name.tar.gz", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TFileIO::ExtractFileExt(c.path), c.ext) << c.path;
    EXPECT_EQ(TFileIO::ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(TFileIO::ExtractFilePath(c.path), c.folder) << c.path;
  }
}

TEST(TFileIO, OffersNothingToPages) {
  TFileIO io;
  EXPECT_EQ(testing::ErrorOf([&] { io.Call("ExtractFileExt", {}); }), 438);
}

}  // namespace
}  // namespace ostrel::transfer
