// njb export: what it writes, read back with GDAL's and PROJ's own programs.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
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

// A DXF file as CAD readers walk it: its sections in order, the entries of each table, the
// handles, and what the entities refer to.
struct DxfOutline {
  std::vector<std::string> sections;
  std::map<std::string, std::set<std::string>> tables;  // LAYER -> {"0", "POINTS", ...}
  std::vector<std::string> handles;
  std::map<std::string, std::string> header;  // $NAME -> its first value
  std::map<int, std::set<std::string>> entity_refs;  // 8: layers, 6: line types, 7: styles
  std::string last;
};

DxfOutline OutlineOf(const std::string& path) {
  std::ifstream in(path);
  DxfOutline dxf;
  std::string section, table, kind, variable;
  for (std::string code_line, value; std::getline(in, code_line) && std::getline(in, value);) {
    if (!value.empty() && value.back() == '\r') value.pop_back();
    const std::string trimmed = value.substr(std::min(value.find_first_not_of(' '), value.size()));
    const int code = std::stoi(code_line);
    const bool opens_section = code == 2 && dxf.last == "SECTION";
    dxf.last = trimmed;
    if (code == 0) {
      kind = trimmed;
      variable.clear();
      continue;
    }
    if (opens_section) dxf.sections.push_back(section = trimmed);
    else if (code == 2 && kind == "TABLE") table = trimmed;
    else if (code == 2 && section == "TABLES" && kind == table) dxf.tables[table].insert(trimmed);
    if ((code == 5 || code == 105) && section != "HEADER") dxf.handles.push_back(trimmed);
    if (code == 9) variable = trimmed;
    else if (!variable.empty()) dxf.header.emplace(variable, trimmed);
    if (section == "ENTITIES" && (code == 6 || code == 7 || code == 8)) {
      dxf.entity_refs[code].insert(trimmed);
    }
  }
  return dxf;
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

TEST_F(ExportCommand, LongitudeAndLatitudeAgreeWithCs2csAcrossTheDateline) {
  MakeSurveyJob(Path("job.njb"), DatelineJob());
  ASSERT_EQ(0, Export("geojson", "job.geojson").exit_code);
  const std::string rows = AsCsv("job.geojson", "-select point_no,easting,northing,zone");
  const std::regex point(
      R"re("POINT \(([-0-9.e]+) ([-0-9.e]+)\)","(\d+)",([0-9.]+),([0-9.]+),"(\d+)")re");
  int seen = 0;
  for (std::sregex_iterator it(rows.begin(), rows.end(), point), end; it != end; ++it, ++seen) {
    const std::smatch& m = *it;
    SCOPED_TRACE("point " + m[3].str());
    const CommandResult cs2cs = RunCommand(
        "echo '" + m[4].str() + " " + m[5].str() + "' | cs2cs -f %.10f EPSG:" + std::to_string(32700 + std::stoi(m[6].str())) +
        " OGC:CRS84");
    ASSERT_EQ(0, cs2cs.exit_code) << cs2cs.output;
    std::istringstream expected(cs2cs.output);
    double lon = 0;
    double lat = 0;
    expected >> lon >> lat;
    EXPECT_NEAR(lon, std::stod(m[1].str()), 1e-7);
    EXPECT_NEAR(lat, std::stod(m[2].str()), 1e-7);
  }
  EXPECT_EQ(5, seen) << rows;
  EXPECT_CONTAINS(rows, "LINESTRING (");
}

TEST_F(ExportCommand, EachGisFormatListsItsLayersToGdal) {
  MakeSurveyJob(Path("job.njb"), DatelineJob());
  struct Case {
    const char* format;
    const char* out;
    std::vector<std::string> layers;  // name and feature count, as ogrinfo lists them
  } cases[] = {
      {"kml", "job.kml", {"points", "Feature Count: 5", "lines", "Feature Count: 2"}},
      {"gpx", "job.gpx", {"waypoints", "Feature Count: 5", "routes", "Feature Count: 2"}},
      {"shp", "job_shp", {"points_z1", "Feature Count: 2", "lines_z60", "Feature Count: 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    const CommandResult run = Export(c.format, c.out);
    ASSERT_EQ(0, run.exit_code) << run.output;
    const CommandResult info = RunCommand("ogrinfo -ro -al -so '" + Path(c.out) + "'");
    ASSERT_EQ(0, info.exit_code) << info.output;
    std::size_t at = 0;
    for (const std::string& expected : c.layers) {
      at = info.output.find(expected, at);
      ASSERT_NE(std::string::npos, at) << expected << " in\n" << info.output;
    }
  }
  // The projected easting and northing stay with each point as attributes.
  EXPECT_CONTAINS(AsCsv("job.gpx", "waypoints"), ",300100.5,5481000.25,\"1\",");
  EXPECT_CONTAINS(AsCsv("job.kml", "points"), ",12.5,\"59\",");
}

TEST_F(ExportCommand, DxfIsAMetricDrawingPerZoneThatGdalReadsBack) {
  MakeSurveyJob(Path("job.njb"), DatelineJob());
  EXPECT_NRX_ERROR(err::kInvalidCall, Export("dxf", "job.dxf"));
  EXPECT_EQ(std::vector<std::string>{"job.njb"}, Files());

  const CommandResult run = Export("dxf", "job.dxf", {.split_zones = true});
  ASSERT_EQ(0, run.exit_code) << run.output;
  EXPECT_EQ((std::vector<std::string>{"job.njb", "job_z1.dxf", "job_z59.dxf", "job_z60.dxf"}),
            Files());
  const std::string z60 = AsCsv("job_z60.dxf");
  EXPECT_CONTAINS(z60, "\"POINT (300000 5480000)\",POINTS,");
  EXPECT_CONTAINS(z60, "\"POINT Z (699000 5480000 3.25)\",POINTS,");
  EXPECT_CONTAINS(z60, "\"LINESTRING (300000 5480000,699000 5480000)\",LINES,");
  EXPECT_TRUE(std::regex_search(z60, std::regex(R"(LINESTRING \(699000 5480000,816\d+\.\d+ 547)")));
  EXPECT_TRUE(std::regex_search(z60, std::regex(R"(,NUMBERS,[^\n]*,"3"\n)"))) << z60;
  EXPECT_TRUE(std::regex_search(z60, std::regex(R"(,HEIGHTS,[^\n]*,"3.25"\n)"))) << z60;
  std::ifstream file(Path("job_z60.dxf"));
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\$INSUNITS\r?\n +70\r?\n +6\r?\n)")));
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\$MEASUREMENT\r?\n +70\r?\n +1\r?\n)")));
}

TEST_F(ExportCommand, DxfDrawingHoldsTheTablesItsEntitiesReferTo) {
  SurveyJob job = DatelineJob();
  for (SurveyPoint& point : job.points) point.zone = 60;
  MakeSurveyJob(Path("job.njb"), job);
  ASSERT_EQ(0, Export("dxf", "job.dxf").exit_code);
  const DxfOutline dxf = OutlineOf(Path("job.dxf"));

  EXPECT_EQ((std::vector<std::string>{"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES",
                                      "OBJECTS"}),
            dxf.sections);
  EXPECT_EQ("EOF", dxf.last);
  EXPECT_EQ("3", dxf.header.at("$LUPREC"));  // the job's OutputDecH
  EXPECT_EQ("6", dxf.header.at("$INSUNITS"));

  // What readers expect to find, and the drawing's own layers, once each, beside layer 0.
  EXPECT_TRUE(dxf.tables.at("LTYPE").contains("CONTINUOUS"));
  EXPECT_TRUE(dxf.tables.at("STYLE").contains("STANDARD"));
  EXPECT_TRUE(dxf.tables.at("BLOCK_RECORD").contains("*Model_Space"));
  std::set<std::string> layers = dxf.entity_refs.at(8);
  EXPECT_EQ((std::set<std::string>{"HEIGHTS", "LINES", "NUMBERS", "POINTS"}), layers);
  layers.insert("0");
  EXPECT_EQ(layers, dxf.tables.at("LAYER"));
  for (const auto& [code, table] : {std::pair{6, "LTYPE"}, {7, "STYLE"}}) {
    if (!dxf.entity_refs.contains(code)) continue;
    for (const std::string& name : dxf.entity_refs.at(code)) {
      EXPECT_TRUE(dxf.tables.at(table).contains(name)) << name << " missing from " << table;
    }
  }

  // Handles are unique, and the seed lies above all of them.
  std::set<unsigned long> handles;
  for (const std::string& handle : dxf.handles) {
    EXPECT_TRUE(handles.insert(std::stoul(handle, nullptr, 16)).second) << handle;
  }
  ASSERT_FALSE(handles.empty());
  EXPECT_GT(std::stoul(dxf.header.at("$HANDSEED"), nullptr, 16), *handles.rbegin());
}

TEST_F(ExportCommand, CsvIsInTheSurveyorsColumnOrderWithTheJobsDecimals) {
  SurveyJob job = DatelineJob();
  job.points.resize(2);
  for (SurveyPoint& point : job.points) point.zone = 59;
  MakeSurveyJob(Path("job.njb"), job);
  ASSERT_EQ(0, Export("csv", "job.csv", {.columns = "PNEZD"}).exit_code);
  std::ifstream file(Path("job.csv"));
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(
      "Point,Northing,Easting,Height,Description\n"
      "1,5500000.000,500000.000,12.50,CONTROL\n"
      "2,5480000.000,300000.000,,\"PEG, NE corner\"\n",
      text);
  for (const char* columns : {"PNEZDX", "PPNE", ""}) {
    EXPECT_NRX_ERROR(err::kInvalidCall, Export("csv", "bad.csv", {.columns = columns}));
  }
  EXPECT_NRX_ERROR(err::kInvalidCall, Export("gpkg", "bad.gpkg", {.columns = "PNE"}));
}

TEST_F(ExportCommand, AJobWithoutItsSystemNeedsCrsAndAFailedExportLeavesNothing) {
  SurveyJob job = DatelineJob();
  job.details.erase("Projection");
  MakeSurveyJob(Path("job.njb"), job);
  for (const char* format : {"gpkg", "geojson", "shp"}) {
    SCOPED_TRACE(format);
    const Error e = ErrorOf([&] { Export(format, std::string("job.") + format); });
    EXPECT_EQ(err::kInvalidCall, e.Number());
    EXPECT_CONTAINS(e.Description(), "JobDetails.Projection");
  }
  EXPECT_EQ(std::vector<std::string>{"job.njb"}, Files());
  ASSERT_EQ(0, Export("gpkg", "job.gpkg", {.crs = "EPSG:2193"}).exit_code);
  const CommandResult info = RunCommand("ogrinfo -ro -al -so '" + Path("job.gpkg") + "'");
  EXPECT_CONTAINS(info.output, "ID[\"EPSG\",2193]]");
}

}  // namespace
}  // namespace nrx::test
