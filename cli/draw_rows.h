// Which rows of a bet book could have been meant to load the draw.
//
// A bet is paid only from the draw of the nearest row above it that loaded
// one, and only when no row between them could have been a draw row: a draw
// row that did not load (typed with a Chinese input method's full-width
// commas, pasted from Excel with tabs, copied out of a cell as a formula,
// glued onto the last row of another book by `cat`) must not leave its bets to
// be paid from last week's draw. A wrong "no draw" costs a look; a wrong
// payout costs money. So a row counts as a possible draw row when:
//   1. it mentions the name of a function that loads the draw, in any
//      spelling: simplified or traditional characters, full-width letters,
//      blanks, quotes or invisible marks between the characters;
//   2. its first cell is a formula (it starts with "=", "+" or "@", or with
//      "-" before a name or a bracket; quotes round it do not count);
//   3. its first cell holds a separator a CSV does not split on (a
//      full-width comma, a tab, 、, a semicolon, a bar), or the book's other one;
//   4. a byte-order mark stands anywhere on it (another book glued on);
//   5. its first cell names no function but is nearest to a loading one (a
//      mistyped 验证, by the rule of the "did you mean" suggestions);
//   6. a cell holds six numbers of one or two digits between blanks, as a
//      draw's numbers are written (the row's name lost or mangled: empty,
//      ??, a column deleted, 开奖).
// A comment line (a draw row commented out), or a row calling another
// function, counts by 1 and 4 only.
// The loading functions are found by their role in the member table, not by
// name. This room reads text only; the settler decides what to forget.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "words/language.h"

namespace korvane {
struct Function;
struct DrawProblem;
}  // namespace korvane

namespace korvane::cli::book {

// The function that loads the draw, found by its role in the member table.
const Function& draw_loader();

// What a draw no lottery can draw has wrong, in language, as the warning
// quotes it after what a well-formed draw is; "" when nothing.
std::string draw_fault(const DrawProblem& problem, words::Language language);

class DrawRows {
 public:
  // language: of the reasons.
  explicit DrawRows(words::Language language = words::Language::English);

  // Why the row, as text, could have been meant to load the draw: one of the
  // reasons above, as the report on a bet left without a draw quotes it; ""
  // when it could not. separator: the one the book's CSV splits on.
  std::string could_load(std::u16string_view row, char16_t separator) const;

  // The same by 1 and 4 only, for a line whose first cell is no name: a
  // comment line (its punctuation is the bookkeeper's own), or a row that
  // calls a function.
  std::string could_load_by_text(std::u16string_view comment) const;

  // Characters one of which a line holds when rules 1 or 4 catch it: the
  // first character of each loading name and its variants, and the
  // byte-order mark. A line holding none is not caught by them, which saves
  // reading it as text. Empty when that cannot be told (a Latin name).
  const std::u16string& keys() const { return keys_; }

  // A name as the rule compares names: blanks, quotes and invisible marks
  // dropped, full-width Latin as Latin, Latin in lower case, traditional and
  // variant characters as simplified ones.
  static std::u16string folded(std::u16string_view s);

 private:
  // The name of a loading function the folded row holds; "" when none.
  std::string mentioned_loader(std::u16string_view folded_row) const;
  bool nearest_is_loader(std::u16string_view first_cell) const;

  struct Loader {
    std::u16string folded;  // its name, folded
    std::string name;       // as the report quotes it
  };
  std::vector<Loader> loaders_;
  std::u16string keys_;
  std::vector<std::string> names_;  // every member's, for the nearest name
  words::Language language_;
};

}  // namespace korvane::cli::book
