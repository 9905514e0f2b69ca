// The add-in object 自定义函数 ("custom functions") and its member list.
//
// Excel creates one instance for the add-in and calls every worksheet function
// on it, so all formulas of a running Excel share the draw that the last
// evaluated 验证 loaded. The instance holds that draw state and nothing else.
//
// The member list (`members()`) is the single description of the interface:
// the COM type library and dispatch, the command-line tool and every other
// front end bind through it, in interface order.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "core/conventions.h"
#include "core/variant.h"

namespace korvane {

class 自定义函数 {
 public:
  // ---- the draw state (written by 验证, read by the settlement functions) --
  Variant t;                  // the special number exactly as 验证 received it
  Variant tt;                 // its zodiac sign, or the Integer 0
  std::array<Variant, 6> p;   // p1 ... p6: the regular numbers, two-character texts
  std::array<Variant, 6> pp;  // pp1 ... pp6: their zodiac signs, or the Integer 0
  std::u16string yyy;         // the year offset (year - 2008) as decimal text

  // ---- draw set-up ----------------------------------------------------------
  Variant 验证(const Variant& 年, const Variant& pn, const Variant& tn, const Variant& 易失);

  // ---- special-number and generic bets (failing call) ----------------------
  Variant TEMA(const Variant& a, const Variant& b, const Variant& m, const Variant& 易失);
  Variant TEMAL(const Variant& y);
  Variant 求和1(const Variant& r, const Variant& 条件, const Variant& 收入, const Variant& 赔率,
                const Variant& 易失);
  Variant PAI(const Variant& w);
  Variant PAID(const Variant& q);

  // ---- regular-number bets (skip-on-error) ----------------------------------
  Variant 平特几不中(const Variant& a, const Variant& 收入, const Variant& 易失);
  Variant 平特单双大小(const Variant& 单双大小, const Variant& 收入, const Variant& 易失);
  Variant 平特几肖(const Variant& g, const Variant& 肖, const Variant& 收入, const Variant& 易失);
  Variant 包几肖(const Variant& 肖, const Variant& 收入, const Variant& 易失);
  Variant 平码几中几(const Variant& g, const Variant& 号码, const Variant& 收入,
                     const Variant& 易失);
  Variant 包家禽或野兽(const Variant& 家禽野兽, const Variant& 收入, const Variant& 易失);
  Variant 平特几尾(const Variant& y, const Variant& 几尾, const Variant& 收入, const Variant& 易失);
  Variant 特串软串(const Variant& g, const Variant& 号码, const Variant& 收入, const Variant& 易失);

  // ---- zodiac conversions (failing call) ------------------------------------
  Variant 肖转号码(const Variant& 年, const Variant& 肖1, const Variant& 肖2, const Variant& 肖3,
                   const Variant& 肖4, const Variant& 肖5, const Variant& 肖6, const Variant& 肖7,
                   const Variant& 易失);
  Variant 号码转肖(const Variant& 年, const Variant& 号码, const Variant& 易失);

  // ---- piece-rate wages (failing call) --------------------------------------
  Variant SL1(const Variant& y);
  Variant SL2(const Variant& y);
  Variant SL3(const Variant& y);
  Variant SL4(const Variant& 工序号, const Variant& 数量);
  Variant 工资1(const Variant& 数量, const Variant& 单价);
};

// The text 验证 hands back to its cell.
inline constexpr std::u16string_view kConfirmation = u"开奖号码已载入";

// ---- the member list ---------------------------------------------------------

enum class ParamKind : unsigned char { Variant, Range };

struct Param {
  std::u16string_view name;
  ParamKind kind;
  std::string_view zh;  // one-line description, Chinese (UTF-8)
  std::string_view en;  // one-line description, English
  // The recalculation trigger 易失: a reference to the draw cell that only
  // makes Excel recalculate the row after the draw. Front ends that call a
  // function themselves may leave it out (an empty cell is passed) or fill in
  // the draw cell, and describe it apart from the arguments.
  bool trigger = false;
};

// How a property is read and written. A property has get, let and (except
// yyy) set; a let of a Range stores the Range's value, a set stores the
// reference itself.
struct PropertyAccess {
  Variant (*get)(const 自定义函数&);
  // Returns false when the value cannot be stored (yyy takes text only).
  bool (*let)(自定义函数&, const Variant&);
  void (*set)(自定义函数&, const Variant&);  // null: no set accessor
};

// A call of a worksheet function. Throws nothing but std::bad_alloc: a failing
// call comes back as failed.
struct CallResult {
  Variant value;
  bool failed = false;
};
using Invoker = CallResult (*)(自定义函数&, std::span<const Variant>);

// How a function uses the draw that 验证 loads: 验证 writes it; the bets that
// settle against it read it (a front end warns when none is loaded, and may
// call readers concurrently); the rest never look at it.
enum class DrawUse : unsigned char { None, Reads, Writes };

struct Member {
  std::u16string_view name;
  bool is_property;
  PropertyAccess property;        // properties only
  Invoker invoke;                 // functions only
  std::span<const Param> params;  // functions only, in order
  bool skips_errors;              // functions only: the skip-on-error regime
  DrawUse draw;                   // functions only
  std::string_view zh;            // one-line description, Chinese (UTF-8)
  std::string_view en;            // one-line description, English
  std::string_view returns;       // what the function hands back (English)
  std::string_view example;       // arguments of a sample call, as `korvane call` takes them
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
  return !m.params.empty() && m.params.back().trigger;
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
CallResult call(自定义函数& obj, const Member& m, std::span<const Variant> args);

}  // namespace korvane
