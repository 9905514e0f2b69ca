// What settling counts, and the summary printed of it: a function's total is
// the sum of the results the settled book shows, an empty result counts as 0,
// a text is no number, and a failed call is counted but adds nothing.
#include "cli/book_summary.h"

#include <sstream>

#include "cli/cell_entry.h"
#include "core/text.h"
#include "tests/test_support.h"

namespace korvane::cli::book {
namespace {

TEST(BookSummary, EachCallIsCountedAndItsNumbersTotalled) {
  const struct {
    CallResult r;
    std::u16string shown;
  } calls[] = {
      {{N(2.5), false}, u"2.5"},  {{I(3), false}, u"3"},        {{kEmpty, false}, u""},
      {{S(u"x"), false}, u"x"},   {{kEmpty, true}, u"#VALUE!"}, {{N(0.1), false}, u"0.1"},
      {{Ref(N(1)), false}, u"1"},
  };
  Summary s;
  s.by_member.resize(2);
  for (const auto& c : calls) tally(s, 1, c.r, c.shown);
  EXPECT_EQ(s.settled, 6u);
  EXPECT_EQ(s.failed, 1u);
  EXPECT_EQ(s.by_member[0].rows, 0u);
  EXPECT_EQ(s.by_member[1].rows, 7u);
  EXPECT_EQ(s.by_member[1].numeric, 5u);  // the empty result among them
  EXPECT_EQ(s.by_member[1].total.text(), "6.6");
}

// A function no row called is not listed; one whose rows gave no number
// shows no total rather than 0.
TEST(BookSummary, ListsOnlyTheFunctionsCalled) {
  Summary s;
  s.by_member.resize(functions().size());
  s.rows_read = s.settled = 1;
  s.by_member[1].rows = 1;
  std::ostringstream printed;
  write_summary(s, printed);
  const std::string said = printed.str();
  const std::string called = to_utf8(functions()[1].name);
  const std::string uncalled = to_utf8(functions()[0].name);
  EXPECT_NE(said.find("\n" + called + " "), std::string::npos) << said;
  EXPECT_EQ(said.find("\n" + uncalled + " "), std::string::npos) << said;
  EXPECT_EQ(said.substr(said.size() - 3), " -\n") << said;
}

// The totals' column widens to its widest total, the header with it, so every
// total ends where the header's last word does; a count is one row, not one rows.
TEST(BookSummary, LinesUpItsColumnsWhateverTheTotals) {
  const struct {
    std::u16string total;  // of the function called
    const char* count;     // the first words
  } cases[] = {
      {u"15", "1 row read"},
      {u"164.2857142857143", "1 row read"},
      {u"-1234567890123.255", "1 row read"},
  };
  for (const auto& c : cases) {
    Summary s;
    s.by_member.resize(functions().size());
    s.rows_read = s.settled = 1;
    tally(s, 1, {N(1), false}, c.total);
    std::ostringstream printed;
    write_summary(s, printed);
    std::istringstream lines(printed.str());
    std::string first, header, row;
    std::getline(lines, first);
    std::getline(lines, header);
    std::getline(lines, row);
    EXPECT_TRUE(first.starts_with(c.count)) << first;
    EXPECT_TRUE(first.ends_with("; 0 blank or comment lines passed through")) << first;
    const std::string total = to_utf8(c.total);
    EXPECT_TRUE(row.ends_with(total) && row[row.size() - total.size() - 1] == ' ') << row;
    EXPECT_EQ(display_columns(to_utf16(header)), display_columns(to_utf16(row)))
        << header << '|' << row;
  }
}

}  // namespace
}  // namespace korvane::cli::book
