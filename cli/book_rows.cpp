// Reading one row of a bet book as a worksheet call (book_rows.h).
#include "cli/book_rows.h"

#include "cli/cell_entry.h"
#include "cli/quoting.h"
#include "cli/suggest.h"
#include "core/text.h"

namespace korvane::cli::book {

using words::Tool;

namespace {

// Spaces and tabs around a name, as a bookkeeper types them.
std::u16string_view trim_blanks(std::u16string_view s) {
  const std::size_t from = s.find_first_not_of(u" \t");
  if (from == std::u16string_view::npos) return {};
  return s.substr(from, s.find_last_not_of(u" \t") + 1 - from);
}

}  // namespace

BookRows::BookRows(BookText& text, words::Language language)
    : text_(text), language_(language), names_(member_names()), draw_rows_(language) {}

bool BookRows::empty_row(const RecordSplitter& row) {
  for (std::size_t i = 0; i < row.size(); ++i)
    if (!row.field(i).empty()) return false;
  return true;
}

const Function* BookRows::member(std::string_view name_bytes) {
  if (last_member_ && name_bytes == last_name_) return last_member_;
  std::u16string name;
  if (!text_.decode(name_bytes, name)) return nullptr;
  const Function* m = find_function(trim_blanks(name));
  if (!m) return nullptr;
  last_name_.assign(name_bytes);
  last_member_ = m;
  return m;
}

std::u16string BookRows::why_no_function(const RecordSplitter& row) {
  std::u16string name;
  if (!text_.decode(row.field(0), name)) return not_text();
  const std::u16string_view n = trim_blanks(name);
  if (n.empty()) return to_utf16(words::sentence(Tool::NoFunctionInRow, language_));
  const std::string named = to_utf8(quotable(n));
  if (find_property(n)) return to_utf16(say(Tool::RowNamesProperty, {named}));
  // A mistyped name gets the suggestion call gives (验正: did you mean 验证?).
  const std::string suggestion = did_you_mean(to_utf8(n), names_, {}, language_);
  return to_utf16(say(Tool::NoFunctionInBook, {named, suggestion}));
}

std::u16string BookRows::read_arguments(const Function& m, const RecordSplitter& row,
                                        const RangeRef& trigger, std::vector<Variant>& args) {
  const std::size_t expected = required_argument_count(m);
  std::size_t given = row.size() - 1;
  while (given > expected && row.field(given).empty()) --given;  // padding cells
  if (given != expected) return wrong_count(m, expected, given);
  args.clear();
  for (std::size_t i = 1; i <= expected; ++i) {
    if (!text_.decode(row.field(i), cell_text_)) return not_text();
    args.push_back(is_lottery_numbers(m.params[i - 1]) ? draw_entry(cell_text_)
                                                       : cell_entry(cell_text_));
  }
  if (ends_with_trigger(m)) args.emplace_back(trigger);
  return {};
}

std::u16string BookRows::wrong_count(const Function& m, std::size_t expected,
                                     std::size_t given) const {
  std::u16string names;
  for (std::size_t i = 0; i < expected; ++i) {
    if (i) names += u", ";
    names += m.params[i].name;
  }
  return to_utf16(say(expected == 1 ? Tool::RowTakesOne : Tool::RowTakes,
                      {to_utf8(m.name), to_utf8(number_text(static_cast<double>(expected))),
                       to_utf8(names), to_utf8(number_text(static_cast<double>(given)))}));
}

std::string BookRows::could_have_loaded(std::string_view bytes, Kind kind, char separator) {
  // A line typed or glued on in the other of the two byte encodings (a
  // UTF-8 terminal's `echo 验证,… >> book.csv` into a GBK book) reads as
  // other text in the book's own: its bytes are looked at as they are.
  if (text_.holds_a_key_of_the_other_encoding(bytes, draw_rows_.keys()))
    return say(Tool::OtherEncodingKey);
  if (kind == Kind::Call && !text_.holds_a_key(bytes, draw_rows_.keys())) return {};
  std::u16string& row = row_text_;
  if (!text_.decode(bytes, row) && !(kind == Kind::Comment && text_.decode_other(bytes, row)))
    return kind == Kind::Comment ? "" : say(Tool::NotTextInEncoding);
  if (kind == Kind::Other) return draw_rows_.could_load(row, static_cast<char16_t>(separator));
  return draw_rows_.could_load_by_text(row);
}

std::u16string BookRows::not_text() const {
  if (text_.book() == Encoding::Gb18030)
    return to_utf16(words::sentence(Tool::NotGbkText, language_));
  if (is_utf16(text_.book())) return to_utf16(words::sentence(Tool::NotUtf16Text, language_));
  return to_utf16(words::sentence(Tool::NotUtf8Text, language_));
}

}  // namespace korvane::cli::book
