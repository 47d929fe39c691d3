// Filling new fields (NewFieldValue), renaming fields (RenameField) and the least-squares
// option defaults (NewLSOptionFieldDefaults).

#include <gtest/gtest.h>

#include "catalogue/job_fixture.h"
#include "nrxJobDb/job_model.h"
#include "nrxJobDb/ls_preferences.h"

namespace nrx::test {
namespace {

constexpr const char* kNewFieldValueLabel = "(Class Module) cJobProcs::Sub NewFieldValue";
constexpr const char* kRenameFieldLabel = "(Class Module) cJobProcs::Function RenameField";
constexpr const char* kDefaultsLabel = "(Class Module) cJobProcs::Sub NewLSOptionFieldDefaults";

class FieldMaintenance : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    job_general_ = std::make_shared<model::JobGeneral>();
  }

  // Notes(RecordNo, Value, Label) holding one record per value, each as a statement spells it.
  RecordsetPtr Notes(const std::vector<std::string>& values) {
    MakeTable("Notes", {}, {},
              {{"RecordNo", dbLong, 0}, {"Value", dbInteger, 0}, {"Label", dbText, 20}});
    for (std::size_t i = 0; i < values.size(); ++i) {
      db_->Execute("INSERT INTO Notes (RecordNo, Value) VALUES (" + std::to_string(i + 1) + ", " +
                   values[i] + ")");
    }
    auto rs = db_->OpenRecordset("SELECT * FROM Notes ORDER BY RecordNo", dbOpenDynaset);
    if (!values.empty()) rs->MoveLast();
    return rs;
  }

  std::vector<std::string> Column(const std::string& field) {
    std::vector<std::string> out;
    auto rs = db_->OpenRecordset("SELECT * FROM Notes ORDER BY RecordNo", dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) {
      const Variant v = (*rs)[field];
      out.push_back(v.IsNull() ? "Null" : v.ToText());
    }
    return out;
  }

  void Fill(const RecordsetPtr& rs, const std::string& field, const Variant& value,
            bool* valueAdded) {
    procs_->NewFieldValue(db_, rs, "Notes", field, dbInteger, 0, value, job_general_, valueAdded);
  }

  model::JobGeneralPtr job_general_;
};

TEST_F(FieldMaintenance, NewFieldValueFillsEveryRecordOnlyWhenTheFirstHoldsNull) {
  auto rs = Notes({"Null", "9", "Null"});
  bool added = false;
  // The engine stores the value in the field's own type.
  Fill(rs, "Value", Variant("12"), &added);
  EXPECT_TRUE(added);
  EXPECT_EQ(Column("Value"), (std::vector<std::string>{"12", "12", "12"}));
  EXPECT_EQ(job_general_->ChangeCount(), 3);
  EXPECT_EQ((*rs)["RecordNo"].ToLong(), 1);

  // Zero in the first record counts as filled; so does a table without records.
  db_->Execute("UPDATE Notes SET Value = 0 WHERE RecordNo = 1");
  rs->Requery();
  added = false;
  Fill(rs, "Value", Variant(std::int16_t{4}), &added);
  EXPECT_FALSE(added);
  EXPECT_EQ(Column("Value"), (std::vector<std::string>{"0", "12", "12"}));
  db_->Execute("DELETE FROM Notes");
  rs->Requery();
  added = false;
  Fill(rs, "Value", Variant(std::int16_t{4}), &added);
  EXPECT_FALSE(added);
  EXPECT_EQ(job_general_->ChangeCount(), 3);
}

TEST_F(FieldMaintenance, NewFieldValueErrorsKeepWhatWasWritten) {
  auto rs = Notes({"Null", "Null"});
  EXPECT_PASSED_ON(err::kItemNotFound, kNewFieldValueLabel,
                   Fill(rs, "Missing", Variant(std::int16_t{1}), nullptr));
  // Without a job-general object the first record is written before the count fails.
  EXPECT_PASSED_ON(err::kObjectNotSet, kNewFieldValueLabel,
                   procs_->NewFieldValue(db_, rs, "Notes", "Value", dbInteger, 0,
                                         Variant(std::int16_t{3}), nullptr, nullptr));
  EXPECT_EQ(Column("Value"), (std::vector<std::string>{"3", "Null"}));
}

TEST_F(FieldMaintenance, RenameFieldOnceThenNoLonger) {
  Notes({"6"});
  EXPECT_TRUE(procs_->RenameField(db_, "Notes", "Value", "Amount"));
  EXPECT_FALSE(procs_->RenameField(db_, "Notes", "Value", "Amount"));
  Reopen();
  EXPECT_EQ(Shape(*db_->TableDefs("Notes")),
            (std::vector<FieldShape>{
                {"RecordNo", dbLong, 0}, {"Amount", dbInteger, 0}, {"Label", dbText, 20}}));
  EXPECT_EQ(Column("Amount"), (std::vector<std::string>{"6"}));
}

TEST_F(FieldMaintenance, RenameFieldMatchesNamesExactlyAndRaisesWhenTheNameCannotBeSet) {
  Notes({});
  EXPECT_FALSE(procs_->RenameField(db_, "notes", "Value", "Amount"));
  EXPECT_FALSE(procs_->RenameField(db_, "Notes", "value", "Amount"));
  EXPECT_FALSE(procs_->RenameField(db_, "Nowhere", "Value", "Amount"));
  EXPECT_TRUE(db_->TableDefs("Notes")->FindField("Value"));
  EXPECT_EQ(ErrorStack::Instance().Count(), 0u);

  EXPECT_PASSED_ON(err::kFieldExists, kRenameFieldLabel,
                   procs_->RenameField(db_, "Notes", "Value", "Label"));
  db_->Close();
  EXPECT_PASSED_ON(err::kObjectClosed, kRenameFieldLabel,
                   procs_->RenameField(db_, "Notes", "Value", "Amount"));
}

class OptionDefaults : public FieldMaintenance {
 protected:
  void SetUp() override {
    FieldMaintenance::SetUp();
    prefs_ = std::make_shared<model::LSOptPrefs>();
    // A text field does not take "", so the test gives the one text preference a value.
    prefs_->SetCorrections("CnR");
    prefs_->SetConfLevelMDE("90");
    prefs_->SetSaveDBPtsFixed(true);
  }

  // An options table of `list` with `records` records in which every field is Null.
  RecordsetPtr Options(const std::string& name, const std::string& list, int records) {
    MakeTable(name, List(list));
    for (int i = 0; i < records; ++i) {
      db_->Execute("INSERT INTO " + name + " (Iterations) VALUES (Null)");
    }
    return db_->OpenRecordset(name);
  }

  void Defaults(const RecordsetPtr& rs, const std::string& name) {
    procs_->NewLSOptionFieldDefaults(db_, rs, name, prefs_, job_general_);
  }

  model::LSOptPrefsPtr prefs_;
};

TEST_F(OptionDefaults, TraverseHeaderGetsTheCommonOptionsOnly) {
  // The header has no data-set options; asking for them would fail on the first.
  auto rs = Options("TraverseHeader4", "TraverseHeader", 2);
  Defaults(rs, "TraverseHeader4");
  EXPECT_EQ(job_general_->ChangeCount(), 47 * 2);
  rs->MoveLast();
  EXPECT_FLOAT_EQ((*rs)["AngleCentr"].ToSingle(), 0.001f);
  EXPECT_EQ((*rs)["Corrections"].ToText(), "CnR");
  EXPECT_EQ((*rs)["ConfLevelMDE"].ToInteger(), 90);

  // Filled fields are left alone: a second run changes nothing.
  prefs_->SetIterations(3);
  Defaults(rs, "TraverseHeader4");
  EXPECT_EQ(job_general_->ChangeCount(), 47 * 2);
  EXPECT_EQ((*rs)["Iterations"].ToInteger(), 10);
}

TEST_F(OptionDefaults, DataSetOptionsTableGetsAllFiftyTwo) {
  auto rs = Options("LS_Options2", "LSOptions", 1);
  Defaults(rs, "LS_Options2");
  EXPECT_EQ(job_general_->ChangeCount(), 52);
  EXPECT_EQ((*rs)["SaveDBPtsFixed"].ToBoolean(), true);
  EXPECT_EQ((*rs)["SavePtEntryOpt"].ToInteger(), 0);
  // Option fields outside the defaults stay empty.
  EXPECT_TRUE((*rs)["AngleSD"].IsNull());
}

TEST_F(OptionDefaults, EmptyTableAndFailures) {
  auto rs = Options("LS_Options2", "LSOptions", 0);
  Defaults(rs, "LS_Options2");
  EXPECT_EQ(job_general_->ChangeCount(), 0);

  // A table without the option fields stops at the first; nothing after it is tried.
  auto notes = Notes({"Null"});
  ErrorStack::Instance().Reset();
  EXPECT_PASSED_ON(err::kItemNotFound, kDefaultsLabel, Defaults(notes, "Notes"));
  const auto records = ErrorStack::Instance().Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1], (ErrorStack::Entry{kNewFieldValueLabel, kDefaultsLabel}));

  EXPECT_PASSED_ON(err::kObjectNotSet, kDefaultsLabel,
                   procs_->NewLSOptionFieldDefaults(db_, rs, "LS_Options2", nullptr, job_general_));
}

}  // namespace
}  // namespace nrx::test
