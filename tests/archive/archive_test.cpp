// The archive layer: entry-name checks, our Rar.exe read back by
// libarchive, RAR 5 reading, zip names in code page 936, and the archiver's
// process ending with its host.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "platform/archive/archive_reader.h"
#include "platform/archive/archiver_process.h"
#include "platform/archive/unzip32.h"
#include "platform/archive/zip32.h"
#include "platform/text/charset.h"
#include "support/archive_fixtures.h"
#include "support/temp_dir.h"

namespace ostrel::archive {
namespace {

using testing::ListArchive;
using testing::RarToolPath;
using testing::TempDir;

TEST(SafeEntryParts, RefusesNamesThatLeaveTheFolder) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {
      {"a/b.txt", true},     {"a\\b\\c.txt", true},   {"./a//b", true},       {"../x", false},
      {"a/../../x", false},  {"a\\..\\x", false},     {"/etc/passwd", false}, {"\\x", false},
      {"C:\\x", false},      {"c:x", false},          {"con", false},         {"a/NUL.txt", false},
      {"lpt1", false},       {"a/...", false},        {"a/\x01b", false},     {".", false},
      {"console.txt", true}, {"说明/说明.htm", true},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeEntryParts(c.name).has_value(), c.safe) << c.name;
}

uint16_t Le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

TEST(RarTool, WritesRar4ThatLibarchiveReadsBack) {
  TempDir dir;
  dir.Write("w/a.txt", "hello");
  dir.Write("w/sub/深/说明.htm", std::string(300, 'x'));
  dir.MakeFolder("w/empty");
  dir.Write("c.txt", "comment");
  std::string cmd = RarToolPath() + " a -r -k -s -m3 -df -z" + dir.Native("c.txt") +
                    " -ep1 -as -- " + dir.Native("out.rar") + " " + dir.Native("w") + "/";
  ASSERT_EQ(testing::Shell(cmd), 0);

  auto listed = ListArchive(dir.Native("out.rar"));
  std::map<std::string, std::string> expected = {{"a.txt", "hello"},
                                                 {"empty/", ""},
                                                 {"sub/", ""},
                                                 {"sub/深/", ""},
                                                 {"sub/深/说明.htm", std::string(300, 'x')}};
  EXPECT_EQ(listed, expected);
  // -df emptied the source folder; the folder named stays.
  EXPECT_TRUE(dir.Exists("w"));
  EXPECT_FALSE(dir.Exists("w/a.txt"));
  EXPECT_FALSE(dir.Exists("w/sub"));

  std::string bytes = dir.Read("out.rar");
  uint16_t main_flags = Le16(bytes, 7 + 3);
  EXPECT_EQ(main_flags & 0x000c, 0x000c);  // locked, solid
  EXPECT_NE(bytes.find("CMTcomment"), std::string::npos);
  // No file header carries the solid flag: only the main header says it.
  int files = 0;
  for (size_t at = 7; at + 7 <= bytes.size();) {
    uint16_t flags = Le16(bytes, at + 3);
    size_t size = Le16(bytes, at + 5);
    size_t add = (flags & 0x8000) ? Le16(bytes, at + 7) | size_t{Le16(bytes, at + 9)} << 16 : 0;
    if (bytes[at + 2] == '\x74') {
      ++files;
      EXPECT_EQ(flags & 0x0010, 0) << at;
    }
    at += size + add;
  }
  EXPECT_EQ(files, 5);
}

TEST(RarTool, KeepsEntriesOfAnExistingArchiveWithoutSync) {
  TempDir dir;
  dir.Write("one/a.txt", "first");
  dir.Write("two/b.txt", "second");
  ASSERT_EQ(testing::Shell(RarToolPath() + " a -r -ep1 -- " + dir.Native("x.rar") + " " +
                           dir.Native("one") + "/"),
            0);
  ASSERT_EQ(testing::Shell(RarToolPath() + " a -r -ep1 -- " + dir.Native("x.rar") + " " +
                           dir.Native("two") + "/"),
            0);
  EXPECT_EQ(ListArchive(dir.Native("x.rar")),
            (std::map<std::string, std::string>{{"a.txt", "first"}, {"b.txt", "second"}}));
  ASSERT_EQ(testing::Shell(RarToolPath() + " a -r -ep1 -as -- " + dir.Native("x.rar") + " " +
                           dir.Native("two") + "/"),
            0);
  EXPECT_EQ(ListArchive(dir.Native("x.rar")),
            (std::map<std::string, std::string>{{"b.txt", "second"}}));
  EXPECT_EQ(testing::Shell(RarToolPath() + " a -- " + dir.Native("y.rar") + " " +
                           dir.Native("none") + " 2>/dev/null"),
            10);
  EXPECT_EQ(testing::Shell(RarToolPath() + " x " + dir.Native("y.rar") + " 2>/dev/null"), 7);
}

TEST(RarTool, LeavesADamagedArchiveAsItWas) {
  TempDir dir;
  dir.Write("in/a.txt", "new data");
  auto add = [&](const std::string& target) {
    return testing::Shell(RarToolPath() + " a -ep1 -- " + dir.Native(target) + " " +
                          dir.Native("in/a.txt") + " 2>/dev/null");
  };
  ASSERT_EQ(add("good.rar"), 0);
  const std::string good = dir.Read("good.rar");
  const std::string marker("Rar!\x1a\x07\x00", 7);
  // A block header with its CRC right: the checks after it must hold.
  auto sealed = [](std::string h) {
    uint32_t crc = testing::Crc32(std::string_view(h).substr(2)) & 0xffff;
    h[0] = static_cast<char>(crc & 0xff);
    h[1] = static_cast<char>(crc >> 8);
    return h;
  };
  std::string wrapping("\0\0\x74\x00\x81\x28\x00", 7);  // long block, large file, 40 bytes
  wrapping += std::string(4, '\xff') + std::string(21, '\0') + std::string(8, '\xff');
  std::string flipped_data = good, flipped_header = good;
  flipped_data[good.find("new data")] ^= 1;
  flipped_header[good.find("a.txt")] ^= 1;
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"file block shorter than its fields", marker + sealed(std::string("\0\0\x74\0\0\x07\0", 7))},
      {"64-bit size that wraps", marker + sealed(wrapping)},
      {"data CRC", flipped_data},
      {"header CRC", flipped_header},
      {"cut short", good.substr(0, good.size() - 10)},
  };
  for (const auto& c : cases) {
    dir.Write("bad.rar", c.bytes);
    EXPECT_EQ(add("bad.rar"), 3) << c.what;
    EXPECT_EQ(dir.Read("bad.rar"), c.bytes) << c.what;
  }
}

TEST(RarTool, NamesEveryEntryApartInTheCodePage) {
  TempDir dir;
  const std::vector<std::string> names = {
      "\x80.txt", "\x9f.txt", "\xf7.txt", text::Encode("中文.txt", "CP936"),
      "中文.txt", "A.txt",    "a.txt",    "a\\b.txt",
      "a_b.txt",  "\x7f:.txt"};
  std::set<std::string> data;
  for (size_t i = 0; i < names.size(); ++i) {
    data.insert("file " + std::to_string(i));
    dir.Write("in/" + names[i], "file " + std::to_string(i));
  }
  ASSERT_EQ(testing::Shell(RarToolPath() + " a -r -ep1 -- " + dir.Native("n.rar") + " " +
                           dir.Native("in") + "/"),
            0);
  auto listed = ListArchive(dir.Native("n.rar"));
  std::set<std::string> listed_data;
  for (const auto& [name, bytes] : listed) {
    EXPECT_EQ(text::SanitizeUtf8(name), name);
    // No control character, ":" or "\\": our reader takes every name.
    EXPECT_TRUE(SafeEntryParts(name) && name.find('\\') == std::string::npos) << name;
    listed_data.insert(bytes);
  }
  EXPECT_EQ(listed.size(), names.size());  // no entry lost, none nameless
  EXPECT_EQ(listed_data, data);            // each file under a name of its own
  EXPECT_TRUE(listed.contains("中文.txt") && listed.contains("中文 (2).txt"));
}

TEST(ArchiveReader, ReadsRar5AndFindsArchivesAfterAStub) {
  TempDir dir;
  std::string rar5 = testing::Rar5Archive({{"文件夹/读我.txt", "rar five data"}});
  dir.Write("five.rar", rar5);
  dir.Write("setup.exe", "MZ" + std::string(70000, '\x90') + rar5);
  for (const char* file : {"five.rar", "setup.exe"}) {
    auto start = FindArchiveStart(dir.Native(file));
    ASSERT_TRUE(start) << file;
    EXPECT_EQ(start->kind, ArchiveStart::kRar5);
    auto reader = ArchiveReader::Open(dir.Native(file), Format::kRar);
    ASSERT_TRUE(reader) << file;
    EntryInfo e;
    ASSERT_EQ(reader->Next(&e), 1);
    EXPECT_EQ(e.name, "文件夹/读我.txt");
    dir.MakeFolder(std::string("out-") + file);
    EXPECT_EQ(reader->Extract(dir.Native(std::string("out-") + file), true, false), Refusal::kNone);
    EXPECT_EQ(dir.Read(std::string("out-") + file + "/文件夹/读我.txt"), "rar five data");
    EXPECT_EQ(reader->Next(&e), 0);
  }
  // A zip archive behind a program stub is found from its end record.
  testing::WriteZipFixture(dir.Native("z.zip"), {{"a.txt", "zip sfx"}});
  dir.Write("zsfx.exe", "MZ" + std::string(70000, '\0') + dir.Read("z.zip"));
  auto zip = ArchiveReader::Open(dir.Native("zsfx.exe"), Format::kRar);
  ASSERT_TRUE(zip);
  EXPECT_EQ(zip->kind(), ArchiveStart::kZip);
  EntryInfo e;
  ASSERT_EQ(zip->Next(&e), 1);
  EXPECT_EQ(e.name, "a.txt");
  // A zip reader is not handed a RAR archive.
  EXPECT_FALSE(ArchiveReader::Open(dir.Native("five.rar"), Format::kZip));
}

// Extracts every entry below out; the path each file went to, by its data.
std::map<std::string, std::string> ExtractAll(ArchiveReader& reader, const TempDir& dir,
                                              const std::string& out) {
  dir.MakeFolder(out);
  std::map<std::string, std::string> written;
  EntryInfo e;
  int rc;
  while ((rc = reader.Next(&e)) == 1) {
    std::string path;
    EXPECT_EQ(reader.Extract(dir.Native(out), true, false, nullptr, &path), Refusal::kNone);
    if (!e.is_folder) written[dir.Read(out + "/" + path)] = path;
  }
  EXPECT_EQ(rc, 0);
  return written;
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(ArchiveReader, ShortensANameTooLongForTheFileSystemAndGoesOn) {
  TempDir dir;
  const std::string han = Repeat("长", 90);  // 270 bytes in UTF-8: a name Windows holds
  testing::WriteZipFixture(dir.Native("long.zip"), {{"a.txt", "first"},
                                                    {han + ".txt", "one"},
                                                    {han + "乙.txt", "two"},
                                                    {han + "/" + han + ".htm", "deep"},
                                                    {han + "/b.txt", "beside"},
                                                    {"z.txt", "last"}});
  auto reader = ArchiveReader::Open(dir.Native("long.zip"), Format::kZip);
  ASSERT_TRUE(reader);
  auto written = ExtractAll(*reader, dir, "out");
  ASSERT_EQ(written.size(), 6u);
  EXPECT_EQ(written["first"], "a.txt");
  EXPECT_EQ(written["last"], "z.txt");
  // As much of the name as fits, its extension kept; two names cut alike
  // stay apart, and a shortened folder holds every entry below it.
  EXPECT_EQ(written["one"], han.substr(0, 249) + ".txt");
  EXPECT_EQ(written["two"], han.substr(0, 246) + " (2).txt");
  EXPECT_EQ(written["deep"], han.substr(0, 255) + "/" + han.substr(0, 249) + ".htm");
  EXPECT_EQ(written["beside"], han.substr(0, 255) + "/b.txt");
}

TEST(RarTool, LongCodePageNameComesBackShortened) {
  TempDir dir;
  const std::string han = Repeat("长", 100);
  // 204 bytes here in code page 936, 304 once stored as UTF-8.
  const std::string local = text::Encode(han, "CP936");
  dir.Write("in/" + local + "/" + local + ".txt", "long");
  dir.Write("in/a.txt", "short");
  ASSERT_EQ(testing::Shell(RarToolPath() + " a -r -ep1 -- " + dir.Native("n.rar") + " " +
                           dir.Native("in") + "/"),
            0);
  auto reader = ArchiveReader::Open(dir.Native("n.rar"), Format::kRar);
  ASSERT_TRUE(reader);
  auto written = ExtractAll(*reader, dir, "out");
  EXPECT_EQ(written["short"], "a.txt");
  EXPECT_EQ(written["long"], han.substr(0, 255) + "/" + han.substr(0, 249) + ".txt");
}

TEST(ArchiveReader, VolumeOpeningWithAContinuedFileKeepsAttributesInStep) {
  TempDir dir;
  dir.Write("part2.rar",
            testing::Rar4Archive(
                {{"a.txt", "tail", 0x21, 0x0001}, {"b.txt", "bbb", 0x22}, {"c.txt", "ccc", 0x24}}));
  auto reader = ArchiveReader::Open(dir.Native("part2.rar"), Format::kRar);
  ASSERT_TRUE(reader);
  std::vector<std::pair<std::string, uint32_t>> seen;
  EntryInfo e;
  while (reader->Next(&e) == 1) seen.emplace_back(e.name, e.attributes);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, uint32_t>>{
                      {"a.txt", 0x21}, {"b.txt", 0x22}, {"c.txt", 0x24}}));
}

TEST(Zip32, StoresNamesInCodePage936WhereTheyHaveASpelling) {
  TempDir dir;
  dir.Write("src/中文.txt", "cn");
  dir.Write("src/sub/😀.txt", "emoji");
  ZPOPT o;
  o.fRecurse = 1;
  o.fNoDirEntries = 1;
  o.szRootDir = dir.Windows("src");
  ZpSetOptions(o);
  ASSERT_EQ(ZpArchive(1, dir.Windows("out.zip"), {dir.Windows("src")}), ZE_OK);
  std::string bytes = dir.Read("out.zip");
  EXPECT_NE(bytes.find(text::Encode("中文.txt", "CP936")), std::string::npos);
  EXPECT_NE(bytes.find("sub/😀.txt"), std::string::npos);
  // Both come back as written, through our unzip and through libarchive.
  EXPECT_EQ(ListArchive(dir.Native("out.zip")),
            (std::map<std::string, std::string>{{"中文.txt", "cn"}, {"sub/😀.txt", "emoji"}}));
  DCL dcl;
  dcl.lpszZipFN = dir.Windows("out.zip");
  dcl.lpszExtractDir = dir.Windows("back");
  EXPECT_EQ(Wiz_SingleEntryUnzip(0, {}, 0, {}, dcl, USERFUNCTIONS{}), PK_OK);
  EXPECT_EQ(dir.Read("back/sub/😀.txt"), "emoji");
  EXPECT_EQ(dir.Read("back/中文.txt"), "cn");
}

// A host killed while the archiver packs takes the archiver with it: no
// archive goes on being written that no entry will ever reference.
TEST(ArchiverProcess, EndsWhenTheHostThatWaitsForItDies) {
  // The orphaned archiver comes to this process, which can then wait for it.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t host = fork();
  if (host == 0) {
    dup2(out[1], 1);
    RunArchiver({"/bin/sh", "-c", "echo $$; exec sleep 30"}, "/", std::chrono::minutes(1));
    _exit(0);
  }
  close(out[1]);
  char said[32] = {};
  ASSERT_GT(read(out[0], said, sizeof said - 1), 0);
  close(out[0]);
  const pid_t archiver = std::atoi(said);
  ASSERT_GT(archiver, 0);

  kill(host, SIGKILL);
  waitpid(host, nullptr, 0);
  int status = 0;
  ASSERT_EQ(waitpid(archiver, &status, 0), archiver);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

}  // namespace
}  // namespace ostrel::archive
