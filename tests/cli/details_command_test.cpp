// njb details: the job-details record shown, and set through the job's open-work-close cycle.

#include <gtest/gtest.h>

#include "cli/command_fixture.h"
#include "cli/survey_job.h"

namespace nrx::test {
namespace {

class DetailsCommand : public CommandTest {
 protected:
  // Runs `njb details JOB args...` as the command line parses it.
  CommandResult Details(std::vector<std::string> args) {
    args.insert(args.begin(), {"details", Path("job.njb")});
    return RunLine(std::move(args));
  }
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
  EXPECT_FALSE(Exists("job.njb.bak1"));
}

}  // namespace
}  // namespace nrx::test
