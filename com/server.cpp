// The in-process server's entry points for object creation and unloading.
//
// COM asks DllGetClassObject for the class factory of 自定义函数 and
// DllCanUnloadNow whether the DLL may go: it may when no object of ours is
// alive (add-in objects, and the cell objects we hand out for references) and
// no client holds the server locked. Those counts are the module's only state.
#include <windows.h>

#include <atomic>

#include "com/addin_object.h"
#include "com/identity.h"
#include "com/variant_com.h"

namespace korvane::com {
namespace {

std::atomic<long> g_locks{0};

// One factory for the life of the module; it holds no state of its own, so
// its reference count does not keep the module loaded (LockServer does).
class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_addin_object(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++g_locks;
    } else if (g_locks.load() > 0) {
      --g_locks;
    }
    return S_OK;
  }
};

Factory& factory() {
  static Factory f;
  return f;
}

}  // namespace
}  // namespace korvane::com

using namespace korvane::com;

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory().QueryInterface(riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  const bool busy = live_addin_objects() > 0 || live_cell_objects() > 0 || g_locks.load() > 0;
  return busy ? S_FALSE : S_OK;
}
