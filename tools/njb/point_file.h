#pragma once
// The points of an import file: a header row naming its columns, then one point a row.
// Grid files have the columns PointNo, Easting, Northing, Height, Zone, Description and Fixed;
// geographic files Latitude and Longitude (decimal degrees) in place of Easting, Northing and
// Zone. Only PointNo is required, columns may come in any order and their names in any letter
// case; a missing column or an empty field means no value.

#include <cstdint>
#include <istream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "nrxJobDb/point_entry_model.h"

namespace njb {

// What a line without a point holds in the entry lists; no point takes this number.
inline constexpr std::int32_t kPointLimit = std::numeric_limits<std::int32_t>::max();

struct PointRow {
  int line = 0;               // of the file
  nrx::model::Point point;    // values without one hold the null value
  std::optional<std::int16_t> zone;
  bool fixed = false;
};

// Why a point cannot be entered with this number or description; nothing when it can. The
// file readers (this one and a GIS source's) hold every row to the same rules.
std::optional<std::string> PointNumberProblem(std::int64_t number);
std::optional<std::string> DescriptionProblem(const std::string& description);

// Every row of the file, checked before anything is stored: a value that is not a number, a
// point number outside 1 to kPointLimit - 1, a zone outside 16 bits, a latitude or longitude
// outside its range, a description longer than the entry table holds, a Fixed that is not a
// yes or no, or a row with another number of fields than the header raises an nrx::Error
// naming the line and the reason (13 for a value of the wrong kind, 6 for one out of range, 5
// for the file's layout).
std::vector<PointRow> ReadPoints(std::istream& in, const std::string& source, bool geographic);
// The same from a file; 53 when it cannot be read.
std::vector<PointRow> ReadPointFile(const std::string& path, bool geographic);

}  // namespace njb
