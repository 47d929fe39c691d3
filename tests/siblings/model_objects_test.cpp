// The model objects the caller passes in: what the component relies on beyond plain storage.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "nrxJobDb/class_registry.h"
#include "nrxJobDb/job_model.h"
#include "nrxJobDb/ls_preferences.h"
#include "nrxJobDb/numeric_constants.h"
#include "nrxJobDb/point_entry_model.h"
#include "support/test_support.h"

namespace nrx::model {
namespace {

TEST(JobGeneralTest, ChangeCountAddsAndResets) {
  JobGeneral general;
  general.UpdateChangeCount(1, false);
  general.UpdateChangeCount(1, false);
  EXPECT_EQ(2, general.ChangeCount());
  general.UpdateChangeCount(0, true);
  EXPECT_EQ(0, general.ChangeCount());
  general.UpdateChangeCount(std::numeric_limits<std::int32_t>::max(), true);
  EXPECT_NRX_ERROR(err::kOverflow, general.UpdateChangeCount(1, false));
  EXPECT_EQ(std::numeric_limits<std::int32_t>::max(), general.ChangeCount());
}

TEST(JobTest, FileExtensionFollowsTheJobFileName) {
  Job job("/jobs/site.mdb");
  EXPECT_EQ(".mdb", job.FileExtension());
  job.SetFileExtension(".njb");
  EXPECT_EQ("/jobs/site.njb", job.JobFileName());
  Job bare("/jobs/site");
  bare.SetFileExtension(".njb");
  EXPECT_EQ("/jobs/site.njb", bare.JobFileName());
  EXPECT_NRX_ERROR(err::kInvalidCall, job.SetFileExtension("njb"));
  EXPECT_NRX_ERROR(err::kInvalidCall, job.SetFileExtension("./x"));
  EXPECT_EQ("/jobs/site.njb", job.JobFileName());
}

TEST(PageLayoutTest, NewLayoutsTakeTheDefaultOfAtLeastOnePoint) {
  EXPECT_EQ(10, PageLayout().PointsPerPage());
  PageLayout::SetDefaultPointsPerPage(4);
  EXPECT_EQ(4, PageLayout().PointsPerPage());
  PageLayout::SetDefaultPointsPerPage(PageLayout::kStandardPointsPerPage);
  EXPECT_NRX_ERROR(err::kInvalidCall, PageLayout::SetDefaultPointsPerPage(0));
  PageLayout layout;
  EXPECT_NRX_ERROR(err::kInvalidCall, layout.SetPointsPerPage(-3));
  EXPECT_EQ(10, layout.PointsPerPage());
}

TEST(PointTest, ValuesNotEnteredHoldTheNullValue) {
  Point point;
  const NumericConstants& constants = NumericConstants::Instance();
  for (double value : {point.Easting(), point.Northing(), point.Height(), point.NValue(),
                       point.VertDefNS(), point.VertDefEW()}) {
    EXPECT_TRUE(constants.IsNullValue(value));
  }
  // The null value survives a Single field.
  EXPECT_TRUE(std::isfinite(static_cast<float>(constants.NullValue())));
}

TEST(LSOptPrefsTest, OptionsByFieldNameCarryTheirOwnTypes) {
  LSOptPrefs prefs;
  EXPECT_EQ(VarType::Double, prefs.Option("AngleCentr").Type());
  EXPECT_EQ(VarType::Boolean, prefs.Option("UnitWts").Type());
  EXPECT_EQ(VarType::Single, prefs.Option("ConfLevelChiSquared").Type());
  EXPECT_EQ(VarType::Text, prefs.Option("ConfLevelMDE").Type());

  prefs.SetOption("DisPPM", Variant("2.5"));
  EXPECT_DOUBLE_EQ(2.5, prefs.DisPPM());
  prefs.SetIterations(20);
  EXPECT_TRUE(prefs.Option("Iterations").SameAs(Variant(std::int16_t{20})));
  EXPECT_NRX_ERROR(err::kNoSuchMember, prefs.Option("AngleSD"));  // an option with no default
  EXPECT_NRX_ERROR(err::kNoSuchMember, prefs.Option("anglecentr"));
  EXPECT_NRX_ERROR(err::kTypeMismatch, prefs.SetOption("Iterations", Variant("many")));
}

}  // namespace
}  // namespace nrx::model
