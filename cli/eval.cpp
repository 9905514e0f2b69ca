#include <iostream>

#include "cli/commands.h"
#include "cli/protocol.h"

namespace korvane::cli {

void add_eval(CLI::App& app) {
  CLI::App* eval = app.add_subcommand(
      "eval", "Answer JSON Lines requests on standard input (one add-in object per process)");
  eval->callback([] {
    auto backend = protocol::make_native_backend();
    protocol::serve(*backend, std::cin, std::cout);
  });
}

}  // namespace korvane::cli
