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
#include "cli/protocol.h"
#include "cli/suggest.h"
#include "korvane_version.h"

namespace {

using korvane::cli::kUsageError;

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

// Says what was wrong with the command line, with a suggestion where a word
// was mistyped, and returns the usage status.
int usage_error(const CLI::App& app, const CLI::ParseError& e) {
  const CLI::App* command = app.get_subcommands().empty() ? &app : app.get_subcommands().front();
  const std::string who =
      command == &app ? std::string("korvane") : "korvane " + command->get_name();
  std::string message = e.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
    const std::vector<std::string> extra = command->remaining();
    const std::string first = extra.empty() ? std::string() : extra.front();
    if (first.size() > 1 && first[0] == '-') {
      const std::string bare = first.substr(first.find_first_not_of('-'));
      message = "unknown option " + korvane::protocol::quoted_text(first) +
                korvane::cli::did_you_mean(bare, option_names(*command), "--");
    } else {
      message = "unexpected argument " + korvane::protocol::quoted_text(first);
    }
  } else if (message.size() > 2 * korvane::protocol::kQuotedMax) {
    message = korvane::protocol::quoted_text(message);
  }
  std::cerr << who << ": " << message << "\nRun " << who << " --help for more information.\n";
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
#ifdef SIGPIPE
  // A reader that goes away is a write error each command reports and exits
  // non-zero for, not a silent death by signal.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  CLI::App app{"korvane — the Korvane worksheet functions without Excel", "korvane"};
  app.set_version_flag("--version", "korvane " KORVANE_VERSION);
  app.require_subcommand(1);

  std::vector<std::string> args(argv + 1, argv + argc);
  auto after_mark = split_call_mark(args);
  korvane::cli::add_commands(app, std::move(after_mark));
  if (args.empty()) {
    std::cerr << app.help();
    return kUsageError;
  }
  // The commands, as added (the Windows tool has install, uninstall and status too).
  std::vector<std::string> commands;
  for (const CLI::App* c : app.get_subcommands([](CLI::App*) { return true; }))
    commands.push_back(c->get_name());
  if (!args[0].empty() && args[0][0] != '-' &&
      std::find(commands.begin(), commands.end(), args[0]) == commands.end()) {
    std::string all;
    for (const std::string& c : commands) all += (all.empty() ? "" : ", ") + c;
    const std::string near = korvane::cli::did_you_mean(args[0], commands);
    std::cerr << "korvane: no command is named " << korvane::protocol::quoted_text(args[0])
              << (near.empty() ? " (the commands are " + all + ")" : near)
              << "\nRun korvane --help for more information.\n";
    return kUsageError;
  }

  std::vector<const char*> parsed{argv[0]};
  for (const std::string& a : args) parsed.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(parsed.size()), parsed.data());
  } catch (const CLI::Success& e) {  // --help, --version: printed, then done
    app.exit(e);
    return korvane::cli::flushed("", 0);
  } catch (const CLI::ParseError& e) {
    return usage_error(app, e);
  }
  return korvane::cli::exit_code();
}
