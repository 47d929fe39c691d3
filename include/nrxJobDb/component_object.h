#pragma once
// What the component's classes have in common: the ClassActive flag, and the creation and
// destruction steps each class defines and runs from its constructor and destructor.

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

namespace frame {
struct Lifecycle;
}  // namespace frame

class NRXJOBDB_API ComponentObject : public Object {
 public:
  ComponentObject(const ComponentObject&) = delete;
  ComponentObject& operator=(const ComponentObject&) = delete;

  // True from creation to destruction; the caller may also set it.
  bool ClassActive() const { return class_active_; }
  void SetClassActive(bool value) { class_active_ = value; }

 protected:
  ComponentObject() = default;
  ~ComponentObject() override = default;

 private:
  friend struct frame::Lifecycle;
  // Creation and destruction steps, each under its own label. They run from the constructor
  // and destructor of the class that defines them, when its own members are alive.
  virtual void Class_Initialize() = 0;
  virtual void Class_Terminate() = 0;

  bool class_active_ = false;
};

}  // namespace nrx
