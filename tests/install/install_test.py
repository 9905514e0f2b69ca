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
  replaces the automation add-in's.

usage: install_test.py --zip ZIP [--work DIR]
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
        check("loads Korvane at start (OPEN1" in status, f"[{label}] status says Excel loads it: {status!r}")
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


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--zip", required=True, type=pathlib.Path)
    ap.add_argument("--work", type=pathlib.Path, default=ROOT / "build" / "install-test")
    args = ap.parse_args()
    args.work.mkdir(parents=True, exist_ok=True)
    for zh in (False, True):
        scenario(args.zip, args.work, zh)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
