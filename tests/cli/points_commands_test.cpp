// njb points add and list: point files and GIS sources entered into a job page by page, the
// points table kept in step, and the lines read back.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <optional>
#include <regex>

#include "cli/command_fixture.h"
#include "cli/survey_job.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

constexpr njb::AnswerOptions kYes{.yes = true};
constexpr njb::AnswerOptions kNo{.no = true};

class PointsCommands : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    // A new job with every table, saved.
    ASSERT_EQ(0, RunInProcess(njb::RunOpen, {.file = Job(), .answers = kYes}).exit_code);
  }

  std::string Job() const { return Path(job_name_); }

  // Sets the job's coordinate system: WGS84 transverse Mercator zones south of the equator.
  void SetSouthernUtm(int zone) {
    const std::vector<std::string> sets = {"Projection=UTM", "DatumH=WGS84", "ApproxLat=-41",
                                           fmt::format("Zone={}", zone)};
    ASSERT_EQ(0, RunInProcess(njb::RunDetails, {.file = Job(), .sets = sets}).exit_code);
  }

  // 25 grid points, 101 to 125; the third has no height, the fifth a description with a comma
  // and quotes, every fifth is fixed. `shift` moves every easting.
  std::string GridFile(const std::string& name, double shift = 0) {
    std::string text = "PointNo,Easting,Northing,Height,Zone,Description,Fixed\n";
    for (int i = 1; i <= 25; ++i) {
      const std::string description = i == 5 ? "\"PEG, \"\"OLD\"\"\"" : "PEG";
      text += fmt::format("{},{},{},{},56,{},{}\n", 100 + i, 1000.5 + i + shift, 5000 + i,
                          i == 3 ? "" : fmt::format("{}", 10.25 * i), description,
                          i % 5 == 0 ? "yes" : "0");
    }
    WriteFile(Path(name), text);
    return Path(name);
  }

  CommandResult Add(const std::string& file, njb::AnswerOptions answers = kYes) {
    return RunInProcess(njb::RunPointsAdd, {.job = Job(), .file = file, .answers = answers});
  }
  std::string ListJson(bool geographic = false) {
    const CommandResult list =
        RunInProcess(njb::RunPointsList, {.job = Job(), .geographic = geographic, .json = true});
    EXPECT_EQ(0, list.exit_code) << list.output;
    return list.output;
  }

  // The numbers after `"key":` in a JSON text, in order; null as -1.
  static std::vector<long> Numbers(const std::string& json, const std::string& key) {
    std::vector<long> out;
    const std::regex pattern("\"" + key + "\":(null|-?[0-9]+)");
    for (std::sregex_iterator it(json.begin(), json.end(), pattern), end; it != end; ++it) {
      out.push_back((*it)[1] == "null" ? -1 : std::stol((*it)[1]));
    }
    return out;
  }

  static std::string Shown(const Variant& value) {
    return value.IsNull() ? std::string("null") : value.ToText();
  }

  // Every record of every table of the job, as text.
  std::string Records() {
    auto db = DBEngine::Instance().Workspaces(0)->OpenDatabase(Job(), false, true);
    std::string out;
    for (const TableDefPtr& table : db->TableDefs()) {
      if (table->IsSystem()) continue;
      out += table->Name() + ":\n";
      RecordsetPtr rs = db->OpenRecordset(table->Name(), dbOpenSnapshot);
      for (; !rs->Eof(); rs->MoveNext()) {
        for (const FieldPtr& field : rs->Fields()) out += Shown(field->Value()) + "|";
        out += "\n";
      }
    }
    db->Close();
    return out;
  }

  // The points table's record of `pointNo`: X, Y, Z, Zone, Description, Fixed, Spheroidal.
  std::string PointRecord(std::int32_t pointNo) {
    auto db = DBEngine::Instance().Workspaces(0)->OpenDatabase(Job(), false, true);
    RecordsetPtr rs = db->OpenRecordset(
        fmt::format("SELECT * FROM Points WHERE PointNo = {}", pointNo), dbOpenSnapshot);
    std::string out;
    if (!rs->Eof()) {
      for (const char* field : {"X", "Y", "Z", "Zone", "Description", "Fixed", "Spheroidal"}) {
        out += Shown((*rs)[field]) + "|";
      }
    }
    db->Close();
    return out;
  }
  // The points table, ordered by number.
  std::vector<SurveyPoint> JobPoints() {
    auto db = DBEngine::Instance().Workspaces(0)->OpenDatabase(Job(), false, true);
    RecordsetPtr rs = db->OpenRecordset("SELECT * FROM Points ORDER BY PointNo", dbOpenSnapshot);
    std::vector<SurveyPoint> points;
    for (; !rs->Eof(); rs->MoveNext()) {
      const Variant z = (*rs)["Z"], description = (*rs)["Description"];
      points.push_back({(*rs)["PointNo"].ToLong(), (*rs)["X"].ToDouble(), (*rs)["Y"].ToDouble(),
                        z.IsNull() ? std::nullopt : std::optional<double>(z.ToDouble()),
                        (*rs)["Zone"].ToLong(), description.IsNull() ? "" : description.ToText(),
                        (*rs)["Fixed"].ToLong() != 0});
    }
    db->Close();
    return points;
  }
  std::string job_name_ = "job.njb";
};

TEST_F(PointsCommands, TwentyFivePointsFillThreePagesAndAddingThemAgainChangesTheirLines) {
  const CommandResult first = Add(GridFile("points.csv"));
  ASSERT_EQ(0, first.exit_code) << first.output;
  EXPECT_CONTAINS(first.output, "25 points added, 0 changed, 3 pages made");
  EXPECT_CONTAINS(first.output, "Save now ?\n   -> Yes");

  std::string json = ListJson();
  EXPECT_EQ((std::vector<long>{1, 2, 3}), Numbers(json, "page"));
  std::vector<long> records(30);
  std::iota(records.begin(), records.end(), 1);
  EXPECT_EQ(records, Numbers(json, "record"));  // the last page's empty lines included
  const std::vector<long> points = Numbers(json, "pointNo");
  ASSERT_EQ(30u, points.size());
  EXPECT_EQ(125, points[24]);
  EXPECT_EQ(-1, points[25]);
  EXPECT_CONTAINS(json,
                  "{\"record\":3,\"pointNo\":103,\"easting\":1003.5,\"northing\":5003,"
                  "\"zone\":56,\"latitude\":null,\"longitude\":null,\"height\":null,"
                  "\"description\":\"PEG\",\"fixed\":false,\"alphaId\":\"\"}");
  EXPECT_CONTAINS(json, "\"description\":\"PEG, \\\"OLD\\\"\",\"fixed\":true");
  EXPECT_EQ(25u, JobPoints().size());
  EXPECT_EQ("1005.5|5005|51.25|56|PEG, \"OLD\"|1|False|", PointRecord(105));

  // Every point is found in its line: nothing is appended, the values are replaced.
  const CommandResult again = Add(GridFile("moved.csv", 100));
  ASSERT_EQ(0, again.exit_code) << again.output;
  EXPECT_CONTAINS(again.output, "0 points added, 25 changed, 0 pages made");
  json = ListJson();
  EXPECT_EQ((std::vector<long>{1, 2, 3}), Numbers(json, "page"));
  EXPECT_CONTAINS(json, "\"record\":3,\"pointNo\":103,\"easting\":1103.5,");
  EXPECT_EQ(25u, JobPoints().size());
  EXPECT_EQ("1105.5|5005|51.25|56|PEG, \"OLD\"|1|False|", PointRecord(105));
}

TEST_F(PointsCommands, AnsweringNoToTheSaveQuestionKeepsNothing) {
  const CommandResult declined = Add(GridFile("points.csv"), kNo);
  ASSERT_EQ(0, declined.exit_code) << declined.output;
  EXPECT_CONTAINS(declined.output, "Save now ?\n   -> No");
  EXPECT_EQ("{\"pages\":[]}\n", ListJson());
  EXPECT_TRUE(JobPoints().empty());
}

TEST_F(PointsCommands, ABadRowStopsTheImportWithItsLineAndLeavesTheJobAsItWas) {
  ASSERT_EQ(0, Add(GridFile("points.csv")).exit_code);
  const std::string before = Records();
  const std::string header = "PointNo,Easting,Northing,Height\n";
  std::string good_rows;
  for (int i = 1; i <= 5; ++i) good_rows += fmt::format("{},1,2,3\n", 200 + i);
  struct Case {
    const char* row;
    int number;
    const char* reason;
  };
  const Case cases[] = {
      {"206,12.5x,2,3", err::kTypeMismatch, "Easting \"12.5x\" is not a number"},
      {"2147483647,1,2,3", err::kOverflow, "point number 2147483647 is outside 1 to"},
      {"0,1,2,3", err::kOverflow, "point number 0 is outside"},
      {"206,1,2", err::kInvalidCall, "3 fields where the header names 4"},
      {"206,1,2,3,4", err::kInvalidCall, "5 fields where the header names 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    WriteFile(Path("bad.csv"), header + good_rows + c.row + "\n208,1,2,3\n");
    const Error e = ErrorOf([&] { Add(Path("bad.csv")); });
    EXPECT_EQ(c.number, e.Number());
    EXPECT_CONTAINS(std::string(e.what()), "bad.csv line 7: ");
    EXPECT_CONTAINS(std::string(e.what()), c.reason);
  }
  EXPECT_EQ(before, Records());
}

TEST_F(PointsCommands, GeographicPointsGoToTheGeographicLinesAndAreSpheroidalInThePointsTable) {
  WriteFile(Path("geo.csv"),
            "PointNo,Latitude,Longitude,Height,Description\n"
            "7,-33.8567844,151.2152967,42.5,TRIG\n"
            "8,51.5,-0.1275,,\n");
  const CommandResult added =
      RunLine({"points", "add", Job(), Path("geo.csv"), "--geographic", "--yes"});
  ASSERT_EQ(0, added.exit_code) << added.output;
  EXPECT_CONTAINS(added.output, "2 points added, 0 changed, 1 page made");

  const std::string json = ListJson(/*geographic=*/true);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(
      json, match,
      std::regex("\"record\":1,\"pointNo\":7,\"easting\":null,\"northing\":null,\"zone\":null,"
                 "\"latitude\":([-0-9.e]+),\"longitude\":([-0-9.e]+),\"height\":42.5,"
                 "\"description\":\"TRIG\"")))
      << json;
  // Stored to a thousandth of a second of arc.
  EXPECT_NEAR(-33.8567844, std::stod(match[1]), 3e-7);
  EXPECT_NEAR(151.2152967, std::stod(match[2]), 3e-7);
  EXPECT_CONTAINS(json, "\"pointNo\":8,\"easting\":null,\"northing\":null,\"zone\":null,"
                        "\"latitude\":51.5,\"longitude\":-0.1275,\"height\":null,"
                        "\"description\":null");
  EXPECT_EQ("{\"pages\":[]}\n", ListJson());  // the grid lines are untouched
  EXPECT_EQ("151.2152967|-33.8567844|42.5|null|TRIG|0|True|", PointRecord(7));
}

TEST_F(PointsCommands, PointsExportedToGeoPackageAndGeoJsonComeBackIntoAnEmptyJob) {
  // One zone: the job's own (60) is the zone of the point that gives none.
  const SurveyJob source = {.details = SouthernUtmDetails(60),
                            .points = {{11, 500000.0, 5500000.0, 12.5, 60, "CONTROL", true},
                                       {12, 300000.125, 5480000.5, std::nullopt, 60, "PEG, NE"},
                                       {13, 699000.0, 5480000.0, -3.25, 0}}};
  MakeSurveyJob(Path("source.njb"), source);
  for (const char* format : {"gpkg", "geojson"}) {
    const CommandResult exported = RunInProcess(
        njb::RunExport,
        {.file = Path("source.njb"), .format = format, .out = Path(std::string("out.") + format)});
    ASSERT_EQ(0, exported.exit_code) << exported.output;
  }
  // The GeoJSON job's details name another zone: --zone on the command line takes its place.
  job_name_ = "from_gpkg.njb";
  ASSERT_EQ(0, RunInProcess(njb::RunOpen, {.file = Job(), .answers = kYes}).exit_code);
  SetSouthernUtm(60);
  const CommandResult gpkg = Add(Path("out.gpkg"));
  ASSERT_EQ(0, gpkg.exit_code) << gpkg.output;
  EXPECT_CONTAINS(gpkg.output, "3 points added, 0 changed, 1 page made");

  job_name_ = "from_geojson.njb";
  ASSERT_EQ(0, RunInProcess(njb::RunOpen, {.file = Job(), .answers = kYes}).exit_code);
  SetSouthernUtm(59);
  const CommandResult geojson = RunLine({"points", "add", Job(), Path("out.geojson"),
                                         "--number-field", "point_no", "--zone", "60", "--yes"});
  ASSERT_EQ(0, geojson.exit_code) << geojson.output;

  for (const char* name : {"from_gpkg.njb", "from_geojson.njb"}) {
    SCOPED_TRACE(name);
    job_name_ = name;
    const std::vector<SurveyPoint> read = JobPoints();
    ASSERT_EQ(source.points.size(), read.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
      const SurveyPoint& want = source.points[i];
      const SurveyPoint& got = read[i];
      SCOPED_TRACE(want.number);
      EXPECT_EQ(want.number, got.number);
      EXPECT_NEAR(want.x, got.x, 1e-3);  // through longitude and latitude for GeoJSON
      EXPECT_NEAR(want.y, got.y, 1e-3);
      EXPECT_EQ(want.z, got.z);
      EXPECT_EQ(60, got.zone);
      EXPECT_EQ(want.description, got.description);
      EXPECT_EQ(want.fixed, got.fixed);
    }
    EXPECT_EQ((std::vector<long>{11, 12, 13, -1, -1, -1, -1, -1, -1, -1}),
              Numbers(ListJson(), "pointNo"));
  }
}

TEST_F(PointsCommands, BadFeaturesOfAGisSourceAreAllNamedAndTheJobIsLeftAsItWas) {
  ASSERT_EQ(0, Add(GridFile("points.csv")).exit_code);
  SetSouthernUtm(56);
  const std::string before = Records();
  const auto feature = [](const std::string& number, const std::string& description,
                          const char* geometry = nullptr) {
    if (!geometry) geometry = R"({"type":"Point","coordinates":[151.2,-33.9]})";
    return fmt::format(R"({{"type":"Feature","properties":{{"point_no":{},"desc":"{}"}},)"
                       R"("geometry":{}}})",
                       number, description, geometry);
  };
  const std::vector<std::string> features = {
      feature("301", "PEG"),                 // 0: good
      feature("\"30x\"", "PEG"),             // 1: no number
      feature("2147483647", "PEG"),          // 2: a number entry keeps for no point
      feature("302", std::string(17, 'D')),  // 3: longer than the entry field
      feature("301", "AGAIN"),               // 4: read already
      feature("303", "PEG", "null"),         // 5: nowhere
      feature("304", "PEG"),                 // 6: good
  };
  std::string text = R"({"type":"FeatureCollection","name":"survey","features":[)";
  for (const std::string& f : features) text += (&f == &features.front() ? "" : ",") + f;
  WriteFile(Path("bad.geojson"), text + "]}");
  const Error e = ErrorOf([&] { Add(Path("bad.geojson")); });
  EXPECT_EQ(err::kInvalidCall, e.Number());
  const std::string what = e.what();
  EXPECT_CONTAINS(what, "bad.geojson: 5 features cannot be entered");
  EXPECT_CONTAINS(what, "\n  survey feature 1: point_no '30x' is not a point number");
  EXPECT_CONTAINS(what, "\n  survey feature 2: point number 2147483647 is outside 1 to");
  EXPECT_CONTAINS(what, "\n  survey feature 3: the description \"DDDDDDDDDDDDDDDDD\" is longer");
  EXPECT_CONTAINS(what, "\n  survey feature 4: point 301 was read already, at survey feature 0");
  EXPECT_CONTAINS(what, "\n  survey feature 5: it has no geometry");
  EXPECT_EQ(std::string::npos, what.find("feature 6")) << what;
  EXPECT_EQ(before, Records());
}

TEST_F(PointsCommands, TheGisOptionsAreRefusedWhereTheyDoNotFitBeforeTheJobIsTouched) {
  const std::string before = Records();
  WriteFile(Path("one.geojson"),
            R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":)"
            R"({"id":7,"desc":"TRIG"},)"
            R"("geometry":{"type":"Point","coordinates":[151.25,-33.5,4]}}]})");
  const std::string csv = GridFile("points.csv");
  const std::string gis = Path("one.geojson");
  struct Case {
    njb::PointsAddOptions options;
    const char* reason;
  } cases[] = {
      {{.job = Job(), .file = csv, .answers = kYes, .zone = 56}, "are for GIS sources"},
      {{.job = Job(), .file = gis, .answers = kYes, .number_field = "id"}, "set JobDetails.Zone"},
      {{.job = Job(), .file = gis, .geographic = true, .answers = kYes, .zone = 56},
       "--zone is for grid points"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    const Error e = ErrorOf([&] { RunInProcess(njb::RunPointsAdd, c.options); });
    EXPECT_EQ(err::kInvalidCall, e.Number());
    EXPECT_CONTAINS(e.Description(), c.reason);
  }
  EXPECT_EQ(before, Records());

  // Geographic points keep the source's own longitude and latitude.
  const CommandResult geographic = RunInProcess(
      njb::RunPointsAdd,
      {.job = Job(), .file = gis, .geographic = true, .answers = kYes, .number_field = "id"});
  ASSERT_EQ(0, geographic.exit_code) << geographic.output;
  EXPECT_EQ("151.25|-33.5|4|null|TRIG|0|True|", PointRecord(7));
}

}  // namespace
}  // namespace nrx::test
