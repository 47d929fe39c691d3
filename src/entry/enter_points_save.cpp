// cJobProcs::EnterPointsSave: stores one entered point in its line, starting a new page when the
// current one is full.

#include <string_view>

#include "entry/point_entry_lines.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/coord_utilities.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/job_model.h"

namespace nrx {
namespace {

// Geographic values are stored packed to thousandths of a second.
constexpr std::int16_t kGeoPlaces = 7;

Variant GeoValueOrNull(double value) {
  if (model::ValueOrNull(value).IsNull()) return Variant::Null();
  return Variant(model::CoordUtilities::Instance().ConvertGeoValue(value, kGeoPlaces, true));
}

void WritePoint(Recordset& data, const model::Point& point, std::int16_t coordType,
                bool isFixed) {
  data.Fields("PointNo")->SetValue(point.PointNo());
  if (coordType == 0) {
    data.Fields("Easting")->SetValue(model::ValueOrNull(point.Easting()));
    data.Fields("Northing")->SetValue(model::ValueOrNull(point.Northing()));
    data.Fields("Zone")->SetValue(model::ValueOrNull(point.Zone()));
  } else if (coordType == 1) {
    // A geographic point holds its latitude in the northing and its longitude in the easting.
    data.Fields("Latitude")->SetValue(GeoValueOrNull(point.Northing()));
    data.Fields("Longitude")->SetValue(GeoValueOrNull(point.Easting()));
  }
  data.Fields("Height")->SetValue(model::ValueOrNull(point.Height()));
  data.Fields("Description")->SetValue(model::DescriptionOrNull(point.Description()));
  data.Fields("N_Value")->SetValue(model::ValueOrNull(point.NValue()));
  data.Fields("VertDefNS")->SetValue(model::ValueOrNull(point.VertDefNS()));
  data.Fields("VertDefEW")->SetValue(model::ValueOrNull(point.VertDefEW()));
  data.Fields("Fixed")->SetValue(isFixed);
}

// Makes line `recordNo` the record being written: the existing line in edit, or a new one.
void OpenLine(Recordset& data, std::int32_t recordNo) {
  data.Seek("=", Variant(recordNo));
  if (data.NoMatch()) {
    data.AddNew();
    data.Fields("RecordNo")->SetValue(recordNo);
  } else {
    data.Edit();
  }
}

}  // namespace

void cJobProcs::EnterPointsSave(const model::PointPtr& point, const RecordsetPtr& enterPtsHeader,
                                const RecordsetPtr& enterPtsTable,
                                const model::EnterPointsPtr& enterPoints, std::int16_t coordType,
                                std::vector<std::int32_t>& pointEntryPointList, bool pointInDB,
                                const model::JobGeneralPtr& jobGeneral, bool isFixed,
                                const model::JobCfgPtr& jobCfg) {
  Guard(JobProcsLabel("EnterPointsSave"), [&] {
    model::EnterPoints& state = frame::Require(enterPoints, "enterPoints");
    const model::Point& entered = frame::Require(point, "point");
    Recordset& data = frame::Require(enterPtsTable, "enterPtsTable");
    const std::int32_t upper = entry::UpperBound(pointEntryPointList);

    if (!pointInDB) {
      if (state.LastUsedRecord() + 1 > state.PageEndRecord()) {
        EnterPointsNewPage(enterPtsHeader, enterPtsTable, enterPoints, jobGeneral, jobCfg);
      }
      state.SetLastUsedRecord(state.LastUsedRecord() + 1);
    }

    std::int32_t record_no = 0;
    if (entry::HasNoRecords(data)) {
      // No line exists (a point already in the database whose lines were since removed, or a
      // state that is not this table's): rather than write a line 0 that no list can hold, the
      // point starts a page of its own and goes to its first line.
      EnterPointsNewPage(enterPtsHeader, enterPtsTable, enterPoints, jobGeneral, jobCfg);
      record_no = state.LastUsedRecord() + 1;
      state.SetLastUsedRecord(record_no);
    } else if (state.EntryPosition() <= 0 || state.EntryPosition() > upper) {
      record_no = state.LastUsedRecord();
    } else {
      record_no = state.EntryPosition();
    }
    // The seek places the recordset by itself; moving to the first record before it would only
    // cost a read.
    OpenLine(data, record_no);
    WritePoint(data, entered, coordType, isFixed);
    data.Update();
    entry::CountChange(jobGeneral);

    // The lists have no element 0: a point written to line 0 cannot be listed.
    if (record_no < 1) Raise(err::kSubscript, kRuntimeErrorSource, "point-entry list");
    if (record_no > upper) entry::Redimension(pointEntryPointList, record_no);
    pointEntryPointList[static_cast<std::size_t>(record_no)] = entered.PointNo();
  });
}

}  // namespace nrx
