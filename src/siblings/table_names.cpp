#include "nrxJobDb/table_names.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace nrx::model {
namespace {

using Getter = const std::string& (TableNames::*)() const;

constexpr std::array<Getter, 16> kWholeNames = {
    &TableNames::JobDetailsTable,      &TableNames::DisplaySettingsTable,
    &TableNames::LinesTable,           &TableNames::PointsTable,
    &TableNames::LSPointsTable,        &TableNames::GridEntryHeaderTable,
    &TableNames::GeoEntryHeaderTable,  &TableNames::GridEntryTable,
    &TableNames::GeoEntryTable,        &TableNames::JobLSOptionsTable,
    &TableNames::RadiationHeaderTable, &TableNames::RadiationTable,
    &TableNames::TrianglesTable,       &TableNames::AlphaIDsTable,
    &TableNames::AlphaIDs2Table,       &TableNames::PointShiftTable,
};

// In the order table creation tests them.
constexpr std::array<Getter, 7> kLeastSquaresPrefixes = {
    &TableNames::LSOptionsPrefix,      &TableNames::LSPointsPrefix,   &TableNames::LSObsGenPrefix,
    &TableNames::LSObs3DPrefix,        &TableNames::LSCoordObsPrefix, &TableNames::LSVectorsPrefix,
    &TableNames::LSLocalisationPrefix,
};

constexpr std::string_view kLeastSquaresStart = "LS_";
// A data-set number as table names carry it.
constexpr std::string_view kSampleSuffix = "12";

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

std::string PrefixRule(const TableNames& names) {
  std::vector<std::string> prefixes = {names.TraverseHeaderPrefix(), names.TraversePrefix()};
  for (Getter get : kLeastSquaresPrefixes) prefixes.push_back((names.*get)());
  for (const std::string& prefix : prefixes) {
    if (prefix.empty()) return "A table name prefix is empty.";
  }
  for (Getter get : kWholeNames) {
    const std::string& name = (names.*get)();
    if (name.empty()) return "A table name is empty.";
    for (const std::string& prefix : prefixes) {
      if (StartsWith(name, prefix)) {
        return fmt::format("The table name '{}' begins with the prefix '{}'.", name, prefix);
      }
    }
  }
  return {};
}

std::string TraverseRule(const TableNames& names) {
  if (StartsWith(names.TraverseHeaderPrefix(), names.TraversePrefix())) return {};
  return fmt::format(
      "The traverse header prefix '{}' does not begin with the traverse prefix '{}'.",
      names.TraverseHeaderPrefix(), names.TraversePrefix());
}

std::string LeastSquaresRule(const TableNames& names) {
  for (std::size_t i = 0; i < kLeastSquaresPrefixes.size(); ++i) {
    const std::string& prefix = (names.*kLeastSquaresPrefixes[i])();
    if (!StartsWith(prefix, kLeastSquaresStart)) {
      return fmt::format("The least-squares prefix '{}' does not begin with '{}'.", prefix,
                         kLeastSquaresStart);
    }
    std::string table = prefix + std::string(kSampleSuffix);
    for (std::size_t j = 0; j < i; ++j) {
      const std::string& earlier = (names.*kLeastSquaresPrefixes[j])();
      if (table.find(earlier) != std::string::npos) {
        return fmt::format("The table '{}' contains the earlier least-squares prefix '{}'.", table,
                           earlier);
      }
    }
  }
  return {};
}

std::string QueryRule(const TableNames& names) {
  const std::string& query = names.LSPointsQuery();
  std::string start = query.substr(0, 7);
  std::transform(start.begin(), start.end(), start.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (start != "SELECT ") {
    return fmt::format("The points query '{}' is not a selection.", query);
  }
  if (query.find(names.PointsTable()) == std::string::npos) {
    return fmt::format("The points query '{}' does not name the points table '{}'.", query,
                       names.PointsTable());
  }
  return {};
}

}  // namespace

TableNames& TableNames::Instance() {
  static TableNames names;
  return names;
}

std::string TableNames::BrokenRule() const {
  for (auto rule : {PrefixRule, TraverseRule, LeastSquaresRule, QueryRule}) {
    std::string broken = rule(*this);
    if (!broken.empty()) return broken;
  }
  return {};
}

}  // namespace nrx::model
