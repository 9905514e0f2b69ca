// korvane: the worksheet functions of the add-in, from the command line.
//
// Exit statuses, for every command: 0 done, 1 a worksheet failure or an
// unreadable book row, 2 a mistake in the command line (an unknown command,
// option or function, a missing argument) or a file or stream that cannot be
// read or written. The command-line parser's own codes never leak out.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/locale_output.h"
#include "cli/parse_errors.h"
#include "cli/quoting.h"
#include "cli/suggest.h"
#include "cli/terminal.h"
#include "cli/tool_formatter.h"
#include "korvane_version.h"

namespace {

using korvane::cli::kUsageError;
using korvane::cli::say;
using korvane::words::Tool;

// The words after `call`'s "--" mark, removed from args; nullopt when call is
// not the command or has no mark before its function name. Only --draw (with
// its three values), --json and the help flags may come before the mark.
std::optional<std::vector<std::string>> split_call_mark(std::vector<std::string>& args) {
  if (args.empty() || args[0] != "call") return std::nullopt;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      std::vector<std::string> after(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      args.resize(i);
      return after;
    }
    if (a == "--draw") {
      i += 3;
    } else if (a != "--json" && a != "-h" && a != "--help") {
      return std::nullopt;  // the function name: everything from here is an argument
    }
  }
  return std::nullopt;
}

// The names of a command's options, without their dashes, for suggestions.
std::vector<std::string> option_names(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* o : app.get_options()) {
    for (const std::string& n : o->get_lnames()) names.push_back(n);
  }
  return names;
}

// The missing argument of a command line (RequiredError says "BOOK is
// required", or "A subcommand is required" when the command is missing), by
// its placeholder in the user's language (账本).
std::string required(const CLI::RequiredError& e) {
  std::string what = e.what();
  constexpr std::string_view kIsRequired = " is required";
  if (!what.ends_with(kIsRequired)) return say(Tool::CommandLine, {what});
  what.resize(what.size() - kIsRequired.size());
  if (what == "A subcommand") what = say(Tool::LabelSubcommand);
  return say(Tool::MissingArgument, {korvane::cli::placeholder(what, korvane::cli::language())});
}

// The parser's own words in --help, in the user's language, lined up by
// display width. The commands added after this inherit them.
void speak_the_users_language(CLI::App& app) {
  app.formatter(std::make_shared<korvane::cli::ToolFormatter>(korvane::cli::language()));
  app.option_defaults()->group(say(Tool::LabelOptionsGroup));
  app.set_help_flag("-h,--help", say(Tool::HelpFlag));
}

// Says what was wrong with the command line of who ("korvane settle") and
// returns the usage status.
int usage(const std::string& who, const std::string& message) {
  std::cerr << who << ": " << message << '\n' << say(Tool::RunHelp, {who}) << '\n';
  return kUsageError;
}

// The mistake in the first of the words no option or positional took (extra,
// from the command line args). After the "--" that ends the options every
// word is an argument, whatever it looks like; before it, a word that starts
// with a dash is an option.
std::string extra_word(const std::vector<std::string>& extra, const std::vector<std::string>& args,
                       const std::vector<std::string>& options) {
  const auto word = std::find_if(extra.begin(), extra.end(), [](auto& w) { return w != "--"; });
  if (word == extra.end()) return say(Tool::UnexpectedArgument);
  const auto mark = std::find(args.begin() + 1, args.end(), "--");
  const bool after_mark = std::find(args.begin() + 1, mark, *word) == mark;
  if (!after_mark && word->size() > 1 && (*word)[0] == '-')
    return korvane::cli::unknown_option(*word, options, korvane::cli::language());
  return say(Tool::UnexpectedArgumentNamed, {korvane::cli::quoted_text(*word)});
}

// The command named by args[0], or nullptr when args[0] names none.
const CLI::App* command_named(const CLI::App& app, const std::vector<std::string>& args) {
  for (const CLI::App* c : app.get_subcommands([](const CLI::App*) { return true; }))
    if (!args.empty() && c->get_name() == args[0]) return c;
  return nullptr;
}

// The first word of the command line that looks like an option and is none
// of command's (app's own before the command), before any "--"; nullptr when
// there is none. An option's values are skipped: -o -x.csv writes to -x.csv.
// call reads its own words from its function name on, and is left to them.
const std::string* unknown_option_word(const CLI::App& app, const std::vector<std::string>& args) {
  const CLI::App* command = command_named(app, args);
  if (command && command->get_name() == "call") return nullptr;
  const CLI::App& options = command ? *command : app;
  for (std::size_t i = command ? 1 : 0; i < args.size() && args[i] != "--"; ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-') {
      if (!command) return nullptr;  // a command or a stray word: not an option's fault
      continue;
    }
    const std::string name = a.substr(0, a.find('='));
    const bool attached = a[1] != '-' && a.size() > 2;  // -oout.csv: -o and its value
    const CLI::Option* o = options.get_option_no_throw(attached ? a.substr(0, 2) : name);
    if (!o || (attached && o->get_items_expected_max() == 0)) return &a;
    if (!attached && name.size() == a.size() && o->get_items_expected_max() > 0)
      i += static_cast<std::size_t>(o->get_items_expected_max());
  }
  return nullptr;
}

// The first --help=... or --version=... of the command line, before any "--";
// nullptr when there is none. They take no value, and the parser would print
// the help whatever the value said (--help=no). call's words from its
// function name on are the function's arguments, whatever they look like.
const std::string* help_given_a_value(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--" || (args[0] == "call" && &a != &args[0] && !a.starts_with('-'))) break;
    if (a.starts_with("--help=") || a.starts_with("--version=")) return &a;
  }
  return nullptr;
}

// The kind of a parser fault, by the parser's exception type.
korvane::cli::ParseFault fault_kind(const CLI::ParseError& e) {
  using korvane::cli::ParseFault;
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) return ParseFault::ArgumentMismatch;
  if (dynamic_cast<const CLI::ConversionError*>(&e)) return ParseFault::Conversion;
  if (dynamic_cast<const CLI::ValidationError*>(&e)) return ParseFault::Validation;
  return ParseFault::Other;
}

// Says what was wrong with the command line args, with a suggestion where a
// word was mistyped, and returns the usage status. An unknown option is the
// first thing said: it is why a required argument looks missing.
int usage_error(const CLI::App& app, const std::vector<std::string>& args,
                const CLI::ParseError& e) {
  const CLI::App* named = command_named(app, args);
  const CLI::App* command = named ? named : &app;
  const std::string who =
      command == &app ? std::string("korvane") : "korvane " + command->get_name();
  const auto language = korvane::cli::language();
  std::string message;
  if (const std::string* unknown = unknown_option_word(app, args)) {
    message = korvane::cli::unknown_option(*unknown, option_names(*command), language);
  } else if (const auto* missing = dynamic_cast<const CLI::RequiredError*>(&e)) {
    message = required(*missing);
  } else if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
    // A command without positionals hands the words after its "--" back to
    // the tool's own parser.
    std::vector<std::string> extra = command->remaining();
    if (extra.empty()) extra = app.remaining();
    message = extra_word(extra, args, option_names(*command));
  } else {
    message = korvane::cli::parse_fault(fault_kind(e), e.what(), language, [&](auto name) {
      const CLI::Option* o = command->get_option_no_throw(std::string(name));
      return o ? korvane::cli::placeholder_of(*o, language) : std::string();
    });
  }
  return usage(who, message);
}

// The first word of dashes alone ("---") among the options of the command
// line, before any "--"; nullptr when there is none. The parser would take
// it for an argument (the book to settle, the function to describe). The
// value of an option is no option, whatever it looks like (-o --- writes to a
// file named ---). call reads its own words: everything from its function
// name on is an argument.
const std::string* stray_dashes(CLI::App& app, const std::vector<std::string>& args) {
  if (korvane::cli::dashes_only(args[0])) return &args[0];
  if (args[0] == "call") return nullptr;
  const CLI::App* command = nullptr;
  for (const CLI::App* c : app.get_subcommands([](CLI::App*) { return true; }))
    if (c->get_name() == args[0]) command = c;
  for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (korvane::cli::dashes_only(args[i])) return &args[i];
    const CLI::Option* o = command && args[i].size() > 1 && args[i][0] == '-'
                               ? command->get_option_no_throw(args[i])
                               : nullptr;
    if (o && o->get_items_expected_max() > 0)
      i += std::min(static_cast<std::size_t>(o->get_items_expected_max()), args.size());
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  korvane::cli::hold_the_standard_descriptors();
  std::ios::sync_with_stdio(false);
  korvane::cli::speak_the_locale_encoding();
#ifdef SIGPIPE
  // A reader that goes away is a write error each command reports and exits
  // non-zero for, not a silent death by signal.
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
  // So is a file that reaches the size limit (ulimit -f): the write fails
  // with EFBIG, and the command says so and leaves its output as it was.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  CLI::App app{say(Tool::AppDescription), "korvane"};
  speak_the_users_language(app);
  app.set_version_flag("--version", "korvane " KORVANE_VERSION, say(Tool::VersionFlag));
  app.require_subcommand(1);
  app.footer(say(Tool::MainFooter));

  std::vector<std::string> args = korvane::cli::command_line_words(argc, argv);
  // "--" ends the options: the command's name may follow it (korvane -- call …),
  // and whatever follows it is taken for one (korvane -- --version names none).
  const bool marked = args.size() > 1 && args[0] == "--";
  if (marked) args.erase(args.begin());
  auto after_mark = split_call_mark(args);
  korvane::cli::add_commands(app, std::move(after_mark));
  for (CLI::App* c : app.get_subcommands([](CLI::App*) { return true; })) {
    c->group(say(Tool::LabelSubcommands));
    if (CLI::Option* help = c->get_help_ptr()) help->group(say(Tool::LabelOptionsGroup));
  }
  if (args.empty()) {
    std::cerr << app.help();
    return kUsageError;
  }
  // The commands, as added (the Windows tool has install, uninstall and status too).
  std::vector<std::string> commands;
  for (const CLI::App* c : app.get_subcommands([](CLI::App*) { return true; }))
    commands.push_back(c->get_name());
  if ((marked || (!args[0].empty() && args[0][0] != '-')) &&
      std::find(commands.begin(), commands.end(), args[0]) == commands.end()) {
    std::string all;
    for (const std::string& c : commands) all += (all.empty() ? "" : ", ") + c;
    const std::string suggestion =
        korvane::cli::did_you_mean(args[0], commands, {}, korvane::cli::language());
    const std::string named = korvane::cli::quoted_text(args[0]);
    std::cerr << "korvane: "
              << (suggestion.empty() ? say(Tool::NoCommand, {named, all})
                                     : say(Tool::NoCommandNear, {named, suggestion}))
              << '\n'
              << say(Tool::RunHelp, {"korvane"}) << '\n';
    return kUsageError;
  }

  // --version prints the version and nothing else: a word after it is a mistake.
  if (args[0] == "--version" && args.size() > 1) {
    const std::vector<std::string> extra(args.begin() + 1, args.end());
    const std::vector<std::string> names = option_names(app);
    // --version --help: an option of the tool's, out of place, is no unknown one.
    if (extra[0].starts_with("--") &&
        std::find(names.begin(), names.end(), extra[0].substr(2)) != names.end())
      return usage("korvane",
                   say(Tool::UnexpectedArgumentNamed, {korvane::cli::quoted_text(extra[0])}));
    return usage("korvane", extra_word(extra, args, names));
  }

  if (const std::string* dashes = stray_dashes(app, args)) {
    const bool top = dashes == &args[0];
    return usage(top ? std::string("korvane") : "korvane " + args[0],
                 korvane::cli::unknown_option(*dashes, {}, korvane::cli::language()));
  }

  if (const std::string* flag = help_given_a_value(args)) {
    const std::size_t equals = flag->find('=');
    const bool top = command_named(app, args) == nullptr;
    return usage(top ? std::string("korvane") : "korvane " + args[0],
                 say(Tool::ValueNotAllowed, {flag->substr(0, equals),
                                             korvane::cli::quoted_text(flag->substr(equals + 1))}));
  }

  std::vector<const char*> parsed{argv[0]};
  for (const std::string& a : args) parsed.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(parsed.size()), parsed.data());
  } catch (const CLI::Success& e) {  // --help, --version: printed, then done
    app.exit(e);
    return korvane::cli::flushed("", 0);
  } catch (const CLI::ParseError& e) {
    return usage_error(app, args, e);
  }
  return korvane::cli::exit_code();
}
