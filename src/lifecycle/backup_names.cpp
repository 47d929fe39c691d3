#include "lifecycle/backup_names.h"

#include <chrono>
#include <ctime>

#include "lifecycle/upper_case.h"

namespace nrx::lifecycle {
namespace {

namespace fs = std::filesystem;

// The hour on the local clock as a running number, so that two of them subtract to the hours a
// wall clock shows between them (a change to or from summer time included).
long LocalHourNumber(fs::file_time_type time) {
  const auto system = std::chrono::file_clock::to_sys(time);
  std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(system));
  std::tm local{};
  localtime_r(&seconds, &local);
  local.tm_min = 0;
  local.tm_sec = 0;
  local.tm_isdst = 0;
  // timegm reads the fields as they stand, with no zone or summer time in between.
  return static_cast<long>(timegm(&local) / 3600);
}

}  // namespace

std::string BackupBase(const std::string& jobDBname) {
  // Only the file name is searched: a point in a folder's name must not put the backups of the
  // older scheme into another folder.
  const std::size_t name_start = jobDBname.find_last_of('/') + 1;  // npos + 1 is 0
  const std::string upper = UpperCase(jobDBname);
  for (const char* mark : {".NJB", ".MDB", "."}) {
    const std::size_t at = upper.find(mark, name_start);
    if (at != std::string::npos) return jobDBname.substr(0, at);
  }
  return jobDBname;
}

BackupNames BackupNamesFor(const std::string& jobDBname) {
  const std::string base = BackupBase(jobDBname);
  return {jobDBname + ".bak1", jobDBname + ".bak2", base + ".~01", base + ".~02"};
}

long ClockHoursBetween(fs::file_time_type from, fs::file_time_type to) {
  return LocalHourNumber(to) - LocalHourNumber(from);
}

}  // namespace nrx::lifecycle
