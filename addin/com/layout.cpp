#include "addin/com/layout.h"

#include <vector>

namespace korvane::com {
namespace {

std::vector<Method> build() {
  std::vector<Method> out;
  const auto all = members();
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Member& m = all[i];
    if (m.is_property) {
      out.push_back({&m, i, Accessor::Get, 1});
      out.push_back({&m, i, Accessor::Let, 1});
      if (m.property.set) out.push_back({&m, i, Accessor::Set, 1});
    } else {
      out.push_back({&m, i, Accessor::Call, m.params.size() + 1});
    }
  }
  return out;
}

bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

std::span<const Method> interface_methods() {
  static const std::vector<Method> methods = build();
  return methods;
}

std::size_t member_of(DISPID id) {
  const std::size_t n = members().size();
  if (id < 1 || static_cast<std::size_t>(id) > n) return n;
  return static_cast<std::size_t>(id) - 1;
}

bool same_name(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && !(is_ascii_letter(a[i]) && fold(a[i]) == fold(b[i]))) return false;
  }
  return true;
}

}  // namespace korvane::com
