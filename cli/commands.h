// The subcommands of the korvane tool. Each adds itself to the app and sets
// the process exit code through set_exit_code.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "words/tool.h"

namespace korvane::cli {

// after_mark: for `korvane call [OPTIONS] -- FUNCTION [ARG...]`, the words
// after the "--", which the command-line parser never sees (it would read
// them as its own positionals, reversed); empty when there was no mark.
void add_commands(CLI::App& app, std::optional<std::vector<std::string>> call_after_mark);

void add_eval(CLI::App& app);
void add_call(CLI::App& app, std::optional<std::vector<std::string>> after_mark);
void add_settle(CLI::App& app);
void add_help(CLI::App& app);
#ifdef _WIN32
void add_install(CLI::App& app);  // install, uninstall, status (Windows): install_commands.cpp
#endif

// A sentence for the person at the terminal, in the language of this run
// (the locale's on Linux, the display language's on Windows).
std::string say(words::Tool what, std::initializer_list<std::string_view> args = {});
words::Language language();

void set_exit_code(int code);
int exit_code();

// The status usage errors exit with: a mistake in the command line.
inline constexpr int kUsageError = 2;

// ": " and the system's sentence for an errno value (": No space left on
// device"), or nothing for 0.
std::string reason(int error_number);

// Flushes standard output once a command has printed everything. When it
// cannot be written (a full disk, a closed pipe), says so on standard error
// and returns 2; otherwise returns code. A command's result is never taken
// as delivered when it was not.
int flushed(std::string_view command, int code);

}  // namespace korvane::cli
