// The member list of 自定义函数, in interface order. Every front end (the COM
// type library and dispatch, `korvane eval`, `korvane call`, the book settler,
// the help text) reads this one table.
#include <utility>

#include "core/custom_functions.h"

namespace korvane {
namespace {

using Obj = 自定义函数;
constexpr ParamKind V = ParamKind::Variant;
constexpr ParamKind R = ParamKind::Range;

// ---- properties ----------------------------------------------------------------

// A let stores the value a reference stands for; a set stores the reference.
template <Variant Obj::*Field>
constexpr PropertyAccess field_access() {
  return {
      [](const Obj& o) { return o.*Field; },
      [](Obj& o, const Variant& v) {
        o.*Field = value_of(v);
        return true;
      },
      [](Obj& o, const Variant& v) { o.*Field = v; },
  };
}

template <std::array<Variant, 6> Obj::*Field, std::size_t I>
constexpr PropertyAccess slot_access() {
  return {
      [](const Obj& o) { return (o.*Field)[I]; },
      [](Obj& o, const Variant& v) {
        (o.*Field)[I] = value_of(v);
        return true;
      },
      [](Obj& o, const Variant& v) { (o.*Field)[I] = v; },
  };
}

constexpr PropertyAccess yyy_access() {
  return {
      [](const Obj& o) { return Variant(o.yyy); },
      [](Obj& o, const Variant& v) {
        const Maybe<Text> s = text(v);  // a String property takes the text form
        if (!s) return false;
        o.yyy = std::u16string(s->view());
        return true;
      },
      nullptr,
  };
}

constexpr Member property(std::u16string_view name, PropertyAccess access, std::string_view zh,
                          std::string_view en) {
  return Member{name, true, access, nullptr, {}, false, DrawUse::None, zh, en, {}, {}};
}

// ---- functions -----------------------------------------------------------------

template <class M>
struct Arity;
template <class... A>
struct Arity<Variant (Obj::*)(A...)> : std::integral_constant<std::size_t, sizeof...(A)> {};

template <auto Method>
CallResult invoke(Obj& o, std::span<const Variant> args) {
  constexpr std::size_t n = Arity<decltype(Method)>::value;
  try {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return CallResult{(o.*Method)(args[I]...), false};
    }
    (std::make_index_sequence<n>{});
  } catch (const CallFailed&) {
    return CallResult{Variant(), true};
  }
}

template <auto Method, std::size_t N>
constexpr Member function(std::u16string_view name, const std::array<Param, N>& params,
                          bool skips_errors, DrawUse draw, std::string_view zh, std::string_view en,
                          std::string_view returns, std::string_view example) {
  static_assert(Arity<decltype(Method)>::value == N, "parameter list and method disagree");
  return Member{name, false, {}, &invoke<Method>, params, skips_errors,
                draw, zh,    en, returns,         example};
}

constexpr Param kVolatile{u"易失", R, "重算触发：引用开奖单元格，使公式随开奖重算",
                          "recalculation trigger: a reference to the draw cell", true};

constexpr std::array kVerifyParams{
    Param{u"年", V, "开奖年份", "year of the draw"},
    Param{u"pn", V, "六个平码，如 05 12 18 30 41 49", "the six regular numbers as one text"},
    Param{u"tn", V, "特码，如 08", "the special number, such as 08"},
    kVolatile,
};
constexpr std::array kTemaParams{
    Param{u"a", V, "下注文本", "the bet text"},
    Param{u"b", V, "要数的号码，通常为特码", "the code counted, normally the special number"},
    Param{u"m", V, "大于 0 时才计数", "the count is made only when this is above 0"},
    kVolatile,
};
constexpr std::array kTemalParams{
    Param{u"y", R, "以空格分隔的两位号码列表", "a list of two-digit numbers separated by spaces"},
};
constexpr std::array kSumParams{
    Param{u"r", V, "下注文本", "the bet text"},
    Param{u"条件", V, "要数的号码", "the code counted"},
    Param{u"收入", V, "每注金额", "the stake"},
    Param{u"赔率", V, "赔率", "the odds"},
    kVolatile,
};
constexpr std::array kPaiParams{Param{u"w", R, "要拆分的金额", "the amount split"}};
constexpr std::array kPaidParams{Param{u"q", R, "要截断的金额", "the amount cut"}};
constexpr std::array kNoneHitParams{
    Param{u"a", V, "所买号码，如 03 17 28 45", "the backed numbers, such as 03 17 28 45"},
    Param{u"收入", V, "中奖时返回的值", "what a winning bet returns"},
    kVolatile,
};
constexpr std::array kOddEvenParams{
    Param{u"单双大小", V, "含单、双、大、小的下注文本", "bet text holding 单, 双, 大 or 小"},
    Param{u"收入", V, "中奖时返回的值", "what a winning bet returns"},
    kVolatile,
};
constexpr std::array kZodiacParams{
    Param{u"g", V, "玩法，如 平特二肖", "bet type, such as 平特二肖"},
    Param{u"肖", V, "所买生肖，如 鼠牛虎", "the backed signs, such as 鼠牛虎"},
    Param{u"收入", V, "每组中奖金额", "amount paid per winning unit"},
    kVolatile,
};
constexpr std::array kPackageParams{
    Param{u"肖", V, "所买生肖，如 鼠牛虎龙", "the backed signs, such as 鼠牛虎龙"},
    Param{u"收入", V, "中奖时返回的值", "what a winning bet returns"},
    kVolatile,
};
constexpr std::array kNumbersHitParams{
    Param{u"g", V, "玩法，如 三中三、二中二", "bet type, such as 三中三 or 二中二"},
    Param{u"号码", V, "所买号码，如 05-12-23-34-45", "the backed numbers, such as 05-12-23-34-45"},
    Param{u"收入", V, "分摊到全部组合的金额", "amount shared over all combinations"},
    kVolatile,
};
constexpr std::array kAnimalsParams{
    Param{u"家禽野兽", V, "含“家禽”为买家禽，否则为野兽",
          "containing 家禽 backs domestic animals, anything else wild"},
    Param{u"收入", V, "中奖金额", "amount paid on a win"},
    kVolatile,
};
constexpr std::array kTailsParams{
    Param{u"y", V, "玩法，如 平特二尾", "bet type, such as 平特二尾"},
    Param{u"几尾", V, "所买尾数，如 3 9 0", "the backed tail digits, such as 3 9 0"},
    Param{u"收入", V, "中奖金额", "amount paid on a win"},
    kVolatile,
};
constexpr std::array kChainParams{
    Param{u"g", V, "玩法：含“硬”或“特”为特串，否则软串",
          "bet type: containing 硬 or 特 is a hard chain, else soft"},
    Param{u"号码", V, "串中号码，特串以特码开头",
          "the chained numbers, hard chains start with the special number"},
    Param{u"收入", V, "每个中奖组合的金额", "amount per winning pair"},
    kVolatile,
};
constexpr Param sign_param(std::u16string_view name) {
  return Param{name, V, "一个生肖，可留空", "one zodiac sign, or empty"};
}
constexpr std::array kSignsToNumbersParams{
    Param{u"年", V, "年份", "the year"},
    sign_param(u"肖1"),
    sign_param(u"肖2"),
    sign_param(u"肖3"),
    sign_param(u"肖4"),
    sign_param(u"肖5"),
    sign_param(u"肖6"),
    sign_param(u"肖7"),
    kVolatile,
};
constexpr std::array kNumberToSignParams{
    Param{u"年", V, "年份", "the year"},
    Param{u"号码", V, "号码，如 07", "the number, such as 07"},
    kVolatile,
};
constexpr std::array kKeyParams{Param{u"y", R, "工序号", "the process number"}};
constexpr std::array kQuantityParams{Param{u"y", R, "工序键", "the process key"}};
constexpr std::array kPackParams{
    Param{u"工序号", V, "工序号", "the process number"},
    Param{u"数量", R, "数量", "the quantity"},
};
constexpr std::array kWageParams{
    Param{u"数量", V, "数量，为 0 或空时按单价计",
          "the quantity; 0 or empty pays the unit price flat"},
    Param{u"单价", R, "单价", "the unit price"},
};

constexpr std::array kMembers{
    property(u"t", field_access<&Obj::t>(), "特码", "the special number"),
    property(u"tt", field_access<&Obj::tt>(), "特码生肖", "the special number's sign"),
    property(u"p1", slot_access<&Obj::p, 0>(), "平码一", "regular number 1"),
    property(u"p2", slot_access<&Obj::p, 1>(), "平码二", "regular number 2"),
    property(u"p3", slot_access<&Obj::p, 2>(), "平码三", "regular number 3"),
    property(u"p4", slot_access<&Obj::p, 3>(), "平码四", "regular number 4"),
    property(u"p5", slot_access<&Obj::p, 4>(), "平码五", "regular number 5"),
    property(u"p6", slot_access<&Obj::p, 5>(), "平码六", "regular number 6"),
    property(u"pp1", slot_access<&Obj::pp, 0>(), "平码一生肖", "sign of regular number 1"),
    property(u"pp2", slot_access<&Obj::pp, 1>(), "平码二生肖", "sign of regular number 2"),
    property(u"pp3", slot_access<&Obj::pp, 2>(), "平码三生肖", "sign of regular number 3"),
    property(u"pp4", slot_access<&Obj::pp, 3>(), "平码四生肖", "sign of regular number 4"),
    property(u"pp5", slot_access<&Obj::pp, 4>(), "平码五生肖", "sign of regular number 5"),
    property(u"pp6", slot_access<&Obj::pp, 5>(), "平码六生肖", "sign of regular number 6"),
    property(u"yyy", yyy_access(), "年份差（年份 − 2008）", "year offset (year - 2008) as text"),

    function<&Obj::验证>(u"验证", kVerifyParams, true, DrawUse::Writes,
                         "载入一期开奖：平码、特码及其生肖",
                         "load a draw: regular numbers, special number and their signs",
                         "a fixed confirmation text", "2013 \"05 12 18 30 41 49\" \"'08\""),
    function<&Obj::TEMA>(u"TEMA", kTemaParams, false, DrawUse::None, "数下注文本中某号码出现的次数",
                         "count a code, normally the special number, in a bet text",
                         "the count (a Long), or empty when m is not above 0",
                         "\"07 15 07 33\" \"'07\" 10"),
    function<&Obj::TEMAL>(u"TEMAL", kTemalParams, false, DrawUse::None, "号码列表中的号码个数",
                          "how many two-digit numbers a space-separated list holds",
                          "(length + 1) / 3 as a Double", "\"05 12 33\""),
    function<&Obj::求和1>(
        u"求和1", kSumParams, false, DrawUse::Reads, "数号码出现次数并乘以金额与赔率",
        "count a code in a bet text times stake times odds",
        "stake x odds x count; 0 while the draw is undrawn", "\"07 15 07 33\" \"'07\" 100 40"),
    function<&Obj::PAI>(u"PAI", kPaiParams, false, DrawUse::None, "整百万的个数",
                        "number of whole millions", "floor(value / 1000000)", "12345678"),
    function<&Obj::PAID>(u"PAID", kPaidParams, false, DrawUse::None, "截到整百万的金额",
                         "the value cut down to whole millions", "floor(value / 1000000) x 1000000",
                         "12345678"),
    function<&Obj::平特几不中>(
        u"平特几不中", kNoneHitParams, true, DrawUse::Reads, "平特几不中：开奖七码全不在所买号码中",
        "none-hit: no drawn number is among the backed numbers",
        "收入 unchanged on a win, else 0 or empty", "\"01 02 03 04 06\" 300"),
    function<&Obj::平特单双大小>(u"平特单双大小", kOddEvenParams, true, DrawUse::Reads,
                                 "平特单双大小：按七码之和的单双大小",
                                 "odd/even, big/small of the sum of the seven drawn numbers",
                                 "收入 unchanged on a win, else 0 or empty", "小 50"),
    function<&Obj::平特几肖>(u"平特几肖", kZodiacParams, true, DrawUse::Reads,
                             "平特几肖：开奖生肖中所买生肖的个数",
                             "zodiac bet on the signs of the whole draw", "收入 x floor(hits / N)",
                             "平特二肖 牛马鼠蛇 100"),
    function<&Obj::包几肖>(u"包几肖", kPackageParams, true, DrawUse::Reads,
                           "包几肖：特码生肖在所买生肖中",
                           "the special number's sign is among the backed signs",
                           "收入 unchanged on a win, else 0 or empty", "鼠狗 80"),
    function<&Obj::平码几中几>(
        u"平码几中几", kNumbersHitParams, true, DrawUse::Reads, "平码几中几：二中二、三中三组合",
        "pair or triple combinations on the regular numbers",
        "the share of 收入 on the winning combinations", "三中三 \"05-12-18-08-45\" 600"),
    function<&Obj::包家禽或野兽>(u"包家禽或野兽", kAnimalsParams, true, DrawUse::Reads,
                                 "包家禽或野兽：特码生肖的类别",
                                 "domestic or wild class of the special number's sign",
                                 "收入 as a number on a win, else 0", "家禽 100"),
    function<&Obj::平特几尾>(u"平特几尾", kTailsParams, true, DrawUse::Reads,
                             "平特几尾：开奖号码尾数", "tail-digit bet on the whole draw",
                             "收入 as a number on a win, else 0 or empty",
                             "平特二尾 \"3 9 0\" 100"),
    function<&Obj::特串软串>(u"特串软串", kChainParams, true, DrawUse::Reads,
                             "特串软串：特码与平码的串",
                             "chain bet tying the special number to regular numbers",
                             "hard: 收入 x hits; soft: 收入 on a win", "特串 \"08 12 41\" 100"),
    function<&Obj::肖转号码>(u"肖转号码", kSignsToNumbersParams, false, DrawUse::None,
                             "生肖转号码：列出所给生肖的号码",
                             "list the numbers of up to seven signs for a year",
                             "the numbers as one text", "2013 蛇 马 \"\" \"\" \"\" \"\" \"\""),
    function<&Obj::号码转肖>(u"号码转肖", kNumberToSignParams, false, DrawUse::None,
                             "号码转肖：号码在该年的生肖", "the zodiac sign of a number in a year",
                             "one sign, or 0 outside 1..49", "2013 \"'08\""),
    function<&Obj::SL1>(u"SL1", kKeyParams, false, DrawUse::None, "工序号的最小工序键",
                        "lowest process key of a process number", "y x 100000000", "3"),
    function<&Obj::SL2>(u"SL2", kKeyParams, false, DrawUse::None, "下一工序号的最小工序键",
                        "lowest process key of the next process number",
                        "y x 100000000 + 100000000", "3"),
    function<&Obj::SL3>(u"SL3", kQuantityParams, false, DrawUse::None, "从工序键取出数量",
                        "the quantity part of a process key", "y mod 100000000", "1200000350"),
    function<&Obj::SL4>(u"SL4", kPackParams, false, DrawUse::None, "由工序号与数量组成工序键",
                        "process key from process number and quantity",
                        "工序号 x 100000000 + |数量|", "12 350"),
    function<&Obj::工资1>(u"工资1", kWageParams, false, DrawUse::None, "计件工资：数量 × 单价",
                          "piece wage: quantity x unit price (the price alone for no quantity)",
                          "数量 x 单价, or 单价 when 数量 is 0", "12 1.5"),
};

// The table fits what the front ends can carry (see kMaxInterfaceMethods).
constexpr std::size_t interface_methods() {
  std::size_t n = 0;
  for (const Member& m : kMembers) n += m.is_property ? (m.property.set ? 3 : 2) : 1;
  return n;
}
constexpr bool params_fit() {
  for (const Member& m : kMembers) {
    if (m.params.size() > kMaxParams) return false;
  }
  return true;
}
static_assert(interface_methods() <= kMaxInterfaceMethods,
              "the COM interface holds at most 80 methods: no room for another member");
static_assert(params_fit(), "a worksheet function takes at most 9 parameters");

bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

std::span<const Member> members() noexcept { return kMembers; }

bool binds_to(std::u16string_view member_name, std::u16string_view name) noexcept {
  if (member_name.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t a = member_name[i];
    if (a != name[i] && !(is_ascii_letter(a) && fold(a) == fold(name[i]))) return false;
  }
  return true;
}

const Member* find_member(std::u16string_view name) noexcept {
  for (const Member& m : kMembers) {
    if (binds_to(m.name, name)) return &m;
  }
  return nullptr;
}

CallResult call(自定义函数& obj, const Member& m, std::span<const Variant> args) {
  return m.invoke(obj, args);
}

}  // namespace korvane
