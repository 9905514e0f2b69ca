// The value conventions every worksheet function reads its arguments by.
#include "core/conventions.h"

#include <cmath>
#include <cstdio>

#include "tests/test_support.h"

namespace korvane {
namespace {

std::string text_of(const Variant& v) {
  const Maybe<Text> t = text(v);
  return t ? to_utf8(t->view()) : std::string("<fails>");
}

TEST(TextForm, NumbersUseAtMostFifteenSignificantDigits) {
  const struct {
    double x;
    const char* want;
  } cases[] = {
      {5, "5"},
      {2.5, "2.5"},
      {0.1 + 0.2, "0.3"},
      {-0.0, "0"},
      {-3, "-3"},
      {100, "100"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.0, "999999999999999"},
      {9999999999999995.0, "1E+16"},  // rounds up into exponent form
      {1e15, "1E+15"},
      {1.5e-7, "1.5E-07"},
      {1e100, "1E+100"},
      {-2.5e-300, "-2.5E-300"},
      {0.0001, "0.0001"},
      {0.00001, "1E-05"},
      {0.000012345, "1.2345E-05"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {12345678.9, "12345678.9"},
      {1e14, "100000000000000"},
      {99999999999999.95, "100000000000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(text_of(N(c.x)), c.want) << c.x;
}

TEST(TextForm, OtherKinds) {
  EXPECT_EQ(text_of(kEmpty), "");
  EXPECT_EQ(text_of(Variant(true)), "True");
  EXPECT_EQ(text_of(Variant(false)), "False");
  EXPECT_EQ(text_of(I(-7)), "-7");
  EXPECT_EQ(text_of(Variant::long_integer(70000)), "70000");
  EXPECT_EQ(text_of(S(u"牛 01")), "牛 01");
  EXPECT_EQ(text_of(Ref(N(8))), "8");
  EXPECT_EQ(text_of(Ref(S(u"a long text that does not fit inline"))),
            "a long text that does not fit inline");
  EXPECT_EQ(text_of(E(ExcelError::NA)), "<fails>");
  EXPECT_EQ(text_of(Ref(E(ExcelError::Div0))), "<fails>");
  EXPECT_EQ(text_of(Block(N(1), N(2))), "<fails>");
  EXPECT_EQ(text_of(Variant(make_array(1, 1, {N(1)}))), "<fails>");
}

TEST(NumericCoercion, Texts) {
  const struct {
    const char16_t* s;
    Maybe<double> want;
  } cases[] = {
      {u"5", 5},
      {u"  5  ", 5},
      {u"-2.5", -2.5},
      {u"+3", 3},
      {u"1e3", 1000},
      {u"1E-2", 0.01},
      {u"2.5e+1", 25},
      {u".5", 0.5},
      {u"5.", 5},
      {u"05", 5},
      {u"0", 0},
      {u"", std::nullopt},
      {u"   ", std::nullopt},
      {u"abc", std::nullopt},
      {u"5x", std::nullopt},
      {u"&H10", std::nullopt},
      {u"1.2.3", std::nullopt},
      {u"1e", std::nullopt},
      {u"- 5", std::nullopt},
      {u"1 000", std::nullopt},
      {u"1e999", std::nullopt},
      {u"\t5", std::nullopt},
      {u"５", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse_number(c.s), c.want) << to_utf8(c.s);
  }
}

TEST(NumericCoercion, Kinds) {
  EXPECT_EQ(number(kEmpty), 0.0);
  EXPECT_EQ(number(Variant(true)), -1.0);
  EXPECT_EQ(number(Variant(false)), 0.0);
  EXPECT_EQ(number(I(12)), 12.0);
  EXPECT_EQ(number(Ref(S(u"2500000"))), 2500000.0);
  EXPECT_EQ(number(Ref(kEmpty)), 0.0);
  EXPECT_FALSE(number(E(ExcelError::Value)));
  EXPECT_FALSE(number(Block(N(1), N(2))));
  EXPECT_FALSE(number(N(HUGE_VAL)));
}

// The width VB's arithmetic gives the result (an Integer stays whole, a text
// never does).
TEST(NumericCoercion, KeepsTheWidth) {
  using W = Numeric::Width;
  const struct {
    Variant v;
    Maybe<double> value;
    W width;
  } cases[] = {
      {kEmpty, 0, W::Integer},
      {Variant(true), -1, W::Integer},
      {I(7), 7, W::Integer},
      {Variant::long_integer(70000), 70000, W::Long},
      {Ref(Variant::long_integer(-5)), -5, W::Long},
      {N(2), 2, W::Double},
      {S(u"3"), 3, W::Double},
      {Ref(S(u" 4 ")), 4, W::Double},
      {S(u"x"), std::nullopt, W::Integer},
      {N(HUGE_VAL), std::nullopt, W::Integer},
      {E(ExcelError::NA), std::nullopt, W::Integer},
  };
  for (const auto& c : cases) {
    const Maybe<Numeric> n = numeric(c.v);
    ASSERT_EQ(n.has_value(), c.value.has_value()) << shown_value(c.v);
    EXPECT_EQ(number(c.v), c.value) << shown_value(c.v);
    if (n) {
      EXPECT_EQ(n->value, *c.value) << shown_value(c.v);
      EXPECT_EQ(n->width, c.width) << shown_value(c.v);
    }
  }
}

TEST(LeadingNumber, ReadsTheLongestNumericPrefix) {
  const struct {
    const char16_t* s;
    double want;
  } cases[] = {
      {u"05", 5},          {u"7x", 7},         {u"ab", 0},      {u"", 0},       {u" 1 2 3", 123},
      {u"\t4\n5", 45},     {u"-3.5abc", -3.5}, {u"1.2.3", 1.2}, {u"2e3", 2000}, {u"2e", 2},
      {u"2e+", 2},         {u"1E-2x", 0.01},   {u"&H1F", 31},   {u"&hff", 255}, {u"&HFFFF", -1},
      {u"&H10000", 65536}, {u"&O17", 15},      {u"&o8", 0},     {u"&", 0},      {u"-", 0},
      {u".", 0},           {u".5", 0.5},       {u"+7", 7},      {u"牛5", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(leading_number(c.s), c.want) << to_utf8(c.s);
}

TEST(Positions, RoundHalfToEven) {
  const struct {
    double x;
    std::int64_t want;
  } cases[] = {{10.5, 10}, {11.5, 12}, {12.5, 12},  {12.51, 13},
               {-0.5, 0},  {-1.5, -2}, {2.4999, 2}, {7, 7}};
  for (const auto& c : cases) EXPECT_EQ(position(c.x), c.want) << c.x;
  EXPECT_FALSE(position(NAN));
  EXPECT_FALSE(position(1e300));
}

TEST(Floor, TowardMinusInfinity) {
  EXPECT_EQ(floor_(-0.5), -1);
  EXPECT_EQ(floor_(0.5), 0);
  EXPECT_EQ(floor_(-12), -12);
}

TEST(Comparisons, EqualsTextComparesTextsOnly) {
  EXPECT_EQ(equals_text(S(u"00"), u"00"), true);
  EXPECT_EQ(equals_text(N(0), u"00"), false);
  EXPECT_EQ(equals_text(kEmpty, u"00"), false);
  EXPECT_EQ(equals_text(kEmpty, u""), true);
  EXPECT_EQ(equals_text(Ref(S(u"00")), u"00"), true);
  EXPECT_EQ(equals_text(Variant(true), u"True"), false);
  EXPECT_FALSE(equals_text(E(ExcelError::NA), u"00"));
  EXPECT_EQ(greater_than(S(u"5"), 1), true);
  EXPECT_FALSE(greater_than(S(u"开奖"), 1));
}

TEST(CodeCount, NonOverlappingOccurrencesTimesLengthLessOne) {
  EXPECT_EQ(count_code(u"07 15 07 33", u"07"), 2u);
  EXPECT_EQ(count_code(u"777", u"77"), 1u);
  EXPECT_EQ(count_code(u"0707", u"707"), 2u);
  EXPECT_EQ(count_code(u"07 15", u"7"), 0u);
  EXPECT_EQ(count_code(u"07 15", u""), 0u);
}

TEST(Trim, SpacesAndIdeographicSpaces) {
  EXPECT_EQ(trim_spaces(u"  05 12\u3000 "), u"05 12");
  EXPECT_EQ(trim_spaces(u"   "), u"");
  EXPECT_EQ(trim_spaces(u"\t5"), u"\t5");
}

// A whole number below 10^15 is written digit by digit; it must read as
// the 15-digit general form (printf's %.15G, whose exponent form starts at
// the same place) writes it, and from 10^15 on the exponent form takes over.
TEST(TextForm, WholeNumbersAsTheGeneralFormWritesThem) {
  const double values[] = {1,
                           -1,
                           5,
                           -5,
                           10,
                           100,
                           2013,
                           -2008,
                           49,
                           1e9,
                           1e14,
                           999999999999999.0,
                           -999999999999999.0,
                           123456789012345.0,
                           4294967296.0};
  for (const double x : values) {
    char want[40];
    std::snprintf(want, sizeof want, "%.15G", x);
    EXPECT_EQ(to_utf8(number_text(x)), want) << x;
  }
  EXPECT_EQ(number_text(1e15), u"1E+15");
  EXPECT_EQ(number_text(-0.0), u"0");
}

}  // namespace
}  // namespace korvane
