#!/usr/bin/env python3
"""The release files written by scripts/package, checked as a user receives
them: the Windows zip (exactly the files install.cmd expects, Windows text
where Notepad and cmd.exe read it, each binary of the right bitness carrying
the version, korvane.exe our icon), the Windows setup (a 32-bit program, so
that it starts on 32-bit and 64-bit Windows, made by the Unicode NSIS, its
version in Chinese and English, our icon, and inside it byte for byte the
zip's programs, libraries, guide and licence), the Calc extension (its description gives the same version, a
Chinese name and our icon, and ships the licence and descriptions it names)
and the Debian package (its control fields, root-owned files, a korvane tool
that prints the same version, a manual page that renders cleanly, the README
and copyright, and what deb_test.py checks by Debian's rules). The example
workbook (示例账本.xlsx) is in all three places Windows and Debian users look:
the zip, the setup and the .deb's examples, the same file each time, a
workbook whose sheets a bookkeeper recognises.

One version runs through all three: the one in the zip's name.

The icon itself is checked to be what install/setup/draw_icon.py draws.

usage: package_test.py [--windows] DIST_DIR   (--windows: only the zip and the setup)
"""
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "com"))
sys.path.insert(0, str(ROOT / "install"))
sys.path.insert(0, str(ROOT / "tests" / "package"))
sys.path.insert(0, str(ROOT / "install" / "setup"))
import check_version  # noqa: E402
import draw_icon  # noqa: E402
import deb_test  # noqa: E402
import release_files  # noqa: E402

BOM = b"\xef\xbb\xbf"
PE_MACHINE = {"x64": 0x8664, "x86": 0x14C}
# The zip's folder (install/release-files.txt): each file, the bitness of a
# binary ("text" for text) and whether it is Windows text needing a byte-order
# mark (None for a binary); the optional files (the XLLs) apart.
RELEASE = release_files.read()
SHIPPED_AS = {f.path: (f.kind, None) if f.binary or f.kind == "file" else ("text", f.kind == "guide")
              for f in RELEASE}
WORKBOOK = "示例账本.xlsx"
WORKBOOK_SHEETS = ["开奖", "投注", "转换", "计件工资"]
DEB_WORKBOOK = "usr/share/doc/korvane/examples/" + WORKBOOK
ZIP_FILES = {f.path: SHIPPED_AS[f.path] for f in RELEASE if "optional" not in f.flags}
XLL_FILES = {f.path: SHIPPED_AS[f.path] for f in RELEASE if "optional" in f.flags}
# What the setup carries: the zip's files less the .cmd wrappers (its own
# uninstaller and Start-menu entries take their place).
SETUP_FILES = sorted(f.path for f in RELEASE if "setup" in f.flags)
SETUP_LANGUAGES = {0x0804: "Chinese", 0x0409: "English"}
RT_ICON, RT_GROUP_ICON = 3, 14
DESCRIPTION_NS = "{http://openoffice.org/extensions/description/2006}"
XLINK_HREF = "{http://www.w3.org/1999/xlink}href"


def pe_machine(data):
    if data[:2] != b"MZ":
        return None
    pe = int.from_bytes(data[0x3C:0x40], "little")
    return int.from_bytes(data[pe + 4:pe + 6], "little") if data[pe:pe + 4] == b"PE\0\0" else None


def check_zip(path, version):
    """The Windows zip: one folder, exactly the expected files, each as shipped."""
    problems = []
    folder = f"korvane-{version}/"
    with zipfile.ZipFile(path) as z:
        names = [n for n in z.namelist() if not n.endswith("/")]
        outside = [n for n in z.namelist() if not n.startswith(folder)]
        if outside:
            problems.append(f"entries outside {folder}: {outside}")
        files = {n[len(folder):] for n in names if n.startswith(folder)}
        expected = dict(ZIP_FILES)
        if files & set(XLL_FILES):  # the XLL comes in both bitnesses or not at all
            expected.update(XLL_FILES)
        if files != set(expected):
            problems.append(f"files {sorted(files)}, wanted {sorted(expected)}")
        for name, (kind, bom) in expected.items():
            if name not in files:
                continue
            data = z.read(folder + name)
            if kind == "text":
                problems += [f"{name}: {p}" for p in check_windows_text(data, bom)]
            elif kind == "file":
                problems += [f"{name}: {p}" for p in check_file(name, data)]
            else:
                if pe_machine(data) != PE_MACHINE[kind]:
                    problems.append(f"{name}: not a {kind} Windows binary")
                with tempfile.NamedTemporaryFile(suffix=pathlib.Path(name).suffix) as f:
                    f.write(data)
                    f.flush()
                    problems += [f"{name}: {p}" for p in check_version.check(f.name, version)]
                if name.endswith(".exe") and \
                        not {RT_ICON, RT_GROUP_ICON} <= check_version.resource_types(data):
                    problems.append(f"{name}: no icon")
        guide = z.read(folder + "使用说明.txt").decode("utf-8-sig") if "使用说明.txt" in files else ""
        if guide and (version not in guide or "@VERSION@" in guide):
            problems.append("使用说明.txt does not name the version")
        # The changelog (更新说明) opens with this version's section.
        notes = z.read(folder + "更新说明.txt").decode("utf-8-sig") if "更新说明.txt" in files else ""
        headings = re.findall(r"^## (\S+)", notes, re.M)
        if notes and headings[:1] != [version]:
            problems.append(f"更新说明.txt: sections {headings[:3]}, wanted {version} first")
        for word in ("install.cmd", "uninstall.cmd", "解除锁定", "korvane.exe help",
                     f"korvane-{version}-setup.exe /S /ALLUSERS", "/XLL", "设置 › 应用",
                     "QuietUninstallString", "退出码"):
            if guide and word not in guide:
                problems.append(f"使用说明.txt does not mention {word}")
    return problems


def check_setup(path, zip_path, version):
    """The setup: the program Windows starts, and the files it would install."""
    data = path.read_bytes()
    if pe_machine(data) != PE_MACHINE["x86"]:
        return ["not a 32-bit Windows program (the setup must start on 32-bit Windows too)"]
    problems = check_setup_version(data, version)
    if not {RT_ICON, RT_GROUP_ICON} <= check_version.resource_types(data):
        problems.append("no icon")
    if not shutil.which("7z"):
        print("note: 7z missing (p7zip-full), the setup's files not compared")
        return problems
    listing = subprocess.run(["7z", "l", "-slt", str(path)], capture_output=True, text=True).stdout
    if not re.search(r"^SubType = NSIS-3 Unicode", listing, re.M):
        problems.append("not made by the Unicode NSIS 3 " +
                        str(re.findall(r"^SubType = .*", listing, re.M)))
    with tempfile.TemporaryDirectory() as tmp, zipfile.ZipFile(zip_path) as z:
        # -aou: the second korvane.exe (the 32-bit one, which goes to the top
        # on 32-bit Windows) is extracted as korvane_1.exe.
        # The setup lays the release out in its temporary folder ($PLUGINSDIR\release)
        # and hands it to korvane.exe install; only its uninstaller is its own.
        subprocess.run(["7z", "x", "-aou", f"-o{tmp}", str(path)], capture_output=True, check=True)
        own = sorted(str(p.relative_to(tmp)) for p in pathlib.Path(tmp).rglob("*")
                     if p.is_file() and "$PLUGINSDIR" not in p.parts)
        if own != ["uninstall.exe"]:
            problems.append(f"writes {own} itself, wanted only uninstall.exe")
        root = pathlib.Path(tmp) / "$PLUGINSDIR" / "release"
        inside = sorted(str(p.relative_to(root)) for p in root.rglob("*") if p.is_file())
        wanted = sorted(SETUP_FILES + ["korvane_1.exe"])
        if inside != wanted:
            problems.append(f"holds {inside}, wanted {wanted}")
        folder = f"korvane-{version}/"
        top = {(root / n).read_bytes() for n in ("korvane.exe", "korvane_1.exe") if (root / n).is_file()}
        if top != {z.read(folder + "korvane.exe"), z.read(folder + "x86/korvane.exe")}:
            problems.append("the top korvane.exe is not the zip's 64-bit one or its x86 one")
        for name in (n for n in SETUP_FILES if n != "korvane.exe"):
            if (root / name).is_file() and folder + name in z.namelist() and \
                    (root / name).read_bytes() != z.read(folder + name):
                problems.append(f"{name} differs from the zip's")
    return problems


def check_setup_version(data, version):
    """One version resource per language (as NSIS writes them), each with the
    version, the product and a description of its own."""
    try:
        blocks = check_version.version_resources(data)
    except (check_version.FormatError, struct.error, StopIteration) as e:
        return [f"unreadable version information: {e}"]
    problems = []
    wanted = tuple(int(p) for p in version.split(".")) + (0,)
    for language, name in SETUP_LANGUAGES.items():
        if language not in blocks:
            problems.append(f"no {name} version information")
            continue
        _, fixed, children, _ = check_version.parse_node(blocks[language], 0)
        words = struct.unpack_from("<13I", fixed)
        found = (words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF)
        if found != wanted:
            problems.append(f"{name}: fixed file version {found}, wanted {wanted}")
        strings = {k: v for c, _, tables, _ in children if c == "StringFileInfo"
                   for _, _, table, _ in tables for k, v, _, _ in table}
        for field in ("FileVersion", "ProductVersion"):
            if strings.get(field) != version + ".0":
                problems.append(f"{name} {field} {strings.get(field)!r}, wanted {version}.0")
        if strings.get("ProductName") != "Korvane" or not strings.get("FileDescription"):
            problems.append(f"{name}: ProductName {strings.get('ProductName')!r}, "
                            f"FileDescription {strings.get('FileDescription')!r}")
        zh = any("\u4e00" <= c <= "\u9fff" for c in strings.get("FileDescription", ""))
        if zh != (language == 0x0804):
            problems.append(f"{name} FileDescription {strings.get('FileDescription')!r}")
    return problems


def check_icon():
    """The committed icon is what its script draws (no hand edit, no stale copy)."""
    script = ROOT / "install" / "setup" / "draw_icon.py"
    with tempfile.TemporaryDirectory() as tmp:
        out = pathlib.Path(tmp) / "korvane.ico"
        subprocess.run([sys.executable, str(script), str(out)], check=True)
        if out.read_bytes() != (ROOT / "install" / "setup" / "korvane.ico").read_bytes():
            return ["install/setup/korvane.ico is not what draw_icon.py draws"]
    return []


def check_file(name, data):
    """A file shipped as it is: the example workbook is an .xlsx of its four
    sheets; no other such file is known."""
    if name != WORKBOOK:
        return [f"no check for a file shipped as it is; add one to {pathlib.Path(__file__).name}"]
    try:
        with tempfile.NamedTemporaryFile(suffix=".xlsx") as f:
            f.write(data)
            f.flush()
            with zipfile.ZipFile(f.name) as z:
                sheets = re.findall(r'<sheet name="([^"]+)"', z.read("xl/workbook.xml").decode("utf-8"))
    except (zipfile.BadZipFile, KeyError) as e:
        return [f"not an .xlsx workbook ({e})"]
    return [] if sheets == WORKBOOK_SHEETS else [f"sheets {sheets}, wanted {WORKBOOK_SHEETS}"]


def check_windows_text(data, bom):
    """UTF-8, CRLF line ends throughout, a byte-order mark where Notepad needs one."""
    problems = []
    if data.startswith(BOM) != bom:
        problems.append("starts with a UTF-8 byte-order mark" if not bom else
                        "does not start with a UTF-8 byte-order mark")
    try:
        data.decode("utf-8")
    except UnicodeDecodeError:
        problems.append("not UTF-8")
    if re.search(rb"(?<!\r)\n", data) or not data.endswith(b"\r\n"):
        problems.append("lines do not all end in CRLF")
    return problems


def check_oxt(path, version):
    """The extension's description: version, publisher, and the files it names."""
    problems = []
    with zipfile.ZipFile(path) as z:
        names = set(z.namelist())
        root = ET.fromstring(z.read("description.xml"))
        icon = root.find(f"{DESCRIPTION_NS}icon/{DESCRIPTION_NS}default")
        icon = z.read(icon.get(XLINK_HREF)) if icon is not None and \
            icon.get(XLINK_HREF) in names else None
    if icon != draw_icon.png(42, draw_icon.render(42)):
        problems.append("the Extension Manager's icon is not the setup's (draw_icon.py --png 42)")
    chinese = [e.text or "" for e in root.findall(f"{DESCRIPTION_NS}display-name/{DESCRIPTION_NS}name")
               if e.get("lang") == "zh-CN"]
    if not any("\u4e00" <= c <= "\u9fff" for c in "".join(chinese)):
        problems.append(f"description.xml: no Chinese display name (zh-CN: {chinese})")
    # A publisher's link leads somewhere real, or there is none.
    for e in root.findall(f"{DESCRIPTION_NS}publisher/{DESCRIPTION_NS}name"):
        link = e.get(XLINK_HREF)
        if link is not None and (not link.startswith("https://") or
                                 re.search(r"\.(invalid|example|test)\b|example\.(com|org)", link)):
            problems.append(f"description.xml: publisher link {link!r} leads nowhere")
    found = root.find(f"{DESCRIPTION_NS}version")
    if found is None or found.get("value") != version:
        problems.append(f"description.xml version {found.get('value') if found is not None else None}")
    if root.find(f"{DESCRIPTION_NS}publisher/{DESCRIPTION_NS}name") is None:
        problems.append("description.xml names no publisher")
    for what, tag, langs in (("licence", "registration/{0}simple-license/{0}license-text", {"en"}),
                             ("description", "extension-description/{0}src", {"en", "zh-CN"})):
        found = root.findall(DESCRIPTION_NS + tag.format(DESCRIPTION_NS))
        if {e.get("lang") for e in found} != langs:
            problems.append(f"{what} in languages {[e.get('lang') for e in found]}, wanted {langs}")
        missing = [e.get(XLINK_HREF) for e in found if e.get(XLINK_HREF) not in names]
        if missing:
            problems.append(f"{what} files missing from the extension: {missing}")
    return problems


def check_deb(path, version, oxt, zip_path):
    """The Debian package: control fields, owners, and what it installs."""
    problems = []
    fields = {}
    for field in ("Package", "Version", "Architecture", "Maintainer", "Depends", "Recommends",
                  "Suggests", "Description"):
        fields[field] = subprocess.run(["dpkg-deb", "-f", path, field], capture_output=True,
                                       text=True, check=True).stdout.strip()
    for field, wanted in (("Package", "korvane"), ("Architecture", "amd64")):
        if fields[field] != wanted:
            problems.append(f"control {field} {fields[field]!r}, wanted {wanted!r}")
    # The project's version and a Debian revision (the package is not native:
    # its changelog is changelog.Debian.gz beside the upstream one).
    if not re.fullmatch(re.escape(version) + r"-[0-9A-Za-z.+~]+", fields["Version"]):
        problems.append(f"control Version {fields['Version']!r}, wanted {version}-REVISION")
    # The tool works alone: LibreOffice is recommended, for the extension.
    if "libreoffice-calc" not in fields["Recommends"] or "libreoffice" in fields["Depends"]:
        problems.append(f"control Recommends {fields['Recommends']!r}, Depends "
                        f"{fields['Depends']!r}: wanted LibreOffice Calc recommended")
    if "@" not in fields["Maintainer"]:
        problems.append(f"control Maintainer {fields['Maintainer']!r} has no address")
    if not re.search(r"\blibc6 \(>= ", fields["Depends"]):
        problems.append(f"control Depends {fields['Depends']!r} lacks a versioned libc6")
    if len(fields["Description"].splitlines()) < 2:
        problems.append("control Description has no long description")

    listing = subprocess.run(["dpkg-deb", "-c", path], capture_output=True, text=True,
                             check=True).stdout.splitlines()
    not_root = [line for line in listing if line.split()[1] != "root/root"]
    if not_root:
        problems.append(f"files not owned by root: {not_root[:3]}")

    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["dpkg-deb", "-x", path, tmp], check=True)
        root = pathlib.Path(tmp)
        tool = root / "usr/bin/korvane"
        said = subprocess.run([str(tool), "--version"], capture_output=True, text=True).stdout.strip()
        if said != f"korvane {version}":
            problems.append(f"usr/bin/korvane --version says {said!r}")
        for rel in ("usr/share/man/man1/korvane.1.gz", "usr/share/doc/korvane/copyright"):
            if not (root / rel).is_file():
                problems.append(f"{rel} missing")
        if not list((root / "usr/share/doc/korvane").glob("README.md*")):
            problems.append("usr/share/doc/korvane/README.md missing")
        book = root / DEB_WORKBOOK
        with zipfile.ZipFile(zip_path) as z:
            name = f"korvane-{version}/{WORKBOOK}"
            zipped = z.read(name) if name in z.namelist() else None
        if not book.is_file():
            problems.append(f"{DEB_WORKBOOK} missing")
        elif book.read_bytes() != zipped:
            problems.append(f"{DEB_WORKBOOK} differs from the zip's {WORKBOOK}")
        if "License: MIT" not in (root / "usr/share/doc/korvane/copyright").read_text():
            problems.append("copyright does not state the MIT licence")
        problems += check_manual(root / "usr/share/man/man1/korvane.1.gz")
        problems += deb_test.check(path, root, version, fields["Version"], oxt)
    return problems


def check_manual(page):
    """The manual page renders with groff without a warning and has its sections."""
    if not page.is_file():
        return []
    if not shutil.which("groff"):
        print("note: groff missing, manual page not rendered")
        return []
    source = subprocess.run(["gzip", "-dc", str(page)], capture_output=True, check=True).stdout
    out = subprocess.run(["groff", "-k", "-man", "-Tutf8", "-ww"], input=source,
                         capture_output=True)
    problems = [f"manual page: {line}" for line in out.stderr.decode().splitlines()]
    text = re.sub(r".\x08", "", out.stdout.decode())
    for section in ("NAME", "SYNOPSIS", "EXIT STATUS", "korvane eval", "korvane settle"):
        if section not in text:
            problems.append(f"manual page lacks {section}")
    return problems


def main():
    args = sys.argv[1:]
    windows_only = args[:1] == ["--windows"]
    args = args[1:] if windows_only else args
    if len(args) != 1:
        sys.exit(__doc__)
    dist = pathlib.Path(args[0])
    zips = sorted(dist.glob("korvane-*-windows.zip"))
    if len(zips) != 1:
        sys.exit(f"{dist}: wanted one korvane-VERSION-windows.zip, found {[z.name for z in zips]}")
    version = re.fullmatch(r"korvane-(.+)-windows\.zip", zips[0].name).group(1)
    oxt = dist / f"korvane-{version}.oxt"
    # The project's version and a Debian revision; a package without one (as
    # made before) is checked too, to say what it lacks.
    debs = sorted(dist.glob(f"korvane_{version}-*_amd64.deb")) or \
        sorted(dist.glob(f"korvane_{version}_amd64.deb"))
    if len(debs) > 1:
        sys.exit(f"{dist}: several packages of {version}: {[d.name for d in debs]}")
    deb = debs[0] if debs else dist / f"korvane_{version}-REVISION_amd64.deb"
    setup = dist / f"korvane-{version}-setup.exe"
    problems = check_icon()
    checks = [(zips[0], lambda: check_zip(zips[0], version)),
              (setup, lambda: check_setup(setup, zips[0], version))]
    if not windows_only:
        checks += [(oxt, lambda: check_oxt(oxt, version)),
                   (deb, lambda: check_deb(deb, version, oxt, zips[0]))]
    for path, check in checks:
        if not path.is_file():
            problems.append(f"{path.name} missing")
            continue
        found = check()
        problems += [f"{path.name}: {p}" for p in found]
        print(f"{path.name}: {path.stat().st_size} bytes, {'ok' if not found else 'FAILED'}")
    for p in problems:
        print(p)
    print(f"{len(problems)} problems (version {version})")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
