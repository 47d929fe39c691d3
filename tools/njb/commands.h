#pragma once
// The commands of njb as functions: each takes its options and a context, writes its report to
// the context's output and returns the program's exit status. Failures are raised as
// nrx::Error; the command line (cli.h) turns them into a message and status kExitError.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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
// njb fixed.
struct FixedOptions {
  std::string file;
  bool json = false;
};

// Job details and export: a job's coordinate system, and its points out to GIS and CAD.
struct DetailsOptions {
  std::string file;
  std::vector<std::string> sets;  // FIELD=VALUE; "" as the value clears the field
  bool json = false;
};
// Shows the job-details record; with sets, first writes them (the record made when the table has
// none) and saves the job, or writes nothing when any value does not fit its field.
int RunDetails(const DetailsOptions& options, const Context& context);
struct ExportOptions {
  std::string file = "";
  std::string format = "";  // gpkg, geojson, kml, gpx, dxf, shp or csv
  std::string out = "";
  std::string crs = "";  // "EPSG:n" in place of the job's own system
  bool split_zones = false;
  std::string columns = "PENZD";
};
// Writes the job's points and lines to OUT, with a progress bar on a terminal and a summary of
// the layers written; a failed export leaves nothing.
int RunExport(const ExportOptions& options, const Context& context);

// Job bounds and window selection.
struct BoundsOptions {
  std::string file;
  AnswerOptions answers;
};
struct WindowOptions {
  std::string file;
  std::string min;  // "X,Y,ZONE" of the west and south edges
  std::string max;  // "X,Y,ZONE" of the east and north edges
  bool outside = false;
  bool json = false;
};

struct VerifyOptions {
  std::string file;
  bool json = false;
};

// njb points add / list.
struct PointsAddOptions {
  std::string job;
  std::string file;         // a .csv point file (point_file.h), or any vector source GDAL reads
  bool geographic = false;  // latitude and longitude, into the geographic entry tables
  AnswerOptions answers;
  // Vector sources only (gis_point_file.h).
  std::string number_field = "point_no";  // the attribute holding each point's number
  int zone = 0;     // the zone the points are carried into; 0: the job's JobDetails.Zone
  std::string crs = "";  // "EPSG:n" in place of the job's own system in that zone
};
struct PointsListOptions {
  std::string job;
  bool geographic = false;
  bool json = false;
};

// njb import.
struct ImportOptions {
  std::string source;  // a Jet database
  std::string target;  // the source's name with ".njb" when empty
  bool json = false;
};

// njb rekey.
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
// njb fixed: the fixed points of a job's points table (CountFixedPts), each with whether point
// entry holds it fixed too (PointFixedInPE). The job is opened read-only.
int RunFixed(const FixedOptions& options, const Context& context);

// Works out a job's extent and point counters from its points and saves them into its job
// details (SaveJobBounds) in one open-work-close cycle; kExitNegative when the details table
// holds no record.
int RunBounds(const BoundsOptions& options, const Context& context);
// The condition of MultiZoneSELECT for a window, and the points of the job it selects.
int RunWindow(const WindowOptions& options, const Context& context);

// Reads every index, table, field and record of a job through the verification members and
// reports each failure with its table, record and field; kExitNegative when any.
int RunVerify(const VerifyOptions& options, const Context& context);
// Enters the points of a file into an existing job, page by page, and adds or updates their
// records in the points table; closes with the save question. A bad row of a CSV file raises an
// error naming its line, and a vector source one naming every feature that cannot be entered,
// before the job is opened.
int RunPointsAdd(const PointsAddOptions& options, const Context& context);
// The entered lines of a job page by page, with their identifiers; the job is only read.
int RunPointsList(const PointsListOptions& options, const Context& context);

// Converts the Jet database of an older job into a new job file and reports what it holds.
int RunImport(const ImportOptions& options, const Context& context);

// Changes, sets or removes a job's password (its current one is the engine's default password,
// see DBEngine::SetDefaultPassword), rewriting the job whole.
int RunRekey(const RekeyOptions& options, const Context& context);

// Prints the tables of a job file as text, or as JSON; system tables only with `all`.
void PrintSchema(std::FILE* out, nrx::Database& db, bool all, bool json);

}  // namespace njb
