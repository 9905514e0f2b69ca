// The command-line parser's faults in the tool's own words.
//
// The parser (CLI11) says what went wrong in English sentences of its own
// ("--draw: At least 3 required but received 1"). A Chinese bookkeeper reads
// them inside a Chinese report, so each fault the tool's command lines can
// meet is read back into what it is about (the option, the value, the counts)
// and said again from the words table, in the user's language. A fault the
// tool does not know is passed on as the parser said it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "words/language.h"

namespace korvane::cli {

// The kinds of parser fault, as the parser's exception types tell them.
enum class ParseFault {
  ArgumentMismatch,  // too few or too many values for an option
  Conversion,        // a value the option cannot take (a switch given one)
  Validation,        // a value an option's check refused
  Other,
};

// The placeholder of an option's values (its type name, "TEXT", "YEAR
// NUMBERS SPECIAL") in language; an unknown one as it is.
std::string placeholder(std::string_view english, words::Language language);

// What the parser said (what, of kind), in language. values_of gives the
// placeholder of an option's values ("--draw" → "年份 平码 特码").
std::string parse_fault(ParseFault kind, std::string_view what, words::Language language,
                        const std::function<std::string(std::string_view option)>& values_of);

}  // namespace korvane::cli
