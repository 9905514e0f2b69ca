// Borrowed texts: a front end passes a text argument as a view of the
// caller's characters. Such a text must read exactly as an owned one through
// every convention and every worksheet function, and whatever outlives the
// call (a draw property, a result, a copy) must own its characters. The
// caller's buffers are overwritten and freed right after use here, so a view
// that outlived them shows as a wrong text, and as a use after free under the
// address sanitizer.
#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bets/text_matching.h"
#include "core/example_words.h"
#include "core/text.h"
#include "tests/calls.h"

namespace korvane {
namespace {

// The caller's side of a call: texts it owns and lends out as arguments.
class Lender {
 public:
  Lender() { held_.reserve(16); }  // lent views stay put while more are added
  Variant lend(std::u16string_view s) {
    held_.emplace_back(s);
    return Variant::borrowed(held_.back());
  }
  // Ends the call: the characters are scribbled over and freed.
  void take_back() {
    for (std::u16string& s : held_) std::fill(s.begin(), s.end(), u'X');
    held_.clear();
    held_.shrink_to_fit();
  }

 private:
  std::vector<std::u16string> held_;
};

std::string shown(const Maybe<Text>& t) { return t ? to_utf8(t->view()) : std::string("<fails>"); }
std::string shown(const Maybe<double>& x) { return x ? std::to_string(*x) : "<fails>"; }
std::string shown(const Maybe<bool>& b) { return b ? (*b ? "true" : "false") : "<fails>"; }

TEST(BorrowedText, ReadsAsTheSameTextThroughEveryConvention) {
  const struct {
    const char* name;
    std::function<std::string(const Variant&)> read;
  } conventions[] = {
      {"kind", [](const Variant& v) { return std::to_string(static_cast<int>(v.kind())); }},
      {"characters", [](const Variant& v) { return to_utf8(v.string_view()); }},
      {"text", [](const Variant& v) { return shown(text(v)); }},
      {"number", [](const Variant& v) { return shown(number(v)); }},
      {"greater than 1", [](const Variant& v) { return shown(greater_than(v, 1)); }},
      {"equals 05", [](const Variant& v) { return shown(equals_text(v, u"05")); }},
      {"equals empty", [](const Variant& v) { return shown(equals_text(v, u"")); }},
      {"text of a bet",
       [](const Variant& v) {
         const TextOf t(v);
         return t ? to_utf8(*t) : std::string("<fails>");
       }},
      {"as a cell's value", [](const Variant& v) { return shown(text(Ref(v))); }},
  };
  const char16_t* texts[] = {
      u"",
      u"05",
      u"  2.5 ",
      u"-1e3",
      u"&H10",
      u"abc",
      u"牛 01",
      u"平特二肖",
      u"开奖号码已载入",
      u"05 12 18 30 41 49 and a text too long for any small buffer",
  };
  for (const char16_t* s : texts) {
    const Variant owned = S(s);
    Lender caller;
    const Variant borrowed = caller.lend(s);
    EXPECT_TRUE(borrowed.is_string());
    EXPECT_EQ(borrowed, owned);
    for (const auto& c : conventions) {
      EXPECT_EQ(c.read(borrowed), c.read(owned)) << c.name << " of " << to_utf8(s);
    }
    caller.take_back();
  }
}

TEST(BorrowedText, WhatOutlivesTheCallOwnsItsText) {
  const std::u16string text = u"05 12 18 30 41 49 and a text too long for any small buffer";
  const struct {
    const char* name;
    std::function<Variant(const Variant&)> keep;
  } keepers[] = {
      {"copy", [](const Variant& v) { return Variant(v); }},
      {"assignment",
       [](const Variant& v) {
         Variant kept(u"before");
         kept = v;
         return kept;
       }},
      {"assignment over a borrowed text",
       [](const Variant& v) {
         Variant kept = Variant::borrowed(u"static");
         kept = v;
         return kept;
       }},
      {"value", [](const Variant& v) { return value_of(v); }},
      {"a cell", [](const Variant& v) { return Variant(make_cell(v)); }},
      {"an array", [](const Variant& v) { return Variant(make_array(1, 1, {v})); }},
      {"a step's result",
       [](const Variant& v) {
         Maybe<Variant> step = v;
         Variant kept;
         assign(kept, std::move(step));
         return kept;
       }},
  };
  for (const auto& k : keepers) {
    Lender caller;
    const Variant kept = k.keep(caller.lend(text));
    caller.take_back();
    const ArrayRef* array = kept.if_array();
    const Variant& value = array ? (*array)->at(0, 0) : kept;
    EXPECT_EQ(value_of(value), S(text)) << k.name;
    EXPECT_FALSE(value.is_borrowed()) << k.name;
  }
  // A move is the same argument in another place: still the caller's text.
  Variant moved = Variant::borrowed(text);
  const Variant there = std::move(moved);
  EXPECT_TRUE(there.is_borrowed());
  EXPECT_EQ(there.string_view().data(), text.data());
}

// The words of a function's example, each typed as a text: a leading ' only
// says so in a cell.
std::vector<std::u16string> example_texts(std::string_view line) {
  std::vector<std::u16string> out;
  for (std::string& w : example_words(line)) {
    if (!w.empty() && w[0] == '\'') w.erase(0, 1);
    out.push_back(to_utf16(w));
  }
  return out;
}

struct TextCall {
  std::u16string name;
  std::vector<std::u16string> args;
};

// Every function of the list with its example's arguments as texts (the
// trigger empty), in list order: 验证 first, so the bets settle against its
// draw. Then the calls picked to take the functions down other roads.
std::vector<TextCall> text_calls() {
  std::vector<TextCall> calls;
  for (const Function& f : functions()) {
    TextCall c{std::u16string(f.name), example_texts(f.example.args)};
    if (c.args.size() < f.params.size() && ends_with_trigger(f)) c.args.emplace_back();
    calls.push_back(std::move(c));
  }
  const TextCall picked[] = {
      {u"验证", {u"2013", u"05 12 18 30 41 49", u"08", u"x"}},
      {u"TEMA", {u"08 17 26", u"08", u"100", u""}},
      {u"TEMAL", {u"01 02 03"}},
      {u"求和1", {u"08 17", u"08", u"100", u"40", u""}},
      {u"PAI", {u"12345"}},
      {u"PAID", {u"123.45"}},
      {u"平特几不中", {u"03 17 28 45", u"100", u""}},
      {u"平特单双大小", {u"单大", u"100", u""}},
      {u"平特几肖", {u"平特二肖", u"牛马鼠蛇", u"100", u""}},
      {u"包几肖", {u"鼠牛虎龙", u"100", u""}},
      {u"平码几中几", {u"三中三", u"05-12-23-34-45", u"100", u""}},
      {u"包家禽或野兽", {u"家禽", u"100", u""}},
      {u"平特几尾", {u"平特二尾", u"3 9 0", u"100", u""}},
      {u"特串软串", {u"特串", u"08 05 12", u"100", u""}},
      {u"肖转号码", {u"2013", u"鼠", u"牛", u"", u"", u"", u"", u"", u""}},
      {u"号码转肖", {u"2013", u"07", u""}},
      {u"SL1", {u"3"}},
      {u"SL2", {u"3"}},
      {u"SL3", {u"1200000350"}},
      {u"SL4", {u"12", u"350"}},
      {u"工资1", {u"12", u"1.5"}},
      {u"验证", {u"2014", u"01 02 03 04 05 06", u"49", u""}},
  };
  calls.insert(calls.end(), std::begin(picked), std::end(picked));
  return calls;
}

// Every worksheet function, called with texts it borrows, answers as with
// owned texts and leaves the same draw behind, after the caller has freed
// the texts; so does a property let.
TEST(BorrowedText, FunctionsAndPropertiesKeepNothingBorrowed) {
  const std::vector<TextCall> calls = text_calls();
  ASSERT_GT(calls.size(), functions().size());
  Draw owned, borrowed;
  auto draw = [](const Draw& o) {
    std::vector<Variant> values;
    for (const Property& p : properties()) values.push_back(p.get(o));
    return values;
  };
  for (const TextCall& c : calls) {
    const Function& m = *find_function(c.name);
    ASSERT_EQ(m.params.size(), c.args.size()) << to_utf8(c.name);
    std::vector<Variant> args;
    for (const std::u16string& a : c.args) args.push_back(S(a));
    const CallResult want = call(owned, m, args);

    Lender caller;
    args.clear();
    for (const std::u16string& a : c.args) args.push_back(caller.lend(a));
    const CallResult got = call(borrowed, m, args);
    args.clear();
    caller.take_back();

    EXPECT_EQ(got.failed, want.failed) << to_utf8(c.name);
    EXPECT_EQ(got.value, want.value) << to_utf8(c.name);
    EXPECT_FALSE(got.value.is_borrowed()) << to_utf8(c.name);
    EXPECT_EQ(draw(borrowed), draw(owned)) << "after " << to_utf8(c.name);
  }

  for (const Property& m : properties()) {
    Lender caller;
    ASSERT_TRUE(m.let(borrowed, caller.lend(u"07")));
    caller.take_back();
    EXPECT_EQ(m.get(borrowed), S(u"07")) << to_utf8(m.name);
  }
}

}  // namespace
}  // namespace korvane
