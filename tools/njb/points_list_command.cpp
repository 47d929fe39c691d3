// njb points list JOB: the lines of point entry page by page, with each point's alphanumeric
// identifier. The job is only read: no opening with its copy and save question, no tables made.

#include <fmt/format.h>

#include <map>
#include <utility>

#include "commands.h"
#include "json.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/coord_utilities.h"
#include "nrxJobDb/point_entry_model.h"
#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

// Stored geographic values are packed; they are shown in decimal degrees, as a point file
// gives them, to well below the thousandth of a second they are stored to.
constexpr std::int16_t kDegreePlaces = 9;

struct EntryLine {
  std::int32_t record = 0;
  nrx::Variant point_no, easting, northing, zone, latitude, longitude, height, description;
  bool fixed = false;
  std::string alpha_id;
};

using Pages = std::map<std::int32_t, std::vector<EntryLine>>;

nrx::Variant Degrees(const nrx::Variant& packed) {
  if (packed.IsNull() || packed.IsEmpty()) return nrx::Variant::Null();
  return nrx::Variant(
      nrx::model::CoordUtilities::Instance().ConvertGeoValue(packed.ToDouble(), kDegreePlaces,
                                                             false));
}

// Finds the identifiers of the job's points: the points table answers for its own records, the
// alpha-ID table for the rest.
class Identifiers {
 public:
  explicit Identifiers(const nrx::DatabasePtr& db) : db_(db), procs_(nrx::cJobProcs::Default()) {
    const nrx::model::TableNames& names = nrx::model::TableNames::Instance();
    alphas_exist_ = procs_->CheckAlphaIDs(db_) > 0;
    // Opened once here rather than by every lookup.
    if (alphas_exist_) alpha_table_ = db_->OpenRecordset(names.AlphaIDsTable(), nrx::dbOpenTable);
    if (db_->FindTableDef(names.PointsTable())) {
      points_ = db_->OpenRecordset(names.PointsTable(), nrx::dbOpenTable);
    }
  }

  std::string Of(std::int32_t pointNo) {
    if (points_) procs_->LocatePointRecord(pointNo, points_);
    // Without a points table the alpha-ID table alone can answer.
    return procs_->GetAlphaForPtNum(pointNo, points_, alpha_table_, db_, alphas_exist_, !points_);
  }

 private:
  nrx::DatabasePtr db_;
  std::shared_ptr<nrx::cJobProcs> procs_;
  nrx::RecordsetPtr points_;
  nrx::RecordsetPtr alpha_table_;
  bool alphas_exist_ = false;
};

EntryLine ReadLine(nrx::Recordset& data, bool geographic, Identifiers& identifiers) {
  EntryLine line;
  line.record = data["RecordNo"].ToLong();
  line.point_no = data["PointNo"];
  if (geographic) {
    line.latitude = Degrees(data["Latitude"]);
    line.longitude = Degrees(data["Longitude"]);
  } else {
    line.easting = data["Easting"];
    line.northing = data["Northing"];
    line.zone = data["Zone"];
  }
  line.height = data["Height"];
  line.description = data["Description"];
  const nrx::Variant fixed = data["Fixed"];
  line.fixed = !fixed.IsNull() && !fixed.IsEmpty() && fixed.ToBoolean();
  if (!line.point_no.IsNull() && !line.point_no.IsEmpty()) {
    line.alpha_id = identifiers.Of(line.point_no.ToLong());
  }
  return line;
}

// Every page of the header table, and the lines of the data table on the page their record
// number puts them.
Pages ReadPages(const nrx::DatabasePtr& db, bool geographic) {
  const nrx::model::TableNames& names = nrx::model::TableNames::Instance();
  const std::string header_name =
      geographic ? names.GeoEntryHeaderTable() : names.GridEntryHeaderTable();
  const std::string data_name = geographic ? names.GeoEntryTable() : names.GridEntryTable();
  Pages pages;
  if (db->FindTableDef(header_name)) {
    nrx::RecordsetPtr header = db->OpenRecordset(header_name, nrx::dbOpenTable);
    header->SetIndex("PageNo_Index");
    for (; !header->Eof(); header->MoveNext()) pages[(*header)["PageNo"].ToLong()];
  }
  if (!db->FindTableDef(data_name)) return pages;
  const std::int32_t per_page = nrx::model::PageLayout().PointsPerPage();
  Identifiers identifiers(db);
  nrx::RecordsetPtr data = db->OpenRecordset(data_name, nrx::dbOpenTable);
  data->SetIndex("RecordNo_Index");
  for (; !data->Eof(); data->MoveNext()) {
    EntryLine line = ReadLine(*data, geographic, identifiers);
    pages[(line.record - 1) / per_page + 1].push_back(std::move(line));
  }
  return pages;
}

bool HasValue(const nrx::Variant& value) { return !value.IsNull() && !value.IsEmpty(); }

std::string JsonValue(const nrx::Variant& value) {
  if (!HasValue(value)) return "null";
  if (value.IsText()) return JsonText(value.ToText());
  if (value.IsNumeric()) return fmt::format("{}", value.ToDouble());
  return JsonText(value.ToText());
}

void PrintJson(std::FILE* out, const Pages& pages) {
  std::string text = "{\"pages\":[";
  const char* page_separator = "";
  for (const auto& [page, lines] : pages) {
    text += fmt::format("{}{{\"page\":{},\"lines\":[", std::exchange(page_separator, ","), page);
    const char* line_separator = "";
    for (const EntryLine& l : lines) {
      text += fmt::format(
          "{}{{\"record\":{},\"pointNo\":{},\"easting\":{},\"northing\":{},\"zone\":{},"
          "\"latitude\":{},\"longitude\":{},\"height\":{},\"description\":{},\"fixed\":{},"
          "\"alphaId\":{}}}",
          std::exchange(line_separator, ","), l.record, JsonValue(l.point_no),
          JsonValue(l.easting), JsonValue(l.northing), JsonValue(l.zone), JsonValue(l.latitude),
          JsonValue(l.longitude), JsonValue(l.height), JsonValue(l.description), l.fixed,
          JsonText(l.alpha_id));
    }
    text += "]}";
  }
  fmt::print(out, "{}]}}\n", text);
}

std::string Shown(const nrx::Variant& value) { return HasValue(value) ? value.ToText() : "-"; }

void PrintText(std::FILE* out, const Pages& pages, bool geographic) {
  if (pages.empty()) fmt::print(out, "No points have been entered.\n");
  for (const auto& [page, lines] : pages) {
    fmt::print(out, "Page {}\n", page);
    fmt::print(out, "  {:>6} {:>10} {:>14} {:>14} {:>5} {:>10} {:<16} {:<5} {}\n", "Line",
               "PointNo", geographic ? "Latitude" : "Easting",
               geographic ? "Longitude" : "Northing", "Zone", "Height", "Description", "Fixed",
               "AlphaID");
    for (const EntryLine& l : lines) {
      fmt::print(out, "  {:>6} {:>10} {:>14} {:>14} {:>5} {:>10} {:<16} {:<5} {}\n", l.record,
                 Shown(l.point_no), Shown(geographic ? l.latitude : l.easting),
                 Shown(geographic ? l.longitude : l.northing), Shown(l.zone), Shown(l.height),
                 Shown(l.description), l.fixed ? "yes" : "", l.alpha_id);
    }
  }
}

}  // namespace

int RunPointsList(const PointsListOptions& options, const Context& context) {
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.job, false, true);
  const Pages pages = ReadPages(db, options.geographic);
  if (options.json) {
    PrintJson(context.out, pages);
  } else {
    PrintText(context.out, pages, options.geographic);
  }
  db->Close();
  return kExitOk;
}

}  // namespace njb
