#pragma once
// The component's three classes as the class registry takes them: identity and interface, how
// an instance is made, and the late-bound call of every member written so far. All of it comes
// from the classes' member tables (job_procs_members.h and its siblings).

#include <cstdint>
#include <functional>
#include <memory>
#include <typeindex>
#include <vector>

#include "nrxJobDb/class_registry.h"

namespace nrx::frame {

struct MemberCall {
  std::int32_t dispid;
  InvokeKind kind;
  MemberAdapter adapter;
};

struct ComponentClass {
  ClassInfo info;
  std::type_index type;
  std::function<std::shared_ptr<Object>()> create;
  std::vector<MemberCall> calls;
};

// In class order: cJobProcs, cDBtransactions, cFixedPoints.
std::vector<ComponentClass> ComponentClasses();

}  // namespace nrx::frame
