#include "nrxJobDb/error_log.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/errors.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxErrStack.ErrorLog";

std::string Now() {
  return fmt::format("{:%Y-%m-%d %H:%M:%S}", fmt::localtime(std::time(nullptr)));
}

// Opens, appends and closes at once: the log must be complete on disk after each record, and
// a job folder on removable media may go away between records.
bool AppendLine(const std::string& path, const std::string& line) {
  std::ofstream out(path, std::ios::app | std::ios::binary);
  out << line << '\n';
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

ErrorLog::~ErrorLog() { Stop(); }

std::string ErrorLog::LogPathFor(const std::string& jobFilePath) {
  std::error_code ec;
  if (std::filesystem::is_directory(jobFilePath, ec)) {
    return (std::filesystem::path(jobFilePath) / "nrxJobDb.log").string();
  }
  return jobFilePath + ".log";
}

void ErrorLog::Start(const std::string& jobFilePath) {
  if (jobFilePath.empty()) Raise(err::kPathAccess, kSource, "(no job file name)");
  std::string path = LogPathFor(jobFilePath);
  if (!AppendLine(path, fmt::format("{}\tlog started for {}", Now(), jobFilePath))) {
    Raise(err::kPathAccess, kSource, path);
  }
  Stop();
  path_ = std::move(path);
  listener_ = ErrorStack::Instance().AddListener(
      [path = path_](const std::string& source, const std::string& procedure) {
        AppendLine(path, fmt::format("{}\t{}\t{}", Now(), source, procedure));
      });
}

void ErrorLog::Stop() {
  if (listener_ != 0) ErrorStack::Instance().RemoveListener(listener_);
  listener_ = 0;
}

}  // namespace nrx
