// PAI and PAID: whole millions of an amount, floored toward minus infinity.
#include "tests/calls.h"

namespace korvane {
namespace {

TEST(Millions, PaiAndPaid) {
  const struct {
    Variant value;
    Maybe<Variant> pai, paid;
  } cases[] = {
      {N(12345678), N(12), N(12000000)},
      {N(999999), N(0), N(0)},
      {N(-1), N(-1), N(-1000000)},
      {N(3000000), N(3), N(3000000)},
      {kEmpty, N(0), N(0)},
      {N(-0.5), N(-1), N(-1000000)},
      {Ref(S(u"2500000")), N(2), N(2000000)},
      {N(1999999.9), N(1), N(1000000)},
      {Variant(true), N(-1), N(-1000000)},
      {N(-3000000), N(-3), N(-3000000)},
      {S(u"两百万"), kFails, kFails},
      {E(ExcelError::NA), kFails, kFails},
      {Block(N(1), N(2)), kFails, kFails},
  };
  for (const auto& c : cases) {
    Draw obj;
    EXPECT_EQ(call_named(obj, u"PAI", {c.value}), c.pai) << shown_value(c.value);
    EXPECT_EQ(call_named(obj, u"PAID", {c.value}), c.paid) << shown_value(c.value);
  }
}

}  // namespace
}  // namespace korvane
