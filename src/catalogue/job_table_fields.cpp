// The field check: every table of a job compared with its catalogue list.

#include "catalogue/table_kinds.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/table_names.h"

namespace nrx {

bool cJobProcs::JobTableFields(const DatabasePtr& jobDB, bool addMissing) {
  return Guard(JobProcsLabel("JobTableFields"), [&] {
    Database& db = frame::Require(jobDB, "jobDB");
    db.TableDefsRefresh();
    const Collection<TableDef> tables = db.TableDefs();
    if (tables.empty()) return true;

    const model::TableNames& names = model::TableNames::Instance();
    // A table that no kind claims leaves the result as it was, so a job whose first table is
    // unknown counts as incomplete in check mode.
    bool complete = false;
    for (const TableDefPtr& table : tables) {
      if (table->IsSystem()) continue;
      const std::string name = table->Name();
      if (const catalogue::TableKind* kind = catalogue::KindOfExistingTable(name, names)) {
        // The catalogue has no fields for the second alpha-ID table, so such a table cannot
        // lack any: it counts as complete and is left as it is. Comparing it with the empty
        // list would call it incomplete and offer every job that holds one an upgrade at each
        // opening, an upgrade that could never add anything.
        complete = kind->member ? FieldsInTable(catalogue_.*kind->member, table, addMissing) : true;
        if (const catalogue::CheckedIndex* index = kind->checked_index) {
          CheckTableIndex(jobDB, table, catalogue::NameOf(index->name_property, names),
                          std::string(index->fields), index->primary);
        }
      }
      if (!addMissing && !complete) return false;
    }
    return complete;
  });
}

}  // namespace nrx
