// The value codec: variants written as the protocol's JSON, and read back
// from parser events in one pass (see value_codec.h).
#include "cli/value_codec.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "cli/quoting.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane::protocol {
namespace {

using json = nlohmann::json;

// Deepest nesting a request may have: a request is at most an object holding
// an args array holding a ref or array object holding rows of cells holding an
// error object. Anything deeper is refused before it is parsed.
constexpr int kMaxDepth = 16;

// Walks the JSON text s from from, outside its strings: calls visit(c, depth)
// for each structural character ([ ] { } ,) with the nesting depth after it,
// counted from depth, until visit returns false or the text ends. Returns
// where it stopped: the character visit refused, or the end.
template <class Visit>
std::size_t walk_structure(std::string_view s, std::size_t from, int depth, Visit visit) {
  bool in_string = false;
  for (std::size_t i = from; i < s.size(); ++i) {
    const char c = s[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (!visit(c, ++depth)) return i;
    } else if (c == ']' || c == '}') {
      if (!visit(c, --depth)) return i;
    } else if (c == ',') {
      if (!visit(c, depth)) return i;
    }
  }
  return s.size();
}

bool nesting_within(std::string_view s, int limit) {
  bool within = true;
  walk_structure(s, 0, 0, [&](char, int depth) { return within = depth <= limit; });
  return within;
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

// ---- reading -------------------------------------------------------------------
//
// A line is read in one pass of parser events straight into the variants it
// carries, never through a document tree: the tree costs some 16 bytes a value
// and a vector per array before a variant is built, which let one 32 MiB line
// of empty cells take well over a gigabyte. Here each cell is one variant,
// written into one vector per array of rows that is reserved once at its exact
// size, and a call's arguments stop at Excel's own limit.

// Most arguments one call passes (Excel passes at most 255).
constexpr std::size_t kMaxArgs = 255;

constexpr std::string_view kRequestShape = "a request is a JSON object, such as {\"get\": \"tt\"}";
constexpr std::string_view kValueShape =
    "a value is null, a number, a string, a boolean or one of the objects "
    "{\"int\"}, {\"long\"}, {\"error\"}, {\"ref\"}, {\"array\"}";
constexpr std::string_view kOneKey =
    "a value object has exactly one key: int, long, error, ref or array";
constexpr std::string_view kCellShape =
    "a cell holds null, a number, a string, a boolean or an {\"error\": ...} object";
constexpr std::string_view kCellArray = "a cell cannot hold an array";
constexpr std::string_view kRowsShape =
    "cells are given as a non-empty array of rows, such as [[1, 2], [3, 4]]";
constexpr std::string_view kRowShape = "each row of cells is a non-empty array, such as [1, 2]";
constexpr std::string_view kRowLength = "every row of cells must have the same length";
constexpr std::string_view kIntRange = "{\"int\": n} takes a whole number from -32768 to 32767";
constexpr std::string_view kLongRange =
    "{\"long\": n} takes a whole number from -2147483648 to 2147483647";
constexpr std::string_view kNumberRange =
    "a number out of range (a Double holds at most about ±1.8e308)";
// nlohmann::json's out_of_range error for a number that overflows a double.
constexpr int kNumberOverflow = 406;
constexpr std::string_view kErrorName =
    "{\"error\": name} takes one of #NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM!, #N/A";

// The keys a request object may have: a verb naming the member, and its
// arguments or value.
constexpr std::string_view kRequestKeys[] = {"call", "get", "let", "set", "args", "value"};
constexpr std::size_t kVerbs = 4;  // the first four keys above

// What the next value read stands for.
enum class Want { Request, Name, Args, Value, Cell, RefInner, Rows, Row, Int, Long, ErrorName };

// A key of an object, and what the value after it stands for.
struct KeyedValue {
  std::string_view key;
  Want want;
};

// A value object's one key says how its value encodes the variant.
constexpr KeyedValue kValueKeys[] = {{"int", Want::Int},
                                     {"long", Want::Long},
                                     {"error", Want::ErrorName},
                                     {"ref", Want::RefInner},
                                     {"array", Want::Rows}};
// The request's keys whose value is not the member's name.
constexpr KeyedValue kRequestValues[] = {{"args", Want::Args}, {"value", Want::Value}};

// The key among keys named k, or nullptr.
template <std::size_t N>
const KeyedValue* keyed(const KeyedValue (&keys)[N], std::string_view k) {
  for (const KeyedValue& e : keys)
    if (e.key == k) return &e;
  return nullptr;
}

// Finds, in the order the parser opens them, the '[' of each array of the
// text, and counts the cells of an array of rows before they are read. Arrays
// of rows never nest, so each character is looked at a bounded number of
// times.
class Brackets {
 public:
  explicit Brackets(std::string_view text) : text_(text) {}

  // Moves past the next '[' outside a string; returns the position after it.
  std::size_t next_open() {
    pos_ = walk_structure(text_, pos_, 0, [](char c, int) { return c != '['; });
    if (pos_ < text_.size()) ++pos_;
    return pos_;
  }

  // The cells of the array of rows opened just before from: each comma inside
  // it, at any depth, separates two cells or two rows, so a well-formed array
  // holds exactly one cell more than it has commas. (A malformed one only
  // reserves too much, and is refused before anything is written to it.)
  std::size_t cells_from(std::size_t from) const {
    std::size_t commas = 0;
    walk_structure(text_, from, 1, [&](char c, int depth) {
      commas += c == ',';
      return depth > 0;
    });
    return commas + 1;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Lone surrogates. Texts are UTF-16 inside, and a text cut through a
// surrogate pair (p2 after 验证 of a text of emoji) holds half of one, which
// the writer keeps as a \udXXX escape: what eval writes it must read back.
// The JSON parser refuses such an escape, so before it sees the line each
// lone-surrogate escape is masked as \ufffd (the same six characters, so
// every position stays put), and each string that held one is decoded here,
// escape by escape into the code units they stand for. The parser meets the
// strings of the text in order, so the n-th string it hands over is the n-th
// string of the text. A line without a surrogate escape is not copied.
class LoneSurrogates {
 public:
  explicit LoneSurrogates(std::string_view text) : text_(text) {
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

  // The text for the parser: lone-surrogate escapes masked.
  std::string_view text() const { return masked_.empty() ? text_ : masked_; }

  // The text of the next string the parser hands over, when it held a lone
  // surrogate; nullptr otherwise.
  const std::u16string* next() {
    const std::size_t ordinal = seen_++;
    if (at_ < strings_.size() && strings_[at_].first == ordinal) return &strings_[at_++].second;
    return nullptr;
  }

 private:
  static int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // The code unit of the \uXXXX escape at s[i] (the backslash), or -1.
  static long unit_at(std::string_view s, std::size_t i) {
    if (i + 6 > s.size() || s[i] != '\\' || s[i + 1] != 'u') return -1;
    long u = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
      const int d = hex_digit(s[k]);
      if (d < 0) return -1;
      u = u * 16 + d;
    }
    return u;
  }
  static bool is_high(long u) { return u >= 0xD800 && u <= 0xDBFF; }
  static bool is_low(long u) { return u >= 0xDC00 && u <= 0xDFFF; }

  // Whether s has an escape that starts \ud or \uD at all: the cheap test.
  static bool may_hold_one(std::string_view s) {
    for (std::size_t at = s.find("\\u"); at != std::string_view::npos; at = s.find("\\u", at + 1))
      if (at + 2 < s.size() && (s[at + 2] == 'd' || s[at + 2] == 'D')) return true;
    return false;
  }

  // Where the string whose characters start at from ends: its closing quote,
  // or the end of the text.
  static std::size_t string_end(std::string_view s, std::size_t from) {
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
  static void each_lone(std::string_view s, Lone lone) {
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
  static bool holds_lone(std::string_view s) {
    bool found = false;
    each_lone(s, [&](std::size_t) { found = true; });
    return found;
  }

  // Masks the string's lone escapes and keeps its decoded text.
  void mask(std::string_view text, std::size_t from, std::size_t end, std::size_t ordinal) {
    if (masked_.empty()) masked_ = text;
    each_lone(text.substr(from, end - from),
              [&](std::size_t i) { masked_.replace(from + i + 2, 4, "fffd"); });
    strings_.emplace_back(ordinal, decoded(text.substr(from, end - from)));
  }

  // The string's characters s as UTF-16: each \uXXXX escape the code unit it
  // stands for, the other escapes their characters, the rest UTF-8. (A
  // malformed string is refused by the parser, which sees the same text.)
  static std::u16string decoded(std::string_view s) {
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

  std::string_view text_;
  std::string masked_;
  std::vector<std::pair<std::size_t, std::u16string>> strings_;  // by ordinal
  std::size_t seen_ = 0, at_ = 0;
};

// Reads a request line (or one value) from the parser's events. Stops at the
// first thing wrong, with a sentence saying what.
class Reader final : public nlohmann::json_sax<json> {
 public:
  enum class Mode { Request, Value };

  Reader(std::string_view text, Mode mode)
      : lone_(text), text_(lone_.text()), brackets_(text_), mode_(mode) {
    stack_.push_back({Frame::Kind::Top});
  }

  // Reads the whole text; false with error() set when it is not a request
  // (or a value) of the protocol.
  bool read(std::string_view invalid_json) {
    if (json::sax_parse(text_.begin(), text_.end(), this)) return true;
    if (error_.empty()) error_ = invalid_json;
    return false;
  }
  const std::string& error() const { return error_; }
  Request& request() { return request_; }
  Variant& value() { return value_; }

  bool null() override { return scalar({Scalar::Type::Null}); }
  bool boolean(bool b) override { return scalar({Scalar::Type::Bool, 0, b}); }
  bool number_integer(number_integer_t x) override {
    return scalar({Scalar::Type::Number, static_cast<double>(x)});
  }
  bool number_unsigned(number_unsigned_t x) override {
    return scalar({Scalar::Type::Number, static_cast<double>(x)});
  }
  bool number_float(number_float_t x, const string_t&) override {
    return scalar({Scalar::Type::Number, x});
  }
  bool string(string_t& s) override {
    return scalar({Scalar::Type::String, 0, false, &s, lone_.next()});
  }
  bool binary(binary_t&) override { return fail(kValueShape); }
  bool start_object(std::size_t) override;
  bool key(string_t& k) override;
  bool end_object() override;
  bool start_array(std::size_t) override;
  bool end_array() override;
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    // The parser's one number error: a valid JSON number beyond a Double.
    if (e.id == kNumberOverflow) return fail(kNumberRange);
    return false;
  }

 private:
  struct Scalar {
    enum class Type { Null, Bool, Number, String } type;
    double number = 0;
    bool boolean = false;
    const std::string* text = nullptr;
    const std::u16string* wide = nullptr;  // the text, when it held a lone surrogate

    std::u16string utf16() const { return wide ? *wide : to_utf16(*text); }
  };

  // One open object or array, innermost last.
  struct Frame {
    enum class Kind { Top, Request, Args, ValueObject, CellObject, Rows, Row };
    Frame(Kind k) : kind(k) {}  // NOLINT(google-explicit-constructor): {Kind} reads as a frame
    Kind kind;
    std::string key;             // objects: the key whose value is being read
    Variant result;              // ValueObject, CellObject: the value built
    bool ref = false;            // Rows: a reference ({"ref": [[...]]}) rather than an array value
    std::vector<Variant> cells;  // Rows: every cell, row by row
    std::size_t rows = 0, cols = 0, row_cells = 0;
    unsigned keys_seen = 0;  // Request: the kRequestKeys given so far, one bit each
  };

  Want want() const;
  bool wrong(Want w);
  bool scalar(const Scalar& s);
  bool deliver(Variant v);
  bool number_in(const Scalar& s, double lo, double hi, double& out) const;

  bool fail(std::string_view message) {
    error_ = message;
    return false;
  }

  LoneSurrogates lone_;
  std::string_view text_;
  Brackets brackets_;
  Mode mode_;
  std::vector<Frame> stack_;
  Request request_;
  Variant value_;
  std::string error_;
};

Want Reader::want() const {
  const Frame& f = stack_.back();
  switch (f.kind) {
    case Frame::Kind::Top:
      return mode_ == Mode::Request ? Want::Request : Want::Value;
    case Frame::Kind::Request: {
      const KeyedValue* k = keyed(kRequestValues, f.key);
      return k ? k->want : Want::Name;
    }
    case Frame::Kind::Args:
      return Want::Value;
    case Frame::Kind::ValueObject: {
      const KeyedValue* k = keyed(kValueKeys, f.key);
      return k ? k->want : Want::Rows;
    }
    case Frame::Kind::CellObject:
      return Want::ErrorName;
    case Frame::Kind::Rows:
      return Want::Row;
    case Frame::Kind::Row:
      return Want::Cell;
  }
  return Want::Value;
}

// The sentence for a value of the wrong shape where w was wanted.
bool Reader::wrong(Want w) {
  switch (w) {
    case Want::Request:
      return fail(kRequestShape);
    case Want::Name:
      return fail("the name after \"" + request_.verb + "\" must be a string");
    case Want::Args:
      return fail(kArgsShape);
    case Want::Value:
      return fail(kValueShape);
    case Want::Cell:
    case Want::RefInner:
      return fail(kCellArray);
    case Want::Rows:
      return fail(kRowsShape);
    case Want::Row:
      return fail(kRowShape);
    case Want::Int:
      return fail(kIntRange);
    case Want::Long:
      return fail(kLongRange);
    case Want::ErrorName:
      return fail(kErrorName);
  }
  return fail(kValueShape);
}

bool Reader::number_in(const Scalar& s, double lo, double hi, double& out) const {
  if (s.type != Scalar::Type::Number) return false;
  if (!(s.number >= lo && s.number <= hi) || std::floor(s.number) != s.number) return false;
  out = s.number;
  return true;
}

bool Reader::scalar(const Scalar& s) {
  const Want w = want();
  double x = 0;
  switch (w) {
    case Want::Name:
      if (s.type != Scalar::Type::String) return wrong(w);
      request_.name = s.utf16();
      return true;
    case Want::Int:
      if (!number_in(s, -32768, 32767, x)) return wrong(w);
      return deliver(Variant::integer(static_cast<std::int16_t>(x)));
    case Want::Long:
      if (!number_in(s, -2147483648.0, 2147483647.0, x)) return wrong(w);
      return deliver(Variant::long_integer(static_cast<std::int32_t>(x)));
    case Want::ErrorName: {
      ExcelError e;
      if (s.type != Scalar::Type::String || !excel_error_from_name(*s.text, e)) return wrong(w);
      return deliver(Variant(e));
    }
    case Want::Value:
    case Want::Cell:
    case Want::RefInner:
      break;
    default:
      return wrong(w);
  }
  switch (s.type) {
    case Scalar::Type::Null:
      return deliver(Variant());
    case Scalar::Type::Bool:
      return deliver(Variant(s.boolean));
    case Scalar::Type::Number:
      if (!std::isfinite(s.number)) return fail(kNumberRange);
      return deliver(Variant(s.number));
    case Scalar::Type::String:
      return deliver(Variant(s.utf16()));
  }
  return wrong(w);
}

// Hands a value read whole to the object or array it stands in.
bool Reader::deliver(Variant v) {
  Frame& f = stack_.back();
  switch (f.kind) {
    case Frame::Kind::Top:
      value_ = std::move(v);
      return true;
    case Frame::Kind::Request:
      request_.has_value = true;
      request_.value = std::move(v);
      return true;
    case Frame::Kind::Args:
      if (request_.args.size() == kMaxArgs)
        return fail("a call passes at most " + std::to_string(kMaxArgs) + " arguments");
      request_.args.push_back(std::move(v));
      return true;
    case Frame::Kind::ValueObject:
      // {"ref": V} of one cell is a reference to that cell.
      f.result = f.key == "ref" && !v.is_range() ? Variant(make_cell(std::move(v))) : std::move(v);
      return true;
    case Frame::Kind::CellObject:
      f.result = std::move(v);
      return true;
    case Frame::Kind::Row: {
      Frame& rows = stack_[stack_.size() - 2];
      rows.cells.push_back(std::move(v));
      ++rows.row_cells;
      return true;
    }
    case Frame::Kind::Rows:
      break;
  }
  return fail(kRowShape);
}

bool Reader::start_object(std::size_t) {
  const Want w = want();
  switch (w) {
    case Want::Request:
      stack_.push_back({Frame::Kind::Request});
      return true;
    case Want::Value:
      stack_.push_back({Frame::Kind::ValueObject});
      return true;
    case Want::Cell:
    case Want::RefInner:
      stack_.push_back({Frame::Kind::CellObject});
      return true;
    default:
      return w == Want::Args ? fail(kArgsShape) : wrong(w);
  }
}

bool Reader::key(string_t& k) {
  lone_.next();  // a key is one of the text's strings too
  Frame& f = stack_.back();
  if (f.kind == Frame::Kind::CellObject) {
    if (!f.key.empty() || k != "error") return fail(kCellShape);
    f.key = k;
    return true;
  }
  if (f.kind == Frame::Kind::ValueObject) {
    if (!f.key.empty()) return fail(kOneKey);
    if (!keyed(kValueKeys, k))
      return fail("unknown value encoding " + cli::quoted_text(k) +
                  ": use int, long, error, ref or array");
    f.key = k;
    return true;
  }
  // A request object: each known key once, exactly one verb among them.
  std::size_t i = 0;
  while (i < std::size(kRequestKeys) && kRequestKeys[i] != k) ++i;
  if (i == std::size(kRequestKeys))
    return fail("unexpected key " + cli::quoted_text(k) + " in a " +
                (request_.verb.empty() ? std::string("request") : request_.verb + " request"));
  if (f.keys_seen & (1u << i)) return fail("the key " + cli::quoted_text(k) + " is given twice");
  f.keys_seen |= 1u << i;
  if (i < kVerbs) {
    if (!request_.verb.empty())
      return fail("a request names exactly one of call, get, let and set");
    request_.verb = k;
  }
  f.key = k;
  return true;
}

bool Reader::end_object() {
  Frame f = std::move(stack_.back());
  stack_.pop_back();
  switch (f.kind) {
    case Frame::Kind::ValueObject:
      if (f.key.empty()) return fail(kOneKey);
      return deliver(std::move(f.result));
    case Frame::Kind::CellObject:
      if (f.key.empty()) return fail(kCellShape);
      return deliver(std::move(f.result));
    default:
      return true;  // the request: checked as a whole once read
  }
}

bool Reader::start_array(std::size_t) {
  const std::size_t at = brackets_.next_open();
  const Want w = want();
  switch (w) {
    case Want::Args:
      stack_.push_back({Frame::Kind::Args});
      return true;
    case Want::Rows:
    case Want::RefInner: {
      Frame rows{Frame::Kind::Rows};
      rows.ref = w == Want::RefInner;
      rows.cells.reserve(brackets_.cells_from(at));
      stack_.push_back(std::move(rows));
      return true;
    }
    case Want::Row:
      stack_.back().row_cells = 0;
      stack_.push_back({Frame::Kind::Row});
      return true;
    default:
      return wrong(w);
  }
}

bool Reader::end_array() {
  const Frame::Kind kind = stack_.back().kind;
  if (kind == Frame::Kind::Args) {
    stack_.pop_back();
    request_.has_args = true;
    return true;
  }
  if (kind == Frame::Kind::Row) {
    stack_.pop_back();
    Frame& rows = stack_.back();
    if (rows.row_cells == 0) return fail(kRowShape);
    if (rows.cols == 0) rows.cols = rows.row_cells;
    if (rows.row_cells != rows.cols) return fail(kRowLength);
    ++rows.rows;
    return true;
  }
  Frame rows = std::move(stack_.back());
  stack_.pop_back();
  if (rows.rows == 0) return fail(kRowsShape);
  if (rows.ref) return deliver(Variant(make_block(rows.rows, rows.cols, std::move(rows.cells))));
  return deliver(Variant(make_array(rows.rows, rows.cols, std::move(rows.cells))));
}

// The sentences for a text that cannot be read: one holding a NUL, one
// nested too deeply, one that is not JSON.
struct Unreadable {
  std::string_view nul, deep, invalid;
};

// Reads text whole in mode and hands the reader to take; false with a
// sentence in error when the text cannot be read. JSON has no raw NUL: one
// cannot be part of a value, and what follows it must not be read as though
// the text ended there.
template <class Take>
bool read_whole(std::string_view text, Reader::Mode mode, const Unreadable& why, std::string& error,
                Take take) {
  if (text.find('\0') != std::string_view::npos) {
    error = why.nul;
    return false;
  }
  if (!nesting_within(text, kMaxDepth)) {
    error = why.deep;
    return false;
  }
  Reader r(text, mode);
  if (!r.read(why.invalid)) {
    error = r.error();
    return false;
  }
  take(r);
  return true;
}

}  // namespace

std::string encode(const Variant& v) {
  std::string out;
  write_value(out, v);
  return out;
}

bool decode(std::string_view text, Variant& out, std::string& error) {
  constexpr Unreadable kWhy = {"the value holds a NUL byte", "the value is nested too deeply",
                               "the value is not valid JSON"};
  return read_whole(text, Reader::Mode::Value, kWhy, error,
                    [&](Reader& r) { out = std::move(r.value()); });
}

std::string encode_text(std::u16string_view s) {
  std::string out;
  write_string(out, s);
  return out;
}

bool read_request(std::string_view line, Request& out, std::string& error) {
  constexpr Unreadable kWhy = {"the request line holds a NUL byte",
                               "the request is nested too deeply", "the line is not valid JSON"};
  return read_whole(line, Reader::Mode::Request, kWhy, error,
                    [&](Reader& r) { out = std::move(r.request()); });
}

}  // namespace korvane::protocol
