// The bitness of the installed Office, as Office itself records it.
//
// Excel loads only an XLL of its own bitness, and 32-bit Office is common on
// 64-bit Windows (the default of Office 2010 and 2013, and what many shops
// still deploy). Office writes its bitness in several places, depending on
// how it was installed and in which registry view:
//   - Click-to-Run (2016 and later, Microsoft 365): ClickToRun\Configuration's
//     Platform; Office 2013's Click-to-Run: 15.0\ClickToRun\Configuration;
//   - an MSI install: <version>\Outlook's Bitness, in the view of Office's
//     own bitness (a 32-bit Office on 64-bit Windows writes it in the 32-bit
//     view, under WOW6432Node);
//   - Excel's own InstallRoot, which exists only in the view of its bitness.
// Each is looked at in both views, the newest kind first. Nothing found: 64-bit
// Windows defaults to 64-bit Office, as Office 2019 and later install.
//
// The rule reads the registry through a function, so that it is tested with
// rows of a registry that no Windows here has.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::install {

enum class Bits { X86, X64 };

// A string value of HKLM\Software\Microsoft\Office\<key> in the 64-bit view
// (view64) or the 32-bit one, or nullopt when it is not there.
using ReadOfficeValue = std::function<std::optional<std::u16string>(
    std::u16string_view key, bool view64, std::u16string_view name)>;

Bits office_bitness(const ReadOfficeValue& read, bool windows_64_bit);

}  // namespace korvane::install
