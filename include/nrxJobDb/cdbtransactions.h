#pragma once
// cDBtransactions: the component's transaction and recordset tracker.

#include <memory>
#include <string_view>

#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

namespace frame {
struct Lifecycle;
}  // namespace frame

class NRXJOBDB_API cDBtransactions : public Object {
 public:
  static constexpr std::string_view kClassName = "cDBtransactions";

  // Sets ClassActive and makes the tracker's own cJobProcs object (with its catalogue). A
  // failure is raised with the label "(Class Module) cDBtransactions::Sub Class_Initialize".
  cDBtransactions();
  // Clears ClassActive and releases the cJobProcs object; pending transactions are left alone.
  ~cDBtransactions() override;
  cDBtransactions(const cDBtransactions&) = delete;
  cDBtransactions& operator=(const cDBtransactions&) = delete;

  // True from creation to destruction; the caller may also set it.
  bool ClassActive() const { return class_active_; }
  void SetClassActive(bool value) { class_active_ = value; }

 private:
  friend struct frame::Lifecycle;
  // Creation and destruction steps, each under its own label.
  void Class_Initialize();
  void Class_Terminate();

  bool class_active_ = false;
  // The tracker's private cJobProcs, through which it opens least-squares data tables.
  std::shared_ptr<cJobProcs> jobProcs_;
};

}  // namespace nrx
