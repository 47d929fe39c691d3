#pragma once
// Job-model objects of the application's model library that the caller hands to the component:
// the job-general object, the job, the program and the grid.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

// What the application knows about the open job as a whole: its unsaved-change count, the
// temporary copy taken at opening, and its extent and point-number counters.
class NRXJOBDB_API JobGeneral : public Object {
 public:
  // Unsaved changes since the job was opened or last saved.
  std::int32_t ChangeCount() const { return change_count_; }
  // With `reset` False adds `count` changes (1 for one more change); with `reset` True the
  // count becomes `count` (0 after a save). Raises 6 when the count would pass the 32-bit range.
  void UpdateChangeCount(std::int32_t count, bool reset);

  // The temporary copy of the job file taken before it was opened; empty when none.
  const std::string& TempCopyName() const { return temp_copy_name_; }
  void SetTempCopyName(std::string name) { temp_copy_name_ = std::move(name); }

  // The job's extent in grid coordinates, and the projection zones it spans.
  double MinimumX() const { return minimum_x_; }
  void SetMinimumX(double value) { minimum_x_ = value; }
  double MinimumY() const { return minimum_y_; }
  void SetMinimumY(double value) { minimum_y_ = value; }
  double MaximumX() const { return maximum_x_; }
  void SetMaximumX(double value) { maximum_x_ = value; }
  double MaximumY() const { return maximum_y_; }
  void SetMaximumY(double value) { maximum_y_ = value; }
  std::int16_t MinimumZone() const { return minimum_zone_; }
  void SetMinimumZone(std::int16_t zone) { minimum_zone_ = zone; }
  std::int16_t MaximumZone() const { return maximum_zone_; }
  void SetMaximumZone(std::int16_t zone) { maximum_zone_ = zone; }

  // Point counters: points with valid horizontal coordinates, the highest point number in use,
  // the first free point number and the first point number stored.
  std::int32_t ValidHorizPts() const { return valid_horiz_pts_; }
  void SetValidHorizPts(std::int32_t count) { valid_horiz_pts_ = count; }
  std::int32_t CurrentMaxPoint() const { return current_max_point_; }
  void SetCurrentMaxPoint(std::int32_t pointNo) { current_max_point_ = pointNo; }
  std::int32_t FirstFreePoint() const { return first_free_point_; }
  void SetFirstFreePoint(std::int32_t pointNo) { first_free_point_ = pointNo; }
  std::int32_t FirstPointStored() const { return first_point_stored_; }
  void SetFirstPointStored(std::int32_t pointNo) { first_point_stored_ = pointNo; }

 private:
  std::int32_t change_count_ = 0;
  std::string temp_copy_name_;
  // A new job has no extent yet: zeros, as an empty job's details record holds them.
  double minimum_x_ = 0;
  double minimum_y_ = 0;
  double maximum_x_ = 0;
  double maximum_y_ = 0;
  std::int16_t minimum_zone_ = 0;
  std::int16_t maximum_zone_ = 0;
  std::int32_t valid_horiz_pts_ = 0;
  std::int32_t current_max_point_ = 0;
  std::int32_t first_free_point_ = 1;
  std::int32_t first_point_stored_ = 0;
};
using JobGeneralPtr = std::shared_ptr<JobGeneral>;

// A field of the job details record that keeps the job's extent or a point counter, and the
// value of the job-general object it keeps, typed as the field is (Double, Long or Integer).
struct JobExtentField {
  std::string_view field;
  Variant (*value)(const JobGeneral& general);
};
// The ten of them in the order they are saved: MinimumX, MinimumY, MaximumX, MaximumY,
// ValidHorizPts, CurrentMaxPoint, FirstFreePoint, MinimumZone, MaximumZone, FirstPointStored.
NRXJOBDB_API const std::array<JobExtentField, 10>& JobExtentFields();

// What a point's value becomes in the job's tables: a number equal to the null value has no
// value, and a description of nothing but blanks is no description; both are stored as Null.
// Any other value is stored as it is, a description with its blanks kept.
NRXJOBDB_API Variant ValueOrNull(const Variant& number);
NRXJOBDB_API Variant DescriptionOrNull(const std::string& description);

// The current job: the full path of its database file.
class NRXJOBDB_API Job : public Object {
 public:
  Job() = default;
  explicit Job(std::string jobFileName) : job_file_name_(std::move(jobFileName)) {}

  const std::string& JobFileName() const { return job_file_name_; }
  void SetJobFileName(std::string path) { job_file_name_ = std::move(path); }

  // The extension of the job file name, point included (".njb"); empty when it has none.
  std::string FileExtension() const;
  // Replaces the extension of the job file name (adds one when it has none), so the job names
  // its file after a rename from ".MDB" to ".njb". The extension must begin with a point and
  // hold no path separator, else 5.
  void SetFileExtension(const std::string& extension);

 private:
  std::string job_file_name_;
};
using JobPtr = std::shared_ptr<Job>;

// The running program: whether a user is there to answer questions, and its temporary folder.
class NRXJOBDB_API Program : public Object {
 public:
  Program();

  // False for batch runs: questions are then taken as answered Yes.
  bool Interactive() const { return interactive_; }
  void SetInteractive(bool interactive) { interactive_ = interactive; }

  // Where temporary copies of jobs go; the system's temporary folder unless set.
  const std::string& TempFolder() const { return temp_folder_; }
  void SetTempFolder(std::string folder) { temp_folder_ = std::move(folder); }

 private:
  bool interactive_ = true;
  std::string temp_folder_;
};
using ProgramPtr = std::shared_ptr<Program>;

// The application's grid (projection) settings of the job. The component only holds and
// releases it, so it carries what identifies it and no more.
class NRXJOBDB_API Grid : public Object {
 public:
  const std::string& Projection() const { return projection_; }
  void SetProjection(std::string projection) { projection_ = std::move(projection); }
  std::int16_t Zone() const { return zone_; }
  void SetZone(std::int16_t zone) { zone_ = zone; }

 private:
  std::string projection_;
  std::int16_t zone_ = 0;
};
using GridPtr = std::shared_ptr<Grid>;

}  // namespace nrx::model
