#include "xll/values.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "xll/excel.h"

namespace korvane::xll {
namespace {

bool read_error(int code, Variant& out) {
  ExcelError e;
  if (!excel_error_from_code(2000 + code, e)) return false;
  out = Variant(e);
  return true;
}

std::u16string read_text(const XCHAR* s) {
  if (!s) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(s + 1), static_cast<std::size_t>(s[0]));
}

// One cell's value: what a cell or an array element can hold.
bool read_scalar(const XLOPER12& in, Variant& out) {
  switch (in.xltype & xltypeMask) {
    case xltypeNum:
      out = Variant(in.val.num);
      return true;
    case xltypeInt:  // Excel sends numbers as xltypeNum; a host may use this
      out = Variant(static_cast<double>(in.val.w));
      return true;
    case xltypeStr:
      out = Variant(read_text(in.val.str));
      return true;
    case xltypeBool:
      out = Variant(in.val.xbool != 0);
      return true;
    case xltypeErr:
      return read_error(in.val.err, out);
    case xltypeNil:
    case xltypeMissing:
      out = Variant();
      return true;
    default:
      return false;
  }
}

// Several cells, row by row; the value of a block of cells or an array constant.
bool read_multi(const XLOPER12& in, Variant& out) {
  const RW rows = in.val.array.rows;
  const COL cols = in.val.array.columns;
  if (rows <= 0 || cols <= 0 || !in.val.array.lparray) return false;
  const std::size_t n = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  std::vector<Variant> cells(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!read_scalar(in.val.array.lparray[i], cells[i])) return false;
  }
  out = Variant(
      make_array(static_cast<std::size_t>(rows), static_cast<std::size_t>(cols), std::move(cells)));
  return true;
}

// A reference, read now through the host: a held range of what the cells hold.
bool read_reference(const XLOPER12& in, Variant& out) {
  ExcelResult values;
  XLOPER12 source = in;
  source.xltype &= xltypeMask;
  if (excel12(xlCoerce, &values.oper, {&source}) != xlretSuccess) return false;
  Variant v;
  switch (values.oper.xltype & xltypeMask) {
    case xltypeMulti:
      if (!read_multi(values.oper, v)) return false;
      break;
    default:
      if (!read_scalar(values.oper, v)) return false;
  }
  if (const ArrayRef* a = v.if_array()) {
    out = Variant(make_block((*a)->rows, (*a)->cols, (*a)->cells));
  } else {
    out = Variant(make_cell(std::move(v)));
  }
  return true;
}

// A number of any of the three kinds, as the one kind a cell keeps.
double number_of(const Variant& v) {
  if (const std::int16_t* i = v.if_integer()) return *i;
  if (const std::int32_t* l = v.if_long()) return *l;
  return *v.if_double();
}

void write_scalar(const Variant& v, XLOPER12& out) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      out.xltype = xltypeNil;
      return;
    case Variant::Kind::Integer:
    case Variant::Kind::Long:
    case Variant::Kind::Double:
      out.xltype = xltypeNum;
      out.val.num = number_of(v);
      return;
    case Variant::Kind::String:
      out.val.str = new_xl_string(v.string_view());
      out.xltype = xltypeStr | xlbitDLLFree;
      return;
    case Variant::Kind::Boolean:
      out.xltype = xltypeBool;
      out.val.xbool = *v.if_boolean() ? TRUE : FALSE;
      return;
    case Variant::Kind::Error:
      out.xltype = xltypeErr;
      out.val.err = excel_error_code(*v.if_error()) - 2000;
      return;
    case Variant::Kind::Range:
    case Variant::Kind::Array:
      break;
  }
  out.xltype = xltypeErr;  // not a cell's value: nested arrays and references
  out.val.err = xlerrValue;
}

void free_cells(XLOPER12* cells, std::size_t n) noexcept {
  for (std::size_t i = 0; i < n; ++i) {
    if ((cells[i].xltype & xltypeMask) == xltypeStr) delete[] cells[i].val.str;
  }
  delete[] cells;
}

void write_multi(const Array2D& a, XLOPER12& out) {
  if (a.rows == 0 || a.cols == 0) {
    out.xltype = xltypeNil;
    return;
  }
  auto cells = std::make_unique<XLOPER12[]>(a.cells.size());
  for (XLOPER12& c : std::span(cells.get(), a.cells.size())) c.xltype = xltypeNil;
  try {
    // The elements carry their plain types: only the array as a whole is
    // marked, and freeing it frees the texts of its elements.
    for (std::size_t i = 0; i < a.cells.size(); ++i) {
      write_scalar(a.cells[i], cells[i]);
      cells[i].xltype &= ~xlbitDLLFree;
    }
  } catch (...) {
    free_cells(cells.release(), a.cells.size());
    throw;
  }
  out.val.array.rows = static_cast<RW>(a.rows);
  out.val.array.columns = static_cast<COL>(a.cols);
  out.val.array.lparray = cells.release();
  out.xltype = xltypeMulti | xlbitDLLFree;
}

}  // namespace

XCHAR* new_xl_string(std::u16string_view s) {
  const std::size_t n = std::min<std::size_t>(s.size(), kMaxString);
  auto* buffer = new XCHAR[n + 1];
  buffer[0] = static_cast<XCHAR>(n);
  std::copy_n(s.data(), n, reinterpret_cast<char16_t*>(buffer + 1));
  return buffer;
}

bool make_argument(const XLOPER12& in, CallArguments& args) {
  switch (in.xltype & xltypeMask) {
    case xltypeNum:
      args.emplace(in.val.num);
      return true;
    case xltypeStr:
      // Excel keeps its arguments for the length of the call: the text is
      // borrowed, and whatever the core keeps copies it.
      if (in.val.str) {
        args.emplace(
            Variant::borrowed(std::u16string_view(reinterpret_cast<const char16_t*>(in.val.str + 1),
                                                  static_cast<std::size_t>(in.val.str[0]))));
      } else {
        args.emplace(std::u16string());
      }
      return true;
    case xltypeMulti:
      return read_multi(in, args.emplace());
    case xltypeRef:
    case xltypeSRef:
      return read_reference(in, args.emplace());
    default:
      return read_scalar(in, args.emplace());
  }
}

void write_result(const Variant& v, XLOPER12& out, XCHAR* text) {
  if (const RangeRef* r = v.if_range()) {
    if (!*r) {
      out.xltype = xltypeErr;
      out.val.err = xlerrValue;
      return;
    }
    write_result((*r)->value(), out, text);  // a range's value is never a range
    return;
  }
  if (const ArrayRef* a = v.if_array()) {
    if (*a) {
      write_multi(**a, out);
    } else {
      out.xltype = xltypeNil;
    }
    return;
  }
  if (v.is_string() && text) {
    const std::u16string_view s = v.string_view();
    const std::size_t n = std::min<std::size_t>(s.size(), kMaxString);
    text[0] = static_cast<XCHAR>(n);
    std::copy_n(s.data(), n, reinterpret_cast<char16_t*>(text + 1));
    out.val.str = text;
    out.xltype = xltypeStr;
    return;
  }
  write_scalar(v, out);
}

void free_result(XLOPER12& out) noexcept {
  if (out.xltype & xlbitDLLFree) {
    switch (out.xltype & xltypeMask) {
      case xltypeStr:
        delete[] out.val.str;
        break;
      case xltypeMulti: {
        const std::size_t n = static_cast<std::size_t>(out.val.array.rows) *
                              static_cast<std::size_t>(out.val.array.columns);
        free_cells(out.val.array.lparray, n);
        break;
      }
      default:
        break;
    }
  }
  out.xltype = xltypeNil;
}

}  // namespace korvane::xll
