// The linear text search every look-up of the bets goes through: it must find
// exactly what a plain search finds, and do so in a number of comparisons
// bounded by the lengths, whatever the texts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bets/text_matching.h"
#include "core/conventions.h"
#include "core/search.h"

namespace korvane {
namespace {

constexpr std::size_t npos = std::u16string_view::npos;

std::size_t plain_find(std::u16string_view x, std::u16string_view e) {
  if (e.size() > x.size()) return npos;
  for (std::size_t i = 0; i + e.size() <= x.size(); ++i)
    if (x.substr(i, e.size()) == e) return i;
  return npos;
}

// The sentinel position as the sheets define it: e searched in X & e.
std::size_t plain_sentinel(std::u16string_view e, std::u16string_view x) {
  if (e.empty()) return x.empty() ? 0 : 1;
  return plain_find(std::u16string(x) + std::u16string(e), e) + 1;
}

std::size_t plain_count(std::u16string_view s, std::u16string_view b) {
  if (b.size() < 2) return 0;
  std::size_t found = 0;
  for (std::size_t at = plain_find(s, b); at != npos;) {
    ++found;
    const std::size_t next = plain_find(s.substr(at + b.size()), b);
    at = next == npos ? npos : at + b.size() + next;
  }
  return found * (b.size() - 1);
}

struct Case {
  std::u16string_view x, e;
};

// Periodic entries, entries that nearly match everywhere, the empty ones.
constexpr Case kCases[] = {
    {u"", u""},
    {u"abc", u""},
    {u"", u"a"},
    {u"aaaa", u"aa"},
    {u"aaab", u"aab"},
    {u"abababc", u"abc"},
    {u"abaabaab", u"aab"},
    {u"ba", u"ab"},
    {u"05 12 18", u"18"},
    {u"平特二肖", u"二肖"},
    {u"鼠牛虎兔", u"虎兔龙"},
    {u"xyxyxyz", u"xyz"},
    {u"aabaabaa", u"aabaa"},
    {u"abcabd", u"abd"},
    {u"zzzzzy", u"zzzy"},
    {u"cbabca", u"bca"},
};

TEST(TextSearch, FindsWhatAPlainSearchFinds) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.x.begin(), c.x.end()));
    EXPECT_EQ(find_linear(c.x, c.e), plain_find(c.x, c.e));
    EXPECT_EQ(find_text(c.x, c.e), plain_find(c.x, c.e));
    EXPECT_EQ(sentinel_position(c.e, c.x), plain_sentinel(c.e, c.x));
    EXPECT_EQ(count_code(c.x, c.e), plain_count(c.x, c.e));
  }
}

// Small alphabets make matches, near-matches and periodic entries common.
TEST(TextSearch, AgreesWithAPlainSearchOnRandomTexts) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 200000; ++round) {
    const auto alphabet = static_cast<unsigned>(1 + random() % 3);
    std::u16string x(random() % 24, u'a'), e(random() % 9, u'a');
    for (char16_t& c : x) c = static_cast<char16_t>(u'a' + random() % alphabet);
    for (char16_t& c : e) c = static_cast<char16_t>(u'a' + random() % alphabet);
    ASSERT_EQ(find_text(x, e), plain_find(x, e)) << round;
    ASSERT_EQ(sentinel_position(e, x), plain_sentinel(e, x)) << round;
    ASSERT_EQ(count_code(x, e), plain_count(x, e)) << round;
  }
}

// The work is bounded by the lengths: count the characters of the text read
// on inputs that make a plain search quadratic (a megabyte of one character
// searched for a long run of it that differs at its end).
TEST(TextSearch, ReadsTheTextALinearNumberOfTimes) {
  const std::u16string x(std::size_t{1} << 20, u'0');
  std::u16string e(300000, u'0');
  e.back() = u'1';
  std::size_t reads = 0;
  const auto text = [&](std::size_t i) {
    ++reads;
    return x[i];
  };
  const auto entry = [&](std::size_t i) { return e[i]; };
  EXPECT_EQ(find_linear(text, x.size(), entry, e.size()), npos);
  EXPECT_LE(reads, 2 * (x.size() + e.size()));

  e.front() = u'1';  // the mismatch at the front instead
  e.back() = u'0';
  reads = 0;
  EXPECT_EQ(find_linear(text, x.size(), entry, e.size()), npos);
  EXPECT_LE(reads, 2 * (x.size() + e.size()));
}

}  // namespace
}  // namespace korvane
