// cJobProcs::CheckAlphaIDs and GetAlphaForPtNum: the job's alphanumeric point identifiers.

#include <optional>
#include <string>

#include "entry/point_lookup.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/table_names.h"

namespace nrx {
namespace {

using frame::Require;

// An identifier stands only while its DeleteFlag is neither 1 nor Null: a flag that says
// nothing counts as deleted, as 1 does.
bool Present(Recordset& record) {
  const Variant flag = record["DeleteFlag"];
  if (flag.IsNull()) return false;
  const std::optional<int> order = flag.Compare(Variant(std::int32_t{1}));
  return !order || *order != 0;
}

// The identifier of the current record, "" when it has none or it is deleted.
std::string IdentifierOf(Recordset& record) {
  const Variant alpha = record["AlphaID"];
  return alpha.IsNull() || !Present(record) ? std::string() : alpha.ToText();
}

// Reads every identifier of the alpha-ID table once, as a test that the table can be read.
void ReadThrough(cJobProcs& procs, const DatabasePtr& jobDB, const std::string& tableName) {
  RecordsetPtr alphas;
  procs.OpenRecordsetSafely(alphas, jobDB, tableName, dbOpenTable);
  Recordset& rs = Require(alphas, "alphaTable");
  rs.MoveLast();
  rs.MoveFirst();
  for (; !rs.Eof(); rs.MoveNext()) {
    (void)rs["PointNum"];
    (void)rs["AlphaID"];
    (void)rs["DeleteFlag"];
  }
}

// What the current points record says about `ptNum`'s identifier; nullopt when it cannot say:
// no current record, another point, or a points table without the identifier fields (the
// catalogue's points table has neither AlphaID nor DeleteFlag), which leaves the answer to the
// alpha-ID table.
std::optional<std::string> FromPointsRecord(Recordset& points, std::int32_t ptNum,
                                            bool alphasExist) {
  if (points.Bof() || points.Eof()) return std::nullopt;
  const Collection<Field> fields = points.Fields();
  if (!fields.Find("AlphaID") || !fields.Find("DeleteFlag")) return std::nullopt;
  const std::optional<int> order = points["PointNo"].Compare(Variant(ptNum));
  if (!order || *order != 0) return std::nullopt;
  return alphasExist ? IdentifierOf(points) : std::string();
}

// The alpha-ID table opened by the member itself, on its lookup index (the unique index on
// PointNum that the field check keeps; it is not the table's primary key); Nothing when it
// cannot be opened, which the search then reports.
RecordsetPtr OpenAlphaTable(const DatabasePtr& jobDB, const model::TableNames& names) {
  RecordsetPtr alphas;
  try {
    if (jobDB) {
      alphas = jobDB->OpenRecordset(names.AlphaIDsTable());
      alphas->SetIndex(names.AlphaIDIndex());
    }
  } catch (const Error&) {
  }
  return alphas;
}

// Finds `ptNum` in an alpha-ID recordset and gives its identifier. A table-type recordset is
// searched on the lookup index and put back on the index it had. Any other recordset is searched
// by PointNum when it has that field (the alpha-ID table's own), else by PointNo, as a selection
// that renames the field offers it.
std::string SearchAlphaTable(Recordset& alphas, std::int32_t ptNum,
                             const model::TableNames& names) {
  const bool table_type = alphas.Type() == dbOpenTable;
  std::optional<std::string> previous_index;
  if (alphas.RecordCount() > 0) {
    if (table_type) {
      previous_index = alphas.Index();
      alphas.SetIndex(names.AlphaIDIndex());
    }
    alphas.MoveLast();
    alphas.MoveFirst();
  }
  auto search = [&] {
    if ((alphas.Bof() && alphas.Eof()) || alphas.RecordCount() <= 0) return std::string();
    const std::string_view field = alphas.Fields().Find("PointNum") ? "PointNum" : "PointNo";
    return entry::FindPoint(alphas, ptNum, field) ? IdentifierOf(alphas) : std::string();
  };
  std::string answer;
  try {
    answer = search();
  } catch (const Error&) {
    // The caller's recordset goes back to its own index even when the search failed; the
    // search's error is the one to report, whatever the restoring meets.
    try {
      if (previous_index) alphas.SetIndex(*previous_index);
    } catch (const Error&) {
    }
    throw;
  }
  if (previous_index) alphas.SetIndex(*previous_index);
  return answer;
}

}  // namespace

std::int32_t cJobProcs::CheckAlphaIDs(const DatabasePtr& jobDB, bool testingListAlphas) {
  return Guard(JobProcsLabel("CheckAlphaIDs"), [&] {
    Database& db = Require(jobDB, "jobDB");
    db.TableDefsRefresh();
    const std::string& name = model::TableNames::Instance().AlphaIDsTable();
    TableDefPtr alpha;
    try {
      alpha = db.TableDefs().FindExact(name);
      if (alpha && alpha->RecordCount() >= 1 && testingListAlphas) ReadThrough(*this, jobDB, name);
    } catch (const Error&) {
      // Reading the identifiers through only tests the table: whatever it meets, the answer is
      // the table's count, or 0 without one.
    }
    return alpha ? static_cast<std::int32_t>(alpha->RecordCount()) : std::int32_t{0};
  });
}

std::string cJobProcs::GetAlphaForPtNum(std::int32_t ptNum, const RecordsetPtr& PointsTable,
                                        RecordsetPtr& alphaTable, const DatabasePtr& jobDB,
                                        bool alphasExist, bool recordDeleted) {
  return Guard(JobProcsLabel("GetAlphaForPtNum"), [&] {
    if (!recordDeleted) {
      std::optional<std::string> own =
          FromPointsRecord(Require(PointsTable, "PointsTable"), ptNum, alphasExist);
      if (own) return *own;
    }
    if (!alphasExist) return std::string();

    const model::TableNames& names = model::TableNames::Instance();
    const bool opened_here = !alphaTable;
    if (opened_here) alphaTable = OpenAlphaTable(jobDB, names);
    std::string answer;
    try {
      answer = SearchAlphaTable(Require(alphaTable, "alphaTable"), ptNum, names);
    } catch (...) {
      if (opened_here) alphaTable.reset();
      throw;
    }
    if (opened_here) alphaTable.reset();
    return answer;
  });
}

}  // namespace nrx
