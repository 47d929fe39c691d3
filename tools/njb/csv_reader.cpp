#include "csv_reader.h"

#include <fmt/format.h>

#include "nrxJobDb/errors.h"

namespace njb {

CsvReader::CsvReader(std::istream& in, std::string source) : in_(in), source_(std::move(source)) {}

bool CsvReader::ReadLine(std::string& line) {
  if (!std::getline(in_, line)) return false;
  ++line_;
  // Files written on other systems end their lines with a carriage return as well.
  if (line.ends_with('\r')) line.pop_back();
  return true;
}

bool CsvReader::Next(CsvRecord& record) {
  std::string line;
  do {
    if (!ReadLine(line)) return false;
  } while (line.find_first_not_of(" \t") == std::string::npos);

  record.line = line_;
  record.fields.assign(1, std::string());
  bool quoted = false;
  for (std::size_t i = 0;; ++i) {
    if (i == line.size()) {
      if (!quoted) break;
      // The quoted field goes on on the next line, which its line break belongs to.
      if (!ReadLine(line)) {
        nrx::RaiseText(nrx::err::kInvalidCall, "njb",
                       fmt::format("{} line {}: a quoted field is not closed", source_,
                                   record.line));
      }
      record.fields.back() += '\n';
      i = static_cast<std::size_t>(-1);
      continue;
    }
    const char c = line[i];
    std::string& field = record.fields.back();
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      record.fields.emplace_back();
    } else {
      field += c;
    }
  }
  return true;
}

}  // namespace njb
