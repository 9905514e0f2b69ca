// Reading texts: UTF-8 and UTF-16, spaces, numbers and Chinese numerals.
#include "core/text.h"

#include <cmath>
#include <cstdlib>

#include "tests/test_support.h"

namespace korvane {
namespace {

using namespace std::string_view_literals;

TEST(Utf8ToUtf16, EachMalformedByteBecomesOneReplacementCharacter) {
  const struct {
    const char* what;
    std::string_view utf8;
    std::u16string_view want;
    std::size_t invalid_at;  // npos: all of it is UTF-8
  } cases[] = {
      {"ASCII", "05 12", u"05 12", std::string_view::npos},
      {"two, three and four bytes", "\xC2\xA9牛\xF0\x9F\x90\x82", u"\u00A9牛\U0001F402",
       std::string_view::npos},
      {"a NUL byte is a character", "a\0b"sv, u"a\0b"sv, std::string_view::npos},
      {"stray continuation byte", "a\x80z", u"a\uFFFDz", 1},
      {"sequence cut short at the end", "a\xE7\x89", u"a\uFFFD\uFFFD", 1},
      {"sequence cut short by ASCII", "\xE7\x89z", u"\uFFFD\uFFFDz", 0},
      {"overlong two-byte form", "\xC0\xAF", u"\uFFFD\uFFFD", 0},
      {"overlong three-byte form", "\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD", 0},
      {"overlong four-byte form", "\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD", 0},
      {"encoded surrogate", "x\xED\xA0\x80", u"x\uFFFD\uFFFD\uFFFD", 1},
      {"last before the surrogates", "\xED\x9F\xBF", u"\uD7FF", std::string_view::npos},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", 0},
      {"U+10FFFF itself", "\xF4\x8F\xBF\xBF", u"\U0010FFFF", std::string_view::npos},
      {"bytes that lead nothing", "\xF5\xFF", u"\uFFFD\uFFFD", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_utf16(c.utf8), c.want) << c.what;
    EXPECT_EQ(invalid_utf8_at(c.utf8), c.invalid_at) << c.what;
  }
}

TEST(Utf16ToUtf8, PairsJoinAndLoneSurrogatesBecomeReplacementCharacters) {
  const struct {
    const char* what;
    std::u16string_view utf16;
    std::string_view want;
  } cases[] = {
      {"pair", u"\xD83D\xDC02", "\xF0\x9F\x90\x82"},
      {"lone high surrogate at the end", u"a\xD83D", "a\xEF\xBF\xBD"},
      {"lone low surrogate", u"\xDC02z", "\xEF\xBF\xBDz"},
      {"high surrogate before a character", u"\xD83D牛", "\xEF\xBF\xBD牛"},
      {"pair in the wrong order", u"\xDC02\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"last two-byte and first three-byte values", u"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(to_utf8(c.utf16), c.want) << c.what;
}

TEST(Utf8, WholePrefixHoldsBackACharacterCutAtTheEnd) {
  const struct {
    std::string_view text;
    std::size_t whole;
  } cases[] = {
      {"", 0},
      {"ab", 2},
      {"a\xE9\xAA\x8C", 4},      // 验 whole
      {"a\xE9\xAA", 1},          // 验 short of one byte
      {"a\xE9", 1},              // its lead alone
      {"\xF0\x9F\x98", 0},       // a four-byte character short of one
      {"\xF0\x9F\x98\x80", 4},   // and whole
      {"a\x8C", 2},              // a stray continuation byte: nothing to wait for
      {"a\x80\x80\x80\x80", 5},  // more continuation bytes than a character has
      {"a\xFF", 2},              // a byte that opens nothing
  };
  for (const auto& c : cases) EXPECT_EQ(utf8_whole_prefix(c.text), c.whole) << c.text;
}

TEST(Utf8, RoundTripsEveryWellFormedText) {
  for (const std::string_view s : {"", "平特二肖 05-12", "\x7F\xC2\x80\xEF\xBF\xBF\xF0\x90\x80\x80",
                                   "\xF4\x8F\xBF\xBF\xEE\x80\x80"}) {
    EXPECT_EQ(to_utf8(to_utf16(s)), s);
  }
}

TEST(Trim, PlainSpacesOnlyOrWithIdeographicOnes) {
  const struct {
    std::u16string_view s, trimmed, spaces_trimmed;
  } cases[] = {
      {u"  05 12 ", u"05 12", u"05 12"},
      {u"\u3000 05\u3000", u"\u3000 05\u3000", u"05"},
      {u"\t5 ", u"\t5", u"\t5"},
      {u"   ", u"", u""},
      {u"", u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(trim(c.s), c.trimmed) << to_utf8(c.s);
    EXPECT_EQ(trim_spaces(c.s), c.spaces_trimmed) << to_utf8(c.s);
  }
}

// The two readers share their digits, point and exponent; they differ in what
// they do with blanks and with what does not read.
TEST(NumberReaders, BlanksAndExponents) {
  const struct {
    std::u16string_view s;
    Maybe<double> coerced;
    double leading;
  } cases[] = {
      {u"1e+5", 1e5, 1e5},
      {u"1 e5", std::nullopt, 1e5},
      {u"1e 5", std::nullopt, 1e5},
      {u"1e+", std::nullopt, 1},
      {u"1e-x", std::nullopt, 1},
      {u"1.e2", 100, 100},
      {u"-.5", -0.5, -0.5},
      {u"\t-\t.\t5", std::nullopt, -0.5},
      {u"+", std::nullopt, 0},
      {u".", std::nullopt, 0},
      {u"5\0"sv, std::nullopt, 5},
      {u"& H1F", std::nullopt, 0},
      {u" &H 1 F", std::nullopt, 31},
      {u"&O 7 8", std::nullopt, 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse_number(c.s), c.coerced) << to_utf8(c.s);
    EXPECT_EQ(leading_number(c.s), c.leading) << to_utf8(c.s);
  }
  // Beyond a Double: coercion fails (VB's overflow), Val gives the infinity.
  EXPECT_EQ(parse_number(u"-1e400"), std::nullopt);
  EXPECT_EQ(leading_number(u"-1e400"), -HUGE_VAL);
  EXPECT_EQ(parse_number(u"1e-400"), 0.0);
}

TEST(ChineseNumerals, CountOfOneCharacter) {
  const struct {
    std::u16string_view c;
    Maybe<int> want;
  } cases[] = {
      {u"一", 1},
      {u"二", 2},
      {u"三", 3},
      {u"四", 4},
      {u"", 1},
      {u"五", std::nullopt},
      {u"2", std::nullopt},
      {u"肖", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(numeral_count(c.c), c.want) << to_utf8(c.c);
}

// A whole number of at most 15 digits is read digit by digit; it must come
// out as the decimal reader (strtod) reads the same text, sign of zero
// included, and a text just outside that shape must still read as before.
TEST(NumberReaders, WholeNumbersReadAsDecimals) {
  const char* const texts[] = {"08",
                               "0",
                               "-0",
                               "+0",
                               "+5",
                               " 2013 ",
                               "-49",
                               "000000000000001",
                               "999999999999999",
                               "-999999999999999",
                               "9999999999999999",  // 16 digits: the full reader
                               "0000000000000000008",
                               "12345678901234567890"};
  for (const char* t : texts) {
    const Maybe<double> got = parse_number(to_utf16(t));
    ASSERT_TRUE(got.has_value()) << t;
    const double want = std::strtod(t, nullptr);
    EXPECT_EQ(*got, want) << t;
    EXPECT_EQ(std::signbit(*got), std::signbit(want)) << t;
  }
  for (const char16_t* t : {u"", u"-", u"+-1", u"1 2", u"0x1", u"１２"}) {
    EXPECT_EQ(parse_number(t), std::nullopt) << to_utf8(t);
  }
}

}  // namespace
}  // namespace korvane
