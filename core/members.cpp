// The member list of 自定义函数, in interface order: the draw's properties,
// then the worksheet functions, each by the row that stands beside its code
// (core/function_list.h orders them). Every front end (the COM type library
// and dispatch, the Calc extension, the XLL, `korvane eval`, `korvane call`,
// the book settler, the help text) reads these two lists.
#include <algorithm>

#include "core/custom_functions.h"

namespace korvane {
namespace {

// ---- properties ----------------------------------------------------------------

constexpr std::array kProperties{
    variant_property<&Draw::t>(u"t", "特码", "the special number"),
    variant_property<&Draw::tt>(u"tt", "特码生肖", "the special number's sign"),
    slot_property<&Draw::p, 0>(u"p1", "平码一", "regular number 1"),
    slot_property<&Draw::p, 1>(u"p2", "平码二", "regular number 2"),
    slot_property<&Draw::p, 2>(u"p3", "平码三", "regular number 3"),
    slot_property<&Draw::p, 3>(u"p4", "平码四", "regular number 4"),
    slot_property<&Draw::p, 4>(u"p5", "平码五", "regular number 5"),
    slot_property<&Draw::p, 5>(u"p6", "平码六", "regular number 6"),
    slot_property<&Draw::pp, 0>(u"pp1", "平码一生肖", "sign of regular number 1"),
    slot_property<&Draw::pp, 1>(u"pp2", "平码二生肖", "sign of regular number 2"),
    slot_property<&Draw::pp, 2>(u"pp3", "平码三生肖", "sign of regular number 3"),
    slot_property<&Draw::pp, 3>(u"pp4", "平码四生肖", "sign of regular number 4"),
    slot_property<&Draw::pp, 4>(u"pp5", "平码五生肖", "sign of regular number 5"),
    slot_property<&Draw::pp, 5>(u"pp6", "平码六生肖", "sign of regular number 6"),
    text_property<&Draw::yyy>(u"yyy", "年份差（年份 − 2008）", "year offset (year - 2008) as text"),
};

// Each property's accessors are those of its kind: a Variant property has a
// set, a Text one has none (the type library would give it none either).
constexpr bool accessors_follow_kind() {
  for (const Property& p : kProperties) {
    if ((p.value == ValueKind::Variant) != (p.set != nullptr)) return false;
  }
  return true;
}
static_assert(accessors_follow_kind(),
              "a Variant property has get, let and set; a Text property get and let only");

// ---- functions -----------------------------------------------------------------

#define KORVANE_ROW_ADDRESS(name, count) &rows::name,
constexpr const Function* kFunctions[] = {KORVANE_WORKSHEET_FUNCTIONS(KORVANE_ROW_ADDRESS)};
#undef KORVANE_ROW_ADDRESS
static_assert(std::size(kFunctions) == kFunctionCount);

// The interface fits what the front ends can carry (see kMaxInterfaceMethods):
// a property takes its accessor methods, a function one. (Each row checks its
// own parameter count.)
constexpr std::size_t interface_methods() {
  std::size_t n = std::size(kFunctions);
  for (const Property& p : kProperties) n += accessor_count(p);
  return n;
}
static_assert(interface_methods() <= kMaxInterfaceMethods,
              "the COM interface holds at most 80 methods: no room for another member");

// The functions as one array, made on first use: the rows are constants of
// other files, which a constant expression here cannot read.
std::array<Function, kFunctionCount> make_functions() {
  std::array<Function, kFunctionCount> list{};
  std::transform(std::begin(kFunctions), std::end(kFunctions), list.begin(),
                 [](const Function* row) { return *row; });
  return list;
}

bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

template <class List>
auto find_in(const List& list, std::u16string_view name) noexcept -> decltype(&list[0]) {
  for (const auto& m : list) {
    if (binds_to(m.name, name)) return &m;
  }
  return nullptr;
}

}  // namespace

std::span<const Property> properties() noexcept { return kProperties; }

std::span<const Function> functions() noexcept {
  static const std::array<Function, kFunctionCount> list = make_functions();
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

const Property* find_property(std::u16string_view name) noexcept {
  return find_in(properties(), name);
}

const Function* find_function(std::u16string_view name) noexcept {
  return find_in(functions(), name);
}

}  // namespace korvane
