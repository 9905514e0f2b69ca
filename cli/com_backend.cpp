// The protocol against the registered COM class, the way Excel calls it:
// the class is created by its ProgID, every member is bound by name through
// GetIDsOfNames and called through IDispatch::Invoke with its arguments as
// by-reference VARIANTs. A {"ref": ...} argument becomes an object standing
// for a Range, whose default value (DISPID_VALUE) is the cell's value or the
// block's 2-D array; a plain value passed for a Range parameter is wrapped in
// such an object too, since Excel passes a Range parameter nothing else.
//
// The class's type information tells functions from properties, the Range
// parameters, and which properties take a reference, as it tells Excel.
#include "cli/com_backend.h"

#include <windows.h>

#include <map>
#include <vector>

#include "cli/quoting.h"
#include "com/identity.h"
#include "com/variant_com.h"
#include "core/text.h"

namespace korvane::protocol {
namespace {

using com::OwnedVariant;

struct MemberInfo {
  bool property = false;
  bool takes_reference = false;   // properties: has a put-ref accessor
  std::vector<bool> range_param;  // functions: which parameters are Ranges
};

bool is_dispatch(const TYPEDESC& t) {
  return t.vt == VT_DISPATCH || (t.vt == VT_PTR && t.lptdesc && t.lptdesc->vt == VT_DISPATCH);
}

std::string hex(HRESULT hr) {
  char buf[16];
  wsprintfA(buf, "0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

void free_exception(EXCEPINFO& e) {
  SysFreeString(e.bstrSource);
  SysFreeString(e.bstrDescription);
  SysFreeString(e.bstrHelpFile);
  e = {};
}

// VARIANTs passed by reference: the values, and the VT_BYREF|VT_VARIANT
// arguments pointing at them, last argument first as IDispatch::Invoke takes them.
class Arguments {
 public:
  explicit Arguments(std::size_t n) : values_(n), refs_(n) {
    for (VARIANT& v : values_) VariantInit(&v);
    for (std::size_t i = 0; i < n; ++i) {
      VariantInit(&refs_[n - 1 - i]);
      refs_[n - 1 - i].vt = VT_BYREF | VT_VARIANT;
      refs_[n - 1 - i].pvarVal = &values_[i];
    }
  }
  ~Arguments() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  VARIANT& value(std::size_t i) { return values_[i]; }
  DISPPARAMS params() {
    return {refs_.empty() ? nullptr : refs_.data(), nullptr, static_cast<UINT>(refs_.size()), 0};
  }

 private:
  std::vector<VARIANT> values_;
  std::vector<VARIANT> refs_;
};

class ComBackend final : public Backend {
 public:
  ComBackend(IDispatch* d, std::map<DISPID, MemberInfo> info) : d_(d), info_(std::move(info)) {}
  ~ComBackend() override {
    d_->Release();
    CoUninitialize();
  }
  ComBackend(const ComBackend&) = delete;
  ComBackend& operator=(const ComBackend&) = delete;

  Outcome call(std::u16string_view name, std::span<const Variant> args) override {
    DISPID id;
    const MemberInfo* m = bind(name, id);
    if (!m) return unknown(name);
    if (m->property) return Outcome::fault(to_utf8(name) + " is a property: use get, let or set");
    if (args.size() != m->range_param.size())
      return Outcome::fault(to_utf8(name) + " takes " + std::to_string(m->range_param.size()) +
                            " arguments, not " + std::to_string(args.size()));
    Arguments a(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      const bool wrap = m->range_param[i] && !args[i].is_range();
      const Variant v = wrap ? Variant(make_cell(args[i])) : args[i];
      if (FAILED(com::to_variant(v, a.value(i)))) return Outcome::fault("out of memory");
    }
    return invoke(name, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, a, false);
  }

  Outcome get(std::u16string_view name) override {
    DISPID id;
    const MemberInfo* m = bind(name, id);
    if (!m) return unknown(name);
    if (!m->property) return Outcome::fault(to_utf8(name) + " is a function: use call");
    Arguments none(0);
    return invoke(name, id, DISPATCH_PROPERTYGET, none, false);
  }

  Outcome let(std::u16string_view name, const Variant& value) override {
    return put(name, value, DISPATCH_PROPERTYPUT);
  }

  Outcome set(std::u16string_view name, const Variant& value) override {
    return put(name, value, DISPATCH_PROPERTYPUTREF);
  }

 private:
  const MemberInfo* bind(std::u16string_view name, DISPID& id) {
    std::u16string n(name);
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(n.data())};
    if (n.find(u'\0') != std::u16string::npos ||
        FAILED(d_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
      return nullptr;
    const auto it = info_.find(id);
    return it == info_.end() ? nullptr : &it->second;
  }

  static Outcome unknown(std::u16string_view name) {
    return Outcome::fault("no function or property is named " + cli::quoted_text(to_utf8(name)));
  }

  Outcome put(std::u16string_view name, const Variant& value, WORD flags) {
    DISPID id;
    const MemberInfo* m = bind(name, id);
    if (!m) return unknown(name);
    if (!m->property) return Outcome::fault(to_utf8(name) + " is a function: use call");
    if (flags == DISPATCH_PROPERTYPUTREF && !m->takes_reference)
      return Outcome::fault(to_utf8(name) + " holds text and has no set");
    Arguments a(1);
    if (FAILED(com::to_variant(value, a.value(0)))) return Outcome::fault("out of memory");
    return invoke(name, id, flags, a, true);
  }

  Outcome invoke(std::u16string_view name, DISPID id, WORD flags, Arguments& a, bool put) {
    DISPPARAMS params = a.params();
    DISPID named = DISPID_PROPERTYPUT;
    if (put) {
      params.cNamedArgs = 1;
      params.rgdispidNamedArgs = &named;
    }
    OwnedVariant result;
    EXCEPINFO exception = {};
    UINT arg_error = 0;
    const HRESULT hr = d_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                  put ? nullptr : &result.v, &exception, &arg_error);
    if (hr == DISP_E_EXCEPTION) {
      free_exception(exception);
      return Outcome::fail();  // the worksheet function failed: Excel shows #VALUE!
    }
    if (hr == DISP_E_TYPEMISMATCH && put) return Outcome::fail();  // yyy takes text only
    if (FAILED(hr))
      return Outcome::fault("calling " + to_utf8(name) + " through IDispatch failed (" + hex(hr) +
                            ")");
    Variant out;
    if (FAILED(com::from_variant(result.v, out)))
      return Outcome::fault(to_utf8(name) + " answered a value the protocol cannot carry");
    return Outcome::result(std::move(out));
  }

  IDispatch* d_;
  std::map<DISPID, MemberInfo> info_;
};

// What the type information says about each member, by dispatch identifier.
HRESULT describe(IDispatch* d, std::map<DISPID, MemberInfo>& out) {
  ITypeInfo* ti = nullptr;
  HRESULT hr = d->GetTypeInfo(0, LOCALE_USER_DEFAULT, &ti);
  if (FAILED(hr)) return hr;
  TYPEATTR* attr = nullptr;
  hr = ti->GetTypeAttr(&attr);
  if (SUCCEEDED(hr)) {
    for (UINT i = 0; i < attr->cFuncs; ++i) {
      FUNCDESC* f = nullptr;
      if (FAILED(ti->GetFuncDesc(i, &f))) continue;
      MemberInfo& m = out[f->memid];
      switch (f->invkind) {
        case INVOKE_FUNC:
          m.range_param.clear();
          for (SHORT p = 0; p < f->cParams; ++p) {
            const ELEMDESC& e = f->lprgelemdescParam[p];
            if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
            m.range_param.push_back(is_dispatch(e.tdesc));
          }
          break;
        case INVOKE_PROPERTYPUTREF:
          m.takes_reference = true;
          m.property = true;
          break;
        default:
          m.property = true;
          break;
      }
      ti->ReleaseFuncDesc(f);
    }
    ti->ReleaseTypeAttr(attr);
  }
  ti->Release();
  return hr;
}

}  // namespace

std::unique_ptr<Backend> make_com_backend(std::string& error) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    error = "COM could not be initialised";
    return nullptr;
  }
  auto fail = [&](std::string message, HRESULT hr) -> std::unique_ptr<Backend> {
    error = std::move(message) + " (" + hex(hr) + ")";
    CoUninitialize();
    return nullptr;
  };
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(com::kProgId, &clsid);
  if (FAILED(hr)) return fail("the class Korvane.自定义函数 is not registered", hr);
  IDispatch* d = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                        reinterpret_cast<void**>(&d));
  if (FAILED(hr)) return fail("Korvane.自定义函数 could not be created", hr);
  std::map<DISPID, MemberInfo> info;
  hr = describe(d, info);
  if (FAILED(hr)) {
    d->Release();
    return fail("Korvane.自定义函数 gives no type information", hr);
  }
  return std::make_unique<ComBackend>(d, std::move(info));
}

}  // namespace korvane::protocol
