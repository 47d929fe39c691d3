// cJobProcs::VerifyOpenRecordSets: lists what is open on a database in the error log.

#include <string>

#include "frame/job_procs_members.h"
#include "integrity/verify_walk.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/file_utility.h"

namespace nrx {

bool cJobProcs::VerifyOpenRecordSets(const DatabasePtr& DB, bool debugPrint, bool listAll,
                                     bool doTableDefs) {
  constexpr MemberLabel kLabel = JobProcsLabel("VerifyOpenRecordSets");
  return Guard(kLabel, [&] {
    integrity::VerifyWalk walk(kLabel);
    std::string name;
    walk.Step([&] { name = frame::Require(DB, "DB").Name(); });
    if (name.empty() || !DB) {
      walk.Tell("Database not open");
      return true;
    }
    walk.Step([&] {
      model::FileUtility::Instance().ListOpenRecordsets(DB, listAll, debugPrint, doTableDefs);
    });
    return true;
  });
}

}  // namespace nrx
