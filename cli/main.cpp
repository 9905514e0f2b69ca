// korvane: the worksheet functions of the add-in, from the command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "korvane_version.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  CLI::App app{"korvane — the Korvane worksheet functions without Excel"};
  app.set_version_flag("--version", "korvane " KORVANE_VERSION);
  app.require_subcommand(1);
  korvane::cli::add_commands(app);
  CLI11_PARSE(app, argc, argv);
  return korvane::cli::exit_code();
}
