// korvane.xll: the worksheet functions through Excel's C API.
//
// Excel loads the XLL (File › Options › Add-ins › Browse, or an OPEN value in
// its registry settings) and calls xlAutoOpen, which registers every function
// of the member list under its own (Chinese) name with xlfRegister: category
// Korvane, the Chinese description and one Chinese help line per parameter
// for the function wizard. Each function is exported under an ASCII name,
// kv_<n> for the n-th function of the list, taking one XLOPER12 per
// parameter and giving one back.
//
// Type strings: every parameter is Q (Excel hands the values of referenced
// cells), except those of 验证, which are U: 验证 keeps the special number as
// passed, a reference included, as the automation add-in does, so it must
// see whether it got one. The functions that read the draw or do not use it
// are registered thread-safe ($); 验证, which writes the draw, is not, and so
// runs on Excel's main thread (see draw.h for how readers stay safe).
//
// A call: the arguments become Variants (values.h), the core's call runs on
// the draw it needs, and the result goes back in a per-thread XLOPER12; a
// text or array in it is marked xlbitDLLFree, and Excel hands it back to
// xlAutoFree12 on the same thread before that thread's next call. A failing
// call, and any argument no worksheet passes, gives #VALUE!.
#include <array>
#include <cstddef>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "addin/custom_functions.h"
#include "xll/draw.h"
#include "xll/excel.h"
#include "xll/registration.h"
#include "xll/values.h"

namespace korvane::xll {
namespace {

constexpr std::size_t kMaxParams = 9;

// The result of the calling thread's last call, until Excel frees it.
thread_local XLOPER12 t_result{{0}, xltypeNil};

XLOPER12* fail() noexcept {
  free_result(t_result);
  t_result.xltype = xltypeErr;
  t_result.val.err = xlerrValue;
  return &t_result;
}

// The arguments of one call, made on the stack.
class Args {
 public:
  Args() = default;
  ~Args() {
    for (std::size_t i = n_; i > 0; --i) data()[i - 1].~Variant();
  }
  Args(const Args&) = delete;
  Args& operator=(const Args&) = delete;

  Variant& add() { return *new (buf_ + n_++ * sizeof(Variant)) Variant(); }
  std::span<const Variant> view() { return {data(), n_}; }

 private:
  Variant* data() { return std::launder(reinterpret_cast<Variant*>(buf_)); }
  alignas(Variant) unsigned char buf_[sizeof(Variant) * kMaxParams];
  std::size_t n_ = 0;
};

// The object a function that never looks at the draw is called on.
自定义函数& no_draw() {
  static 自定义函数 unused;
  return unused;
}

CallResult run(const Member& m, std::span<const Variant> args) {
  switch (m.draw) {
    case DrawUse::None:
      return call(no_draw(), m, args);
    case DrawUse::Reads: {
      const std::shared_ptr<自定义函数> draw = draws().current();  // one draw for the whole call
      return call(*draw, m, args);
    }
    case DrawUse::Writes: {
      CallResult r;
      draws().update([&](自定义函数& next) { r = call(next, m, args); });
      return r;
    }
  }
  return CallResult{Variant(), true};
}

}  // namespace

// Calls the n-th function of the member list with Excel's arguments.
XLOPER12* call_function(std::size_t n, std::initializer_list<XLOPER12*> in) noexcept {
  try {
    const Member* m = function_member(n);
    if (!m || in.size() != m->params.size() || in.size() > kMaxParams) return fail();
    Args args;
    for (XLOPER12* x : in) {
      if (!x || !read_argument(*x, args.add())) return fail();
    }
    const CallResult r = run(*m, args.view());
    if (r.failed) return fail();
    free_result(t_result);
    write_result(r.value, t_result);
    return &t_result;
  } catch (...) {  // out of memory: no exception crosses into Excel
    return fail();
  }
}

}  // namespace korvane::xll

using korvane::xll::call_function;
using korvane::xll::XLOPER12;

// ---- the exported worksheet functions, one per member, by arity -------------------------

#define KV_P1 XLOPER12* a
#define KV_P2 KV_P1, XLOPER12* b
#define KV_P3 KV_P2, XLOPER12* c
#define KV_P4 KV_P3, XLOPER12* d
#define KV_P5 KV_P4, XLOPER12* e
#define KV_P9 KV_P5, XLOPER12 *f, XLOPER12 *g, XLOPER12 *h, XLOPER12 *i
#define KV_A1 a
#define KV_A2 KV_A1, b
#define KV_A3 KV_A2, c
#define KV_A4 KV_A3, d
#define KV_A5 KV_A4, e
#define KV_A9 KV_A5, f, g, h, i
#define KV_ENTRY(N, ARITY)                                                                       \
  extern "C" XLOPER12* __stdcall kv_##N(KV_P##ARITY) { return call_function(N, {KV_A##ARITY}); } \
  static_assert(N < korvane::xll::kEntryCount);                                                  \
  extern "C" const unsigned char kv_arity_##N = ARITY;

// The arity of each entry must be the parameter count of its member: xlAutoOpen
// registers nothing when one differs (on 32-bit Windows the callee removes its
// arguments from the stack, so a wrong count would corrupt it).
KV_ENTRY(0, 4)   // 验证
KV_ENTRY(1, 4)   // TEMA
KV_ENTRY(2, 1)   // TEMAL
KV_ENTRY(3, 5)   // 求和1
KV_ENTRY(4, 1)   // PAI
KV_ENTRY(5, 1)   // PAID
KV_ENTRY(6, 3)   // 平特几不中
KV_ENTRY(7, 3)   // 平特单双大小
KV_ENTRY(8, 4)   // 平特几肖
KV_ENTRY(9, 3)   // 包几肖
KV_ENTRY(10, 4)  // 平码几中几
KV_ENTRY(11, 3)  // 包家禽或野兽
KV_ENTRY(12, 4)  // 平特几尾
KV_ENTRY(13, 4)  // 特串软串
KV_ENTRY(14, 9)  // 肖转号码
KV_ENTRY(15, 3)  // 号码转肖
KV_ENTRY(16, 1)  // SL1
KV_ENTRY(17, 1)  // SL2
KV_ENTRY(18, 1)  // SL3
KV_ENTRY(19, 2)  // SL4
KV_ENTRY(20, 2)  // 工资1

namespace korvane::xll {

const std::array<unsigned char, kEntryCount>& entry_arities() {
  static const std::array<unsigned char, kEntryCount> arities{
      kv_arity_0,  kv_arity_1,  kv_arity_2,  kv_arity_3,  kv_arity_4,  kv_arity_5,  kv_arity_6,
      kv_arity_7,  kv_arity_8,  kv_arity_9,  kv_arity_10, kv_arity_11, kv_arity_12, kv_arity_13,
      kv_arity_14, kv_arity_15, kv_arity_16, kv_arity_17, kv_arity_18, kv_arity_19, kv_arity_20};
  return arities;
}

}  // namespace korvane::xll
