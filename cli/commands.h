// The subcommands of the korvane tool. Each adds itself to the app and sets
// the process exit code through set_exit_code.
#pragma once

#include <CLI/CLI.hpp>

namespace korvane::cli {

void add_commands(CLI::App& app);

void add_eval(CLI::App& app);
void add_call(CLI::App& app);
void add_settle(CLI::App& app);
void add_help(CLI::App& app);
#ifdef _WIN32
void add_install(CLI::App& app);  // install, uninstall, status: install/installer.cpp
#endif

void set_exit_code(int code);
int exit_code();

}  // namespace korvane::cli
