// The names a worksheet function goes by in Excel's files, and the UNO names
// of Calc's formulas: what the Calc extension's document job renames between
// them when a workbook is opened and saved.
#include "calc/excel_names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "core/custom_functions.h"

namespace korvane::calc {
namespace {

const Function& member(std::u16string_view name) {
  const Function* m = find_function(name);
  EXPECT_NE(m, nullptr);
  return *m;
}

// The names Excel writes, in the letter cases people type them, and names
// that only look like them.
TEST(ExcelNames, TellsTheFunctionsFromOtherNames) {
  const struct {
    std::u16string_view written;
    std::u16string_view function;  // empty: no function of the add-in
    bool xll;
  } cases[] = {
      {u"PAI", u"PAI", false},
      {u"pai", u"PAI", false},
      {u"_xll.PAI", u"PAI", true},
      {u"_XLL.pai", u"PAI", true},
      {u"平特几肖", u"平特几肖", false},
      {u"_xll.平特几肖", u"平特几肖", true},
      {u"_Xll.验证", u"验证", true},
      {u"tema", u"TEMA", false},
      {u"_xll.", u"", true},
      {u"_xll._xll.PAI", u"", true},
      {u"xll.PAI", u"", false},
      {u"_xlfn.PAI", u"", false},
      {u"_xll PAI", u"", false},
      {u"SUM", u"", false},
      {u"", u"", false},
      {u"PAI ", u"", false},
      {u"平特几肖1", u"", false},
      {u"pp2", u"", false},  // a property of the add-in object: no function
      {u"_xll.tt", u"", true},
  };
  for (const auto& c : cases) {
    const ExcelCall call = excel_call(c.written);
    if (c.function.empty()) {
      EXPECT_EQ(call.member, nullptr) << to_utf8(c.written);
    } else {
      ASSERT_NE(call.member, nullptr) << to_utf8(c.written);
      EXPECT_EQ(call.member->name, c.function) << to_utf8(c.written);
      EXPECT_EQ(call.xll, c.xll) << to_utf8(c.written);
    }
  }
}

// Every function, a 22nd one included, reads back from the names it is
// written under: Excel's two forms, and its UNO name in any letter case (Calc
// shows formulas in upper case).
TEST(ExcelNames, EveryFunctionRoundTrips) {
  std::size_t count = 0;
  for (const Function& m : functions()) {
    ++count;
    for (bool xll : {false, true}) {
      const ExcelCall call = excel_call(excel_name(m, xll));
      EXPECT_EQ(call.member, &m) << to_utf8(m.name);
      EXPECT_EQ(call.xll, xll) << to_utf8(m.name);
    }
    const std::string uno = uno_function(m);
    std::string upper = uno;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(uno_call(uno), &m) << uno;
    EXPECT_EQ(uno_call(upper), &m) << upper;
  }
  EXPECT_GE(count, 21u);
}

TEST(ExcelNames, UnoNamesOfTheAddInOnly) {
  const struct {
    std::string_view written;
    const char16_t* function;  // null: none
  } cases[] = {
      {"korvane.calc.CustomFunctions.PAI", u"PAI"},
      {"KORVANE.CALC.CUSTOMFUNCTIONS.U5E73U7279U51E0U8096", u"平特几肖"},
      {"korvane.calc.CustomFunctions.u9A8Cu8BC1", u"验证"},
      {"korvane.calc.CustomFunctions.", nullptr},
      {"korvane.calc.CustomFunctions", nullptr},
      {"korvane.calc.CustomFunctionsXPAI", nullptr},
      {"korvane.calc.CustomFunctionsX.PAI", nullptr},
      {"com.sun.star.sheet.addin.Analysis.getImsum", nullptr},
      {"korvane.calc.CustomFunctions.pp2", nullptr},  // a property has no method
      {"korvane.calc.CustomFunctions.PAI.PAI", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    const Function* m = uno_call(c.written);
    if (!c.function) {
      EXPECT_EQ(m, nullptr) << c.written;
    } else {
      ASSERT_NE(m, nullptr) << c.written;
      EXPECT_EQ(m->name, std::u16string_view(c.function)) << c.written;
    }
  }
}

// SL1…SL4 are cell names too: the name comes back from the cell a reader
// took it for, and only within the sheet.
TEST(ExcelNames, CellNames) {
  const struct {
    long column, row;
    std::u16string_view name;
  } cases[] = {
      {0, 0, u"A1"},     {25, 9, u"Z10"},
      {26, 0, u"AA1"},   {51, 0, u"AZ1"},
      {52, 0, u"BA1"},   {701, 0, u"ZZ1"},
      {702, 0, u"AAA1"}, {505, 0, u"SL1"},
      {505, 3, u"SL4"},  {16383, 1048575, u"XFD1048576"},
      {16384, 0, u""},   {0, 1048576, u""},
      {-1, 0, u""},      {0, -1, u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cell_name(c.column, c.row), c.name) << c.column << "," << c.row;
  for (const Function& m : functions()) {
    if (m.name.substr(0, 2) != u"SL") continue;
    const long row = m.name[2] - u'1';
    EXPECT_EQ(excel_call(cell_name(505, row)).member, &m) << to_utf8(m.name);
  }
}

TEST(ExcelNames, ExcelFormNamesTheAddInItCameFrom) {
  EXPECT_EQ(excel_name(member(u"平特几肖"), false), u"平特几肖");
  EXPECT_EQ(excel_name(member(u"平特几肖"), true), u"_xll.平特几肖");
  EXPECT_EQ(excel_name(member(u"tema"), true), u"_xll.TEMA");
}

// Only Office Open XML needs the Excel names in the formulas: ODF keeps the
// UNO names, and .xls stores the add-in's Excel name by itself.
TEST(ExcelNames, OfficeOpenXmlFiltersOnly) {
  const struct {
    std::u16string_view filter;
    bool ooxml;
  } cases[] = {
      {u"Calc MS Excel 2007 XML", true},
      {u"Calc MS Excel 2007 XML Template", true},
      {u"Calc MS Excel 2007 VBA XML", true},
      {u"Calc Office Open XML", true},
      {u"Calc Office Open XML Template", true},
      {u"MS Excel 97", false},
      {u"MS Excel 97 Vorlage/Template", false},
      {u"MS Excel 95", false},
      {u"MS Excel 2003 XML", false},
      {u"calc8", false},
      {u"calc8_template", false},
      {u"Text - txt - csv (StarCalc)", false},
      {u"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_ooxml_filter(c.filter), c.ooxml) << to_utf8(c.filter);
}

// The screen passes every formula that calls a function, under any name it
// may carry, and spares most others.
TEST(ExcelNames, ScreenPassesEveryCall) {
  const FormulaScreen screen;
  const struct {
    std::u16string_view formula;
    bool excel, uno;
  } cases[] = {
      {u"=pai(A1)", true, false},
      {u"=_xll.平特几肖(\"平特一肖\";\"狗\";100;$E$1)", true, false},
      {u"=1+SL1(B17)*2", true, false},
      {u"=SUM(A1;B1)", false, false},
      {u"=PAIX(1)", false, false},
      {u"=PAI", false, false},           // no call
      {u"=\"PAI(x)\"&A1", true, false},  // a text may pass: the tokens decide
      {u"=KORVANE.CALC.CUSTOMFUNCTIONS.U9A8CU8BC1(1;2;3;A1)", false, true},
      {u"=korvane.calc.customfunctions.PAI(A1)", false, true},
      {u"=KORVANE.CALC.CUSTOMFUNCTIONS.TEMA(A1;B1;C1;D1)", false, true},
      {u"=_XLL.TEMA(A1;B1;C1;D1)", true, false},
      {u"=xTEMA(1)+1", false, false},
      {u"=TEMAL(1)", true, false},
      {u"=1+(tema(1))", true, false},
      {u"=包平特几肖(1)", false, false},
      {u"=1;平特几肖(1)", true, false},
      {u"=KORVANE.CALC.CUSTOMFUNCTIONSX(1)", false, false},
      {u"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(screen.may_call_by_excel_name(c.formula), c.excel) << to_utf8(c.formula);
    EXPECT_EQ(screen.may_call_by_uno_name(c.formula), c.uno) << to_utf8(c.formula);
  }
  for (const Function& m : functions()) {
    for (bool xll : {false, true})
      EXPECT_TRUE(screen.may_call_by_excel_name(u"=1+" + excel_name(m, xll) + u"(A1)"))
          << to_utf8(m.name);
    std::u16string uno;
    for (char c : uno_function(m)) uno += static_cast<char16_t>(std::toupper(c));
    EXPECT_TRUE(screen.may_call_by_uno_name(u"=" + uno + u"(A1)")) << to_utf8(m.name);
  }
}

// A workbook is saved in the form most of its calls were opened with; a tie,
// or a workbook made in Calc, in the automation add-in's.
TEST(ExcelNames, FormOfTheWorkbook) {
  const struct {
    std::vector<bool> calls;
    bool xll;
  } cases[] = {
      {{}, false},
      {{true}, true},
      {{false}, false},
      {{true, false}, false},
      {{true, true, false}, true},
      {{false, false, true}, false},
  };
  for (const auto& c : cases) {
    FormTally tally;
    for (bool xll : c.calls) tally.add(xll);
    EXPECT_EQ(tally.xll(), c.xll);
    EXPECT_EQ(tally.calls(), c.calls.size());
  }
}

}  // namespace
}  // namespace korvane::calc
