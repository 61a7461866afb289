#include "platform/com/class_registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/class_info.h"
#include "platform/com/in_process_server.h"
#include "platform/com/registry_file.h"
#include "platform/vb/vb_error.h"
#include "support/error_of.h"
#include "support/temp_dir.h"

namespace ostrel::com {
namespace {

class Plain : public Dispatch {
 public:
  const TypeInfo& Type() const override {
    static const TypeInfo info = ClassInfo<Plain>("Plain").Build();
    return info;
  }
};

Factory MakePlain() {
  return [] { return vb::ObjectRef(std::make_shared<Plain>()); };
}

using testing::ErrorOf;

// Each test gets its own registry file through OSTREL_REGISTRY.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Native("registry.ini");
    setenv("OSTREL_REGISTRY", path_.c_str(), 1);
    ClassRegistry::Global().Add("Test.Alpha", MakePlain(), "testsrv");
    ClassRegistry::Global().Add("Test.Beta", MakePlain(), "testsrv");
    ClassRegistry::Global().Add("Other.Gamma", MakePlain(), "othersrv");
    ClassRegistry::Global().Add("Platform.Thing", MakePlain());
  }
  void TearDown() override { unsetenv("OSTREL_REGISTRY"); }
  std::string FileText() const { return dir_.Read("registry.ini"); }

  testing::TempDir dir_;
  std::string path_;
};

TEST_F(RegistryTest, ServerClassesNeedRegistrationBeforeCreateObject) {
  EXPECT_EQ(RegistryPath(), path_);
  EXPECT_EQ(ErrorOf([] { CreateObject("Test.Alpha"); }), 429);

  ASSERT_EQ(RegisterServer("testsrv"), kOk);
  EXPECT_NE(FileText().find("Test.Alpha=testsrv\r\n"), std::string::npos);
  EXPECT_NE(FileText().find("Test.Beta=testsrv\r\n"), std::string::npos);
  vb::ObjectRef object = CreateObject("TEST.alpha");
  ASSERT_TRUE(object);
  EXPECT_EQ(object->Type().class_name(), "Plain");
  // Another server's class stays refused until that server registers.
  EXPECT_EQ(ErrorOf([] { CreateObject("Other.Gamma"); }), 429);

  ASSERT_EQ(UnregisterServer("testsrv"), kOk);
  EXPECT_EQ(ErrorOf([] { CreateObject("Test.Alpha"); }), 429);
}

TEST_F(RegistryTest, UnknownProgIdsRaise429AndPlatformClassesNeedNoRegistration) {
  try {
    CreateObject("No.Such.Class");
    FAIL();
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.number(), 429);
    EXPECT_EQ(e.description(), "ActiveX component can't create object");
  }
  EXPECT_TRUE(CreateObject("platform.thing"));
}

TEST_F(RegistryTest, RegistrationKeepsOtherServersAndSurvivesAReread) {
  ASSERT_EQ(RegisterServer("othersrv"), kOk);
  ASSERT_EQ(RegisterServer("testsrv"), kOk);
  ASSERT_EQ(RegisterServer("testsrv"), kOk);  // again: no duplicates
  auto entries = RegistryFile(path_).Entries();
  EXPECT_EQ(entries.size(), 3u);
  ASSERT_EQ(UnregisterServer("testsrv"), kOk);
  entries = RegistryFile(path_).Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, "Other.Gamma");
  EXPECT_EQ(entries[0].second, "othersrv");
  EXPECT_TRUE(CreateObject("Other.Gamma"));
}

TEST_F(RegistryTest, ARegistryFileWithCommentsAndOtherSectionsIsRead) {
  std::ofstream(path_) << "; hand-made\n[Other]\nTest.Alpha=nobody\n[classes]\n"
                          "  Test.Beta = testsrv \nbroken line\n";
  RegistryFile file(path_);
  auto entries = file.Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, "Test.Beta");
  EXPECT_EQ(entries[0].second, "testsrv");
  EXPECT_TRUE(file.IsRegistered("test.beta"));
  EXPECT_FALSE(file.IsRegistered("Test.Alpha"));
}

// Readers walk a long list while another thread replaces the file: each
// reader must keep the list it walks alive, whoever reads the new file.
TEST_F(RegistryTest, LookupsStayRightWhileTheFileIsReplaced) {
  std::vector<std::string> many;
  for (int i = 0; i < 2000; ++i) many.push_back("Many.Class" + std::to_string(i));
  RegistryFile file(path_);
  file.Register("manysrv", many);
  std::atomic<bool> done{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 4; ++r) {
    readers.emplace_back([&] {
      while (!done) {
        if (!file.IsRegistered("many.class1999") || file.IsRegistered("Nothing.Here")) ++wrong;
      }
    });
  }
  for (int i = 0; i < 100; ++i) {
    file.Register("othersrv", {"Other.Gamma"});
    file.Unregister("othersrv");
  }
  done = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(wrong, 0);
  // A missing file is an empty registry, read anew each time.
  EXPECT_FALSE(RegistryFile(dir_.Native("none.ini")).IsRegistered("Many.Class0"));
}

TEST_F(RegistryTest, AnUnwritableRegistryIsReportedAndLeavesNoFile) {
  setenv("OSTREL_REGISTRY", dir_.Native("missing/registry.ini").c_str(), 1);
  EXPECT_EQ(RegisterServer("testsrv"), kSelfRegClassError);
  EXPECT_FALSE(dir_.Exists("missing"));
  EXPECT_EQ(ErrorOf([] { CreateObject("Test.Alpha"); }), 429);
}

TEST_F(RegistryTest, GetClassObjectServesOnlyTheServersOwnClasses) {
  vb::ObjectRef out;
  EXPECT_EQ(GetClassObject("testsrv", "test.beta", &out), kOk);
  EXPECT_TRUE(out);
  vb::ObjectRef other;
  EXPECT_EQ(GetClassObject("testsrv", "Other.Gamma", &other), kClassNotAvailable);
  EXPECT_EQ(GetClassObject("testsrv", "Nothing.Here", &other), kClassNotAvailable);
  EXPECT_FALSE(other);
  EXPECT_EQ(GetClassObject("testsrv", "Test.Beta", nullptr), kPointerError);
}

TEST_F(RegistryTest, CanUnloadNowOnlyWithoutLiveObjects) {
  EXPECT_EQ(CanUnloadNow(), kOk);
  vb::ObjectRef object = CreateObject("Platform.Thing");
  EXPECT_EQ(CanUnloadNow(), kFalse);
  object.reset();
  EXPECT_EQ(CanUnloadNow(), kOk);
}

}  // namespace
}  // namespace ostrel::com
