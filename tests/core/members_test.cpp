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

// Excel takes two names for one when they differ only in the case of Latin
// letters or in the width of full-width forms; the build refuses such twins.
TEST(Members, NamesExcelTakesForOne) {
  const struct {
    std::u16string_view a, b;
    bool same;
  } cases[] = {
      {u"tema", u"TEMA", true},  {u"Ｔ", u"t", true},         {u"ｐｐ１", u"PP1", true},
      {u"ＳＬ４", u"sl4", true}, {u"工资1", u"工资１", true}, {u"a　b", u"A b", true},
      {u"验证", u"验", false},   {u"t", u"tt", false},        {u"｟", u"", false},
      {u"＀", u" ", false},     {u"Ａ", u"Ｂ", false},       {u"[", u"{", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(same_excel_name(c.a, c.b), c.same) << to_utf8(c.a) << " / " << to_utf8(c.b);
    EXPECT_EQ(same_excel_name(c.b, c.a), c.same) << to_utf8(c.b) << " / " << to_utf8(c.a);
  }
}

// One sequence in interface order: each member is one kind, its position is
// its place in the sequence (the COM DISPID less 1), and the kind-by-kind
// lists hold the same members in the same order.
TEST(Members, OneSequenceInInterfaceOrder) {
  const auto list = members();
  ASSERT_EQ(list.size(), properties().size() + functions().size());
  std::size_t np = 0;
  std::size_t nf = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Member& m = list[i];
    ASSERT_NE(m.property == nullptr, m.function == nullptr) << i;
    if (m.property) {
      EXPECT_EQ(m.property, &properties()[np++]) << i;
      EXPECT_EQ(position_of(*m.property), i);
      EXPECT_FALSE(m.property->name.empty()) << i;
    } else {
      EXPECT_EQ(m.function, &functions()[nf++]) << i;
      EXPECT_EQ(position_of(*m.function), i);
      EXPECT_FALSE(m.function->name.empty()) << i;
    }
  }
}

// The loading function is found by its role: exactly one function loads the
// draw, it carries the rule for a draw a lottery can draw, no other function
// does, and the draw of its own example passes its rule.
TEST(Members, TheLoadingFunctionIsFoundByItsRole) {
  std::size_t loaders = 0;
  for (const Function& f : functions()) {
    loaders += f.draw == DrawUse::Loads ? 1 : 0;
    EXPECT_EQ(f.draw_rule.problem != nullptr, f.draw == DrawUse::Loads) << to_utf8(f.name);
  }
  ASSERT_EQ(loaders, 1u);
  const Function& loader = loading_function();
  ASSERT_EQ(loader.draw, DrawUse::Loads);

  std::vector<Variant> args(loader.params.size());
  args.at(parameter_of(loader, DrawPart::Year)) = N(2013);
  args.at(parameter_of(loader, DrawPart::Numbers)) = S(u"05 12 18 30 41 49");
  args.at(parameter_of(loader, DrawPart::Special)) = S(u"08");
  Draw d;
  call(d, loader, args);
  EXPECT_FALSE(loader.draw_rule.problem(d, N(2013), S(u"05 12 18 30 41 49")));
  EXPECT_EQ(loader.draw_rule.problem(d, N(2013.5), S(u"05 12 18 30 41 49")).kind,
            DrawProblem::YearNotWhole);
}

}  // namespace
}  // namespace korvane
