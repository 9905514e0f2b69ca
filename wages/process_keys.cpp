// SL1 to SL4: process keys of a piece-rate wage sheet.
//
// A wage sheet records, per row, a process number (工序号, a step of the
// work) and a quantity. The sheets pack both into one number, the process
// key: process number x 100000000 + |quantity|. Sorting or summing by key
// then groups rows by process, and a range test picks one process: its keys
// lie from SL1(p) up to, but not including, SL2(p). SL3 takes the quantity
// back out of a key.
//
// The scale is written as the whole constant 100000000 (a Long), so a blank
// process number gives a whole key; a cell holding a number gives a Double.
// Nothing is rounded: a fractional process number gives a fractional key.
#include "core/arithmetic.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

constexpr Numeric kKeyScale = Numeric::whole(100000000);

Numeric lowest_key(const Variant& process) {
  return need(multiply(need(numeric(process)), kKeyScale));
}

}  // namespace

Variant SL1(const Variant& y) { return to_variant(lowest_key(y)); }

// SL1 and SL2 take the same parameter.
constexpr std::array kProcessNumberParams{Param::range(u"y", "工序号", "the process number")};
constinit const FunctionRow<1> rows::sl1 = worksheet_function<SL1>(
    kProcessNumberParams,
    {.regime = Regime::FailingCall,
     .zh = "工序号的最小工序键",
     .en = "lowest process key of a process number",
     .returns_zh = "y × 100000000",
     .returns_en = "y x 100000000",
     .example = {"3", "3e+08"},
     .place = {.sheet = Sheet::Wages, .note = "工序 3 的最小工序键：工序号 × 100000000"}});

Variant SL2(const Variant& y) { return to_variant(need(add(lowest_key(y), kKeyScale))); }

constinit const FunctionRow<1> rows::sl2 = worksheet_function<SL2>(
    kProcessNumberParams,
    {.regime = Regime::FailingCall,
     .zh = "下一工序号的最小工序键",
     .en = "lowest process key of the next process number",
     .returns_zh = "y × 100000000 + 100000000",
     .returns_en = "y x 100000000 + 100000000",
     .example = {"3", "4e+08"},
     .place = {.sheet = Sheet::Wages,
               .note = "下一道工序（4）的最小工序键，与 SL1 一起圈出工序 3 的所有键"}});

// The remainder below the scale, with the floor toward minus infinity: a key
// of a negative process number still gives its quantity (-199999995 gives 5).
Variant SL3(const Variant& y) {
  const double key = need(number(y));
  const double scale = kKeyScale.value;
  return Variant(need(checked(key - scale * floor_(key / scale))));
}

constexpr std::array kSl3Params{Param::range(u"y", "工序键", "the process key")};
constinit const FunctionRow<1> rows::sl3 = worksheet_function<SL3>(
    kSl3Params, {.regime = Regime::FailingCall,
                 .zh = "从工序键取出数量",
                 .en = "the quantity part of a process key",
                 .returns_zh = "y 除以 100000000 的余数",
                 .returns_en = "y mod 100000000",
                 .example = {"1200000350", "350"},
                 .place = {.sheet = Sheet::Wages, .note = "从工序键 1200000350 取出数量 350"}});

// The quantity's sign is dropped (a returned piece still counts in its
// process); the process number is kept as it is, sign and fraction.
Variant SL4(const Variant& 工序号, const Variant& 数量) {
  const Numeric key = lowest_key(工序号);
  return to_variant(need(add(key, need(absolute(need(numeric(数量)))))));
}

constexpr std::array kSl4Params{Param::value(u"工序号", "工序号", "the process number"),
                                Param::range(u"数量", "数量", "the quantity")};
constinit const FunctionRow<2> rows::sl4 = worksheet_function<SL4>(
    kSl4Params, {.regime = Regime::FailingCall,
                 .zh = "由工序号与数量组成工序键",
                 .en = "process key from process number and quantity",
                 .returns_zh = "工序号 × 100000000 + |数量|",
                 .returns_en = "工序号 x 100000000 + |数量|",
                 .example = {"12 350", "1200000350"},
                 .place = {.sheet = Sheet::Wages, .note = "工序 12、数量 350 组成工序键"}});

}  // namespace korvane
