#include "processing/watermark_hook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vb/vb_error.h"
#include "processing/page_fixture.h"

namespace ostrel::processing {
namespace {

// A text mark at the bottom right, component 0, bold -1 (items 0 to 15).
constexpr const char* kTextMark =
    "0,1,1,120,90,Ostrel,12,#FF0000,Arial,-1,images/mark.gif,0.5,#FFFFFF,60,20,3";

std::string WithItem(int index, const std::string& value) {
  std::vector<std::string> items;
  std::string list = kTextMark;
  size_t start = 0;
  for (size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1) {
    items.push_back(list.substr(start, comma - start));
  }
  items.push_back(list.substr(start));
  items[index] = value;
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
  return out;
}

class WatermarkHookTest : public testing::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    host_ = component::HostObjects::Take();
    SetWatermarkMaker([this](const WatermarkSettings& s, const std::string& path) {
      calls_.push_back({s, path});
      if (fail_) vb::Raise(vb::kErrInvalidCall);
    });
  }
  void TearDown() override {
    SetWatermarkMaker(nullptr);
    PageFixture::TearDown();
  }

  bool Mark(const std::string& setting, const std::string& file = "/article/UploadPic/a.jpg") {
    return AddWatermark(host_, true, setting, "/", file);
  }
  std::string Root() const {
    std::string path = "C:" + SiteRootNative();
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }

  struct Call {
    WatermarkSettings settings;
    std::string path;
  };
  component::HostObjects host_;
  std::vector<Call> calls_;
  bool fail_ = false;
};

TEST_F(WatermarkHookTest, HandsTheItemsToTheMakerInTheirPlaces) {
  ASSERT_TRUE(Mark(kTextMark));
  ASSERT_EQ(calls_.size(), 1u);
  const WatermarkSettings& s = calls_[0].settings;
  EXPECT_EQ(calls_[0].path, Root() + "\\article\\UploadPic\\a.jpg");
  EXPECT_EQ(s.PreviewType, 0);
  EXPECT_EQ(s.DrawSizeType, 1);
  EXPECT_EQ(s.DrawType, 1);
  EXPECT_EQ(s.PreviewImageWidth, 120);
  EXPECT_EQ(s.PreviewImageHeight, 90);
  EXPECT_EQ(s.DrawInfo, "Ostrel");
  EXPECT_EQ(s.DrawFontSize, 12);
  EXPECT_EQ(s.DrawFontColor, "#FF0000");
  EXPECT_EQ(s.DrawFontFamily, "Arial");
  EXPECT_TRUE(s.DrawFontBold);
  EXPECT_EQ(s.DrawGraph.scaled, 5000);
  EXPECT_EQ(s.TransitionColor, "#FFFFFF");
  EXPECT_EQ(s.DrawImageWidth, 60);
  EXPECT_EQ(s.DrawImageHeight, 20);
  EXPECT_EQ(s.DrawXYType, 3);

  ASSERT_TRUE(Mark(WithItem(9, "0")));
  EXPECT_FALSE(calls_.back().settings.DrawFontBold);
}

TEST_F(WatermarkHookTest, SwitchedOffNeverReachesTheMaker) {
  EXPECT_FALSE(AddWatermark(host_, false, kTextMark, "/", "/a.jpg"));
  EXPECT_FALSE(Mark(WithItem(0, "4")));
  EXPECT_FALSE(Mark("4"));  // item 0 alone decides
  EXPECT_TRUE(calls_.empty());
}

TEST_F(WatermarkHookTest, MarkKinds) {
  // A text mark "0" is no mark, but the maker still runs.
  ASSERT_TRUE(Mark(WithItem(5, "0")));
  EXPECT_EQ(calls_.back().settings.DrawInfo, "");
  EXPECT_EQ(calls_.back().settings.DrawType, 0);
  // A picture mark is looked up under the installation folder.
  ASSERT_TRUE(Mark(WithItem(2, "2")));
  EXPECT_EQ(calls_.back().settings.DrawInfo, Root() + "\\images\\mark.gif");
  EXPECT_EQ(calls_.back().settings.DrawType, 2);
  // Any other kind carries no information.
  ASSERT_TRUE(Mark(WithItem(2, "3")));
  EXPECT_EQ(calls_.back().settings.DrawInfo, "");
}

TEST_F(WatermarkHookTest, FailuresGiveFalse) {
  std::string fifteen = kTextMark;
  fifteen = fifteen.substr(0, fifteen.rfind(','));
  EXPECT_FALSE(Mark(fifteen));
  EXPECT_FALSE(Mark(WithItem(3, "wide")));
  EXPECT_FALSE(Mark(WithItem(6, "40000")));
  EXPECT_FALSE(Mark(""));
  // A picture mark whose path leaves the site.
  EXPECT_FALSE(AddWatermark(host_, true, WithItem(2, "2"), "/../", "/a.jpg"));
  EXPECT_TRUE(calls_.empty());
  // An error while drawing.
  fail_ = true;
  EXPECT_FALSE(Mark(kTextMark));
  EXPECT_EQ(calls_.size(), 1u);
  // No maker installed.
  SetWatermarkMaker(nullptr);
  EXPECT_FALSE(Mark(kTextMark));
}

}  // namespace
}  // namespace ostrel::processing
