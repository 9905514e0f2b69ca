// The eval protocol: the typed variant encoding both ways, answers, faults.
#include "cli/protocol.h"

#include <cerrno>
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
      // Commas, brackets and escaped quotes inside texts are no cells or rows.
      R"({"array":[["a,b]","[c,",null],[{"error":"#N/A"},"\"],[,","\\"]]})",
      R"({"ref":[["{,}"],[","]]})",
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
      R"({"int":1,"int":1})",
      R"({"ref":{"error":"#N/A","x":1}})",
      R"({"array":[[1],[]]})",
      R"({"array":[[1,2],[3]]})",
      "1e999",
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
      // A NUL byte: not a line end, and not the end of what is read.
      std::string("{\"get\":\"t\"}\0{\"let\":\"t\",\"value\":1}", 33),
      // Every key once.
      R"({"get":"t","get":"tt"})",
      R"({"call":"PAI","args":["1"],"args":["2"]})",
      R"({"let":"t","value":1,"value":2})",
      R"({"get":"t","args":[]})",
      R"({"call":"PAI","value":1,"args":["1"]})",
      // More arguments than any call passes.
      [] {
        std::string a = R"({"call":"PAI","args":[1)";
        for (int i = 1; i < 300; ++i) a += ",1";
        a += "]}";
        return a;
      }(),
  };
  for (const std::string& line : lines) {
    const std::string out = run(line + "\n{\"get\":\"yyy\"}\n");
    EXPECT_EQ(out.rfind("{\"fault\":\"", 0), 0u) << line.substr(0, 60) << " -> " << out;
    EXPECT_NE(out.find("\n{\"result\":\"\"}\n"), std::string::npos) << line.substr(0, 60);
  }
}

TEST(Serve, LongNamesAreQuotedCutShort) {
  std::string name;
  for (int i = 0; i < 200; ++i) name += "牛";
  const std::string out = run(R"({"get":")" + name + "\"}\n");
  std::string eighty;
  for (int i = 0; i < 80; ++i) eighty += "牛";
  EXPECT_NE(out.find("\\\"" + eighty + "...\\\""), std::string::npos) << out;
}

// A stream buffer whose reads fail as reading a directory does.
struct UnreadableBuffer : std::streambuf {
  int_type underflow() override {
    errno = EISDIR;
    throw std::ios_base::failure("read");
  }
};

TEST(Serve, EndsOnInputItCannotReadOrAnswersItCannotWrite) {
  auto backend = make_native_backend();
  UnreadableBuffer unreadable;
  std::istream bad_in(&unreadable);
  std::ostringstream out;
  const Served unread = serve(*backend, bad_in, out);
  EXPECT_EQ(unread.end, Served::End::InputFailed);
  EXPECT_EQ(unread.error_number, EISDIR);

  std::istringstream in("{\"get\":\"t\"}\n{\"get\":\"t\"}");
  std::ostringstream full;
  full.setstate(std::ios::badbit);
  EXPECT_EQ(serve(*backend, in, full).end, Served::End::OutputFailed);

  std::istringstream good("{\"get\":\"t\"}\n");
  EXPECT_EQ(serve(*backend, good, out).end, Served::End::InputEnded);
}

TEST(Serve, ManyCellsReadExactly) {
  std::string rows;
  for (int r = 0; r < 1000; ++r) {
    if (r) rows += ',';
    rows += '[';
    rows += std::to_string(r);
    rows += R"(,"a,[b]",{"error":"#N/A"}])";
  }
  const std::string value = R"({"array":[)" + rows + "]}";
  Variant v;
  std::string error;
  ASSERT_TRUE(decode(value, v, error)) << error;
  EXPECT_EQ(encode(v), value);
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
