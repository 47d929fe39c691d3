#pragma once
// What the job commands of njb share: how the component's questions are answered, and one open
// job with the objects the application holds while it works on it.

#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "nrxJobDb/catalogue_report.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/message_box.h"

namespace njb {

// Without --yes or --no, a terminal gets the console message boxes. Otherwise, and with no
// terminal, every box is printed on the context's output with the answer it was given: the
// chosen one where the box offers it, else the answer of a box closed without a choice.
void UseMessageBoxes(const AnswerOptions& options, const Context& context);
void UsePrintedAnswers(std::optional<nrx::MsgAnswer> answer, std::FILE* out);

// A job opened through cJobProcs::OpenJobDB and closed through CloseDBfiles.
class JobSession {
 public:
  explicit JobSession(std::string path);
  // Releases a job still open (what was not saved is rolled back) and deletes a temporary copy
  // that no backup took, so none is left behind in the temporary folder.
  ~JobSession();

  // OpenJobDB with or without the field check. False when the user declined the update.
  bool Open(bool checkFields);
  // CloseDBfiles with the save question; false when the user cancelled it.
  bool Close(bool forceSave = false);

  // Makes sure each table exists (CreateJobDBTable), counting every table made as a change;
  // returns the names of those made.
  std::vector<std::string> CreateTables(const std::vector<std::string>& names);
  // One more change for the save question.
  void CountChange() { general_->UpdateChangeCount(1, false); }

  // The job-general object the session hands to the component: changes, extent and counters.
  const nrx::model::JobGeneralPtr& General() const { return general_; }

  const std::string& Path() const { return job_->JobFileName(); }
  nrx::Database& Db() { return *db_; }
  // What the component's members take besides the job itself.
  nrx::cJobProcs& Procs() { return *procs_; }
  const nrx::DatabasePtr& DbPtr() const { return db_; }
  bool IsOpen() const { return db_ != nullptr; }
  bool Existed() const { return existed_; }

 private:
  std::shared_ptr<nrx::cJobProcs> procs_;
  nrx::WorkspacePtr ws_;
  nrx::DatabasePtr db_;
  nrx::model::GridPtr grid_;
  nrx::model::JobPtr job_;
  nrx::model::JobGeneralPtr general_;
  nrx::model::ProgramPtr prog_;
  bool existed_ = false;
};

// Closes the job with the save question (CloseDBfiles) and names the backups a save left.
void CloseReporting(std::FILE* out, JobSession& job);

// Every job-level table, and the tables of traverse 1 and least-squares data set 1, by the
// names the table-names object gives them.
std::vector<std::string> StandardJobTables();

// The user tables of a job with their record counts: "Points (5 records)".
std::vector<std::string> DescribeTables(nrx::Database& db);

// The first and second backups of a job that exist, with their file times.
std::vector<std::string> DescribeBackups(const std::string& job);

// The names of the files beside a job that begin with its name (without extension): the copies
// and the renamed file that an update leaves.
std::set<std::string> FilesBeside(const std::string& job);
// Those of them that are not in `before`, the job itself left out.
std::vector<std::string> NewFilesBeside(const std::string& job,
                                        const std::set<std::string>& before);

// Prints, table by table, the fields that `before` lacked and `after` no longer lacks.
void PrintFieldsAdded(std::FILE* out, const nrx::JobCheck& before, const nrx::JobCheck& after);

// Prints a list of items on lines of at most about 100 characters, each line indented.
void PrintWrapped(std::FILE* out, const std::vector<std::string>& items,
                  const std::string& indent);

}  // namespace njb
