// Excel's list of add-ins to open at start (OPEN, OPEN1, ...), as the
// installer changes it: our entry after the others and never twice, taken out
// again with the later entries moving down, any older entry of ours replaced.
#include "install/open_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"

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

namespace korvane::install {
namespace {

// Whatever spelling a person or another tool gave our entry, it is ours: what
// Excel loads is the ProgID, or the XLL file.
TEST(OpenList, KnowsOurEntryInAnySpelling) {
  const struct {
    std::u16string entry;
    bool ours;
  } cases[] = {
      {u"/A  \"Korvane.自定义函数\"", true},    // two spaces
      {u"/A Korvane.自定义函数", true},         // no quotes
      {u" /A \"Korvane.自定义函数\" ", true},   // spaces around
      {u"/a \"KORVANE.自定义函数\"", true},     // any case of the ProgID
      {u"\t/A\t\"korvane.自定义函数\"", true},  // tabs
      {u"/A \"Korvane.自定义函数X\"", false},   // another ProgID
      {u"/A \"Korvane\"", false},
      {u"Korvane.自定义函数", false},  // a file of that name, not the ProgID
      {u"/R \"C:\\Korvane\\1.0.0\\x64\\korvane.xll\"", true},
      {u"\"C:\\Korvane\\1.0.0\\x64\\korvane.xll\"", true},       // the path alone
      {u"/R C:\\Korvane\\1.0.0\\x64\\korvane.xll", true},        // no quotes
      {u"/R  \"C:\\Korvane\\1.0.0\\x64\\korvane.xll\" ", true},  // spacing
      {u"/R \"C:\\Korvane\\1.0.0\\x64\\korvane.dll\"", false},   // not the XLL
      {u"", false},
      {u"   ", false},
      {u"/A", false},
      {u"/", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_ours(c.entry), c.ours) << to_utf8(c.entry);
}

// An XLL by hand from any folder is ours when its file says so: the rule is
// the caller's (the installer reads the file's version resource).
TEST(OpenList, AsksWhetherAnXllIsOurs) {
  const OurXll by_file = [](std::u16string_view path) { return path == u"D:\\Tools\\korvane.xll"; };
  const struct {
    std::u16string entry;
    bool ours;
  } cases[] = {
      {u"/R \"D:\\Tools\\korvane.xll\"", true},
      {u"D:\\Tools\\korvane.xll", true},
      {u"/R \"D:\\Tools\\other.xll\"", false},
      {u"/R \"C:\\Korvane\\1.0.0\\x64\\korvane.xll\"", false},  // the file says no
      {u"/A \"Korvane.自定义函数\"", true},                     // the ProgID needs no file
  };
  for (const auto& c : cases) EXPECT_EQ(is_ours(c.entry, by_file), c.ours) << to_utf8(c.entry);
  List list = {u"/R \"D:\\Tools\\korvane.xll\"", kOther};
  EXPECT_EQ(with_ours(list, kAutomation, by_file), (List{kOther, kAutomation}));
}

TEST(OpenList, ReadsValueNamesAsExcelDoes) {
  const struct {
    std::u16string name;
    long number;
  } cases[] = {
      {u"OPEN", 0},    {u"OPEN1", 1},   {u"open2", 2},  {u"Open12", 12},
      {u"OPEN01", -1}, {u"OPEN0", -1},  {u"OPENX", -1}, {u"OPE", -1},
      {u"OPEN-1", -1}, {u"XOPEN1", -1}, {u"", -1},      {u"OPEN99999999999", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(open_value_number(c.name), c.number) << to_utf8(c.name);
  for (std::size_t i : {0u, 1u, 9u, 10u, 123u})
    EXPECT_EQ(open_value_number(open_value_name(i)), long(i));
}

// Office's version keys, and Click-to-Run's version: which Excel versions
// get an entry when Excel never ran.
TEST(OpenList, ReadsOfficeVersions) {
  const struct {
    std::u16string text;
    std::u16string version;
  } cases[] = {
      {u"16.0", u"16.0"},
      {u"14.0", u"14.0"},
      {u"16.0.17928.20114", u"16.0"},  // Click-to-Run's VersionToReport
      {u"Common", u""},
      {u"ClickToRun", u""},
      {u"16.0x", u""},
      {u"16", u""},
      {u"16.", u""},
      {u".0", u""},
      {u"", u""},
      {u"１６.0", u""},  // full-width digits are no version
  };
  for (const auto& c : cases) EXPECT_EQ(excel_version(c.text), c.version) << to_utf8(c.text);
}

OpenValue v(std::u16string text, bool expand = false) { return {std::move(text), expand}; }

const std::u16string kExpanded = u"/R \"%APPDATA%\\Microsoft\\AddIns\\tool.xlam\"";

// The list as Excel reads it: up to the first gap. What is past the gap stays
// past a gap, and every value keeps its type and its text.
TEST(OpenList, KeepsTheGapAndEachValuesType) {
  const struct {
    const char* what;
    OpenValues before;
    OpenValues installed;    // with_ours(before, automation)
    OpenValues uninstalled;  // without_ours(before)
  } cases[] = {
      {"no gap", {{0, v(kOther)}}, {{0, v(kOther)}, {1, v(kAutomation)}}, {{0, v(kOther)}}},
      {"OPEN2 past a gap stays unloaded",
       {{0, v(kOther)}, {2, v(kThird)}},
       {{0, v(kOther)}, {1, v(kAutomation)}, {3, v(kThird)}},
       {{0, v(kOther)}, {2, v(kThird)}}},
      {"ours moves out, the gap moves with the rest",
       {{0, v(kAutomation)}, {1, v(kOther)}, {3, v(kThird)}, {5, v(kExpanded, true)}},
       {{0, v(kAutomation)}, {1, v(kOther)}, {3, v(kThird)}, {5, v(kExpanded, true)}},
       {{0, v(kOther)}, {2, v(kThird)}, {4, v(kExpanded, true)}}},
      {"REG_EXPAND_SZ moved down stays REG_EXPAND_SZ, unexpanded",
       {{0, v(kAutomation)}, {1, v(kExpanded, true)}},
       {{0, v(kAutomation)}, {1, v(kExpanded, true)}},
       {{0, v(kExpanded, true)}}},
      {"REG_EXPAND_SZ before ours stays as it is",
       {{0, v(kExpanded, true)}, {1, v(u"/A Korvane.自定义函数")}},
       {{0, v(kExpanded, true)}, {1, v(kAutomation)}},
       {{0, v(kExpanded, true)}}},
      {"nothing loaded: OPEN missing, OPEN1 unloaded",
       {{1, v(kOther)}},
       {{0, v(kAutomation)}, {2, v(kOther)}},
       {{1, v(kOther)}}},
      {"an old entry of ours past the gap goes",
       {{0, v(kOther)}, {2, v(kOldXll)}, {3, v(kThird)}},
       {{0, v(kOther)}, {1, v(kAutomation)}, {4, v(kThird)}},
       {{0, v(kOther)}, {3, v(kThird)}}},
      {"empty", {}, {{0, v(kAutomation)}}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(with_ours(c.before, kAutomation), c.installed) << c.what;
    EXPECT_EQ(without_ours(c.before), c.uninstalled) << c.what;
    // Installed then uninstalled: what Excel loads is what it loaded before.
    const OpenValues round = without_ours(with_ours(c.before, kAutomation));
    EXPECT_EQ(loaded_count(round), loaded_count(without_ours(c.before))) << c.what;
    EXPECT_FALSE(loads_ours(round)) << c.what;
    EXPECT_TRUE(loads_ours(with_ours(c.before, kOurXll))) << c.what;
  }
}

}  // namespace
}  // namespace korvane::install
