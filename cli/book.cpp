#include "cli/book.h"

#include <utf8.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <istream>
#include <ostream>

#include "addin/custom_functions.h"
#include "cli/cell_entry.h"
#include "cli/encoding.h"
#include "cli/protocol.h"

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

Detected detect(std::istream& in) {
  Detected d;
  std::string block(kBlock, '\0');
  Utf8Check check;
  bool first = true;
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto n = static_cast<std::size_t>(in.gcount());
    if (n == 0) break;
    std::string_view got(block.data(), n);
    if (first && got.substr(0, 3) == kBom) {
      d.bom = true;
      return d;  // the mark says so: no need to read on
    }
    first = false;
    check.feed(got);
    if (check.failed()) break;
  }
  d.encoding = check.finish() ? Encoding::Utf8 : Encoding::Gb18030;
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

bool LineReader::next(Line& line) {
  for (;;) {
    const char* from = buf_.data() + begin_ + scanned_;
    const void* nl = std::memchr(from, '\n', end_ - begin_ - scanned_);
    const std::size_t p =
        nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.data()) : end_;
    if (p - begin_ > max_line_) {
      line.content = view(begin_, begin_ + max_line_);
      line.eol = {};
      line.number = number_ + 1;
      line.overlong = true;
      return true;
    }
    if (nl) {
      const bool cr = p > begin_ && buf_[p - 1] == '\r';
      line.content = view(begin_, cr ? p - 1 : p);
      line.eol = view(cr ? p - 1 : p, p + 1);
      line.number = ++number_;
      line.overlong = false;
      begin_ = p + 1;
      scanned_ = 0;
      return true;
    }
    scanned_ = end_ - begin_;
    if (!fill()) {
      if (begin_ == end_) return false;
      const bool cr = buf_[end_ - 1] == '\r';  // a lone carriage return ends the last line
      line.content = view(begin_, cr ? end_ - 1 : end_);
      line.eol = view(cr ? end_ - 1 : end_, end_);
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
    const void* nl = std::memchr(buf_.data() + begin_, '\n', end_ - begin_);
    if (nl) {
      const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.data());
      const bool cr = p > begin_ && buf_[p - 1] == '\r';
      sink(view(begin_, cr ? p - 1 : p));
      begin_ = p + 1;
      ++number_;
      return cr ? "\r\n" : "\n";
    }
    // Hand on what is here, holding back a carriage return that may open
    // the line end.
    std::size_t upto = end_;
    if (upto > begin_ && buf_[upto - 1] == '\r') --upto;
    sink(view(begin_, upto));
    begin_ = upto;
    if (!fill()) {
      ++number_;
      const std::string eol(view(begin_, end_));  // "" or a last "\r"
      begin_ = end_;
      return eol;
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

bool blank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool comment(std::string_view s) {
  const std::size_t i = s.find_first_not_of(" \t");
  return i != std::string_view::npos && s[i] == '#';
}

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

class Settler {
 public:
  Settler(std::istream& in, const Detected& detected, std::ostream& out, std::ostream& diagnostics,
          std::string_view name)
      : reader_(in),
        detected_(detected),
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
        out_buf_.append(kBom);
        line.content.remove_prefix(kBom.size());
      }
      if (line.overlong) {
        overlong();
      } else if (blank(line.content) || comment(line.content)) {
        out_buf_.append(line.content).append(line.eol);
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

    if (status == RecordSplitter::Status::Complete) return settle_row(number, eol);
    if (pieces_.size() == 1) {
      return unreadable(number, record_, eol,
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
    unreadable(number, std::string_view(record_).substr(0, pieces_[0].size), first_eol,
               "a quoted field is not closed on this line");
  }

  std::string eol_of(std::size_t i) const {
    // The line end of piece i lies between its content and the next piece.
    const Piece& p = pieces_[i];
    const std::size_t from = p.begin + p.size;
    return record_.substr(from, pieces_[i + 1].begin - from);
  }

  void settle_row(std::size_t number, std::string_view eol) {
    const std::size_t n = splitter_.size();
    bool empty = true;
    for (std::size_t i = 0; i < n && empty; ++i) empty = splitter_.field(i).empty();
    if (empty) {  // a row of empty cells, as Excel pads the used range
      out_buf_.append(record_).append(eol);
      ++summary_.passed;
      return;
    }

    const Member* m = member(splitter_.field(0));
    if (!m) {
      std::u16string name;
      if (!decode(splitter_.field(0), name)) return unreadable(number, record_, eol, not_text());
      if (trim(name).empty()) return unreadable(number, record_, eol, "the row names no function");
      return unreadable(
          number, record_, eol,
          find_member(trim(name))
              ? u"“" + std::u16string(trim(name)) + u"” is a draw-state property, not a function"
              : u"no function is named “" + std::u16string(trim(name)) + u"”");
    }

    const bool volatile_last = !m->params.empty() && m->params.back().name == u"易失";
    const std::size_t expected = m->params.size() - (volatile_last ? 1 : 0);
    std::size_t given = n - 1;
    while (given > expected && splitter_.field(given).empty()) --given;  // padding cells
    if (given != expected) {
      std::u16string why = std::u16string(m->name) + u" takes " +
                           number_text(static_cast<double>(expected)) + u" argument" +
                           (expected == 1 ? u"" : u"s") + u" (";
      for (std::size_t i = 0; i < expected; ++i) {
        if (i) why += u", ";
        why += m->params[i].name;
      }
      why += u"), the row gives " + number_text(static_cast<double>(given));
      return unreadable(number, record_, eol, why);
    }

    args_.clear();
    for (std::size_t i = 1; i <= expected; ++i) {
      if (!decode(splitter_.field(i), text_)) return unreadable(number, record_, eol, not_text());
      args_.push_back(cell_entry(text_, EntryRule::Book));
    }
    const bool is_draw = m->name == u"验证";
    if (volatile_last) args_.emplace_back(is_draw ? empty_cell_ : draw_cell_);

    const CallResult r = call(obj_, *m, args_);
    FunctionTally& tally = summary_.by_member[static_cast<std::size_t>(m - members().data())];
    ++tally.rows;
    if (r.failed) {
      ++summary_.failed;
    } else {
      ++summary_.settled;
      const Variant value = value_of(r.value);
      double x = 0;
      bool numeric = true;
      if (value.is_empty()) {
        x = 0;  // the cell shows 0 and sums as 0
      } else if (const double* d = value.if_double()) {
        x = *d;
      } else if (const std::int16_t* i = value.if_integer()) {
        x = *i;
      } else if (const std::int32_t* l = value.if_long()) {
        x = *l;
      } else {
        numeric = false;
      }
      if (numeric) {
        ++tally.numeric;
        tally.total += x;
      }
    }
    if (is_draw) draw_cell_ = make_cell(r.failed ? Variant(ExcelError::Value) : r.value);
    ++summary_.rows_read;

    out_buf_.append(record_);
    out_buf_ += ',';
    encoded_.clear();
    encode(r.failed ? std::u16string(u"#VALUE!") : shown(r.value), encoded_);
    append_field(out_buf_, encoded_);
    out_buf_.append(eol);
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

  static std::u16string_view trim(std::u16string_view s) {
    while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
    return s;
  }

  std::u16string not_text() const {
    return detected_.encoding == Encoding::Gb18030 ? u"the row holds bytes that are not GBK text"
                                                   : u"the row holds bytes that are not UTF-8 text";
  }

  // ---- rows that do not read ----

  void unreadable(std::size_t number, std::string_view content, std::string_view eol,
                  std::u16string_view why) {
    diagnostics_ << name_ << ':' << number << ": " << protocol::to_utf8(why) << '\n';
    out_buf_.append(content);
    out_buf_ += ',';
    encoded_.clear();
    encode(u"unreadable: " + std::u16string(why), encoded_);
    append_field(out_buf_, encoded_);
    out_buf_.append(eol);
    ++summary_.unreadable;
    ++summary_.rows_read;
  }
  void unreadable(std::size_t number, std::string_view content, std::string_view eol,
                  const char* why) {
    const std::string_view w(why);
    unreadable(number, content, eol, std::u16string(w.begin(), w.end()));
  }

  void overlong() {
    Line line;
    reader_.next(line);  // announces it again: take its number
    const std::size_t number = line.number;
    flush();
    const std::string eol = reader_.drain([this](std::string_view piece) {
      out_.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    });
    unreadable(number, {}, eol, "the line is longer than 1 MiB");
  }

  // ---- encodings ----

  bool decode(std::string_view bytes, std::u16string& out) {
    out.clear();
    if (ascii(bytes)) {
      out.assign(bytes.begin(), bytes.end());
      return true;
    }
    if (detected_.encoding == Encoding::Utf8) {
      // Only a book that opens with the byte-order mark was not checked whole.
      if (!utf8::is_valid(bytes.begin(), bytes.end())) return false;
      out = protocol::to_utf16(bytes);
      return true;
    }
    return gb_.decode(bytes, out);
  }

  void encode(std::u16string_view text, std::string& out) {
    if (ascii(text)) {
      for (char16_t c : text) out += static_cast<char>(c);
    } else if (detected_.encoding == Encoding::Utf8) {
      out += protocol::to_utf8(text);
    } else {
      gb_.encode(text, out);
    }
  }

  // One physical line of the record being read, placed in record_.
  struct Piece {
    std::size_t begin, size, number;
  };

  LineReader reader_;
  Detected detected_;
  std::ostream& out_;
  std::ostream& diagnostics_;
  std::string_view name_;
  Gb18030 gb_;
  自定义函数 obj_;
  const RangeRef empty_cell_;
  RangeRef draw_cell_;  // the cell the last 验证 row filled
  RecordSplitter splitter_;
  std::deque<Pending> pending_;
  Pending current_;
  std::string record_;  // the bytes of the record being read, without its last line end
  std::vector<Piece> pieces_;
  std::vector<Variant> args_;
  std::u16string text_;
  std::string encoded_;
  std::string out_buf_;
  std::string last_name_;
  const Member* last_member_ = nullptr;
  Summary summary_;
};

}  // namespace

Summary settle(std::istream& in, const Detected& detected, std::ostream& out,
               std::ostream& diagnostics, std::string_view name) {
  return Settler(in, detected, out, diagnostics, name).run();
}

void write_summary(const Summary& s, std::ostream& out) {
  out << s.rows_read << " rows read: " << s.settled << " settled, " << s.failed
      << " failed (#VALUE!), " << s.unreadable << " unreadable; " << s.passed
      << " blank or comment lines passed through\n";
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
    std::string line = protocol::to_utf8(name);
    line.append(display_columns(name) < 14 ? 14 - display_columns(name) : 1, ' ');
    const std::string rows = std::to_string(t.rows);
    line.append(rows.size() < 8 ? 8 - rows.size() : 1, ' ').append(rows);
    const std::string total = t.numeric ? protocol::to_utf8(number_text(t.total)) : "-";
    line.append(total.size() < 16 ? 16 - total.size() : 1, ' ').append(total);
    out << line << '\n';
  }
}

}  // namespace korvane::cli::book
