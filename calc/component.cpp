// The LibreOffice Calc add-in: the worksheet functions of 自定义函数 as a UNO
// component.
//
// Calc creates the add-in service once per running office and calls every
// formula's function on that object, as Excel does with its automation add-in:
// all formulas share the draw that the 验证 evaluated last loaded. The factory
// hands out that one object however often it is asked, so no second draw can
// come into being.
//
// Every method is generated from the member list (functions.inc) and hands
// its arguments to `invoke`, which converts them (uno_values.h), calls the
// member and converts the result. Calc calls add-ins on its one calculation
// thread, under its own lock, so the object needs no lock of its own.
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/lang/XServiceName.hpp>
#include <com/sun/star/sheet/LocalizedName.hpp>
#include <com/sun/star/sheet/XAddIn.hpp>
#include <com/sun/star/sheet/XCompatibilityNames.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/factory.hxx>
#include <cppuhelper/implbase5.hxx>
#include <cppuhelper/implementationentry.hxx>
#include <cppuhelper/supportsservice.hxx>
#include <cstddef>
#include <exception>
#include <initializer_list>
#include <korvane/calc/XCustomFunctions.hpp>
#include <rtl/ustring.hxx>
#include <string>
#include <string_view>
#include <vector>

#include "calc/uno_names.h"
#include "calc/uno_text.h"
#include "calc/uno_values.h"
#include "calc/workbook_names.h"
#include "core/custom_functions.h"

namespace korvane::calc {
namespace {

OUString utf8(std::string_view s) {
  return OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}

css::uno::Sequence<OUString> service_names() {
  css::uno::Sequence<OUString> names(2);
  names[0] = "com.sun.star.sheet.AddIn";
  names[1] = ascii(kService);
  return names;
}

// The function member whose method is named `name`, or null.
const Function* by_method(const OUString& name) {
  for (const Function& m : functions())
    if (ascii(programmatic_name(m.name)) == name) return &m;
  return nullptr;
}

class CustomFunctions final
    : public cppu::WeakImplHelper5<XCustomFunctions, css::sheet::XAddIn,  // XAddIn is XLocalizable
                                   css::sheet::XCompatibilityNames, css::lang::XServiceName,
                                   css::lang::XServiceInfo> {
 public:
  // ---- the worksheet functions --------------------------------------------
#include "functions.inc"

  // ---- XAddIn: names and descriptions for the function wizard --------------
  OUString SAL_CALL getProgrammaticFuntionName(const OUString& display) override {
    const std::u16string_view name(reinterpret_cast<const char16_t*>(display.getStr()),
                                   static_cast<std::size_t>(display.getLength()));
    const Function* m = find_function(name);
    return m ? ascii(programmatic_name(m->name)) : OUString();
  }
  OUString SAL_CALL getDisplayFunctionName(const OUString& method) override {
    const Function* m = by_method(method);
    return m ? utf16(m->name) : OUString();
  }
  OUString SAL_CALL getFunctionDescription(const OUString& method) override {
    const Function* m = by_method(method);
    return m ? utf8(chinese() ? m->zh : m->en) : OUString();
  }
  OUString SAL_CALL getDisplayArgumentName(const OUString& method, sal_Int32 i) override {
    const Param* p = param(method, i);
    return p ? utf16(p->name) : OUString();
  }
  OUString SAL_CALL getArgumentDescription(const OUString& method, sal_Int32 i) override {
    const Param* p = param(method, i);
    return p ? utf8(chinese() ? p->zh : p->en) : OUString();
  }
  OUString SAL_CALL getProgrammaticCategoryName(const OUString&) override {
    return ascii(kCategory);
  }
  OUString SAL_CALL getDisplayCategoryName(const OUString&) override { return ascii(kCategory); }

  // ---- XCompatibilityNames: the name in .xlsx files is the function's own --
  css::uno::Sequence<css::sheet::LocalizedName> SAL_CALL
  getCompatibilityNames(const OUString& method) override {
    const Function* m = by_method(method);
    if (!m) return {};
    css::uno::Sequence<css::sheet::LocalizedName> names(1);
    names[0] = css::sheet::LocalizedName(css::lang::Locale("en", "US", ""), utf16(m->name));
    return names;
  }

  // ---- XLocalizable ------------------------------------------------------------
  void SAL_CALL setLocale(const css::lang::Locale& locale) override { locale_ = locale; }
  css::lang::Locale SAL_CALL getLocale() override { return locale_; }

  // ---- XServiceName, XServiceInfo ------------------------------------------------
  OUString SAL_CALL getServiceName() override { return ascii(kService); }
  OUString SAL_CALL getImplementationName() override { return ascii(kImplementation); }
  sal_Bool SAL_CALL supportsService(const OUString& name) override {
    return cppu::supportsService(this, name);
  }
  css::uno::Sequence<OUString> SAL_CALL getSupportedServiceNames() override {
    return service_names();
  }

 private:
  // Reads one method's arguments; its cell ranges with the document the
  // formula is in (null for a method without one).
  class Arguments {
   public:
    explicit Arguments(std::nullptr_t) {}
    explicit Arguments(const css::uno::Reference<css::beans::XPropertySet>& document)
        : document_(document) {}
    Variant operator()(const css::uno::Any& a) const { return from_any(a); }
    Variant operator()(const css::uno::Reference<css::table::XCellRange>& r) const {
      return from_range(r, document_);
    }

   private:
    css::uno::Reference<css::beans::XPropertySet> document_;
  };

  // Calls the function at `index` of the function list. A failing call
  // raises the exception that Calc shows as #VALUE!.
  css::uno::Any invoke(std::size_t index, std::initializer_list<Variant> args) {
    const std::vector<Variant> values(args);
    const CallResult r = call(obj_, functions()[index], values);
    if (r.failed) throw css::uno::RuntimeException("the worksheet function failed");
    return to_any(r.value);
  }

  // Runs one method: reading the arguments and the call. Only UNO exceptions
  // may cross into Calc; anything else (running out of memory) fails the call.
  template <class F>
  static css::uno::Any guarded(F&& f) {
    try {
      return f();
    } catch (const css::uno::Exception&) {
      throw;
    } catch (const std::exception&) {
      throw css::uno::RuntimeException("the worksheet function failed");
    }
  }

  bool chinese() const { return locale_.Language == "zh"; }

  static const Param* param(const OUString& method, sal_Int32 i) {
    const Function* m = by_method(method);
    if (!m || i < 0 || static_cast<std::size_t>(i) >= m->params.size()) return nullptr;
    return &m->params[static_cast<std::size_t>(i)];
  }

  Draw obj_;
  css::lang::Locale locale_{"en", "US", ""};
};

css::uno::Reference<css::uno::XInterface> SAL_CALL
create(const css::uno::Reference<css::uno::XComponentContext>&) {
  return static_cast<cppu::OWeakObject*>(new CustomFunctions);
}
OUString SAL_CALL implementation_name() { return ascii(kImplementation); }
css::uno::Sequence<OUString> SAL_CALL supported_services() { return service_names(); }

// One object for the whole office: createOneInstanceComponentFactory keeps the
// first instance and hands it out on every later request. The document job
// too is one object, which keeps what it knows of each open workbook.
const cppu::ImplementationEntry kEntries[] = {
    {create, implementation_name, supported_services, cppu::createOneInstanceComponentFactory,
     nullptr, 0},
    {create_workbook_names, workbook_names_implementation, workbook_names_services,
     cppu::createOneInstanceComponentFactory, nullptr, 0},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0},
};

}  // namespace
}  // namespace korvane::calc

extern "C" SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* implementation,
                                                                    void* service_manager,
                                                                    void* registry_key) {
  return cppu::component_getFactoryHelper(implementation, service_manager, registry_key,
                                          korvane::calc::kEntries);
}
