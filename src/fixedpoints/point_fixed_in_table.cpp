// cFixedPoints::PointFixedInTable and PointFixedInListOrTable: whether a point is fixed in a
// recordset of points. Callers walk the recordset in its own order, asking about each point, so
// the current and the next record are tried before any search.

#include "fixedpoints/point_criterion.h"
#include "frame/fixed_points_members.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

// A recordset standing on a record has one: only at either end is the count asked for, since a
// table-type recordset counts its whole table to answer. Other types count what they have
// reached, which costs nothing, and a dynaset whose last record was deleted under it says 0.
bool HasNoRecords(Recordset& rs) {
  if (rs.Type() == dbOpenTable && !rs.Bof() && !rs.Eof()) return false;
  return rs.RecordCount() <= 0;
}

// `number` is the recordset's "PointNo", looked up once a call: it follows the current record.
// A record whose number is Null is no point's.
bool OnPoint(const Field& number, std::int32_t pointNo) {
  return number.Value().Compare(Variant(pointNo)) == 0;
}

// The fixed flag: not Null, and 1 or any value that is not 0 as a whole number. Points keeps it
// in a Byte, other tables in a Boolean whose True is -1.
bool FlagSet(const Variant& fixed) {
  if (fixed.IsNull()) return false;
  return fixed.Compare(Variant(std::int32_t{1})) == 0 || fixed.ToLong() != 0;
}

template <class F>
void IgnoringErrors(F&& step) {
  try {
    step();
  } catch (const Error&) {
  }
}

bool OnPointIgnoringErrors(const Field& number, std::int32_t pointNo) {
  bool on = false;
  IgnoringErrors([&] { on = OnPoint(number, pointNo); });
  return on;
}

// Seek on the recordset's index finds the point on a table-type recordset; FindFirst, from the
// first record on, on any other. Either may fail for the recordset it does not suit, which only
// means "not found that way". Seek goes first: where it lands, the walk to the first record
// that FindFirst needs is saved. True when the search left the recordset on the point's record:
// a search that raised leaves the no-match flag of an earlier one, so the record itself tells.
bool SearchPoint(Recordset& rs, const Field& number, std::int32_t pointNo) {
  IgnoringErrors([&] { rs.Seek("=", Variant(pointNo)); });
  if (OnPointIgnoringErrors(number, pointNo)) return true;
  IgnoringErrors([&] { rs.MoveFirst(); });
  if (OnPointIgnoringErrors(number, pointNo)) return true;
  IgnoringErrors([&] { rs.FindFirst(fixedpoints::PointCriterion(pointNo)); });
  return OnPointIgnoringErrors(number, pointNo);
}

}  // namespace

bool cFixedPoints::PointFixedInTable(std::int32_t pointNo, const RecordsetPtr& PointsTable) {
  return Guard(FixedPointsLabel("PointFixedInTable"), [&] {
    if (!PointsTable) return false;
    Recordset& rs = *PointsTable;
    if (HasNoRecords(rs)) return false;
    const FieldPtr number = rs.Fields("PointNo");
    if (rs.Bof() || rs.Eof()) {
      rs.MoveFirst();
    } else if (!OnPoint(*number, pointNo)) {
      rs.MoveNext();
      if (rs.Eof()) rs.MoveFirst();
    }
    if (!OnPoint(*number, pointNo) && !SearchPoint(rs, *number, pointNo)) return false;
    return FlagSet(rs.Fields("Fixed")->Value());
  });
}

bool cFixedPoints::PointFixedInListOrTable(std::int32_t pointNo, const std::string& searchString) {
  return Guard(FixedPointsLabel("PointFixedInListOrTable"), [&] {
    return PointInList(pointNo, searchString) || PointFixedInTable(pointNo, fixed_points_table_);
  });
}

}  // namespace nrx
