// The cost of one late-bound Invoke of a bet function through korvane.dll,
// next to the same call on the core in the same process. Run under 64-bit
// Wine (Google Benchmark is not built for Windows here):
//
//   scripts/wine build/windows-x64/korvane_com_bench.exe
//
// It loads korvane.dll from its own folder and creates the object through the
// DLL's class factory (no registration needed), binds 平特几肖 by name once,
// then times Invoke with the arguments by reference as Visual Basic passes
// them: two texts, a number and, for 易失, an object standing for a one-cell
// Range. Also timed: the early-bound call through the vtable slot the type
// library records, and the core's own call. Each figure is the median of
// several runs of many calls, in nanoseconds a call.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine_timing.h"
#include "com/identity.h"
#include "com/variant_com.h"
#include "core/custom_functions.h"

namespace {

using namespace korvane;
using namespace korvane::com;

constexpr int kRuns = 9;
constexpr int kCalls = 200000;

template <class F>
double ns_per_call(F&& f) {
  return korvane::bench::ns_per_call(f, kRuns, kCalls).median;
}

struct Failure {
  const char* what;
  HRESULT hr;
};
void check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw Failure{what, hr};
}

using BetMethod = HRESULT(STDMETHODCALLTYPE*)(void*, VARIANT*, VARIANT*, VARIANT*, IDispatch**,
                                              VARIANT*);

int run() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dll = self;
  dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"korvane.dll";
  HMODULE module = LoadLibraryW(dll.c_str());
  if (!module) throw Failure{"LoadLibrary(korvane.dll)", HRESULT_FROM_WIN32(GetLastError())};
  auto get_class = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  check(get_class(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        "DllGetClassObject");
  IDispatch* obj = nullptr;
  check(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&obj)),
        "CreateInstance");
  factory->Release();

  // The draw, loaded late-bound.
  auto dispid = [&](const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    check(obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
    return id;
  };
  IDispatch* cell = nullptr;
  check(dispatch_for(make_cell(Variant(2.0)), &cell), "cell object");
  std::array<OwnedVariant, 4> draw;
  to_variant(Variant(2013.0), draw[0].v);
  to_variant(Variant(u"05 12 18 30 41 49"), draw[1].v);
  to_variant(Variant(u"08"), draw[2].v);
  to_variant(Variant(make_cell(Variant(2.0))), draw[3].v);
  std::array<VARIANT, 4> draw_refs;
  for (std::size_t i = 0; i < 4; ++i) {
    VariantInit(&draw_refs[3 - i]);
    draw_refs[3 - i].vt = VT_BYREF | VT_VARIANT;
    draw_refs[3 - i].pvarVal = &draw[i].v;
  }
  DISPPARAMS draw_params = {draw_refs.data(), nullptr, 4, 0};
  OwnedVariant loaded;
  check(obj->Invoke(dispid(L"验证"), IID_NULL, LOCALE_USER_DEFAULT,
                    DISPATCH_METHOD | DISPATCH_PROPERTYGET, &draw_params, &loaded.v, nullptr,
                    nullptr),
        "验证");

  // The bet's arguments, by reference.
  std::array<OwnedVariant, 4> args;
  to_variant(Variant(u"平特二肖"), args[0].v);
  to_variant(Variant(u"牛马鼠蛇"), args[1].v);
  to_variant(Variant(100.0), args[2].v);
  args[3].v.vt = VT_DISPATCH;
  args[3].v.pdispVal = cell;
  cell->AddRef();
  std::array<VARIANT, 4> refs;
  for (std::size_t i = 0; i < 4; ++i) {
    VariantInit(&refs[3 - i]);
    refs[3 - i].vt = VT_BYREF | VT_VARIANT;
    refs[3 - i].pvarVal = &args[i].v;
  }
  DISPPARAMS params = {refs.data(), nullptr, 4, 0};
  const DISPID bet = dispid(L"平特几肖");

  const double late = ns_per_call([&] {
    VARIANT result;
    VariantInit(&result);
    obj->Invoke(bet, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                &result, nullptr, nullptr);
    VariantClear(&result);
  });
  const double late_by_name = ns_per_call([&] {
    VARIANT result;
    VariantInit(&result);
    obj->Invoke(dispid(L"平特几肖"), IID_NULL, LOCALE_USER_DEFAULT,
                DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result, nullptr, nullptr);
    VariantClear(&result);
  });

  // Early bound: the vtable slot the type library gives 平特几肖.
  ITypeInfo* disp_info = nullptr;
  check(obj->GetTypeInfo(0, LOCALE_USER_DEFAULT, &disp_info), "GetTypeInfo");
  HREFTYPE href = 0;
  ITypeInfo* vtable_info = nullptr;
  check(disp_info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), "GetRefTypeOfImplType");
  check(disp_info->GetRefTypeInfo(href, &vtable_info), "GetRefTypeInfo");
  disp_info->Release();
  TYPEATTR* attr = nullptr;
  check(vtable_info->GetTypeAttr(&attr), "GetTypeAttr");
  SHORT offset = -1;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    check(vtable_info->GetFuncDesc(i, &f), "GetFuncDesc");
    if (f->memid == bet) offset = f->oVft;
    vtable_info->ReleaseFuncDesc(f);
  }
  vtable_info->ReleaseTypeAttr(attr);
  vtable_info->Release();
  void* dual = nullptr;
  check(obj->QueryInterface(kIid, &dual), "QueryInterface(_自定义函数)");
  const auto method = reinterpret_cast<BetMethod>(
      (*static_cast<void* const* const*>(dual))[static_cast<std::size_t>(offset) / sizeof(void*)]);
  const double early = ns_per_call([&] {
    VARIANT result;
    VariantInit(&result);
    IDispatch* vol = cell;
    method(dual, &args[0].v, &args[1].v, &args[2].v, &vol, &result);
    VariantClear(&result);
  });
  static_cast<IUnknown*>(dual)->Release();

  // The core alone, in this process.
  Draw core;
  const std::array<Variant, 4> core_draw = {Variant(2013.0), Variant(u"05 12 18 30 41 49"),
                                            Variant(u"08"), Variant(make_cell(Variant(2.0)))};
  call(core, *find_member(u"验证"), core_draw);
  const Member& member = *find_member(u"平特几肖");
  const std::array<Variant, 4> core_args = {Variant(u"平特二肖"), Variant(u"牛马鼠蛇"),
                                            Variant(100.0), Variant(make_cell(Variant(2.0)))};
  volatile bool sink = false;
  const double direct = ns_per_call([&] {
    CallResult r = call(core, member, core_args);
    sink = r.failed;
  });
  (void)sink;

  std::printf("one call of 平特几肖, median of %d runs of %d calls (ns a call)\n", kRuns, kCalls);
  std::printf("%-44s %8.1f\n", "core, direct", direct);
  std::printf("%-44s %8.1f\n", "korvane.dll, IDispatch::Invoke (late bound)", late);
  std::printf("%-44s %8.1f\n", "korvane.dll, GetIDsOfNames + Invoke", late_by_name);
  std::printf("%-44s %8.1f\n", "korvane.dll, vtable (early bound)", early);
  std::printf("%-44s %8.1f\n", "dispatch overhead, late bound", late - direct);
  std::printf("%-44s %8.1f\n", "dispatch overhead, early bound", early - direct);

  cell->Release();
  obj->Release();
  return 0;
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int rc = 1;
  try {
    rc = run();
  } catch (const Failure& f) {
    std::fprintf(stderr, "com_invoke_bench: %s failed (0x%08lX)\n", f.what,
                 static_cast<unsigned long>(f.hr));
  }
  CoUninitialize();
  return rc;
}
