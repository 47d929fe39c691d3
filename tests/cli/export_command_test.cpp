// njb export: what it writes, read back with GDAL's and PROJ's own programs.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>

#include "cli/in_process.h"
#include "cli/survey_job.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

// Points on both sides of the 180th meridian: zones 59, 60 and 1 south of the equator, a line
// within zone 60 and one from zone 60 into zone 1.
SurveyJob DatelineJob() {
  return {.details = SouthernUtmDetails(60),
          .points = {{1, 500000.0, 5500000.0, 12.5, 59, "CONTROL", true, "CP1"},
                     {2, 300000.0, 5480000.0, std::nullopt, 60, "PEG, NE corner"},
                     {3, 699000.0, 5480000.0, 3.25, 0, "PEG"},  // the job's zone
                     {4, 310000.0, 5481000.0, 1.0, 1},
                     {5, 300100.5, 5481000.25, 2.0, 61}},  // wraps to zone 1
          .lines = {{2, 3}, {3, 4}, {1, 99}}};
}

class ExportCommand : public TempDirTest {
 protected:
  CommandResult Export(const std::string& format, const std::string& out,
                       njb::ExportOptions options = {}) {
    options.file = Path("job.njb");
    options.format = format;
    options.out = Path(out);
    return RunInProcess(njb::RunExport, options);
  }
  // Fields of every feature of `file` as CSV rows, geometry first, through ogr2ogr.
  std::string AsCsv(const std::string& file, const std::string& layer = "") {
    const CommandResult run = RunCommand("ogr2ogr -f CSV /vsistdout/ '" + Path(file) +
                                         "' " + layer + " -lco GEOMETRY=AS_WKT");
    EXPECT_EQ(0, run.exit_code) << run.output;
    return run.output;
  }
  // Nothing but the job and what was asked for.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Path(""))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ExportCommand, GeoPackageHasALayerPerZoneInItsOwnSystem) {
  MakeSurveyJob(Path("job.njb"), DatelineJob());
  const CommandResult run = Export("gpkg", "job.gpkg");
  ASSERT_EQ(0, run.exit_code) << run.output;
  EXPECT_CONTAINS(run.output, "5 points and 2 lines in 4 layers");
  EXPECT_CONTAINS(run.output, "1 lines left out");

  const CommandResult info = RunCommand("ogrinfo -ro -al -so '" + Path("job.gpkg") + "'");
  ASSERT_EQ(0, info.exit_code) << info.output;
  const std::pair<const char*, const char*> layers[][3] = {
      {{"points_z1", "32701"}, {"Feature Count: 2", ""}},
      {{"points_z59", "32759"}, {"Feature Count: 1", ""}},
      {{"points_z60", "32760"}, {"Feature Count: 2", ""}},
      {{"lines_z60", "32760"}, {"Feature Count: 2", ""}},
  };
  for (const auto& layer : layers) {
    const std::size_t at = info.output.find(std::string("Layer name: ") + layer[0].first + "\n");
    ASSERT_NE(std::string::npos, at) << layer[0].first << " in\n" << info.output;
    const std::string block = info.output.substr(at, info.output.find("Layer name:", at + 1) - at);
    EXPECT_CONTAINS(block, layer[1].first);
    EXPECT_CONTAINS(block, std::string("ID[\"EPSG\",") + layer[0].second + "]]");
  }
  const CommandResult valid = RunCommand(
      "python3 /usr/lib/python3/dist-packages/osgeo_utils/samples/validate_gpkg.py '" +
      Path("job.gpkg") + "'");
  EXPECT_EQ(0, valid.exit_code) << valid.output;

  const std::string z59 = AsCsv("job.gpkg", "points_z59");
  EXPECT_CONTAINS(z59, "WKT,point_no,easting,northing,height,zone,desc,fixed,alpha_id\n");
  EXPECT_CONTAINS(z59, "\"POINT (500000 5500000)\",\"1\",500000,5500000,12.5,\"59\",CONTROL,\"1\",CP1");
  // The line into zone 1 ends where its point lies, seen from zone 60.
  const std::string lines = AsCsv("job.gpkg", "lines_z60");
  EXPECT_CONTAINS(lines, "\"LINESTRING (300000 5480000,699000 5480000)\",\"2\",\"3\"");
  EXPECT_TRUE(std::regex_search(lines, std::regex(R"(\(699000 5480000,816\d\d\d\.\d+ 547)")))
      << lines;
}

}  // namespace
}  // namespace nrx::test
