#pragma once
// cFixedPoints: the component's class of fixed (control) points. It holds the application's
// list text of fixed point numbers, a count of fixed points found in the job database and a
// recordset of them, and answers whether a point is fixed from a list, a recordset or the
// point-entry tables.
//
// The list text names each point number in decimal with a blank before and after it; neighbours
// may share their blank (" 12 15 100 " lists 12, 15 and 100). A negative number's minus sign
// takes the place of its leading blank.
//
// Every member is passed its arguments by reference, as the automation interface passes them;
// errors reach the caller as nrx::Error with the number first raised and the member's label as
// source (error_convention.h).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "nrxJobDb/component_object.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

class NRXJOBDB_API cFixedPoints : public ComponentObject {
 public:
  static constexpr std::string_view kClassName = "cFixedPoints";

  // Sets ClassActive; the list empty, the count 0, no recordset and no clone. A failure is
  // raised with "(Class Module) cFixedPoints::Sub Class_Initialize".
  cFixedPoints();
  // Clears ClassActive and releases the last clone and FixedPointsTable (a recordset held only
  // here closes with it).
  ~cFixedPoints() override;

  // --- The list and the counters ---

  // The recordset of fixed points that CountFixedPts (with keepOpen) or CreateFixedPtsRecordset
  // left here, or one the caller set; Nothing at creation.
  RecordsetPtr FixedPointsTable() const { return fixed_points_table_; }
  void SetFixedPointsTable(const RecordsetPtr& table) { fixed_points_table_ = table; }

  // True when `searchString` holds the point's match text: its decimal digits with a blank
  // before (a minus sign for a negative number) and a blank after; exact and case-sensitive.
  // The object's own list is not consulted.
  bool PointInList(std::int32_t pointNo, const std::string& searchString) const;

  // One more fixed point in the database; raises 6 at the largest 32-bit count, which keeps its
  // value.
  void AddFixedPoint();
  // One fewer, never below 0.
  void RemoveFixedPoint();
  // With `DBpoints` the count becomes 0; without, the list becomes empty. The other stays.
  void ClearFixedPoints(bool DBpoints);
  // True when the count is 1 or more; the list is not consulted.
  bool HaveFixedPoints() const;

  // The list text, read or replaced as it is: no check of its format.
  std::string FixedPoints() const;
  void SetFixedPoints(const std::string& list);

  // Superseded: does nothing and returns "".
  std::string AssignFixedPtsList_OLD(const std::string& pointsList = "");

  // A new, independent object with this one's list and count (no recordset). This object keeps
  // the copy it made last, releasing any earlier one.
  std::shared_ptr<cFixedPoints> Clone();

  // The count of fixed points found in the database; any value may be stored, negative ones too.
  std::int32_t FixedDBPoints() const;
  void SetFixedDBPoints(std::int32_t count);

  // --- Fixed points in the job database ---

  // True when `PointsTable` holds a record of the point whose "Fixed" is set (not Null, and 1
  // or any value that is not 0). False without a recordset or records, moving nothing. Built
  // for callers asking in the recordset's own order: the current and the next record are looked
  // at first (the next one wrapping round to the first); only then is the point searched for,
  // by Seek on the recordset's index or else FindFirst, failures of the search meaning "not
  // there". Leaves the recordset on the record it looked at last. A recordset without "PointNo"
  // or "Fixed" raises the engine's error.
  bool PointFixedInTable(std::int32_t pointNo, const RecordsetPtr& PointsTable);

  // PointInList(pointNo, searchString), or else PointFixedInTable(pointNo, FixedPointsTable).
  // A point in the list is answered without touching the database.
  bool PointFixedInListOrTable(std::int32_t pointNo, const std::string& searchString);

  // Sets the count to the number of records `SELECTclause` (a table name or a selection) finds
  // on `jobDB`. The recordset is left in FixedPointsTable, on its last record, with `keepOpen`,
  // and released otherwise.
  void CountFixedPts(const DatabasePtr& jobDB, const std::string& SELECTclause,
                     bool keepOpen = false);

  // Opens `SELECTclause` on `jobDB` as a dynaset into FixedPointsTable, releasing the one there
  // first; the count is not touched. True; a failure raises and leaves FixedPointsTable Nothing.
  bool CreateFixedPtsRecordset(const std::string& SELECTclause, const DatabasePtr& jobDB);

  // Reads "PointNo", "Description" and "Fixed" of as many records of FixedPointsTable as its
  // record count reports, from the first, and writes them nowhere; returns `title`. A missing
  // field raises the engine's error, a count above 32767 raises 6.
  std::string DebugPrintFixedPoints(const std::string& title);

  // True when the point is among the fixed records ("PointNo > 0 and Fixed = True") of the grid
  // point-entry table or, when the grid table does not hold it, of the geographic one (names
  // from the table-names object, matched exactly). A table that does not exist holds nothing.
  // `jobSpheroidal` is accepted and not used.
  bool PointFixedInPE(std::int32_t pointNo, bool jobSpheroidal, const DatabasePtr& jobDB);

 private:
  void Class_Initialize() override;
  void Class_Terminate() override;

  RecordsetPtr fixed_points_table_;
  std::string fixed_points_list_;
  std::int32_t fixed_db_point_count_ = 0;
  std::shared_ptr<cFixedPoints> last_clone_;
};

}  // namespace nrx
