#include "exchange/csv_export.h"

#include <fmt/format.h>

#include <cstdio>
#include <memory>

#include "nrxJobDb/errors.h"

namespace nrx::exchange {
namespace {

constexpr std::string_view kSource = "nrxExchange.Csv";
constexpr std::string_view kLetters = "PENZD";

std::string_view Heading(char column) {
  switch (column) {
    case 'P': return "Point";
    case 'E': return "Easting";
    case 'N': return "Northing";
    case 'Z': return "Height";
    default: return "Description";
  }
}

// Quoted when it holds a separator, a quote or a line break.
std::string Quoted(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string Cell(char column, const Point& point, const JobData& job) {
  switch (column) {
    case 'P': return std::to_string(point.number);
    case 'E': return fmt::format("{:.{}f}", point.easting, job.decimals_h);
    case 'N': return fmt::format("{:.{}f}", point.northing, job.decimals_h);
    case 'Z': return point.height ? fmt::format("{:.{}f}", *point.height, job.decimals_v) : "";
    default: return Quoted(point.description);
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void CheckColumns(const std::string& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (kLetters.find(columns[i]) == std::string_view::npos ||
        columns.find(columns[i], i + 1) != std::string::npos) {
      RaiseText(err::kInvalidCall, kSource,
                fmt::format("Columns '{}': give each of P, E, N, Z and D at most once, in the "
                            "order wanted (PENZD, PNEZD, ...)",
                            columns));
    }
  }
  if (columns.empty()) RaiseText(err::kInvalidCall, kSource, "No columns given: give PENZD or the like");
}

void WriteCsv(const ZoneGroup& group, const JobData& job, const std::string& columns,
              const std::filesystem::path& path, Progress& progress) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
  if (!file) Raise(err::kPathAccess, kSource, path.string());
  std::string line;
  for (char column : columns) line += fmt::format("{}{}", line.empty() ? "" : ",", Heading(column));
  fmt::print(file.get(), "{}\n", line);
  for (const Point* point : group.points) {
    line.clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i) line += ',';
      line += Cell(columns[i], *point, job);
    }
    fmt::print(file.get(), "{}\n", line);
    progress.Step();
  }
  if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
    Raise(err::kPathAccess, kSource, path.string());
  }
}

}  // namespace nrx::exchange
