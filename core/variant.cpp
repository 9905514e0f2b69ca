#include "core/variant.h"

#include <array>

namespace korvane {
namespace {

struct ErrorInfo {
  ExcelError error;
  int code;
  std::string_view name;
};

constexpr std::array<ErrorInfo, 7> kErrors = {{
    {ExcelError::Null, 2000, "#NULL!"},
    {ExcelError::Div0, 2007, "#DIV/0!"},
    {ExcelError::Value, 2015, "#VALUE!"},
    {ExcelError::Ref, 2023, "#REF!"},
    {ExcelError::Name, 2029, "#NAME?"},
    {ExcelError::Num, 2036, "#NUM!"},
    {ExcelError::NA, 2042, "#N/A"},
}};

}  // namespace

int excel_error_code(ExcelError e) noexcept { return kErrors[static_cast<std::size_t>(e)].code; }

std::string_view excel_error_name(ExcelError e) noexcept {
  return kErrors[static_cast<std::size_t>(e)].name;
}

bool excel_error_from_code(int code, ExcelError& out) noexcept {
  for (const auto& info : kErrors) {
    if (info.code == code) {
      out = info.error;
      return true;
    }
  }
  return false;
}

bool excel_error_from_name(std::string_view name, ExcelError& out) noexcept {
  for (const auto& info : kErrors) {
    if (info.name == name) {
      out = info.error;
      return true;
    }
  }
  return false;
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.kind() != b.kind()) return false;
  if (a.is_string()) return a.string_view() == b.string_view();  // owned or borrowed
  if (const ArrayRef* x = a.if_array()) {
    const ArrayRef* y = b.if_array();
    if (*x == *y) return true;
    if (!*x || !*y) return false;
    return (*x)->rows == (*y)->rows && (*x)->cols == (*y)->cols && (*x)->cells == (*y)->cells;
  }
  return a.v_ == b.v_;
}

RangeRef make_cell(Variant v) {
  // A reference never holds another reference: it holds that one's value.
  return std::make_shared<HeldRange>(value_of(v));
}

RangeRef make_block(std::size_t rows, std::size_t cols, std::vector<Variant> cells) {
  if (rows == 1 && cols == 1) return make_cell(std::move(cells.front()));
  return std::make_shared<HeldRange>(make_array(rows, cols, std::move(cells)));
}

ArrayRef make_array(std::size_t rows, std::size_t cols, std::vector<Variant> cells) {
  auto a = std::make_shared<Array2D>();
  a->rows = rows;
  a->cols = cols;
  a->cells = std::move(cells);
  return a;
}

Variant value_of(const Variant& v) {
  return with_value(v, [](const Variant& x) { return x; });
}

}  // namespace korvane
