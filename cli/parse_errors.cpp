// The command-line parser's faults in the tool's own words (see
// parse_errors.h). Each of the parser's sentences is matched by its fixed
// words around the parts it names.
#include "cli/parse_errors.h"

#include <optional>
#include <vector>

#include "cli/quoting.h"
#include "words/tool.h"

namespace korvane::cli {
namespace {

using words::Tool;

// The parts of text between the fixed pieces of a pattern: "{} at {} of {}"
// with pieces {"", " at ", " of ", ""}. nullopt when text does not match.
std::optional<std::vector<std::string>> match(std::string_view text,
                                              std::initializer_list<std::string_view> pieces) {
  // 1. The text starts with the first piece.
  auto piece = pieces.begin();
  if (!text.starts_with(*piece)) return std::nullopt;
  text.remove_prefix(piece->size());
  // 2. Each part runs to the next piece (the last piece ends the text).
  std::vector<std::string> parts;
  for (++piece; piece != pieces.end(); ++piece) {
    const bool last = piece + 1 == pieces.end();
    const std::size_t at =
        last ? (text.ends_with(*piece) ? text.size() - piece->size() : std::string_view::npos)
             : text.find(*piece);
    if (at == std::string_view::npos) return std::nullopt;
    parts.emplace_back(text.substr(0, at));
    text.remove_prefix(at + piece->size());
  }
  return parts;
}

std::optional<std::string> mismatch(std::string_view what, words::Language language,
                                    const std::function<std::string(std::string_view)>& values_of) {
  // "takes 1 value", "takes 3 values": the English plural follows the count.
  const auto takes = [&](const std::string& option, const std::string& count,
                         const std::string& got) {
    return words::say(count == "1" ? Tool::OptionTakesOneValue : Tool::OptionTakesValues, language,
                      {option, count, values_of(option), got});
  };
  if (auto p = match(what, {"", ": At least ", " required but received ", ""}))
    return takes((*p)[0], (*p)[1], (*p)[2]);
  if (auto p = match(what, {"Expected exactly ", " arguments to ", ", got ", ""}))
    return takes((*p)[1], (*p)[0], (*p)[2]);
  if (auto p = match(what, {"Expected at least ", " arguments to ", ", got ", ""}))
    return takes((*p)[1], (*p)[0], (*p)[2]);
  if (auto p = match(what, {"", ": At Most ", " required but received ", ""}))
    return words::say((*p)[1] == "1" ? Tool::OptionTakesAtMostOne : Tool::OptionTakesAtMost,
                      language, {(*p)[0], (*p)[1], (*p)[2]});
  // The parser names the values by their type, with its checks' values
  // after a colon; the option's own placeholder is said first.
  const auto values = [&](const std::string& option, const std::string& type) {
    const std::string named = values_of(option);
    return named.empty() ? placeholder(type.substr(0, type.find(':')), language) : named;
  };
  if (auto p = match(what, {"", ": 1 required ", " missing"}))
    return words::say(Tool::OptionNeedsValue, language, {(*p)[0], values((*p)[0], (*p)[1])});
  if (auto p = match(what, {"", ": ", " required ", " missing"}))
    return words::say(Tool::OptionTakesValues, language,
                      {(*p)[0], (*p)[1], values((*p)[0], (*p)[2]), "0"});
  if (auto p = match(what, {"", " was given a disallowed flag override"}))
    return words::say(Tool::SwitchTakesNoValue, language, {(*p)[0]});
  return std::nullopt;
}

std::optional<std::string> conversion(std::string_view what, words::Language language) {
  if (auto p = match(what, {"", ": too many inputs for a flag"}))
    return words::say(Tool::SwitchTakesNoValue, language, {(*p)[0]});
  if (auto p = match(what, {"", ": Should be true/false or a number"}))
    return words::say(Tool::SwitchTakesNoValue, language, {(*p)[0]});
  if (auto p = match(what, {"The value ", " is not an allowed value for ", ""}))
    return words::say(Tool::ValueNotAllowed, language, {(*p)[1], quoted_text((*p)[0])});
  if (auto p = match(what, {"Could not convert: ", " = ", ""}))
    return words::say(Tool::ValueNotAllowed, language, {(*p)[0], quoted_text((*p)[1])});
  return std::nullopt;
}

// A check's refusal: "--output: <the check's own sentence>".
std::optional<std::string> validation(std::string_view what, words::Language language) {
  if (auto p = match(what, {"", ": ", ""}))
    return words::say(Tool::OptionValue, language, {(*p)[0], (*p)[1]});
  return std::nullopt;
}

}  // namespace

std::string placeholder(std::string_view english, words::Language language) {
  constexpr Tool kPlaceholders[] = {Tool::LabelText,           Tool::PlaceholderBook,
                                    Tool::PlaceholderFunction, Tool::PlaceholderDraw,
                                    Tool::PlaceholderArgument, Tool::PlaceholderEncoding};
  for (const Tool t : kPlaceholders)
    if (words::sentence(t, words::Language::English) == english)
      return std::string(words::sentence(t, language));
  return std::string(english);
}

std::string parse_fault(ParseFault kind, std::string_view what, words::Language language,
                        const std::function<std::string(std::string_view option)>& values_of) {
  std::optional<std::string> said;
  if (kind == ParseFault::ArgumentMismatch) said = mismatch(what, language, values_of);
  if (kind == ParseFault::Conversion) said = conversion(what, language);
  if (kind == ParseFault::Validation) said = validation(what, language);
  if (said) return *said;
  const std::string shown = what.size() > 2 * kQuotedMax ? quoted_text(what) : std::string(what);
  return words::say(Tool::CommandLine, language, {shown});
}

}  // namespace korvane::cli
