// The geographic value conversion between decimal degrees and packed D.MMSSsss.

#include "nrxJobDb/coord_utilities.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace nrx::model {
namespace {

const CoordUtilities& Utils() { return CoordUtilities::Instance(); }

TEST(CoordUtilitiesTest, DecimalDegreesArePackedToTheGivenPlaces) {
  EXPECT_DOUBLE_EQ(30.3, Utils().ConvertGeoValue(30.5, 7, true));
  // 33.8568 degrees: 33 degrees 51 minutes 24.48 seconds.
  EXPECT_DOUBLE_EQ(33.512448, Utils().ConvertGeoValue(33.8568, 7, true));
  EXPECT_DOUBLE_EQ(-33.512448, Utils().ConvertGeoValue(-33.8568, 7, true));
  EXPECT_DOUBLE_EQ(33.5124, Utils().ConvertGeoValue(33.8568, 4, true));  // whole seconds
  EXPECT_DOUBLE_EQ(33.51, Utils().ConvertGeoValue(33.8568, 2, true));    // whole minutes
  EXPECT_DOUBLE_EQ(0.0000001, Utils().ConvertGeoValue(0.001 / 3600, 7, true));
}

TEST(CoordUtilitiesTest, RoundingCarriesSixtySecondsAndMinutes) {
  // 10 degrees 59 minutes 59.9996 seconds rounds to 11 degrees exactly.
  double almost = 10 + 59.0 / 60 + 59.9996 / 3600;
  EXPECT_DOUBLE_EQ(11.0, Utils().ConvertGeoValue(almost, 7, true));
  EXPECT_DOUBLE_EQ(11.0, Utils().ConvertGeoValue(10 + 59.7 / 60, 2, true));
}

TEST(CoordUtilitiesTest, PackedValuesUnpackToDecimalDegrees) {
  EXPECT_DOUBLE_EQ(30.5, Utils().ConvertGeoValue(30.3, 9, false));
  EXPECT_NEAR(-33.8568, Utils().ConvertGeoValue(-33.512448, 9, false), 1e-9);
  for (double degrees : {0.0, 1.25, 45.999999, 151.2093, -0.5}) {
    double packed = Utils().ConvertGeoValue(degrees, 9, true);
    EXPECT_NEAR(degrees, Utils().ConvertGeoValue(packed, 10, false), 1e-8) << degrees;
  }
}

TEST(CoordUtilitiesTest, ImpossibleArgumentsRaise5) {
  EXPECT_NRX_ERROR(err::kInvalidCall, Utils().ConvertGeoValue(30.6, 7, false));     // 60 minutes
  EXPECT_NRX_ERROR(err::kInvalidCall, Utils().ConvertGeoValue(30.0075, 7, false));  // 75 seconds
  EXPECT_NRX_ERROR(err::kInvalidCall, Utils().ConvertGeoValue(30.5, 13, true));
  EXPECT_NRX_ERROR(err::kInvalidCall, Utils().ConvertGeoValue(30.5, -1, true));
  EXPECT_NRX_ERROR(err::kInvalidCall, Utils().ConvertGeoValue(-1.0e38, 7, true));
}

}  // namespace
}  // namespace nrx::model
