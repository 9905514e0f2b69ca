// Fuzz target: every worksheet function and property of one add-in object,
// called with arbitrary variants.
//
// The fuzz bytes are read as a little program: each operation picks a member of
// the interface (in member-list order) and builds its arguments, every kind of
// variant a worksheet or a macro can hand over: Empty, Integer, Long, Double
// (extreme but never NaN or infinite, as no cell holds one), texts short and
// long and odd (surrogates, lone surrogates, Chinese, digits and separators,
// &H / &O prefixes), booleans, error values, one-cell and several-cell
// references, a reference to nothing, and arrays. One input drives one object,
// as one running Excel does, so a draw loaded by 验证 is what later calls see.
//
// After every operation the object must still be in a state the add-in allows:
//  - only 验证 and the property writers change the draw;
//  - after 验证: t is tn as passed; p1..p6 are texts of at most two characters
//    (or, when pn has no text form, all keep their values); pp1..pp6 and tt are
//    one sign of the sequence, the empty text or the Integer 0 (or keep their
//    value where a step was skipped); yyy is unchanged or a number's text;
//  - a let stores the value a reference stands for, a set the reference;
//  - a skip-on-error function never fails; a failing call fails with no value
//    or hands back a value;
//  - a result is empty, a number that is finite, or a text, unless it is the
//    收入 argument handed back as the bet functions do on a win;
//  - the same call with the same draw gives the same answer.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "cli/protocol.h"
#include "core/custom_functions.h"
#include "core/text.h"
#include "zodiac/zodiac_rule.h"

namespace {

using namespace korvane;

constexpr int kMaxOperations = 32;
constexpr std::size_t kMaxRepeat = 4096;  // longest repetition of one piece of text

// The fuzz bytes, read front to back; past the end every read gives zeros.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}
  bool empty() const noexcept { return n_ == 0; }
  std::uint8_t byte() noexcept {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  template <class T>
  T raw() noexcept {
    unsigned char b[sizeof(T)];
    for (unsigned char& c : b) c = byte();
    T v;
    std::memcpy(&v, b, sizeof v);
    return v;
  }
  // A number below k (k > 0).
  std::size_t below(std::size_t k) noexcept {
    return k <= 256 ? byte() % k : raw<std::uint16_t>() % k;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
};

constexpr double kDoubles[] = {
    0.0,
    -0.0,
    std::numeric_limits<double>::denorm_min(),
    -std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::min(),
    1e-308,
    1e308,
    -1e308,
    std::numeric_limits<double>::max(),
    -std::numeric_limits<double>::max(),
    1e300,
    -1e300,
    1e-300,
    1e15,
    999999999999999.0,
    1e16,
    9007199254740993.0,
    9.0e15,
    4294967296.0,
    2147483648.0,
    -2147483649.0,
    32768.0,
    65536.0,
    1e-5,
    1e-4,
    0.1,
    0.1 + 0.2,
    1.0 / 3.0,
    0.5,
    1.5,
    2.5,
    -0.5,
    -1.0,
    1.0,
    2.0,
    5.0,
    7.5,
    8.0,
    12.0,
    13.0,
    48.0,
    49.0,
    50.0,
    100.0,
    1e6,
    999999.0,
    12345678.0,
    2007.0,
    2008.0,
    2013.0,
    1e8,
    -1e8,
    1200000350.0,
    99999999.0,
};

// Pieces that texts are built from: what the worksheets hold, and what trips a
// careless reader.
constexpr std::u16string_view kPieces[] = {u"",
                                           u" ",
                                           u"  ",
                                           u"\t",
                                           u"\n",
                                           u"\r",
                                           u",",
                                           u"，",
                                           u"、",
                                           u"-",
                                           u"/",
                                           u".",
                                           u"\u3000",
                                           u"0",
                                           u"00",
                                           u"01",
                                           u"05",
                                           u"07",
                                           u"08",
                                           u"10",
                                           u"12",
                                           u"13",
                                           u"18",
                                           u"25",
                                           u"30",
                                           u"41",
                                           u"48",
                                           u"49",
                                           u"50",
                                           u"99",
                                           u"1",
                                           u"5",
                                           u"7",
                                           u"8",
                                           u"7x",
                                           u"ab",
                                           u"&H",
                                           u"&O",
                                           u"&h",
                                           u"&HFFFF",
                                           u"&H7FFFFFFF",
                                           u"&HFFFFFFFFFFFF",
                                           u"&O777",
                                           u"&O",
                                           u"e",
                                           u"E",
                                           u"e+",
                                           u"1e308",
                                           u"-1e308",
                                           u"1E+15",
                                           u"9e999",
                                           u"4.9E-324",
                                           u"1e-400",
                                           u"+",
                                           u"-",
                                           u"2013",
                                           u"2008",
                                           u"2007",
                                           u"12345678",
                                           u"1200000350",
                                           u"牛",
                                           u"虎",
                                           u"免",
                                           u"兔",
                                           u"龙",
                                           u"蛇",
                                           u"马",
                                           u"羊",
                                           u"猴",
                                           u"鸡",
                                           u"狗",
                                           u"猪",
                                           u"鼠",
                                           u"牛虎免龙蛇马羊猴鸡狗猪鼠",
                                           u"平特",
                                           u"一",
                                           u"二",
                                           u"三",
                                           u"四",
                                           u"五",
                                           u"六",
                                           u"七",
                                           u"八",
                                           u"肖",
                                           u"尾",
                                           u"中",
                                           u"不中",
                                           u"平特二肖",
                                           u"平特三肖",
                                           u"平特一肖",
                                           u"平特二尾",
                                           u"三中三",
                                           u"二中二",
                                           u"三中二",
                                           u"特串",
                                           u"软串",
                                           u"硬",
                                           u"特",
                                           u"家禽",
                                           u"野兽",
                                           u"单",
                                           u"双",
                                           u"大",
                                           u"小",
                                           u"XX",
                                           u"X",
                                           u"\xD83D\xDE00",
                                           u"\xD800",
                                           u"\xDC00",
                                           u"\xDBFF\xDFFF",
                                           u"\xFFFD",
                                           u"\xFEFF",
                                           u"\xFFFF",
                                           std::u16string_view(u"\0", 1),
                                           u"True",
                                           u"False",
                                           u"#VALUE!",
                                           u"0.5",
                                           u"2.5",
                                           u"7.5",
                                           u"-0",
                                           u"1.",
                                           u".5",
                                           u"  12  ",
                                           u"05 12 18 30 41 49",
                                           u"01,02,03,04,05,06",
                                           u"05-12-18-08-45",
                                           u"3 9 0"};

class Generator {
 public:
  explicit Generator(Bytes& in) : in_(in) {}

  Variant value() {
    switch (in_.below(14)) {
      case 0:
        return one_cell();
      case 1: {
        std::size_t rows = 1, cols = 1;
        std::vector<Variant> cells = block(rows, cols, true);
        return Variant(make_block(rows, cols, std::move(cells)));
      }
      case 2: {
        std::size_t rows = 1, cols = 1;
        std::vector<Variant> cells = block(rows, cols, false);
        return Variant(make_array(rows, cols, std::move(cells)));
      }
      case 3:
        return Variant(RangeRef());  // a reference to nothing (Set x = Nothing)
      default:
        return scalar();
    }
  }

  Variant one_cell() { return Variant(make_cell(scalar())); }

  // What a cell can hold.
  Variant scalar() {
    switch (in_.below(10)) {
      case 0:
        return Variant();
      case 1:
        return Variant::integer(in_.raw<std::int16_t>());
      case 2:
        return Variant::long_integer(in_.raw<std::int32_t>());
      case 3:
        return Variant(number());
      case 4:
        return Variant(in_.byte() & 1 ? true : false);
      case 5:
        return Variant(static_cast<ExcelError>(in_.below(7)));
      default:
        return Variant(text());
    }
  }

 private:
  double number() {
    if (in_.byte() & 1) {
      const double x = in_.raw<double>();
      if (std::isfinite(x)) return x;
    }
    return kDoubles[in_.below(std::size(kDoubles))];
  }

  std::u16string_view piece() { return kPieces[in_.below(std::size(kPieces))]; }

  std::u16string text() {
    std::u16string s;
    switch (in_.below(8)) {
      case 0:
        return std::u16string(piece());
      case 1:
      case 2:
        for (std::size_t n = in_.below(16); n > 0; --n) s += piece();
        return s;
      case 3:  // raw UTF-16 code units
        for (std::size_t n = in_.below(48); n > 0; --n)
          s += static_cast<char16_t>(in_.raw<std::uint16_t>());
        return s;
      case 4: {  // a long text: one piece many times over
        const std::u16string_view p = piece();
        for (std::size_t n = in_.below(kMaxRepeat); n > 0; --n) s += p;
        return s;
      }
      case 5:  // a number's text form
        return number_text(number());
      case 6: {  // a draw or a bet list: two-digit numbers with one separator
        const std::u16string_view sep = piece();
        for (std::size_t n = 1 + in_.below(8); n > 0; --n) {
          const std::size_t v = in_.below(100);
          s += static_cast<char16_t>(u'0' + v / 10);
          s += static_cast<char16_t>(u'0' + v % 10);
          if (n > 1) s += sep;
        }
        return s;
      }
      default:  // pieces mixed with raw code units
        for (std::size_t n = in_.below(12); n > 0; --n) {
          if (in_.byte() & 1)
            s += piece();
          else
            s += static_cast<char16_t>(in_.raw<std::uint16_t>());
        }
        return s;
    }
  }

  // Cells of a block: several for a reference, one or more for an array.
  std::vector<Variant> block(std::size_t& rows, std::size_t& cols, bool several) {
    rows = 1 + in_.below(4);
    cols = 1 + in_.below(4);
    if (several && rows * cols == 1) cols = 2;
    std::vector<Variant> cells;
    for (std::size_t i = 0; i < rows * cols; ++i) cells.push_back(scalar());
    return cells;
  }

  Bytes& in_;
};

// ---- the draw state ------------------------------------------------------------

// The values of the properties in interface order: t, tt, p1..p6, pp1..pp6, yyy.
using DrawState = std::vector<Variant>;

DrawState snapshot(const Draw& o) {
  DrawState s;
  for (const Property& p : properties()) s.push_back(p.get(o));
  return s;
}

std::size_t property_index(const Property& m) {
  return static_cast<std::size_t>(&m - properties().data());
}

// ---- reporting -------------------------------------------------------------------

std::string show(const Variant& v) {
  std::string s = protocol::encode(v);
  if (s.size() > 300) s = s.substr(0, 300) + "...";
  return s;
}

template <class Member>
[[noreturn]] void broken(const std::string& what, const Member& m, const std::vector<Variant>& args,
                         const DrawState& before, const DrawState& after) {
  std::string report = what + "\nmember " + to_utf8(m.name) + "(";
  for (std::size_t i = 0; i < args.size(); ++i) report += (i ? ", " : "") + show(args[i]);
  report += ")\n";
  const auto all = properties();
  for (std::size_t i = 0; i < all.size() && i < before.size(); ++i) {
    report += "  " + to_utf8(all[i].name) + ": " + show(before[i]);
    if (!(before[i] == after[i])) report += " -> " + show(after[i]);
    report += "\n";
  }
  std::fputs(report.c_str(), stderr);
  std::abort();
}

// ---- what the add-in allows ------------------------------------------------------

bool finite_throughout(const Variant& v) {
  if (const double* x = v.if_double()) return std::isfinite(*x);
  if (const ArrayRef* a = v.if_array(); a && *a) {
    for (const Variant& c : (*a)->cells)
      if (!finite_throughout(c)) return false;
  }
  if (const RangeRef* r = v.if_range(); r && *r) return finite_throughout((*r)->value());
  return true;
}

bool plain_result(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Integer:
    case Variant::Kind::Long:
    case Variant::Kind::String:
      return true;
    case Variant::Kind::Double:
      return std::isfinite(*v.if_double());
    default:
      return false;
  }
}

// A sign variable after 验证: one sign of the sequence, the empty text (the
// thirteenth place a rounded fractional position can reach) or the Integer 0.
bool sign_value(const Variant& v) {
  if (v.is_string()) {
    const std::u16string_view s = v.string_view();
    return s.empty() || (s.size() == 1 && zodiac::kSigns.find(s[0]) != std::u16string_view::npos);
  }
  if (const std::int16_t* i = v.if_integer()) return *i == 0;
  return false;
}

bool short_text(const Variant& v) { return v.is_string() && v.string_view().size() <= 2; }

// The text form of a finite number: "5", "-1", "5.5", "1.5E-07". (It need not
// read back: the fifteen-digit text of the largest doubles overflows.)
bool number_shaped(std::u16string_view s) {
  return !s.empty() && s.find_first_not_of(u"0123456789.-+E") == std::u16string_view::npos &&
         s.find_first_of(u"0123456789") != std::u16string_view::npos;
}

constexpr std::size_t kT = 0, kTT = 1, kP1 = 2, kPP1 = 8, kYYY = 14;

void check_draw_setup(const Function& m, const std::vector<Variant>& args, const CallResult& r,
                      const DrawState& before, const DrawState& after) {
  auto fail = [&](const std::string& what) { broken(what, m, args, before, after); };
  if (r.failed || !(r.value == Variant(kConfirmation))) fail("验证 did not confirm");
  if (!(after[kT] == args[2])) fail("t is not tn as passed");
  bool all_short = true, all_kept = true;
  for (std::size_t i = 0; i < 6; ++i) {
    all_short = all_short && short_text(after[kP1 + i]);
    all_kept = all_kept && after[kP1 + i] == before[kP1 + i];
  }
  if (!all_short && !all_kept) fail("p1..p6 are not texts of at most two characters");
  for (std::size_t i : {kTT, kPP1, kPP1 + 1, kPP1 + 2, kPP1 + 3, kPP1 + 4, kPP1 + 5}) {
    if (!sign_value(after[i]) && !(after[i] == before[i]))
      fail("a sign variable holds something other than a sign, the empty text or 0");
  }
  if (!(after[kYYY] == before[kYYY]) && !number_shaped(after[kYYY].string_view()))
    fail("yyy is not the text form of a number");
}

// With KORVANE_FUZZ_TRACE set, every call is written to standard error: what an
// input does, for reading a finding.
template <class Member>
void trace(const Member& m, const std::vector<Variant>& args, const std::string& outcome) {
  if (!std::getenv("KORVANE_FUZZ_TRACE")) return;
  std::string line = to_utf8(m.name) + "(";
  for (std::size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + show(args[i]);
  line += ") -> " + outcome + "\n";
  std::fputs(line.c_str(), stderr);
}

void call_function(Draw& obj, const Function& m, Generator& gen) {
  std::vector<Variant> args;
  for (std::size_t i = 0; i < m.params.size(); ++i) args.push_back(gen.value());
  const DrawState before = snapshot(obj);
  const CallResult r = call(obj, m, args);
  trace(m, args, r.failed ? "fail" : show(r.value));
  const DrawState after = snapshot(obj);
  auto fail = [&](const std::string& what) { broken(what, m, args, before, after); };

  if (r.failed && m.regime == Regime::SkipsErrors) fail("a skip-on-error function failed");
  if (r.failed && !r.value.is_empty()) fail("a failed call carries a value");
  if (!finite_throughout(r.value)) fail("a result holds a non-finite number: " + show(r.value));
  if (!plain_result(r.value)) {
    // A bet that wins may hand back its 收入 argument as it was passed.
    bool passed_back = false;
    for (std::size_t i = 0; i < m.params.size(); ++i) {
      if (m.params[i].name == u"收入")
        passed_back = passed_back || r.value == args[i] || r.value == value_of(args[i]);
    }
    if (!passed_back) fail("a result of a kind no function returns: " + show(r.value));
  }

  if (m.draw == DrawUse::Loads) {
    if (m.name == u"验证") check_draw_setup(m, args, r, before, after);
    return;
  }
  if (!(before == after)) fail("a function that does not load the draw changed it");
  const CallResult again = call(obj, m, args);
  if (again.failed != r.failed || !(again.value == r.value))
    fail("the same call gave a different answer: " + show(again.value));
}

void use_property(Draw& obj, const Property& m, Bytes& in, Generator& gen) {
  const std::size_t k = property_index(m);
  const DrawState before = snapshot(obj);
  std::vector<Variant> args;
  DrawState expected = before;
  switch (in.below(3)) {
    case 0:  // get
      trace(m, args, "get " + show(m.get(obj)));
      return;
    case 1: {  // let: stores the value a reference stands for
      args.push_back(gen.value());
      const bool stored = m.let(obj, args[0]);
      if (m.value == ValueKind::Text) {
        const Maybe<Text> s = text(args[0]);
        if (stored != s.has_value())
          broken("a text property took a value with no text form, or refused one with", m, args,
                 before, snapshot(obj));
        if (s) expected[k] = Variant(std::u16string(s->view()));
      } else {
        if (!stored) broken("a let was refused", m, args, before, snapshot(obj));
        expected[k] = value_of(args[0]);
      }
      break;
    }
    default: {  // set: stores the reference itself
      if (!m.set) return;
      args.push_back(in.byte() & 1 ? gen.one_cell() : gen.value());
      if (!args[0].is_range()) return;  // a set takes an object reference only
      m.set(obj, args[0]);
      expected[k] = args[0];
      break;
    }
  }
  trace(m, args, "stored " + show(m.get(obj)));
  const DrawState after = snapshot(obj);
  if (!(after == expected))
    broken("a property write stored something else", m, args, before, after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  Generator gen(in);
  Draw obj;
  // One number picks a member in interface order, properties first, so that
  // a stored input keeps calling the same members.
  const auto props = properties();
  const auto funcs = functions();
  for (int op = 0; op < kMaxOperations && !in.empty(); ++op) {
    const std::size_t k = in.below(props.size() + funcs.size());
    if (k < props.size()) {
      use_property(obj, props[k], in, gen);
    } else {
      call_function(obj, funcs[k - props.size()], gen);
    }
  }
  return 0;
}
