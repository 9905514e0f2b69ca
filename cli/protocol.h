// `korvane eval`: the JSON Lines protocol through which programs, test suites
// and people call the worksheet functions without Excel.
//
// One request object per line in, exactly one answer object per request line
// out, in order, flushed after each. Every value is a JSON encoding of one
// automation variant (null, a number, a string, a boolean, {"int": n},
// {"long": n}, {"error": "#N/A"}, {"ref": ...}, {"array": [[...]]}).
//
// This room is the eval session: each request line, once the request grammar
// (request.h) has read it, answered by a backend, and the line server around
// it. Values are written and read by the value codec; the session touches the
// backends through Backend only.
//
// The protocol is spoken against a backend: the add-in object in this process,
// or (on Windows) the registered COM class called late-bound as Excel calls it.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "cli/request.h"
#include "cli/value_codec.h"
#include "core/variant.h"

namespace korvane::protocol {

// What a backend answers for one request.
struct Outcome {
  enum class Kind { Result, Fail, Fault } kind = Kind::Result;
  Variant value;        // Result
  std::string message;  // Fault: a sentence saying what is wrong with the request

  static Outcome result(Variant v) { return {Kind::Result, std::move(v), {}}; }
  static Outcome fail() { return {Kind::Fail, {}, {}}; }
  static Outcome fault(std::string m) { return {Kind::Fault, {}, std::move(m)}; }
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Outcome call(std::u16string_view name, std::span<const Variant> args) = 0;
  virtual Outcome get(std::u16string_view name) = 0;
  // Assigns a value; a Range assigned by let stores the Range's value.
  virtual Outcome let(std::u16string_view name, const Variant& value) = 0;
  // Assigns an object reference; value is always a Range.
  virtual Outcome set(std::u16string_view name, const Variant& value) = 0;
};

// The backend over one add-in object in this process.
std::unique_ptr<Backend> make_native_backend();

// Longest request line read; a longer one is answered with a fault and skipped.
inline constexpr std::size_t kMaxLine = 32u << 20;

// Answers one request line (without its line end). An empty string means the
// line was blank and gets no answer.
std::string answer(Backend& backend, std::string_view line);

// How serving ended: the input ran out, or it could not be read, or the
// answers could not be written (a full disk, a closed pipe). In the last two
// cases error_number holds the system's reason (errno), or 0 when none is
// known.
struct Served {
  enum class End { InputEnded, InputFailed, OutputFailed } end = End::InputEnded;
  int error_number = 0;
};

// Reads requests from in until it ends, writing one answer line each to out.
// Stops at the first failure to read or to write.
Served serve(Backend& backend, std::istream& in, std::ostream& out);

}  // namespace korvane::protocol
