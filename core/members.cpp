// The member list of 自定义函数, in interface order: the draw's properties,
// whose rows stand here, and the worksheet functions, whose rows stand beside
// their code; core/member_list.h names and orders them all. Every front end
// (the COM type library and dispatch, the Calc extension, the XLL, `korvane
// eval`, `korvane call`, the book settler, the help text) reads this one
// sequence.
#include <algorithm>

#include "core/custom_functions.h"

namespace korvane {

// ---- the properties' rows --------------------------------------------------------

constexpr Property rows::t = variant_property<&Draw::t>("特码", "the special number");
constexpr Property rows::tt = variant_property<&Draw::tt>("特码生肖", "the special number's sign");
constexpr Property rows::p1 = slot_property<&Draw::p, 0>("平码一", "regular number 1");
constexpr Property rows::p2 = slot_property<&Draw::p, 1>("平码二", "regular number 2");
constexpr Property rows::p3 = slot_property<&Draw::p, 2>("平码三", "regular number 3");
constexpr Property rows::p4 = slot_property<&Draw::p, 3>("平码四", "regular number 4");
constexpr Property rows::p5 = slot_property<&Draw::p, 4>("平码五", "regular number 5");
constexpr Property rows::p6 = slot_property<&Draw::p, 5>("平码六", "regular number 6");
constexpr Property rows::pp1 =
    slot_property<&Draw::pp, 0>("平码一生肖", "sign of regular number 1");
constexpr Property rows::pp2 =
    slot_property<&Draw::pp, 1>("平码二生肖", "sign of regular number 2");
constexpr Property rows::pp3 =
    slot_property<&Draw::pp, 2>("平码三生肖", "sign of regular number 3");
constexpr Property rows::pp4 =
    slot_property<&Draw::pp, 3>("平码四生肖", "sign of regular number 4");
constexpr Property rows::pp5 =
    slot_property<&Draw::pp, 4>("平码五生肖", "sign of regular number 5");
constexpr Property rows::pp6 =
    slot_property<&Draw::pp, 5>("平码六生肖", "sign of regular number 6");
constexpr Property rows::yyy =
    text_property<&Draw::yyy>("年份差（年份 − 2008）", "year offset (year - 2008) as text");

namespace {

// ---- the lines ---------------------------------------------------------------------

// A line of the list with the row it names: exactly one of the two is set.
struct Line {
  std::u16string_view name;
  const Property* property;
  const Function* function;
};

constexpr Line kLines[] = {
#define KORVANE_PROPERTY_LINE(id, name) Line{name, &rows::id, nullptr},
#define KORVANE_FUNCTION_LINE(id, name, count) Line{name, nullptr, &rows::id},
    KORVANE_INTERFACE_MEMBERS(KORVANE_PROPERTY_LINE, KORVANE_FUNCTION_LINE)
#undef KORVANE_PROPERTY_LINE
#undef KORVANE_FUNCTION_LINE
};
static_assert(std::size(kLines) == kMemberCount);

// Each property's accessors are those of its kind: a Variant property has a
// set, a Text one has none (the type library would give it none either).
constexpr bool accessors_follow_kind() {
  for (const Line& l : kLines) {
    if (l.property && (l.property->value == ValueKind::Variant) != (l.property->set != nullptr))
      return false;
  }
  return true;
}
static_assert(accessors_follow_kind(),
              "a Variant property has get, let and set; a Text property get and let only");

// The interface fits what the front ends can carry (see kMaxInterfaceMethods):
// a property takes its accessor methods, a function one. (Each row checks its
// own parameter count.)
constexpr std::size_t interface_methods() {
  std::size_t n = 0;
  for (const Line& l : kLines) n += l.property ? accessor_count(*l.property) : 1;
  return n;
}
static_assert(interface_methods() <= kMaxInterfaceMethods,
              "the COM interface holds at most 80 methods: no room for another member");

// Where each property and each function stands in the interface.
template <bool Properties>
constexpr auto positions() {
  std::array<std::size_t, Properties ? kPropertyCount : kFunctionCount> at{};
  std::size_t k = 0;
  for (std::size_t i = 0; i < kMemberCount; ++i) {
    if (kMemberLines[i].is_property == Properties) at[k++] = i;
  }
  return at;
}
constexpr auto kPropertyPositions = positions<true>();
constexpr auto kFunctionPositions = positions<false>();

// ---- the members, made on first use ----------------------------------------------

// The rows as the front ends read them, named by their lines. They are
// copied on first use: the functions' rows are constants of other files,
// which a constant expression here cannot read.
struct Table {
  std::array<Property, kPropertyCount> properties{};
  std::array<Function, kFunctionCount> functions{};
  std::array<Member, kMemberCount> members{};
  const Function* loader = nullptr;

  Table() {
    std::size_t np = 0;
    std::size_t nf = 0;
    for (std::size_t i = 0; i < kMemberCount; ++i) {
      const Line& l = kLines[i];
      if (l.property) {
        Property& p = properties[np++] = *l.property;
        p.name = l.name;
        members[i].property = &p;
      } else {
        Function& f = functions[nf++] = *l.function;
        f.name = l.name;
        members[i].function = &f;
        if (f.draw == DrawUse::Loads && !loader) loader = &f;
      }
    }
  }
};

const Table& table() {
  static const Table t;
  return t;
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

std::span<const Member> members() noexcept { return table().members; }
std::span<const Property> properties() noexcept { return table().properties; }
std::span<const Function> functions() noexcept { return table().functions; }

// The list has a loading function: 验证's row is in it, and a row that loads
// the draw is checked to carry the parts of the draw it loads.
const Function& loading_function() noexcept { return *table().loader; }

std::size_t position_of(const Property& p) noexcept {
  return kPropertyPositions[static_cast<std::size_t>(&p - properties().data())];
}

std::size_t position_of(const Function& f) noexcept {
  return kFunctionPositions[static_cast<std::size_t>(&f - functions().data())];
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
