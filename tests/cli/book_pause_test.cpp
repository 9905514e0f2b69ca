// A book on a pipe that pauses with its encoding open: the reader decides
// from the rows that came, without waiting for the rest of its lookahead.
#include <gtest/gtest.h>

#include <algorithm>
#include <istream>
#include <string>

#include "cli/book_reader.h"
#include "cli/encoding.h"

namespace korvane::cli::book {
namespace {

// A pipe that hands out `now`, then pauses: nothing arrives however long the
// reader waits, and what it reads after the pause is `later`.
class PausedPipe : public PausingBuf {
 public:
  PausedPipe(std::string now, std::string later) : now_(std::move(now)), later_(std::move(later)) {
    setg(now_.data(), now_.data(), now_.data() + now_.size());
  }
  bool arrives_within(int ms) override {
    longest_wait = std::max(longest_wait, ms);
    return gptr() < egptr();
  }
  bool read_past_pause = false;
  int longest_wait = -1;

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (read_past_pause) return traits_type::eof();
    read_past_pause = true;
    setg(later_.data(), later_.data(), later_.data() + later_.size());
    return later_.empty() ? traits_type::eof() : traits_type::to_int_type(*gptr());
  }

 private:
  std::string now_, later_;
};

std::string gbk(std::u16string_view s) {
  std::string out;
  Gb18030().encode(s, out);
  return out;
}

TEST(BookPause, DecidesFromTheRowsThatCameWhenThePipePauses) {
  const std::string draw = "\xE9\xAA\x8C\xE8\xAF\x81,2013,05 12 18 30 41 49,08\r\n";  // 验证
  const std::string chain = "\xE7\x89\xB9\xE4\xB8\xB2,18 12 31,100\r\n";  // 特串, 2 characters
  const std::string three = "\xE7\x89\xB9\xE4\xB8\xB2\xE7\x89\xB9,18 12,100\r\n";
  struct Row {
    const char* what;
    std::string now;
    Encoding encoding;
    int longest_wait;  // 0: the rows said enough; kQuietMs: the quiet decided
  };
  const Row rows[] = {
      {"a row of UTF-8 with three characters", "PAI,30\r\n" + three, Encoding::Utf8, 0},
      {"rows of UTF-8 with two each", draw + chain, Encoding::Utf8, kQuietMs},
      {"a row that is not UTF-8", gbk(u"验证,2013,05 12 18 30 41 49,08\r\n"), Encoding::Gb18030, 0},
      {"a UTF-8 row, then one that is not", three + gbk(u"特串,18 12 31,100\r\n"),
       Encoding::Gb18030, 0},
  };
  for (const Row& row : rows) {
    if (row.encoding == Encoding::Gb18030 && !Gb18030().ready()) continue;
    PausedPipe pipe(row.now, "PAI,30\r\n");
    std::istream in(&pipe);
    BookReader reader(in);
    Line line;
    while (!reader.decided() && reader.next(line)) {
    }
    EXPECT_FALSE(pipe.read_past_pause) << row.what << ": waited for the rest of the lookahead";
    EXPECT_EQ(reader.detected().encoding, row.encoding) << row.what;
    EXPECT_EQ(pipe.longest_wait, row.longest_wait) << row.what;
  }
}

}  // namespace
}  // namespace korvane::cli::book
