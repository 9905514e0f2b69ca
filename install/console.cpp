// The installer's lines on a console, a pipe or a file (console.h).
#include "install/console.h"

#include <windows.h>

#include <iostream>

#include "core/text.h"
#include "install/windows_text.h"

namespace korvane::install {
namespace {

// One line to standard output or error: UTF-16 to a console, which then
// shows Chinese whatever its code page; UTF-8 to a pipe or a file.
void line(bool error, const std::string& s) {
  std::ostream& stream = error ? std::cerr : std::cout;
  stream.flush();
  const HANDLE handle = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    const std::wstring w = wide(to_utf16(s + "\n"));
    DWORD written = 0;
    WriteConsoleW(handle, w.data(), static_cast<DWORD>(w.size()), &written, nullptr);
    return;
  }
  stream << s << '\n';
  stream.flush();
}

}  // namespace

void tell(const std::string& s) { line(false, s); }

int fail(int code, const char* command, const std::string& s) {
  line(true, std::string("korvane ") + command + ": " + s);
  return code;
}

}  // namespace korvane::install
