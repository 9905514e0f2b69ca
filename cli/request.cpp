// The request grammar of `korvane eval` (request.h).
#include "cli/request.h"

#include "cli/quoting.h"
#include "cli/value_reader.h"

namespace korvane::protocol {
namespace {

// The keys a request object may have: a verb naming the member, and its
// arguments or value.
constexpr std::string_view kRequestKeys[] = {"call", "get", "let", "set", "args", "value"};
constexpr std::size_t kVerbs = 4;  // the first four keys above

// Most arguments one call passes (Excel passes at most 255).
constexpr std::size_t kMaxArgs = 255;

// The sentence for a request whose keys do not fit its verb, or "": a verb
// given, and the values it takes (only those).
std::string misfit(const Request& req) {
  const std::string& verb = req.verb;
  if (verb.empty()) return "a request names one of call, get, let or set";
  const bool takes_args = verb == "call";
  const bool takes_value = verb == "let" || verb == "set";
  if (req.has_args && !takes_args) return "unexpected key \"args\" in a " + verb + " request";
  if (req.has_value && !takes_value) return "unexpected key \"value\" in a " + verb + " request";
  if (takes_args && !req.has_args) return std::string(kArgsShape);
  if (takes_value && !req.has_value) return "a " + verb + " request needs \"value\"";
  if (verb == "set" && !req.value.is_range())
    return "set assigns a reference: give the value as {\"ref\": ...}";
  return {};
}

}  // namespace

bool read_request(std::string_view line, Request& out, std::string& error) {
  if (!read_request_object(line, out, error)) return false;
  error = misfit(out);
  return error.empty();
}

RequestPart part_after(std::string_view key) {
  if (key == "args") return RequestPart::Args;
  if (key == "value") return RequestPart::Value;
  return RequestPart::Name;
}

bool take_key(std::string_view k, unsigned& seen, Request& request, std::string& error) {
  std::size_t i = 0;
  while (i < std::size(kRequestKeys) && kRequestKeys[i] != k) ++i;
  if (i == std::size(kRequestKeys)) {
    error = "unexpected key " + cli::quoted_text(k) + " in a " +
            (request.verb.empty() ? std::string("request") : request.verb + " request");
    return false;
  }
  if (seen & (1u << i)) {
    error = "the key " + cli::quoted_text(k) + " is given twice";
    return false;
  }
  seen |= 1u << i;
  if (i < kVerbs) {
    if (!request.verb.empty()) {
      error = "a request names exactly one of call, get, let and set";
      return false;
    }
    request.verb = k;
  }
  return true;
}

bool take_argument(Variant v, Request& request, std::string& error) {
  if (request.args.size() == kMaxArgs) {
    error = "a call passes at most " + std::to_string(kMaxArgs) + " arguments";
    return false;
  }
  request.args.push_back(std::move(v));
  return true;
}

std::string name_not_text(const Request& request) {
  return "the name after \"" + request.verb + "\" must be a string";
}

}  // namespace korvane::protocol
