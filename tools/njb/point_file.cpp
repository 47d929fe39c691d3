#include "point_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <string_view>

#include "csv_reader.h"
#include "nrxJobDb/catalogue_report.h"
#include "nrxJobDb/errors.h"

namespace njb {
namespace {

enum class Column { PointNo, Easting, Northing, Height, Zone, Description, Fixed, Latitude, Longitude };

struct ColumnName {
  std::string_view name;
  Column column;
  bool grid;
  bool geographic;
};

constexpr std::array<ColumnName, 9> kColumns = {{
    {"PointNo", Column::PointNo, true, true},
    {"Easting", Column::Easting, true, false},
    {"Northing", Column::Northing, true, false},
    {"Height", Column::Height, true, true},
    {"Zone", Column::Zone, true, false},
    {"Description", Column::Description, true, true},
    {"Fixed", Column::Fixed, true, true},
    {"Latitude", Column::Latitude, false, true},
    {"Longitude", Column::Longitude, false, true},
}};

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Where the file went wrong: its name, the line and the reason.
class RowErrors {
 public:
  RowErrors(const std::string& source, int line) : source_(source), line_(line) {}
  [[noreturn]] void Fail(int number, const std::string& reason) const {
    nrx::RaiseText(number, "njb", fmt::format("{} line {}: {}", source_, line_, reason));
  }

 private:
  const std::string& source_;
  int line_;
};

// The columns the header names, in file order.
std::vector<Column> HeaderColumns(const CsvRecord& header, const std::string& source,
                                  bool geographic) {
  const RowErrors errors(source, header.line);
  std::vector<Column> columns;
  for (const std::string& field : header.fields) {
    const std::string name = Lower(Trimmed(field));
    const auto known = std::find_if(kColumns.begin(), kColumns.end(),
                                    [&](const ColumnName& c) { return Lower(c.name) == name; });
    if (known == kColumns.end() || !(geographic ? known->geographic : known->grid)) {
      errors.Fail(nrx::err::kInvalidCall,
                  fmt::format("\"{}\" is not a column of a {} point file", Trimmed(field),
                              geographic ? "geographic" : "grid"));
    }
    if (std::find(columns.begin(), columns.end(), known->column) != columns.end()) {
      errors.Fail(nrx::err::kInvalidCall, fmt::format("the column {} is named twice", known->name));
    }
    columns.push_back(known->column);
  }
  if (std::find(columns.begin(), columns.end(), Column::PointNo) == columns.end()) {
    errors.Fail(nrx::err::kInvalidCall, "the header names no PointNo column");
  }
  return columns;
}

template <class T>
T Number(std::string_view text, std::string_view column, const RowErrors& errors) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    errors.Fail(nrx::err::kOverflow, fmt::format("{} {} is out of range", column, text));
  }
  if (ec != std::errc() || end != text.data() + text.size()) {
    errors.Fail(nrx::err::kTypeMismatch, fmt::format("{} \"{}\" is not a number", column, text));
  }
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) {
      errors.Fail(nrx::err::kTypeMismatch, fmt::format("{} \"{}\" is not a number", column, text));
    }
  }
  return value;
}

double Angle(std::string_view text, std::string_view column, double limit,
             const RowErrors& errors) {
  const double value = Number<double>(text, column, errors);
  if (std::fabs(value) > limit) {
    errors.Fail(nrx::err::kOverflow,
                fmt::format("{} {} is outside -{} to {} degrees", column, text, limit, limit));
  }
  return value;
}

bool YesOrNo(std::string_view text, const RowErrors& errors) {
  const std::string value = Lower(text);
  for (const char* yes : {"1", "true", "yes", "y", "-1"}) {
    if (value == yes) return true;
  }
  for (const char* no : {"0", "false", "no", "n"}) {
    if (value == no) return false;
  }
  errors.Fail(nrx::err::kTypeMismatch, fmt::format("Fixed \"{}\" is not a yes or no", text));
}

void SetValue(PointRow& row, Column column, const std::string& field, const RowErrors& errors) {
  const std::string_view text = Trimmed(field);
  if (column == Column::Description) {
    if (auto why = DescriptionProblem(field)) errors.Fail(nrx::err::kOverflow, *why);
    row.point.SetDescription(field);
    return;
  }
  if (text.empty()) return;
  nrx::model::Point& p = row.point;
  switch (column) {
    case Column::PointNo: {
      const auto number = Number<std::int64_t>(text, "PointNo", errors);
      if (auto why = PointNumberProblem(number)) errors.Fail(nrx::err::kOverflow, *why);
      p.SetPointNo(static_cast<std::int32_t>(number));
      return;
    }
    case Column::Easting: return p.SetEasting(Number<double>(text, "Easting", errors));
    case Column::Northing: return p.SetNorthing(Number<double>(text, "Northing", errors));
    case Column::Height: return p.SetHeight(Number<double>(text, "Height", errors));
    case Column::Zone: {
      const auto zone = Number<std::int64_t>(text, "Zone", errors);
      if (zone < INT16_MIN || zone > INT16_MAX) {
        errors.Fail(nrx::err::kOverflow, fmt::format("Zone {} is out of range", text));
      }
      row.zone = static_cast<std::int16_t>(zone);
      return p.SetZone(*row.zone);
    }
    // A geographic point holds its latitude in the northing and its longitude in the easting.
    case Column::Latitude: return p.SetNorthing(Angle(text, "Latitude", 90, errors));
    case Column::Longitude: return p.SetEasting(Angle(text, "Longitude", 180, errors));
    case Column::Fixed: row.fixed = YesOrNo(text, errors); return;
    case Column::Description: return;
  }
}

// The characters a description may have: the size of the entry table's field.
std::size_t DescriptionSize() {
  for (const nrx::CatalogueField& field : nrx::DescribeCatalogueList("GridEntry").fields) {
    if (field.name == "Description") return static_cast<std::size_t>(field.size);
  }
  return std::string::npos;
}

}  // namespace

std::optional<std::string> PointNumberProblem(std::int64_t number) {
  if (number >= 1 && number < kPointLimit) return std::nullopt;
  return fmt::format("point number {} is outside 1 to {}", number, kPointLimit - 1);
}

std::optional<std::string> DescriptionProblem(const std::string& description) {
  static const std::size_t kSize = DescriptionSize();
  if (description.size() <= kSize) return std::nullopt;
  return fmt::format("the description \"{}\" is longer than {} characters", description, kSize);
}

std::vector<PointRow> ReadPoints(std::istream& in, const std::string& source, bool geographic) {
  CsvReader reader(in, source);
  CsvRecord record;
  if (!reader.Next(record)) return {};
  const std::vector<Column> columns = HeaderColumns(record, source, geographic);
  std::vector<PointRow> rows;
  while (reader.Next(record)) {
    const RowErrors errors(source, record.line);
    if (record.fields.size() != columns.size()) {
      errors.Fail(nrx::err::kInvalidCall, fmt::format("{} fields where the header names {}",
                                                      record.fields.size(), columns.size()));
    }
    PointRow row;
    row.line = record.line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      SetValue(row, columns[i], record.fields[i], errors);
    }
    if (row.point.PointNo() == 0) errors.Fail(nrx::err::kInvalidCall, "the row has no PointNo");
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<PointRow> ReadPointFile(const std::string& path, bool geographic) {
  std::ifstream in(path, std::ios::binary);
  if (!in) nrx::Raise(nrx::err::kFileNotFound, "njb", path);
  return ReadPoints(in, path, geographic);
}

}  // namespace njb
