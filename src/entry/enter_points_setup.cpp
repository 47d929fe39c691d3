// cJobProcs::EnterPointsSetup: starts point entry on the last page and builds the caller's lists
// of the point number and fixed flag of every line.

#include "entry/point_entry_lines.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

// Pages without lines are of no use to anyone: entry starts again from the first page.
void DeleteAllPages(Recordset& header) {
  header.MoveFirst();
  while (!header.Eof()) {
    header.Delete();
    header.MoveNext();
  }
}

// Adds the lines of the page ending at `pageEnd` that are missing and gives the last used
// record: the page's end when any line holds an entry (so the next new point starts a new
// page), else the line before the page. Each line is sought by its number: where the recordset
// stands after an addition does not come into it.
std::int32_t CompleteLastPage(Recordset& data, std::int16_t coordType, std::int32_t pageEnd,
                              std::int32_t perPage, const model::JobGeneralPtr& jobGeneral) {
  const std::int32_t first = pageEnd - perPage;
  bool any_entry = false;
  for (std::int32_t r = first + 1; r <= pageEnd; ++r) {
    data.Seek("=", Variant(r));
    if (data.NoMatch()) {
      data.AddNew();
      data.Fields("RecordNo")->SetValue(r);
      data.Update();
      entry::CountChange(jobGeneral);
    } else if (!entry::IsEmptyLine(data, coordType)) {
      any_entry = true;
    }
  }
  return any_entry ? pageEnd : first;
}

struct PointLists {
  std::vector<std::int32_t>& points;
  std::vector<bool>& fixed;

  void Set(std::int32_t k, std::int32_t pointNo, bool isFixed) {
    points[static_cast<std::size_t>(k)] = pointNo;
    fixed[static_cast<std::size_t>(k)] = isFixed;
  }
};

// Element k of the lists describes the k-th line in record order, up to the page's end; lines
// without a point (and those past the last record) hold `pointLimit`.
void FillLists(Recordset& data, std::int32_t pageEnd, PointLists lists, std::int32_t pointLimit) {
  entry::Redimension(lists.points, pageEnd);
  entry::Redimension(lists.fixed, pageEnd);
  std::int32_t k = 0;
  for (data.MoveFirst(); !data.Eof(); data.MoveNext()) {
    ++k;
    if (k > pageEnd) Raise(err::kSubscript, kRuntimeErrorSource, "point-entry list");
    const Variant point_no = data["PointNo"];
    if (entry::JoinsEmpty(point_no)) {
      lists.Set(k, pointLimit, pointLimit != 0);
    } else {
      lists.Set(k, point_no.ToLong(), data["Fixed"].ToBoolean());
    }
  }
  while (++k <= pageEnd) lists.Set(k, pointLimit, pointLimit != 0);
}

}  // namespace

void cJobProcs::EnterPointsSetup(const RecordsetPtr& enterPtsHeader,
                                 const RecordsetPtr& enterPtsTable,
                                 model::EnterPointsPtr& enterPoints, std::int16_t coordType,
                                 std::vector<std::int32_t>& pointEntryPointList,
                                 std::vector<bool>& pointEntryPtFixList,
                                 const model::JobGeneralPtr& jobGeneral, std::int32_t pointLimit) {
  Guard(JobProcsLabel("EnterPointsSetup"), [&] {
    enterPoints = std::make_shared<model::EnterPoints>();
    model::EnterPoints& state = *enterPoints;
    const std::int32_t per_page = entry::PointsPerPage();

    Recordset& header = frame::Require(enterPtsHeader, "enterPtsHeader");
    if (entry::HasNoRecords(header)) return;
    header.MoveLast();
    state.SetPageNumber(header["PageNo"].ToLong());
    state.SetEastNorthDecimals(header["DecEN"].ToByte());
    state.SetHeightDecimals(header["DecHt"].ToByte());

    Recordset& data = frame::Require(enterPtsTable, "enterPtsTable");
    if (entry::HasNoRecords(data)) {
      DeleteAllPages(header);
      state.SetPageNumber(0);
      return;
    }
    const std::int32_t page_end = state.PageNumber() * per_page;
    state.SetLastUsedRecord(CompleteLastPage(data, coordType, page_end, per_page, jobGeneral));
    state.SetPageEndRecord(page_end);
    FillLists(data, page_end, {pointEntryPointList, pointEntryPtFixList}, pointLimit);
  });
}

}  // namespace nrx
