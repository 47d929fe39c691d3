// The three classes as their member tables describe them: every member written is reached
// late-bound by name and by dispatch id and fails under the label its table gives; every member
// not written yet raises 438; creation and termination set ClassActive.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "engine/engine_fixture.h"
#include "frame/db_transactions_members.h"
#include "frame/fixed_points_members.h"
#include "frame/job_procs_members.h"
#include "frame/lifecycle.h"
#include "frame/member_adapter.h"
#include "nrxJobDb/verify_failures.h"

namespace nrx {
namespace {

using frame::MemberEntry;

ClassRegistry& Registry() { return ClassRegistry::Instance(); }
const Variant kNothing{std::shared_ptr<Object>{}};

// Members that do nothing that could fail, or that no argument alone makes fail (the state of
// the object would have to).
const std::set<std::string_view> kCannotFail = {"SetBlank",
                                                "TestChange",
                                                "NewTableField_OLD",
                                                "RecordsetCLOSE",
                                                "PointInList",
                                                "RemoveFixedPoint",
                                                "ClearFixedPoints",
                                                "HaveFixedPoints",
                                                "AssignFixedPtsList_OLD",
                                                "PointFixedInListOrTable",
                                                "DebugPrintFixedPoints"};
// Members that report what fails on their own and go on, never raising.
const std::set<std::string_view> kShowAndContinue = {"VerifyPointRecord", "VerifyRecsetFields",
                                                     "VerifyTableFields", "VerifyOpenRecordSets",
                                                     "VerifyTableIndexes"};

// A harmless argument for a parameter: zero, False or "", Nothing for an object or an array.
template <class P>
Variant Harmless() {
  using V = typename frame::Param<P>::Value;
  if constexpr (std::is_same_v<V, Variant>) {
    return Variant();
  } else if constexpr (std::is_arithmetic_v<V> || std::is_same_v<V, std::string>) {
    return Variant(V{});
  } else {
    return kNothing;
  }
}
template <class C, class R, class... P>
std::vector<Variant> HarmlessArgs(R (C::*)(P...)) {
  return {Harmless<P>()...};
}
template <class C, class R, class... P>
std::vector<Variant> HarmlessArgs(R (C::*)(P...) const) {
  return {Harmless<P>()...};
}

template <class C>
class ClassMembersTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    object_ = Registry().CreateObject(C::kClassName);
    db_ = Create("job.njb");
    MakeTable(*db_, "Points", {{"PointNo", dbLong, 0}});
  }

  template <class Line>
  void Check(const Line& line) {
    const MemberEntry& entry = line.entry;
    if (!entry.Dispatched()) return;
    SCOPED_TRACE(std::string(entry.name));
    EXPECT_EQ(entry.DispId(), Registry().DispIdOf(*object_, entry.name));
    CheckMethod(entry, line.method);
    CheckProperty(entry, InvokeKind::PropertyGet, line.get);
    CheckProperty(entry, InvokeKind::PropertyLet, line.let);
    CheckProperty(entry, InvokeKind::PropertySet, line.set);
  }

 private:
  static bool Has(const MemberEntry& entry, InvokeKind kind) {
    return (entry.kinds & static_cast<unsigned>(kind)) != 0;
  }

  // Calls the member by name, then by dispatch id, each time with its own copy of `args`.
  template <class Expect>
  void CallBothWays(const MemberEntry& entry, InvokeKind kind, const std::vector<Variant>& args,
                    Expect&& expect) {
    std::vector<Variant> by_name = args;
    expect([&] { return Registry().Invoke(*object_, entry.name, by_name, kind); });
    std::vector<Variant> by_id = args;
    expect([&] { return Registry().Invoke(*object_, entry.DispId(), by_id, kind); });
  }

  // Arguments that make a written member fail: harmless ones where they already do, otherwise
  // ones that take it to an object it needs and find Nothing there, or past an array's end.
  std::vector<Variant> FailingArgs(std::string_view member, std::vector<Variant> args) {
    if (member == "CreateJobDBTable") args[1] = Variant("Points");
    if (member == "DecimalsOK") args[1] = Variant(std::int16_t{1});
    if (member == "MultiZoneSELECT") {
      args[4] = Variant(std::int16_t{-30000});  // a zone span beyond 16 bits
      args[5] = Variant(std::int16_t{30000});
    }
    if (member == "SaveJobBounds") {
      db_->Execute("INSERT INTO Points (PointNo) VALUES (1)");
      args[1] = Variant(std::shared_ptr<Object>(db_->OpenRecordset("Points", dbOpenTable)));
    }
    if (member == "RequeryOrReOpenOnFail") {
      args[0] = Variant(std::shared_ptr<Object>(db_->OpenRecordset("Points", dbOpenTable)));
    }
    if (member == "AddFixedPoint") {
      std::vector<Variant> largest{Variant(std::numeric_limits<std::int32_t>::max())};
      Registry().Invoke(*object_, "FixedDBPoints", largest, InvokeKind::PropertyLet);
    }
    if (member == "PointFixedInTable") {  // a record of the point, but no "Fixed" to read
      db_->Execute("INSERT INTO Points (PointNo) VALUES (0)");
      args[1] = Variant(std::shared_ptr<Object>(db_->OpenRecordset("Points", dbOpenTable)));
    }
    if (member == "BeginTransIfNotPending") args[1] = Variant(true);  // begins at any depth
    if (member == "CommitTransIfPending" || member == "RollBackTransIfPending") {
      TrackInTransaction();
    }
    return args;
  }

  // Leaves the tracker inside a transaction with a recordset opened in it, so that ending the
  // transaction sweeps the recordset off through the workspace the harmless arguments lack.
  void TrackInTransaction() {
    std::vector<Variant> depth{Variant(std::int16_t{1})};
    Registry().Invoke(*object_, "ActiveTransactions", depth, InvokeKind::PropertyLet);
    std::vector<Variant> open{Variant(false), Variant(std::shared_ptr<Object>(db_)), kNothing,
                              Variant("Points")};
    Registry().Invoke(*object_, "RecordsetOPEN", open);
  }

  template <class F>
  void CheckMethod(const MemberEntry& entry, F fn) {
    if (!Has(entry, InvokeKind::Method)) return;
    if constexpr (!frame::kWritten<F>) {
      CallBothWays(entry, InvokeKind::Method, {},
                   [](auto call) { EXPECT_NRX_ERROR(err::kNoSuchMember, call()); });
    } else if (kCannotFail.contains(entry.name)) {
      CallBothWays(entry, InvokeKind::Method, HarmlessArgs(fn),
                   [](auto call) { EXPECT_NO_THROW(call()); });
    } else if (kShowAndContinue.contains(entry.name)) {
      const std::string label = frame::LabelFor(C::kClassName, entry, InvokeKind::Method).Text();
      CallBothWays(entry, InvokeKind::Method, HarmlessArgs(fn), [&](auto call) {
        VerifyFailureCollector collector;
        EXPECT_NO_THROW(call());
        for (const VerifyFailure& failure : collector.Failures()) {
          EXPECT_EQ(label, failure.member);
        }
      });
    } else {
      const std::string label = frame::LabelFor(C::kClassName, entry, InvokeKind::Method).Text();
      CallBothWays(entry, InvokeKind::Method, FailingArgs(entry.name, HarmlessArgs(fn)),
                   [&](auto call) {
                     try {
                       call();
                       ADD_FAILURE() << "the member did not fail";
                     } catch (const Error& e) {
                       EXPECT_EQ(label, e.Source()) << e.what();
                     }
                   });
    }
  }

  // A property procedure is reached: its get reads, its let or set writes back what get read.
  template <class F>
  void CheckProperty(const MemberEntry& entry, InvokeKind kind, F) {
    if (!Has(entry, kind)) return;
    if constexpr (!frame::kWritten<F>) {
      CallBothWays(entry, kind, {},
                   [](auto call) { EXPECT_NRX_ERROR(err::kNoSuchMember, call()); });
    } else {
      std::vector<Variant> args;
      if (kind != InvokeKind::PropertyGet) {
        std::vector<Variant> none;
        args.push_back(Registry().Invoke(*object_, entry.name, none, InvokeKind::PropertyGet));
      }
      CallBothWays(entry, kind, args, [](auto call) { EXPECT_NO_THROW(call()); });
    }
  }

  std::shared_ptr<Object> object_;
  DatabasePtr db_;
};

using Classes = ::testing::Types<cJobProcs, cDBtransactions, cFixedPoints>;
TYPED_TEST_SUITE(ClassMembersTest, Classes);

TYPED_TEST(ClassMembersTest, EveryMemberIsReachedUnderItsLabelOrRaises438) {
  std::apply([this](const auto&... line) { (this->Check(line), ...); },
             frame::ClassMembers<TypeParam>::kTable);
}

TYPED_TEST(ClassMembersTest, ClassActiveIsTrueFromCreationUntilTermination) {
  TypeParam object;
  EXPECT_TRUE(object.ClassActive());
  object.SetClassActive(false);
  EXPECT_FALSE(object.ClassActive());
  frame::Lifecycle::Initialize(object);
  EXPECT_TRUE(object.ClassActive());
  frame::Lifecycle::Terminate(object);
  EXPECT_FALSE(object.ClassActive());
}

}  // namespace
}  // namespace nrx
