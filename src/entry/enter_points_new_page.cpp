// cJobProcs::EnterPointsNewPage: appends a page of point entry, its header and all its lines.

#include "entry/point_entry_lines.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

void cJobProcs::EnterPointsNewPage(const RecordsetPtr& enterPtsHeader,
                                   const RecordsetPtr& enterPtsTable,
                                   const model::EnterPointsPtr& enterPoints,
                                   const model::JobGeneralPtr& jobGeneral,
                                   const model::JobCfgPtr& jobCfg) {
  Guard(JobProcsLabel("EnterPointsNewPage"), [&] {
    model::EnterPoints& state = frame::Require(enterPoints, "enterPoints");
    const std::int32_t per_page = entry::PointsPerPage();
    const std::int32_t page = state.PageNumber() + 1;
    state.SetPageNumber(page);

    Recordset& header = frame::Require(enterPtsHeader, "enterPtsHeader");
    const model::JobCfg& cfg = frame::Require(jobCfg, "jobCfg");
    header.AddNew();
    header.Fields("PageNo")->SetValue(page);
    header.Fields("DecEN")->SetValue(cfg.EastNorthDecimals());
    header.Fields("DecHt")->SetValue(cfg.HeightDecimals());
    header.Fields("TotalPages")->SetValue(page);
    header.Update();
    entry::CountChange(jobGeneral);

    const std::int32_t first = page * per_page - per_page;
    state.SetLastUsedRecord(first);
    Recordset& data = frame::Require(enterPtsTable, "enterPtsTable");
    const FieldPtr record_no = data.Fields("RecordNo");
    for (std::int32_t i = 1; i <= per_page; ++i) {
      data.AddNew();
      record_no->SetValue(first + i);
      data.Update();
      entry::CountChange(jobGeneral);
    }
    state.SetPageEndRecord(page * per_page);
  });
}

}  // namespace nrx
