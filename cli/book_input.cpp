#include "cli/book_input.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <istream>

#include "words/tool.h"

namespace korvane::cli::book {
namespace {

// Bytes read before the file is judged: enough for the longest mark looked
// for, unless a line ends sooner (a row is settled as soon as it has come).
constexpr std::size_t kSniff = 8;
// How much of the first line the test for UTF-16 without a mark looks at.
constexpr std::size_t kSniffLine = 4096;
constexpr std::size_t kBlock = std::size_t{64} << 10;

constexpr std::string_view kZip = "PK\x03\x04";  // .xlsx is a zip archive
constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";  // .xls

// Each ASCII character in UTF-16 has a zero byte beside it, on the same side
// of every pair: a row of a book has at least its commas or tabs and
// numbers in ASCII, an eighth of its bytes and more. A text book read as
// bytes has no zero byte.
bool utf16_without_mark(std::string_view start) {
  const std::size_t nl = start.find('\n');
  const std::string_view line = start.substr(0, std::min({nl, start.size(), kSniffLine}));
  std::size_t even = 0, odd = 0;
  for (std::size_t i = 0; i < line.size(); ++i)
    if (line[i] == '\0') ++(i % 2 ? odd : even);
  const std::size_t zeros = even + odd;
  return zeros >= 2 && zeros * 8 >= line.size() && std::max(even, odd) * 10 >= zeros * 9;
}

}  // namespace

std::string not_a_book(std::string_view start, words::Language language) {
  if (start.starts_with(kZip)) return words::say(words::Tool::LooksLikeXlsx, language);
  if (start.starts_with(kCompoundFile)) return words::say(words::Tool::LooksLikeXls, language);
  if (utf16_without_mark(start)) return words::say(words::Tool::LooksLikeUtf16, language);
  return "";
}

BookInput::BookInput(std::istream& in, words::Language language)
    : in_(in), language_(language), pausing_(dynamic_cast<PausingBuf*>(in.rdbuf())) {}

bool BookInput::ready() {
  if (!pausing_ || end_ || !refusal_.empty() || !start_.empty() || !utf8_.empty()) return true;
  return pausing_->in_avail() != 0 || pausing_->arrives_within(0);
}

// What has arrived of the stream, up to room bytes; waits only when nothing
// has. 0 at its end. A stream that fails is marked bad and ends.
std::size_t BookInput::pull(char* to, std::size_t room) {
  if (end_ || room == 0) return 0;
  std::streambuf* buf = in_.rdbuf();
  try {
    std::streamsize ready = buf ? buf->in_avail() : -1;
    if (ready == 0) {
      if (wait_) wait_();
      if (std::istream::traits_type::eq_int_type(buf->sgetc(), std::istream::traits_type::eof()))
        ready = -1;
      else
        ready = std::max<std::streamsize>(buf->in_avail(), 1);
    }
    if (ready < 0) {
      end_ = true;
      in_.setstate(std::ios::eofbit);
      return 0;
    }
    const auto want = std::min(static_cast<std::size_t>(ready), room);
    const auto got = static_cast<std::size_t>(buf->sgetn(to, static_cast<std::streamsize>(want)));
    if (got == 0) end_ = true;
    return got;
  } catch (const std::exception&) {  // a file stream throws on a failed read
    end_ = true;
    in_.setstate(std::ios::badbit);
    return 0;
  }
}

// Reads the first bytes and judges them.
void BookInput::sniff() {
  sniffed_ = true;
  char block[kBlock];
  while (start_.size() < kSniff && start_.find('\n') == std::string::npos) {
    const std::size_t n = pull(block, sizeof block);
    if (n == 0) break;
    start_.append(block, n);
  }
  if (start_.starts_with(kUtf16LeBom) || start_.starts_with(kUtf16BeBom)) {
    const bool big_endian = start_.starts_with(kUtf16BeBom);
    form_ = big_endian ? Form::Utf16Be : Form::Utf16Le;
    decoder_.emplace(big_endian);
    decoder_->feed(start_, utf8_);
    start_.clear();
    return;
  }
  refusal_ = not_a_book(start_, language_);
  if (!refusal_.empty()) start_.clear();
}

// UTF-8 of a UTF-16 book, decoded a block at a time.
std::size_t BookInput::decoded(char* to, std::size_t room) {
  while (utf8_.empty() && decoder_) {
    // Two bytes of UTF-16 give at most three of UTF-8.
    raw_.resize(std::max<std::size_t>(room / 3 * 2, 4));
    const std::size_t n = pull(raw_.data(), raw_.size());
    if (n == 0) {
      odd_byte_ = !decoder_->finish(utf8_);
      decoder_.reset();
      break;
    }
    decoder_->feed(std::string_view(raw_).substr(0, n), utf8_);
  }
  const std::size_t n = std::min(room, utf8_.size());
  std::memcpy(to, utf8_.data(), n);
  utf8_.erase(0, n);
  return n;
}

std::size_t BookInput::read(char* to, std::size_t room) {
  if (!sniffed_) sniff();
  if (!refusal_.empty() || room == 0) return 0;
  if (form_ != Form::Bytes) return decoded(to, room);
  if (!start_.empty()) {
    const std::size_t n = std::min(room, start_.size());
    std::memcpy(to, start_.data(), n);
    start_.erase(0, n);
    return n;
  }
  return pull(to, room);
}

}  // namespace korvane::cli::book
