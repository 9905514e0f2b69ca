#include "com/variant_com.h"

#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace korvane::com {
namespace {

// Excel's error values travel as VT_ERROR with facility "control" (0x800A)
// and Excel's own number (2000 #NULL! ... 2042 #N/A) in the low word.
constexpr unsigned long kExcelErrorBase = 0x800A0000UL;

std::atomic<long> g_cells{0};  // CellObjects alive: they keep the module loaded

// How a VARIANT's text becomes a Variant's: copied, or borrowed for the call.
enum class Texts : bool { Copied, Borrowed };

// The Variant for in, made where the caller puts the result; Empty, with hr
// set to DISP_E_TYPEMISMATCH, for what no worksheet holds. hr is left alone
// otherwise.
Variant convert(const VARIANT& in, RangePool* pool, Texts texts, HRESULT& hr);

// ---- a reference read through IDispatch ------------------------------------

}  // namespace

class DispatchRange final : public Range {
 public:
  explicit DispatchRange(IDispatch* d) : d_(d), owned_(d != nullptr) {
    if (owned_) d_->AddRef();
  }
  ~DispatchRange() override { drop(); }
  DispatchRange(const DispatchRange&) = delete;
  DispatchRange& operator=(const DispatchRange&) = delete;

  // The default value: Excel's Range.Value, or whatever the object's
  // DISPID_VALUE member gives. An object that cannot give one reads as
  // #VALUE!, which fails every step that uses it. Lent to a call, the first
  // reading serves the rest of the call; held beyond it, every reading asks.
  Variant value() const override {
    if (read_) return *read_;
    Variant v = read();
    if (lent_) read_ = v;
    return v;
  }

  IDispatch* dispatch() const { return d_; }

  // For the pool, while nothing but the pool holds this reference: read
  // through d for the length of a call, during which the caller keeps d
  // alive (COM's rule for arguments), so no reference of our own is taken.
  // The value cannot change while the call runs, so it is read at most once.
  void lend(IDispatch* d) {
    drop();
    d_ = d;
    lent_ = true;
  }
  // The call is over and this reference is still held (by the draw state,
  // say): take a reference of our own while the caller's is still good. From
  // now on every reading asks the object, whose value a later call may see
  // changed.
  void keep() {
    if (d_ && !owned_) {
      d_->AddRef();
      owned_ = true;
    }
    forget();
  }
  void drop() {
    if (owned_) d_->Release();
    d_ = nullptr;
    owned_ = false;
    forget();
  }

 private:
  void forget() {
    lent_ = false;
    read_.reset();
  }

  Variant read() const {
    if (!d_) return Variant(ExcelError::Value);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    OwnedVariant result;
    EXCEPINFO info = {};
    UINT arg_error = 0;
    const HRESULT hr =
        d_->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                   DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, &result.v, &info, &arg_error);
    if (hr == DISP_E_EXCEPTION) {
      SysFreeString(info.bstrSource);
      SysFreeString(info.bstrDescription);
      SysFreeString(info.bstrHelpFile);
    }
    if (FAILED(hr)) return Variant(ExcelError::Value);
    HRESULT converted = S_OK;
    Variant out = convert(result.v, nullptr, Texts::Copied, converted);
    if (FAILED(converted) || out.is_range()) return Variant(ExcelError::Value);
    return out;
  }

  IDispatch* d_;
  bool owned_;
  bool lent_ = false;                    // read for the call under way only
  mutable std::optional<Variant> read_;  // the value this call read, while lent
};

namespace {

// ---- a reference handed out as IDispatch ------------------------------------

// Stands for a cell: its default value (DISPID_VALUE, also bound by the name
// "Value") is the cell's value, as a one-cell Range's is.
class CellObject final : public IDispatch {
 public:
  explicit CellObject(RangeRef r) : range_(std::move(r)) { ++g_cells; }
  ~CellObject() { --g_cells; }
  CellObject(const CellObject&) = delete;
  CellObject& operator=(const CellObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      const bool value = i == 0 && names[i] && lstrcmpiW(names[i], L"Value") == 0;
      ids[i] = value ? DISPID_VALUE : DISPID_UNKNOWN;
      if (!value) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE || !(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)))
      return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return S_OK;
    VariantInit(result);
    try {
      return to_variant(range_->value(), *result);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  std::atomic<ULONG> refs_{1};
  RangeRef range_;
};

// ---- arrays -------------------------------------------------------------------

// The cells of a 1-D or 2-D SAFEARRAY, row by row. A 1-D array is one row,
// as Excel takes a one-dimensional array.
Variant from_safearray(SAFEARRAY* psa, VARTYPE element, HRESULT& result) {
  auto fail = [&] {
    result = DISP_E_TYPEMISMATCH;
    return Variant();
  };
  if (!psa) return fail();
  const UINT dims = SafeArrayGetDim(psa);
  if (dims != 1 && dims != 2) return fail();
  LONG lo[2] = {0, 0}, hi[2] = {0, 0};
  for (UINT d = 0; d < dims; ++d) {
    if (FAILED(SafeArrayGetLBound(psa, d + 1, &lo[d])) ||
        FAILED(SafeArrayGetUBound(psa, d + 1, &hi[d])))
      return fail();
  }
  const LONGLONG n0 = static_cast<LONGLONG>(hi[0]) - lo[0] + 1;
  const LONGLONG n1 = dims == 2 ? static_cast<LONGLONG>(hi[1]) - lo[1] + 1 : 0;
  if (n0 < 0 || n1 < 0) return fail();
  const std::size_t rows = dims == 2 ? static_cast<std::size_t>(n0) : 1;
  const std::size_t cols = static_cast<std::size_t>(dims == 2 ? n1 : n0);

  if (FAILED(SafeArrayLock(psa))) return fail();
  std::vector<Variant> cells;
  HRESULT hr = S_OK;
  try {
    cells.reserve(rows * cols);
    for (std::size_t r = 0; r < rows && SUCCEEDED(hr); ++r) {
      for (std::size_t c = 0; c < cols && SUCCEEDED(hr); ++c) {
        // Indices run from the leftmost dimension (the rows) on.
        LONG index[2];
        if (dims == 2) {
          index[0] = lo[0] + static_cast<LONG>(r);
          index[1] = lo[1] + static_cast<LONG>(c);
        } else {
          index[0] = lo[0] + static_cast<LONG>(c);
        }
        void* p = nullptr;
        hr = SafeArrayPtrOfIndex(psa, index, &p);
        if (FAILED(hr)) break;
        VARIANT ref;
        VariantInit(&ref);
        ref.vt = static_cast<VARTYPE>(element | VT_BYREF);
        ref.byref = p;
        cells.push_back(convert(ref, nullptr, Texts::Copied, hr));
        if (SUCCEEDED(hr) && (cells.back().is_range() || cells.back().if_array()))
          hr = DISP_E_TYPEMISMATCH;
      }
    }
  } catch (...) {
    SafeArrayUnlock(psa);
    throw;
  }
  SafeArrayUnlock(psa);
  if (FAILED(hr)) return fail();
  return Variant(make_array(rows, cols, std::move(cells)));
}

HRESULT to_safearray(const Array2D& a, VARIANT& out) {
  SAFEARRAYBOUND bounds[2];  // left to right: rows, then columns; 1-based as Excel's
  bounds[0].lLbound = 1;
  bounds[0].cElements = static_cast<ULONG>(a.rows);
  bounds[1].lLbound = 1;
  bounds[1].cElements = static_cast<ULONG>(a.cols);
  SAFEARRAY* psa = SafeArrayCreate(VT_VARIANT, 2, bounds);
  if (!psa) return E_OUTOFMEMORY;
  HRESULT hr = S_OK;
  for (std::size_t r = 0; r < a.rows && SUCCEEDED(hr); ++r) {
    for (std::size_t c = 0; c < a.cols && SUCCEEDED(hr); ++c) {
      LONG index[2] = {static_cast<LONG>(r) + 1, static_cast<LONG>(c) + 1};
      void* p = nullptr;
      hr = SafeArrayPtrOfIndex(psa, index, &p);
      if (SUCCEEDED(hr)) hr = to_variant(a.at(r, c), *static_cast<VARIANT*>(p));
    }
  }
  if (FAILED(hr)) {
    SafeArrayDestroy(psa);
    return hr;
  }
  out.vt = VT_ARRAY | VT_VARIANT;
  out.parray = psa;
  return S_OK;
}

}  // namespace

// ---- VARIANT -> Variant ---------------------------------------------------------

namespace {

Variant convert(const VARIANT& in, RangePool* pool, Texts texts, HRESULT& hr) {
  auto fail = [&] {
    hr = DISP_E_TYPEMISMATCH;
    return Variant();
  };
  const VARIANT* v = &in;
  if (v->vt == (VT_BYREF | VT_VARIANT)) {
    v = v->pvarVal;
    if (!v || v->vt == (VT_BYREF | VT_VARIANT)) return fail();
  }
  const bool by_ref = (v->vt & VT_BYREF) != 0;
  const VARTYPE base = static_cast<VARTYPE>(v->vt & ~VT_BYREF);
  if (by_ref && !v->byref) return fail();

  if (base & VT_ARRAY) {
    SAFEARRAY* psa = by_ref ? *v->pparray : v->parray;
    return from_safearray(psa, static_cast<VARTYPE>(base & VT_TYPEMASK), hr);
  }
  switch (base) {
    case VT_EMPTY:
      return Variant();
    case VT_I2:
      return Variant::integer(by_ref ? *v->piVal : v->iVal);
    case VT_I4:
      return Variant::long_integer(static_cast<std::int32_t>(by_ref ? *v->plVal : v->lVal));
    case VT_R8:
      return Variant(by_ref ? *v->pdblVal : v->dblVal);
    case VT_BSTR: {
      const BSTR s = by_ref ? *v->pbstrVal : v->bstrVal;
      const std::u16string_view text(s ? reinterpret_cast<const char16_t*>(s) : u"",
                                     s ? SysStringLen(s) : 0);
      return texts == Texts::Borrowed ? Variant::borrowed(text) : Variant(text);
    }
    case VT_BOOL:
      return Variant((by_ref ? *v->pboolVal : v->boolVal) != VARIANT_FALSE);
    case VT_ERROR: {
      const unsigned long code = static_cast<unsigned long>(by_ref ? *v->pscode : v->scode);
      ExcelError e;
      if ((code & 0xFFFF0000UL) != kExcelErrorBase ||
          !excel_error_from_code(static_cast<int>(code & 0xFFFF), e))
        return fail();
      return Variant(e);
    }
    case VT_DISPATCH: {
      IDispatch* d = by_ref ? *v->ppdispVal : v->pdispVal;
      return Variant(pool ? pool->over(d) : range_over(d));
    }
    case VT_UNKNOWN: {
      IUnknown* u = by_ref ? *v->ppunkVal : v->punkVal;
      IDispatch* d = nullptr;
      if (!u || FAILED(u->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))))
        return fail();
      Variant r(range_over(d));
      d->Release();
      return r;
    }
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: {
      // Other numbers a VBA caller may pass (Byte, Currency, Date, ...) are
      // taken as the Double a cell would hold.
      OwnedVariant d;
      if (FAILED(VariantChangeType(&d.v, const_cast<VARIANT*>(v), 0, VT_R8))) return fail();
      return Variant(d.v.dblVal);
    }
    default:
      return fail();  // Null, records, pointers: nothing a cell holds
  }
}

}  // namespace

HRESULT from_variant(const VARIANT& in, Variant& out, RangePool* pool) {
  HRESULT hr = S_OK;
  Variant v = convert(in, pool, Texts::Copied, hr);
  if (SUCCEEDED(hr)) out = std::move(v);
  return hr;
}

HRESULT from_argument(const VARIANT& in, Variant& out) {
  HRESULT hr = S_OK;
  Variant v = convert(in, nullptr, Texts::Borrowed, hr);
  if (SUCCEEDED(hr)) out = std::move(v);
  return hr;
}

HRESULT add_argument(CallArguments& args, const VARIANT& in, RangePool& pool) {
  HRESULT hr = S_OK;
  args.emplace(convert(in, &pool, Texts::Borrowed, hr));
  return hr;
}

// ---- Variant -> VARIANT ---------------------------------------------------------

HRESULT to_variant(const Variant& v, VARIANT& out) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      out.vt = VT_EMPTY;
      return S_OK;
    case Variant::Kind::Integer:
      out.vt = VT_I2;
      out.iVal = *v.if_integer();
      return S_OK;
    case Variant::Kind::Long:
      out.vt = VT_I4;
      out.lVal = *v.if_long();
      return S_OK;
    case Variant::Kind::Double:
      out.vt = VT_R8;
      out.dblVal = *v.if_double();
      return S_OK;
    case Variant::Kind::String: {
      const std::u16string_view s = v.string_view();
      BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()),
                                 static_cast<UINT>(s.size()));
      if (!b) return E_OUTOFMEMORY;
      out.vt = VT_BSTR;
      out.bstrVal = b;
      return S_OK;
    }
    case Variant::Kind::Boolean:
      out.vt = VT_BOOL;
      out.boolVal = *v.if_boolean() ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case Variant::Kind::Error:
      out.vt = VT_ERROR;
      out.scode = static_cast<SCODE>(kExcelErrorBase |
                                     static_cast<unsigned>(excel_error_code(*v.if_error())));
      return S_OK;
    case Variant::Kind::Range: {
      IDispatch* d = nullptr;
      const HRESULT hr = dispatch_for(*v.if_range(), &d);
      if (FAILED(hr)) return hr;
      out.vt = VT_DISPATCH;
      out.pdispVal = d;
      return S_OK;
    }
    case Variant::Kind::Array: {
      const ArrayRef& a = *v.if_array();
      if (!a) return to_safearray(Array2D{}, out);
      return to_safearray(*a, out);
    }
  }
  return E_UNEXPECTED;
}

RangeRef range_over(IDispatch* d) { return std::make_shared<DispatchRange>(d); }

RangePool::RangePool() = default;
RangePool::~RangePool() = default;

RangeRef RangePool::over(IDispatch* d) {
  std::size_t i = 0;
  while (i < made_ && (lent_[i] || (slots_[i] && slots_[i].use_count() != 1))) ++i;
  if (i == kSlots) return std::make_shared<DispatchRange>(d);  // all held: one of its own
  if (i == made_ || !slots_[i]) {
    auto r = std::make_shared<DispatchRange>(nullptr);
    ranges_[i] = r.get();
    slots_[i] = std::move(r);
    if (i == made_) ++made_;
  }
  ranges_[i]->lend(d);
  lent_[i] = true;
  return std::move(slots_[i]);
}

void RangePool::end_call(std::span<Variant> args) {
  for (Variant& a : args) {
    RangeRef* r = a.if_range();
    if (!r || !*r) continue;
    for (std::size_t i = 0; i < made_; ++i) {
      if (lent_[i] && r->get() == ranges_[i]) {
        slots_[i] = std::move(*r);
        lent_[i] = false;
        break;
      }
    }
  }
  for (std::size_t i = 0; i < made_; ++i) {
    // A slot not found among the arguments went with them; it is made anew.
    lent_[i] = false;
    if (!slots_[i]) continue;
    if (slots_[i].use_count() == 1) {
      ranges_[i]->drop();
    } else {
      ranges_[i]->keep();
    }
  }
}

HRESULT dispatch_for(const RangeRef& r, IDispatch** out) {
  *out = nullptr;
  if (!r) return S_OK;
  if (const auto* d = dynamic_cast<const DispatchRange*>(r.get())) {
    *out = d->dispatch();
    if (*out) (*out)->AddRef();
    return S_OK;
  }
  try {
    *out = new CellObject(r);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

long live_cell_objects() noexcept { return g_cells.load(); }

}  // namespace korvane::com
