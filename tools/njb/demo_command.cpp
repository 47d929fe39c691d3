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

void PrintStep(const std::string& title) {
  fmt::print("\n{}\n", title);
  std::fflush(stdout);
}

void CreateTablesStep(const std::string& site) {
  PrintStep("1. Create the job and its tables");
  JobSession job(site);
  job.Open(false);
  if (job.Existed()) {
    fmt::print("   opened {} (there from an earlier run)\n", site);
  } else {
    fmt::print("   created {}: a new, encrypted job\n", site);
  }
  const std::vector<std::string> made = job.CreateTables(StandardJobTables());
  if (made.empty()) {
    fmt::print("   every table is already there\n");
  } else {
    fmt::print("   created {} tables from the catalogue:\n", made.size());
    PrintWrapped(made, "     ");
  }
  job.Close();
  fmt::print("   closed\n");
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

void SampleRecordsStep(const std::string& site) {
  PrintStep("2. Reopen it, write sample records and save");
  JobSession job(site);
  job.Open(false);
  fmt::print("   opened exclusively; a temporary copy holds the job as it was opened\n");
  fmt::print("   wrote {}\n", WriteSampleRecords(job));
  const std::vector<std::string> before = DescribeBackups(site);
  job.Close();
  const std::vector<std::string> backups = DescribeBackups(site);
  fmt::print("   saved; backups: {}\n", fmt::join(backups, ", "));
  if (!before.empty() && before == backups) {
    fmt::print("   (the first backup is from the last hour, so it stays as it is)\n");
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

void OlderJobStep(const std::string& older) {
  PrintStep("3. Open a job of an older version, with the field check");
  MakeOlderJob(older);
  fmt::print("   made {}: job details, points and lines without their later fields\n", older);
  const nrx::JobCheck before = ReadOnlyCheck(older);
  const std::set<std::string> files_before = FilesBeside(older);
  JobSession job(older);
  if (!job.Open(true)) {
    fmt::print("   the update was declined\n");
    return;
  }
  for (const std::string& name : NewFilesBeside(job.Path(), files_before)) {
    fmt::print("   kept the job as it was before the update: {}\n", name);
  }
  if (job.Path() != older) fmt::print("   renamed it to {}\n", job.Path());
  PrintFieldsAdded(before, nrx::CheckJobAgainstCatalogue(job.Db()));
  job.Close();
  fmt::print("   closed\n");
}

void SummaryStep(const std::string& dir) {
  PrintStep("4. The files of the demo in " + dir);
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  for (const fs::path& path : found) {
    fmt::print("   {:<24} {:>8} bytes\n", path.filename().string(), fs::file_size(path));
  }
}

}  // namespace

void AddDemoCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "demo", "Create a job, fill and save it, and update a job of an older version");
  static std::string dir = (fs::temp_directory_path() / "njb-demo").string();
  cmd->add_option("--dir", dir, "Folder for the demo's jobs site.njb and older.MDB")
      ->capture_default_str();
  cmd->callback([] {
    // A demo runs unattended: each question is shown with the answer Yes.
    UsePrintedAnswers(nrx::MsgAnswer::Yes);
    fs::create_directories(dir);
    const std::string site = (fs::path(dir) / "site.njb").string();
    fmt::print("njb demo: the life of a job, in {}\n", dir);
    CreateTablesStep(site);
    SampleRecordsStep(site);
    OlderJobStep((fs::path(dir) / "older.MDB").string());
    SummaryStep(dir);
    fmt::print("\nDone.\n");
  });
}

}  // namespace njb
