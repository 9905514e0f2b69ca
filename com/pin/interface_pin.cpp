// The comparison of com/interface.pin with the member list (see
// interface_pin.h): the record read line by line, '#' lines and blank lines
// skipped, each line a DISPID and the words after it.
#include "com/pin/interface_pin.h"

#include <algorithm>
#include <sstream>

#include "core/text.h"

namespace korvane::pin {
namespace {

struct PinnedMember {
  long dispid = 0;
  std::string line;  // after the DISPID, its words joined by one space
};

std::vector<PinnedMember> read_pin(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::vector<PinnedMember> out;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a file saved on Windows
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    std::istringstream fields(line);
    PinnedMember p;
    if (!(fields >> p.dispid)) p.dispid = 0;
    fields.clear();
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

}  // namespace

std::string shape_of(const Property& p) {
  return to_utf8(p.name) + " property " + (p.value == ValueKind::Text ? "text" : "variant");
}

std::string shape_of(const Function& f) {
  std::string s = to_utf8(f.name);
  s.append(" ").append(std::to_string(f.params.size()));
  for (const Param& p : f.params) s.append(" ").append(kind_name(p.kind));
  return s;
}

std::vector<std::string> interface_lines() {
  std::vector<std::string> out;
  for (const Member& m : members())
    out.push_back(m.property ? shape_of(*m.property) : shape_of(*m.function));
  return out;
}

std::vector<std::string> mismatches(std::string_view pin_text,
                                    const std::vector<std::string>& table) {
  const std::vector<PinnedMember> pin = read_pin(pin_text);
  if (pin.empty()) return {"com/interface.pin is missing or empty"};
  std::vector<std::string> out;
  for (std::size_t i = 0; i < std::max(pin.size(), table.size()); ++i) {
    const std::string dispid = std::to_string(i + 1);
    if (i >= table.size()) {
      out.push_back("the pinned member " + pin[i].line +
                    " is gone from the table: members are never removed");
    } else if (i >= pin.size()) {
      out.push_back("new member " + table[i] + ": append it to com/interface.pin as \"" + dispid +
                    " " + table[i] + "\"");
    } else if (pin[i].dispid != static_cast<long>(i + 1)) {
      out.push_back("com/interface.pin is out of order: line \"" + std::to_string(pin[i].dispid) +
                    " " + pin[i].line + "\" stands where DISPID " + dispid + " belongs");
    } else if (pin[i].line != table[i]) {
      out.push_back("DISPID " + dispid + " changed (pinned \"" + pin[i].line + "\", now \"" +
                    table[i] +
                    "\"): append new members at the end of the table, or give the interface a "
                    "new IID (com/identity.h) if a pinned member must change");
    }
  }
  return out;
}

}  // namespace korvane::pin
