// The registration identity of the add-in: what Excel, the registry and the
// type library know it by. Changing any of these makes a new, different
// add-in as far as every installed workbook is concerned.
#pragma once

#include <windows.h>

namespace korvane::com {

// Type library Korvane 1.0.
inline constexpr GUID kLibId = {
    0xF0FFC8F9, 0x9BE6, 0x4E88, {0x9A, 0x24, 0x34, 0x6E, 0x7C, 0x8E, 0x4A, 0x76}};
inline constexpr WORD kLibMajor = 1;
inline constexpr WORD kLibMinor = 0;
inline constexpr wchar_t kLibName[] = L"Korvane";

// The one creatable class, 自定义函数, an in-process, apartment-threaded server.
inline constexpr GUID kClsid = {
    0xAC5F9188, 0x547D, 0x490E, {0xBF, 0x04, 0xE0, 0x3F, 0x21, 0x51, 0xDD, 0xE5}};
inline constexpr wchar_t kClassName[] = L"自定义函数";
inline constexpr wchar_t kProgId[] = L"Korvane.自定义函数";

// Its dual interface _自定义函数.
inline constexpr GUID kIid = {
    0x5EA12D4C, 0x7655, 0x40DD, {0x82, 0x3D, 0x2F, 0x8C, 0x3A, 0x7C, 0x74, 0x37}};
inline constexpr wchar_t kInterfaceName[] = L"_自定义函数";

// The HRESULT a failing worksheet function reports (Visual Basic's "invalid
// procedure call or argument"); Excel shows any failure as #VALUE!.
inline constexpr HRESULT kCallFailed = static_cast<HRESULT>(0x800A0005L);

}  // namespace korvane::com
