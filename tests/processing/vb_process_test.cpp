#include "processing/vb_process.h"

#include <gtest/gtest.h>

#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/datetime.h"
#include "processing/page_fixture.h"

namespace ostrel::processing {
namespace {

using testing::ClockGuard;
using testing::PageFixture;

class VBProcessTest : public PageFixture {};

TEST_F(VBProcessTest, DefaultsAndMaxSizeBoundary) {
  VBProcess p;
  EXPECT_EQ(p.Version(), "1.1.1282");
  EXPECT_EQ(vb::CStr(p.CacheName), "myzemble");
  EXPECT_EQ(p.allow_ext(), "gif|jpg|jpge|png|bmp|swf|fla|psd");
  EXPECT_TRUE(p.add_image_mark());
  p.SetMaxSize(2097151);
  EXPECT_EQ(p.max_size_bytes(), 2147482624);
  try {
    p.SetMaxSize(2097152);
    FAIL() << "no overflow";
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.number(), vb::kErrOverflow);
  }
  EXPECT_EQ(p.max_size_bytes(), 2147482624);  // the old value stays
}

TEST_F(VBProcessTest, CacheKeysIgnoreCaseAndValueStaysCurrent) {
  VBProcess writer;
  writer.SetName("MyConfig");
  EXPECT_TRUE(writer.ObjIsEmpty());
  writer.SetValue(vb::Variant("rows"));
  EXPECT_EQ(vb::CStr(writer.Value()), "rows");  // no new Name needed
  EXPECT_TRUE(application_->Item("MYZEMBLE_MYCONFIG").IsArray());

  VBProcess reader;
  reader.SetName("myconfig");
  EXPECT_FALSE(reader.ObjIsEmpty());
  EXPECT_EQ(vb::CStr(reader.Value()), "rows");

  // Removal keeps the given letter case; the store matches without it.
  reader.DelCahe(vb::Variant("MyConfig"));
  reader.SetName("MYCONFIG");
  EXPECT_TRUE(reader.ObjIsEmpty());
  EXPECT_TRUE(reader.Value().IsEmpty());
}

TEST_F(VBProcessTest, CacheEntryExpiresAtTwentyDays) {
  vb::DateTime now = vb::DateSerial(2026, 3, 1);
  ClockGuard clock(&now);
  VBProcess p;
  p.SetName("NewsConfig");
  p.SetValue(vb::Variant(int32_t{7}));
  now.serial += 1727999.0 / 86400.0;
  p.SetName("NewsConfig");
  EXPECT_FALSE(p.ObjIsEmpty());
  now.serial = vb::DateSerial(2026, 3, 1).serial + 1728000.0 / 86400.0;
  p.SetName("NewsConfig");
  EXPECT_TRUE(p.ObjIsEmpty());
  EXPECT_EQ(vb::CLng(p.Value()), 7);  // expiry is not checked by the read
}

TEST_F(VBProcessTest, MalformedEntriesCountAsEmpty) {
  VBProcess p;
  application_->SetItem("myzemble_x", vb::Variant("not an entry"));
  p.SetName("x");
  EXPECT_TRUE(p.ObjIsEmpty());
  vb::Variant entry = vb::Variant::Array1(0, 2);
  entry.At(1) = vb::Variant("2026-1-1");  // text, not a date
  application_->SetItem("myzemble_y", entry);
  p.SetName("y");
  EXPECT_TRUE(p.ObjIsEmpty());
}

TEST_F(VBProcessTest, ValueBeforeNameRaisesTheCacheError) {
  VBProcess p;
  for (int write = 0; write < 2; ++write) {
    try {
      if (write) {
        p.SetValue(vb::Variant(1));
      } else {
        p.Value();
      }
      FAIL() << "no error";
    } catch (const vb::VbError& e) {
      EXPECT_EQ(static_cast<uint32_t>(e.number()), 0x80040001u);
      EXPECT_EQ(e.source(), "ZembleCacheServer");
      EXPECT_EQ(e.description(), " please change the CacheName.");
    }
  }
  EXPECT_EQ(application_->contents().Count(), 0);
}

TEST_F(VBProcessTest, ExecuteOpensTheHostConnectionOnce) {
  VBProcess p;
  p.SetConnectstr(ConnString());
  EXPECT_FALSE(component::HostState().HostConnected);
  auto rs = p.Execute(vb::Variant("SELECT SiteName FROM QX_Config"));
  ASSERT_TRUE(rs);
  EXPECT_FALSE(rs->Eof());
  EXPECT_TRUE(component::HostState().HostConnected);
  auto first = component::HostState().HostConnection;
  p.Execute(vb::Variant("SELECT 1"));
  EXPECT_EQ(component::HostState().HostConnection, first);
  // A failing statement gives nothing and reaches no caller.
  EXPECT_FALSE(p.Execute(vb::Variant("SELECT * FROM NoSuchTable")));
  // Two statements in one call are refused.
  EXPECT_FALSE(p.Execute(vb::Variant("UPDATE QX_Config SET SiteName='x'; DELETE FROM QX_Config")));
  auto check = p.Execute(vb::Variant("SELECT COUNT(*) FROM QX_Config"));
  ASSERT_TRUE(check);
  EXPECT_EQ(vb::CLng(check->Fields(0).Value()), 1);
}

TEST_F(VBProcessTest, WrongConnectionStringEndsTheResponseOnce) {
  VBProcess p;
  p.SetConnectstr("Data Source=" + dir_.string() + "/missing.db");
  EXPECT_FALSE(p.Execute(vb::Variant("SELECT 1")));
  EXPECT_TRUE(component::HostState().HostConnected);
  EXPECT_FALSE(component::HostState().HostConnection);
  EXPECT_FALSE(p.Execute(vb::Variant("SELECT 1")));  // no second attempt, no second message
  EXPECT_EQ(Output(), "数据库连接出错，请打开conn.asp文件检查连接字串。");
  EXPECT_TRUE(context_->Response->IsEnded());
}

TEST_F(VBProcessTest, HostConnectionDoesNotLeakIntoTheNextRequest) {
  {
    VBProcess p;
    p.SetConnectstr(ConnString());
    ASSERT_TRUE(p.Execute(vb::Variant("SELECT 1")));
  }
  StartRequest("");
  EXPECT_FALSE(component::HostState().HostConnected);
  EXPECT_FALSE(component::HostState().HostConnection);
}

TEST_F(VBProcessTest, LateBoundMembersFollowTheInterface) {
  auto p = std::make_shared<VBProcess>();
  EXPECT_EQ(vb::CStr(p->Get("version")), "1.1.1282");
  p->Let("NAME", vb::Variant("Dated"));
  p->Let("value", vb::Variant("2026-1-1"));
  EXPECT_EQ(vb::CStr(p->Get("Value")), "2026-1-1");
  std::vector<vb::Variant> args{vb::Variant(" 7 ")};
  EXPECT_EQ(vb::CLng(p->Call("chknumeric", args)), 7);
  // Host pages reach the members in the order of the class's interface.
  const char* expected =
      "PathFileName PictureExist PreviewSetting CacheName CacheData VersionID SiteName "
      "FSO_ScriptName InstallDir Version AddImageMark MaxSize AllowExt PictureEx AllFileName "
      "CachesName Name Value ObjIsEmpty DelCahe ChkBoolean CheckNumeric ChkNumeric CheckNull "
      "CheckStr CheckNostr CheckNullStr CheckMapPath CheckHTTP GetRemoteData FindMatch CutFixed "
      "ReplaceTrim CheckMatch CheckHTML CutFixation Formatime FormatRemoteUrl FormatContentUrl "
      "SaveRemoteFile RemoteToLocal FormatUrl Html2Ubb ReplaceClass FormatSize FormatFileSize "
      "URLDecode BuildDatePath GetRndFileName GetFileExtName GetRndHits GetRndStar CheckPath "
      "FolderExists CreatedPathEx vbCreatPathEx DeleteFiles DeleteFolders MoveFolders MoveFiles "
      "CreateXML2DOM CreateXMLDOM CreateXMLDocument JAPEncode JAPUncode FormatStr FindFileSize "
      "Connectstr SqlDataBase Execute ReadConfig ReloadConfig LoadSelectClass HtmlRndFileName "
      "FormatDate ChkFormStr ReadAlpha AddWatermark";
  std::string names;
  for (const auto& m : p->Type().members()) names += (names.empty() ? "" : " ") + m.name;
  EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace ostrel::processing
