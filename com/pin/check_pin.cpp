// korvane_pin_check: the native build's check of the COM interface record.
//
//   korvane_pin_check PIN_FILE STAMP_FILE
//
// Compares PIN_FILE (com/interface.pin) with the member list and, when they
// agree, writes STAMP_FILE so that the build runs it again only when one of
// them changes. When they disagree it prints each problem and what to do,
// and exits 1: the build stops there.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "com/pin/interface_pin.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: korvane_pin_check PIN_FILE STAMP_FILE\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const auto problems = korvane::pin::mismatches(text.str(), korvane::pin::interface_lines());
  for (const std::string& p : problems) std::cerr << argv[1] << ": " << p << '\n';
  if (!problems.empty()) return 1;
  // Written under another name and renamed over the stamp: an interrupted
  // build leaves no stamp that says the record was checked.
  const std::string tmp = std::string(argv[2]) + ".tmp";
  if (!(std::ofstream(tmp) << "checked\n")) {
    std::cerr << "korvane_pin_check: cannot write " << tmp << '\n';
    return 1;
  }
  if (std::rename(tmp.c_str(), argv[2]) != 0) {
    std::cerr << "korvane_pin_check: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}
