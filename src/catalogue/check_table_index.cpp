// Making sure an existing table carries its unique (and where asked, primary) index.

#include <fmt/format.h>

#include <ranges>

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
    const Collection<Index> indexes = table.Indexes();
    bool create = indexes.empty();
    // From the last index down: the leftover index goes as well when it comes after the named
    // one, and is left alone when it comes before.
    for (const IndexPtr& index : indexes | std::views::reverse) {
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
