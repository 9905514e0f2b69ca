// The member list in two kinds: a name binds to a property or to a function,
// never to the other kind, and the facts a front end reads from a row (the
// parts of the draw the loading function's parameters carry) hold when a
// front end acts on them.
#include <gtest/gtest.h>

#include <vector>

#include "tests/test_support.h"

namespace korvane {
namespace {

TEST(Members, ANameBindsToOneKindOnly) {
  const struct {
    std::u16string_view name;
    bool property;
    bool function;
  } cases[] = {
      {u"yyy", true, false},  {u"YYY", true, false},    {u"PP6", true, false},
      {u"tema", false, true}, {u"验证", false, true},   {u"工资1", false, true},
      {u"sl4", false, true},  {u"验", false, false},    {u"", false, false},
      {u"p7", false, false},  {u"TEMA ", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(find_property(c.name) != nullptr, c.property) << to_utf8(c.name);
    EXPECT_EQ(find_function(c.name) != nullptr, c.function) << to_utf8(c.name);
  }
}

// A front end that loads a draw of its own (a book's draw row, `korvane call
// --draw`) places the year, the numbers and the special number by the marks
// on the loading function's parameters: placed so, every loading function
// loads that draw.
TEST(Members, TheLoadingFunctionsPartsLoadTheDraw) {
  std::size_t loaders = 0;
  for (const Function& f : functions()) {
    if (f.draw != DrawUse::Loads) continue;
    ++loaders;
    std::vector<Variant> args(f.params.size());
    args.at(parameter_of(f, DrawPart::Year)) = N(2013);
    args.at(parameter_of(f, DrawPart::Numbers)) = S(u"05 12 18 30 41 49");
    args.at(parameter_of(f, DrawPart::Special)) = S(u"08");
    Draw d;
    ASSERT_FALSE(call(d, f, args).failed) << to_utf8(f.name);
    EXPECT_EQ(d.yyy, u"5") << to_utf8(f.name);
    EXPECT_EQ(d.p[0], S(u"05")) << to_utf8(f.name);
    EXPECT_EQ(d.p[5], S(u"49")) << to_utf8(f.name);
    EXPECT_EQ(d.t, S(u"08")) << to_utf8(f.name);
  }
  EXPECT_GE(loaders, 1u);
}

}  // namespace
}  // namespace korvane
