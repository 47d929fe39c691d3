#include "nrxJobDb/job_model.h"

#include <filesystem>
#include <limits>

#include "nrxJobDb/errors.h"
#include "nrxJobDb/numeric_constants.h"

namespace nrx::model {
namespace {

constexpr std::string_view kJobGeneralSource = "nrxModel.JobGeneral";
constexpr std::string_view kJobSource = "nrxModel.Job";

}  // namespace

void JobGeneral::UpdateChangeCount(std::int32_t count, bool reset) {
  if (reset) {
    change_count_ = count;
    return;
  }
  std::int64_t sum = static_cast<std::int64_t>(change_count_) + count;
  if (sum > std::numeric_limits<std::int32_t>::max() ||
      sum < std::numeric_limits<std::int32_t>::min()) {
    Raise(err::kOverflow, kJobGeneralSource, "change count");
  }
  change_count_ = static_cast<std::int32_t>(sum);
}

const std::array<JobExtentField, 10>& JobExtentFields() {
  // clang-format off
  static constexpr std::array<JobExtentField, 10> kFields = {{
      {"MinimumX", [](const JobGeneral& g) { return Variant(g.MinimumX()); }},
      {"MinimumY", [](const JobGeneral& g) { return Variant(g.MinimumY()); }},
      {"MaximumX", [](const JobGeneral& g) { return Variant(g.MaximumX()); }},
      {"MaximumY", [](const JobGeneral& g) { return Variant(g.MaximumY()); }},
      {"ValidHorizPts", [](const JobGeneral& g) { return Variant(g.ValidHorizPts()); }},
      {"CurrentMaxPoint", [](const JobGeneral& g) { return Variant(g.CurrentMaxPoint()); }},
      {"FirstFreePoint", [](const JobGeneral& g) { return Variant(g.FirstFreePoint()); }},
      {"MinimumZone", [](const JobGeneral& g) { return Variant(g.MinimumZone()); }},
      {"MaximumZone", [](const JobGeneral& g) { return Variant(g.MaximumZone()); }},
      {"FirstPointStored", [](const JobGeneral& g) { return Variant(g.FirstPointStored()); }},
  }};
  // clang-format on
  return kFields;
}

Variant ValueOrNull(const Variant& number) {
  if (NumericConstants::Instance().IsNullValue(number.ToDouble())) return Variant::Null();
  return number;
}

Variant DescriptionOrNull(const std::string& description) {
  if (description.find_first_not_of(' ') == std::string::npos) return Variant::Null();
  return Variant(description);
}

std::string Job::FileExtension() const {
  return std::filesystem::path(job_file_name_).extension().string();
}

void Job::SetFileExtension(const std::string& extension) {
  if (extension.size() < 2 || extension.front() != '.' ||
      extension.find('/') != std::string::npos) {
    Raise(err::kInvalidCall, kJobSource, extension);
  }
  std::filesystem::path path(job_file_name_);
  path.replace_extension(extension);
  job_file_name_ = path.string();
}

Program::Program() {
  std::error_code ec;
  temp_folder_ = std::filesystem::temp_directory_path(ec).string();
}

}  // namespace nrx::model
