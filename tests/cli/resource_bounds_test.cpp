// Very large inputs: a megabyte of text in any argument, request lines up to
// (and over) the protocol's line cap, a block of a million cells. Each must be
// answered as any other input is, and in bounded time and memory: the test
// asserts the answers, and the ctest time limit guards against a function that
// goes quadratic on a long text or walks a block it should only pass along.
#include <cmath>
#include <sstream>
#include <string>

#include "cli/book.h"
#include "cli/protocol.h"
#include "tests/test_support.h"

namespace korvane {
namespace {

constexpr std::size_t kMegabyte = std::size_t{1} << 20;

std::u16string repeated(std::u16string_view piece, std::size_t length,
                        std::u16string_view head = {}, std::u16string_view tail = {}) {
  std::u16string s(head);
  s.reserve(length + piece.size());
  while (s.size() < length) s += piece;
  s.resize(length);
  s += tail;
  return s;
}

// An ordinary value for a parameter, so that the call gets as far as the slot
// under test.
Variant ordinary(const Param& p) {
  if (p.kind == ParamKind::Trigger) return kEmpty;
  const std::u16string_view param = p.name;
  if (param == u"年") return N(2013);
  if (param == u"收入" || param == u"赔率" || param == u"m" || param == u"数量" ||
      param == u"单价" || param == u"工序号")
    return N(100);
  if (param == u"g") return S(u"平特二肖");
  if (param == u"肖" || param.starts_with(u"肖")) return S(u"牛马鼠蛇");
  return S(u"05 12 18 30 41 49");
}

bool finite_result(const Variant& v) {
  const double* x = v.if_double();
  return !x || std::isfinite(*x);
}

// Calls every function with `big` in each parameter slot in turn, the other
// slots ordinary, against a loaded draw.
void call_everything_with(const Variant& big, const char* what) {
  Draw obj;
  load_draw(obj, N(2013), S(u"05 12 18 30 41 49"), S(u"08"));
  for (const Function& m : functions()) {
    for (std::size_t slot = 0; slot < m.params.size(); ++slot) {
      std::vector<Variant> args;
      for (std::size_t i = 0; i < m.params.size(); ++i)
        args.push_back(i == slot ? big : ordinary(m.params[i]));
      const CallResult r = call(obj, m, args);
      const std::string where = to_utf8(m.name) + " slot " + std::to_string(slot) + " " + what;
      if (m.regime == Regime::SkipsErrors) {
        EXPECT_FALSE(r.failed) << where;
      }
      EXPECT_TRUE(finite_result(r.value)) << where;
    }
  }
}

TEST(ResourceBounds, MegabyteTextInEveryArgument) {
  const std::pair<const char*, std::u16string> texts[] = {
      {"number list", repeated(u"05 12 18 30 41 49 ", kMegabyte)},
      {"signs", repeated(u"牛虎免龙蛇马羊猴鸡狗猪鼠", kMegabyte)},
      {"digits", repeated(u"9", kMegabyte)},
      {"fraction", repeated(u"0", kMegabyte, u"0.", u"1")},
      {"spaces", repeated(u" ", kMegabyte)},
  };
  for (const auto& [what, s] : texts) {
    call_everything_with(S(s), what);
    call_everything_with(Ref(S(s)), what);
  }
}

TEST(ResourceBounds, MegabyteYearOffsetThroughTheProperty) {
  // yyy is a text property: a macro can store any text there, and the next
  // 验证 with an unreadable year computes its signs from it.
  Draw obj;
  for (const std::u16string& offset :
       {repeated(u"9", kMegabyte), repeated(u"1", kMegabyte, u"-"), repeated(u"x", kMegabyte)}) {
    const Property* yyy = find_property(u"yyy");
    ASSERT_TRUE(yyy->let(obj, S(offset)));
    EXPECT_EQ(load_draw(obj, S(u"not a year"), S(u"05 12 18 30 41 49"), S(u"08")),
              Variant(kConfirmation));
    EXPECT_EQ(obj.yyy, offset);
  }
}

TEST(ResourceBounds, MillionCellBlockInEveryArgument) {
  constexpr std::size_t kSide = 1000;
  std::vector<Variant> cells;
  cells.reserve(kSide * kSide);
  for (std::size_t i = 0; i < kSide * kSide; ++i)
    cells.push_back(i % 3 == 0 ? N(static_cast<double>(i)) : i % 3 == 1 ? S(u"05") : kEmpty);
  const ArrayRef array = make_array(kSide, kSide, cells);
  const RangeRef block = make_block(kSide, kSide, std::move(cells));
  call_everything_with(Variant(array), "array");
  call_everything_with(Variant(block), "block");
}

// ---- through the protocol ------------------------------------------------------

std::string serve_lines(std::string input) {
  auto backend = protocol::make_native_backend();
  std::istringstream in(std::move(input));
  std::ostringstream out;
  protocol::serve(*backend, in, out);
  return out.str();
}

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> lines;
  std::istringstream in(s);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ResourceBounds, MegabyteStringArgumentIsAnswered) {
  const std::string text(kMegabyte, '7');
  const std::string answers =
      serve_lines(R"({"let":"t","value":")" + text + "\"}\n" + R"({"get":"t"})" + "\n" +
                  R"({"call":"TEMAL","args":[")" + text + "\"]}\n");
  const auto lines = lines_of(answers);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"({"result":null})");
  EXPECT_EQ(lines[1], R"({"result":")" + text + "\"}");
  EXPECT_TRUE(lines[2].starts_with(R"({"result":)") || lines[2] == R"({"fail":"#VALUE!"})")
      << lines[2].substr(0, 200);
}

TEST(ResourceBounds, LineAtTheCapIsAnsweredAndALongerOneIsAFault) {
  // Padded with blanks, which JSON allows between tokens: the lines are long
  // without making the answers long.
  auto padded = [](std::string request, std::size_t length) {
    request.resize(length, ' ');
    return request;
  };
  const std::string input = padded(R"({"let":"t","value":"07"})", protocol::kMaxLine) + "\n" +
                            padded(R"({"let":"t","value":"08"})", protocol::kMaxLine + 1) + "\n" +
                            R"({"get":"t"})" + "\n";
  const auto lines = lines_of(serve_lines(input));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"({"result":null})");
  EXPECT_TRUE(lines[1].starts_with(R"({"fault":)")) << lines[1];
  EXPECT_EQ(lines[2], R"({"result":"07"})");  // the fault changed nothing
}

TEST(ResourceBounds, MillionCellReferenceThroughTheProtocol) {
  std::string row = "[";
  for (int c = 0; c < 1000; ++c) row += c ? ",1" : "1";
  row += "]";
  std::string block = "[";
  for (int r = 0; r < 1000; ++r) block += (r ? "," : "") + row;
  block += "]";
  const std::string input =
      R"({"set":"t","value":{"ref":)" + block + "}}\n" + R"({"call":"验证","args":[2013,{"ref":)" +
      block + R"(},"08",null]})" + "\n" + R"({"call":"平特几不中","args":[{"array":)" + block +
      R"(},300,null]})" + "\n" + R"({"get":"p1"})" + "\n" + R"({"set":"t","value":{"ref":)" +
      block + "}}\n" + R"({"get":"t"})" + "\n";
  const auto lines = lines_of(serve_lines(input));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], R"({"result":null})");
  EXPECT_EQ(lines[1], R"({"result":"开奖号码已载入"})");
  EXPECT_TRUE(lines[2].starts_with(R"({"result":)")) << lines[2].substr(0, 200);
  EXPECT_EQ(lines[3], R"({"result":null})");  // pn had no text form: p1 kept its empty value
  EXPECT_EQ(lines[5], R"({"result":{"ref":)" + block + "}}");
}

// ---- bet books -----------------------------------------------------------------

// An unclosed quote holds back the lines after it until a record is as long
// as the settler holds: two million blank lines are held back and given back
// as bytes, each passed through in turn, in linear time.
TEST(ResourceBounds, AnUnclosedQuoteBeforeTwoMillionBlankLines) {
  constexpr std::size_t kBlankLines = 2'000'000;
  const std::string book = "TEMAL,\"05\n" + std::string(kBlankLines, '\n') + "PAI,12345678\n";
  std::istringstream in(book);
  std::ostringstream out, diagnostics;
  const cli::book::Summary s = cli::book::settle(in, out, diagnostics, "b.csv");
  EXPECT_EQ(s.unreadable, 1u);
  EXPECT_EQ(s.passed, kBlankLines);
  EXPECT_EQ(s.settled, 1u);
  EXPECT_EQ(out.str(), "TEMAL,\"05,unreadable: a quoted field is not closed on this line\n" +
                           std::string(kBlankLines, '\n') + "PAI,12345678,12\n");
  EXPECT_EQ(diagnostics.str(), "b.csv:1: a quoted field is not closed on this line\n");
}

}  // namespace
}  // namespace korvane
