// Values convert as the runtime converts them, and every error number has its sentence.

#include <gtest/gtest.h>

#include <limits>
#include <set>

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

struct ListedError {
  int number;
  const char* name;
  std::string_view text;
};
const ListedError kListed[] = {
#define NRX_ERROR(number, name, text) {number, #name, text},
#include "nrxJobDb/error_list.h"
};

TEST(ErrorTableTest, EveryListedNumberHasItsOwnSentence) {
  const std::string general(ErrorText(-1));
  EXPECT_EQ(general, ErrorText(4));  // between listed numbers
  EXPECT_EQ(general, ErrorText(99999));
  EXPECT_FALSE(general.empty());
  std::set<int> numbers;
  for (const ListedError& e : kListed) {
    SCOPED_TRACE(e.name);
    EXPECT_TRUE(numbers.insert(e.number).second) << e.number << " listed twice";
    EXPECT_EQ(e.text, ErrorText(e.number));
    EXPECT_NE(general, ErrorText(e.number));
    // Raise puts the object named before the sentence's full stop.
    ASSERT_FALSE(e.text.empty());
    EXPECT_EQ('.', e.text.back());
  }
}

TEST(ErrorTableTest, RaiseNamesTheObjectInsideTheSentence) {
  try {
    Raise(err::kItemNotFound, "nrxEngine.TableDefs", "Points");
    ADD_FAILURE() << "Raise returned";
  } catch (const Error& e) {
    EXPECT_EQ(err::kItemNotFound, e.Number());
    EXPECT_EQ("nrxEngine.TableDefs", e.Source());
    EXPECT_EQ("Item not found in this collection: 'Points'.", e.Description());
  }
}

}  // namespace
}  // namespace nrx::test
