// korvane.xll: the worksheet functions through Excel's C API.
//
// Excel loads the XLL (File › Options › Add-ins › Browse, or an OPEN value in
// its registry settings) and calls xlAutoOpen, which registers every function
// of the member list under its own (Chinese) name with xlfRegister: category
// Korvane, the Chinese description and one Chinese help line per parameter
// for the function wizard. Each function is called through an exported
// entry of a fixed pool, kv_<parameter count>_<k> (registration.h), taking
// one XLOPER12 per parameter and giving one back.
//
// Type strings: every parameter is Q (Excel hands the values of referenced
// cells), except those of a function that keeps references (验证 keeps the
// special number as passed, a reference included, as the automation add-in
// does), which are U, so that it sees whether it got one. Such a function is
// registered not thread-safe, and so runs on Excel's main thread, where it
// may read the cells; every other function is thread-safe ($) (see draw.h
// for how readers stay safe while 验证 loads the draw).
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
bool add_argument(CallArguments& args, const XLOPER12& x) { return make_argument(x, args); }

// The object a function that never looks at the draw is called on.
Draw& no_draw() {
  static Draw unused;
  return unused;
}

CallResult run(const Function& m, std::span<const Variant> args) {
  switch (m.draw) {
    case DrawUse::None:
      return call(no_draw(), m, args);
    case DrawUse::Reads: {
      const std::shared_ptr<Draw> draw = draws().current();  // one draw for the whole call
      return call(*draw, m, args);
    }
    case DrawUse::Loads: {
      CallResult r;
      draws().update([&](Draw& next) { r = call(next, m, args); });
      return r;
    }
  }
  return CallResult{Variant(), true};
}

// The function registered on each entry of the pool, by parameter count and
// k; null where none is. Made once, from the member list alone.
using EntryTable = std::array<std::array<const Function*, kEntriesPerCount>, kMaxParams + 1>;
EntryTable make_entry_table() {
  EntryTable table{};
  for (std::size_t n = 0; const Function* m = function_member(n); ++n) {
    const Entry e = entry_of(n);
    if (e.count <= kMaxParams && e.k < kEntriesPerCount) table[e.count][e.k] = m;
  }
  return table;
}

const Function* registered_on(std::size_t count, std::size_t k) noexcept {
  static const EntryTable table = make_entry_table();
  return count <= kMaxParams && k < kEntriesPerCount ? table[count][k] : nullptr;
}

}  // namespace

XLOPER12* call_entry(std::size_t count, std::size_t k,
                     std::initializer_list<XLOPER12*> in) noexcept {
  ResultSlot* slot = result_slots().mine();
  if (!slot) return no_slot();
  try {
    const Function* m = registered_on(count, k);
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

// Windows tells every loaded DLL when a thread ends: its result slot goes.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_DETACH) korvane::xll::thread_ends();
  return TRUE;
}

// The pool of exported entries, kv_<count>_<k>, is written by xll/pool.cmake
// into the build (pool.cpp): each calls call_entry(count, k, its arguments).
