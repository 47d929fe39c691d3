#pragma once
// The name of the temporary copy that OpenJobDB takes of a job before opening it.

#include <string>

namespace nrx::lifecycle {

// One name per job: `folder` (the system's temporary folder when empty) / "njb-" + the job's
// file name + "-" + 16 hex digits of its absolute path + ".tmp". Raises 75 when `folder` is not
// a folder.
std::string TempCopyNameFor(const std::string& folder, const std::string& jobDBname);

}  // namespace nrx::lifecycle
