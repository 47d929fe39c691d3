#include "catalogue/table_kinds.h"

#include <array>

namespace nrx::catalogue {
namespace {

using model::TableNames;

constexpr IndexDef kLineIndexes[] = {
    {nullptr, "Line_Index", "Point1;Point2", true, true, false},
    {nullptr, "Line_Pt1Index", "Point1", false, false, false},
    {nullptr, "Line_Pt2Index", "Point2", false, false, false},
};
// The points table is kept, without its primary index, when that index cannot be built: the
// table is what its callers go on to open.
constexpr IndexDef kPointIndexes[] = {{&TableNames::PointIndex, {}, "PointNo", true, false, true}};
constexpr IndexDef kPageIndexes[] = {{nullptr, "PageNo_Index", "PageNo", true, false, false}};
constexpr IndexDef kRecordIndexes[] = {{nullptr, "RecordNo_Index", "RecordNo", true, false, false}};
constexpr IndexDef kTriangleIndexes[] = {
    {&TableNames::TrianglesIndex, {}, "CentroidE;CentroidN", false, false, false}};
constexpr IndexDef kLSPointIndexes[] = {
    {&TableNames::LSPointIndex, {}, "PointNo", true, false, false}};

constexpr CheckedIndex kTrianglesChecked{&TableNames::TrianglesIndex, "CentroidE, CentroidN",
                                         false};
constexpr CheckedIndex kAlphaIDsChecked{&TableNames::AlphaIDIndex, "PointNum", false};
constexpr CheckedIndex kLSPointsChecked{&TableNames::LSPointIndex, "PointNo", true};

constexpr std::string_view kAlphaIDTexts[] = {"AlphaID", "SwappedCode"};

constexpr Family kWhole = Family::kWholeName;
constexpr Family kTrav = Family::kTraverse;
constexpr Family kLS = Family::kLeastSquares;

// clang-format off
using C = TableCatalogue;
using N = TableNames;

// One kind a line, in the order names are tested.
const std::array<TableKind, 24> kKinds = {{
    {"JobDetails", &C::JobDetails, &N::JobDetailsTable, kWhole, nullptr, {}, nullptr, {}},
    {"DisplaySettings", &C::DisplaySettings, &N::DisplaySettingsTable, kWhole, nullptr, {}, nullptr, {}},
    {"Lines", &C::Lines, &N::LinesTable, kWhole, nullptr, kLineIndexes, nullptr, {}},
    {"Points", &C::Points, &N::PointsTable, kWhole, &N::LSPointsTable, kPointIndexes, nullptr, {}},
    {"GridEntryHeader", &C::GridEntryHeader, &N::GridEntryHeaderTable, kWhole, nullptr, kPageIndexes, nullptr, {}},
    {"GeoEntryHeader", &C::GeoEntryHeader, &N::GeoEntryHeaderTable, kWhole, nullptr, kPageIndexes, nullptr, {}},
    {"GridEntry", &C::GridEntry, &N::GridEntryTable, kWhole, nullptr, kRecordIndexes, nullptr, {}},
    {"GeoEntry", &C::GeoEntry, &N::GeoEntryTable, kWhole, nullptr, kRecordIndexes, nullptr, {}},
    {"JobLSOptions", &C::JobLSOptions, &N::JobLSOptionsTable, kWhole, nullptr, {}, nullptr, {}},
    {"TraverseHeader", &C::TraverseHeader, &N::TraverseHeaderPrefix, kTrav, nullptr, {}, nullptr, {}},
    {"Traverse", &C::Traverse, &N::TraversePrefix, kTrav, nullptr, kRecordIndexes, nullptr, {}},
    {"RadiationHeader", &C::RadiationHeader, &N::RadiationHeaderTable, kWhole, nullptr, kPageIndexes, nullptr, {}},
    {"Radiation", &C::Radiation, &N::RadiationTable, kWhole, nullptr, kRecordIndexes, nullptr, {}},
    {"Triangles", &C::Triangles, &N::TrianglesTable, kWhole, nullptr, kTriangleIndexes, &kTrianglesChecked, {}},
    {"SecondAlphaIDs", nullptr, &N::AlphaIDs2Table, kWhole, nullptr, {}, nullptr, {}},
    {"AlphaIDs", &C::AlphaIDs, &N::AlphaIDsTable, kWhole, nullptr, {}, &kAlphaIDsChecked, kAlphaIDTexts},
    {"PointShift", &C::PointShift, &N::PointShiftTable, kWhole, nullptr, {}, nullptr, {}},
    {"LSOptions", &C::LSOptions, &N::LSOptionsPrefix, kLS, nullptr, {}, nullptr, {}},
    {"LSPoints", &C::LSPoints, &N::LSPointsPrefix, kLS, nullptr, kLSPointIndexes, &kLSPointsChecked, {}},
    {"LSObsGen", &C::LSObsGen, &N::LSObsGenPrefix, kLS, nullptr, {}, nullptr, {}},
    {"LSObs3D", &C::LSObs3D, &N::LSObs3DPrefix, kLS, nullptr, {}, nullptr, {}},
    {"LSCoordObs", &C::LSCoordObs, &N::LSCoordObsPrefix, kLS, nullptr, {}, nullptr, {}},
    {"LSVectors", &C::LSVectors, &N::LSVectorsPrefix, kLS, nullptr, {}, nullptr, {}},
    {"LSLocalisation", &C::LSLocalisation, &N::LSLocalisationPrefix, kLS, nullptr, {}, nullptr, {}},
}};
// clang-format on

// Every least-squares table name begins with this, whatever the prefixes are.
constexpr std::string_view kLeastSquaresStart = "LS_";

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The traverse or data-set number behind a family prefix. Only the one family that the name's
// beginning points to gets a number; the other stays empty.
struct Suffixes {
  std::string traverse;
  std::string least_squares;
};

Suffixes SuffixesOf(std::string_view tableName, const TableNames& names) {
  Suffixes suffixes;
  if (StartsWith(tableName, names.TraversePrefix())) {
    // The header prefix begins with the traverse prefix, so a header name starts both ways.
    const std::string& prefix = Contains(tableName, names.TraverseHeaderPrefix())
                                    ? names.TraverseHeaderPrefix()
                                    : names.TraversePrefix();
    suffixes.traverse = std::string(tableName.substr(prefix.size()));
  } else if (StartsWith(tableName, kLeastSquaresStart)) {
    for (const TableKind& kind : kKinds) {
      if (kind.family != Family::kLeastSquares) continue;
      const std::string& prefix = NameOf(kind.name, names);
      if (Contains(tableName, prefix)) {
        suffixes.least_squares = std::string(tableName.substr(prefix.size()));
        break;
      }
    }
  }
  return suffixes;
}

}  // namespace

std::span<const TableKind> TableKinds() { return kKinds; }

const TableKind* KindOfList(std::string_view list) {
  for (const TableKind& kind : kKinds) {
    if (kind.list == list) return &kind;
  }
  return nullptr;
}

const std::string& NameOf(NameProperty property, const TableNames& names) {
  return (names.*property)();
}

std::string IndexName(const IndexDef& index, const TableNames& names) {
  return index.name_property ? NameOf(index.name_property, names) : std::string(index.name);
}

const TableKind* KindOfExistingTable(std::string_view tableName, const TableNames& names) {
  for (const TableKind& kind : kKinds) {
    const std::string& text = NameOf(kind.name, names);
    if (kind.IsPrefix() ? StartsWith(tableName, text) : tableName == text) return &kind;
  }
  return nullptr;
}

const TableKind* KindOfNewTable(std::string_view tableName, const TableNames& names) {
  const Suffixes suffixes = SuffixesOf(tableName, names);
  for (const TableKind& kind : kKinds) {
    const std::string& text = NameOf(kind.name, names);
    bool match = false;
    switch (kind.family) {
      case Family::kWholeName:
        match = tableName == text ||
                (kind.also_created_as && tableName == NameOf(kind.also_created_as, names));
        break;
      case Family::kTraverse:
        match = tableName == text + suffixes.traverse;
        break;
      case Family::kLeastSquares:
        match = tableName == text + suffixes.least_squares;
        break;
    }
    if (match) return &kind;
  }
  return nullptr;
}

}  // namespace nrx::catalogue
