#pragma once
// The user's least-squares preferences: one property per adjustment option, named as the
// option field of the job tables that it fills, with the value type the application keeps.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

// X(type, name, default) for every option, in the order the option defaults are filled.
// Centring and standard deviations are in metres and seconds of arc; confidence levels in %.
// Corrections is "None" rather than empty: the option tables' Text fields refuse "".
#define NRX_LS_PREFERENCES(X)            \
  X(double, AngleCentr, 0.001)           \
  X(double, DisConst, 0.003)             \
  X(double, DisPPM, 3.0)                 \
  X(double, ProvPtTolH, 1.0)             \
  X(double, ProvPtTolV, 1.0)             \
  X(double, ConvLimitH, 0.001)           \
  X(double, ConvLimitV, 0.001)           \
  X(double, HtDiffSD, 0.01)              \
  X(bool, UnitWts, false)                \
  X(bool, Dump, false)                   \
  X(bool, SP1, false)                    \
  X(bool, CSD, false)                    \
  X(bool, ScaleEE, true)                 \
  X(std::int16_t, Iterations, 10)        \
  X(double, AzimuthSD, 5.0)              \
  X(double, DirectionSD, 3.0)            \
  X(double, SlopeDisConst, 0.003)        \
  X(double, SlopeDisPPM, 3.0)            \
  X(double, ZenAngSD, 5.0)               \
  X(double, CoordsSD, 0.01)              \
  X(double, VectorsSD, 0.01)             \
  X(double, AzimuthCent, 0.001)          \
  X(double, DirectionCent, 0.001)        \
  X(double, HorDistCent, 0.001)          \
  X(double, HtDiffCent, 0.001)           \
  X(double, AngleTgtCentr, 0.001)        \
  X(double, AzimuthTgtCent, 0.001)       \
  X(double, DirectionTgtCent, 0.001)     \
  X(double, HorDistTgtCent, 0.001)       \
  X(double, HtDiffTgtCent, 0.001)        \
  X(double, SlopeDistCentH, 0.001)       \
  X(double, ZenAngleCentH, 0.001)        \
  X(double, CoordsCentH, 0.001)          \
  X(double, VectorsCentH, 0.001)         \
  X(double, SlopeDistCentV, 0.001)       \
  X(double, ZenAngleCentV, 0.001)        \
  X(double, CoordsCentV, 0.001)          \
  X(double, VectorsCentV, 0.001)         \
  X(std::int32_t, SDConstrFactor, 1000)  \
  X(bool, AutoRescale, false)            \
  X(bool, RelaxObsInErr, false)          \
  X(std::int16_t, OutlierTest, 1)        \
  X(std::string, Corrections, "None")    \
  X(float, ConfLevelChiSquared, 95.0f)   \
  X(std::int32_t, ConfLevelEllipses, 95) \
  X(std::string, ConfLevelMDE, "95")     \
  X(float, ConfLevelOutliers, 95.0f)     \
  X(bool, SaveDBPoints, true)            \
  X(bool, SaveDBPtsFixed, false)         \
  X(bool, SavePtEntry, false)            \
  X(bool, SavePtEntryFixed, false)       \
  X(std::int16_t, SavePtEntryOpt, 0)

class NRXJOBDB_API LSOptPrefs : public Object {
 public:
#define NRX_LS_PREFERENCE_ACCESSORS(type, name, value) \
  const type& name() const { return name##_; }         \
  void Set##name(type v) { name##_ = std::move(v); }
  NRX_LS_PREFERENCES(NRX_LS_PREFERENCE_ACCESSORS)
#undef NRX_LS_PREFERENCE_ACCESSORS

  // The preference of the option field `fieldName` (exact name), as the Variant of its own
  // type; raises 438 for a name that is no preference.
  Variant Option(std::string_view fieldName) const;
  // Sets a preference by field name, converting `value` to its type (13 when it cannot be).
  void SetOption(std::string_view fieldName, const Variant& value);

 private:
#define NRX_LS_PREFERENCE_MEMBER(type, name, value) type name##_ = value;
  NRX_LS_PREFERENCES(NRX_LS_PREFERENCE_MEMBER)
#undef NRX_LS_PREFERENCE_MEMBER
};
using LSOptPrefsPtr = std::shared_ptr<LSOptPrefs>;

}  // namespace nrx::model
