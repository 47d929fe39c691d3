#pragma once
// The extent and point-number counters of a job, worked out from the records of its points
// table, as the job model keeps them.

#include "nrxJobDb/engine.h"
#include "nrxJobDb/job_model.h"

namespace njb {

// Reads every record of the points table of `db` (PointNo, X, Y, Zone) and sets on `general`:
// - ValidHorizPts: the points whose X and Y are both neither Null nor the null value;
// - MinimumZone and MaximumZone: the zones of the extent's west and east edges. When every
//   valid point's zone lies in 1 to 60 they bound the shortest run of zones, counted eastwards
//   around the wrap from 60 to 1, that holds them all (zones 59, 60 and 1 give 59 and 1);
//   otherwise (a Null zone counts as 0) the lowest and highest zone;
// - MinimumX and MaximumX: the lowest X in the west zone and the highest X in the east zone;
//   MinimumY and MaximumY: the lowest and highest Y of the valid points;
// - CurrentMaxPoint: the highest point number; FirstPointStored: the lowest; FirstFreePoint: the
//   lowest positive number no point has.
// Without valid points the extent and zones are 0; without points the counters are 0, and the
// first free number is 1.
void ComputeJobExtent(nrx::Database& db, nrx::model::JobGeneral& general);

}  // namespace njb
