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
// the draw it needs, and the result goes back in a per-thread XLOPER12, a
// text in a per-thread buffer: Excel copies a thread-safe function's result
// before that thread calls again. An array result (none of today's functions
// gives one) is allocated and marked xlbitDLLFree; Excel hands it back to
// xlAutoFree12 on the same thread. A failing call, and any argument no
// worksheet passes, gives #VALUE!.
#include <array>
#include <cstddef>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "core/call_arguments.h"
#include "core/custom_functions.h"
#include "xll/draw.h"
#include "xll/excel.h"
#include "xll/registration.h"
#include "xll/values.h"

namespace korvane::xll {
namespace {

// The result of the calling thread's last call, and the text it may point
// to, until Excel has copied it (before the thread's next call).
struct ResultSlot {
  XLOPER12 oper{{0}, xltypeNil};
  XCHAR text[kMaxString + 1];
};

// One slot per calling thread, found through Windows' own thread-local
// storage (a C++ thread_local costs several times as much here: mingw-w64
// emulates it). A slot is made on a thread's first call and released when
// the thread ends or the XLL is unloaded.
class ResultSlots {
 public:
  ResultSlots() : index_(TlsAlloc()) {}
  ~ResultSlots() {
    for (ResultSlot* s : all_) release(s);
    if (index_ != TLS_OUT_OF_INDEXES) TlsFree(index_);
  }
  ResultSlots(const ResultSlots&) = delete;
  ResultSlots& operator=(const ResultSlots&) = delete;

  // The calling thread's slot; null when none can be made.
  ResultSlot* mine() noexcept {
    if (index_ == TLS_OUT_OF_INDEXES) return nullptr;
    if (auto* s = static_cast<ResultSlot*>(TlsGetValue(index_))) return s;
    auto* s = new (std::nothrow) ResultSlot;
    if (!s) return nullptr;
    try {
      std::lock_guard lock(mutex_);
      all_.push_back(s);
    } catch (...) {
      delete s;
      return nullptr;
    }
    TlsSetValue(index_, s);
    return s;
  }

  // The calling thread ends.
  void thread_ends() noexcept {
    if (index_ == TLS_OUT_OF_INDEXES) return;
    auto* s = static_cast<ResultSlot*>(TlsGetValue(index_));
    if (!s) return;
    TlsSetValue(index_, nullptr);
    std::lock_guard lock(mutex_);
    std::erase(all_, s);
    release(s);
  }

 private:
  static void release(ResultSlot* s) noexcept {
    free_result(s->oper);
    delete s;
  }
  DWORD index_;
  std::mutex mutex_;
  std::vector<ResultSlot*> all_;
};

ResultSlots& result_slots() {
  static ResultSlots slots;
  return slots;
}

// What a call hands back when no result slot can be had (out of memory):
// #VALUE!, from memory nobody writes to.
XLOPER12* no_slot() noexcept {
  static const XLOPER12 value_error = [] {
    XLOPER12 x{};
    x.xltype = xltypeErr;
    x.val.err = xlerrValue;
    return x;
  }();
  return const_cast<XLOPER12*>(&value_error);
}

XLOPER12* fail(ResultSlot& slot) noexcept {
  free_result(slot.oper);
  slot.oper.xltype = xltypeErr;
  slot.oper.val.err = xlerrValue;
  return &slot.oper;
}

// Makes the next argument of a call from Excel's; false when it cannot be read.
bool add_argument(CallArguments& args, const XLOPER12& x) {
  const bool ok = make_argument(x, static_cast<Variant*>(args.room()));  // made unless it throws
  args.made();
  return ok;
}

// The object a function that never looks at the draw is called on.
Draw& no_draw() {
  static Draw unused;
  return unused;
}

CallResult run(const Member& m, std::span<const Variant> args) {
  switch (m.draw) {
    case DrawUse::None:
      return call(no_draw(), m, args);
    case DrawUse::Reads: {
      const std::shared_ptr<Draw> draw = draws().current();  // one draw for the whole call
      return call(*draw, m, args);
    }
    case DrawUse::Writes: {
      CallResult r;
      draws().update([&](Draw& next) { r = call(next, m, args); });
      return r;
    }
  }
  return CallResult{Variant(), true};
}

}  // namespace

// Calls the n-th function of the member list with Excel's arguments.
XLOPER12* call_function(std::size_t n, std::initializer_list<XLOPER12*> in) noexcept {
  ResultSlot* slot = result_slots().mine();
  if (!slot) return no_slot();
  try {
    const Member* m = function_member(n);
    if (!m || in.size() != m->params.size() || in.size() > kMaxParams) return fail(*slot);
    CallArguments args;
    for (XLOPER12* x : in) {
      if (!x || !add_argument(args, *x)) return fail(*slot);
    }
    const CallResult r = run(*m, args.view());
    if (r.failed) return fail(*slot);
    free_result(slot->oper);
    write_result(r.value, slot->oper, slot->text);
    return &slot->oper;
  } catch (...) {  // out of memory: no exception crosses into Excel
    return fail(*slot);
  }
}

void thread_ends() noexcept { result_slots().thread_ends(); }

}  // namespace korvane::xll

using korvane::xll::call_function;
using korvane::xll::XLOPER12;

// Windows tells every loaded DLL when a thread ends: its result slot goes.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_DETACH) korvane::xll::thread_ends();
  return TRUE;
}

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
