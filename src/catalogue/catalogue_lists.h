#pragma once
// The field lists of the table catalogue, kept as constant data, and the one routine that turns
// them into the list members of a TableCatalogue.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "nrxJobDb/table_catalogue.h"

namespace nrx::catalogue {

// One field definition as the data holds it. Type codes and sizes are 16-bit because that is
// how they reach SetTableArrayValues.
struct FieldRow {
  std::string_view name;
  std::int16_t type;
  std::int16_t size;  // Text: maximum characters; 0 otherwise
};

// A list of the catalogue: its member's name, the member itself and its fields in table order.
struct ListRows {
  std::string_view list;
  TableFieldList TableCatalogue::*member;
  std::span<const FieldRow> rows;
};

// A list member and its name.
struct ListMember {
  std::string_view list;
  TableFieldList TableCatalogue::*member;
};

inline constexpr int kListMembers = 24;
inline constexpr int kFilledLists = 23;
inline constexpr int kFieldDefinitions = 507;

// All 24 list members in declaration order, the unfilled SecondAlphaIDs included.
const std::array<ListMember, kListMembers>& DeclaredLists();

// The 16 job-level lists, then the 7 least-squares data-set lists, each in the order in which
// SetupTableArrays fills them.
std::span<const ListRows> JobLevelLists();
std::span<const ListRows> LeastSquaresLists();
// The 23 filled lists in fill order: JobLevelLists() followed by LeastSquaresLists().
std::span<const ListRows> FilledLists();

// The shape of SetTableArrayValues: store one definition at position `index` (1-based) of
// `list` and advance `index`.
using StoreField =
    std::function<void(TableFieldList& list, std::int16_t& index, const std::string& fieldName,
                       std::int16_t fieldType, std::int16_t fieldSiz)>;

// Resizes `list` to `index` entries (keeping those below, dropping those above), stores the
// definition as entry `index` and adds 1 to `index`. Raises 9 when `index` is below 1, and 6
// after storing when `index` cannot be advanced past 32767.
void StoreFieldDef(TableFieldList& list, std::int16_t& index, std::string_view fieldName,
                   std::int16_t fieldType, std::int16_t fieldSiz);

// Fills the 23 lists of `catalogue` in fill order: for each list a counter starts at 1 and
// `store` is called once per field, in table order. The lists are expected to be empty.
void FillCatalogue(TableCatalogue& catalogue, const StoreField& store);
// The same through StoreFieldDef.
void FillCatalogue(TableCatalogue& catalogue);

// Erases every one of the 24 list members.
void ClearCatalogue(TableCatalogue& catalogue);

}  // namespace nrx::catalogue
