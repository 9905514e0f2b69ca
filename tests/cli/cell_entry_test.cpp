// Typing a text as a cell entry, and showing a value as a cell does.
#include "cli/cell_entry.h"

#include <cmath>
#include <limits>

#include "tests/test_support.h"

namespace korvane::cli {
namespace {

TEST(CellEntry, TypesWhatIsTypedAsExcelDoes) {
  const struct {
    std::u16string_view typed;
    Variant want;
  } cases[] = {
      {u"", kEmpty},
      // A leading apostrophe keeps the rest a text, whatever it looks like.
      {u"'08", S(u"08")},
      {u"'", S(u"")},
      {u"'TRUE", S(u"TRUE")},
      {u"''x", S(u"'x")},
      // Booleans and error names, in any case.
      {u"TRUE", Variant(true)},
      {u"true", Variant(true)},
      {u"False", Variant(false)},
      {u"TRUEX", S(u"TRUEX")},
      {u" TRUE", S(u" TRUE")},
      {u"#N/A", E(ExcelError::NA)},
      {u"#n/a", E(ExcelError::NA)},
      {u"#VALUE!", E(ExcelError::Value)},
      {u"#div/0!", E(ExcelError::Div0)},
      {u"#NULL!", E(ExcelError::Null)},
      {u"#REF!", E(ExcelError::Ref)},
      {u"#Name?", E(ExcelError::Name)},
      {u"#NUM!", E(ExcelError::Num)},
      {u"#NA", S(u"#NA")},
      // Numbers.
      {u"0", N(0)},
      {u"12.5", N(12.5)},
      {u" 7 ", N(7)},
      {u"-3", N(-3)},
      {u"+4", N(4)},
      {u"1e3", N(1000)},
      {u"2.5E-2", N(0.025)},
      {u".5", N(0.5)},
      {u"5.", N(5)},
      {u"50%", N(0.5)},
      {u"-12.5%", N(-0.125)},
      {u"1,234", N(1234)},
      {u"1,234,567.5", N(1234567.5)},
      // Texts that only look a little like numbers stay as typed.
      {u"1,23", S(u"1,23")},
      {u"12,345,6", S(u"12,345,6")},
      {u"1234,567", S(u"1234,567")},
      {u",123", S(u",123")},
      {u"0,123", S(u"0,123")},
      {u"1 000", S(u"1 000")},
      {u"05 12 18 30 41 49", S(u"05 12 18 30 41 49")},
      {u"1e999", S(u"1e999")},  // beyond a Double: Excel keeps it a text too
      {u"&H10", S(u"&H10")},
      {u"%", S(u"%")},
      {u"-", S(u"-")},
      {u"  ", S(u"  ")},
      {u"100元", S(u"100元")},
      {u"平特二肖", S(u"平特二肖")},
  };
  for (const auto& c : cases) EXPECT_EQ(cell_entry(c.typed), c.want) << to_utf8(c.typed);
}

// Every command types its words one way: a row of a book and the same words
// given to korvane call are the same call.
TEST(CellEntry, LotteryNumbersStayTexts) {
  const struct {
    std::u16string_view typed;
    Variant want;
  } cases[] = {
      {u"08", S(u"08")},        {u"00", S(u"00")},
      {u"05", S(u"05")},        {u"-05", S(u"-05")},
      {u" 08", S(u" 08")},      {u"'08", S(u"08")},
      {u"08.5", S(u"08.5")},    {u"0", N(0)},
      {u"0.5", N(0.5)},         {u"10", N(10)},
      {u"2013", N(2013)},       {u"-125", N(-125)},
      {u"1,200", N(1200)},      {u"", kEmpty},
      {u"TRUE", Variant(true)}, {u"#N/A", E(ExcelError::NA)},
  };
  for (const auto& c : cases) EXPECT_EQ(cell_entry(c.typed), c.want) << to_utf8(c.typed);
}

TEST(Shown, AsACellInGeneralFormat) {
  const struct {
    Variant v;
    std::u16string_view want;
  } cases[] = {
      {kEmpty, u"0"},
      {N(2.5), u"2.5"},
      {N(0.1 + 0.2), u"0.3"},
      {N(-0.0), u"0"},
      {N(1200000350), u"1200000350"},
      {N(1e15), u"1E+15"},
      {N(1.0 / 3), u"0.333333333333333"},
      {N(std::numeric_limits<double>::infinity()), u"#NUM!"},
      {I(0), u"0"},
      {Variant::long_integer(-7), u"-7"},
      {Variant(true), u"TRUE"},
      {Variant(false), u"FALSE"},
      {E(ExcelError::Div0), u"#DIV/0!"},
      {S(u"开奖号码已载入"), u"开奖号码已载入"},
      {S(u""), u""},
      {Ref(N(5)), u"5"},
      {Ref(kEmpty), u"0"},
      {Block(S(u"狗"), N(2)), u"狗"},  // several cells: the first
      {Variant(make_array(0, 0, {})), u"#VALUE!"},
  };
  for (const auto& c : cases) EXPECT_EQ(to_utf8(shown(c.v)), to_utf8(c.want)) << shown_value(c.v);
}

TEST(Shown, ColumnsCountChineseCharactersTwice) {
  EXPECT_EQ(display_columns(u"TEMA"), 4u);
  EXPECT_EQ(display_columns(u"平特几肖"), 8u);
  EXPECT_EQ(display_columns(u"求和1"), 5u);
}

}  // namespace
}  // namespace korvane::cli
