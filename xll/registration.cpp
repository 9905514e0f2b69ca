// Registration with Excel and the add-in manager interface of korvane.xll.
//
// Excel calls xlAutoOpen when it loads the XLL (at start-up for an add-in
// ticked in the Add-ins list, or when a user opens the file), xlAutoClose
// when it unloads it, xlAutoAdd and xlAutoRemove when the user ticks or
// unticks it in the Add-ins dialog, and xlAddInManagerInfo12 for the name the
// dialog shows. All of these run on Excel's main thread.
#include "xll/registration.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "xll/draw.h"
#include "xll/excel.h"
#include "xll/values.h"

namespace korvane::xll {
namespace {

constexpr std::u16string_view kCategory = u"Korvane";
constexpr std::u16string_view kAddinName = u"Korvane 自定义函数";

std::u16string utf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

void within_limit(const std::u16string& s, const char* what) {
  if (s.size() > static_cast<std::size_t>(kMaxRegisterText))
    throw std::length_error(std::string(what) + " longer than Excel's 255 characters");
}

// An XLOPER12 text owned by this registration call.
struct OwnedText {
  explicit OwnedText(std::u16string_view s) {
    oper.val.str = new_xl_string(s);
    oper.xltype = xltypeStr;
  }
  ~OwnedText() { delete[] oper.val.str; }
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;
  XLOPER12 oper;
};

// Registers one function with Excel. Returns false when Excel refuses it.
bool register_function(const XLOPER12& module, const Registration& r) {
  std::vector<std::unique_ptr<OwnedText>> texts;
  auto text = [&](std::u16string_view s) {
    texts.push_back(std::make_unique<OwnedText>(s));
    return &texts.back()->oper;
  };
  XLOPER12 macro_type;
  macro_type.xltype = xltypeNum;
  macro_type.val.num = 1;  // a worksheet function, listed in the wizard
  std::vector<LPXLOPER12> args{const_cast<LPXLOPER12>(&module),
                               text(r.procedure),
                               text(r.type_text),
                               text(r.function_text),
                               text(r.argument_text),
                               &macro_type,
                               text(r.category),
                               text(u""),  // no shortcut
                               text(u""),  // no help topic
                               text(r.function_help)};
  for (const std::u16string& h : r.argument_help) args.push_back(text(h));
  ExcelResult id;
  const int rc = excel12v(xlfRegister, &id.oper, static_cast<int>(args.size()), args.data());
  return rc == xlretSuccess && (id.oper.xltype & xltypeMask) == xltypeNum;
}

}  // namespace

Registration registration_of(std::size_t n) {
  const Function* m = function_member(n);
  if (!m) throw std::out_of_range("no such function");
  Registration r;
  const Entry e = entry_of(n);
  if (e.count > kMaxParams || e.k >= kEntriesPerCount)
    throw std::length_error("no entry of the pool is left for this function");
  const std::string procedure = procedure_name(e);
  r.procedure.assign(procedure.begin(), procedure.end());
  // Result Q; the parameters Q (the values of referenced cells), or U for a
  // function that keeps references as passed, which then runs on Excel's
  // main thread where it may read them; every other function thread-safe.
  r.type_text = u"Q";
  for (std::size_t p = 0; p < m->params.size(); ++p)
    r.type_text += m->keeps_references ? u'U' : u'Q';
  if (!m->keeps_references) r.type_text += u'$';
  r.function_text = std::u16string(m->name);
  for (const Param& p : m->params) {
    if (!r.argument_text.empty()) r.argument_text += u',';
    r.argument_text += p.name;
  }
  r.category = std::u16string(kCategory);
  r.function_help = utf16(m->zh);
  for (const Param& p : m->params) r.argument_help.push_back(utf16(p.zh));
  // The wizard drops the last two characters of the last help line; two
  // spaces are what it drops.
  if (!r.argument_help.empty()) r.argument_help.back() += u"  ";

  within_limit(r.type_text, "the type text");
  within_limit(r.function_text, "the function name");
  within_limit(r.argument_text, "the argument text");
  within_limit(r.function_help, "the function help");
  for (const std::u16string& h : r.argument_help) within_limit(h, "an argument help");
  if (kRegisterFixedArgs + r.argument_help.size() > static_cast<std::size_t>(kMaxCallbackArgs))
    throw std::length_error("more arguments than one xlfRegister call takes");
  return r;
}

}  // namespace korvane::xll

using namespace korvane::xll;

// Registers every worksheet function. Fails (returns 0) when the pool has no
// entry left for one, a registration exceeds Excel's limits, or Excel refuses
// one; what was registered before stays registered.
extern "C" int __stdcall xlAutoOpen() {
  try {
    ExcelResult module;
    if (excel12(xlGetName, &module.oper, {}) != xlretSuccess) return 0;
    for (std::size_t n = 0; function_member(n); ++n) {
      if (!register_function(module.oper, registration_of(n))) return 0;
    }
    return 1;
  } catch (...) {
    return 0;
  }
}

// Unloading forgets the draw, as closing the automation add-in does. Excel
// unregisters the functions itself after this; the names xlfRegister
// defined for them stay unless deleted (xlfSetName with the name alone), and
// would keep the functions in the wizard.
extern "C" int __stdcall xlAutoClose() {
  try {
    for (std::size_t n = 0; const korvane::Function* m = function_member(n); ++n) {
      OwnedText name(m->name);
      ExcelResult ignored;
      excel12(xlfSetName, &ignored.oper, {&name.oper});
    }
    draws().reset();
  } catch (...) {
  }
  return 1;
}

extern "C" int __stdcall xlAutoAdd() { return 1; }
extern "C" int __stdcall xlAutoRemove() { return 1; }

// The name the Add-ins dialog shows (action 1); #VALUE! for anything else.
extern "C" XLOPER12* __stdcall xlAddInManagerInfo12(XLOPER12* action) {
  static XCHAR name[32];
  static XLOPER12 answer;
  static const bool made = [] {
    const std::u16string_view s = kAddinName;
    name[0] = static_cast<XCHAR>(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) name[i + 1] = static_cast<XCHAR>(s[i]);
    return true;
  }();
  (void)made;
  const bool wants_name =
      action && (((action->xltype & xltypeMask) == xltypeNum && action->val.num == 1) ||
                 ((action->xltype & xltypeMask) == xltypeInt && action->val.w == 1));
  if (wants_name) {
    answer.xltype = xltypeStr;
    answer.val.str = name;
  } else {
    answer.xltype = xltypeErr;
    answer.val.err = xlerrValue;
  }
  return &answer;
}

// Excel hands back a result marked xlbitDLLFree once it has copied it.
extern "C" void __stdcall xlAutoFree12(XLOPER12* result) {
  if (result) free_result(*result);
}

// For the test host only, never registered with Excel: runs edit on a copy
// of the current draw and publishes it, so that a test can read and assign
// the draw-state properties the automation add-in exposes (an XLL has no
// properties). Returns 0 when the edit could not be made.
extern "C" int __stdcall korvane_edit_draw(void(__stdcall* edit)(void* draw, void* context),
                                           void* context) {
  if (!edit) return 0;
  try {
    draws().update([&](korvane::Draw& d) { edit(&d, context); });
    return 1;
  } catch (...) {
    return 0;
  }
}
