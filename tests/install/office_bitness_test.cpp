// Office's bitness from the registry as each kind of Office install leaves
// it: rows of HKLM\Software\Microsoft\Office values, in either registry view.
#include "install/office_bitness.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace korvane::install {
namespace {

struct Value {
  std::u16string key;
  bool view64;
  std::u16string name, data;
};

Bits bitness_of(const std::vector<Value>& registry, bool windows64 = true) {
  return office_bitness(
      [&](std::u16string_view key, bool view64,
          std::u16string_view name) -> std::optional<std::u16string> {
        for (const Value& v : registry) {
          if (v.key == key && v.view64 == view64 && v.name == name) return v.data;
        }
        return std::nullopt;
      },
      windows64);
}

TEST(InstallOfficeBitness, EachKindOfInstallInEitherView) {
  const std::u16string c2r = u"ClickToRun\\Configuration";
  const struct {
    const char* what;
    std::vector<Value> registry;
    Bits bits;
  } rows[] = {
      {"nothing found: 64-bit Windows, 64-bit Office", {}, Bits::X64},
      {"Click-to-Run 32-bit", {{c2r, true, u"Platform", u"x86"}}, Bits::X86},
      {"Click-to-Run 64-bit", {{c2r, true, u"Platform", u"x64"}}, Bits::X64},
      {"Click-to-Run noted in the 32-bit view", {{c2r, false, u"Platform", u"x86"}}, Bits::X86},
      {"Office 2013 Click-to-Run 32-bit",
       {{u"15.0\\ClickToRun\\Configuration", true, u"Platform", u"x86"}},
       Bits::X86},
      {"MSI 2016 32-bit: Bitness in the 32-bit view only",
       {{u"16.0\\Outlook", false, u"Bitness", u"x86"}},
       Bits::X86},
      {"MSI 2013 32-bit, 32-bit view", {{u"15.0\\Outlook", false, u"Bitness", u"x86"}}, Bits::X86},
      {"MSI 2010 32-bit, 32-bit view", {{u"14.0\\Outlook", false, u"Bitness", u"x86"}}, Bits::X86},
      {"MSI 2016 64-bit", {{u"16.0\\Outlook", true, u"Bitness", u"x64"}}, Bits::X64},
      {"MSI 2010 64-bit", {{u"14.0\\Outlook", true, u"Bitness", u"x64"}}, Bits::X64},
      {"Bitness written in another case",
       {{u"16.0\\Outlook", false, u"Bitness", u"X86"}},
       Bits::X86},
      {"MSI without Outlook: Excel's InstallRoot in the 32-bit view",
       {{u"16.0\\Excel\\InstallRoot", false, u"Path", u"C:\\Program Files (x86)\\Office16\\"}},
       Bits::X86},
      {"MSI 2007: Excel's InstallRoot in the 32-bit view",
       {{u"12.0\\Excel\\InstallRoot", false, u"Path", u"C:\\Office12\\"}},
       Bits::X86},
      {"MSI without Outlook: Excel's InstallRoot in the 64-bit view",
       {{u"16.0\\Excel\\InstallRoot", true, u"Path", u"C:\\Program Files\\Office16\\"}},
       Bits::X64},
      {"Click-to-Run wins over an older MSI's leftovers",
       {{c2r, true, u"Platform", u"x64"}, {u"14.0\\Outlook", false, u"Bitness", u"x86"}},
       Bits::X64},
      {"a value that says neither is passed over",
       {{c2r, true, u"Platform", u"arm64?"}, {u"16.0\\Outlook", false, u"Bitness", u"x86"}},
       Bits::X86},
  };
  for (const auto& row : rows) EXPECT_EQ(bitness_of(row.registry), row.bits) << row.what;
}

TEST(InstallOfficeBitness, ThirtyTwoBitWindowsHasOnlyThirtyTwoBitOffice) {
  EXPECT_EQ(bitness_of({{u"ClickToRun\\Configuration", true, u"Platform", u"x64"}}, false),
            Bits::X86);
}

}  // namespace
}  // namespace korvane::install
