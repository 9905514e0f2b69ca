#!/usr/bin/env python3
"""The Windows setup, korvane-VERSION-setup.exe, run silently as IT runs it,
under 64-bit Wine, from the setup alone.

In a fresh prefix where Excel already loads another add-in, under a Chinese
locale (code page 936) and under the default one, each choice of the setup is
installed with /S and then taken out again with the QuietUninstallString of
its Apps & Features entry:

- for me (the default), for me with /XLL, and for every user (/ALLUSERS):
  the files in the standard folder; the registration read back (a script
  client creates the object where Wine allows it: from the machine's
  classes); Excel's list holds the other add-in, then ours; the Uninstall
  key (HKCU or HKLM) with every value; the Start-menu folder's three
  shortcuts, named in the UI language; after the uninstall, nothing of ours
  is left and the other add-in still is;
- what must not go ahead changes nothing: a misspelt switch (exit 2), Excel
  running (exit 4, a stand-in window of Excel's class), and korvane.exe
  install failing (a stand-in that fails; exit 1): the copied files are
  taken out again, an installation that was in the folder comes back byte
  for byte with its key and Excel's entry;
- versions: over an installation from the zip (an older version folder and
  its entry), the setup replaces it; an older setup (the same files, a lower
  version, built with scripts/make-setup) refuses to go over this one
  (exit 3) with nothing changed, nor does this one over a newer version from
  the zip; and this one replaces an older setup's installation.

The Chinese locale runs the whole list; then the default one, in the same
prefix once it is left clean (a fresh one when anything failed), installs
for me and removes it again (the Start menu's words are English there).

With --wizard, first the interactive wizard, in the Chinese prefix on a
virtual screen (Xvfb): each page is captured as a PNG under WORK/pages and
the keyboard (xdotool) takes it through every page to a finished install
for me with the XLL, checked as above; and the wizard's message when
korvane.exe install fails is captured as well. Every Wine window runs on
the virtual screen (the stand-in Excel needs one too).

Then, in the Chinese prefix, the hostile rows of setup_hostile.py: repairs,
foreign and held folders, a missing korvane.exe, & in the path, uninstallers
pointed elsewhere, a second /D=, an interrupted install, switches in any case.

usage: setup_test.py --setup SETUP.exe --zip ZIP [--work DIR] [--wizard] [--only NAME ...]
"""
import argparse
import os
import pathlib
import re
import shutil
import subprocess
import sys
import time
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(ROOT / "install"))
import install_test as it  # noqa: E402  (the Wine helpers of the zip's test)
import release_files  # noqa: E402  (install/release-files.txt)
import setup_hostile  # noqa: E402  (the hostile rows)

UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
DISPLAY_NAME = "Korvane 自定义函数"
SHORTCUTS = {True: ("使用说明", "Korvane 状态", "卸载 Korvane", "示例账本"),
             False: ("Guide", "Korvane status", "Uninstall Korvane", "Example workbook")}
# The Active Setup component a machine-wide install registers, whose stub
# gives each user logging on Excel's entry (install/setup/active_setup.nsh).
ACTIVE_SETUP = (r"HKEY_LOCAL_MACHINE\Software\Microsoft\Active Setup\Installed Components"
                r"\{8E3C2F71-5A4D-4B9E-9C1A-7D2E6F0B3A58}")
# The three choices: switches, the scope's registry root, and the entry Excel
# gets for ours (None: the automation add-in).
CHOICES = {
    "for me": ([], "HKEY_CURRENT_USER", None),
    "for me, XLL": (["/XLL"], "HKEY_CURRENT_USER", "xll"),
    "every user": (["/ALLUSERS"], "HKEY_LOCAL_MACHINE", None),
}
EXIT_USAGE, EXIT_NEWER, EXIT_EXCEL = 2, 3, 4

check = it.check


class Prefix:
    """A Wine prefix and where the setup puts things in it."""

    def __init__(self, work, zh, fresh=True):
        self.label = "zh" if zh else "default"
        # scripts/wine makes every prefix under one locale; the locale is the
        # programs' (--zh), so a prefix left clean serves the other one too.
        self.path = work / "setup-prefix"
        if fresh:
            shutil.rmtree(self.path, ignore_errors=True)
        self.wine = it.Wine(self.path, zh)
        self.work = work
        self.zh = zh

    def user(self):
        (users,) = [p for p in (self.path / "drive_c" / "users").iterdir()
                    if p.name not in ("Public", "public")]
        return users

    def base(self, machine):
        return (self.path / "drive_c" / "Program Files" / "Korvane" if machine
                else self.user() / "AppData" / "Local" / "Programs" / "Korvane")

    def start_menu(self, machine):
        root = (self.path / "drive_c" / "ProgramData" if machine
                else self.user() / "AppData" / "Roaming")
        return root / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Korvane"

    def run(self, exe, *switches):
        """Runs a setup (a Linux path) or a Windows command, waiting for it."""
        p = self.wine.run(it.windows_path(exe) if isinstance(exe, pathlib.Path) else exe, *switches,
                          timeout=300)
        return p.returncode

    def key(self, root):
        """The Uninstall key's values, or {} when it is not there."""
        text = it.reg_export(self.wine, rf"{root}\{UNINSTALL}", self.work / "uninstall.reg", "64")
        values = {}
        for name, value in re.findall(r'^"([^"]+)"=(.*?)\s*$', text, re.M):
            if value.startswith("dword:"):
                values[name] = int(value[6:], 16)
            elif value.startswith('"') and value.endswith('"'):
                values[name] = re.sub(r'\\(.)', r'\1', value[1:-1])
        return values

    def note(self, root):
        """korvane.exe's note of the scope's installation: Folder, AddIn, Route."""
        text = it.reg_export(self.wine, rf"{root}\Software\Korvane", self.work / "note.reg", "64")
        return dict(re.findall(r'^"([^"]+)"="(.*)"\s*$', text, re.M))

    def classes(self, root):
        clsid = rf"{root}\Software\Classes\CLSID\{it.CLSID}"
        return it.reg_export(self.wine, clsid, self.work / "classes.reg", "64")


def fake_excel(prefix):
    """A window of Excel's class, XLMAIN, held open while the setup runs."""
    exe = prefix.work / "fake_excel.exe"
    if not exe.exists():
        source = prefix.work / "fake_excel.c"
        source.write_text(FAKE_EXCEL)
        subprocess.run(["x86_64-w64-mingw32-gcc", "-O1", "-mwindows", "-o", str(exe), str(source)],
                       check=True)
    env = dict(os.environ, **prefix.wine.env)
    return subprocess.Popen([str(it.WINE), *prefix.wine.zh, str(exe)], env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


FAKE_EXCEL = r"""
#include <windows.h>
int WINAPI WinMain(HINSTANCE h, HINSTANCE p, LPSTR c, int s) {
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = h;
  wc.lpszClassName = "XLMAIN";
  RegisterClassA(&wc);
  CreateWindowA("XLMAIN", "Excel", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, 0, 0, h, 0);
  DWORD end = GetTickCount() + 60000;
  MSG m;
  while (GetTickCount() < end) {
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(50);
  }
  return 0;
}
"""


def check_installed(prefix, name, version, machine, xll):
    """Everything the setup and korvane.exe put in place for one choice."""
    label = f"[{prefix.label}] {name}"
    root = "HKEY_LOCAL_MACHINE" if machine else "HKEY_CURRENT_USER"
    folder = prefix.base(machine) / version
    files = ["uninstall.exe", "korvane-files.txt"] + [f.path for f in release_files.read() if "setup" in f.flags]
    missing = [f for f in files if not (folder / f).is_file()]
    check(not missing, f"{label}: the files in {folder.relative_to(prefix.path)} (missing {missing})")

    key = prefix.key(root)
    windows_folder = "C:\\" + str(folder.relative_to(prefix.path / "drive_c")).replace("/", "\\")
    wanted = {
        "DisplayName": DISPLAY_NAME, "DisplayVersion": version, "Publisher": "Korvane developers",
        "DisplayIcon": f'"{windows_folder}\\korvane.exe",0', "InstallLocation": windows_folder,
        "UninstallString": f'"{windows_folder}\\uninstall.exe"',
        "QuietUninstallString": f'"{windows_folder}\\uninstall.exe" /S " _?={windows_folder}"',
        "NoModify": 1, "NoRepair": 1,
    }
    wrong = {k: key.get(k) for k, v in wanted.items() if key.get(k) != v}
    check(not wrong, f"{label}: the Uninstall key in {root.split('_')[-1]} ({wrong or 'all values'})")
    size = key.get("EstimatedSize", 0)
    check(isinstance(size, int) and 1000 < size < 100000, f"{label}: EstimatedSize {size} KiB")

    classes = prefix.classes(root)
    check("korvane.dll" in classes and "Programmable" in classes,
          f"{label}: the class registered in {root.split('_')[-1]}")
    if machine:  # Wine creates objects from the machine's classes only
        check(it.client(prefix.wine, prefix.work, "x64") == "answer 狗",
              f"{label}: a script client creates the object and calls it")
    entries = it.open_list(prefix.wine, prefix.work)
    ours = (rf'/R "{windows_folder}\x64\korvane.xll"' if xll else it.AUTOMATION)
    check(entries == [it.OTHER, ours], f"{label}: Excel opens the other add-in, then ours ({entries})")

    menu = prefix.start_menu(machine)
    links = sorted(p.stem for p in menu.glob("*.lnk")) if menu.is_dir() else []
    check(links == sorted(SHORTCUTS[prefix.zh]), f"{label}: the Start-menu shortcuts {links}")
    status = menu / f"{SHORTCUTS[prefix.zh][1]}.lnk"
    if status.is_file():
        data = status.read_bytes()
        check(b"cmd.exe" in data.lower() or "cmd.exe".encode("utf-16-le") in data.lower(),
              f"{label}: the status shortcut opens a window that stays (cmd /k)")
    return key


def check_removed(prefix, name, machine):
    label = f"[{prefix.label}] {name}"
    root = "HKEY_LOCAL_MACHINE" if machine else "HKEY_CURRENT_USER"
    base = prefix.base(machine)
    left = [str(p.relative_to(base)) for p in base.rglob("*")] if base.exists() else []
    check(not left and not base.exists(), f"{label} uninstalled: no files left ({left[:5]})")
    check(prefix.key(root) == {}, f"{label} uninstalled: no Uninstall key")
    check(not prefix.start_menu(machine).exists(), f"{label} uninstalled: no Start-menu folder")
    check("korvane.dll" not in prefix.classes(root), f"{label} uninstalled: no class")
    check(it.open_list(prefix.wine, prefix.work) == [it.OTHER],
          f"{label} uninstalled: the other add-in kept, ours gone")


def quiet_uninstall(prefix, key):
    """Runs the key's QuietUninstallString as a script of IT's does: the
    command line as it is, from a batch file, waiting for its exit code."""
    command = key.get("QuietUninstallString", "")
    if not command.startswith('"'):
        return None
    script = prefix.work / "quiet-uninstall.cmd"
    script.write_bytes(f"@{command}\r\n@exit /b %errorlevel%\r\n".encode("gbk" if prefix.zh else "utf-8"))
    code = prefix.run("cmd", "/c", it.windows_path(script))
    # The uninstaller's own file and folder go once it has ended.
    deadline = time.time() + 30
    folder = pathlib.Path(command[1:command.index('"', 1)].replace("\\", "/")).parent
    while time.time() < deadline and (prefix.path / "drive_c" / folder.relative_to("C:")).exists():
        time.sleep(0.5)
    return code


def choices(prefix, setup, version, names):
    for name in names:
        switches, _, addin = CHOICES[name]
        machine = "/ALLUSERS" in switches
        it.seed_options(prefix.wine, prefix.work, [it.OTHER])
        code = prefix.run(setup, "/S", *switches)
        check(code == 0, f"[{prefix.label}] {name}: the setup exits 0 ({code})")
        key = check_installed(prefix, name, version, machine, addin == "xll")
        note = prefix.note("HKEY_LOCAL_MACHINE" if machine else "HKEY_CURRENT_USER")
        check(note.get("AddIn") == (addin or "automation") and note.get("Route") == "setup",
              f"[{prefix.label}] {name}: korvane.exe's note keeps the add-in and the route ({note})")
        if machine:
            logon_of_another_user(prefix, name, addin)
        code = quiet_uninstall(prefix, key)
        check(code == 0, f"[{prefix.label}] {name}: QuietUninstallString exits 0 ({code})")
        check_removed(prefix, name, machine)
        if machine:
            left = it.reg_values(prefix.wine, prefix.work, ACTIVE_SETUP)
            check(not left, f"[{prefix.label}] {name} uninstalled: no Active Setup component ({left})")


def logon_of_another_user(prefix, name, addin):
    """A user of the machine whose Excel has never listed us logs on: Windows
    runs the Active Setup component's StubPath as that user, once, and Excel's
    entry is there afterwards, in the kind chosen at install."""
    label = f"[{prefix.label}] {name}"
    component = it.reg_values(prefix.wine, prefix.work, ACTIVE_SETUP)
    stub = component.get("StubPath", ("", False))[0]
    version = component.get("Version", ("", False))[0]
    check(stub.endswith('korvane.exe" status') and version.count(",") == 3,
          f"{label}: an Active Setup component with a stub and a version ({component})")
    if not stub:
        return
    it.seed_options(prefix.wine, prefix.work, [it.OTHER])  # this user's Excel lists others only
    # The stub is `"FOLDER\korvane.exe" status`: run as Windows runs it.
    program, _, rest = stub[1:].partition('"')
    code = prefix.run(program, *rest.split())
    check(code == 0, f"{label}: the logon stub exits 0 ({code})")
    entries = it.open_list(prefix.wine, prefix.work)
    wanted = it.AUTOMATION if addin is None else "korvane.xll"
    check(bool(entries) and wanted in entries[-1],
          f"{label}: after the logon stub Excel opens ours ({entries})")


def refusals(prefix, setup):
    label = f"[{prefix.label}]"
    it.seed_options(prefix.wine, prefix.work, [it.OTHER])
    code = prefix.run(setup, "/S", "/ALLUSER")
    check(code == EXIT_USAGE and not prefix.base(False).exists(),
          f"{label} a misspelt switch (/ALLUSER): exit {code}, nothing installed")
    excel = fake_excel(prefix)
    try:
        time.sleep(3)
        code = prefix.run(setup, "/S")
    finally:
        excel.kill()
        excel.wait()
    check(code == EXIT_EXCEL and not prefix.base(False).exists(),
          f"{label} Excel running: exit {code}, nothing installed")


def make_setup(work, zip_path, version, name, tool=None):
    """A setup WORK/NAME of the zip's files under another version, or with
    another korvane.exe (TOOL), made as scripts/package makes the release's."""
    files = work / f"release-files-{name}"
    shutil.rmtree(files, ignore_errors=True)
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(files)
    (folder,) = [p for p in files.iterdir() if p.is_dir()]
    if tool:
        shutil.copy(tool, folder / "korvane.exe")
    out = work / name
    subprocess.run([str(ROOT / "scripts" / "make-setup"), version, str(folder), str(out)], check=True)
    return out


# A korvane.exe that fails as late as the real one can: after removing every
# folder beside its installation (older versions, to korvane.exe install).
FAILING_TOOL = r"""
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>
int main(void) {
  wchar_t own[MAX_PATH], pattern[MAX_PATH], command[3 * MAX_PATH];
  GetModuleFileNameW(NULL, own, MAX_PATH);
  *wcsrchr(own, L'\\') = 0;                   /* the installation */
  wchar_t *name = wcsrchr(own, L'\\') + 1;   /* its name in the folder above */
  swprintf(pattern, MAX_PATH, L"%.*ls*", (int)(name - own), own);
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(pattern, &found);
  while (h != INVALID_HANDLE_VALUE) {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.' &&
        wcscmp(found.cFileName, name) != 0) {
      swprintf(command, 3 * MAX_PATH, L"rmdir /s /q \"%.*ls%ls\"", (int)(name - own), own,
               found.cFileName);
      _wsystem(command);
    }
    if (!FindNextFileW(h, &found)) break;
  }
  fputs("korvane install: \xe6\xb3\xa8\xe5\x86\x8c\xe5\xa4\xb1\xe8\xb4\xa5 (a stand-in that fails)\n", stdout);
  return 1;
}
"""


def rollback(prefix, setup, version, zip_path, shots=None):
    """korvane.exe install failing: the setup takes its files out again and
    brings back the installation it was replacing; nothing else changes.
    With SHOTS, the wizard's message of it is captured too."""
    label = f"[{prefix.label}] korvane.exe install fails"
    source = prefix.work / "failing_tool.c"
    source.write_text(FAILING_TOOL)
    tool = prefix.work / "failing_tool.exe"
    subprocess.run(["x86_64-w64-mingw32-gcc", "-O1", "-o", str(tool), str(source)], check=True)
    broken = make_setup(prefix.work, zip_path, version, "broken-setup.exe", tool)

    # 1. Nothing installed before: nothing left after.
    it.seed_options(prefix.wine, prefix.work, [it.OTHER])
    folder = prefix.base(False) / version
    code = prefix.run(broken, "/S")
    check(code == 1 and not prefix.base(False).exists() and prefix.key("HKEY_CURRENT_USER") == {}
          and not prefix.start_menu(False).exists(),
          f"{label} on a fresh install: exit {code}, no files, no key, no Start-menu folder")
    # 2. Over an installation in the same folder: it comes back as it was.
    prefix.run(setup, "/S")
    before = {p: p.read_bytes() for p in folder.rglob("*") if p.is_file()}
    key = prefix.key("HKEY_CURRENT_USER")
    code = prefix.run(broken, "/S")
    after = {p: p.read_bytes() for p in folder.rglob("*") if p.is_file()}
    check(code == 1 and after == before and prefix.key("HKEY_CURRENT_USER") == key
          and it.open_list(prefix.wine, prefix.work) == [it.OTHER, it.AUTOMATION]
          and not list(folder.parent.glob("*korvane-old*")),
          f"{label} over an installation: exit {code}, the installation back as it was")
    if shots:
        show_failure(prefix, broken, shots)
    quiet_uninstall(prefix, key)
    check_removed(prefix, "after the failed installs", False)


def show_failure(prefix, broken, shots):
    """The wizard when korvane.exe install fails: its message (what
    korvane.exe said, read as UTF-8), then the aborted progress page."""
    run = start_wizard(prefix, broken)
    if run is None:
        return
    process, window = run
    shown = None
    for _ in ("1-welcome", "2-licence", "3-for-whom", "4-add-in", "5-folder"):
        shown = drive(window, shots, None, ["Return"], shown)
    # The message box: a second window of the setup.
    deadline = time.time() + 90
    while time.time() < deadline and len(subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", "Korvane"],
            capture_output=True, text=True).stdout.split()) < 2:
        time.sleep(0.5)
    time.sleep(1.5)
    capture(shots, "8-install-failed")
    subprocess.run(["xdotool", "key", "Return"])
    time.sleep(3)
    capture(shots, "9-install-aborted")
    subprocess.run(["xdotool", "key", "Escape"])
    try:
        process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        process.kill()


def versions(prefix, setup, version, zip_path):
    label = f"[{prefix.label}]"
    user = prefix.user()
    # 1. Over an older version installed from the zip: its folder and entry.
    older = prefix.base(False) / "0.9.0"
    (older / "x64").mkdir(parents=True)
    with zipfile.ZipFile(zip_path) as z:
        (dll,) = [n for n in z.namelist() if n.endswith("/x64/korvane.dll")]
        (older / "x64" / "korvane.dll").write_bytes(z.read(dll))
        (older / "x86").mkdir()
        (older / "x86" / "korvane.dll").write_bytes(z.read(dll.replace("/x64/", "/x86/")))
    older_entry = rf'/R "C:\users\{user.name}\AppData\Local\Programs\Korvane\0.9.0\x64\korvane.xll"'
    it.seed_options(prefix.wine, prefix.work, [it.OTHER, older_entry])
    code = prefix.run(setup, "/S")
    check(code == 0 and not older.exists() and (prefix.base(False) / version / "korvane.exe").is_file(),
          f"{label} over the zip's 0.9.0: installed ({code}), the older folder gone")
    check(it.open_list(prefix.wine, prefix.work) == [it.OTHER, it.AUTOMATION],
          f"{label} over the zip's 0.9.0: its entry replaced by ours")
    # The same setup again over its own installation (a repair): in place,
    # nothing of the installation it replaced left inside.
    key = prefix.key("HKEY_CURRENT_USER")
    code = prefix.run(setup, "/S")
    folder = prefix.base(False) / version
    check(code == 0 and (folder / "korvane.exe").is_file() and not (folder / "korvane-old").exists()
          and prefix.key("HKEY_CURRENT_USER") == key
          and it.open_list(prefix.wine, prefix.work) == [it.OTHER, it.AUTOMATION],
          f"{label} installed again over itself: exit {code}, the same installation")
    # An uninstall with Excel running: exit 4, nothing removed.
    excel = fake_excel(prefix)
    try:
        time.sleep(3)
        code = quiet_uninstall(prefix, key)
    finally:
        excel.kill()
        excel.wait()
    check(code == EXIT_EXCEL and prefix.key("HKEY_CURRENT_USER") == key
          and (prefix.base(False) / version / "korvane.exe").is_file(),
          f"{label} uninstall with Excel running: exit {code}, nothing removed")

    # 2. An older setup of the same files over this one: refused, nothing changed.
    old_setup = make_setup(prefix.work, zip_path, "0.0.1", "korvane-0.0.1-setup.exe")
    before = prefix.key("HKEY_CURRENT_USER")
    code = prefix.run(old_setup, "/S")
    check(code == EXIT_NEWER and prefix.key("HKEY_CURRENT_USER") == before
          and not (prefix.base(False) / "0.0.1").exists(),
          f"{label} an older setup over {version}: exit {code}, nothing changed")

    # 3. This setup over an older setup's installation replaces it.
    code = quiet_uninstall(prefix, before)
    check(code == 0, f"{label} uninstalled before the older setup ({code})")
    code = prefix.run(old_setup, "/S")
    check(code == 0 and prefix.key("HKEY_CURRENT_USER").get("DisplayVersion") == "0.0.1",
          f"{label} the older setup installs where nothing newer is ({code})")
    code = prefix.run(setup, "/S")
    key = prefix.key("HKEY_CURRENT_USER")
    check(code == 0 and key.get("DisplayVersion") == version
          and not (prefix.base(False) / "0.0.1").exists(),
          f"{label} this setup over the older setup's: replaced ({code}, {key.get('DisplayVersion')})")
    # 4. Over a newer version from the zip (its version folder): refused too.
    newer = prefix.base(False) / "99.0.0" / "x86"
    newer.mkdir(parents=True)
    (newer / "korvane.dll").write_bytes(b"MZ")
    code = prefix.run(setup, "/S")
    check(code == EXIT_NEWER and prefix.key("HKEY_CURRENT_USER") == key,
          f"{label} this setup over the zip's 99.0.0: exit {code}, nothing changed")
    shutil.rmtree(newer.parent)
    quiet_uninstall(prefix, key)
    check_removed(prefix, "after the upgrades", False)


def screen():
    """A virtual screen for the Wine windows (the wizard, the stand-in Excel)."""
    display = f":{90 + os.getpid() % 500}"
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(50):
        if subprocess.run(["xdotool", "getdisplaygeometry"], env=dict(os.environ, DISPLAY=display),
                          capture_output=True).returncode == 0:
            break
        time.sleep(0.1)
    os.environ["DISPLAY"] = display
    return xvfb


def capture(shots, name):
    """The screen as build/.../NAME.png."""
    xwd = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, check=True).stdout
    pnm = subprocess.run(["xwdtopnm"], input=xwd, capture_output=True, check=True).stdout
    (shots / f"{name}.png").write_bytes(
        subprocess.run(["pnmtopng"], input=pnm, capture_output=True, check=True).stdout)


def start_wizard(prefix, setup):
    """The setup started without /S, and its window once it shows."""
    env = dict(os.environ, **prefix.wine.env, KORVANE_WINE_ARCH="x64")
    run = subprocess.Popen([str(it.WINE), *prefix.wine.zh, it.windows_path(setup)], env=env,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "Korvane"],
                               capture_output=True, text=True, timeout=120)
    except subprocess.TimeoutExpired:
        found = None
    if not found or not found.stdout.split():
        run.kill()
        return None
    return run, found.stdout.split()[0]


def window_image(window):
    """The window's pixels as they are now (b"" when it cannot be read)."""
    return subprocess.run(["xwd", "-id", window, "-silent"], capture_output=True).stdout


def settled_image(window, before, still, timeout=120):
    """Waits until the window shows something other than BEFORE and has not
    changed for STILL seconds: a page is typed on only once it is there,
    however slow the machine (a fixed wait typed into the previous page under
    load)."""
    deadline = time.time() + timeout
    image = window_image(window)
    while image == before and time.time() < deadline:
        time.sleep(0.2)
        image = window_image(window)
    since = time.time()
    while time.time() < deadline and time.time() - since < still:
        time.sleep(0.15)
        again = window_image(window)
        if again != image:
            image, since = again, time.time()


def drive(window, shots, name, keys, before, still=0.4):
    """Once the page after BEFORE shows, captures it as NAME (unless None) and
    types KEYS. Returns the page as it was before the keys (focused), for the
    next page to differ from."""
    settled_image(window, before, still)
    subprocess.run(["xdotool", "windowfocus", "--sync", window], capture_output=True)
    if name:
        capture(shots, name)
    image = window_image(window)
    for key in keys:
        subprocess.run(["xdotool", "key", "--delay", "150", key], check=True)
    return image


def wizard(prefix, setup, version, shots):
    """The interactive setup driven by keyboard through its pages, each page
    captured, to a finished install for me with the XLL."""
    label = f"[{prefix.label}] the wizard"
    shots.mkdir(parents=True, exist_ok=True)
    it.seed_options(prefix.wine, prefix.work, [it.OTHER])
    started = start_wizard(prefix, setup)
    check(started is not None, f"{label}: its window appears")
    if started is None:
        return
    run, window = started
    shown = None

    def page(name, *keys, still=0.4):
        nonlocal shown
        shown = drive(window, shots, name, keys, shown, still)

    page("1-welcome", "Return")
    page("2-licence", "Return")
    page("3-for-whom", "Return")
    page("4-add-in", "alt+x")  # XLL 加载项(&X)
    page("4-add-in-xll", "Return")
    page("5-folder", "Return")
    page("6-progress")
    deadline = time.time() + 120
    while time.time() < deadline and prefix.key("HKEY_CURRENT_USER").get("DisplayVersion") != version:
        time.sleep(1)
    # The last page follows the progress bar: it is there once the window
    # has been still for longer than the bar's steps.
    page("7-finish", "space", "Return", still=1.5)  # untick 打开使用说明, then 完成
    try:
        run.wait(timeout=60)
    except subprocess.TimeoutExpired:
        run.kill()
    check(run.returncode == 0, f"{label}: finished with exit 0 ({run.returncode})")
    key = check_installed(prefix, "the wizard (XLL)", version, False, True)
    quiet_uninstall(prefix, key)
    check_removed(prefix, "the wizard's install", False)


# What --only can name: the groups run in the Chinese prefix, "default" (the
# default locale's install for me), "hostile" (every hostile row) or one row.
GROUPS = ["choices", "refusals", "rollback", "versions", "hostile", "default"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--setup", required=True, type=pathlib.Path)
    ap.add_argument("--zip", required=True, type=pathlib.Path)
    ap.add_argument("--work", type=pathlib.Path, default=ROOT / "build" / "setup-test")
    ap.add_argument("--wizard", action="store_true",
                    help="also drive the interactive wizard, pages captured under WORK/pages")
    ap.add_argument("--only", action="append", choices=GROUPS + list(setup_hostile.ROWS),
                    help="run only these groups or hostile rows (repeatable)")
    args = ap.parse_args()
    only = set(args.only or GROUPS)
    rows = list(setup_hostile.ROWS) if "hostile" in only else [r for r in setup_hostile.ROWS if r in only]
    args.work.mkdir(parents=True, exist_ok=True)
    version = re.fullmatch(r"korvane-(.+)-setup\.exe", args.setup.name).group(1)
    # Run from a folder of its own, as a download is, with a space and Chinese in its name.
    setup = args.work / "我的 下载" / args.setup.name
    setup.parent.mkdir(exist_ok=True)
    shutil.copy(args.setup, setup)
    xvfb = screen()
    try:
        for zh in (True, False):
            if not zh and "default" not in only:
                continue
            prefix = Prefix(args.work, zh, fresh=zh or it.failures != [])
            try:
                if zh and args.wizard:
                    wizard(prefix, setup, version, args.work / "pages")
                if "choices" in only or not zh:
                    choices(prefix, setup, version, CHOICES if zh else ["for me"])
                if zh and "refusals" in only:
                    refusals(prefix, setup)
                if zh and "rollback" in only:
                    rollback(prefix, setup, version, args.zip,
                             args.work / "pages" if args.wizard else None)
                if zh and "versions" in only:
                    versions(prefix, setup, version, args.zip)
                if zh and rows:
                    setup_hostile.run(prefix, setup, version, rows)
            finally:
                prefix.wine.kill()
    finally:
        xvfb.kill()
        xvfb.wait()
    print(f"{len(it.failures)} failed")
    return 1 if it.failures else 0


if __name__ == "__main__":
    sys.exit(main())
