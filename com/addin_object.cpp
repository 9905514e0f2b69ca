// The add-in object behind _自定义函数, late and early bound.
//
// Excel binds worksheet functions by name (GetIDsOfNames) and calls them
// through Invoke; VBA code that declares the class calls the same methods
// straight through the vtable, at the offsets the type library records. Both
// roads lead to the same code below, driven by the interface layout that the
// member table defines: a dispatch identifier names a member, a vtable slot
// names one accessor of a member, and each ends in the member's own get, let,
// set or invoke function.
//
// The vtable is assembled from the layout when the first object is made: slot
// k gets a small forwarding function that knows k and takes as many pointer
// arguments as method k has (the callee pops them on 32-bit Windows, so the
// count must be exact). Forwarders are instantiated for every slot and arity
// up to fixed bounds; the layout is checked against those bounds.
#include "com/addin_object.h"

#include <array>
#include <atomic>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "com/identity.h"
#include "com/layout.h"
#include "com/variant_com.h"
#include "core/call_arguments.h"
#include "core/custom_functions.h"

namespace korvane::com {
namespace {

constexpr std::size_t kMaxMethods = kMaxInterfaceMethods;  // after IDispatch's seven
constexpr std::size_t kMaxArity =
    kMaxParams + 1;  // pointer arguments: the parameters and the result

std::atomic<long> g_objects{0};

struct AddinObject;

// The interface pointer of the dual interface: a vtable pointer and the way
// back to the object.
struct DualPart {
  const void* const* vtbl;
  AddinObject* owner;
};

class ErrorInfoPart final : public ISupportErrorInfo {
 public:
  explicit ErrorInfoPart(AddinObject* owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return IsEqualIID(riid, kIid) ? S_OK : S_FALSE;
  }

 private:
  AddinObject* owner_;
};

const void* const* dual_vtable();

struct AddinObject {
  AddinObject() : dual{dual_vtable(), this}, errors(this) { ++g_objects; }
  ~AddinObject() {
    if (type_info) type_info->Release();
    --g_objects;
  }
  AddinObject(const AddinObject&) = delete;
  AddinObject& operator=(const AddinObject&) = delete;

  HRESULT query(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIid)) {
      *out = &dual;
    } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(&errors);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    ++refs;
    return S_OK;
  }
  ULONG add_ref() { return ++refs; }
  ULONG release() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }

  DualPart dual;
  ErrorInfoPart errors;
  std::atomic<ULONG> refs{1};
  Draw state;
  RangePool ranges;                // the Range arguments of calls
  ITypeInfo* type_info = nullptr;  // loaded from our type library when first asked for
};

HRESULT ErrorInfoPart::QueryInterface(REFIID riid, void** out) { return owner_->query(riid, out); }
ULONG ErrorInfoPart::AddRef() { return owner_->add_ref(); }
ULONG ErrorInfoPart::Release() { return owner_->release(); }

// One call's use of the object's Range pool: ended, however the call ends,
// while the call's arguments are still there (made after them, it goes
// first).
struct CallScope {
  CallScope(AddinObject& obj, CallArguments& arguments) : o(obj), args(arguments) {}
  ~CallScope() { o.ranges.end_call(args.items()); }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
  AddinObject& o;
  CallArguments& args;
};

// ---- failures -------------------------------------------------------------------

std::wstring failure_text(const Function& m) {
  return std::wstring(kClassName) + L"." + std::wstring(wide(m.name), m.name.size()) +
         L": the worksheet function failed (#VALUE!)";
}

// For early-bound callers: the error object Visual Basic reads after a failed
// vtable call.
void raise_error_info(const Function& m) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create))) return;
  const std::wstring text = failure_text(m);
  create->SetGUID(kIid);
  create->SetSource(const_cast<LPOLESTR>(kProgId));
  create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
}

// For late-bound callers: the EXCEPINFO of DISP_E_EXCEPTION.
void fill_exception(const Function& m, EXCEPINFO* info) {
  if (!info) return;
  *info = {};
  info->scode = kCallFailed;
  info->bstrSource = SysAllocString(kProgId);
  info->bstrDescription = SysAllocString(failure_text(m).c_str());
}

// ---- the members' own work --------------------------------------------------------

// Calls a function member. Returns S_OK, or kCallFailed for a failing call.
HRESULT call_function(AddinObject& o, const Function& m, std::span<const Variant> args,
                      VARIANT* result) {
  CallResult r = call(o.state, m, args);
  if (r.failed) return kCallFailed;
  if (!result) return S_OK;
  return to_variant(r.value, *result);
}

HRESULT get_property(AddinObject& o, const Property& m, VARIANT& out) {
  return to_variant(m.get(o.state), out);
}

HRESULT let_property(AddinObject& o, const Property& m, const Variant& value) {
  return m.let(o.state, value) ? S_OK : DISP_E_TYPEMISMATCH;
}

HRESULT set_property(AddinObject& o, const Property& m, const Variant& value) {
  if (!m.set) return DISP_E_MEMBERNOTFOUND;
  if (!value.is_range()) return DISP_E_TYPEMISMATCH;  // a set assigns an object
  m.set(o.state, value);
  return S_OK;
}

// ---- IDispatch ------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE qi(DualPart* self, REFIID riid, void** out) {
  return self->owner->query(riid, out);
}
ULONG STDMETHODCALLTYPE add_ref(DualPart* self) { return self->owner->add_ref(); }
ULONG STDMETHODCALLTYPE release(DualPart* self) { return self->owner->release(); }

HRESULT STDMETHODCALLTYPE get_type_info_count(DualPart*, UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE get_type_info(DualPart* self, UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  AddinObject& o = *self->owner;
  if (!o.type_info) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(this_module(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return E_FAIL;
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    hr = lib->GetTypeInfoOfGuid(kIid, &o.type_info);
    lib->Release();
    if (FAILED(hr)) return hr;
  }
  o.type_info->AddRef();
  *out = o.type_info;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE get_ids_of_names(DualPart*, REFIID riid, LPOLESTR* names, UINT count,
                                           LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::u16string_view name = u16(names[0]);
  const Function* f = find_function(name);
  if (!f) {
    const Property* p = find_property(name);
    if (!p) return DISP_E_UNKNOWNNAME;
    ids[0] = dispid_of(*p);
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // a property has no named arguments
  }
  ids[0] = dispid_of(*f);
  // Named arguments: a parameter's dispatch identifier is its position.
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (std::size_t p = 0; p < f->params.size(); ++p) {
      if (binds_to(f->params[p].name, u16(names[i]))) ids[i] = static_cast<DISPID>(p);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

// The arguments of a function call in parameter order: positional ones come
// last-first in rgvarg, named ones first, identified by position.
HRESULT collect_args(AddinObject& o, const Function& m, const DISPPARAMS& dp, CallArguments& args,
                     UINT* arg_error) {
  const std::size_t n = m.params.size();
  if (dp.cArgs != n) return DISP_E_BADPARAMCOUNT;
  if (dp.cArgs > 0 && !dp.rgvarg) return E_INVALIDARG;
  if (dp.cNamedArgs > dp.cArgs || (dp.cNamedArgs > 0 && !dp.rgdispidNamedArgs))
    return DISP_E_PARAMNOTFOUND;
  const std::size_t positional = dp.cArgs - dp.cNamedArgs;
  for (std::size_t p = 0; p < n; ++p) {
    UINT slot = 0;
    if (p < positional) {
      slot = static_cast<UINT>(dp.cArgs - 1 - p);
    } else {
      UINT found = dp.cNamedArgs;
      for (UINT j = 0; j < dp.cNamedArgs; ++j) {
        if (dp.rgdispidNamedArgs[j] == static_cast<DISPID>(p)) found = j;
      }
      if (found == dp.cNamedArgs) return DISP_E_PARAMNOTFOUND;
      slot = found;
    }
    if (FAILED(add_argument(args, dp.rgvarg[slot], o.ranges))) {
      if (arg_error) *arg_error = slot;
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;

HRESULT invoke_function(AddinObject& o, const Function& m, WORD flags, const DISPPARAMS& dp,
                        VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  if (!(flags & kGet) || (flags & kPut)) return DISP_E_MEMBERNOTFOUND;
  HRESULT hr;
  {
    CallArguments args;
    CallScope scope(o, args);
    hr = collect_args(o, m, dp, args, arg_error);
    if (SUCCEEDED(hr)) hr = call_function(o, m, args.view(), result);
  }
  if (hr == kCallFailed) {
    fill_exception(m, exception);
    return DISP_E_EXCEPTION;
  }
  return hr;
}

HRESULT invoke_property(AddinObject& o, const Property& m, WORD flags, const DISPPARAMS& dp,
                        VARIANT* result, UINT* arg_error) {
  if (flags & kPut) {
    // The value is the one argument, named DISPID_PROPERTYPUT by the book;
    // callers that leave the name out are served too.
    if (dp.cArgs != 1 || !dp.rgvarg) return DISP_E_BADPARAMCOUNT;
    if (dp.cNamedArgs > 1 ||
        (dp.cNamedArgs == 1 &&
         (!dp.rgdispidNamedArgs || dp.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
      return DISP_E_PARAMNOTFOUND;
    Variant value;  // a text is borrowed: the property keeps a copy
    if (FAILED(from_argument(dp.rgvarg[0], value))) {
      if (arg_error) *arg_error = 0;
      return DISP_E_TYPEMISMATCH;
    }
    // A put-ref assigns the object itself; a put assigns its default value.
    // A caller that sends both (not knowing what it holds) gets the
    // reference for an object and the value otherwise.
    const bool by_ref =
        (flags & DISPATCH_PROPERTYPUTREF) && (value.is_range() || !(flags & DISPATCH_PROPERTYPUT));
    const HRESULT hr = by_ref ? set_property(o, m, value) : let_property(o, m, value);
    if (hr == DISP_E_TYPEMISMATCH && arg_error) *arg_error = 0;
    return hr;
  }
  if (!(flags & kGet)) return DISP_E_MEMBERNOTFOUND;
  if (dp.cArgs != 0) return DISP_E_BADPARAMCOUNT;
  if (!result) return S_OK;
  return get_property(o, m, *result);
}

HRESULT STDMETHODCALLTYPE invoke(DualPart* self, DISPID id, REFIID riid, LCID, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                 UINT* arg_error) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const Named m = member_of(id);
  if (!m.property && !m.function) return DISP_E_MEMBERNOTFOUND;
  static const DISPPARAMS kNone = {nullptr, nullptr, 0, 0};
  const DISPPARAMS& dp = params ? *params : kNone;
  if (result) VariantInit(result);
  try {
    if (m.function)
      return invoke_function(*self->owner, *m.function, flags, dp, result, exception, arg_error);
    return invoke_property(*self->owner, *m.property, flags, dp, result, arg_error);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- the dual interface's own methods ------------------------------------------------

// A property's get through the vtable: a VARIANT, or a BSTR for a Text
// property.
HRESULT vtable_get(AddinObject& o, const Property& m, void* out_arg) {
  if (holds_text(m)) {
    BSTR* out = static_cast<BSTR*>(out_arg);
    *out = nullptr;
    OwnedVariant v;
    HRESULT hr = get_property(o, m, v.v);
    if (SUCCEEDED(hr) && v.v.vt != VT_BSTR) hr = VariantChangeType(&v.v, &v.v, 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    *out = v.v.bstrVal;
    v.v.vt = VT_EMPTY;  // handed over
    return S_OK;
  }
  VARIANT* out = static_cast<VARIANT*>(out_arg);
  VariantInit(out);
  return get_property(o, m, *out);
}

// A property's let or set through the vtable: the value a VARIANT, or a BSTR
// for a Text property (borrowed: the property keeps a copy).
HRESULT vtable_put(AddinObject& o, const Property& m, Accessor accessor, void* value_arg) {
  Variant value;
  if (holds_text(m)) {
    const BSTR s = *static_cast<BSTR*>(value_arg);
    value = Variant::borrowed(std::u16string_view(s ? reinterpret_cast<const char16_t*>(s) : u"",
                                                  s ? SysStringLen(s) : 0));
  } else if (FAILED(from_argument(*static_cast<VARIANT*>(value_arg), value))) {
    return DISP_E_TYPEMISMATCH;
  }
  return accessor == Accessor::Let ? let_property(o, m, value) : set_property(o, m, value);
}

// A function's call through the vtable: its parameters, a VARIANT each (an
// IDispatch for a Range one), then the result.
HRESULT vtable_call_function(AddinObject& o, const Function& m, void* const* a, std::size_t n) {
  VARIANT* result = static_cast<VARIANT*>(a[n - 1]);
  VariantInit(result);
  HRESULT hr = S_OK;
  {
    CallArguments args;
    CallScope scope(o, args);
    for (std::size_t i = 0; i < m.params.size() && SUCCEEDED(hr); ++i) {
      if (takes_reference(m.params[i])) {
        args.emplace(o.ranges.over(*static_cast<IDispatch**>(a[i])));
      } else if (FAILED(add_argument(args, *static_cast<VARIANT*>(a[i]), o.ranges))) {
        hr = DISP_E_TYPEMISMATCH;
      }
    }
    if (SUCCEEDED(hr)) hr = call_function(o, m, args.view(), result);
  }
  if (hr == kCallFailed) raise_error_info(m);
  return hr;
}

// Method `slot` of _自定义函数 called through the vtable with its pointer
// arguments (`n` of them, the result pointer last for a function).
HRESULT vtable_call(AddinObject& o, std::size_t slot, void* const* a, std::size_t n) {
  const Method& method = interface_methods()[slot];
  if (n != method.arity) return E_UNEXPECTED;
  for (std::size_t i = 0; i < n; ++i) {
    if (!a[i]) return E_POINTER;
  }
  try {
    switch (method.accessor) {
      case Accessor::Get:
        return vtable_get(o, *method.property, a[0]);
      case Accessor::Let:
      case Accessor::Set:
        return vtable_put(o, *method.property, method.accessor, a[0]);
      case Accessor::Call:
        return vtable_call_function(o, *method.function, a, n);
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
  return E_UNEXPECTED;
}

template <std::size_t>
using PointerArg = void*;

template <std::size_t Slot, class Seq>
struct Forwarder;
template <std::size_t Slot, std::size_t... I>
struct Forwarder<Slot, std::index_sequence<I...>> {
  static HRESULT STDMETHODCALLTYPE call(DualPart* self, PointerArg<I>... args) {
    void* const a[sizeof...(I) + 1] = {args..., nullptr};
    return vtable_call(*self->owner, Slot, a, sizeof...(I));
  }
};

template <class F>
const void* entry(F* f) {
  return reinterpret_cast<const void*>(f);
}

template <std::size_t Arity, std::size_t... Slot>
const void* forwarder(std::size_t slot, std::index_sequence<Slot...>) {
  static const void* const table[] = {
      entry(&Forwarder<Slot, std::make_index_sequence<Arity>>::call)...};
  return table[slot];
}

template <std::size_t... Arity>
const void* forwarder(std::size_t arity, std::size_t slot, std::index_sequence<Arity...>) {
  const void* f = nullptr;
  ((Arity == arity ? (f = forwarder<Arity>(slot, std::make_index_sequence<kMaxMethods>{})) : f),
   ...);
  return f;
}

std::vector<const void*> build_vtable() {
  const auto methods = interface_methods();
  if (methods.size() > kMaxMethods) return {};
  std::vector<const void*> v = {
      entry(&qi),
      entry(&add_ref),
      entry(&release),
      entry(&get_type_info_count),
      entry(&get_type_info),
      entry(&get_ids_of_names),
      entry(&invoke),
  };
  for (std::size_t k = 0; k < methods.size(); ++k) {
    if (methods[k].arity > kMaxArity) return {};
    v.push_back(forwarder(methods[k].arity, k, std::make_index_sequence<kMaxArity + 1>{}));
  }
  return v;
}

// Null when the member table has outgrown the forwarders' bounds.
const void* const* dual_vtable() {
  static const std::vector<const void*> vtable = build_vtable();
  return vtable.empty() ? nullptr : vtable.data();
}

}  // namespace

HRESULT create_addin_object(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!dual_vtable()) return E_UNEXPECTED;
  AddinObject* o = new (std::nothrow) AddinObject;
  if (!o) return E_OUTOFMEMORY;
  const HRESULT hr = o->query(riid, out);
  o->release();
  return hr;
}

long live_addin_objects() noexcept { return g_objects.load(); }

HMODULE this_module() noexcept {
  HMODULE m = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&live_addin_objects), &m);
  return m;
}

}  // namespace korvane::com
