// How every worksheet function reads its arguments, and how a step fails.
//
// The add-in follows Visual Basic's treatment of variants, which is what the
// bookkeepers' workbooks were written against:
//  - numeric coercion: a text that reads as a number counts as that number,
//    Empty as 0, True as -1; any other text, an error value or an array fails;
//  - text form: numbers at most 15 significant digits, Empty as "", booleans
//    as "True"/"False"; error values and arrays fail;
//  - leading-number value (VB's Val): never fails, reads the longest numeric
//    prefix after removing blanks, with &H / &O for hexadecimal and octal;
//    it and the reading of a numeric text live with the other text readers in
//    core/text.h;
//  - floor toward minus infinity, and half-to-even rounding where a fractional
//    value becomes a position.
//
// A step that can fail returns Maybe<T>; an empty Maybe is the failure. The
// two failure regimes are built from that:
//  - skip-on-error (the draw set-up and the bet functions): a failing step is
//    skipped and a failing test counts as met (see `holds`);
//  - failing call (all other functions): `need` turns the first failing step
//    into CallFailed, which the member table turns into #VALUE!.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"
#include "core/variant.h"

namespace korvane {

template <class T>
using Maybe = std::optional<T>;

// ---- the two failure regimes ----------------------------------------------

// A failing-call function ends on its first failing step; the front end shows
// the failure as #VALUE!.
struct CallFailed {};

template <class T>
T need(Maybe<T> step) {
  if (!step) throw CallFailed{};
  return std::move(*step);
}

// The test of a conditional step under skip-on-error: when the test itself
// fails, the guarded action runs as if the test had held.
inline bool holds(Maybe<bool> test) noexcept { return test.value_or(true); }

// An assignment step under skip-on-error: when computing the value failed, the
// target keeps its former value.
template <class T, class U>
void assign(T& target, Maybe<U> value) {
  if (value) target = std::move(*value);
}

// A number that overflowed (or an operation without a defined result) fails the
// step, as Visual Basic raises an overflow there.
inline Maybe<double> checked(double x) noexcept {
  if (x - x != 0.0) return std::nullopt;  // infinity or NaN
  return x;
}

// ---- text ----------------------------------------------------------------

// The text form of a value, without copying a text argument: it either refers
// to the characters of the string it came from (valid while that string
// lives), or holds the text itself (a formatted number, a boolean, or a text
// read out of a range).
class Text {
 public:
  Text() = default;
  static Text borrowed(std::u16string_view s) {
    Text t;
    t.borrowed_ = s;
    return t;
  }
  static Text owned(std::u16string s) {
    Text t;
    t.kind_ = Kind::Owned;
    t.owned_ = std::move(s);
    return t;
  }
  static Text ascii(std::string_view s);  // s fits the inline buffer

  std::u16string_view view() const noexcept {
    switch (kind_) {
      case Kind::Inline:
        return {buf_, len_};
      case Kind::Owned:
        return owned_;
      case Kind::Borrowed:
        break;
    }
    return borrowed_;
  }
  operator std::u16string_view() const noexcept { return view(); }
  std::size_t size() const noexcept { return view().size(); }
  bool empty() const noexcept { return view().empty(); }

  static constexpr std::size_t kInline = 32;

 private:
  enum class Kind : std::uint8_t { Borrowed, Inline, Owned };
  Kind kind_ = Kind::Borrowed;
  std::uint8_t len_ = 0;
  std::u16string_view borrowed_;
  std::u16string owned_;
  char16_t buf_[kInline] = {};
};

// The text form of a Double: up to 15 significant digits, no trailing zeros,
// exponent form (1E+15, 1.5E-07) when the decimal exponent is >= 15 or <= -5;
// -0 gives "0". Writes ASCII into out (at least 32 chars) and returns the length.
std::size_t format_double(double x, char* out) noexcept;
std::u16string number_text(double x);

// Text form (see above). The value is the one v stands for (a range is read).
Maybe<Text> text(const Variant& v);

// A text form, or none (the value had no text form). Passed by reference:
// the steps of a call read its fields where they were written, with no copy
// between.
class TextView {
 public:
  constexpr TextView() = default;  // no text form
  constexpr TextView(std::u16string_view s) noexcept
      : data_(s.data()), size_(s.size()), ok_(true) {}

  constexpr explicit operator bool() const noexcept { return ok_; }
  constexpr std::u16string_view operator*() const noexcept { return {data_, size_}; }

 protected:
  void refer_to(std::u16string_view s) noexcept {
    data_ = s.data();
    size_ = s.size();
    ok_ = true;
  }

 private:
  const char16_t* data_ = nullptr;
  std::size_t size_ = 0;
  bool ok_ = false;
};

// The text form of one value, read once for the steps of a call. A text
// argument is referred to, not copied; anything else is formatted into the
// object. Neither copied nor moved, since the view may point into it.
class TextOf : public TextView {
 public:
  explicit TextOf(const Variant& v) {
    if (v.is_string()) {
      refer_to(v.string_view());
    } else if (v.is_empty()) {
      refer_to(u"");  // a blank cell
    } else if ((held_ = text(v))) {
      refer_to(held_->view());
    }
  }
  TextOf(Variant&&) = delete;  // would refer to a value about to go
  TextOf(const TextOf&) = delete;
  TextOf& operator=(const TextOf&) = delete;

 private:
  Maybe<Text> held_;
};

// ---- numbers ---------------------------------------------------------------

// A number together with the variant type it has in VB's arithmetic, where
// the type of a result follows its operands (core/arithmetic.h).
struct Numeric {
  enum class Width : std::uint8_t { Integer, Long, Double };
  double value = 0;
  Width width = Width::Integer;

  // A whole constant as VB types a literal: Integer up to 32767, else Long.
  static constexpr Numeric whole(std::int32_t v) noexcept {
    return {static_cast<double>(v), v >= -32768 && v <= 32767 ? Width::Integer : Width::Long};
  }
};

// Numeric coercion of a value, keeping the width: Empty and booleans are
// Integers, Integers and Longs keep theirs, a Double or a numeric text (read
// by parse_number) is a Double; other texts, error values, arrays and
// non-finite Doubles fail.
Maybe<Numeric> numeric(const Variant& v);

// Numeric coercion of a value.
Maybe<double> number(const Variant& v);

// Floor toward minus infinity.
inline double floor_(double x) noexcept { return std::floor(x); }

// A fractional value made a whole number for use as a position: nearest whole
// number, halves to the even neighbour. Fails when it is not a position at all
// (non-finite, or beyond what a text can hold).
Maybe<std::int64_t> position(double x) noexcept;

// ---- comparisons -----------------------------------------------------------

// v > bound, comparing v as a number (fails where numeric coercion fails).
Maybe<bool> greater_than(const Variant& v, double bound);

// v equals the text s: a text compares character by character, Empty equals
// only the empty text, a number or boolean never equals a text; an error value
// or an array fails the comparison.
Maybe<bool> equals_text(const Variant& v, std::u16string_view s);

// Occurrence count of b in s as the worksheets count a code: length(s) minus
// the length of s with every non-overlapping occurrence of b replaced by one
// character. Zero for a b of one character or none.
std::size_t count_code(std::u16string_view s, std::u16string_view b) noexcept;

// Mid$(s, start, len) with a 1-based start: empty past the end.
std::u16string_view mid(std::u16string_view s, std::size_t start, std::size_t len) noexcept;

}  // namespace korvane
