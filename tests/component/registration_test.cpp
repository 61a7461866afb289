#include "component/registration.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "component/host_access.h"
#include "platform/asp/memory_sink.h"
#include "platform/asp/request_context.h"
#include "platform/com/class_info.h"
#include "platform/com/registry_file.h"
#include "platform/vb/vb_error.h"
#include "support/temp_dir.h"

namespace ostrel::component {
namespace {

// A class shaped like the component's gathering classes: it takes the host
// objects of the request in its initialiser.
class Probe : public com::Dispatch {
 public:
  Probe() : host_(HostObjects::Take()) {}
  const com::TypeInfo& Type() const override {
    static const com::TypeInfo info =
        com::ClassInfo<Probe>("Probe").Method("Hello", &Probe::Hello).Build();
    return info;
  }
  void Hello() { host_.Response().Write("你好"); }

 private:
  HostObjects host_;
};

const ComponentClass<Probe> kProbe("Ostrel.Probe");

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("OSTREL_REGISTRY", dir_.Native("registry.ini").c_str(), 1); }
  void TearDown() override { unsetenv("OSTREL_REGISTRY"); }
  testing::TempDir dir_;
};

TEST_F(RegistrationTest, RegisteredClassesAreCreatableByProgId) {
  EXPECT_EQ(ClassProgIds(), (std::vector<std::string>{"Ostrel.Probe"}));
  EXPECT_THROW(com::CreateObject("Ostrel.Probe"), vb::VbError);
  ASSERT_EQ(RegisterServer(), 0);
  auto entries = com::RegistryFile().Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, "Ostrel.Probe");
  EXPECT_EQ(entries[0].second, "ostrel");
  EXPECT_TRUE(com::CreateObject("ostrel.probe"));
  ASSERT_EQ(UnregisterServer(), 0);
  EXPECT_TRUE(com::RegistryFile().Entries().empty());
  EXPECT_THROW(com::CreateObject("Ostrel.Probe"), vb::VbError);
}

TEST_F(RegistrationTest, GetClassObjectAndCanUnloadNow) {
  EXPECT_EQ(CanUnloadNow(), 0);
  vb::ObjectRef object;
  ASSERT_EQ(GetClassObject("OSTREL.PROBE", &object), 0);
  ASSERT_TRUE(object);
  EXPECT_EQ(CanUnloadNow(), 1);
  EXPECT_NE(GetClassObject("Ostrel.Missing", &object), 0);
  EXPECT_NE(GetClassObject(nullptr, &object), 0);
  object.reset();
  EXPECT_EQ(CanUnloadNow(), 0);
}

TEST(HostAccessTest, ObjectsTakeTheHostObjectsOfTheCurrentRequest) {
  auto sink = std::make_shared<asp::MemorySink>();
  asp::RequestContext context(std::make_shared<asp::Request>(),
                              std::make_shared<asp::Response>(sink), nullptr, nullptr, nullptr);
  vb::ObjectRef probe;
  {
    asp::ContextScope scope(context);
    probe = std::make_shared<Probe>();
  }
  // The object keeps the request's Response after the scope, as a page's
  // object does until the page releases it.
  probe->Call("hello");
  context.Response->Finish();
  EXPECT_EQ(sink->Text(), "你好");
}

TEST(HostAccessTest, OutsideARequestTheHostObjectsAreMissing) {
  HostObjects none = HostObjects::Take();
  EXPECT_TRUE(none.empty());
  try {
    none.Response();
    FAIL();
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.number(), 91);
  }
  Probe probe;
  EXPECT_THROW(probe.Call("Hello"), vb::VbError);
}

TEST(HostAccessTest, TheHostConnectionFlagBelongsToTheRequest) {
  HostState().HostConnected = true;  // outside a request: this thread's own
  {
    asp::RequestContext first;
    asp::ContextScope scope(first);
    EXPECT_FALSE(HostState().HostConnected);
    HostState().HostConnected = true;
  }
  {
    asp::RequestContext second;
    asp::ContextScope scope(second);
    EXPECT_FALSE(HostState().HostConnected);
  }
  EXPECT_TRUE(HostState().HostConnected);
}

}  // namespace
}  // namespace ostrel::component
