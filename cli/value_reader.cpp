// Reading the protocol's JSON into variants, in one pass of parser events
// (value_reader.h).
#include "cli/value_reader.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "cli/json_scan.h"
#include "cli/lone_surrogates.h"
#include "cli/quoting.h"
#include "cli/value_codec.h"
#include "cli/value_shapes.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane::protocol {
namespace {

using json = nlohmann::json;

// What the value after a request's key stands for, by RequestPart.
constexpr Want kRequestWants[] = {Want::Name, Want::Args, Want::Value};

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
    unsigned keys_seen = 0;  // Request: the keys given so far (take_key)
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
    case Frame::Kind::Request:
      return kRequestWants[static_cast<int>(part_after(f.key))];
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
      return fail(name_not_text(request_));
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
      return take_argument(std::move(v), request_, error_);
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
  // A request object: its keys are the request grammar's to take.
  if (!take_key(k, f.keys_seen, request_, error_)) return false;
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

bool decode(std::string_view text, Variant& out, std::string& error) {
  constexpr Unreadable kWhy = {"the value holds a NUL byte", "the value is nested too deeply",
                               "the value is not valid JSON"};
  return read_whole(text, Reader::Mode::Value, kWhy, error,
                    [&](Reader& r) { out = std::move(r.value()); });
}

bool read_request_object(std::string_view line, Request& out, std::string& error) {
  constexpr Unreadable kWhy = {"the request line holds a NUL byte",
                               "the request is nested too deeply", "the line is not valid JSON"};
  return read_whole(line, Reader::Mode::Request, kWhy, error,
                    [&](Reader& r) { out = std::move(r.request()); });
}

}  // namespace korvane::protocol
