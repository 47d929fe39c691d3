#pragma once
// The file utility object of the application's model library: existence queries, path
// splitting, a copy that respects jobs held open elsewhere, and checks of a database's open
// recordsets.

#include <cstdint>
#include <string>
#include <vector>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

// File attribute bits that FileExists reports (the runtime's own values).
inline constexpr std::int32_t kAttrReadOnly = 1;
inline constexpr std::int32_t kAttrDirectory = 16;

class NRXJOBDB_API FileUtility : public Object {
 public:
  // The global object, created on first use and kept until the library is unloaded.
  static FileUtility& Instance();

  // True when `path` names an existing file. `attributes` goes in as the kinds besides plain
  // files that count (kAttrDirectory: folders too; 0: files only) and comes back as what was
  // found: 0 for a plain file this process may write, kAttrReadOnly for one it may not,
  // kAttrDirectory for a folder; 0 when nothing counted was found. An empty path is false.
  bool FileExists(const std::string& path, std::int32_t& attributes) const;
  // True when `path` names an existing file (not a folder).
  bool FileExists(const std::string& path) const;

  // Splits a full path into its parts and returns the file's name without folder or
  // extension ("/jobs/site.njb" gives "site"). `drive` receives the root ("/" for an absolute
  // path, "" for a relative one), `folder` the folder with its trailing separator and without
  // the root ("jobs/"), `extension` the extension with its point (".njb"). The three outputs are
  // overwritten whatever they held.
  std::string SplitPath(const std::string& fullPath, std::string& drive, std::string& folder,
                        std::string& extension) const;

  // Copies `source` over `destination`, whole or not at all: the copy is written under a hidden
  // name in the destination's folder, flushed and renamed, so a reader of `destination` sees
  // the file it held or the whole copy, even after a crash or a full disk. Raises 70 when
  // `source` is held exclusively or `destination` at all by an engine database (a job open here
  // or in another process) or the destination may not be written, 53 when `source` does not
  // exist, 75 when either is not a regular file, `source` cannot be read or the copy fails (a
  // full disk).
  void CopyFile(const std::string& source, const std::string& destination) const;

  // Flushes the folder holding `path`, so that a rename or deletion just made in it survives a
  // crash. A file system that cannot flush a folder is not an error.
  void FlushFolderOf(const std::string& path) const;

  // True when any recordset is open on `db`. With `debugPrint` it also reads every recordset
  // (name, type, the fields of its current record) and, with `doTableDefs`, every table
  // definition, and keeps a line in the debug lines for each that fails to be read, or for each
  // with `listAll`. Raises 91 when `db` is Nothing.
  bool CheckOpenRecordsets(const DatabasePtr& db, bool listAll, bool debugPrint, bool doTableDefs);

  // Writes the recordsets open on `db` to the error log (ErrorStack::Note): a line naming the
  // database and how many are open, then one per recordset with its name, type, record count
  // and position ("1: Points (table), 12 records, at a record"); with `listAll` each line ends
  // with the fields of the current record ("PointNo=1, Code=CP"); with `doTableDefs` a line per
  // table definition follows ("table Points: 16 fields, 12 records"). A recordset or table that
  // cannot be read gets a line with the error's number and text. Returns the lines written;
  // `debugPrint` also keeps them in the debug lines. Raises 91 when `db` is Nothing.
  std::vector<std::string> ListOpenRecordsets(const DatabasePtr& db, bool listAll, bool debugPrint,
                                              bool doTableDefs);

  // What the checks were asked to print; a library does not print, so it keeps them here for
  // the program to show.
  const std::vector<std::string>& DebugLines() const { return debug_lines_; }
  void ClearDebugLines() { debug_lines_.clear(); }

 private:
  std::vector<std::string> debug_lines_;
};

}  // namespace nrx::model
