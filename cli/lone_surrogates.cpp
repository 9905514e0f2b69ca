// Lone surrogates masked for the parser and decoded for the reader
// (lone_surrogates.h).
#include "cli/lone_surrogates.h"

#include <algorithm>

#include "core/text.h"

namespace korvane::protocol {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of the \uXXXX escape at s[i] (the backslash), or -1.
long unit_at(std::string_view s, std::size_t i) {
  if (i + 6 > s.size() || s[i] != '\\' || s[i + 1] != 'u') return -1;
  long u = 0;
  for (std::size_t k = i + 2; k < i + 6; ++k) {
    const int d = hex_digit(s[k]);
    if (d < 0) return -1;
    u = u * 16 + d;
  }
  return u;
}
bool is_high(long u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low(long u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Whether s has an escape that starts \ud or \uD at all: the cheap test.
bool may_hold_one(std::string_view s) {
  for (std::size_t at = s.find("\\u"); at != std::string_view::npos; at = s.find("\\u", at + 1))
    if (at + 2 < s.size() && (s[at + 2] == 'd' || s[at + 2] == 'D')) return true;
  return false;
}

// Where the string whose characters start at from ends: its closing quote,
// or the end of the text.
std::size_t string_end(std::string_view s, std::size_t from) {
  for (std::size_t i = from; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
    } else if (s[i] == '"') {
      return i;
    }
  }
  return s.size();
}

// Calls lone(i) for the backslash of each lone-surrogate escape of the
// string's characters s.
template <class Lone>
void each_lone(std::string_view s, Lone lone) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') continue;
    const long u = unit_at(s, i);
    if (is_high(u) && is_low(unit_at(s, i + 6))) {
      i += 11;  // a whole pair
    } else if (is_high(u) || is_low(u)) {
      lone(i);
      i += 5;
    } else {
      ++i;  // the escaped character
    }
  }
}
bool holds_lone(std::string_view s) {
  bool found = false;
  each_lone(s, [&](std::size_t) { found = true; });
  return found;
}

// The string's characters s as UTF-16: each \uXXXX escape the code unit it
// stands for, the other escapes their characters, the rest UTF-8. (A
// malformed string is refused by the parser, which sees the same text.)
std::u16string decoded(std::string_view s) {
  std::u16string out;
  std::size_t plain = 0;  // where the run of characters not escaped began
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') continue;
    out += to_utf16(s.substr(plain, i - plain));
    const char c = i + 1 < s.size() ? s[i + 1] : '\\';
    if (const long u = unit_at(s, i); u >= 0) {
      out += static_cast<char16_t>(u);
      i += 5;
    } else {
      constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
      const std::size_t k = kFrom.find(c);
      out += static_cast<char16_t>(k == std::string_view::npos ? c : kTo[k]);
      ++i;
    }
    plain = i + 1;
  }
  return out + to_utf16(s.substr(std::min(plain, s.size())));
}

}  // namespace

LoneSurrogates::LoneSurrogates(std::string_view text) : text_(text) {
  if (!may_hold_one(text)) return;
  std::size_t ordinal = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    const std::size_t end = string_end(text, i + 1);
    if (holds_lone(text.substr(i + 1, end - i - 1))) mask(text, i + 1, end, ordinal);
    ++ordinal;
    i = end;
  }
}

void LoneSurrogates::mask(std::string_view text, std::size_t from, std::size_t end,
                          std::size_t ordinal) {
  if (masked_.empty()) masked_ = text;
  each_lone(text.substr(from, end - from),
            [&](std::size_t i) { masked_.replace(from + i + 2, 4, "fffd"); });
  strings_.emplace_back(ordinal, decoded(text.substr(from, end - from)));
}

}  // namespace korvane::protocol
