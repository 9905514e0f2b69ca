// The record of the COM interface _自定义函数 (com/interface.pin) against the
// member list.
//
// Compiled workbooks and VBA projects keep each member's DISPID and vtable
// slot, which follow the member list's order, and pass each argument as the
// type library typed it when they were compiled (a Variant parameter as a
// VARIANT*, a Range one as an IDispatch*, a text property's value as a BSTR).
// The record pins one line per member: its DISPID, its name and its shape.
// A member inserted or moved mid-list, or a parameter or property whose kind
// changed, would silently break every later member, or that one, in the
// users' files: the native build compares the list with the record and stops
// with what to do (append the member, or give the interface a new IID).
//
// Portable: the native build runs the comparison (korvane_pin_check), and so
// do the tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/custom_functions.h"

namespace korvane::pin {

// A member's line after its DISPID: the name and the shape. A property:
// `property` and what its value travels as, `variant` or `text`. A function:
// its parameter count, then each parameter's kind (`variant`, `range`,
// `trigger`).
std::string shape_of(const Property& p);
std::string shape_of(const Function& f);

// Every member's line in interface order.
std::vector<std::string> interface_lines();

// What is wrong with the record `pin_text` (the file's text) against the
// member lines `table`, one message per problem; empty when they agree.
std::vector<std::string> mismatches(std::string_view pin_text,
                                    const std::vector<std::string>& table);

}  // namespace korvane::pin
