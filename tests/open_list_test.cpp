// Excel's list of add-ins to open at start (OPEN, OPEN1, ...), as the
// installer changes it: our entry after the others and never twice, taken out
// again with the later entries moving down, any older entry of ours replaced.
#include "install/open_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvane::install {
namespace {

using List = std::vector<std::u16string>;

const std::u16string kOther = u"/R \"C:\\other.xlam\"";
const std::u16string kThird = u"/R \"C:\\Tools\\third.xll\"";
const std::u16string kAutomation(kAutomationEntry);
const std::u16string kOurXll =
    xll_entry(u"C:\\Users\\李\\AppData\\Local\\Programs\\Korvane\\1.0.0\\x64\\korvane.xll");
const std::u16string kOldXll = u"/R \"C:\\Program Files\\Korvane\\0.9.0\\x86\\KORVANE.XLL\"";

TEST(OpenList, OursGoesAfterTheOthersOnce) {
  const struct {
    List before;
    std::u16string entry;
    List after;
  } cases[] = {
      {{}, kAutomation, {kAutomation}},
      {{kOther}, kAutomation, {kOther, kAutomation}},
      {{kOther, kAutomation}, kAutomation, {kOther, kAutomation}},  // never twice
      {{kAutomation, kOther}, kAutomation, {kAutomation, kOther}},  // left in place
      {{kOther, kAutomation, kThird},
       kOurXll,
       {kOther, kThird, kOurXll}},                      // the other kind replaced
      {{kOldXll, kOther}, kOurXll, {kOther, kOurXll}},  // an older version replaced
      {{kAutomation, kOther, kAutomation},
       kAutomation,
       {kOther, kAutomation}},  // a doubled entry mended
  };
  for (const auto& c : cases) EXPECT_EQ(with_ours(c.before, c.entry), c.after);
}

TEST(OpenList, TakingOursOutMovesTheLaterEntriesDown) {
  const struct {
    List before;
    List after;
  } cases[] = {
      {{}, {}},
      {{kAutomation}, {}},
      {{kOther, kAutomation}, {kOther}},
      {{kOther, kAutomation, kThird}, {kOther, kThird}},
      {{kOurXll, kOther, kOldXll}, {kOther}},
      {{kOther, kThird}, {kOther, kThird}},
  };
  for (const auto& c : cases) EXPECT_EQ(without_ours(c.before), c.after);
}

TEST(OpenList, KnowsItsEntriesAndNoOthers) {
  EXPECT_TRUE(is_ours(u"/a \"korvane.自定义函数\""));  // Excel may change the case
  EXPECT_TRUE(is_ours(kOurXll));
  EXPECT_FALSE(is_ours(kOther));
  EXPECT_FALSE(is_ours(u"/R \"C:\\Tools\\korvane.xll\""));  // not from our folder
  EXPECT_FALSE(is_ours(u"/A \"Other.Class\""));
  EXPECT_EQ(open_value_name(0), u"OPEN");
  EXPECT_EQ(open_value_name(1), u"OPEN1");
  EXPECT_EQ(open_value_name(12), u"OPEN12");
}

}  // namespace
}  // namespace korvane::install
