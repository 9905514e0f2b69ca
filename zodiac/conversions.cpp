// 肖转号码 and 号码转肖: converting between zodiac signs and lottery numbers.
//
// Bookkeepers type the signs a customer backed and need the numbers they
// stand for in the year of the draw, or the other way round. Both functions
// give exactly the assignment the draw set-up gives the drawn numbers: the
// numbers 01, 13, 25, 37 and 49 carry the sign of the year, each next number
// the sign one place earlier.
//
// 肖转号码 does it through the sheets' own sign list and number table, which
// bookkeepers have long copied between workbooks; 号码转肖 by the same
// arithmetic as the draw set-up. Both fail the whole call on the first step
// that cannot be carried out.
#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "core/custom_functions.h"
#include "zodiac/zodiac_rule.h"

namespace korvane {
namespace {

// The signs in the order the number table lists their groups: the sequence of
// zodiac_rule.h turned to start at its last sign, 鼠 (0鼠牛虎免 ... 狗猪). A "0"
// in front makes a sign's index its place in the list minus one (鼠 = 1 ...
// 猪 = 12), and an empty argument, found at the very start, has index 0. The
// rabbit is written 免 here as everywhere in the sheets; 兔 is not a sign.
static_assert(zodiac::kSigns.size() == 12);
constexpr std::array<char16_t, 13> kSignListChars = [] {
  std::array<char16_t, 13> list{u'0', zodiac::kSigns.back()};
  for (std::size_t i = 0; i < 11; ++i) list[i + 2] = zodiac::kSigns[i];
  return list;
}();
constexpr std::u16string_view kSignList(kSignListChars.data(), kSignListChars.size());

// Twelve groups of four numbers, 11 characters each, "*" between groups.
// Group k starts at 12 (k - 1) + 1 and holds the numbers 1..48 congruent to
// 2 - k modulo 12. The 49 belongs to group 1 and is added when that group is
// listed.
constexpr std::u16string_view kNumberTable =
    u"01 13 25 37*12 24 36 48*11 23 35 47*10 22 34 46*09 21 33 45*08 20 32 44*"
    u"07 19 31 43*06 18 30 42*05 17 29 41*04 16 28 40*03 15 27 39*02 14 26 38";
static_assert(kNumberTable.size() == 143);

constexpr std::size_t kGroupLength = 11;

constexpr std::u16string_view kFortyNine = u" 49";

// The numbers one sign argument stands for in a year (year offset D, whole
// and small enough for whole-number arithmetic or not), written into out;
// returns how many characters. Empty when the argument names no
// sign.
std::size_t group_text(const Variant& sign, double d, bool whole_year, char16_t* out) {
  const TextOf name(sign);  // a typed sign is read where it stands
  if (!name) throw CallFailed{};
  // Index: the place of the whole text in the list, minus one; -1 when absent.
  // A sign is one character, looked up as one.
  const std::u16string_view s = *name;
  const std::size_t at = s.size() == 1 ? kSignList.find(s.front()) : kSignList.find(s);
  const double index = at == std::u16string_view::npos ? -1 : static_cast<double>(at);

  // The group of that sign in the year: the table's groups turn by eleven
  // places (one back) a year; the floor keeps it in 1..12 before 2008 too.
  // In a whole year it is whole, and found by whole-number arithmetic.
  const double turned = need(checked(index + 11 * d));
  const double group =
      whole_year
          ? static_cast<double>(zodiac::floor_mod12(static_cast<std::int64_t>(turned) + 1199) + 1)
          : need(checked(turned + 1200 - 12 * floor_((turned + 1199) / 12)));
  if (index <= 0) return 0;

  // A fractional year gives a fractional group; its start is rounded and the
  // 11 characters from there may straddle two groups, as they always did. A
  // whole group is a whole start, with nothing to round.
  const std::int64_t start = whole_year ? 12 * (static_cast<std::int64_t>(group) - 1) + 1
                                        : need(position(need(checked(12 * (group - 1) + 1))));
  if (start < 1 || start > std::numeric_limits<std::int32_t>::max()) throw CallFailed{};
  const std::u16string_view numbers =
      mid(kNumberTable, static_cast<std::size_t>(start), kGroupLength);
  std::size_t n = numbers.copy(out, numbers.size());
  if (numbers.starts_with(u"01")) n += kFortyNine.copy(out + n, kFortyNine.size());
  return n;
}

}  // namespace

Variant 肖转号码(const Variant& 年, const Variant& 肖1, const Variant& 肖2, const Variant& 肖3,
                 const Variant& 肖4, const Variant& 肖5, const Variant& 肖6, const Variant& 肖7,
                 const Variant& /*易失*/) {
  const double d = need(checked(need(number(年)) - 2008));
  const bool whole_year = zodiac::small_whole(d);

  // Seven groups of at most 14 characters and the six spaces between them.
  std::array<char16_t, 7 * 15> joined;
  std::size_t n = 0;
  const Variant* signs[] = {&肖1, &肖2, &肖3, &肖4, &肖5, &肖6, &肖7};
  for (const Variant* sign : signs) {
    if (sign != signs[0]) joined[n++] = u' ';
    n += group_text(*sign, d, whole_year, joined.data() + n);
  }
  // Arguments that name no sign leave their spaces inside the list (two
  // spaces mark a gap), but none at either end.
  return Variant(trim_spaces(std::u16string_view(joined.data(), n)));
}

constexpr Param sign_param(std::u16string_view name) {
  return Param::value(name, "一个生肖，可留空", "one zodiac sign, or empty");
}
constexpr std::array kSignsToNumbersParams{
    Param::value(u"年", "年份", "the year"),
    sign_param(u"肖1"),
    sign_param(u"肖2"),
    sign_param(u"肖3"),
    sign_param(u"肖4"),
    sign_param(u"肖5"),
    sign_param(u"肖6"),
    sign_param(u"肖7"),
    kTrigger,
};
constinit const FunctionRow<9> rows::signs_to_numbers = worksheet_function<肖转号码>(
    kSignsToNumbersParams,
    {.regime = Regime::FailingCall,
     .zh = "生肖转号码：列出所给生肖的号码",
     .en = "list the numbers of up to seven signs for a year",
     .returns_zh = "所有号码连成的一个文本",
     .returns_en = "the numbers as one text",
     .example = {R"(2013 蛇 马 "" "" "" "" "")", R"("01 13 25 37 49 12 24 36 48")"},
     .place = {.sheet = Sheet::Conversions, .note = "2013 年属蛇、属马的号码，空着的生肖格不算"}});

Variant 号码转肖(const Variant& 年, const Variant& 号码, const Variant& /*易失*/) {
  // A number written as a whole number ("08") is read once for both steps,
  // and in a whole year its sign is found by whole-number arithmetic.
  const Maybe<double> whole = zodiac::exact_whole_value(号码);
  const double c =
      whole ? *whole - 12 * floor_((*whole - 1) / 12) : need(zodiac::cycle_position(号码));
  const double y = zodiac::reduced_offset(need(checked(need(number(年)) - 2008)));
  Variant result =
      zodiac::small_whole(c) && zodiac::small_whole(y)
          ? Variant(std::u16string(
                1, zodiac::whole_sign(static_cast<std::int64_t>(c), static_cast<std::int64_t>(y))))
          : need(zodiac::sign_at(c, y));
  const bool outside = whole ? *whole < 1 || *whole > 49 : need(zodiac::outside_draw_range(号码));
  if (outside) result = Variant::integer(0);
  return result;
}

constexpr std::array kNumberToSignParams{
    Param::value(u"年", "年份", "the year"),
    Param::value(u"号码", "号码，如 07", "the number, such as 07"),
    kTrigger,
};
constinit const FunctionRow<3> rows::number_to_sign = worksheet_function<号码转肖>(
    kNumberToSignParams,
    {.regime = Regime::FailingCall,
     .zh = "号码转肖：号码在该年的生肖",
     .en = "the zodiac sign of a number in a year",
     .returns_zh = "一个生肖，1..49 之外为 0",
     .returns_en = "one sign, or 0 outside 1..49",
     .example = {R"(2013 "'08")", R"("狗")"},
     .place = {.sheet = Sheet::Conversions, .note = "08 在 2013 年属狗；1 到 49 以外为 0"}});

}  // namespace korvane
