// The names a worksheet function goes by in Excel's files, and how Calc's
// formulas are told apart from them.
//
// Excel writes a call of an add-in's function under the function's own name:
// an automation add-in's function bare (平特几肖(…)), an XLL's function with
// the prefix "_xll." (_xll.平特几肖(…)). Calc does not know either form: it
// keeps the name as an unresolved one (#NAME?), while its own formulas call
// the extension's UNO method (korvane.calc.CustomFunctions.u5E73u7279u51E0u8096).
// The document job (workbook_names.cpp) turns the one into the other when a
// workbook is opened and back when it is saved for Excel; these are the rules
// it follows, free of UNO so that they can be tested on their own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "calc/uno_names.h"
#include "core/custom_functions.h"

namespace korvane::calc {

// The prefix Excel writes before the name of an XLL's function.
inline constexpr std::u16string_view kXllPrefix = u"_xll.";

// How Excel wrote a call: the add-in's function and whether it came from the
// XLL ("_xll." before the name) or from the automation add-in (bare).
struct ExcelCall {
  const Function* member = nullptr;
  bool xll = false;
};

namespace detail {
inline char16_t fold_ascii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
inline bool starts_with_folded(std::u16string_view s, std::u16string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (fold_ascii(s[i]) != fold_ascii(prefix[i])) return false;
  return true;
}
}  // namespace detail

// The worksheet function a name in a formula written by Excel calls, in any
// letter case and with or without "_xll."; no member for any other name (a
// property of the add-in object is no function either).
inline ExcelCall excel_call(std::u16string_view written) {
  ExcelCall call;
  if (detail::starts_with_folded(written, kXllPrefix)) {
    written.remove_prefix(kXllPrefix.size());
    call.xll = true;
  }
  if (!written.empty()) call.member = find_function(written);
  return call;
}

// The A1 name of a cell (column and row counted from 0): SL1 for the
// column SL, row 1. Excel writes a call of SL1…SL4 bare, but an .xlsx reader
// that knows 16384 columns reads such a name as the cell it also names, so
// the name comes back from the reference (empty outside the sheet).
inline std::u16string cell_name(long column, long row) {
  constexpr long kColumns = 16384, kRows = 1048576;
  if (column < 0 || column >= kColumns || row < 0 || row >= kRows) return {};
  std::u16string letters;
  for (long c = column + 1; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char16_t>(u'A' + (c - 1) % 26));
  for (char ch : std::to_string(row + 1)) letters += static_cast<char16_t>(ch);
  return letters;
}

// The name Excel's add-in knows a function by, as a formula in its files
// holds it.
inline std::u16string excel_name(const Function& m, bool xll) {
  std::u16string name = xll ? std::u16string(kXllPrefix) : std::u16string();
  name += m.name;
  return name;
}

// The name of a function's UNO method as a Calc formula calls it: the
// service and the method (korvane.calc.CustomFunctions.TEMA).
inline std::string uno_function(const Function& m) {
  return std::string(kService) + "." + programmatic_name(m.name);
}

// The function member a UNO method name of a Calc formula calls (Calc may hand
// the name back in another letter case), or null.
inline const Function* uno_call(std::string_view written) {
  const std::string_view service = kService;
  if (written.size() <= service.size() + 1 || written[service.size()] != '.') return nullptr;
  auto same = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (detail::fold_ascii(static_cast<unsigned char>(a[i])) !=
          detail::fold_ascii(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  };
  if (!same(written.substr(0, service.size()), service)) return nullptr;
  const std::string_view method = written.substr(service.size() + 1);
  for (const Function& m : functions())
    if (same(programmatic_name(m.name), method)) return &m;
  return nullptr;
}

// Whether a filter writes Office Open XML (.xlsx, .xlsm and their templates),
// whose formulas Excel reads as text: there the calls must carry the names
// Excel's add-ins know. Calc's own formats (ODF) keep the UNO names, and so
// does .xls, whose writer already stores the name the add-in declares for
// Excel.
inline bool is_ooxml_filter(std::u16string_view filter) {
  return filter.starts_with(u"Calc MS Excel 2007") || filter.starts_with(u"Calc Office Open XML");
}

// A quick look at a formula's text (as Calc shows it) for whether it may
// call one of the functions, by a name Excel writes or by its UNO name: it
// spares reading the formula's tokens for every formula that cannot. It may
// say yes for a formula that calls none (a name inside a text), never no for
// one that does: a call is always the name followed by "(".
class FormulaScreen {
 public:
  FormulaScreen() {
    for (const Function& m : functions()) calls_.push_back(folded(m.name) + u"(");
    for (char c : kService)
      uno_ += static_cast<char16_t>(detail::fold_ascii(static_cast<char16_t>(c)));
    uno_ += u".";
  }

  // A name counts where no other name runs into it: the UNO name of an
  // ASCII function (KORVANE.CALC.CUSTOMFUNCTIONS.TEMA) does not pass, so an
  // .ods of Calc's own formulas is passed over as quickly as any other.
  bool may_call_by_excel_name(std::u16string_view formula) const {
    const std::u16string text = folded(formula);
    for (const std::u16string& call : calls_)
      for (std::size_t at = text.find(call); at != text.npos; at = text.find(call, at + 1))
        if (starts_name(text, at)) return true;
    return false;
  }

  bool may_call_by_uno_name(std::u16string_view formula) const {
    return folded(formula).find(uno_) != std::u16string::npos;
  }

 private:
  // Whether a name may begin at `at`: at the start, after "_xll.", or after
  // a character that is no part of a name (an operator, "(", ";", a quote).
  static bool starts_name(std::u16string_view text, std::size_t at) {
    if (at == 0) return true;
    if (at >= kXllPrefix.size() &&
        text.substr(at - kXllPrefix.size(), kXllPrefix.size()) == kXllPrefix)
      return true;
    const char16_t c = text[at - 1];
    const bool in_name =
        (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'.' || c >= 0x80;
    return !in_name;
  }

  static std::u16string folded(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = detail::fold_ascii(c);
    return out;
  }

  std::vector<std::u16string> calls_;
  std::u16string uno_;
};

// The form a workbook's calls are saved in: the XLL's when more of them were
// written that way when it was opened, the automation add-in's otherwise (a
// workbook made in Calc included), as the installer sets the automation
// add-in up unless asked for the XLL.
class FormTally {
 public:
  void add(bool xll) { (xll ? xll_ : add_in_) += 1; }
  bool xll() const { return xll_ > add_in_; }
  std::size_t calls() const { return xll_ + add_in_; }

 private:
  std::size_t xll_ = 0;
  std::size_t add_in_ = 0;
};

}  // namespace korvane::calc
