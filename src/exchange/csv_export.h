#pragma once
// CSV in the surveyor's column order, written by us: GDAL's writer puts the coordinates first.

#include <filesystem>
#include <string>

#include "exchange/job_data.h"
#include "exchange/progress.h"
#include "exchange/zone_groups.h"

namespace nrx::exchange {

// Raises 5 unless `columns` is a selection of P (number), E (easting), N (northing), Z (height)
// and D (description), each at most once: "PENZD", "PNEZD", "PNE", ...
void CheckColumns(const std::string& columns);

// A header row, then one row per point of `group` with the job's decimals (coordinates
// decimals_h, heights decimals_v); an unknown height is an empty cell.
void WriteCsv(const ZoneGroup& group, const JobData& job, const std::string& columns,
              const std::filesystem::path& path, Progress& progress);

}  // namespace nrx::exchange
