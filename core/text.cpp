#include "core/text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace korvane {

// ---- UTF-8 ----------------------------------------------------------------------

// The well-formed UTF-8 sequence that starts at s[i]: its length, with its
// value in cp; 0 (cp untouched) when none starts there. The range of the
// second byte rules out what the lead byte alone cannot: overlong forms (after
// E0 and F0), surrogates (after ED) and values above U+10FFFF (after F4).
std::size_t utf8_sequence_at(std::string_view s, std::size_t i, char32_t& cp) noexcept {
  const auto byte = [s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  const std::size_t n = utf8_sequence_length(lead);
  if (n == 1) {
    cp = lead;
    return 1;
  }
  if (n == 0 || n > s.size() - i) return 0;
  const unsigned char second = byte(i + 1);
  const unsigned char lowest = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char highest = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (second < lowest || second > highest) return 0;
  char32_t value = lead & (0x7Fu >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3Fu);
  }
  cp = value;
  return n;
}

std::size_t utf8_whole_prefix(std::string_view s) noexcept {
  // 1. Step back over the continuation bytes at the end (at most three);
  // 2. the lead before them says how many the character needs.
  std::size_t i = s.size();
  std::size_t back = 0;
  while (i > 0 && back < 3 && (static_cast<unsigned char>(s[i - 1]) & 0xC0) == 0x80) --i, ++back;
  if (i == 0) return s.size();
  const std::size_t need = utf8_sequence_length(static_cast<unsigned char>(s[i - 1]));
  return back + 1 >= need ? s.size() : i - 1;
}

namespace {

bool is_surrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDFFF; }
bool is_high_surrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char32_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }

// ---- spaces -----------------------------------------------------------------------

template <class IsSpace>
std::u16string_view trimmed(std::u16string_view s, IsSpace space) noexcept {
  std::size_t i = 0;
  std::size_t n = s.size();
  while (i < n && space(s[i])) ++i;
  while (n > i && space(s[n - 1])) --n;
  return s.substr(i, n - i);
}

// ---- numbers -------------------------------------------------------------------

// Reads an ASCII decimal number (already checked for its shape) into a double.
// Overflow gives an infinity with the number's sign, underflow gives zero.
double decimal_value(const char* first, const char* last) noexcept {
  double value = 0;
  const char* p = first;
  bool negative = false;
  if (p != last && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  auto [end, ec] = std::from_chars(p, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Decide between overflow and underflow by the decimal exponent the text
    // spells out: strtod (in the C locale this program keeps) knows.
    std::string copy(p, last);
    value = std::strtod(copy.c_str(), nullptr);
  } else if (ec != std::errc{} || end != last) {
    return 0;
  }
  return negative ? -value : value;
}

// Collects the ASCII characters of a number without allocating for short ones.
class AsciiBuffer {
 public:
  void push(char16_t c) { push(static_cast<char>(c)); }  // c is ASCII
  void push(char c) {
    if (size_ < sizeof(small_)) {
      small_[size_++] = c;
      return;
    }
    if (big_.empty()) big_.assign(small_, size_);
    big_.push_back(c);
    ++size_;
  }
  double value() const noexcept {
    const char* data = big_.empty() ? small_ : big_.data();
    return decimal_value(data, data + size_);
  }

 private:
  char small_[64];
  std::size_t size_ = 0;
  std::string big_;
};

bool is_val_blank(char16_t c) noexcept { return c == u' ' || c == u'\t' || c == u'\n'; }

// The characters of a number as one of the two readers sees them: numeric
// coercion reads them as they stand, Val passes over blanks wherever they are.
// Past the end it shows u'\0', which no rule below takes for part of a number.
template <bool kSkipsBlanks>
class NumberCursor {
 public:
  NumberCursor(std::u16string_view s, std::size_t i) noexcept : s_(s), i_(i) { skip(); }
  char16_t peek() const noexcept { return i_ < s_.size() ? s_[i_] : u'\0'; }
  void advance() noexcept {
    ++i_;
    skip();
  }
  bool at_end() const noexcept { return i_ == s_.size(); }

 private:
  void skip() noexcept {
    if constexpr (kSkipsBlanks) {
      while (i_ < s_.size() && is_val_blank(s_[i_])) ++i_;
    }
  }
  std::u16string_view s_;
  std::size_t i_;
};

bool is_sign(char16_t c) noexcept { return c == u'+' || c == u'-'; }

// An optional sign, then digits with at most one point; all of it copied into
// buf. Returns how many digits there were.
template <class Cursor>
std::size_t read_mantissa(Cursor& at, AsciiBuffer& buf) {
  if (is_sign(at.peek())) {
    buf.push(at.peek());
    at.advance();
  }
  std::size_t digits = 0;
  bool point = false;
  for (;; at.advance()) {
    const char16_t c = at.peek();
    if (is_digit(c)) {
      ++digits;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
    buf.push(c);
  }
  return digits;
}

// An exponent, at an "e" or "E": it counts only with digits after the letter
// and its optional sign. When it counts it is copied into buf and passed;
// otherwise neither buf nor the cursor moves.
template <class Cursor>
void read_exponent(Cursor& at, AsciiBuffer& buf) {
  if (at.peek() != u'e' && at.peek() != u'E') return;
  Cursor ahead = at;
  ahead.advance();
  const char16_t sign = is_sign(ahead.peek()) ? ahead.peek() : u'\0';
  if (sign) ahead.advance();
  if (!is_digit(ahead.peek())) return;
  buf.push('e');
  if (sign) buf.push(sign);
  for (; is_digit(ahead.peek()); ahead.advance()) buf.push(ahead.peek());
  at = ahead;
}

// VB's Val of "&H..." / "&O...": a value that fits 16 bits is an Integer and a
// value that fits 32 bits a Long, both read as two's complement (&HFFFF is -1).
double radix_value(std::u16string_view s, std::size_t i, unsigned radix) noexcept {
  double value = 0;
  for (NumberCursor<true> at(s, i);; at.advance()) {
    const char16_t c = at.peek();
    unsigned d;
    if (is_digit(c)) {
      d = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      d = 10u + (c - u'a');
    } else if (c >= u'A' && c <= u'F') {
      d = 10u + (c - u'A');
    } else {
      break;
    }
    if (d >= radix) break;
    value = value * radix + d;
  }
  if (value <= 65535.0) return value >= 32768.0 ? value - 65536.0 : value;
  if (value <= 4294967295.0) return value >= 2147483648.0 ? value - 4294967296.0 : value;
  return value;
}

}  // namespace

// ---- UTF-8 and UTF-16 -----------------------------------------------------------

std::u16string to_utf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0xFFFD;
    const std::size_t n = utf8_sequence_at(utf8, i, cp);
    i += n ? n : 1;  // a malformed byte: U+FFFD, and on to the next byte
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string to_utf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (is_high_surrogate(c) && i + 1 < utf16.size() && is_low_surrogate(utf16[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00u);
    } else if (is_surrogate(c)) {
      c = 0xFFFD;
    }
    append_utf8(out, c);
  }
  return out;
}

void append_utf8(std::string& out, char32_t c) {
  const auto unit = [&out](char32_t bits) { out += static_cast<char>(bits); };
  if (c < 0x80) {
    unit(c);
  } else if (c < 0x800) {
    unit(0xC0 | (c >> 6));
    unit(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    unit(0xE0 | (c >> 12));
    unit(0x80 | ((c >> 6) & 0x3F));
    unit(0x80 | (c & 0x3F));
  } else {
    unit(0xF0 | (c >> 18));
    unit(0x80 | ((c >> 12) & 0x3F));
    unit(0x80 | ((c >> 6) & 0x3F));
    unit(0x80 | (c & 0x3F));
  }
}

std::size_t invalid_utf8_at(std::string_view s) noexcept {
  char32_t cp;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = utf8_sequence_at(s, i, cp);
    if (n == 0) return i;
    i += n;
  }
  return std::string_view::npos;
}

// ---- spaces ---------------------------------------------------------------------

std::u16string_view trim(std::u16string_view s) noexcept {
  return trimmed(s, [](char16_t c) { return c == u' '; });
}

std::u16string_view trim_spaces(std::u16string_view s) noexcept {
  // The ideographic space (U+3000) that a Chinese input method types counts as
  // a space too, so that a list padded by one still reads as the same list.
  return trimmed(s, [](char16_t c) { return c == u' ' || c == u'\u3000'; });
}

// ---- numbers ------------------------------------------------------------------------

namespace {

// The common case of a numeric text, a drawn number ("08") or a year
// ("2013"): an optional sign and at most 15 digits, nothing else. Such a
// number is a whole number below 2^53, which a Double holds exactly, so it is
// read digit by digit to the value the full reader gives. Nothing for any
// other text, which the full reader then reads.
std::optional<double> whole_number(std::u16string_view s) noexcept {
  bool negative = false;
  if (!s.empty() && is_sign(s.front())) {
    negative = s.front() == u'-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 15) return std::nullopt;
  std::int64_t value = 0;
  for (const char16_t c : s) {
    if (!is_digit(c)) return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  const double x = static_cast<double>(value);
  return negative ? -x : x;  // "-0" is -0, as the full reader has it
}

}  // namespace

std::optional<double> parse_number(std::u16string_view s) noexcept {
  s = trim(s);
  if (const std::optional<double> x = whole_number(s)) return x;
  NumberCursor<false> at(s, 0);
  AsciiBuffer buf;
  if (read_mantissa(at, buf) == 0) return std::nullopt;
  read_exponent(at, buf);
  if (!at.at_end()) return std::nullopt;  // also an "e" without digits after it
  const double x = buf.value();
  if (!std::isfinite(x)) return std::nullopt;  // beyond a Double: VB's overflow
  return x;
}

double leading_number(std::u16string_view s) noexcept {
  std::size_t i = 0;
  while (i < s.size() && is_val_blank(s[i])) ++i;
  if (i + 1 < s.size() && s[i] == u'&') {
    const char16_t kind = s[i + 1];
    if (kind == u'H' || kind == u'h') return radix_value(s, i + 2, 16);
    if (kind == u'O' || kind == u'o') return radix_value(s, i + 2, 8);
  }
  NumberCursor<true> at(s, i);
  AsciiBuffer buf;
  if (read_mantissa(at, buf) == 0) return 0;
  read_exponent(at, buf);
  return buf.value();
}

// ---- Chinese numerals ----------------------------------------------------------

std::optional<int> numeral_count(std::u16string_view c) noexcept {
  // One character (the usual case) is looked up as a character; the empty
  // text is found at the start.
  const std::size_t at =
      c.size() == 1 ? kChineseNumerals.find(c.front()) : kChineseNumerals.find(c);
  if (at == std::u16string_view::npos) return std::nullopt;
  return static_cast<int>(at) + 1;
}

}  // namespace korvane
