"""The setup and its uninstaller as IT staff and a careless machine use them
(setup_test.py --only hostile, or one row by name): each row is one way the
setup could lose a bookkeeper's files, report a success it did not have, or
leave registrations nothing can remove. All rows share one Chinese prefix;
each installs into a folder of its own and takes its installation out again.

The command lines are handed to CreateProcess exactly as written (runline.exe,
below), as a deployment tool or Apps & Features does, not re-quoted by Wine.
What only a real Windows shows is left to it: a DLL held by Excel in another
session (here a process holding the file open stands in), and UAC.
"""
import os
import shutil
import subprocess
import time

import install_test as it
import release_files

check = it.check
USER_FILES = {"2025年账本.xlsx": b"PK\x03\x04 ledger", "备份/一月.xlsx": b"PK\x03\x04 january"}
HKCU, HKLM = "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"

# Runs the UTF-8 command line in the file it is given, as written, and
# exits with its exit code (127: it could not be started).
RUNLINE = r"""
#include <windows.h>
#include <stdio.h>
int main(int argc, char **argv) {
  static char line[32768];
  static wchar_t wide[32768];
  FILE *f = argc == 2 ? fopen(argv[1], "rb") : NULL;
  if (!f) return 126;
  line[fread(line, 1, sizeof line - 1, f)] = 0;
  fclose(f);
  MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, 32768);
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi;
  if (!CreateProcessW(NULL, wide, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return 127;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  return (int)code;
}
"""

# Holds a folder as a window open in it does (its current folder) and the
# files named after it open, as Excel holds a DLL it loaded; says so by
# creating the file SIGNAL, then waits to be killed.
HOLDER = r"""
#include <windows.h>
int wmain(int argc, wchar_t **argv) {
  if (argc < 3 || !SetCurrentDirectoryW(argv[1])) return 2;
  for (int i = 3; i < argc; ++i)
    if (CreateFileW(argv[i], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL) ==
        INVALID_HANDLE_VALUE) return 1;
  CloseHandle(CreateFileW(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  Sleep(300000);
  return 0;
}
"""


def program(work, name, source, *flags):
    exe = work / f"{name}.exe"
    if not exe.exists():
        c = work / f"{name}.c"
        c.write_text(source)
        subprocess.run(["x86_64-w64-mingw32-gcc", "-O1", *flags, "-o", str(exe), str(c)], check=True)
    return exe


class Rig:
    """The prefix, the setup, and the ways of running them."""

    def __init__(self, prefix, setup, version):
        self.p, self.setup, self.version = prefix, setup, version
        self.runline = program(prefix.work, "runline", RUNLINE)
        self.holder_exe = program(prefix.work, "holder", HOLDER, "-municode")

    def linux(self, windows):
        """C:\\X\\Y as a path in the prefix."""
        return self.p.path / "drive_c" / windows[3:].replace("\\", "/")

    def raw(self, line, timeout=240):
        """Runs LINE as written; its exit code, or None when it hung."""
        text = self.p.work / "line.txt"
        text.write_text(line, encoding="utf-8")
        try:
            return self.p.wine.run(str(self.runline), it.windows_path(text), timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            self.p.wine.kill()
            return None

    def install(self, switches, timeout=240):
        return self.raw(f'"{it.windows_path(self.setup)}" {switches}', timeout)

    def quiet_uninstall(self, root=HKCU):
        """The entry's QuietUninstallString under cmd /c "…", as deployment tools run it."""
        command = self.p.key(root).get("QuietUninstallString")
        if not command:
            return None
        code = self.raw(f'cmd.exe /d /c "{command}"')
        if code == 0:
            self.settle(command[1:command.index('"', 1)])
        return code

    def settle(self, uninstaller):
        """Waits for the hidden command that removes UNINSTALLER once it has ended."""
        deadline = time.time() + 30
        while self.linux(uninstaller).exists() and time.time() < deadline:
            time.sleep(0.5)

    def hold(self, folder, *files):
        """A process holding FOLDER (and FILES in it) until stopped."""
        signal = self.p.work / "held.txt"
        signal.unlink(missing_ok=True)
        env = dict(os.environ, **self.p.wine.env)
        holder = subprocess.Popen(
            [str(it.WINE), *self.p.wine.zh, str(self.holder_exe), folder, it.windows_path(signal),
             *[folder + "\\" + f for f in files]],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 120
        while not signal.exists() and holder.poll() is None and time.time() < deadline:
            time.sleep(0.3)
        return holder

    def state(self, folder, root=HKCU):
        """Everything an install or uninstall may change: the folder's files,
        the entry, Excel's list and the classes."""
        return (tree(self.linux(folder)), self.p.key(root), it.open_list(self.p.wine, self.p.work),
                self.p.classes(root))

    def clean(self, *folders):
        """Takes out whatever a row left: both entries' installations, then the folders."""
        for root in (HKCU, HKLM):
            self.quiet_uninstall(root)
        for folder in folders:
            shutil.rmtree(self.linux(folder), ignore_errors=True)
        it.seed_options(self.p.wine, self.p.work, [it.OTHER])


def tree(path):
    return {str(p.relative_to(path)): p.read_bytes() for p in sorted(path.rglob("*")) if p.is_file()} \
        if path.exists() else {}


def release(rig=None):
    """The files the setup installs, as paths below the folder."""
    return [f.path for f in release_files.read() if "setup" in f.flags and "optional" not in f.flags]


def put_user_files(rig, folder):
    for name, data in USER_FILES.items():
        target = rig.linux(folder) / name
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)


def user_files_kept(rig, folder):
    return all((rig.linux(folder) / n).is_file() and (rig.linux(folder) / n).read_bytes() == d
               for n, d in USER_FILES.items())


def installed_in(rig, folder, root=HKCU):
    files = rig.linux(folder)
    return (all((files / f).is_file() for f in release(rig)) and (files / "uninstall.exe").is_file()
            and rig.p.key(root).get("InstallLocation") == folder
            and folder in rig.p.classes(root).replace("\\\\", "\\"))


# ---- the rows ------------------------------------------------------------------------

def repair_keeps_user_files(rig):
    folder = r"C:\Korvane R"
    rig.install(f"/S /D={folder}")
    put_user_files(rig, folder)
    code = rig.install(f"/S /D={folder}")
    check(code == 0 and user_files_kept(rig, folder) and installed_in(rig, folder)
          and not (rig.linux(folder) / "korvane-replacing").exists(),
          f"repair over /D=: exit {code}, the workbooks kept, the installation whole")
    code = rig.quiet_uninstall()
    check(code == 0 and user_files_kept(rig, folder)
          and not any((rig.linux(folder) / f).exists() for f in release(rig) + ["uninstall.exe"]),
          f"its uninstall: exit {code}, our files gone, the workbooks kept")
    rig.clean(folder)


def tools_folder_refused(rig):
    folder = r"C:\Tools"
    tools = rig.linux(folder)
    for name, data in {"korvane.exe": b"MZ another program", "7z.exe": b"MZ 7-Zip",
                       "说明.txt": "别的工具".encode("gbk"), "sub/a.txt": b"a"}.items():
        (tools / name).parent.mkdir(parents=True, exist_ok=True)
        (tools / name).write_bytes(data)
    before = rig.state(folder)
    code = rig.install(f"/S /D={folder}")
    check(code == 2 and rig.state(folder) == before,
          f"a tools folder holding another korvane.exe: exit {code}, nothing touched")
    rig.clean(folder)


def held_folder_changes_nothing(rig):
    """The Start menu's status window has the folder as its current one: that
    stops no file being replaced; a file held open (on Windows, any handle)
    stops the run before anything changes."""
    folder = r"C:\Korvane H"
    rig.install(f"/S /D={folder}")
    put_user_files(rig, folder)
    for held, want in (((), 0), (("korvane.exe",), 1)):
        before = rig.state(folder)
        holder = rig.hold(folder, *held)
        try:
            code = rig.install(f"/S /D={folder}")
            after = rig.state(folder)
        finally:
            holder.kill()
            holder.wait()
        same = after == before if want else (user_files_kept(rig, folder) and installed_in(rig, folder))
        check(code == want and same, f"setup while the folder is held (its files held: {list(held)}): "
              f"exit {code}, " + ("nothing changed" if want else "installed, the workbooks kept"))
    rig.clean(folder)


def held_dll_refuses_uninstall(rig):
    folder = r"C:\Korvane D"
    rig.install(f"/S /ALLUSERS /D={folder}")
    before = rig.state(folder, HKLM)
    holder = rig.hold(folder, r"x64\korvane.dll")
    try:
        code = rig.quiet_uninstall(HKLM)
        after = rig.state(folder, HKLM)
    finally:
        holder.kill()
        holder.wait()
    check(code not in (0, None) and after == before,
          f"all-users uninstall with x64\\korvane.dll held: exit {code}, everything in place")
    rig.clean(folder)


def tool_missing(rig):
    folder = r"C:\Korvane M"
    rig.install(f"/S /D={folder}")
    (rig.linux(folder) / "korvane.exe").unlink()
    code = rig.quiet_uninstall()
    check(code == 0 and rig.p.key(HKCU) == {} and "korvane.dll" not in rig.p.classes(HKCU)
          and it.open_list(rig.p.wine, rig.p.work) == [it.OTHER],
          f"uninstall without korvane.exe: exit {code}, x86\\korvane.exe took the registrations out")
    rig.install(f"/S /D={folder}")
    for name in ("korvane.exe", "x86/korvane.exe"):
        (rig.linux(folder) / name).unlink()
    before = rig.state(folder)
    code = rig.quiet_uninstall()
    check(code not in (0, None) and rig.state(folder) == before,
          f"uninstall with no korvane.exe at all: exit {code}, the entry and registrations kept")
    rig.install(f"/S /D={folder}")  # a repair brings them back
    rig.clean(folder)


def ampersand_path(rig):
    folder = r"C:\Tools & Data (x86)\Korvane"
    code = rig.install(f"/S /D={folder}")
    check(code == 0 and installed_in(rig, folder), f"installed in {folder}: exit {code}")
    code = rig.quiet_uninstall()
    check(code == 0 and rig.p.key(HKCU) == {} and "korvane.dll" not in rig.p.classes(HKCU)
          and it.open_list(rig.p.wine, rig.p.work) == [it.OTHER] and tree(rig.linux(folder)) == {},
          f"its QuietUninstallString under cmd /c: exit {code}, everything of ours gone")
    rig.clean(r"C:\Tools & Data (x86)")


def uninstaller_elsewhere_refused(rig):
    folder, other = r"C:\Korvane U", r"C:\Tools U"
    rig.install(f"/S /D={folder}")
    (rig.linux(other)).mkdir(parents=True, exist_ok=True)
    for name in ("使用说明.txt", "LICENSE.txt", "账本.xlsx"):  # named as ours are, but the user's
        (rig.linux(other) / name).write_bytes(b"the user's own")
    before, other_before = rig.state(folder), tree(rig.linux(other))
    code = rig.raw(f'"{folder}\\uninstall.exe" /S _?={other}')
    time.sleep(3)
    check(code not in (0, None) and rig.state(folder) == before and tree(rig.linux(other)) == other_before,
          f"uninstaller with _?= naming a folder not ours: exit {code}, nothing removed anywhere")
    rig.clean(folder, other)


def copy_uninstaller_keeps_others(rig):
    folder, copy = r"C:\Korvane A", r"C:\Korvane A copy"
    rig.install(f"/S /D={folder}")
    shutil.copytree(rig.linux(folder), rig.linux(copy))
    before = rig.state(folder)
    code = rig.raw(f'"{copy}\\uninstall.exe" /S _?={copy}')
    if code == 0:
        rig.settle(copy + "\\uninstall.exe")
    check(code == 0 and rig.state(folder) == before
          and not any((rig.linux(copy) / f).exists() for f in release(rig)),
          f"a copy's uninstaller: exit {code}, its files gone, the registrations of {folder} kept")
    rig.clean(folder, copy)


def second_folder(rig):
    first, second = r"C:\Korvane A2", r"C:\Korvane B2"
    rig.install(f"/S /D={first}")
    put_user_files(rig, first)
    code = rig.install(f"/S /D={second}")
    left = sorted(tree(rig.linux(first)))
    check(code == 0 and installed_in(rig, second) and left == sorted(USER_FILES)
          and it.open_list(rig.p.wine, rig.p.work) == [it.OTHER, it.AUTOMATION],
          f"a second /D=: exit {code}, one installation in {second}, the first folder keeps "
          f"only the user's files ({left[:4]})")
    rig.clean(first, second)


def interrupted_install(rig):
    """The state a silent install killed after moving our files aside leaves:
    the journal's first step written, every recorded file inside it."""
    folder = r"C:\Korvane J"
    rig.install(f"/S /D={folder}")
    put_user_files(rig, folder)
    files, journal = rig.linux(folder), rig.linux(folder) / "korvane-replacing"
    listed = "".join(f"{p.replace('/', chr(92))}\r\n" for p in release(rig))
    journal.mkdir()
    (journal / "moving.txt").write_bytes(
        ("\ufeff; Korvane: the files installed here\r\n" + listed).encode("utf-16-le"))
    for path in release(rig):
        target = journal / "files" / path
        target.parent.mkdir(parents=True, exist_ok=True)
        (files / path).rename(target)
    code = rig.install(f"/S /D={folder}")
    check(code == 0 and installed_in(rig, folder) and user_files_kept(rig, folder)
          and not journal.exists() and it.open_list(rig.p.wine, rig.p.work) == [it.OTHER, it.AUTOMATION],
          f"a re-run after a killed install: exit {code}, the half-done work recognised and finished")
    rig.clean(folder)


# The switches: the line after the setup's name, the exit code, and the
# folder it then installs in (None: nowhere, nothing changed).
SWITCHES = [
    ("/s", 0, "standard"),
    (r"/S /d=C:\Korvane L", 0, r"C:\Korvane L"),
    (r'/S /D="C:\Program Files\Korvane Q"', 0, r"C:\Program Files\Korvane Q"),
    (r"/S /xll /D=C:\Korvane X", 0, r"C:\Korvane X"),
    ("/S /D=C:\\", 2, None),
    (r"/S /D=Korvane", 2, None),
    (r'/S /D="C:\Korvane Q', 2, None),
    (r"/S /D=C:\Korvane\..", 2, None),
]


def switches(rig):
    standard = "C:\\" + str(rig.p.base(False).relative_to(rig.p.path / "drive_c")).replace("/", "\\") \
        + "\\" + rig.version
    for line, want, folder in SWITCHES:
        folder = standard if folder == "standard" else folder
        drive = sorted(p.name for p in (rig.p.path / "drive_c").iterdir())
        code = rig.install(line, timeout=120)
        if folder:
            ok = code == want and installed_in(rig, folder)
        else:
            ok = (code == want and rig.p.key(HKCU) == {} and not rig.p.base(False).exists()
                  and sorted(p.name for p in (rig.p.path / "drive_c").iterdir()) == drive)
        check(ok, f"setup {line}: exit {code} (hung: None), "
              + (f"installed in {folder}" if folder else "nothing installed"))
        rig.clean(*([folder] if folder and folder != standard else []))


ROWS = {
    "repair": repair_keeps_user_files,
    "tools-folder": tools_folder_refused,
    "held-folder": held_folder_changes_nothing,
    "held-dll": held_dll_refuses_uninstall,
    "tool-missing": tool_missing,
    "ampersand": ampersand_path,
    "not-ours": uninstaller_elsewhere_refused,
    "copy": copy_uninstaller_keeps_others,
    "second-folder": second_folder,
    "interrupted": interrupted_install,
    "switches": switches,
}


def run(prefix, setup, version, names):
    rig = Rig(prefix, setup, version)
    it.seed_options(prefix.wine, prefix.work, [it.OTHER])
    for name in names:
        started = time.time()
        ROWS[name](rig)
        print(f"     ({name}: {time.time() - started:.0f} s)")
