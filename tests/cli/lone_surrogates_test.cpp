// Half a surrogate pair in a request's text: masked for the JSON parser, and
// handed back as the code unit it was, string by string in the text's order.
#include "cli/lone_surrogates.h"

#include "tests/test_support.h"

namespace korvane::protocol {
namespace {

TEST(LoneSurrogates, MaskedForTheParserAndDecodedForTheReader) {
  const struct {
    std::string_view text;
    std::string_view masked;                 // what the parser reads
    std::vector<std::u16string> lone_texts;  // each string handed over: its text, or "-"
  } cases[] = {
      {R"(["a","b"])", R"(["a","b"])", {u"-", u"-"}},
      {R"(["\ud83d","b"])", R"(["\ufffd","b"])", {u"\xD83D", u"-"}},
      {R"(["x","\ude00y\n"])", R"(["x","\ufffdy\n"])", {u"-", u"\xDE00y\n"}},
      // A whole pair is no lone half, and is left to the parser.
      {R"(["\ud83d\ude00"])", R"(["\ud83d\ude00"])", {u"-"}},
      {R"(["\uD83D\"", "\\ud83d"])", R"(["\ufffd\"", "\\ud83d"])", {u"\xD83D\"", u"-"}},
  };
  for (const auto& c : cases) {
    LoneSurrogates lone(c.text);
    EXPECT_EQ(lone.text(), c.masked) << c.text;
    EXPECT_EQ(lone.text().size(), c.text.size()) << c.text;
    for (const std::u16string& want : c.lone_texts) {
      const std::u16string* got = lone.next();
      EXPECT_EQ(got ? *got : u"-", want) << c.text;
    }
  }
}

}  // namespace
}  // namespace korvane::protocol
