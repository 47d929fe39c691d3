// njb verify JOB: reads every table, index, field and record of a job as the application's
// verification members do, and reports what could not be read instead of showing boxes. The
// job is opened read-only, so verifying can never change it.

#include <unistd.h>

#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "json.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/verify_failures.h"
#include "progress_bar.h"

namespace njb {
namespace {

// One failure, with where the walk was when it met it.
struct Finding {
  std::string table;
  std::optional<long> record;  // from 1, in the table's order
  std::string field;
  int error = 0;
  std::string text;
};

// The failures of a run, each once: the members read some things more than once (every table
// before the one sought), and a failure repeated would only hide the others.
class Findings {
 public:
  void Add(Finding finding) {
    if (seen_.insert(Text(finding)).second) list_.push_back(std::move(finding));
  }
  // Takes what the collector holds, the table and record that the walk was on filling in what
  // the member could not know.
  void Take(nrx::VerifyFailureCollector& collector, const std::string& table,
            std::optional<long> record = std::nullopt) {
    for (const nrx::VerifyFailure& failure : collector.Failures()) {
      Add({failure.table.empty() ? table : failure.table, record, failure.field, failure.number,
           failure.text});
    }
    collector.Clear();
  }
  const std::vector<Finding>& List() const { return list_; }

 private:
  static std::string Text(const Finding& f) {
    return fmt::format("{}\t{}\t{}\t{}\t{}", f.table, f.record.value_or(0), f.field, f.error,
                       f.text);
  }
  std::set<std::string> seen_;
  std::vector<Finding> list_;
};

struct Totals {
  long tables = 0;
  long records = 0;
};

std::vector<std::string> UserTables(nrx::Database& db, Findings& findings) {
  std::vector<std::string> names;
  try {
    for (const nrx::TableDefPtr& table : db.TableDefs()) {
      if (!table->IsSystem()) names.push_back(table->Name());
    }
  } catch (const nrx::Error& e) {
    findings.Add({{}, std::nullopt, {}, e.Number(), e.what()});
  }
  return names;
}

// The records of every table, for the progress bar; a count that cannot be read counts none.
long RecordsToRead(nrx::Database& db, const std::vector<std::string>& tables) {
  long total = 0;
  for (const std::string& name : tables) {
    try {
      total += std::max(0L, db.TableDefs(name)->RecordCount());
    } catch (const nrx::Error&) {
    }
  }
  return total;
}

// Reads each record of `table` with its values; a failure to open or to move on ends the table.
void VerifyRecords(nrx::cJobProcs& procs, nrx::Database& db, const std::string& table,
                   nrx::VerifyFailureCollector& collector, Findings& findings, Totals& totals,
                   ProgressBar& progress) {
  long record = 0;
  try {
    nrx::RecordsetPtr rs = db.OpenRecordset(table);
    while (!rs->Eof()) {
      ++record;
      procs.VerifyRecsetFields(rs, true);
      findings.Take(collector, table, record);
      ++totals.records;
      progress.Step();
      rs->MoveNext();
    }
  } catch (const nrx::Error& e) {
    findings.Add(
        {table, record > 0 ? std::optional(record) : std::nullopt, {}, e.Number(), e.what()});
  }
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : JsonText(text); }

void PrintJson(std::FILE* out, const Totals& totals, const Findings& findings) {
  std::string failures;
  for (const Finding& f : findings.List()) {
    failures +=
        fmt::format("{}{{\"table\":{},\"record\":{},\"field\":{},\"error\":{},\"text\":{}}}",
                    failures.empty() ? "" : ",", JsonOrNull(f.table),
                    f.record ? std::to_string(*f.record) : "null", JsonOrNull(f.field), f.error,
                    JsonText(f.text));
  }
  fmt::print(out, "{{\"tables\":{},\"records\":{},\"failures\":[{}]}}\n", totals.tables,
             totals.records, failures);
}

void PrintText(std::FILE* out, const Totals& totals, const Findings& findings) {
  for (const Finding& f : findings.List()) {
    std::string where = f.table.empty() ? "job" : f.table;
    if (f.record) where += fmt::format(", record {}", *f.record);
    if (!f.field.empty()) where += fmt::format(", field {}", f.field);
    fmt::print(out, "{}: error {}: {}\n", where, f.error, f.text);
  }
  const std::size_t count = findings.List().size();
  fmt::print(out, "{} tables, {} records: {}\n", totals.tables, totals.records,
             count == 0 ? std::string("no failures")
                        : fmt::format("{} failure{}", count, count == 1 ? "" : "s"));
}

// Indexes first, then table by table its fields and records, every failure into `findings`.
Totals VerifyJob(const nrx::DatabasePtr& db, const std::string& label, Findings& findings) {
  nrx::cJobProcs& procs = *nrx::cJobProcs::Default();
  nrx::VerifyFailureCollector collector;
  Totals totals;
  procs.VerifyTableIndexes(db);
  findings.Take(collector, {});
  const std::vector<std::string> tables = UserTables(*db, findings);
  // On stderr, so that the report on stdout (text or JSON) stays clean for whoever reads it.
  ProgressBar progress(stderr, isatty(STDERR_FILENO) != 0, label,
                       static_cast<std::size_t>(RecordsToRead(*db, tables)), 20000);
  for (const std::string& table : tables) {
    procs.VerifyTableFields(db, table);
    findings.Take(collector, table);
    VerifyRecords(procs, *db, table, collector, findings, totals, progress);
    ++totals.tables;
  }
  return totals;
}

}  // namespace

int RunVerify(const VerifyOptions& options, const Context& context) {
  nrx::DatabasePtr db =
      nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, false, true);
  Findings findings;
  // The file itself first, below the engine's objects: every page, used or free, read through
  // its seal, then SQLite's own integrity check; each problem is a failure of the job with
  // neither table nor record.
  for (std::string& problem : db->Verify()) {
    findings.Add({"", std::nullopt, "", nrx::err::kNotADatabase, std::move(problem)});
  }
  const Totals totals = VerifyJob(db, "verifying " + options.file, findings);
  db->Close();

  if (options.json) {
    PrintJson(context.out, totals, findings);
  } else {
    PrintText(context.out, totals, findings);
  }
  return findings.List().empty() ? kExitOk : kExitNegative;
}

}  // namespace njb
