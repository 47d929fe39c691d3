// Making sure an existing table carries its unique (and where asked, primary) index.

#include <fmt/format.h>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

// The name of the leftover primary index that older jobs may carry.
constexpr std::string_view kLeftoverIndex = "PrimaryKey";

}  // namespace

void cJobProcs::CheckTableIndex(const DatabasePtr& jobDB, const TableDefPtr& tableDef,
                                const std::string& indexName, const std::string& indexFields,
                                bool makePrimary) {
  Guard(JobProcsLabel("CheckTableIndex"), [&] {
    TableDef& table = frame::Require(tableDef, "tableDef");
    bool create = table.IndexesCount() == 0;
    // From the last index down, so deleting one leaves the positions still to visit in place.
    for (int i = table.IndexesCount() - 1; i >= 0; --i) {
      const IndexPtr index = table.Indexes(i);
      const std::string name = index->Name();
      if (name != kLeftoverIndex && name != indexName) continue;
      if (name == kLeftoverIndex || (!index->Primary() && makePrimary)) {
        table.IndexesDelete(name);
        if (name == indexName) create = true;
      }
      if (name == indexName) break;
    }
    if (!create) return;

    std::string statement =
        fmt::format("CREATE UNIQUE INDEX {} ON {} ({})", indexName, table.Name(), indexFields);
    if (makePrimary) statement += " WITH PRIMARY;";
    frame::Require(jobDB, "jobDB").Execute(statement);
  });
}

}  // namespace nrx
