// njb details: the job-details record shown, and set through the job's open-work-close cycle.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli.h"
#include "cli/in_process.h"
#include "cli/survey_job.h"

namespace nrx::test {
namespace {

class DetailsCommand : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directories(Path("tmp"));
    temp_.emplace("TMPDIR", Path("tmp"));
    data_.emplace("XDG_DATA_HOME", Path("data"));
  }
  void TearDown() override {
    data_.reset();
    temp_.reset();
    TempDirTest::TearDown();
  }

  // Runs `njb details JOB args...` as the command line parses it.
  CommandResult Details(std::vector<std::string> args) {
    args.insert(args.begin(), {"njb", "details", Path("job.njb")});
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    CapturedOutput out;
    const int code = njb::RunCommandLine(static_cast<int>(argv.size()), argv.data(), out.Context());
    return {code, out.Text()};
  }

  std::optional<ScopedEnv> temp_;
  std::optional<ScopedEnv> data_;
};

TEST_F(DetailsCommand, SettingMakesTheRecordAndKeepsEachFieldsType) {
  MakeSurveyJob(Path("job.njb"), {});
  EXPECT_CONTAINS(Details({}).output, "has no job-details record");
  EXPECT_CONTAINS(Details({"--json"}).output, "\"details\":null}");

  const CommandResult set = Details({"--set", "Projection=UTM", "--set", "DatumH=ETRS89",
                                     "--set", "Zone=32", "--set", "ApproxLat=-52",
                                     "--set", "ApplyGeoid=yes"});
  ASSERT_EQ(0, set.exit_code) << set.output;
  EXPECT_CONTAINS(set.output, "  Projection        UTM\n");
  const std::string json = Details({"--json"}).output;
  EXPECT_CONTAINS(json, "\"Projection\":\"UTM\"");
  EXPECT_CONTAINS(json, "\"Zone\":32,");
  EXPECT_CONTAINS(json, "\"ApproxLat\":-52,");
  EXPECT_CONTAINS(json, "\"ApplyGeoid\":true,");
  EXPECT_CONTAINS(json, "\"Surveyor\":null,");

  // A second change edits the one record; an empty value clears a field.
  ASSERT_EQ(0, Details({"--set", "ApproxLat=", "--set", "Zone=33"}).exit_code);
  const std::string changed = Details({"--json"}).output;
  EXPECT_CONTAINS(changed, "\"Zone\":33,");
  EXPECT_CONTAINS(changed, "\"ApproxLat\":null,");
  EXPECT_CONTAINS(changed, "\"DatumH\":\"ETRS89\",");
}

TEST_F(DetailsCommand, ABadValueIsRefusedWithItsErrorAndNothingIsWritten) {
  MakeSurveyJob(Path("job.njb"), {.details = SouthernUtmDetails(56)});
  const std::string before = Details({"--json"}).output;
  struct Case {
    const char* assignment;
    int number;
  } cases[] = {
      {"Zone=north", err::kTypeMismatch},     {"Zone=70000", err::kOverflow},
      {"OutputDecH=-1", err::kOverflow},      {"ApplyGeoid=maybe", err::kTypeMismatch},
      {"NoSuchField=1", 3265},                {"Projection=ThisTextIsTooLong", 3163},
      {"Zone", err::kInvalidCall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.assignment);
    const njb::DetailsOptions options{.file = Path("job.njb"),
                                      .sets = {"Surveyor=changed", c.assignment}};
    EXPECT_NRX_ERROR(c.number, RunInProcess(njb::RunDetails, options));
    EXPECT_EQ(Details({"--json"}).output, before);
  }
  EXPECT_FALSE(std::filesystem::exists(Path("job.njb.bak1")));
}

}  // namespace
}  // namespace nrx::test
