// The cost of one call of the code counts, the millions, the zodiac
// conversions and the wage functions, with arguments as a sheet passes them:
// numbers as Doubles, texts, and a cell reference for every Range parameter.
#include <benchmark/benchmark.h>

#include <array>

#include "core/custom_functions.h"

namespace korvane {
namespace {

Variant cell(Variant v) { return Variant(make_cell(std::move(v))); }

// A loaded draw, as the sheet holds it while bets are settled.
struct Sheet {
  Draw obj;
  Variant draw_cell = cell(Variant(kConfirmation));
  Sheet() {
    call(obj, *find_function(u"验证"),
         std::array{Variant(2013.0), Variant(u"05 12 18 30 41 49"), Variant(u"08"), draw_cell});
  }
};

// One call of the function named, through its row as every front end calls
// it, with the arguments made before the timing starts.
template <std::size_t N>
void time_calls(benchmark::State& state, Sheet& s, std::u16string_view name,
                const std::array<Variant, N>& args) {
  const Function& m = *find_function(name);
  for (auto _ : state) benchmark::DoNotOptimize(call(s.obj, m, args));
}

void BM_TEMA(benchmark::State& state) {
  Sheet s;
  const Variant bets(u"07 15 08 33 41 08 12");
  const Variant code(u"08");
  const Variant m(10.0);
  time_calls(state, s, u"TEMA", std::array{bets, code, m, s.draw_cell});
}
BENCHMARK(BM_TEMA);

void BM_TEMAL(benchmark::State& state) {
  Sheet s;
  const Variant list = cell(Variant(u"05 12 18 30 41 49 07 15"));
  time_calls(state, s, u"TEMAL", std::array{list});
}
BENCHMARK(BM_TEMAL);

void BM_Sum1(benchmark::State& state) {
  Sheet s;
  const Variant bets = cell(Variant(u"07 15 08 33 41 08 12"));
  const Variant code(u"08");
  const Variant stake = cell(Variant(100.0));
  const Variant odds(40.0);
  time_calls(state, s, u"求和1", std::array{bets, code, stake, odds, s.draw_cell});
}
BENCHMARK(BM_Sum1);

void BM_PAI(benchmark::State& state) {
  Sheet s;
  const Variant amount = cell(Variant(12345678.0));
  time_calls(state, s, u"PAI", std::array{amount});
}
BENCHMARK(BM_PAI);

void BM_PAID(benchmark::State& state) {
  Sheet s;
  const Variant amount = cell(Variant(12345678.0));
  time_calls(state, s, u"PAID", std::array{amount});
}
BENCHMARK(BM_PAID);

void BM_SignsToNumbers(benchmark::State& state) {
  Sheet s;
  const Variant year(2013.0);
  const Variant signs[] = {Variant(u"蛇"), Variant(u"马"), Variant(u"羊"), Variant(u"猴"),
                           Variant(u"鸡"), Variant(),      Variant()};
  time_calls(state, s, u"肖转号码",
             std::array{year, signs[0], signs[1], signs[2], signs[3], signs[4], signs[5], signs[6],
                        s.draw_cell});
}
BENCHMARK(BM_SignsToNumbers);

void BM_NumberToSign(benchmark::State& state) {
  Sheet s;
  const Variant year = cell(Variant(2013.0));
  const Variant number(u"08");
  time_calls(state, s, u"号码转肖", std::array{year, number, s.draw_cell});
}
BENCHMARK(BM_NumberToSign);

void BM_SL1(benchmark::State& state) {
  Sheet s;
  const Variant process = cell(Variant(12.0));
  time_calls(state, s, u"SL1", std::array{process});
}
BENCHMARK(BM_SL1);

void BM_SL2(benchmark::State& state) {
  Sheet s;
  const Variant process = cell(Variant(12.0));
  time_calls(state, s, u"SL2", std::array{process});
}
BENCHMARK(BM_SL2);

void BM_SL3(benchmark::State& state) {
  Sheet s;
  const Variant key = cell(Variant(1200000350.0));
  time_calls(state, s, u"SL3", std::array{key});
}
BENCHMARK(BM_SL3);

void BM_SL4(benchmark::State& state) {
  Sheet s;
  const Variant process(12.0);
  const Variant quantity = cell(Variant(-350.0));
  time_calls(state, s, u"SL4", std::array{process, quantity});
}
BENCHMARK(BM_SL4);

void BM_Wage1(benchmark::State& state) {
  Sheet s;
  const Variant quantity = cell(Variant(12.0));
  const Variant price = cell(Variant(1.5));
  time_calls(state, s, u"工资1", std::array{quantity, price});
}
BENCHMARK(BM_Wage1);

}  // namespace
}  // namespace korvane
