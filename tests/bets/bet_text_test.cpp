// The text tests the regular-number bets share: text form, join, sentinel
// position and occurs-in.
#include <string>

#include "bets/text_matching.h"
#include "tests/test_support.h"

namespace korvane {
namespace {

TEST(BetText, SentinelPosition) {
  const struct {
    const char16_t* e;
    const char16_t* x;
    std::size_t want;
  } cases[] = {
      {u"05", u"01 05", 4},    {u"05", u"01 02", 6},  // only the appended copy: len + 1
      {u"8", u"18 28", 2},                            // a one-digit special number inside a number
      {u"8", u"01 28", 5},                            // at the last character: the position is len
      {u"05", u"", 1},                                // an empty list finds only the copy
      {u"", u"abc", 1},                               // an empty entry is found at once
      {u"", u"", 0},                                  // ... unless there is nothing at all
      {u"11", u"1", 1},                               // runs on into the copy: "1" + "11"
      {u"12", u"1", 2},                               // "1" + "12": only the copy itself
      {u"aba", u"xab", 2},                            // "xab" + "aba" = "xababa"
      {u"一", u"一二三四", 1},                        // the numerals of a bet type
      {u"四", u"一二三四", 4}, {u"五", u"一二三四", 5},
      {u"", u"一二三四", 1},  // a bet type too short to have the character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sentinel_position(std::u16string_view(c.e), std::u16string_view(c.x)), c.want)
        << to_utf8(c.e) << " in " << to_utf8(c.x);
  }
}

// A test fails when either value has no text form; texts are read through
// cell references and numbers by their decimal text.
TEST(BetText, TestsFailWithoutATextForm) {
  const Variant values[] = {N(8),
                            S(u"08"),
                            Ref(S(u"牛 08")),
                            kEmpty,
                            E(ExcelError::NA),
                            Block(N(1), N(2)),
                            Ref(E(ExcelError::Div0))};
  const TextOf number(values[0]), text(values[1]), cell(values[2]), blank(values[3]);
  const TextOf error(values[4]), block(values[5]), bad_cell(values[6]);
  EXPECT_EQ(occurs_in(number, cell), Maybe<bool>(true));
  EXPECT_EQ(occurs_in(text, number), Maybe<bool>(false));
  EXPECT_EQ(occurs_in(blank, blank), Maybe<bool>(true));  // empty occurs everywhere
  EXPECT_EQ(occurs_in(error, text), std::nullopt);
  EXPECT_EQ(occurs_in(text, block), std::nullopt);
  EXPECT_EQ(sentinel_position(number, cell), Maybe<std::size_t>(4));
  EXPECT_EQ(sentinel_position(text, bad_cell), std::nullopt);
}

TEST(BetText, JoinKeepsTextsApartAndFailsWithoutATextForm) {
  Maybe<JoinedText> seen(std::in_place, u"5");
  const Variant five = N(5), error = E(ExcelError::NA);
  join(seen, TextOf(five));  // a join of two numbers is text, never a sum
  EXPECT_EQ(seen->view(), u"55");
  join(seen, TextOf(error));
  EXPECT_EQ(seen->view(), u"55");
  // Past the short buffer the text goes on growing.
  const std::u16string piece = u"牛马羊鸡狗猪";
  std::u16string want = u"55";
  for (int i = 0; i < 10; ++i) {
    join(seen, TextView(piece));
    want += piece;
  }
  EXPECT_EQ(seen->view(), want);

  Maybe<JoinedText> none;
  join(none, TextView(piece));
  EXPECT_FALSE(none);
  EXPECT_FALSE(text_of(none));
}

// The index over a bet text answers every search exactly as a scan of the text.
TEST(BetText, IndexedTextFindsWhatAScanFinds) {
  const std::u16string texts[] = {
      u"",
      u"0",
      u"05",
      u"05-12-18-08-45-50-50-50-50-5",
      u"0512",
      u"111",
      u"1 1",
      u"牛05马",
      u"01 02 03 04 06 07 09 10",
      std::u16string(300, u'7') + u"05",
      u"99 00 09 90",
  };
  const std::u16string entries[] = {u"",   u"0",  u"05",  u"51", u"11", u"77",  u"00",
                                    u"99", u"90", u"牛0", u"5-", u"X",  u"055", u"45-"};
  for (const auto& x : texts) {
    const IndexedText indexed(x);
    for (const auto& e : entries) {
      EXPECT_EQ(indexed.find(e), find_text(x, e)) << to_utf8(e) << " in " << to_utf8(x);
      EXPECT_EQ(indexed.find(e), x.find(e));
      EXPECT_EQ(sentinel_position(TextView(e), indexed),
                Maybe<std::size_t>(sentinel_position(std::u16string_view(e), x)));
    }
  }
}

// The sentinel position of an entry not in the text, short entries and long
// ones alike, is where the entry is first found in the text followed by it:
// the join is built here, and searched plainly.
TEST(BetText, SentinelPositionAcrossTheJoin) {
  const struct {
    const char16_t* e;
    const char16_t* x;
  } cases[] = {
      {u"05", u"01 02 03 04 06 07 09 10"},
      {u"00", u"01 10"},
      {u"000", u"10 0"},
      {u"aab", u"xa"},
      {u"abab", u"xaba"},
      {u"abcabcab", u"zzabcab"},
      {u"abcabcabc", u"zzabcabcab"},
      {u"aaaaaaaaab", u"aaaaaaaaa"},
      {u"aaaaaaaaaaaa", u"baaaaaaaaaaa"},
      {u"xyz", u""},
      {u"牛牛", u"鼠牛"},
  };
  for (const auto& c : cases) {
    const std::u16string e(c.e), x(c.x), joined = x + e;
    ASSERT_EQ(x.find(e), std::u16string::npos) << to_utf8(c.e);
    EXPECT_EQ(sentinel_position(std::u16string_view(e), std::u16string_view(x)), joined.find(e) + 1)
        << to_utf8(c.e) << " after " << to_utf8(c.x);
  }
}

// The none-hit bet counts a drawn number of two characters as a hit when
// the list holds it: its sentinel position then lies before the list's last
// character, and never does when it is found only in the appended copy.
TEST(BetText, TwoCharacterEntriesHitExactlyWhereTheListHoldsThem) {
  for (const char16_t* x : {u"", u"0", u"00", u"10 0", u"01 02 03", u"1 08", u"080", u"8 0"}) {
    for (const char16_t* e : {u"00", u"08", u"80", u"10", u"01"}) {
      const std::u16string_view list(x), entry(e);
      EXPECT_EQ(sentinel_position(entry, list) < list.size(), occurs_in(entry, list))
          << to_utf8(e) << " in " << to_utf8(x);
    }
  }
}

}  // namespace
}  // namespace korvane
