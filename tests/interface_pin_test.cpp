// The automation interface is pinned: compiled workbooks and VBA projects keep
// each member's DISPID and vtable slot, and both follow the member table's
// order. This compares the table with the checked-in list, so a row inserted
// or moved mid-table fails here instead of silently renumbering every later
// member in the users' files.
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
  int dispid;
  std::string name;
  std::string shape;  // parameter count, or property / property-text
};

std::vector<PinnedMember> read_pin() {
  std::ifstream in(KORVANE_SOURCE_DIR "/com/interface.pin");
  std::vector<PinnedMember> out;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    PinnedMember p;
    fields >> p.dispid >> p.name >> p.shape;
    out.push_back(p);
  }
  return out;
}

std::string shape_of(const Member& m) {
  if (m.is_property) return m.property.set ? "property" : "property-text";
  return std::to_string(m.params.size());
}

TEST(InterfacePin, TableMatchesThePinnedInterface) {
  const std::vector<PinnedMember> pin = read_pin();
  const auto table = members();
  ASSERT_FALSE(pin.empty()) << "com/interface.pin is missing or empty";
  for (std::size_t i = 0; i < std::max(pin.size(), table.size()); ++i) {
    ASSERT_LT(i, table.size()) << "the pinned member " << pin[i].name
                               << " is gone from the table: members are never removed";
    const std::string name = to_utf8(table[i].name);
    ASSERT_LT(i, pin.size()) << "new member " << name
                             << ": append it to com/interface.pin with DISPID " << i + 1;
    EXPECT_EQ(pin[i].dispid, static_cast<int>(i + 1)) << "com/interface.pin is out of order";
    EXPECT_EQ(pin[i].name + " " + pin[i].shape, name + " " + shape_of(table[i]))
        << "DISPID " << i + 1
        << " changed: append new members at the end of the table, or give the interface a new "
           "IID (com/identity.h) if a pinned member must change";
  }
}

}  // namespace
}  // namespace korvane
