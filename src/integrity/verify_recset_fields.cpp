// cJobProcs::VerifyRecsetFields: reads a recordset's fields where it stands.

#include <string>

#include "frame/job_procs_members.h"
#include "integrity/verify_walk.h"
#include "nrxJobDb/cjobprocs.h"

namespace nrx {

bool cJobProcs::VerifyRecsetFields(const RecordsetPtr& recSet, bool doValues) {
  constexpr MemberLabel kLabel = JobProcsLabel("VerifyRecsetFields");
  return Guard(kLabel, [&] {
    integrity::VerifyWalk walk(kLabel);
    std::string name;
    walk.Step([&] { name = frame::Require(recSet, "recSet").Name(); });
    Collection<Field> fields;
    walk.Step([&] { fields = frame::Require(recSet, "recSet").Fields(); }, name);
    for (const FieldPtr& field : fields) {
      walk.Step([&] { field->Name(); }, name);
      if (doValues) walk.Step([&] { field->Value(); }, name, field->Name());
    }
    return true;
  });
}

}  // namespace nrx
