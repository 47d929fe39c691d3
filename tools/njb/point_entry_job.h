#pragma once
// Point entry on an open job as the application runs it: the entry tables of one kind opened,
// entry started on their last page, and each point saved in its line, the line it already has
// when the point was entered before.

#include <cstdint>
#include <vector>

#include "job_session.h"
#include "nrxJobDb/point_entry_model.h"

namespace njb {

class PointEntryJob {
 public:
  // Opens the grid or the geographic entry tables (made when missing) and starts entry.
  PointEntryJob(JobSession& job, bool geographic);

  // Saves the point in its line; true when it was already entered (its line was changed).
  bool Save(const nrx::model::Point& point, bool fixed);

  // Pages that entry has made so far in the job, counted from 0 for a job without one.
  std::int32_t Pages() const { return state_->PageNumber(); }

 private:
  JobSession& job_;
  std::int16_t coord_type_;
  nrx::RecordsetPtr header_;
  nrx::RecordsetPtr data_;
  nrx::model::EnterPointsPtr state_;
  std::vector<std::int32_t> points_;
  std::vector<bool> fixed_;
  nrx::model::JobCfgPtr cfg_ = std::make_shared<nrx::model::JobCfg>();
};

}  // namespace njb
