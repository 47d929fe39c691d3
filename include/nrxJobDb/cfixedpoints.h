#pragma once
// cFixedPoints: the component's class of fixed (control) points.

#include <string_view>

#include "nrxJobDb/component_object.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

class NRXJOBDB_API cFixedPoints : public ComponentObject {
 public:
  static constexpr std::string_view kClassName = "cFixedPoints";

  // Sets ClassActive. A failure is raised with "(Class Module) cFixedPoints::Sub
  // Class_Initialize".
  cFixedPoints();
  // Clears ClassActive.
  ~cFixedPoints() override;

 private:
  void Class_Initialize() override;
  void Class_Terminate() override;
};

}  // namespace nrx
