// The members of the add-in object 自定义函数 in interface order, one line
// each: the draw's properties, then the worksheet functions. A member's
// position in this list is its position in the COM interface (its DISPID is
// the position counted from 1), so a new member's line goes last; a line
// moved, or put between others, renumbers the interface, which the build
// refuses against com/interface.pin.
//
// A line names the member as a sheet calls it, and the row that holds the
// rest: a property's row is in core/members.cpp, a function's stands beside
// its code. A function's line also gives the number of parameters it takes,
// here where every front end can read it when it is compiled, because the
// XLL calls each function through an export of exactly its count and exports
// a fixed pool of them (xll/entries.cpp). Each row is declared with its
// line's count, so a row whose function takes another count does not compile.
//
// What the build refuses here, so that no front end meets it later:
//   - two members whose names Excel takes for one (case and full or half
//     width aside: tema and TEMA, Ｔ and t), each named by its own error;
//   - a row defined in a file of functions with no line here (the row check,
//     cmake/check_rows.cmake, names it and gives the line to add), or a line
//     with no row (the link fails on the row's name).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// clang-format off
#define KORVANE_INTERFACE_MEMBERS(property, function) \
  property(t, u"t") \
  property(tt, u"tt") \
  property(p1, u"p1") \
  property(p2, u"p2") \
  property(p3, u"p3") \
  property(p4, u"p4") \
  property(p5, u"p5") \
  property(p6, u"p6") \
  property(pp1, u"pp1") \
  property(pp2, u"pp2") \
  property(pp3, u"pp3") \
  property(pp4, u"pp4") \
  property(pp5, u"pp5") \
  property(pp6, u"pp6") \
  property(yyy, u"yyy") \
  function(verify, u"验证", 4) \
  function(tema, u"TEMA", 4) \
  function(temal, u"TEMAL", 1) \
  function(sum_count, u"求和1", 5) \
  function(pai, u"PAI", 1) \
  function(paid, u"PAID", 1) \
  function(none_hit, u"平特几不中", 3) \
  function(odd_even_big_small, u"平特单双大小", 3) \
  function(zodiac_signs, u"平特几肖", 4) \
  function(zodiac_package, u"包几肖", 3) \
  function(numbers_hit, u"平码几中几", 4) \
  function(domestic_or_wild, u"包家禽或野兽", 3) \
  function(tails, u"平特几尾", 4) \
  function(chain, u"特串软串", 4) \
  function(signs_to_numbers, u"肖转号码", 9) \
  function(number_to_sign, u"号码转肖", 3) \
  function(sl1, u"SL1", 1) \
  function(sl2, u"SL2", 1) \
  function(sl3, u"SL3", 1) \
  function(sl4, u"SL4", 2) \
  function(piece_wage, u"工资1", 2) \
  KORVANE_TABLE_PROBE_LINES(property, function) \
  /* a new member's line goes above this one */
// clang-format on

// The build's own tests add lines here to show that it refuses a bad list
// (tests/table/); a product build adds none.
#ifndef KORVANE_TABLE_PROBE_LINES
#define KORVANE_TABLE_PROBE_LINES(property, function)
#endif

namespace korvane {

namespace rows {
#define KORVANE_DECLARE_PROPERTY(id, name) extern const Property id;
#define KORVANE_DECLARE_FUNCTION(id, name, count) extern const FunctionRow<count> id;
KORVANE_INTERFACE_MEMBERS(KORVANE_DECLARE_PROPERTY, KORVANE_DECLARE_FUNCTION)
#undef KORVANE_DECLARE_PROPERTY
#undef KORVANE_DECLARE_FUNCTION
}  // namespace rows

// One line of the list: the member's name, and for a function its count.
struct MemberLine {
  std::u16string_view name;
  bool is_property;
  std::size_t count;
};

inline constexpr MemberLine kMemberLines[] = {
#define KORVANE_PROPERTY_LINE(id, name) MemberLine{name, true, 0},
#define KORVANE_FUNCTION_LINE(id, name, count) MemberLine{name, false, count},
    KORVANE_INTERFACE_MEMBERS(KORVANE_PROPERTY_LINE, KORVANE_FUNCTION_LINE)
#undef KORVANE_PROPERTY_LINE
#undef KORVANE_FUNCTION_LINE
};

inline constexpr std::size_t kMemberCount = std::size(kMemberLines);

// How many worksheet functions take each number of parameters (0 to 9).
inline constexpr std::array<std::size_t, kMaxParams + 1> kFunctionsByCount = [] {
  std::array<std::size_t, kMaxParams + 1> n{};
  for (const MemberLine& m : kMemberLines) n[m.count] += m.is_property ? 0 : 1;
  return n;
}();

inline constexpr std::size_t kFunctionCount = [] {
  std::size_t n = 0;
  for (const std::size_t k : kFunctionsByCount) n += k;
  return n;
}();

inline constexpr std::size_t kPropertyCount = kMemberCount - kFunctionCount;

// How many lines carry a name Excel takes for `name`.
constexpr std::size_t lines_named(std::u16string_view name) {
  std::size_t n = 0;
  for (const MemberLine& m : kMemberLines) n += same_excel_name(m.name, name) ? 1 : 0;
  return n;
}

// Each line checks its own name, so that two lines of one name fail with two
// errors, one naming each row.
#define KORVANE_CHECK_NAME(id, name, ...)                                                      \
  static_assert(lines_named(name) == 1,                                                        \
                "the member `" #id "` (" #name                                                 \
                ") has the name of another line of core/member_list.h as "                     \
                "Excel compares names (case and full or half width aside): rename one of the " \
                "two rows this build names");
KORVANE_INTERFACE_MEMBERS(KORVANE_CHECK_NAME, KORVANE_CHECK_NAME)
#undef KORVANE_CHECK_NAME

}  // namespace korvane
