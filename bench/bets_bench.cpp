// The cost of one settlement of each regular-number bet, against a loaded draw.
//
// A sheet settles one bet per row on every recalculation, and a busy book has
// thousands of rows, so each bet should cost well under a microsecond. The
// arguments are those of a real row: the bet type and selection as texts, the
// stake as a number, and 易失 either as a reference to the 验证 cell (holding
// its confirmation text, as in a real sheet) or as a plain value.
#include <benchmark/benchmark.h>

#include <array>

#include "core/custom_functions.h"

namespace korvane {
namespace {

struct Row {
  Draw draw;
  Variant volatile_ref = Variant(make_cell(Variant(kConfirmation)));
  Variant volatile_plain = Variant(kConfirmation);
  Row() {
    call(draw, *find_function(u"验证"),
         std::array{Variant(2013.0), Variant(u"05 12 18 30 41 49"), Variant(u"08"), Variant()});
  }
  const Variant& trigger(const benchmark::State& state) const {
    return state.range(0) ? volatile_ref : volatile_plain;
  }
};

// One settlement of the bet named, through its row as every front end calls
// it, with the arguments made before the timing starts.
template <std::size_t N>
void time_calls(benchmark::State& state, Row& row, std::u16string_view name,
                const std::array<Variant, N>& args) {
  const Function& m = *find_function(name);
  for (auto _ : state) benchmark::DoNotOptimize(call(row.draw, m, args));
}

// Arg 1: 易失 as a reference to the 验证 cell; arg 0: 易失 as a plain value.
#define BET_BENCHMARK(name) BENCHMARK(name)->ArgName("ref")->Arg(1)->Arg(0)

void NoneHit(benchmark::State& state) {
  Row row;
  const Variant a(u"01 02 03 04 06 07 09 10"), amount(300.0);
  time_calls(state, row, u"平特几不中", std::array{a, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(NoneHit);

void OddEvenBigSmall(benchmark::State& state) {
  Row row;
  const Variant marks(u"小单"), amount(50.0);
  time_calls(state, row, u"平特单双大小", std::array{marks, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(OddEvenBigSmall);

void ZodiacSigns(benchmark::State& state) {
  Row row;
  const Variant type(u"平特二肖"), signs(u"牛马鼠蛇"), amount(100.0);
  time_calls(state, row, u"平特几肖", std::array{type, signs, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(ZodiacSigns);

void ZodiacPackage(benchmark::State& state) {
  Row row;
  const Variant signs(u"鼠牛虎龙狗"), amount(80.0);
  time_calls(state, row, u"包几肖", std::array{signs, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(ZodiacPackage);

void NumbersHit(benchmark::State& state) {
  Row row;
  const Variant type(u"三中三"), numbers(u"05-12-18-08-45"), amount(600.0);
  time_calls(state, row, u"平码几中几",
             std::array{type, numbers, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(NumbersHit);

void DomesticOrWild(benchmark::State& state) {
  Row row;
  const Variant backed(u"家禽"), amount(100.0);
  time_calls(state, row, u"包家禽或野兽", std::array{backed, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(DomesticOrWild);

void Tails(benchmark::State& state) {
  Row row;
  const Variant type(u"平特二尾"), digits(u"3 9 0"), amount(100.0);
  time_calls(state, row, u"平特几尾",
             std::array{type, digits, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(Tails);

void Chain(benchmark::State& state) {
  Row row;
  const Variant type(u"特串"), numbers(u"08 12 41"), amount(100.0);
  time_calls(state, row, u"特串软串",
             std::array{type, numbers, amount, Variant(row.trigger(state))});
}
BET_BENCHMARK(Chain);

}  // namespace
}  // namespace korvane
