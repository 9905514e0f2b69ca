// What settling a bet book found, counted and printed (book_summary.h).
#include "cli/book_summary.h"

#include <algorithm>
#include <ostream>

#include "cli/cell_entry.h"
#include "core/text.h"
#include "words/tool.h"

namespace korvane::cli::book {

using words::Tool;

void tally(Summary& s, std::size_t member, const CallResult& r, std::u16string_view result) {
  FunctionTally& t = s.by_member[member];
  ++t.rows;
  if (r.failed) {
    ++s.failed;
    return;
  }
  ++s.settled;
  const Variant value = value_of(r.value);
  if (value.is_empty()) {
    ++t.numeric;  // the cell shows 0 and sums as 0
  } else if (value.if_double() || value.if_integer() || value.if_long()) {
    ++t.numeric;
    t.total.add(result);
  }
}

bool needs_a_look(const Summary& s) {
  return s.unreadable || s.no_draw || s.malformed_draws || s.multiline || s.odd_byte;
}

void write_summary(const Summary& s, std::ostream& out, words::Language language) {
  const auto say = [language](Tool what, std::initializer_list<std::string_view> args = {}) {
    return words::say(what, language, args);
  };
  const auto n = [](std::size_t count) { return std::to_string(count); };
  // A count with its noun ("1 row", "3 rows"; "3 行"), for the English plural.
  const auto counted = [&](std::size_t count, Tool many, Tool one) {
    return say(count == 1 ? one : many, {n(count)});
  };
  const auto some_rows = [&](std::size_t count) {
    return counted(count, Tool::CountRows, Tool::CountOneRow);
  };
  out << say(Tool::SummaryCounts,
             {some_rows(s.rows_read), n(s.settled), n(s.failed), n(s.unreadable)});
  if (s.no_draw) out << say(Tool::SummaryNoDraw, {n(s.no_draw)});
  out << say(Tool::SummaryPassed, {counted(s.passed, Tool::CountPassed, Tool::CountOnePassed)})
      << '\n';
  if (s.warnings) out << say(Tool::SummaryWarnings, {some_rows(s.warnings)}) << '\n';
  if (s.malformed_draws)
    out << say(Tool::SummaryMalformed,
               {counted(s.on_malformed_draw, Tool::CountBets, Tool::CountOneBet),
                counted(s.malformed_draws, Tool::CountDraws, Tool::CountOneDraw)})
        << '\n';
  if (s.multiline) {
    out << say(Tool::SummaryMultiline, {some_rows(s.multiline)});
    for (const std::string& row : s.multiline_rows) out << ' ' << row;
    if (s.multiline > s.multiline_rows.size())
      out << say(Tool::SummaryMore, {n(s.multiline - s.multiline_rows.size())});
    out << '\n';
  }
  if (!s.failed_rows.empty()) {
    out << say(Tool::SummaryFailed);
    for (const std::string& row : s.failed_rows) out << ' ' << row;
    if (s.failed > s.failed_rows.size())
      out << say(Tool::SummaryMore, {n(s.failed - s.failed_rows.size())});
    out << '\n';
  }
  // The totals' column is as wide as its widest total (a total of 1/7ths
  // runs to 17 characters), so that the columns stay lined up.
  const auto list = functions();
  const auto total_of = [](const FunctionTally& t) { return t.numeric ? t.total.text() : "-"; };
  std::size_t total_width = 16;
  for (std::size_t i = 0; i < list.size() && i < s.by_member.size(); ++i)
    if (s.by_member[i].rows)
      total_width = std::max(total_width, total_of(s.by_member[i]).size() + 1);
  bool header = false;
  for (std::size_t i = 0; i < list.size() && i < s.by_member.size(); ++i) {
    const FunctionTally& t = s.by_member[i];
    if (t.rows == 0) continue;
    if (!header) {
      std::string h = say(Tool::SummaryHeader);
      h.insert(h.rfind(' ') + 1, total_width - 16, ' ');
      out << h << '\n';
      header = true;
    }
    const std::u16string name(list[i].name);
    std::string line = to_utf8(name);
    line.append(display_columns(name) < 14 ? 14 - display_columns(name) : 1, ' ');
    const std::string rows = std::to_string(t.rows);
    line.append(rows.size() < 8 ? 8 - rows.size() : 1, ' ').append(rows);
    // A total past what a double holds is shown as the add-in shows a sum
    // that overflows: the call that made it would have failed.
    const std::string total = total_of(t);
    line.append(total_width - total.size(), ' ').append(total);
    out << line << '\n';
  }
}

}  // namespace korvane::cli::book
