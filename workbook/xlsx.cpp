// The example workbook as an .xlsx file. Each formula is stored with its
// result, so that a viewer that does not calculate shows what the add-in
// would; the file asks the spreadsheet to recalculate when it opens it
// (libxlsxwriter marks every workbook so), which loads the draw into the
// add-in before the bets read it.
#include "workbook/xlsx.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "core/text.h"

namespace korvane::workbook {
namespace {

[[noreturn]] void fail(const std::string& what, lxw_error e) {
  throw std::runtime_error(what + ": " + lxw_strerror(e));
}

void check(lxw_error e, const std::string& what) {
  if (e != LXW_NO_ERROR) fail(what, e);
}

struct Formats {
  lxw_format* heading;
  lxw_format* text;
  lxw_format* note;
};

lxw_format* format_of(const Formats& f, Look look) {
  switch (look) {
    case Look::Heading:
      return f.heading;
    case Look::Text:
      return f.text;
    case Look::Note:
      return f.note;
    case Look::Plain:
      break;
  }
  return nullptr;
}

std::string where(const SheetLayout& s, const Cell& c) {
  return to_utf8(s.name) + "!" + to_utf8(a1(c.col, c.row));
}

// A formula's stored result: a text as a text, an empty result as the 0 a
// cell shows for it, a number as itself.
void write_formula(lxw_worksheet* ws, const SheetLayout& s, const Cell& c, lxw_format* fmt) {
  std::string formula(1, '=');
  formula += to_utf8(c.formula);
  const auto row = static_cast<lxw_row_t>(c.row);
  const auto col = static_cast<lxw_col_t>(c.col);
  const Variant& v = c.value;
  double number = 0;
  if (v.is_string()) {
    check(worksheet_write_formula_str(ws, row, col, formula.c_str(), fmt,
                                      to_utf8(v.string_view()).c_str()),
          where(s, c));
    return;
  }
  if (const double* d = v.if_double())
    number = *d;
  else if (const std::int32_t* l = v.if_long())
    number = *l;
  else if (const std::int16_t* i = v.if_integer())
    number = *i;
  else if (!v.is_empty())
    throw std::runtime_error(where(s, c) + ": a result the workbook cannot store (" +
                             to_utf8(c.formula) + ")");
  check(worksheet_write_formula_num(ws, row, col, formula.c_str(), fmt, number), where(s, c));
}

void write_value(lxw_worksheet* ws, const SheetLayout& s, const Cell& c, lxw_format* fmt) {
  const auto row = static_cast<lxw_row_t>(c.row);
  const auto col = static_cast<lxw_col_t>(c.col);
  if (c.value.is_string()) {
    check(worksheet_write_string(ws, row, col, to_utf8(c.value.string_view()).c_str(), fmt),
          where(s, c));
  } else if (const double* d = c.value.if_double()) {
    check(worksheet_write_number(ws, row, col, *d, fmt), where(s, c));
  } else if (c.value.is_empty()) {
    check(worksheet_write_blank(ws, row, col, fmt), where(s, c));
  } else {
    throw std::runtime_error(where(s, c) + ": a value the workbook cannot store");
  }
}

void write_sheet(lxw_workbook* wb, const Formats& formats, const SheetLayout& s) {
  lxw_worksheet* ws = workbook_add_worksheet(wb, to_utf8(s.name).c_str());
  if (!ws) throw std::runtime_error("cannot add the sheet " + to_utf8(s.name));
  for (std::size_t col = 0; col < s.widths.size(); ++col) {
    const auto c = static_cast<lxw_col_t>(col);
    check(worksheet_set_column(ws, c, c, s.widths[col], nullptr), to_utf8(s.name));
  }
  worksheet_freeze_panes(ws, 1, 0);  // the headings stay in sight
  for (const Cell& c : s.cells) {
    lxw_format* fmt = format_of(formats, c.look);
    if (c.formula.empty())
      write_value(ws, s, c, fmt);
    else
      write_formula(ws, s, c, fmt);
    if (!c.comment.empty())
      check(worksheet_write_comment(ws, static_cast<lxw_row_t>(c.row),
                                    static_cast<lxw_col_t>(c.col), to_utf8(c.comment).c_str()),
            where(s, c));
  }
}

// The same sources give the same file's properties: the creation time is
// the release's (SOURCE_DATE_EPOCH) when one is set.
void set_properties(lxw_workbook* wb) {
  lxw_doc_properties props{};
  char title[] = "Korvane 示例账本";
  props.title = title;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"))
    props.created = std::strtoll(epoch, nullptr, 10);
  check(workbook_set_properties(wb, &props), "the workbook's properties");
}

}  // namespace

void write_xlsx(const std::vector<SheetLayout>& sheets, const std::string& path) {
  // Only a workbook is replaced: a device, a folder or a link in its place is
  // the user's, and renaming over it would destroy it.
  std::error_code ec;
  const std::filesystem::file_status was = std::filesystem::symlink_status(path, ec);
  if (std::filesystem::exists(was) && !std::filesystem::is_regular_file(was))
    throw std::runtime_error(path + " is not a file: not replaced");
  // Two runs at once each write their own part.
  const std::string part = path + "." + std::to_string(getpid()) + ".part";
  lxw_workbook* wb = workbook_new(part.c_str());
  if (!wb) throw std::runtime_error("cannot start the workbook " + part);
  try {
    Formats formats{workbook_add_format(wb), workbook_add_format(wb), workbook_add_format(wb)};
    format_set_bold(formats.heading);
    format_set_num_format(formats.text, "@");
    format_set_font_color(formats.note, LXW_COLOR_GRAY);
    set_properties(wb);
    for (const SheetLayout& s : sheets) write_sheet(wb, formats, s);
  } catch (...) {
    workbook_close(wb);
    std::remove(part.c_str());
    throw;
  }
  const lxw_error closed = workbook_close(wb);
  if (closed != LXW_NO_ERROR) {
    std::remove(part.c_str());
    fail("cannot write " + part, closed);
  }
  if (std::rename(part.c_str(), path.c_str()) != 0) {
    std::remove(part.c_str());
    throw std::runtime_error("cannot rename " + part + " to " + path);
  }
}

}  // namespace korvane::workbook
