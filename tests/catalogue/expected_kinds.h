#pragma once
// One table of every kind that table creation makes, under the default table names, with the
// list it must hold and the indexes it must carry. Written out here, apart from the component's
// own table, so that the tests catch a slip in either.

#include <string>
#include <tuple>
#include <vector>

namespace nrx::test {

// Index name, fields, primary, unique.
using ExpectedIndexes = std::vector<std::tuple<std::string, std::string, bool, bool>>;

// A table name, the catalogue list its table must hold, and its indexes in order.
struct ExpectedTable {
  std::string table;
  std::string list;
  ExpectedIndexes indexes;
};

inline const std::vector<ExpectedTable>& EveryKind() {
  static const std::vector<ExpectedTable> kinds = {
      {"JobDetails", "JobDetails", {}},
      {"DisplaySettings", "DisplaySettings", {}},
      {"Lines",
       "Lines",
       {{"Line_Index", "Point1;Point2", true, true},
        {"Line_Pt1Index", "Point1", false, false},
        {"Line_Pt2Index", "Point2", false, false}}},
      {"Points", "Points", {{"PointNo_Index", "PointNo", true, true}}},
      {"LSPoints", "Points", {{"PointNo_Index", "PointNo", true, true}}},
      {"GridEntryHeader", "GridEntryHeader", {{"PageNo_Index", "PageNo", true, true}}},
      {"GeoEntryHeader", "GeoEntryHeader", {{"PageNo_Index", "PageNo", true, true}}},
      {"GridEntry", "GridEntry", {{"RecordNo_Index", "RecordNo", true, true}}},
      {"GeoEntry", "GeoEntry", {{"RecordNo_Index", "RecordNo", true, true}}},
      {"JobLSOptions", "JobLSOptions", {}},
      {"TraverseHeader5", "TraverseHeader", {}},
      {"Traverse5", "Traverse", {{"RecordNo_Index", "RecordNo", true, true}}},
      {"RadiationHeader", "RadiationHeader", {{"PageNo_Index", "PageNo", true, true}}},
      {"Radiation", "Radiation", {{"RecordNo_Index", "RecordNo", true, true}}},
      {"Triangles", "Triangles", {{"Centroid_Index", "CentroidE;CentroidN", false, false}}},
      {"AlphaIDs", "AlphaIDs", {}},
      {"PointShift", "PointShift", {}},
      {"LS_Options3", "LSOptions", {}},
      {"LS_Points3", "LSPoints", {{"LSPointNo_Index", "PointNo", true, true}}},
      {"LS_ObsGen3", "LSObsGen", {}},
      {"LS_Obs3D3", "LSObs3D", {}},
      {"LS_CoordObs3", "LSCoordObs", {}},
      {"LS_Vectors3", "LSVectors", {}},
      {"LS_Localisation3", "LSLocalisation", {}},
  };
  return kinds;
}

}  // namespace nrx::test
