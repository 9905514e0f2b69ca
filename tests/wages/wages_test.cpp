// SL1 to SL4 (process keys) and 工资1 (piece wage).
#include <cmath>

#include "tests/calls.h"

namespace korvane {
namespace {

Maybe<Variant> call1(std::u16string_view name, Variant a) {
  Draw obj;
  return call_named(obj, name, {std::move(a)});
}
Maybe<Variant> call2(std::u16string_view name, Variant a, Variant b) {
  Draw obj;
  return call_named(obj, name, {std::move(a), std::move(b)});
}

TEST(ProcessKeys, Bounds) {
  const struct {
    Variant y;
    Maybe<Variant> sl1, sl2;
  } cases[] = {
      // The scale is a whole constant: a blank or boolean cell gives a whole key.
      {kEmpty, L(0), L(100000000)},
      {Variant(true), L(-100000000), L(0)},
      {N(3), N(300000000), N(400000000)},
      {N(-1), N(-100000000), N(0)},
      {N(2.5), N(250000000), N(350000000)},
      {S(u"7"), N(700000000), N(800000000)},
      {I(21), L(2100000000), N(2200000000)},  // past a Long: widened to a Double
      {S(u"七"), kFails, kFails},
      {E(ExcelError::NA), kFails, kFails},
      {Block(N(1), N(2)), kFails, kFails},
      {N(1e301), kFails, kFails},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(call1(u"SL1", c.y), c.sl1) << shown_value(c.y);
    EXPECT_EQ(call1(u"SL2", Ref(c.y)), c.sl2) << shown_value(c.y);
  }
  for (double y = -50; y <= 50; y += 0.5) {
    EXPECT_EQ(call1(u"SL2", N(y)), call1(u"SL1", N(y + 1))) << y;
  }
}

TEST(ProcessKeys, Packing) {
  const struct {
    Variant process, quantity;
    Maybe<Variant> want;
  } cases[] = {
      {N(12), N(350), N(1200000350)},
      {N(12), N(-350), N(1200000350)},
      {kEmpty, N(350), N(350)},
      {N(12), kEmpty, N(1200000000)},
      {kEmpty, kEmpty, L(0)},
      {N(-2), N(5), N(-199999995)},
      {N(1), N(100000000), N(200000000)},  // spills into the next process
      {N(2), N(0), N(200000000)},
      {N(1.5), N(-0.25), N(150000000.25)},
      {S(u"3"), Ref(S(u"-7")), N(300000007)},
      {I(-32768), I(-32768), N(-3276799967232)},
      {S(u"x"), N(5), kFails},
      {N(5), Ref(E(ExcelError::NA)), kFails},
      {N(5), Block(N(1), N(2)), kFails},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(call2(u"SL4", c.process, c.quantity), c.want)
        << shown_value(c.process) << " " << shown_value(c.quantity);
  }
}

TEST(ProcessKeys, Quantity) {
  const struct {
    Variant key;
    Maybe<Variant> want;
  } cases[] = {
      {N(1200000350), N(350)},
      {N(1200000000), N(0)},
      {kEmpty, N(0)},
      {N(-5), N(99999995)},
      {N(-199999995), N(5)},
      {N(200000003.5), N(3.5)},
      {N(250000003.5), N(50000003.5)},
      {S(u"300000007"), N(7)},
      {Variant(true), N(99999999)},
      {S(u"键"), kFails},
      {E(ExcelError::Num), kFails},
      {Block(N(1), N(2)), kFails},
  };
  for (const auto& c : cases) EXPECT_EQ(call1(u"SL3", c.key), c.want) << shown_value(c.key);
}

// Unpacking gives back the absolute quantity for whole process numbers of
// either sign, as long as the key is a whole number a Double holds exactly
// (|process| up to 90 million).
TEST(ProcessKeys, RoundTrip) {
  const double quantities[] = {0,        1,         -1,       2,        350,      -350,
                               12345678, -12345678, 50000000, 99999998, 99999999, -99999999,
                               0.5,      -0.25,     67108863, -67108864};
  Draw obj;
  const Function& sl3 = *find_function(u"SL3");
  const Function& sl4 = *find_function(u"SL4");
  auto check = [&](double p) {
    for (double q : quantities) {
      if (q != std::floor(q) && std::fabs(p) > 1e6) continue;  // the fraction needs room
      const Variant pack[] = {N(p), N(q)};
      const CallResult key = call(obj, sl4, pack);
      ASSERT_FALSE(key.failed) << p << " " << q;
      const Variant unpack[] = {key.value};
      const CallResult back = call(obj, sl3, unpack);
      ASSERT_FALSE(back.failed) << p << " " << q;
      ASSERT_EQ(back.value, N(std::fabs(q))) << p << " " << q;
    }
  };
  for (double p = -1000; p <= 1000; ++p) check(p);
  for (double p = -90000000; p <= 90000000; p += 9973) check(p);
  for (double p : {-90000000.0, -67108864.0, 67108863.0, 90000000.0}) check(p);
}

TEST(PieceWage, QuantityTimesPriceOrThePriceFlat) {
  const struct {
    const char* what;
    Variant quantity, price;
    Maybe<Variant> want;
  } cases[] = {
      {"quantity times price", N(12), N(1.5), N(18)},
      {"no quantity pays the price flat", N(0), N(80), N(80)},
      {"an empty quantity too", kEmpty, N(80), N(80)},
      {"returned pieces pay negatively", N(-2), N(1.5), N(-3)},
      {"no price pays nothing", N(12), kEmpty, N(0)},
      {"nothing at all", kEmpty, kEmpty, N(0)},
      {"numeric texts", S(u"3"), Ref(S(u"2.5")), N(7.5)},
      {"whole quantities stay whole", I(3), Ref(kEmpty), I(0)},
      {"quantity not a number", S(u"十"), N(1.5), kFails},
      {"price not a number, even with no quantity", N(0), S(u"面议"), kFails},
      {"price an error value", N(3), Ref(E(ExcelError::NA)), kFails},
      {"quantity several cells", Block(N(1), N(2)), N(1.5), kFails},
      {"wage overflows", N(1e200), N(1e200), kFails},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(call2(u"工资1", c.quantity, c.price), c.want) << c.what;
  }
}

}  // namespace
}  // namespace korvane
