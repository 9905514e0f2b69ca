// A stand-in for Excel, to test korvane.xll under Wine.
//
// It does what Excel does with an XLL, as far as Korvane's functions need: it
// exports the callback MdCallBack12 from its own executable (the XLL looks
// it up there), loads korvane.xll from its own folder, calls xlAutoOpen and
// records every xlfRegister, refusing what Excel would refuse (texts over 255
// characters, more than 255 arguments, a malformed type text, a parameter
// count that disagrees with the argument names, a missing export, a name
// registered twice). It answers xlGetName, xlCoerce (for the cells of its one
// sheet), xlFree and xlfSetName, and at the end checks that xlAutoClose
// deleted the name of every function it registered (or the wizard would
// still list them). A function is called through its registered export with
// XLOPER12 arguments built as Excel builds them for the registered type: for
// Q the values of referenced cells (nil for a blank cell, an array for a
// block), for U a reference into the sheet; a result marked xlbitDLLFree is
// handed back to xlAutoFree12 on the calling thread.
//
//   korvane_xll_standin eval            `korvane eval` on standard input/output
//   korvane_xll_standin registrations   prints the registrations and checks
//                                       them against the member list
//   korvane_xll_standin threads [N [T]] N draws loaded while T threads (3)
//                                       settle bets; every answer must belong
//                                       to one draw
//
// The XLL has no properties; get, let and set of the draw state go through
// its one unregistered export, korvane_edit_draw, which runs a change on a
// copy of the draw and publishes it. What Excel shows differs from what
// `korvane eval` writes in two ways an XLOPER12 cannot carry: Integers and
// Longs come back as numbers, and a result that is the error value #VALUE!
// reads as a failing call (tests/protocol/run_corpus.py --excel compares so).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/protocol.h"
#include "core/custom_functions.h"
#include "core/text.h"
#include "xll/xlcall.h"

using namespace korvane;
using namespace korvane::xll;
using protocol::Outcome;

namespace {

// ---- texts ----------------------------------------------------------------------------

std::u16string text_of(const XLOPER12& x) {
  if ((x.xltype & xltypeMask) != xltypeStr || !x.val.str) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(x.val.str + 1),
                        static_cast<std::size_t>(x.val.str[0]));
}

XCHAR* new_text(std::u16string_view s) {
  auto* b = new XCHAR[s.size() + 1];
  b[0] = static_cast<XCHAR>(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) b[i + 1] = static_cast<XCHAR>(s[i]);
  return b;
}

std::string utf8(std::u16string_view s) { return to_utf8(s); }

bool same_name(std::u16string_view a, std::u16string_view b) {  // as COM binds names
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// ---- what Excel builds and frees --------------------------------------------------------

// A value Excel owns: texts and arrays allocated here, freed by free_value.
void free_value(XLOPER12& x) {
  switch (x.xltype & xltypeMask) {
    case xltypeStr:
      delete[] x.val.str;
      break;
    case xltypeMulti: {
      const std::size_t n = static_cast<std::size_t>(x.val.array.rows) *
                            static_cast<std::size_t>(x.val.array.columns);
      for (std::size_t i = 0; i < n; ++i) free_value(x.val.array.lparray[i]);
      delete[] x.val.array.lparray;
      break;
    }
    default:
      break;
  }
  x.xltype = xltypeNil;
}

// A cell's value as Excel hands it: a blank cell is nil.
XLOPER12 cell_value(const Variant& v) {
  XLOPER12 x{};
  switch (v.kind()) {
    case Variant::Kind::Empty:
      x.xltype = xltypeNil;
      break;
    case Variant::Kind::Integer:
      x.xltype = xltypeNum;
      x.val.num = *v.if_integer();
      break;
    case Variant::Kind::Long:
      x.xltype = xltypeNum;
      x.val.num = *v.if_long();
      break;
    case Variant::Kind::Double:
      x.xltype = xltypeNum;
      x.val.num = *v.if_double();
      break;
    case Variant::Kind::String:
      x.xltype = xltypeStr;
      x.val.str = new_text(v.string_view());
      break;
    case Variant::Kind::Boolean:
      x.xltype = xltypeBool;
      x.val.xbool = *v.if_boolean();
      break;
    case Variant::Kind::Error:
      x.xltype = xltypeErr;
      x.val.err = excel_error_code(*v.if_error()) - 2000;
      break;
    default:
      x.xltype = xltypeErr;
      x.val.err = xlerrValue;
  }
  return x;
}

// A value: one cell's, or an array for a block.
XLOPER12 value_oper(const Variant& v) {
  if (const ArrayRef* a = v.if_array(); a && *a) {
    XLOPER12 x{};
    x.xltype = xltypeMulti;
    x.val.array.rows = static_cast<RW>((*a)->rows);
    x.val.array.columns = static_cast<COL>((*a)->cols);
    x.val.array.lparray = new XLOPER12[(*a)->cells.size()];
    for (std::size_t i = 0; i < (*a)->cells.size(); ++i)
      x.val.array.lparray[i] = cell_value((*a)->cells[i]);
    return x;
  }
  return cell_value(v);
}

Variant variant_of(const XLOPER12& x) {
  switch (x.xltype & xltypeMask) {
    case xltypeNum:
      return Variant(x.val.num);
    case xltypeStr:
      return Variant(text_of(x));
    case xltypeBool:
      return Variant(x.val.xbool != 0);
    case xltypeErr: {
      ExcelError e;
      if (excel_error_from_code(2000 + x.val.err, e)) return Variant(e);
      return Variant(u"<unknown error code>");
    }
    case xltypeNil:
      return Variant();
    case xltypeMulti: {
      std::vector<Variant> cells;
      const std::size_t n = static_cast<std::size_t>(x.val.array.rows) *
                            static_cast<std::size_t>(x.val.array.columns);
      for (std::size_t i = 0; i < n; ++i) cells.push_back(variant_of(x.val.array.lparray[i]));
      return Variant(make_array(static_cast<std::size_t>(x.val.array.rows),
                                static_cast<std::size_t>(x.val.array.columns), std::move(cells)));
    }
    default:
      return Variant(u"<a result of type " + to_utf16(std::to_string(x.xltype)) + u">");
  }
}

// ---- the host --------------------------------------------------------------------------

struct Registered {
  std::u16string procedure, type_text, function_text, argument_text, category, function_help;
  std::vector<std::u16string> argument_help;
  void* entry = nullptr;
  std::size_t params = 0;
};

class Host {
 public:
  HMODULE xll = nullptr;
  std::wstring xll_path;
  std::vector<Registered> functions;
  std::vector<std::string> refusals;          // what Excel would have refused
  std::vector<std::u16string> deleted_names;  // xlfSetName with a name alone
  // The sheet: each reference argument of a call gets fresh rows; the
  // sheet is cleared after the call, so the XLL cannot keep a reference.
  std::map<RW, Variant> blocks;  // first row -> the block's value
  RW next_row = 0;

  int callback(int xlfn, int count, LPXLOPER12* opers, LPXLOPER12 res);
  std::string check_registration(int count, LPXLOPER12* opers, Registered& out) const;
};

Host* g_host = nullptr;

std::string Host::check_registration(int count, LPXLOPER12* opers, Registered& r) const {
  if (count < 10) return "fewer than the ten leading arguments";
  if (count > kMaxCallbackArgs) return "more than 255 arguments";
  for (int i = 0; i < count; ++i) {
    if (!opers[i]) return "a null argument";
    const DWORD t = opers[i]->xltype & xltypeMask;
    if (i == 5 ? t != xltypeNum : t != xltypeStr)
      return "argument " + std::to_string(i + 1) + " has the wrong type";
    if (t == xltypeStr && text_of(*opers[i]).size() > kMaxRegisterText)
      return "argument " + std::to_string(i + 1) + " is longer than 255 characters";
  }
  r.procedure = text_of(*opers[1]);
  r.type_text = text_of(*opers[2]);
  r.function_text = text_of(*opers[3]);
  r.argument_text = text_of(*opers[4]);
  r.category = text_of(*opers[6]);
  r.function_help = text_of(*opers[9]);
  for (int i = 10; i < count; ++i) r.argument_help.push_back(text_of(*opers[i]));
  if (opers[5]->val.num != 1) return "not registered as a worksheet function (macro type 1)";
  if (text_of(*opers[0]) != std::u16string(xll_path.begin(), xll_path.end()))
    return "the module is not the XLL's own name";

  // The type text: a result type, one type per parameter, then the flags.
  const std::u16string_view types = r.type_text;
  static constexpr std::u16string_view kTypes = u"ABCDEFGHIJKLMNOPQRU";
  std::size_t at = 0;
  std::vector<char16_t> codes;
  while (at < types.size() && kTypes.find(types[at]) != std::u16string_view::npos) {
    codes.push_back(types[at++]);
    if (at < types.size() && types[at] == u'%') ++at;  // a wide-text variant
  }
  std::u16string_view flags = types.substr(at);
  for (char16_t f : flags) {
    if (f != u'!' && f != u'$' && f != u'#') return "an unknown type or flag in the type text";
  }
  if (flags.find(u'$') != flags.npos && flags.find(u'#') != flags.npos)
    return "thread-safe and macro-sheet equivalent at once";
  if (codes.empty()) return "no result type";
  r.params = codes.size() - 1;
  if (r.params > 255) return "more than 255 parameters";
  std::size_t names = r.argument_text.empty() ? 0 : 1;
  for (char16_t c : r.argument_text) names += c == u',';
  if (names != r.params) return "the argument names disagree with the parameter count";
  if (r.argument_help.size() > r.params) return "more help lines than parameters";
  if (r.function_text.empty()) return "no function name";
  for (const Registered& other : functions) {
    if (same_name(other.function_text, r.function_text)) return "a name registered twice";
    if (other.procedure == r.procedure) return "an export registered twice";
  }
  const std::string proc = utf8(r.procedure);
  r.entry = reinterpret_cast<void*>(GetProcAddress(xll, proc.c_str()));
  if (!r.entry) return "the XLL does not export " + proc;
  return {};
}

int Host::callback(int xlfn, int count, LPXLOPER12* opers, LPXLOPER12 res) {
  switch (xlfn) {
    case xlGetName:
      if (!res) return xlretFailed;
      res->xltype = xltypeStr | xlbitXLFree;
      res->val.str = new_text(std::u16string(xll_path.begin(), xll_path.end()));
      return xlretSuccess;
    case xlFree:
      for (int i = 0; i < count; ++i) {
        if (opers[i] && (opers[i]->xltype & xlbitXLFree)) free_value(*opers[i]);
      }
      return xlretSuccess;
    case xlfRegister: {
      Registered r;
      const std::string problem = check_registration(count, opers, r);
      if (res) {
        res->xltype = problem.empty() ? xltypeNum : xltypeErr;
        res->val.num = 0;
        if (problem.empty())
          res->val.num = static_cast<double>(functions.size() + 1);
        else
          res->val.err = xlerrValue;
      }
      if (!problem.empty()) {
        refusals.push_back(utf8(r.function_text) + ": " + problem);
      } else {
        functions.push_back(std::move(r));
      }
      return xlretSuccess;
    }
    case xlfSetName:
      if (count != 1 || !opers[0] || (opers[0]->xltype & xltypeMask) != xltypeStr)
        return xlretInvXloper;
      deleted_names.push_back(text_of(*opers[0]));
      if (res) {
        res->xltype = xltypeBool;
        res->val.xbool = TRUE;
      }
      return xlretSuccess;
    case xlCoerce: {
      if (count < 1 || !opers[0] || !res) return xlretInvCount;
      const XLOPER12& src = *opers[0];
      if ((src.xltype & xltypeMask) != xltypeSRef) return xlretInvXloper;
      const auto block = blocks.find(src.val.sref.ref.rwFirst);
      if (block == blocks.end()) return xlretInvXloper;  // not a cell of this call
      *res = value_oper(value_of(block->second));
      res->xltype |= xlbitXLFree;
      return xlretSuccess;
    }
    default:
      return xlretInvXlfn;
  }
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall MdCallBack12(int xlfn, int count, LPXLOPER12* opers,
                                                            LPXLOPER12 res) {
  if (!g_host) return xlretFailed;
  return g_host->callback(xlfn, count, opers, res);
}

namespace {

// ---- calling a registered function ---------------------------------------------------------

using P = LPXLOPER12;
LPXLOPER12 invoke(void* f, std::vector<XLOPER12>& a) {
  switch (a.size()) {
    case 1:
      return reinterpret_cast<P(__stdcall*)(P)>(f)(&a[0]);
    case 2:
      return reinterpret_cast<P(__stdcall*)(P, P)>(f)(&a[0], &a[1]);
    case 3:
      return reinterpret_cast<P(__stdcall*)(P, P, P)>(f)(&a[0], &a[1], &a[2]);
    case 4:
      return reinterpret_cast<P(__stdcall*)(P, P, P, P)>(f)(&a[0], &a[1], &a[2], &a[3]);
    case 5:
      return reinterpret_cast<P(__stdcall*)(P, P, P, P, P)>(f)(&a[0], &a[1], &a[2], &a[3], &a[4]);
    case 9:
      return reinterpret_cast<P(__stdcall*)(P, P, P, P, P, P, P, P, P)>(f)(
          &a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6], &a[7], &a[8]);
    default:
      return nullptr;
  }
}

struct CallAnswer {
  bool failed = false;  // #VALUE!: a failing call, as the sheet shows it
  Variant value;
};

// Calls f with the arguments Excel would build from args; frees what it
// hands back. Only the calling thread's host state is touched (for U
// arguments, the main thread's sheet).
CallAnswer call_registered(Host& host, const Registered& f, std::span<const Variant> args) {
  std::vector<XLOPER12> opers(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Variant& a = args[i];
    const char16_t type = f.type_text[i + 1];
    if (const RangeRef* r = a.if_range(); r && *r && type == u'U') {
      const Variant v = (*r)->value();
      const ArrayRef* block = v.if_array();
      const RW rows = block ? static_cast<RW>((*block)->rows) : 1;
      const COL cols = block ? static_cast<COL>((*block)->cols) : 1;
      opers[i].xltype = xltypeSRef;
      opers[i].val.sref.count = 1;
      opers[i].val.sref.ref = {host.next_row, host.next_row + rows - 1, 0, cols - 1};
      host.blocks[host.next_row] = v;
      host.next_row += rows;
    } else if (a.is_empty()) {
      opers[i].xltype = xltypeMissing;  // an argument left out
    } else {
      opers[i] = value_oper(value_of(a));  // Q: references become their values
    }
  }
  LPXLOPER12 res = invoke(f.entry, opers);
  for (XLOPER12& o : opers) free_value(o);
  host.blocks.clear();
  CallAnswer answer;
  if (!res) {
    answer.failed = true;
    return answer;
  }
  if ((res->xltype & xltypeMask) == xltypeErr && res->val.err == xlerrValue) {
    answer.failed = true;
  } else {
    answer.value = variant_of(*res);
  }
  if (res->xltype & xlbitDLLFree) {
    static const auto free12 = reinterpret_cast<void(__stdcall*)(LPXLOPER12)>(
        reinterpret_cast<void*>(GetProcAddress(host.xll, "xlAutoFree12")));
    free12(res);
  }
  return answer;
}

// ---- the draw-state properties, through korvane_edit_draw ------------------------------------

struct Edit {
  const Property* m;
  const char* verb;
  const Variant* value;
  Outcome* out;
};

void __stdcall edit_property(void* draw, void* context) {
  auto& e = *static_cast<Edit*>(context);
  auto& d = *static_cast<Draw*>(draw);
  const std::string verb = e.verb;
  if (verb == "get") {
    *e.out = Outcome::result(e.m->get(d));
  } else if (verb == "let") {
    *e.out = e.m->let(d, *e.value) ? Outcome::result(Variant()) : Outcome::fail();
  } else if (!e.m->set) {
    *e.out = Outcome::fault(utf8(e.m->name) + " holds text and has no set");
  } else {
    e.m->set(d, *e.value);
    *e.out = Outcome::result(Variant());
  }
}

class XllBackend final : public protocol::Backend {
 public:
  explicit XllBackend(Host& host) : host_(host) {}

  Outcome call(std::u16string_view name, std::span<const Variant> args) override {
    const Registered* f = nullptr;
    for (const Registered& r : host_.functions) {
      if (same_name(r.function_text, name)) f = &r;
    }
    if (!f) {
      if (const Property* m = find_property(name))
        return Outcome::fault(utf8(m->name) + " is a property: use get, let or set");
      return Outcome::fault("no function or property is named \"" + utf8(name) + "\"");
    }
    if (args.size() != f->params)
      return Outcome::fault(utf8(f->function_text) + " takes " + std::to_string(f->params) +
                            " arguments, not " + std::to_string(args.size()));
    CallAnswer a = call_registered(host_, *f, args);
    if (a.failed) return Outcome::fail();
    return Outcome::result(std::move(a.value));
  }
  Outcome get(std::u16string_view name) override { return property("get", name, nullptr); }
  Outcome let(std::u16string_view name, const Variant& v) override {
    return property("let", name, &v);
  }
  Outcome set(std::u16string_view name, const Variant& v) override {
    return property("set", name, &v);
  }

 private:
  Outcome property(const char* verb, std::u16string_view name, const Variant* value) {
    const Property* m = find_property(name);
    if (!m) {
      if (const Function* f = find_function(name))
        return Outcome::fault(utf8(f->name) + " is a function: use call");
      return Outcome::fault("no function or property is named \"" + utf8(name) + "\"");
    }
    static const auto edit_draw =
        reinterpret_cast<int(__stdcall*)(void(__stdcall*)(void*, void*), void*)>(
            reinterpret_cast<void*>(GetProcAddress(host_.xll, "korvane_edit_draw")));
    Outcome out = Outcome::fault("the XLL exports no korvane_edit_draw");
    Edit e{m, verb, value, &out};
    if (edit_draw && !edit_draw(&edit_property, &e)) return Outcome::fault("the draw edit failed");
    return out;
  }
  Host& host_;
};

// ---- the modes --------------------------------------------------------------------------------

const Registered* registered(const Host& host, std::u16string_view name) {
  for (const Registered& r : host.functions) {
    if (r.function_text == name) return &r;
  }
  return nullptr;
}

std::u16string trim_end(std::u16string s) {
  while (!s.empty() && s.back() == u' ') s.pop_back();
  return s;
}

// Every function of the member list registered as the wizard should show it.
int check_registrations(const Host& host) {
  int problems = 0;
  auto problem = [&](const std::string& what) {
    std::cout << "PROBLEM " << what << '\n';
    ++problems;
  };
  std::size_t expected = 0;
  for (const Function& m : functions()) {
    ++expected;
    const Registered* r = registered(host, m.name);
    const std::string name = utf8(m.name);
    if (!r) {
      problem(name + " is not registered");
      continue;
    }
    std::u16string names;
    for (const Param& p : m.params) {
      if (!names.empty()) names += u',';
      names.append(p.name);
    }
    if (r->argument_text != names) problem(name + ": argument names " + utf8(r->argument_text));
    if (r->category != u"Korvane") problem(name + ": category " + utf8(r->category));
    if (r->function_help != to_utf16(m.zh)) problem(name + ": description");
    if (r->argument_help.size() != m.params.size()) problem(name + ": help line count");
    for (std::size_t i = 0; i < r->argument_help.size() && i < m.params.size(); ++i) {
      if (trim_end(r->argument_help[i]) != to_utf16(m.params[i].zh))
        problem(name + ": help of " + utf8(m.params[i].name));
    }
    const bool thread_safe = r->type_text.find(u'$') != std::u16string::npos;
    if (thread_safe == m.keeps_references)
      problem(name + (thread_safe ? ": thread-safe, but keeps references" : ": not thread-safe"));
    for (std::size_t i = 0; i < m.params.size() && i + 1 < r->type_text.size(); ++i) {
      if ((r->type_text[i + 1] == u'U') != m.keeps_references)
        problem(name + ": parameter " + utf8(m.params[i].name) + " registered as type " +
                utf8(r->type_text.substr(i + 1, 1)));
    }
    std::cout << utf8(r->procedure) << '\t' << utf8(r->type_text) << '\t' << name << '('
              << utf8(r->argument_text) << ")\t" << utf8(r->category) << '\t'
              << utf8(r->function_help);
    for (const std::u16string& h : r->argument_help) std::cout << " | " << utf8(trim_end(h));
    std::cout << '\n';
  }
  // The name the Add-ins dialog shows.
  const auto info = reinterpret_cast<LPXLOPER12(__stdcall*)(LPXLOPER12)>(
      reinterpret_cast<void*>(GetProcAddress(host.xll, "xlAddInManagerInfo12")));
  XLOPER12 action{};
  action.xltype = xltypeNum;
  action.val.num = 1;
  const LPXLOPER12 shown = info ? info(&action) : nullptr;
  if (!shown || text_of(*shown) != u"Korvane 自定义函数") problem("the Add-ins dialog name");
  if (host.functions.size() != expected)
    problem(std::to_string(host.functions.size()) + " registrations for " +
            std::to_string(expected) + " functions");
  std::cout << host.functions.size() << " functions registered, " << problems << " problems\n";
  return problems ? 1 : 0;
}

// Two draws and probes whose answers differ between them; a call that saw
// part of one draw and part of the other answers neither.
struct Probe {
  std::u16string function;
  std::vector<Variant> args;
};

int run_threads(Host& host, int rounds, int reader_count) {
  const Registered* verify = registered(host, u"验证");
  if (!verify) return 1;
  const std::vector<Variant> draw_a{Variant(2013.0), Variant(u"05 12 18 30 41 49"), Variant(u"08"),
                                    Variant()};
  // The same year, no sign in common: A draws 牛马鼠鼠牛蛇 and 狗, B 龙兔虎猪鸡猴 and 羊.
  const std::vector<Variant> draw_b{Variant(2013.0), Variant(u"02 03 04 07 09 10"), Variant(u"11"),
                                    Variant()};
  const std::vector<Probe> probes{
      {u"平特几肖", {Variant(u"平特一肖"), Variant(u"牛马鼠蛇狗龙兔"), Variant(100.0), Variant()}},
      {u"特串软串", {Variant(u"特串"), Variant(u"08 05 12 18 30 41 49"), Variant(10.0), Variant()}},
      {u"平码几中几", {Variant(u"三中三"), Variant(u"05-12-18-30-41"), Variant(600.0), Variant()}},
      {u"平特几不中", {Variant(u"02 03 04 07 09"), Variant(300.0), Variant()}},
  };
  struct Expected {
    const Registered* f;
    std::vector<Variant> args;
    Variant a, b;
  };
  std::vector<Expected> expected;
  for (const Probe& p : probes) {
    const Registered* f = registered(host, p.function);
    if (!f) return 1;
    call_registered(host, *verify, draw_a);
    const Variant a = call_registered(host, *f, p.args).value;
    call_registered(host, *verify, draw_b);
    const Variant b = call_registered(host, *f, p.args).value;
    std::cout << utf8(p.function) << ": draw A " << protocol::encode(a) << ", draw B "
              << protocol::encode(b) << '\n';
    if (a == b) {
      std::cout << "PROBLEM the probe does not tell the draws apart\n";
      return 1;
    }
    expected.push_back({f, p.args, a, b});
  }

  std::atomic<bool> done{false};
  std::atomic<int> started{0};
  std::atomic<long> calls{0}, seen_a{0}, seen_b{0}, torn{0};
  std::mutex report;
  auto reader = [&](std::size_t first) {
    Host quiet;  // no references are passed: readers never touch the sheet
    quiet.xll = host.xll;
    ++started;
    for (std::size_t i = first; !done.load(std::memory_order_relaxed); ++i) {
      const Expected& e = expected[i % expected.size()];
      const CallAnswer got = call_registered(quiet, *e.f, e.args);
      ++calls;
      if (!got.failed && got.value == e.a) {
        ++seen_a;
      } else if (!got.failed && got.value == e.b) {
        ++seen_b;
      } else if (++torn <= 5) {
        std::lock_guard lock(report);
        std::cout << "TORN " << utf8(e.f->function_text) << " answered "
                  << (got.failed ? std::string("#VALUE!") : protocol::encode(got.value)) << '\n';
      }
    }
  };
  std::vector<std::thread> readers;
  for (int t = 0; t < reader_count; ++t) readers.emplace_back(reader, static_cast<std::size_t>(t));
  while (started < reader_count) std::this_thread::yield();  // a cold Wine starts threads slowly
  for (int r = 0; r < rounds; ++r) call_registered(host, *verify, r % 2 ? draw_b : draw_a);
  done = true;
  for (std::thread& t : readers) t.join();
  std::cout << rounds << " draws loaded during " << calls << " calls: " << seen_a
            << " answered from draw A, " << seen_b << " from draw B, " << torn << " torn\n";
  if (seen_a == 0 || seen_b == 0) {
    std::cout << "PROBLEM the readers did not see both draws: nothing was tested\n";
    return 1;
  }
  return torn ? 1 : 0;
}

int run(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode != "eval" && mode != "registrations" && mode != "threads") {
    std::cerr << "usage: korvane_xll_standin eval | registrations | threads [ROUNDS [READERS]]\n";
    return 2;
  }
  Host host;
  g_host = &host;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  host.xll_path = self;
  host.xll_path = host.xll_path.substr(0, host.xll_path.find_last_of(L"\\/") + 1) + L"korvane.xll";
  host.xll = LoadLibraryW(host.xll_path.c_str());
  if (!host.xll) {
    std::cerr << "korvane_xll_standin: cannot load korvane.xll beside the program\n";
    return 1;
  }
  auto open = reinterpret_cast<int(__stdcall*)()>(
      reinterpret_cast<void*>(GetProcAddress(host.xll, "xlAutoOpen")));
  auto close = reinterpret_cast<int(__stdcall*)()>(
      reinterpret_cast<void*>(GetProcAddress(host.xll, "xlAutoClose")));
  const int opened = open ? open() : 0;
  for (const std::string& r : host.refusals) std::cerr << "REFUSED " << r << '\n';
  if (!opened || !host.refusals.empty()) {
    std::cerr << "korvane_xll_standin: xlAutoOpen failed\n";
    return 1;
  }
  int rc = 0;
  if (mode == "eval") {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    XllBackend backend(host);
    protocol::serve(backend, std::cin, std::cout);
  } else if (mode == "registrations") {
    rc = check_registrations(host);
  } else {
    rc =
        run_threads(host, argc > 2 ? std::atoi(argv[2]) : 20000, argc > 3 ? std::atoi(argv[3]) : 3);
  }
  if (close) close();
  for (const Registered& r : host.functions) {
    if (std::find(host.deleted_names.begin(), host.deleted_names.end(), r.function_text) ==
        host.deleted_names.end()) {
      std::cerr << "PROBLEM xlAutoClose left the name " << utf8(r.function_text) << '\n';
      rc = 1;
    }
  }
  FreeLibrary(host.xll);
  g_host = nullptr;
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "korvane_xll_standin: " << e.what() << '\n';
    return 1;
  }
}
