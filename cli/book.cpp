#include "cli/book.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <istream>
#include <ostream>

#include "cli/cell_entry.h"
#include "cli/encoding.h"
#include "cli/protocol.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane::cli::book {
namespace {

constexpr std::size_t kBlock = std::size_t{64} << 10;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

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

namespace {

bool blank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool comment(std::string_view s) {
  const std::size_t i = s.find_first_not_of(" \t");
  return i != std::string_view::npos && s[i] == '#';
}

}  // namespace

Detected detect(std::istream& in) {
  Detected d;
  LineReader reader(in);
  Line line;
  std::size_t utf8_row = 0;     // the first row holding UTF-8 beyond ASCII
  std::size_t other_row = 0;    // the first row that is not UTF-8
  std::size_t other_aside = 0;  // the first blank or comment line that is not
  while (reader.next(line)) {
    if (line.number == 1 && line.content.substr(0, kBom.size()) == kBom) {
      d.bom = true;
      return d;  // the mark says so: no need to read on
    }
    bool valid = true;
    bool row = true;
    if (line.overlong) {  // a row, however it reads
      Utf8Check check;
      reader.drain([&check](std::string_view piece) { check.feed(piece); });
      valid = check.finish();
    } else if (ascii(line.content)) {
      continue;
    } else {
      valid = is_utf8(line.content);
      row = !blank(line.content) && !comment(line.content);
    }
    std::size_t& first = !row ? other_aside : valid ? utf8_row : other_row;
    if (!first && (row || !valid)) first = line.number;
  }
  if (other_row) {
    d.encoding = Encoding::Gb18030;
    if (utf8_row) {
      d.note = "read as GB18030 (GBK): line " + std::to_string(other_row) +
               " is not UTF-8, though line " + std::to_string(utf8_row) + " is";
    }
  } else if (other_aside) {
    d.note = "read as UTF-8, as every row is; line " + std::to_string(other_aside) +
             " (a comment or blank line) is not, and is copied as it is";
  }
  return d;
}

// ---- LineReader ----------------------------------------------------------------

LineReader::LineReader(std::istream& in, std::size_t max_line)
    : in_(in), max_line_(max_line), buf_(max_line + kBlock) {}

bool LineReader::fill() {
  if (eof_) return false;
  if (begin_ > 0) {  // keep the unread part at the front
    std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const std::size_t room = buf_.size() - end_;
  if (room == 0) return false;
  in_.read(buf_.data() + end_, static_cast<std::streamsize>(room));
  const auto n = static_cast<std::size_t>(in_.gcount());
  end_ += n;
  if (n < room) eof_ = true;
  return n > 0;
}

// The first line end in buf_[from, end_): a line feed, or a carriage return
// (alone, or before a line feed). end_ when there is none yet.
std::size_t LineReader::find_eol(std::size_t from) const {
  const char* const base = buf_.data();
  const void* nl = std::memchr(base + from, '\n', end_ - from);
  const std::size_t n = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - base) : end_;
  const void* cr = std::memchr(base + from, '\r', n - from);
  return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - base) : n;
}

// A carriage return at p ends the line with a line feed after it, or alone.
// False while the byte after it has not been read yet.
bool LineReader::eol_known(std::size_t p) const { return buf_[p] == '\n' || p + 1 < end_ || eof_; }

std::size_t LineReader::eol_length(std::size_t p) const {
  return buf_[p] == '\r' && p + 1 < end_ && buf_[p + 1] == '\n' ? 2 : 1;
}

bool LineReader::next(Line& line) {
  for (;;) {
    const std::size_t p = find_eol(begin_ + scanned_);
    if (p - begin_ > max_line_) {
      line.content = view(begin_, begin_ + max_line_);
      line.eol = {};
      line.number = number_ + 1;
      line.overlong = true;
      return true;
    }
    if (p < end_ && eol_known(p)) {
      const std::size_t len = eol_length(p);
      line.content = view(begin_, p);
      line.eol = view(p, p + len);
      line.number = ++number_;
      line.overlong = false;
      begin_ = p + len;
      scanned_ = 0;
      return true;
    }
    scanned_ = p - begin_;  // no line end before p (a carriage return at p waits)
    if (!fill() && !(p < end_)) {
      if (begin_ == end_) return false;
      line.content = view(begin_, end_);
      line.eol = {};
      line.number = ++number_;
      line.overlong = false;
      begin_ = end_;
      scanned_ = 0;
      return true;
    }
  }
}

std::string LineReader::drain(const std::function<void(std::string_view)>& sink) {
  scanned_ = 0;
  for (;;) {
    const std::size_t p = find_eol(begin_);
    sink(view(begin_, p));
    begin_ = p;
    if (p < end_ && eol_known(p)) {
      const std::size_t len = eol_length(p);
      const std::string eol(view(p, p + len));
      begin_ = p + len;
      ++number_;
      return eol;
    }
    if (!fill() && begin_ == end_) {
      ++number_;
      return "";
    }
  }
}

// ---- RecordSplitter ------------------------------------------------------------

void RecordSplitter::reset() {
  state_ = State::FieldStart;
  data_.clear();
  bounds_.clear();
  field_begin_ = 0;
  problem_ = "";
}

void RecordSplitter::end_field() {
  bounds_.emplace_back(field_begin_, data_.size() - field_begin_);
  field_begin_ = data_.size();
  state_ = State::FieldStart;
}

RecordSplitter::Status RecordSplitter::feed(std::string_view content, std::string_view eol) {
  for (const char c : content) {
    switch (state_) {
      case State::FieldStart:
        if (c == '"') {
          state_ = State::Quoted;
        } else if (c == ',') {
          end_field();
        } else {
          state_ = State::Unquoted;
          data_ += c;
        }
        break;
      case State::Unquoted:
        if (c == ',') {
          end_field();
        } else if (c == '"') {
          problem_ = "a double quote inside a field that does not start with one";
          return Status::Malformed;
        } else {
          data_ += c;
        }
        break;
      case State::Quoted:
        if (c == '"') {
          state_ = State::QuoteInQuoted;
        } else {
          data_ += c;
        }
        break;
      case State::QuoteInQuoted:
        if (c == '"') {  // a doubled quote stands for one
          data_ += '"';
          state_ = State::Quoted;
        } else if (c == ',') {
          end_field();
        } else {
          problem_ = "text after the closing quote of a field";
          return Status::Malformed;
        }
        break;
    }
  }
  if (state_ == State::Quoted) {
    if (eol.empty()) {
      problem_ = "a quoted field is not closed";
      return Status::Malformed;
    }
    data_.append(eol);  // a line break inside the cell
    return Status::NeedMore;
  }
  end_field();
  return Status::Complete;
}

// ---- settling ------------------------------------------------------------------

namespace {

// A CSV field holding bytes, quoted when it must be.
void append_field(std::string& out, std::string_view bytes) {
  if (bytes.find_first_of(",\"\r\n") == std::string_view::npos) {
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

// A drawn number as 验证 left it: 1 .. 49, written with one or two digits;
// 0 for anything else.
int drawn_number(const Variant& v) {
  const Maybe<Text> t = text(v);
  if (!t) return 0;
  const std::u16string_view s = t->view();
  if (s.empty() || s.size() > 2) return 0;
  int n = 0;
  for (const char16_t c : s) {
    if (c < u'0' || c > u'9') return 0;
    n = n * 10 + (c - u'0');
  }
  return n <= 49 ? n : 0;
}

// Why the draw 验证 just loaded is not one a lottery can draw: six regular
// numbers and a special number, each 01 .. 49 and all different, in a whole
// year. "" when it is. (An undrawn draw, all 00, is reported too: the bets
// settle nothing against it.)
std::string draw_problem(const Draw& d, const Variant& year) {
  const Maybe<double> y = number(year);
  if (!y || *y != std::floor(*y) || *y < 1 || *y > 9999) return "the year is not a whole year";
  bool seen[50] = {};
  for (std::size_t i = 0; i < 7; ++i) {
    const Variant& v = i < 6 ? d.p[i] : d.t;
    const std::string which =
        i < 6 ? "regular number " + std::to_string(i + 1) : std::string("the special number");
    const int n = drawn_number(v);
    if (n == 0) return which + " is not a number from 01 to 49";
    if (seen[n]) return which + " is drawn twice";
    seen[n] = true;
  }
  return "";
}

class Settler {
 public:
  Settler(std::istream& in, const Detected& detected, Encoding output, std::ostream& out,
          std::ostream& diagnostics, std::string_view name)
      : reader_(in),
        detected_(detected),
        output_(output),
        out_(out),
        diagnostics_(diagnostics),
        name_(name),
        empty_cell_(make_cell(Variant())),
        draw_cell_(empty_cell_) {
    summary_.by_member.resize(members().size());
  }

  Summary run() {
    Line line;
    while (next_line(line)) {
      if (line.number == 1 && !line.overlong && detected_.bom &&
          line.content.substr(0, kBom.size()) == kBom) {
        if (output_ == Encoding::Utf8) out_buf_.append(kBom);
        line.content.remove_prefix(kBom.size());
      }
      if (line.overlong) {
        overlong();
      } else if (blank(line.content) || comment(line.content)) {
        copy(line.content);
        out_buf_.append(line.eol);
        ++summary_.passed;
      } else {
        record(line);
      }
      if (out_buf_.size() >= kBlock) flush();
    }
    flush();
    return std::move(summary_);
  }

 private:
  struct Pending {
    std::string content;
    std::string eol;
    std::size_t number;
  };

  // The next line: first those given back by a record that did not read.
  bool next_line(Line& line) {
    if (!pending_.empty()) {
      current_ = std::move(pending_.front());
      pending_.pop_front();
      line.content = current_.content;
      line.eol = current_.eol;
      line.number = current_.number;
      line.overlong = false;
      return true;
    }
    return reader_.next(line);
  }

  void flush() {
    out_.write(out_buf_.data(), static_cast<std::streamsize>(out_buf_.size()));
    out_buf_.clear();
  }

  // ---- one record ----

  void record(const Line& first) {
    // Copy what is needed of first now: reading the next line may end its views.
    const std::size_t number = first.number;
    record_.assign(first.content);
    std::string eol(first.eol);
    pieces_.clear();
    pieces_.push_back({0, first.content.size(), number});
    splitter_.reset();
    RecordSplitter::Status status = splitter_.feed(first.content, first.eol);
    Line more;
    while (status == RecordSplitter::Status::NeedMore) {
      // The record goes on on the next line, unless there is none, or it is
      // overlong (it stays where it is), or the record has grown too long.
      if (record_.size() >= kMaxRecord || !next_line(more) || more.overlong) break;
      record_.append(eol);
      pieces_.push_back({record_.size(), more.content.size(), more.number});
      record_.append(more.content);
      eol.assign(more.eol);
      status = splitter_.feed(more.content, more.eol);
    }

    if (status == RecordSplitter::Status::Complete) {
      return settle_row(Lines{number, pieces_.back().number}, eol);
    }
    forget_draw_if_named(record_);
    if (pieces_.size() == 1) {
      return unreadable(Lines{number, number}, record_, eol,
                        status == RecordSplitter::Status::NeedMore ? "a quoted field is not closed"
                                                                   : splitter_.problem());
    }
    // A quoted field opened on the first line and never closed as a CSV field
    // should be: only that line is unreadable; the lines after it are read
    // again as rows of their own.
    for (std::size_t i = pieces_.size(); i-- > 1;) {
      const Piece& p = pieces_[i];
      pending_.push_front(
          {record_.substr(p.begin, p.size), i + 1 < pieces_.size() ? eol_of(i) : eol, p.number});
    }
    const std::string first_eol = eol_of(0);
    unreadable(Lines{number, number}, std::string_view(record_).substr(0, pieces_[0].size),
               first_eol, "a quoted field is not closed on this line");
  }

  std::string eol_of(std::size_t i) const {
    // The line end of piece i lies between its content and the next piece.
    const Piece& p = pieces_[i];
    const std::size_t from = p.begin + p.size;
    return record_.substr(from, pieces_[i + 1].begin - from);
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

  // A record that read as CSV: 1. a row of empty cells passes through; 2. the
  // function it names, and 3. its arguments, or the row is unreadable; 4. a
  // bet on the draw waits for one; 5. the call, its result appended.
  void settle_row(Lines lines, std::string_view eol) {
    if (empty_row()) {  // as Excel pads the used range
      copy(record_);
      out_buf_.append(eol);
      ++summary_.passed;
      return;
    }
    const Member* m = member(splitter_.field(0));
    if (!m) return unreadable(lines, record_, eol, why_no_function());
    if (const std::u16string why = read_arguments(*m); !why.empty()) {
      if (m->draw == DrawUse::Writes) draw_loaded_ = false;
      return unreadable(lines, record_, eol, why);
    }
    if (m->draw == DrawUse::Reads && !draw_loaded_) return without_draw(lines, eol);

    const CallResult r = call(obj_, *m, args_);
    tally(*m, r, lines);
    if (m->draw == DrawUse::Writes) loaded(r, lines);
    if (lines.last != lines.first) {
      warn(lines, "a quoted cell runs over lines " + std::to_string(lines.first) + "-" +
                      std::to_string(lines.last) + " (a stray double quote?); settled as one row");
    }
    ++summary_.rows_read;
    copy(record_);
    out_buf_ += ',';
    encoded_.clear();
    encode(r.failed ? std::u16string(u"#VALUE!") : shown(r.value), encoded_);
    append_field(out_buf_, encoded_);
    out_buf_.append(eol);
  }

  bool empty_row() const {
    for (std::size_t i = 0; i < splitter_.size(); ++i)
      if (!splitter_.field(i).empty()) return false;
    return true;
  }

  std::u16string why_no_function() {
    std::u16string name;
    if (!decode(splitter_.field(0), name)) return not_text();
    const std::u16string_view n = trim(name);
    if (n.empty()) return u"the row names no function";
    if (find_member(n)) return u"“" + quoted(n) + u"” is a draw-state property, not a function";
    return u"no function is named “" + quoted(n) + u"”";
  }

  // The arguments of a call of m into args_, 易失 referring to the draw cell
  // as a sheet's rows do; why not, when the row does not give them.
  std::u16string read_arguments(const Member& m) {
    const std::size_t expected = required_argument_count(m);
    std::size_t given = splitter_.size() - 1;
    while (given > expected && splitter_.field(given).empty()) --given;  // padding cells
    if (given != expected) return wrong_count(m, expected, given);
    args_.clear();
    for (std::size_t i = 1; i <= expected; ++i) {
      if (!decode(splitter_.field(i), text_)) return not_text();
      args_.push_back(cell_entry(text_, EntryRule::Book));
    }
    if (ends_with_trigger(m))
      args_.emplace_back(m.draw == DrawUse::Writes ? empty_cell_ : draw_cell_);
    return {};
  }

  static std::u16string wrong_count(const Member& m, std::size_t expected, std::size_t given) {
    std::u16string why = std::u16string(m.name) + u" takes " +
                         number_text(static_cast<double>(expected)) + u" argument" +
                         (expected == 1 ? u"" : u"s") + u" (";
    for (std::size_t i = 0; i < expected; ++i) {
      if (i) why += u", ";
      why += m.params[i].name;
    }
    return why + u"), the row gives " + number_text(static_cast<double>(given));
  }

  void tally(const Member& m, const CallResult& r, Lines lines) {
    FunctionTally& t = summary_.by_member[static_cast<std::size_t>(&m - members().data())];
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
    } else if (const double* d = value.if_double()) {
      ++t.numeric;
      t.total += *d;
    } else if (const std::int16_t* i = value.if_integer()) {
      ++t.numeric;
      t.total += *i;
    } else if (const std::int32_t* l = value.if_long()) {
      ++t.numeric;
      t.total += *l;
    }
  }

  // A 验证 row ran: the rows after it settle against what it loaded, and a
  // draw that is not one a lottery can draw is reported.
  void loaded(const CallResult& r, Lines lines) {
    draw_cell_ = make_cell(r.failed ? Variant(ExcelError::Value) : r.value);
    draw_loaded_ = !r.failed;
    if (!draw_loaded_) return;
    if (const std::string why = draw_problem(obj_, args_[0]); !why.empty()) {
      warn(lines,
           "the draw is not six regular numbers and one special number, each 01-49 and all "
           "different, in a whole year: " +
               why + "; the rows after it are settled against it all the same");
    }
  }

  // A bet on the draw with none loaded: paid from an empty draw (or the one
  // before a 验证 row that could not be read) it could pay money it does not
  // owe. It is marked, reported and counted instead.
  void without_draw(Lines lines, std::string_view eol) {
    diagnostics_ << where(lines)
                 << ": no draw is loaded (no 验证 row above, or the last one could not be read); "
                    "the bet is not settled\n";
    copy(record_);
    out_buf_ += ',';
    out_buf_.append(kNoDraw);
    out_buf_.append(eol);
    ++summary_.no_draw;
    ++summary_.rows_read;
  }

  void warn(Lines lines, const std::string& what) {
    diagnostics_ << where(lines) << ": warning: " << what << '\n';
    ++summary_.warnings;
  }

  // A row that did not read as CSV may still have been meant as a 验证 row:
  // if its first cell says so, the draw it was to load is not there.
  void forget_draw_if_named(std::string_view raw) {
    std::string_view first = raw.substr(0, raw.find(','));
    if (first.size() >= 2 && first.front() == '"') first = first.substr(1, first.size() - 2);
    std::u16string name;
    if (!decode(first, name)) return;
    const Member* m = find_member(trim(name));
    if (m && m->draw == DrawUse::Writes) draw_loaded_ = false;
  }

  // The member a name field calls; null when it names no function. The last
  // name is remembered: books run in blocks of one function.
  const Member* member(std::string_view name_bytes) {
    if (last_member_ && name_bytes == last_name_) return last_member_;
    std::u16string name;
    if (!decode(name_bytes, name)) return nullptr;
    const Member* m = find_member(trim(name));
    if (!m || m->is_property) return nullptr;
    last_name_.assign(name_bytes);
    last_member_ = m;
    return m;
  }

  std::u16string not_text() const {
    return detected_.encoding == Encoding::Gb18030 ? u"the row holds bytes that are not GBK text"
                                                   : u"the row holds bytes that are not UTF-8 text";
  }

  // ---- rows that do not read ----

  void unreadable(Lines lines, std::string_view content, std::string_view eol,
                  std::u16string_view why) {
    diagnostics_ << where(lines) << ": " << to_utf8(why) << '\n';
    copy(content);
    out_buf_ += ',';
    encoded_.clear();
    encode(u"unreadable: " + std::u16string(why), encoded_);
    append_field(out_buf_, encoded_);
    out_buf_.append(eol);
    ++summary_.unreadable;
    ++summary_.rows_read;
  }
  void unreadable(Lines lines, std::string_view content, std::string_view eol, const char* why) {
    const std::string_view w(why);
    unreadable(lines, content, eol, std::u16string(w.begin(), w.end()));
  }

  void overlong() {
    Line line;
    reader_.next(line);  // announces it again: take its number
    const std::size_t number = line.number;
    flush();
    const std::string eol = reader_.drain([this](std::string_view piece) {
      out_.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    });
    unreadable(Lines{number, number}, {}, eol, "the line is longer than 1 MiB");
  }

  // ---- encodings ----

  bool decode(std::string_view bytes, std::u16string& out) {
    out.clear();
    if (ascii(bytes)) {
      out.assign(bytes.begin(), bytes.end());
      return true;
    }
    if (detected_.encoding == Encoding::Utf8) {
      // Rows were checked when the encoding was decided, but not comment
      // lines, nor any line of a book that opens with the byte-order mark.
      if (!is_utf8(bytes)) return false;
      out = to_utf16(bytes);
      return true;
    }
    return gb_.decode(bytes, out);
  }

  void encode(std::u16string_view text, std::string& out) {
    if (ascii(text)) {
      for (char16_t c : text) out += static_cast<char>(c);
    } else if (output_ == Encoding::Utf8) {
      out += to_utf8(text);
    } else {
      gb_.encode(text, out);
    }
  }

  // Bytes of the book copied to the settled book: as they are, or in the
  // output encoding when it differs (bytes that are not text in the book's
  // encoding are copied as they are: there is nothing to convert).
  void copy(std::string_view bytes) {
    if (output_ == detected_.encoding || ascii(bytes) || !decode(bytes, copied_)) {
      out_buf_.append(bytes);
      return;
    }
    encode(copied_, out_buf_);
  }

  // A text quoted in a message: at most its first characters, as every
  // message of the tool quotes (never cutting a surrogate pair).
  static std::u16string quoted(std::u16string_view s) {
    if (s.size() <= protocol::kQuotedMax) return std::u16string(s);
    std::size_t n = protocol::kQuotedMax;
    if (s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF) --n;
    return std::u16string(s.substr(0, n)) + u"...";
  }

  // One physical line of the record being read, placed in record_.
  struct Piece {
    std::size_t begin, size, number;
  };

  LineReader reader_;
  Detected detected_;
  Encoding output_;
  std::ostream& out_;
  std::ostream& diagnostics_;
  std::string_view name_;
  Gb18030 gb_;
  Draw obj_;
  const RangeRef empty_cell_;
  RangeRef draw_cell_;        // the cell the last 验证 row filled
  bool draw_loaded_ = false;  // a 验证 row loaded the draw the next rows read
  RecordSplitter splitter_;
  std::deque<Pending> pending_;
  Pending current_;
  std::string record_;  // the bytes of the record being read, without its last line end
  std::vector<Piece> pieces_;
  std::vector<Variant> args_;
  std::u16string text_;
  std::u16string copied_;
  std::string encoded_;
  std::string out_buf_;
  std::string last_name_;
  const Member* last_member_ = nullptr;
  Summary summary_;
};

}  // namespace

Summary settle(std::istream& in, const Detected& detected, std::ostream& out,
               std::ostream& diagnostics, std::string_view name) {
  return settle(in, detected, detected.encoding, out, diagnostics, name);
}

Summary settle(std::istream& in, const Detected& detected, Encoding output, std::ostream& out,
               std::ostream& diagnostics, std::string_view name) {
  return Settler(in, detected, output, out, diagnostics, name).run();
}

void write_summary(const Summary& s, std::ostream& out) {
  out << s.rows_read << " rows read: " << s.settled << " settled, " << s.failed
      << " failed (#VALUE!), " << s.unreadable << " unreadable";
  if (s.no_draw) out << ", " << s.no_draw << " not settled for want of a draw";
  out << "; " << s.passed << " blank or comment lines passed through\n";
  if (s.warnings) out << s.warnings << " rows settled with a warning (above)\n";
  if (!s.failed_rows.empty()) {
    out << "failed (#VALUE!):";
    for (const std::string& row : s.failed_rows) out << ' ' << row;
    if (s.failed > s.failed_rows.size())
      out << " and " << s.failed - s.failed_rows.size() << " more";
    out << '\n';
  }
  const auto list = members();
  bool header = false;
  for (std::size_t i = 0; i < list.size() && i < s.by_member.size(); ++i) {
    const FunctionTally& t = s.by_member[i];
    if (t.rows == 0) continue;
    if (!header) {
      out << "function          rows           total\n";
      header = true;
    }
    const std::u16string name(list[i].name);
    std::string line = to_utf8(name);
    line.append(display_columns(name) < 14 ? 14 - display_columns(name) : 1, ' ');
    const std::string rows = std::to_string(t.rows);
    line.append(rows.size() < 8 ? 8 - rows.size() : 1, ' ').append(rows);
    // A total past what a double holds is shown as the add-in shows a sum
    // that overflows: the call that made it would have failed.
    const std::string total = !t.numeric                ? "-"
                              : !std::isfinite(t.total) ? "#VALUE!"
                                                        : to_utf8(number_text(t.total));
    line.append(total.size() < 16 ? 16 - total.size() : 1, ' ').append(total);
    out << line << '\n';
  }
}

}  // namespace korvane::cli::book
