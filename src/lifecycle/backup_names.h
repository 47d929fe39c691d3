#pragma once
// The files kept beside a job file J, and how far apart two file times are in clock hours.

#include <filesystem>
#include <string>

namespace nrx::lifecycle {

struct BackupNames {
  std::string first;       // J.bak1
  std::string second;      // J.bak2
  std::string old_first;   // B.~01, the older scheme
  std::string old_second;  // B.~02
};

// B: J up to the first ".NJB" of its file name in any letter case, else the first ".MDB", else
// the first "."; the whole of J when its file name has no point.
std::string BackupBase(const std::string& jobDBname);
BackupNames BackupNamesFor(const std::string& jobDBname);

// Hours from `from` to `to` counted on the local clock as a date difference counts them: both
// times cut to the whole hour, then subtracted (10:59 to 11:01 is 1 hour, 11:00 to 11:59 none).
long ClockHoursBetween(std::filesystem::file_time_type from, std::filesystem::file_time_type to);

}  // namespace nrx::lifecycle
