#include "frame/component_classes.h"

#include <tuple>
#include <type_traits>

#include "frame/db_transactions_members.h"
#include "frame/fixed_points_members.h"
#include "frame/job_procs_members.h"
#include "frame/member_adapter.h"

namespace nrx::frame {
namespace {

template <class C>
ClassInfo InterfaceOf() {
  const std::string name(C::kClassName);
  constexpr ClassIdentity identity = ClassMembers<C>::kIdentity;
  ClassInfo info{name,
                 std::string(identity.clsid),
                 "_" + name,
                 std::string(identity.iid),
                 "nrxJobDb." + name,
                 identity.app_object,
                 {}};
  for (const MemberEntry& entry : kMemberEntries<C>) {
    if (!entry.Dispatched()) continue;
    info.members.push_back(
        {std::string(entry.name), entry.DispId(), entry.kinds, entry.has_result});
  }
  return info;
}

template <class Line>
void AddCalls(std::vector<MemberCall>& calls, const Line& line) {
  auto add = [&](InvokeKind kind, auto fn) {
    if constexpr (kWritten<decltype(fn)>) {
      calls.push_back({line.entry.DispId(), kind, MethodAdapter(fn, line.defaults.Variants())});
    }
  };
  add(InvokeKind::Method, line.method);
  add(InvokeKind::PropertyGet, line.get);
  add(InvokeKind::PropertyLet, line.let);
  add(InvokeKind::PropertySet, line.set);
}

template <class C>
ComponentClass ClassOf() {
  std::vector<MemberCall> calls;
  std::apply([&](const auto&... line) { (AddCalls(calls, line), ...); }, ClassMembers<C>::kTable);
  return {InterfaceOf<C>(), typeid(C), [] { return std::make_shared<C>(); }, std::move(calls)};
}

}  // namespace

std::vector<ComponentClass> ComponentClasses() {
  std::vector<ComponentClass> out;
  out.push_back(ClassOf<cJobProcs>());
  out.push_back(ClassOf<cDBtransactions>());
  out.push_back(ClassOf<cFixedPoints>());
  return out;
}

}  // namespace nrx::frame
