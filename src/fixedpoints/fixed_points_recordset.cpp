// cFixedPoints: opening and counting the recordset of fixed points, and walking it.

#include "frame/fixed_points_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

using frame::Require;

void cFixedPoints::CountFixedPts(const DatabasePtr& jobDB, const std::string& SELECTclause,
                                 bool keepOpen) {
  Guard(FixedPointsLabel("CountFixedPts"), [&] {
    ClearFixedPoints(true);
    fixed_points_table_ = Require(jobDB, "jobDB").OpenRecordset(SELECTclause);
    Recordset& rs = *fixed_points_table_;
    // A dynaset counts only the records it has reached until it has been to its last.
    if (!(rs.Bof() && rs.Eof()) && rs.RecordCount() > 0) {
      rs.MoveLast(0);
      SetFixedDBPoints(static_cast<std::int32_t>(rs.RecordCount()));
    }
    if (!keepOpen) fixed_points_table_.reset();
  });
}

bool cFixedPoints::CreateFixedPtsRecordset(const std::string& SELECTclause,
                                           const DatabasePtr& jobDB) {
  return Guard(FixedPointsLabel("CreateFixedPtsRecordset"), [&] {
    fixed_points_table_.reset();
    fixed_points_table_ = Require(jobDB, "jobDB").OpenRecordset(SELECTclause, dbOpenDynaset);
    return true;
  });
}

std::string cFixedPoints::DebugPrintFixedPoints(const std::string& title) {
  return Guard(FixedPointsLabel("DebugPrintFixedPoints"), [&] {
    if (!fixed_points_table_ || fixed_points_table_->RecordCount() == 0) return title;
    Recordset& rs = *fixed_points_table_;
    rs.MoveFirst();
    // The walk counts in 16 bits, as the list it was written for did: a longer recordset
    // overflows before the first record is read.
    const std::int16_t count = Variant(static_cast<std::int32_t>(rs.RecordCount())).ToInteger();
    for (std::int16_t i = 0; i < count; ++i) {
      // Nothing is written: reading proves each record holds the fields, and the walk leaves
      // the recordset where its callers expect it, past the last record counted.
      for (const char* field : {"PointNo", "Description", "Fixed"}) rs.Fields(field)->Value();
      rs.MoveNext();
    }
    return title;
  });
}

}  // namespace nrx
