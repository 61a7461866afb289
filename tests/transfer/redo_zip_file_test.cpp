// The re-packer end to end on real archives: zip, RAR and self-extracting
// sources packed again as RAR (our Rar.exe) or zip, the cleaning and readme
// rules, the rename, and every result code, with a hostile set that must
// leave nothing behind.
#include "transfer/redo_zip_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/archive/extract_limits.h"
#include "platform/asp/memory_sink.h"
#include "platform/asp/request_context.h"
#include "platform/fs/path_map.h"
#include "platform/text/charset.h"
#include "support/archive_fixtures.h"
#include "support/temp_dir.h"

namespace ostrel::transfer {
namespace {

using testing::FixtureEntry;
using testing::ListArchive;
using testing::Shell;
using Files = std::map<std::string, std::string>;

const std::string kProgram(2000, 'p');

class RedoZipFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The re-packer runs inside a page request, whose web root is site/.
    dir_.MakeFolder("site");
    context_ = std::make_unique<asp::RequestContext>(
        std::make_shared<asp::Request>(asp::RequestInput{}),
        std::make_shared<asp::Response>(std::make_shared<asp::MemorySink>()),
        std::make_shared<asp::Server>("C:" + dir_.Native("site"), "/admin/Admin_SoftGather.asp"),
        std::make_shared<asp::Session>("test"), std::make_shared<asp::Application>());
    scope_ = std::make_unique<asp::ContextScope>(*context_);
    // A download as the sites pack them: the program in a folder, a note
    // to remove, an .nfo, an advert on the list, and a shortcut to keep.
    Payload("payload", "中文.txt");
    Payload("payload936", text::Encode("中文.txt", "CP936"));
    dir_.Write("readme/readme.txt", "site readme");
    dir_.Write("readme/本站.url", "[InternetShortcut]");
    dir_.Write("note.txt", "comment");
    dir_.MakeFolder("src");
    dir_.MakeFolder("unzip");
    dir_.MakeFolder("rar");
    std::filesystem::create_symlink(testing::RarToolPath(), dir_.path() / "rar" / "Rar.exe");
    redo_ = std::make_unique<RedoZipFile>();
    Configure(*redo_);
  }

  void TearDown() override {
    redo_.reset();
    scope_.reset();
    context_.reset();
  }

  void Payload(const std::string& root, const std::string& cn_name) {
    dir_.Write(root + "/MySoft/program.dat", kProgram);
    dir_.Write(root + "/MySoft/说明.htm", "remove me");
    dir_.Write(root + "/MySoft/info.nfo", "nfo");
    dir_.Write(root + "/MySoft/docs/guide.txt", "guide");
    dir_.Write(root + "/MySoft/docs/deep/x.txt", "deep");
    dir_.Write(root + "/MySoft/" + cn_name, "cn");
    dir_.Write(root + "/下载说明.txt", "advert");
    dir_.Write(root + "/top.url", "[InternetShortcut]");
  }

  void Configure(RedoZipFile& r) {
    r.SetRarPath(dir_.Windows("rar"));
    r.SetSavePath(dir_.Windows("save"));
    r.SetUnzipPath(dir_.Windows("unzip"));
    r.SetReadmePath(dir_.Windows("readme"));
    r.SetReadmeFile("readme.txt|本站.url");
    r.SetExegesisFile(dir_.Windows("note.txt"));
    r.SetZipTimeout(0);
  }

  std::string Zip(const std::string& name, const std::string& options = "-qr") {
    EXPECT_EQ(Shell("cd " + dir_.Native("payload936") + " && LC_ALL=C zip " + options + " " +
                    dir_.Native("src/" + name) + " . >/dev/null"),
              0);
    return dir_.Windows("src/" + name);
  }
  std::string Rar(const std::string& name) {
    EXPECT_EQ(Shell(testing::RarToolPath() + " a -r -ep1 -- " + dir_.Native("src/" + name) + " " +
                    dir_.Native("payload") + "/"),
              0);
    return dir_.Windows("src/" + name);
  }

  // The files of an archive in the save folder, folder entries left out.
  Files Saved(const std::string& name) {
    Files out;
    for (auto& [k, v] : ListArchive(dir_.Native("save/" + name))) {
      if (!k.ends_with("/")) out[k] = v;
    }
    return out;
  }

  static Files Expected(const std::string& top = "MySoft") {
    return {{"readme.txt", "site readme"},
            {"本站.url", "[InternetShortcut]"},
            {"top.url", "[InternetShortcut]"},
            {top + "/readme.txt", "site readme"},
            {top + "/本站.url", "[InternetShortcut]"},
            {top + "/program.dat", kProgram},
            {top + "/docs/guide.txt", "guide"},
            {top + "/docs/deep/x.txt", "deep"},
            {top + "/中文.txt", "cn"}};
  }

  // Bytes that do not compress, so an archive of them measures over a kilobyte.
  static std::string Filler() {
    std::string filler;
    for (uint32_t x = 1; filler.size() < 3000; x = x * 1103515245 + 12345)
      filler += static_cast<char>(x >> 24);
    return filler;
  }

  bool WorkingFoldersGone() { return std::filesystem::is_empty(dir_.path() / "unzip"); }

  testing::TempDir dir_;
  std::unique_ptr<asp::RequestContext> context_;
  std::unique_ptr<asp::ContextScope> scope_;
  std::unique_ptr<RedoZipFile> redo_;
};

TEST_F(RedoZipFileTest, RepacksEachKindOfSource) {
  std::string rar = Rar("tool.rar");
  std::string sfx_rar = Rar("sfx.part");
  dir_.Write("src/really-rar.zip", dir_.Read("src/tool.rar"));  // unzip finds no zip: RAR is tried
  dir_.Write("src/setup.exe", "MZ" + std::string(100000, '\x90') + dir_.Read("src/sfx.part"));
  struct Case {
    std::string source;
    bool zip_mode;
    std::string new_name;
  } cases[] = {
      {Zip("soft.zip"), false, "soft.rar"},
      {Zip("Soft2.ZIP"), true, "Soft2.zip"},
      {Zip("v1.zip.exe.zip"), false, "v1.zip.exe.rar"},  // only the final extension changes
      {rar, true, "tool.zip"},
      {dir_.Windows("src/setup.exe"), false, "setup.rar"},
      {dir_.Windows("src/really-rar.zip"), true, "really-rar.zip"},
  };
  for (const auto& c : cases) {
    RedoZipFile r;
    Configure(r);
    r.SetZipMode(c.zip_mode);
    ASSERT_TRUE(r.RehandleFile(c.source)) << c.source << " " << r.errcode;
    EXPECT_EQ(r.errcode, 0);
    EXPECT_EQ(r.NewFileName, c.new_name);
    EXPECT_EQ(Saved(c.new_name), Expected()) << c.source;
    EXPECT_GT(r.NewFileSize(), 0);
    EXPECT_FALSE(std::filesystem::exists(fs::ToNative(c.source)));  // DelSource
    EXPECT_TRUE(WorkingFoldersGone());
  }
}

TEST_F(RedoZipFileTest, InstallerThatIsNoArchiveIsPackedAsItIs) {
  dir_.Write("src/plain.exe", "MZ" + std::string(2000, 'i'));
  ASSERT_TRUE(redo_->RehandleFile(dir_.Windows("src/plain.exe")));
  Files saved = Saved("plain.rar");
  EXPECT_EQ(saved["plain.exe"], "MZ" + std::string(2000, 'i'));
  EXPECT_EQ(saved["readme.txt"], "site readme");
}

TEST_F(RedoZipFileTest, RenamesTheTopEntryByFilterName) {
  struct Case {
    const char* filter;
    const char* prefix;
    const char* top;
  } cases[] = {
      {"MySoft", "Ostrel Soft", "OstrelSoft"},  // the first part names the entry
      {"nothing|Soft", "*Tool", "MyTool"},      // the one name without a dot, fragments replaced
      {"MySoft", "x", "MySoft"},                // a prefix under two characters is none
  };
  for (const auto& c : cases) {
    RedoZipFile r;
    Configure(r);
    r.SetFilterName(c.filter);
    r.SetFilePrefix(c.prefix);
    ASSERT_TRUE(r.RehandleFile(Zip("soft.zip"))) << c.filter;
    EXPECT_EQ(Saved("soft.rar"), Expected(c.top)) << c.filter;
    std::filesystem::remove(dir_.path() / "save" / "soft.rar");
  }
}

TEST_F(RedoZipFileTest, RemoveFileNamesOnlyTextLikeFiles) {
  redo_->SetRemoveFile("GUIDE.txt|program.dat");
  ASSERT_TRUE(redo_->RehandleFile(Zip("soft.zip")));
  Files expected = Expected();
  expected.erase("MySoft/docs/guide.txt");    // any letter case, any depth
  expected["MySoft/说明.htm"] = "remove me";  // the built-in list is replaced
  expected["下载说明.txt"] = "advert";
  EXPECT_EQ(Saved("soft.rar"), expected);  // program.dat stays: .dat is never compared
}

TEST_F(RedoZipFileTest, UpdateZipNeverReplacesAnExistingTarget) {
  dir_.Write("save/soft.rar", "old");
  EXPECT_FALSE(redo_->RehandleFile(Zip("soft.zip")));
  EXPECT_EQ(redo_->errcode, 1);
  EXPECT_EQ(redo_->Description(), "目标文件已存在，不能进行解压操作！");
  EXPECT_EQ(dir_.Read("save/soft.rar"), "old");
  // Another entry's archive of the same name: each keeps its own file.
  redo_->SetUpdateZip(true);
  EXPECT_TRUE(redo_->RehandleFile(dir_.Windows("src/soft.zip")));
  EXPECT_EQ(redo_->errcode, 0);  // reset by the new call
  EXPECT_EQ(dir_.Read("save/soft.rar"), "old");
  std::string fresh = redo_->NewFileName;
  EXPECT_NE(fresh, "soft.rar");
  EXPECT_TRUE(fresh.ends_with(".rar")) << fresh;
  EXPECT_EQ(Saved(fresh), Expected());
}

TEST_F(RedoZipFileTest, ResultCodes) {
  std::string zip = Zip("soft.zip");
  dir_.Write("src/small.zip", std::string(300, 's'));
  dir_.Write("src/text.zip", std::string(5000, 't'));
  dir_.Write("fail/Rar.exe", "#!/bin/sh\nexit 1\n");
  dir_.Write("empty/Rar.exe", "#!/bin/sh\nexit 0\n");
  dir_.Write("hang/Rar.exe", "#!/bin/sh\nsleep 60\n");
  chmod(dir_.Native("hang/Rar.exe").c_str(), 0755);
  chmod(dir_.Native("fail/Rar.exe").c_str(), 0755);
  chmod(dir_.Native("empty/Rar.exe").c_str(), 0755);
  struct Case {
    const char* what;
    std::string source;
    std::function<void(RedoZipFile&)> set;
    int code;
  } cases[] = {
      {"type", dir_.Windows("src/a.doc"), [](RedoZipFile&) {}, 8},
      {"missing", dir_.Windows("src/none.zip"), [](RedoZipFile& r) { r.SetLeastSize(0); }, 2},
      {"too small", dir_.Windows("src/small.zip"), [](RedoZipFile&) {}, 3},
      {"too large", zip, [](RedoZipFile& r) { r.SetMaxSize(1); }, 3},
      {"no archive", dir_.Windows("src/text.zip"), [](RedoZipFile&) {}, 4},
      {"archiver fails", zip, [&](RedoZipFile& r) { r.SetRarPath(dir_.Windows("fail")); }, 5},
      {"archiver writes nothing", zip, [&](RedoZipFile& r) { r.SetRarPath(dir_.Windows("empty")); },
       5},
      {"no archiver", zip, [&](RedoZipFile& r) { r.SetRarPath(dir_.Windows("none")); }, 5},
      {"archiver hangs", zip,
       [&](RedoZipFile& r) {
         r.SetRarPath(dir_.Windows("hang"));
         r.SetArchiverTimeLimit(std::chrono::milliseconds(200));
       },
       5},
  };
  for (const auto& c : cases) {
    RedoZipFile r;
    Configure(r);
    c.set(r);
    EXPECT_FALSE(r.RehandleFile(c.source)) << c.what;
    EXPECT_EQ(r.errcode, c.code) << c.what;
    EXPECT_TRUE(WorkingFoldersGone()) << c.what;
  }
  EXPECT_TRUE(dir_.Exists("src/soft.zip"));  // a failed rebuild keeps the source
  RedoZipFile r;
  r.SetInceptFile(" RAR|Zip ");
  r.RehandleFile("x.doc");
  EXPECT_EQ(r.Description(), "文件类型不对，本次操作失败！允许处理的文件类型有 rar|zip");
}

TEST_F(RedoZipFileTest, RefusesUnsafeWorkingFolders) {
  std::string zip = Zip("soft.zip");
  struct Case {
    std::string unzip;
  } cases[] = {{""}, {"C:\\"}, {dir_.Windows("")}, {dir_.Windows("src")}, {dir_.Windows("site")}};
  for (const auto& c : cases) {
    RedoZipFile r;
    Configure(r);
    r.SetUnzipPath(c.unzip);
    EXPECT_FALSE(r.RehandleFile(zip)) << c.unzip;
    EXPECT_EQ(r.errcode, 4) << c.unzip;
  }
  EXPECT_TRUE(dir_.Exists("src/soft.zip"));
  EXPECT_TRUE(dir_.Exists("readme/readme.txt"));
}

TEST_F(RedoZipFileTest, HostileArchivesLeaveNothingBehind) {
  const std::string filler = Filler();
  auto zip = [&](const std::string& name, std::vector<FixtureEntry> entries) {
    testing::WriteZipFixture(dir_.Native("src/" + name), entries);
    return dir_.Windows("src/" + name);
  };
  std::string good = Zip("good.zip");
  std::string bytes = dir_.Read("src/good.zip");
  dir_.Write("src/truncated.zip", bytes.substr(0, bytes.size() / 2));
  std::string rar = Rar("locked.rar");
  std::string r4 = dir_.Read("src/locked.rar");
  r4[10] = static_cast<char>(r4[10] | 0x80);  // main header: headers encrypted
  uint32_t crc = testing::Crc32(r4.substr(9, 11));
  r4[7] = static_cast<char>(crc & 0xff);
  r4[8] = static_cast<char>((crc >> 8) & 0xff);
  dir_.Write("src/locked.rar", r4);

  struct Case {
    const char* what;
    std::string source;
    archive::ExtractLimits limits;
  } cases[] = {
      {"parent", zip("slip.zip", {{"MySoft/a.txt", filler}, {"../../evil.txt", "x"}}), {}},
      {"absolute", zip("abs.zip", {{"a.txt", filler}, {dir_.Native("evil.txt"), "x"}}), {}},
      {"bytes",
       zip("bomb.zip", {{"zero.bin", std::string(3 << 20, '\0')}}),
       {10'000, 1 << 20, 1000}},
      {"ratio",
       zip("ratio.zip", {{"zero.bin", std::string(1 << 20, '\0')}}),
       {10'000, 1u << 30, 100, 512 << 10}},
      {"entries",
       zip("many.zip", {{"1.txt", filler}, {"2.txt", filler}, {"3.txt", filler}}),
       {2, 1u << 30, 1000}},
      {"encrypted zip, wrong password", Zip("secret.zip", "-qr -P other"), {}},
      {"encrypted rar", rar, {}},
      {"truncated", dir_.Windows("src/truncated.zip"), {}},
  };
  for (const auto& c : cases) {
    archive::SetExtractLimits(c.limits);
    RedoZipFile r;
    Configure(r);
    r.SetUnzipPass("secret");
    EXPECT_FALSE(r.RehandleFile(c.source)) << c.what;
    EXPECT_EQ(r.errcode, 4) << c.what;
    EXPECT_TRUE(WorkingFoldersGone()) << c.what;
    EXPECT_TRUE(!dir_.Exists("save") || std::filesystem::is_empty(dir_.path() / "save")) << c.what;
  }
  archive::SetExtractLimits({});
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir_.path())) {
    EXPECT_NE(e.path().filename(), "evil.txt") << e.path();
  }
}

TEST_F(RedoZipFileTest, GuardsLeaveOrdinaryArchivesAlone) {
  // A link, as archives made on Unix hold one: dropped, the rest packed.
  const std::string filler = Filler();
  testing::WriteZipFixture(dir_.Native("src/link.zip"),
                           {{"a.txt", filler}, {"lnk", "", FixtureEntry::kSymlink, "/etc"}});
  // Packed far more than the ratio, but a small total.
  testing::WriteZipFixture(dir_.Native("src/log.zip"), {{"log.txt", std::string(2 << 20, 'l')}});
  // Encrypted with UnzipPass; an entry of another password is skipped.
  Zip("secret.zip", "-qr -P secret");
  dir_.Write("other/extra.txt", "another password");
  ASSERT_EQ(Shell("cd " + dir_.Native("other") + " && zip -q -P other " +
                  dir_.Native("src/secret.zip") + " extra.txt"),
            0);
  Files readme = {{"readme.txt", "site readme"}, {"本站.url", "[InternetShortcut]"}};
  struct Case {
    const char* source;
    Files files;
  } cases[] = {
      {"link.zip", {{"a.txt", filler}}},
      {"log.zip", {{"log.txt", std::string(2 << 20, 'l')}}},
      {"secret.zip", Expected()},
  };
  archive::SetExtractLimits({10'000, 1u << 30, 100, 4 << 20});
  for (auto& c : cases) {
    RedoZipFile r;
    Configure(r);
    r.SetUnzipPass("secret");
    EXPECT_TRUE(r.RehandleFile(dir_.Windows(std::string("src/") + c.source))) << c.source;
    c.files.insert(readme.begin(), readme.end());
    EXPECT_EQ(Saved(r.NewFileName), c.files) << c.source;
  }
  archive::SetExtractLimits({});
}

TEST_F(RedoZipFileTest, HelpersAndGetFolderSizeLeaveTheTreeAlone) {
  EXPECT_EQ(redo_->GetFolderSize(dir_.Windows("payload")),
            redo_->GetFolderSize(dir_.Windows("payload")));
  EXPECT_TRUE(dir_.Exists("payload/MySoft/info.nfo"));
  EXPECT_EQ(redo_->GetFolderSize(dir_.Windows("nowhere")), -1);
  EXPECT_EQ(redo_->ChkPath(" C:/a/b\\\\\\ "), "C:\\a\\b\\");
  EXPECT_EQ(redo_->CheckPath(" C:\\a "), "C:\\a\\");
  dir_.Write("kb.bin", std::string(1536, 'k'));
  EXPECT_EQ(redo_->FindFileSize(dir_.Windows("kb.bin"), 1), 2);
  EXPECT_EQ(redo_->FindFileSize(dir_.Windows("kb.bin"), 0), 1536);
  EXPECT_EQ(redo_->FindFileSize(dir_.Windows("none.bin"), 2), 0);
  EXPECT_TRUE(redo_->FolderExists(dir_.Windows("kb.bin")));
  EXPECT_TRUE(redo_->ChkBoolean("TRUE"));
  EXPECT_FALSE(redo_->ChkBoolean("yes"));
  redo_->SetRemoveFile("");
  EXPECT_EQ(redo_->RemoveFileList(), kDefaultRemoveFile);
}

}  // namespace
}  // namespace ostrel::transfer
