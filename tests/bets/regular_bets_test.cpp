// The eight regular-number bets, each settled against a draw loaded through
// 验证 and called through the member table, as every front end calls them.
#include <cmath>
#include <string>
#include <vector>

#include "core/custom_functions.h"
#include "tests/test_support.h"

namespace korvane {
namespace {

const Variant kTwo = N(2);  // an 易失 that presets 0

// One workbook: one add-in object with one draw loaded.
struct Sheet {
  Draw obj;
  Sheet(Variant pn = S(u"05 12 18 30 41 49"), Variant tn = S(u"08"), Variant year = N(2013)) {
    load_draw(obj, year, pn, tn);
  }
  // A bet through the member table: the bets never fail a call.
  Variant operator()(std::u16string_view name, std::vector<Variant> args) {
    const Function* m = find_function(name);
    EXPECT_NE(m, nullptr);
    if (!m) return Variant();
    const CallResult r = call(obj, *m, args);
    EXPECT_FALSE(r.failed) << to_utf8(name);
    return r.value;
  }
};

// The draw of the worked examples: 2013, 05 12 18 30 41 49, special 08; signs
// 牛 马 鼠 鼠 牛 蛇, special 狗; sum 163.
struct Case {
  const char* what;
  std::vector<Variant> args;
  Variant want;
};

void run(Sheet& sheet, std::u16string_view name, const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(sheet(name, c.args), c.want) << c.what;
}

const Variant kArray = Variant(make_array(1, 2, {S(u"a"), S(u"b")}));

// ---- what every bet shares: preset, undrawn draw, the unreadable bet ---------

struct Bet {
  std::u16string_view name;
  std::vector<Variant> losing;   // settles to the preset (易失 comes last)
  std::vector<Variant> winning;  // settles to a win
  std::size_t selection_args;    // the bet type and selection: the arguments before 收入
  bool undrawn_test;
};

std::vector<Bet> bets() {
  return {
      {u"平特几不中", {S(u"01 08"), N(300), kEmpty}, {S(u"01 02"), N(300), kEmpty}, 1, true},
      {u"平特单双大小", {S(u"大双"), N(50), kEmpty}, {S(u"小"), N(50), kEmpty}, 1, true},
      {u"平特几肖",
       {S(u"平特肖"), S(u"牛"), N(100), kEmpty},
       {S(u"平特一肖"), S(u"狗"), N(100), kEmpty},
       2,
       true},
      {u"包几肖", {S(u"牛马"), N(80), kEmpty}, {S(u"狗"), N(80), kEmpty}, 1, true},
      {u"平码几中几",
       {S(u"特别号"), S(u"05-12"), N(600), kEmpty},
       {S(u"二中二"), S(u"05-12"), N(600), kEmpty},
       2,
       true},
      {u"包家禽或野兽", {S(u"家禽"), S(u"abc"), kEmpty}, {S(u"家禽"), N(100), kEmpty}, 1, true},
      {u"平特几尾",
       {S(u"平特一尾"), S(u"7"), N(100), kEmpty},
       {S(u"平特一尾"), S(u"5"), N(100), kEmpty},
       2,
       true},
      {u"特串软串",
       {S(u"特串"), S(u"08 12"), S(u"abc"), kEmpty},
       {S(u"软串"), S(u"12 08"), N(100), kEmpty},
       2,
       false},
  };
}

TEST(RegularBets, PresetFollowsTheValueOf易失) {
  const struct {
    const char* what;
    Variant volatile_value;
    Variant want;
  } presets[] = {
      {"blank", kEmpty, kEmpty},
      {"1", N(1), kEmpty},
      {"text 1", S(u" 1 "), kEmpty},
      {"True is -1", Variant(true), kEmpty},
      {"1.5", N(1.5), I(0)},
      {"text 2", S(u"2"), I(0)},
      {"cell holding 2", Ref(N(2)), I(0)},
      {"the confirmation text", Ref(Variant(kConfirmation)), I(0)},
      {"a text that is no number", S(u"abc"), I(0)},
      {"a number with junk", S(u"1x"), I(0)},
      {"an error", E(ExcelError::NA), I(0)},
      {"a cell holding an error", Ref(E(ExcelError::Ref)), I(0)},
      {"several cells", Block(N(0), N(0)), I(0)},
  };
  Sheet sheet;
  for (const Bet& bet : bets()) {
    for (const auto& p : presets) {
      std::vector<Variant> args = bet.losing;
      args.back() = p.volatile_value;
      EXPECT_EQ(sheet(bet.name, args), p.want) << to_utf8(bet.name) << ": " << p.what;
    }
  }
}

TEST(RegularBets, AnUndrawnDrawSettlesNothing) {
  for (const Variant& pn : {S(u"00 12 18 30 41 49"), S(u"05 12 18 30 41 49")}) {
    const Variant tn = pn.string_view().starts_with(u"00") ? S(u"08") : S(u"00");
    Sheet sheet(pn, tn);
    for (const Bet& bet : bets()) {
      if (!bet.undrawn_test) continue;
      EXPECT_EQ(sheet(bet.name, bet.winning), I(0)) << to_utf8(bet.name);
    }
  }
  // Only the text "00" marks it: the number 0 is a draw like any other.
  Sheet zero(S(u"05 12 18 30 41 49"), N(0));
  EXPECT_EQ(zero(u"包几肖", {S(u"0"), N(80), kEmpty}), N(80));
  // A special number held as an error value fails the test, which then holds.
  Sheet error(S(u"05 12 18 30 41 49"), E(ExcelError::NA));
  EXPECT_EQ(error(u"平特几不中", {S(u"01 02"), N(300), kEmpty}), I(0));
}

// A bet type or selection that cannot be read settles nothing: the preset
// stands, and an undrawn draw still gives 0. Read step by step these would
// count every failed test as met and pay.
TEST(RegularBets, AnUnreadableBetIsNotSettled) {
  const Variant unreadable[] = {E(ExcelError::NA), Block(S(u"小"), S(u"大")),
                                Ref(E(ExcelError::Value)), kArray};
  Sheet drawn;
  Sheet undrawn(S(u"00 12 18 30 41 49"), S(u"08"));
  for (const Bet& bet : bets()) {
    for (std::size_t i = 0; i < bet.selection_args; ++i) {
      for (const Variant& bad : unreadable) {
        std::vector<Variant> args = bet.winning;
        args[i] = bad;
        const std::string what =
            to_utf8(bet.name) + " argument " + std::to_string(i) + " " + shown_value(bad);
        EXPECT_EQ(drawn(bet.name, args), kEmpty) << what;
        args.back() = kTwo;
        EXPECT_EQ(drawn(bet.name, args), I(0)) << what;
        args.back() = kEmpty;
        EXPECT_EQ(undrawn(bet.name, args), bet.undrawn_test ? I(0) : kEmpty) << what;
      }
    }
  }
}

// A win hands 收入 back as passed, or its value, as each bet states; every
// winning bet of the table pays exactly 收入.
TEST(RegularBets, WhatAWinHandsBack) {
  const Variant kinds[] = {S(u"三百"), I(7), Variant(true), E(ExcelError::NA), kEmpty};
  Sheet sheet;
  for (const Bet& bet : bets()) {
    const bool copies = bet.name == u"平特几不中" || bet.name == u"平特单双大小" ||
                        bet.name == u"包几肖" || bet.name == u"特串软串";
    const std::string what = to_utf8(bet.name);
    std::vector<Variant> args = bet.winning;
    Variant& income = args[args.size() - 2];
    if (copies) {
      for (const Variant& v : kinds) {
        income = v;
        EXPECT_EQ(sheet(bet.name, args), v) << what;
      }
      income = Ref(S(u"三百"));  // a cell reference gives the cell's value
      EXPECT_EQ(sheet(bet.name, args), S(u"三百")) << what;
    } else {
      income = I(7);  // used as a number
      EXPECT_EQ(sheet(bet.name, args), N(7)) << what;
      income = S(u" 100 ");
      EXPECT_EQ(sheet(bet.name, args), N(100)) << what;
      income = S(u"三百");  // not a number: the payout step fails
      EXPECT_EQ(sheet(bet.name, args), kEmpty) << what;
    }
    income = Ref(N(300));
    EXPECT_EQ(sheet(bet.name, args), N(300)) << what;
  }
}

// No argument and no draw state makes a bet fail its call.
TEST(RegularBets, NeverFail) {
  const Variant odd[] = {kEmpty,
                         N(2),
                         N(-1e300),
                         S(u""),
                         S(u"00"),
                         S(u"平特二肖"),
                         S(u"家禽硬XX05"),
                         I(-3),
                         Variant(true),
                         E(ExcelError::Div0),
                         Ref(E(ExcelError::NA)),
                         Block(N(1), S(u"x")),
                         kArray,
                         Variant(RangeRef())};
  std::vector<Sheet> sheets(2);
  sheets[1].obj.t = Block(N(1), N(2));
  sheets[1].obj.tt = E(ExcelError::NA);
  sheets[1].obj.p[0] = kArray;
  sheets[1].obj.pp[0] = Ref(E(ExcelError::Num));
  sheets[1].obj.p[3] = N(1e308);
  sheets[1].obj.p[4] = N(1e308);
  for (Sheet& sheet : sheets) {
    for (const Bet& bet : bets()) {
      const std::size_t n = bet.winning.size();
      std::vector<std::size_t> pick(n, 0);
      for (;;) {
        std::vector<Variant> args;
        for (std::size_t i = 0; i < n; ++i) args.push_back(odd[pick[i]]);
        const CallResult r = call(sheet.obj, *find_function(bet.name), args);
        ASSERT_FALSE(r.failed) << to_utf8(bet.name);
        std::size_t i = 0;
        while (i < n && ++pick[i] == std::size(odd)) pick[i++] = 0;
        if (i == n) break;
      }
    }
  }
}

// ---- 平特几不中 -----------------------------------------------------------------

TEST(NoneHit, WorkedExampleAndEdges) {
  Sheet sheet;
  run(sheet, u"平特几不中",
      {
          {"nothing drawn listed", {S(u"01 02 03 04 06"), N(300), kEmpty}, N(300)},
          {"the special number", {S(u"01 02 03 08"), N(300), kEmpty}, kEmpty},
          {"a regular number", {S(u"01 02 03 41"), N(300), kTwo}, I(0)},
          {"only the special number", {S(u"08"), N(300), kEmpty}, kEmpty},
          {"a long list", {S(u"01 02 03 04 06 07 09 10 11 13 14 15 16"), N(300), kEmpty}, N(300)},
          {"one digit never matches", {S(u"5 1 2"), N(300), kEmpty}, N(300)},
          {"across neighbours: 0413 holds 41", {S(u"0413"), N(300), kEmpty}, kEmpty},
          {"an empty list wins", {S(u""), N(300), kEmpty}, N(300)},
          {"a number as the list", {N(1), N(300), kEmpty}, N(300)},
          {"a number listed twice", {S(u"01 01 02"), N(300), kEmpty}, N(300)},
          {"the list in a cell", {Ref(S(u"01 12")), N(300), kEmpty}, kEmpty},
      });
}

TEST(NoneHit, SentinelBound) {
  // The special number given as the number 8 is searched as "8", and counts
  // only before the list's last character.
  Sheet number(S(u"05 12 18 30 41 49"), N(8));
  run(number, u"平特几不中",
      {
          {"8 inside 28", {S(u"28 01"), N(300), kEmpty}, kEmpty},
          {"8 as the last character", {S(u"01 28"), N(300), kEmpty}, N(300)},
      });
  // Empty drawn numbers count once the list has two characters.
  Sheet short_draw(S(u"05"), S(u"08"));
  run(short_draw, u"平特几不中",
      {
          {"one character", {S(u"7"), N(300), kEmpty}, N(300)},
          {"two characters", {S(u"07"), N(300), kEmpty}, kEmpty},
      });
}

// ---- 平特单双大小 -----------------------------------------------------------------

TEST(OddEvenBigSmall, WorkedExample) {
  Sheet sheet;  // sum 163: small and odd
  run(sheet, u"平特单双大小",
      {
          {"小", {S(u"小"), N(50), kEmpty}, N(50)},
          {"单", {S(u"单"), N(50), kEmpty}, N(50)},
          {"大双", {S(u"大双"), N(50), kTwo}, I(0)},
          {"大单", {S(u"大单"), N(50), kEmpty}, N(50)},
          {"小双", {S(u"小双"), N(50), kEmpty}, N(50)},
          {"both marks pay once", {S(u"小单"), N(50), kEmpty}, N(50)},
          {"other characters are ignored", {S(u"买小"), N(50), kEmpty}, N(50)},
          {"an empty bet", {S(u""), N(50), kEmpty}, kEmpty},
          {"a number holds no mark", {N(5), N(50), kEmpty}, kEmpty},
      });
}

TEST(OddEvenBigSmall, SumBoundaries) {
  const struct {
    const char* what;
    const char16_t* pn;
    Variant tn;
    const char16_t* wins;
    const char16_t* loses;
  } cases[] = {
      {"175 is big and odd", u"49 48 47 10 10 10", S(u"01"), u"大", u"小双"},
      {"174 is small and even", u"49 48 47 10 10 09", S(u"01"), u"小", u"大单"},
      {"28 is small and even", u"01 02 03 04 05 06", S(u"07"), u"双", u"大单"},
      {"322 is big and even", u"49 48 47 46 45 44", S(u"43"), u"大", u"小单"},
      {"leading numbers: 5x adds 5, ab nothing", u"5x ab 00 00 00 00", S(u"00x"), u"单", u"双"},
      {"174.5 is small and odd", u"49 48 47 10 10 09", S(u"1.5"), u"单", u"大双"},
      {"the special number enters the sum", u"49 48 47 10 10 10", N(2), u"大双", u"小单"},
  };
  for (const auto& c : cases) {
    Sheet sheet(S(c.pn), c.tn);
    EXPECT_EQ(sheet(u"平特单双大小", {S(c.wins), N(50), kEmpty}), N(50)) << c.what;
    EXPECT_EQ(sheet(u"平特单双大小", {S(c.loses), N(50), kEmpty}), kEmpty) << c.what;
  }
  // A drawn value without a text form fails the whole sum: 0, small and even.
  Sheet sheet;
  sheet.obj.p[3] = E(ExcelError::NA);
  EXPECT_EQ(sheet(u"平特单双大小", {S(u"双"), N(50), kEmpty}), N(50));
  EXPECT_EQ(sheet(u"平特单双大小", {S(u"大单"), N(50), kEmpty}), kEmpty);
}

// ---- 平特几肖 ---------------------------------------------------------------------

TEST(ZodiacSigns, WorkedExample) {
  Sheet sheet;  // entries 牛 马 鼠 XX XX 蛇 狗
  run(sheet, u"平特几肖",
      {
          {"牛鼠羊", {S(u"平特二肖"), S(u"牛鼠羊"), N(100), kEmpty}, N(100)},
          {"牛马鼠", {S(u"平特二肖"), S(u"牛马鼠"), N(100), kEmpty}, N(100)},
          {"牛马鼠蛇", {S(u"平特二肖"), S(u"牛马鼠蛇"), N(100), kEmpty}, N(200)},
          {"狗羊 loses with the number 0", {S(u"平特二肖"), S(u"狗羊"), N(100), kTwo}, N(0)},
          {"平特一肖 狗", {S(u"平特一肖"), S(u"狗"), N(100), kEmpty}, N(100)},
      });
}

TEST(ZodiacSigns, HowManySignsAUnitNeeds) {
  Sheet sheet;
  const Variant backed = S(u"牛马鼠蛇狗");  // five distinct drawn signs
  const struct {
    const char16_t* type;
    Variant want;
  } cases[] = {
      {u"平特一肖", N(500)}, {u"平特二肖", N(200)}, {u"平特三肖", N(100)}, {u"平特四肖", N(100)},
      {u"三肖连", N(100)},   {u"四肖连", N(100)},   {u"二肖", N(500)},     {u"三", N(500)},
      {u"", N(500)},         {u"平特肖", kEmpty},   {u"平特五肖", kEmpty}, {u"平特二肖连", N(200)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sheet(u"平特几肖", {S(c.type), backed, N(100), kEmpty}), c.want) << to_utf8(c.type);
  }
}

TEST(ZodiacSigns, Edges) {
  Sheet sheet;
  run(sheet, u"平特几肖",
      {
          {"a repeated backed sign", {S(u"平特一肖"), S(u"鼠鼠牛"), N(100), kEmpty}, N(200)},
          {"兔 is written 免", {S(u"平特一肖"), S(u"兔"), N(100), kEmpty}, N(0)},
          {"an empty selection", {S(u"平特一肖"), S(u""), N(100), kEmpty}, N(0)},
          {"a number as the selection", {S(u"平特一肖"), N(5), N(100), kEmpty}, N(0)},
          {"XX counts the repeats", {S(u"平特一肖"), S(u"XX"), N(100), kEmpty}, N(200)},
          {"an empty 收入", {S(u"平特一肖"), S(u"狗"), kEmpty, kEmpty}, N(0)},
      });

  // Numbers outside 1..49 carry the Integer 0, which reads "0"; a second 0 is a
  // repeat like any sign.
  Sheet zeros(S(u"05 50 60 30 41 49"), S(u"08"));  // 牛 0 0 鼠 牛 蛇, 狗
  run(zeros, u"平特几肖",
      {
          {"0 counts only where backed", {S(u"平特一肖"), S(u"0牛"), N(100), kEmpty}, N(200)},
          {"XX now holds two repeats", {S(u"平特一肖"), S(u"XX"), N(100), kEmpty}, N(200)},
      });

  // Before any draw every entry is empty: the first counts in every selection.
  Sheet none;
  none.obj = Draw();
  run(none, u"平特几肖",
      {
          {"one hit", {S(u"平特一肖"), S(u"牛"), N(100), kEmpty}, N(100)},
          {"one is not a pair", {S(u"平特二肖"), S(u"牛"), N(100), kEmpty}, N(0)},
          {"the repeats", {S(u"平特二肖"), S(u"XX"), N(100), kEmpty}, N(300)},
      });

  // A first sign without a text form: no join can be made, so no entry is
  // marked as a repeat, and the failed test on it counts as a hit.
  Sheet broken;
  broken.obj.pp[0] = E(ExcelError::NA);
  EXPECT_EQ(broken(u"平特几肖", {S(u"平特一肖"), S(u"鼠"), N(100), kEmpty}), N(300));
}

// ---- 包几肖 -----------------------------------------------------------------------

TEST(ZodiacPackage, WorkedExampleAndEdges) {
  Sheet sheet;  // special number 08: 狗
  run(sheet, u"包几肖",
      {
          {"鼠狗", {S(u"鼠狗"), N(80), kEmpty}, N(80)},
          {"狗", {S(u"狗"), N(80), kEmpty}, N(80)},
          {"the regular numbers' signs", {S(u"牛马鼠蛇"), N(80), kTwo}, I(0)},
          {"eleven signs", {S(u"牛虎免龙蛇马羊猴鸡狗猪"), N(80), kEmpty}, N(80)},
          {"an empty selection", {S(u""), N(80), kEmpty}, kEmpty},
          {"a sign listed twice", {S(u"狗狗"), N(80), kEmpty}, N(80)},
          {"a number as the selection", {N(8), N(80), kEmpty}, kEmpty},
      });
  Sheet rabbit(S(u"05 12 18 30 41 49"), S(u"03"));
  EXPECT_EQ(rabbit(u"包几肖", {S(u"兔"), N(80), kEmpty}), kEmpty);
  EXPECT_EQ(rabbit(u"包几肖", {S(u"免"), N(80), kEmpty}), N(80));
  Sheet outside(S(u"05 12 18 30 41 49"), S(u"50"));  // tt is the Integer 0
  EXPECT_EQ(outside(u"包几肖", {S(u"狗"), N(80), kEmpty}), kEmpty);
  EXPECT_EQ(outside(u"包几肖", {S(u"10"), N(80), kEmpty}), N(80));
  Sheet none;
  none.obj = Draw();  // before any draw: an empty sign occurs everywhere
  EXPECT_EQ(none(u"包几肖", {S(u"牛"), N(80), kEmpty}), N(80));
}

// ---- 平码几中几 -------------------------------------------------------------------

TEST(NumbersHit, WorkedExample) {
  Sheet sheet;
  const Variant list = S(u"05-12-18-08-45");  // n = 5, hits 05 12 18
  run(sheet, u"平码几中几",
      {
          {"三中三", {S(u"三中三"), list, N(600), kEmpty}, N(60)},
          {"二中二", {S(u"二中二"), list, N(600), kEmpty}, N(180)},
          {"三中二", {S(u"三中二"), list, N(600), kEmpty}, N(180)},
          {"特别号", {S(u"特别号"), list, N(600), kEmpty}, kEmpty},
          {"特别号, preset 0", {S(u"特别号"), list, N(600), kTwo}, I(0)},
      });
}

TEST(NumbersHit, Edges) {
  Sheet sheet;
  const double n_two_char_seps = 11.0 / 3;  // "05, 12, 18": ten characters
  const double n_seven_chars = 8.0 / 3;
  run(sheet, u"平码几中几",
      {
          {"a number listed twice", {S(u"二中二"), S(u"05-05-12"), N(600), kEmpty}, N(200)},
          {"one number has no pair", {S(u"二中二"), S(u"05"), N(600), kEmpty}, kEmpty},
          {"two numbers have no triple", {S(u"三中三"), S(u"05-12"), N(600), kTwo}, I(0)},
          {"an empty list", {S(u"二中二"), S(u""), N(600), kEmpty}, N(0)},
          {"fewer hits than k", {S(u"三中三"), S(u"05-12-20-21"), N(600), kEmpty}, N(0)},
          {"the special number never counts", {S(u"二中二"), S(u"08-45"), N(600), kEmpty}, N(0)},
          {"ending 二三 plays triples", {S(u"二三"), S(u"05-12-18-08-45"), N(600), kEmpty}, N(60)},
          {"ending 三二 plays triples",
           {S(u"中三二"), S(u"05-12-18-08-45"), N(600), kEmpty},
           N(60)},
          {"one character", {S(u"二"), S(u"05-12"), N(600), kEmpty}, N(600)},
          {"only the first 29 characters are searched",
           {S(u"二中二"), S(u"01-02-03-04-06-07-09-10-11-13-05-12"), N(600), kEmpty},
           N(0)},
          {"two-character separators",
           {S(u"二中二"), S(u"05, 12, 18"), N(600), kEmpty},
           N(3 * 600 / (n_two_char_seps * (n_two_char_seps - 1) / 2))},
          {"across neighbours: 0413-12 holds 41",
           {S(u"二中二"), S(u"0413-12"), N(600), kEmpty},
           N(600 / (n_seven_chars * (n_seven_chars - 1) / 2))},
          {"a number as the list", {S(u"二中二"), N(5), N(600), kEmpty}, N(0)},
      });
  // A drawn "50" matches the filler: the window assumes lottery numbers.
  Sheet fifty(S(u"50 12 18 30 41 49"), S(u"08"));
  EXPECT_EQ(fifty(u"平码几中几", {S(u"二中二"), S(u"12-20"), N(600), kEmpty}), N(600));
}

// ---- 包家禽或野兽 -----------------------------------------------------------------

TEST(DomesticOrWild, OutcomeTable) {
  const struct {
    const char* what;
    Variant tn;  // 2013: 08 狗 and 09 鸡 are domestic, 02 龙 wild
    Variant bet;
    Variant want;
  } cases[] = {
      {"domestic on 狗", S(u"08"), S(u"家禽"), N(100)},
      {"wild on 狗", S(u"08"), S(u"野兽"), I(0)},
      {"domestic on 鸡", S(u"09"), S(u"包家禽"), N(100)},
      {"both words back domestic", S(u"09"), S(u"家禽野兽"), N(100)},
      {"domestic on 龙", S(u"02"), S(u"家禽"), I(0)},
      {"wild on 龙", S(u"02"), S(u"野兽"), N(100)},
      {"an empty bet backs wild", S(u"02"), S(u""), N(100)},
      {"a number backs wild", S(u"02"), N(1), N(100)},
      {"outside 1..49 counts as wild", S(u"50"), S(u"野兽"), N(100)},
  };
  for (const auto& c : cases) {
    Sheet sheet(S(u"05 12 18 30 41 49"), c.tn);
    EXPECT_EQ(sheet(u"包家禽或野兽", {c.bet, N(100), kTwo}), c.want) << c.what;
  }
  Sheet sheet;
  run(sheet, u"包家禽或野兽",
      {
          {"an empty 收入", {S(u"家禽"), kEmpty, kEmpty}, N(0)},
          {"收入 not a number, winning", {S(u"家禽"), S(u"一百"), kEmpty}, kEmpty},
          {"收入 not a number, losing", {S(u"野兽"), S(u"一百"), kEmpty}, I(0)},
      });
  Sheet none;
  none.obj = Draw();  // before any draw the special number counts as domestic
  EXPECT_EQ(none(u"包家禽或野兽", {S(u"家禽"), N(100), kEmpty}), N(100));
  EXPECT_EQ(none(u"包家禽或野兽", {S(u"野兽"), N(100), kEmpty}), I(0));
}

// ---- 平特几尾 ---------------------------------------------------------------------

TEST(Tails, WorkedExampleAndEdges) {
  // Tails 3, X (13), 5, 8, 1, 7, 0.
  Sheet sheet(S(u"03 13 25 38 41 47"), S(u"10"));
  run(sheet, u"平特几尾",
      {
          {"3 and 9: one tail", {S(u"平特二尾"), S(u"3 9"), N(100), kEmpty}, kEmpty},
          {"3 and 9, preset 0", {S(u"平特二尾"), S(u"3 9"), N(100), kTwo}, I(0)},
          {"3, 9 and 0: two tails", {S(u"平特二尾"), S(u"3 9 0"), N(100), kEmpty}, N(100)},
          {"a repeated digit", {S(u"平特二尾"), S(u"3 3 9"), N(100), kEmpty}, kEmpty},
          {"the special number's tail", {S(u"平特一尾"), S(u"0"), N(100), kEmpty}, N(100)},
          {"a number as the digits", {S(u"平特二尾"), N(39), N(100), kEmpty}, kEmpty},
          {"more digits than N", {S(u"平特二尾"), S(u"1357"), N(100), kEmpty}, N(100)},
          {"四 needs four", {S(u"平特四尾"), S(u"1357"), N(100), kEmpty}, N(100)},
          {"四 with three", {S(u"平特四尾"), S(u"135"), N(100), kEmpty}, kEmpty},
          {"二 alone needs two", {S(u"二"), S(u"3"), N(100), kEmpty}, kEmpty},
          {"二尾 needs two", {S(u"二尾"), S(u"35"), N(100), kEmpty}, N(100)},
          {"an empty type needs one", {S(u""), S(u"3"), N(100), kEmpty}, N(100)},
          {"an empty selection", {S(u"平特一尾"), S(u""), N(100), kEmpty}, kEmpty},
          {"X counts the repeats", {S(u"平特一尾"), S(u"X"), N(100), kEmpty}, N(100)},
      });
  // No numeral first or third leaves N unset: every bet passes.
  for (const char16_t* type : {u"特别尾", u"平特五尾"}) {
    EXPECT_EQ(sheet(u"平特几尾", {S(type), S(u""), N(100), kEmpty}), N(100)) << to_utf8(type);
  }
  // A regular number without a text form fails the step that takes the tails:
  // every tail stays empty, and one empty tail is counted.
  sheet.obj.p[3] = E(ExcelError::NA);
  EXPECT_EQ(sheet(u"平特几尾", {S(u"平特一尾"), S(u"9"), N(100), kEmpty}), N(100));
  EXPECT_EQ(sheet(u"平特几尾", {S(u"平特二尾"), S(u"3 0"), N(100), kEmpty}), kEmpty);
}

// ---- 特串软串 ---------------------------------------------------------------------

TEST(Chain, WorkedExample) {
  Sheet sheet(S(u"03 12 23 31 40 47"), S(u"18"));
  run(sheet, u"特串软串",
      {
          {"特串 18 12 31", {S(u"特串"), S(u"18 12 31"), N(100), kEmpty}, N(200)},
          {"特串 12 18 31", {S(u"特串"), S(u"12 18 31"), N(100), kEmpty}, N(0)},
          {"特串 18 05", {S(u"特串"), S(u"18 05"), N(100), kEmpty}, N(0)},
          {"软串 12 18", {S(u"软串"), S(u"12 18"), N(100), kEmpty}, N(100)},
          {"软串 18 12 31", {S(u"软串"), S(u"18 12 31"), N(100), kEmpty}, N(0)},
          {"软串 12 31", {S(u"软串"), S(u"12 31"), N(100), kEmpty}, N(0)},
      });
}

TEST(Chain, Edges) {
  Sheet sheet(S(u"03 12 23 31 40 47"), S(u"18"));
  run(sheet, u"特串软串",
      {
          {"硬串 is hard", {S(u"硬串"), S(u"18 12"), N(100), kEmpty}, N(100)},
          {"硬特 is hard", {S(u"硬特"), S(u"18 12"), N(100), kEmpty}, N(100)},
          {"an empty type is soft", {S(u""), S(u"12 18"), N(100), kEmpty}, N(100)},
          {"a regular number listed twice", {S(u"特串"), S(u"18 12 12"), N(100), kEmpty}, N(100)},
          {"across neighbours: 0231 holds 23", {S(u"特串"), S(u"18 0231"), N(100), kEmpty}, N(200)},
          {"an empty list, hard", {S(u"特串"), S(u""), N(100), kEmpty}, N(0)},
          {"an empty list, soft", {S(u"软串"), S(u""), N(100), kEmpty}, N(0)},
          {"soft win hands back a text", {S(u"软串"), S(u"12 18"), S(u"一百"), kEmpty}, S(u"一百")},
          {"soft win with an empty 收入", {S(u"软串"), S(u"12 18"), kEmpty, kEmpty}, kEmpty},
          {"hard with 收入 not a number", {S(u"特串"), S(u"18 12"), S(u"一百"), kTwo}, I(0)},
      });
  // A special number held as a number never equals the list's first text.
  Sheet number(S(u"03 12 23 31 40 47"), N(18));
  EXPECT_EQ(number(u"特串软串", {S(u"特串"), S(u"18 12"), N(100), kEmpty}), N(0));
  EXPECT_EQ(number(u"特串软串", {S(u"软串"), S(u"12 18"), N(100), kEmpty}), N(100));
  // As a cell reference it is that cell's text.
  Sheet cell(S(u"03 12 23 31 40 47"), Ref(S(u"18")));
  EXPECT_EQ(cell(u"特串软串", {S(u"特串"), S(u"18 12"), N(100), kEmpty}), N(100));
  // No undrawn test: a draw of 00s pays every hard list beginning with 00.
  Sheet undrawn(S(u"00 00 00 00 00 00"), S(u"00"));
  EXPECT_EQ(undrawn(u"特串软串", {S(u"特串"), S(u"12 31"), N(100), kEmpty}), N(0));
  EXPECT_EQ(undrawn(u"特串软串", {S(u"特串"), S(u"00 12"), N(100), kEmpty}), N(600));
  // Before any draw every list that is not empty gives 0.
  Sheet none;
  none.obj = Draw();
  EXPECT_EQ(none(u"特串软串", {S(u"特串"), S(u"18 12"), N(100), kEmpty}), N(0));
  EXPECT_EQ(none(u"特串软串", {S(u"软串"), S(u"12"), N(100), kEmpty}), N(0));
}

// The whole-draw bets count a draw whose signs and numbers are plain texts
// character by character; the same draw held in cell references goes through
// the steps on texts. Both must settle every selection alike, repeated signs
// and tails and the markers that stand for them included.
TEST(RegularBets, CharacterCountingAgreesWithTheTextSteps) {
  Sheet plain(S(u"05 12 18 30 41 29"), S(u"08"));
  Sheet cells(S(u"05 12 18 30 41 29"), S(u"08"));
  for (Variant& sign : cells.obj.pp) sign = Ref(Variant(sign));
  cells.obj.tt = Ref(Variant(cells.obj.tt));
  cells.obj.t = Ref(Variant(cells.obj.t));
  const struct {
    std::u16string_view name;
    const char16_t* type;
    const char16_t* selection;
  } cases[] = {
      {u"平特几肖", u"平特二肖", u"牛马鼠蛇"}, {u"平特几肖", u"平特一肖", u"XX"},
      {u"平特几肖", u"平特二肖", u"牛XX"},     {u"平特几肖", u"平特三肖", u"猪"},
      {u"平特几尾", u"平特二尾", u"3 9 0"},    {u"平特几尾", u"平特一尾", u"X"},
      {u"平特几尾", u"平特三尾", u"X 1 2"},    {u"平特几尾", u"平特二尾", u""},
  };
  for (const auto& c : cases) {
    const std::vector<Variant> args{S(c.type), S(c.selection), N(100), kEmpty};
    EXPECT_EQ(plain(c.name, args), cells(c.name, args))
        << to_utf8(c.name) << " " << to_utf8(c.selection);
  }
}

}  // namespace
}  // namespace korvane
