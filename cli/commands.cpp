#include "cli/commands.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "cli/locale_output.h"
#include "words/system_errors.h"

namespace korvane::cli {
namespace {
int g_exit = 0;  // the process's exit status, set by the subcommand that ran
}

words::Language language() { return words::user_language(); }

std::string say(words::Tool what, std::initializer_list<std::string_view> args) {
  return words::say(what, language(), args);
}

void set_exit_code(int code) { g_exit = code; }
int exit_code() { return g_exit; }

std::string reason(int error_number) {
  if (error_number == 0) return {};
  return std::string(language() == words::Language::Chinese ? "：" : ": ") +
         words::system_error(error_number, language());
}

int flushed(std::string_view command, int code) {
  // A write that failed before (a help longer than the stream's buffer) left
  // its reason in errno; one that fails in the flush leaves it there now.
  if (std::cout && bytes_out()) errno = 0;
  bytes_out().flush();
  std::cout.flush();
  if (std::cout && bytes_out()) return code;
  std::cerr << "korvane" << (command.empty() ? "" : " ") << command << ": "
            << say(words::Tool::CannotWriteOutput, {reason(errno)}) << '\n';
  return 2;
}

void add_commands(CLI::App& app, std::optional<std::vector<std::string>> call_after_mark) {
  add_eval(app);
  add_call(app, std::move(call_after_mark));
  add_settle(app);
  add_help(app);
#ifdef _WIN32
  add_install(app);
#endif
}

}  // namespace korvane::cli
