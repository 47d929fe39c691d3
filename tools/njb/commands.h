#pragma once
// The commands of njb as functions: each takes its options and a context, writes its report to
// the context's output and returns the program's exit status. Failures are raised as
// nrx::Error; the command line (cli.h) turns them into a message and status kExitError.

#include <cstdio>
#include <filesystem>
#include <string>

#include "nrxJobDb/engine.h"

namespace njb {

inline constexpr int kExitOk = 0;
// The command ran and its answer is "no": a job lacks fields or indexes, an update declined.
inline constexpr int kExitNegative = 1;
inline constexpr int kExitError = 2;

// Where a command writes, and whether a person at a terminal answers the questions of the job
// commands when neither --yes nor --no is given.
struct Context {
  std::FILE* out = stdout;
  bool terminal = false;
};

// --yes / --no: the answer to every question, for batch use.
struct AnswerOptions {
  bool yes = false;
  bool no = false;
};

struct SchemaOptions {
  std::string file;
  bool all = false;  // the engine's own tables too
  bool json = false;
};
struct SampleOptions {
  std::string dir = ".";
};
struct CatalogueOptions {
  std::string table;  // one list, by its name or a table's; every list when empty
  bool json = false;
};
struct CheckOptions {
  std::string file;
};
struct DemoOptions {
  std::string dir = (std::filesystem::temp_directory_path() / "njb-demo").string();
  AnswerOptions answers;  // the demo answers Yes unless told No
};
struct OpenOptions {
  std::string file;
  bool check = false;   // compare with the catalogue and offer the version update
  bool tables = false;  // create every missing job table (a new job always gets them)
  AnswerOptions answers;
};
struct BackupOptions {
  std::string file;
  AnswerOptions answers;
};
struct RekeyOptions {
  std::string file;
  // The new password's file; without one it is asked for on a terminal. An empty password
  // leaves the job encrypted under the engine's key alone.
  std::string new_password_file;
};

// The tables of a job file with their fields and indexes.
int RunSchema(const SchemaOptions& options, const Context& context);
// Makes DIR/sample.njb, a small encrypted job, and shows its schema.
int RunSample(const SampleOptions& options, const Context& context);
// The table catalogue: a summary of every list, or one list in full.
int RunCatalogue(const CatalogueOptions& options, const Context& context);
// What a job's tables lack against the catalogue; kExitNegative when anything.
int RunCheck(const CheckOptions& options, const Context& context);
// The life of a job from creation to an older job's update, every question shown.
int RunDemo(const DemoOptions& options, const Context& context);
// One open-work-close cycle of a job; kExitNegative when the version update was declined.
int RunOpen(const OpenOptions& options, const Context& context);
// The backup rotation of a job on its own, from a copy of the job as it is now.
int RunBackup(const BackupOptions& options, const Context& context);

// Changes, sets or removes a job's password (its current one is the engine's default password,
// see DBEngine::SetDefaultPassword), rewriting the job whole.
int RunRekey(const RekeyOptions& options, const Context& context);

// Prints the tables of a job file as text, or as JSON; system tables only with `all`.
void PrintSchema(std::FILE* out, nrx::Database& db, bool all, bool json);

}  // namespace njb
