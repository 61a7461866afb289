#include "platform/com/dispatch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/com/class_info.h"
#include "platform/com/event.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"
#include "support/error_of.h"

namespace ostrel::com {
namespace {

using vb::Variant;

// A small class shaped like the component's: set-only properties, a field,
// by-reference arguments, typed arguments, an optional argument.
class Gauge : public Dispatch {
 public:
  const TypeInfo& Type() const override {
    static const TypeInfo info = ClassInfo<Gauge>("Gauge")
                                     .Field("Total", &Gauge::Total)
                                     .Property("Name", &Gauge::GetName, &Gauge::SetName)
                                     .Property("Limit", nullptr, &Gauge::SetLimit)
                                     .Property("Version", &Gauge::Version, nullptr)
                                     .Method("Double", &Gauge::DoubleIt)
                                     .Method("Sum", &Gauge::Sum)
                                     .Method("Count", &Gauge::Count)
                                     .Method("Reset", &Gauge::Reset)
                                     .Event("Changed", &Gauge::Changed)
                                     .Build();
    return info;
  }

  int32_t Total = 0;
  int16_t limit = 0;
  Event<int32_t, std::string> Changed;

 private:
  std::string GetName() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  void SetLimit(int16_t value) { limit = value; }
  std::string Version() const { return "1.1.1282"; }
  void DoubleIt(Variant& value) { value = Variant(vb::CLng(value) * 2); }
  int32_t Sum(int32_t a, std::optional<int32_t> b) { return a + b.value_or(10); }
  int32_t Count(Args args) { return static_cast<int32_t>(args.size()); }
  void Reset() { Total = 0; }

  std::string name_;
};

using testing::ErrorOf;

TEST(DispatchTest, MembersAreFoundInAnyLetterCase) {
  Gauge g;
  g.Let("NAME", Variant("gauge"));
  EXPECT_EQ(g.Get("name").AsString(), "gauge");
  EXPECT_EQ(g.Call("nAmE").AsString(), "gauge");
  g.Let("total", Variant(int32_t{7}));
  EXPECT_EQ(g.Total, 7);
  EXPECT_EQ(g.Get("TOTAL").AsLong(), 7);
  EXPECT_EQ(g.Get("version").AsString(), "1.1.1282");
}

TEST(DispatchTest, MembersKeepTheDeclaredOrder) {
  Gauge g;
  std::vector<std::string> names;
  for (const Member& m : g.Type().members()) names.push_back(m.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Total", "Name", "Limit", "Version", "Double", "Sum",
                                             "Count", "Reset"}));
}

TEST(DispatchTest, ByReferenceArgumentsAreWrittenBack) {
  Gauge g;
  std::vector<Variant> args{Variant("21")};
  g.Call("double", args);
  ASSERT_EQ(args[0].type(), vb::VarType::Long);
  EXPECT_EQ(args[0].AsLong(), 42);
}

TEST(DispatchTest, TypedArgumentsAreConvertedAsALateBoundCallDoes) {
  Gauge g;
  std::vector<Variant> args{Variant("5"), Variant(2.5)};
  EXPECT_EQ(g.Call("Sum", args).AsLong(), 7);  // 2.5 rounds half to even
  std::vector<Variant> one{Variant(int16_t{5})};
  EXPECT_EQ(g.Call("Sum", one).AsLong(), 15);  // optional argument left out
  g.Let("Limit", Variant("300"));
  EXPECT_EQ(g.limit, 300);

  std::vector<Variant> bad{Variant("abc")};
  EXPECT_EQ(ErrorOf([&] { g.Call("Sum", bad); }), vb::kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { g.Let("Limit", Variant(int32_t{40000})); }), vb::kErrOverflow);
  EXPECT_EQ(g.limit, 300);
}

TEST(DispatchTest, ArgumentCountIsChecked) {
  Gauge g;
  EXPECT_EQ(ErrorOf([&] { g.Call("Sum"); }), 449);
  std::vector<Variant> three{Variant(int32_t{1}), Variant(int32_t{2}), Variant(int32_t{3})};
  EXPECT_EQ(ErrorOf([&] { g.Call("Sum", three); }), 450);
  EXPECT_EQ(g.Call("Count", three).AsLong(), 3);  // the raw list takes any count
  EXPECT_EQ(ErrorOf([&] { g.Call("Name", three); }), 450);
}

TEST(DispatchTest, UnknownMembersAndWrongAccessRaise438) {
  Gauge g;
  EXPECT_EQ(ErrorOf([&] { g.Get("Missing"); }), vb::kErrNoSuchMember);
  EXPECT_EQ(ErrorOf([&] { g.Call("Missing"); }), vb::kErrNoSuchMember);
  EXPECT_EQ(ErrorOf([&] { g.Let("Missing", Variant()); }), vb::kErrNoSuchMember);
  EXPECT_EQ(ErrorOf([&] { g.Get("Limit"); }), vb::kErrNoSuchMember);  // set-only
  EXPECT_EQ(ErrorOf([&] { g.Let("Version", Variant("x")); }), vb::kErrNoSuchMember);
  EXPECT_EQ(ErrorOf([&] { g.Let("Reset", Variant()); }), vb::kErrNoSuchMember);
  try {
    g.Get("Missing");
  } catch (const vb::VbError& e) {
    EXPECT_EQ(e.source(), "Gauge");
    EXPECT_EQ(e.description(), "Object doesn't support this property or method");
  }
}

TEST(DispatchTest, AMethodReadAsAPropertyRunsWithoutArguments) {
  Gauge g;
  g.Total = 9;
  EXPECT_TRUE(g.Get("Reset").IsEmpty());
  EXPECT_EQ(g.Total, 0);
}

TEST(DispatchTest, LiveObjectsAreCounted) {
  int64_t before = Dispatch::LiveObjects();
  {
    Gauge a;
    auto b = std::make_shared<Gauge>();
    EXPECT_EQ(Dispatch::LiveObjects(), before + 2);
  }
  EXPECT_EQ(Dispatch::LiveObjects(), before);
}

TEST(EventTest, HandlersRunInOrderAndSeeArgumentsByReference) {
  Event<Variant, Variant> progress;
  std::vector<std::string> calls;
  progress.Connect([&](Variant& total, Variant&) {
    calls.push_back("first " + std::to_string(total.AsLong()));
    total = Variant(int32_t{100});
  });
  size_t second = progress.Connect([&](Variant& total, Variant& cancel) {
    calls.push_back("second " + std::to_string(total.AsLong()));
    cancel = Variant(true);
  });
  Variant total(int32_t{5120});
  Variant cancel(false);
  progress.Raise(total, cancel);
  EXPECT_EQ(calls, (std::vector<std::string>{"first 5120", "second 100"}));
  EXPECT_TRUE(cancel.AsBool());

  progress.Disconnect(second);
  calls.clear();
  progress.Raise(total, cancel);
  EXPECT_EQ(calls, (std::vector<std::string>{"first 100"}));
}

TEST(EventTest, AHandlerMayDisconnectItselfWhileRaised) {
  Event<Variant> found;
  int runs = 0;
  size_t cookie = 0;
  cookie = found.Connect([&](Variant&) {
    ++runs;
    found.Disconnect(cookie);
  });
  Variant path("C:\\a.txt");
  found.Raise(path);
  found.Raise(path);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(found.HasHandlers());
}

TEST(EventTest, HostPagesConnectByNameBesideTypedHolders) {
  Gauge gauge;
  std::vector<std::string> calls;
  // A host page's sink: Variants by reference, written back to the raiser.
  size_t cookie = gauge.Advise("changed", [&](Args args) {
    calls.push_back("page " + std::to_string(args[0].AsLong()) + " " + vb::CStr(args[1]));
    args[0] = Variant("7");
  });
  gauge.Changed.Connect([&](int32_t& value, std::string& text) {
    calls.push_back("typed " + std::to_string(value) + " " + text);
  });
  int32_t value = 1;
  std::string text = "a";
  gauge.Changed.Raise(value, text);
  EXPECT_EQ(value, 7);
  gauge.Unadvise("Changed", cookie);
  gauge.Changed.Raise(value, text);
  EXPECT_EQ(calls, (std::vector<std::string>{"page 1 a", "typed 7 a", "typed 7 a"}));
  EXPECT_EQ(ErrorOf([&] { gauge.Advise("Missing", [](Args) {}); }), vb::kErrNoSuchMember);
}

}  // namespace
}  // namespace ostrel::com
