// The request grammar of `korvane eval`: what one request line may say.
//
// A request is one JSON object naming exactly one verb, the member it acts
// on, and what that verb takes: {"call": NAME, "args": [VALUES]},
// {"get": NAME}, {"let": NAME, "value": VALUE}, {"set": NAME, "value":
// {"ref": ...}}. Each key is known and given once. Every rule of that, and
// every sentence for a line that breaks one, is here; the values inside are
// read by the value reader (value_reader.h) in the same single pass that
// reads the request, so that a line of millions of cells costs one variant a
// cell and never a document tree. What the backend then answers is the eval
// session's (protocol.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/variant.h"

namespace korvane::protocol {

// What a request line carries once read.
struct Request {
  std::string verb;  // call, get, let or set; empty when none was given
  std::u16string name;
  bool has_args = false;
  std::vector<Variant> args;
  bool has_value = false;
  Variant value;
};

// The sentence for a call request without its arguments.
inline constexpr std::string_view kArgsShape = "a call request needs \"args\": an array of values";

// Reads a request line (without its line end): an object of known keys,
// each given once, naming exactly one verb, with the values that verb takes
// (call its arguments; let a value; set a reference). False with a sentence
// in error for a line that is not one.
bool read_request(std::string_view line, Request& out, std::string& error);

// ---- the rules the value reader applies while it reads a request ----

// What the value after a request's key stands for.
enum class RequestPart { Name, Args, Value };
RequestPart part_after(std::string_view key);

// Takes the key k of a request object: a known key (seen holds one bit for
// each taken so far), not given before, and at most one verb among them.
// False with the sentence in error.
bool take_key(std::string_view k, unsigned& seen, Request& request, std::string& error);

// Takes one more argument of a call; false with the sentence in error past
// the most one call passes.
bool take_argument(Variant v, Request& request, std::string& error);

// The sentence for a member's name that is not a string.
std::string name_not_text(const Request& request);

}  // namespace korvane::protocol
