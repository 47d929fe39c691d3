#include "lifecycle/temp_copy_name.h"

#include <fmt/format.h>

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "nrxJobDb/errors.h"

namespace nrx::lifecycle {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSource = "nrxJobDb.TempCopy";

// FNV-1a: the same number for the same path in every build and run, so a copy left by an
// earlier program is the one the next opening of that job replaces.
std::uint64_t StableHash(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace

// The copy is named after its job rather than drawn at random. A save whose first backup is
// less than an hour old leaves the copy where it is, and a killed program leaves its copy too;
// with a name of its own per job, the next opening of that job writes its copy over the one
// left, so at most one copy per job can ever be in the folder. Two jobs never share a name: the
// digits come from the whole absolute path. The copy stays in the temporary folder (a job may
// be opened read-only from a folder no one may write); the backup's move out of it copies whole
// and renames when the folder is on another file system.
std::string TempCopyNameFor(const std::string& folder, const std::string& jobDBname) {
  std::error_code ec;
  const fs::path dir = folder.empty() ? fs::temp_directory_path(ec) : fs::path(folder);
  if (ec || !fs::is_directory(dir, ec)) Raise(err::kPathAccess, kSource, folder);
  const fs::path job = fs::absolute(jobDBname, ec).lexically_normal();
  return (dir / fmt::format("njb-{}-{:016x}.tmp", job.filename().string(),
                            StableHash(job.string())))
      .string();
}

}  // namespace nrx::lifecycle
