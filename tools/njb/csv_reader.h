#pragma once
// Reads comma-separated records: fields may be quoted, a quoted field may hold commas, line
// breaks and doubled quotes ("" for one quote).

#include <istream>
#include <string>
#include <vector>

namespace njb {

struct CsvRecord {
  int line = 0;  // the line of the file on which the record begins, from 1
  std::vector<std::string> fields;
};

class CsvReader {
 public:
  // `source` names the input in errors.
  CsvReader(std::istream& in, std::string source);

  // The next record, false at the end. Blank lines are skipped. A quote left open at the end
  // of the input raises error 5 naming the line where the field began.
  bool Next(CsvRecord& record);

 private:
  bool ReadLine(std::string& line);

  std::istream& in_;
  std::string source_;
  int line_ = 0;
};

}  // namespace njb
