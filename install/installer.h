// The Windows installer's commands (install_command.cpp, uninstall_command.cpp,
// status_command.cpp), which korvane.exe's command line offers as install,
// uninstall and status. Each prints what it did, in Chinese when Windows'
// display language is Chinese (messages.h), and returns the exit status: 0 done; 1 when something
// could not be done, with nothing changed; 2 for a usage error, missing rights or a refusal (a
// folder that is not ours, a setup's installation for the zip's uninstall), with nothing changed.
// An uninstall with nothing installed says so and exits 0: what was asked for holds.
//
// Both delete exactly the files an installation's record names (record.h)
// and folders only when they are then empty: the user's own files in the
// folder are never touched.
#pragma once

namespace korvane::install {

struct Options {
  bool machine = false;     // for every user of the machine, not only this one
  bool xll = false;         // have Excel load korvane.xll instead of the automation add-in
  bool automation = false;  // have Excel load the automation add-in, whatever it loaded before
  // The installation folder (--folder, read again from the command line in
  // UTF-16); without it, the zip route's folder for this version.
  bool folder_given = false;
  // The setup program runs this: the installation is noted as the setup's
  // (Route=setup), and only the setup's uninstaller removes it.
  bool by_setup = false;
  // install: the release folder this korvane.exe belongs to is the
  // installation (a setup program has put the files where the user chose):
  // register it where it is, copy nothing.
  bool in_place = false;
  // uninstall: undo the registration and Excel's entries only, and leave the
  // files to whoever put them there (a setup program's uninstaller).
  bool keep_files = false;
  // uninstall, for its own use: a copy in the temporary folder waits for
  // this process (the cmd.exe of uninstall.cmd, which holds its batch file)
  // to end, then removes the folders left (--finish-folder).
  unsigned long finish_after = 0;
  // and that process's start time, which tells it from a later one given
  // the same id.
  unsigned long long finish_since = 0;
};

int install(const Options& o);
int uninstall(const Options& o);
int status();

}  // namespace korvane::install
