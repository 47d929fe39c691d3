// Points read back from what the export wrote, and from sources with features that are no
// points of a job.

#include "exchange/point_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "exchange/export.h"
#include "support/test_support.h"

namespace nrx::exchange {
namespace {

JobProjection SouthernWgs84() {
  JobProjection job;
  job.projection = "UTM";
  job.datum = "WGS84";
  job.approx_lat = -41;
  return job;
}

Point MakePoint(std::int32_t number, double e, double n, std::optional<double> z, int zone,
                std::string description, bool fixed, std::string alpha_id) {
  Point p;
  p.number = number;
  p.easting = e;
  p.northing = n;
  p.height = z;
  p.zone = zone;
  p.description = std::move(description);
  p.fixed = fixed;
  p.alpha_id = std::move(alpha_id);
  return p;
}

// Zones 59 and 60, one point without a height, and a line between zones.
JobData TwoZoneJob() {
  JobData job;
  job.points = {MakePoint(7, 500000, 5500000, 12.5, 59, "CONTROL", true, "CP7"),
                MakePoint(8, 300000.125, 5480000.5, std::nullopt, 60, "PEG", false, ""),
                MakePoint(9, 699000, 5480000, -3.25, 60, "", false, "")};
  job.lines = {{7, 8, 0}, {8, 9, 1}};
  return job;
}

class PointReader : public test::TempDirTest {
 protected:
  void Write(Format format, const std::string& name) {
    ZoneSystems systems(SouthernWgs84(), std::nullopt);
    ExportOptions options;
    options.format = format;
    options.out = Path(name);
    Export(job_, systems, options);
  }
  ReadResult Read(const std::string& name, int zone) {
    return ReadPoints(Path(name), ZoneCrs(SouthernWgs84(), zone), zone);
  }
  const Point& Find(const ReadResult& read, std::int32_t number) {
    for (const Point& p : read.points) {
      if (p.number == number) return p;
    }
    ADD_FAILURE() << "no point " << number;
    return read.points.front();
  }

  JobData job_ = TwoZoneJob();
};

TEST_F(PointReader, WhatTheExportWroteComesBackInTheJobsOwnSystem) {
  Write(Format::kGpkg, "job.gpkg");
  Write(Format::kGeoJson, "job.geojson");
  for (const char* name : {"job.gpkg", "job.geojson"}) {
    SCOPED_TRACE(name);
    for (int zone : {59, 60}) {
      const ReadResult read = Read(name, zone);
      EXPECT_TRUE(read.problems.empty()) << read.problems.front().reason;
      ASSERT_EQ(3u, read.points.size());  // lines passed over
      for (const Point& original : job_.points) {
        const Point& back = Find(read, original.number);
        EXPECT_EQ(original.height, back.height);
        EXPECT_EQ(original.description, back.description);
        EXPECT_EQ(original.fixed, back.fixed);
        EXPECT_EQ(original.alpha_id, back.alpha_id);
        EXPECT_EQ(zone, back.zone);
        if (original.zone != zone) {
          EXPECT_GT(std::abs(original.easting - back.easting), 1000);  // carried over
          continue;
        }
        EXPECT_NEAR(original.easting, back.easting, 1e-4);
        EXPECT_NEAR(original.northing, back.northing, 1e-4);
      }
    }
  }
}

TEST_F(PointReader, EveryBadFeatureIsNamedWithItsReason) {
  std::ofstream(Path("mixed.geojson")) << R"({"type": "FeatureCollection", "features": [
    {"type": "Feature", "properties": {"point_no": "1"}, "geometry": {"type": "Point", "coordinates": [174.7, -41.3]}},
    {"type": "Feature", "properties": {"point_no": null}, "geometry": {"type": "Point", "coordinates": [174.7, -41.3]}},
    {"type": "Feature", "properties": {"point_no": "A12"}, "geometry": {"type": "Point", "coordinates": [174.7, -41.3]}},
    {"type": "Feature", "properties": {"point_no": "2.5"}, "geometry": {"type": "Point", "coordinates": [174.7, -41.3]}},
    {"type": "Feature", "properties": {"point_no": "1"}, "geometry": {"type": "Point", "coordinates": [174.8, -41.3]}},
    {"type": "Feature", "properties": {"point_no": "3"}, "geometry": null},
    {"type": "Feature", "properties": {"point_no": "4"}, "geometry": {"type": "LineString", "coordinates": [[174.7, -41.3], [174.8, -41.3]]}},
    {"type": "Feature", "properties": {"point_no": "0"}, "geometry": {"type": "Point", "coordinates": [174.7, -41.3]}}
  ]})";
  const ReadResult read = Read("mixed.geojson", 60);
  ASSERT_EQ(1u, read.points.size());
  EXPECT_EQ(1, read.points[0].number);
  const std::pair<std::int64_t, const char*> expected[] = {
      {1, "point_no is empty"},   {2, "'A12' is not a point number"},
      {3, "'2.5' is not a point"}, {4, "point 1 was read already, at mixed feature 0"},
      {5, "no geometry"},          {7, "'0' is not a point number"}};
  ASSERT_EQ(std::size(expected), read.problems.size());
  for (std::size_t i = 0; i < read.problems.size(); ++i) {
    EXPECT_EQ(expected[i].first, read.problems[i].feature);
    EXPECT_NE(std::string::npos, read.problems[i].reason.find(expected[i].second))
        << read.problems[i].reason;
  }
  const ReadResult other_field = ReadPoints(Path("mixed.geojson"), ZoneCrs(SouthernWgs84(), 60),
                                            60, {.number_field = "PointNo"});
  EXPECT_EQ(7u, other_field.problems.size());
  EXPECT_NE(std::string::npos, other_field.problems[0].reason.find("no field PointNo"));
  EXPECT_NRX_ERROR(err::kFileNotFound, Read("missing.gpkg", 60));
}

}  // namespace
}  // namespace nrx::exchange
