// Every worksheet function's row carries one example call and the answer it
// gives. Each example is made here as a program makes it through `korvane
// eval`, in the member list's order, so the functions that settle against the
// draw find the draw of 验证's own example (which comes first). A function
// cannot be added without an example that works, and a changed result shows
// here with the row it belongs to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cell_entry.h"
#include "cli/protocol.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane {
namespace {

// The words of an example as a shell splits them: separated by spaces, a
// double-quoted word kept whole ("" is an empty word).
std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    std::string w;
    while (i < line.size() && line[i] != ' ') {
      if (line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        w.append(line.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        w += line[i++];
      }
    }
    out.push_back(w);
  }
  return out;
}

// The eval request of a function's example, its arguments typed as
// `korvane call` types them and the trigger, left out there, an empty cell.
std::string request(const Member& m) {
  std::string args;
  for (const std::string& w : words(m.example.args)) {
    if (!args.empty()) args += ',';
    args += protocol::encode(cli::cell_entry(to_utf16(w), cli::EntryRule::Sheet));
  }
  if (ends_with_trigger(m)) args += std::string(args.empty() ? "" : ",") + R"({"ref":null})";
  return R"({"call":")" + to_utf8(m.name) + R"(","args":[)" + args + "]}";
}

TEST(Examples, EveryFunctionsExampleGivesItsAnswer) {
  const auto backend = protocol::make_native_backend();
  for (const Member& m : members()) {
    if (m.is_property) continue;
    const std::string line = request(m);
    EXPECT_EQ(protocol::answer(*backend, line),
              R"({"result":)" + std::string(m.example.answer) + "}")
        << "the example of " << to_utf8(m.name) << ": " << line;
  }
}

}  // namespace
}  // namespace korvane
