#include <charconv>

#include "engine/dialect.h"
#include "engine/dialect/function_args.h"

namespace nrx::dialect {

void RegisterFunctions(sqlite3* db) {
  functions::RegisterNumericFunctions(db);
  functions::RegisterTextFunctions(db);
  functions::RegisterCurrencyFunctions(db);
}

int FunctionErrorNumber(std::string_view message) {
  // The functions write "#<number> <sentence>".
  if (message.size() < 3 || message[0] != '#') return 0;
  int number = 0;
  const char* end = message.data() + message.size();
  auto [ptr, ec] = std::from_chars(message.data() + 1, end, number);
  if (ec != std::errc() || ptr == end || *ptr != ' ') return 0;
  return number;
}

}  // namespace nrx::dialect
