// The error convention: what the error stack receives and what the caller sees when an error
// passes through members of the component.

#include "nrxJobDb/error_convention.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/error_stack.h"
#include "support/test_support.h"

namespace nrx {
namespace {

using Entry = ErrorStack::Entry;

class ErrorConventionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ErrorStack::Instance().Reset();
    ErrorStack::Instance().SetSuspended(false);
  }
  void TearDown() override { SetUp(); }
  static std::vector<Entry> Records() { return ErrorStack::Instance().Records(); }
};

const MemberLabel kLabelA{"cJobProcs", MemberKind::Sub, "OpenJobDB"};
const MemberLabel kLabelB{"cJobProcs", MemberKind::Function, "CloseDBfiles"};

// B makes an engine call that fails: a commit with no transaction begun.
void MemberB() {
  Guard(kLabelB, [] { DBEngine::Instance().Workspaces(0)->CommitTrans(); });
}
void MemberA() {
  Guard(kLabelA, [] { MemberB(); });
}

TEST_F(ErrorConventionTest, LabelsNameClassKindAndMember) {
  EXPECT_EQ("(Class Module) cFixedPoints::Property Get FixedPoints",
            (MemberLabel{"cFixedPoints", MemberKind::PropertyGet, "FixedPoints"}.Text()));
  EXPECT_EQ("(Class Module) cFixedPoints::Property Let FixedDBPoints",
            (MemberLabel{"cFixedPoints", MemberKind::PropertyLet, "FixedDBPoints"}.Text()));
}

TEST_F(ErrorConventionTest, ChainOfTwoMembersRecordsEachAndRaisesTheFirstNumber) {
  std::string engine_source;
  try {
    DBEngine::Instance().Workspaces(0)->CommitTrans();
  } catch (const Error& e) {
    engine_source = e.Source();
  }
  ASSERT_FALSE(engine_source.empty());
  ErrorStack::Instance().Reset();

  try {
    MemberA();
    FAIL() << "no error reached the caller";
  } catch (const Error& e) {
    EXPECT_EQ(err::kNoTransaction, e.Number());
    EXPECT_EQ(kLabelA.Text(), e.Source());
    EXPECT_EQ("", e.Description());
  }
  EXPECT_EQ((std::vector<Entry>{{engine_source, kLabelB.Text()}, {kLabelB.Text(), kLabelA.Text()}}),
            Records());
}

TEST_F(ErrorConventionTest, ValuesPassAndOtherFailuresBecomeRuntimeErrors) {
  EXPECT_EQ(42, Guard(kLabelB, [] { return 42; }));
  try {
    Guard(kLabelA, []() -> int { throw std::bad_alloc(); });
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(err::kOutOfMemory, e.Number());
    EXPECT_EQ(kLabelA.Text(), e.Source());
  }
  EXPECT_NRX_ERROR(err::kInvalidCall, Guard(kLabelA, [] { throw std::out_of_range("x"); }));
  EXPECT_NRX_ERROR(err::kInvalidCall, Guard(kLabelA, [] { throw 3; }));
  std::vector<Entry> records = Records();
  ASSERT_EQ(3u, records.size());
  for (const Entry& entry : records) {
    EXPECT_EQ(kRuntimeErrorSource, entry.first);
    EXPECT_EQ(kLabelA.Text(), entry.second);
  }
}

TEST_F(ErrorConventionTest, ReactivateInAnyCaseClearsTheFlagAndRecordsNothing) {
  for (std::string label : {"REACTIVATE", "reactivate", "ReActivate"}) {
    ErrorStack::Instance().SetSuspended(true);
    RecordErrorSource("some source", label);
    EXPECT_FALSE(ErrorStack::Instance().Suspended()) << label;
  }
  RecordErrorSource("some source", "reactivate");  // flag already clear: still nothing recorded
  EXPECT_TRUE(Records().empty());
  RecordErrorSource("some source", "REACTIVATED");
  EXPECT_EQ(1u, Records().size());
}

TEST_F(ErrorConventionTest, SuspendedFlagSwallowsOnlyTheInnermostLinkOfAChain) {
  ErrorStack::Instance().SetSuspended(true);
  EXPECT_NRX_ERROR(err::kNoTransaction, MemberA());
  EXPECT_FALSE(ErrorStack::Instance().Suspended());
  EXPECT_EQ((std::vector<Entry>{{kLabelB.Text(), kLabelA.Text()}}), Records());
}

}  // namespace
}  // namespace nrx
