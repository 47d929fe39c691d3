// The catalogue's data: list counts, fill and declaration order, types and sizes, and the routine
// that stores one definition.

#include <gtest/gtest.h>

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

// Per list: its field count and how many fields it holds of each type, in the order Boolean,
// Byte, Integer, Long, Single, Double, Text. A field whose type was miscopied changes one of
// these counts.
struct ListShape {
  std::string list;
  int fields;
  std::array<int, 7> per_type;
};

const std::vector<ListShape> kShapes = {
    {"JobDetails", 36, {3, 3, 6, 5, 4, 4, 11}},
    {"DisplaySettings", 12, {0, 0, 4, 2, 2, 4, 0}},
    {"Points", 16, {1, 4, 1, 1, 3, 3, 3}},
    {"Lines", 3, {0, 0, 1, 2, 0, 0, 0}},
    {"GridEntryHeader", 4, {0, 2, 0, 2, 0, 0, 0}},
    {"GeoEntryHeader", 4, {0, 2, 0, 2, 0, 0, 0}},
    {"GridEntry", 11, {1, 0, 1, 2, 3, 3, 1}},
    {"GeoEntry", 10, {1, 0, 0, 2, 3, 3, 1}},
    {"JobLSOptions", 64, {14, 5, 7, 1, 34, 0, 3}},
    {"TraverseHeader", 67, {14, 3, 10, 1, 37, 0, 2}},
    {"Traverse", 17, {0, 0, 1, 3, 4, 8, 1}},
    {"RadiationHeader", 17, {5, 0, 4, 2, 4, 2, 0}},
    {"Radiation", 8, {0, 0, 1, 1, 1, 4, 1}},
    {"Triangles", 24, {0, 0, 0, 0, 9, 15, 0}},
    {"AlphaIDs", 4, {0, 1, 0, 1, 0, 0, 2}},
    {"PointShift", 8, {0, 0, 0, 1, 0, 7, 0}},
    {"LSOptions", 80, {21, 2, 16, 1, 35, 1, 4}},
    {"LSPoints", 17, {4, 2, 1, 1, 3, 3, 3}},
    {"LSObsGen", 11, {1, 1, 1, 3, 0, 5, 0}},
    {"LSObs3D", 12, {1, 1, 1, 2, 0, 7, 0}},
    {"LSCoordObs", 9, {0, 1, 1, 1, 0, 6, 0}},
    {"LSVectors", 14, {0, 1, 1, 2, 0, 10, 0}},
    {"LSLocalisation", 59, {0, 0, 1, 0, 0, 57, 1}},
};

int TypeSlot(int type) {
  switch (type) {
    case dbBoolean:
      return 0;
    case dbByte:
      return 1;
    case dbInteger:
      return 2;
    case dbLong:
      return 3;
    case dbSingle:
      return 4;
    case dbDouble:
      return 5;
    case dbText:
      return 6;
    default:
      return -1;
  }
}

const TableFieldList& List(const TableCatalogue& catalogue, std::string_view name) {
  for (const ListMember& m : DeclaredLists()) {
    if (m.list == name) return catalogue.*m.member;
  }
  throw std::invalid_argument("no list " + std::string(name));
}

// The definition at 1-based `position` of a list.
const TableFieldDef& At(const TableCatalogue& catalogue, std::string_view list, int position) {
  return List(catalogue, list).at(static_cast<std::size_t>(position) - 1);
}

// Position (1-based) of a field in a list, 0 when absent.
int PositionOf(const TableCatalogue& catalogue, std::string_view list, std::string_view field) {
  const TableFieldList& l = List(catalogue, list);
  for (std::size_t i = 0; i < l.size(); ++i) {
    if (l[i].fieldName == field) return static_cast<int>(i) + 1;
  }
  return 0;
}

class CatalogueData : public ::testing::Test {
 protected:
  void SetUp() override { FillCatalogue(catalogue_); }
  TableCatalogue catalogue_;
};

TEST_F(CatalogueData, ListsHoldTheirCountsAndTypesAndSumTo507) {
  ASSERT_EQ(FilledLists().size(), kShapes.size());
  int total = 0;
  for (std::size_t i = 0; i < kShapes.size(); ++i) {
    const ListShape& shape = kShapes[i];
    SCOPED_TRACE(shape.list);
    // kShapes is in fill order, so this also checks the order of the lists.
    EXPECT_EQ(FilledLists()[i].list, shape.list);
    const TableFieldList& list = List(catalogue_, shape.list);
    EXPECT_EQ(static_cast<int>(list.size()), shape.fields);
    std::array<int, 7> per_type{};
    for (const TableFieldDef& def : list) {
      const int slot = TypeSlot(def.fieldType);
      ASSERT_GE(slot, 0) << def.fieldName << " has type " << def.fieldType;
      ++per_type[static_cast<std::size_t>(slot)];
    }
    EXPECT_EQ(per_type, shape.per_type);
    total += static_cast<int>(list.size());
  }
  EXPECT_EQ(total, 507);
  EXPECT_EQ(total, kFieldDefinitions);
  EXPECT_EQ(JobLevelLists().size(), 16u);
  EXPECT_EQ(LeastSquaresLists().size(), 7u);
  EXPECT_TRUE(catalogue_.SecondAlphaIDs.empty());
}

TEST_F(CatalogueData, EveryTextFieldHasItsSizeAndNoOtherFieldHasOne) {
  struct TextField {
    std::string list;
    int position;
    std::string name;
    int size;
  };
  const std::vector<TextField> texts = {
      {"JobDetails", 2, "Description", 255},
      {"JobDetails", 3, "Surveyor", 60},
      {"JobDetails", 4, "Date", 25},
      {"JobDetails", 5, "Reference", 60},
      {"JobDetails", 9, "Projection", 10},
      {"JobDetails", 11, "Spheroid", 10},
      {"JobDetails", 13, "DatumH", 10},
      {"JobDetails", 14, "DatumV", 10},
      {"JobDetails", 27, "InterpMethod", 22},
      {"JobDetails", 30, "TransType", 60},
      {"JobDetails", 31, "GridFile", 255},
      {"Points", 5, "Description", 16},
      {"Points", 8, "PointType", 1},
      {"Points", 9, "Derivation", 2},
      {"GridEntry", 6, "Description", 16},
      {"GeoEntry", 6, "Description", 16},
      {"JobLSOptions", 2, "DataFile", 255},
      {"JobLSOptions", 8, "TravRadAll", 3},
      {"JobLSOptions", 58, "Corrections", 10},
      {"TraverseHeader", 2, "Description", 100},
      {"TraverseHeader", 61, "Corrections", 10},
      {"Traverse", 12, "Description", 16},
      {"Radiation", 8, "Description", 16},
      {"AlphaIDs", 1, "AlphaID", 16},
      {"AlphaIDs", 3, "SwappedCode", 16},
      {"LSOptions", 1, "Description", 100},
      {"LSOptions", 22, "DataFile", 255},
      {"LSOptions", 23, "DataTypeSettings", 20},
      {"LSOptions", 69, "Corrections", 10},
      {"LSPoints", 9, "Description", 16},
      {"LSPoints", 12, "PointType", 1},
      {"LSPoints", 13, "Derivation", 2},
      {"LSLocalisation", 10, "Localisation_Description", 100},
  };
  int text_fields = 0;
  for (const ListRows& rows : FilledLists()) {
    for (const TableFieldDef& def : catalogue_.*rows.member) {
      SCOPED_TRACE(std::string(rows.list) + "." + def.fieldName);
      if (def.fieldType == dbText) {
        ++text_fields;
        EXPECT_GT(def.fieldSiz, 0);
      } else {
        EXPECT_EQ(def.fieldSiz, 0);
      }
    }
  }
  EXPECT_EQ(text_fields, static_cast<int>(texts.size()));
  for (const TextField& t : texts) {
    SCOPED_TRACE(t.list + "." + t.name);
    const TableFieldDef& def = At(catalogue_, t.list, t.position);
    EXPECT_EQ(def.fieldName, t.name);
    EXPECT_EQ(def.fieldType, dbText);
    EXPECT_EQ(def.fieldSiz, t.size);
  }
}

TEST_F(CatalogueData, NamesAreUniqueWithinEachList) {
  for (const ListRows& rows : FilledLists()) {
    std::set<std::string> seen;
    for (const TableFieldDef& def : catalogue_.*rows.member) {
      EXPECT_TRUE(seen.insert(def.fieldName).second) << rows.list << " repeats " << def.fieldName;
      EXPECT_FALSE(def.fieldName.empty());
      EXPECT_EQ(def.fieldName.find_first_of(" `|"), std::string::npos) << def.fieldName;
    }
  }
}

// Fields that look alike across lists but differ in type, place or spelling.
TEST_F(CatalogueData, LookAlikeFieldsKeepTheirOwnTypeOrderAndSpelling) {
  // The point lists: Fixed is a Byte in both; the axis flags are Byte in Points only.
  for (const char* flag : {"Fixed", "FixE", "FixN", "FixHt"}) {
    EXPECT_EQ(At(catalogue_, "Points", PositionOf(catalogue_, "Points", flag)).fieldType, dbByte)
        << flag;
  }
  EXPECT_EQ(At(catalogue_, "LSPoints", 17).fieldName, "Fixed");
  EXPECT_EQ(At(catalogue_, "LSPoints", 17).fieldType, dbByte);
  for (int pos : {3, 4, 5}) EXPECT_EQ(At(catalogue_, "LSPoints", pos).fieldType, dbBoolean);
  EXPECT_EQ(At(catalogue_, "LSPoints", 1).fieldName, "Flag");

  // SlopeDisPPM before SlopeDisConst, except in the traverse header.
  for (const char* list : {"JobLSOptions", "LSOptions"}) {
    EXPECT_EQ(PositionOf(catalogue_, list, "SlopeDisPPM") + 1,
              PositionOf(catalogue_, list, "SlopeDisConst"))
        << list;
  }
  EXPECT_EQ(PositionOf(catalogue_, "TraverseHeader", "SlopeDisConst"), 35);
  EXPECT_EQ(PositionOf(catalogue_, "TraverseHeader", "SlopeDisPPM"), 36);

  // Record and page numbers are Integer in the traverse and radiation lists, Long elsewhere.
  EXPECT_EQ(At(catalogue_, "Traverse", 1).fieldType, dbInteger);
  EXPECT_EQ(At(catalogue_, "Radiation", 1).fieldType, dbInteger);
  EXPECT_EQ(At(catalogue_, "RadiationHeader", 1).fieldType, dbInteger);
  EXPECT_EQ(At(catalogue_, "GridEntry", 1).fieldType, dbLong);
  EXPECT_EQ(At(catalogue_, "GeoEntryHeader", 1).fieldType, dbLong);
  EXPECT_EQ(At(catalogue_, "TraverseHeader", 3).fieldName, "TotalPages");
  EXPECT_EQ(At(catalogue_, "TraverseHeader", 3).fieldType, dbInteger);
  EXPECT_EQ(At(catalogue_, "GridEntryHeader", 4).fieldType, dbLong);

  // GeoEntry has no Zone, so its fields after Description sit one place earlier than GridEntry's.
  EXPECT_EQ(PositionOf(catalogue_, "GeoEntry", "Zone"), 0);
  EXPECT_EQ(At(catalogue_, "GeoEntry", 7).fieldName, "Fixed");
  EXPECT_EQ(At(catalogue_, "GridEntry", 8).fieldName, "Fixed");
  EXPECT_EQ(At(catalogue_, "GridEntry", 8).fieldType, dbBoolean);

  // The names are kept exactly as the job files hold them, odd spellings included.
  EXPECT_EQ(At(catalogue_, "JobDetails", 36).fieldName, "SwapGeiodEW");
  EXPECT_EQ(At(catalogue_, "JobDetails", 36).fieldType, dbBoolean);
  EXPECT_EQ(At(catalogue_, "Points", 10).fieldName, "N_Value");
  EXPECT_EQ(At(catalogue_, "JobDetails", 15).fieldName, "NValue");
  EXPECT_EQ(At(catalogue_, "LSObs3D", 7).fieldName, "Refrac_PPM");
  EXPECT_EQ(At(catalogue_, "Triangles", 3).fieldName, "Nvalue1");
  EXPECT_EQ(At(catalogue_, "JobLSOptions", 41).fieldName, "AngleTgtCentr");
  EXPECT_EQ(At(catalogue_, "PointShift", 4).fieldName, "ReScale");
  EXPECT_EQ(At(catalogue_, "PointShift", 6).fieldType, dbLong);
  EXPECT_EQ(At(catalogue_, "LSObsGen", 11).fieldName, "Fix");
  EXPECT_EQ(At(catalogue_, "LSObsGen", 11).fieldType, dbBoolean);
  EXPECT_EQ(At(catalogue_, "LSVectors", 14).fieldName, "Scalar");
  EXPECT_EQ(At(catalogue_, "LSOptions", 80).fieldName, "SavePtEntryOpt");
  EXPECT_EQ(At(catalogue_, "LSOptions", 80).fieldType, dbInteger);
}

TEST_F(CatalogueData, LocalisationCovarianceRunsRowByRow) {
  EXPECT_EQ(At(catalogue_, "LSLocalisation", 9).fieldName, "Localisation_Points");
  EXPECT_EQ(At(catalogue_, "LSLocalisation", 9).fieldType, dbInteger);
  int position = 11;
  for (int row = 1; row <= 7; ++row) {
    for (int col = 1; col <= 7; ++col, ++position) {
      const TableFieldDef& def = At(catalogue_, "LSLocalisation", position);
      EXPECT_EQ(def.fieldName, "Localisation_CoVar" + std::to_string(row * 10 + col));
      EXPECT_EQ(def.fieldType, dbDouble);
    }
  }
  EXPECT_EQ(position - 1, 59);
}

TEST(CatalogueOrder, MembersAreDeclaredInTheirOrderAndNamedAfterThemselves) {
  const std::vector<std::string> declared = {
      "JobDetails",      "Points",         "Lines",     "DisplaySettings", "TraverseHeader",
      "Traverse",        "LSOptions",      "LSPoints",  "LSObsGen",        "LSCoordObs",
      "GridEntryHeader", "GeoEntryHeader", "GridEntry", "GeoEntry",        "RadiationHeader",
      "Radiation",       "JobLSOptions",   "Triangles", "SecondAlphaIDs",  "AlphaIDs",
      "PointShift",      "LSObs3D",        "LSVectors", "LSLocalisation"};
  TableCatalogue catalogue;
  const TableFieldList* previous = nullptr;
  std::set<const TableFieldList*> members;
  ASSERT_EQ(DeclaredLists().size(), declared.size());
  for (std::size_t i = 0; i < declared.size(); ++i) {
    EXPECT_EQ(DeclaredLists()[i].list, declared[i]);
    const TableFieldList* member = &(catalogue.*DeclaredLists()[i].member);
    members.insert(member);
    // Members of one struct are laid out in declaration order.
    if (previous) {
      EXPECT_LT(reinterpret_cast<std::uintptr_t>(previous),
                reinterpret_cast<std::uintptr_t>(member))
          << declared[i];
    }
    previous = member;
  }
  EXPECT_EQ(members.size(), declared.size());
  // Each filled list names the member it fills.
  for (const ListRows& rows : FilledLists()) {
    int matches = 0;
    for (const ListMember& m : DeclaredLists()) {
      if (m.member == rows.member) {
        ++matches;
        EXPECT_EQ(m.list, rows.list);
      }
    }
    EXPECT_EQ(matches, 1) << rows.list;
  }
}

TEST(CatalogueFill, StoresEachListFromPositionOneInTableOrder) {
  struct Call {
    const TableFieldList* list;
    std::int16_t index;
    std::string name;
  };
  TableCatalogue catalogue;
  std::vector<Call> calls;
  FillCatalogue(catalogue,
                [&](TableFieldList& list, std::int16_t& index, const std::string& fieldName,
                    std::int16_t fieldType, std::int16_t fieldSiz) {
                  calls.push_back({&list, index, fieldName});
                  StoreFieldDef(list, index, fieldName, fieldType, fieldSiz);
                });
  ASSERT_EQ(calls.size(), 507u);
  std::size_t next = 0;
  for (const ListRows& rows : FilledLists()) {
    const TableFieldList* member = &(catalogue.*rows.member);
    for (std::size_t i = 0; i < rows.rows.size(); ++i, ++next) {
      ASSERT_EQ(calls[next].list, member) << rows.list << " call " << next;
      EXPECT_EQ(calls[next].index, static_cast<std::int16_t>(i + 1));
      EXPECT_EQ(calls[next].name, rows.rows[i].name);
    }
  }
}

TEST(StoreFieldDef, GrowsToThePositionStoresAndAdvances) {
  TableFieldList list;
  std::int16_t index = 1;
  StoreFieldDef(list, index, "PointNo", dbLong, 0);
  StoreFieldDef(list, index, "Description", dbText, 16);
  EXPECT_EQ(index, 3);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].fieldName, "Description");
  EXPECT_EQ(list[1].fieldType, dbText);
  EXPECT_EQ(list[1].fieldSiz, 16);

  // A position past the end leaves empty entries between; an earlier one cuts the list there.
  index = 5;
  StoreFieldDef(list, index, "Z", dbDouble, 0);
  EXPECT_EQ(index, 6);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].fieldName, "PointNo");
  EXPECT_TRUE(list[2].fieldName.empty());
  index = 2;
  StoreFieldDef(list, index, "X", dbDouble, 0);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].fieldName, "PointNo");
  EXPECT_EQ(list[1].fieldName, "X");
  EXPECT_EQ(index, 3);
}

TEST(StoreFieldDef, PositionOutsideTheCounterIsAnError) {
  TableFieldList list{{"PointNo", dbLong, 0}};
  std::int16_t index = 0;
  EXPECT_NRX_ERROR(err::kSubscript, StoreFieldDef(list, index, "X", dbDouble, 0));
  index = -3;
  EXPECT_NRX_ERROR(err::kSubscript, StoreFieldDef(list, index, "X", dbDouble, 0));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].fieldName, "PointNo");

  // The last position a 16-bit counter reaches is stored, but the counter cannot go past it.
  index = 32767;
  EXPECT_NRX_ERROR(err::kOverflow, StoreFieldDef(list, index, "Last", dbByte, 0));
  EXPECT_EQ(index, 32767);
  ASSERT_EQ(list.size(), 32767u);
  EXPECT_EQ(list.back().fieldName, "Last");
}

}  // namespace
}  // namespace nrx::catalogue
