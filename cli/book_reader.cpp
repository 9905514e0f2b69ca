// The book reader: lines as they arrive, kept lines, and the encoding decided
// on the way (see book_reader.h).
#include "cli/book_reader.h"

#include <algorithm>
#include <cstring>
#include <istream>

#include "cli/encoding.h"
#include "core/text.h"
#include "words/tool.h"

namespace korvane::cli::book {
namespace {

constexpr std::size_t kBlock = std::size_t{64} << 10;
constexpr std::size_t kNone = std::string_view::npos;

}  // namespace

bool blank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool comment(std::string_view s) {
  const std::size_t i = s.find_first_not_of(" \t");
  return i != std::string_view::npos && s[i] == '#';
}

// ---- BookReader ----------------------------------------------------------------

namespace {

// What a line that is not ASCII says of the book's encoding.
struct Weight {
  bool utf8;  // its bytes are UTF-8 (of a line longer than the reader holds: those held)
  bool row;   // it is a row: blank and comment lines decide nothing
};

// Where the first byte beyond ASCII in s is; npos when there is none.
std::size_t beyond_ascii(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return i;
  return std::string_view::npos;
}

// The weight of a line whose first byte beyond ASCII is at from.
Weight weight(const Line& line, std::size_t from) {
  const std::string_view rest = line.content.substr(from);
  if (line.overlong) {  // a row, however it reads; its end may cut a sequence
    Utf8Check check;
    check.feed(rest);
    return {!check.failed(), true};
  }
  return {is_utf8(rest), !blank(line.content) && !comment(line.content)};
}

std::string gb18030_note(std::size_t other_row, std::size_t utf8_row, words::Language language) {
  return words::say(words::Tool::ReadAsGb18030, language,
                    {std::to_string(other_row), std::to_string(utf8_row)});
}

std::string aside_note(std::size_t other_aside, words::Language language) {
  return words::say(words::Tool::ReadAsUtf8Aside, language, {std::to_string(other_aside)});
}

}  // namespace

bool BookReader::next(Line& line) {
  if (!held_.empty()) {
    held_.pop(line);
    return true;
  }
  if (!reader_.next(line)) {
    decide();
    return false;
  }
  if (line.number <= seen_) return true;  // an overlong line announced again
  seen_ = line.number;
  if (decided_) {
    weigh_late(line);
  } else if (line.number == 1 && line.content.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    detected_.bom = true;  // the mark says so
    decided_ = true;
    const BookInput::Form form = reader_.input().form();
    if (form != BookInput::Form::Bytes)  // handed out in UTF-8, mark and all
      detected_.encoding = form == BookInput::Form::Utf16Le ? Encoding::Utf16Le : Encoding::Utf16Be;
  } else if (const std::size_t from = beyond_ascii(line.content); from != kNone) {
    if (line.overlong) {  // not held: it decides with what came before it
      weigh(line, from);
      decide();
    } else {
      read_ahead(line, from);
      held_.pop(line);
    }
  }
  return true;
}

// Holds first and the lines after it, weighing each, until the lookahead is
// read; then decides.
void BookReader::read_ahead(const Line& first, std::size_t from) {
  weigh(first, from);
  held_.push_back(first.content, first.eol, first.number);
  std::size_t ahead = first.content.size() + first.eol.size();
  Line line;
  while (ahead < kLookahead && read_on() && reader_.next(line)) {
    seen_ = line.number;
    if (const std::size_t at = beyond_ascii(line.content); at != kNone) weigh(line, at);
    if (line.overlong) break;  // announced again when the held lines are out
    held_.push_back(line.content, line.eol, line.number);
    ahead += line.content.size() + line.eol.size();
  }
  decide();
}

void KeptLines::push_back(std::string_view content, std::string_view eol, std::size_t number) {
  if (empty()) {
    bytes_.clear();
    at_ = 0;
    number_ = number;
  }
  bytes_.append(content).append(eol);
}

void KeptLines::give_back(std::string_view lines, std::size_t first) {
  bytes_.replace(0, at_, lines);  // the lines handed out make room for them
  at_ = 0;
  number_ = first;
}

void KeptLines::pop(Line& line) {
  if (at_ >= kBlock && at_ * 2 >= bytes_.size()) {  // drop what was handed out
    bytes_.erase(0, at_);
    at_ = 0;
  }
  const std::string_view rest = std::string_view(bytes_).substr(at_);
  // A kept line holds no line end: the first one ends it (its content never
  // holds a carriage return, so a lone one is a line end of its own).
  const std::size_t p = rest.find_first_of("\r\n");
  const std::size_t end = p == kNone ? rest.size() : p;
  const std::size_t eol = p == kNone ? 0 : rest.substr(p, 2) == "\r\n" ? 2 : 1;
  line.content = rest.substr(0, end);
  line.eol = rest.substr(end, eol);
  line.number = number_++;
  line.overlong = false;
  at_ += end + eol;
}

// Whether to read on ahead: a whole line has come, or is coming while the
// rows so far do not say enough and the pipe is not quiet for long.
bool BookReader::read_on() {
  while (!reader_.ready())
    if (other_row_ || several_ || !reader_.arrives_within(kQuietMs)) return false;
  return true;
}

// Takes note of the first row of each kind, and the first blank or comment
// line that is not UTF-8.
void BookReader::weigh(const Line& line, std::size_t from) {
  const Weight w = weight(line, from);
  if (w.row && w.utf8 && !several_) {  // characters beyond ASCII: their lead bytes
    const auto leads = std::count_if(line.content.begin(), line.content.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0xC0; });
    several_ = static_cast<std::size_t>(leads) >= kSeveral;
  }
  std::size_t& first = !w.row ? other_aside_ : w.utf8 ? utf8_row_ : other_row_;
  if (!first && (w.row || !w.utf8)) first = line.number;
}

void BookReader::decide() {
  if (decided_) return;
  decided_ = true;
  if (other_row_) {
    detected_.encoding = Encoding::Gb18030;
    if (utf8_row_) detected_.note = gb18030_note(other_row_, utf8_row_, language_);
  } else if (other_aside_) {
    detected_.note = aside_note(other_aside_, language_);
  }
}

// A line past the lookahead, the encoding decided: a line that would have
// decided otherwise gets a note, once of each kind. In a GB18030 book a row
// that is UTF-8 gets the note it would have given; in a UTF-8 book a row that
// is not UTF-8 would have made it GB18030, but the rows before it are written:
// it is read as UTF-8, does not read, and the note says why. The byte-order
// mark leaves nothing to note.
void BookReader::weigh_late(const Line& line) {
  const bool noted = detected_.encoding == Encoding::Gb18030 ? utf8_row_ != 0 : other_row_ != 0;
  if (detected_.bom || noted) return;
  const std::size_t from = beyond_ascii(line.content);
  if (from == kNone) return;
  const Weight w = weight(line, from);
  if (detected_.encoding == Encoding::Gb18030) {
    if (w.row && w.utf8 && !utf8_row_) {
      utf8_row_ = line.number;
      late_note_ = gb18030_note(other_row_, utf8_row_, language_);
    }
  } else if (w.row && !w.utf8) {
    other_row_ = line.number;
    late_note_ = words::say(words::Tool::LateNotUtf8, language_, {std::to_string(other_row_)});
  } else if (!w.row && !w.utf8 && !other_aside_) {
    other_aside_ = line.number;
    late_note_ = aside_note(other_aside_, language_);
  }
}

Detected detect(std::istream& in) {
  BookReader reader(in);
  Line line;
  while (!reader.decided() && reader.next(line))
    if (line.overlong) reader.drain([](std::string_view) {});
  return reader.detected();
}

// ---- LineReader ----------------------------------------------------------------

LineReader::LineReader(std::istream& in, std::size_t max_line, words::Language language)
    : input_(in, language), max_line_(max_line), buf_(max_line + kBlock) {}

bool LineReader::fill() {
  if (eof_) return false;
  if (begin_ > 0) {  // keep the unread part at the front
    std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const std::size_t room = buf_.size() - end_;
  if (room == 0) return false;
  // What has arrived: a short read is a piece of a pipe, not the end.
  const std::size_t n = input_.read(buf_.data() + end_, room);
  end_ += n;
  if (n == 0) eof_ = true;
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
    const bool cr_waits = p < end_;
    if (!fill() && !cr_waits) {
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

bool LineReader::ready() {
  for (;;) {
    if (eof_) return true;
    const std::size_t p = find_eol(begin_ + scanned_);
    if (p - begin_ > max_line_ || (p < end_ && eol_known(p))) return true;
    scanned_ = p - begin_;  // as next() would
    if (!input_.ready()) return false;
    if (!fill()) return true;  // the end, or a full buffer next() announces
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

}  // namespace korvane::cli::book
