// The cost of calling worksheet functions through korvane.dll, next to the
// same calls on the core in the same process. Run under 64-bit Wine (Google
// Benchmark is not built for Windows here):
//
//   scripts/wine build/windows-x64/korvane_com_bench.exe
//
// It loads korvane.dll from its own folder and creates the object through the
// DLL's class factory (no registration needed), loads a draw through 验证,
// then times three functions, each late bound (Invoke with the arguments by
// reference, as Visual Basic passes them), early bound (through the vtable
// slot the type library records) and on the core: 平特几肖 (two texts, a
// number and the recalculation trigger, an object standing for a one-cell
// Range), 号码转肖 (a text back) and PAI (a Range parameter). Each figure is
// in nanoseconds a call over several runs of many calls: the median run, and
// the fastest, the one least disturbed on a shared machine, where the median
// moves by tens of nanoseconds from one run to the next.
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

constexpr int kRuns = 61;
constexpr int kCalls = 20000;

using korvane::bench::Timing;

template <class F>
Timing ns_per_call(F&& f) {
  return korvane::bench::ns_per_call(f, kRuns, kCalls);
}

struct Failure {
  const char* what;
  HRESULT hr;
};
void check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw Failure{what, hr};
}

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

  // Early bound: the vtable offsets the type library gives the functions.
  ITypeInfo* disp_info = nullptr;
  check(obj->GetTypeInfo(0, LOCALE_USER_DEFAULT, &disp_info), "GetTypeInfo");
  HREFTYPE href = 0;
  ITypeInfo* vtable_info = nullptr;
  check(disp_info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), "GetRefTypeOfImplType");
  check(disp_info->GetRefTypeInfo(href, &vtable_info), "GetRefTypeInfo");
  disp_info->Release();
  auto offset_of = [&](DISPID member) {
    TYPEATTR* attr = nullptr;
    check(vtable_info->GetTypeAttr(&attr), "GetTypeAttr");
    SHORT offset = -1;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
      FUNCDESC* f = nullptr;
      check(vtable_info->GetFuncDesc(i, &f), "GetFuncDesc");
      if (f->memid == member) offset = f->oVft;
      vtable_info->ReleaseFuncDesc(f);
    }
    vtable_info->ReleaseTypeAttr(attr);
    if (offset < 0) throw Failure{"no vtable slot", E_FAIL};
    return static_cast<std::size_t>(offset);
  };
  void* dual = nullptr;
  check(obj->QueryInterface(kIid, &dual), "QueryInterface(_自定义函数)");
  auto slot = [&](std::size_t offset) {
    return (*static_cast<void* const* const*>(dual))[offset / sizeof(void*)];
  };

  // The core alone, in this process, with the same draw.
  Draw core;
  const std::array<Variant, 4> core_draw = {Variant(2013.0), Variant(u"05 12 18 30 41 49"),
                                            Variant(u"08"), Variant(make_cell(Variant(2.0)))};
  call(core, *find_function(u"验证"), core_draw);

  // The functions timed, with their arguments as a worksheet passes them: a
  // text, a number, or a one-cell Range (the recalculation trigger, PAI's
  // amount).
  struct Case {
    const char* label;
    const char16_t* name;
    std::vector<Variant> args;  // a Range argument is passed as an object
  };
  const Case cases[] = {
      {"平特几肖",
       u"平特几肖",
       {Variant(u"平特二肖"), Variant(u"牛马鼠蛇"), Variant(100.0),
        Variant(make_cell(Variant(2.0)))}},
      {"号码转肖",
       u"号码转肖",
       {Variant(2013.0), Variant(u"07"), Variant(make_cell(Variant(2.0)))}},
      {"PAI", u"PAI", {Variant(make_cell(Variant(12345678.0)))}},
  };

  std::printf("one call, %d runs of %d calls, ns a call: median run / fastest run\n", kRuns,
              kCalls);
  std::printf("%15s %15s %15s %15s %15s  %s\n", "core", "late bound", "early bound",
              "overhead late", "overhead early", "function");
  for (const Case& c : cases) {
    const Function& member = *find_function(c.name);
    const std::size_t n = c.args.size();
    const std::wstring name(reinterpret_cast<const wchar_t*>(c.name));
    const DISPID id = dispid(name.c_str());

    // Late bound: every argument a VARIANT by reference, as Visual Basic passes them.
    std::vector<OwnedVariant> values(n);
    std::vector<IDispatch*> objects(n, nullptr);
    for (std::size_t i = 0; i < n; ++i) {
      if (const RangeRef* r = c.args[i].if_range()) {
        check(dispatch_for(*r, &objects[i]), "cell object");
        values[i].v.vt = VT_DISPATCH;
        values[i].v.pdispVal = objects[i];
        objects[i]->AddRef();
      } else {
        check(to_variant(c.args[i], values[i].v), "argument");
      }
    }
    std::vector<VARIANT> refs(n);
    for (std::size_t i = 0; i < n; ++i) {
      VariantInit(&refs[n - 1 - i]);
      refs[n - 1 - i].vt = VT_BYREF | VT_VARIANT;
      refs[n - 1 - i].pvarVal = &values[i].v;
    }
    DISPPARAMS params = {refs.data(), nullptr, static_cast<UINT>(n), 0};
    const Timing late = ns_per_call([&] {
      VARIANT result;
      VariantInit(&result);
      obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                  &params, &result, nullptr, nullptr);
      VariantClear(&result);
    });

    // Early bound: a Range parameter and the trigger take the object, the others a VARIANT.
    std::array<void*, kMaxParams + 1> pointers{};
    for (std::size_t i = 0; i < n; ++i) {
      pointers[i] = takes_reference(member.params[i]) ? static_cast<void*>(&objects[i])
                                                      : static_cast<void*>(&values[i].v);
    }
    VARIANT early_result;
    VariantInit(&early_result);
    pointers[n] = &early_result;
    void* const method = slot(offset_of(id));
    auto early_call = [&] {
      using P = void*;
      switch (n) {
        case 1:
          return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, P, P)>(method)(
              dual, pointers[0], pointers[1]);
        case 3:
          return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, P, P, P, P)>(method)(
              dual, pointers[0], pointers[1], pointers[2], pointers[3]);
        case 4:
          return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, P, P, P, P, P)>(method)(
              dual, pointers[0], pointers[1], pointers[2], pointers[3], pointers[4]);
        default:
          throw Failure{"no early-bound call of this arity", E_FAIL};
      }
    };
    const Timing early = ns_per_call([&] {
      early_call();
      VariantClear(&early_result);
    });

    volatile bool sink = false;
    const Timing direct = ns_per_call([&] {
      CallResult r = call(core, member, c.args);
      sink = r.failed;
    });
    (void)sink;

    auto pair = [](double median, double fastest) {
      std::printf("%7.1f /%6.1f ", median, fastest);
    };
    pair(direct.median, direct.fastest);
    pair(late.median, late.fastest);
    pair(early.median, early.fastest);
    pair(late.median - direct.median, late.fastest - direct.fastest);
    pair(early.median - direct.median, early.fastest - direct.fastest);
    std::printf(" %s\n", c.label);
    for (IDispatch* d : objects) {
      if (d) d->Release();
    }
  }
  static_cast<IUnknown*>(dual)->Release();
  vtable_info->Release();

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
