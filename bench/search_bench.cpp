// Looking a long entry up in a long text: the cases a plain search takes
// len(text) x len(entry) steps on (a pasted megabyte of bets searched for a
// long code that nearly matches everywhere). The plain search is kept here,
// and only here, to show the difference in the same run.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "core/conventions.h"
#include "core/custom_functions.h"
#include "core/search.h"

namespace korvane {
namespace {

std::size_t plain_find(std::u16string_view x, std::u16string_view e) {
  if (e.size() > x.size()) return std::u16string_view::npos;
  for (std::size_t i = 0; i + e.size() <= x.size(); ++i) {
    std::size_t j = 0;
    while (j < e.size() && x[i + j] == e[j]) ++j;
    if (j == e.size()) return i;
  }
  return std::u16string_view::npos;
}

// A megabyte of "0" searched for a code of 300,000 characters that differs in
// its last one (arg 0) or its first (arg 1).
struct Adversarial {
  std::u16string text = std::u16string(std::size_t{1} << 20, u'0');
  std::u16string code;
  explicit Adversarial(const benchmark::State& state) : code(300000, u'0') {
    (state.range(0) ? code.front() : code.back()) = u'1';
  }
};

void LinearSearch(benchmark::State& state) {
  const Adversarial a(state);
  for (auto _ : state) benchmark::DoNotOptimize(find_linear(a.text, a.code));
}
BENCHMARK(LinearSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Only the mismatch at the end is quadratic for the plain search; a few
// hundred characters of code show its growth without taking minutes.
void PlainSearch(benchmark::State& state) {
  const std::u16string text(std::size_t{1} << 20, u'0');
  std::u16string code(static_cast<std::size_t>(state.range(0)), u'0');
  code.back() = u'1';
  for (auto _ : state) benchmark::DoNotOptimize(plain_find(text, code));
}
BENCHMARK(PlainSearch)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

// TEMA counting a 300 KB code in a megabyte of bets, through the worksheet function.
void TemaOnAMegabyte(benchmark::State& state) {
  Draw obj;
  const Adversarial a(state);
  const std::array args{Variant(a.text), Variant(a.code), Variant(1.0), Variant()};
  const Function& tema = *find_function(u"TEMA");
  for (auto _ : state) benchmark::DoNotOptimize(call(obj, tema, args));
}
BENCHMARK(TemaOnAMegabyte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane
