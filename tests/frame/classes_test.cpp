// The three classes' life cycle and the small members of cJobProcs.

#include <gtest/gtest.h>

#include "frame/lifecycle.h"
#include "nrxJobDb/cdbtransactions.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/cjobprocs.h"

namespace nrx {
namespace {

template <class C>
class ClassLifeTest : public ::testing::Test {};
using Classes = ::testing::Types<cJobProcs, cDBtransactions, cFixedPoints>;
TYPED_TEST_SUITE(ClassLifeTest, Classes);

TYPED_TEST(ClassLifeTest, ClassActiveIsTrueFromCreationUntilTermination) {
  TypeParam object;
  EXPECT_TRUE(object.ClassActive());
  object.SetClassActive(false);
  EXPECT_FALSE(object.ClassActive());
  frame::Lifecycle::Initialize(object);
  EXPECT_TRUE(object.ClassActive());
  frame::Lifecycle::Terminate(object);
  EXPECT_FALSE(object.ClassActive());
}

TEST(JobProcsTest, TestChangeOverwritesAnyText) {
  cJobProcs procs;
  for (std::string desc : {"", "anything at all", "Changed it!!"}) {
    procs.TestChange(desc);
    EXPECT_EQ("Changed it!!", desc);
  }
}

}  // namespace
}  // namespace nrx
