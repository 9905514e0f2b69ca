// korvane_completion: writes the data half of the tool's bash completion
// (cli/korvane-completion.bash is the other half, the logic) from the tool
// itself: its commands and their options as the command-line parser is given
// them, and the names `call` and `help` take from the member list (the
// worksheet functions and the draw-state properties). A new command, option or
// function is completed in the next build without anyone listing it.
//
// What it writes, as bash functions (globals would become locals when
// bash-completion sources the file from inside its loader):
//   _korvane_commands              the commands
//   _korvane_options COMMAND       the options a person may type ("" for the tool's own)
//   _korvane_arity COMMAND:OPTION  how many words follow the option (0 for a flag)
//   _korvane_choices COMMAND:OPTION the values an option accepts, when it names them
//   _korvane_operand COMMAND       what the words after the options are:
//                                  function (a member name), file, or none
//   _korvane_names                 the worksheet functions and the properties
//
//   usage: korvane_completion > data.bash
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace {

using korvane::to_utf8;

// A word for bash, in single quotes (no name or option holds one, but a
// quote would otherwise end the list).
std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string words(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& w : list) out += " " + quoted(w);
  return out;
}

// The options of a command a person sees in its --help: the hidden ones (an
// empty group, the uninstaller's own) are left out.
std::vector<const CLI::Option*> shown_options(const CLI::App& app) {
  std::vector<const CLI::Option*> out;
  for (const CLI::Option* o : app.get_options()) {
    if (o->nonpositional() && !o->get_group().empty()) out.push_back(o);
  }
  return out;
}

std::vector<std::string> names_of(const CLI::Option& o) {
  std::vector<std::string> out;
  for (const std::string& n : o.get_snames()) out.push_back("-" + n);
  for (const std::string& n : o.get_lnames()) out.push_back("--" + n);
  return out;
}

// The values a member check names ("{utf-8,gb18030}"), or none.
std::vector<std::string> choices_of(const CLI::Option& o) {
  std::vector<std::string> out;
  for (int i = 0;; ++i) {
    const CLI::Validator* v = nullptr;
    try {
      v = const_cast<CLI::Option&>(o).get_validator(i);
    } catch (const CLI::OptionNotFound&) {
      return out;
    }
    const std::string d = v->get_description();
    if (d.size() < 2 || d.front() != '{' || d.back() != '}') continue;
    std::string value;
    for (char c : d.substr(1, d.size() - 2) + ",") {
      if (c != ',') {
        value += c;
      } else if (!value.empty()) {
        out.push_back(value);
        value.clear();
      }
    }
  }
}

// What the words after a command's options are: call's first word and
// help's positional are member names; any other positional is a file.
std::string operand_of(const CLI::App& command) {
  if (command.get_prefix_command()) return "function";
  for (const CLI::Option* o : command.get_options()) {
    if (o->get_positional()) return o->get_name() == "FUNCTION" ? "function" : "file";
  }
  return "none";
}

void write_command(const std::string& key, const CLI::App& app, std::string& options,
                   std::string& arity, std::string& choices) {
  std::vector<std::string> all;
  for (const CLI::Option* o : shown_options(app)) {
    const std::vector<std::string> n = names_of(*o);
    all.insert(all.end(), n.begin(), n.end());
    const int count = o->get_items_expected_max();
    for (const std::string& name : n) {
      const std::string pattern = quoted(key + ":" + name);
      if (count > 0) arity += "    " + pattern + ") echo " + std::to_string(count) + " ;;\n";
      const std::vector<std::string> c = choices_of(*o);
      if (!c.empty()) choices += "    " + pattern + ") printf '%s\\n'" + words(c) + " ;;\n";
    }
  }
  options += "    " + quoted(key) + ") printf '%s\\n'" + words(all) + " ;;\n";
}

}  // namespace

int main() {
  CLI::App app{"korvane", "korvane"};
  app.set_version_flag("--version", "");
  korvane::cli::add_commands(app, std::nullopt);

  std::vector<std::string> commands;
  std::string options, arity, choices, operand;
  write_command("", app, options, arity, choices);
  for (const CLI::App* c : app.get_subcommands([](CLI::App*) { return true; })) {
    commands.push_back(c->get_name());
    write_command(c->get_name(), *c, options, arity, choices);
    operand += "    " + quoted(c->get_name()) + ") echo " + operand_of(*c) + " ;;\n";
  }
  std::vector<std::string> names;
  for (const korvane::Function& f : korvane::functions()) names.push_back(to_utf8(f.name));
  for (const korvane::Property& p : korvane::properties()) names.push_back(to_utf8(p.name));

  std::cout << "# Written by korvane_completion from the korvane tool's own commands and\n"
               "# member list: edit cli/completion.cpp, not this part.\n"
            << "_korvane_commands() { printf '%s\\n'" << words(commands) << "; }\n"
            << "_korvane_names() { printf '%s\\n'" << words(names) << "; }\n"
            << "_korvane_options() {\n  case $1 in\n"
            << options << "  esac\n}\n"
            << "_korvane_arity() {\n  case $1 in\n"
            << arity << "    *) echo 0 ;;\n  esac\n}\n"
            << "_korvane_choices() {\n  case $1 in\n"
            << choices << "  esac\n}\n"
            << "_korvane_operand() {\n  case $1 in\n"
            << operand << "    *) echo none ;;\n  esac\n}\n";
  std::cout.flush();
  return std::cout ? 0 : 1;
}
