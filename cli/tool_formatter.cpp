// The tool's --help formatter (see tool_formatter.h).
#include "cli/tool_formatter.h"

#include "cli/cell_entry.h"
#include "cli/parse_errors.h"
#include "core/text.h"
#include "words/tool.h"

namespace korvane::cli {
namespace {

std::size_t columns(const std::string& utf8) { return display_columns(to_utf16(utf8)); }

}  // namespace

ToolFormatter::ToolFormatter(words::Language language) : language_(language) {
  // The parser's labels, and the placeholders it shows after an option.
  const struct {
    const char* key;
    words::Tool label;
  } labels[] = {{"Usage", words::Tool::LabelUsage},
                {"OPTIONS", words::Tool::LabelOptions},
                {"SUBCOMMAND", words::Tool::LabelSubcommand},
                {"Positionals", words::Tool::LabelPositionals},
                {"REQUIRED", words::Tool::LabelRequired}};
  for (const auto& l : labels) label(l.key, words::say(l.label, language));
  for (const words::Tool t :
       {words::Tool::LabelText, words::Tool::PlaceholderDraw, words::Tool::PlaceholderEncoding}) {
    const std::string english(words::sentence(t, words::Language::English));
    label(english, placeholder(english, language));
  }
}

std::string ToolFormatter::entry(const std::string& name, const std::string& description) const {
  // 1. The name, padded to the column by what the screen shows.
  std::string out = "  " + name;
  const std::size_t used = 2 + columns(name);
  if (description.empty()) return out + "\n";
  // 2. A name that reaches the column puts the description on the next line.
  if (used >= column_width_) {
    out += "\n" + std::string(column_width_, ' ');
  } else {
    out += std::string(column_width_ - used, ' ');
  }
  // 3. Each line of the description from the column.
  for (const char c : description) {
    out += c;
    if (c == '\n') out += std::string(column_width_, ' ');
  }
  return out + "\n";
}

std::string ToolFormatter::make_option(const CLI::Option* opt, bool is_positional) const {
  return entry(make_option_name(opt, is_positional) + make_option_opts(opt), make_option_desc(opt));
}

std::string ToolFormatter::make_option_name(const CLI::Option* opt, bool is_positional) const {
  if (!is_positional) return CLI::Formatter::make_option_name(opt, is_positional);
  return placeholder(opt->get_name(true, false), language_);
}

std::string ToolFormatter::make_subcommand(const CLI::App* sub) const {
  return entry(sub->get_display_name(true), sub->get_description());
}

std::string placeholder_of(const CLI::Option& option, words::Language language) {
  if (option.get_positional()) return placeholder(option.get_name(true, false), language);
  if (!option.get_option_text().empty()) return option.get_option_text();  // already said so
  const std::string type = option.get_type_name();
  return placeholder(type.substr(0, type.find(':')), language);
}

}  // namespace korvane::cli
