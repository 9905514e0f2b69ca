// The automation interface is pinned (com/pin/interface_pin.h): the checked-in
// record agrees with the member list, and every edit that would move or
// reshape a member in users' compiled files is caught, with what to do.
#include "com/pin/interface_pin.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/text.h"

namespace korvane {
namespace {

std::string pin_text() {
  std::ifstream in(KORVANE_SOURCE_DIR "/com/interface.pin", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + '\n';
  return s;
}

// The record as the member list would write it, DISPIDs from 1.
std::string record_of(const std::vector<std::string>& table) {
  std::string s = "# a header line\n\n";
  for (std::size_t i = 0; i < table.size(); ++i) s += std::to_string(i + 1) + " " + table[i] + "\n";
  return s;
}

TEST(InterfacePin, TableMatchesThePinnedInterface) {
  EXPECT_EQ(joined(pin::mismatches(pin_text(), pin::interface_lines())), "");
}

// Each edit of the member list (or of the record) that a compiled workbook
// would feel, applied to the real lines, and the message the build gives.
TEST(InterfacePin, EveryMovedOrReshapedMemberIsCaughtWithWhatToDo) {
  const std::vector<std::string> real = pin::interface_lines();
  ASSERT_GT(real.size(), 20u);
  using Lines = std::vector<std::string>;
  const struct {
    const char* what;
    Lines table;
    std::string record;
    std::string message;  // a part of the first problem; "" when there is none
  } cases[] = {
      {"unchanged", real, record_of(real), ""},
      {"Windows line ends", real,
       [&] {
         std::string s;
         for (const char c : record_of(real))
           s += c == '\n' ? std::string("\r\n") : std::string(1, c);
         return s;
       }(),
       ""},
      {"a member appended",
       [&] {
         Lines t = real;
         t.push_back("NEW 1 range");
         return t;
       }(),
       record_of(real),
       "append it to com/interface.pin as \"" + std::to_string(real.size() + 1) + " NEW 1 range\""},
      {"a member inserted",
       [&] {
         Lines t = real;
         t.insert(t.begin() + 16, "NEW 1 range");
         return t;
       }(),
       record_of(real), "DISPID 17 changed"},
      {"two members swapped",
       [&] {
         Lines t = real;
         std::swap(t[16], t[17]);
         return t;
       }(),
       record_of(real), "DISPID 17 changed"},
      {"a member removed", Lines(real.begin(), real.end() - 1), record_of(real),
       "is gone from the table"},
      {"a parameter's kind changed",
       [&] {
         Lines t = real;
         t[17] = "TEMAL 1 variant";
         return t;
       }(),
       record_of(real), "give the interface a new IID"},
      {"a property's kind changed",
       [&] {
         Lines t = real;
         t[14] = "yyy property variant";
         return t;
       }(),
       record_of(real), "DISPID 15 changed"},
      {"the record renumbered", real,
       [&] {
         std::string s = record_of(real);
         s.replace(s.find("\n16 "), 4, "\n17 ");
         return s;
       }(),
       "out of order"},
      {"the record empty", real, "# nothing pinned\n", "missing or empty"},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> problems = pin::mismatches(c.record, c.table);
    if (c.message.empty()) {
      EXPECT_EQ(joined(problems), "") << c.what;
    } else {
      ASSERT_FALSE(problems.empty()) << c.what;
      EXPECT_NE(problems.front().find(c.message), std::string::npos)
          << c.what << ": " << problems.front();
    }
  }
}

// Every change of a parameter's kind, or of a property's value kind, shows
// in the member's line, so the comparison above cannot miss one.
TEST(InterfacePin, AChangedKindChangesTheLine) {
  constexpr ParamKind kKinds[] = {ParamKind::Variant, ParamKind::Range, ParamKind::Trigger};
  for (const Function& f : functions()) {
    for (std::size_t i = 0; i < f.params.size(); ++i) {
      for (const ParamKind k : kKinds) {
        if (k == f.params[i].kind) continue;
        std::vector<Param> changed(f.params.begin(), f.params.end());
        changed[i].kind = k;
        Function g = f;
        g.params = changed;
        EXPECT_NE(pin::shape_of(g), pin::shape_of(f)) << to_utf8(f.name) << " parameter " << i;
      }
    }
  }
  for (const Property& p : properties()) {
    Property q = p;
    q.value = p.value == ValueKind::Text ? ValueKind::Variant : ValueKind::Text;
    EXPECT_NE(pin::shape_of(q), pin::shape_of(p)) << to_utf8(p.name);
  }
}

}  // namespace
}  // namespace korvane
