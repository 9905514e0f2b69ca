// The example workbook's layout: every function of the member list on its
// sheet, its formula wired to cells that hold its example's arguments and to
// the 验证 cell, its stored result the example's answer, a note beside it, and
// the bets' total over exactly the paying rows.
#include "workbook/layout.h"

#include <gtest/gtest.h>

#include <map>

#include "cli/value_codec.h"
#include "core/text.h"
#include "tests/test_support.h"

namespace korvane::workbook {
namespace {

struct Book {
  std::vector<SheetLayout> sheets = lay_out();

  const Cell* at(const SheetLayout& s, std::u16string_view ref) const {
    for (const Cell& c : s.cells)
      if (a1(c.col, c.row) == ref) return &c;
    return nullptr;
  }
  const SheetLayout& sheet(Sheet which) const {
    for (const SheetLayout& s : sheets)
      if (s.sheet == which) return s;
    throw std::logic_error("no such sheet");
  }
};

// The arguments of a formula NAME(a,b,...): references only, since values
// stand in cells.
std::vector<std::u16string> arguments(std::u16string_view formula) {
  const std::size_t open = formula.find(u'(');
  std::u16string_view inner = formula.substr(open + 1, formula.size() - open - 2);
  std::vector<std::u16string> out;
  for (std::size_t from = 0;;) {
    const std::size_t comma = inner.find(u',', from);
    out.emplace_back(inner.substr(from, comma - from));
    if (comma == std::u16string_view::npos) return out;
    from = comma + 1;
  }
}

TEST(WorkbookA1, ColumnsAndRows) {
  struct Row {
    std::size_t col, row;
    bool absolute;
    std::u16string_view want;
  };
  for (const Row& r : std::vector<Row>{{0, 0, false, u"A1"},
                                       {25, 0, false, u"Z1"},
                                       {26, 9, false, u"AA10"},
                                       {701, 0, false, u"ZZ1"},
                                       {702, 0, false, u"AAA1"},
                                       {1, 4, true, u"$B$5"}})
    EXPECT_EQ(a1(r.col, r.row, r.absolute), r.want) << r.col << "," << r.row;
}

// Every function is called on the sheet its row names, and its stored
// result is what `korvane eval` answers for its example: the cells hold the
// arguments typed as the example types them (08 as a text), and the draw is
// loaded before the bets read it.
TEST(WorkbookLayout, EveryFunctionOnItsSheetWithItsExamplesAnswer) {
  const Book book;
  std::map<const Function*, int> calls;
  for (const SheetLayout& s : book.sheets) {
    for (const Cell& c : s.cells) {
      if (!c.calls) continue;
      ++calls[c.calls];
      EXPECT_EQ(s.sheet, c.calls->place.sheet) << to_utf8(c.formula);
      Variant want;
      std::string error;
      ASSERT_TRUE(protocol::decode(c.calls->example.answer, want, error)) << error;
      EXPECT_EQ(c.value, want) << to_utf8(s.name) << " " << to_utf8(c.formula);
    }
  }
  for (const Function& f : functions())
    EXPECT_GE(calls[&f], 1) << to_utf8(f.name) << " is not called";
}

// A formula refers to cells of its own row that hold values, and a function
// ending with the trigger refers last to the 验证 cell; a note stands in the
// row.
TEST(WorkbookLayout, FormulasReferToTheirCellsAndTheDrawCell) {
  const Book book;
  const SheetLayout& draw = book.sheet(Sheet::Draw);
  std::u16string loaded;
  for (const Cell& c : draw.cells)
    if (c.calls && c.calls->draw == DrawUse::Loads)
      loaded = draw.name + u"!" + a1(c.col, c.row, true);
  ASSERT_FALSE(loaded.empty());
  for (const SheetLayout& s : book.sheets) {
    for (const Cell& c : s.cells) {
      if (!c.calls) continue;
      const std::string label = to_utf8(s.name) + " " + to_utf8(c.formula);
      std::vector<std::u16string> args = arguments(c.formula);
      ASSERT_EQ(args.size(), c.calls->params.size()) << label;
      if (ends_with_trigger(*c.calls) && s.sheet != Sheet::Draw) {
        EXPECT_EQ(args.back(), loaded) << label;
        args.pop_back();
      }
      for (const std::u16string& ref : args) {
        const Cell* held = book.at(s, ref);
        ASSERT_NE(held, nullptr) << label << ": " << to_utf8(ref) << " is blank";
        EXPECT_TRUE(held->formula.empty()) << label;
      }
      bool noted = false;
      for (const Cell& n : s.cells)
        noted |= n.row == c.row && n.look == Look::Note && n.value.is_string();
      EXPECT_TRUE(noted) << label << " has no note";
    }
  }
}

// The draw's numbers are kept as texts in cells formatted as text: a number
// 08 would be 8, and the bets that compare it with a text would pay nothing.
TEST(WorkbookLayout, DrawNumbersAreTextCells) {
  const Book book;
  const SheetLayout& draw = book.sheet(Sheet::Draw);
  for (const Cell& c : draw.cells) {
    if (!c.calls) continue;
    const std::vector<std::u16string> args = arguments(c.formula);
    for (const DrawPart part : {DrawPart::Numbers, DrawPart::Special}) {
      const Cell* held = book.at(draw, args[parameter_of(*c.calls, part)]);
      ASSERT_NE(held, nullptr);
      EXPECT_EQ(held->look, Look::Text);
      EXPECT_TRUE(held->value.is_string());
    }
  }
}

// 合计 sums exactly the rows that pay, and its stored value is their sum.
TEST(WorkbookLayout, TotalOfThePayingRows) {
  const Book book;
  const SheetLayout& bets = book.sheet(Sheet::Bets);
  std::vector<const Cell*> paying;
  const Cell* total = nullptr;
  for (const Cell& c : bets.cells) {
    if (c.calls && c.calls->place.pays) paying.push_back(&c);
    if (!c.calls && c.formula.starts_with(u"SUM(")) total = &c;
  }
  ASSERT_NE(total, nullptr);
  ASSERT_FALSE(paying.empty());
  const std::size_t col = paying.front()->col;
  EXPECT_EQ(total->formula,
            u"SUM(" + a1(col, paying.front()->row) + u":" + a1(col, paying.back()->row) + u")");
  EXPECT_EQ(paying.back()->row - paying.front()->row + 1, paying.size())
      << "the paying rows are not together";
  double sum = 0;
  for (const Cell* c : paying) sum += c->value.if_double() ? *c->value.if_double() : 0;
  EXPECT_EQ(total->value, Variant(sum));
}

}  // namespace
}  // namespace korvane::workbook
