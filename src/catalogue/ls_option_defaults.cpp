// Least-squares option fields that an upgrade appended get the user's preferences as values.

#include <array>
#include <string_view>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/table_names.h"

namespace nrx {
namespace {

// An option field and the type code handed on with it. The preference of the same name gives
// the value, in its own type; the engine converts it to the field's type when storing it.
struct OptionField {
  std::string_view name;
  std::int16_t type;
};

// clang-format off
constexpr std::array<OptionField, 52> kOptionFields = {{
    {"AngleCentr", dbSingle},
    {"DisConst", dbSingle},
    {"DisPPM", dbSingle},
    {"ProvPtTolH", dbSingle},
    {"ProvPtTolV", dbSingle},
    {"ConvLimitH", dbSingle},
    {"ConvLimitV", dbSingle},
    {"HtDiffSD", dbSingle},
    {"UnitWts", dbBoolean},
    {"Dump", dbBoolean},
    {"SP1", dbBoolean},
    {"CSD", dbBoolean},
    {"ScaleEE", dbBoolean},
    {"Iterations", dbInteger},
    {"AzimuthSD", dbSingle},
    {"DirectionSD", dbSingle},
    {"SlopeDisConst", dbSingle},
    {"SlopeDisPPM", dbSingle},
    {"ZenAngSD", dbSingle},
    {"CoordsSD", dbSingle},
    {"VectorsSD", dbSingle},
    {"AzimuthCent", dbSingle},
    {"DirectionCent", dbSingle},
    {"HorDistCent", dbSingle},
    {"HtDiffCent", dbSingle},
    {"AngleTgtCentr", dbSingle},
    {"AzimuthTgtCent", dbSingle},
    {"DirectionTgtCent", dbSingle},
    {"HorDistTgtCent", dbSingle},
    {"HtDiffTgtCent", dbSingle},
    {"SlopeDistCentH", dbSingle},
    {"ZenAngleCentH", dbSingle},
    {"CoordsCentH", dbSingle},
    {"VectorsCentH", dbSingle},
    {"SlopeDistCentV", dbSingle},
    {"ZenAngleCentV", dbSingle},
    {"CoordsCentV", dbSingle},
    {"VectorsCentV", dbSingle},
    {"SDConstrFactor", dbLong},
    {"AutoRescale", dbBoolean},
    {"RelaxObsInErr", dbBoolean},
    {"OutlierTest", dbInteger},
    {"Corrections", dbText},
    {"ConfLevelChiSquared", dbInteger},
    {"ConfLevelEllipses", dbInteger},
    {"ConfLevelMDE", dbInteger},
    {"ConfLevelOutliers", dbInteger},
    // Only a data set's own options table holds these.
    {"SaveDBPoints", dbBoolean},
    {"SaveDBPtsFixed", dbBoolean},
    {"SavePtEntry", dbBoolean},
    {"SavePtEntryFixed", dbBoolean},
    {"SavePtEntryOpt", dbInteger},
}};
// clang-format on
constexpr std::size_t kCommonOptions = 47;

}  // namespace

void cJobProcs::NewLSOptionFieldDefaults(const DatabasePtr& jobDB, const RecordsetPtr& currentTable,
                                         const std::string& tableName,
                                         const model::LSOptPrefsPtr& LSOptPrefs,
                                         const model::JobGeneralPtr& jobGeneral) {
  Guard(JobProcsLabel("NewLSOptionFieldDefaults"), [&] {
    auto fill = [&](const OptionField& option) {
      const Variant value = frame::Require(LSOptPrefs, "LSOptPrefs").Option(option.name);
      bool valueAdded = false;
      NewFieldValue(jobDB, currentTable, tableName, std::string(option.name), option.type, 0, value,
                    jobGeneral, &valueAdded);
    };
    for (std::size_t i = 0; i < kCommonOptions; ++i) fill(kOptionFields[i]);
    if (tableName.find(model::TableNames::Instance().LSOptionsPrefix()) == std::string::npos) {
      return;
    }
    for (std::size_t i = kCommonOptions; i < kOptionFields.size(); ++i) fill(kOptionFields[i]);
  });
}

}  // namespace nrx
