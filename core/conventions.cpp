#include "core/conventions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/search.h"

namespace korvane {
namespace {

bool is_digit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

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

// Collects ASCII characters without allocating for short numbers.
class AsciiBuffer {
 public:
  void push(char c) {
    if (size_ < sizeof(small_)) {
      small_[size_++] = c;
      return;
    }
    if (big_.empty()) big_.assign(small_, size_);
    big_.push_back(c);
    ++size_;
  }
  const char* data() const noexcept { return big_.empty() ? small_ : big_.data(); }
  const char* end() const noexcept { return data() + size_; }
  std::size_t size() const noexcept { return size_; }

 private:
  char small_[64];
  std::size_t size_ = 0;
  std::string big_;
};

bool is_val_blank(char16_t c) noexcept { return c == u' ' || c == u'\t' || c == u'\n'; }

// VB's Val of "&H..." / "&O...": a value that fits 16 bits is an Integer and a
// value that fits 32 bits a Long, both read as two's complement (&HFFFF is -1).
double radix_value(std::u16string_view s, std::size_t i, unsigned radix) noexcept {
  double value = 0;
  for (; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (is_val_blank(c)) continue;
    unsigned d;
    if (c >= u'0' && c <= u'9') {
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

// ---- text -------------------------------------------------------------------

Text Text::ascii(std::string_view s) {
  Text t;
  t.kind_ = Kind::Inline;
  const std::size_t n = s.size() < kInline ? s.size() : kInline;
  for (std::size_t i = 0; i < n; ++i) t.buf_[i] = static_cast<char16_t>(s[i]);
  t.len_ = static_cast<std::uint8_t>(n);
  return t;
}

std::size_t format_double(double x, char* out) noexcept {
  if (x == 0) {  // also -0
    out[0] = '0';
    return 1;
  }
  // 15 significant digits, rounded: d.dddddddddddddde±x
  char sci[40];
  auto res = std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific, 14);
  const char* p = sci;
  const char* const last = res.ptr;
  std::size_t n = 0;
  if (*p == '-') {
    out[n++] = '-';
    ++p;
  }
  char digits[15];
  std::size_t nd = 0;
  for (; p != last && *p != 'e'; ++p) {
    if (*p != '.') digits[nd++] = *p;
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), last, exponent);
  while (nd > 1 && digits[nd - 1] == '0') --nd;

  if (exponent >= 15 || exponent <= -5) {
    out[n++] = digits[0];
    if (nd > 1) {
      out[n++] = '.';
      for (std::size_t i = 1; i < nd; ++i) out[n++] = digits[i];
    }
    out[n++] = 'E';
    out[n++] = exponent < 0 ? '-' : '+';
    const int e = exponent < 0 ? -exponent : exponent;
    if (e < 10) out[n++] = '0';
    n += static_cast<std::size_t>(std::to_chars(out + n, out + n + 4, e).ptr - (out + n));
    return n;
  }
  if (exponent < 0) {
    out[n++] = '0';
    out[n++] = '.';
    for (int i = -1; i > exponent; --i) out[n++] = '0';
    for (std::size_t i = 0; i < nd; ++i) out[n++] = digits[i];
    return n;
  }
  const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
  for (std::size_t i = 0; i < whole; ++i) out[n++] = i < nd ? digits[i] : '0';
  if (nd > whole) {
    out[n++] = '.';
    for (std::size_t i = whole; i < nd; ++i) out[n++] = digits[i];
  }
  return n;
}

std::u16string number_text(double x) {
  // The add-in's values are finite (arithmetic that overflows fails its
  // step); a caller that sums them itself may not be.
  if (!std::isfinite(x)) return u"#NUM!";
  char buf[40];
  const std::size_t n = format_double(x, buf);
  return std::u16string(buf, buf + n);
}

namespace {

// The text form of a value that is not a range: a text is referred to, not
// copied.
Maybe<Text> scalar_text(const Variant& v) {
  char buf[40];
  switch (v.kind()) {
    case Variant::Kind::Empty:
      return Text::borrowed(u"");
    case Variant::Kind::Integer:
      return Text::ascii(std::string_view(buf, std::to_chars(buf, buf + 40, *v.if_integer()).ptr));
    case Variant::Kind::Long:
      return Text::ascii(std::string_view(buf, std::to_chars(buf, buf + 40, *v.if_long()).ptr));
    case Variant::Kind::Double: {
      const double x = *v.if_double();
      if (!checked(x)) return std::nullopt;
      return Text::ascii(std::string_view(buf, format_double(x, buf)));
    }
    case Variant::Kind::String:
      return Text::borrowed(v.string_view());
    case Variant::Kind::Boolean:
      return Text::ascii(*v.if_boolean() ? "True" : "False");
    case Variant::Kind::Error:
    case Variant::Kind::Range:  // a reference to nothing
    case Variant::Kind::Array:
      break;
  }
  return std::nullopt;
}

Maybe<double> scalar_number(const Variant& v) noexcept {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      return 0.0;
    case Variant::Kind::Integer:
      return static_cast<double>(*v.if_integer());
    case Variant::Kind::Long:
      return static_cast<double>(*v.if_long());
    case Variant::Kind::Double:
      return checked(*v.if_double());
    case Variant::Kind::String:
      return parse_number(v.string_view());
    case Variant::Kind::Boolean:
      return *v.if_boolean() ? -1.0 : 0.0;
    case Variant::Kind::Error:
    case Variant::Kind::Range:
    case Variant::Kind::Array:
      break;
  }
  return std::nullopt;
}

}  // namespace

Maybe<Text> text(const Variant& v) {
  if (const RangeRef* r = v.if_range(); r && *r) {
    Variant value = (*r)->value();
    // A range's value is a fresh Variant: its text is moved into the result,
    // or copied from where it is borrowed.
    if (std::u16string* s = value.owned_string()) return Text::owned(std::move(*s));
    if (value.is_string()) return Text::owned(std::u16string(value.string_view()));
    return scalar_text(value);  // never borrows: numbers and booleans are inline
  }
  return scalar_text(v);
}

// ---- numbers ------------------------------------------------------------------

Maybe<double> parse_number(std::u16string_view s) noexcept {
  std::size_t i = 0;
  std::size_t n = s.size();
  while (i < n && s[i] == u' ') ++i;
  while (n > i && s[n - 1] == u' ') --n;
  if (i == n) return std::nullopt;

  AsciiBuffer buf;
  if (s[i] == u'+' || s[i] == u'-') buf.push(static_cast<char>(s[i++]));
  std::size_t digits = 0;
  bool point = false;
  for (; i < n; ++i) {
    const char16_t c = s[i];
    if (is_digit(c)) {
      ++digits;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
    buf.push(static_cast<char>(c));
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    buf.push('e');
    ++i;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) buf.push(static_cast<char>(s[i++]));
    std::size_t exp_digits = 0;
    for (; i < n && is_digit(s[i]); ++i, ++exp_digits) buf.push(static_cast<char>(s[i]));
    if (exp_digits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  return checked(decimal_value(buf.data(), buf.end()));
}

Maybe<double> number(const Variant& v) {
  if (const RangeRef* r = v.if_range(); r && *r) return scalar_number((*r)->value());
  return scalar_number(v);
}

double leading_number(std::u16string_view s) noexcept {
  std::size_t i = 0;
  while (i < s.size() && is_val_blank(s[i])) ++i;
  if (i + 1 < s.size() && s[i] == u'&') {
    std::size_t j = i + 1;
    const char16_t kind = s[j];
    if (kind == u'H' || kind == u'h') return radix_value(s, j + 1, 16);
    if (kind == u'O' || kind == u'o') return radix_value(s, j + 1, 8);
  }

  AsciiBuffer buf;
  auto next = [&](std::size_t& k) {  // next character that is not a blank
    while (k < s.size() && is_val_blank(s[k])) ++k;
    return k < s.size() ? s[k] : u'\0';
  };
  char16_t c = next(i);
  if (c == u'+' || c == u'-') {
    buf.push(static_cast<char>(c));
    ++i;
    c = next(i);
  }
  std::size_t digits = 0;
  bool point = false;
  for (;; c = next(++i)) {
    if (is_digit(c)) {
      ++digits;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
    buf.push(static_cast<char>(c));
  }
  if (digits == 0) return 0;
  if (c == u'e' || c == u'E') {
    // The exponent counts only when digits follow it.
    std::size_t k = i + 1;
    char16_t e = next(k);
    char sign = 0;
    if (e == u'+' || e == u'-') {
      sign = static_cast<char>(e);
      e = next(++k);
    }
    if (is_digit(e)) {
      buf.push('e');
      if (sign) buf.push(sign);
      for (; is_digit(e); e = next(++k)) buf.push(static_cast<char>(e));
    }
  }
  return decimal_value(buf.data(), buf.end());
}

double floor_(double x) noexcept { return std::floor(x); }

Maybe<std::int64_t> position(double x) noexcept {
  if (!(x >= -9.0e15 && x <= 9.0e15)) return std::nullopt;  // also NaN
  double whole = std::floor(x);
  const double frac = x - whole;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return static_cast<std::int64_t>(whole);
}

// ---- comparisons --------------------------------------------------------------

Maybe<bool> greater_than(const Variant& v, double bound) {
  const Maybe<double> x = number(v);
  if (!x) return std::nullopt;
  return *x > bound;
}

Maybe<bool> equals_text(const Variant& v, std::u16string_view s) {
  return with_value(v, [&](const Variant& x) -> Maybe<bool> {
    switch (x.kind()) {
      case Variant::Kind::String:
        return x.string_view() == s;
      case Variant::Kind::Empty:
        return s.empty();
      case Variant::Kind::Integer:
      case Variant::Kind::Long:
      case Variant::Kind::Double:
      case Variant::Kind::Boolean:
        return false;
      case Variant::Kind::Error:
      case Variant::Kind::Range:
      case Variant::Kind::Array:
        break;
    }
    return std::nullopt;
  });
}

std::size_t count_code(std::u16string_view s, std::u16string_view b) noexcept {
  if (b.size() < 2) return 0;
  std::size_t found = 0;
  for (std::size_t from = 0;;) {
    const std::size_t at = find_linear(s.substr(from), b);
    if (at == std::u16string_view::npos) break;
    ++found;
    from += at + b.size();  // occurrences do not overlap
  }
  return found * (b.size() - 1);
}

std::u16string_view mid(std::u16string_view s, std::size_t start, std::size_t len) noexcept {
  if (start == 0 || start > s.size()) return {};
  return s.substr(start - 1, len);
}

std::u16string_view trim_spaces(std::u16string_view s) noexcept {
  // The ideographic space (U+3000) that a Chinese input method types counts as
  // a space too, so that a list padded by one still reads as the same list.
  auto space = [](char16_t c) { return c == u' ' || c == u'\u3000'; };
  std::size_t i = 0;
  std::size_t n = s.size();
  while (i < n && space(s[i])) ++i;
  while (n > i && space(s[n - 1])) --n;
  return s.substr(i, n - i);
}

}  // namespace korvane
