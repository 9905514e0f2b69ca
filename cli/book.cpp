#include "cli/book.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>

#include "cli/cell_entry.h"
#include "cli/draw_rows.h"
#include "cli/encoding.h"
#include "cli/quoting.h"
#include "cli/settled_output.h"
#include "cli/suggest.h"
#include "cli/utf16.h"
#include "core/custom_functions.h"
#include "core/text.h"
#include "words/tool.h"

namespace korvane::cli::book {
namespace {

using words::Tool;

constexpr std::size_t kBlock = std::size_t{64} << 10;

bool ascii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool ascii(std::u16string_view s) {
  for (char16_t c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

// ---- settling ------------------------------------------------------------------

namespace {

// A CSV field holding bytes, quoted when it must be.
void append_field(std::string& out, std::string_view bytes, char separator) {
  const char special[] = {separator, '"', '\r', '\n', '\0'};
  if (bytes.find_first_of(special) == std::string_view::npos) {
    out.append(bytes);
    return;
  }
  out += '"';
  for (char c : bytes) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

class Settler {
 public:
  Settler(std::istream& in, std::optional<Encoding> output, std::ostream& out,
          std::ostream& diagnostics, std::string_view name, words::Language language)
      : language_(language),
        reader_(in, language),
        settled_(out, diagnostics, output, gb_),
        diagnostics_(diagnostics),
        name_(name),
        empty_cell_(make_cell(Variant())),
        draw_cell_(empty_cell_),
        splitter_(language),
        names_(member_names()),
        draw_rows_(language) {
    summary_.by_member.resize(functions().size());
    // A book on a pipe waits for its next rows with those settled written,
    // and those held for the encoding once the pipe has been quiet a while.
    reader_.on_wait([this] {
      if (settled_.holding() && !reader_.arrives_within(kQuietMs)) decide_now();
      settled_.write_ready();
    });
  }

  Summary run() {
    Line line;
    while (next_line(line)) {
      if (!line.overlong && line.content.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        if (line.number == 1 && detected_.bom) {
          // The book's own mark, kept; a UTF-16 book writes its own.
          if (settled_.buffered() == Encoding::Utf8) settled_.bytes().append(kUtf8Bom);
          line.content.remove_prefix(kUtf8Bom.size());
        } else if (line.number > 1) {
          joined(line.number);
          line.content.remove_prefix(kUtf8Bom.size());
        }
      }
      if (line.overlong) {
        overlong(line.number);
      } else if (blank(line.content)) {
        pass_through(line.content, line.eol);
      } else if (comment(line.content)) {
        comment_line(line);
      } else {
        if (!separated_) separate_by(line.content);
        record(line);
      }
      if (settled_.bytes().size() >= kBlock) flush();
      settled_.bound_reports();
    }
    flush();
    finish();
    return std::move(summary_);
  }

 private:
  // The next line: first those given back by a record that did not read.
  bool next_line(Line& line) {
    if (settled_.stopped()) return false;
    if (!pending_.empty()) {
      pending_.pop(line);
      return true;
    }
    const bool more = reader_.next(line);
    if (settled_.open() && reader_.decided()) on_decided();
    if (reader_.has_note()) diagnostics_ << name_ << ": " << reader_.take_note() << '\n';
    return more && !settled_.stopped();
  }

  // ---- the encoding, open and decided ----
  //
  // While the reader has not decided the book's encoding, the settled output
  // holds back what may not be in it (settled_output.h).

  // The reader has decided the encoding: what the settled output held for
  // want of it goes out, unless the book cannot be converted here.
  void on_decided() {
    detected_ = reader_.detected();
    if (detected_.encoding == Encoding::Gb18030 && !gb_.ready()) {
      summary_.no_converter = true;
      return settled_.stop();
    }
    const std::string note =
        detected_.note.empty() ? std::string() : std::string(name_) + ": " + detected_.note + '\n';
    settled_.decide(detected_.encoding, note);
  }

  // Decides now, from the lines read so far, what was held can wait no longer.
  void decide_now() {
    reader_.decide();
    if (settled_.open()) on_decided();
  }

  std::ostream& report() { return settled_.report(); }

  // Writes the settled lines, all but those held; held lines past their bound
  // decide the encoding from the lines read so far.
  void flush() {
    if (settled_.must_decide()) decide_now();
    settled_.write();
  }

  // The end of the book: what a UTF-16 output still waits for, and what the
  // reader found.
  void finish() {
    settled_.finish();
    summary_.not_a_book = reader_.input().refusal();
    summary_.odd_byte = reader_.input().odd_byte();
    if (summary_.odd_byte) diagnostics_ << name_ << ": " << say(Tool::OddByte) << '\n';
  }

  // ---- joined books and separators ----

  // A byte-order mark at the start of a later line: another book saved by
  // Excel, joined on (`cat week1.csv week2.csv`). The mark is dropped (it
  // would hide in the function name), and the draw is forgotten: the bets of
  // the joined book are paid from its own draw or not at all.
  void joined(std::size_t number) {
    report() << where(Lines{number, number}) << ": " << say(Tool::Joined) << '\n';
    ++summary_.joined;
    forget(Lines{number, number}, say(Tool::ForgetJoined));
  }

  // The separator of a UTF-16 book, from its first row: Excel's Unicode
  // text is tab-separated, a CSV file saved in UTF-16 comma-separated. Every
  // other book is CSV.
  void separate_by(std::string_view first_row) {
    separated_ = true;
    if (!is_utf16(detected_.encoding)) return;
    const auto tabs = std::count(first_row.begin(), first_row.end(), '\t');
    const auto commas = std::count(first_row.begin(), first_row.end(), ',');
    separator_ = tabs > commas ? '\t' : ',';
    splitter_.separate_by(separator_);
  }

  // The encoding of the bytes the reader hands out, and of those written
  // to the settled output: UTF-8 where the book or the output is UTF-16.
  Encoding lines() const {
    return is_utf16(detected_.encoding) ? Encoding::Utf8 : detected_.encoding;
  }

  // ---- one record ----

  void record(const Line& first) {
    // Copy what is needed of first now: reading the next line may end its views.
    const std::size_t number = first.number;
    const std::size_t first_size = first.content.size();
    const std::string first_eol(first.eol);
    record_.assign(first.content);
    std::string eol(first.eol);
    std::size_t last = number;
    splitter_.reset();
    RecordSplitter::Status status = splitter_.feed(first.content, first.eol);
    Line more;
    while (status == RecordSplitter::Status::NeedMore) {
      // The record goes on on the next line, unless there is none, or it is
      // overlong (it stays where it is), or the record has grown too long.
      if (record_.size() >= kMaxRecord || !next_line(more) || more.overlong) break;
      record_.append(eol);
      record_.append(more.content);
      eol.assign(more.eol);
      last = more.number;
      status = splitter_.feed(more.content, more.eol);
    }

    if (status == RecordSplitter::Status::Complete) return settle_row(Lines{number, last}, eol);
    forget_if_draw_row(std::string_view(record_).substr(0, first_size), Lines{number, number},
                       Kind::Other);
    if (last == number) {
      return unreadable(Lines{number, number}, record_, eol,
                        status == RecordSplitter::Status::NeedMore ? said(Tool::QuoteNotClosed)
                                                                   : splitter_.problem());
    }
    // A quoted field opened on the first line and never closed as a CSV field
    // should be: only that line is unreadable; the lines after it are given
    // back, as the bytes they were, to be read again as rows of their own.
    record_.append(eol);
    pending_.give_back(std::string_view(record_).substr(first_size + first_eol.size()), number + 1);
    unreadable(Lines{number, number}, std::string_view(record_).substr(0, first_size), first_eol,
               said(Tool::QuoteNotClosedOnLine));
  }

  // The lines a record came from: one, or several when a quoted cell holds
  // line breaks.
  struct Lines {
    std::size_t first, last;
  };

  // "NAME:LINE" or "NAME:FIRST-LAST", as every report on a row starts.
  std::string where(Lines lines) const {
    std::string w = std::string(name_) + ':' + std::to_string(lines.first);
    if (lines.last != lines.first) w += '-' + std::to_string(lines.last);
    return w;
  }

  // "line LINE" or "lines FIRST-LAST", as a report names another row.
  static std::string where_lines(Lines lines) {
    if (lines.last == lines.first) return "line " + std::to_string(lines.first);
    return "lines " + std::to_string(lines.first) + "-" + std::to_string(lines.last);
  }

  // A record that read as CSV: 1. a row of empty cells passes through; 2. a
  // row that could have loaded the draw and does not call the function that
  // does forgets it; 3. the function it names, and 4. its arguments, or the
  // row is unreadable; 5. a bet on the draw waits for one; 6. the call, its
  // result appended.
  void settle_row(Lines lines, std::string_view eol) {
    if (empty_row()) return pass_through(record_, eol);  // as Excel pads the used range
    const Function* m = member(splitter_.field(0));
    if (!loads_draw(m)) forget_if_draw_row(record_, lines, m ? Kind::Call : Kind::Other);
    if (!m) return unreadable(lines, record_, eol, why_no_function());
    if (const std::u16string why = read_arguments(*m); !why.empty()) {
      if (loads_draw(m))
        forget(lines,
               say(Tool::ForgetUnreadable));  // the draw it was to load is not there
      return unreadable(lines, record_, eol, why);
    }
    if (m->draw == DrawUse::Reads && !draw_loaded_) return without_draw(lines, eol);
    settle_call(*m, lines, eol);
  }

  // A row that reads: called, tallied, its result appended; a 验证 row loads
  // the draw the rows after it read.
  void settle_call(const Function& m, Lines lines, std::string_view eol) {
    const CallResult r = call(obj_, m, args_);
    if (m.draw == DrawUse::Reads && draw_malformed_) ++summary_.on_malformed_draw;
    const std::u16string result = r.failed ? std::u16string(u"#VALUE!") : shown(r.value);
    tally(m, r, lines, result);
    if (m.draw == DrawUse::Loads) loaded(m, r, lines);
    if (lines.last != lines.first) {
      // As Excel reads the same file: one row, its cell holding the lines. But
      // a record over several lines in a bet book is almost always a stray
      // quote that swallowed the rows after it: counted, for a look.
      warn(lines,
           say(Tool::RunsOverLines, {std::to_string(lines.first), std::to_string(lines.last)}));
      if (summary_.multiline_rows.size() < kFailedRowsNamed)
        summary_.multiline_rows.push_back(where(lines));
      ++summary_.multiline;
    }
    ++summary_.rows_read;
    copy(record_);
    append_result(result);
    settled_.bytes().append(eol);
  }

  // A comment line: a draw row commented out leaves its bets without a draw.
  void comment_line(const Line& line) {
    forget_if_draw_row(line.content, Lines{line.number, line.number}, Kind::Comment);
    pass_through(line.content, line.eol);
  }

  // A blank or comment line, or a row of empty cells: copied, nothing appended.
  void pass_through(std::string_view content, std::string_view eol) {
    copy(content);
    settled_.bytes().append(eol);
    ++summary_.passed;
  }

  // One more field after the row copied to the settled output: text in its
  // encoding, quoted when it must be.
  void append_result(std::u16string_view text) {
    std::string& out = settled_.bytes();
    out += separator_;
    encoded_.clear();
    encode(text, encoded_);
    if (!ascii(encoded_)) settled_.not_ascii_from(out.size());
    append_field(out, encoded_, separator_);
  }

  bool empty_row() const {
    for (std::size_t i = 0; i < splitter_.size(); ++i)
      if (!splitter_.field(i).empty()) return false;
    return true;
  }

  std::u16string why_no_function() {
    std::u16string name;
    if (!decode(splitter_.field(0), name)) return not_text();
    const std::u16string_view n = trim_blanks(name);
    if (n.empty()) return said16(Tool::NoFunctionInRow);
    const std::string named = to_utf8(quotable(n));
    if (find_property(n)) return to_utf16(say(Tool::RowNamesProperty, {named}));
    // A mistyped name gets the suggestion call gives (验正: did you mean 验证?).
    const std::string near = did_you_mean(to_utf8(n), names_, {}, language_);
    return to_utf16(say(Tool::NoFunctionInBook, {named, near}));
  }

  // The arguments of a call of m into args_, 易失 referring to the draw cell
  // as a sheet's rows do; why not, when the row does not give them.
  std::u16string read_arguments(const Function& m) {
    const std::size_t expected = required_argument_count(m);
    std::size_t given = splitter_.size() - 1;
    while (given > expected && splitter_.field(given).empty()) --given;  // padding cells
    if (given != expected) return wrong_count(m, expected, given);
    args_.clear();
    for (std::size_t i = 1; i <= expected; ++i) {
      if (!decode(splitter_.field(i), text_)) return not_text();
      args_.push_back(is_lottery_numbers(m.params[i - 1]) ? draw_entry(text_) : cell_entry(text_));
    }
    if (ends_with_trigger(m))
      args_.emplace_back(m.draw == DrawUse::Loads ? empty_cell_ : draw_cell_);
    return {};
  }

  std::u16string wrong_count(const Function& m, std::size_t expected, std::size_t given) const {
    std::u16string names;
    for (std::size_t i = 0; i < expected; ++i) {
      if (i) names += u", ";
      names += m.params[i].name;
    }
    return to_utf16(say(expected == 1 ? Tool::RowTakesOne : Tool::RowTakes,
                        {to_utf8(m.name), to_utf8(number_text(static_cast<double>(expected))),
                         to_utf8(names), to_utf8(number_text(static_cast<double>(given)))}));
  }

  // The row's call counted, its result added to its function's total as the
  // settled book shows it.
  void tally(const Function& m, const CallResult& r, Lines lines, std::u16string_view result) {
    FunctionTally& t = summary_.by_member[static_cast<std::size_t>(&m - functions().data())];
    ++t.rows;
    if (r.failed) {
      ++summary_.failed;
      if (summary_.failed_rows.size() < kFailedRowsNamed)
        summary_.failed_rows.push_back(where(lines));
      return;
    }
    ++summary_.settled;
    const Variant value = value_of(r.value);
    if (value.is_empty()) {
      ++t.numeric;  // the cell shows 0 and sums as 0
    } else if (value.if_double() || value.if_integer() || value.if_long()) {
      ++t.numeric;
      t.total.add(result);
    }
  }

  // A 验证 row ran: the rows after it settle against what it loaded, and a
  // draw that is not one a lottery can draw is reported.
  // A 验证 row ran: the rows after it settle against what it loaded. A draw
  // that is not one a lottery can draw is settled against as the add-in
  // would, but reported, and the bets paid from it are counted: the run
  // fails, so that a script checking the exit status does not pay them.
  void loaded(const Function& m, const CallResult& r, Lines lines) {
    draw_cell_ = make_cell(r.failed ? Variant(ExcelError::Value) : r.value);
    draw_loaded_ = !r.failed;
    draw_malformed_ = false;
    if (!draw_loaded_) return forget(lines, say(Tool::ForgetNoneLoaded));
    const DrawRule& rule = m.draw_rule;
    if (const DrawProblem problem = rule.problem(obj_, args_[parameter_of(m, DrawPart::Year)],
                                                 args_[parameter_of(m, DrawPart::Numbers)])) {
      warn(lines, say(Tool::DrawNotWellFormed,
                      {say(Tool::WellFormedDraw), draw_fault(problem, language_)}));
      draw_malformed_ = true;
      ++summary_.malformed_draws;
    }
  }

  // A bet on the draw with none loaded: paid from an empty draw (or the one
  // before a row that could have loaded another) it could pay money it does
  // not owe. It is marked, reported and counted instead.
  void without_draw(Lines lines, std::string_view eol) {
    report() << where(lines) << ": "
             << say(Tool::NoDrawLoaded,
                    {forgotten_.empty() ? say(Tool::NoDrawRowAbove) : forgotten_})
             << '\n';
    copy(record_);
    append_result(said16(Tool::NoDraw));
    settled_.bytes().append(eol);
    ++summary_.no_draw;
    ++summary_.rows_read;
  }

  void warn(Lines lines, const std::string& what) {
    report() << where(lines) << ": " << say(Tool::Warning, {what}) << '\n';
    ++summary_.warnings;
  }

  static bool loads_draw(const Function* m) { return m && m->draw == DrawUse::Loads; }

  // What a line that may forget the draw is: a comment, a row that calls a
  // function (its first cell is a name), or any other row.
  enum class Kind { Comment, Call, Other };

  // A line that did not load the draw but could have been meant to
  // (draw_rows.h): the draw it was to load is not there, and the bets after
  // it must not be paid from the one before. A row that is not text in the
  // book's encoding could be anything (a row of another book glued on); a
  // comment is read in the other encoding too.
  void forget_if_draw_row(std::string_view bytes, Lines lines, Kind kind) {
    if (!draw_loaded_) return;  // nothing to forget
    // A line typed or glued on in the other of the two byte encodings (a
    // UTF-8 terminal's `echo 验证,… >> book.csv` into a GBK book) reads as
    // other text in the book's own: its bytes are looked at as they are.
    if (holds_a_key_of_the_other_encoding(bytes)) {
      forget(lines, say(Tool::ForgetCouldHaveBeen, {say(Tool::OtherEncodingKey)}));
      return;
    }
    if (kind == Kind::Call && !holds_a_key(bytes)) return;
    std::u16string& row = row_text_;
    std::string why;
    if (!decode(bytes, row) && !(kind == Kind::Comment && decode_other(bytes, row)))
      why = kind == Kind::Comment ? "" : say(Tool::NotTextInEncoding);
    else if (kind == Kind::Other)
      why = draw_rows_.could_load(row, static_cast<char16_t>(separator_));
    else
      why = draw_rows_.could_load_by_text(row);
    if (!why.empty()) forget(lines, say(Tool::ForgetCouldHaveBeen, {why}));
  }

  // Whether the bytes of a line hold one of the characters a draw row's
  // text would (DrawRows::keys) in the encoding the book's lines are read in
  // (a wrong match only costs reading the line as text).
  bool holds_a_key(std::string_view bytes) {
    if (draw_rows_.keys().empty()) return true;
    const Encoding encoding = lines();
    if (key_bytes_.empty() || keys_encoding_ != encoding) {
      key_bytes_.clear();
      keys_encoding_ = encoding;
      for (const char16_t c : draw_rows_.keys()) {
        std::string key;
        if (encoding == Encoding::Utf8)
          key = to_utf8(std::u16string_view(&c, 1));
        else if (gb_.ready())
          gb_.encode(std::u16string_view(&c, 1), key);
        if (key.empty()) return true;
        key_bytes_.push_back(std::move(key));
      }
    }
    for (const std::string& key : key_bytes_)
      if (bytes.find(key) != std::string_view::npos) return true;
    return false;
  }

  // Whether the bytes of a line hold one of those characters in the other
  // byte encoding: UTF-8 in a GB18030 book, GB18030 in a UTF-8 one (UTF-16
  // books have no such twin). A chance match costs a `no draw`, never money.
  bool holds_a_key_of_the_other_encoding(std::string_view bytes) {
    const Encoding encoding = lines();
    if (encoding != Encoding::Utf8 && encoding != Encoding::Gb18030) return false;
    if (other_key_bytes_.empty() || other_keys_encoding_ != encoding) {
      other_key_bytes_.clear();
      other_keys_encoding_ = encoding;
      for (const char16_t c : draw_rows_.keys()) {
        std::string key;
        if (encoding == Encoding::Gb18030)
          key = to_utf8(std::u16string_view(&c, 1));
        else if (gb_.ready())
          gb_.encode(std::u16string_view(&c, 1), key);
        if (!key.empty()) other_key_bytes_.push_back(std::move(key));
      }
    }
    for (const std::string& key : other_key_bytes_)
      if (bytes.find(key) != std::string_view::npos) return true;
    return false;
  }

  // The draw in force is forgotten at lines, for why: the bets after it are
  // not settled until a row loads another, and their reports say where.
  void forget(Lines lines, const std::string& why) {
    draw_loaded_ = false;
    forgotten_ = where_lines(lines) + " " + why;
  }

  // Spaces and tabs around a name, as a bookkeeper types them.
  static std::u16string_view trim_blanks(std::u16string_view s) {
    const std::size_t from = s.find_first_not_of(u" \t");
    if (from == std::u16string_view::npos) return {};
    return s.substr(from, s.find_last_not_of(u" \t") + 1 - from);
  }

  // The member a name field calls; null when it names no function. The last
  // name is remembered: books run in blocks of one function.
  const Function* member(std::string_view name_bytes) {
    if (last_member_ && name_bytes == last_name_) return last_member_;
    std::u16string name;
    if (!decode(name_bytes, name)) return nullptr;
    const Function* m = find_function(trim_blanks(name));
    if (!m) return nullptr;
    last_name_.assign(name_bytes);
    last_member_ = m;
    return m;
  }

  std::u16string not_text() const {
    if (detected_.encoding == Encoding::Gb18030) return said16(Tool::NotGbkText);
    if (is_utf16(detected_.encoding)) return said16(Tool::NotUtf16Text);
    return said16(Tool::NotUtf8Text);
  }

  // ---- rows that do not read ----

  void unreadable(Lines lines, std::string_view content, std::string_view eol,
                  std::u16string_view why) {
    report() << where(lines) << ": " << to_utf8(why) << '\n';
    copy(content);
    append_result(to_utf16(say(Tool::Unreadable, {to_utf8(why)})));
    settled_.bytes().append(eol);
    ++summary_.unreadable;
    ++summary_.rows_read;
  }
  void unreadable(Lines lines, std::string_view content, std::string_view eol, const char* why) {
    unreadable(lines, content, eol, to_utf16(why));
  }

  // A line longer than the reader holds goes out as it is read: what it
  // follows cannot be held for the encoding any longer.
  void overlong(std::size_t number) {
    forget(Lines{number, number}, say(Tool::ForgetTooLong));
    if (settled_.holding()) decide_now();
    flush();
    if (settled_.stopped()) return;
    const std::string eol =
        reader_.drain([this](std::string_view piece) { settled_.pass_on(piece); });
    unreadable(Lines{number, number}, {}, eol, said(Tool::LineTooLong));
  }

  // ---- encodings ----

  bool decode(std::string_view bytes, std::u16string& out) {
    out.clear();
    if (ascii(bytes)) {
      out.assign(bytes.begin(), bytes.end());
      return true;
    }
    if (lines() == Encoding::Utf8) {
      // Rows were checked while the encoding was open, but not comment lines,
      // nor the rows after it was decided or in a book that opens with the
      // byte-order mark.
      if (!is_utf8(bytes)) return false;
      out = to_utf16(bytes);
      return true;
    }
    return gb_.decode(bytes, out);
  }

  // As decode, in the encoding the book was not read in.
  bool decode_other(std::string_view bytes, std::u16string& out) {
    out.clear();
    if (lines() == Encoding::Utf8) return gb_.decode(bytes, out);
    if (!is_utf8(bytes)) return false;
    out = to_utf16(bytes);
    return true;
  }

  void encode(std::u16string_view text, std::string& out) {
    if (ascii(text)) {
      for (char16_t c : text) out += static_cast<char>(c);
    } else if (settled_.buffered() == Encoding::Utf8) {
      out += to_utf8(text);
    } else {
      gb_.encode(text, out);
    }
  }

  // Bytes of the book copied to the settled book: as they are, or in the
  // output encoding when it differs (bytes that are not text in the book's
  // encoding are copied as they are: there is nothing to convert).
  void copy(std::string_view bytes) {
    if (settled_.buffered() == lines() || ascii(bytes) || !decode(bytes, copied_)) {
      settled_.bytes().append(bytes);
      return;
    }
    encode(copied_, settled_.bytes());
  }

  // ---- words ----

  std::string say(Tool what, std::initializer_list<std::string_view> args = {}) const {
    return words::say(what, language_, args);
  }
  std::u16string said16(Tool what) const { return to_utf16(words::sentence(what, language_)); }
  // A sentence without blanks, as a literal of the table (it lasts).
  const char* said(Tool what) const { return words::sentence(what, language_).data(); }

  const words::Language language_;
  BookReader reader_;
  Detected detected_;  // UTF-8 until the reader decides
  Gb18030 gb_;
  SettledOutput settled_;
  std::ostream& diagnostics_;
  std::string_view name_;
  Draw obj_;
  const RangeRef empty_cell_;
  RangeRef draw_cell_;           // the cell the last 验证 row filled
  bool draw_loaded_ = false;     // a 验证 row loaded the draw the next rows read
  bool draw_malformed_ = false;  // and it is not one a lottery can draw
  RecordSplitter splitter_;
  KeptLines pending_;   // lines given back by a record that did not read
  std::string record_;  // the bytes of the record being read, without its last line end
  char separator_ = ',';
  bool separated_ = false;                // the separator is decided, by the first row
  const std::vector<std::string> names_;  // every member's, for the nearest to a mistyped name
  const DrawRows draw_rows_;
  std::string forgotten_;  // where and why the last draw was forgotten; "" when none was loaded
  std::u16string row_text_;
  std::vector<std::string> key_bytes_;        // DrawRows::keys in keys_encoding_
  std::vector<std::string> other_key_bytes_;  // the same in the other byte encoding
  Encoding other_keys_encoding_ = Encoding::Utf8;
  Encoding keys_encoding_ = Encoding::Utf8;
  std::vector<Variant> args_;
  std::u16string text_;
  std::u16string copied_;
  std::string encoded_;
  std::string last_name_;
  const Function* last_member_ = nullptr;
  Summary summary_;
};

}  // namespace

Summary settle(std::istream& in, std::ostream& out, std::ostream& diagnostics,
               std::string_view name, std::optional<Encoding> output, words::Language language) {
  return Settler(in, output, out, diagnostics, name, language).run();
}

bool needs_a_look(const Summary& s) {
  return s.unreadable || s.no_draw || s.malformed_draws || s.multiline || s.odd_byte;
}

void write_summary(const Summary& s, std::ostream& out, words::Language language) {
  const auto say = [language](Tool what, std::initializer_list<std::string_view> args = {}) {
    return words::say(what, language, args);
  };
  const auto n = [](std::size_t count) { return std::to_string(count); };
  out << say(Tool::SummaryCounts, {n(s.rows_read), n(s.settled), n(s.failed), n(s.unreadable)});
  if (s.no_draw) out << say(Tool::SummaryNoDraw, {n(s.no_draw)});
  out << say(Tool::SummaryPassed, {n(s.passed)}) << '\n';
  if (s.warnings) out << say(Tool::SummaryWarnings, {n(s.warnings)}) << '\n';
  if (s.malformed_draws)
    out << say(Tool::SummaryMalformed, {n(s.on_malformed_draw), n(s.malformed_draws)}) << '\n';
  if (s.multiline) {
    out << say(Tool::SummaryMultiline, {n(s.multiline)});
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
  const auto list = functions();
  bool header = false;
  for (std::size_t i = 0; i < list.size() && i < s.by_member.size(); ++i) {
    const FunctionTally& t = s.by_member[i];
    if (t.rows == 0) continue;
    if (!header) {
      out << say(Tool::SummaryHeader) << '\n';
      header = true;
    }
    const std::u16string name(list[i].name);
    std::string line = to_utf8(name);
    line.append(display_columns(name) < 14 ? 14 - display_columns(name) : 1, ' ');
    const std::string rows = std::to_string(t.rows);
    line.append(rows.size() < 8 ? 8 - rows.size() : 1, ' ').append(rows);
    // A total past what a double holds is shown as the add-in shows a sum
    // that overflows: the call that made it would have failed.
    const std::string total = t.numeric ? t.total.text() : "-";
    line.append(total.size() < 16 ? 16 - total.size() : 1, ' ').append(total);
    out << line << '\n';
  }
}

}  // namespace korvane::cli::book
