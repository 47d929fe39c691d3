// cJobProcs::OpenDB_LSdata: opens a table of a least-squares data set, creating it when missing.

#include <optional>
#include <string>
#include <string_view>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/table_names.h"

namespace nrx {
namespace {

// Stands in for the points-table token while the table's own name is put into the query.
constexpr std::string_view kMarker = "!!x!!";

enum class Opening {
  kTable,           // by name, a table-type recordset
  kSafelyThenTable, // through OpenRecordsetSafely first, then by name
  kPointsQuery,     // a dynaset over the points query naming the table
};

struct DataSetTable {
  std::string name;
  Opening opening;
};

std::optional<DataSetTable> TableOfType(std::int16_t tableType, const std::string& dataSetNo,
                                        const std::string& LS_PtsTableName,
                                        const model::TableNames& names) {
  switch (tableType) {
    case -1:
      return DataSetTable{names.LSOptionsPrefix() + dataSetNo, Opening::kTable};
    case 0:
      if (dataSetNo.empty() && !LS_PtsTableName.empty()) {
        return DataSetTable{LS_PtsTableName, Opening::kPointsQuery};
      }
      return DataSetTable{names.LSPointsPrefix() + dataSetNo, Opening::kPointsQuery};
    case -3:
      return DataSetTable{names.LSPointsTable(), Opening::kPointsQuery};
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
      return DataSetTable{names.LSObsGenPrefix() + dataSetNo, Opening::kTable};
    case 6:
    case 7:
      return DataSetTable{names.LSObs3DPrefix() + dataSetNo, Opening::kTable};
    case 8:
      return DataSetTable{names.LSCoordObsPrefix() + dataSetNo, Opening::kTable};
    case 9:
      return DataSetTable{names.LSVectorsPrefix() + dataSetNo, Opening::kTable};
    case -2:
      return DataSetTable{names.LSLocalisationPrefix() + dataSetNo, Opening::kSafelyThenTable};
    default:
      return std::nullopt;
  }
}

// Replaces every occurrence of `from`, left to right, going on after each replacement: it ends
// whatever `to` holds, where searching from the start again would run on once `to` holds `from`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The selection the points table opens from: the least-squares points query naming `tableName`
// in place of the points-table token, or the table itself when the engine cannot count the
// alpha-ID table. A job without an alpha-ID table counts as having none. The token becomes a
// marker first and the marker the name, so a name that holds the token (as a prefixed points
// table's does) goes in once for each place the query names the table.
std::string PointsSelection(Database& db, const std::string& tableName,
                            const model::TableNames& names) {
  const TableDefPtr alpha = db.TableDefs().FindExact(names.AlphaIDsTable());
  if (alpha && alpha->RecordCount() < 0) return tableName;
  return ReplaceAll(ReplaceAll(names.LSPointsQuery(), names.PointsTable(), kMarker), kMarker,
                    tableName);
}

}  // namespace

void cJobProcs::OpenDB_LSdata(const std::string& jobPath, const std::string& dataSetNo,
                              const DatabasePtr& jobDB, std::int16_t tableType,
                              RecordsetPtr& dataTable, bool* tableExists,
                              const model::LSOptPrefsPtr& /*LSOptPrefs*/,
                              const std::string& LS_PtsTableName) {
  Guard(JobProcsLabel("OpenDB_LSdata"), [&] {
    dataTable.reset();
    const model::TableNames& names = model::TableNames::Instance();
    const std::optional<DataSetTable> table =
        TableOfType(tableType, dataSetNo, LS_PtsTableName, names);
    if (!table) return;

    // An index name already taken (in practice while the table is being created) leaves the
    // table usable, so each step passes it over and the next one runs.
    auto step = [](auto&& body) { frame::PassOver(err::kIndexNameExists, body); };
    step([&] { CreateJobDBTable(jobDB, table->name, jobPath, tableExists, false); });
    if (table->opening == Opening::kPointsQuery) {
      std::string selection;
      step([&] { selection = PointsSelection(frame::Require(jobDB, "jobDB"), table->name, names); });
      step([&] { dataTable = frame::Require(jobDB, "jobDB").OpenRecordset(selection, dbOpenDynaset); });
      return;
    }
    if (table->opening == Opening::kSafelyThenTable) {
      step([&] { OpenRecordsetSafely(dataTable, jobDB, table->name, dbOpenTable); });
    }
    step([&] { dataTable = frame::Require(jobDB, "jobDB").OpenRecordset(table->name); });
  });
}

}  // namespace nrx
