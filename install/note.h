// The note an installation leaves in the registry, Software\Korvane (the
// user's, or the machine's in its 64-bit view): its folder, the kind of
// add-in Excel loads (automation or xll), the version, and the route that
// installed it (zip: install.cmd; setup: the setup program, which owns an
// Apps & Features entry and Start-menu shortcuts). An upgrade by either
// route keeps the kind the user chose before; an uninstall by the zip route
// leaves a setup's installation to Apps & Features, so that no entry is left
// leading to nothing.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace korvane::install {

struct Note {
  std::wstring folder;
  std::wstring add_in;  // "automation" or "xll"
  std::wstring version;
  std::wstring route;  // "zip" or "setup"; "" from a release before routes were noted
};

HKEY scope_root(bool machine);

// The note of a scope; every field "" when there is none.
Note read_note(bool machine);
LSTATUS write_note(bool machine, const Note& note);
LSTATUS remove_note(bool machine);

// The folder the setup's Apps & Features entry names (InstallLocation), or "".
std::wstring setup_location(bool machine);

}  // namespace korvane::install
