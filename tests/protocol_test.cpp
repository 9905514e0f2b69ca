// The eval protocol: the typed variant encoding both ways, answers, faults.
#include "cli/protocol.h"

#include <sstream>

#include "test_support.h"

namespace korvane::protocol {
namespace {

std::string run(const std::string& input) {
  auto backend = make_native_backend();
  std::istringstream in(input);
  std::ostringstream out;
  serve(*backend, in, out);
  return out.str();
}

TEST(Encoding, RoundTripsEveryKind) {
  const char* values[] = {
      "null",
      "7",
      "2.5",
      "-3",
      "1e+21",
      "0.1",
      R"("05 12 18 30 41 49")",
      R"("牛")",
      "true",
      "false",
      R"({"int":0})",
      R"({"int":-32768})",
      R"({"long":2})",
      R"({"long":-2147483648})",
      R"({"error":"#VALUE!"})",
      R"({"error":"#N/A"})",
      R"({"error":"#DIV/0!"})",
      R"({"ref":null})",
      R"({"ref":"08"})",
      R"({"ref":{"error":"#REF!"}})",
      R"({"ref":[[1,2],[3,"x"]]})",
      R"({"array":[[1,null,true]]})",
      R"("a\"b\\c\n\u0001")",
      R"("😀")",
  };
  for (const char* json : values) {
    Variant v;
    std::string error;
    ASSERT_TRUE(decode(json, v, error)) << json << ": " << error;
    EXPECT_EQ(encode(v), json);
  }
}

TEST(Encoding, DoublesAreShortestRoundTrip) {
  EXPECT_EQ(encode(N(8000)), "8000");
  EXPECT_EQ(encode(N(0.1 + 0.2)), "0.30000000000000004");
  EXPECT_EQ(encode(N(-0.0)), "-0.0");  // keeps its sign when read back
  EXPECT_EQ(encode(N(1e21)), "1e+21");
  EXPECT_EQ(encode(N(1.5e-7)), "1.5e-07");
}

TEST(Encoding, LoneSurrogatesSurviveAsEscapes) {
  const std::u16string lone = {u'a', char16_t(0xD800), u'b'};
  EXPECT_EQ(encode(Variant(lone)), R"("a\ud800b")");
}

TEST(Encoding, RejectsWhatTheTableDoesNotList) {
  const char* bad[] = {
      R"({"int":1.5})",
      R"({"int":40000})",
      R"({"long":3e9})",
      R"({"error":"#OOPS"})",
      R"({"money":5})",
      R"({"int":1,"long":2})",
      R"([1,2])",
      R"({"ref":[]})",
      R"({"ref":[[1],[2,3]]})",
      R"({"ref":[[{"int":1}]]})",
      R"({"array":[[[1]]]})",
      R"({"ref":{"ref":1}})",
      R"({"array":5})",
      R"({"array":[[]]})",
  };
  for (const char* json : bad) {
    Variant v;
    std::string error;
    EXPECT_FALSE(decode(json, v, error)) << json;
    EXPECT_FALSE(error.empty()) << json;
  }
}

TEST(Serve, WorkedExampleAndBlankLines) {
  const std::string out =
      run("{\"call\":\"验证\",\"args\":[2013,\"05 12 18 30 41 49\",\"08\",null]}\n"
          "\n   \n"
          "{\"get\":\"pp2\"}\r\n"
          "{\"get\":\"tt\"}");  // the last line has no line end
  EXPECT_EQ(out, "{\"result\":\"开奖号码已载入\"}\n{\"result\":\"马\"}\n{\"result\":\"狗\"}\n");
}

TEST(Serve, EveryBadRequestIsAFaultAndTheNextStillWorks) {
  const std::string huge_garbage(1 << 20, 'x');
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string lines[] = {
      "not json",
      "[1]",
      "{}",
      R"({"call":"nothing","args":[]})",
      R"({"call":"验证","args":[1]})",
      R"({"call":"验证","args":{}})",
      R"({"call":"验证"})",
      R"({"call":5,"args":[]})",
      R"({"get":"t","let":"t"})",
      R"({"get":"验证"})",
      R"({"call":"t","args":[]})",
      R"({"set":"yyy","value":{"ref":1}})",
      R"({"set":"t","value":1})",
      R"({"let":"t"})",
      R"({"call":"验证","args":[{"float":1},"","",null]})",
      huge_garbage,
      deep,
      "{\"get\":\"t\"} trailing",
      "\xff\xfe{}",
  };
  for (const std::string& line : lines) {
    const std::string out = run(line + "\n{\"get\":\"yyy\"}\n");
    EXPECT_EQ(out.rfind("{\"fault\":\"", 0), 0u) << line.substr(0, 60) << " -> " << out;
    EXPECT_NE(out.find("\n{\"result\":\"\"}\n"), std::string::npos) << line.substr(0, 60);
  }
}

TEST(Serve, LargeValidRequestIsAnswered) {
  std::string text(1 << 20, '7');
  const std::string out = run(R"({"call":"验证","args":[2013,")" + text +
                              R"(","08",null]})"
                              "\n"
                              R"({"get":"p6"})");
  EXPECT_EQ(out, "{\"result\":\"开奖号码已载入\"}\n{\"result\":\"77\"}\n");
}

TEST(Serve, FaultChangesNoState) {
  const std::string out =
      run("{\"let\":\"t\",\"value\":\"07\"}\n"
          "{\"set\":\"t\",\"value\":5}\n"
          "{\"let\":\"nothing\",\"value\":5}\n"
          "{\"get\":\"t\"}\n");
  EXPECT_EQ(out.substr(out.rfind("{\"result")), "{\"result\":\"07\"}\n");
}

TEST(Serve, NamesBindAsComBindsThem) {
  const std::string out =
      run("{\"let\":\"YYY\",\"value\":5}\n"
          "{\"get\":\"yYy\"}\n"
          "{\"get\":\"Tt\"}\n");
  EXPECT_EQ(out, "{\"result\":null}\n{\"result\":\"5\"}\n{\"result\":null}\n");
}

}  // namespace
}  // namespace korvane::protocol
