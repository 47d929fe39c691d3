#pragma once
// The error log: once started for a job, it appends every record of the error stack to a text
// file beside the job, so failures of a session can be read after the application has gone.

#include <string>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

class NRXJOBDB_API ErrorLog : public Object {
 public:
  ErrorLog() = default;
  ~ErrorLog() override;
  ErrorLog(const ErrorLog&) = delete;
  ErrorLog& operator=(const ErrorLog&) = delete;

  // The log file of a job: the job's path followed by ".log" (site.njb gives site.njb.log, as
  // the backups site.njb.bak1 and .bak2 sit beside it); for a folder, "nrxJobDb.log" inside it.
  static std::string LogPathFor(const std::string& jobFilePath);

  // Starts (or moves) the log to the job's log file: writes a line that marks the start and
  // from then on appends one line per error-stack record, "date time<TAB>source<TAB>procedure".
  // The file is appended to, never truncated. Raises 75 when the file cannot be opened for
  // writing. A record that later cannot be written is dropped without an error, because it is
  // written while an error is already on its way to the caller.
  void Start(const std::string& jobFilePath);

  // Detaches from the error stack; nothing more is written.
  void Stop();

  bool Started() const { return listener_ != 0; }
  // The file being written; empty before Start.
  const std::string& LogPath() const { return path_; }

 private:
  std::string path_;
  int listener_ = 0;
};

}  // namespace nrx
