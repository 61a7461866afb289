#include <gtest/gtest.h>

#include "flash_page.h"
#include "platform/ado/ado_error.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::flash {
namespace {

using FlashCollectionTest = FlashPageTest;

TEST_F(FlashCollectionTest, PropertiesThroughTheDispatchInterface) {
  auto flash = std::make_shared<FlashCollection>();
  EXPECT_EQ(flash->channel_id(), 1);
  EXPECT_EQ(flash->page_list_num(), 30);
  for (int32_t n : {40000, -32769}) {
    try {
      flash->Let("PageListNum", vb::Variant(n));
      ADD_FAILURE() << n;
    } catch (const vb::VbError& error) {
      EXPECT_EQ(error.number(), vb::kErrOverflow);
    }
    EXPECT_EQ(flash->page_list_num(), 30);
  }
  flash->Let("PageListNum", vb::Variant(int32_t{32767}));
  EXPECT_EQ(flash->page_list_num(), 32767);
  // Set-only: the properties have no read accessor.
  EXPECT_THROW(flash->Get("ScriptFileName"), vb::VbError);
  vb::Variant mode[] = {vb::Variant("3")};
  EXPECT_EQ(vb::CStr(flash->Call("ShowFlashMode", mode)), flash->ShowFlashMode(3));
  // The class counters answer a String, "" (the other channels: Empty).
  vb::Variant count[] = {vb::Variant(int32_t{1}), vb::Variant(int32_t{99})};
  const vb::Variant counted = flash->Call("ClassUpdateCount", count);
  EXPECT_FALSE(counted.IsEmpty());
  EXPECT_EQ(vb::CStr(counted), "");
}

TEST_F(FlashCollectionTest, RecordsReadByPosition) {
  AddItem(1, 5, "甲", "star=0, showmode=3, PathForm=70000, RetuneClass=NULL, strReplace='a|b'");
  AddItem(2, 5, "乙", "star=5, RemoteListUrl='http://r/', downpage=1, FindInfoCode='x$$$y'");
  AddItem(3, 5, "丙", "star=6");
  RunSql(
      "UPDATE QX_FlashConfig SET UseDownload=9, isProgress=3, setInterval=70000, "
      "MaxDownSize=512, AllowDownExt='swf|jpg', FilePrefix='p', FileSuffix='s' WHERE id=1");
  Request("");
  const FlashSettings& s = last_->settings();
  EXPECT_EQ(s.UseDownload, 9);
  EXPECT_EQ(s.isProgress, 3);
  EXPECT_EQ(s.setInterval, 70000);
  EXPECT_EQ(s.MaxDownSize, 512);
  EXPECT_EQ(s.AllowDownExt + s.FilePrefix + s.FileSuffix, "swf|jpgps");

  vb::Variant one(int32_t{1}), two("2"), three(int32_t{3});
  last_->ReadFlashItem(one);
  EXPECT_GE(last_->item().star, 2);  // the toolbox's random star
  EXPECT_LE(last_->item().star, 4);
  EXPECT_EQ(last_->item().showmode, 3);
  EXPECT_EQ(last_->item().PathForm, 70000);
  EXPECT_EQ(last_->item().RetuneClass, "");
  EXPECT_EQ(last_->item().strReplace, "a|b");
  last_->ReadFlashItem(two);
  EXPECT_EQ(last_->item().star, 5);
  EXPECT_EQ(last_->item().RemoteListUrl, "http://r/");
  EXPECT_EQ(last_->item().downpage, 1);
  EXPECT_EQ(last_->item().FindInfoCode, "x$$$y");
  EXPECT_EQ(last_->item().strReplace, "a|b");  // a Null-tested column keeps its field
  last_->ReadFlashItem(three);
  EXPECT_NE(last_->item().star, 6);

  // Read again from the cache, not the table.
  RunSql("UPDATE QX_FlashItem SET RemoteListUrl='changed' WHERE ItemID=2");
  last_->ReadFlashItem(two);
  EXPECT_EQ(last_->item().RemoteListUrl, "http://r/");
}

TEST_F(FlashCollectionTest, ActionsAndChannel) {
  ExpectChannelFallsBackTo(5);
  EXPECT_NE(Request("action=%20EDIT%20&ItemID=x").find("alert(\"请选择正确的项目ID!\");"),
            std::string::npos);
  EXPECT_FALSE(last_->edit_mode());
  for (const char* query : {"action=yes", "action=nothing", "action="}) {
    EXPECT_NE(Request(query).find("还没有找到任何采集项目！"), std::string::npos) << query;
  }
  EXPECT_NE(last_->wait_banner().find("...正在收集数据...请稍候..."), std::string::npos);
}

TEST_F(FlashCollectionTest, ItemListAndSummary) {
  AddItem(1, 5, "动画");
  AddItem(31, 5, "<i>x</i>", "ClassID=999, SpecialID=3");
  AddItem(40, 2, "别的频道");
  const std::string page = Request("");
  EXPECT_EQ(CountOf(page, "<tr align=center>"), 2);
  EXPECT_NE(page.find("ShowListPage(1,1,2,30,'','动画采集');"), std::string::npos);
  EXPECT_NE(
      page.find("&lt;i&gt;x&lt;/i&gt;</a></td> <td class=TableRow1 title='点击查看目标网站列表'>"
                "<a href='http://site/list' target=_blank>没有分类</a></td> "
                "<td class=TableRow1>没有指定专题</td>"),
      std::string::npos);
  EXPECT_NE(page.find("?action=del&ItemID=31&ChannelID=5'"), std::string::npos);

  // A run that crossed midnight took seconds, not a negative time.
  session_->SetItem("SucceedCount", vb::Variant(int32_t{7}));
  const std::string summary = Request("action=yes&D=86399");
  EXPECT_NE(summary.find("成功采集动画 <font color=\"#FF0000\">7</font> 个"), std::string::npos);
  EXPECT_EQ(summary.find("总费时 <font color=\"#FF0000\">-"), std::string::npos);
}

TEST_F(FlashCollectionTest, DeleteKeepsToTheChannelAndDropsTheCache) {
  ExpectDeleteKeepsToTheChannel(5, 2, "Admin_FlashGather.asp?ChannelID=5");
}

TEST_F(FlashCollectionTest, AFailedConnectionMakesTheObjectUnusable) {
  application_->SetItem("keep", vb::Variant(1));
  const std::string missing = "Data Source=" + (dir_ / "missing.db").string();
  const std::string page = Request("action=remove", "", {}, missing);
  EXPECT_EQ(page, "数据库连接出错，请检查连接字串。");
  EXPECT_TRUE(context_->Response->IsEnded());
  EXPECT_FALSE(last_->usable());
  EXPECT_TRUE(application_->contents().Contains("keep"));  // no action ran
  // Later calls fail with the reason instead of running on no connection.
  vb::Variant one(int32_t{1});
  try {
    last_->ReloadFlashItem(one);
    ADD_FAILURE() << "no error";
  } catch (const vb::VbError& error) {
    EXPECT_EQ(error.number(), ado::kErrInvalidConnection);
    EXPECT_EQ(error.description(), "数据库连接出错，请检查连接字串。");
  }
  last_->ReadFlashItem(one);  // passes over it, as the reader does
  EXPECT_EQ(last_->item().ClassID, 0);
}

}  // namespace
}  // namespace ostrel::flash
