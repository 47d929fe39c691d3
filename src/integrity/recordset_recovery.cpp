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
  try {
    return db.TableDefs().FindExact(name) != nullptr;
  } catch (const Error&) {
    return false;
  }
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
    // Each pass closes the recordsets open when it began, the snapshot staying whole while
    // closing takes them out of the collection; another pass catches any that came meanwhile.
    while (db.RecordsetsCount() > 0) {
      for (const RecordsetPtr& rs : db.Recordsets()) rs->Close();
    }
  });
}

}  // namespace nrx
