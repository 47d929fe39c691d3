#pragma once
// Builds the late-bound call of a member from the member function itself: arguments are taken
// from the caller's Variants, the member runs, and every argument it may write (a non-const
// reference, or a pointer, the component's form of an optional output) is written back into
// the caller's Variant, also when the member fails half-way.
//
//   MethodAdapter(&cJobProcs::TestChange)
//   MethodAdapter(&cJobProcs::CloseDBfiles, {Variant(false), Variant(true)})
//
// The second argument gives the defaults of the trailing optional parameters, last ones last.
// A pointer parameter is optional by itself: without an argument it gets nullptr. The class
// registry builds one for each member function in the classes' member tables (member_table.h).

#include <fmt/format.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "nrxJobDb/class_registry.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/variant.h"

namespace nrx::frame {

inline constexpr std::string_view kDispatchSource = "nrxJobDb";

// Conversions between the Variant a caller passes and a member's parameter type.
template <class T>
struct Convert;

template <class T, T (Variant::*Get)() const>
struct ConvertScalar {
  static T From(const Variant& v) { return (v.*Get)(); }
  static void Store(Variant& slot, const T& value) { slot = Variant(value); }
  static Variant To(const T& value) { return Variant(value); }
};
template <>
struct Convert<bool> : ConvertScalar<bool, &Variant::ToBoolean> {};
template <>
struct Convert<std::uint8_t> : ConvertScalar<std::uint8_t, &Variant::ToByte> {};
template <>
struct Convert<std::int16_t> : ConvertScalar<std::int16_t, &Variant::ToInteger> {};
template <>
struct Convert<std::int32_t> : ConvertScalar<std::int32_t, &Variant::ToLong> {};
template <>
struct Convert<float> : ConvertScalar<float, &Variant::ToSingle> {};
template <>
struct Convert<double> : ConvertScalar<double, &Variant::ToDouble> {};
template <>
struct Convert<std::string> : ConvertScalar<std::string, &Variant::ToText> {};

template <>
struct Convert<Variant> {
  static Variant From(const Variant& v) { return v; }
  static void Store(Variant& slot, const Variant& value) { slot = value; }
  static Variant To(const Variant& value) { return value; }
};

// Objects: Empty or Nothing is an empty pointer; an object of another class is a type mismatch.
template <class T>
struct Convert<std::shared_ptr<T>> {
  static std::shared_ptr<T> From(const Variant& v) {
    std::shared_ptr<Object> object = v.ToObject();
    if (!object) return nullptr;
    auto typed = std::dynamic_pointer_cast<T>(object);
    if (!typed) Raise(err::kTypeMismatch, kDispatchSource, "object of another class");
    return typed;
  }
  static void Store(Variant& slot, const std::shared_ptr<T>& value) { slot = To(value); }
  static Variant To(const std::shared_ptr<T>& value) {
    return Variant(std::shared_ptr<Object>(value));
  }
};

// Arrays travel as a VariantArray object; a change is written into the caller's own array
// object, so every reference the caller holds to it sees it.
template <class T>
struct Convert<std::vector<T>> {
  static std::vector<T> From(const Variant& v) {
    std::vector<T> out;
    std::shared_ptr<Object> object = v.ToObject();
    if (!object) return out;
    auto array = std::dynamic_pointer_cast<VariantArray>(object);
    if (!array) Raise(err::kTypeMismatch, kDispatchSource, "not an array");
    for (const Variant& item : array->items) out.push_back(Convert<T>::From(item));
    return out;
  }
  static void Store(Variant& slot, const std::vector<T>& value) {
    std::shared_ptr<VariantArray> array;
    if (slot.IsObject()) array = std::dynamic_pointer_cast<VariantArray>(slot.ToObject());
    if (!array) {
      array = std::make_shared<VariantArray>();
      slot = Variant(std::shared_ptr<Object>(array));
    }
    array->items.clear();
    for (const T& item : value) array->items.push_back(Convert<T>::To(item));
  }
  static Variant To(const std::vector<T>& value) {
    Variant slot;
    Store(slot, value);
    return slot;
  }
};

template <class P>
struct Param {
  using Value = std::remove_cv_t<std::remove_reference_t<P>>;
  static constexpr bool kPointer = false;
  static constexpr bool kWrites =
      std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;
};
template <class T>
struct Param<T*> {
  using Value = std::remove_cv_t<T>;
  static constexpr bool kPointer = true;
  static constexpr bool kWrites = !std::is_const_v<T>;
};

template <class P>
void LoadArgument(std::optional<typename Param<P>::Value>& local, const std::vector<Variant>& args,
                  const std::vector<Variant>& defaults, std::size_t position, std::size_t count) {
  using V = typename Param<P>::Value;
  if (position < args.size()) {
    local = Convert<V>::From(args[position]);
    return;
  }
  if constexpr (Param<P>::kPointer) return;
  const std::size_t first_default = count - std::min(count, defaults.size());
  if (position >= first_default) {
    local = Convert<V>::From(defaults[position - first_default]);
    return;
  }
  RaiseText(err::kArgumentNotOptional, std::string(kDispatchSource),
            fmt::format("Argument not optional: argument {} is missing.", position + 1));
}

template <class P>
decltype(auto) PassArgument(std::optional<typename Param<P>::Value>& local) {
  if constexpr (Param<P>::kPointer) {
    return local ? &*local : static_cast<typename Param<P>::Value*>(nullptr);
  } else {
    return (*local);
  }
}

template <class P>
void StoreArgument(const std::optional<typename Param<P>::Value>& local, std::vector<Variant>& args,
                   std::size_t position) {
  if constexpr (Param<P>::kWrites) {
    if (local && position < args.size())
      Convert<typename Param<P>::Value>::Store(args[position], *local);
  }
}

template <class C, class R, class Fn, class... P, std::size_t... I>
Variant CallMember(C& self, Fn fn, std::vector<Variant>& args, const std::vector<Variant>& defaults,
                   std::index_sequence<I...>) {
  constexpr std::size_t kCount = sizeof...(P);
  if (args.size() > kCount) {
    RaiseText(
        err::kWrongArgumentCount, std::string(kDispatchSource),
        fmt::format("Wrong number of arguments: {} given, at most {} taken.", args.size(), kCount));
  }
  std::tuple<std::optional<typename Param<P>::Value>...> locals;
  (LoadArgument<P>(std::get<I>(locals), args, defaults, I, kCount), ...);
  auto store = [&] { (StoreArgument<P>(std::get<I>(locals), args, I), ...); };
  try {
    if constexpr (std::is_void_v<R>) {
      std::invoke(fn, self, PassArgument<P>(std::get<I>(locals))...);
      store();
      return Variant();
    } else {
      Variant result = Convert<std::remove_cvref_t<R>>::To(
          std::invoke(fn, self, PassArgument<P>(std::get<I>(locals))...));
      store();
      return result;
    }
  } catch (...) {
    store();
    throw;
  }
}

template <class C>
C& SelfAs(Object& self) {
  auto* typed = dynamic_cast<C*>(&self);
  if (!typed) Raise(err::kTypeMismatch, kDispatchSource, "object of another class");
  return *typed;
}

template <class C, class R, class... P>
MemberAdapter MethodAdapter(R (C::*fn)(P...), std::vector<Variant> defaults = {}) {
  return [fn, defaults = std::move(defaults)](Object& self, std::vector<Variant>& args) {
    return CallMember<C, R, decltype(fn), P...>(SelfAs<C>(self), fn, args, defaults,
                                                std::index_sequence_for<P...>{});
  };
}

template <class C, class R, class... P>
MemberAdapter MethodAdapter(R (C::*fn)(P...) const, std::vector<Variant> defaults = {}) {
  return [fn, defaults = std::move(defaults)](Object& self, std::vector<Variant>& args) {
    return CallMember<C, R, decltype(fn), P...>(SelfAs<C>(self), fn, args, defaults,
                                                std::index_sequence_for<P...>{});
  };
}

}  // namespace nrx::frame
