#include "xll/excel.h"

#include <vector>

namespace korvane::xll {
namespace {

MdCallBack12Proc callback() noexcept {
  // Looked up once: the host does not change while the XLL is loaded.
  static const MdCallBack12Proc proc = reinterpret_cast<MdCallBack12Proc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), "MdCallBack12")));
  return proc;
}

}  // namespace

int excel12v(int xlfn, LPXLOPER12 result, int count, LPXLOPER12* opers) noexcept {
  const MdCallBack12Proc proc = callback();
  if (!proc) return xlretFailed;
  return proc(xlfn, count, opers, result);
}

int excel12(int xlfn, LPXLOPER12 result, std::initializer_list<LPXLOPER12> args) noexcept {
  LPXLOPER12 opers[kMaxCallbackArgs];
  int n = 0;
  for (LPXLOPER12 a : args) {
    if (n == kMaxCallbackArgs) return xlretInvCount;
    opers[n++] = a;
  }
  return excel12v(xlfn, result, n, opers);
}

ExcelResult::~ExcelResult() {
  if (oper.xltype & xlbitXLFree) excel12(xlFree, nullptr, {&oper});
}

}  // namespace korvane::xll
