#pragma once
// A job whose file is still a Jet database of the older generation becomes a job file of this
// engine beside it before it is opened.

#include <string>

#include "nrxJobDb/job_model.h"

namespace nrx::lifecycle {

// Converts `job` to ConvertedJobName(job) (see jet_conversion.h), tells an interactive user so, and points `thisJob`
// at the new file, whose name it returns. The Jet file stays as it was. Raises 3204 when the
// new name is taken (nothing is changed then) and 3049 when the Jet file cannot be read.
std::string ConvertJetJob(const std::string& job, model::Job& thisJob, const model::Program& prog);

}  // namespace nrx::lifecycle
