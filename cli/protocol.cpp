#include "cli/protocol.h"

#include <utf8.h>

#include <charconv>
#include <cmath>
#include <istream>
#include <nlohmann/json.hpp>
#include <ostream>

#include "addin/custom_functions.h"

namespace korvane::protocol {
namespace {

using json = nlohmann::json;

// Deepest nesting a request may have: a request is at most an object holding
// an args array holding a ref or array object holding rows of cells holding an
// error object. Anything deeper is refused before it is parsed.
constexpr int kMaxDepth = 16;

bool nesting_within(std::string_view s, int limit) {
  int depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// ---- writing -------------------------------------------------------------------

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
      utf8::append(cp, std::back_inserter(out));
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      hex(c);  // a lone surrogate, kept losslessly as an escape
    } else {
      utf8::append(c, std::back_inserter(out));
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

void write_value(std::string& out, const Variant& v, bool in_cell);

void write_rows(std::string& out, const Array2D& a) {
  out += '[';
  for (std::size_t r = 0; r < a.rows; ++r) {
    if (r) out += ',';
    out += '[';
    for (std::size_t c = 0; c < a.cols; ++c) {
      if (c) out += ',';
      write_value(out, a.at(r, c), true);
    }
    out += ']';
  }
  out += ']';
}

void write_value(std::string& out, const Variant& v, bool in_cell) {
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
      write_string(out, *v.if_string());
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
        write_value(out, value, true);
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
  (void)in_cell;
}

// ---- reading -------------------------------------------------------------------

struct Decoder {
  std::string error;

  bool fail(std::string message) {
    error = std::move(message);
    return false;
  }

  bool whole_in(const json& j, double lo, double hi, double& out) {
    if (!j.is_number()) return false;
    const double x = j.get<double>();
    if (!(x >= lo && x <= hi) || std::floor(x) != x) return false;
    out = x;
    return true;
  }

  // A value that may stand in a cell: null, number, string, boolean, error.
  bool cell(const json& j, Variant& out) {
    if (j.is_object()) {
      if (j.size() == 1 && j.contains("error")) return scalar(j, out);
      return fail("a cell holds null, a number, a string, a boolean or an {\"error\": ...} object");
    }
    if (j.is_array()) return fail("a cell cannot hold an array");
    return scalar(j, out);
  }

  bool rows(const json& j, std::size_t& nrows, std::size_t& ncols, std::vector<Variant>& cells) {
    if (!j.is_array() || j.empty())
      return fail("cells are given as a non-empty array of rows, such as [[1, 2], [3, 4]]");
    nrows = j.size();
    ncols = 0;
    for (const json& row : j) {
      if (!row.is_array() || row.empty())
        return fail("each row of cells is a non-empty array, such as [1, 2]");
      if (ncols == 0) ncols = row.size();
      if (row.size() != ncols) return fail("every row of cells must have the same length");
      for (const json& c : row) {
        Variant v;
        if (!cell(c, v)) return false;
        cells.push_back(std::move(v));
      }
    }
    return true;
  }

  bool scalar(const json& j, Variant& out) {
    switch (j.type()) {
      case json::value_t::null:
        out = Variant();
        return true;
      case json::value_t::boolean:
        out = Variant(j.get<bool>());
        return true;
      case json::value_t::number_integer:
      case json::value_t::number_unsigned:
      case json::value_t::number_float: {
        const double x = j.get<double>();
        if (!std::isfinite(x)) return fail("a number must be finite");
        out = Variant(x);
        return true;
      }
      case json::value_t::string:
        out = Variant(to_utf16(j.get_ref<const std::string&>()));
        return true;
      case json::value_t::object:
        break;
      default:
        return fail(
            "a value is null, a number, a string, a boolean or one of the objects "
            "{\"int\"}, {\"long\"}, {\"error\"}, {\"ref\"}, {\"array\"}");
    }
    if (j.size() != 1)
      return fail("a value object has exactly one key: int, long, error, ref or array");
    // The entry is read through a named iterator: a structured binding to
    // *j.items().begin() would refer to a temporary that is already gone.
    const auto entry = j.items().begin();
    const std::string& key = entry.key();
    const json& inner = entry.value();
    double x = 0;
    if (key == "int") {
      if (!whole_in(inner, -32768, 32767, x))
        return fail("{\"int\": n} takes a whole number from -32768 to 32767");
      out = Variant::integer(static_cast<std::int16_t>(x));
      return true;
    }
    if (key == "long") {
      if (!whole_in(inner, -2147483648.0, 2147483647.0, x))
        return fail("{\"long\": n} takes a whole number from -2147483648 to 2147483647");
      out = Variant::long_integer(static_cast<std::int32_t>(x));
      return true;
    }
    if (key == "error") {
      ExcelError e;
      if (!inner.is_string() || !excel_error_from_name(inner.get_ref<const std::string&>(), e))
        return fail(
            "{\"error\": name} takes one of #NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, "
            "#NUM!, #N/A");
      out = Variant(e);
      return true;
    }
    if (key == "ref") {
      if (inner.is_array()) {
        std::size_t r = 0, c = 0;
        std::vector<Variant> cells;
        if (!rows(inner, r, c, cells)) return false;
        out = Variant(make_block(r, c, std::move(cells)));
        return true;
      }
      Variant v;
      if (!cell(inner, v)) return false;
      out = Variant(make_cell(std::move(v)));
      return true;
    }
    if (key == "array") {
      std::size_t r = 0, c = 0;
      std::vector<Variant> cells;
      if (!rows(inner, r, c, cells)) return false;
      out = Variant(make_array(r, c, std::move(cells)));
      return true;
    }
    return fail("unknown value encoding \"" + key + "\": use int, long, error, ref or array");
  }
};

std::string fault_line(std::string_view message) {
  std::string out = R"({"fault":)";
  write_string(out, to_utf16(message));
  out += '}';
  return out;
}

std::string outcome_line(const Outcome& o) {
  switch (o.kind) {
    case Outcome::Kind::Result:
      return R"({"result":)" + encode(o.value) + "}";
    case Outcome::Kind::Fail:
      return R"({"fail":"#VALUE!"})";
    case Outcome::Kind::Fault:
      break;
  }
  return fault_line(o.message);
}

bool is_blank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

}  // namespace

std::u16string to_utf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  auto it = utf8.begin();
  while (it != utf8.end()) {
    char32_t cp;
    try {
      cp = utf8::next(it, utf8.end());
    } catch (const utf8::exception&) {
      cp = 0xFFFD;  // a malformed byte; step over it
      ++it;
    }
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
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    utf8::append(c, std::back_inserter(out));
  }
  return out;
}

std::string encode(const Variant& v) {
  std::string out;
  write_value(out, v, false);
  return out;
}

bool decode(std::string_view text, Variant& out, std::string& error) {
  if (!nesting_within(text, kMaxDepth)) {
    error = "the value is nested too deeply";
    return false;
  }
  const json j = json::parse(text, nullptr, false);
  if (j.is_discarded()) {
    error = "the value is not valid JSON";
    return false;
  }
  Decoder d;
  if (!d.scalar(j, out)) {
    error = d.error;
    return false;
  }
  return true;
}

std::string answer(Backend& backend, std::string_view line) {
  if (is_blank(line)) return {};
  if (!nesting_within(line, kMaxDepth)) return fault_line("the request is nested too deeply");
  const json req = json::parse(line, nullptr, false);
  if (req.is_discarded()) return fault_line("the line is not valid JSON");
  if (!req.is_object()) return fault_line("a request is a JSON object, such as {\"get\": \"tt\"}");

  static constexpr std::string_view kVerbs[] = {"call", "get", "let", "set"};
  std::string_view verb;
  for (std::string_view v : kVerbs) {
    if (req.contains(v)) {
      if (!verb.empty()) return fault_line("a request names exactly one of call, get, let and set");
      verb = v;
    }
  }
  if (verb.empty()) return fault_line("a request names one of call, get, let or set");
  const json& name_json = req[std::string(verb)];
  if (!name_json.is_string())
    return fault_line("the name after \"" + std::string(verb) + "\" must be a string");
  const std::u16string name = to_utf16(name_json.get_ref<const std::string&>());

  const bool takes_args = verb == "call";
  const bool takes_value = verb == "let" || verb == "set";
  for (const auto& [key, _] : req.items()) {
    if (key == verb || (takes_args && key == "args") || (takes_value && key == "value")) continue;
    return fault_line("unexpected key \"" + key + "\" in a " + std::string(verb) + " request");
  }

  Decoder d;
  if (takes_args) {
    if (!req.contains("args") || !req["args"].is_array())
      return fault_line("a call request needs \"args\": an array of values");
    std::vector<Variant> args;
    args.reserve(req["args"].size());
    for (const json& a : req["args"]) {
      Variant v;
      if (!d.scalar(a, v)) return fault_line(d.error);
      args.push_back(std::move(v));
    }
    return outcome_line(backend.call(name, args));
  }
  if (verb == "get") return outcome_line(backend.get(name));

  if (!req.contains("value"))
    return fault_line("a " + std::string(verb) + " request needs \"value\"");
  Variant value;
  if (!d.scalar(req["value"], value)) return fault_line(d.error);
  if (verb == "set") {
    if (!value.is_range())
      return fault_line("set assigns a reference: give the value as {\"ref\": ...}");
    return outcome_line(backend.set(name, value));
  }
  return outcome_line(backend.let(name, value));
}

void serve(Backend& backend, std::istream& in, std::ostream& out) {
  std::streambuf* buf = in.rdbuf();
  std::string line;
  bool too_long = false;
  bool any = false;
  auto finish = [&] {
    if (too_long) {
      out << fault_line("the request line is longer than " + std::to_string(kMaxLine >> 20) +
                        " MiB")
          << '\n'
          << std::flush;
    } else {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string a = answer(backend, line);
      if (!a.empty()) out << a << '\n' << std::flush;
    }
    line.clear();
    too_long = false;
    any = false;
  };
  for (;;) {
    const int c = buf->sbumpc();
    if (c == std::char_traits<char>::eof()) break;
    any = true;
    if (c == '\n') {
      finish();
      continue;
    }
    if (too_long) continue;
    if (line.size() >= kMaxLine) {
      too_long = true;
      line.clear();
      line.shrink_to_fit();
      continue;
    }
    line += static_cast<char>(c);
  }
  if (any) finish();
}

}  // namespace korvane::protocol
