// The class registry: identities, creation and late-bound calls.

#include "nrxJobDb/class_registry.h"

#include <gtest/gtest.h>

#include "nrxJobDb/cdbtransactions.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/cjobprocs.h"
#include "support/test_support.h"

namespace nrx {
namespace {

ClassRegistry& Registry() { return ClassRegistry::Instance(); }

TEST(ClassRegistryTest, ClassesKeepTheirIdentitiesAndMemberOrder) {
  const auto& classes = Registry().Classes();
  ASSERT_EQ(3u, classes.size());
  const std::pair<const char*, const char*> ids[] = {
      {"nrxJobDb.cJobProcs", "{BD5CB1F4-896F-4D0A-954A-83B4F82E45F6}"},
      {"nrxJobDb.cDBtransactions", "{8C3021D2-2A3F-4B97-8F05-39DA799FF230}"},
      {"nrxJobDb.cFixedPoints", "{370EB7B5-400E-4DEC-8A80-C7A22B2DAA2B}"}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ids[i].first, classes[i].prog_id);
    EXPECT_EQ(ids[i].second, classes[i].clsid);
  }
  EXPECT_EQ("{39C5A134-5897-4767-AF44-F631ED82C084}", classes[0].iid);
  EXPECT_TRUE(classes[0].app_object);

  const auto& members = classes[0].members;
  ASSERT_EQ(32u, members.size());
  const std::tuple<std::size_t, const char*, std::int32_t> spots[] = {
      {0, "ClassActive", 0x40030000},
      {1, "SetBlank", 0x60030002},
      {14, "BackupJobDB", 0x6003000F},
      {15, "CloseRecordSets", 0x60030015},
      {31, "RequeryOrReOpenOnFail", 0x6003002A}};
  for (const auto& [at, name, dispid] : spots) {
    EXPECT_EQ(name, members[at].name);
    EXPECT_EQ(dispid, members[at].dispid) << name;
  }
  for (std::size_t i = 1; i < members.size(); ++i) {
    EXPECT_LT(members[i - 1].dispid, members[i].dispid) << members[i].name;
  }
}

TEST(ClassRegistryTest, CreatesByProgramIdentifierOrClassId) {
  EXPECT_TRUE(std::dynamic_pointer_cast<cJobProcs>(Registry().CreateObject("nrxJobDb.cJobProcs")));
  EXPECT_TRUE(std::dynamic_pointer_cast<cDBtransactions>(
      Registry().CreateObject("{8C3021D2-2A3F-4B97-8F05-39DA799FF230}")));
  EXPECT_TRUE(std::dynamic_pointer_cast<cFixedPoints>(
      Registry().CreateObject("370eb7b5-400e-4dec-8a80-c7a22b2daa2b")));
  EXPECT_NRX_ERROR(err::kCannotCreateObject, Registry().CreateObject("nrxJobDb.cJobProc"));
  EXPECT_NRX_ERROR(err::kCannotCreateObject, Registry().DefaultInstance("nrxJobDb.cFixedPoints"));
  EXPECT_EQ(cJobProcs::Default(), Registry().DefaultInstance("nrxJobDb.cJobProcs"));
}

TEST(ClassRegistryTest, TestChangeByNameAndByDispatchIdChangesTheCallersArgument) {
  auto procs = Registry().CreateObject("nrxJobDb.cJobProcs");
  std::vector<Variant> args{Variant("original")};
  EXPECT_TRUE(Registry().Invoke(*procs, "testchange", args).IsEmpty());
  EXPECT_TRUE(args[0].SameAs(Variant("Changed it!!")));

  args = {Variant(std::int16_t{12})};
  Registry().Invoke(*procs, 0x60030006, args);
  EXPECT_TRUE(args[0].SameAs(Variant("Changed it!!")));
  EXPECT_EQ(0x60030006, Registry().DispIdOf(*procs, "TestChange"));
}

TEST(ClassRegistryTest, ClassActiveReadAndWrittenLateBound) {
  auto points = Registry().CreateObject("nrxJobDb.cFixedPoints");
  std::vector<Variant> none;
  EXPECT_TRUE(Registry().Invoke(*points, "ClassActive", none).SameAs(Variant(true)));
  std::vector<Variant> value{Variant(false)};
  Registry().Invoke(*points, "ClassActive", value, InvokeKind::PropertyLet);
  EXPECT_TRUE(
      Registry().Invoke(*points, 0x40030000, none, InvokeKind::PropertyGet).SameAs(Variant(false)));
}

TEST(ClassRegistryTest, BadCallsRaiseTheRuntimesNumbers) {
  auto procs = Registry().CreateObject("nrxJobDb.cJobProcs");
  std::vector<Variant> none;
  std::vector<Variant> one{Variant("x")};
  std::vector<Variant> two{Variant("x"), Variant("y")};
  EXPECT_NRX_ERROR(err::kNoSuchMember, Registry().Invoke(*procs, "NoSuchMember", none));
  EXPECT_NRX_ERROR(err::kNoSuchMember, Registry().Invoke(*procs, 0x60030001, none));
  EXPECT_NRX_ERROR(err::kNoSuchMember,
                   Registry().Invoke(*procs, "TestChange", one, InvokeKind::PropertyLet));
  EXPECT_NRX_ERROR(err::kArgumentNotOptional, Registry().Invoke(*procs, "TestChange", none));
  EXPECT_NRX_ERROR(err::kWrongArgumentCount, Registry().Invoke(*procs, "TestChange", two));
  // An object of another class where a database belongs.
  std::vector<Variant> wrong{Variant(Registry().CreateObject("nrxJobDb.cFixedPoints"))};
  wrong.resize(8, Variant(std::int16_t{0}));
  EXPECT_NRX_ERROR(err::kTypeMismatch, Registry().Invoke(*procs, "NewTableField_OLD", wrong));
  // Objects of no registered class have no members.
  Object stranger;
  EXPECT_NRX_ERROR(err::kNoSuchMember, Registry().Invoke(stranger, "TestChange", one));
}

}  // namespace
}  // namespace nrx
