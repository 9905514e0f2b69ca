// korvane_typelib_gen: writes the type library Korvane 1.0 at build time.
//
//   korvane_typelib_gen OUT.tlb win64|win32
//
// The library describes the dual interface _自定义函数 from the member table
// (through the interface layout, the same one the DLL's vtable and Invoke use)
// and the creatable class 自定义函数. It runs under Wine: the names are stored
// in the ANSI code page, so the build runs it under a Chinese locale and they
// come out as GBK, as a Chinese Windows writes them.
//
// Parameters are all passed by reference, as the workbooks' Visual Basic
// declared them. Range parameters are typed IDispatch*: the add-in reads a
// Range only through its default value, and a library that described Excel's
// own Range interface would take over Excel's registration of it.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "com/identity.h"
#include "com/layout.h"

namespace {

using namespace korvane;
using namespace korvane::com;

// {00020430-0000-0000-C000-000000000046}: the OLE Automation library (stdole2).
constexpr GUID kStdOle = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct Failure {
  const char* what;
  HRESULT hr;
};

void check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw Failure{what, hr};
}

template <class T>
struct Ptr {
  T* p = nullptr;
  ~Ptr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
  T** operator&() { return &p; }
};

// A parameter of one vtable method: its type and direction.
struct ParamSpec {
  TYPEDESC pointee;
  TYPEDESC pointer;
  ELEMDESC elem;
};

void by_reference(ParamSpec& s, VARTYPE vt, USHORT flags) {
  s.pointee = {};
  s.pointee.vt = vt;
  s.pointer = {};
  s.pointer.vt = VT_PTR;
  s.pointer.lptdesc = &s.pointee;
  s.elem = {};
  s.elem.tdesc = s.pointer;
  s.elem.paramdesc.wParamFlags = flags;
}

void add_method(ICreateTypeInfo2* ti, UINT index, const Method& m) {
  const VARTYPE value_vt = m.property && holds_text(*m.property) ? VT_BSTR : VT_VARIANT;
  constexpr USHORT kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
  constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

  std::vector<ParamSpec> specs(m.arity);
  std::vector<std::wstring> names{std::wstring(wide(m.name), m.name.size())};
  INVOKEKIND kind = INVOKE_FUNC;
  switch (m.accessor) {
    case Accessor::Get:
      kind = INVOKE_PROPERTYGET;
      by_reference(specs[0], value_vt, kRetval);
      break;
    case Accessor::Let:
      kind = INVOKE_PROPERTYPUT;
      by_reference(specs[0], value_vt, kInOut);
      break;
    case Accessor::Set:
      kind = INVOKE_PROPERTYPUTREF;
      by_reference(specs[0], VT_VARIANT, kInOut);
      break;
    case Accessor::Call:
      for (std::size_t i = 0; i < m.function->params.size(); ++i) {
        const Param& p = m.function->params[i];
        by_reference(specs[i], takes_reference(p) ? VT_DISPATCH : VT_VARIANT, kInOut);
        names.emplace_back(wide(p.name), p.name.size());
      }
      by_reference(specs.back(), VT_VARIANT, kRetval);
      break;
  }

  std::vector<ELEMDESC> elems;
  for (ParamSpec& s : specs) {
    s.elem.tdesc.lptdesc = &s.pointee;  // the vector no longer moves
    elems.push_back(s.elem);
  }
  FUNCDESC fd = {};
  fd.memid = m.dispid;
  fd.funckind = FUNC_PUREVIRTUAL;
  fd.invkind = kind;
  fd.callconv = CC_STDCALL;
  fd.cParams = static_cast<SHORT>(elems.size());
  fd.lprgelemdescParam = elems.data();
  fd.elemdescFunc.tdesc.vt = VT_HRESULT;
  check(ti->AddFuncDesc(index, &fd), "AddFuncDesc");

  std::vector<LPOLESTR> name_ptrs;
  for (std::wstring& n : names) name_ptrs.push_back(n.data());
  check(ti->SetFuncAndParamNames(index, name_ptrs.data(), static_cast<UINT>(name_ptrs.size())),
        "SetFuncAndParamNames");
  if (m.accessor == Accessor::Get || m.accessor == Accessor::Call) {
    std::wstring doc;
    const std::string_view zh = m.doc;
    doc.resize(zh.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, zh.data(), static_cast<int>(zh.size()),
                                      doc.data(), static_cast<int>(doc.size()));
    doc.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    check(ti->SetFuncDocString(index, doc.data()), "SetFuncDocString");
  }
}

void generate(const wchar_t* path, SYSKIND syskind) {
  Ptr<ICreateTypeLib2> lib;
  check(CreateTypeLib2(syskind, path, &lib), "CreateTypeLib2");
  check(lib->SetName(const_cast<LPOLESTR>(kLibName)), "SetName");
  check(lib->SetGuid(kLibId), "SetGuid");
  check(lib->SetVersion(kLibMajor, kLibMinor), "SetVersion");
  check(lib->SetLcid(LOCALE_NEUTRAL), "SetLcid");
  check(lib->SetDocString(const_cast<LPOLESTR>(L"Korvane worksheet functions")), "SetDocString");

  Ptr<ITypeLib> stdole;
  check(LoadRegTypeLib(kStdOle, 2, 0, LOCALE_NEUTRAL, &stdole), "LoadRegTypeLib(stdole2)");
  Ptr<ITypeInfo> dispatch;
  check(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), "GetTypeInfoOfGuid(IDispatch)");

  Ptr<ICreateTypeInfo> iface_create;
  check(lib->CreateTypeInfo(const_cast<LPOLESTR>(kInterfaceName), TKIND_INTERFACE, &iface_create),
        "CreateTypeInfo(interface)");
  Ptr<ICreateTypeInfo2> iface;
  check(iface_create->QueryInterface(IID_ICreateTypeInfo2, reinterpret_cast<void**>(&iface)),
        "ICreateTypeInfo2");
  check(iface->SetGuid(kIid), "SetGuid(interface)");
  check(iface->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                            TYPEFLAG_FOLEAUTOMATION),
        "SetTypeFlags(interface)");
  HREFTYPE base = 0;
  check(iface->AddRefTypeInfo(dispatch.p, &base), "AddRefTypeInfo(IDispatch)");
  check(iface->AddImplType(0, base), "AddImplType(IDispatch)");
  const auto methods = interface_methods();
  for (std::size_t i = 0; i < methods.size(); ++i) {
    add_method(iface.p, static_cast<UINT>(i), methods[i]);
  }
  check(iface->LayOut(), "LayOut(interface)");

  Ptr<ICreateTypeInfo> coclass;
  check(lib->CreateTypeInfo(const_cast<LPOLESTR>(kClassName), TKIND_COCLASS, &coclass),
        "CreateTypeInfo(coclass)");
  check(coclass->SetGuid(kClsid), "SetGuid(coclass)");
  check(coclass->SetTypeFlags(TYPEFLAG_FCANCREATE), "SetTypeFlags(coclass)");
  Ptr<ITypeInfo> iface_info;
  check(iface->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&iface_info)),
        "ITypeInfo(interface)");
  HREFTYPE href = 0;
  check(coclass->AddRefTypeInfo(iface_info.p, &href), "AddRefTypeInfo(interface)");
  check(coclass->AddImplType(0, href), "AddImplType(interface)");
  check(coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT), "SetImplTypeFlags");
  check(coclass->LayOut(), "LayOut(coclass)");

  check(lib->SaveAllChanges(), "SaveAllChanges");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (wcscmp(argv[2], L"win64") != 0 && wcscmp(argv[2], L"win32") != 0)) {
    std::fputs("usage: korvane_typelib_gen OUT.tlb win64|win32\n", stderr);
    return 2;
  }
  const SYSKIND syskind = wcscmp(argv[2], L"win64") == 0 ? SYS_WIN64 : SYS_WIN32;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int rc = 0;
  try {
    generate(argv[1], syskind);
  } catch (const Failure& f) {
    std::fprintf(stderr, "korvane_typelib_gen: %s failed (0x%08lX)\n", f.what,
                 static_cast<unsigned long>(f.hr));
    rc = 1;
  }
  CoUninitialize();
  return rc;
}
