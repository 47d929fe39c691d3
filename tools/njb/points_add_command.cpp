// njb points add JOB FILE: survey points from a file entered into a job as the application's
// point entry stores them, with the job's points table kept in step.

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "commands.h"
#include "gis_point_file.h"
#include "job_exchange.h"
#include "job_session.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/job_model.h"
#include "nrxJobDb/table_names.h"
#include "point_entry_job.h"
#include "point_file.h"
#include "progress_bar.h"

namespace njb {
namespace {

// The point's record in the points table, added or brought up to date, so the other commands
// see the point as entry left it. Geographic points keep the longitude in X and the latitude
// in Y, and are marked spheroidal.
void KeepPointRecord(JobSession& job, const nrx::RecordsetPtr& points, const PointRow& row,
                     bool geographic) {
  const nrx::model::Point& p = row.point;
  if (job.Procs().LocatePointRecord(p.PointNo(), points)) {
    points->Edit();
  } else {
    points->AddNew();
    points->Fields("PointNo")->SetValue(nrx::Variant(p.PointNo()));
  }
  points->Fields("X")->SetValue(nrx::model::ValueOrNull(p.Easting()));
  points->Fields("Y")->SetValue(nrx::model::ValueOrNull(p.Northing()));
  points->Fields("Z")->SetValue(nrx::model::ValueOrNull(p.Height()));
  points->Fields("Zone")->SetValue(row.zone && !geographic ? nrx::Variant(*row.zone)
                                                           : nrx::Variant::Null());
  points->Fields("Description")->SetValue(nrx::model::DescriptionOrNull(p.Description()));
  points->Fields("Fixed")->SetValue(nrx::Variant(static_cast<std::uint8_t>(row.fixed ? 1 : 0)));
  points->Fields("Spheroidal")->SetValue(nrx::Variant(geographic));
  points->Update();
  job.CountChange();
}

struct Summary {
  std::size_t added = 0;
  std::size_t changed = 0;
  std::int32_t pages_made = 0;
};

Summary EnterRows(JobSession& job, const std::vector<PointRow>& rows, bool geographic,
                  const Context& context) {
  const std::string& points_table = nrx::model::TableNames::Instance().PointsTable();
  job.CreateTables({points_table});
  const nrx::RecordsetPtr points = job.Db().OpenRecordset(points_table, nrx::dbOpenTable);
  PointEntryJob entry(job, geographic);
  const std::int32_t pages_before = entry.Pages();
  Summary summary;
  ProgressBar progress(context.out, context.terminal, "Entering points", rows.size());
  for (const PointRow& row : rows) {
    ++(entry.Save(row.point, row.fixed) ? summary.changed : summary.added);
    KeepPointRecord(job, points, row, geographic);
    progress.Step();
  }
  summary.pages_made = entry.Pages() - pages_before;
  return summary;
}

bool IsCsv(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".csv";
}

// Geographic points are longitude and latitude of --crs, else of WGS 84. Grid points go into the
// zone --zone names, else the job's JobDetails.Zone, in the system --crs names, else the job's
// own system in that zone. Only the job's details are read, and the job is left as it was.
GisTarget TargetOf(const PointsAddOptions& options) {
  namespace ex = nrx::exchange;
  if (options.geographic) {
    if (options.zone != 0) {
      nrx::RaiseText(nrx::err::kInvalidCall, "njb", "--zone is for grid points, not geographic");
    }
    return {ex::ParseCrs(options.crs.empty() ? "EPSG:4326" : options.crs), 0};
  }
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.job, false, true);
  const int zone = options.zone != 0 ? ex::NormalZone(options.zone) : ReadJobZone(*db);
  const ex::JobProjection projection = ReadJobProjection(*db);
  db->Close();
  if (!options.crs.empty()) return {ex::ParseCrs(options.crs), zone};
  if (zone == 0) {
    nrx::RaiseText(nrx::err::kInvalidCall, "njb",
                   "The job gives no zone for the points: set JobDetails.Zone or give --zone N");
  }
  return {ex::ZoneCrs(projection, zone), zone};
}

// A CSV file is the surveyor's own point file; anything else is read through GDAL.
std::vector<PointRow> ReadRows(const PointsAddOptions& options) {
  if (!IsCsv(options.file)) {
    return ReadGisPointFile(options.file, TargetOf(options), options.number_field);
  }
  const bool gis_options = options.zone != 0 || !options.crs.empty() ||
                           options.number_field != PointsAddOptions{}.number_field;
  if (gis_options) {
    nrx::RaiseText(nrx::err::kInvalidCall, "njb",
                   "--number-field, --zone and --crs are for GIS sources: a CSV point file has "
                   "its own columns");
  }
  return ReadPointFile(options.file, options.geographic);
}

}  // namespace

int RunPointsAdd(const PointsAddOptions& options, const Context& context) {
  std::FILE* out = context.out;
  UseMessageBoxes(options.answers, context);
  if (!nrx::model::FileUtility::Instance().FileExists(options.job)) {
    nrx::Raise(nrx::err::kFileNotFound, "njb", options.job);
  }
  // The whole file is checked before the job is opened: a bad row leaves the job untouched.
  const std::vector<PointRow> rows = ReadRows(options);
  fmt::print(out, "Read {} point{} from {}\n", rows.size(), rows.size() == 1 ? "" : "s",
             options.file);

  JobSession job(options.job);
  fmt::print(out, "Opening {}\n", options.job);
  // A job of an older version is brought up to date first: entry writes fields it may lack.
  if (!job.Open(true)) {
    fmt::print(out, "The version update was declined: the job was not opened.\n");
    return kExitNegative;
  }
  const Summary summary = EnterRows(job, rows, options.geographic, context);
  fmt::print(out, "{} point{} added, {} changed, {} page{} made\n", summary.added,
             summary.added == 1 ? "" : "s", summary.changed, summary.pages_made,
             summary.pages_made == 1 ? "" : "s");
  CloseReporting(out, job);
  return kExitOk;
}

}  // namespace njb
