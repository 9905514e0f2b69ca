// Moving itself away, and finishing later (self_removal.h).
#include "install/self_removal.h"

#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <algorithm>
#include <string>

#include "install/console.h"
#include "install/folder_files.h"
#include "install/installations.h"
#include "install/journal.h"
#include "install/machine.h"
#include "install/removal.h"

namespace korvane::install {

namespace fs = std::filesystem;

namespace {

// A process's start time, which tells it from a later one that Windows gave
// the same id once it had ended; 0 when it cannot be read.
unsigned long long started(HANDLE process) {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

DWORD parent_process() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

}  // namespace

fs::path move_self_away(const fs::path& self) {
  const fs::path to =
      temp_folder() / (L"korvane-removed-" + std::to_wstring(GetCurrentProcessId()) + L".exe");
  if (!MoveFileExW(self.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
  MoveFileExW(to.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);  // needs rights: best effort
  return to;
}

bool finish_later(fs::path exe, const std::vector<fs::path>& folders, bool machine) {
  if (exe.empty()) {
    exe = temp_folder() / (L"korvane-finish-" + std::to_wstring(GetCurrentProcessId()) + L".exe");
    if (!CopyFileW(own_exe().c_str(), exe.c_str(), FALSE)) return false;
    MoveFileExW(exe.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  const DWORD parent = parent_process();
  unsigned long long since = 0;
  if (const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent)) {
    since = started(h);
    CloseHandle(h);
  }
  std::wstring command = L"\"" + exe.wstring() + L"\" uninstall --finish-after " +
                         std::to_wstring(parent) + L" --finish-since " + std::to_wstring(since) +
                         (machine ? L" --machine" : L"");
  for (const fs::path& f : folders) command += L" --finish-folder \"" + f.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE,
                      DETACHED_PROCESS | CREATE_NO_WINDOW, nullptr, temp_folder().c_str(), &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// The copy started by finish_later: once the process that ran uninstall has
// ended (ten minutes at most: uninstall.cmd may wait for a key), the folders'
// remains, retried a little while Windows lets go of them.
//
// Windows hands an ended process's id to the next one soon (Wine at once):
// a process with that id but another start time is not the one to wait for,
// which has ended. And a folder that holds a record or a journal again is an
// installation made since (the uninstall removed the record before it left
// this step to us): it is not ours to touch.
int finish(const Options& o) {
  if (const HANDLE h =
          OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, o.finish_after)) {
    if (started(h) == o.finish_since) WaitForSingleObject(h, 10 * 60 * 1000);
    CloseHandle(h);
  }
  std::vector<fs::path> folders = wide_option(L"--finish-folder");
  for (int attempt = 0; attempt < 25; ++attempt) {
    std::error_code ec;
    std::erase_if(folders, [](const fs::path& f) { return has_record(f) || has_journal(f); });
    remove_files(folders, o.machine, "uninstall");
    // Done when our files are gone and each folder is gone too, or holds
    // the user's files (a file deleted while cmd.exe let go of it may
    // keep its folder a moment longer).
    if (std::all_of(folders.begin(), folders.end(), [&](const fs::path& f) {
          return our_files(f).empty() && (!fs::exists(f, ec) || holds_visible_entry(f));
        }))
      return 0;
    Sleep(200);
  }
  return kNotDone;
}

}  // namespace korvane::install
