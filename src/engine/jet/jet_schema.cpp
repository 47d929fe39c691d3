#include "engine/jet/jet_schema.h"

#include <fmt/format.h>

#include <algorithm>

#include "nrxJobDb/engine.h"

namespace nrx::detail::jet {
namespace {

// Digits a double carries through its shortest text unchanged.
constexpr int kDoubleDigits = 15;
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
constexpr int kGuidLength = 38;

int SameType(int jetType) {
  switch (jetType) {
    case kJetBoolean: return dbBoolean;
    case kJetByte: return dbByte;
    case kJetInteger: return dbInteger;
    case kJetLong: return dbLong;
    case kJetMoney: return dbCurrency;
    case kJetSingle: return dbSingle;
    case kJetDouble: return dbDouble;
    case kJetDateTime: return dbDate;
    case kJetText: return dbText;
    case kJetOle: return dbLongBinary;
    case kJetMemo: return dbMemo;
    default: return 0;
  }
}

}  // namespace

FieldMapping MapColumn(const JetColumn& column) {
  FieldMapping m;
  m.field.name = column.name;
  m.field.required = column.required;
  m.field.allow_zero_length = column.allow_zero_length;
  m.field.type = SameType(column.type);
  switch (column.type) {
    case kJetText: m.field.size = std::clamp(column.size, 1, 255); break;
    case kJetBinary:
      m.field.type = dbLongBinary;
      m.changed_from = "Binary";
      break;
    case kJetGuid:
      m.field.type = dbText;
      m.field.size = kGuidLength;
      m.changed_from = "GUID";
      break;
    case kJetNumeric:
      // A decimal that a double holds exactly stays a number; a longer one keeps its digits.
      m.field.type = column.precision <= kDoubleDigits ? dbDouble : dbText;
      if (m.field.type == dbText) m.field.size = column.precision + 2;  // sign and point
      m.changed_from = fmt::format("Decimal({},{})", column.precision, column.scale);
      break;
    default:
      if (m.field.type == 0) {
        m.field.type = dbMemo;
        m.changed_from = fmt::format("Jet type {}", column.type);
      }
  }
  if (m.field.type != dbText) m.field.size = DefaultSize(m.field.type);
  if (column.auto_number && m.changed_from.empty()) m.changed_from = "AutoNumber";
  return m;
}

}  // namespace nrx::detail::jet
