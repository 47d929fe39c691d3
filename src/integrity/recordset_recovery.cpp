// The members of cJobProcs that get a usable recordset back and close every recordset of a
// database.

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

using frame::Require;

// A table-type source is there only when a table has exactly this name: a name that differs in
// letter case would open the table under a name the caller's later comparisons do not expect.
bool TableAvailable(Database& db, const std::string& name) {
  db.TableDefsRefresh();
  // A collection that cannot be read holds no table to open.
  try {
    db.TableDefsCount();
  } catch (const Error&) {
    return false;
  }
  return frame::FindExactTable(db, name) != nullptr;
}

}  // namespace

bool cJobProcs::OpenRecordsetSafely(RecordsetPtr& recSet, const DatabasePtr& DB,
                                    const std::string& SELECTclause, std::int16_t rsetType) {
  return Guard(JobProcsLabel("OpenRecordsetSafely"), [&] {
    bool reopen = !recSet;
    if (rsetType == dbOpenTable && recSet) {
      recSet.reset();
      reopen = true;
    }
    if (rsetType == dbOpenTable && !TableAvailable(Require(DB, "DB"), SELECTclause)) return false;
    if (!reopen) {
      try {
        recSet->Requery();
        return true;
      } catch (const Error&) {
        // A recordset that cannot be requeried (closed, or its source changed under it) is
        // replaced by a new one; only a failure of that open reaches the caller.
      }
    }
    recSet = Require(DB, "DB").OpenRecordset(SELECTclause, rsetType);
    return true;
  });
}

void cJobProcs::RequeryOrReOpenOnFail(RecordsetPtr& recSet, const DatabasePtr& DB,
                                      std::string& recSetQuery, std::int16_t dbOpenType) {
  Guard(JobProcsLabel("RequeryOrReOpenOnFail"), [&] {
    if (!recSet) return;
    if (recSetQuery.empty()) recSetQuery = recSet->Name();
    recSet.reset();
    OpenRecordsetSafely(recSet, DB, recSetQuery, dbOpenType);
  });
}

void cJobProcs::CloseRecordSets(const DatabasePtr& jobDB) {
  Guard(JobProcsLabel("CloseRecordSets"), [&] {
    Database& db = Require(jobDB, "jobDB");
    // Closing takes a recordset out of the collection, so each pass goes from the end; another
    // pass catches any recordset that came while the previous one ran.
    while (db.RecordsetsCount() > 0) {
      for (int i = db.RecordsetsCount() - 1; i >= 0; --i) {
        if (RecordsetPtr rs = db.Recordsets(i)) rs->Close();
      }
    }
  });
}

}  // namespace nrx
