#pragma once
// Model objects of point entry: the entry state, the page layout, the point being entered and
// the job configuration that gives the decimals of a new page.

#include <cstdint>
#include <memory>
#include <string>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

// Where point entry stands: the current (last) page and the lines used on it.
class NRXJOBDB_API EnterPoints : public Object {
 public:
  // Number of the current page; 0 when no page exists.
  std::int32_t PageNumber() const { return page_number_; }
  void SetPageNumber(std::int32_t page) { page_number_ = page; }
  // 1-based position in the point list of the point last looked up; 0 when not found.
  std::int32_t EntryPosition() const { return entry_position_; }
  void SetEntryPosition(std::int32_t position) { entry_position_ = position; }
  // Record number of the last line of the current page.
  std::int32_t PageEndRecord() const { return page_end_record_; }
  void SetPageEndRecord(std::int32_t record) { page_end_record_ = record; }
  // Record number of the line last filled.
  std::int32_t LastUsedRecord() const { return last_used_record_; }
  void SetLastUsedRecord(std::int32_t record) { last_used_record_ = record; }
  // Decimals shown for eastings and northings, and for heights, on the current page.
  std::uint8_t EastNorthDecimals() const { return east_north_decimals_; }
  void SetEastNorthDecimals(std::uint8_t decimals) { east_north_decimals_ = decimals; }
  std::uint8_t HeightDecimals() const { return height_decimals_; }
  void SetHeightDecimals(std::uint8_t decimals) { height_decimals_ = decimals; }

 private:
  std::int32_t page_number_ = 0;
  std::int32_t entry_position_ = 0;
  std::int32_t page_end_record_ = 0;
  std::int32_t last_used_record_ = 0;
  std::uint8_t east_north_decimals_ = 3;
  std::uint8_t height_decimals_ = 3;
};
using EnterPointsPtr = std::shared_ptr<EnterPoints>;

// The layout of a point-entry page. A new layout takes the process-wide default, so a program
// (or a test) that wants other pages sets the default before entry begins.
class NRXJOBDB_API PageLayout : public Object {
 public:
  static constexpr std::int16_t kStandardPointsPerPage = 10;

  PageLayout();

  // Lines per page: at least 1; a smaller value raises 5.
  std::int16_t PointsPerPage() const { return points_per_page_; }
  void SetPointsPerPage(std::int16_t points);

  static std::int16_t DefaultPointsPerPage();
  static void SetDefaultPointsPerPage(std::int16_t points);

 private:
  std::int16_t points_per_page_;
};
using PageLayoutPtr = std::shared_ptr<PageLayout>;

// One point as the entry screen holds it. Numeric values that were not entered hold the null
// value of the numeric constants; geographic points hold latitude in Northing and longitude in
// Easting, in decimal degrees.
class NRXJOBDB_API Point : public Object {
 public:
  Point();

  std::int32_t PointNo() const { return point_no_; }
  void SetPointNo(std::int32_t pointNo) { point_no_ = pointNo; }
  double Easting() const { return easting_; }
  void SetEasting(double value) { easting_ = value; }
  double Northing() const { return northing_; }
  void SetNorthing(double value) { northing_ = value; }
  double Height() const { return height_; }
  void SetHeight(double value) { height_ = value; }
  double NValue() const { return n_value_; }
  void SetNValue(double value) { n_value_ = value; }
  double VertDefNS() const { return vert_def_ns_; }
  void SetVertDefNS(double value) { vert_def_ns_ = value; }
  double VertDefEW() const { return vert_def_ew_; }
  void SetVertDefEW(double value) { vert_def_ew_ = value; }
  std::int16_t Zone() const { return zone_; }
  void SetZone(std::int16_t zone) { zone_ = zone; }
  const std::string& Description() const { return description_; }
  void SetDescription(std::string text) { description_ = std::move(text); }

 private:
  std::int32_t point_no_ = 0;
  double easting_;
  double northing_;
  double height_;
  double n_value_;
  double vert_def_ns_;
  double vert_def_ew_;
  std::int16_t zone_ = 0;
  std::string description_;
};
using PointPtr = std::shared_ptr<Point>;

// The job's configuration as far as entry needs it: the decimals a new page starts with.
class NRXJOBDB_API JobCfg : public Object {
 public:
  std::uint8_t EastNorthDecimals() const { return east_north_decimals_; }
  void SetEastNorthDecimals(std::uint8_t decimals) { east_north_decimals_ = decimals; }
  std::uint8_t HeightDecimals() const { return height_decimals_; }
  void SetHeightDecimals(std::uint8_t decimals) { height_decimals_ = decimals; }

 private:
  std::uint8_t east_north_decimals_ = 3;
  std::uint8_t height_decimals_ = 3;
};
using JobCfgPtr = std::shared_ptr<JobCfg>;

}  // namespace nrx::model
