// Quoting a text in a message (see quoting.h).
#include "cli/quoting.h"

#include "core/text.h"

namespace korvane::cli {
namespace {

// Whether a character (a code point) is shown escaped: a control character
// (C0, DEL, C1), or one that reorders or breaks the line it stands in (the
// bidirectional marks and overrides, the line and paragraph separators): a
// name holding U+202E would be shown reversed, and read as another name.
bool control(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

constexpr char kHex[] = "0123456789abcdef";

// The escape a character is shown as: \0 \t \n \r, \xHH for the others
// below 80, else \uHHHH.
std::string escape(char32_t c) {
  switch (c) {
    case 0:
      return "\\0";
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    default:
      break;
  }
  std::string out = c > 0x7F ? "\\u" : "\\x";
  for (int shift = c > 0x7F ? 12 : 4; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
  return out;
}

// s with every character that is shown escaped escaped, and every byte that
// is no UTF-8 shown as \xHH (a terminal would show it raw, or as something
// else).
std::string escaped(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t c = 0;
    const std::size_t n = utf8_sequence_at(s, i, c);
    if (n == 0) {
      const auto b = static_cast<unsigned char>(s[i++]);
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
      continue;
    }
    if (control(c))
      out += escape(c);
    else
      out.append(s, i, n);
    i += n;
  }
  return out;
}

}  // namespace

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
  out += escaped(utf8.substr(0, end));
  out += end < utf8.size() ? "...\"" : "\"";
  return out;
}

std::string escaped_text(std::string_view utf8) { return escaped(utf8); }

std::u16string quotable(std::u16string_view s) {
  std::size_t n = s.size();
  if (n > kQuotedMax) {
    n = kQuotedMax;
    if (s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF) --n;
  }
  std::u16string out;
  for (const char16_t c : s.substr(0, n)) {
    if (!control(c)) {
      out += c;
      continue;
    }
    for (const char e : escape(c)) out += static_cast<char16_t>(e);
  }
  return n < s.size() ? out + u"..." : out;
}

}  // namespace korvane::cli
