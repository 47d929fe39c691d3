// njb demo: the life of a job through the component, from creation to an older job's update,
// with every question the component asks shown and answered Yes.

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>

#include "commands.h"
#include "job_session.h"
#include "nrxJobDb/catalogue_report.h"
#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

namespace fs = std::filesystem;

// The fields that the later versions added to the tables of the older job: the last ones of
// their catalogue lists.
const std::pair<const char*, int> kOlderTables[] = {{"JobDetails", 3}, {"Points", 4}, {"Lines", 1}};

void PrintStep(std::FILE* out, const std::string& title) {
  fmt::print(out, "\n{}\n", title);
  std::fflush(out);
}

void CreateTablesStep(std::FILE* out, const std::string& site) {
  PrintStep(out, "1. Create the job and its tables");
  JobSession job(site);
  job.Open(false);
  if (job.Existed()) {
    fmt::print(out, "   opened {} (there from an earlier run)\n", site);
  } else {
    fmt::print(out, "   created {}: a new, encrypted job\n", site);
  }
  const std::vector<std::string> made = job.CreateTables(StandardJobTables());
  if (made.empty()) {
    fmt::print(out, "   every table is already there\n");
  } else {
    fmt::print(out, "   created {} tables from the catalogue:\n", made.size());
    PrintWrapped(out, made, "     ");
  }
  job.Close();
  fmt::print(out, "   closed\n");
}

// One record of job details, five points and the four lines between them, numbered after the
// points already there.
std::string WriteSampleRecords(JobSession& job) {
  const nrx::model::TableNames& names = nrx::model::TableNames::Instance();
  nrx::Database& db = job.Db();

  nrx::RecordsetPtr details = db.OpenRecordset(names.JobDetailsTable(), nrx::dbOpenTable);
  details->Eof() ? details->AddNew() : details->Edit();
  details->Fields("Description")->SetValue(nrx::Variant("Boundary survey, lot 12"));
  details->Fields("Surveyor")->SetValue(nrx::Variant("njb demo"));
  details->Update();
  job.CountChange();

  std::int32_t first = 1;
  nrx::RecordsetPtr last =
      db.OpenRecordset(fmt::format("SELECT * FROM [{}] ORDER BY [PointNo]", names.PointsTable()),
                       nrx::dbOpenSnapshot);
  if (!last->Eof()) {
    last->MoveLast();
    first = last->Fields("PointNo")->Value().ToLong() + 1;
  }
  nrx::RecordsetPtr points = db.OpenRecordset(names.PointsTable(), nrx::dbOpenTable);
  nrx::RecordsetPtr lines = db.OpenRecordset(names.LinesTable(), nrx::dbOpenTable);
  for (std::int32_t i = 0; i < 5; ++i) {
    points->AddNew();
    points->Fields("PointNo")->SetValue(nrx::Variant(first + i));
    points->Fields("X")->SetValue(nrx::Variant(1000.0 + 12.5 * i));
    points->Fields("Y")->SetValue(nrx::Variant(5000.0 + 7.25 * i));
    points->Fields("Z")->SetValue(nrx::Variant(100.0 + i));
    points->Fields("Description")->SetValue(nrx::Variant(i == 0 ? "CONTROL" : "PEG"));
    points->Update();
    job.CountChange();
    if (i == 0) continue;
    lines->AddNew();
    lines->Fields("Point1")->SetValue(nrx::Variant(first + i - 1));
    lines->Fields("Point2")->SetValue(nrx::Variant(first + i));
    lines->Update();
    job.CountChange();
  }
  return fmt::format("job details, points {} to {} and the 4 lines between them", first, first + 4);
}

// `saving`: the save question is answered Yes.
void SampleRecordsStep(std::FILE* out, const std::string& site, bool saving) {
  PrintStep(out, "2. Reopen it, write sample records and save");
  JobSession job(site);
  job.Open(false);
  fmt::print(out, "   opened exclusively; a temporary copy holds the job as it was opened\n");
  if (!job.Db().FindTableDef(nrx::model::TableNames::Instance().PointsTable())) {
    fmt::print(out, "   the job has no tables, as they were not saved: nothing to write\n");
    job.Close();
    return;
  }
  fmt::print(out, "   wrote {}\n", WriteSampleRecords(job));
  const std::vector<std::string> before = DescribeBackups(site);
  job.Close();
  const std::vector<std::string> backups = DescribeBackups(site);
  fmt::print(out, "   {}; backups: {}\n", saving ? "saved" : "not saved",
             backups.empty() ? "none" : fmt::format("{}", fmt::join(backups, ", ")));
  if (saving && !before.empty() && before == backups) {
    fmt::print(out, "   (the first backup is from the last hour, so it stays as it is)\n");
  }
}

// A job as an older version left it: its tables lack the fields added since.
void MakeOlderJob(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);  // the demo's own file from a run that stopped half-way
  auto ws = std::make_shared<nrx::Workspace>("demo");
  nrx::DatabasePtr db = ws->CreateDatabase(path, nrx::kJobConnect, nrx::dbEncrypt);
  for (const auto& [list, later] : kOlderTables) {
    const nrx::CatalogueList described = nrx::DescribeCatalogueList(list);
    nrx::TableDefPtr table = db->CreateTableDef(described.table);
    for (std::size_t i = 0; i + later < described.fields.size(); ++i) {
      const nrx::CatalogueField& field = described.fields[i];
      table->FieldsAppend(table->CreateField(field.name, field.type, field.size));
    }
    db->TableDefsAppend(table);
  }
  db->Execute(fmt::format("INSERT INTO [{}] (PointNo, X, Y) VALUES (1, 250.0, 750.0)",
                          nrx::model::TableNames::Instance().PointsTable()));
}

nrx::JobCheck ReadOnlyCheck(const std::string& path) {
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(path, false, true);
  nrx::JobCheck check = nrx::CheckJobAgainstCatalogue(*db);
  db->Close();
  return check;
}

void OlderJobStep(std::FILE* out, const std::string& older) {
  PrintStep(out, "3. Open a job of an older version, with the field check");
  MakeOlderJob(older);
  fmt::print(out, "   made {}: job details, points and lines without their later fields\n", older);
  const nrx::JobCheck before = ReadOnlyCheck(older);
  const std::set<std::string> files_before = FilesBeside(older);
  JobSession job(older);
  if (!job.Open(true)) {
    fmt::print(out, "   the update was declined\n");
    return;
  }
  for (const std::string& name : NewFilesBeside(job.Path(), files_before)) {
    fmt::print(out, "   kept the job as it was before the update: {}\n", name);
  }
  if (job.Path() != older) fmt::print(out, "   renamed it to {}\n", job.Path());
  PrintFieldsAdded(out, before, nrx::CheckJobAgainstCatalogue(job.Db()));
  job.Close();
  fmt::print(out, "   closed\n");
}

void SummaryStep(std::FILE* out, const std::string& dir) {
  PrintStep(out, "4. The files of the demo in " + dir);
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  for (const fs::path& path : found) {
    fmt::print(out, "   {:<24} {:>8} bytes\n", path.filename().string(), fs::file_size(path));
  }
}

}  // namespace

int RunDemo(const DemoOptions& options, const Context& context) {
  // A demo runs unattended: each question is shown with the answer Yes, or No when asked for.
  const bool saving = !options.answers.no;
  UsePrintedAnswers(saving ? nrx::MsgAnswer::Yes : nrx::MsgAnswer::No, context.out);
  std::FILE* out = context.out;
  const std::string& dir = options.dir;
  fs::create_directories(dir);
  const std::string site = (fs::path(dir) / "site.njb").string();
  fmt::print(out, "njb demo: the life of a job, in {}\n", dir);
  CreateTablesStep(out, site);
  SampleRecordsStep(out, site, saving);
  OlderJobStep(out, (fs::path(dir) / "older.MDB").string());
  SummaryStep(out, dir);
  fmt::print(out, "\nDone.\n");
  return kExitOk;
}

}  // namespace njb
