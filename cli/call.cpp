// `korvane call`: one worksheet function from the shell, its arguments typed
// as the cells of a bet book, its result printed as the cell would show it.
#include <iostream>
#include <memory>

#include "cli/book.h"
#include "cli/cell_entry.h"
#include "cli/commands.h"
#include "cli/draw_rows.h"
#include "cli/encoding.h"
#include "cli/locale_output.h"
#include "cli/quoting.h"
#include "cli/suggest.h"
#include "cli/tool_formatter.h"
#include "cli/value_codec.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane::cli {
namespace {

using words::Tool;

struct CallOptions {
  std::vector<std::string> draw;
  bool json = false;
};

constexpr int kUsage = kUsageError;
// The whole command, its placeholders in the user's language.
std::string usage_line() {
  return "korvane call [--draw " + say(Tool::PlaceholderDraw) + "] [--json] " +
         say(Tool::PlaceholderFunction) + " [" + say(Tool::PlaceholderArgument) + "...]";
}

// call --help shows the whole command, the function and its arguments
// included: they are no options the parser knows about.
class CallFormatter final : public ToolFormatter {
 public:
  // The tool's formatter, its labels in the user's language.
  explicit CallFormatter(const ToolFormatter& tool) : ToolFormatter(tool) {}
  std::string make_usage(const CLI::App*, std::string) const override {
    return get_label("Usage") + ": " + usage_line() + "\n";
  }
};

int usage(const std::string& message) {
  std::cerr << "korvane call: " << message << '\n';
  return kUsage;
}

// A word as the cell of a book's row types it: the numbers of a draw as
// lottery numbers, anything else as a cell entry.
Variant typed(const Param& p, const std::string& word) {
  const std::u16string text = to_utf16(word);
  return is_lottery_numbers(p) ? draw_entry(text) : cell_entry(text);
}

// The status of a call that printed its answer: a draw no lottery can draw
// is answered from, as the add-in would, but the call fails, with a warning,
// so that a script checking the status does not pay from it.
int answered(const DrawProblem& draw_problem_seen) {
  if (!draw_problem_seen) return 0;
  std::cerr << "korvane call: "
            << say(Tool::CallDrawWarning,
                   {say(Tool::WellFormedDraw), book::draw_fault(draw_problem_seen, language())})
            << '\n';
  return 1;
}

void print(const Variant& v, bool json) {
  // --json is for a program: its bytes are UTF-8 whatever the locale.
  if (json) {
    bytes_out() << protocol::encode(v) << '\n';
  } else {
    std::cout << to_utf8(shown(v)) << '\n';
  }
}

// words: the function and its arguments; after_mark when they followed "--",
// where nothing is an option.
int run_call(const CallOptions& options, std::vector<std::string> words, bool after_mark) {
  use_utf8_console();
  if (words.empty()) return usage(say(Tool::NameAFunction, {usage_line()}));
  if (!after_mark && words[0].size() > 1 && words[0][0] == '-') {
    // No function name starts with a dash: a mistyped option, before the name.
    return usage(unknown_option(words[0], {"draw", "json", "help"}, language()));
  }

  Draw obj;
  const RangeRef empty_cell = make_cell(Variant());
  DrawProblem draw_problem_seen;  // why a draw loaded here is not one a lottery can draw
  if (!options.draw.empty()) {
    // Each word goes to the parameter that carries its part of the draw,
    // typed as a book's draw row is: the numbers as lottery numbers.
    const Function& loader = book::draw_loader();
    std::vector<Variant> args(loader.params.size(), Variant(empty_cell));
    const DrawPart parts[] = {DrawPart::Year, DrawPart::Numbers, DrawPart::Special};
    for (std::size_t i = 0; i < std::size(parts); ++i) {
      const std::size_t at = parameter_of(loader, parts[i]);
      args[at] = typed(loader.params[at], options.draw[i]);
    }
    call(obj, loader, args);
    draw_problem_seen = loader.draw_rule.problem(obj, args[parameter_of(loader, DrawPart::Year)],
                                                 args[parameter_of(loader, DrawPart::Numbers)]);
  }

  const std::string& name = words[0];
  const Function* m = find_function(to_utf16(name));
  const Property* property = m ? nullptr : find_property(to_utf16(name));
  if (!m && !property) {
    const std::string suggestion = did_you_mean(name, member_names(), {}, language());
    return usage(
        say(Tool::NoFunction,
            {quoted_text(name), suggestion.empty() ? say(Tool::HelpListsThem) : suggestion}));
  }
  const std::size_t given = words.size() - 1;

  if (property) {
    if (given != 0) return usage(say(Tool::PropertyTakesNone, {to_utf8(property->name)}));
    print(property->get(obj), options.json);
    return answered(draw_problem_seen);
  }

  const std::size_t count = m->params.size();
  const std::size_t required = required_argument_count(*m);
  if (given != count && given != required) {
    std::string names;
    for (const Param& p : m->params) {
      if (!names.empty()) names += ", ";
      names += to_utf8(p.name);
    }
    std::string takes = std::to_string(count);
    if (required != count)
      takes = std::to_string(required) + std::string(words::sentence(Tool::Or, language())) + takes;
    return usage(say(count == 1 ? Tool::TakesOneArgument : Tool::TakesArguments,
                     {to_utf8(m->name), takes, names, std::to_string(given)}));
  }

  // A bet on the draw with none loaded would be paid from an empty draw: it
  // is not settled, as a book's row is not.
  if (m->draw == DrawUse::Reads && options.draw.empty()) {
    std::cerr << "korvane call: " << say(Tool::CallWithoutDraw, {to_utf8(m->name)}) << '\n';
    if (options.json) {
      bytes_out() << R"({"fail":"no draw"})" << '\n';
    } else {
      std::cout << say(Tool::NoDraw) << '\n';
    }
    return 1;
  }
  std::vector<Variant> args;
  for (std::size_t i = 1; i < words.size(); ++i) args.push_back(typed(m->params[i - 1], words[i]));
  if (args.size() < count) args.emplace_back(empty_cell);  // 易失 left out: an empty cell

  const CallResult r = call(obj, *m, args);
  if (m->draw == DrawUse::Loads)
    draw_problem_seen = m->draw_rule.problem(obj, args[parameter_of(*m, DrawPart::Year)],
                                             args[parameter_of(*m, DrawPart::Numbers)]);
  if (r.failed) {
    std::cout << (options.json ? R"({"fail":"#VALUE!"})" : "#VALUE!") << '\n';
    return 1;
  }
  print(r.value, options.json);
  return answered(draw_problem_seen);
}

}  // namespace

void add_call(CLI::App& app, std::optional<std::vector<std::string>> after_mark) {
  auto options = std::make_shared<CallOptions>();
  CLI::App* cmd = app.add_subcommand("call", say(Tool::CallDescription, {usage_line()}));
  cmd->add_option("--draw", options->draw, say(Tool::CallDrawOption))
      ->expected(3)
      ->allow_extra_args(false)
      ->type_name(std::string(words::sentence(Tool::PlaceholderDraw, words::Language::English)))
      ->option_text(say(Tool::PlaceholderDraw));
  cmd->add_flag("--json", options->json, say(Tool::CallJsonOption));
  // Everything from the function name on is an argument, "-5" included.
  cmd->prefix_command();
  const auto tool = std::dynamic_pointer_cast<ToolFormatter>(app.get_formatter());
  cmd->formatter(std::make_shared<CallFormatter>(tool ? *tool : ToolFormatter(language())));
  cmd->footer(say(Tool::CallFooter));
  auto mark = std::make_shared<std::optional<std::vector<std::string>>>(std::move(after_mark));
  cmd->callback([cmd, options, mark] {
    // After a "--" every word is the function or an argument, whatever it looks like.
    std::vector<std::string> words = *mark ? **mark : cmd->remaining();
    set_exit_code(flushed("call", run_call(*options, std::move(words), mark->has_value())));
  });
}

}  // namespace korvane::cli
