#include "com/layout.h"

#include <vector>

namespace korvane::com {
namespace {

std::vector<Method> build() {
  std::vector<Method> out;
  for (const Property& p : properties()) {
    const DISPID id = dispid_of(p);
    out.push_back({&p, nullptr, Accessor::Get, 1, id, p.name, p.zh});
    out.push_back({&p, nullptr, Accessor::Let, 1, id, p.name, p.zh});
    if (accessor_count(p) == 3) out.push_back({&p, nullptr, Accessor::Set, 1, id, p.name, p.zh});
  }
  for (const Function& f : functions()) {
    out.push_back({nullptr, &f, Accessor::Call, f.params.size() + 1, dispid_of(f), f.name, f.zh});
  }
  return out;
}

}  // namespace

std::span<const Method> interface_methods() {
  static const std::vector<Method> methods = build();
  return methods;
}

DISPID dispid_of(const Property& p) { return static_cast<DISPID>(&p - properties().data() + 1); }

DISPID dispid_of(const Function& f) {
  return static_cast<DISPID>(properties().size()) +
         static_cast<DISPID>(&f - functions().data() + 1);
}

Named member_of(DISPID id) {
  const auto props = properties();
  const auto funcs = functions();
  if (id < 1) return {};
  const auto k = static_cast<std::size_t>(id) - 1;
  if (k < props.size()) return {&props[k], nullptr};
  if (k - props.size() < funcs.size()) return {nullptr, &funcs[k - props.size()]};
  return {};
}

}  // namespace korvane::com
