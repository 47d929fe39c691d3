#include <sqlite3.h>

#include <memory>

#include "support/test_support.h"

namespace nrx::test {

void ExecuteBehindEngine(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
  ASSERT_EQ(SQLITE_OK, opened) << path << ": " << sqlite3_errmsg(raw);
  char* message = nullptr;
  const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &message);
  const std::string text = message ? message : "";
  sqlite3_free(message);
  ASSERT_EQ(SQLITE_OK, rc) << sql << ": " << text;
}

}  // namespace nrx::test
