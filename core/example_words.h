// The words of a function's example, as its row writes them: what a user
// pastes after `korvane call NAME`. They are split as a shell splits them:
// separated by spaces, a double-quoted word kept whole ("" is an empty word).
// `korvane help` builds the example's request from them, and the tests call
// every function of the list with them.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane {

inline std::vector<std::string> example_words(std::string_view line) {
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
        const std::size_t close = std::min(line.find('"', i + 1), line.size());
        w.append(line.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        w += line[i++];
      }
    }
    out.push_back(std::move(w));
  }
  return out;
}

}  // namespace korvane
