// TEMA, TEMAL and 求和1: counting a code in a bet text.
#include "tests/calls.h"

namespace korvane {
namespace {

TEST(Tema, CountsTheCodeWhenMIsAboveZero) {
  const struct {
    const char* what;
    Variant a, b, m;
    Maybe<Variant> want;
  } cases[] = {
      {"worked example", S(u"07 15 07 33"), S(u"07"), N(10), L(2)},
      {"a number code reads as 7", S(u"07 15 07 33"), N(7), N(10), L(0)},
      {"m of 0 leaves the result empty", S(u"07 15 07 33"), S(u"07"), N(0), kEmpty},
      {"negative m", S(u"07 15 07 33"), S(u"07"), N(-3), kEmpty},
      {"empty m counts as 0", S(u"07 15 07 33"), S(u"07"), kEmpty, kEmpty},
      {"numeric text m", S(u"07 15 07 33"), S(u"07"), S(u"5"), L(2)},
      {"m as a reference", S(u"07 15 07 33"), Ref(S(u"07")), Ref(N(1)), L(2)},
      {"one-character code", S(u"777 7"), S(u"7"), N(1), L(0)},
      {"Chinese one-character code", S(u"单单双"), S(u"单"), N(1), L(0)},
      {"empty code", S(u"07 15"), kEmpty, N(1), L(0)},
      {"overlaps count once", S(u"777"), S(u"77"), N(1), L(1)},
      {"three characters count twice", S(u"0707 07"), S(u"707"), N(1), L(2)},
      {"unread bet text when m is not above 0", E(ExcelError::NA), S(u"07"), N(0), kEmpty},
      {"m not a number", S(u"07"), S(u"07"), S(u"十"), kFails},
      {"m an error value", S(u"07"), S(u"07"), E(ExcelError::Div0), kFails},
      {"m several cells", S(u"07"), S(u"07"), Block(N(1), N(2)), kFails},
      {"bet text an error value", Ref(E(ExcelError::NA)), S(u"07"), N(1), kFails},
      {"code several cells", S(u"07"), Block(S(u"07"), S(u"08")), N(1), kFails},
  };
  for (const auto& c : cases) {
    Draw obj;
    EXPECT_EQ(call_named(obj, u"TEMA", {c.a, c.b, c.m, kEmpty}), c.want) << c.what;
  }
}

TEST(Temal, LengthPlusOneOverThree) {
  const struct {
    const char* what;
    Variant y;
    Maybe<Variant> want;
  } cases[] = {
      {"worked example", S(u"05 12 33"), N(3)},
      {"as a reference", Ref(S(u"05 12 33")), N(3)},
      {"trailing spaces are trimmed", S(u"05 12 33   "), N(3)},
      {"ideographic spaces are trimmed", S(u"\u300005 12 33\u3000"), N(3)},
      {"a double space inside", S(u"05  12"), N(7.0 / 3)},
      {"empty cell", kEmpty, N(1.0 / 3)},
      {"one character", S(u"5"), N(2.0 / 3)},
      {"a number is its text", N(5), N(2.0 / 3)},
      {"an error value", Ref(E(ExcelError::NA)), kFails},
      {"several cells", Block(S(u"05"), S(u"12")), kFails},
  };
  for (const auto& c : cases) {
    Draw obj;
    EXPECT_EQ(call_named(obj, u"TEMAL", {c.y}), c.want) << c.what;
  }
}

TEST(Sum1, StakeTimesOddsTimesCount) {
  const Variant bets = S(u"07 15 07 33");
  const struct {
    const char* what;
    Variant t, p1, r, code, stake, odds;
    Maybe<Variant> want;
  } cases[] = {
      {"worked example", S(u"08"), S(u"05"), bets, S(u"07"), N(100), N(40), N(8000)},
      {"special undrawn", S(u"00"), S(u"05"), bets, S(u"07"), N(100), N(40), I(0)},
      {"first regular undrawn", S(u"08"), S(u"00"), bets, S(u"07"), N(100), N(40), I(0)},
      {"before any draw", kEmpty, kEmpty, bets, S(u"07"), N(100), N(40), N(8000)},
      {"the number 0 is no undrawn mark", N(0), N(0), bets, S(u"07"), N(100), N(40), N(8000)},
      {"special held as a reference", Ref(S(u"00")), S(u"05"), bets, S(u"07"), N(100), N(40), I(0)},
      {"empty stake", S(u"08"), S(u"05"), bets, S(u"07"), kEmpty, N(40), N(0)},
      {"empty stake, undrawn", S(u"00"), S(u"05"), bets, S(u"07"), kEmpty, N(40), I(0)},
      {"numeric texts", S(u"08"), S(u"05"), bets, S(u"07"), S(u"100"), S(u" 40 "), N(8000)},
      {"whole factors stay whole", S(u"08"), S(u"05"), bets, S(u"07"), I(100), I(40), L(8000)},
      {"one-character code", S(u"08"), S(u"05"), bets, S(u"7"), N(100), N(40), N(0)},
      // The text is trimmed before counting: a code with a space in front no
      // longer finds the first number.
      {"trimmed before counting", S(u"08"), S(u"05"), S(u"\u3000 07 33"), S(u" 07"), N(100), N(40),
       N(0)},
      {"stake not a number", S(u"08"), S(u"05"), bets, S(u"07"), S(u"一百"), N(40), kFails},
      {"odds an error value", S(u"08"), S(u"05"), bets, S(u"07"), N(100), E(ExcelError::NA),
       kFails},
      {"bet text an error value", S(u"08"), S(u"05"), E(ExcelError::Ref), S(u"07"), N(100), N(40),
       kFails},
      {"code several cells", S(u"08"), S(u"05"), bets, Block(S(u"07"), S(u"08")), N(100), N(40),
       kFails},
      {"draw holds an error value", E(ExcelError::NA), S(u"00"), bets, S(u"07"), N(100), N(40),
       kFails},
      {"amount overflows", S(u"08"), S(u"05"), bets, S(u"07"), N(1e300), N(1e10), kFails},
  };
  for (const auto& c : cases) {
    Draw obj;
    obj.t = c.t;
    obj.p[0] = c.p1;
    EXPECT_EQ(call_named(obj, u"求和1", {c.r, c.code, c.stake, c.odds, kEmpty}), c.want) << c.what;
  }
}

TEST(Sum1, ReadsTheDrawOfTheLastSetUp) {
  Draw obj;
  load_draw(obj, N(2013), S(u"00 00 00 00 00 00"), S(u"00"));
  EXPECT_EQ(call_named(obj, u"求和1", {S(u"07"), S(u"07"), N(1), N(1), kEmpty}), I(0));
  load_draw(obj, N(2013), S(u"05 12 18 30 41 49"), S(u"07"));
  EXPECT_EQ(call_named(obj, u"求和1", {S(u"07"), S(u"07"), N(1), N(1), kEmpty}), N(1));
}

}  // namespace
}  // namespace korvane
