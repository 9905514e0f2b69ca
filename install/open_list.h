// Excel's list of add-ins to load at start, and our place in it.
//
// For each Excel version a user has run, the key
// HKCU\Software\Microsoft\Office\<version>\Excel\Options holds the add-ins
// Excel opens when it starts, one a value: OPEN, OPEN1, OPEN2, ... Excel reads them in that
// sequence and stops at the first number missing, so the list must stay without gaps. An automation
// add-in is written `/A "ProgID"`; an XLL (or any workbook add-in)
// `/R "full path"`, opened read-only.
//
// The installer adds our one entry after the others, never twice, and the
// uninstaller takes it out and moves the later entries down. The rules are
// pure functions of the list, kept apart from the registry so that they are
// tested on their own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::install {

// The entry that loads the automation add-in.
inline constexpr std::u16string_view kAutomationEntry = u"/A \"Korvane.自定义函数\"";

// The entry that loads an XLL from a path.
std::u16string xll_entry(std::u16string_view path);

// The value name of the i-th entry: OPEN, OPEN1, OPEN2, ...
std::u16string open_value_name(std::size_t i);

// Whether an entry is one an installer of ours wrote: the automation add-in,
// or korvane.xll from a folder named Korvane (any version, any bitness).
bool is_ours(std::u16string_view entry);

// The list with every entry of ours taken out, the others keeping their order.
std::vector<std::u16string> without_ours(std::vector<std::u16string> list);

// The list with our entry: any older entry of ours (another version, or the
// other kind of add-in, since the two register the same names) taken out,
// and entry after the others. A list that already holds just that entry of
// ours is left as it is.
std::vector<std::u16string> with_ours(std::vector<std::u16string> list, std::u16string_view entry);

}  // namespace korvane::install
