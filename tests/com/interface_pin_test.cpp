// The automation interface is pinned: compiled workbooks and VBA projects keep
// each member's DISPID and vtable slot, and both follow the member table's
// order; a compiled caller also passes each argument as the type library
// typed it when it was compiled (a Variant parameter as a VARIANT*, a Range
// one as an IDispatch*, a text property's value as a BSTR). This compares the
// table with the checked-in list, so a row inserted or moved mid-table, or a
// parameter or property whose kind changed, fails here instead of silently
// breaking every later member, or that one, in the users' files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane {
namespace {

struct PinnedMember {
  int dispid = 0;
  std::string line;  // after the DISPID: the name and the shape, as shape_of writes them
};

std::vector<PinnedMember> read_pin() {
  std::ifstream in(KORVANE_SOURCE_DIR "/com/interface.pin");
  std::vector<PinnedMember> out;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    PinnedMember p;
    fields >> p.dispid;
    std::string word;
    while (fields >> word) p.line += (p.line.empty() ? "" : " ") + word;
    out.push_back(p);
  }
  return out;
}

std::string kind_name(ParamKind k) {
  switch (k) {
    case ParamKind::Variant:
      return "variant";
    case ParamKind::Range:
      return "range";
    case ParamKind::Trigger:
      return "trigger";
  }
  return "?";
}

// A property's line: `property` and what its value travels as.
std::string shape_of(const Property& p) {
  return to_utf8(p.name) + " property " + (p.value == ValueKind::Text ? "text" : "variant");
}

// A function's line: its parameter count, then each parameter's kind.
std::string shape_of(const Function& f) {
  std::string s = to_utf8(f.name);
  s.append(" ").append(std::to_string(f.params.size()));
  for (const Param& p : f.params) s.append(" ").append(kind_name(p.kind));
  return s;
}

bool is_property_line(const std::string& line) {
  return line.find(" property ") != std::string::npos;
}

// The members in interface order, each as its pin line shows it after the
// DISPID.
std::vector<std::string> interface_members() {
  std::vector<std::string> out;
  for (const Property& p : properties()) out.push_back(shape_of(p));
  for (const Function& f : functions()) out.push_back(shape_of(f));
  return out;
}

TEST(InterfacePin, TableMatchesThePinnedInterface) {
  const std::vector<PinnedMember> pin = read_pin();
  const std::vector<std::string> table = interface_members();
  ASSERT_FALSE(pin.empty()) << "com/interface.pin is missing or empty";
  for (std::size_t i = 0; i < std::max(pin.size(), table.size()); ++i) {
    ASSERT_LT(i, table.size()) << "the pinned member " << pin[i].line
                               << " is gone from the table: members are never removed";
    ASSERT_LT(i, pin.size()) << "new member " << table[i]
                             << ": append it to com/interface.pin as \"" << i + 1 << " " << table[i]
                             << "\"";
    EXPECT_EQ(pin[i].dispid, static_cast<int>(i + 1)) << "com/interface.pin is out of order";
    EXPECT_EQ(pin[i].line, table[i])
        << "DISPID " << i + 1
        << " changed: append new members at the end of the table, or give the interface a new "
           "IID (com/identity.h) if a pinned member must change"
        << (is_property_line(table[i]) && !is_property_line(pin[i].line)
                ? ". The properties come before the functions in the interface, so a new "
                  "property renumbers every function: it needs a new IID and a new pin"
                : "");
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
        EXPECT_NE(shape_of(g), shape_of(f)) << to_utf8(f.name) << " parameter " << i;
      }
    }
  }
  for (const Property& p : properties()) {
    Property q = p;
    q.value = p.value == ValueKind::Text ? ValueKind::Variant : ValueKind::Text;
    EXPECT_NE(shape_of(q), shape_of(p)) << to_utf8(p.name);
  }
}

}  // namespace
}  // namespace korvane
