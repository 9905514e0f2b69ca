// Quoting a text in a message (see quoting.h).
#include "cli/quoting.h"

namespace korvane::cli {
namespace {

// Whether a character (a code point) is a control character: C0, DEL, C1.
bool control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// The escape a control character is shown as: \0 \t \n \r, else \xHH (or
// \u00HH for a C1 control, which is two bytes in UTF-8).
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
  constexpr char kHex[] = "0123456789abcdef";
  std::string out = c > 0x7F ? "\\u00" : "\\x";
  out += kHex[(c >> 4) & 0xF];
  out += kHex[c & 0xF];
  return out;
}

// s with every control character escaped; C1 controls are read as their
// two UTF-8 bytes (C2 80 to C2 9F).
std::string escaped(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const bool c1 = b == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(s[i + 1]) <= 0x9F;
    if (c1) {
      out += escape(static_cast<unsigned char>(s[++i]));
    } else if (b < 0x20 || b == 0x7F) {  // a byte of 80 to 9F is a sequence's, no C1
      out += escape(b);
    } else {
      out += s[i];
    }
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
