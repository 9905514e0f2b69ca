// Loading a draw with 验证, and the zodiac rule it applies.
#include "bets/draw_setup.h"

#include "core/custom_functions.h"
#include "tests/test_support.h"
#include "zodiac/zodiac_rule.h"

namespace korvane {
namespace {

struct Loaded {
  Draw obj;
  Variant answer;
  Loaded(Variant year, Variant numbers, Variant special) {
    answer = load_draw(obj, year, numbers, special);
  }
};

TEST(DrawSetup, WorkedExample2013) {
  Loaded d(N(2013), S(u"05 12 18 30 41 49"), S(u"08"));
  EXPECT_EQ(d.answer, Variant(kConfirmation));
  EXPECT_EQ(d.obj.yyy, u"5");
  const char16_t* numbers[] = {u"05", u"12", u"18", u"30", u"41", u"49"};
  const char16_t* signs[] = {u"牛", u"马", u"鼠", u"鼠", u"牛", u"蛇"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(d.obj.p[i], S(numbers[i])) << i;
    EXPECT_EQ(d.obj.pp[i], S(signs[i])) << i;
  }
  EXPECT_EQ(d.obj.t, S(u"08"));
  EXPECT_EQ(d.obj.tt, S(u"狗"));
}

// The published tables for 2008 and 2013: sign -> its numbers.
TEST(ZodiacRule, TablesFor2008And2013) {
  const struct {
    const char16_t* sign;
    std::vector<int> y2008, y2013;
  } rows[] = {
      {u"牛", {12, 24, 36, 48}, {5, 17, 29, 41}},    {u"虎", {11, 23, 35, 47}, {4, 16, 28, 40}},
      {u"免", {10, 22, 34, 46}, {3, 15, 27, 39}},    {u"龙", {9, 21, 33, 45}, {2, 14, 26, 38}},
      {u"蛇", {8, 20, 32, 44}, {1, 13, 25, 37, 49}}, {u"马", {7, 19, 31, 43}, {12, 24, 36, 48}},
      {u"羊", {6, 18, 30, 42}, {11, 23, 35, 47}},    {u"猴", {5, 17, 29, 41}, {10, 22, 34, 46}},
      {u"鸡", {4, 16, 28, 40}, {9, 21, 33, 45}},     {u"狗", {3, 15, 27, 39}, {8, 20, 32, 44}},
      {u"猪", {2, 14, 26, 38}, {7, 19, 31, 43}},     {u"鼠", {1, 13, 25, 37, 49}, {6, 18, 30, 42}},
  };
  for (const auto& row : rows) {
    for (auto [year, numbers] : {std::pair{2008, row.y2008}, std::pair{2013, row.y2013}}) {
      for (int n : numbers) {
        EXPECT_EQ(zodiac::sign_of(n, year), row.sign) << year << " " << n;
        // and through the draw set-up, as a two-digit text and as a number
        char16_t two[3] = {char16_t(u'0' + n / 10), char16_t(u'0' + n % 10), 0};
        Loaded text(N(year), S(two), S(two));
        EXPECT_EQ(text.obj.pp[0], S(row.sign)) << year << " " << n;
        EXPECT_EQ(text.obj.tt, S(row.sign));
        Loaded num(N(year), N(n), N(n));
        EXPECT_EQ(num.obj.tt, S(row.sign)) << year << " " << n;
      }
    }
  }
}

// Whole numbers 1..49 in whole years: the step-by-step rule agrees with the
// closed form for every year of two centuries.
TEST(ZodiacRule, StepRuleMatchesClosedForm) {
  for (int year = 1900; year <= 2100; ++year) {
    for (int n = 1; n <= 49; ++n) {
      Loaded d(N(year), kEmpty, N(n));
      ASSERT_EQ(d.obj.tt, S(zodiac::sign_of(n, year))) << year << " " << n;
    }
  }
}

TEST(DrawSetup, EdgeCases) {
  const struct {
    const char* what;
    Variant year, numbers, special;
    Variant p1, pp1, p2, pp2, tt;
  } cases[] = {
      {"2008 starts with the rat", N(2008), S(u"01 02 12 13 25 49"), S(u"12"), S(u"01"), S(u"鼠"),
       S(u"02"), S(u"猪"), S(u"牛")},
      {"2007 is one sign back", N(2007), S(u"01"), S(u"01"), S(u"01"), S(u"猪"), S(u""), I(0),
       S(u"猪")},
      {"commas separate as well as spaces", N(2013), S(u"01,02,03,04,05,06"), S(u"08"), S(u"01"),
       S(u"蛇"), S(u"02"), S(u"龙"), S(u"狗")},
      {"a numeric pn is its text", N(2013), N(1), S(u"08"), S(u"1"), S(u"蛇"), S(u""), I(0),
       S(u"狗")},
      {"00 is undrawn", N(2013), S(u"00 12"), S(u"00"), S(u"00"), I(0), S(u"12"), S(u"马"), I(0)},
      {"special as a number", N(2013), S(u"05"), N(8), S(u"05"), S(u"牛"), S(u""), I(0), S(u"狗")},
      {"fractional special rounds half to even", N(2013), S(u"05"), N(7.5), S(u"05"), S(u"牛"),
       S(u""), I(0), S(u"狗")},
      {"not a number", N(2013), S(u"ab 5x"), S(u"50"), S(u"ab"), I(0), S(u"5x"), S(u"马"), I(0)},
      {"special is an error", N(2013), S(u"05"), E(ExcelError::NA), S(u"05"), S(u"牛"), S(u""),
       I(0), I(0)},
      {"special as a reference", N(2013), S(u"05"), Ref(S(u"08")), S(u"05"), S(u"牛"), S(u""), I(0),
       S(u"狗")},
  };
  for (const auto& c : cases) {
    Loaded d(c.year, c.numbers, c.special);
    EXPECT_EQ(d.obj.p[0], c.p1) << c.what;
    EXPECT_EQ(d.obj.pp[0], c.pp1) << c.what;
    EXPECT_EQ(d.obj.p[1], c.p2) << c.what;
    EXPECT_EQ(d.obj.pp[1], c.pp2) << c.what;
    EXPECT_EQ(d.obj.tt, c.tt) << c.what;
    EXPECT_EQ(d.obj.t, c.special) << c.what;
  }
}

TEST(DrawSetup, FailingStepsKeepThePreviousDraw) {
  Loaded d(N(2013), S(u"05 12 18 30 41 49"), S(u"08"));
  // A year that is no number keeps the offset; an error for pn keeps the numbers.
  load_draw(d.obj, S(u"明年"), E(ExcelError::NA), S(u"13"));
  EXPECT_EQ(d.obj.yyy, u"5");
  EXPECT_EQ(d.obj.p[5], S(u"49"));
  EXPECT_EQ(d.obj.pp[5], S(u"蛇"));
  EXPECT_EQ(d.obj.tt, S(u"蛇"));
  // A new year re-signs the old numbers.
  load_draw(d.obj, N(2008), Block(N(1), N(2)), S(u"13"));
  EXPECT_EQ(d.obj.yyy, u"0");
  EXPECT_EQ(d.obj.pp[0], S(u"猴"));
  // Before any valid year the offset is empty and counts as 0.
  Draw fresh;
  load_draw(fresh, S(u"x"), S(u"01"), S(u"13"));
  EXPECT_EQ(fresh.yyy, u"");
  EXPECT_EQ(fresh.pp[0], S(u"鼠"));
  EXPECT_EQ(fresh.tt, S(u"鼠"));
}

// The rule as the sheets compute it, through text forms and Val, for every
// kind of value: the quick way for whole numbers must agree with it.
TEST(ZodiacRule, CyclePositionAgreesWithTheTextRoundTrip) {
  auto literal_cycle = [](const Variant& n) -> Maybe<double> {
    const Maybe<double> value = number(n);
    if (!value) return std::nullopt;
    const Maybe<Text> before = text(Variant(*value - 1));
    const Maybe<Text> self = text(n);
    if (!before || !self) return std::nullopt;
    return leading_number(*self) - 12 * floor_(leading_number(*before) / 12);
  };
  auto literal_outside = [](const Variant& n) -> Maybe<bool> {
    const Maybe<Text> self = text(n);
    if (!self) return std::nullopt;
    return leading_number(*self) < 1 || leading_number(*self) > 49;
  };
  std::vector<Variant> values = {kEmpty,
                                 Variant(true),
                                 Variant(false),
                                 I(0),
                                 I(-7),
                                 I(49),
                                 Variant::long_integer(123456),
                                 N(-0.0),
                                 N(0.5),
                                 N(7.5),
                                 N(12.3),
                                 N(12.7),
                                 N(1e15),
                                 N(1e15 - 1),
                                 N(-1e15 + 1),
                                 N(1e20),
                                 N(0.1 + 0.2),
                                 N(48.99999999999999),
                                 S(u""),
                                 S(u"05"),
                                 S(u" 5 "),
                                 S(u"+5"),
                                 S(u"-0"),
                                 S(u"1e1"),
                                 S(u"5."),
                                 S(u".5"),
                                 S(u"00"),
                                 S(u"0049"),
                                 S(u"5x"),
                                 S(u"ab"),
                                 S(u"&H10"),
                                 S(u"1e15"),
                                 S(u"999999999999999"),
                                 S(u"1e999"),
                                 E(ExcelError::NA),
                                 Ref(S(u"08")),
                                 Ref(N(13)),
                                 Block(N(1), N(2))};
  for (int n = -30; n <= 80; ++n) {
    values.push_back(N(n));
    values.push_back(S(to_utf16(std::to_string(n))));
  }
  for (const Variant& v : values) {
    EXPECT_EQ(zodiac::cycle_position(v), literal_cycle(v)) << shown_value(v);
    EXPECT_EQ(zodiac::outside_draw_range(v), literal_outside(v)) << shown_value(v);
  }
}

TEST(DrawSetup, FractionalYear) {
  Loaded d(N(2013.5), S(u"05"), S(u"08"));
  EXPECT_EQ(d.obj.yyy, u"5.5");
}

// The rule settling warns by: each way a loaded draw can fail to be one a
// lottery draws, and the first fault named; a draw that is one passes.
TEST(WellFormedDraw, NamesTheFirstFault) {
  using enum DrawProblem::Kind;
  const struct {
    Variant year, numbers, special;
    DrawProblem why;
  } cases[] = {
      {N(2013), S(u"05 12 18 30 41 49"), S(u"08"), {}},
      {N(2013), S(u"1 2 3 4 5 6"), S(u"49"), {NotLotteryNumber, 1}},
      {N(2013.5), S(u"05 12 18 30 41 49"), S(u"08"), {YearNotWhole}},
      {N(0), S(u"05 12 18 30 41 49"), S(u"08"), {YearNotWhole}},
      {N(10000), S(u"05 12 18 30 41 49"), S(u"08"), {YearNotWhole}},
      {S(u"二〇一三"), S(u"05 12 18 30 41 49"), S(u"08"), {YearNotWhole}},
      {N(2013), S(u"05 12 18 30 41 50"), S(u"08"), {NotLotteryNumber, 6}},
      {N(2013), S(u"00 00 00 00 00 00"), S(u"00"), {NotLotteryNumber, 1}},
      {N(2013), S(u"05 12 05 30 41 49"), S(u"08"), {DrawnTwice, 3}},
      {N(2013), S(u"05 12 18 30 41 49"), S(u"49"), {DrawnTwice, 7}},
      // One digit: no bet on 08 matches it.
      {N(2013), S(u"05 12 18 30 41 49"), N(8), {NotLotteryNumber, 7}},
      {N(2013), S(u"05 12 18 30 41 49"), S(u"8"), {NotLotteryNumber, 7}},
      {N(2013), S(u"05 12 18 30 41 49"), N(10), {}},
      // A seventh number, or one glued on, is not read by the draw: it would
      // vanish without a word (a "none of 49" bet paid though 49 was typed).
      {N(2013), S(u"07 05 12 18 30 41 49"), S(u"08"), {MoreThanSix}},
      {N(2013), S(u"05 12 18 30 41 4912"), S(u"08"), {MoreThanSix}},
      {N(2013), S(u"05 12 18 30 41 49  "), S(u"08"), {}},
      // 13 for 2013 gives every number another sign.
      {N(13), S(u"05 12 18 30 41 49"), S(u"08"), {YearNotFourDigits}},
      {N(2013), S(u"05 12 18 30 41 49"), kEmpty, {NotLotteryNumber, 7}},
  };
  for (const auto& c : cases) {
    Draw d;
    load_draw(d, c.year, c.numbers, c.special);
    const DrawProblem got = draw_problem(d, c.year, c.numbers);
    EXPECT_EQ(got.kind, c.why.kind) << ::testing::PrintToString(c.numbers);
    EXPECT_EQ(got.which, c.why.which) << ::testing::PrintToString(c.numbers);
  }
}

}  // namespace
}  // namespace korvane
