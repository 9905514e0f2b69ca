#include "com/layout.h"

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

}  // namespace korvane::com
