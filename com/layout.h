// The layout of the interface _自定义函数, derived from the member table.
//
// Each property contributes its accessors (get, let, and set where it has
// one), each worksheet function one method, in member order. This one list
// gives the type library its functions, the dual vtable its slots and Invoke
// its dispatch identifiers, so the three cannot disagree.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

#include "core/custom_functions.h"

namespace korvane::com {

enum class Accessor : unsigned char { Get, Let, Set, Call };

struct Method {
  const Member* member;
  std::size_t member_index;  // in members()
  Accessor accessor;
  // Pointer-sized arguments of the vtable method after `this`: the value for
  // an accessor, the parameters and the result for a worksheet function.
  std::size_t arity;
};

// The methods of _自定义函数 after IDispatch's seven, in vtable order.
std::span<const Method> interface_methods();

// IUnknown's three and IDispatch's four methods come first in the vtable.
inline constexpr std::size_t kDispatchSlots = 7;

// Dispatch identifiers: members in table order from 1 (0 would make a member
// the object's default value, which the add-in object has none of).
inline DISPID dispid_of(std::size_t member_index) { return static_cast<DISPID>(member_index + 1); }
// The member index of a dispatch identifier, or members().size() if none.
std::size_t member_of(DISPID id);

// A property without a set accessor holds text (yyy): its accessors take and
// give a BSTR instead of a VARIANT.
inline bool holds_text(const Member& m) { return m.is_property && m.property.set == nullptr; }

// A wide string as the core's UTF-16 text (wchar_t is 16 bits on Windows).
inline std::u16string_view u16(const wchar_t* s) {
  return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}
inline const wchar_t* wide(std::u16string_view s) {
  return reinterpret_cast<const wchar_t*>(s.data());
}

}  // namespace korvane::com
