// cDBtransactions::RecordsetOPEN: opens a recordset for the caller and, inside a transaction of
// the tracker, remembers it.

#include "frame/db_transactions_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cdbtransactions.h"
#include "nrxJobDb/error_convention.h"
#include "transactions/tracker_count.h"

namespace nrx {

void cDBtransactions::RecordsetOPEN(bool useOpenDB_LSdata, const DatabasePtr& jobDB,
                                    RecordsetPtr& dataTable,
                                    const std::string& SELECTclauseOrTableName,
                                    std::int16_t tableType, const std::string& dataSetNo,
                                    const std::string& jobPath, bool* tableExists,
                                    const model::LSOptPrefsPtr& /*LSOptPrefs*/,
                                    const std::string& /*callingProc*/,
                                    const std::string& objectName) {
  Guard(DBtransactionsLabel("RecordsetOPEN"), [&] {
    // The recordset being replaced leaves under the same rule as one the caller releases: one
    // opened outside the transaction now pending is reported.
    if (dataTable) RecordsetCLOSE(dataTable, objectName, "RecordsetOPEN");
    if (useOpenDB_LSdata) {
      jobProcs_->OpenDB_LSdata(jobPath, dataSetNo, jobDB, tableType, dataTable, tableExists,
                               nullptr, "");
    } else {
      dataTable = frame::Require(jobDB, "jobDB").OpenRecordset(SELECTclauseOrTableName);
    }
    // A table type the opener does not know opens nothing, and nothing is there to track.
    if (!dataTable) return;
    if (dataTable->RecordCount() > 0) {
      dataTable->MoveLast(0);  // makes the count complete
      dataTable->MoveFirst();
    }
    if (active_transactions_ <= 0) return;
    TrackedRecordset entry{jobDB->Name(), dataTable->Name()};
    transactions::OneMore(static_cast<std::int16_t>(trans_recordsets_.size()),
                          "count of tracked recordsets");
    trans_recordsets_.push_back(std::move(entry));
  });
}

}  // namespace nrx
