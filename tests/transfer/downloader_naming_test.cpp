// Local names, the naming setters, and the speed meter with its text.
#include <gtest/gtest.h>

#include "platform/vb/datetime.h"
#include "support/clock_guard.h"
#include "support/error_of.h"
#include "transfer/downloader_fixture.h"
#include "transfer/t_speed.h"

namespace ostrel::testing {
namespace {

using transfer::Downloader;

// A downloader whose address has been split (the probe finds no server on
// the closed loopback port).
std::unique_ptr<Downloader> Probed(const std::string& path) {
  auto down = std::make_unique<Downloader>();
  down->url("http://127.0.0.1:1" + path);
  down->SaveFilePath("D:\\down");
  down->Execute();
  return down;
}

TEST_F(DownloaderTest, PrefixSuffixAndFilterBuildTheName) {
  auto down = Probed("/soft/mytool.zip");
  down->FilePrefix("x_");
  down->FileSuffix("_v1");
  down->PlusPrefix(true);
  EXPECT_EQ(down->GetFullFilePath(), "D:\\down\\x_mytool_v1.zip");
  down->PlusPrefix(false);
  EXPECT_EQ(down->GetFullFilePath(), "D:\\down\\mytool_v1.zip");

  down->FilterName("[www]|(cn)");
  EXPECT_EQ(down->CheckNamestr("a[WWW]b(Cn)c.zip"), "abc.zip");
  down->FilePrefix("a");
  EXPECT_EQ(down->GetFullFilePath(), "D:\\down\\mytool_v1.zip");
  down->PlusPrefix(true);
  down->FilePrefix("ab*?");
  EXPECT_EQ(down->GetFullFilePath(), "D:\\down\\abmytool_v1.zip");
  // A separator would move the file out of its folder: refused, kept.
  EXPECT_EQ(ErrorOf([&] { down->FilePrefix("..\\x"); }), vb::kErrInvalidCall);
  EXPECT_EQ(ErrorOf([&] { down->FileSuffix("/x"); }), vb::kErrInvalidCall);
  EXPECT_EQ(ErrorOf([&] { down->FilterName("a|/"); }), vb::kErrInvalidCall);
  EXPECT_EQ(down->GetFullFilePath(), "D:\\down\\abmytool_v1.zip");
  EXPECT_EQ(ErrorOf([&] { down->AddFileSuffix("noext"); }), vb::kErrInvalidCall);
}

TEST_F(DownloaderTest, NamesFromRemoteAddressesStayInTheFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"/x/..%5C..%5Cevil.zip", "D:\\down\\evil.zip"},
      {"/x/CON.zip", "D:\\down\\_CON.zip"},
      {"/x/a:b|c.zip", "D:\\down\\a_b_c.zip"},
      {"/x/c%2B%2B.zip", "D:\\down\\c__.zip"},  // GenFileName would decode "+"
      {"/x/..", "D:\\down\\._"},
  };
  for (const auto& [path, expected] : cases) {
    auto down = Probed(path);
    EXPECT_EQ(down->GetFullFilePath(), expected) << path;
  }
}

TEST_F(DownloaderTest, DecodingAndRandomNames) {
  Downloader down;
  EXPECT_EQ(down.URLDecode("a+b%2Fc%D6%D0"), "a b/c中");
  EXPECT_EQ(down.URLDecode("a%20b"), "a%20b");
  down.SaveFile("D:/soft/x%D6%D0'?.zip");
  EXPECT_EQ(down.GenFileName(), "x中.zip");

  ClockGuard clock(At(2005, 11, 19, 8, 5, 3));
  auto zip = Probed("/soft/a.zip");
  std::string name = zip->GetRndFileName();
  // Year, month, day, hour, minute, second unpadded, then 100 to 999.
  EXPECT_TRUE(name.starts_with("20051119853")) << name;
  EXPECT_EQ(name.size(), std::string("20051119853347.zip").size()) << name;
  EXPECT_TRUE(name.ends_with(".zip")) << name;
  zip->AutoRename(1);
  EXPECT_TRUE(zip->GetFullFilePath().starts_with("D:\\down\\20051119853")) << name;
}

TEST(TSpeedTest, SpeedsFollowTheTicks) {
  uint64_t ms = 5000;
  vb::SetClock([&ms] { return vb::ClockReading{vb::DateSerial(2005, 1, 1), ms * 1000000}; });
  transfer::TSpeed meter;
  meter.Clear();
  EXPECT_EQ(meter.TotalSpeed(), 0);
  EXPECT_EQ(meter.Speed(), 0);
  EXPECT_FALSE(meter.NewSpeed());
  ms += 2000;
  meter.Count(10240);
  EXPECT_EQ(meter.TotalSpeed(), 5120);
  EXPECT_EQ(meter.TotalTickCount(), 2000);
  EXPECT_TRUE(meter.NewSpeed());
  EXPECT_EQ(meter.Speed(), 5120);
  EXPECT_EQ(meter.Speed(), 5120);
  EXPECT_EQ(ErrorOf([&] { meter.Count(INT32_MAX); }), vb::kErrOverflow);
  vb::SetClock(nullptr);

  const std::pair<int64_t, const char*> texts[] = {
      {532, "532 字节"}, {1340, "1.30 KB"}, {23506, "22.9 KB"}, {2400016, "2.28 MB"}};
  for (const auto& [bytes, text] : texts) EXPECT_EQ(transfer::StrFormatByteSize(bytes), text);
  EXPECT_EQ(transfer::SpeedText(1024), "1.00 KB");
  EXPECT_EQ(transfer::SpeedText(2048), "(2.00 KB/s)");
}

}  // namespace
}  // namespace ostrel::testing
