#include "job_session.h"

#include <fmt/chrono.h>
#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

namespace fs = std::filesystem;

// Prints each box as a terminal would show it, followed by the answer it was given.
class PrintedAnswers : public nrx::MessageBoxService {
 public:
  PrintedAnswers(std::optional<nrx::MsgAnswer> answer, std::FILE* out)
      : answer_(answer), out_(out) {}

  nrx::MsgAnswer Show(const std::string& text, const std::string& title, nrx::MsgButtons buttons,
                      nrx::MsgIcon) override {
    const std::vector<nrx::MsgAnswer> offered = nrx::ButtonsOf(buttons);
    nrx::MsgAnswer given = nrx::ConsoleMessageBox::CloseAnswer(buttons);
    if (answer_ && std::find(offered.begin(), offered.end(), *answer_) != offered.end()) {
      given = *answer_;
    }
    std::string shown;
    for (char c : text) {
      if (c == '\r') continue;
      shown += c;
      if (c == '\n') shown += "   | ";
    }
    while (shown.ends_with("   | ")) shown.resize(shown.size() - 5);
    while (shown.ends_with('\n')) shown.pop_back();
    for (std::size_t at; (at = shown.find("| \n")) != std::string::npos;) shown.erase(at + 1, 1);
    fmt::print(out_, "   [{}]\n   | {}\n   -> {}\n", title, shown, nrx::AnswerName(given));
    std::fflush(out_);
    return given;
  }

 private:
  std::optional<nrx::MsgAnswer> answer_;
  std::FILE* out_;
};

std::string LocalTime(fs::file_time_type time) {
  const auto system = std::chrono::file_clock::to_sys(time);
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(system));
  return fmt::format("{:%Y-%m-%d %H:%M}", fmt::localtime(seconds));
}

std::vector<std::string> FieldNames(const std::vector<nrx::CatalogueField>& fields) {
  std::vector<std::string> names;
  for (const auto& field : fields) names.push_back(field.name);
  return names;
}

}  // namespace

void UseMessageBoxes(const AnswerOptions& options, const Context& context) {
  if (options.yes) return UsePrintedAnswers(nrx::MsgAnswer::Yes, context.out);
  if (options.no) return UsePrintedAnswers(nrx::MsgAnswer::No, context.out);
  if (context.terminal) {
    nrx::SetMessageBoxService(nrx::ConsoleMessageBox::OnTerminal());
    return;
  }
  // No one to ask: each box is closed as a window is, and what it said stays in the output.
  UsePrintedAnswers(std::nullopt, context.out);
}

void UsePrintedAnswers(std::optional<nrx::MsgAnswer> answer, std::FILE* out) {
  nrx::SetMessageBoxService(std::make_shared<PrintedAnswers>(answer, out));
}

JobSession::JobSession(std::string path)
    : procs_(nrx::cJobProcs::Default()),
      grid_(std::make_shared<nrx::model::Grid>()),
      job_(std::make_shared<nrx::model::Job>(std::move(path))),
      general_(std::make_shared<nrx::model::JobGeneral>()),
      prog_(std::make_shared<nrx::model::Program>()) {}

JobSession::~JobSession() {
  if (db_) {
    try {
      if (ws_ && ws_->TransactionLevel() > 0) ws_->Rollback();
    } catch (const nrx::Error&) {
    }
    db_.reset();
  }
  // An opening that failed or was declined, or a cancelled close, leaves the copy to its caller.
  std::error_code ec;
  if (!general_->TempCopyName().empty()) fs::remove(general_->TempCopyName(), ec);
}

bool JobSession::Open(bool checkFields) {
  existed_ = nrx::model::FileUtility::Instance().FileExists(job_->JobFileName());
  bool cancelled = false;
  const std::shared_ptr<nrx::ErrorLog> no_log;  // njb prints its errors; it keeps no log file
  procs_->OpenJobDB(ws_, db_, grid_, job_, no_log, false, general_, checkFields, prog_, &cancelled);
  return !cancelled;
}

bool JobSession::Close(bool forceSave) {
  // Discarded backups go to the recycle bin, where a user can still find them. When the first
  // backup was recent the temporary copy is left to the caller: the destructor removes it.
  return procs_->CloseDBfiles(ws_, db_, grid_, general_, true, forceSave, true);
}

std::vector<std::string> JobSession::CreateTables(const std::vector<std::string>& names) {
  std::vector<std::string> made;
  for (const std::string& name : names) {
    bool existed = false;
    procs_->CreateJobDBTable(db_, name, job_->JobFileName(), &existed);
    if (existed) continue;
    made.push_back(name);
    CountChange();
  }
  return made;
}

// Closes the job with the save question and names the backups a save left.
void CloseReporting(std::FILE* out, JobSession& job) {
  fmt::print(out, "Closing {}\n", job.Path());
  if (!job.Close()) {
    fmt::print(out, "The close was cancelled: nothing was saved.\n");
    return;
  }
  const std::vector<std::string> backups = DescribeBackups(job.Path());
  fmt::print(out, "Closed. Backups: {}\n",
             backups.empty() ? "none" : fmt::format("{}", fmt::join(backups, ", ")));
}

std::vector<std::string> StandardJobTables() {
  const nrx::model::TableNames& n = nrx::model::TableNames::Instance();
  return {n.JobDetailsTable(),
          n.DisplaySettingsTable(),
          n.PointsTable(),
          n.LinesTable(),
          n.GridEntryHeaderTable(),
          n.GridEntryTable(),
          n.GeoEntryHeaderTable(),
          n.GeoEntryTable(),
          n.JobLSOptionsTable(),
          n.RadiationHeaderTable(),
          n.RadiationTable(),
          n.TrianglesTable(),
          n.AlphaIDsTable(),
          n.PointShiftTable(),
          n.TraverseHeaderPrefix() + "1",
          n.TraversePrefix() + "1",
          n.LSOptionsPrefix() + "1",
          n.LSPointsPrefix() + "1",
          n.LSObsGenPrefix() + "1",
          n.LSObs3DPrefix() + "1",
          n.LSCoordObsPrefix() + "1",
          n.LSVectorsPrefix() + "1",
          n.LSLocalisationPrefix() + "1"};
}

std::vector<std::string> DescribeTables(nrx::Database& db) {
  std::vector<std::string> out;
  db.TableDefsRefresh();
  for (const nrx::TableDefPtr& table : db.TableDefs()) {
    if (table->IsSystem()) continue;
    const long records = table->RecordCount();
    out.push_back(fmt::format("{} ({} record{})", table->Name(), records, records == 1 ? "" : "s"));
  }
  return out;
}

std::vector<std::string> DescribeBackups(const std::string& job) {
  std::vector<std::string> out;
  for (const char* suffix : {".bak1", ".bak2"}) {
    std::error_code ec;
    const fs::file_time_type time = fs::last_write_time(job + suffix, ec);
    if (ec) continue;
    out.push_back(
        fmt::format("{} ({})", fs::path(job + suffix).filename().string(), LocalTime(time)));
  }
  return out;
}

std::set<std::string> FilesBeside(const std::string& job) {
  std::set<std::string> names;
  const fs::path path(job);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string stem = path.stem().string();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(stem)) names.insert(name);
  }
  return names;
}

std::vector<std::string> NewFilesBeside(const std::string& job,
                                        const std::set<std::string>& before) {
  std::vector<std::string> added;
  for (const std::string& name : FilesBeside(job)) {
    if (!before.contains(name) && name != fs::path(job).filename().string()) added.push_back(name);
  }
  return added;
}

void PrintFieldsAdded(std::FILE* out, const nrx::JobCheck& before, const nrx::JobCheck& after) {
  bool any = false;
  for (const nrx::TableCheck& was : before.tables) {
    std::set<std::string> still;
    for (const nrx::TableCheck& now : after.tables) {
      if (now.table == was.table) {
        for (const auto& field : now.missing_fields) still.insert(field.name);
      }
    }
    std::vector<std::string> added;
    for (const std::string& name : FieldNames(was.missing_fields)) {
      if (!still.contains(name)) added.push_back(name);
    }
    if (added.empty()) continue;
    any = true;
    fmt::print(out, "   {}: {} field{} added:\n", was.table, added.size(),
               added.size() == 1 ? "" : "s");
    PrintWrapped(out, added, "     ");
  }
  if (!any) fmt::print(out, "   no fields were added\n");
}

void PrintWrapped(std::FILE* out, const std::vector<std::string>& items,
                  const std::string& indent) {
  std::string line = indent;
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::string item = items[i] + (i + 1 < items.size() ? "," : "");
    if (line.size() > indent.size() && line.size() + 1 + item.size() > 100) {
      fmt::print(out, "{}\n", line);
      line = indent;
    }
    line += (line.size() > indent.size() ? " " : "") + item;
  }
  if (line.size() > indent.size()) fmt::print(out, "{}\n", line);
}

}  // namespace njb
