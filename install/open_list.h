// Excel's list of add-ins to load at start, and our place in it.
//
// For each Excel version a user has run, the key
// HKCU\Software\Microsoft\Office\<version>\Excel\Options holds the add-ins
// Excel opens when it starts, one a value: OPEN, OPEN1, OPEN2, ... Excel reads
// them in that sequence and stops at the first number missing: a value past
// that gap is not loaded, and must stay so (whoever left it there switched it
// off). An automation add-in is written `/A "ProgID"`; an XLL (or any
// workbook add-in) `/R "full path"`, opened read-only, or the path alone.
// People and other tools write these by hand too, so the quotes may be
// missing, the spacing doubled and the case changed; a value may be
// REG_EXPAND_SZ with %APPDATA% in its path, which is kept as it was written.
//
// The installer adds our one entry after the loaded ones, never twice, and
// the uninstaller takes it out and moves the later entries down; the values
// past the gap move with them, so the gap stays and they stay unloaded. The
// rules are pure functions of the list, kept apart from the registry so that
// they are tested on their own.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::install {

// The automation add-in's ProgID, and the entry that loads it.
inline constexpr std::u16string_view kProgId = u"Korvane.自定义函数";
inline constexpr std::u16string_view kAutomationEntry = u"/A \"Korvane.自定义函数\"";

// The entry that loads an XLL from a path.
std::u16string xll_entry(std::u16string_view path);

// The value name of the i-th entry: OPEN, OPEN1, OPEN2, ...
std::u16string open_value_name(std::size_t i);

// The number of a value name (OPEN -> 0, open12 -> 12), or -1 when the name
// is none of the list's.
long open_value_number(std::u16string_view name);

// What an entry makes Excel load: an automation add-in by its ProgID, or a
// file by its path (quotes and switches taken off).
struct Target {
  bool automation = false;
  std::u16string name;  // the ProgID or the path, as written
};
Target target_of(std::u16string_view entry);

// Whether the file at a path (as written in an entry) is our XLL. The
// installer asks the file's version resource; the rule below is the one for
// a path alone.
using OurXll = std::function<bool(std::u16string_view path)>;

// A path of korvane.xll in a folder named Korvane (any version, any bitness):
// where our installers put it.
bool in_our_folder(std::u16string_view path);

// Whether an entry loads our add-in: the automation add-in in any spelling,
// or an XLL that our_xll says is ours.
bool is_ours(std::u16string_view entry, const OurXll& our_xll = in_our_folder);

// The loaded list with every entry of ours taken out, the others keeping
// their order.
std::vector<std::u16string> without_ours(std::vector<std::u16string> list,
                                         const OurXll& our_xll = in_our_folder);

// The loaded list with our entry: any older entry of ours (another version,
// or the other kind of add-in, since the two register the same names) taken
// out, and entry after the others. A list that already holds just that entry
// of ours is left as it is.
std::vector<std::u16string> with_ours(std::vector<std::u16string> list, std::u16string_view entry,
                                      const OurXll& our_xll = in_our_folder);

// The version key of an Office version, as the registry names it under
// Software\Microsoft\Office: "16.0" from "16.0", or from Click-to-Run's
// VersionToReport "16.0.17928.20114"; "" for any other key there ("Common",
// "ClickToRun", "16.0x").
std::u16string excel_version(std::u16string_view text);

// One value as the registry holds it: its text, unexpanded, and whether it
// is REG_EXPAND_SZ.
struct OpenValue {
  std::u16string text;
  bool expand = false;
  bool operator==(const OpenValue&) const = default;
};

// Every value of the list by its number, the loaded ones and those past a gap.
using OpenValues = std::map<std::size_t, OpenValue>;

// How many values Excel loads: those up to the first gap.
std::size_t loaded_count(const OpenValues& values);

// Whether any loaded value is ours.
bool loads_ours(const OpenValues& values, const OurXll& our_xll = in_our_folder);

// The values with our entry among the loaded ones, as with_ours above.
OpenValues with_ours(const OpenValues& values, std::u16string_view entry,
                     const OurXll& our_xll = in_our_folder);

// The values with ours taken out of the loaded ones, as without_ours above.
OpenValues without_ours(const OpenValues& values, const OurXll& our_xll = in_our_folder);

}  // namespace korvane::install
