#pragma once
// What the point-entry members share: the caller's 1-based lists, the lines of the data table
// and the change count.

#include <cstdint>
#include <vector>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/job_model.h"

namespace nrx::entry {

// The upper bound of a 1-based list whose element 0 is unused: 0 for a list without elements.
template <class T>
std::int32_t UpperBound(const std::vector<T>& list) {
  return list.empty() ? 0 : static_cast<std::int32_t>(list.size() - 1);
}

// Gives a 1-based list the bounds 1 to `upper`, keeping what it holds.
template <class T>
void Redimension(std::vector<T>& list, std::int32_t upper) {
  list.resize(static_cast<std::size_t>(upper) + 1);
}

// Element `index` of a 1-based list; an index outside its bounds raises 9, as indexing the
// caller's array would.
template <class T>
T Element(const std::vector<T>& list, std::int32_t index) {
  if (index < 1 || index > UpperBound(list)) {
    Raise(err::kSubscript, kRuntimeErrorSource, "point-entry list");
  }
  return list[static_cast<std::size_t>(index)];
}

// True when the recordset holds no record. Both ends at once is exactly that; the record count
// adds nothing and would cost a pass over the whole table on every save.
bool HasNoRecords(const Recordset& rs);

// A value that gives an empty text when joined to an empty text: Null, Empty or "".
bool JoinsEmpty(const Variant& value);

// True when the current line of the data table holds nothing: no point number, height,
// description, N value or deflection, no coordinate of the entry type, and not fixed.
bool IsEmptyLine(Recordset& data, std::int16_t coordType);

// The lines on one page, as a fresh page layout gives them.
std::int32_t PointsPerPage();

// Tells the job-general object of one more change.
void CountChange(const model::JobGeneralPtr& jobGeneral);

}  // namespace nrx::entry
