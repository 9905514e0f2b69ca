// One call of a bet function on the core, as every front end makes it: the
// member looked up once, then called with the arguments a worksheet passes
// (a text, a text, a number, and the 易失 cell reference). The late-bound
// call of the same function through korvane.dll is measured under Wine by
// bench/com/com_invoke_bench.cpp; the difference is the dispatch overhead.
#include <benchmark/benchmark.h>

#include <array>

#include "core/custom_functions.h"

namespace {

using namespace korvane;

Draw with_draw() {
  Draw obj;
  const std::array<Variant, 4> draw = {Variant(2013.0), Variant(u"05 12 18 30 41 49"),
                                       Variant(u"08"), Variant(make_cell(Variant(2.0)))};
  call(obj, *find_function(u"验证"), draw);
  return obj;
}

void BM_CoreBetCall(benchmark::State& state) {
  Draw obj = with_draw();
  const Function& bet = *find_function(u"平特几肖");
  const std::array<Variant, 4> args = {Variant(u"平特二肖"), Variant(u"牛马鼠蛇"), Variant(100.0),
                                       Variant(make_cell(Variant(2.0)))};
  for (auto _ : state) {
    CallResult r = call(obj, bet, args);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_CoreBetCall);

// The same, binding the name on every call (GetIDsOfNames and Invoke
// together, as a client that caches no dispatch identifiers pays).
void BM_CoreBetCallByName(benchmark::State& state) {
  Draw obj = with_draw();
  const std::array<Variant, 4> args = {Variant(u"平特二肖"), Variant(u"牛马鼠蛇"), Variant(100.0),
                                       Variant(make_cell(Variant(2.0)))};
  for (auto _ : state) {
    CallResult r = call(obj, *find_function(u"平特几肖"), args);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_CoreBetCallByName);

}  // namespace
