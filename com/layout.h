// The layout of the interface _自定义函数, derived from the member table.
//
// Each property contributes its accessors (get, let, and set for a Variant
// property), each worksheet function one method, in interface order (the
// member list's, core/member_list.h). This one list
// gives the type library its functions, the dual vtable its slots and Invoke
// its dispatch identifiers, so the three cannot disagree.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

#include "core/custom_functions.h"

namespace korvane::com {

enum class Accessor : unsigned char { Get, Let, Set, Call };

// A method is a property's accessor (Get, Let, Set) or a function's call.
struct Method {
  const Property* property;  // for an accessor
  const Function* function;  // for a call
  Accessor accessor;
  // Pointer-sized arguments of the vtable method after `this`: the value for
  // an accessor, the parameters and the result for a worksheet function.
  std::size_t arity;
  DISPID dispid;             // the member's
  std::u16string_view name;  // the member's
  std::string_view doc;      // the member's description (Chinese, UTF-8)
};

// The methods of _自定义函数 after IDispatch's seven, in vtable order.
std::span<const Method> interface_methods();

// IUnknown's three and IDispatch's four methods come first in the vtable.
inline constexpr std::size_t kDispatchSlots = 7;

// Dispatch identifiers: members in interface order from 1 (0 would make a
// member the object's default value, which the add-in object has none of).
DISPID dispid_of(const Property& p);
DISPID dispid_of(const Function& f);

// The member a dispatch identifier names: a property or a function, or
// neither when it names none.
struct Named {
  const Property* property = nullptr;
  const Function* function = nullptr;
};
Named member_of(DISPID id);

// A Text property's accessors take and give a BSTR instead of a VARIANT.
inline bool holds_text(const Property& p) { return p.value == ValueKind::Text; }

// A wide string as the core's UTF-16 text (wchar_t is 16 bits on Windows).
inline std::u16string_view u16(const wchar_t* s) {
  return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}
inline const wchar_t* wide(std::u16string_view s) {
  return reinterpret_cast<const wchar_t*>(s.data());
}

}  // namespace korvane::com
