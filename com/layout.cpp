#include "com/layout.h"

#include <vector>

namespace korvane::com {
namespace {

std::vector<Method> build() {
  std::vector<Method> out;
  for (const Member& m : members()) {
    if (const Property* p = m.property) {
      const DISPID id = dispid_of(*p);
      out.push_back({p, nullptr, Accessor::Get, 1, id, p->name, p->zh});
      out.push_back({p, nullptr, Accessor::Let, 1, id, p->name, p->zh});
      if (accessor_count(*p) == 3)
        out.push_back({p, nullptr, Accessor::Set, 1, id, p->name, p->zh});
    } else {
      const Function& f = *m.function;
      out.push_back({nullptr, &f, Accessor::Call, f.params.size() + 1, dispid_of(f), f.name, f.zh});
    }
  }
  return out;
}

}  // namespace

std::span<const Method> interface_methods() {
  static const std::vector<Method> methods = build();
  return methods;
}

DISPID dispid_of(const Property& p) { return static_cast<DISPID>(position_of(p) + 1); }

DISPID dispid_of(const Function& f) { return static_cast<DISPID>(position_of(f) + 1); }

Named member_of(DISPID id) {
  const auto list = members();
  if (id < 1 || static_cast<std::size_t>(id) > list.size()) return {};
  const Member& m = list[static_cast<std::size_t>(id) - 1];
  return {m.property, m.function};
}

}  // namespace korvane::com
