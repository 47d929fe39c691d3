#pragma once
// The descriptor of a member of the component's classes. Each class has one table of them
// (job_procs_members.h, db_transactions_members.h, fixed_points_members.h), one line per member
// in interface order, then its private procedures:
//
//   Sub("TestChange", 6, &cJobProcs::TestChange),
//   Function("CloseDBfiles", 4, &cJobProcs::CloseDBfiles, {false, true}),
//   Sub("OpenDB_LSdata", 8),                          // in the interface, not written yet
//   Property("FixedPoints", 10, nullptr, nullptr),    // get and let, neither written yet
//   Variable("ClassActive", 0, &C::ClassActive, &C::SetClassActive),
//   PrivateSub("SetupTableArrays"),                   // a label, no dispatch id
//   Sub("BackupJobDB", 15, &cJobProcs::BackupJobDB).LabelledAs(MemberKind::Function),
//
// A line gives the name, the slot (a procedure's place in the interface, a variable's index),
// the kind, the member function for each invoke kind (nullptr where it is not written yet: a
// late-bound call of it raises 438) and the defaults of its trailing optional parameters, last
// ones last. From the table come the class's interface (dispatch ids), its late-bound calls
// (component_classes.cpp) and the error label of each member body:
//
//   Guard(JobProcsLabel("CloseDBfiles"), [&] { ... });
//
// The tables are constant: a line that cannot be right (a Sub returning a value, more defaults
// than parameters, two members of one name or dispatch id) and a label asked for a name the
// table does not hold stop the build.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include "nrxJobDb/class_registry.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/variant.h"

namespace nrx::frame {

// Reached only while a table or a label is being worked out by the compiler, where calling a
// function that is not constexpr stops the build at the line that asked for it.
inline void DescriptorError(const char* why) { throw std::logic_error(why); }

inline constexpr unsigned kMethod = static_cast<unsigned>(InvokeKind::Method);
inline constexpr unsigned kGet = static_cast<unsigned>(InvokeKind::PropertyGet);
inline constexpr unsigned kLet = static_cast<unsigned>(InvokeKind::PropertyLet);
inline constexpr unsigned kSet = static_cast<unsigned>(InvokeKind::PropertySet);

// How a late-bound caller reaches a member: public variables are 0x40030000 plus their index,
// methods and property procedures 0x60030000 plus their slot; private procedures not at all.
enum class Dispatch { Variable, Procedure, None };

// What the interface and the labels need of a member.
struct MemberEntry {
  std::string_view name;
  Dispatch dispatch = Dispatch::None;
  int slot = 0;
  unsigned kinds = 0;  // InvokeKind bits
  bool has_result = false;
  MemberKind label_kind = MemberKind::Sub;  // the kind word of a Sub's or Function's label
  std::string_view label_name;              // the label's member name, when not `name`

  constexpr bool Dispatched() const { return dispatch != Dispatch::None; }
  constexpr std::int32_t DispId() const {
    return (dispatch == Dispatch::Variable ? 0x40030000 : 0x60030000) + slot;
  }
};

// The label of `entry`'s procedure for `kind`: a property procedure's kind word is that of its
// get or let; a variable has no procedure and so no label.
constexpr MemberLabel LabelFor(std::string_view className, const MemberEntry& entry,
                               InvokeKind kind) {
  const unsigned bit = static_cast<unsigned>(kind);
  if (entry.dispatch == Dispatch::Variable) DescriptorError("a variable has no label");
  if (entry.dispatch == Dispatch::None && kind != InvokeKind::Method) {
    DescriptorError("a private procedure has no property procedures");
  }
  if (entry.dispatch == Dispatch::Procedure && (entry.kinds & bit) == 0) {
    DescriptorError("the member has no procedure of this invoke kind");
  }
  MemberKind word = entry.label_kind;
  if (kind == InvokeKind::PropertyGet) word = MemberKind::PropertyGet;
  if (kind == InvokeKind::PropertyLet) word = MemberKind::PropertyLet;
  if (kind == InvokeKind::PropertySet) DescriptorError("no label kind word for a property set");
  return {className, word, entry.label_name.empty() ? entry.name : entry.label_name};
}

// A default of an optional parameter, kept constant until the call is built.
class DefaultValue {
 public:
  constexpr DefaultValue() = default;  // Empty: Nothing for an object, "" for a text
  constexpr DefaultValue(bool value) : type_(Type::Boolean), number_(value) {}
  constexpr DefaultValue(std::int16_t value) : type_(Type::Integer), number_(value) {}
  constexpr DefaultValue(std::int32_t value) : type_(Type::Long), number_(value) {}
  constexpr DefaultValue(double value) : type_(Type::Double), real_(value) {}
  constexpr DefaultValue(const char* value) : type_(Type::Text), text_(value) {}

  Variant ToVariant() const {
    switch (type_) {
      case Type::Boolean:
        return Variant(number_ != 0);
      case Type::Integer:
        return Variant(static_cast<std::int16_t>(number_));
      case Type::Long:
        return Variant(number_);
      case Type::Double:
        return Variant(real_);
      case Type::Text:
        return Variant(text_);
      case Type::Empty:
        break;
    }
    return Variant();
  }

 private:
  enum class Type { Empty, Boolean, Integer, Long, Double, Text };
  Type type_ = Type::Empty;
  std::int32_t number_ = 0;
  double real_ = 0;
  std::string_view text_;
};

// The defaults of a member's trailing optional parameters, last ones last. A pointer parameter
// (an optional output) needs none: without an argument it gets nullptr.
class Defaults {
 public:
  static constexpr std::size_t kCapacity = 8;
  constexpr Defaults() = default;
  constexpr Defaults(std::initializer_list<DefaultValue> values) {
    if (values.size() > kCapacity) DescriptorError("more defaults than a line holds");
    for (const DefaultValue& value : values) values_[count_++] = value;
  }
  constexpr std::size_t size() const { return count_; }
  std::vector<Variant> Variants() const {
    std::vector<Variant> out;
    for (std::size_t i = 0; i < count_; ++i) out.push_back(values_[i].ToVariant());
    return out;
  }

 private:
  std::array<DefaultValue, kCapacity> values_{};
  std::size_t count_ = 0;
};

// A member function's result and parameter count.
template <class F>
struct MemberFunction;
template <class C, class R, class... P>
struct MemberFunction<R (C::*)(P...)> {
  using Result = R;
  static constexpr std::size_t kArity = sizeof...(P);
};
template <class C, class R, class... P>
struct MemberFunction<R (C::*)(P...) const> : MemberFunction<R (C::*)(P...)> {};

// A member function, or nullptr for one in the interface that is not written yet.
template <class F>
concept MemberFn = std::is_member_function_pointer_v<F> || std::is_null_pointer_v<F>;

template <MemberFn F>
constexpr bool kWritten = !std::is_null_pointer_v<F>;

// One line of a table: the entry and the member functions of each invoke kind.
template <MemberFn M = std::nullptr_t, MemberFn G = std::nullptr_t, MemberFn L = std::nullptr_t,
          MemberFn S = std::nullptr_t>
struct Descriptor {
  MemberEntry entry;
  M method{};
  G get{};
  L let{};
  S set{};
  Defaults defaults{};

  // For a label whose kind word is not the one the member's dispatch kind gives.
  constexpr Descriptor LabelledAs(MemberKind kind) const {
    Descriptor out = *this;
    out.entry.label_kind = kind;
    return out;
  }
  // For a label that names the member otherwise (a superseded member keeps its old label).
  constexpr Descriptor LabelledAs(std::string_view name) const {
    Descriptor out = *this;
    out.entry.label_name = name;
    return out;
  }
};

template <MemberFn F>
constexpr void CheckDefaults(const Defaults& defaults) {
  if constexpr (kWritten<F>) {
    if (defaults.size() > MemberFunction<F>::kArity) {
      DescriptorError("more defaults than the member has parameters");
    }
  }
}

template <MemberFn F = std::nullptr_t>
constexpr Descriptor<F> Sub(std::string_view name, int slot, F fn = nullptr,
                            Defaults defaults = {}) {
  if constexpr (kWritten<F>) {
    static_assert(std::is_void_v<typename MemberFunction<F>::Result>, "a Sub returns nothing");
  }
  CheckDefaults<F>(defaults);
  return {.entry = {name, Dispatch::Procedure, slot, kMethod, false, MemberKind::Sub, {}},
          .method = fn,
          .defaults = defaults};
}

template <MemberFn F = std::nullptr_t>
constexpr Descriptor<F> Function(std::string_view name, int slot, F fn = nullptr,
                                 Defaults defaults = {}) {
  if constexpr (kWritten<F>) {
    static_assert(!std::is_void_v<typename MemberFunction<F>::Result>, "a Function has a result");
  }
  CheckDefaults<F>(defaults);
  return {.entry = {name, Dispatch::Procedure, slot, kMethod, true, MemberKind::Function, {}},
          .method = fn,
          .defaults = defaults};
}

// A property procedure pair under the slot of its get.
template <MemberFn G>
constexpr Descriptor<std::nullptr_t, G> Property(std::string_view name, int slot, G get) {
  return {.entry = {name, Dispatch::Procedure, slot, kGet, true, MemberKind::Sub, {}}, .get = get};
}
template <MemberFn G, MemberFn L>
constexpr Descriptor<std::nullptr_t, G, L> Property(std::string_view name, int slot, G get, L let) {
  return {.entry = {name, Dispatch::Procedure, slot, kGet | kLet, true, MemberKind::Sub, {}},
          .get = get,
          .let = let};
}

// A public variable, read and written (and set, for an object) as a property.
template <MemberFn G, MemberFn L>
constexpr Descriptor<std::nullptr_t, G, L> Variable(std::string_view name, int index, G get,
                                                    L let) {
  return {.entry = {name, Dispatch::Variable, index, kGet | kLet, false, MemberKind::Sub, {}},
          .get = get,
          .let = let};
}
template <MemberFn G, MemberFn L, MemberFn S>
constexpr Descriptor<std::nullptr_t, G, L, S> Variable(std::string_view name, int index, G get,
                                                       L let, S set) {
  return {
      .entry = {name, Dispatch::Variable, index, kGet | kLet | kSet, false, MemberKind::Sub, {}},
      .get = get,
      .let = let,
      .set = set};
}

// A private procedure: no dispatch id, only its label.
constexpr Descriptor<> PrivateSub(std::string_view name) {
  return {.entry = {name, Dispatch::None, 0, 0, false, MemberKind::Sub, {}}};
}
constexpr Descriptor<> PrivateFunction(std::string_view name) {
  return {.entry = {name, Dispatch::None, 0, 0, true, MemberKind::Function, {}}};
}

// What a class's table gives besides its members.
struct ClassIdentity {
  std::string_view clsid;
  std::string_view iid;
  bool app_object;  // members callable without an instance (the default instance)
};

// Specialised by each class's table header with
//   static constexpr ClassIdentity kIdentity;
//   static constexpr auto kTable = std::tuple{...lines...};
template <class C>
struct ClassMembers;

template <class Table>
constexpr auto EntriesOf(const Table& table) {
  return std::apply(
      [](const auto&... line) { return std::array<MemberEntry, sizeof...(line)>{line.entry...}; },
      table);
}

constexpr bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Late-bound callers find members in any letter case, so two names may not differ only in it.
template <std::size_t N>
constexpr bool Distinct(const std::array<MemberEntry, N>& entries) {
  for (std::size_t i = 0; i < N; ++i) {
    for (std::size_t j = i + 1; j < N; ++j) {
      if (SameName(entries[i].name, entries[j].name)) DescriptorError("two members of one name");
      if (entries[i].Dispatched() && entries[j].Dispatched() &&
          entries[i].DispId() == entries[j].DispId()) {
        DescriptorError("two members on one dispatch id");
      }
    }
  }
  return true;
}

template <class C>
inline constexpr auto kMemberEntries = EntriesOf(ClassMembers<C>::kTable);

// The label of the member `name` of class C (a property procedure's with its invoke kind).
template <class C>
consteval MemberLabel LabelOf(std::string_view name, InvokeKind kind = InvokeKind::Method) {
  static_assert(Distinct(kMemberEntries<C>));
  for (const MemberEntry& entry : kMemberEntries<C>) {
    if (entry.name == name) return LabelFor(C::kClassName, entry, kind);
  }
  DescriptorError("the class's table has no member of this name");
  return {};
}

}  // namespace nrx::frame
