// The example workbook (示例账本) a bookkeeper starts from, laid out from the
// member list.
//
// Each worksheet function's row in the list says which sheet its example
// stands on (开奖, 投注, 转换, 计件工资), whether it pays an amount, and a note
// in Chinese; its example gives the arguments. The layout puts the draw on
// 开奖 (its numbers in cells formatted as text, so that 08 stays the text
// "08"), and every other function on its sheet, one row each: its arguments
// in cells, its formula calling it with references to those cells and, for a
// function ending with the trigger 易失, a reference to the 验证 cell, so that
// the row recalculates with the draw. Formulas are written as an automation
// add-in's workbook stores them (the bare function name, ',' between the
// arguments), each with the value the function gives for those arguments,
// which a spreadsheet shows before it recalculates.
//
// A function added to the list appears on its sheet with no edit here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/custom_functions.h"

namespace korvane::workbook {

// How a cell looks: a column heading, a text kept as text (format "@"), a
// note, or a plain value or formula.
enum class Look : unsigned char { Plain, Heading, Text, Note };

struct Cell {
  std::size_t row = 0;  // from 0
  std::size_t col = 0;  // from 0
  Look look = Look::Plain;
  // A formula (without '='); empty for a value.
  std::u16string formula;
  // A value's content, or a formula's result as the function gives it.
  Variant value;
  // The worksheet function a formula calls; null for a value or a total.
  const Function* calls = nullptr;
  // Shown when the pointer rests on the cell: the parameter it is given for.
  std::u16string comment;
};

struct SheetLayout {
  Sheet sheet;
  std::u16string name;
  std::vector<Cell> cells;
  std::vector<double> widths;  // of the columns from A, in characters
};

// The sheet's name as the bookkeeper reads it on its tab.
std::u16string_view sheet_name(Sheet s) noexcept;

// An A1 reference; col and row from 0. Absolute: $A$1.
std::u16string a1(std::size_t col, std::size_t row, bool absolute = false);

// The four sheets, 开奖 first. Throws std::runtime_error, naming the function,
// when a row's example does not fit its parameters or its call fails.
std::vector<SheetLayout> lay_out();

}  // namespace korvane::workbook
