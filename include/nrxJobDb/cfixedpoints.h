#pragma once
// cFixedPoints: the component's class of fixed (control) points.

#include <string_view>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

namespace frame {
struct Lifecycle;
}  // namespace frame

class NRXJOBDB_API cFixedPoints : public Object {
 public:
  static constexpr std::string_view kClassName = "cFixedPoints";

  // Sets ClassActive. A failure is raised with "(Class Module) cFixedPoints::Sub
  // Class_Initialize".
  cFixedPoints();
  // Clears ClassActive.
  ~cFixedPoints() override;
  cFixedPoints(const cFixedPoints&) = delete;
  cFixedPoints& operator=(const cFixedPoints&) = delete;

  // True from creation to destruction; the caller may also set it.
  bool ClassActive() const { return class_active_; }
  void SetClassActive(bool value) { class_active_ = value; }

 private:
  friend struct frame::Lifecycle;
  // Creation and destruction steps, each under its own label.
  void Class_Initialize();
  void Class_Terminate();

  bool class_active_ = false;
};

}  // namespace nrx
