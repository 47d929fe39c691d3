#pragma once
// Reaches the creation and destruction steps of the component's classes, which the
// constructors and destructors run; a destroyed object cannot be asked what its termination
// left behind, so checks of those steps call them here.

namespace nrx::frame {

struct Lifecycle {
  template <class C>
  static void Initialize(C& object) {
    object.Class_Initialize();
  }
  template <class C>
  static void Terminate(C& object) {
    object.Class_Terminate();
  }
  // What every destructor does: terminate, with a failure already on the error stack and no
  // caller left to raise it to.
  template <class C>
  static void TerminateQuietly(C& object) noexcept {
    try {
      object.Class_Terminate();
    } catch (...) {
    }
  }
};

}  // namespace nrx::frame
