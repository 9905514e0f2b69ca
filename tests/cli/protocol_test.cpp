// The eval protocol: the typed variant encoding both ways, answers, faults.
#include "cli/protocol.h"

#include <cerrno>
#include <sstream>

#include "tests/test_support.h"

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

// What eval writes it reads back: a \uXXXX escape of a lone surrogate is the
// code unit it stands for, in every string of a value, a pair is one
// character, and an escaped backslash before "ud800" escapes nothing.
TEST(Encoding, LoneSurrogateEscapesReadBackAsTheirCodeUnits) {
  const struct {
    const char* json;
    std::u16string want;  // the text, or the text of the value's last cell
  } cases[] = {
      {R"("\ud800")", {char16_t(0xD800)}},
      {R"("\uDBFF")", {char16_t(0xDBFF)}},
      {R"("a\udc00b")", {u'a', char16_t(0xDC00), u'b'}},
      {R"("\ude00\ud83d")", {char16_t(0xDE00), char16_t(0xD83D)}},  // a pair the wrong way round
      {R"("\ud83d\ude00")", u"😀"},
      {R"("\ud83d\ud83d\ude00")", {char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}},
      {R"("\ud83d😀\udc00")",
       {char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00), char16_t(0xDC00)}},
      {R"("\"\ud800\n\\牛\/\t")", {u'"', char16_t(0xD800), u'\n', u'\\', u'牛', u'/', u'\t'}},
      {R"("x\\ud800\udc01")", {u'x', u'\\', u'u', u'd', u'8', u'0', u'0', char16_t(0xDC01)}},
      {R"("\u00e9\u0041\ud800")", {u'é', u'A', char16_t(0xD800)}},
      {R"({"ref":"\udc00"})", {char16_t(0xDC00)}},
      {R"({"array":[["\udfff","x",{"error":"#N/A"},"\\\"","y\ud800"]]})", {u'y', char16_t(0xD800)}},
  };
  for (const auto& c : cases) {
    Variant v;
    std::string error;
    ASSERT_TRUE(decode(c.json, v, error)) << c.json << ": " << error;
    Variant text = v;
    if (const RangeRef* r = v.if_range()) text = (*r)->value();
    if (const ArrayRef* a = v.if_array()) text = (*a)->cells.back();
    ASSERT_TRUE(text.is_string()) << c.json;
    EXPECT_EQ(std::u16string(text.string_view()), c.want) << c.json;
  }
  // Every cell, not only the last: what was read writes back the same.
  const char* round_trips[] = {R"({"array":[["\udfff","x","\\\"","y\ud800"]]})",
                               R"("\ude00\ud83d")", R"("a\udc00b")"};
  for (const char* json : round_trips) {
    Variant v;
    std::string error;
    ASSERT_TRUE(decode(json, v, error)) << json << ": " << error;
    EXPECT_EQ(encode(v), json);
  }
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

// A draw of emoji leaves p2 half a character: let gives back what get gave.
TEST(Serve, LoneSurrogateValueRoundTrips) {
  const std::string out =
      run("{\"call\":\"验证\",\"args\":[2013,\"😀😀😀😀😀😀\",\"08\",null]}\n"
          "{\"get\":\"p2\"}\n"
          "{\"let\":\"p2\",\"value\":\"\\ude00\\ud83d\"}\n"
          "{\"get\":\"p2\"}\n"
          "{\"let\":\"t\",\"value\":\"\\ud800\"}\n"
          "{\"get\":\"t\"}\n"
          "{\"let\":\"t\",\"value\":\"\\ud800}\n");  // unterminated: still not JSON
  EXPECT_EQ(out,
            "{\"result\":\"开奖号码已载入\"}\n"
            "{\"result\":\"\\ude00\\ud83d\"}\n{\"result\":null}\n{\"result\":\"\\ude00\\ud83d\"}\n"
            "{\"result\":null}\n{\"result\":\"\\ud800\"}\n"
            "{\"fault\":\"the line is not valid JSON\"}\n");
}

// A valid JSON number beyond a Double is no value the protocol can carry: the
// fault says so, rather than calling the line not JSON.
TEST(Serve, NumberBeyondADoubleIsOutOfRange) {
  const std::string lines[] = {
      R"({"let":"t","value":1e400})",
      R"({"let":"t","value":-1e400})",
      R"({"call":"PAI","args":[1E999]})",
      R"({"let":"t","value":{"array":[[1,2e308]]}})",
      R"({"let":"t","value":)" + std::string(400, '9') + "}",
  };
  for (const std::string& line : lines) {
    const std::string out = run(line + "\n");
    EXPECT_EQ(out.rfind("{\"fault\":\"a number out of range", 0), 0u) << line << " -> " << out;
  }
  // Tiny numbers are no trouble: they read as the nearest Double.
  EXPECT_EQ(run("{\"let\":\"t\",\"value\":1e-400}\n{\"get\":\"t\"}\n"),
            "{\"result\":null}\n{\"result\":0}\n");
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
