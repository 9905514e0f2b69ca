// Fuzz target: request lines of `korvane eval`.
//
// The input is split into lines as `korvane eval` splits standard input, and
// every line is answered by one native backend: one input is one process, so a
// line can load a draw that the following lines settle against. Each answer
// must be what the protocol promises: nothing for a blank line, otherwise one
// JSON object on one line with exactly one of result, fail or fault, and a
// result that decodes back to a value which encodes to the same text, and
// that a let request takes back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli/protocol.h"

namespace {

using korvane::Variant;
namespace protocol = korvane::protocol;

[[noreturn]] void broken(std::string_view what, std::string_view line, std::string_view answer) {
  std::fprintf(stderr, "%.*s\nrequest: %.*s\nanswer:  %.*s\n", int(what.size()), what.data(),
               int(line.size() > 2000 ? 2000 : line.size()), line.data(),
               int(answer.size() > 2000 ? 2000 : answer.size()), answer.data());
  std::abort();
}

bool blank(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// encode() writes a lone surrogate as a \udXXX escape (and no other surrogate
// escapes), which nlohmann::json refuses. For the check of an answer's shape
// only, replaces each by \ufffd.
void neutralise_lone_surrogates(std::string& json) {
  for (std::size_t at = json.find("\\ud"); at != std::string::npos;
       at = json.find("\\ud", at + 1)) {
    if (at + 5 < json.size() &&
        std::string_view("89abcdef").find(json[at + 3]) != std::string_view::npos)
      json.replace(at + 2, 4, "fffd");
  }
}

void check_answer(std::string_view line, const std::string& answer) {
  if (blank(line)) {
    if (!answer.empty()) broken("a blank line was answered", line, answer);
    return;
  }
  if (answer.empty()) broken("a request line got no answer", line, answer);
  if (answer.find('\n') != std::string::npos) broken("an answer spans lines", line, answer);
  std::string readable = answer;
  neutralise_lone_surrogates(readable);
  const nlohmann::json j = nlohmann::json::parse(readable, nullptr, false);
  if (j.is_discarded() || !j.is_object() || j.size() != 1)
    broken("an answer is not a one-key JSON object", line, answer);
  const auto first = j.begin();
  const std::string& key = first.key();
  const nlohmann::json& value = first.value();
  if (key == "fault") {
    if (!value.is_string()) broken("a fault without its sentence", line, answer);
  } else if (key == "fail") {
    if (value != "#VALUE!") broken("a failure other than #VALUE!", line, answer);
  } else if (key == "result") {
    // Results use the argument encoding, losslessly, a lone surrogate (p2
    // after 验证 of a text of emoji) included: what eval writes it reads back.
    constexpr std::string_view kHead = R"({"result":)";
    if (!answer.starts_with(kHead)) broken("a result answer out of shape", line, answer);
    const std::string text = answer.substr(kHead.size(), answer.size() - kHead.size() - 1);
    Variant v;
    std::string error;
    if (!protocol::decode(text, v, error))
      broken("a result does not decode: " + error, line, answer);
    if (protocol::encode(v) != text) broken("a result does not encode back the same", line, answer);
    // ... and a request takes it back as it came: let of any value is no fault.
    const auto scratch = protocol::make_native_backend();
    const std::string let = protocol::answer(*scratch, R"({"let":"t","value":)" + text + "}");
    if (let.starts_with(R"({"fault")"))
      broken("a result is refused as a value: " + let, line, answer);
  } else {
    broken("an answer with an unknown key", line, answer);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto backend = protocol::make_native_backend();
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    std::string_view line = input.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (end < input.size() || !line.empty()) check_answer(line, protocol::answer(*backend, line));
    start = end + 1;
  }
  return 0;
}
