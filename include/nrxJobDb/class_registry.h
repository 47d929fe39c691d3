#pragma once
// The component's classes as an automation server sees them: class and interface ids, program
// identifiers, the members of each interface in order with their dispatch ids, creation by
// program identifier or class id, and late-bound calls by member name or dispatch id.
//
// Dispatch ids: a class's public variables (ClassActive first) are 0x40030000 upwards; its
// methods and property procedures are 0x60030000 plus their slot in the interface, the slots
// counting each get, let and set of a public variable.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <typeindex>
#include <vector>

#include "nrxJobDb/errors.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

// How a member is called; a property member allows several.
enum class InvokeKind : unsigned { Method = 1, PropertyGet = 2, PropertyLet = 4, PropertySet = 8 };

// Runs one member on `self` with the caller's arguments. Arguments are by reference: the
// adapter writes every changed argument back into `args`, also when the member fails.
using MemberAdapter = std::function<Variant(Object& self, std::vector<Variant>& args)>;

struct NRXJOBDB_API MemberInfo {
  std::string name;
  std::int32_t dispid;
  unsigned kinds;  // InvokeKind bits
  bool has_result;
};

struct NRXJOBDB_API ClassInfo {
  std::string name;            // "cJobProcs"
  std::string clsid;           // "{BD5CB1F4-896F-4D0A-954A-83B4F82E45F6}"
  std::string interface_name;  // "_cJobProcs"
  std::string iid;
  std::string prog_id;              // "nrxJobDb.cJobProcs"
  bool app_object;                  // members callable without an instance (the default instance)
  std::vector<MemberInfo> members;  // in interface order
};

// An array argument of a late-bound call: the elements and the index of the first.
class NRXJOBDB_API VariantArray : public Object {
 public:
  VariantArray() = default;
  explicit VariantArray(std::vector<Variant> elements, int lowerBound = 0)
      : items(std::move(elements)), lower_bound(lowerBound) {}
  std::vector<Variant> items;
  int lower_bound = 0;
};

class NRXJOBDB_API ClassRegistry {
 public:
  // The component's registry, built on first use.
  static ClassRegistry& Instance();

  const std::vector<ClassInfo>& Classes() const { return classes_; }
  // The class with this program identifier, class id (braces and letter case optional) or
  // class name; nullptr when none.
  const ClassInfo* FindClass(std::string_view key) const;
  // The class `object` is an instance of; raises 438 for an object of no registered class.
  const ClassInfo& ClassOf(const Object& object) const;

  // A new object of the class named by program identifier or class id; raises 429 when no
  // class answers to it.
  std::shared_ptr<Object> CreateObject(std::string_view progIdOrClsid) const;
  // The application object's default instance of an app-object class (cJobProcs); raises 429
  // for other classes.
  std::shared_ptr<Object> DefaultInstance(std::string_view progIdOrClsid) const;

  // The dispatch id of a member, found by name in any letter case; raises 438 when the class
  // has no such member.
  std::int32_t DispIdOf(const Object& object, std::string_view member) const;

  // Calls a member late-bound. Method also reaches a property's get. A member that is in the
  // interface but not written yet raises 438; a missing required argument 449; too many
  // arguments 450. Errors of the member itself pass through unchanged.
  Variant Invoke(Object& object, std::string_view member, std::vector<Variant>& args,
                 InvokeKind kind = InvokeKind::Method) const;
  Variant Invoke(Object& object, std::int32_t dispid, std::vector<Variant>& args,
                 InvokeKind kind = InvokeKind::Method) const;

 private:
  ClassRegistry();
  struct Factory {
    std::type_index type;
    std::function<std::shared_ptr<Object>()> create;
  };
  const ClassInfo& RequireClass(std::string_view key) const;
  const MemberInfo* FindMember(const ClassInfo& cls, std::string_view name) const;
  const MemberAdapter* FindAdapter(const ClassInfo& cls, const MemberInfo& member,
                                   InvokeKind kind) const;

  std::vector<ClassInfo> classes_;
  std::vector<Factory> factories_;  // parallel to classes_
  std::map<std::tuple<std::string, std::int32_t, unsigned>, MemberAdapter> adapters_;
};

}  // namespace nrx
