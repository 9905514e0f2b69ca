// The COM object 自定义函数: one add-in object behind the dual interface
// _自定义函数, as Excel creates it through the class factory.
#pragma once

#include <windows.h>

namespace korvane::com {

// Creates an object and hands out its interface riid (IUnknown, IDispatch,
// _自定义函数 or ISupportErrorInfo).
HRESULT create_addin_object(REFIID riid, void** out);

// Objects alive in this module, for DllCanUnloadNow.
long live_addin_objects() noexcept;

// This DLL (or program) module.
HMODULE this_module() noexcept;

}  // namespace korvane::com
