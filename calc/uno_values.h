// Between Calc's argument and result values and the add-in's variants.
//
// What Calc hands an add-in function (LibreOffice 7.4, checked by the engine
// test):
//  - an `any` parameter (every Variant parameter) receives a literal as a
//    double or a string, a one-cell reference as that cell's value: a number or
//    a text, and a blank cell as the number 0 (not as empty); a reference to
//    several cells as a sequence of rows, blank cells in it as empty texts; an
//    omitted argument as void. A boolean cell is the number 1 or 0: Calc has no
//    boolean values, and the number is all an `any` receives. A cell holding an
//    error value never reaches the function: Calc shows that error in the
//    formula's cell without calling it.
//  - a cell-range parameter (every Range parameter) receives the reference
//    itself, which the function reads as Excel reads a Range through its
//    default value: empty, a number, a text or the cell's error value for one
//    cell, an array for several; a formula cell by its result; a cell in a
//    boolean format (TRUE typed or computed) as a boolean. A literal there is
//    refused by Calc (Err:504).
//  - a parameter of type XPropertySet (the hidden last parameter of every
//    method that reads a cell range's value) receives the document, without a
//    formula argument for it.
//  - declaring a parameter as a sequence of rows of `any` changes none of the
//    above for one cell (blank is 0, an error is not passed, TRUE is 1), and
//    for several cells one error cell gives Err:504: it gains nothing. Only a
//    cell-range parameter sees the cell itself, and it refuses literals.
//
// What a result shows: a number or a text as such; Calc shows a void result as
// #N/A, so an empty result is handed back as 0, which is what Excel shows for
// it. A function that fails raises an exception; Calc shows #VALUE! for any
// exception except IllegalArgumentException (Err:502), which is why a failing
// call raises a RuntimeException.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Reference.hxx>
#include <cstdint>

#include "core/variant.h"

namespace korvane::calc {

// The variant an `any` argument stands for.
Variant from_any(const com::sun::star::uno::Any& a);

// The variant a cell-range argument stands for: a Range whose value is read
// here, once, at the call. Reading it also makes Calc calculate the cells it
// refers to first, as Excel calculates a formula's precedents first; that is
// what makes a formula whose 易失 points at the 验证 cell see the new draw.
// `document` (the formula's document, as Calc hands it to a caller parameter;
// may be null) tells boolean cells from numbers.
Variant from_range(
    const com::sun::star::uno::Reference<com::sun::star::table::XCellRange>& r,
    const com::sun::star::uno::Reference<com::sun::star::beans::XPropertySet>& document);

// The result handed back to Calc. An error value other than #N/A cannot be
// handed back as such; it raises the exception that shows #VALUE!.
com::sun::star::uno::Any to_any(const Variant& v);

// Calc's error codes (as XCell::getError gives them) and Excel's error values.
ExcelError from_calc_error(std::int32_t code) noexcept;

}  // namespace korvane::calc
