// Writing the example workbook's layout as an .xlsx file (libxlsxwriter).
#pragma once

#include <string>
#include <vector>

#include "workbook/layout.h"

namespace korvane::workbook {

// Writes the sheets to path: into a new file beside it, renamed over path
// once complete, so that a failed run leaves any earlier workbook as it was.
// Throws std::runtime_error with what went wrong.
void write_xlsx(const std::vector<SheetLayout>& sheets, const std::string& path);

}  // namespace korvane::workbook
