// --help in the user's language and lined up on the screen.
//
// The parser lays out --help by bytes: a Chinese option description or
// placeholder (账本, 年份 平码 特码) takes two columns a character on a
// terminal but three bytes, and the columns after it drift. The tool's
// formatter lines up by display columns, names the positionals by their
// placeholder in the user's language (BOOK is 账本), and says the parser's
// labels (Usage, OPTIONS, TEXT) in it.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "words/language.h"

namespace korvane::cli {

class ToolFormatter : public CLI::Formatter {
 public:
  explicit ToolFormatter(words::Language language);

  std::string make_option(const CLI::Option* opt, bool is_positional) const override;
  std::string make_option_name(const CLI::Option* opt, bool is_positional) const override;
  std::string make_subcommand(const CLI::App* sub) const override;

  // One entry of a list: "  " and name, then description from the column
  // (on the next line when name reaches it), each line of it indented so.
  std::string entry(const std::string& name, const std::string& description) const;

 private:
  words::Language language_;
};

// The placeholder names an option's values go by, English to the user's
// language, for the messages that name an option's values.
std::string placeholder_of(const CLI::Option& option, words::Language language);

}  // namespace korvane::cli
