// ClassInfo<T>: lists a class's members in one place, in the order of its
// dispatch interface, and adapts plain C++ member functions to late-bound
// calls:
//
//   const com::TypeInfo& NewsCollection::Type() const {
//     static const com::TypeInfo info =
//         com::ClassInfo<NewsCollection>("NewsCollection")
//             .Property("PageListNum", nullptr, &NewsCollection::SetPageListNum)
//             .Method("ReadNewsItem", &NewsCollection::ReadNewsItem)
//             .Method("ShowCollection", &NewsCollection::ShowCollection)
//             .Event("GetData", &Downloader::GetData)   // a com::Event member
//             .Build();
//     return info;
//   }
//
// Parameters are converted as a late-bound call converts its arguments:
// `vb::Variant&` receives the caller's argument itself (by reference, so
// writes reach the caller); `vb::Variant`/`const vb::Variant&` a copy;
// int16_t, int32_t, float, double, bool, vb::Currency, vb::DateTime and
// std::string go through CInt, CLng, CSng, CDbl, CBool, CCur, CDate and CStr
// (so a bad value raises 13 or 6); vb::ObjectRef needs an object (424).
// Trailing std::optional<...> parameters are optional arguments. A method
// taking `com::Args` alone receives the argument list as it stands. Too few
// arguments raise 449, too many 450. Results convert to a Variant; void gives
// Empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/event.h"
#include "platform/com/type_info.h"
#include "platform/vb/convert.h"
#include "platform/vb/variant.h"
#include "platform/vb/vb_error.h"

namespace ostrel::com {

namespace detail {

template <class M>
struct MethodTraits;
template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...)> {
  using Return = R;
  using Params = std::tuple<A...>;
};
template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...) const> : MethodTraits<R (C::*)(A...)> {};

template <class P>
struct IsOptional : std::false_type {};
template <class P>
struct IsOptional<std::optional<P>> : std::true_type {};

// Converts one argument to the parameter type P. `v` is null only for a
// missing optional argument.
template <class P>
struct Param;
template <>
struct Param<vb::Variant&> {
  static vb::Variant& From(vb::Variant* v) { return *v; }
};
template <>
struct Param<const vb::Variant&> {
  static const vb::Variant& From(vb::Variant* v) { return *v; }
};
template <>
struct Param<vb::Variant> {
  static const vb::Variant& From(vb::Variant* v) { return *v; }
};
template <>
struct Param<int16_t> {
  static int16_t From(vb::Variant* v) { return vb::CInt(*v); }
};
template <>
struct Param<int32_t> {
  static int32_t From(vb::Variant* v) { return vb::CLng(*v); }
};
template <>
struct Param<float> {
  static float From(vb::Variant* v) { return vb::CSng(*v); }
};
template <>
struct Param<double> {
  static double From(vb::Variant* v) { return vb::CDbl(*v); }
};
template <>
struct Param<bool> {
  static bool From(vb::Variant* v) { return vb::CBool(*v); }
};
template <>
struct Param<vb::Currency> {
  static vb::Currency From(vb::Variant* v) { return vb::CCur(*v); }
};
template <>
struct Param<vb::DateTime> {
  static vb::DateTime From(vb::Variant* v) { return vb::CDate(*v); }
};
template <>
struct Param<std::string> {
  static std::string From(vb::Variant* v) { return vb::CStr(*v); }
};
template <>
struct Param<const std::string&> : Param<std::string> {};
// A text view parameter receives the converted text, which lives until the
// member returns.
template <>
struct Param<std::string_view> : Param<std::string> {};
template <>
struct Param<vb::ObjectRef> {
  static vb::ObjectRef From(vb::Variant* v) {
    if (!v->IsObject()) vb::Raise(vb::kErrObjectRequired);
    return v->AsObject();
  }
};
template <>
struct Param<const vb::ObjectRef&> : Param<vb::ObjectRef> {};
template <class P>
struct Param<std::optional<P>> {
  static std::optional<P> From(vb::Variant* v) {
    if (v == nullptr) return std::nullopt;
    return Param<P>::From(v);
  }
};

template <class R>
vb::Variant ToVariant(R&& r) {
  return vb::Variant(std::forward<R>(r));
}

// The number of leading parameters that are not optional.
template <class Tuple, size_t... I>
constexpr size_t RequiredCount(std::index_sequence<I...>) {
  size_t required = 0;
  ((required =
        IsOptional<std::remove_cvref_t<std::tuple_element_t<I, Tuple>>>::value ? required : I + 1),
   ...);
  return required;
}

template <class T, class M, size_t... I>
vb::Variant Invoke(T& self, M method, Args args, std::index_sequence<I...>) {
  using Traits = MethodTraits<M>;
  using Params = typename Traits::Params;
  auto arg = [&](size_t i) { return i < args.size() ? &args[i] : nullptr; };
  if constexpr (std::is_void_v<typename Traits::Return>) {
    (self.*method)(Param<std::tuple_element_t<I, Params>>::From(arg(I))...);
    return vb::Variant();
  } else {
    return ToVariant((self.*method)(Param<std::tuple_element_t<I, Params>>::From(arg(I))...));
  }
}

// True for a member taking the argument list as it stands: (Args).
template <class Params>
struct TakesArgList : std::false_type {};
template <>
struct TakesArgList<std::tuple<Args>> : std::true_type {};

// Calls a member function with the argument list of a late-bound call.
template <class T, class M>
vb::Variant CallMember(T& self, M method, Args args, const std::string& source) {
  using Params = typename MethodTraits<M>::Params;
  constexpr size_t count = std::tuple_size_v<Params>;
  if constexpr (TakesArgList<Params>::value) {
    if constexpr (std::is_void_v<typename MethodTraits<M>::Return>) {
      (self.*method)(args);
      return vb::Variant();
    } else {
      return ToVariant((self.*method)(args));
    }
  } else {
    if (args.size() < RequiredCount<Params>(std::make_index_sequence<count>())) {
      RaiseArgumentNotOptional(source);
    }
    if (args.size() > count) RaiseWrongArgumentCount(source);
    return Invoke(self, method, args, std::make_index_sequence<count>());
  }
}

}  // namespace detail

template <class T>
class ClassInfo {
 public:
  explicit ClassInfo(std::string class_name) : class_name_(std::move(class_name)) {}

  // A property with a getter, a setter, or both (pass nullptr for the one
  // the class lacks). Getter: `R (T::*)() [const]`; setter: `void (T::*)(P)`.
  template <class G, class S>
  ClassInfo& Property(std::string name, G getter, S setter) {
    Member m;
    m.name = std::move(name);
    std::string source = class_name_;
    if constexpr (!std::is_null_pointer_v<G>) {
      m.get = [getter, source](Dispatch& self) {
        return detail::CallMember(static_cast<T&>(self), getter, {}, source);
      };
    }
    if constexpr (!std::is_null_pointer_v<S>) {
      m.let = [setter, source](Dispatch& self, const vb::Variant& value) {
        vb::Variant copy = value;
        detail::CallMember(static_cast<T&>(self), setter, Args(&copy, 1), source);
      };
    }
    members_.push_back(std::move(m));
    return *this;
  }

  // A method: any member function whose parameters are listed above.
  template <class M>
  ClassInfo& Method(std::string name, M method) {
    Member m;
    m.name = std::move(name);
    std::string source = class_name_;
    m.call = [method, source](Dispatch& self, Args args) {
      return detail::CallMember(static_cast<T&>(self), method, args, source);
    };
    members_.push_back(std::move(m));
    return *this;
  }

  // A public field, readable and writable by any holder.
  template <class V>
  ClassInfo& Field(std::string name, V T::*field) {
    Member m;
    m.name = std::move(name);
    m.get = [field](Dispatch& self) { return vb::Variant(static_cast<T&>(self).*field); };
    m.let = [field](Dispatch& self, const vb::Variant& value) {
      vb::Variant copy = value;
      static_cast<T&>(self).*field = detail::Param<V>::From(&copy);
    };
    members_.push_back(std::move(m));
    return *this;
  }

  // An event the class raises, a `com::Event<A...>` member: host pages
  // connect to it by name (Dispatch::Advise). Their sink gets the arguments
  // as Variants and its changes are converted back as parameters are.
  template <class... A>
  ClassInfo& Event(std::string name, com::Event<A...> T::*event) {
    EventMember e;
    e.name = std::move(name);
    e.connect = [event](Dispatch& self, EventSink sink) {
      return (static_cast<T&>(self).*event).Connect([sink](A&... args) {
        vb::Variant values[] = {vb::Variant(args)...};
        sink(Args(values, sizeof...(A)));
        size_t i = 0;
        ((args = detail::Param<A>::From(&values[i++])), ...);
      });
    };
    e.disconnect = [event](Dispatch& self, size_t cookie) {
      (static_cast<T&>(self).*event).Disconnect(cookie);
    };
    events_.push_back(std::move(e));
    return *this;
  }

  TypeInfo Build() const { return TypeInfo(class_name_, members_, events_); }

 private:
  std::string class_name_;
  std::vector<Member> members_;
  std::vector<EventMember> events_;
};

}  // namespace ostrel::com
