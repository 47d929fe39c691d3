// The CSV reader of njb's point files.

#include "csv_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/in_process.h"

namespace nrx::test {
namespace {

std::vector<njb::CsvRecord> ReadAll(const std::string& text) {
  std::istringstream in(text);
  njb::CsvReader reader(in, "test.csv");
  std::vector<njb::CsvRecord> records;
  for (njb::CsvRecord record; reader.Next(record);) records.push_back(record);
  return records;
}

using Fields = std::vector<std::string>;

TEST(CsvReader, QuotedFieldsKeepCommasQuotesAndLineBreaksAndRecordsKeepTheirLines) {
  const auto records = ReadAll(
      "a,b,,\r\n"
      "\n"
      "\"x, y\",\"say \"\"hi\"\"\",\"\"\n"
      "\"two\n"
      "lines\",last\n"
      "  \n"
      "end");
  ASSERT_EQ(4u, records.size());
  EXPECT_EQ((Fields{"a", "b", "", ""}), records[0].fields);
  EXPECT_EQ(1, records[0].line);
  EXPECT_EQ((Fields{"x, y", "say \"hi\"", ""}), records[1].fields);
  EXPECT_EQ(3, records[1].line);
  EXPECT_EQ((Fields{"two\nlines", "last"}), records[2].fields);
  EXPECT_EQ(4, records[2].line);
  EXPECT_EQ((Fields{"end"}), records[3].fields);
  EXPECT_EQ(7, records[3].line);
}

TEST(CsvReader, AQuoteLeftOpenNamesTheLineWhereItsFieldBegan) {
  const Error e = ErrorOf([] { ReadAll("a,b\n1,\"open\n2,3\n"); });
  EXPECT_EQ(err::kInvalidCall, e.Number());
  EXPECT_CONTAINS(std::string(e.what()), "test.csv line 2");
}

}  // namespace
}  // namespace nrx::test
