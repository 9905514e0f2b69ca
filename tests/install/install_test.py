#!/usr/bin/env python3
"""The Windows release installed as a user installs it, under Wine.

From the release zip alone, in a fresh Wine prefix where Excel already loads
another add-in (HKCU\\...\\Office\\16.0\\Excel\\Options: OPEN), under the default
locale and under a Chinese one (code page 936):

- install.cmd /machine /q: a script client creates Korvane.自定义函数 by its
  ProgID and a call answers, from 64-bit and from 32-bit (the x86 DLL); Excel's
  list holds the other add-in as OPEN and ours once, as OPEN1, also after a
  second install; status says Excel loads it;
- uninstall.cmd /machine /q: the object can no longer be created, the machine's
  classes hold no trace of it in either view, Excel's list is as before;
- install.cmd /q (per user), over an older version: its folder and its entry
  replaced; the class is registered in both registry views
  (read back: Wine creates no objects from a user's classes, and keeps one
  view of them where Windows keeps two), and our entry
  goes after another one that comes later; uninstall.cmd /q takes it all out
  again and moves the later entry down;
- install.cmd /xll /q: the entry names korvane.xll of Office's bitness, and
  replaces the automation add-in's;
- the words: English under the default locale, Chinese under the Chinese one
  (Wine takes the Windows display language from LC_ALL).

Then, in a fresh prefix each, what a hostile machine does to the installer:
a mistyped switch; uninstall with nothing installed; Excel that never ran
(Click-to-Run's configuration only); a gap in Excel's list and a REG_EXPAND_SZ
value; our entry in other spellings and our XLL added by hand from another
folder; read-only files; Excel holding korvane.xll; uninstall.cmd run from the
installed folder; the installations for the user and for the machine sharing
the user's entry, and another user of the machine's installation; the Mark of
the Web (Wine keeps a file's "name:Zone.Identifier" stream as a file of that
name, which is enough for the installer's rule; only Windows shows the
streams CopyFile carries); and install --in-place, uninstall --keep-files.

Then the routes: the zip unpacked on C: as well as Z:, the user's files in
the installation through a repair and an uninstall, folders that are not ours
refused, a journal left by a killed run, the setup's installation (korvane.exe
install --folder --by-setup) and the zip's uninstall, the kind of add-in kept
over an upgrade, two copies' registrations, 32-bit MSI Office; and a DLL held
by Excel elsewhere during an install and an uninstall.

usage: install_test.py --zip ZIP [--work DIR] [--only default|zh|hostile|lists|files|scopes|routes|held]
"""
import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
WINE = ROOT / "scripts" / "wine"
CLSID = "{AC5F9188-547D-490E-BF04-E03F2151DDE5}"
OPTIONS = r"HKEY_CURRENT_USER\Software\Microsoft\Office\16.0\Excel\Options"
OTHER = r'/R "C:\other.xlam"'
LATER = r'/R "C:\later.xll"'
AUTOMATION = '/A "Korvane.自定义函数"'

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


class Wine:
    def __init__(self, prefix, zh):
        self.env = {"KORVANE_WINEPREFIX": str(prefix), "PATH": "/usr/bin:/bin"}
        self.zh = ["--zh"] if zh else []

    def run(self, *args, arch="x64", timeout=180):
        import os
        env = dict(os.environ, **self.env, KORVANE_WINE_ARCH=arch)
        return subprocess.run([str(WINE), *self.zh, *args], env=env, capture_output=True,
                              timeout=timeout, stdin=subprocess.DEVNULL)

    def kill(self):
        import os
        subprocess.run([str(WINE), "--kill"], env=dict(os.environ, **self.env))


def windows_path(p):
    return "Z:" + str(p.resolve()).replace("/", "\\")


def reg_export(wine, key, out, view):
    """The key and its subkeys as text, or "" when it is not there."""
    out.unlink(missing_ok=True)
    wine.run("reg", "export", key, windows_path(out), "/reg:" + view, "/y")
    return out.read_bytes().decode("utf-16", "replace") if out.exists() else ""


def open_list(wine, work):
    text = reg_export(wine, OPTIONS, work / "options.reg", "64")
    values = {}
    for name, data in re.findall(r'^"(OPEN\d*)"="(.*)"\s*$', text, re.M):
        values[name] = data.replace('\\"', '"').replace("\\\\", "\\")
    out = []
    for i in range(len(values)):
        name = "OPEN" if i == 0 else f"OPEN{i}"
        if name not in values:
            break
        out.append(values[name])
    return out


def seed_options(wine, work, entries):
    lines = ["Windows Registry Editor Version 5.00", "", f"[-{OPTIONS}]", "", f"[{OPTIONS}]"]
    for i, e in enumerate(entries):
        name = "OPEN" if i == 0 else f"OPEN{i}"
        lines.append(f'"{name}"="' + e.replace("\\", "\\\\").replace('"', '\\"') + '"')
    reg = work / "seed.reg"
    reg.write_bytes(("\r\n".join(lines) + "\r\n").encode("utf-16"))
    wine.run("regedit", "/S", windows_path(reg))


def client(wine, work, arch):
    """What a script client gets: the answer of a call, or why not."""
    out = work / f"client-{arch}.txt"
    out.unlink(missing_ok=True)
    script = work / f"client-{arch}.vbs"
    source = (ROOT / "tests" / "install" / "client.vbs").read_text(encoding="utf-8")
    script.write_bytes(source.replace("@OUT@", windows_path(out)).encode("gbk"))
    z = Wine.__new__(Wine)
    z.env, z.zh = wine.env, ["--zh"]  # cscript reads scripts in the ANSI code page only
    z.run("cscript", "//nologo", windows_path(script), arch=arch)
    return out.read_text(encoding="utf-16").strip() if out.exists() else "no answer"


def cmd(wine, folder, name, *switches):
    p = wine.run("cmd", "/c", windows_path(folder / name), *switches)
    return p.returncode, (p.stdout + p.stderr).decode("utf-8", "replace")


def machine_traces(wine, work):
    found = []
    for view in ("64", "32"):
        text = reg_export(wine, r"HKEY_LOCAL_MACHINE\Software\Classes", work / "classes.reg", view)
        found += [view for line in text.splitlines() if "Korvane" in line or CLSID in line]
    return found


def scenario(zip_path, work, zh):
    label = "zh" if zh else "default"
    prefix = work / f"prefix-{label}"
    shutil.rmtree(prefix, ignore_errors=True)
    wine = Wine(prefix, zh)
    folder_parent = work / f"my downloads {label}"
    shutil.rmtree(folder_parent, ignore_errors=True)
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(folder_parent)
    (folder,) = [p for p in folder_parent.iterdir() if p.is_dir()]
    try:
        # Per machine.
        seed_options(wine, work, [OTHER])
        code, said = cmd(wine, folder, "install.cmd", "/machine", "/q")
        check(code == 0, f"[{label}] install.cmd /machine exits 0 ({code}: {said.strip()[-300:]})")
        check(client(wine, work, "x64") == "answer 狗", f"[{label}] 64-bit client creates and calls it")
        check(client(wine, work, "x86") == "answer 狗", f"[{label}] 32-bit client creates and calls it")
        check(open_list(wine, work) == [OTHER, AUTOMATION], f"[{label}] Excel opens the other add-in, then ours")
        code, _ = cmd(wine, folder, "install.cmd", "/machine", "/q")
        check(code == 0 and open_list(wine, work) == [OTHER, AUTOMATION], f"[{label}] installed twice, listed once")
        status = wine.run(windows_path(folder / "korvane.exe"), "status").stdout.decode("utf-8", "replace")
        loads = "启动时加载 Korvane（OPEN1" if zh else "loads Korvane at start (OPEN1"
        check(loads in status, f"[{label}] status says Excel loads it: {status!r}")
        code, said = cmd(wine, folder, "uninstall.cmd", "/machine", "/q")
        check(code == 0, f"[{label}] uninstall.cmd /machine exits 0 ({code}: {said.strip()[-300:]})")
        check(client(wine, work, "x64").startswith("create-failed"), f"[{label}] no object after uninstall")
        check(machine_traces(wine, work) == [], f"[{label}] no trace in the machine's classes")
        check(open_list(wine, work) == [OTHER], f"[{label}] Excel's list as before")

        # Per user, over an older version (its folder and its XLL entry), then
        # with an add-in after ours that must move down.
        (local,) = prefix.glob("drive_c/users/*/AppData/Local")
        older = local / "Programs" / "Korvane" / "0.9.0"
        (older / "x64").mkdir(parents=True)
        shutil.copy(folder / "x64" / "korvane.dll", older / "x64" / "korvane.dll")
        older_entry = '/R "C:\\users\\' + local.parents[1].name + '\\AppData\\Local\\Programs\\Korvane\\0.9.0\\x64\\korvane.xll"'
        seed_options(wine, work, [OTHER, older_entry])
        code, said = cmd(wine, folder, "install.cmd", "/q")
        check(code == 0, f"[{label}] install.cmd exits 0 ({code}: {said.strip()[-300:]})")
        words = "已为您安装到" if zh else "installed in"
        check(words in said and ("已为您安装到" in said) == zh, f"[{label}] install speaks the user's language: {said!r}")
        check(not older.exists(), f"[{label}] the older version's folder is gone")
        check(open_list(wine, work) == [OTHER, AUTOMATION], f"[{label}] the older version's entry replaced")
        user_key = rf"HKEY_CURRENT_USER\Software\Classes\CLSID\{CLSID}"
        x64 = reg_export(wine, user_key, work / "user64.reg", "64")
        x86 = reg_export(wine, user_key, work / "user32.reg", "32")
        # Wine 8 keeps one view of a user's classes (Windows redirects their
        # CLSID keys for 32-bit programs), so there the second registration
        # written, the x86 one, is what both views show.
        separate = x64 != x86
        check(("x64\\\\korvane.dll" if separate else "x86\\\\korvane.dll") in x64 and "Programmable" in x64,
              f"[{label}] per user: the 64-bit view has the class" + ("" if separate else " (one view under Wine)"))
        check("x86\\\\korvane.dll" in x86 and "Programmable" in x86, f"[{label}] per user: the 32-bit view has the x86 DLL")
        seed_options(wine, work, [OTHER, AUTOMATION, LATER])
        code, said = cmd(wine, folder, "uninstall.cmd", "/q")
        check(code == 0, f"[{label}] uninstall.cmd exits 0 ({code}: {said.strip()[-300:]})")
        check(reg_export(wine, user_key, work / "user64.reg", "64") == "" and
              reg_export(wine, user_key, work / "user32.reg", "32") == "", f"[{label}] per user: both views clean")
        check(open_list(wine, work) == [OTHER, LATER], f"[{label}] the later add-in moved down")

        # The XLL instead of the automation add-in.
        seed_options(wine, work, [OTHER, AUTOMATION])
        code, said = cmd(wine, folder, "install.cmd", "/xll", "/q")
        entries = open_list(wine, work)
        check(code == 0 and len(entries) == 2 and entries[0] == OTHER and
              re.fullmatch(r'/R ".*\\Korvane\\[^\\]+\\x64\\korvane\.xll"', entries[1]) is not None,
              f"[{label}] /xll: the 64-bit XLL replaces the automation add-in ({entries})")
        cmd(wine, folder, "uninstall.cmd", "/q")
        check(open_list(wine, work) == [OTHER], f"[{label}] /xll uninstalled")
    finally:
        wine.kill()


# ---- a hostile machine ---------------------------------------------------------

def reg_values(wine, work, key, view="64"):
    """The values of a key: name -> (data, is REG_EXPAND_SZ); {} when absent."""
    text = reg_export(wine, key, work / "values.reg", view)
    text = re.sub(r"\\\r?\n\s*", "", text)  # continued hex lines
    values = {}
    for name, rest in re.findall(r'^"([^"]+)"=(.*?)\s*$', text, re.M):
        if rest.startswith('"'):
            values[name] = (rest[1:-1].replace('\\"', '"').replace("\\\\", "\\"), False)
        elif rest.startswith("hex(2):"):
            raw = bytes(int(b, 16) for b in rest[7:].split(",") if b)
            values[name] = (raw.decode("utf-16-le").rstrip("\0"), True)
    return values


def seed_values(wine, work, key, values):
    """Replaces a key with values: name -> data, or (data, True) for REG_EXPAND_SZ."""
    lines = ["Windows Registry Editor Version 5.00", "", f"[-{key}]", "", f"[{key}]"]
    for name, data in values.items():
        if isinstance(data, tuple):
            raw = (data[0] + "\0").encode("utf-16-le")
            lines.append(f'"{name}"=hex(2):' + ",".join(f"{b:02x}" for b in raw))
        else:
            lines.append(f'"{name}"="' + data.replace("\\", "\\\\").replace('"', '\\"') + '"')
    reg = work / "seed.reg"
    reg.write_bytes(("\r\n".join(lines) + "\r\n").encode("utf-16"))
    wine.run("regedit", "/S", windows_path(reg))


def delete_key(wine, work, key):
    reg = work / "delete.reg"
    reg.write_bytes(f"Windows Registry Editor Version 5.00\r\n\r\n[-{key}]\r\n".encode("utf-16"))
    wine.run("regedit", "/S", windows_path(reg))


def tool(wine, exe, *args):
    p = wine.run(windows_path(exe), *args)
    return p.returncode, (p.stdout + p.stderr).decode("utf-8", "replace")


class Machine:
    """A fresh prefix with the release unpacked in a downloads folder."""

    def __init__(self, zip_path, work, name, zh=False):
        self.work = work / name
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        self.prefix = self.work / "prefix"
        self.wine = Wine(self.prefix, zh)
        with zipfile.ZipFile(zip_path) as z:
            z.extractall(self.work / "downloads")
        (self.release,) = [p for p in (self.work / "downloads").iterdir() if p.is_dir()]
        self.version = self.release.name.split("-", 1)[1]
        self.wine.run("cmd", "/c", "exit")  # the prefix made
        (self.local,) = self.prefix.glob("drive_c/users/*/AppData/Local")
        self.user = self.local.parents[1].name
        self.installed = self.local / "Programs" / "Korvane" / self.version
        self.machine_installed = self.prefix / "drive_c" / "Program Files" / "Korvane" / self.version

    def cmd(self, folder, name, *switches):
        return cmd(self.wine, folder, name, *switches)

    def tool(self, *args, exe=None):
        return tool(self.wine, exe or self.release / "korvane.exe", *args)

    def entries(self):
        return open_list(self.wine, self.work)

    def values(self):
        return reg_values(self.wine, self.work, OPTIONS)

    def seed(self, values):
        seed_values(self.wine, self.work, OPTIONS, values)

    def user_class(self):
        return reg_export(self.wine, rf"HKEY_CURRENT_USER\Software\Classes\CLSID\{CLSID}",
                          self.work / "user.reg", "64")

    def machine_class(self):
        return machine_traces(self.wine, self.work)


def words_and_lists(zip_path, work):
    m = Machine(zip_path, work, "hostile-lists")
    label = "hostile"
    try:
        # A mistyped switch is a usage error naming the switch meant, and
        # nothing is installed.
        m.seed({"OPEN": OTHER})
        code, said = m.cmd(m.release, "install.cmd", "/machnie", "/q")
        check(code == 2 and "--machine" in said, f"[{label}] install.cmd /machnie: exit 2 naming --machine ({code}: {said.strip()[-200:]})")
        check(not m.installed.exists() and not m.machine_installed.exists() and m.entries() == [OTHER],
              f"[{label}] install.cmd /machnie installs nothing")
        code, said = m.tool("install", "--xl")
        check(code == 2 and "--xll" in said, f"[{label}] korvane install --xl: exit 2 naming --xll ({code}: {said.strip()[-200:]})")

        # Uninstall with nothing installed says so, and succeeds.
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 0 and "not installed" in said and "removed" not in said,
              f"[{label}] uninstall with nothing installed says so ({code}: {said.strip()[-200:]})")
        check(m.entries() == [OTHER], f"[{label}] uninstall with nothing installed keeps the other add-in")

        # Excel installed by Click-to-Run but never started: no Excel key of
        # the user's, yet the entry is written for its version.
        delete_key(m.wine, m.work, r"HKEY_CURRENT_USER\Software\Microsoft\Office")
        # No Office found at all: nothing to write, and the hint for the XLL
        # points at Excel's own list of add-ins (Browse), not at Automation.
        code, said = m.cmd(m.release, "install.cmd", "/xll", "/q")
        check(code == 0 and "Browse" in said and "Automation" not in said and r"x64\korvane.xll" in said,
              f"[{label}] no Excel: the /xll hint names the XLL to browse for ({code}: {said.strip()[-300:]})")
        m.cmd(m.release, "uninstall.cmd", "/q")
        c2r = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Office\ClickToRun\Configuration"
        seed_values(m.wine, m.work, c2r, {"VersionToReport": "16.0.17928.20114", "Platform": "x64"})
        code, said = m.cmd(m.release, "install.cmd", "/q")
        check(code == 0 and m.entries() == [AUTOMATION] and "16.0" in said,
              f"[{label}] Excel never started: the entry written for Click-to-Run's 16.0 ({code}: {said.strip()[-200:]}, {m.entries()})")
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 0 and m.entries() == [], f"[{label}] Excel never started: uninstalled ({code}: {said.strip()[-200:]})")
        delete_key(m.wine, m.work, c2r)

        # A gap: OPEN2 past it stays unloaded, after install and after
        # uninstall; a REG_EXPAND_SZ value keeps its type and its text.
        expand = r'/R "%APPDATA%\Microsoft\AddIns\tool.xlam"'
        m.seed({"OPEN": OTHER, "OPEN2": LATER, "OPEN4": (expand, True)})
        code, said = m.cmd(m.release, "install.cmd", "/q")
        v = m.values()
        check(code == 0 and v.get("OPEN1") == (AUTOMATION, False) and "OPEN2" not in v and
              v.get("OPEN3") == (LATER, False) and v.get("OPEN5") == (expand, True),
              f"[{label}] a gap: ours in OPEN1, the unloaded ones stay past a gap ({code}: {v})")
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 0 and m.values() == {"OPEN": (OTHER, False), "OPEN2": (LATER, False), "OPEN4": (expand, True)},
              f"[{label}] a gap: the list as before after uninstall ({m.values()})")
        m.seed({"OPEN": OTHER, "OPEN1": AUTOMATION, "OPEN2": (expand, True)})
        m.cmd(m.release, "install.cmd", "/q")
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 0 and m.values() == {"OPEN": (OTHER, False), "OPEN1": (expand, True)},
              f"[{label}] a REG_EXPAND_SZ value moved down stays REG_EXPAND_SZ, unexpanded ({m.values()})")

        # Our entry in other spellings is ours: never a second one.
        for spelling in ['/A  "Korvane.自定义函数"', "/A Korvane.自定义函数", ' /A "korvane.自定义函数" ']:
            m.seed({"OPEN": OTHER, "OPEN1": spelling})
            code, _ = m.cmd(m.release, "install.cmd", "/q")
            check(code == 0 and m.entries() == [OTHER, AUTOMATION], f"[{label}] install over {spelling!r}: once ({m.entries()})")
            m.seed({"OPEN": spelling, "OPEN1": OTHER})
            code, _ = m.cmd(m.release, "uninstall.cmd", "/q")
            check(code == 0 and m.entries() == [OTHER], f"[{label}] uninstall takes out {spelling!r} ({m.entries()})")

        # Our XLL added by hand from another folder is ours by its version
        # resource; another XLL of that name is not.
        tools = m.prefix / "drive_c" / "Tools"
        tools.mkdir()
        shutil.copy(m.release / "x64" / "korvane.xll", tools / "korvane.xll")
        (m.prefix / "drive_c" / "Other").mkdir()
        shutil.copy(m.release / "x64" / "korvane.dll", m.prefix / "drive_c" / "Other" / "korvane.xll")
        hand = r'/R "C:\Tools\korvane.xll"'
        stranger = r'"C:\Other\korvane.xll"'
        m.seed({"OPEN": OTHER, "OPEN1": hand, "OPEN2": stranger})
        code, _ = m.cmd(m.release, "install.cmd", "/q")
        check(code == 0 and m.entries() == [OTHER, stranger, AUTOMATION],
              f"[{label}] our XLL from C:\\Tools replaced by the automation add-in, another kept ({m.entries()})")
        m.cmd(m.release, "uninstall.cmd", "/q")
    finally:
        m.wine.kill()


def files(zip_path, work):
    m = Machine(zip_path, work, "hostile-files")
    label = "hostile"
    try:
        m.seed({"OPEN": OTHER})
        # Read-only files in the release: the copies are not read-only, and
        # uninstall removes them; a file made read-only after is removed too.
        for f in m.release.rglob("*"):
            if f.is_file():
                f.chmod(0o444)
        code, said = m.cmd(m.release, "install.cmd", "/q")
        check(code == 0, f"[{label}] install from read-only files ({code}: {said.strip()[-200:]})")
        (m.installed / "x86" / "korvane.dll").chmod(0o444)
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 0 and not m.installed.exists(), f"[{label}] read-only files uninstalled ({code}: {said.strip()[-200:]})")
        for f in m.release.rglob("*"):
            if f.is_file():
                f.chmod(0o644)

        # Excel holds the add-in: uninstall says so and changes nothing. The
        # holder is the downloads folder's 32-bit `korvane eval --com`, which
        # keeps the object (and so x86\korvane.dll, the second DLL an
        # uninstall comes to) loaded as a 32-bit Excel does; Wine creates
        # objects from the machine's classes only, hence the installation for
        # every user.
        code, said = m.cmd(m.release, "install.cmd", "/machine", "/q")
        before = m.entries()
        import json, os
        env = dict(os.environ, **m.wine.env, KORVANE_WINE_ARCH="x86")
        hold = subprocess.Popen([str(WINE), windows_path(m.release / "x86" / "korvane.exe"), "eval", "--com"], env=env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        hold.stdin.write(json.dumps({"call": "号码转肖", "args": [2013, "08", None]}).encode() + b"\n")
        hold.stdin.flush()
        answer = hold.stdout.readline()
        check(b"result" in answer, f"[{label}] the holder has the object ({answer!r})")
        code, said = m.cmd(m.release, "uninstall.cmd", "/machine", "/q")
        check(code == 1 and "x86\\korvane.dll" in said and "in use" in said,
              f"[{label}] Excel holding korvane.dll: exit 1, named ({code}: {said.strip()[-300:]})")
        check(all((m.machine_installed / f).exists() for f in ("x64/korvane.dll", "x86/korvane.dll", "x64/korvane.xll", "korvane.exe")),
              f"[{label}] Excel holding korvane.dll: every file still there")
        check(m.entries() == before and m.machine_class() != [],
              f"[{label}] Excel holding korvane.dll: the registry unchanged ({m.entries()})")
        hold.stdin.close()
        hold.wait(timeout=60)
        code, said = m.cmd(m.release, "uninstall.cmd", "/machine", "/q")
        check(code == 0 and not m.machine_installed.exists() and m.entries() == [OTHER] and m.machine_class() == [],
              f"[{label}] Excel closed: uninstalled ({code}: {said.strip()[-200:]})")

        # uninstall.cmd from the installed folder: registry clean, folder gone.
        code, said = m.cmd(m.release, "install.cmd", "/q")
        code, said = m.cmd(m.installed, "uninstall.cmd", "/q")
        check(code == 0, f"[{label}] uninstall.cmd from the installed folder exits 0 ({code}: {said.strip()[-300:]})")
        check(m.entries() == [OTHER] and m.user_class() == "", f"[{label}] from the installed folder: registry clean ({m.entries()})")
        import time
        for _ in range(100):  # the folder goes once uninstall.cmd's cmd.exe has ended
            if not m.installed.parent.exists():
                break
            time.sleep(0.2)
        check(not m.installed.exists() and not m.installed.parent.exists(),
              f"[{label}] from the installed folder: the folder is gone ({sorted(str(p) for p in m.installed.parent.rglob('*')) if m.installed.parent.exists() else ''})")

        # The Mark of the Web: install takes it off what it copies (and off
        # the release folder in place); status names a blocked file.
        mark = "[ZoneTransfer]\r\nZoneId=3\r\n"
        m.cmd(m.release, "install.cmd", "/q")
        (m.installed / "x64" / "korvane.xll:Zone.Identifier").write_text(mark)
        code, said = m.tool("status")
        check(code == 0 and "korvane.xll" in said and "blocked" in said, f"[{label}] status names a blocked file ({said.strip()[-300:]})")
        code, said = m.cmd(m.release, "install.cmd", "/q")
        check(not (m.installed / "x64" / "korvane.xll:Zone.Identifier").exists(), f"[{label}] install takes the Mark of the Web off")
        code, said = m.tool("status")
        check("blocked" not in said, f"[{label}] status: nothing blocked after install")
        m.cmd(m.release, "uninstall.cmd", "/q")

        # --in-place: the release folder is the installation; --keep-files
        # undoes the registration only.
        chosen = m.prefix / "drive_c" / "Korvane chosen"
        shutil.copytree(m.release, chosen)
        (chosen / "x64" / "korvane.xll:Zone.Identifier").write_text(mark)
        older = m.local / "Programs" / "Korvane" / "0.9.0"
        shutil.copytree(m.release, older)
        code, said = m.tool("install", "--in-place", exe=chosen / "korvane.exe")
        check(code == 0 and windows_path(chosen).lower() in said.lower().replace("/", "\\") or (code == 0 and "Korvane chosen" in said),
              f"[{label}] install --in-place registers the folder where it is ({code}: {said.strip()[-200:]})")
        check(not (m.local / "Programs" / "Korvane" / m.version).exists() and not older.exists(),
              f"[{label}] install --in-place copies nothing and removes the older version")
        check("Korvane chosen" in m.user_class() and m.entries() == [OTHER, AUTOMATION],
              f"[{label}] install --in-place: classes and entry")
        check(not (chosen / "x64" / "korvane.xll:Zone.Identifier").exists(), f"[{label}] install --in-place takes the Mark of the Web off")
        code, said = m.tool("uninstall", "--keep-files", exe=chosen / "korvane.exe")
        check(code == 0 and m.user_class() == "" and m.entries() == [OTHER] and (chosen / "x86" / "korvane.dll").exists(),
              f"[{label}] uninstall --keep-files: registration gone, files kept ({code}: {said.strip()[-200:]})")
        code, said = m.tool("install", "--in-place", exe=chosen / "korvane.exe")
        code, said = m.tool("uninstall", exe=chosen / "korvane.exe")
        check(code == 0 and m.user_class() == "" and not (chosen / "x86" / "korvane.dll").exists() and not (chosen / "korvane.exe").exists(),
              f"[{label}] uninstall from the in-place folder removes its files ({code}: {said.strip()[-200:]})")
    finally:
        m.wine.kill()


def two_scopes(zip_path, work):
    m = Machine(zip_path, work, "hostile-scopes")
    label = "hostile"
    try:
        m.seed({"OPEN": OTHER})
        code, said = m.cmd(m.release, "install.cmd", "/machine", "/q")
        check(code == 0 and "korvane.exe status" in said and "Excel loads it" in said,
              f"[{label}] install /machine says the others switch it on themselves ({said.strip()[-300:]})")
        code, said = m.cmd(m.release, "install.cmd", "/q")
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 0 and m.entries() == [OTHER, AUTOMATION],
              f"[{label}] uninstall for the user keeps the entry the machine's installation needs ({m.entries()})")
        code, said = m.tool("status")
        check("loads Korvane at start" in said, f"[{label}] status: still loaded ({said.strip()[-200:]})")
        # Another user of the machine's installation: no entry of theirs yet.
        m.seed({"OPEN": OTHER})
        code, said = m.tool("status")
        check(code == 0 and "switched on for you" in said and m.entries() == [OTHER, AUTOMATION],
              f"[{label}] status switches the machine's installation on for a user ({said.strip()[-300:]}, {m.entries()})")
        # The user's installation with the XLL goes; the machine's stays.
        code, said = m.cmd(m.release, "install.cmd", "/xll", "/q")
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 0 and m.entries() == [OTHER, AUTOMATION],
              f"[{label}] the user's XLL entry points at the machine's installation after ({m.entries()})")
        code, said = m.cmd(m.release, "uninstall.cmd", "/machine", "/q")
        check(code == 0 and m.entries() == [OTHER] and m.machine_class() == [],
              f"[{label}] uninstall /machine, nothing left: entry gone ({m.entries()})")
    finally:
        m.wine.kill()


# ---- the two routes and the deletion rule --------------------------------------

RECORD = "korvane-files.txt"
USER_FILES = ("2025年账本.xlsx", "备份/一月.xlsx")


def put_user_files(folder):
    for name in USER_FILES:
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(b"PK\x03\x04 the user's own workbook")


def user_files_kept(folder):
    return all((folder / name).is_file() for name in USER_FILES)


def journal_marker(files):
    text = "; Korvane: replacing\r\n" + "".join(f + "\r\n" for f in files)
    return b"\xff\xfe" + text.encode("utf-16-le")


def routes(zip_path, work):
    """The deletion rule and the two routes (the zip's install.cmd and the
    setup's `korvane.exe install --folder ... --by-setup`), on one machine."""
    m = Machine(zip_path, work, "routes")
    label = "routes"
    try:
        m.seed({"OPEN": OTHER})
        # The zip unpacked on C: as well as on Z:, installed twice (the second
        # copy replaces files on the same drive).
        on_c = m.prefix / "drive_c" / "Downloads" / m.release.name
        shutil.copytree(m.release, on_c)
        for where, release in (("Z:", m.release), ("C:", on_c)):
            codes = [m.cmd(release, "install.cmd", "/q") for _ in range(2)]
            check(all(c == 0 for c, _ in codes) and (m.installed / "korvane.exe").is_file(),
                  f"[{label}] the zip unpacked on {where}: installed twice ({codes[-1][0]}: {codes[-1][1].strip()[-300:]})")

        # The user's files in the installation: a repair keeps them, and so
        # does the uninstall, which removes exactly our files.
        put_user_files(m.installed)
        code, said = m.cmd(m.release, "install.cmd", "/q")
        check(code == 0 and user_files_kept(m.installed), f"[{label}] a repair keeps the user's files ({code}: {said.strip()[-200:]})")
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        left = sorted(p.relative_to(m.installed).as_posix() for p in m.installed.rglob("*")) if m.installed.exists() else []
        check(code == 0 and left == ["2025年账本.xlsx", "备份", "备份/一月.xlsx"],
              f"[{label}] uninstall keeps exactly the user's files ({code}: {left})")
        shutil.rmtree(m.installed, ignore_errors=True)

        # Folders that are not ours, or not folders at all, are refused with
        # nothing changed; an empty one is taken, recorded and removed again.
        tools = m.prefix / "drive_c" / "Tools"
        tools.mkdir()
        shutil.copy(m.release / "korvane.exe", tools / "korvane.exe")
        (tools / "other.exe").write_bytes(b"MZ another program")
        for folder in (r"C:\Tools", "C:\\", "Korvane", r"C:\Korvane\..\Tools"):
            code, said = m.tool("install", "--folder", folder)
            check(code == 2 and "--folder" not in said and sorted(p.name for p in tools.iterdir()) == ["korvane.exe", "other.exe"],
                  f"[{label}] install --folder {folder}: refused, nothing changed ({code}: {said.strip()[-200:]})")
        fresh = m.prefix / "drive_c" / "Fresh & New (x86)"
        code, said = m.tool("install", "--folder", r"C:\Fresh & New (x86)")
        record = (fresh / RECORD).read_bytes() if (fresh / RECORD).exists() else b""
        check(code == 0 and record.startswith(b"\xff\xfe") and "x64\\korvane.dll\r\n" in record.decode("utf-16-le", "replace"),
              f"[{label}] install --folder into an empty folder, with its record ({code}: {said.strip()[-200:]})")
        check("Fresh & New" in m.user_class(), f"[{label}] install --folder: registered there")
        put_user_files(fresh)
        code, said = m.tool("uninstall", "--folder", r"C:\Fresh & New (x86)")
        check(code == 0 and user_files_kept(fresh) and not (fresh / "korvane.exe").exists() and not (fresh / RECORD).exists()
              and not (fresh / "x64").exists() and m.user_class() == "",
              f"[{label}] uninstall --folder: our files and registrations gone, the user's kept ({code}: {said.strip()[-200:]})")

        # A run killed halfway: the old files aside in the journal, some new
        # ones written. The next run puts things right first.
        # The uninstaller's last step, left to a copy that waits for cmd.exe,
        # may wake after the user has installed again (or wait on a later
        # process given the ended one's id): a folder that holds an
        # installation again is not its to touch.
        m.cmd(m.release, "install.cmd", "/q")
        code, said = m.tool("uninstall", "--finish-after", "4", "--finish-since", "1",
                            "--finish-folder", windows_path(m.installed))
        check((m.installed / "x64" / "korvane.dll").is_file() and (m.installed / RECORD).is_file(),
              f"[{label}] a late finishing step leaves the installation made since ({code}: {said.strip()[-200:]})")
        journal = m.installed / "korvane-replacing"
        (journal / "files" / "x64").mkdir(parents=True)
        (m.installed / "x64" / "korvane.dll").rename(journal / "files" / "x64" / "korvane.dll")
        (m.installed / RECORD).rename(journal / "files" / RECORD)
        (journal / "copying.txt").write_bytes(journal_marker(["korvane.exe", r"x64\korvane.dll", RECORD]))
        put_user_files(m.installed)
        code, said = m.cmd(m.release, "install.cmd", "/q")
        check(code == 0 and not journal.exists() and (m.installed / "x64" / "korvane.dll").is_file()
              and (m.installed / RECORD).is_file() and user_files_kept(m.installed),
              f"[{label}] a journal left by a killed run is settled, then installed ({code}: {said.strip()[-200:]})")

        # The setup's route: its installation is removed by its own
        # uninstaller only; a zip install over it keeps it the setup's, and
        # the kind of add-in chosen before.
        m.cmd(m.release, "uninstall.cmd", "/q")
        code, said = m.tool("install", "--folder", windows_path(m.installed), "--by-setup")
        check(code == 0, f"[{label}] the setup's install ({code}: {said.strip()[-200:]})")
        code, said = m.cmd(m.release, "uninstall.cmd", "/q")
        check(code == 2 and "Apps" in said and (m.installed / "x64" / "korvane.dll").is_file() and m.entries() == [OTHER, AUTOMATION],
              f"[{label}] the zip's uninstall refuses the setup's installation ({code}: {said.strip()[-200:]})")
        code, said = m.cmd(m.release, "install.cmd", "/q")
        code, said = m.tool("uninstall", "--folder", windows_path(m.installed), "--by-setup")
        left = sorted(p.name for p in m.installed.iterdir()) if m.installed.exists() else []
        check(code == 0 and left == ["2025年账本.xlsx", "备份"],
              f"[{label}] zip over setup, then the setup's uninstall: no install.cmd left ({code}: {left})")
        shutil.rmtree(m.installed, ignore_errors=True)
        m.cmd(m.release, "install.cmd", "/xll", "/q")
        code, said = m.cmd(m.release, "install.cmd", "/q")
        entries = m.entries()
        check(code == 0 and len(entries) == 2 and entries[1].endswith('korvane.xll"'),
              f"[{label}] an upgrade keeps the XLL chosen before ({entries})")
        code, said = m.tool("install", "--automation")
        check(code == 0 and m.entries() == [OTHER, AUTOMATION], f"[{label}] --automation switches back ({m.entries()})")
        m.cmd(m.release, "uninstall.cmd", "/q")

        # Two copies: an old one in C:\A, the registered one in C:\B. The old
        # one's uninstall removes its files only, not B's registrations.
        for name in ("A", "B"):
            m.tool("install", "--folder", "C:\\" + name, "--by-setup")
        code, said = m.tool("uninstall", "--folder", r"C:\A", "--by-setup")
        check(code == 0 and not (m.prefix / "drive_c" / "A").exists() and r"C:\\B" in m.user_class()
              and m.entries() == [OTHER, AUTOMATION],
              f"[{label}] the old copy's uninstall leaves the other's registrations ({code}: {said.strip()[-200:]})")
        m.tool("uninstall", "--folder", r"C:\B", "--by-setup")

        # 32-bit Office from an MSI notes its bitness in the 32-bit view only.
        outlook = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Office\16.0\Outlook"
        reg = m.work / "bitness.reg"
        reg.write_bytes(f'Windows Registry Editor Version 5.00\r\n\r\n[{outlook}]\r\n"Bitness"="x86"\r\n'.encode("utf-16"))
        m.wine.run("regedit", "/S", windows_path(reg), arch="x86")
        code, said = m.cmd(m.release, "install.cmd", "/xll", "/q")
        entries = m.entries()
        check(code == 0 and entries[-1].endswith('x86\\korvane.xll"'),
              f"[{label}] 32-bit MSI Office: the 32-bit XLL ({entries})")
        m.cmd(m.release, "uninstall.cmd", "/q")
    finally:
        m.wine.kill()


def held(zip_path, work):
    """A DLL loaded by Excel elsewhere: an install over it and the setup's
    uninstall refuse with everything in place."""
    m = Machine(zip_path, work, "held")
    label = "held"
    try:
        import json, os
        m.seed({"OPEN": OTHER})
        code, said = m.tool("install", "--machine", "--folder", r"C:\Program Files\Korvane Q", "--by-setup")
        installed = m.prefix / "drive_c" / "Program Files" / "Korvane Q"
        check(code == 0, f"[{label}] installed for every user ({code}: {said.strip()[-200:]})")
        before = (installed / "korvane.exe").read_bytes()
        with open(m.release / "korvane.exe", "ab") as exe:  # a newer build, by its bytes
            exe.write(b"\0" * 64)
        env = dict(os.environ, **m.wine.env, KORVANE_WINE_ARCH="x86")
        hold = subprocess.Popen([str(WINE), windows_path(m.release / "x86" / "korvane.exe"), "eval", "--com"], env=env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        hold.stdin.write(json.dumps({"call": "号码转肖", "args": [2013, "08", None]}).encode() + b"\n")
        hold.stdin.flush()
        check(b"result" in hold.stdout.readline(), f"[{label}] the holder has the object")
        code, said = m.tool("install", "--machine", "--folder", r"C:\Program Files\Korvane Q", "--by-setup")
        check(code == 1 and "x86\\korvane.dll" in said and (installed / "korvane.exe").read_bytes() == before
              and not (installed / "korvane-replacing").exists(),
              f"[{label}] an install over a held DLL: exit 1, every file as it was ({code}: {said.strip()[-200:]})")
        code, said = m.tool("uninstall", "--machine", "--folder", r"C:\Program Files\Korvane Q", "--by-setup")
        check(code == 1 and (installed / "x86" / "korvane.dll").is_file() and m.machine_class() != [] and m.entries() == [OTHER, AUTOMATION],
              f"[{label}] the setup's uninstall with a held DLL: exit 1, everything in place ({code}: {said.strip()[-200:]})")
        hold.stdin.close()
        hold.wait(timeout=60)
        code, said = m.tool("uninstall", "--machine", "--folder", r"C:\Program Files\Korvane Q", "--by-setup")
        check(code == 0 and not installed.exists() and m.machine_class() == [],
              f"[{label}] released: uninstalled ({code}: {said.strip()[-200:]})")
    finally:
        m.wine.kill()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--zip", required=True, type=pathlib.Path)
    ap.add_argument("--work", type=pathlib.Path, default=ROOT / "build" / "install-test")
    ap.add_argument("--only", choices=["default", "zh", "hostile", "lists", "files", "scopes", "routes", "held"])
    args = ap.parse_args()
    args.work.mkdir(parents=True, exist_ok=True)
    for zh in (False, True):
        if args.only in (None, "zh" if zh else "default"):
            scenario(args.zip, args.work, zh)
    groups = {"lists": words_and_lists, "files": files, "scopes": two_scopes, "routes": routes, "held": held}
    for name, group in groups.items():
        if args.only in (None, "hostile", name):
            group(args.zip, args.work)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
