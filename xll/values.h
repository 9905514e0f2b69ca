// Worksheet values between Excel's XLOPER12 and the core's Variant.
//
// Excel hands an XLL function its arguments as XLOPER12s: for a parameter
// registered as type Q the values of the cells (a number, a text, a boolean,
// an error, nil for a blank cell, an array for several cells) and "missing"
// for an argument left out; for type U a reference stays a reference, which
// the function reads through the host with xlCoerce. Each becomes the Variant
// the automation add-in would see for the same cell: numbers are Doubles,
// blank cells and missing arguments Empty, several cells a 2-D array. A
// reference becomes a held range of the cells' values at the time of the
// call, so that nothing the draw keeps points back into Excel.
//
// The other way, a result goes back as a value Excel shows like the automation
// add-in's: Integers and Longs as numbers, Empty as nil (the cell shows 0), a
// reference as its value. A text result is written into the calling thread's
// own buffer (Excel copies a result before that thread calls again); what is
// allocated for a result (an array) is marked xlbitDLLFree and released by
// free_result (from xlAutoFree12).
#pragma once

#include "core/call_arguments.h"
#include "core/variant.h"
#include "xll/xlcall.h"

namespace korvane::xll {

// Makes the next argument of a call from one of Excel's: always one, Empty
// when the argument cannot be read. Returns false for what no worksheet
// passes (a flow value, binary data, a reference the host cannot read): the
// call then fails. Made in place, as argument reading is most of a call's
// cost outside the core. A text argument refers to in's characters, so the
// Variant is valid only while in is (Excel's arguments last the call).
bool make_argument(const XLOPER12& in, CallArguments& args);

// Writes a result into out, whose former contents must already be released.
// A text goes into text (room for kMaxString characters and the length) when
// given, and is allocated otherwise. Throws std::bad_alloc only.
void write_result(const Variant& v, XLOPER12& out, XCHAR* text = nullptr);

// Releases what write_result allocated; out becomes nil.
void free_result(XLOPER12& out) noexcept;

// A text as an XLOPER12 string (length first), truncated to Excel's 32767
// characters; the caller owns the buffer (delete[]).
XCHAR* new_xl_string(std::u16string_view s);

}  // namespace korvane::xll
