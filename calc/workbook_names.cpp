// Workbooks that travel between Excel and Calc: the document job that renames
// the add-in's calls when a spreadsheet is opened and when it is saved for
// Excel.
//
// An .xlsx from a colleague's Excel holds 平特几肖(…) or _xll.平特几肖(…), names
// Calc does not know: it keeps them as unresolved names (#NAME?). A formula
// Calc computes calls the extension's UNO method instead, and Calc writes that
// name (KORVANE.CALC.CUSTOMFUNCTIONS.U5E73…) into an .xlsx, where Excel does
// not know it. Calc's configuration (Jobs.xcu) runs this job on the document
// events:
//
//   1. a spreadsheet was loaded (OnLoadFinished): every unresolved name that
//      names one of the functions, in any letter case, bare or with "_xll.",
//      (and SL1…SL4, which the .xlsx reader takes for cells of column SL) is
//      made a call of its UNO method, and the document is recalculated so
//      that 验证 loads the draw before the bets read it. A document without
//      such a name is not touched; the renaming marks nothing modified and
//      leaves nothing to undo;
//   2. it is about to be written as Office Open XML (OnSave, and OnSaveAs and
//      OnCopyTo when the document is an .xlsx now, as neither event says
//      where the file goes): every call of a UNO method becomes the
//      function's own name, in the form the workbook was opened with (the
//      XLL's "_xll." or the automation add-in's bare name). Automatic
//      calculation is off meanwhile, so that no cell that depends on a
//      renamed one is computed to #NAME? and written so;
//   3. it was written (…Done, …Failed): the names become calls again, and the
//      cells they are in are computed. A Save As whose format turned out
//      otherwise than assumed in step 2 is stored once more, now with the
//      names its format needs.
//
// ODF files keep the UNO names (workbooks stored by earlier builds rely on
// them), and so does .xls: its writer already stores an add-in function
// under the name the add-in declares for Excel (CalcAddIns.xcu), which is the
// function's own name, in the add-in section Excel reads.
//
// Only formula cells are read (one query per sheet, one read of the formula
// texts per block of them, the tokens only of a formula that may call a
// function), so the job is linear in the formulas of the workbook. Whatever
// fails inside the job is swallowed: a document must open and save as it did
// without the extension.
#include "calc/workbook_names.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XActionLockable.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/FormulaLanguage.hpp>
#include <com/sun/star/sheet/FormulaMapGroup.hpp>
#include <com/sun/star/sheet/FormulaMapGroupSpecialOffset.hpp>
#include <com/sun/star/sheet/FormulaOpCodeMapEntry.hpp>
#include <com/sun/star/sheet/FormulaToken.hpp>
#include <com/sun/star/sheet/ReferenceFlags.hpp>
#include <com/sun/star/sheet/SingleReference.hpp>
#include <com/sun/star/sheet/XCalculatable.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XFormulaOpCodeMapper.hpp>
#include <com/sun/star/sheet/XFormulaTokens.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/implbase2.hxx>
#include <cppuhelper/supportsservice.hxx>
#include <cppuhelper/weakref.hxx>
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "calc/excel_names.h"
#include "calc/uno_text.h"

namespace korvane::calc {
namespace {

// The formula op-codes the renaming reads and writes, as this Calc numbers
// them: a call of an add-in function, an unresolved name, a macro call, an
// operand (a cell reference among them), and the opening parenthesis that
// makes a name a function call.
struct OpCodes {
  sal_Int32 push = -1;
  sal_Int32 external = -1;
  sal_Int32 unresolved = -1;
  sal_Int32 macro = -1;
  sal_Int32 open = -1;
};

OpCodes op_codes(const Reference<css::frame::XModel>& model) {
  const Reference<css::lang::XMultiServiceFactory> factory(model, UNO_QUERY_THROW);
  const Reference<css::sheet::XFormulaOpCodeMapper> mapper(
      factory->createInstance("com.sun.star.sheet.FormulaOpCodeMapper"), UNO_QUERY_THROW);
  namespace offset = css::sheet::FormulaMapGroupSpecialOffset;
  const auto special = mapper->getAvailableMappings(css::sheet::FormulaLanguage::ODFF,
                                                    css::sheet::FormulaMapGroup::SPECIAL);
  Sequence<OUString> parenthesis(1);
  parenthesis[0] = "(";
  const auto open = mapper->getMappings(parenthesis, css::sheet::FormulaLanguage::ODFF);
  if (special.getLength() <= offset::MACRO || open.getLength() != 1)
    throw css::uno::RuntimeException("no formula op-codes");
  OpCodes ops;
  ops.push = special[offset::PUSH].Token.OpCode;
  ops.external = special[offset::EXTERNAL].Token.OpCode;
  ops.unresolved = special[offset::BAD].Token.OpCode;
  ops.macro = special[offset::MACRO].Token.OpCode;
  ops.open = open[0].OpCode;
  return ops;
}

// Which way a workbook's calls are renamed.
enum class Rename {
  ToCalc,   // the functions' own names become calls of the UNO methods
  ToExcel,  // and back
  Count,    // nothing: only the UNO calls are counted
};

// The name of a function that Calc read as the cell it also names (SL1(…)):
// a reference to one cell of the formula's sheet, relative as a bare name is.
// Empty for any other token.
std::u16string name_read_as_cell(const css::sheet::FormulaToken& t, const OpCodes& ops,
                                 const css::table::CellAddress& at) {
  css::sheet::SingleReference r;
  if (t.OpCode != ops.push || !(t.Data >>= r)) return {};
  namespace flag = css::sheet::ReferenceFlags;
  constexpr sal_Int32 relative = flag::COLUMN_RELATIVE | flag::ROW_RELATIVE;
  constexpr sal_Int32 other = flag::COLUMN_DELETED | flag::ROW_DELETED | flag::SHEET_DELETED |
                              flag::SHEET_3D | flag::RELATIVE_NAME;
  if ((r.Flags & relative) != relative || (r.Flags & other) != 0) return {};
  return cell_name(long{at.Column} + r.RelativeColumn, long{at.Row} + r.RelativeRow);
}

// The name a token gives a function, as Excel would write it: an unresolved
// name (how an .xlsx reader keeps a name it does not know), a macro call or an
// add-in call under that name (how an .xls reader keeps one), or a cell
// reference standing for SL1…SL4. Empty for any other token.
std::u16string excel_written(const css::sheet::FormulaToken& t, const OpCodes& ops,
                             const css::table::CellAddress& at) {
  if (t.OpCode == ops.push) return name_read_as_cell(t, ops, at);
  OUString name;
  if (t.OpCode != ops.unresolved && t.OpCode != ops.macro && t.OpCode != ops.external) return {};
  if (!(t.Data >>= name)) return {};
  return std::u16string(view(name));
}

// The function a token calls as Calc computes it (a UNO method), or null.
const Function* uno_called(const css::sheet::FormulaToken& t, const OpCodes& ops) {
  OUString name;
  if (t.OpCode != ops.external || !(t.Data >>= name)) return nullptr;
  const rtl::OString method = OUStringToOString(name, RTL_TEXTENCODING_UTF8);
  return uno_call(std::string_view(method.getStr(), static_cast<std::size_t>(method.getLength())));
}

// Renames the calls of one formula, in the cell at `at`; the number of calls
// renamed (or counted). Only a name followed by "(" is a call: an unresolved
// name, or a cell reference followed by "(", is an error in any formula, so
// no formula that computes is changed.
//
// For Excel a call becomes an add-in call under the function's own name: the
// .xlsx writer writes that name as it is, and the .xls writer stores it in
// the add-in part of the file, as Excel does (an unresolved name would be
// stored in an .xls as #N/A), so a copy written in another format than
// assumed loses nothing.
std::size_t rename_formula(Sequence<css::sheet::FormulaToken>& tokens, Rename how,
                           const OpCodes& ops, const css::table::CellAddress& at, bool xll,
                           FormTally& tally) {
  std::size_t renamed = 0;
  const sal_Int32 n = tokens.getLength();
  for (sal_Int32 i = 0; i + 1 < n; ++i) {
    if (tokens[i + 1].OpCode != ops.open) continue;  // a name, not a call
    const css::sheet::FormulaToken& t = tokens[i];
    if (how == Rename::ToCalc) {
      const ExcelCall call = excel_call(excel_written(t, ops, at));
      if (!call.member) continue;
      css::sheet::FormulaToken& out = tokens.getArray()[i];
      out.OpCode = ops.external;
      out.Data <<= ascii(uno_function(*call.member));
      tally.add(call.xll);
    } else {
      const Function* m = uno_called(t, ops);
      if (!m) continue;
      if (how == Rename::ToExcel) tokens.getArray()[i].Data <<= utf16(excel_name(*m, xll));
    }
    ++renamed;
  }
  return renamed;
}

struct Renamed {
  std::size_t calls = 0;
  FormTally tally;  // the forms of the names made calls
};

// Keeps the renaming out of the document's undo list while it lasts (it is
// no edit: undoing it after opening an .xlsx would bring #NAME? back), and
// holds the document's layout work (row heights, painting) until it is done.
class UndoLock {
 public:
  explicit UndoLock(const Reference<css::frame::XModel>& model) {
    const Reference<css::document::XUndoManagerSupplier> supplier(model, UNO_QUERY);
    if (supplier.is()) undo_ = supplier->getUndoManager();
    if (undo_.is()) undo_->lock();
    actions_.set(model, UNO_QUERY);
    if (actions_.is()) actions_->addActionLock();
  }
  ~UndoLock() {
    try {
      if (actions_.is()) actions_->removeActionLock();
      if (undo_.is()) undo_->unlock();
    } catch (const css::uno::Exception&) {
    }
  }
  // Before each edit: while a document is being stored, an edit of a cell
  // switches its undo list on again behind the lock's back, so the lock is
  // taken anew (the lock switches the list off only when it is first taken).
  void renew() {
    try {
      if (!undo_.is() || undo_->isLocked()) return;
      undo_->unlock();
      undo_->lock();
    } catch (const css::uno::Exception&) {
    }
  }
  UndoLock(const UndoLock&) = delete;
  UndoLock& operator=(const UndoLock&) = delete;

 private:
  Reference<css::document::XUndoManager> undo_;
  Reference<css::document::XActionLockable> actions_;
};

// Renames the calls of every formula cell of the workbook. The formula
// texts of each block of formula cells are read in one call and screened;
// only the tokens of a cell that may hold a call are read. A cell that will
// not take its new formula (one cell of an array formula) is left as it is.
Renamed rename_workbook(const Reference<css::frame::XModel>& model, Rename how, bool xll) {
  UndoLock no_undo(model);
  const OpCodes ops = op_codes(model);
  const FormulaScreen screen;
  auto may_call = [&](const OUString& text) {
    return how == Rename::ToCalc ? screen.may_call_by_excel_name(view(text))
                                 : screen.may_call_by_uno_name(view(text));
  };
  const Reference<css::sheet::XSpreadsheetDocument> doc(model, UNO_QUERY_THROW);
  const Reference<css::container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
  Renamed out;
  for (sal_Int32 s = 0; s < sheets->getCount(); ++s) {
    const Reference<css::table::XCellRange> sheet(sheets->getByIndex(s), UNO_QUERY_THROW);
    const Reference<css::sheet::XCellRangesQuery> query(sheet, UNO_QUERY_THROW);
    const Reference<css::sheet::XSheetCellRanges> formulas =
        query->queryContentCells(css::sheet::CellFlags::FORMULA);
    for (const css::table::CellRangeAddress& a : formulas->getRangeAddresses()) {
      const Reference<css::table::XCellRange> block =
          sheet->getCellRangeByPosition(a.StartColumn, a.StartRow, a.EndColumn, a.EndRow);
      const auto texts =
          Reference<css::sheet::XCellRangeFormula>(block, UNO_QUERY_THROW)->getFormulaArray();
      for (sal_Int32 r = 0; r < texts.getLength(); ++r) {
        for (sal_Int32 c = 0; c < texts[r].getLength(); ++c) {
          if (!may_call(texts[r][c])) continue;
          const Reference<css::sheet::XFormulaTokens> cell(block->getCellByPosition(c, r),
                                                           UNO_QUERY_THROW);
          Sequence<css::sheet::FormulaToken> tokens = cell->getTokens();
          const css::table::CellAddress at(static_cast<sal_Int16>(a.Sheet), a.StartColumn + c,
                                           a.StartRow + r);
          const std::size_t n = rename_formula(tokens, how, ops, at, xll, out.tally);
          if (n == 0) continue;
          if (how != Rename::Count) {
            try {
              no_undo.renew();
              cell->setTokens(tokens);
            } catch (const css::uno::RuntimeException&) {
              continue;
            }
          }
          out.calls += n;
        }
      }
    }
  }
  return out;
}

OUString filter_of(const Reference<css::frame::XModel>& model) {
  OUString filter;
  for (const css::beans::PropertyValue& p : model->getArgs())
    if (p.Name == "FilterName") p.Value >>= filter;
  return filter;
}

bool writes_ooxml(const Reference<css::frame::XModel>& model) {
  return is_ooxml_filter(view(filter_of(model)));
}

// Runs `change` without it marking the document modified when it was not.
template <class F>
auto keeping_modified(const Reference<css::frame::XModel>& model, F&& change) {
  const Reference<css::util::XModifiable> modifiable(model, UNO_QUERY_THROW);
  const bool was = modifiable->isModified();
  auto result = change();
  if (modifiable->isModified() != was) modifiable->setModified(was);
  return result;
}

// What the job keeps of an open workbook between its events.
struct Workbook {
  css::uno::WeakReference<css::frame::XModel> model;
  bool xll = false;            // its calls came from the XLL
  bool in_excel_form = false;  // renamed for Excel, being written
  bool calc_automatic = true;  // automatic calculation was on before
};

class WorkbookNames final : public cppu::WeakImplHelper2<css::task::XJob, css::lang::XServiceInfo> {
 public:
  css::uno::Any SAL_CALL execute(const Sequence<css::beans::NamedValue>& arguments) override {
    try {
      OUString event;
      Reference<css::frame::XModel> model;
      read_environment(arguments, event, model);
      if (model.is() && Reference<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY).is())
        on_event(event, model);
    } catch (const css::uno::Exception&) {
      // The document opens or saves as without the extension.
    } catch (const std::exception&) {
    }
    return {};
  }

  OUString SAL_CALL getImplementationName() override { return workbook_names_implementation(); }
  sal_Bool SAL_CALL supportsService(const OUString& name) override {
    return cppu::supportsService(this, name);
  }
  Sequence<OUString> SAL_CALL getSupportedServiceNames() override {
    return workbook_names_services();
  }

 private:
  static void read_environment(const Sequence<css::beans::NamedValue>& arguments, OUString& event,
                               Reference<css::frame::XModel>& model) {
    for (const css::beans::NamedValue& a : arguments) {
      Sequence<css::beans::NamedValue> environment;
      if (a.Name != "Environment" || !(a.Value >>= environment)) continue;
      for (const css::beans::NamedValue& e : environment) {
        if (e.Name == "EventName") e.Value >>= event;
        if (e.Name == "Model") e.Value >>= model;
      }
    }
  }

  void on_event(const OUString& event, const Reference<css::frame::XModel>& model) {
    if (event == "OnLoadFinished") {
      opened(model);
    } else if (event == "OnSave" || event == "OnSaveAs" || event == "OnCopyTo") {
      if (writes_ooxml(model)) saving(model);
    } else if (event == "OnSaveAsDone") {
      saved_as(model);
    } else if (event == "OnSaveDone" || event == "OnSaveFailed" || event == "OnSaveAsFailed" ||
               event == "OnCopyToDone" || event == "OnCopyToFailed") {
      saved(model);
    }
  }

  // 1. Opened: the functions' own names become calls, and the workbook is
  // computed with the draw first.
  // Automatic calculation is off while the calls are renamed: each renamed
  // cell would be computed at once, before the draw is, and then again.
  void opened(const Reference<css::frame::XModel>& model) {
    const Reference<css::sheet::XCalculatable> calc(model, UNO_QUERY_THROW);
    keeping_modified(model, [&] {
      const bool automatic = calc->isAutomaticCalculationEnabled();
      calc->enableAutomaticCalculation(false);
      Renamed r;
      try {
        r = rename_workbook(model, Rename::ToCalc, false);
      } catch (...) {
        calc->enableAutomaticCalculation(automatic);
        throw;
      }
      calc->enableAutomaticCalculation(automatic);
      if (r.calls == 0) return false;
      Workbook book = find(model);
      book.xll = r.tally.xll();
      keep(book);
      calc->calculateAll();
      return true;
    });
  }

  // 2. About to be written for Excel. Switching automatic calculation marks
  // a document modified as much as renaming does: neither is an edit.
  void saving(const Reference<css::frame::XModel>& model) {
    Workbook book = find(model);
    if (book.in_excel_form) return;
    const Reference<css::sheet::XCalculatable> calc(model, UNO_QUERY_THROW);
    book.in_excel_form = keeping_modified(model, [&] {
      book.calc_automatic = calc->isAutomaticCalculationEnabled();
      calc->enableAutomaticCalculation(false);
      const std::size_t n = rename_workbook(model, Rename::ToExcel, book.xll).calls;
      if (n == 0) calc->enableAutomaticCalculation(book.calc_automatic);
      return n > 0;
    });
    if (book.in_excel_form) keep(book);
  }

  // 3. Written: calls again. Whether the workbook had been renamed for Excel.
  bool saved(const Reference<css::frame::XModel>& model) {
    Workbook book = find(model);
    if (!book.in_excel_form) return false;
    book.in_excel_form = false;
    keep(book);
    keeping_modified(model, [&] {
      rename_workbook(model, Rename::ToCalc, false);
      const Reference<css::sheet::XCalculatable> calc(model, UNO_QUERY_THROW);
      calc->enableAutomaticCalculation(book.calc_automatic);
      calc->calculate();
      return true;
    });
    return true;
  }

  // 3. After a Save As, the file's format is known: stored once more when
  // step 2 assumed another.
  void saved_as(const Reference<css::frame::XModel>& model) {
    const bool renamed = saved(model);
    const bool ooxml = writes_ooxml(model);
    if (renamed == ooxml) return;
    if (!renamed && rename_workbook(model, Rename::Count, false).calls == 0) return;
    Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)->store();
  }

  // The workbook's entry (a new one when it has none); entries of closed
  // workbooks are dropped on the way.
  Workbook find(const Reference<css::frame::XModel>& model) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(books_,
                  [](const Workbook& b) { return !Reference<css::frame::XModel>(b.model).is(); });
    for (const Workbook& b : books_)
      if (Reference<css::frame::XModel>(b.model) == model) return b;
    Workbook book;
    book.model = model;
    return book;
  }

  void keep(const Workbook& book) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const Reference<css::frame::XModel> model(book.model);
    for (Workbook& b : books_) {
      if (Reference<css::frame::XModel>(b.model) == model) {
        b = book;
        return;
      }
    }
    books_.push_back(book);
  }

  // Document events arrive on the office's threads one at a time, but a
  // remote client may store a document while another loads.
  std::mutex mutex_;
  std::vector<Workbook> books_;
};

}  // namespace

Reference<css::uno::XInterface> SAL_CALL
create_workbook_names(const Reference<css::uno::XComponentContext>&) {
  return static_cast<cppu::OWeakObject*>(new WorkbookNames);
}
OUString SAL_CALL workbook_names_implementation() { return ascii(kNamesImplementation); }
Sequence<OUString> SAL_CALL workbook_names_services() {
  Sequence<OUString> names(1);
  names[0] = ascii(kNamesService);
  return names;
}

}  // namespace korvane::calc
