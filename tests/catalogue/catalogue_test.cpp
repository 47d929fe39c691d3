// The catalogue's data, written out here apart from the component's own tables so that a slip
// in either shows: per list its field count, types and Text sizes, the places of fields that look
// alike across lists, and the routine that stores one definition.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue_lists.h"
#include "nrxJobDb/engine.h"
#include "support/test_support.h"

namespace nrx::catalogue {
namespace {

// Per list, in fill order: its field count, how many fields it holds of each type of kTypes, and
// the sizes of its Text fields in list order.
struct ListShape {
  std::string_view list;
  int fields;
  std::array<int, 7> per_type;
  std::vector<int> text_sizes;
};
constexpr std::array<int, 7> kTypes = {dbBoolean, dbByte,   dbInteger, dbLong,
                                       dbSingle,  dbDouble, dbText};
const std::vector<ListShape> kShapes = {
    {"JobDetails", 36, {3, 3, 6, 5, 4, 4, 11}, {255, 60, 25, 60, 10, 10, 10, 10, 22, 60, 255}},
    {"DisplaySettings", 12, {0, 0, 4, 2, 2, 4, 0}, {}},
    {"Points", 16, {1, 4, 1, 1, 3, 3, 3}, {16, 1, 2}},
    {"Lines", 3, {0, 0, 1, 2, 0, 0, 0}, {}},
    {"GridEntryHeader", 4, {0, 2, 0, 2, 0, 0, 0}, {}},
    {"GeoEntryHeader", 4, {0, 2, 0, 2, 0, 0, 0}, {}},
    {"GridEntry", 11, {1, 0, 1, 2, 3, 3, 1}, {16}},
    {"GeoEntry", 10, {1, 0, 0, 2, 3, 3, 1}, {16}},
    {"JobLSOptions", 64, {14, 5, 7, 1, 34, 0, 3}, {255, 3, 10}},
    {"TraverseHeader", 67, {14, 3, 10, 1, 37, 0, 2}, {100, 10}},
    {"Traverse", 17, {0, 0, 1, 3, 4, 8, 1}, {16}},
    {"RadiationHeader", 17, {5, 0, 4, 2, 4, 2, 0}, {}},
    {"Radiation", 8, {0, 0, 1, 1, 1, 4, 1}, {16}},
    {"Triangles", 24, {0, 0, 0, 0, 9, 15, 0}, {}},
    {"AlphaIDs", 4, {0, 1, 0, 1, 0, 0, 2}, {16, 16}},
    {"PointShift", 8, {0, 0, 0, 1, 0, 7, 0}, {}},
    {"LSOptions", 80, {21, 2, 16, 1, 35, 1, 4}, {100, 255, 20, 10}},
    {"LSPoints", 17, {4, 2, 1, 1, 3, 3, 3}, {16, 1, 2}},
    {"LSObsGen", 11, {1, 1, 1, 3, 0, 5, 0}, {}},
    {"LSObs3D", 12, {1, 1, 1, 2, 0, 7, 0}, {}},
    {"LSCoordObs", 9, {0, 1, 1, 1, 0, 6, 0}, {}},
    {"LSVectors", 14, {0, 1, 1, 2, 0, 10, 0}, {}},
    {"LSLocalisation", 59, {0, 0, 1, 0, 0, 57, 1}, {100}},
};

class CatalogueData : public ::testing::Test {
 protected:
  void SetUp() override { FillCatalogue(catalogue_); }
  // The definition at 1-based `position` of a list.
  const TableFieldDef& At(std::string_view list, int position) {
    for (const ListMember& m : DeclaredLists()) {
      if (m.list == list) return (catalogue_.*m.member).at(static_cast<std::size_t>(position) - 1);
    }
    throw std::invalid_argument(std::string(list));
  }
  TableCatalogue catalogue_;
};

TEST_F(CatalogueData, ListsHoldTheirCountsTypesAndTextSizesAndSumTo507) {
  ASSERT_EQ(FilledLists().size(), kShapes.size());
  int total = 0;
  for (std::size_t i = 0; i < kShapes.size(); ++i) {
    const ListShape& shape = kShapes[i];
    SCOPED_TRACE(shape.list);
    EXPECT_EQ(FilledLists()[i].list, shape.list);
    std::array<int, 7> per_type{};
    std::vector<int> text_sizes;
    std::set<std::string> names;
    for (const TableFieldDef& def : catalogue_.*FilledLists()[i].member) {
      const auto* type = std::find(kTypes.begin(), kTypes.end(), def.fieldType);
      ASSERT_NE(type, kTypes.end()) << def.fieldName << " has type " << def.fieldType;
      ++per_type[static_cast<std::size_t>(type - kTypes.begin())];
      if (def.fieldType == dbText) {
        text_sizes.push_back(def.fieldSiz);
      } else {
        EXPECT_EQ(def.fieldSiz, 0) << def.fieldName;
      }
      EXPECT_TRUE(names.insert(def.fieldName).second) << "repeats " << def.fieldName;
      EXPECT_EQ(def.fieldName.find_first_of(" `|"), std::string::npos) << def.fieldName;
    }
    EXPECT_EQ(static_cast<int>(names.size()), shape.fields);
    EXPECT_EQ(per_type, shape.per_type);
    EXPECT_EQ(text_sizes, shape.text_sizes);
    total += static_cast<int>(names.size());
  }
  EXPECT_EQ(total, 507);
  EXPECT_EQ(total, kFieldDefinitions);
  EXPECT_EQ(JobLevelLists().size(), 16u);
  EXPECT_EQ(LeastSquaresLists().size(), 7u);
  EXPECT_TRUE(catalogue_.SecondAlphaIDs.empty());
}

// Fields that look alike across lists but differ in type, place or spelling; the odd spellings
// are kept as the job files hold them.
TEST_F(CatalogueData, LookAlikeFieldsKeepTheirOwnPlaceTypeAndSpelling) {
  struct Spot {
    std::string_view list;
    int position;
    std::string_view name;
    int type;
  };
  const Spot spots[] = {
      {"Points", 10, "N_Value", dbSingle},
      {"JobDetails", 15, "NValue", dbSingle},
      {"Triangles", 3, "Nvalue1", dbSingle},
      {"JobDetails", 36, "SwapGeiodEW", dbBoolean},
      {"LSPoints", 17, "Fixed", dbByte},
      {"LSOptions", 43, "SlopeDisPPM", dbSingle},
      {"TraverseHeader", 35, "SlopeDisConst", dbSingle},
      {"Traverse", 1, "RecordNo", dbInteger},
      {"TraverseHeader", 3, "TotalPages", dbInteger},
      {"GridEntry", 1, "RecordNo", dbLong},
      {"GridEntry", 8, "Fixed", dbBoolean},
      {"LSObs3D", 7, "Refrac_PPM", dbDouble},
      {"LSObsGen", 11, "Fix", dbBoolean},
      {"LSOptions", 80, "SavePtEntryOpt", dbInteger},
      {"JobLSOptions", 41, "AngleTgtCentr", dbSingle},
      {"LSLocalisation", 9, "Localisation_Points", dbInteger},
  };
  for (const Spot& spot : spots) {
    const TableFieldDef& def = At(spot.list, spot.position);
    EXPECT_EQ(def.fieldName, spot.name) << spot.list << " " << spot.position;
    EXPECT_EQ(def.fieldType, spot.type) << spot.list << " " << spot.name;
  }
  // The covariance runs row by row after the localisation's description.
  for (int position = 11; position <= 59; ++position) {
    const int row = (position - 11) / 7 + 1;
    const int col = (position - 11) % 7 + 1;
    EXPECT_EQ(At("LSLocalisation", position).fieldName,
              "Localisation_CoVar" + std::to_string(row * 10 + col));
  }
}

TEST(StoreFieldDef, GrowsOrCutsTheListToThePositionAndRefusesOneOutsideTheCounter) {
  TableFieldList list{{"PointNo", dbLong, 0}};
  // A position past the end leaves empty entries between; an earlier one cuts the list there.
  std::int16_t index = 4;
  StoreFieldDef(list, index, "Z", dbDouble, 0);
  EXPECT_EQ(index, 5);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_TRUE(list[2].fieldName.empty());
  index = 2;
  StoreFieldDef(list, index, "Description", dbText, 16);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].fieldName, "PointNo");
  EXPECT_EQ(list[1].fieldSiz, 16);

  index = -3;
  EXPECT_NRX_ERROR(err::kSubscript, StoreFieldDef(list, index, "X", dbDouble, 0));
  EXPECT_EQ(list.size(), 2u);
  // The last position a 16-bit counter reaches is stored, but the counter cannot go past it.
  index = 32767;
  EXPECT_NRX_ERROR(err::kOverflow, StoreFieldDef(list, index, "Last", dbByte, 0));
  EXPECT_EQ(index, 32767);
  ASSERT_EQ(list.size(), 32767u);
  EXPECT_EQ(list.back().fieldName, "Last");
}

}  // namespace
}  // namespace nrx::catalogue
