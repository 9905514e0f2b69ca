// The protocol's encoding of worksheet values: one automation variant as one
// JSON value (null, a number, a string, a boolean, {"int": n}, {"long": n},
// {"error": "#N/A"}, {"ref": ...}, {"array": [[...]]}), written and read.
//
// This room knows JSON and variants. A request line is read here too, in the
// same single pass of parser events that reads its values (so that one line of
// millions of cells costs one variant a cell, never a document tree); what a
// request then means (which verb takes which key, the call it makes) is the
// eval session's. It may touch the core's values and texts and the message
// quoting, nothing of the backends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// The sentence for a call request without its arguments.
inline constexpr std::string_view kArgsShape = "a call request needs \"args\": an array of values";

// What a request line carries once read.
struct Request {
  std::string verb;  // call, get, let or set; empty when none was given
  std::u16string name;
  bool has_args = false;
  std::vector<Variant> args;
  bool has_value = false;
  Variant value;
};

// Reads a request line (without its line end): an object of known keys,
// each given once, naming exactly one verb, with the values it carries. False
// with a sentence in error for a line that is not one.
bool read_request(std::string_view line, Request& out, std::string& error);

}  // namespace korvane::protocol
