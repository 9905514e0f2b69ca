// The request grammar: which lines are requests, and the sentence a program
// is told for each line that is not one. The sentences are the protocol's:
// test suites written against `korvane eval` match them.
#include "cli/request.h"

#include "tests/test_support.h"

namespace korvane::protocol {
namespace {

TEST(Request, EachRuleBrokenSaysWhich) {
  const struct {
    std::string line;
    std::string error;  // "" for a request
  } cases[] = {
      {R"({"call":"PAI","args":["1"]})", ""},
      {R"({"get":"tt"})", ""},
      {R"({"let":"tt","value":1})", ""},
      {R"({"set":"tt","value":{"ref":1}})", ""},
      {"[1]", "a request is a JSON object, such as {\"get\": \"tt\"}"},
      {"{}", "a request names one of call, get, let or set"},
      {R"({"args":[]})", "a request names one of call, get, let or set"},
      {R"({"call":"PAI"})", "a call request needs \"args\": an array of values"},
      {R"({"call":"PAI","args":{}})", "a call request needs \"args\": an array of values"},
      {R"({"call":5,"args":[]})", "the name after \"call\" must be a string"},
      {R"({"get":"t","let":"t"})", "a request names exactly one of call, get, let and set"},
      {R"({"get":"t","get":"tt"})", "the key \"get\" is given twice"},
      {R"({"get":"t","name":"x"})", "unexpected key \"name\" in a get request"},
      {R"({"name":"x"})", "unexpected key \"name\" in a request"},
      {R"({"get":"t","args":[]})", "unexpected key \"args\" in a get request"},
      {R"({"call":"PAI","value":1,"args":["1"]})", "unexpected key \"value\" in a call request"},
      {R"({"let":"t"})", "a let request needs \"value\""},
      {R"({"set":"t"})", "a set request needs \"value\""},
      {R"({"set":"t","value":1})", "set assigns a reference: give the value as {\"ref\": ...}"},
      {std::string("{\"get\":\"t\"}\0x", 13), "the request line holds a NUL byte"},
      {std::string(20, '[') + std::string(20, ']'), "the request is nested too deeply"},
      {"{\"get\":", "the line is not valid JSON"},
  };
  for (const auto& c : cases) {
    Request r;
    std::string error;
    EXPECT_EQ(read_request(c.line, r, error), c.error.empty()) << c.line;
    EXPECT_EQ(error, c.error) << c.line;
  }
}

TEST(Request, CarriesWhatTheVerbTakes) {
  Request r;
  std::string error;
  ASSERT_TRUE(read_request(R"({"args":["05",{"int":2}],"call":"PAI"})", r, error)) << error;
  EXPECT_EQ(r.verb, "call");
  EXPECT_EQ(r.name, u"PAI");
  ASSERT_EQ(r.args.size(), 2u);
  EXPECT_EQ(r.args[0], S(u"05"));
  EXPECT_EQ(r.args[1], I(2));
  EXPECT_FALSE(r.has_value);
}

TEST(Request, ACallPassesAtMostAsManyArgumentsAsExcel) {
  for (const int n : {255, 256}) {
    std::string line = R"({"call":"PAI","args":[1)";
    for (int i = 1; i < n; ++i) line += ",1";
    line += "]}";
    Request r;
    std::string error;
    EXPECT_EQ(read_request(line, r, error), n <= 255) << n;
    EXPECT_EQ(error, n <= 255 ? "" : "a call passes at most 255 arguments") << n;
  }
}

}  // namespace
}  // namespace korvane::protocol
