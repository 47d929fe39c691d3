// Values convert as the runtime converts them, and every error number has its sentence.

#include <gtest/gtest.h>

#include <limits>

#include "nrxJobDb/variant.h"
#include "support/test_support.h"

namespace nrx::test {
namespace {

TEST(VariantTest, IntegerConversionsRoundHalfToEvenAndRaiseOverflow) {
  EXPECT_EQ(2, Variant(2.5).ToInteger());
  EXPECT_EQ(4, Variant(3.5).ToInteger());
  EXPECT_EQ(-2, Variant(-2.5).ToLong());
  EXPECT_EQ(255, Variant("255").ToByte());
  EXPECT_NRX_ERROR(err::kOverflow, Variant(256).ToByte());
  EXPECT_NRX_ERROR(err::kOverflow, Variant(-1).ToByte());
  EXPECT_NRX_ERROR(err::kOverflow, Variant(32767.5).ToInteger());
  EXPECT_NRX_ERROR(err::kOverflow, Variant(2147483648.0).ToLong());
  EXPECT_NRX_ERROR(err::kOverflow, Variant(1e39).ToSingle());
}

TEST(VariantTest, TextsBooleansNullAndEmpty) {
  EXPECT_EQ(-1, Variant(true).ToInteger());
  EXPECT_TRUE(Variant(" -3 ").ToBoolean());
  EXPECT_EQ(-1, Variant("True").ToLong());
  EXPECT_EQ(255, Variant("&HFF").ToLong());
  EXPECT_EQ("True", Variant(true).ToText());
  EXPECT_EQ("1.5", Variant(1.5).ToText());
  EXPECT_EQ("1E+20", Variant(1e20).ToText());
  EXPECT_EQ("0.1", Variant(0.1f).ToText());
  EXPECT_NRX_ERROR(err::kTypeMismatch, Variant("12 apples").ToLong());
  EXPECT_NRX_ERROR(err::kTypeMismatch, Variant("inf").ToDouble());
  EXPECT_NRX_ERROR(err::kInvalidNull, Variant::Null().ToLong());
  EXPECT_NRX_ERROR(err::kInvalidNull, Variant::Null().ToText());
  EXPECT_EQ(0, Variant().ToLong());
  EXPECT_EQ("", Variant().ToText());
  EXPECT_TRUE(Variant::Null().ConvertTo(VarType::Long).IsNull());
  EXPECT_EQ(VarType::Integer, Variant(7.0).ConvertTo(VarType::Integer).Type());
}

TEST(VariantTest, ComparingWithNullIsNotKnown) {
  EXPECT_FALSE(Variant::Null().Compare(Variant(1)).has_value());
  EXPECT_FALSE(Variant(1).Compare(Variant::Null()).has_value());
  EXPECT_EQ(0, *Variant(std::int16_t{3}).Compare(Variant(3.0)));
  EXPECT_EQ(-1, *Variant("2").Compare(Variant(10)));  // a numeric text compares by value
  EXPECT_EQ(1, *Variant("b").Compare(Variant("a")));
  EXPECT_NRX_ERROR(err::kTypeMismatch, Variant("x").Compare(Variant(1)));
}

TEST(ErrorTableTest, EveryNumberInUseHasItsOwnSentence) {
  std::string unknown(ErrorText(-1));
  for (int number : {5, 6, 7, 9, 13, 53, 58, 70, 75, 91, 94, 3003, 3010, 3015, 3019, 3020, 3021,
                     3022, 3023, 3024, 3027, 3034, 3043, 3045, 3049, 3061, 3075, 3078, 3131, 3163,
                     3167, 3191, 3251, 3264, 3265, 3283, 3284, 3290, 3291, 3314, 3315, 3343, 3349,
                     3367, 3371, 3375, 3380, 3420, 3421, 3464})
    EXPECT_NE(unknown, ErrorText(number)) << number;
  try {
    Raise(err::kItemNotFound, "nrxEngine.TableDefs", "Points");
  } catch (const Error& e) {
    EXPECT_EQ("nrxEngine.TableDefs", e.Source());
    EXPECT_NE(std::string::npos, e.Description().find("'Points'"));
  }
}

}  // namespace
}  // namespace nrx::test
