// Reading one row of a bet book as a worksheet call, by the rules a
// bookkeeper's sheet follows: the function its first cell names (spaces
// around it as typed, a mistyped name answered with the nearest one), its
// arguments as the sheet's cells would hold them (a lottery's numbers as a
// draw is typed, every other cell as Excel types an entry), the padding cells
// Excel writes after a short row ignored, and 易失 referring to the draw cell.
//
// And the rule that keeps a book from paying money it does not owe: a line
// that does not load the draw but could have been meant to (a 验证 row
// mistyped, commented out, unreadable, or glued on in another encoding) makes
// the draw in force be forgotten, so that the bets after it are not paid
// from the draw before it (draw_rows.h).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "cli/book_text.h"
#include "cli/draw_rows.h"
#include "cli/record_splitter.h"
#include "core/custom_functions.h"
#include "words/language.h"
#include "words/tool.h"

namespace korvane::cli::book {

class BookRows {
 public:
  BookRows(BookText& text, words::Language language);

  // A row of only empty cells (as Excel pads the used range).
  static bool empty_row(const RecordSplitter& row);

  // The member a name field calls; null when it names no function. The last
  // name is remembered: books run in blocks of one function.
  const Function* member(std::string_view name_bytes);

  // Why the row's first field names no function, in words for the report.
  std::u16string why_no_function(const RecordSplitter& row);

  // The arguments of a call of m from the row into args, 易失 referring to
  // trigger (the draw cell, or an empty cell for the row that loads it); why
  // not, when the row does not give them.
  std::u16string read_arguments(const Function& m, const RecordSplitter& row,
                                const RangeRef& trigger, std::vector<Variant>& args);

  // What a line that may forget the draw is: a comment, a row that calls a
  // function (its first cell is a name), or any other row.
  enum class Kind { Comment, Call, Other };

  // Why a line that did not load the draw could have been meant to, or ""
  // when it could not: its bytes, read as kind, in a book of separator.
  std::string could_have_loaded(std::string_view bytes, Kind kind, char separator);

 private:
  std::u16string wrong_count(const Function& m, std::size_t expected, std::size_t given) const;
  std::u16string not_text() const;
  std::string say(words::Tool what, std::initializer_list<std::string_view> args = {}) const {
    return words::say(what, language_, args);
  }

  BookText& text_;
  const words::Language language_;
  const std::vector<std::string> names_;  // every member's, for the nearest to a mistyped name
  const DrawRows draw_rows_;
  std::u16string row_text_;
  std::u16string cell_text_;
  std::string last_name_;
  const Function* last_member_ = nullptr;
};

}  // namespace korvane::cli::book
