// `korvane.exe status`: what is where, whether Excel will load it, and
// whether a file is blocked.
//
// An installation for every user adds Excel's entry only for the
// administrator who ran it: for another user of the machine whose Excel does
// not list it yet, status (the Start menu's "Korvane 状态") adds the entry,
// which is how each of them switches it on.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "install/console.h"
#include "install/excel_lists.h"
#include "install/installations.h"
#include "install/installer.h"
#include "install/machine.h"
#include "install/open_list.h"
#include "install/registry.h"
#include "install/removal.h"
#include "install/windows_text.h"

namespace korvane::install {

namespace fs = std::filesystem;

int status() {
  for (const bool machine : {false, true}) {
    tell(text(machine ? Say::StatusForAll : Say::StatusForYou));
    const std::vector<fs::path> folders = installed_folders(machine);
    for (const fs::path& folder : folders) tell(text(Say::StatusInstalled, {utf8(folder)}));
    if (folders.empty()) tell(text(Say::StatusNothing));
    for (const Registration& r : registrations(machine)) {
      const std::wstring dll = com::registered_dll(r.scope);
      const char* bits = r.platform == std::wstring(L"win64") ? "64" : "32";
      tell(dll.empty() ? text(Say::StatusNotRegistered, {bits})
                       : text(Say::StatusRegistered, {bits, utf8(dll)}));
    }
    for (const fs::path& folder : folders) {
      for (const fs::path& f : files_of(folder)) {
        if (blocked(f)) tell(text(Say::StatusBlocked, {utf8(f)}));
      }
    }
  }
  // A user of an installation for every user, whose Excel does not list it:
  // the installer wrote the entry only for the administrator who ran it.
  const std::optional<std::u16string> machine_entry =
      installed_entry(false) ? std::nullopt : installed_entry(true);
  const std::vector<std::wstring> versions = excel_versions();
  if (versions.empty()) tell(text(Say::StatusNoExcel));
  for (const std::wstring& version : versions) {
    OpenValues values = open_values(version);
    if (!loads_ours(values, our_xll_file) && machine_entry) {
      const std::u16string entry = *machine_entry;
      if (change_open_lists({version}, [&](const OpenValues& v) {
            return with_ours(v, entry, our_xll_file);
          }) == ERROR_SUCCESS) {
        values = open_values(version);
        for (const auto& [number, value] : values) {
          if (value.text == entry)
            tell(text(Say::StatusSwitchedOn,
                      {utf8(version), to_utf8(open_value_name(number)), to_utf8(value.text)}));
        }
        continue;
      }
    }
    std::string said = text(Say::StatusDoesNotLoad, {utf8(version)});
    for (std::size_t i = 0; i < loaded_count(values); ++i) {
      if (is_ours(values.at(i).text, our_xll_file))
        said = text(Say::StatusLoads,
                    {utf8(version), to_utf8(open_value_name(i)), to_utf8(values.at(i).text)});
    }
    tell(said);
  }
  return 0;
}

}  // namespace korvane::install
