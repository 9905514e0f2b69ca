#include "cli/commands.h"

namespace korvane::cli {
namespace {
int g_exit = 0;  // the process's exit status, set by the subcommand that ran
}

void set_exit_code(int code) { g_exit = code; }
int exit_code() { return g_exit; }

void add_commands(CLI::App& app) {
  add_eval(app);
  add_call(app);
  add_settle(app);
  add_help(app);
#ifdef _WIN32
  add_install(app);
#endif
}

}  // namespace korvane::cli
