#pragma once
// Runs the creation and destruction steps of the component's classes, which the constructors
// and destructors call; a destroyed object cannot be asked what its termination left behind,
// so checks of those steps call them here.

#include "frame/live_objects.h"
#include "frame/member_table.h"
#include "nrxJobDb/component_object.h"
#include "nrxJobDb/error_convention.h"

namespace nrx::frame {

struct Lifecycle {
  static void Initialize(ComponentObject& object) { object.Class_Initialize(); }
  static void Terminate(ComponentObject& object) { object.Class_Terminate(); }

  // What every constructor does: initialize, then count the object as alive.
  static void Construct(ComponentObject& object) {
    Initialize(object);
    ObjectCreated();
  }
  // What every destructor does: terminate, with a failure already on the error stack and no
  // caller left to raise it to.
  static void Destruct(ComponentObject& object) noexcept {
    ObjectDestroyed();
    try {
      Terminate(object);
    } catch (...) {
    }
  }
};

// The body of C::Class_Initialize: sets ClassActive, then takes the class's own `steps`, all
// under the member's label.
template <class C, class Steps>
void InitializeClass(C& object, Steps steps) {
  Guard(LabelOf<C>("Class_Initialize"), [&] {
    object.SetClassActive(true);
    steps();
  });
}

// The body of C::Class_Terminate: the class's own `steps`, then ClassActive cleared.
template <class C, class Steps>
void TerminateClass(C& object, Steps steps) {
  Guard(LabelOf<C>("Class_Terminate"), [&] {
    steps();
    object.SetClassActive(false);
  });
}

}  // namespace nrx::frame
