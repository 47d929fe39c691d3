#include "point_entry_job.h"

#include "point_file.h"

namespace njb {

PointEntryJob::PointEntryJob(JobSession& job, bool geographic)
    : job_(job), coord_type_(geographic ? 1 : 0) {
  nrx::cJobProcs& procs = job_.Procs();
  procs.OpenDBPointEntry(job_.DbPtr(), job_.Path(), header_, data_, coord_type_, job_.General());
  procs.EnterPointsSetup(header_, data_, state_, coord_type_, points_, fixed_, job_.General(),
                         kPointLimit);
}

bool PointEntryJob::Save(const nrx::model::Point& point, bool fixed) {
  nrx::cJobProcs& procs = job_.Procs();
  const bool stored = procs.PointEntryStored(point.PointNo(), points_, state_, fixed_);
  procs.EnterPointsSave(std::make_shared<nrx::model::Point>(point), header_, data_, state_,
                        coord_type_, points_, stored, job_.General(), fixed, cfg_);
  return stored;
}

}  // namespace njb
