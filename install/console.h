// What the installer's commands say, and the exit status they end with.
//
// install.cmd and uninstall.cmd run korvane.exe in a console window that a
// bookkeeper reads, most often on a Chinese Windows whose console code page
// cannot show the sentences as UTF-8; a pipe or a file (a script, the setup
// program) wants UTF-8 bytes. Each line goes out the way its reader can read
// it, and a failure is said on standard error naming the command it ends.
#pragma once

#include <string>

namespace korvane::install {

// Exit status: something could not be done (a file in use, a registry key
// that cannot be written), with nothing changed where it matters.
inline constexpr int kNotDone = 1;
// Exit status: a usage error, missing rights or a refusal.
inline constexpr int kCannot = 2;

// One line to standard output.
void tell(const std::string& s);

// "korvane COMMAND: s" on standard error; returns code, for `return fail(...)`.
int fail(int code, const char* command, const std::string& s);

}  // namespace korvane::install
