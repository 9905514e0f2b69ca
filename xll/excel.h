// The road back into Excel: the host process exports MdCallBack12, which the
// XLL finds by name in the process's own module (the executable), as
// Microsoft describes for the Excel12 and Excel12v entry points.
#pragma once

#include <initializer_list>

#include "xll/xlcall.h"

namespace korvane::xll {

// Calls Excel function xlfn with the given arguments. Returns Excel's code
// (xlretSuccess, ...), or xlretFailed when the host exports no callback.
int excel12v(int xlfn, LPXLOPER12 result, int count, LPXLOPER12* opers) noexcept;
int excel12(int xlfn, LPXLOPER12 result, std::initializer_list<LPXLOPER12> args) noexcept;

// A result of a callback that frees itself through xlFree.
class ExcelResult {
 public:
  ExcelResult() { oper.xltype = xltypeNil; }
  ~ExcelResult();
  ExcelResult(const ExcelResult&) = delete;
  ExcelResult& operator=(const ExcelResult&) = delete;
  XLOPER12 oper;
};

}  // namespace korvane::xll
