// The uninstall of the folder korvane.exe runs from: moving itself away,
// and finishing after the batch file that ran it.
//
// Windows deletes no running program and no batch file a cmd.exe is reading,
// and uninstall.cmd runs the korvane.exe of the very folder it removes. A
// running program can be renamed, though: this korvane.exe moves to the
// temporary folder, and a copy of it, started detached, waits for the cmd.exe
// of uninstall.cmd to end before it removes what is left.
#pragma once

#include <filesystem>
#include <vector>

#include "install/installer.h"

namespace korvane::install {

// Moves the running korvane.exe self to the temporary folder, to go at the
// next restart where Windows lets us ask for that. Its new path, or "".
std::filesystem::path move_self_away(const std::filesystem::path& self);

// Starts a copy of korvane.exe (exe, the one moved away, or a new copy when
// "") that waits for our parent process, the cmd.exe that holds its batch
// file, and then removes the folders' remains. False when it could not start.
bool finish_later(std::filesystem::path exe, const std::vector<std::filesystem::path>& folders,
                  bool machine);

// What the copy started by finish_later does (uninstall --finish-after).
int finish(const Options& o);

}  // namespace korvane::install
