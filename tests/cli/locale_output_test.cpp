// The tool's words on a GBK or GB18030 terminal: the UTF-8 it writes comes
// out as GB18030, a character cut between two writes is still one character,
// and what cannot be said is '?', never a failed write.
#include "cli/locale_output.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <vector>

namespace korvane::cli {
namespace {

std::string gb18030(std::u16string_view text) {
  std::string out;
  Gb18030().encode(text, out);
  return out;
}

TEST(LocaleOutput, WritesTheWordsAsGb18030) {
  if (!Gb18030().ready()) GTEST_SKIP() << "no GB18030 converter on this system";
  const struct {
    std::vector<std::string> writes;  // as the tool writes them, piece by piece
    std::string shown;
  } cases[] = {
      {{"读取 4 行：已结算 2\n"}, gb18030(u"读取 4 行：已结算 2\n")},
      {{"ascii only\n"}, "ascii only\n"},
      // 验 (E9 AA 8C) cut after its first byte, then after its second.
      {{"\xe9", "\xaa", "\x8c证\n"}, gb18030(u"验证\n")},
      // A character beyond the BMP, and a malformed byte.
      {{"\xf0\x9f\x98\x80 \xff!"}, gb18030(u"\U0001F600 ?!")},
  };
  for (const auto& c : cases) {
    std::stringbuf target;
    {
      Gb18030Writer writer(&target);
      std::ostream out(&writer);
      for (const std::string& w : c.writes) out << w << std::flush;
    }
    EXPECT_EQ(target.str(), c.shown) << c.writes.front();
  }
}

TEST(LocaleOutput, KeepsAHalfCharacterUntilItsRestComes) {
  if (!Gb18030().ready()) GTEST_SKIP() << "no GB18030 converter on this system";
  std::stringbuf target;
  Gb18030Writer writer(&target);
  std::ostream out(&writer);
  out << "ab\xe5\xbc" << std::flush;  // 开 lacks its last byte
  EXPECT_EQ(target.str(), "ab");
  out << "\x80" << std::flush;
  EXPECT_EQ(target.str(), "ab" + gb18030(u"开"));
}

}  // namespace
}  // namespace korvane::cli
