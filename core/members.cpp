// The member list of 自定义函数, in interface order: the draw's properties,
// then the worksheet functions, each by the row that stands beside its code.
// Every front end (the COM type library and dispatch, the Calc extension, the
// XLL, `korvane eval`, `korvane call`, the book settler, the help text) reads
// this one list.
#include <algorithm>

#include "core/custom_functions.h"

// The worksheet functions in interface order, one line each: the name of the
// row that stands beside the function's code. A new function's line goes
// last; a line moved, or put between others, renumbers the COM interface,
// which com/interface.pin's test refuses.
// clang-format off
#define KORVANE_WORKSHEET_FUNCTIONS(row) \
  row(verify) \
  row(tema) \
  row(temal) \
  row(sum_count) \
  row(pai) \
  row(paid) \
  row(none_hit) \
  row(odd_even_big_small) \
  row(zodiac_signs) \
  row(zodiac_package) \
  row(numbers_hit) \
  row(domestic_or_wild) \
  row(tails) \
  row(chain) \
  row(signs_to_numbers) \
  row(number_to_sign) \
  row(sl1) \
  row(sl2) \
  row(sl3) \
  row(sl4) \
  row(piece_wage) \
  /* a new function's line goes above this one */
// clang-format on

namespace korvane {

namespace rows {
#define KORVANE_DECLARE_ROW(name) extern const Member name;
KORVANE_WORKSHEET_FUNCTIONS(KORVANE_DECLARE_ROW)
#undef KORVANE_DECLARE_ROW
}  // namespace rows

namespace {

// ---- properties ----------------------------------------------------------------

// A let stores the value a reference stands for; a set stores the reference.
template <Variant Draw::*Field>
constexpr PropertyAccess field_access() {
  return {
      [](const Draw& o) { return o.*Field; },
      [](Draw& o, const Variant& v) {
        o.*Field = value_of(v);
        return true;
      },
      [](Draw& o, const Variant& v) { o.*Field = v; },
  };
}

template <std::array<Variant, 6> Draw::*Field, std::size_t I>
constexpr PropertyAccess slot_access() {
  return {
      [](const Draw& o) { return (o.*Field)[I]; },
      [](Draw& o, const Variant& v) {
        (o.*Field)[I] = value_of(v);
        return true;
      },
      [](Draw& o, const Variant& v) { (o.*Field)[I] = v; },
  };
}

constexpr PropertyAccess yyy_access() {
  return {
      [](const Draw& o) { return Variant(o.yyy); },
      [](Draw& o, const Variant& v) {
        const Maybe<Text> s = text(v);  // a String property takes the text form
        if (!s) return false;
        o.yyy = std::u16string(s->view());
        return true;
      },
      nullptr,
  };
}

constexpr Member property(std::u16string_view name, PropertyAccess access, std::string_view zh,
                          std::string_view en) {
  return Member{name,          true, access, nullptr, {}, Regime::FailingCall,
                DrawUse::None, zh,   en,     {},      {}};
}

constexpr std::array kProperties{
    property(u"t", field_access<&Draw::t>(), "特码", "the special number"),
    property(u"tt", field_access<&Draw::tt>(), "特码生肖", "the special number's sign"),
    property(u"p1", slot_access<&Draw::p, 0>(), "平码一", "regular number 1"),
    property(u"p2", slot_access<&Draw::p, 1>(), "平码二", "regular number 2"),
    property(u"p3", slot_access<&Draw::p, 2>(), "平码三", "regular number 3"),
    property(u"p4", slot_access<&Draw::p, 3>(), "平码四", "regular number 4"),
    property(u"p5", slot_access<&Draw::p, 4>(), "平码五", "regular number 5"),
    property(u"p6", slot_access<&Draw::p, 5>(), "平码六", "regular number 6"),
    property(u"pp1", slot_access<&Draw::pp, 0>(), "平码一生肖", "sign of regular number 1"),
    property(u"pp2", slot_access<&Draw::pp, 1>(), "平码二生肖", "sign of regular number 2"),
    property(u"pp3", slot_access<&Draw::pp, 2>(), "平码三生肖", "sign of regular number 3"),
    property(u"pp4", slot_access<&Draw::pp, 3>(), "平码四生肖", "sign of regular number 4"),
    property(u"pp5", slot_access<&Draw::pp, 4>(), "平码五生肖", "sign of regular number 5"),
    property(u"pp6", slot_access<&Draw::pp, 5>(), "平码六生肖", "sign of regular number 6"),
    property(u"yyy", yyy_access(), "年份差（年份 − 2008）", "year offset (year - 2008) as text"),
};

// ---- the whole list ------------------------------------------------------------

#define KORVANE_ROW_ADDRESS(name) &rows::name,
constexpr const Member* kFunctions[] = {KORVANE_WORKSHEET_FUNCTIONS(KORVANE_ROW_ADDRESS)};
#undef KORVANE_ROW_ADDRESS

constexpr std::size_t kMemberCount = kProperties.size() + std::size(kFunctions);

// The interface fits what the front ends can carry (see kMaxInterfaceMethods):
// a property takes two or three accessor methods, a function one. (Each row
// checks its own parameter count.)
constexpr std::size_t interface_methods() {
  std::size_t n = std::size(kFunctions);
  for (const Member& m : kProperties) n += m.property.set ? 3 : 2;
  return n;
}
static_assert(interface_methods() <= kMaxInterfaceMethods,
              "the COM interface holds at most 80 methods: no room for another member");

// The list as one array, made on first use: the rows are constants of other
// files, which a constant expression here cannot read.
std::array<Member, kMemberCount> make_list() {
  std::array<Member, kMemberCount> list{};
  std::copy(kProperties.begin(), kProperties.end(), list.begin());
  std::transform(std::begin(kFunctions), std::end(kFunctions), list.begin() + kProperties.size(),
                 [](const Member* row) { return *row; });
  return list;
}

bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

std::span<const Member> members() noexcept {
  static const std::array<Member, kMemberCount> list = make_list();
  return list;
}

bool binds_to(std::u16string_view member_name, std::u16string_view name) noexcept {
  if (member_name.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t a = member_name[i];
    if (a != name[i] && !(is_ascii_letter(a) && fold(a) == fold(name[i]))) return false;
  }
  return true;
}

const Member* find_member(std::u16string_view name) noexcept {
  for (const Member& m : members()) {
    if (binds_to(m.name, name)) return &m;
  }
  return nullptr;
}

CallResult call(Draw& draw, const Member& m, std::span<const Variant> args) {
  return m.invoke(draw, args);
}

}  // namespace korvane
