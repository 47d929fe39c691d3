#pragma once
// A metric DXF drawing of one zone's points and lines, through GDAL's DXF driver into a drawing
// template of our own (GDAL's default drawing is imperial).

#include <filesystem>

#include "exchange/crs.h"
#include "exchange/job_data.h"
#include "exchange/progress.h"
#include "exchange/zone_groups.h"

namespace nrx::exchange {

// Drawing layers: POINTS (3D where the height is known), NUMBERS and HEIGHTS (text labels beside
// each point, heights with the job's decimals_v) and LINES. A line whose second point lies in
// another zone gets that point reprojected into this zone through `systems`.
void WriteDxf(const ZoneGroup& group, const JobData& job, ZoneSystems& systems,
              const std::filesystem::path& path, Progress& progress);

}  // namespace nrx::exchange
