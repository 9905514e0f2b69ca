// Quoting a text in a message (see quoting.h).
#include "cli/quoting.h"

namespace korvane::cli {

std::string quoted_text(std::string_view utf8) {
  // Count characters by their lead bytes, so a character is never cut.
  std::size_t chars = 0;
  std::size_t end = 0;
  for (; end < utf8.size(); ++end) {
    if ((static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) continue;
    if (chars == kQuotedMax) break;
    ++chars;
  }
  std::string out = "\"";
  out += utf8.substr(0, end);
  out += end < utf8.size() ? "...\"" : "\"";
  return out;
}

std::u16string quotable(std::u16string_view s) {
  if (s.size() <= kQuotedMax) return std::u16string(s);
  std::size_t n = kQuotedMax;
  if (s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF) --n;
  return std::u16string(s.substr(0, n)) + u"...";
}

}  // namespace korvane::cli
