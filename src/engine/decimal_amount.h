#pragma once
// Amounts read from plain decimal texts digit by digit, so that no binary fraction rounds them:
// the runtime's conversion of a text and the SQL dialect's exact literals share this reading.

#include <optional>
#include <string_view>

#include "nrxJobDb/variant.h"

namespace nrx::detail {

// A sign, digits and at most one point, blanks or tabs around ("-12.34567"): the amount, rounded
// half to even at the fourth decimal as the runtime rounds; nullopt for any other form (exponents
// and hexadecimal go through the number reader), and with `exact_only` for a text whose digits go
// beyond the fourth decimal (trailing zeros aside). Raises 6 beyond the Currency range.
std::optional<Currency> ReadDecimalAmount(std::string_view text, bool exact_only = false);

}  // namespace nrx::detail
