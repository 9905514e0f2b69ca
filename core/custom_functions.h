// The add-in object 自定义函数 ("custom functions"): its draw and its member
// list.
//
// Excel creates one instance for the add-in and calls every worksheet function
// on it, so all formulas of a running Excel share the draw that the last
// evaluated 验证 loaded. The instance holds that draw and nothing else: a
// front end keeps one `Draw` where Excel keeps the add-in object.
//
// The member list (`members()`) is the single description of the interface:
// the COM type library and dispatch, the Calc extension, the XLL, the
// command-line tool and the tests bind through it, in interface order. Each
// worksheet function's row (its name, parameters, regime, help and example)
// stands beside its code; core/members.cpp orders the rows.
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

struct Param {
  std::u16string_view name;
  ParamKind kind;
  std::string_view zh;  // one-line description, Chinese (UTF-8)
  std::string_view en;  // one-line description, English

  static constexpr Param value(std::u16string_view name, std::string_view zh, std::string_view en) {
    return {name, ParamKind::Variant, zh, en};
  }
  static constexpr Param range(std::u16string_view name, std::string_view zh, std::string_view en) {
    return {name, ParamKind::Range, zh, en};
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

// How a function uses the draw that 验证 loads: 验证 writes it; the bets that
// settle against it read it (a front end warns when none is loaded, and may
// call readers concurrently); the rest never look at it. It follows from the
// function's signature (see worksheet_function below).
enum class DrawUse : unsigned char { None, Reads, Writes };

// How a property is read and written. A property has get, let and (except
// yyy) set; a let of a Range stores the Range's value, a set stores the
// reference itself.
struct PropertyAccess {
  Variant (*get)(const Draw&);
  // Returns false when the value cannot be stored (yyy takes text only).
  bool (*let)(Draw&, const Variant&);
  void (*set)(Draw&, const Variant&);  // null: no set accessor
};

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

struct Member {
  std::u16string_view name;
  bool is_property;
  PropertyAccess property;        // properties only
  Invoker invoke;                 // functions only
  std::span<const Param> params;  // functions only, in order
  Regime regime;                  // functions only
  DrawUse draw;                   // functions only
  std::string_view zh;            // one-line description, Chinese (UTF-8)
  std::string_view en;            // one-line description, English
  std::string_view returns;       // what the function hands back (English)
  Example example;                // functions only
};

// Every member in interface order: t, tt, p1..p6, pp1..pp6, yyy, then the
// worksheet functions.
std::span<const Member> members() noexcept;

// What the front ends can carry, checked against the table when it is
// compiled. The dual COM interface gets one vtable method per function and
// per property accessor (get, let, and set where there is one) after
// IDispatch's seven, and its forwarders are built for at most this many
// methods and this many parameters a method; Excel's automation calls pass no
// more than that either.
inline constexpr std::size_t kMaxInterfaceMethods = 80;
inline constexpr std::size_t kMaxParams = 9;

// The interface's members are pinned: a front end that stores a member's
// position (COM's DISPIDs and vtable slots, kept in compiled workbooks and
// VBA projects) relies on rows only ever being appended. The pinned list is
// com/interface.pin; a test compares it with the table.

// Whether a name binds to a member's (or a parameter's) name as COM binds
// names: exactly for Chinese characters, ignoring case for Latin letters.
bool binds_to(std::u16string_view member_name, std::u16string_view name) noexcept;

// Whether a function ends with the recalculation trigger.
inline bool ends_with_trigger(const Member& m) noexcept {
  return !m.params.empty() && m.params.back().kind == ParamKind::Trigger;
}

// The arguments a caller must give a function: all of its parameters but the
// trigger at the end, which a front end may leave out or fill in itself.
inline std::size_t required_argument_count(const Member& m) noexcept {
  return m.params.size() - (ends_with_trigger(m) ? 1 : 0);
}

// The member bound to a name as COM binds it. Null when there is none.
const Member* find_member(std::u16string_view name) noexcept;

// Calls a function member; args.size() must equal its parameter count. A plain
// value passed for a Range parameter reads exactly as a one-cell reference
// holding it would, so front ends need not wrap it.
CallResult call(Draw& draw, const Member& m, std::span<const Variant> args);

// ---- a worksheet function's row ---------------------------------------------

// What a worksheet function's row says besides its code and its parameters.
struct About {
  std::u16string_view name;
  Regime regime;
  std::string_view zh;
  std::string_view en;
  std::string_view returns;
  Example example;
};

namespace row_detail {

// A worksheet function is a plain function of its arguments, each a
// `const Variant&`; one that reads the draw takes `const Draw&` first, and 验证,
// which loads it, `Draw&`.
template <class F>
struct Signature;
template <class... A>
struct Signature<Variant (*)(A...)> {
  static constexpr DrawUse draw = DrawUse::None;
  static constexpr std::size_t arity = sizeof...(A);
};
template <class... A>
struct Signature<Variant (*)(const Draw&, A...)> {
  static constexpr DrawUse draw = DrawUse::Reads;
  static constexpr std::size_t arity = sizeof...(A);
};
template <class... A>
struct Signature<Variant (*)(Draw&, A...)> {
  static constexpr DrawUse draw = DrawUse::Writes;
  static constexpr std::size_t arity = sizeof...(A);
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

}  // namespace row_detail

// The row of worksheet function Fn, checked when it is compiled: one
// parameter for each of Fn's arguments, no more than a front end can carry,
// the trigger last if at all.
template <auto Fn, std::size_t N>
consteval Member worksheet_function(const std::array<Param, N>& params, const About& about) {
  using S = row_detail::Signature<decltype(Fn)>;
  static_assert(S::arity == N, "the parameter list and the function disagree");
  static_assert(N <= kMaxParams, "a worksheet function takes at most 9 parameters");
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (params[i].kind == ParamKind::Trigger) throw "the trigger 易失 is the last parameter";
  }
  if (about.example.answer.empty()) throw "every worksheet function has an example and its answer";
  return Member{about.name, false,    {},       &row_detail::invoke<Fn>, params,       about.regime,
                S::draw,    about.zh, about.en, about.returns,           about.example};
}

}  // namespace korvane
