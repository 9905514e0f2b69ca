// The names the Calc add-in goes by. Calc stores service.method in every saved
// workbook, so a method name that changes breaks the formulas of every file
// written before: these are fixed.
#include "calc/uno_names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "core/custom_functions.h"

namespace korvane::calc {
namespace {

TEST(CalcNames, MethodNamesAreFixed) {
  const struct {
    std::u16string_view name;
    std::string_view method;
  } cases[] = {
      {u"验证", "u9A8Cu8BC1"},   {u"TEMA", "TEMA"},
      {u"求和1", "u6C42u548C1"}, {u"平特几肖", "u5E73u7279u51E0u8096"},
      {u"SL1", "SL1"},           {u"工资1", "u5DE5u8D441"},
  };
  for (const auto& c : cases) EXPECT_EQ(programmatic_name(c.name), c.method);
}

// Every function gets its own method name, a valid UNO identifier, and its
// parameters names that sort in parameter order (Calc's configuration lists
// them sorted by name).
TEST(CalcNames, EveryFunctionHasADistinctIdentifier) {
  std::set<std::string> seen;
  for (const Function& m : functions()) {
    const std::string method = programmatic_name(m.name);
    ASSERT_FALSE(method.empty());
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(method[0]))) << method;
    for (char c : method) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << method;
    EXPECT_TRUE(seen.insert(method).second) << method;
    for (std::size_t i = 1; i < m.params.size(); ++i)
      EXPECT_LT(parameter_name(i - 1), parameter_name(i));
  }
}

}  // namespace
}  // namespace korvane::calc
