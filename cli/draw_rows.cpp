#include "cli/draw_rows.h"

#include <algorithm>

#include "cli/suggest.h"
#include "cli/utf16.h"
#include "core/custom_functions.h"
#include "words/tool.h"

namespace korvane::cli::book {
namespace {

// Traditional and variant forms of the characters of the draw's names, as a
// bookkeeper on a traditional-Chinese input method (or a Japanese one) types
// them, with the simplified character the names are written in.
constexpr struct {
  char16_t variant, simplified;
} kVariants[] = {
    {u'驗', u'验'}, {u'騐', u'验'}, {u'験', u'验'}, {u'證', u'证'}, {u'証', u'证'},
};

// What a name keeps of a character: 0 when it drops it (blanks, quotes and
// invisible marks a pasted cell carries between its characters).
char16_t fold(char16_t c) {
  constexpr std::u16string_view kDropped =
      u" \t\r\n\u00A0\u3000\u200B\u200C\u200D\u2060\uFEFF\"'\u201C\u201D\u2018\u2019\u300C\u300D";
  if (kDropped.find(c) != std::u16string_view::npos) return 0;
  if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFEE0);  // full-width Latin
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c - u'A' + u'a');
  for (const auto& v : kVariants)
    if (c == v.variant) return v.simplified;
  return c;
}

// Separators a CSV does not split on that a draw row is typed or pasted with.
constexpr std::u16string_view kOtherSeparators = u"\uFF0C\uFF1B;\u3001\uFF64\uFE50\uFE51\t|\uFF5C";

bool is_blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0'; }

std::u16string_view trimmed(std::u16string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Whether a cell, as typed, is a formula to a spreadsheet: it starts with =,
// + or @ (in either width), or with a minus before a name or a bracket
// (-A1 is =-A1; -5 is a number and a row of dashes a ruler, neither a
// formula). Quotes a CSV put round the cell and blanks before it do not
// count: " =A1" is still a formula.
bool is_formula(std::u16string_view cell) {
  if (!cell.empty() && cell.front() == u'"') cell = trimmed(cell.substr(1));
  if (cell.empty()) return false;
  constexpr std::u16string_view kStarts = u"=\uFF1D+\uFF0B@\uFF20";
  if (kStarts.find(cell.front()) != std::u16string_view::npos) return true;
  if (cell.front() != u'-' && cell.front() != u'\uFF0D') return false;
  const std::u16string_view rest = trimmed(cell.substr(1));
  if (rest.empty()) return false;
  const char16_t c = rest.front();
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'(' || c == u'\uFF08' ||
         c == u'$' || c >= 0x3000;
}

// Whether a cell holds a draw's numbers as a draw row writes them: six or
// more numbers of one or two digits (ASCII or full width) between blanks.
// A row that names no function and holds them is a draw row whose name was
// lost: left out, written as ?? by a program saving in another code page,
// in a column deleted, or a word like 开奖.
bool holds_draw_numbers(std::u16string_view cell) {
  int numbers = 0, digits = 0;
  for (const char16_t c : cell) {
    const bool digit = (c >= u'0' && c <= u'9') || (c >= u'\uFF10' && c <= u'\uFF19');
    if (digit) {
      if (++digits > 2) return false;
    } else if (is_blank(c) || c == u'"') {
      numbers += digits > 0 ? 1 : 0;
      digits = 0;
    } else {
      return false;
    }
  }
  numbers += digits > 0 ? 1 : 0;
  return numbers >= 6;
}

}  // namespace

const Function& draw_loader() { return loading_function(); }

std::string draw_fault(const DrawProblem& problem, words::Language language) {
  using words::Tool;
  const auto number = [&] {
    return problem.which == 7
               ? words::say(Tool::SpecialNumber, language)
               : words::say(Tool::RegularNumber, language, {std::to_string(problem.which)});
  };
  switch (problem.kind) {
    case DrawProblem::None:
      return "";
    case DrawProblem::YearNotWhole:
      return words::say(Tool::YearNotWhole, language);
    case DrawProblem::YearNotFourDigits:
      return words::say(Tool::YearNotFourDigits, language);
    case DrawProblem::MoreThanSix:
      return words::say(Tool::MoreThanSixNumbers, language);
    case DrawProblem::NotLotteryNumber:
      return words::say(Tool::NotLotteryNumber, language, {number()});
    case DrawProblem::DrawnTwice:
      return words::say(Tool::DrawnTwice, language, {number()});
  }
  return "";
}

DrawRows::DrawRows(words::Language language) : names_(member_names()), language_(language) {
  for (const Function& f : functions())
    if (f.draw == DrawUse::Loads) loaders_.push_back({folded(f.name), to_utf8(f.name)});
  keys_.push_back(u'\uFEFF');
  for (const Loader& l : loaders_) {
    const char16_t first = l.folded.empty() ? u'a' : l.folded.front();
    if (first < 0x3000) {  // full-width and other forms: no short list
      keys_.clear();
      return;
    }
    keys_ += first;
    for (const auto& v : kVariants)
      if (v.simplified == first) keys_ += v.variant;
  }
}

std::u16string DrawRows::folded(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (const char16_t c : s)
    if (const char16_t f = fold(c)) out += f;
  return out;
}

std::string DrawRows::mentioned_loader(std::u16string_view folded_row) const {
  for (const Loader& l : loaders_)
    if (folded_row.find(l.folded) != std::u16string_view::npos) return l.name;
  return "";
}

std::string DrawRows::could_load_by_text(std::u16string_view comment) const {
  if (comment.find(u'\uFEFF') != std::u16string_view::npos)
    return words::say(words::Tool::MarkOnIt, language_);
  if (const std::string name = mentioned_loader(folded(comment)); !name.empty())
    return words::say(words::Tool::ItNames, language_, {name});
  return "";
}

bool DrawRows::nearest_is_loader(std::u16string_view first_cell) const {
  const std::u16string name = folded(first_cell);
  if (name.empty() || find_function(name)) return false;
  for (const std::string& close_name : nearest(to_utf8(name), names_)) {
    const Function* m = find_function(to_utf16(close_name));
    if (m && m->draw == DrawUse::Loads) return true;
  }
  return false;
}

// 1. A mark of another book; 2. the name of a loading function; 3. a formula;
// 4. a separator the CSV does not split on; 5. a mistyped loading name; 6. a
// draw's numbers in a cell.
std::string DrawRows::could_load(std::u16string_view row, char16_t separator) const {
  if (std::string why = could_load_by_text(row); !why.empty()) return why;
  const std::u16string_view first = trimmed(row.substr(0, row.find(separator)));
  if (is_formula(first)) return words::say(words::Tool::ItIsFormula, language_);
  const std::u16string_view cell =
      first.size() >= 2 && first.front() == u'"' ? first.substr(1, first.size() - 2) : first;
  const char16_t other = separator == u',' ? u'\t' : u',';
  for (const char16_t c : cell)
    if (kOtherSeparators.find(c) != std::u16string_view::npos || c == other)
      return words::say(words::Tool::OtherSeparator, language_);
  if (nearest_is_loader(cell)) return words::say(words::Tool::MistypedLoader, language_);
  for (std::size_t at = 0; at <= row.size();) {
    const std::size_t end = std::min(row.find(separator, at), row.size());
    if (holds_draw_numbers(trimmed(row.substr(at, end - at))))
      return words::say(words::Tool::HoldsDrawNumbers, language_);
    at = end + 1;
  }
  return "";
}

}  // namespace korvane::cli::book
