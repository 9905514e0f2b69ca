// `korvane help`: the member list in Chinese and English, or one function
// with its parameters, its result and an example for `korvane call`.
#include <algorithm>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cell_entry.h"
#include "cli/commands.h"
#include "cli/encoding.h"
#include "cli/locale_output.h"
#include "cli/quoting.h"
#include "cli/suggest.h"
#include "cli/terminal.h"
#include "cli/value_codec.h"
#include "core/custom_functions.h"
#include "core/example_words.h"
#include "core/text.h"

namespace korvane::cli {
namespace {

using words::Tool;

// The draw the examples settle against, as `korvane call` loads it: the one
// the loading function's own example loads (the 2013 draw of the
// bookkeepers' worked examples).
std::string example_draw() { return "--draw " + std::string(loading_function().example.args); }

// Whether a function reads the draw 验证 loads: the eight bet functions and
// 求和1 (which tests it for an undrawn draw). Their examples load one first.
bool reads_draw(const Function& m) { return m.draw == DrawUse::Reads; }

std::string utf8(std::u16string_view s) { return to_utf8(s); }

std::string padded(std::u16string_view s, std::size_t width) {
  const std::size_t w = display_columns(s);
  return utf8(s) + std::string(w < width ? width - w : 1, ' ');
}

// What the example prints, as the cell would show it.
std::string example_result(const Function& m) {
  Variant v;
  std::string error;
  if (!protocol::decode(m.example.answer, v, error)) return "";
  return "→ " + utf8(shown(v));
}

// What a function hands back, in the user's language.
std::string_view returns(const Function& m) {
  return language() == words::Language::Chinese ? m.returns_zh : m.returns_en;
}

std::string signature(const Function& m) {
  std::string out = utf8(m.name) + "(";
  for (std::size_t i = 0; i < m.params.size(); ++i) {
    if (i) out += ", ";
    out += utf8(m.params[i].name);
  }
  return out + ")";
}

void list_members() {
  std::cout << say(Tool::HelpIntro) << "\n\n";
  for (const Function& m : functions()) {
    std::cout << signature(m) << '\n' << "    " << m.zh << '\n' << "    " << m.en << '\n';
  }
  std::cout << '\n' << say(Tool::HelpProperties, {example_draw()}) << '\n';
  for (const Property& m : properties()) {
    std::cout << "  " << padded(m.name, 6) << m.zh << " / " << m.en << '\n';
  }
}

void describe(const Property& m) {
  std::cout << say(Tool::HelpIsProperty, {utf8(m.name)}) << '\n'
            << "    " << m.zh << '\n'
            << "    " << m.en << '\n'
            << say(Tool::HelpExample) << "\n  korvane call " << example_draw() << ' '
            << utf8(m.name) << '\n';
}

void describe(const Function& m) {
  std::size_t width = 0;
  for (const Param& p : m.params) width = std::max(width, display_columns(p.name));
  width += 2;

  std::cout << signature(m) << '\n'
            << "    " << m.zh << '\n'
            << "    " << m.en << "\n\n"
            << say(Tool::HelpParameters) << '\n';
  for (const Param& p : m.params) {
    std::cout << "  " << padded(p.name, width) << p.zh << '\n'
              << "  " << std::string(width, ' ') << p.en
              << (p.kind == ParamKind::Range ? say(Tool::HelpCellReference) : "") << '\n';
  }
  if (ends_with_trigger(m)) {
    std::istringstream lines(say(Tool::HelpMayBeLeftOut));
    for (std::string line; std::getline(lines, line);)
      std::cout << "  " << std::string(width, ' ') << line << '\n';
  }
  std::cout << '\n' << say(Tool::HelpReturns, {returns(m)}) << '\n';
  std::cout << say(m.regime == Regime::SkipsErrors ? Tool::HelpNeverFails : Tool::HelpFailsCall)
            << '\n';
  std::cout << '\n'
            << say(Tool::HelpExample) << "\n  korvane call "
            << (reads_draw(m) ? example_draw() + " " : "") << utf8(m.name)
            << (m.example.args.empty() ? "" : " ") << m.example.args << '\n'
            << "  " << example_result(m) << '\n';
}

// The eval request of a function's example: its arguments typed as
// `korvane call` types them, and the trigger, which the example leaves out,
// an empty cell.
std::string example_request(const Function& m) {
  std::string args;
  for (const std::string& w : example_words(m.example.args)) {
    if (!args.empty()) args += ',';
    args += protocol::encode(cell_entry(to_utf16(w)));
  }
  if (ends_with_trigger(m)) args += std::string(args.empty() ? "" : ",") + R"({"ref":null})";
  return R"({"call":")" + utf8(m.name) + R"(","args":[)" + args + "]}";
}

void print_example(std::ostream& out, const Function& m) {
  out << "# " << utf8(m.name) << ": " << m.zh << '\n'
      << "> " << example_request(m) << '\n'
      << R"(< {"result":)" << m.example.answer << "}\n";
}

// Every function's example as a transcript of `korvane eval`: a request line
// ("> ") and the answer it gets ("< "). The loading function's comes first,
// wherever the list puts it, so that the functions that settle against the
// draw find its example draw; the others follow in the list's order. The
// transcript is a program's input too (its requests piped into eval): to a
// file or a pipe it is UTF-8 whatever the locale, as eval's lines are; a
// terminal shows it in its own encoding.
void print_examples() {
  std::ostream& out = stdout_is_terminal() ? std::cout : bytes_out();
  out << say(Tool::ExamplesHeader) << '\n';
  const Function& loader = loading_function();
  print_example(out, loader);
  for (const Function& m : functions()) {
    if (&m != &loader) print_example(out, m);
  }
}

int run_help(const std::string& name, bool examples) {
  use_utf8_console();
  if (examples) {
    if (!name.empty()) {
      std::cerr << "korvane help: " << say(Tool::HelpExamplesAlone) << '\n';
      return kUsageError;
    }
    print_examples();
    return 0;
  }
  if (name.empty()) {
    list_members();
    return 0;
  }
  const std::string& n = name;
  const std::u16string wanted = to_utf16(n);
  if (const Function* f = find_function(wanted)) {
    describe(*f);
    return 0;
  }
  const Property* m = find_property(wanted);
  if (!m) {
    const std::string suggestion = did_you_mean(n, member_names(), {}, language());
    std::cerr << "korvane help: "
              << say(Tool::NoMember,
                     {quoted_text(n), suggestion.empty() ? say(Tool::HelpListsThem) : suggestion})
              << '\n';
    return kUsageError;
  }
  describe(*m);
  return 0;
}

}  // namespace

void add_help(CLI::App& app) {
  auto name = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand("help", say(Tool::HelpDescription));
  auto examples = std::make_shared<bool>(false);
  cmd->add_option("FUNCTION", *name, say(Tool::HelpFunctionOption));
  cmd->add_flag("--examples", *examples, say(Tool::HelpExamplesOption));
  cmd->callback([name, examples] { set_exit_code(flushed("help", run_help(*name, *examples))); });
}

}  // namespace korvane::cli
