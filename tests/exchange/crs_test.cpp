// The system of a job's zone comes from PROJ's database; what it cannot name says what to set.

#include "exchange/crs.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace nrx::exchange {
namespace {

JobProjection Of(const char* projection, const char* spheroid, const char* datum,
                 std::optional<int> approx_lat) {
  JobProjection job;
  job.projection = projection;
  job.spheroid = spheroid;
  job.datum = datum;
  job.approx_lat = approx_lat;
  return job;
}

JobProjection Utm(std::string datum, int approx_lat) {
  JobProjection job;
  job.projection = "UTM";
  job.datum = std::move(datum);
  job.approx_lat = approx_lat;
  return job;
}

TEST(ZoneCrs, DatumHemisphereAndZoneGiveTheEpsgSystem) {
  struct Case {
    JobProjection job;
    int zone;
    int epsg;
  } cases[] = {
      {Utm("WGS84", -33), 56, 32756},
      {Utm("wgs 84", 45), 33, 32633},
      {Utm("ETRS89", 52), 32, 25832},
      {Utm("NAD83", 40), 17, 26917},
      {Utm("GDA2020", -35), 55, 7855},
      {Utm("WGS84", 0), 61, 32601},  // zones wrap: 61 is 1, the equator counts as north
      {Utm("WGS84", -40), -1, 32759},
      {Of("tm", "WGS84", "", 10), 30, 32630},
      {Utm("NZGD2000", -40), 59, 2134},
      {Utm("SIRGAS 2000", -10), 23, 31983},  // no numbering known: PROJ identifies the zone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.job.datum + " " + std::to_string(c.zone));
    EXPECT_EQ(c.epsg, ZoneCrs(c.job, c.zone).epsg);
  }
}

TEST(ZoneCrs, WhatProjCannotNameSaysWhichFieldToSet) {
  struct Case {
    JobProjection job;
    const char* field;
    int zone = 30;
  } cases[] = {
      {Of("LCC", "", "WGS84", 1), "Projection"},
      {Of("UTM", "", "", 1), "DatumH"},
      {Of("UTM", "", "WGS84", std::nullopt), "ApproxLat"},
      {Utm("NoSuchDatum", 1), "DatumH"},
      {Utm("OSGB36", 52), "DatumH"},  // no zone system on that datum
      {Utm("WGS84", 52), "Zone", 0},
      // The zone numbering of GDA2020 would give EPSG:7845, a Lambert system: not taken.
      {Utm("GDA2020", -20), "Zone", 45},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.job.datum + " " + std::to_string(c.zone));
    try {
      ZoneCrs(c.job, c.zone);
      ADD_FAILURE() << "no error for " << c.field;
    } catch (const Error& e) {
      EXPECT_EQ(err::kInvalidCall, e.Number());
      EXPECT_NE(std::string::npos, e.Description().find(c.field)) << e.Description();
      EXPECT_NE(std::string::npos, e.Description().find("--crs")) << e.Description();
    }
  }
}

TEST(ZoneCrs, AGivenSystemStandsForEveryZone) {
  EXPECT_EQ(2193, ParseCrs("EPSG:2193").epsg);
  EXPECT_EQ(4326, ParseCrs("4326").epsg);
  for (const char* bad : {"EPSG:1", "EPSG:", "UTM33", ""}) {
    EXPECT_NRX_ERROR(err::kInvalidCall, ParseCrs(bad));
  }
  ZoneSystems given({}, ParseCrs("EPSG:2193"));
  EXPECT_EQ(2193, given.ForZone(59).epsg);
  EXPECT_EQ(2193, given.ForZone(1).epsg);
  ZoneSystems own(Utm("WGS84", -40), std::nullopt);
  EXPECT_EQ(32759, own.ForZone(59).epsg);
  EXPECT_EQ(32701, own.ForZone(1).epsg);
}

}  // namespace
}  // namespace nrx::exchange
