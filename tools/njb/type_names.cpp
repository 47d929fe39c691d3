#include "type_names.h"

#include <fmt/format.h>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/name_table.h"

namespace njb {

namespace {

constexpr nrx::Named<int> kTypeNames[] = {
    {nrx::dbBoolean, "Boolean"}, {nrx::dbByte, "Byte"},     {nrx::dbInteger, "Integer"},
    {nrx::dbLong, "Long"},       {nrx::dbSingle, "Single"}, {nrx::dbDouble, "Double"},
    {nrx::dbText, "Text"},       {nrx::dbCurrency, "Currency"}, {nrx::dbDate, "Date"},
    {nrx::dbLongBinary, "LongBinary"}, {nrx::dbMemo, "Memo"},
};

}  // namespace

std::string FieldTypeName(int type) {
  if (auto name = nrx::FindName(kTypeNames, type)) return std::string(*name);
  return fmt::format("Type{}", type);
}

}  // namespace njb
