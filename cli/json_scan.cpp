// A JSON text's structure, looked at before it is parsed (json_scan.h).
#include "cli/json_scan.h"

namespace korvane::protocol {

bool nesting_within(std::string_view s, int limit) {
  bool within = true;
  walk_structure(s, 0, 0, [&](char, int depth) { return within = depth <= limit; });
  return within;
}

std::size_t Brackets::next_open() {
  pos_ = walk_structure(text_, pos_, 0, [](char c, int) { return c != '['; });
  if (pos_ < text_.size()) ++pos_;
  return pos_;
}

std::size_t Brackets::cells_from(std::size_t from) const {
  std::size_t commas = 0;
  walk_structure(text_, from, 1, [&](char c, int depth) {
    commas += c == ',';
    return depth > 0;
  });
  return commas + 1;
}

}  // namespace korvane::protocol
