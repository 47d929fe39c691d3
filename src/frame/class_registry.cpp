#include "nrxJobDb/class_registry.h"

#include <fmt/format.h>
#include <strings.h>

#include <algorithm>

#include "frame/component_classes.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/name_table.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxJobDb";

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view WithoutBraces(std::string_view id) {
  if (id.size() >= 2 && id.front() == '{' && id.back() == '}') return id.substr(1, id.size() - 2);
  return id;
}

unsigned Bit(InvokeKind kind) { return static_cast<unsigned>(kind); }

constexpr Named<InvokeKind> kKindNames[] = {
    {InvokeKind::Method, "call"},
    {InvokeKind::PropertyGet, "property get"},
    {InvokeKind::PropertyLet, "property let"},
    {InvokeKind::PropertySet, "property set"},
};

std::string_view KindName(InvokeKind kind) { return NameOf(kKindNames, kind, "call"); }

[[noreturn]] void NoMember(std::string_view className, std::string_view what) {
  RaiseText(err::kNoSuchMember, std::string(kSource),
            fmt::format("Object doesn't support this property or method: {}.{}.", className, what));
}

}  // namespace

ClassRegistry& ClassRegistry::Instance() {
  static ClassRegistry registry;
  return registry;
}

// Every call is registered here, from the classes' member tables, so no member depends on the
// linker keeping a file for its call to exist.
ClassRegistry::ClassRegistry() {
  for (frame::ComponentClass& cls : frame::ComponentClasses()) {
    for (frame::MemberCall& call : cls.calls) {
      adapters_[{cls.info.name, call.dispid, Bit(call.kind)}] = std::move(call.adapter);
    }
    classes_.push_back(std::move(cls.info));
    factories_.push_back({cls.type, std::move(cls.create)});
  }
}

const ClassInfo* ClassRegistry::FindClass(std::string_view key) const {
  for (const ClassInfo& cls : classes_) {
    if (SameText(key, cls.prog_id) || SameText(key, cls.name) ||
        SameText(WithoutBraces(key), WithoutBraces(cls.clsid))) {
      return &cls;
    }
  }
  return nullptr;
}

const ClassInfo& ClassRegistry::RequireClass(std::string_view key) const {
  const ClassInfo* cls = FindClass(key);
  if (!cls) {
    RaiseText(err::kCannotCreateObject, std::string(kSource),
              fmt::format("Cannot create object: no class is registered as '{}'.", key));
  }
  return *cls;
}

const ClassInfo& ClassRegistry::ClassOf(const Object& object) const {
  const std::type_index type(typeid(object));
  for (std::size_t i = 0; i < factories_.size(); ++i) {
    if (factories_[i].type == type) return classes_[i];
  }
  RaiseText(err::kNoSuchMember, std::string(kSource),
            "Object doesn't support this property or method: it is no object of this component.");
}

std::shared_ptr<Object> ClassRegistry::CreateObject(std::string_view progIdOrClsid) const {
  const ClassInfo& cls = RequireClass(progIdOrClsid);
  return factories_[static_cast<std::size_t>(&cls - classes_.data())].create();
}

std::shared_ptr<Object> ClassRegistry::DefaultInstance(std::string_view progIdOrClsid) const {
  const ClassInfo& cls = RequireClass(progIdOrClsid);
  if (!cls.app_object) {
    RaiseText(
        err::kCannotCreateObject, std::string(kSource),
        fmt::format("{} has no default instance: it is not an application object.", cls.name));
  }
  return cJobProcs::Default();
}

const MemberInfo* ClassRegistry::FindMember(const ClassInfo& cls, std::string_view name) const {
  for (const MemberInfo& member : cls.members) {
    if (SameText(member.name, name)) return &member;
  }
  return nullptr;
}

std::int32_t ClassRegistry::DispIdOf(const Object& object, std::string_view member) const {
  const ClassInfo& cls = ClassOf(object);
  const MemberInfo* info = FindMember(cls, member);
  if (!info) NoMember(cls.name, member);
  return info->dispid;
}

const MemberAdapter* ClassRegistry::FindAdapter(const ClassInfo& cls, const MemberInfo& member,
                                                InvokeKind kind) const {
  auto it = adapters_.find({cls.name, member.dispid, Bit(kind)});
  return it == adapters_.end() ? nullptr : &it->second;
}

Variant ClassRegistry::Invoke(Object& object, std::string_view member, std::vector<Variant>& args,
                              InvokeKind kind) const {
  return Invoke(object, DispIdOf(object, member), args, kind);
}

Variant ClassRegistry::Invoke(Object& object, std::int32_t dispid, std::vector<Variant>& args,
                              InvokeKind kind) const {
  const ClassInfo& cls = ClassOf(object);
  auto it = std::find_if(cls.members.begin(), cls.members.end(),
                         [dispid](const MemberInfo& m) { return m.dispid == dispid; });
  if (it == cls.members.end()) NoMember(cls.name, fmt::format("dispatch id {:#x}", dispid));
  // A plain call of a property reads it, as late-bound callers expect.
  if (kind == InvokeKind::Method && (it->kinds & Bit(InvokeKind::Method)) == 0) {
    kind = InvokeKind::PropertyGet;
  }
  const MemberAdapter* adapter =
      (it->kinds & Bit(kind)) != 0 ? FindAdapter(cls, *it, kind) : nullptr;
  if (!adapter) NoMember(cls.name, fmt::format("{} ({})", it->name, KindName(kind)));
  return (*adapter)(object, args);
}

}  // namespace nrx
