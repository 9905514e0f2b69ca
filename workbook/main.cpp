// korvane_workbook OUT.xlsx: writes the example workbook (示例账本) from the
// member list. Run by the build; its output ships in the Windows release and
// the .deb.
#include <exception>
#include <iostream>

#include "workbook/layout.h"
#include "workbook/xlsx.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: korvane_workbook OUT.xlsx\n";
    return 2;
  }
  try {
    korvane::workbook::write_xlsx(korvane::workbook::lay_out(), argv[1]);
  } catch (const std::exception& e) {
    std::cerr << "korvane_workbook: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
