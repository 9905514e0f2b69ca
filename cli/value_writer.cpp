// Writing values as the protocol's JSON (value_codec.h).
//
// The writer is the half of the codec every answer goes through, so it
// writes straight into one string, never through a document tree. Two
// choices keep what it writes readable back as the same value: a text's lone
// surrogate (half of an emoji, cut by a text function) is kept as its \u
// escape rather than replaced, and a negative zero keeps its sign.
#include <charconv>
#include <cmath>

#include "cli/value_codec.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane::protocol {
namespace {

void write_string(std::string& out, std::u16string_view s) {
  out += '"';
  auto hex = [&](unsigned u) {
    static const char digits[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(u >> shift) & 0xF];
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char32_t c = s[i];
    switch (c) {
      case u'"':
        out += "\\\"";
        continue;
      case u'\\':
        out += "\\\\";
        continue;
      case u'\n':
        out += "\\n";
        continue;
      case u'\r':
        out += "\\r";
        continue;
      case u'\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
      hex(c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
               s[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
      append_utf8(out, cp);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      hex(c);  // a lone surrogate, kept losslessly as an escape
    } else {
      append_utf8(out, c);
    }
  }
  out += '"';
}

void write_double(std::string& out, double x) {
  if (!std::isfinite(x)) {  // the core never hands one back; never write invalid JSON
    out += R"({"error":"#NUM!"})";
    return;
  }
  if (x == 0 && std::signbit(x)) {
    // "-0" would read back as the integer 0 in most JSON readers; "-0.0" keeps
    // the sign (a result such as 0 / -1/9 has one).
    out += "-0.0";
    return;
  }
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, x);
  out.append(buf, r.ptr);
}

void write_value(std::string& out, const Variant& v);

void write_rows(std::string& out, const Array2D& a) {
  out += '[';
  for (std::size_t r = 0; r < a.rows; ++r) {
    if (r) out += ',';
    out += '[';
    for (std::size_t c = 0; c < a.cols; ++c) {
      if (c) out += ',';
      write_value(out, a.at(r, c));
    }
    out += ']';
  }
  out += ']';
}

void write_value(std::string& out, const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      out += "null";
      return;
    case Variant::Kind::Integer:
      out += R"({"int":)" + std::to_string(*v.if_integer()) + "}";
      return;
    case Variant::Kind::Long:
      out += R"({"long":)" + std::to_string(*v.if_long()) + "}";
      return;
    case Variant::Kind::Double:
      write_double(out, *v.if_double());
      return;
    case Variant::Kind::String:
      write_string(out, v.string_view());
      return;
    case Variant::Kind::Boolean:
      out += *v.if_boolean() ? "true" : "false";
      return;
    case Variant::Kind::Error:
      out += R"({"error":")";
      out += excel_error_name(*v.if_error());
      out += "\"}";
      return;
    case Variant::Kind::Range: {
      const RangeRef& r = *v.if_range();
      const Variant value = r ? r->value() : Variant();
      out += R"({"ref":)";
      if (const ArrayRef* a = value.if_array(); a && *a) {
        write_rows(out, **a);
      } else {
        write_value(out, value);
      }
      out += '}';
      return;
    }
    case Variant::Kind::Array: {
      const ArrayRef& a = *v.if_array();
      out += R"({"array":)";
      if (a) {
        write_rows(out, *a);
      } else {
        out += "[]";
      }
      out += '}';
      return;
    }
  }
}

}  // namespace

std::string encode(const Variant& v) {
  std::string out;
  write_value(out, v);
  return out;
}

std::string encode_text(std::u16string_view s) {
  std::string out;
  write_string(out, s);
  return out;
}

}  // namespace korvane::protocol
