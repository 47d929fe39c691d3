// cJobProcs::VerifyPointRecord: reads a points recordset from end to end.

#include <cstdint>

#include "frame/job_procs_members.h"
#include "integrity/verify_walk.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/file_utility.h"

namespace nrx {
namespace {

// Reads what describes the recordset before its records are walked: name, counts, flags and the
// name of each field, each a step of its own.
void ReadDescription(integrity::VerifyWalk& walk, Recordset& rs) {
  walk.Step([&] { rs.Name(); });
  walk.Step([&] { rs.RecordCount(); });
  walk.Step([&] { rs.FieldsCount(); });
  walk.Step([&] { rs.Updatable(); });
  walk.Step([&] { rs.Bof(); });
  walk.Step([&] { rs.Eof(); });
  Collection<Field> fields;
  walk.Step([&] { fields = rs.Fields(); });
  for (const FieldPtr& field : fields) walk.Step([&] { field->Name(); });
}

// The record count as the 16-bit number the walk counts with: a larger one overflows.
std::int16_t RecordCount16(Recordset& rs) {
  const long count = rs.RecordCount();
  if (count > INT16_MAX) Raise(err::kOverflow, kRuntimeErrorSource, "record count");
  return static_cast<std::int16_t>(count);
}

}  // namespace

std::string cJobProcs::VerifyPointRecord(const RecordsetPtr& pointsRecordset,
                                         const DatabasePtr& DB) {
  constexpr MemberLabel kLabel = JobProcsLabel("VerifyPointRecord");
  return Guard(kLabel, [&] {
    integrity::VerifyWalk walk(kLabel);
    std::string result = "VerifyPointRecord FAILED - Recordset is Nothing";
    if (pointsRecordset) {
      Recordset& rs = *pointsRecordset;
      ReadDescription(walk, rs);
      walk.Step([&] { rs.MoveLast(0); });
      walk.Step([&] { rs.MoveFirst(); });
      std::int16_t records = 0;
      walk.Step([&] { records = RecordCount16(rs); });
      // A points table of an older job may lack a field read here; once the records are being
      // walked nothing is shown, so such a job does not bring one box per record.
      if (records > 0) walk.Silence();
      for (std::int16_t i = 0; i < records; ++i) {
        walk.Step([&] { rs.Fields("PointNo")->Value(); });
        walk.Step([&] { rs.Fields("AlphaID")->Value(); });
        walk.Step([&] { rs.MoveNext(); });
      }
      result = "VerifyPointRecord completed";
    }
    if (DB) {
      walk.Step(
          [&] { model::FileUtility::Instance().CheckOpenRecordsets(DB, false, false, true); });
    }
    return result;
  });
}

}  // namespace nrx
