#include "entry/point_entry_lines.h"

#include <initializer_list>
#include <string_view>

#include "frame/member_support.h"
#include "nrxJobDb/point_entry_model.h"

namespace nrx::entry {
namespace {

bool AllJoinEmpty(Recordset& data, std::initializer_list<std::string_view> fields) {
  for (std::string_view name : fields) {
    if (!JoinsEmpty(data[name])) return false;
  }
  return true;
}

}  // namespace

bool JoinsEmpty(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return true;
  return value.IsText() && value.ToText().empty();
}

bool HasNoRecords(const Recordset& rs) { return rs.Bof() && rs.Eof(); }

bool IsEmptyLine(Recordset& data, std::int16_t coordType) {
  if (!AllJoinEmpty(data, {"PointNo", "Height", "Description", "N_Value", "VertDefNS",
                           "VertDefEW"})) {
    return false;
  }
  const Variant fixed = data["Fixed"];
  if (!fixed.IsNull() && !fixed.IsEmpty() && fixed.ToBoolean()) return false;
  if (coordType == 1) return AllJoinEmpty(data, {"Latitude", "Longitude"});
  if (coordType == 0) return AllJoinEmpty(data, {"Zone", "Easting", "Northing"});
  return true;
}

std::int32_t PointsPerPage() { return model::PageLayout().PointsPerPage(); }

void CountChange(const model::JobGeneralPtr& jobGeneral) {
  frame::Require(jobGeneral, "jobGeneral").UpdateChangeCount(1, false);
}

}  // namespace nrx::entry
