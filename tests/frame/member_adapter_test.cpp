// Late-bound calls built from member functions: by-reference arguments, optional outputs,
// defaults, arrays, objects and failures half-way.

#include "frame/member_adapter.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace nrx::frame {
namespace {

struct Probe : Object {
  // Writes its output, then fails: the caller must still see what was written.
  void FailHalfWay(std::string& text, std::int32_t& count) {
    text = "half";
    count = 7;
    Raise(err::kDiskError, "probe");
  }
  // An optional output and an optional input whose default is not the type's zero.
  bool Optional(std::int16_t& value, bool* seen = nullptr, bool useTempBackup = true) {
    if (seen) *seen = true;
    value = static_cast<std::int16_t>(value + 1);
    return useTempBackup;
  }
  void Grow(std::vector<std::int32_t>& list, std::int32_t size) {
    list.resize(static_cast<std::size_t>(size), 0);
    list.back() = size;
  }
  void Swap(std::shared_ptr<Probe>& other) { other = std::make_shared<Probe>(); }
  double Half(const double& value) const { return value / 2; }
};

TEST(MemberAdapterTest, ArgumentsWrittenBeforeAFailureReachTheCaller) {
  Probe probe;
  std::vector<Variant> args{Variant("whole"), Variant(std::int32_t{0})};
  EXPECT_NRX_ERROR(err::kDiskError, MethodAdapter(&Probe::FailHalfWay)(probe, args));
  EXPECT_TRUE(args[0].SameAs(Variant("half")));
  EXPECT_TRUE(args[1].SameAs(Variant(std::int32_t{7})));
}

TEST(MemberAdapterTest, OptionalParametersTakeNullptrOrTheirDefaults) {
  Probe probe;
  MemberAdapter call = MethodAdapter(&Probe::Optional, {Variant(true)});
  std::vector<Variant> args{Variant(std::int16_t{1})};
  EXPECT_TRUE(call(probe, args).SameAs(Variant(true)));
  EXPECT_TRUE(args[0].SameAs(Variant(std::int16_t{2})));
  EXPECT_EQ(1u, args.size());

  args = {Variant("41"), Variant(false), Variant(false)};
  EXPECT_TRUE(call(probe, args).SameAs(Variant(false)));
  EXPECT_TRUE(args[0].SameAs(Variant(std::int16_t{42})));  // converted, then written back
  EXPECT_TRUE(args[1].SameAs(Variant(true)));
  EXPECT_TRUE(args[2].SameAs(Variant(false)));  // an input is never written

  args = {Variant(std::int32_t{40000})};
  EXPECT_NRX_ERROR(err::kOverflow, call(probe, args));
  args = {Variant("not a number")};
  EXPECT_NRX_ERROR(err::kTypeMismatch, call(probe, args));
}

TEST(MemberAdapterTest, ArraysChangeInTheCallersOwnArrayObject) {
  Probe probe;
  auto array = std::make_shared<VariantArray>(std::vector<Variant>{Variant(std::int32_t{5})}, 1);
  std::vector<Variant> args{Variant(std::shared_ptr<Object>(array)), Variant(std::int32_t{3})};
  MethodAdapter (&Probe::Grow)(probe, args);
  ASSERT_EQ(3u, array->items.size());
  EXPECT_TRUE(array->items[0].SameAs(Variant(std::int32_t{5})));
  EXPECT_TRUE(array->items[2].SameAs(Variant(std::int32_t{3})));
  EXPECT_EQ(1, array->lower_bound);
  EXPECT_EQ(array, args[0].ToObject());

  args = {Variant(), Variant(std::int32_t{1})};  // Empty: a new array comes back
  MethodAdapter (&Probe::Grow)(probe, args);
  auto fresh = std::dynamic_pointer_cast<VariantArray>(args[0].ToObject());
  ASSERT_TRUE(fresh);
  EXPECT_EQ(1u, fresh->items.size());
}

TEST(MemberAdapterTest, ObjectReferencesAreReplacedAndConstMembersCallable) {
  Probe probe;
  auto before = std::make_shared<Probe>();
  std::vector<Variant> args{Variant(std::shared_ptr<Object>(before))};
  MethodAdapter (&Probe::Swap)(probe, args);
  EXPECT_NE(before, args[0].ToObject());
  EXPECT_TRUE(std::dynamic_pointer_cast<Probe>(args[0].ToObject()));

  std::vector<Variant> value{Variant(std::int16_t{9})};
  EXPECT_TRUE(MethodAdapter(&Probe::Half)(probe, value).SameAs(Variant(4.5)));
}

}  // namespace
}  // namespace nrx::frame
