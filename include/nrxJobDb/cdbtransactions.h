#pragma once
// cDBtransactions: the component's transaction and recordset tracker.

#include <memory>
#include <string_view>

#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/component_object.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

class NRXJOBDB_API cDBtransactions : public ComponentObject {
 public:
  static constexpr std::string_view kClassName = "cDBtransactions";

  // Sets ClassActive and makes the tracker's own cJobProcs object (with its catalogue). A
  // failure is raised with the label "(Class Module) cDBtransactions::Sub Class_Initialize".
  cDBtransactions();
  // Clears ClassActive and releases the cJobProcs object; pending transactions are left alone.
  ~cDBtransactions() override;

 private:
  void Class_Initialize() override;
  void Class_Terminate() override;

  // The tracker's private cJobProcs, through which it opens least-squares data tables.
  std::shared_ptr<cJobProcs> jobProcs_;
};

}  // namespace nrx
