// The njb program itself: its help, the arguments it refuses and the exit status each outcome
// gives. What the commands do is shown by calling them as functions (the other files here).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/in_process.h"
#include "support/test_support.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

class NjbProgram : public TempDirTest {
 protected:
  // Runs njb without a terminal, its temporary copies and recycle bin inside the test's folder.
  CommandResult Njb(const std::string& arguments) {
    fs::create_directories(Path("tmp"));
    return RunCommand("TMPDIR=" + Path("tmp") + " XDG_DATA_HOME=" + Path("data") + " " + NJB_PATH +
                      " " + arguments + " </dev/null");
  }
};

TEST_F(NjbProgram, HelpNamesEveryCommandAndBadArgumentsRunNothing) {
  const CommandResult help = Njb("--help");
  EXPECT_EQ(0, help.exit_code);
  for (const char* command : {"schema", "sample", "catalogue", "check", "demo", "open", "backup",
                              "fixed", "verify", "details", "export", "bounds", "window",
                              "points", "import", "rekey"}) {
    EXPECT_CONTAINS(help.output, command);
  }
  const std::string job = Path("job.njb");
  for (const std::string& refused :
       std::vector<std::string>{"", "nothing", "open", "open " + job + " --yes --no",
                                "open " + job + " --frobnicate", "check " + job + " extra"}) {
    SCOPED_TRACE(refused);
    const CommandResult run = Njb(refused);
    EXPECT_NE(0, run.exit_code);
    EXPECT_NE(njb::kExitNegative, run.exit_code);
    EXPECT_FALSE(run.output.empty());
  }
  EXPECT_FALSE(fs::exists(job));
}

TEST_F(NjbProgram, ExitStatusIsTheCommandsOwnAndAnErrorPrintsItsNumberAndText) {
  const CommandResult made = Njb("sample --dir " + Path("s"));
  ASSERT_EQ(njb::kExitOk, made.exit_code) << made.output;
  EXPECT_CONTAINS(made.output, "Created " + Path("s/sample.njb"));

  // The sample's tables are smaller than the catalogue's.
  const CommandResult lacking = Njb("check " + Path("s/sample.njb"));
  EXPECT_EQ(njb::kExitNegative, lacking.exit_code) << lacking.output;

  // Its Points keep Fixed as a Boolean: True counts as fixed.
  const CommandResult fixed = Njb("fixed --json " + Path("s/sample.njb"));
  EXPECT_EQ(njb::kExitOk, fixed.exit_code) << fixed.output;
  EXPECT_EQ(fixed.output,
            "{\"table\":\"Points\",\"count\":1,\"points\":[{\"pointNo\":1,"
            "\"fixedInPointEntry\":false}]}\n");

  const CommandResult missing = Njb("check " + Path("missing.njb"));
  EXPECT_EQ(njb::kExitError, missing.exit_code);
  EXPECT_CONTAINS(missing.output, "njb: error 3024: ");
}

TEST_F(NjbProgram, DemoTakesTheAnswerOptionsOfTheOtherJobCommands) {
  const CommandResult declined = Njb("demo --no --dir " + Path("d"));
  ASSERT_EQ(njb::kExitOk, declined.exit_code) << declined.output;
  EXPECT_CONTAINS(declined.output, "Save now ?\n   -> No");
  EXPECT_CONTAINS(declined.output, "the update was declined");
  EXPECT_TRUE(fs::exists(Path("d/older.MDB")));
  EXPECT_FALSE(fs::exists(Path("d/older.njb")));
  EXPECT_FALSE(fs::exists(Path("d/site.njb.bak1")));
}

// Passwords come from a file (or a prompt on a terminal), never from the command line; every
// job command takes them the same way, down to the component's own opening of the job.
TEST_F(NjbProgram, JobCommandsTakeThePasswordFromAFileAndRekeyChangesIt) {
  ASSERT_EQ(njb::kExitOk, Njb("sample --dir " + Path("s")).exit_code);
  const std::string job = Path("s/sample.njb");
  WriteFile(Path("first"), "first words\n");
  WriteFile(Path("second"), "second words\n");

  const CommandResult set = Njb("rekey " + job + " --new-password-file " + Path("first"));
  ASSERT_EQ(njb::kExitOk, set.exit_code) << set.output;
  EXPECT_CONTAINS(set.output, "password set");
  const CommandResult without = Njb("schema " + job);
  EXPECT_EQ(njb::kExitError, without.exit_code);
  EXPECT_CONTAINS(without.output, "njb: error 3031: ");
  EXPECT_EQ(njb::kExitOk, Njb("schema " + job + " --password-file " + Path("first")).exit_code);

  const CommandResult changed = Njb("rekey " + job + " --password-file " + Path("first") +
                                    " --new-password-file " + Path("second"));
  ASSERT_EQ(njb::kExitOk, changed.exit_code) << changed.output;
  EXPECT_CONTAINS(changed.output, "password changed");
  EXPECT_CONTAINS(Njb("check " + job + " --password-file " + Path("first")).output,
                  "njb: error 3031: ");
  EXPECT_EQ(njb::kExitNegative, Njb("check " + job + " --password-file " + Path("second")).exit_code);
  const CommandResult opened = Njb("open " + job + " --no --password-file " + Path("second"));
  EXPECT_NE(njb::kExitError, opened.exit_code) << opened.output;

  const CommandResult unreadable = Njb("schema " + job + " --password-file " + Path("none"));
  EXPECT_CONTAINS(unreadable.output, "njb: error 53: ");
}

}  // namespace
}  // namespace nrx::test
