#pragma once
// cDBtransactions: the component's transaction and recordset tracker.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/component_object.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

class NRXJOBDB_API cDBtransactions : public ComponentObject {
 public:
  static constexpr std::string_view kClassName = "cDBtransactions";

  // Sets ClassActive and makes the tracker's own cJobProcs object (with its catalogue). A
  // failure is raised with the label "(Class Module) cDBtransactions::Sub Class_Initialize".
  cDBtransactions();
  // Clears ClassActive and releases the cJobProcs object; pending transactions are left alone.
  ~cDBtransactions() override;

  // --- Transactions and tracked recordsets (src/transactions) ---

  // The depth of transactions begun through this tracker and not yet ended; 0 at creation. The
  // caller may set it to any value, which is kept as given.
  std::int16_t ActiveTransactions() const { return active_transactions_; }
  void SetActiveTransactions(std::int16_t value) { active_transactions_ = value; }

  // Does nothing.
  void SetBlank();

  // Begins a transaction on `currentWorkspace` when none is pending through this tracker (a
  // depth of 0), or always with `startNewTransaction`, and counts it. Raises 91 without a
  // workspace, 6 when the depth would pass 32767 (the engine's transaction has begun by then).
  void BeginTransIfNotPending(const WorkspacePtr& currentWorkspace,
                              bool startNewTransaction = false,
                              const std::string& callingProc = "");

  // With a positive depth: drops the tracked recordsets still open, then commits one
  // transaction, or every one this tracker counts with `commitAll`, lowering the depth by one
  // each. A commit the engine refuses for want of a transaction (3034) still lowers it. Raises
  // 91 without a workspace. A depth of 0 or below does nothing at all.
  void CommitTransIfPending(const WorkspacePtr& currentWorkspace, bool commitAll = false,
                            const std::string& callingProc = "");

  // As CommitTransIfPending, rolling back instead. Without a workspace the depth is lowered
  // without calling the engine.
  void RollBackTransIfPending(const WorkspacePtr& currentWorkspace, bool rollBackAll = false,
                              const std::string& callingProc = "");

  // Opens a recordset into `dataTable`, first releasing the one it holds through
  // RecordsetCLOSE. With `useOpenDB_LSdata` it is the least-squares table of `tableType` and
  // `dataSetNo` (cJobProcs::OpenDB_LSdata, which creates it when missing and sets
  // `tableExists`); otherwise `SELECTclauseOrTableName` opened with the engine's default type
  // (a table-type recordset for a table name, a dynaset for a selection). A recordset with
  // records is left on its first record with its count complete. Opened inside a transaction
  // of this tracker, it is tracked by its database's and its own name. Raises 6 when 32767
  // recordsets are tracked already. `LSOptPrefs`, `callingProc` and `objectName` change
  // nothing.
  void RecordsetOPEN(bool useOpenDB_LSdata, const DatabasePtr& jobDB, RecordsetPtr& dataTable,
                     const std::string& SELECTclauseOrTableName, std::int16_t tableType = 0,
                     const std::string& dataSetNo = "", const std::string& jobPath = "",
                     bool* tableExists = nullptr, const model::LSOptPrefsPtr& LSOptPrefs = nullptr,
                     const std::string& callingProc = "", const std::string& objectName = "");

  // Releases `dataTable` (it comes back Nothing); the recordset closes when no one else holds
  // it. The first tracked entry of its name is dropped; when there is none and a transaction
  // of this tracker is pending, the recordset was opened outside it and the user is warned,
  // naming the recordset and `callingProc`. A recordset whose name cannot be read is reported
  // in a box instead; no error reaches the caller.
  void RecordsetCLOSE(RecordsetPtr& dataTable, const std::string& objectName = "",
                      const std::string& callingProc = "");

 private:
  void Class_Initialize() override;
  void Class_Terminate() override;

  // A recordset opened while a transaction of this tracker was pending.
  struct TrackedRecordset {
    std::string database_name;
    std::string recordset_name;
  };

  // Drops every tracked recordset still open on a database of `currentWorkspace` (by name)
  // through RecordsetCLOSE, from the last tracked to the first.
  void CloseAllRecordsets(const WorkspacePtr& currentWorkspace, const std::string& callingProc);
  // What commit and roll-back share: with a positive depth, the sweep, then `endOne` and the
  // depth lowered, once or (with `all`) until the depth is 0.
  template <class EndOne>
  void EndTransactions(const WorkspacePtr& currentWorkspace, bool all,
                       const std::string& callingProc, EndOne endOne);

  // The tracker's private cJobProcs, through which it opens least-squares data tables.
  std::shared_ptr<cJobProcs> jobProcs_;
  std::int16_t active_transactions_ = 0;
  std::vector<TrackedRecordset> trans_recordsets_;
};

}  // namespace nrx
