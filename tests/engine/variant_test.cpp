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

TEST(VariantTest, CurrencyIsExactToFourDecimalsAndRoundsHalfToEven) {
  EXPECT_EQ(35000, Variant("3.5").ToCurrency().scaled);
  EXPECT_EQ(12346, Variant("1.23455").ToCurrency().scaled);   // half to even: up
  EXPECT_EQ(12344, Variant("1.23445").ToCurrency().scaled);   // half to even: down
  EXPECT_EQ(12345, Variant("1.234450001").ToCurrency().scaled);
  EXPECT_EQ(-1, Variant(-0.0001).ToCurrency().scaled);
  // A text beyond a double's precision keeps every digit.
  EXPECT_EQ(9223372036854775807, Variant("922337203685477.5807").ToCurrency().scaled);
  EXPECT_NRX_ERROR(err::kOverflow, Variant("922337203685477.5808").ToCurrency());
  EXPECT_NRX_ERROR(err::kOverflow, Variant(1e15).ToCurrency());
  EXPECT_NRX_ERROR(err::kTypeMismatch, Variant("3.5 EUR").ToCurrency());
  EXPECT_EQ("3.5", Variant(Currency{35000}).ToText());
  EXPECT_EQ("-922337203685477.5808", Variant(Currency{INT64_MIN}).ToText());
  EXPECT_EQ("-0.0001", Variant(Currency{-1}).ToText());
  EXPECT_EQ(VarType::Currency, Variant(2).ConvertTo(VarType::Currency).Type());
  EXPECT_TRUE(Variant(Currency{1}).IsNumeric());
  EXPECT_EQ(1, *Variant(Currency{9007199254740993}).Compare(Variant(Currency{9007199254740992})));
  EXPECT_EQ(0, *Variant(Currency{35000}).Compare(Variant(3.5)));
}

TEST(VariantTest, DatesAreSerialsReadAndWrittenAsTheRuntimeCountsThem) {
  EXPECT_EQ(0.0, Variant("1899-12-30").ToDate().serial);
  EXPECT_EQ(29932.0, Variant("1981-12-12").ToDate().serial);
  EXPECT_EQ(Variant("2024-07-15").ToDate().serial, Variant("7/15/2024").ToDate().serial);
  EXPECT_EQ(45488.4375, Variant("2024-07-15 10:30").ToDate().serial);
  EXPECT_EQ(-1.25, Variant("1899-12-29 06:00:00").ToDate().serial);  // the fraction counts forward
  EXPECT_EQ(0.5, Variant("12:00").ToDate().serial);
  EXPECT_EQ("2024-07-15 10:30:00", Variant(Date{45488.4375}).ToText());
  EXPECT_EQ("1899-12-29 06:00:00", Variant(Date{-1.25}).ToText());
  EXPECT_EQ("12:00:00", Variant(Date{0.5}).ToText());
  EXPECT_EQ("1974-09-21", Variant(Date{27293}).ToText());
  EXPECT_EQ("9999-12-31", Variant(Date{2958465}).ToText());
  EXPECT_EQ("0100-01-01", Variant(Date{-657434}).ToText());
  EXPECT_EQ("2000-01-01", Variant(Date{36525.9999999}).ToText());  // to the nearest second
  for (const char* bad : {"2023-02-29", "2024-13-01", "0099-12-31", "24:00", "2024-07-15 x"}) {
    SCOPED_TRACE(bad);
    EXPECT_NRX_ERROR(err::kTypeMismatch, Variant(bad).ToDate());
  }
  EXPECT_NRX_ERROR(err::kOverflow, Variant(2958466.0).ToDate());
  EXPECT_EQ(2.0, Variant("2").ToDate().serial);  // a number is a serial
  EXPECT_EQ(-1, *Variant(Date{100}).Compare(Variant("1900-04-10")));
  EXPECT_FALSE(Variant(Date{1}).IsNumeric());
  EXPECT_EQ(VarType::Date, Variant("2024-07-15").ConvertTo(VarType::Date).Type());
}

TEST(VariantTest, BytesComeFromBytesOrTextsOnly) {
  EXPECT_EQ((Bytes{'a', 0xC3, 0xA9}), Variant("a\xC3\xA9").ToBytes());
  EXPECT_EQ(VarType::Bytes, Variant(Bytes{1, 2}).Type());
  EXPECT_NRX_ERROR(err::kTypeMismatch, Variant(3).ToBytes());
  EXPECT_NRX_ERROR(err::kTypeMismatch, Variant(Bytes{1}).ToText());
  EXPECT_NRX_ERROR(err::kTypeMismatch, Variant(Bytes{1}).Compare(Variant(Bytes{1})));
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
