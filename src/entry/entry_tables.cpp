// cJobProcs::OpenDBPointEntry, OpenDBRadEntry and OpenDBTravEntry: the header and data tables of
// point, radiation and traverse entry, created when missing and opened on their indexes.

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/table_names.h"

namespace nrx {
namespace {

constexpr std::string_view kPageIndex = "PageNo_Index";
constexpr std::string_view kRecordIndex = "RecordNo_Index";

struct TablePair {
  std::string header;
  std::string data;
};

// A field a later version added to a data table; it starts as Null.
struct AddedField {
  std::string_view name;
  std::int16_t type;
};

// clang-format off
constexpr std::array<AddedField, 4> kGridAdded = {{
    {"Zone", dbInteger}, {"N_Value", dbSingle}, {"VertDefNS", dbSingle}, {"VertDefEW", dbSingle},
}};
constexpr std::array<AddedField, 5> kGeoAdded = {{
    {"Latitude", dbDouble}, {"Longitude", dbDouble},
    {"N_Value", dbSingle}, {"VertDefNS", dbSingle}, {"VertDefEW", dbSingle},
}};
// clang-format on

struct PointEntryKind {
  TablePair tables;
  std::span<const AddedField> added;
};

PointEntryKind PointEntryOf(std::int16_t coordType, const model::TableNames& names) {
  if (coordType == 0) {
    return {{names.GridEntryHeaderTable(), names.GridEntryTable()}, kGridAdded};
  }
  if (coordType == 1) {
    return {{names.GeoEntryHeaderTable(), names.GeoEntryTable()}, kGeoAdded};
  }
  // Grid and geographic coordinates are all the entry screens have; any other code is a
  // caller's mistake about an argument, which the runtime reports as 5, and there is no pair of
  // tables to create for it.
  RaiseText(err::kInvalidCall, kRuntimeErrorSource,
            "Invalid procedure call or argument: coordType " + std::to_string(coordType) +
                " is neither 0 (grid) nor 1 (geographic).");
}

// Creates the pair's missing tables, header first; `tableExists` ends telling about the data
// table.
void CreatePair(cJobProcs& procs, const DatabasePtr& jobDB, const TablePair& pair,
                const std::string& jobPath, bool& tableExists) {
  procs.CreateJobDBTable(jobDB, pair.header, jobPath, &tableExists, false);
  procs.CreateJobDBTable(jobDB, pair.data, jobPath, &tableExists, false);
}

RecordsetPtr OpenTable(const DatabasePtr& jobDB, const std::string& name) {
  return frame::Require(jobDB, "jobDB").OpenRecordset(name);
}

// Completes the record count of a recordset that has records, leaving it on its first.
void CompleteCount(Recordset& recordset) {
  if ((recordset.Bof() && recordset.Eof()) || recordset.RecordCount() <= 0) return;
  recordset.MoveLast();
  recordset.MoveFirst();
}

}  // namespace

void cJobProcs::OpenDBPointEntry(const DatabasePtr& jobDB, const std::string& jobDBname,
                                 RecordsetPtr& enterPtsHeader, RecordsetPtr& enterPtsTable,
                                 std::int16_t coordType, const model::JobGeneralPtr& jobGeneral) {
  Guard(JobProcsLabel("OpenDBPointEntry"), [&] {
    const PointEntryKind kind = PointEntryOf(coordType, model::TableNames::Instance());
    bool exists = false;
    CreatePair(*this, jobDB, kind.tables, jobDBname, exists);
    enterPtsHeader = OpenTable(jobDB, kind.tables.header);
    enterPtsTable = OpenTable(jobDB, kind.tables.data);
    for (const AddedField& field : kind.added) {
      NewFieldValue(jobDB, enterPtsTable, kind.tables.data, std::string(field.name), field.type, 0,
                    Variant::Null(), jobGeneral);
    }
    enterPtsHeader->SetIndex(kPageIndex);
    enterPtsTable->SetIndex(kRecordIndex);
  });
}

void cJobProcs::OpenDBRadEntry(const DatabasePtr& jobDB, const std::string& jobDBname,
                               RecordsetPtr& radHeader, RecordsetPtr& radTable,
                               const bool* /*tableExists*/) {
  Guard(JobProcsLabel("OpenDBRadEntry"), [&] {
    const model::TableNames& names = model::TableNames::Instance();
    const TablePair pair{names.RadiationHeaderTable(), names.RadiationTable()};
    bool exists = false;
    CreatePair(*this, jobDB, pair, jobDBname, exists);
    radHeader = OpenTable(jobDB, pair.header);
    radTable = OpenTable(jobDB, pair.data);
    radHeader->SetIndex(kPageIndex);
    radTable->SetIndex(kRecordIndex);
  });
}

void cJobProcs::OpenDBTravEntry(const std::string& jobPath, const std::string& travNum,
                                const DatabasePtr& jobDB, RecordsetPtr& travHeader,
                                RecordsetPtr& travTable, bool& tableExists,
                                const model::LSOptPrefsPtr& LSOptPrefs,
                                const model::JobGeneralPtr& jobGeneral) {
  Guard(JobProcsLabel("OpenDBTravEntry"), [&] {
    const model::TableNames& names = model::TableNames::Instance();
    const TablePair pair{names.TraverseHeaderPrefix() + travNum, names.TraversePrefix() + travNum};
    CreatePair(*this, jobDB, pair, jobPath, tableExists);
    travHeader = OpenTable(jobDB, pair.header);
    NewLSOptionFieldDefaults(jobDB, travHeader, pair.header, LSOptPrefs, jobGeneral);
    NewFieldValue(jobDB, travHeader, pair.header, "PtNoPrefix", dbBoolean, 0, Variant(false),
                  jobGeneral);
    NewFieldValue(jobDB, travHeader, pair.header, "PointDescriptor", dbByte, 0, Variant::Null(),
                  jobGeneral);
    travTable = OpenTable(jobDB, pair.data);
    travTable->SetIndex(kRecordIndex);
    if (tableExists) {
      CompleteCount(*travHeader);
      CompleteCount(*travTable);
    }
  });
}

}  // namespace nrx
