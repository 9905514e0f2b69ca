// The protocol's encoding of worksheet values: one automation variant as one
// JSON value (null, a number, a string, a boolean, {"int": n}, {"long": n},
// {"error": "#N/A"}, {"ref": ...}, {"array": [[...]]}), written
// (value_writer.cpp) and read (value_reader.cpp).
//
// This room knows JSON and variants: what a request line means is the request
// grammar's (request.h), which reads its values through the same reader. It
// may touch the core's values and texts and the message quoting, nothing of
// the backends.
#pragma once

#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvane::protocol {

// The encoding of a value, as the protocol writes it (UTF-8 JSON, no newline).
// A lone surrogate in a text is kept, as a \u escape (to_utf8 in core/text.h
// would make it U+FFFD).
std::string encode(const Variant& v);

// A text as a JSON string, quotes and escapes and all, as encode writes one.
std::string encode_text(std::u16string_view s);

// Decodes a value from its JSON text; on a malformed encoding returns false
// and a sentence in error.
bool decode(std::string_view json, Variant& out, std::string& error);

}  // namespace korvane::protocol
