#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/locale_output.h"
#include "cli/protocol.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/com_backend.h"
#endif

namespace korvane::cli {
namespace {

// The exit status once serving ended: 0 when the input simply ran out; 2, with
// a message, when it could not be read or the answers could not be written,
// so that a caller never takes a cut-short run for a complete one.
int ended(const protocol::Served& s) {
  switch (s.end) {
    case protocol::Served::End::InputEnded:
      return 0;
    case protocol::Served::End::InputFailed:
      std::cerr << "korvane eval: " << say(words::Tool::CannotReadInput, {reason(s.error_number)})
                << '\n';
      return 2;
    case protocol::Served::End::OutputFailed:
      std::cerr << "korvane eval: " << say(words::Tool::CannotWriteOutput, {reason(s.error_number)})
                << '\n';
      return 2;
  }
  return 2;
}

}  // namespace

void add_eval(CLI::App& app) {
  CLI::App* eval = app.add_subcommand("eval", say(words::Tool::EvalDescription));
  auto com = std::make_shared<bool>(false);
#ifdef _WIN32
  eval->add_flag("--com", *com, say(words::Tool::EvalComOption));
#endif
  eval->callback([com] {
#ifdef _WIN32
    // Lines end in \n alone, as on every other system.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    if (*com) {
      std::string error;
      auto backend = protocol::make_com_backend(error);
      if (!backend) {
        std::cerr << "korvane eval --com: " << error << '\n';
        set_exit_code(1);
        return;
      }
      set_exit_code(ended(protocol::serve(*backend, std::cin, bytes_out())));
      return;
    }
#endif
    auto backend = protocol::make_native_backend();
    set_exit_code(ended(protocol::serve(*backend, std::cin, bytes_out())));
  });
}

}  // namespace korvane::cli
