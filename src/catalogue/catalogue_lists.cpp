#include "catalogue/catalogue_lists.h"

#include <fmt/format.h>

#include <limits>
#include <vector>

#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/errors.h"

namespace nrx::catalogue {

const std::array<ListMember, kListMembers>& DeclaredLists() {
  static constexpr std::array<ListMember, kListMembers> kDeclared = {{
      {"JobDetails", &TableCatalogue::JobDetails},
      {"Points", &TableCatalogue::Points},
      {"Lines", &TableCatalogue::Lines},
      {"DisplaySettings", &TableCatalogue::DisplaySettings},
      {"TraverseHeader", &TableCatalogue::TraverseHeader},
      {"Traverse", &TableCatalogue::Traverse},
      {"LSOptions", &TableCatalogue::LSOptions},
      {"LSPoints", &TableCatalogue::LSPoints},
      {"LSObsGen", &TableCatalogue::LSObsGen},
      {"LSCoordObs", &TableCatalogue::LSCoordObs},
      {"GridEntryHeader", &TableCatalogue::GridEntryHeader},
      {"GeoEntryHeader", &TableCatalogue::GeoEntryHeader},
      {"GridEntry", &TableCatalogue::GridEntry},
      {"GeoEntry", &TableCatalogue::GeoEntry},
      {"RadiationHeader", &TableCatalogue::RadiationHeader},
      {"Radiation", &TableCatalogue::Radiation},
      {"JobLSOptions", &TableCatalogue::JobLSOptions},
      {"Triangles", &TableCatalogue::Triangles},
      {"SecondAlphaIDs", &TableCatalogue::SecondAlphaIDs},
      {"AlphaIDs", &TableCatalogue::AlphaIDs},
      {"PointShift", &TableCatalogue::PointShift},
      {"LSObs3D", &TableCatalogue::LSObs3D},
      {"LSVectors", &TableCatalogue::LSVectors},
      {"LSLocalisation", &TableCatalogue::LSLocalisation},
  }};
  return kDeclared;
}

std::span<const ListRows> FilledLists() {
  static const std::vector<ListRows> kFilled = [] {
    std::vector<ListRows> all(JobLevelLists().begin(), JobLevelLists().end());
    all.insert(all.end(), LeastSquaresLists().begin(), LeastSquaresLists().end());
    return all;
  }();
  return kFilled;
}

void StoreFieldDef(TableFieldList& list, std::int16_t& index, std::string_view fieldName,
                   std::int16_t fieldType, std::int16_t fieldSiz) {
  // The list's bounds are 1 to index, so position 0 or below has no place in it.
  if (index < 1) {
    RaiseText(err::kSubscript, std::string(kRuntimeErrorSource),
              fmt::format("Subscript out of range: catalogue list position {} is below 1.", index));
  }
  list.resize(static_cast<std::size_t>(index));
  list[static_cast<std::size_t>(index) - 1] =
      TableFieldDef{std::string(fieldName), fieldType, fieldSiz};
  if (index == std::numeric_limits<std::int16_t>::max()) {
    RaiseText(err::kOverflow, std::string(kRuntimeErrorSource),
              fmt::format("Overflow: catalogue list position {} cannot be advanced.", index));
  }
  ++index;
}

void FillCatalogue(TableCatalogue& catalogue, const StoreField& store) {
  for (const ListRows& list : FilledLists()) {
    TableFieldList& target = catalogue.*list.member;
    std::int16_t index = 1;
    for (const FieldRow& row : list.rows) {
      store(target, index, std::string(row.name), row.type, row.size);
    }
  }
}

void FillCatalogue(TableCatalogue& catalogue) { FillCatalogue(catalogue, StoreFieldDef); }

void ClearCatalogue(TableCatalogue& catalogue) {
  for (const ListMember& list : DeclaredLists()) {
    TableFieldList().swap(catalogue.*list.member);
  }
}

}  // namespace nrx::catalogue
