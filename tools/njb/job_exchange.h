#pragma once
// A job's contents as the exchange layer takes them, read from an open job.

#include "exchange/crs.h"
#include "exchange/job_data.h"
#include "nrxJobDb/engine.h"

namespace njb {

// Points (ordered by number, each with its alphanumeric id and its zone, the job's zone where
// the point has none), lines and output decimals. Tables the job lacks give nothing.
nrx::exchange::JobData ReadJobData(nrx::Database& db);

// JobDetails.Zone, wrapped into 1..60; 0 when the job gives none.
int ReadJobZone(nrx::Database& db);

// The JobDetails fields that name the job's coordinate system; empty when there is no record.
nrx::exchange::JobProjection ReadJobProjection(nrx::Database& db);

}  // namespace njb
