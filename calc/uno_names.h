// The names the Calc add-in goes by on the UNO side.
//
// UNO identifiers are ASCII, while most worksheet functions and parameters have
// Chinese names. Calc binds a formula through the display name (the function's
// own name, 平特几肖, TEMA, ...) and stores the programmatic name
// (service.method) in the file, so the programmatic names must never change:
// they are derived from the function's own name by a fixed rule, not chosen.
//
// Used both by the generator that writes the type description and the
// configuration of the extension, and by the component itself.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace korvane::calc {

// The service Calc instantiates and the configuration node that describes it.
inline constexpr std::string_view kService = "korvane.calc.CustomFunctions";
inline constexpr std::string_view kImplementation = "korvane.calc.CustomFunctionsImpl";
// The interface holding one method per worksheet function.
inline constexpr std::string_view kInterface = "korvane.calc.XCustomFunctions";
// The function wizard's category.
inline constexpr std::string_view kCategory = "Add-In";

// The method name of a worksheet function: ASCII letters and digits are kept,
// every other UTF-16 unit becomes "u" and four upper-case hex digits
// (验证 -> u9A8Cu8BC1, 求和1 -> u6C42u548C1, TEMA -> TEMA).
inline std::string programmatic_name(std::u16string_view name) {
  std::string out;
  for (char16_t c : name) {
    const bool keep =
        (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    if (keep) {
      out += static_cast<char>(c);
    } else {
      char hex[16];
      std::snprintf(hex, sizeof hex, "u%04X", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

// The hidden last parameter of every method that reads a Range's value: Calc hands
// a parameter of type XPropertySet the document the formula is in, without a
// formula argument for it (the formulas and the wizard show only the others).
// The document's number formats tell a boolean cell (TRUE is the number 1 in
// a boolean format) from a number.
inline constexpr const char* kCaller = "caller";

// The method's parameter names: p01, p02, ... Calc's configuration lists the
// parameters as named child nodes, which come back sorted by name, so the
// names sort in parameter order.
inline std::string parameter_name(std::size_t index) {
  char name[24];
  std::snprintf(name, sizeof name, "p%02zu", index + 1);
  return name;
}

}  // namespace korvane::calc
