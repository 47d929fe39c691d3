// DBEngine::ConvertJetDatabase: the copy runs in a reader process of its own and writes a file
// beside the target, which takes the target's name only once it is complete.

#include <fmt/format.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <numeric>

#include "engine/file_vfs.h"
#include "engine/jet/isolated_run.h"
#include "engine/jet/jet_copy.h"
#include "nrxJobDb/engine.h"

namespace nrx {
namespace {

namespace fs = std::filesystem;
using detail::jet::ChildLines;

constexpr std::string_view kSource = "nrxEngine.DBEngine";
// A reader that tells nothing for this long is taken to be lost in a damaged file.
constexpr int kQuietSeconds = 60;

// The copy's news, one line each: fields separated by tabs, which no Jet name holds.
class LineSink final : public detail::jet::CopySink {
 public:
  explicit LineSink(ChildLines& out) : out_(out) {}
  void Progress(long done, long total) override { out_.Send(fmt::format("P\t{}\t{}", done, total)); }
  void TableCopied(const JetTableCopy& t) override {
    out_.Send(fmt::format("T\t{}\t{}\t{}", t.rows, t.indexes, t.name));
  }
  void TypeChanged(const JetTypeChange& c) override {
    out_.Send(fmt::format("C\t{}\t{}\t{}\t{}", c.type, c.table, c.field, c.jet_type));
  }

 private:
  ChildLines& out_;
};

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return parts;
    start = tab + 1;
  }
}

long Number(std::string_view text) {
  long value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

void ReadLine(std::string_view line, JetConversionReport& report, const JetProgress& progress) {
  auto parts = SplitTabs(line);
  if (parts[0] == "P" && parts.size() == 3) {
    if (progress) progress(Number(parts[1]), Number(parts[2]));
  } else if (parts[0] == "T" && parts.size() == 4) {
    report.tables.push_back({std::string(parts[3]), Number(parts[1]), static_cast<int>(Number(parts[2]))});
  } else if (parts[0] == "C" && parts.size() == 5) {
    report.changes.push_back({std::string(parts[2]), std::string(parts[3]), std::string(parts[4]),
                              static_cast<int>(Number(parts[1]))});
  }
}

void CheckPaths(const std::string& source, const std::string& target) {
  switch (files::Probe(source)) {
    case files::FileKind::Missing: Raise(err::kFileMissing, kSource, source);
    case files::FileKind::Unreadable: Raise(err::kDiskError, kSource, source);
    case files::FileKind::Jet: break;
    default:
      RaiseText(err::kNotADatabase, std::string(kSource),
                fmt::format("'{}' is not a Jet database: it cannot be converted.", source));
  }
  std::error_code ec;
  if (fs::exists(target, ec)) Raise(err::kDatabaseExists, kSource, target);
  fs::path folder = fs::absolute(target, ec).parent_path();
  if (!fs::is_directory(folder, ec)) Raise(err::kInvalidPath, kSource, target);
}

void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  fs::remove(path + "-journal", ec);
}

}  // namespace

long JetConversionReport::Rows() const {
  return std::accumulate(tables.begin(), tables.end(), 0L,
                         [](long sum, const JetTableCopy& t) { return sum + t.rows; });
}

int JetConversionReport::Indexes() const {
  return std::accumulate(tables.begin(), tables.end(), 0,
                         [](int sum, const JetTableCopy& t) { return sum + t.indexes; });
}

std::string ConvertedJobName(const std::string& path) {
  return fs::path(path).replace_extension(".njb").string();
}

bool IsJetDatabase(const std::string& path) { return files::Probe(path) == files::FileKind::Jet; }

JetConversionReport DBEngine::ConvertJetDatabase(const std::string& source,
                                                 const std::string& target,
                                                 const JetProgress& progress) {
  CheckPaths(source, target);
  // In the target's folder, so that the last step is a rename within one file system.
  std::string temp = fmt::format("{}.converting-{}", target, getpid());
  RemoveQuietly(temp);
  JetConversionReport report{source, target, {}, {}};
  try {
    detail::jet::RunIsolated(
        [&](ChildLines& out) {
          LineSink sink(out);
          detail::jet::CopyJetFile(source, temp, sink);
        },
        [&](std::string_view line) { ReadLine(line, report, progress); },
        fmt::format("Converting '{}'", source), kQuietSeconds);
    std::error_code ec;
    if (fs::exists(target, ec)) Raise(err::kDatabaseExists, kSource, target);
    fs::rename(temp, target, ec);
    if (ec)
      RaiseText(err::kDiskError, std::string(kSource),
                fmt::format("The converted job cannot take the name '{}' ({}).", target, ec.message()));
  } catch (...) {
    RemoveQuietly(temp);
    throw;
  }
  return report;
}

}  // namespace nrx
