// The draw set-up and the eval protocol: one 验证 call on the core, one
// request line answered by `korvane eval` (parse, bind, call, encode), and a
// line of a long text.
#include <benchmark/benchmark.h>

#include <array>

#include "cli/protocol.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace {

using namespace korvane;

void BM_DrawSetup(benchmark::State& state) {
  Draw obj;
  const Function& verify = *find_function(u"验证");
  const std::array<Variant, 4> draw = {Variant(2013.0), Variant(u"05 12 18 30 41 49"),
                                       Variant(u"08"), Variant()};
  for (auto _ : state) {
    CallResult r = call(obj, verify, draw);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DrawSetup);

void BM_EvalRequestLine(benchmark::State& state) {
  auto backend = protocol::make_native_backend();
  protocol::answer(*backend, R"({"call":"验证","args":[2013,"05 12 18 30 41 49","08",null]})");
  const std::string line = R"({"call":"平特几肖","args":["平特二肖","牛马鼠蛇",100,{"ref":2}]})";
  for (auto _ : state) {
    std::string a = protocol::answer(*backend, line);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_EvalRequestLine);

// A let of a 1 MiB text, its escapes plain (0) or lone surrogates (1), which
// the reader masks for the JSON parser and decodes itself: both linear.
void BM_EvalLongTextLine(benchmark::State& state) {
  auto backend = protocol::make_native_backend();
  const std::string piece = state.range(0) ? R"(05 12 \ud800 牛马)" : R"(05 12 \u0041 牛马)";
  std::string line = R"({"let":"t","value":")";
  while (line.size() < (1u << 20)) line += piece;
  line += "\"}";
  for (auto _ : state) {
    std::string a = protocol::answer(*backend, line);
    benchmark::DoNotOptimize(a);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_EvalLongTextLine)->Arg(0)->Arg(1);

}  // namespace
