#pragma once
// The table-names object of the application's model library: every job table name, name
// prefix and index name, the least-squares points query and the message title prefix. The
// component writes no table name of its own; it reads them all from here.

#include <string>
#include <string_view>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

// X(property, default text). Whole names, then prefixes (a prefix followed directly by a
// traverse or data-set number names one table of a family), then index names and texts.
//
// The defaults keep the rules table creation and opening rely on: every least-squares prefix
// begins with "LS_"; the traverse header prefix begins with the traverse prefix; a name made
// with a least-squares prefix contains none of the prefixes tested before it (options, points,
// types 1 to 5, 6 and 7, 8, 9, -2); no whole name begins with a prefix (so the field check's
// prefix tests pass whole names by); and the points query is a selection that names the points
// table by the points-table token, which occurs nowhere else in it.
#define NRX_TABLE_NAMES(X)                                      \
  X(JobDetailsTable, "JobDetails")                              \
  X(DisplaySettingsTable, "DisplaySettings")                    \
  X(LinesTable, "Lines")                                        \
  X(PointsTable, "Points")                                      \
  X(LSPointsTable, "LSPoints")                                  \
  X(GridEntryHeaderTable, "GridEntryHeader")                    \
  X(GeoEntryHeaderTable, "GeoEntryHeader")                      \
  X(GridEntryTable, "GridEntry")                                \
  X(GeoEntryTable, "GeoEntry")                                  \
  X(JobLSOptionsTable, "JobLSOptions")                          \
  X(RadiationHeaderTable, "RadiationHeader")                    \
  X(RadiationTable, "Radiation")                                \
  X(TrianglesTable, "Triangles")                                \
  X(AlphaIDsTable, "AlphaIDs")                                  \
  X(AlphaIDs2Table, "AlphaIDs2")                                \
  X(PointShiftTable, "PointShift")                              \
  X(TraverseHeaderPrefix, "TraverseHeader")                     \
  X(TraversePrefix, "Traverse")                                 \
  X(LSOptionsPrefix, "LS_Options")                              \
  X(LSPointsPrefix, "LS_Points")                                \
  X(LSObsGenPrefix, "LS_ObsGen")                                \
  X(LSObs3DPrefix, "LS_Obs3D")                                  \
  X(LSCoordObsPrefix, "LS_CoordObs")                            \
  X(LSVectorsPrefix, "LS_Vectors")                              \
  X(LSLocalisationPrefix, "LS_Localisation")                    \
  X(PointIndex, "PointNo_Index")                                \
  X(LSPointIndex, "LSPointNo_Index")                            \
  X(TrianglesIndex, "Centroid_Index")                           \
  X(AlphaIDIndex, "PointNum_Index")                             \
  X(LSPointsQuery, "SELECT * FROM [Points] ORDER BY [PointNo]") \
  X(MessageTitlePrefix, "Norvaxa database error - ")

// Role of each property:
//   JobDetailsTable .. PointShiftTable  whole table names; PointsTable is also the token by
//                                       which LSPointsQuery names the points table;
//                                       LSPointsTable is the unsuffixed least-squares points
//                                       table; AlphaIDs2Table the second alpha-ID table.
//   TraverseHeaderPrefix, TraversePrefix  traverse tables (prefix & traverse number).
//   LSOptionsPrefix .. LSLocalisationPrefix  least-squares data-set tables (prefix & data-set
//                                       number): options, points, observation types 1 to 5,
//                                       6 and 7, 8, 9 and -2.
//   PointIndex, LSPointIndex, TrianglesIndex, AlphaIDIndex  index names.
//   LSPointsQuery                       selection over the points table, named by the token.
//   MessageTitlePrefix                  put before a member's label in a message-box title.
class NRXJOBDB_API TableNames : public Object {
 public:
  // The global object, created on first use and kept until the library is unloaded.
  static TableNames& Instance();

  TableNames() = default;

#define NRX_TABLE_NAME_ACCESSORS(name, text)          \
  const std::string& name() const { return name##_; } \
  void Set##name(std::string value) { name##_ = std::move(value); }
  NRX_TABLE_NAMES(NRX_TABLE_NAME_ACCESSORS)
#undef NRX_TABLE_NAME_ACCESSORS

  // Puts every property back to its default.
  void Restore() { *this = TableNames(); }

  // The first rule of the set that the current texts break, as a sentence; empty when they
  // keep them all. Whoever changes the names can check them before a job is opened.
  std::string BrokenRule() const;

 private:
#define NRX_TABLE_NAME_MEMBER(name, text) std::string name##_ = text;
  NRX_TABLE_NAMES(NRX_TABLE_NAME_MEMBER)
#undef NRX_TABLE_NAME_MEMBER
};

}  // namespace nrx::model
