// Looking at a JSON text's structure before the parser reads it: how deep it
// nests, and where each array opens and how many cells an array of rows
// holds.
//
// A request line may be 32 MiB of cells from a program we do not control:
// it is refused before parsing when it nests deeper than any request can
// (the parser recurses), and each array of rows is reserved once at its exact
// size rather than grown cell by cell. Only the structural characters outside
// strings are looked at.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvane::protocol {

// Deepest nesting a request may have: a request is at most an object holding
// an args array holding a ref or array object holding rows of cells holding an
// error object. Anything deeper is refused before it is parsed.
inline constexpr int kMaxDepth = 16;

// Walks the JSON text s from from, outside its strings: calls visit(c, depth)
// for each structural character ([ ] { } ,) with the nesting depth after it,
// counted from depth, until visit returns false or the text ends. Returns
// where it stopped: the character visit refused, or the end.
template <class Visit>
std::size_t walk_structure(std::string_view s, std::size_t from, int depth, Visit visit) {
  bool in_string = false;
  for (std::size_t i = from; i < s.size(); ++i) {
    const char c = s[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (!visit(c, ++depth)) return i;
    } else if (c == ']' || c == '}') {
      if (!visit(c, --depth)) return i;
    } else if (c == ',') {
      if (!visit(c, depth)) return i;
    }
  }
  return s.size();
}

// Whether the text s nests no deeper than limit.
bool nesting_within(std::string_view s, int limit);

// Finds, in the order the parser opens them, the '[' of each array of the
// text, and counts the cells of an array of rows before they are read. Arrays
// of rows never nest, so each character is looked at a bounded number of
// times.
class Brackets {
 public:
  explicit Brackets(std::string_view text) : text_(text) {}

  // Moves past the next '[' outside a string; returns the position after it.
  std::size_t next_open();

  // The cells of the array of rows opened just before from: each comma inside
  // it, at any depth, separates two cells or two rows, so a well-formed array
  // holds exactly one cell more than it has commas. (A malformed one only
  // reserves too much, and is refused before anything is written to it.)
  std::size_t cells_from(std::size_t from) const;

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace korvane::protocol
