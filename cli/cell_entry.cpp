#include "cli/cell_entry.h"

#include <cmath>

#include "core/conventions.h"
#include "core/text.h"

namespace korvane::cli {
namespace {

char16_t upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool same_ignoring_case(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != static_cast<char16_t>(b[i])) return false;
  return true;
}

// The error value whose name this is, ignoring case as Excel does.
bool error_named(std::u16string_view s, ExcelError& out) {
  if (s.empty() || s[0] != u'#' || s.size() > 8) return false;  // #DIV/0! is the longest
  std::string name;
  for (const char16_t c : s) {
    if (c > 0x7F) return false;
    name += static_cast<char>(upper(c));
  }
  return excel_error_from_name(name, out);
}

// A number as Excel reads one typed into a cell; nothing when it is not one.
Maybe<double> typed_number(std::u16string_view s) {
  s = trim(s);
  bool percent = false;
  if (!s.empty() && s.back() == u'%') {
    percent = true;
    s.remove_suffix(1);
  }
  std::u16string plain;  // s without its thousands separators
  plain.reserve(s.size());
  std::size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) plain += s[i++];
  const std::size_t first_digit = i;
  if (i + 1 < s.size() && s[i] == u'0' && is_digit(s[i + 1]))
    return std::nullopt;  // a lottery number such as 08

  // Whole part: digits, optionally in groups of three after the first.
  std::size_t group = 0;
  bool grouped = false;
  for (; i < s.size() && (is_digit(s[i]) || s[i] == u','); ++i) {
    if (s[i] == u',') {
      if (group == 0 || (grouped && group != 3) || (!grouped && group > 3)) return std::nullopt;
      if (!grouped && s[first_digit] == u'0') return std::nullopt;
      grouped = true;
      group = 0;
      continue;
    }
    ++group;
    plain += s[i];
  }
  if (grouped && group != 3) return std::nullopt;
  // The rest (fraction and exponent) has no separators: the core reads it.
  plain.append(s.substr(i));
  const Maybe<double> x = parse_number(plain);
  if (!x) return std::nullopt;
  return percent ? *x / 100 : *x;
}

}  // namespace

Variant cell_entry(std::u16string_view typed) {
  if (typed.empty()) return Variant();
  if (typed[0] == u'\'') return Variant(typed.substr(1));
  if (same_ignoring_case(typed, "TRUE")) return Variant(true);
  if (same_ignoring_case(typed, "FALSE")) return Variant(false);
  if (ExcelError e; error_named(typed, e)) return Variant(e);
  if (const Maybe<double> x = typed_number(typed)) return Variant(*x);
  return Variant(typed);
}

Variant draw_entry(std::u16string_view typed) {
  Variant v = cell_entry(typed);
  if (v.if_double()) return Variant(typed);
  return v;
}

std::u16string shown(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      return u"0";
    case Variant::Kind::Integer:
      return number_text(*v.if_integer());
    case Variant::Kind::Long:
      return number_text(*v.if_long());
    case Variant::Kind::Double: {
      const double x = *v.if_double();
      if (!std::isfinite(x)) return u"#NUM!";
      return number_text(x);
    }
    case Variant::Kind::String:
      return std::u16string(v.string_view());
    case Variant::Kind::Boolean:
      return *v.if_boolean() ? u"TRUE" : u"FALSE";
    case Variant::Kind::Error: {
      const std::string_view name = excel_error_name(*v.if_error());
      return std::u16string(name.begin(), name.end());
    }
    case Variant::Kind::Range: {
      const RangeRef& r = *v.if_range();
      return r ? shown(r->value()) : u"#REF!";
    }
    case Variant::Kind::Array: {
      const ArrayRef& a = *v.if_array();
      if (!a || a->cells.empty()) return u"#VALUE!";
      return shown(a->cells.front());
    }
  }
  return u"#VALUE!";
}

std::size_t display_columns(std::u16string_view s) {
  std::size_t n = 0;
  for (char16_t c : s) {
    if (c >= 0xDC00 && c <= 0xDFFF) continue;  // second half of a surrogate pair
    n += c >= 0x1100 ? 2 : 1;
  }
  return n;
}

}  // namespace korvane::cli
