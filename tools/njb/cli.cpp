#include "cli.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

#include "nrxJobDb/errors.h"
#include "password.h"

namespace njb {
namespace {

// A subcommand and the call that runs it with the options parsed into its struct.
struct Command {
  CLI::App* app;
  std::function<int()> run;
};

void AddAnswers(CLI::App& cmd, AnswerOptions& options) {
  auto* yes = cmd.add_flag("--yes,-y", options.yes, "Answer Yes to every question (batch use)");
  auto* no = cmd.add_flag("--no,-n", options.no, "Answer No to every question (batch use)");
  yes->excludes(no);
}

CLI::App* AddSchema(CLI::App& app, SchemaOptions& o) {
  auto* cmd = app.add_subcommand("schema", "Show the tables of a job file: fields and indexes");
  cmd->add_option("FILE", o.file, "Job database file (.njb or .MDB)")->required();
  cmd->add_flag("--all", o.all, "Include the engine's own system tables (MSys...)");
  cmd->add_flag("--json", o.json,
                "Print JSON: {\"tables\":[{\"name\",\"recordCount\",\"fields\",\"indexes\"}]}");
  return cmd;
}

CLI::App* AddSample(CLI::App& app, SampleOptions& o) {
  auto* cmd = app.add_subcommand("sample", "Create a small sample job file and show its schema");
  cmd->add_option("--dir", o.dir, "Folder for sample.njb (replaced when it exists)");
  return cmd;
}

CLI::App* AddCatalogue(CLI::App& app, CatalogueOptions& o) {
  auto* cmd = app.add_subcommand("catalogue", "Show the table catalogue: every list, or one");
  cmd->add_option("--table", o.table,
                  "One list, by its name (LSOptions) or by a table's name (LS_Options3)");
  cmd->add_flag("--json", o.json,
                "Print JSON: {\"lists\":[{\"list\",\"table\",\"prefix\",\"fields\"}]}");
  return cmd;
}

CLI::App* AddCheck(CLI::App& app, CheckOptions& o) {
  auto* cmd = app.add_subcommand(
      "check", "Report the fields and indexes a job's tables lack (exit 1 when any)");
  cmd->add_option("JOB", o.file, "Job database file (.njb or .MDB)")->required();
  return cmd;
}

CLI::App* AddDemo(CLI::App& app, DemoOptions& o) {
  auto* cmd = app.add_subcommand(
      "demo", "Create a job, fill and save it, and update a job of an older version");
  cmd->add_option("--dir", o.dir, "Folder for the demo's jobs site.njb and older.MDB")
      ->capture_default_str();
  AddAnswers(*cmd, o.answers);
  return cmd;
}

CLI::App* AddOpen(CLI::App& app, OpenOptions& o) {
  auto* cmd = app.add_subcommand(
      "open",
      "Open (or create) a job, report its tables and any update, close it with the save "
      "question");
  cmd->add_option("JOB", o.file, "Job database file (.njb, or .MDB of an older version)")
      ->required();
  cmd->add_flag("--check", o.check,
                "Check the tables against the catalogue and offer the version update");
  cmd->add_flag("--tables", o.tables, "Create every missing job table (always done for a new job)");
  AddAnswers(*cmd, o.answers);
  return cmd;
}

CLI::App* AddRekey(CLI::App& app, RekeyOptions& o) {
  auto* cmd = app.add_subcommand(
      "rekey", "Set, change or remove a job's password, writing the whole job anew");
  cmd->add_option("JOB", o.file, "Job database file")->required();
  cmd->add_option("--new-password-file", o.new_password_file,
                  "Read the new password from the first line of this file (an empty line "
                  "removes the password); on a terminal njb asks for it instead");
  return cmd;
}

CLI::App* AddBackup(CLI::App& app, BackupOptions& o) {
  auto* cmd = app.add_subcommand(
      "backup", "Rotate a job's backups (JOB.bak1, JOB.bak2) from a copy of the job as it is now");
  cmd->add_option("JOB", o.file, "Job database file")->required();
  AddAnswers(*cmd, o.answers);
  return cmd;
}

int RunReportingErrors(const std::function<int()>& run) {
  try {
    return run();
  } catch (const nrx::Error& e) {
    fmt::print(stderr, "njb: error {}: {}\n", e.Number(), e.what());
  } catch (const std::exception& e) {
    fmt::print(stderr, "njb: {}\n", e.what());
  }
  return kExitError;
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, const Context& context) {
  CLI::App app{"njb - survey job databases: create, inspect, check and maintain job files"};
  app.require_subcommand(1);
  SchemaOptions schema;
  SampleOptions sample;
  CatalogueOptions catalogue;
  CheckOptions check;
  DemoOptions demo;
  OpenOptions open;
  BackupOptions backup;
  RekeyOptions rekey;
  // Every command that opens a job takes its password the same way.
  PasswordOptions password;
  auto job_command = [&](CLI::App* cmd, std::function<int()> run) {
    AddPasswordOption(*cmd, password);
    return Command{cmd, [&password, &context, run] { return RunWithPassword(password, context, run); }};
  };
  const std::vector<Command> commands = {
      job_command(AddSchema(app, schema), [&] { return RunSchema(schema, context); }),
      {AddSample(app, sample), [&] { return RunSample(sample, context); }},
      {AddCatalogue(app, catalogue), [&] { return RunCatalogue(catalogue, context); }},
      job_command(AddCheck(app, check), [&] { return RunCheck(check, context); }),
      {AddDemo(app, demo), [&] { return RunDemo(demo, context); }},
      job_command(AddOpen(app, open), [&] { return RunOpen(open, context); }),
      job_command(AddBackup(app, backup), [&] { return RunBackup(backup, context); }),
      job_command(AddRekey(app, rekey), [&] { return RunRekey(rekey, context); }),
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  for (const Command& command : commands) {
    if (command.app->parsed()) return RunReportingErrors(command.run);
  }
  return kExitError;  // require_subcommand(1) lets no parse through without one
}

}  // namespace njb
