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

// A command that works on one job file, named JOB on its command line.
CLI::App* AddJobCommand(CLI::App& app, const std::string& name, const std::string& help,
                        std::string& file, const std::string& fileHelp = "Job database file") {
  auto* cmd = app.add_subcommand(name, help);
  cmd->add_option("JOB", file, fileHelp)->required();
  return cmd;
}

CLI::App* AddCheck(CLI::App& app, CheckOptions& o) {
  auto* cmd = AddJobCommand(app, "check",
                            "Report the fields and indexes a job's tables lack (exit 1 when any)",
                            o.file, "Job database file (.njb or .MDB)");
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
  auto* cmd = AddJobCommand(
      app, "rekey", "Set, change or remove a job's password, writing the whole job anew", o.file);
  cmd->add_option("--new-password-file", o.new_password_file,
                  "Read the new password from the first line of this file (an empty line "
                  "removes the password); on a terminal njb asks for it instead");
  return cmd;
}

CLI::App* AddBackup(CLI::App& app, BackupOptions& o) {
  auto* cmd = AddJobCommand(
      app, "backup",
      "Rotate a job's backups (JOB.bak1, JOB.bak2) from a copy of the job as it is now", o.file);
  AddAnswers(*cmd, o.answers);
  return cmd;
}

CLI::App* AddFixed(CLI::App& app, FixedOptions& o) {
  auto* cmd = AddJobCommand(
      app, "fixed", "List the fixed points of a job, each with whether point entry holds it fixed",
      o.file);
  cmd->add_flag(
      "--json", o.json,
      "Print JSON: {\"table\",\"count\",\"points\":[{\"pointNo\",\"fixedInPointEntry\"}]}");
  return cmd;
}

CLI::App* AddDetails(CLI::App& app, DetailsOptions& o) {
  auto* cmd = AddJobCommand(
      app, "details", "Show a job's details record, or set its fields (projection, datum, ...)",
      o.file);
  cmd->add_option("--set", o.sets,
                  "FIELD=VALUE, as often as needed (Projection=UTM DatumH=WGS84 Zone=56 "
                  "ApproxLat=-33); an empty VALUE clears the field");
  cmd->add_flag("--json", o.json, "Print JSON: {\"file\",\"details\":{FIELD:value}}");
  return cmd;
}

CLI::App* AddExport(CLI::App& app, ExportOptions& o) {
  auto* cmd =
      AddJobCommand(app, "export", "Write a job's points and lines for GIS and CAD", o.file);
  cmd->add_option("OUT", o.out, "File to write (for shp: a folder of layer files)")->required();
  cmd->add_option("--format", o.format,
                  "gpkg and shp: a layer per zone in its own system; geojson, kml, gpx: WGS84 "
                  "longitude and latitude; dxf, csv: grid coordinates")
      ->required()
      ->check(CLI::IsMember({"gpkg", "geojson", "kml", "gpx", "dxf", "shp", "csv"}));
  cmd->add_option("--crs", o.crs, "EPSG:n, the system of the job's coordinates in every zone");
  cmd->add_flag("--split-zones", o.split_zones, "dxf, csv: one file per zone, OUT_z<zone>.ext");
  cmd->add_option("--columns", o.columns, "csv: the columns in order, from P E N Z D")
      ->capture_default_str();
  return cmd;
}

CLI::App* AddBounds(CLI::App& app, BoundsOptions& o) {
  auto* cmd = AddJobCommand(
      app, "bounds", "Work out a job's extent and point counters from its points and save them",
      o.file);
  AddAnswers(*cmd, o.answers);
  return cmd;
}

CLI::App* AddWindow(CLI::App& app, WindowOptions& o) {
  auto* cmd = AddJobCommand(
      app, "window",
      "Show the selection condition of a window across projection zones and its points", o.file);
  cmd->add_option("--min", o.min, "West edge easting, south edge northing and west zone: X,Y,ZONE")
      ->required();
  cmd->add_option("--max", o.max, "East edge easting, north edge northing and east zone: X,Y,ZONE")
      ->required();
  cmd->add_flag("--outside", o.outside, "Select the points outside the window instead");
  cmd->add_flag("--json", o.json,
                "Print JSON: {\"condition\",\"points\":[{\"pointNo\",\"x\",\"y\",\"zone\"}]}");
  return cmd;
}

CLI::App* AddVerify(CLI::App& app, VerifyOptions& o) {
  auto* cmd = AddJobCommand(
      app, "verify",
      "Read every index, field and record of a job; report what fails (exit 1 when any)", o.file,
      "Job database file (.njb or .MDB)");
  cmd->add_flag("--json", o.json,
                "Print JSON: {\"tables\",\"records\",\"failures\":[{\"table\",\"record\","
                "\"field\",\"error\",\"text\"}]}");
  return cmd;
}

// `points` has subcommands of its own: add and list.
std::vector<Command> AddPoints(CLI::App& app, PointsAddOptions& add, PointsListOptions& list,
                               const Context& context) {
  auto* points = app.add_subcommand("points", "Enter survey points into a job, or list them");
  points->require_subcommand(1);
  auto* add_cmd = points->add_subcommand(
      "add",
      "Enter the points of a CSV file or a GIS source page by page and keep the points "
      "table in step");
  add_cmd->add_option("JOB", add.job, "Job database file (.njb)")->required();
  add_cmd
      ->add_option("SOURCE", add.file,
                   "A .csv with a header row: PointNo,Easting,Northing,Height,Zone,Description,"
                   "Fixed (Latitude,Longitude instead with --geographic); or any vector source "
                   "GDAL reads (gpkg, geojson, shp, dxf, kml, ...): its point features, "
                   "carried into the job's system, with height, desc and fixed attributes")
      ->required();
  add_cmd->add_flag("--geographic", add.geographic,
                    "Latitude and longitude in decimal degrees, into the geographic entry tables "
                    "(a GIS source: longitude and latitude of --crs, else WGS 84)");
  add_cmd
      ->add_option("--number-field", add.number_field,
                   "GIS source: the attribute holding each point's number")
      ->capture_default_str();
  add_cmd
      ->add_option("--zone", add.zone,
                   "GIS source: the zone the points are carried into and given, in place of "
                   "the job's JobDetails.Zone")
      ->check(CLI::Range(1, 60));
  add_cmd->add_option("--crs", add.crs,
                      "GIS source: EPSG:n, the system of the job's coordinates in that zone, in "
                      "place of the one its details name");
  AddAnswers(*add_cmd, add.answers);
  auto* list_cmd = points->add_subcommand("list", "Show the entered lines page by page");
  list_cmd->add_option("JOB", list.job, "Job database file (.njb)")->required();
  list_cmd->add_flag("--geographic", list.geographic, "The geographic entry tables");
  list_cmd->add_flag(
      "--json", list.json,
      "Print JSON: {\"pages\":[{\"page\",\"lines\":[{\"record\",\"pointNo\",...}]}]}");
  // The options and the context outlive the returned calls, which bind them directly.
  return {{add_cmd, [&o = add, &c = context] { return RunPointsAdd(o, c); }},
          {list_cmd, [&o = list, &c = context] { return RunPointsList(o, c); }}};
}

CLI::App* AddImport(CLI::App& app, ImportOptions& o) {
  auto* cmd = app.add_subcommand(
      "import",
      "Convert an older job's Jet database (.MDB) into a new job file, leaving it as it is");
  cmd->add_option("OLD", o.source, "Jet database file of an older job")->required();
  cmd->add_option("NEW", o.target, "The new job file (OLD with the extension .njb when not given)");
  cmd->add_flag("--json", o.json,
                "Print JSON: {\"source\",\"target\",\"rows\",\"indexes\",\"tables\",\"changes\"}");
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
  FixedOptions fixed;
  DetailsOptions details;
  ExportOptions exporting;
  BoundsOptions bounds;
  WindowOptions window;
  VerifyOptions verify;
  PointsAddOptions points_add;
  PointsListOptions points_list;
  ImportOptions import;
  RekeyOptions rekey;
  // Every command that opens a job takes its password the same way.
  PasswordOptions password;
  auto job_command = [&](CLI::App* cmd, std::function<int()> run) {
    AddPasswordOption(*cmd, password);
    return Command{cmd,
                   [&password, &context, run] { return RunWithPassword(password, context, run); }};
  };
  std::vector<Command> commands = {
      job_command(AddSchema(app, schema), [&] { return RunSchema(schema, context); }),
      {AddSample(app, sample), [&] { return RunSample(sample, context); }},
      {AddCatalogue(app, catalogue), [&] { return RunCatalogue(catalogue, context); }},
      job_command(AddCheck(app, check), [&] { return RunCheck(check, context); }),
      {AddDemo(app, demo), [&] { return RunDemo(demo, context); }},
      job_command(AddOpen(app, open), [&] { return RunOpen(open, context); }),
      job_command(AddBackup(app, backup), [&] { return RunBackup(backup, context); }),
      job_command(AddRekey(app, rekey), [&] { return RunRekey(rekey, context); }),
      job_command(AddFixed(app, fixed), [&] { return RunFixed(fixed, context); }),
      job_command(AddDetails(app, details), [&] { return RunDetails(details, context); }),
      job_command(AddExport(app, exporting), [&] { return RunExport(exporting, context); }),
      job_command(AddBounds(app, bounds), [&] { return RunBounds(bounds, context); }),
      job_command(AddWindow(app, window), [&] { return RunWindow(window, context); }),
      job_command(AddVerify(app, verify), [&] { return RunVerify(verify, context); }),
      {AddImport(app, import), [&] { return RunImport(import, context); }},
  };
  for (Command& command : AddPoints(app, points_add, points_list, context)) {
    commands.push_back(job_command(command.app, std::move(command.run)));
  }
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
