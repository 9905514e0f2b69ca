#include "core/conventions.h"

#include <charconv>
#include <cmath>

#include "core/search.h"

namespace korvane {

// ---- text -------------------------------------------------------------------

Text Text::ascii(std::string_view s) {
  Text t;
  t.kind_ = Kind::Inline;
  const std::size_t n = s.size() < kInline ? s.size() : kInline;
  for (std::size_t i = 0; i < n; ++i) t.buf_[i] = static_cast<char16_t>(s[i]);
  t.len_ = static_cast<std::uint8_t>(n);
  return t;
}

namespace {

// The decimal digits of a whole number below 10^15 in size, with its sign.
std::size_t whole_text(double x, char* out) noexcept {
  const auto whole = static_cast<std::int64_t>(x);
  return static_cast<std::size_t>(std::to_chars(out, out + 32, whole).ptr - out);
}

}  // namespace

std::size_t format_double(double x, char* out) noexcept {
  if (x == 0) {  // also -0
    out[0] = '0';
    return 1;
  }
  // A whole number below 10^15 has at most 15 digits, all of them exact:
  // written as they stand, as the general form below would write them.
  if (x == std::floor(x) && x > -1e15 && x < 1e15) return whole_text(x, out);
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

// VB's numeric coercion of a value that is not a range, keeping the width.
Maybe<Numeric> scalar_numeric(const Variant& v) noexcept {
  using Width = Numeric::Width;
  switch (v.kind()) {
    case Variant::Kind::Empty:
      return Numeric{0, Width::Integer};
    case Variant::Kind::Integer:
      return Numeric{static_cast<double>(*v.if_integer()), Width::Integer};
    case Variant::Kind::Long:
      return Numeric{static_cast<double>(*v.if_long()), Width::Long};
    case Variant::Kind::Double:
      if (const Maybe<double> x = checked(*v.if_double())) return Numeric{*x, Width::Double};
      break;
    case Variant::Kind::String:
      if (const Maybe<double> x = parse_number(v.string_view())) return Numeric{*x, Width::Double};
      break;
    case Variant::Kind::Boolean:
      return Numeric{*v.if_boolean() ? -1.0 : 0.0, Width::Integer};
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

Maybe<Numeric> numeric(const Variant& v) {
  if (const RangeRef* r = v.if_range(); r && *r) return scalar_numeric((*r)->value());
  return scalar_numeric(v);
}

Maybe<double> number(const Variant& v) {
  const Maybe<Numeric> n = numeric(v);
  if (!n) return std::nullopt;
  return n->value;
}

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

}  // namespace korvane
