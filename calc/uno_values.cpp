#include "calc/uno_values.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <string>
#include <vector>

#include "calc/uno_text.h"

namespace korvane::calc {
namespace {

Variant text_of(const OUString& s) { return Variant(std::u16string(view(s))); }

// A value inside a sequence of rows: what Calc passes for several cells.
Variant element(const Any& a) {
  if (!a.hasValue()) return Variant();
  double d = 0;
  if (a >>= d) return Variant(d);  // also every integer type
  OUString s;
  if (a >>= s) return text_of(s);
  bool b = false;
  if (a >>= b) return Variant(b);
  return Variant(ExcelError::Value);
}

Variant rows_of(const Sequence<Sequence<Any>>& rows) {
  const std::size_t n = static_cast<std::size_t>(rows.getLength());
  std::size_t width = 0;
  for (const auto& row : rows) width = std::max(width, static_cast<std::size_t>(row.getLength()));
  std::vector<Variant> cells(n * width);
  for (std::size_t r = 0; r < n; ++r) {
    const auto& row = rows[static_cast<sal_Int32>(r)];
    for (sal_Int32 c = 0; c < row.getLength(); ++c)
      cells[r * width + static_cast<std::size_t>(c)] = element(row[c]);
  }
  return Variant(make_array(n, width, std::move(cells)));
}

// Whether the cell is shown in a boolean format: how Calc, which has no
// boolean values, keeps TRUE and FALSE (the numbers 1 and 0), whether typed or
// the result of a formula. The format's type is known only to the document's
// number formats.
bool boolean_format(const Reference<css::table::XCell>& cell,
                    const Reference<css::beans::XPropertySet>& document) {
  Reference<css::util::XNumberFormatsSupplier> supplier(document, UNO_QUERY);
  Reference<css::beans::XPropertySet> props(cell, UNO_QUERY);
  if (!supplier.is() || !props.is()) return false;
  try {
    sal_Int32 key = 0;
    if (!(props->getPropertyValue("NumberFormat") >>= key)) return false;
    const Reference<css::util::XNumberFormats> formats = supplier->getNumberFormats();
    const Reference<css::beans::XPropertySet> format =
        formats.is() ? formats->getByKey(key) : nullptr;
    sal_Int16 type = 0;
    return format.is() && (format->getPropertyValue("Type") >>= type) &&
           (type & css::util::NumberFormat::LOGICAL) != 0;
  } catch (const css::uno::Exception&) {
    return false;  // no such format: a number
  }
}

// A cell's number as Excel's Range.Value gives it: TRUE and FALSE as booleans.
// Only 1 and 0 can be booleans, so other numbers cost no look-up.
Variant number(double d, const Reference<css::table::XCell>& cell,
               const Reference<css::beans::XPropertySet>& document) {
  if ((d == 0 || d == 1) && boolean_format(cell, document)) return Variant(d == 1);
  return Variant(d);
}

// The result of a formula cell that shows no error: a number or a text. The
// cell's own text (XTextRange) cannot be used: while Calc is calculating,
// which it is while it calls the add-in, it gives every formula cell's text as
// "..."; the data array holds the result itself, a double or a string.
Variant formula_result(const Reference<css::table::XCell>& cell,
                       const Reference<css::beans::XPropertySet>& document) {
  Reference<css::sheet::XCellRangeData> data(cell, UNO_QUERY);
  if (!data.is()) return number(cell->getValue(), cell, document);
  const Sequence<Sequence<Any>> rows = data->getDataArray();
  if (rows.getLength() != 1 || rows[0].getLength() != 1) return Variant(ExcelError::Value);
  double d = 0;
  if (rows[0][0] >>= d) return number(d, cell, document);
  return element(rows[0][0]);
}

// One cell's value as Excel's Range.Value gives it: a formula cell by its
// result (a number, a boolean, a text, possibly empty, or an error value),
// whatever the formula. Asking for the error first makes Calc calculate a
// formula cell that is not yet up to date.
Variant cell_value(const Reference<css::table::XCell>& cell,
                   const Reference<css::beans::XPropertySet>& document) {
  switch (cell->getType()) {
    case css::table::CellContentType_EMPTY:
      return Variant();
    case css::table::CellContentType_VALUE:
      return number(cell->getValue(), cell, document);
    case css::table::CellContentType_TEXT: {
      Reference<css::text::XTextRange> text(cell, UNO_QUERY);
      return text.is() ? text_of(text->getString()) : Variant(u"");
    }
    case css::table::CellContentType_FORMULA: {
      if (const sal_Int32 code = cell->getError()) return Variant(from_calc_error(code));
      return formula_result(cell, document);
    }
    default:
      return Variant();
  }
}

}  // namespace

ExcelError from_calc_error(std::int32_t code) noexcept {
  // Calc's codes of the errors Excel has too (#VALUE! is Calc's 519).
  static constexpr struct {
    std::int32_t code;
    ExcelError error;
  } kShared[] = {{521, ExcelError::Null}, {532, ExcelError::Div0}, {524, ExcelError::Ref},
                 {525, ExcelError::Name}, {503, ExcelError::Num},  {32767, ExcelError::NA}};
  for (const auto& e : kShared) {
    if (e.code == code) return e.error;
  }
  return ExcelError::Value;  // #VALUE! and Calc's own Err:5xx codes, which Excel does not have
}

Variant from_any(const Any& a) {
  if (a.getValueTypeClass() == css::uno::TypeClass_SEQUENCE) {
    Sequence<Sequence<Any>> rows;
    if (a >>= rows) return rows_of(rows);
    return Variant(ExcelError::Value);
  }
  return element(a);
}

Variant from_range(const Reference<css::table::XCellRange>& range,
                   const Reference<css::beans::XPropertySet>& document) {
  if (!range.is()) return Variant();  // an omitted argument
  Reference<css::sheet::XCellRangeAddressable> where(range, UNO_QUERY);
  std::size_t rows = 1;
  std::size_t cols = 1;
  if (where.is()) {
    const auto a = where->getRangeAddress();
    rows = static_cast<std::size_t>(a.EndRow - a.StartRow) + 1;
    cols = static_cast<std::size_t>(a.EndColumn - a.StartColumn) + 1;
  }
  if (rows == 1 && cols == 1)
    return Variant(make_cell(cell_value(range->getCellByPosition(0, 0), document)));
  // Several cells: the worksheet functions accept no array, so only the shape
  // matters; Calc's data array gives blank cells as empty texts and error cells
  // as void, and they are kept so.
  Reference<css::sheet::XCellRangeData> data(range, UNO_QUERY);
  if (!data.is()) return Variant(make_block(rows, cols, std::vector<Variant>(rows * cols)));
  const Variant block = rows_of(data->getDataArray());
  const ArrayRef* a = block.if_array();
  return Variant(make_block((*a)->rows, (*a)->cols, (*a)->cells));
}

Any to_any(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      return Any(0.0);
    case Variant::Kind::Integer:
      return Any(static_cast<double>(*v.if_integer()));
    case Variant::Kind::Long:
      return Any(static_cast<double>(*v.if_long()));
    case Variant::Kind::Double:
      return Any(*v.if_double());
    case Variant::Kind::String:
      return Any(utf16(v.string_view()));
    case Variant::Kind::Boolean:  // Calc's TRUE and FALSE are the numbers 1 and 0
      return Any(*v.if_boolean() ? 1.0 : 0.0);
    case Variant::Kind::Error:
      if (*v.if_error() == ExcelError::NA) return Any();  // void shows #N/A
      throw css::uno::RuntimeException("error value");    // shows #VALUE!
    case Variant::Kind::Range:
      return to_any(value_of(v));
    case Variant::Kind::Array: {
      const Array2D& a = **v.if_array();
      if (a.rows > static_cast<std::size_t>(std::numeric_limits<sal_Int32>::max()) ||
          a.cols > static_cast<std::size_t>(std::numeric_limits<sal_Int32>::max()))
        throw css::uno::RuntimeException("array too large");
      Sequence<Sequence<Any>> rows(static_cast<sal_Int32>(a.rows));
      for (std::size_t r = 0; r < a.rows; ++r) {
        Sequence<Any> row(static_cast<sal_Int32>(a.cols));
        for (std::size_t c = 0; c < a.cols; ++c) {
          const Variant& cell = a.at(r, c);
          // Inside an array an empty or error value stays an empty cell.
          if (!cell.is_empty() && cell.kind() != Variant::Kind::Error)
            row[static_cast<sal_Int32>(c)] = to_any(cell);
        }
        rows[static_cast<sal_Int32>(r)] = row;
      }
      return Any(rows);
    }
  }
  return Any(0.0);
}

}  // namespace korvane::calc
