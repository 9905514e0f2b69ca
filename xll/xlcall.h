// Excel's C API (Excel 2007 and later), as far as korvane.xll uses it.
//
// Excel talks to an XLL through XLOPER12 values: a tagged union of a number,
// a length-counted UTF-16 text, a boolean, an error code, a reference, an
// array of further XLOPER12s, "missing" (an argument left out) and "nil" (a
// blank cell). The XLL calls back into Excel through one function the host
// process exports, MdCallBack12, passing a function number, its arguments and
// a place for the result; xlfRegister (number 149) makes a worksheet function
// known, xlCoerce turns a reference into the values it holds, xlFree hands
// back what Excel allocated in a result. These declarations follow
// Microsoft's published description of the C API; the names are Excel's own,
// so that the documentation can be read beside this code.
#pragma once

#include <windows.h>

#include <cstdint>

namespace korvane::xll {

using RW = std::int32_t;   // a row number, 0-based
using COL = std::int32_t;  // a column number, 0-based
using IDSHEET = DWORD_PTR;
using XCHAR = wchar_t;  // texts are UTF-16; XCHAR[0] holds the length

struct XLREF12 {
  RW rwFirst;
  RW rwLast;
  COL colFirst;
  COL colLast;
};

struct XLMREF12 {
  WORD count;
  XLREF12 reftbl[1];  // count rectangles
};

struct XLOPER12 {
  union {
    double num;
    XCHAR* str;  // str[0] is the length (at most 32767), no terminator
    BOOL xbool;
    int err;
    int w;
    struct {
      WORD count;  // always 1
      XLREF12 ref;
    } sref;
    struct {
      XLMREF12* lpmref;
      IDSHEET idSheet;
    } mref;
    struct {
      XLOPER12* lparray;  // rows * columns values, row by row
      RW rows;
      COL columns;
    } array;
    struct {
      union {
        int level;
        int tbctrl;
        IDSHEET idSheet;
      } valflow;
      RW rw;
      COL col;
      BYTE xlflow;
    } flow;
    struct {
      union {
        BYTE* lpbData;
        HANDLE hdata;
      } h;
      long cbData;
    } bigdata;
  } val;
  DWORD xltype;
};
using LPXLOPER12 = XLOPER12*;

// ---- xltype ---------------------------------------------------------------------
inline constexpr DWORD xltypeNum = 0x0001;
inline constexpr DWORD xltypeStr = 0x0002;
inline constexpr DWORD xltypeBool = 0x0004;
inline constexpr DWORD xltypeRef = 0x0008;
inline constexpr DWORD xltypeErr = 0x0010;
inline constexpr DWORD xltypeFlow = 0x0020;
inline constexpr DWORD xltypeMulti = 0x0040;
inline constexpr DWORD xltypeMissing = 0x0080;
inline constexpr DWORD xltypeNil = 0x0100;
inline constexpr DWORD xltypeSRef = 0x0400;
inline constexpr DWORD xltypeInt = 0x0800;
inline constexpr DWORD xltypeBigData = xltypeStr | xltypeInt;
// Who frees what a value points to: Excel (after xlFree) or the XLL (in
// xlAutoFree12, which Excel calls once it has copied the result).
inline constexpr DWORD xlbitXLFree = 0x1000;
inline constexpr DWORD xlbitDLLFree = 0x4000;
inline constexpr DWORD xltypeMask = 0x0FFF;

// ---- error values (xltypeErr) -------------------------------------------------------
// Excel's own error numbers; an automation VARIANT carries them as 2000 + code.
inline constexpr int xlerrNull = 0;
inline constexpr int xlerrDiv0 = 7;
inline constexpr int xlerrValue = 15;
inline constexpr int xlerrRef = 23;
inline constexpr int xlerrName = 29;
inline constexpr int xlerrNum = 36;
inline constexpr int xlerrNA = 42;

// ---- what a callback returns -------------------------------------------------------------
inline constexpr int xlretSuccess = 0;
inline constexpr int xlretAbort = 1;
inline constexpr int xlretInvXlfn = 2;
inline constexpr int xlretInvCount = 4;
inline constexpr int xlretInvXloper = 8;
inline constexpr int xlretStackOvfl = 16;
inline constexpr int xlretFailed = 32;
inline constexpr int xlretUncalced = 64;

// ---- function numbers ---------------------------------------------------------------------
inline constexpr int xlSpecial = 0x4000;
inline constexpr int xlFree = 0 | xlSpecial;
inline constexpr int xlCoerce = 2 | xlSpecial;
inline constexpr int xlGetName = 9 | xlSpecial;
inline constexpr int xlfSetName = 88;
inline constexpr int xlfRegister = 149;

// Limits of a registration, from the description of xlfRegister: Excel 2007
// takes at most 255 arguments in one call (pxModuleText ... the last
// argument help), every text at most 255 characters, and a worksheet
// function at most 255 parameters.
inline constexpr int kMaxCallbackArgs = 255;
inline constexpr int kMaxRegisterText = 255;
inline constexpr int kRegisterFixedArgs = 10;  // module ... function help
inline constexpr int kMaxString = 32767;       // characters in one text value

// The host's callback, exported by the Excel process as MdCallBack12.
using MdCallBack12Proc = int(__stdcall*)(int xlfn, int count, LPXLOPER12* opers, LPXLOPER12 res);

}  // namespace korvane::xll
