// A request line's structure looked at before it is parsed: how deep it
// nests, and how many cells an array of rows holds, with the brackets and
// commas inside texts not counted.
#include "cli/json_scan.h"

#include "tests/test_support.h"

namespace korvane::protocol {
namespace {

TEST(JsonScan, NestingIsCountedOutsideTexts) {
  const struct {
    std::string_view text;
    int limit;
    bool within;
  } cases[] = {
      {"1", 0, true},
      {"[[1]]", 2, true},
      {"[[[1]]]", 2, false},
      {R"({"a":[{"b":1}]})", 3, true},
      {R"({"a":[{"b":1}]})", 2, false},
      {R"(["[[[[", "{{{{"])", 1, true},
      {R"(["\"[[[["])", 1, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(nesting_within(c.text, c.limit), c.within) << c.text << " within " << c.limit;
}

// Each array in the order the parser opens it, and the cells it would hold
// were it an array of rows: one more than its commas at any depth.
TEST(JsonScan, CellsOfEachArrayInTheOrderTheParserOpensThem) {
  const struct {
    std::string_view text;
    std::vector<std::size_t> cells;
  } cases[] = {
      {R"({"array":[[1,2],[3,4]]})", {4, 2, 2}},
      {R"({"array":[["a,b]",null]]})", {2, 2}},
      {R"({"array":[["\"],["]]})", {1, 1}},
      {R"({"array":[[{"error":"#N/A"}]]})", {1, 1}},
      {R"({"call":"X","args":[{"array":[[1]]},{"ref":[[1,2,3]]}]})", {4, 1, 1, 3, 3}},
  };
  for (const auto& c : cases) {
    Brackets brackets(c.text);
    std::vector<std::size_t> found;
    for (std::size_t at = brackets.next_open(); at < c.text.size(); at = brackets.next_open())
      found.push_back(brackets.cells_from(at));
    EXPECT_EQ(found, c.cells) << c.text;
  }
}

}  // namespace
}  // namespace korvane::protocol
