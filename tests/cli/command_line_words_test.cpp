// The words typed on a GBK or GB18030 terminal: read as the characters they
// are, and a file name among them back to the file system as the very bytes
// it was typed in, whatever those bytes are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/encoding.h"

namespace korvane::cli {
namespace {

std::string hex(std::string_view s) {
  std::string out;
  for (const unsigned char c : s)
    out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
  return out;
}

TEST(CommandLineWords, ReadsGb18030AndKeepsEveryOtherByte) {
  Gb18030 converter;
  if (!converter.ready()) GTEST_SKIP() << "no GB18030 converter on this system";
  const struct {
    std::string typed;  // the bytes a GB18030 terminal hands over
    std::string read;   // the word the tool works with
  } cases[] = {
      {"\xc6\xbd\xcc\xd8\xbc\xb8\xd0\xa4", "平特几肖"},
      {"\xd5\xcb\xb1\xbe.csv", "账本.csv"},
      {"\x94\x39\xfc\x36", "\U0001F600"},
      {"book.csv", "book.csv"},
      {"", ""},
      // 验.csv saved in UTF-8 by another program (E9 AA 8C): E9 AA is a
      // GB18030 character, 8C before '.' begins none and stays a byte.
      {"\xe9\xaa\x8c.csv", "楠\x8c.csv"},
      // Bytes that begin no character: 0x80, 0xFF, a lead at the end, a lead
      // before a control byte, a four-byte form cut short.
      {"\x80\xff", "\x80\xff"},
      {"a\xc6", "a\xc6"},
      {"\xc6\x0a", "\xc6\x0a"},
      {"\x81\x30\x81", "\x81\x30\x81"},
      // A four-byte code GB18030-2022 moved: it would come back as two bytes.
      {"\x95\x32\x90\x31", "\x95\x32\x90\x31"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(word_from_gb18030(c.typed, converter)), hex(c.read)) << hex(c.typed);
    EXPECT_EQ(hex(word_to_gb18030(word_from_gb18030(c.typed, converter), converter)), hex(c.typed));
  }
}

// Whatever the bytes, the way back gives them again: every single byte, every
// two-byte code, the four-byte codes of several leads, and each of those
// next to a kept byte on either side (a kept byte must not join its
// neighbour into a UTF-8 character of its own).
TEST(CommandLineWords, GivesEveryNameBackAsItsOwnBytes) {
  Gb18030 converter;
  if (!converter.ready()) GTEST_SKIP() << "no GB18030 converter on this system";
  std::vector<std::string> names;
  for (int a = 0; a < 256; ++a) names.push_back(std::string(1, static_cast<char>(a)));
  for (int a = 0x81; a <= 0xFE; ++a)
    for (int b = 0x40; b <= 0xFE; ++b)
      names.push_back({static_cast<char>(a), static_cast<char>(b)});
  for (const int a : {0x81, 0x84, 0x90, 0x95, 0xE3, 0xFE})
    for (int b = 0x30; b <= 0x39; ++b)
      for (int c = 0x81; c <= 0xFE; ++c)
        for (int d = 0x30; d <= 0x39; ++d)
          names.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                           static_cast<char>(d)});
  std::size_t wrong = 0;
  for (const std::string& name : names)
    for (const std::string& word : {name, "\xc3" + name, name + "\xa9", "\x80" + name + "\xe9"})
      if (word_to_gb18030(word_from_gb18030(word, converter), converter) != word && ++wrong < 10)
        ADD_FAILURE() << hex(word) << " comes back as "
                      << hex(word_to_gb18030(word_from_gb18030(word, converter), converter));
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
}  // namespace korvane::cli
