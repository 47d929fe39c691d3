#pragma once

#include <string>

namespace nrx::files {

// Rewrites the job at `path`, when it is of the earlier encrypted format, as a sealed file
// under the engine's key, whole or not at all. Returns false, changing nothing, when the file
// is held by anyone (it is tried again at a later open) or is not of that format. Raises 3049
// when the file cannot be read, 3043 when the new file cannot be written.
bool UpgradeStreamFile(const std::string& path);

}  // namespace nrx::files
