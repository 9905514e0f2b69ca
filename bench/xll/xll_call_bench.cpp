// The cost of one call through korvane.xll's exported function, XLOPER12
// arguments in and an XLOPER12 out as Excel makes the call, next to the same
// call on the core in the same process. Run under 64-bit Wine (Google
// Benchmark is not built for Windows here):
//
//   scripts/wine build/windows-x64/korvane_xll_bench.exe
//
// It loads korvane.xll from its own folder and calls its exports directly
// (nothing needs registering to call an export), loads a draw through 验证,
// then times two draw readers and one function that does not use the draw:
// 平特几肖 (a number back), 号码转肖 (a text back, which the XLL allocates and
// Excel hands back to xlAutoFree12, timed with it) and PAI. The 易失
// argument is what Excel hands a Q parameter for the draw cell: its text.
// Each figure is the fastest of several runs of many calls, in nanoseconds a
// call: on a shared machine the fastest run is the one least disturbed, and
// the median moves by tens of nanoseconds from one run to the next.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine_timing.h"
#include "core/custom_functions.h"
#include "xll/entries.h"
#include "xll/xlcall.h"

namespace {

using namespace korvane;
using namespace korvane::xll;

constexpr int kRuns = 15;
constexpr int kCalls = 200000;

template <class F>
double ns_per_call(F&& f) {
  return korvane::bench::ns_per_call(f, kRuns, kCalls).fastest;
}

// An XLOPER12 text or number that lives as long as the benchmark.
struct Arg {
  explicit Arg(double d) {
    x.xltype = xltypeNum;
    x.val.num = d;
  }
  explicit Arg(std::u16string_view s) : text(s.size() + 1, L'\0') {
    text[0] = static_cast<XCHAR>(s.size());
    std::copy(s.begin(), s.end(), text.begin() + 1);
    x.xltype = xltypeStr;
    x.val.str = text.data();
  }
  std::wstring text;
  XLOPER12 x{};
};

using P = LPXLOPER12;
using Fn1 = P(__stdcall*)(P);
using Fn3 = P(__stdcall*)(P, P, P);
using Fn4 = P(__stdcall*)(P, P, P, P);

template <class F>
F entry(HMODULE xll, const char* name) {
  auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(xll, name)));
  if (!f) {
    std::fprintf(stderr, "xll_call_bench: korvane.xll does not export %s\n", name);
    std::exit(1);
  }
  return f;
}

// The export a function is registered on, by the XLL's own rule.
std::string export_of(std::u16string_view name) {
  for (std::size_t n = 0; const Function* m = xll::function_member(n); ++n) {
    if (m->name == name) return xll::procedure_name(xll::entry_of(n));
  }
  return {};
}

int run() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"korvane.xll";
  HMODULE xll = LoadLibraryW(path.c_str());
  if (!xll) {
    std::fprintf(stderr, "xll_call_bench: cannot load korvane.xll beside the program\n");
    return 1;
  }
  const auto free12 = entry<void(__stdcall*)(P)>(xll, "xlAutoFree12");
  const auto verify = entry<Fn4>(xll, export_of(u"验证").c_str());
  const auto zodiac = entry<Fn4>(xll, export_of(u"平特几肖").c_str());
  const auto sign = entry<Fn3>(xll, export_of(u"号码转肖").c_str());
  const auto pai = entry<Fn1>(xll, export_of(u"PAI").c_str());

  Arg year(2013.0), numbers(u"05 12 18 30 41 49"), special(u"08"), draw_cell(kConfirmation);
  XLOPER12 missing{};
  missing.xltype = xltypeMissing;
  verify(&year.x, &numbers.x, &special.x, &missing);

  Arg game(u"平特二肖"), signs(u"牛马鼠蛇"), stake(100.0), number(u"07"), amount(12345678.0);
  auto release = [&](P r) {
    if (r->xltype & xlbitDLLFree) free12(r);
  };
  const double xll_zodiac =
      ns_per_call([&] { release(zodiac(&game.x, &signs.x, &stake.x, &draw_cell.x)); });
  const double xll_sign = ns_per_call([&] { release(sign(&year.x, &number.x, &draw_cell.x)); });
  const double xll_pai = ns_per_call([&] { release(pai(&amount.x)); });

  // The core alone, in this process, with the values Excel handed.
  Draw core;
  const Variant confirmation{kConfirmation};
  const std::array<Variant, 4> core_draw = {Variant(2013.0), Variant(u"05 12 18 30 41 49"),
                                            Variant(u"08"), Variant()};
  call(core, *find_function(u"验证"), core_draw);
  const std::array<Variant, 4> zodiac_args = {Variant(u"平特二肖"), Variant(u"牛马鼠蛇"),
                                              Variant(100.0), confirmation};
  const std::array<Variant, 3> sign_args = {Variant(2013.0), Variant(u"07"), confirmation};
  const std::array<Variant, 1> pai_args = {Variant(12345678.0)};
  volatile bool sink = false;
  auto direct = [&](const Function& m, std::span<const Variant> args) {
    return ns_per_call([&] {
      CallResult r = call(core, m, args);
      sink = r.failed;
    });
  };
  const double core_zodiac = direct(*find_function(u"平特几肖"), zodiac_args);
  const double core_sign = direct(*find_function(u"号码转肖"), sign_args);
  const double core_pai = direct(*find_function(u"PAI"), pai_args);
  (void)sink;

  std::printf("one call, fastest of %d runs of %d calls (ns a call)\n", kRuns, kCalls);
  std::printf("%-30s %10s %10s %10s\n", "function", "core", "korvane.xll", "overhead");
  auto row = [](const char* name, double core_ns, double xll_ns) {
    std::printf("%-30s %10.1f %10.1f %10.1f\n", name, core_ns, xll_ns, xll_ns - core_ns);
  };
  row("平特几肖 (reads the draw)", core_zodiac, xll_zodiac);
  row("号码转肖 (a text back)", core_sign, xll_sign);
  row("PAI (no draw)", core_pai, xll_pai);
  return 0;
}

}  // namespace

int main() { return run(); }
