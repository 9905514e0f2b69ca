// The arguments of a call, made in place: a front end makes one Variant per
// parameter, and a conversion that throws half-way (out of memory) must leave
// the arguments made so far intact and counted, and none half-made.
#include "core/call_arguments.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/test_support.h"

namespace korvane {
namespace {

// Converts to a Variant by throwing, as an allocation that fails does.
struct FailingConversion {
  operator Variant() const { throw std::bad_alloc(); }
};

TEST(CallArguments, EmplaceCountsWhatIsMadeAndNoMore) {
  const struct {
    const char* what;
    std::size_t before;  // arguments made first
  } cases[] = {{"the first", 0}, {"a middle one", 4}, {"the last", kMaxParams - 1}};
  for (const auto& c : cases) {
    CallArguments args;
    for (std::size_t i = 0; i < c.before; ++i) args.emplace(static_cast<double>(i));
    EXPECT_THROW(args.emplace(FailingConversion{}), std::bad_alloc) << c.what;
    ASSERT_EQ(args.view().size(), c.before) << c.what;
    for (std::size_t i = 0; i < c.before; ++i)
      EXPECT_EQ(args.view()[i], Variant(static_cast<double>(i))) << c.what;
    args.emplace(S(u"next"));
    EXPECT_EQ(args.view().back(), S(u"next")) << c.what;
  }
}

TEST(CallArguments, RefusesAnArgumentPastTheLastParameter) {
  CallArguments args;
  for (std::size_t i = 0; i < kMaxParams; ++i) args.emplace();
  EXPECT_THROW(args.emplace(S(u"one too many")), std::length_error);
  EXPECT_EQ(args.view().size(), kMaxParams);
}

TEST(CallArguments, ReleasesEveryArgumentItMade) {
  const RangeRef cell = make_cell(S(u"07"));
  {
    CallArguments args;
    args.emplace(cell);
    args.emplace(Variant(cell));
    args.emplace(S(u"text"));
    EXPECT_EQ(cell.use_count(), 3);
    EXPECT_EQ(args.view()[0], Variant(cell));
  }
  EXPECT_EQ(cell.use_count(), 1);
}

}  // namespace
}  // namespace korvane
