// The watermark hook on real pictures in a site folder: what the site's
// settings make ImageMark draw, where, and when a saved picture must come
// through byte for byte.
#include "processing/watermark_hook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/test_pictures.h"
#include "imaging/image_mark.h"
#include "platform/image/installed.h"
#include "platform/vb/convert.h"
#include "processing/page_fixture.h"
#include "support/fixtures.h"

namespace ostrel::processing {
namespace {

using image::Format;
using image::testing::Box;
using image::testing::ChangedBox;
using image::testing::LoadNative;
using image::testing::ReadBytes;
using image::testing::WriteBytes;
using image::testing::WritePicture;

constexpr int kGvbox = 0;
constexpr int kPersits = 1;
constexpr int kImageGen = 2;

// The site's watermark settings, items 0 to 15: a Chinese text mark at the
// bottom right in an 80 x 20 box, no preview size gate.
struct Setting {
  std::vector<std::string> item = {
      "1", "0", "1",  "0",  "0", "水印", "16", "#FF0000", "Arial", "0", "images/mark.png",
      "1", "0", "80", "20", "4"};
  Setting& Set(int index, std::string value) {
    item[index] = std::move(value);
    return *this;
  }
  std::string Text() const {
    std::string text;
    for (size_t i = 0; i < item.size(); ++i) text += (i ? "," : "") + item[i];
    return text;
  }
};

class WatermarkHookTest : public testing::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    host_ = component::HostObjects::Take();
    std::filesystem::create_directories(dir_ / "article/UploadPic");
  }
  void TearDown() override {
    for (auto id : {image::kGvboxProgId, image::kPersitsJpegProgId, image::kImageGenProgId}) {
      image::SetInstalled(id, true);
    }
    PageFixture::TearDown();
  }

  std::string Native(const std::string& name) const {
    return (dir_ / "article/UploadPic" / name).string();
  }
  bool Mark(const Setting& setting, const std::string& name) {
    return AddWatermark(host_, true, setting.Text(), "/", "/article/UploadPic/" + name);
  }
  // Marks a fresh white 400 x 300 PNG and gives the box of changed pixels.
  Box MarkedBox(const Setting& setting) {
    WritePicture(Native("a.png"), Format::kPng, 400, 300, 0xFFFFFF);
    EXPECT_TRUE(Mark(setting, "a.png"));
    image::Picture p = LoadNative(Native("a.png"));
    EXPECT_EQ(p.format(), Format::kPng);
    return ChangedBox(p, 0xFFFFFF, 0);
  }
  // Files in the upload folder (a renderer must leave no temporary file).
  size_t FileCount() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(dir_ / "article/UploadPic")) {
      ++n;
    }
    return n;
  }

  component::HostObjects host_;
};

class MarkingComponents : public WatermarkHookTest, public ::testing::WithParamInterface<int> {};

TEST_P(MarkingComponents, ChineseTextLandsWhereThePositionSays) {
  Setting s;
  s.Set(0, std::to_string(GetParam()));
  Box corner = MarkedBox(s);  // bottom right: the box's corner at (318, 278)
  ASSERT_GT(corner.w(), 10);
  EXPECT_GE(corner.x0, 318);
  EXPECT_GE(corner.y0, 278);
  EXPECT_LT(corner.x0, 330);

  Box centre = MarkedBox(s.Set(15, "2"));  // (160, 140)
  ASSERT_GT(centre.w(), 10);
  EXPECT_GE(centre.x0, 160);
  EXPECT_LT(centre.x0, 172);
  EXPECT_GE(centre.y0, 140);
  EXPECT_LT(centre.y1, 180);

  Box top_left = MarkedBox(s.Set(15, "0"));  // (2, 2)
  ASSERT_GT(top_left.w(), 10);
  EXPECT_GE(top_left.x0, 2);
  EXPECT_LT(top_left.x0, 12);
  EXPECT_LT(top_left.y1, 40);
  EXPECT_EQ(FileCount(), 1u);  // marked in place, no preview
}

TEST_P(MarkingComponents, PictureMarkFromTheInstallationFolder) {
  std::filesystem::create_directories(dir_ / "images");
  std::filesystem::copy_file(::ostrel::testing::FixturePath("images/mark.png"),
                             dir_ / "images/mark.png");
  Setting s;
  s.Set(0, std::to_string(GetParam())).Set(2, "2");
  Box box = MarkedBox(s);
  ASSERT_GT(box.w(), 10);
  EXPECT_GE(box.x0, 300);
  EXPECT_GE(box.y0, 270);
}

// A mark box half as wide as the picture or more gives no mark: the picture
// must be more than twice as wide. Unmarked, the file keeps its bytes.
TEST_P(MarkingComponents, OnlyPicturesMoreThanTwiceTheBoxWidthAreMarked) {
  Setting s;
  s.Set(0, std::to_string(GetParam())).Set(13, "60").Set(15, "0");
  WritePicture(Native("narrow.jpg"), Format::kJpeg, 120, 100, 0xFFFFFF);
  std::string before = ReadBytes(Native("narrow.jpg"));
  EXPECT_TRUE(Mark(s, "narrow.jpg"));
  EXPECT_EQ(ReadBytes(Native("narrow.jpg")), before);

  WritePicture(Native("wide.png"), Format::kPng, 121, 100, 0xFFFFFF);
  EXPECT_TRUE(Mark(s, "wide.png"));
  EXPECT_GT(ChangedBox(LoadNative(Native("wide.png")), 0xFFFFFF, 0).w(), 0);
}

TEST_P(MarkingComponents, PicturesLeftByteForByte) {
  const std::string component = std::to_string(GetParam());
  struct Case {
    const char* why;
    Setting setting;
    Format format;
    const char* name;
  };
  std::vector<Case> cases = {
      {"smaller than the preview width", Setting().Set(3, "401"), Format::kJpeg, "a.jpg"},
      {"smaller than the preview height", Setting().Set(4, "301"), Format::kJpeg, "a.jpg"},
      {"a GIF is never marked", Setting(), Format::kGif, "a.gif"},
      {"mark kind 0", Setting().Set(2, "0"), Format::kJpeg, "a.jpg"},
      {"mark text \"0\"", Setting().Set(5, "0"), Format::kJpeg, "a.jpg"},
      {"a kind with no information", Setting().Set(2, "3"), Format::kJpeg, "a.jpg"},
      {"an empty mark text", Setting().Set(5, ""), Format::kJpeg, "a.jpg"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.why);
    c.setting.Set(0, component);
    WritePicture(Native(c.name), c.format, 400, 300, 0xFFFFFF);
    std::string before = ReadBytes(Native(c.name));
    EXPECT_TRUE(Mark(c.setting, c.name));
    EXPECT_EQ(ReadBytes(Native(c.name)), before);
    std::filesystem::remove(Native(c.name));
    EXPECT_EQ(FileCount(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(PersitsAndImageGen, MarkingComponents,
                         ::testing::Values(kPersits, kImageGen));

// Whatever a renderer meets (its component missing, a file that is no
// picture, no file at all), the hook has done its part and the file stays
// as it came.
TEST_F(WatermarkHookTest, EachRenderersFailureLeavesTheFileAlone) {
  const std::string not_a_picture = std::string(300, 'x') + "<script>alert(1)</script>";
  for (int component : {kGvbox, kPersits, kImageGen}) {
    SCOPED_TRACE(component);
    Setting s;
    s.Set(0, std::to_string(component));

    WriteBytes(Native("fake.jpg"), not_a_picture);
    EXPECT_TRUE(Mark(s, "fake.jpg"));
    EXPECT_EQ(ReadBytes(Native("fake.jpg")), not_a_picture);

    EXPECT_TRUE(Mark(s, "missing.jpg"));
    EXPECT_FALSE(std::filesystem::exists(Native("missing.jpg")));

    WritePicture(Native("a.jpg"), Format::kJpeg, 400, 300, 0xFFFFFF);
    std::string before = ReadBytes(Native("a.jpg"));
    for (auto id : {image::kGvboxProgId, image::kPersitsJpegProgId, image::kImageGenProgId}) {
      image::SetInstalled(id, false);
    }
    EXPECT_TRUE(Mark(s, "a.jpg"));
    EXPECT_EQ(ReadBytes(Native("a.jpg")), before);
    for (auto id : {image::kGvboxProgId, image::kPersitsJpegProgId, image::kImageGenProgId}) {
      image::SetInstalled(id, true);
    }
    // The preview maker never changes the picture, and the hook asks for
    // no preview.
    if (component == kGvbox) {
      EXPECT_TRUE(Mark(s, "a.jpg"));
      EXPECT_EQ(ReadBytes(Native("a.jpg")), before);
    }
    EXPECT_EQ(FileCount(), 2u);
    std::filesystem::remove(Native("fake.jpg"));
    std::filesystem::remove(Native("a.jpg"));
  }
}

TEST_F(WatermarkHookTest, BoldTakesAnyWholeNumberButZero) {
  Setting s;
  s.Set(15, "0");
  auto inked = [&](const std::string& bold) {
    WritePicture(Native("b.png"), Format::kPng, 400, 300, 0xFFFFFF);
    EXPECT_TRUE(Mark(Setting(s).Set(9, bold), "b.png"));
    image::Picture p = LoadNative(Native("b.png"));
    int n = 0;
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 200; ++x) n += p.Pixel(x, y) != 0xFFFFFF;
    }
    return n;
  };
  int plain = inked("0");
  ASSERT_GT(plain, 0);
  EXPECT_GT(inked("-1"), plain);
  EXPECT_EQ(inked("-1"), inked("2"));
}

TEST_F(WatermarkHookTest, SwitchedOffOrFailingSettingsGiveFalseAndTouchNothing) {
  WritePicture(Native("a.jpg"), Format::kJpeg, 400, 300, 0xFFFFFF);
  const std::string before = ReadBytes(Native("a.jpg"));
  std::string fifteen = Setting().Text();
  fifteen = fifteen.substr(0, fifteen.rfind(','));

  EXPECT_FALSE(AddWatermark(host_, false, Setting().Text(), "/", "/article/UploadPic/a.jpg"));
  EXPECT_FALSE(Mark(Setting().Set(0, "4"), "a.jpg"));
  EXPECT_FALSE(AddWatermark(host_, true, "4", "/", "/article/UploadPic/a.jpg"));
  EXPECT_FALSE(AddWatermark(host_, true, fifteen, "/", "/article/UploadPic/a.jpg"));
  EXPECT_FALSE(AddWatermark(host_, true, "", "/", "/article/UploadPic/a.jpg"));
  EXPECT_FALSE(Mark(Setting().Set(3, "wide"), "a.jpg"));
  EXPECT_FALSE(Mark(Setting().Set(6, "40000"), "a.jpg"));
  EXPECT_FALSE(Mark(Setting().Set(11, "half"), "a.jpg"));
  // A mark picture outside the site.
  EXPECT_FALSE(
      AddWatermark(host_, true, Setting().Set(2, "2").Text(), "/../", "/article/UploadPic/a.jpg"));
  EXPECT_EQ(ReadBytes(Native("a.jpg")), before);

  // A file name without an extension cannot be named for a preview.
  WritePicture(Native("noext"), Format::kJpeg, 400, 300, 0xFFFFFF);
  EXPECT_FALSE(Mark(Setting(), "noext"));
}

// A host page drives ImageMark late-bound, by member name in any case.
TEST_F(WatermarkHookTest, ImageMarkLateBound) {
  imaging::ImageMark mark;
  com::Dispatch& object = mark;
  object.Let("drawfontcolor", vb::Variant("#00FF00"));
  object.Let("TransitionColor", vb::Variant("#FF00FF"));
  object.Let("PreviewType", vb::Variant(int32_t{2}));
  EXPECT_EQ(vb::CLng(object.Get("previewtype")), 2);
  EXPECT_EQ(mark.settings().draw_font_color, "&h00FF00");
  EXPECT_EQ(object.Get("Transition_Color").AsString(), "&hFF00FF");
  std::vector<vb::Variant> args = {vb::Variant("d:/web/up/2005/a.b.gif")};
  EXPECT_EQ(object.Call("jpgfilename", args).AsString(), "pica.b.jpg");
  EXPECT_EQ(object.Call("GetFilePath", args).AsString(), "d:\\web\\up\\2005\\");
  object.Let("ErrCodes", vb::Variant(int16_t{2}));
  EXPECT_EQ(object.Get("Description").AsString(), "文件类型不正确!");
}

}  // namespace
}  // namespace ostrel::processing
