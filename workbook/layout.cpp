// The example workbook's layout: the draw first, since every other sheet's
// formulas read it, then each function's row on its sheet (see layout.h).
#include "workbook/layout.h"

#include <array>
#include <stdexcept>

#include "cli/cell_entry.h"
#include "core/example_words.h"
#include "core/text.h"

namespace korvane::workbook {
namespace {

constexpr std::array kOrder{Sheet::Draw, Sheet::Bets, Sheet::Conversions, Sheet::Wages};
constexpr std::u16string_view kNumerals = u"一二三四五六七八九";
constexpr double kNarrow = 10, kWide = 24, kNoteWidth = 60;

[[noreturn]] void refuse(const Function& f, const std::string& why) {
  throw std::runtime_error("the example of " + to_utf8(f.name) + " " + why);
}

// The values of a function's example arguments, typed as a bookkeeper's
// cells type them (08 stays the text "08"); the trigger is not among them.
std::vector<Variant> example_values(const Function& f) {
  std::vector<Variant> out;
  for (const std::string& word : example_words(f.example.args))
    out.push_back(cli::cell_entry(to_utf16(word)));
  if (out.size() != required_argument_count(f))
    refuse(f, "gives " + std::to_string(out.size()) + " arguments for " +
                  std::to_string(required_argument_count(f)) + " parameters");
  return out;
}

std::u16string call_text(const Function& f, const std::vector<std::u16string>& parts) {
  std::u16string text(f.name);
  text += u'(';
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? u"," : u"") + parts[i];
  return text + u')';
}

// Calls f as the spreadsheet does: each argument a reference to its cell.
Variant result_of(Draw& draw, const Function& f, const std::vector<Variant>& args) {
  const CallResult r = call(draw, f, args);
  if (r.failed) refuse(f, "fails (the cell would show #VALUE!)");
  return r.value;
}

Look look_of(const Variant& v) { return v.is_string() ? Look::Text : Look::Plain; }

// A value's cell (a heading, a note, an argument with what it is given for).
void put(SheetLayout& s, std::size_t row, std::size_t col, Look look, const Variant& value,
         const std::u16string& comment = {}) {
  s.cells.push_back({row, col, look, {}, value, nullptr, comment});
}

std::u16string comment_of(const Param& p) {
  return std::u16string(p.name) + u"：" + to_utf16(p.zh);
}

// Where the 验证 cell is, for the other sheets' triggers, and its value.
struct DrawCell {
  std::u16string ref;
  Variant value;
};

// 开奖: the draw's arguments one to a line (name, value, what it is), then the
// formula that loads it. Its own trigger is the special number's cell.
SheetLayout draw_sheet(Draw& draw, DrawCell& loaded) {
  SheetLayout s{
      Sheet::Draw, std::u16string(sheet_name(Sheet::Draw)), {}, {kNarrow, kWide, kNoteWidth}};
  const std::u16string name(s.name);
  std::size_t row = 0;
  for (const Function& f : functions()) {
    if (f.place.sheet != Sheet::Draw) continue;
    put(s, row, 0, Look::Heading, Variant(u"项目"));
    put(s, row, 1, Look::Heading, Variant(u"内容"));
    put(s, row, 2, Look::Heading, Variant(u"说明"));
    ++row;
    const std::vector<Variant> values = example_values(f);
    std::vector<Variant> args;
    std::vector<std::u16string> parts;
    std::u16string special;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const Param& p = f.params[i];
      // The numbers of the draw are kept as text: as a number, 08 would be
      // 8 and every bet that compares it with a text would pay nothing.
      const bool as_text = p.part == DrawPart::Numbers || p.part == DrawPart::Special;
      put(s, row, 0, Look::Plain, Variant(p.name));
      put(s, row, 1, as_text ? Look::Text : look_of(values[i]), values[i], comment_of(p));
      put(s, row, 2, Look::Note, Variant(to_utf16(p.zh)));
      parts.push_back(a1(1, row));
      args.push_back(Variant(make_cell(values[i])));
      if (p.part == DrawPart::Special) special = parts.back();
      ++row;
    }
    if (ends_with_trigger(f)) {
      parts.push_back(special);
      args.push_back(Variant(make_cell(values[parameter_of(f, DrawPart::Special)])));
    }
    const Variant shown = result_of(draw, f, args);
    put(s, row, 0, Look::Heading, Variant(f.name));
    s.cells.push_back({row, 1, Look::Plain, call_text(f, parts), shown, &f, {}});
    put(s, row, 2, Look::Note, Variant(to_utf16(f.place.note)));
    loaded = {name + u"!" + a1(1, row, true), shown};
    row += 2;
  }
  if (loaded.ref.empty()) throw std::runtime_error("no worksheet function loads the draw");
  return s;
}

// The functions of a sheet, in member order; on 投注 those that pay first,
// for the total below them.
std::vector<const Function*> functions_on(Sheet sheet, bool paying) {
  std::vector<const Function*> out;
  for (const Function& f : functions())
    if (f.place.sheet == sheet && f.place.pays == paying) out.push_back(&f);
  return out;
}

std::size_t widest(const std::vector<const Function*>& fs) {
  std::size_t n = 0;
  for (const Function* f : fs) n = std::max(n, required_argument_count(*f));
  return n;
}

// One function's row: name, its arguments' cells, its formula, its note.
// Returns the formula's result.
Variant function_row(SheetLayout& s, std::size_t row, std::size_t result_col, const Function& f,
                     Draw& draw, const DrawCell& loaded) {
  const std::vector<Variant> values = example_values(f);
  std::vector<Variant> args;
  std::vector<std::u16string> parts;
  put(s, row, 0, Look::Plain, Variant(f.name));
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Variant& v = values[i];
    // A blank argument is a blank cell formatted as text, for the bookkeeper
    // to fill in (a sign, a number kept as text).
    const Look look = v.is_empty() ? Look::Text : look_of(v);
    put(s, row, 1 + i, look, v, comment_of(f.params[i]));
    parts.push_back(a1(1 + i, row));
    args.push_back(Variant(make_cell(v)));
  }
  if (ends_with_trigger(f)) {
    parts.push_back(loaded.ref);
    args.push_back(Variant(make_cell(loaded.value)));
  }
  const Variant shown = result_of(draw, f, args);
  s.cells.push_back({row, result_col, Look::Plain, call_text(f, parts), shown, &f, {}});
  put(s, row, result_col + 1, Look::Note, Variant(to_utf16(f.place.note)));
  return shown;
}

double amount_of(const Variant& v) {
  if (const double* d = v.if_double()) return *d;
  if (const std::int32_t* l = v.if_long()) return *l;
  if (const std::int16_t* i = v.if_integer()) return *i;
  return 0;  // an empty result shows as 0; SUM passes over a text
}

void headings(SheetLayout& s, std::size_t args, std::size_t result_col) {
  put(s, 0, 0, Look::Heading, Variant(u"函数"));
  for (std::size_t i = 0; i < args; ++i)
    put(s, 0, 1 + i, Look::Heading, Variant(u"参数" + std::u16string(1, kNumerals[i])));
  put(s, 0, result_col, Look::Heading, Variant(u"结果"));
  put(s, 0, result_col + 1, Look::Heading, Variant(u"说明"));
  s.widths.assign(result_col + 2, kNarrow);
  s.widths[0] = kWide / 2;
  for (std::size_t i = 1; i <= args; ++i) s.widths[i] = kWide;
  s.widths[result_col] = kWide;
  s.widths[result_col + 1] = kNoteWidth;
}

// 投注, 转换, 计件工资: a heading, then each function's row; on a sheet with
// paying rows, their total (合计) below them and the other rows after it.
SheetLayout function_sheet(Sheet sheet, Draw& draw, const DrawCell& loaded) {
  SheetLayout s{sheet, std::u16string(sheet_name(sheet)), {}, {}};
  const std::vector<const Function*> paying = functions_on(sheet, true);
  const std::vector<const Function*> others = functions_on(sheet, false);
  const std::size_t result_col = 1 + std::max(widest(paying), widest(others));
  headings(s, result_col - 1, result_col);
  std::size_t row = 1;
  double total = 0;
  for (const Function* f : paying)
    total += amount_of(function_row(s, row++, result_col, *f, draw, loaded));
  if (!paying.empty()) {
    const std::u16string sum = u"SUM(" + a1(result_col, 1) + u":" + a1(result_col, row - 1) + u")";
    put(s, row, 0, Look::Heading, Variant(u"合计"));
    s.cells.push_back({row, result_col, Look::Heading, sum, Variant(total), nullptr, {}});
    put(s, row, result_col + 1, Look::Note, Variant(u"以上各注应付金额之和"));
    row += 2;
  }
  for (const Function* f : others) function_row(s, row++, result_col, *f, draw, loaded);
  return s;
}

}  // namespace

std::u16string_view sheet_name(Sheet s) noexcept {
  switch (s) {
    case Sheet::Draw:
      return u"开奖";
    case Sheet::Bets:
      return u"投注";
    case Sheet::Conversions:
      return u"转换";
    case Sheet::Wages:
      return u"计件工资";
  }
  return u"";
}

std::u16string a1(std::size_t col, std::size_t row, bool absolute) {
  std::u16string letters;
  for (std::size_t c = col + 1; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char16_t>(u'A' + (c - 1) % 26));
  const std::u16string dollar = absolute ? u"$" : u"";
  return dollar + letters + dollar + to_utf16(std::to_string(row + 1));
}

std::vector<SheetLayout> lay_out() {
  Draw draw;
  DrawCell loaded;
  std::vector<SheetLayout> sheets;
  for (const Sheet sheet : kOrder)
    sheets.push_back(sheet == Sheet::Draw ? draw_sheet(draw, loaded)
                                          : function_sheet(sheet, draw, loaded));
  return sheets;
}

}  // namespace korvane::workbook
