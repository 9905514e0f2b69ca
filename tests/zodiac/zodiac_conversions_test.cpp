// 肖转号码 and 号码转肖: signs to numbers and numbers to signs.
#include <string>

#include "tests/calls.h"
#include "zodiac/zodiac_rule.h"

namespace korvane {
namespace {

Maybe<Variant> signs_to_numbers(Variant year, std::vector<Variant> signs) {
  Draw obj;
  std::vector<Variant> args{std::move(year)};
  for (Variant& s : signs) args.push_back(std::move(s));
  args.resize(8);
  args.push_back(Ref(N(1)));  // 易失
  return call_named(obj, u"肖转号码", std::move(args));
}

Maybe<Variant> number_to_sign(Variant year, Variant number) {
  Draw obj;
  return call_named(obj, u"号码转肖", {std::move(year), std::move(number), Ref(S(u"x"))});
}

std::u16string two_digits(int n) { return {char16_t(u'0' + n / 10), char16_t(u'0' + n % 10)}; }

TEST(SignsToNumbers, GroupsOf2013) {
  const struct {
    const char16_t* sign;
    const char16_t* numbers;
  } rows[] = {
      {u"鼠", u"06 18 30 42"}, {u"牛", u"05 17 29 41"}, {u"虎", u"04 16 28 40"},
      {u"免", u"03 15 27 39"}, {u"龙", u"02 14 26 38"}, {u"蛇", u"01 13 25 37 49"},
      {u"马", u"12 24 36 48"}, {u"羊", u"11 23 35 47"}, {u"猴", u"10 22 34 46"},
      {u"鸡", u"09 21 33 45"}, {u"狗", u"08 20 32 44"}, {u"猪", u"07 19 31 43"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(signs_to_numbers(N(2013), {S(row.sign)}), S(row.numbers)) << to_utf8(row.sign);
  }
}

TEST(SignsToNumbers, JoinedResults) {
  const Variant no = kEmpty;
  const struct {
    const char* what;
    Variant year;
    std::vector<Variant> signs;
    Maybe<Variant> want;
  } cases[] = {
      {"two signs", N(2013), {S(u"蛇"), S(u"马")}, S(u"01 13 25 37 49 12 24 36 48")},
      {"a gap leaves two spaces",
       N(2013),
       {S(u"蛇"), no, S(u"马")},
       S(u"01 13 25 37 49  12 24 36 48")},
      {"兔 is not a sign; the leading space goes",
       N(2013),
       {S(u"兔"), S(u"蛇")},
       S(u"01 13 25 37 49")},
      {"three signs of 2014",
       N(2014),
       {S(u"马"), S(u"羊"), S(u"猴")},
       S(u"01 13 25 37 49 12 24 36 48 11 23 35 47")},
      {"2008 starts with the rat",
       N(2008),
       {S(u"鼠"), S(u"猪"), S(u"狗"), S(u"牛")},
       S(u"01 13 25 37 49 02 14 26 38 03 15 27 39 12 24 36 48")},
      {"two gaps leave three spaces",
       N(2013),
       {S(u"蛇"), no, S(u"x"), S(u"马")},
       S(u"01 13 25 37 49   12 24 36 48")},
      {"gaps at either end leave nothing",
       N(2013),
       {no, S(u"牛"), no, no, no, no, no},
       S(u"05 17 29 41")},
      {"all seven empty", N(2013), {}, S(u"")},
      {"the same sign twice", N(2013), {S(u"牛"), S(u"牛")}, S(u"05 17 29 41 05 17 29 41")},
      {"traditional forms are not signs",
       N(2013),
       {S(u"龍"), S(u"馬"), S(u"雞"), S(u"豬")},
       S(u"")},
      {"a space around a sign", N(2013), {S(u" 牛"), S(u"牛\u3000")}, S(u"")},
      {"0 has index 0", N(2013), {S(u"0"), N(0)}, S(u"")},
      {"a whole run of the list counts as its first sign",
       N(2013),
       {S(u"鼠牛")},
       S(u"06 18 30 42")},
      {"a reversed run is not in the list", N(2013), {S(u"牛鼠")}, S(u"")},
      {"numbers and booleans name no sign", N(2013), {N(5), Variant(true)}, S(u"")},
      {"a numeric text year", S(u"2013"), {S(u"蛇")}, S(u"01 13 25 37 49")},
      {"signs as references", Ref(N(2013)), {Ref(S(u"蛇")), Ref(kEmpty)}, S(u"01 13 25 37 49")},
      {"years twelve apart", N(2025), {S(u"蛇")}, S(u"01 13 25 37 49")},
      {"before 2008", N(1996), {S(u"鼠")}, S(u"01 13 25 37 49")},
      {"an empty year is offset -2008, like 2016", kEmpty, {S(u"猴")}, S(u"01 13 25 37 49")},
      // A fractional year is not rounded: the group is fractional and the
      // rounded start cuts 11 characters across two groups.
      {"straddling slice", N(2008.5), {S(u"鼠")}, S(u"32 44*07 19")},
      {"start 50.5 rounds to even", N(2008.375), {S(u"鼠")}, S(u"9 21 33 45*")},
      {"starts 137.5 and 5.5 round to even; a slice may run off the end",
       N(2010.125),
       {S(u"鼠"), S(u"牛")},
       S(u"26 38  25 37*12 2")},
      {"year not a number, even with no signs", S(u"今年"), {}, kFails},
      {"year an error value", E(ExcelError::NA), {S(u"蛇")}, kFails},
      {"year several cells", Block(N(2013), N(2014)), {S(u"蛇")}, kFails},
      {"a sign an error value", N(2013), {S(u"蛇"), no, Ref(E(ExcelError::NA))}, kFails},
      {"a sign several cells", N(2013), {Block(S(u"蛇"), S(u"马"))}, kFails},
      {"the group arithmetic overflows", N(1.7e308), {}, kFails},
  };
  for (const auto& c : cases) EXPECT_EQ(signs_to_numbers(c.year, c.signs), c.want) << c.what;
}

// For every whole year of two centuries, each sign lists exactly the numbers
// the draw set-up gives that sign, in ascending order.
TEST(SignsToNumbers, AgreeWithTheZodiacRuleForEveryYear) {
  for (int year = 1900; year <= 2100; ++year) {
    for (std::size_t k = 0; k < zodiac::kSigns.size(); ++k) {
      const std::u16string_view sign = zodiac::kSigns.substr(k, 1);
      std::u16string want;
      for (int n = 1; n <= 49; ++n) {
        if (zodiac::sign_of(n, year) != sign) continue;
        if (!want.empty()) want += u' ';
        want += two_digits(n);
      }
      ASSERT_EQ(signs_to_numbers(N(year), {S(sign)}), S(want)) << year << " " << to_utf8(sign);
    }
  }
}

TEST(NumberToSign, Table) {
  const struct {
    const char* what;
    Variant year, number;
    Maybe<Variant> want;
  } cases[] = {
      {"2008 1", N(2008), N(1), S(u"鼠")},
      {"2008 2", N(2008), N(2), S(u"猪")},
      {"2008 12", N(2008), N(12), S(u"牛")},
      {"2013 1", N(2013), N(1), S(u"蛇")},
      {"2013 2", N(2013), N(2), S(u"龙")},
      {"2013 6", N(2013), N(6), S(u"鼠")},
      {"2014 49", N(2014), N(49), S(u"马")},
      {"0", N(2013), N(0), I(0)},
      {"50", N(2013), N(50), I(0)},
      {"empty cell", N(2013), Ref(kEmpty), I(0)},
      {"the text 00", N(2013), S(u"00"), I(0)},
      {"two-digit text", N(2013), S(u"07"), S(u"猪")},
      {"as a number", N(2013), N(7), S(u"猪")},
      {"as a reference", Ref(S(u"2013")), Ref(S(u"07")), S(u"猪")},
      {"2007 is one sign back", N(2007), S(u"01"), S(u"猪")},
      {"an empty year behaves like 2016", kEmpty, N(1), S(u"猴")},
      {"fraction placed by the same arithmetic", N(2013), N(7.5), S(u"狗")},
      {"thirteenth place is the empty text", N(2008), N(12.3), S(u"")},
      {"12.7 rounds back to the twelfth", N(2008), N(12.7), S(u"鼠")},
      {"fractional year, k = 5.5 to 6", N(2013.5), N(1), S(u"马")},
      {"fractional year, k = 4.5 to 4", N(2013.5), N(2), S(u"龙")},
      {"fraction out of range", N(2008), N(49.5), I(0)},
      {"a negative number", N(2008), N(-5), I(0)},
      {"true reads as -1", N(2008), Variant(true), I(0)},
      {"7a fails although it reads as 7", N(2013), S(u"7a"), kFails},
      {"ab", N(2013), S(u"ab"), kFails},
      {"number an error value", N(2013), E(ExcelError::NA), kFails},
      {"number several cells", N(2013), Block(N(1), N(2)), kFails},
      {"year not a number", S(u"明年"), N(7), kFails},
      {"year an error value", Ref(E(ExcelError::Value)), N(7), kFails},
  };
  for (const auto& c : cases) EXPECT_EQ(number_to_sign(c.year, c.number), c.want) << c.what;
}

// Every whole year of two centuries and every number 1..49, as a number and as
// a two-digit text: the sign the draw set-up gives.
TEST(NumberToSign, AgreesWithTheDrawSetUpForEveryYear) {
  for (int year = 1900; year <= 2100; ++year) {
    for (int n = 1; n <= 49; ++n) {
      Draw draw;
      load_draw(draw, N(year), kEmpty, S(two_digits(n)));
      const Variant want = S(zodiac::sign_of(n, year));
      ASSERT_EQ(draw.tt, want) << year << " " << n;
      ASSERT_EQ(number_to_sign(N(year), N(n)), want) << year << " " << n;
      ASSERT_EQ(number_to_sign(N(year), S(two_digits(n))), want) << year << " " << n;
    }
  }
}

// In a whole year a whole number's cycle position and sign are found by
// whole-number arithmetic; they must be what the rule's own steps on doubles
// give, for numbers and offsets on both sides of zero.
TEST(ZodiacRule, WholeNumberArithmeticAgreesWithTheRule) {
  for (int n = -60; n <= 60; ++n) {
    ASSERT_EQ(zodiac::cycle_position(N(n)), Maybe<double>(zodiac::whole_cycle_position(n))) << n;
  }
  for (int c = -13; c <= 13; ++c) {
    for (int y = -25; y <= 25; ++y) {
      const Variant want = *zodiac::sign_at(c, y);
      ASSERT_EQ(S(std::u16string(1, zodiac::whole_sign(c, y))), want) << c << " " << y;
    }
  }
}

}  // namespace
}  // namespace korvane
