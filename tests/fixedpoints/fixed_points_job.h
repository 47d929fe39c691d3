#pragma once
// A job whose Points and point-entry tables are made as the component makes them, and records
// of points with their "Fixed" flags.

#include <cstdint>
#include <string>

#include "catalogue/job_fixture.h"

namespace nrx::test {

class FixedPointsJob : public JobTest {
 protected:
  // Makes `table` from the catalogue unless it exists.
  void MakeTable(const std::string& table) { procs_->CreateJobDBTable(db_, table, path_); }
  using JobTest::MakeTable;

  // A record of `point`; an entry table's line gets the point's number as its record number.
  void Add(const std::string& table, std::int32_t point, const Variant& fixed) {
    RecordsetPtr rs = db_->OpenRecordset(table);
    rs->AddNew();
    rs->Fields("PointNo")->SetValue(Variant(point));
    if (db_->TableDefs(table)->FindField("RecordNo")) rs->Fields("RecordNo")->SetValue(Variant(point));
    rs->Fields("Fixed")->SetValue(fixed);
    rs->Update();
  }
};

}  // namespace nrx::test
