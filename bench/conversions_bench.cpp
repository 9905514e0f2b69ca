// The cost of one call of the code counts, the millions, the zodiac
// conversions and the wage functions, with arguments as a sheet passes them:
// numbers as Doubles, texts, and a cell reference for every Range parameter.
#include <benchmark/benchmark.h>

#include "core/custom_functions.h"

namespace korvane {
namespace {

Variant cell(Variant v) { return Variant(make_cell(std::move(v))); }

// A loaded draw, as the sheet holds it while bets are settled.
struct Sheet {
  自定义函数 obj;
  Variant draw_cell = cell(Variant(kConfirmation));
  Sheet() { obj.验证(Variant(2013.0), Variant(u"05 12 18 30 41 49"), Variant(u"08"), draw_cell); }
};

void BM_TEMA(benchmark::State& state) {
  Sheet s;
  const Variant bets(u"07 15 08 33 41 08 12");
  const Variant code(u"08");
  const Variant m(10.0);
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.TEMA(bets, code, m, s.draw_cell));
}
BENCHMARK(BM_TEMA);

void BM_TEMAL(benchmark::State& state) {
  Sheet s;
  const Variant list = cell(Variant(u"05 12 18 30 41 49 07 15"));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.TEMAL(list));
}
BENCHMARK(BM_TEMAL);

void BM_Sum1(benchmark::State& state) {
  Sheet s;
  const Variant bets = cell(Variant(u"07 15 08 33 41 08 12"));
  const Variant code(u"08");
  const Variant stake = cell(Variant(100.0));
  const Variant odds(40.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.obj.求和1(bets, code, stake, odds, s.draw_cell));
  }
}
BENCHMARK(BM_Sum1);

void BM_PAI(benchmark::State& state) {
  Sheet s;
  const Variant amount = cell(Variant(12345678.0));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.PAI(amount));
}
BENCHMARK(BM_PAI);

void BM_PAID(benchmark::State& state) {
  Sheet s;
  const Variant amount = cell(Variant(12345678.0));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.PAID(amount));
}
BENCHMARK(BM_PAID);

void BM_SignsToNumbers(benchmark::State& state) {
  Sheet s;
  const Variant year(2013.0);
  const Variant signs[] = {Variant(u"蛇"), Variant(u"马"), Variant(u"羊"), Variant(u"猴"),
                           Variant(u"鸡"), Variant(),      Variant()};
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.obj.肖转号码(year, signs[0], signs[1], signs[2], signs[3], signs[4],
                                            signs[5], signs[6], s.draw_cell));
  }
}
BENCHMARK(BM_SignsToNumbers);

void BM_NumberToSign(benchmark::State& state) {
  Sheet s;
  const Variant year = cell(Variant(2013.0));
  const Variant number(u"08");
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.号码转肖(year, number, s.draw_cell));
}
BENCHMARK(BM_NumberToSign);

void BM_SL1(benchmark::State& state) {
  Sheet s;
  const Variant process = cell(Variant(12.0));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.SL1(process));
}
BENCHMARK(BM_SL1);

void BM_SL2(benchmark::State& state) {
  Sheet s;
  const Variant process = cell(Variant(12.0));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.SL2(process));
}
BENCHMARK(BM_SL2);

void BM_SL3(benchmark::State& state) {
  Sheet s;
  const Variant key = cell(Variant(1200000350.0));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.SL3(key));
}
BENCHMARK(BM_SL3);

void BM_SL4(benchmark::State& state) {
  Sheet s;
  const Variant process(12.0);
  const Variant quantity = cell(Variant(-350.0));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.SL4(process, quantity));
}
BENCHMARK(BM_SL4);

void BM_Wage1(benchmark::State& state) {
  Sheet s;
  const Variant quantity = cell(Variant(12.0));
  const Variant price = cell(Variant(1.5));
  for (auto _ : state) benchmark::DoNotOptimize(s.obj.工资1(quantity, price));
}
BENCHMARK(BM_Wage1);

}  // namespace
}  // namespace korvane
