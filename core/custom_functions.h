// The add-in object 自定义函数 ("custom functions"): its draw and its member
// list.
//
// Excel creates one instance for the add-in and calls every worksheet function
// on it, so all formulas of a running Excel share the draw that the last
// evaluated 验证 loaded. The instance holds that draw and nothing else: a
// front end keeps one `Draw` where Excel keeps the add-in object.
//
// The member list is the single description of the interface: one sequence
// of members in interface order (`members()`), each the draw's property or a
// worksheet function, two kinds of member of their own types, also read kind
// by kind (`properties()`, `functions()`). The COM type library and dispatch,
// the Calc extension, the XLL, the command-line tool and the tests bind
// through it, and none of them infers a fact the list does not state. Each
// worksheet function's row (its parameters, regime, help and example) stands
// beside its code; core/member_list.h names the members and orders them.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "core/conventions.h"
#include "core/variant.h"

namespace korvane {

// The draw 验证 loads and the settlement functions read. Its fields are also
// the add-in object's properties (t, tt, p1 … p6, pp1 … pp6, yyy), which a
// sheet or a macro may read and write.
struct Draw {
  Variant t;                  // the special number exactly as 验证 received it
  Variant tt;                 // its zodiac sign, or the Integer 0
  std::array<Variant, 6> p;   // p1 ... p6: the regular numbers, two-character texts
  std::array<Variant, 6> pp;  // pp1 ... pp6: their zodiac signs, or the Integer 0
  std::u16string yyy;         // the year offset (year - 2008) as decimal text
};

// The text 验证 hands back to its cell.
inline constexpr std::u16string_view kConfirmation = u"开奖号码已载入";

// ---- the member list ---------------------------------------------------------

// What a parameter takes. A Variant parameter takes any value. A Range one
// takes a cell reference (COM passes it as an object, Calc as a cell range)
// whose value the function reads; a plain value passed there reads as a
// one-cell reference holding it. The Trigger is the recalculation trigger 易失:
// a reference to the draw cell that only makes the spreadsheet recalculate the
// row after the draw. It is always last, and a front end that calls a
// function itself may leave it out (an empty cell is passed) or fill in the
// draw cell, and describes it apart from the arguments.
enum class ParamKind : unsigned char { Variant, Range, Trigger };

// The part of the draw a parameter of the loading function carries: a front
// end that loads a draw of its own (a book's draw row, `korvane call
// --draw`) finds the year, the numbers and the special number by these
// marks, never by position. Every other parameter carries none.
enum class DrawPart : unsigned char { None, Year, Numbers, Special };

struct Param {
  std::u16string_view name;
  ParamKind kind;
  std::string_view zh;  // one-line description, Chinese (UTF-8)
  std::string_view en;  // one-line description, English
  DrawPart part = DrawPart::None;

  static constexpr Param value(std::u16string_view name, std::string_view zh, std::string_view en) {
    return {name, ParamKind::Variant, zh, en};
  }
  static constexpr Param range(std::u16string_view name, std::string_view zh, std::string_view en) {
    return {name, ParamKind::Range, zh, en};
  }
  // A value parameter of the function that loads the draw, carrying `part`.
  static constexpr Param loads(DrawPart part, std::u16string_view name, std::string_view zh,
                               std::string_view en) {
    return {name, ParamKind::Variant, zh, en, part};
  }
};

// Whether a parameter is passed as a reference (a Range or the trigger).
constexpr bool takes_reference(const Param& p) noexcept { return p.kind != ParamKind::Variant; }

// The trigger every function that settles against the draw, or converts with
// the draw's year, ends with.
inline constexpr Param kTrigger{u"易失", ParamKind::Trigger,
                                "重算触发：引用开奖单元格，使公式随开奖重算",
                                "recalculation trigger: a reference to the draw cell"};

// The two ways a worksheet function meets a step it cannot carry out: the
// failing call (the cell shows #VALUE!) or skip-on-error (the step is skipped
// and the function goes on).
enum class Regime : unsigned char { FailingCall, SkipsErrors };

// How a function uses the draw: 验证 loads it; the bets that settle against
// it read it (a front end warns when none is loaded, and may call readers
// concurrently); the rest never look at it. It follows from the function's
// signature (see worksheet_function below).
enum class DrawUse : unsigned char { None, Reads, Loads };

// A call of a worksheet function. Throws nothing but std::bad_alloc: a failing
// call comes back as failed.
struct CallResult {
  Variant value;
  bool failed = false;
};
using Invoker = CallResult (*)(Draw&, std::span<const Variant>);

// One sample call: its arguments as `korvane call` takes them (the trigger
// left out; a function that reads the draw settles against the draw of
// 验证's own example), and its result as `korvane eval` answers it. A test
// makes every example's call and compares.
struct Example {
  std::string_view args;
  std::string_view answer;
};

// The sheet of the example workbook (示例账本) a function's row stands on, as
// a bookkeeper sorts the work: the draw, the bets settled against it, the
// conversions between numbers and signs, the piece-rate wages.
enum class Sheet : unsigned char { Draw, Bets, Conversions, Wages };

// Where a function's example stands in the example workbook and what it
// shows there. A row on the bets sheet that pays an amount (pays) is summed
// in the sheet's total; the counts and splits beside the bets are not money
// won and stay out of it. The note is a short sentence in Chinese the
// bookkeeper reads beside the row.
struct Place {
  Sheet sheet;
  bool pays = false;
  std::string_view note;  // Chinese (UTF-8)
};

// The lottery's rule for a draw it can draw, which the function that loads
// the draw carries: 验证 loads whatever a sheet passes, and a front end that
// settles whole books asks this rule and warns before money is paid from a
// draw no lottery draws. Every other function carries none.
//
// The rule names what is wrong, not how to say it: the front ends say it in
// the user's language.
struct DrawProblem {
  enum Kind {
    None,
    YearNotWhole,       // not a whole year 1 .. 9999
    YearNotFourDigits,  // 13 for 2013: every number would get another sign
    MoreThanSix,        // the regular numbers run past six two-digit numbers
    NotLotteryNumber,   // number `which` is not two digits 01 .. 49
    DrawnTwice,         // number `which` was drawn before
  } kind = None;
  int which = 0;  // 1 .. 6 a regular number, 7 the special number
  explicit operator bool() const { return kind != None; }
};

struct DrawRule {
  // Why the draw just loaded, with the year and the regular numbers as
  // passed, is not well formed; None when it is. The numbers as passed
  // matter because the draw keeps only the first six of them: a seventh
  // number typed into the draw would be dropped without a word.
  DrawProblem (*problem)(const Draw&, const Variant& year, const Variant& numbers) = nullptr;
};

// ---- properties ------------------------------------------------------------------

// What a property holds. A Variant property holds any value and has three
// accessors: get, let (stores the value a reference stands for) and set
// (stores the reference itself). A Text property holds a text (yyy): its
// let stores the text form of the value, it has no set, and the type library
// gives its accessors a BSTR instead of a VARIANT.
enum class ValueKind : unsigned char { Variant, Text };

struct Property {
  std::u16string_view name;  // its line's in core/member_list.h
  ValueKind value;
  Variant (*get)(const Draw&);
  // Returns false when the value cannot be stored (a Text property takes
  // values with a text form only).
  bool (*let)(Draw&, const Variant&);
  void (*set)(Draw&, const Variant&);  // a Variant property's; null for a Text one
  std::string_view zh;                 // one-line description, Chinese (UTF-8)
  std::string_view en;                 // one-line description, English
};

// The draw's properties in interface order: t, tt, p1..p6, pp1..pp6, yyy.
std::span<const Property> properties() noexcept;

// The property bound to a name as COM binds it. Null when there is none.
const Property* find_property(std::u16string_view name) noexcept;

// A Variant property over a field of the draw.
template <Variant Draw::*Field>
consteval Property variant_property(std::string_view zh, std::string_view en) {
  return {{},
          ValueKind::Variant,
          [](const Draw& d) { return d.*Field; },
          [](Draw& d, const Variant& v) {
            d.*Field = value_of(v);
            return true;
          },
          [](Draw& d, const Variant& v) { d.*Field = v; },
          zh,
          en};
}

// A Variant property over one slot of an array of the draw (p1 ... p6).
template <std::array<Variant, 6> Draw::*Field, std::size_t I>
consteval Property slot_property(std::string_view zh, std::string_view en) {
  static_assert(I < 6, "the draw holds six regular numbers");
  return {{},
          ValueKind::Variant,
          [](const Draw& d) { return (d.*Field)[I]; },
          [](Draw& d, const Variant& v) {
            (d.*Field)[I] = value_of(v);
            return true;
          },
          [](Draw& d, const Variant& v) { (d.*Field)[I] = v; },
          zh,
          en};
}

// A Text property over a text field of the draw: its let takes the text form
// of the value (a String property's), and it has no set.
template <std::u16string Draw::*Field>
consteval Property text_property(std::string_view zh, std::string_view en) {
  return {{},
          ValueKind::Text,
          [](const Draw& d) { return Variant(d.*Field); },
          [](Draw& d, const Variant& v) {
            const Maybe<Text> s = text(v);
            if (!s) return false;
            d.*Field = std::u16string(s->view());
            return true;
          },
          nullptr,
          zh,
          en};
}

// The accessor methods a property has in the COM interface: get, let, and set
// for a Variant one.
constexpr std::size_t accessor_count(const Property& p) noexcept {
  return p.value == ValueKind::Variant ? 3 : 2;
}

// ---- functions -------------------------------------------------------------------

struct Function {
  std::u16string_view name;  // its line's in core/member_list.h
  Invoker invoke;
  std::span<const Param> params;  // in order
  Regime regime;
  DrawUse draw;
  // Whether the function keeps an argument as passed, a cell reference as a
  // reference, beyond the call (验证 keeps the special number so). A front
  // end hands it references as references, and reads them where the host
  // allows it: the XLL registers its parameters as U and the function as not
  // thread-safe.
  bool keeps_references;
  std::string_view zh;          // one-line description, Chinese (UTF-8)
  std::string_view en;          // one-line description, English
  std::string_view returns_zh;  // what the function hands back, Chinese (UTF-8)
  std::string_view returns_en;  // what the function hands back, English
  Example example;
  Place place;         // its row in the example workbook
  DrawRule draw_rule;  // the loading function's; empty for the others
};

// The worksheet functions in interface order.
std::span<const Function> functions() noexcept;

// The function that loads the draw (验证), found by its role: a front end
// that loads a draw of its own, or shows one, asks for it so and never by
// its name. There is exactly one (a test holds it).
const Function& loading_function() noexcept;

// The function bound to a name as COM binds it. Null when there is none.
const Function* find_function(std::u16string_view name) noexcept;

// What the front ends can carry, checked against the table when it is
// compiled. The dual COM interface gets one vtable method per function and
// per property accessor after IDispatch's seven, and its forwarders are
// built for at most this many methods and this many parameters a method;
// Excel's automation calls pass no more than that either.
inline constexpr std::size_t kMaxInterfaceMethods = 80;
inline constexpr std::size_t kMaxParams = 9;

// ---- the members in interface order ---------------------------------------------

// One member of the interface: a property or a function, never both.
struct Member {
  const Property* property = nullptr;
  const Function* function = nullptr;
};

// Every member in interface order, as core/member_list.h orders them. A
// member's position is its place in the COM interface: its DISPID is the
// position plus 1, and its vtable methods follow the ones before it. The
// interface's members are pinned: a front end that stores a member's
// position (COM's DISPIDs and vtable slots, kept in compiled workbooks and
// VBA projects) relies on members only ever being appended. The pinned list
// is com/interface.pin, which the native build checks.
std::span<const Member> members() noexcept;

// A member's position in members(); p and f must come from properties() and
// functions().
std::size_t position_of(const Property& p) noexcept;
std::size_t position_of(const Function& f) noexcept;

// Whether Excel takes two names for one: it compares them ignoring the case
// of Latin letters and the width of full-width forms (Ｔ is T, ｔ is t, １ is
// 1). Names of members, and a function's parameter names among themselves,
// must differ so; the build refuses two that do not.
constexpr char16_t excel_folded(char16_t c) noexcept {
  if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - 0xFEE0);  // full width
  if (c == u'\u3000') c = u' ';  // the ideographic space
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}
constexpr bool same_excel_name(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (excel_folded(a[i]) != excel_folded(b[i])) return false;
  }
  return true;
}

// Whether a name binds to a member's (or a parameter's) name as COM binds
// names: exactly for Chinese characters, ignoring case for Latin letters.
bool binds_to(std::u16string_view member_name, std::u16string_view name) noexcept;

// Whether a function ends with the recalculation trigger.
constexpr bool ends_with_trigger(const Function& f) noexcept {
  return !f.params.empty() && f.params.back().kind == ParamKind::Trigger;
}

// The arguments a caller must give a function: all of its parameters but the
// trigger at the end, which a front end may leave out or fill in itself.
constexpr std::size_t required_argument_count(const Function& f) noexcept {
  return f.params.size() - (ends_with_trigger(f) ? 1 : 0);
}

// The position of the parameter of a function that loads the draw which
// carries `part` of it (every loading function has one for each part).
constexpr std::size_t parameter_of(const Function& f, DrawPart part) noexcept {
  std::size_t i = 0;
  while (i < f.params.size() && f.params[i].part != part) ++i;
  return i;
}

// Calls a function; args.size() must equal its parameter count. A plain
// value passed for a Range parameter reads exactly as a one-cell reference
// holding it would, so front ends need not wrap it.
inline CallResult call(Draw& draw, const Function& f, std::span<const Variant> args) {
  return f.invoke(draw, args);
}

// ---- a worksheet function's row ---------------------------------------------

// What a worksheet function's row says besides its code and its parameters.
// Its name is its line's in core/member_list.h.
struct About {
  Regime regime;
  bool keeps_references = false;
  std::string_view zh;
  std::string_view en;
  std::string_view returns_zh;
  std::string_view returns_en;
  Example example;
  Place place;
  DrawRule draw_rule = {};  // the loading function's only
};

// A function's row, typed by its parameter count: the member list
// (core/member_list.h) declares each row with the count its line states,
// which the XLL's pool of entries is checked against when it is compiled.
// A row defined with another count than its function takes does not convert.
template <std::size_t N>
struct FunctionRow : Function {
  constexpr explicit FunctionRow(const Function& f) : Function(f) {}
  template <std::size_t M>
  constexpr FunctionRow(const FunctionRow<M>& other) : Function(other) {
    static_assert(M == N,
                  "the row's parameter count differs from its function's: write the function's "
                  "count in FunctionRow<N> and in its line of core/member_list.h");
  }
};

namespace row_detail {

// A worksheet function is a plain function of its arguments, each a
// `const Variant&`; one that reads the draw takes `const Draw&` first, and 验证,
// which loads it, `Draw&`.
template <class F>
struct Signature {
  static_assert(sizeof(F) == 0, "a worksheet function returns a Variant");
};
template <class... A>
struct Signature<Variant (*)(A...)> {
  static constexpr DrawUse draw = DrawUse::None;
  static constexpr std::size_t arity = sizeof...(A);
  static constexpr bool values_only = (std::is_same_v<A, const Variant&> && ...);
};
template <class... A>
struct Signature<Variant (*)(const Draw&, A...)> {
  static constexpr DrawUse draw = DrawUse::Reads;
  static constexpr std::size_t arity = sizeof...(A);
  static constexpr bool values_only = (std::is_same_v<A, const Variant&> && ...);
};
template <class... A>
struct Signature<Variant (*)(Draw&, A...)> {
  static constexpr DrawUse draw = DrawUse::Loads;
  static constexpr std::size_t arity = sizeof...(A);
  static constexpr bool values_only = (std::is_same_v<A, const Variant&> && ...);
};

template <auto Fn>
CallResult invoke(Draw& draw, std::span<const Variant> args) {
  using S = Signature<decltype(Fn)>;
  try {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      if constexpr (S::draw == DrawUse::None) {
        return CallResult{Fn(args[I]...), false};
      } else {
        return CallResult{Fn(draw, args[I]...), false};
      }
    }
    (std::make_index_sequence<S::arity>{});
  } catch (const CallFailed&) {
    return CallResult{Variant(), true};
  }
}

// How many of the parameters carry a part of the draw.
template <std::size_t N>
constexpr std::size_t marked(const std::array<Param, N>& params, DrawPart part) {
  std::size_t n = 0;
  for (const Param& p : params) n += p.part == part ? 1 : 0;
  return n;
}

}  // namespace row_detail

// The row of worksheet function Fn, checked when it is compiled: one
// parameter for each of Fn's arguments, no more than a front end can carry,
// the trigger last if at all; a function that loads the draw marks the
// parameters carrying its year, numbers and special number, once each, and
// no other function marks any; only a function that loads the draw keeps
// references (nothing else outlives the call).
template <auto Fn, std::size_t N>
consteval FunctionRow<N> worksheet_function(const std::array<Param, N>& params,
                                            const About& about) {
  using S = row_detail::Signature<decltype(Fn)>;
  static_assert(S::values_only,
                "a worksheet function takes const Variant& arguments, after `const Draw&` when it "
                "reads the draw or `Draw&` when it loads it; a state beside the draw needs a place "
                "in every front end first (the COM object, the XLL's draws(), the book settler and "
                "`korvane call`)");
  static_assert(!S::values_only || S::arity == N, "the parameter list and the function disagree");
  static_assert(N <= kMaxParams, "a worksheet function takes at most 9 parameters");
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (params[i].kind == ParamKind::Trigger) throw "the trigger 易失 is the last parameter";
  }
  for (const DrawPart part : {DrawPart::Year, DrawPart::Numbers, DrawPart::Special}) {
    const std::size_t n = row_detail::marked(params, part);
    if (S::draw == DrawUse::Loads && n != 1)
      throw "a function that loads the draw marks its year, numbers and special number "
            "parameters once each (Param::loads)";
    if (S::draw != DrawUse::Loads && n != 0)
      throw "only a function that loads the draw marks parameters as parts of it";
  }
  for (std::size_t i = 0; i < N; ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (same_excel_name(params[i].name, params[j].name))
        throw "two parameters of this function have one name as Excel compares names (case and "
              "full or half width aside): rename one";
    }
  }
  if ((about.draw_rule.problem != nullptr) != (S::draw == DrawUse::Loads))
    throw "the function that loads the draw carries the rule for a draw a lottery can draw "
          "(About::draw_rule), and no other function carries one";
  if (about.keeps_references && S::draw != DrawUse::Loads)
    throw "only a function that loads the draw keeps references: nothing else outlives the call";
  if (about.example.answer.empty()) throw "every worksheet function has an example and its answer";
  if (about.returns_zh.empty() || about.returns_en.empty())
    throw "every worksheet function says what it returns, in Chinese and in English";
  if (about.place.note.empty())
    throw "every worksheet function's row has a note in the example workbook";
  if ((S::draw == DrawUse::Loads) != (about.place.sheet == Sheet::Draw))
    throw "the function that loads the draw, and it alone, stands on the draw sheet";
  if (about.place.pays && about.place.sheet != Sheet::Bets)
    throw "only a row of the bets sheet pays an amount summed in its total";
  return FunctionRow<N>(Function{{},
                                 &row_detail::invoke<Fn>,
                                 params,
                                 about.regime,
                                 S::draw,
                                 about.keeps_references,
                                 about.zh,
                                 about.en,
                                 about.returns_zh,
                                 about.returns_en,
                                 about.example,
                                 about.place,
                                 about.draw_rule});
}

}  // namespace korvane

#include "core/member_list.h"  // the members' lines, in interface order
