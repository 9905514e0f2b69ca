// korvane.dll as COM serves it, run under Wine: registration read back from
// the registry, creation by ProgID, late-bound calls by name, early-bound
// vtable calls at the type library's offsets, properties, failures, and the
// unloading rule.
#include <gtest/gtest.h>
#include <olectl.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "com/identity.h"

namespace {

using namespace korvane::com;

const wchar_t kClsidText[] = L"{AC5F9188-547D-490E-BF04-E03F2151DDE5}";
const wchar_t kIidText[] = L"{5EA12D4C-7655-40DD-823D-2F8C3A7C7437}";
const wchar_t kLibIdText[] = L"{F0FFC8F9-9BE6-4E88-9A24-346E7C8E4A76}";

// ---- the DLL ----------------------------------------------------------------------

std::wstring dll_path() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"korvane.dll";
}

HMODULE dll() {
  static HMODULE h = LoadLibraryW(dll_path().c_str());
  return h;
}

template <class F>
F* entry(const char* name) {
  return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(dll(), name)));
}

int run(const std::wstring& command) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring line = command;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

// ---- the registry -----------------------------------------------------------------

HKEY classes(bool per_user) { return per_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring under_classes(const std::wstring& path) { return L"Software\\Classes\\" + path; }

bool key_exists(bool per_user, const std::wstring& path) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(classes(per_user), under_classes(path).c_str(), 0, KEY_READ, &k) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

std::optional<std::wstring> reg_text(bool per_user, const std::wstring& path,
                                     const wchar_t* name = nullptr) {
  wchar_t buf[1024];
  DWORD size = sizeof buf;
  if (RegGetValueW(classes(per_user), under_classes(path).c_str(), name, RRF_RT_REG_SZ, nullptr,
                   buf, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buf);
}

bool same_path(const std::optional<std::wstring>& a, const std::wstring& b) {
  return a && CompareStringOrdinal(a->c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kClsidText;
const std::wstring kInterfaceKey = std::wstring(L"Interface\\") + kIidText;
const std::wstring kLibKey = std::wstring(L"TypeLib\\") + kLibIdText;
// The type library's platform key: the DLL registers the library it embeds,
// which is built for the DLL's own bitness.
const std::wstring kLibPlatformKey =
    kLibKey + (sizeof(void*) == 8 ? L"\\1.0\\0\\win64" : L"\\1.0\\0\\win32");

// Every key a registration writes.
const std::vector<std::wstring> kOurKeys = {
    kClassKey,
    kClassKey + L"\\InprocServer32",
    kClassKey + L"\\ProgID",
    kClassKey + L"\\Programmable",
    kClassKey + L"\\TypeLib",
    L"Korvane.自定义函数",
    L"Korvane.自定义函数\\CLSID",
    kInterfaceKey,
    kInterfaceKey + L"\\TypeLib",
    kLibKey + L"\\1.0",
    kLibPlatformKey,
};

struct Scope {
  const char* name;
  bool per_user;
  std::wstring register_switches;
  std::wstring unregister_switches;
};

void PrintTo(const Scope& s, std::ostream* os) { *os << s.name; }

class Registration : public testing::TestWithParam<Scope> {};

// Registered through regsvr32 as a user would: the keys and values Excel
// reads are there; unregistered, none of ours is left, and a key someone else
// wrote beside ours survives.
TEST_P(Registration, RegistersAndUnregistersThroughRegsvr32) {
  const Scope& s = GetParam();
  const std::wstring dll = dll_path();
  const std::wstring foreign = kLibKey + L"\\9.9";
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(classes(s.per_user), under_classes(foreign).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(k);

  ASSERT_EQ(run(L"regsvr32 /s " + s.register_switches + L" \"" + dll + L"\""), 0);
  EXPECT_TRUE(same_path(reg_text(s.per_user, kClassKey + L"\\InprocServer32"), dll));
  EXPECT_EQ(reg_text(s.per_user, kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_TRUE(key_exists(s.per_user, kClassKey + L"\\Programmable"));
  EXPECT_EQ(reg_text(s.per_user, kClassKey + L"\\ProgID"), L"Korvane.自定义函数");
  EXPECT_EQ(reg_text(s.per_user, kClassKey + L"\\TypeLib"), kLibIdText);
  EXPECT_EQ(reg_text(s.per_user, L"Korvane.自定义函数\\CLSID"), kClsidText);
  EXPECT_EQ(reg_text(s.per_user, kInterfaceKey), L"_自定义函数");
  EXPECT_EQ(reg_text(s.per_user, kInterfaceKey + L"\\TypeLib"), kLibIdText);
  EXPECT_EQ(reg_text(s.per_user, kInterfaceKey + L"\\ProxyStubClsid32"),
            L"{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(reg_text(s.per_user, kLibKey + L"\\1.0"), L"Korvane");
  EXPECT_TRUE(same_path(reg_text(s.per_user, kLibPlatformKey), dll));
  // Nothing of Excel's own: its Range interface is not ours to register.
  EXPECT_NE(reg_text(s.per_user, L"Interface\\{00020846-0000-0000-C000-000000000046}\\TypeLib"),
            std::optional<std::wstring>(kLibIdText));
  if (!s.per_user) {
    ITypeLib* lib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0, &lib), S_OK);
    lib->Release();
  }

  ASSERT_EQ(run(L"regsvr32 /s " + s.unregister_switches + L" \"" + dll + L"\""), 0);
  for (std::size_t i = 0; i < kOurKeys.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(key_exists(s.per_user, kOurKeys[i]));
  }
  EXPECT_TRUE(key_exists(s.per_user, foreign));
  EXPECT_EQ(RegDeleteKeyW(classes(s.per_user), under_classes(foreign).c_str()), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(classes(s.per_user), under_classes(kLibKey).c_str()), ERROR_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(Scopes, Registration,
                         testing::Values(Scope{"machine", false, L"", L"/u"},
                                         Scope{"user", true, L"/n /i:user", L"/u /n /i:user"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(RegistrationScopes, UserUnregistrationLeavesTheMachineRegistrationAlone) {
  auto install = entry<HRESULT STDAPICALLTYPE(BOOL, LPCWSTR)>("DllInstall");
  auto reg = entry<HRESULT STDAPICALLTYPE()>("DllRegisterServer");
  auto unreg = entry<HRESULT STDAPICALLTYPE()>("DllUnregisterServer");
  ASSERT_TRUE(install && reg && unreg);
  ASSERT_EQ(reg(), S_OK);
  ASSERT_EQ(install(TRUE, L"user"), S_OK);
  EXPECT_EQ(install(FALSE, L" User "), S_OK);
  EXPECT_FALSE(key_exists(true, kClassKey));
  EXPECT_TRUE(key_exists(false, kClassKey + L"\\Programmable"));
  EXPECT_EQ(install(TRUE, L"everyone"), E_INVALIDARG);
  EXPECT_EQ(unreg(), S_OK);
  EXPECT_FALSE(key_exists(false, kClassKey));
  EXPECT_EQ(unreg(), S_OK);  // unregistering twice is harmless
}

// ---- a Range stand-in --------------------------------------------------------------

// A one-cell Range as the add-in sees one: an IDispatch whose default value
// is the cell's value. Counts how often the value is read. Made through
// make_cell, released by the test and by whoever else holds it.
class Cell final : public IDispatch {
 public:
  explicit Cell(const wchar_t* text) {
    VariantInit(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocString(text);
  }
  int reads = 0;
  ULONG refs() const { return refs_; }
  void set(const wchar_t* text) {
    VariantClear(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocString(text);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = this;
      ++refs_;
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
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    ++reads;
    VariantInit(result);
    return VariantCopy(result, &value_);
  }

 private:
  ~Cell() { VariantClear(&value_); }
  ULONG refs_ = 1;
  VARIANT value_;
};

// The test's own reference to a Cell.
struct CellRef {
  Cell* p;
  explicit CellRef(const wchar_t* text) : p(new Cell(text)) {}
  ~CellRef() { p->Release(); }
  CellRef(const CellRef&) = delete;
  CellRef& operator=(const CellRef&) = delete;
  Cell* operator->() const { return p; }
  operator IDispatch*() const { return p; }
};

// ---- late binding ------------------------------------------------------------------

struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  explicit Var(double d) : Var() {
    v.vt = VT_R8;
    v.dblVal = d;
  }
  explicit Var(const wchar_t* s) : Var() {
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(s);
  }
  explicit Var(IDispatch* d) : Var() {
    v.vt = VT_DISPATCH;
    v.pdispVal = d;
    d->AddRef();
  }
  ~Var() { VariantClear(&v); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
  std::wstring text() const { return v.vt == VT_BSTR ? std::wstring(v.bstrVal) : L"<not text>"; }
};

class ComTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_EQ(entry<HRESULT STDAPICALLTYPE()>("DllRegisterServer")(), S_OK);
  }
  static void TearDownTestSuite() {
    entry<HRESULT STDAPICALLTYPE()>("DllUnregisterServer")();
    CoUninitialize();
  }
  void SetUp() override {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"Korvane.自定义函数", &clsid), S_OK);
    ASSERT_TRUE(IsEqualCLSID(clsid, kClsid));
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&obj_)),
              S_OK);
  }
  void TearDown() override {
    if (obj_) obj_->Release();
  }

  DISPID id(const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID d = DISPID_UNKNOWN;
    EXPECT_EQ(obj_->GetIDsOfNames(IID_NULL, names, 1, 0, &d), S_OK) << "binding a name";
    return d;
  }

  // Invokes with the arguments passed by reference, as VB passes them.
  HRESULT invoke(const wchar_t* name, WORD flags, std::vector<VARIANT*> args, VARIANT* result,
                 EXCEPINFO* info = nullptr, UINT* arg_error = nullptr) {
    std::vector<VARIANT> refs(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      VARIANT& r = refs[args.size() - 1 - i];
      VariantInit(&r);
      r.vt = VT_BYREF | VT_VARIANT;
      r.pvarVal = args[i];
    }
    DISPID put = DISPID_PROPERTYPUT;
    const bool is_put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS dp = {refs.data(), is_put ? &put : nullptr, static_cast<UINT>(refs.size()),
                     is_put ? 1u : 0u};
    EXCEPINFO local = {};
    UINT err = 0;
    const HRESULT hr = obj_->Invoke(id(name), IID_NULL, 0, flags, &dp, result, info ? info : &local,
                                    arg_error ? arg_error : &err);
    if (!info) {
      SysFreeString(local.bstrSource);
      SysFreeString(local.bstrDescription);
    }
    return hr;
  }
  HRESULT call(const wchar_t* name, std::vector<VARIANT*> args, VARIANT* result) {
    return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), result);
  }
  HRESULT get(const wchar_t* name, VARIANT* result) {
    return invoke(name, DISPATCH_PROPERTYGET, {}, result);
  }
  HRESULT let(const wchar_t* name, VARIANT* value) {
    return invoke(name, DISPATCH_PROPERTYPUT, {value}, nullptr);
  }

  void load_draw(IDispatch* volatile_cell) {
    Var year(2013.0), pn(L"05 12 18 30 41 49"), tn(L"08"), vol(volatile_cell), result;
    ASSERT_EQ(call(L"验证", {&year.v, &pn.v, &tn.v, &vol.v}, &result.v), S_OK);
    EXPECT_EQ(result.text(), L"开奖号码已载入");
  }

  IDispatch* obj_ = nullptr;
};

TEST_F(ComTest, CreatedByProgIdWithTheDualInterfaceAndItsTypeInformation) {
  IUnknown* dual = nullptr;
  ASSERT_EQ(obj_->QueryInterface(kIid, reinterpret_cast<void**>(&dual)), S_OK);
  dual->Release();
  IUnknown* none = nullptr;
  EXPECT_EQ(obj_->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&none)), E_NOINTERFACE);

  ITypeInfo* ti = nullptr;
  ASSERT_EQ(obj_->GetTypeInfo(0, 0, &ti), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(ti->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, kIid));
  const WORD want = TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE;
  EXPECT_EQ(attr->wTypeFlags & want, want);
  ti->ReleaseTypeAttr(attr);
  // The vtable side of the dual interface is automation-compatible.
  HREFTYPE href = 0;
  ITypeInfo* vtable_side = nullptr;
  ASSERT_EQ(ti->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK);
  ASSERT_EQ(ti->GetRefTypeInfo(href, &vtable_side), S_OK);
  ASSERT_EQ(vtable_side->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  vtable_side->ReleaseTypeAttr(attr);
  vtable_side->Release();
  // Stored as GBK and read back under the Chinese code page.
  BSTR name = nullptr;
  ASSERT_EQ(ti->GetDocumentation(id(L"验证"), &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"验证");
  SysFreeString(name);
  ti->Release();
}

TEST_F(ComTest, BindsNamesAsComDoes) {
  const DISPID tema = id(L"TEMA");
  EXPECT_EQ(id(L"tema"), tema);
  EXPECT_EQ(id(L"Tema"), tema);
  EXPECT_NE(id(L"平特几肖"), tema);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"平特几肖肖")};
  DISPID d = 0;
  EXPECT_EQ(obj_->GetIDsOfNames(IID_NULL, unknown, 1, 0, &d), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(d, DISPID_UNKNOWN);
  LPOLESTR named[] = {const_cast<LPOLESTR>(L"验证"), const_cast<LPOLESTR>(L"tn"),
                      const_cast<LPOLESTR>(L"年")};
  DISPID ids[3];
  ASSERT_EQ(obj_->GetIDsOfNames(IID_NULL, named, 3, 0, ids), S_OK);
  EXPECT_EQ(ids[1], 2);
  EXPECT_EQ(ids[2], 0);
}

TEST_F(ComTest, LoadsADrawByChineseNameAndReadsTheVolatileRangeNever) {
  CellRef vol(L"x");
  load_draw(vol);
  EXPECT_EQ(vol->reads, 0);
  Var tt, pp2, yyy;
  ASSERT_EQ(get(L"tt", &tt.v), S_OK);
  EXPECT_EQ(tt.text(), L"狗");
  ASSERT_EQ(get(L"pp2", &pp2.v), S_OK);
  EXPECT_EQ(pp2.text(), L"马");
  ASSERT_EQ(get(L"yyy", &yyy.v), S_OK);
  EXPECT_EQ(yyy.text(), L"5");
}

// Positional arguments fill the first parameters; named ones (here tn and
// 易失, in either order) the rest.
// A Range argument is held only while the call runs, unless the add-in keeps
// it (验证 keeps the special number as passed).
TEST_F(ComTest, LetsGoOfRangeArgumentsItDoesNotKeep) {
  CellRef vol(L"1"), special(L"08");
  for (int i = 0; i < 3; ++i) {
    Var year(2013.0), pn(L"05 12 18 30 41 49"), tn(special), v(vol), result;
    ASSERT_EQ(call(L"验证", {&year.v, &pn.v, &tn.v, &v.v}, &result.v), S_OK);
  }
  EXPECT_EQ(vol->refs(), 1u);
  EXPECT_EQ(special->refs(), 2u);  // ours and t's
  Var t;
  ASSERT_EQ(get(L"t", &t.v), S_OK);
  ASSERT_EQ(t.v.vt, VT_DISPATCH);
  EXPECT_EQ(t.v.pdispVal, static_cast<IDispatch*>(special));
}

TEST_F(ComTest, NamedArgumentsTakeTheirParameters) {
  Var year(2013.0), pn(L"05 12 18 30 41 49"), tn(L"08"), vol, result;
  VARIANT args[4] = {vol.v, tn.v, pn.v, year.v};  // named first, then positional last-first
  DISPID named[2] = {3, 2};
  DISPPARAMS dp = {args, named, 4, 2};
  ASSERT_EQ(
      obj_->Invoke(id(L"验证"), IID_NULL, 0, DISPATCH_METHOD, &dp, &result.v, nullptr, nullptr),
      S_OK);
  Var t;
  ASSERT_EQ(get(L"t", &t.v), S_OK);
  EXPECT_EQ(t.text(), L"08");
  DISPID wrong[2] = {3, 7};
  dp.rgdispidNamedArgs = wrong;
  EXPECT_EQ(
      obj_->Invoke(id(L"验证"), IID_NULL, 0, DISPATCH_METHOD, &dp, &result.v, nullptr, nullptr),
      DISP_E_PARAMNOTFOUND);
}

// Texts are passed to the worksheet functions without copying them; what the
// add-in keeps (the draw, a property) is its own copy. Here the caller
// scribbles over its texts before freeing them, as a recalculation reusing
// the memory would.
TEST_F(ComTest, KeepsItsOwnCopyOfTheTextsItIsPassed) {
  auto scribble = [](Var& text) {
    for (UINT i = 0; i < SysStringLen(text.v.bstrVal); ++i) text.v.bstrVal[i] = L'X';
  };
  {
    Var year(2013.0), pn(L"05 12 18 30 41 49"), tn(L"08"), vol, result;
    ASSERT_EQ(call(L"验证", {&year.v, &pn.v, &tn.v, &vol.v}, &result.v), S_OK);
    scribble(pn);
    scribble(tn);
  }
  {
    Var seven(L"07");
    ASSERT_EQ(let(L"p3", &seven.v), S_OK);
    scribble(seven);
  }
  const struct {
    const wchar_t* property;
    const wchar_t* want;
  } kept[] = {{L"t", L"08"}, {L"p1", L"05"}, {L"p3", L"07"}, {L"p6", L"49"}, {L"tt", L"狗"}};
  for (const auto& k : kept) {
    Var v;
    ASSERT_EQ(get(k.property, &v.v), S_OK);
    EXPECT_EQ(v.text(), k.want) << k.property;
  }
}

// A Range argument is read where a step first reads it, and that reading
// serves the rest of the call (验证 reads the numbers once for each of the six
// and the special number twice); the next call reads it anew.
TEST_F(ComTest, ReadsARangeArgumentOnceACall) {
  CellRef numbers(L"05 12 18 30 41 49"), special(L"08"), vol(L"x");
  const struct {
    const wchar_t* numbers;
    const wchar_t* p1;
  } draws[] = {{L"05 12 18 30 41 49", L"05"}, {L"11 12 18 30 41 49", L"11"}};
  int call_count = 0;
  for (const auto& d : draws) {
    numbers->set(d.numbers);
    Var year(2013.0), pn(numbers), tn(special), v(vol), result;
    ASSERT_EQ(call(L"验证", {&year.v, &pn.v, &tn.v, &v.v}, &result.v), S_OK);
    ++call_count;
    EXPECT_EQ(numbers->reads, call_count);
    EXPECT_EQ(special->reads, call_count);
    EXPECT_EQ(vol->reads, 0);
    Var p1;
    ASSERT_EQ(get(L"p1", &p1.v), S_OK);
    EXPECT_EQ(p1.text(), d.p1);
  }
}

TEST_F(ComTest, RejectsWrongArgumentCountsAndAccessors) {
  Var year(2013.0), result;
  EXPECT_EQ(call(L"验证", {&year.v}, &result.v), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(invoke(L"验证", DISPATCH_PROPERTYPUT, {&year.v}, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(invoke(L"t", DISPATCH_PROPERTYGET, {&year.v}, &result.v), DISP_E_BADPARAMCOUNT);
  CellRef cell(L"5");
  Var ref(cell);
  EXPECT_EQ(invoke(L"yyy", DISPATCH_PROPERTYPUTREF, {&ref.v}, nullptr), DISP_E_MEMBERNOTFOUND);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(obj_->Invoke(9999, IID_NULL, 0, DISPATCH_METHOD, &none, &result.v, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(obj_->Invoke(id(L"t"), IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &result.v,
                         nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(ComTest, AFailingCallIsAnExceptionNamingTheFunction) {
  Var text(L"abc"), result;
  EXCEPINFO info = {};
  EXPECT_EQ(invoke(L"PAI", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {&text.v}, &result.v, &info),
            DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, kCallFailed);
  ASSERT_NE(info.bstrDescription, nullptr);
  EXPECT_NE(std::wstring(info.bstrDescription).find(L"PAI"), std::wstring::npos);
  EXPECT_STREQ(info.bstrSource, L"Korvane.自定义函数");
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
}

// Every kind of value a worksheet passes goes into a property and comes back
// as it went in.
TEST_F(ComTest, ValuesRoundTripThroughAProperty) {
  struct Case {
    const char* what;
    VARTYPE vt;
    void (*fill)(VARIANT&);
    void (*check)(const VARIANT&);
  };
  const Case cases[] = {
      {"empty", VT_EMPTY, [](VARIANT&) {}, [](const VARIANT&) {}},
      {"integer", VT_I2, [](VARIANT& v) { v.iVal = -7; },
       [](const VARIANT& v) { EXPECT_EQ(v.iVal, -7); }},
      {"long", VT_I4, [](VARIANT& v) { v.lVal = 100000; },
       [](const VARIANT& v) { EXPECT_EQ(v.lVal, 100000); }},
      {"double", VT_R8, [](VARIANT& v) { v.dblVal = 0.1; },
       [](const VARIANT& v) { EXPECT_EQ(v.dblVal, 0.1); }},
      {"text", VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"牛马 x"); },
       [](const VARIANT& v) { EXPECT_STREQ(v.bstrVal, L"牛马 x"); }},
      {"boolean", VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; },
       [](const VARIANT& v) { EXPECT_EQ(v.boolVal, VARIANT_TRUE); }},
      {"#N/A", VT_ERROR, [](VARIANT& v) { v.scode = static_cast<SCODE>(0x800A07FA); },
       [](const VARIANT& v) { EXPECT_EQ(static_cast<unsigned long>(v.scode), 0x800A07FAUL); }},
      {"#NULL!", VT_ERROR, [](VARIANT& v) { v.scode = static_cast<SCODE>(0x800A07D0); },
       [](const VARIANT& v) { EXPECT_EQ(static_cast<unsigned long>(v.scode), 0x800A07D0UL); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Var in, out;
    in.v.vt = c.vt;
    c.fill(in.v);
    ASSERT_EQ(let(L"t", &in.v), S_OK);
    ASSERT_EQ(get(L"t", &out.v), S_OK);
    ASSERT_EQ(out.v.vt, c.vt);
    c.check(out.v);
  }
}

TEST_F(ComTest, OtherNumbersArriveAsDoublesAndForeignKindsAreRefused) {
  Var cy, out;
  cy.v.vt = VT_CY;
  cy.v.cyVal.int64 = 15000;  // 1.5
  ASSERT_EQ(let(L"t", &cy.v), S_OK);
  ASSERT_EQ(get(L"t", &out.v), S_OK);
  EXPECT_EQ(out.v.vt, VT_R8);
  EXPECT_EQ(out.v.dblVal, 1.5);

  Var null, missing;
  null.v.vt = VT_NULL;
  missing.v.vt = VT_ERROR;
  missing.v.scode = DISP_E_PARAMNOTFOUND;
  UINT arg_error = 99;
  EXPECT_EQ(invoke(L"t", DISPATCH_PROPERTYPUT, {&null.v}, nullptr, nullptr, &arg_error),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error, 0u);
  EXPECT_EQ(let(L"t", &missing.v), DISP_E_TYPEMISMATCH);
  // yyy holds text: an error value has no text form.
  Var na;
  na.v.vt = VT_ERROR;
  na.v.scode = static_cast<SCODE>(0x800A07FA);
  EXPECT_EQ(let(L"yyy", &na.v), DISP_E_TYPEMISMATCH);
}

TEST_F(ComTest, TwoDimensionalArraysKeepRowsAndColumns) {
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 1}};  // 2 rows, 3 columns, 1-based
  SAFEARRAY* psa = SafeArrayCreate(VT_VARIANT, 2, bounds);
  ASSERT_NE(psa, nullptr);
  for (LONG r = 1; r <= 2; ++r) {
    for (LONG c = 1; c <= 3; ++c) {
      LONG index[2] = {r, c};
      VARIANT cell;
      VariantInit(&cell);
      cell.vt = VT_R8;
      cell.dblVal = 10.0 * r + c;
      ASSERT_EQ(SafeArrayPutElement(psa, index, &cell), S_OK);
    }
  }
  Var in, out;
  in.v.vt = VT_ARRAY | VT_VARIANT;
  in.v.parray = psa;
  ASSERT_EQ(let(L"p1", &in.v), S_OK);
  ASSERT_EQ(get(L"p1", &out.v), S_OK);
  ASSERT_EQ(out.v.vt, VT_ARRAY | VT_VARIANT);
  LONG hi1 = 0, hi2 = 0;
  SafeArrayGetUBound(out.v.parray, 1, &hi1);
  SafeArrayGetUBound(out.v.parray, 2, &hi2);
  EXPECT_EQ(hi1, 2);
  EXPECT_EQ(hi2, 3);
  LONG index[2] = {2, 3};
  VARIANT cell;
  VariantInit(&cell);
  ASSERT_EQ(SafeArrayGetElement(out.v.parray, index, &cell), S_OK);
  EXPECT_EQ(cell.dblVal, 23.0);
}

// A put of an object stores its default value, read then; a put-ref stores
// the object, read only when something reads it.
TEST_F(ComTest, LetStoresTheRangesValueAndSetTheRange) {
  CellRef cell(L"07");
  Var ref(cell), out;
  ASSERT_EQ(let(L"t", &ref.v), S_OK);
  EXPECT_EQ(cell->reads, 1);
  ASSERT_EQ(get(L"t", &out.v), S_OK);
  EXPECT_EQ(out.text(), L"07");

  Var stored;
  ASSERT_EQ(invoke(L"t", DISPATCH_PROPERTYPUTREF, {&ref.v}, nullptr), S_OK);
  EXPECT_EQ(cell->reads, 1);
  ASSERT_EQ(get(L"t", &stored.v), S_OK);
  ASSERT_EQ(stored.v.vt, VT_DISPATCH);
  EXPECT_EQ(stored.v.pdispVal, static_cast<IDispatch*>(cell));
  // A non-object cannot be set.
  Var five(5.0);
  EXPECT_EQ(invoke(L"t", DISPATCH_PROPERTYPUTREF, {&five.v}, nullptr), DISP_E_TYPEMISMATCH);
  // A caller unsure of what it holds sends both flags: objects are stored
  // as references, values as values.
  EXPECT_EQ(invoke(L"p2", DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF, {&five.v}, nullptr),
            S_OK);
  Var p2;
  ASSERT_EQ(get(L"p2", &p2.v), S_OK);
  EXPECT_EQ(p2.v.vt, VT_R8);
}

// ---- early binding -------------------------------------------------------------------

// Calls the interface's methods as VBA does when the class is declared: at
// the vtable offsets the type library records for the interface.
class EarlyBound : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    ASSERT_EQ(obj_->QueryInterface(kIid, reinterpret_cast<void**>(&dual_)), S_OK);
    ITypeInfo* disp = nullptr;
    ASSERT_EQ(obj_->GetTypeInfo(0, 0, &disp), S_OK);
    HREFTYPE href = 0;
    ASSERT_EQ(disp->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK);
    ASSERT_EQ(disp->GetRefTypeInfo(href, &vtable_info_), S_OK);
    disp->Release();
  }
  void TearDown() override {
    if (vtable_info_) vtable_info_->Release();
    if (dual_) dual_->Release();
    ComTest::TearDown();
  }

  short offset(const wchar_t* name, INVOKEKIND kind) {
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(vtable_info_->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    const DISPID want = id(name);
    short found = -1;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
      FUNCDESC* f = nullptr;
      vtable_info_->GetFuncDesc(i, &f);
      if (f->memid == want && f->invkind == kind) found = f->oVft;
      vtable_info_->ReleaseFuncDesc(f);
    }
    vtable_info_->ReleaseTypeAttr(attr);
    EXPECT_GE(found, static_cast<short>(7 * sizeof(void*)));
    return found;
  }

  // Pointer arguments only, as every method of the interface takes.
  HRESULT vcall(const wchar_t* name, INVOKEKIND kind, std::vector<void*> pointers) {
    std::vector<VARTYPE> types(pointers.size(), VT_BYREF | VT_VARIANT);
    std::vector<VARIANT> args(pointers.size());
    std::vector<VARIANT*> arg_ptrs;
    for (std::size_t i = 0; i < pointers.size(); ++i) {
      VariantInit(&args[i]);
      args[i].vt = VT_BYREF | VT_VARIANT;
      args[i].byref = pointers[i];
      arg_ptrs.push_back(&args[i]);
    }
    VARIANT hr;
    VariantInit(&hr);
    const HRESULT call_hr =
        DispCallFunc(dual_, static_cast<ULONG_PTR>(offset(name, kind)), CC_STDCALL, VT_ERROR,
                     static_cast<UINT>(pointers.size()), types.data(), arg_ptrs.data(), &hr);
    EXPECT_EQ(call_hr, S_OK);
    return hr.scode;
  }

  IUnknown* dual_ = nullptr;
  ITypeInfo* vtable_info_ = nullptr;
};

TEST_F(EarlyBound, CallsFunctionsAndPropertiesThroughTheVtable) {
  Var year(2013.0), pn(L"05 12 18 30 41 49"), tn(L"08"), result;
  CellRef vol(L"");
  IDispatch* vol_ptr = vol;
  ASSERT_EQ(vcall(L"验证", INVOKE_FUNC, {&year.v, &pn.v, &tn.v, &vol_ptr, &result.v}), S_OK);
  EXPECT_EQ(result.text(), L"开奖号码已载入");
  EXPECT_EQ(vol->reads, 0);

  Var tt;
  ASSERT_EQ(vcall(L"tt", INVOKE_PROPERTYGET, {&tt.v}), S_OK);
  EXPECT_EQ(tt.text(), L"狗");
  BSTR yyy = nullptr;
  ASSERT_EQ(vcall(L"yyy", INVOKE_PROPERTYGET, {&yyy}), S_OK);
  EXPECT_STREQ(yyy, L"5");
  SysFreeString(yyy);
  BSTR seven = SysAllocString(L"7");
  ASSERT_EQ(vcall(L"yyy", INVOKE_PROPERTYPUT, {&seven}), S_OK);
  SysFreeString(seven);
  Var yyy_late;
  ASSERT_EQ(get(L"yyy", &yyy_late.v), S_OK);
  EXPECT_EQ(yyy_late.text(), L"7");

  CellRef cell(L"12");
  Var ref(cell), value, stored;
  ASSERT_EQ(vcall(L"t", INVOKE_PROPERTYPUT, {&ref.v}), S_OK);
  ASSERT_EQ(get(L"t", &value.v), S_OK);
  EXPECT_EQ(value.text(), L"12");
  ASSERT_EQ(vcall(L"t", INVOKE_PROPERTYPUTREF, {&ref.v}), S_OK);
  ASSERT_EQ(vcall(L"t", INVOKE_PROPERTYGET, {&stored.v}), S_OK);
  ASSERT_EQ(stored.v.vt, VT_DISPATCH);
  EXPECT_EQ(stored.v.pdispVal, static_cast<IDispatch*>(cell));
}

TEST_F(EarlyBound, AFailingCallSetsTheErrorObject) {
  CellRef cell(L"abc");
  IDispatch* text_cell = cell;
  Var result;
  EXPECT_EQ(vcall(L"PAI", INVOKE_FUNC, {&text_cell, &result.v}), kCallFailed);
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr;
  info->GetDescription(&description);
  EXPECT_NE(std::wstring(description).find(L"PAI"), std::wstring::npos);
  SysFreeString(description);
  info->Release();
  ISupportErrorInfo* support = nullptr;
  ASSERT_EQ(dual_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(kIid), S_OK);
  support->Release();
}

// ---- the class factory and unloading ----------------------------------------------------

TEST(Server, CountsObjectsAndLocksBeforeUnloading) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto get_class = entry<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>("DllGetClassObject");
  auto can_unload = entry<HRESULT STDAPICALLTYPE()>("DllCanUnloadNow");
  ASSERT_TRUE(get_class && can_unload);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class(IID_IDispatch, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(get_class(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(can_unload(), S_OK);
  IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
  IUnknown* obj = nullptr;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&obj)),
            CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&obj)), S_OK);
  EXPECT_EQ(can_unload(), S_FALSE);
  obj->Release();
  EXPECT_EQ(can_unload(), S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(can_unload(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(can_unload(), S_OK);
  factory->Release();
  CoUninitialize();
}

}  // namespace
