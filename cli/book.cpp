// Settling a bet book, row after row (book.h): the settler's flow, from the
// lines the book reader hands out to the settled output, with the draw in
// force; a row is read by the book's row rules (book_rows.h), its bytes
// transcoded by book_text.h, and each call counted in the summary
// (book_summary.h).
#include "cli/book.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "cli/book_rows.h"
#include "cli/book_text.h"
#include "cli/cell_entry.h"
#include "cli/settled_output.h"
#include "core/custom_functions.h"
#include "core/text.h"
#include "words/tool.h"

namespace korvane::cli::book {
namespace {

using words::Tool;

constexpr std::size_t kBlock = std::size_t{64} << 10;

class Settler {
 public:
  Settler(std::istream& in, std::optional<Encoding> output, std::ostream& out,
          std::ostream& diagnostics, std::string_view name, words::Language language)
      : language_(language),
        reader_(in, language),
        settled_(out, diagnostics, output, gb_),
        text_(detected_, settled_, gb_),
        rows_(text_, language),
        diagnostics_(diagnostics),
        name_(name),
        empty_cell_(make_cell(Variant())),
        draw_cell_(empty_cell_),
        splitter_(language) {
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

  // "line LINE WHY" or "lines FIRST-LAST WHY", as a report names another row.
  std::string at_lines(Lines lines, const std::string& why) const {
    if (lines.last == lines.first) return say(Tool::AtLine, {std::to_string(lines.first), why});
    return say(Tool::AtLines, {std::to_string(lines.first), std::to_string(lines.last), why});
  }

  // A record that read as CSV: 1. a row of empty cells passes through; 2. a
  // row that could have loaded the draw and does not call the function that
  // does forgets it; 3. the function it names, and 4. its arguments, or the
  // row is unreadable; 5. a bet on the draw waits for one; 6. the call, its
  // result appended.
  void settle_row(Lines lines, std::string_view eol) {
    if (BookRows::empty_row(splitter_)) return pass_through(record_, eol);
    const Function* m = rows_.member(splitter_.field(0));
    if (!loads_draw(m)) forget_if_draw_row(record_, lines, m ? Kind::Call : Kind::Other);
    if (!m) return unreadable(lines, record_, eol, rows_.why_no_function(splitter_));
    const RangeRef& trigger = m->draw == DrawUse::Loads ? empty_cell_ : draw_cell_;
    if (const std::u16string why = rows_.read_arguments(*m, splitter_, trigger, args_);
        !why.empty()) {
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
    text_.encode(text, encoded_);
    if (!ascii(encoded_)) settled_.not_ascii_from(out.size());
    append_field(out, encoded_, separator_);
  }

  // The row's call counted, its result added to its function's total as the
  // settled book shows it; the first failed rows named.
  void tally(const Function& m, const CallResult& r, Lines lines, std::u16string_view result) {
    book::tally(summary_, static_cast<std::size_t>(&m - functions().data()), r, result);
    if (r.failed && summary_.failed_rows.size() < kFailedRowsNamed)
      summary_.failed_rows.push_back(where(lines));
  }

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

  // What a line that may forget the draw is (book_rows.h).
  using Kind = BookRows::Kind;

  // A line that did not load the draw but could have been meant to: the
  // draw it was to load is not there, and the bets after it must not be paid
  // from the one before.
  void forget_if_draw_row(std::string_view bytes, Lines lines, Kind kind) {
    if (!draw_loaded_) return;  // nothing to forget
    if (const std::string why = rows_.could_have_loaded(bytes, kind, separator_); !why.empty())
      forget(lines, say(Tool::ForgetCouldHaveBeen, {why}));
  }

  // The draw in force is forgotten at lines, for why: the bets after it are
  // not settled until a row loads another, and their reports say where.
  void forget(Lines lines, const std::string& why) {
    draw_loaded_ = false;
    forgotten_ = at_lines(lines, why);
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

  // Bytes of the book copied to the settled book, in its encoding.
  void copy(std::string_view bytes) { text_.copy(bytes, settled_.bytes()); }

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
  BookText text_;
  BookRows rows_;
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
  bool separated_ = false;  // the separator is decided, by the first row
  std::string forgotten_;   // where and why the last draw was forgotten; "" when none was loaded
  std::vector<Variant> args_;
  std::string encoded_;
  Summary summary_;
};

}  // namespace

Summary settle(std::istream& in, std::ostream& out, std::ostream& diagnostics,
               std::string_view name, std::optional<Encoding> output, words::Language language) {
  return Settler(in, output, out, diagnostics, name, language).run();
}

}  // namespace korvane::cli::book
