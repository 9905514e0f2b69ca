#!/usr/bin/env python3
"""Signing the release as scripts/package does when a certificate is named:
a throwaway self-signed certificate (openssl, made here), the files signed by
scripts/sign, and each signature checked with `osslsigncode verify` against
that certificate. Copies are signed, never the release files themselves.

- every Windows binary the release ships (korvane.exe, both DLLs and XLLs,
  x86/korvane.exe) and the setup verify afterwards, with the certificate in
  either form scripts/sign takes (PEM certificate and key; PKCS#12 with a
  password), and keep their version information;
- the unsigned files do not verify (the check sees a missing signature);
- a setup made with a certificate named (scripts/make-setup) carries a
  signed uninstaller: makensis has it signed as it builds the setup;
- a failed signing (a wrong password) leaves the file as it was and exits 1;
- without KORVANE_SIGN_CERT the files stay unsigned and it exits 0.

usage: sign_test.py DIST_DIR
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
SIGN = ROOT / "scripts" / "sign"
sys.path.insert(0, str(ROOT / "tests" / "com"))
import check_version  # noqa: E402

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def make_certificate(tmp):
    key, cert, pfx = tmp / "key.pem", tmp / "cert.pem", tmp / "cert.pfx"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Korvane test signing", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", str(key), "-out", str(cert)], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(cert),
                    "-passout", "pass:korvane", "-out", str(pfx)], check=True, capture_output=True)
    return key, cert, pfx


def verified(path, cert):
    p = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(path)],
                       capture_output=True, text=True)
    return p.returncode == 0 and "Signature verification: ok" in p.stdout


def sign(files, **env):
    return subprocess.run([str(SIGN), *map(str, files)], capture_output=True, text=True,
                          env={k: v for k, v in dict(os.environ, **env).items()
                               if v is not None})


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    dist = pathlib.Path(sys.argv[1])
    (zip_path,) = dist.glob("korvane-*-windows.zip")
    version = re.fullmatch(r"korvane-(.+)-windows\.zip", zip_path.name).group(1)
    setup = dist / f"korvane-{version}-setup.exe"
    with tempfile.TemporaryDirectory() as t:
        tmp = pathlib.Path(t)
        key, cert, pfx = make_certificate(tmp)
        originals = tmp / "release"
        with zipfile.ZipFile(zip_path) as z:
            binaries = [n for n in z.namelist() if re.search(r"\.(exe|dll|xll)$", n)]
            for n in binaries:
                (originals / n).parent.mkdir(parents=True, exist_ok=True)
                (originals / n).write_bytes(z.read(n))
        files = [originals / n for n in binaries]
        if setup.is_file():
            shutil.copy(setup, originals / setup.name)
            files.append(originals / setup.name)
        check(len(files) >= 5, f"{len(files)} files to sign")

        # 1. Unsigned as packaged without a certificate.
        check(not any(verified(f, cert) for f in files), "the unsigned files do not verify")
        before = {f: f.read_bytes() for f in files}
        p = sign(files, KORVANE_SIGN_CERT=None)
        check(p.returncode == 0 and all(f.read_bytes() == before[f] for f in files)
              and "unsigned" in p.stderr, "without KORVANE_SIGN_CERT: left unsigned, exit 0")

        # 2. A wrong password: exit 1, each file as it was.
        p = sign(files[:1], KORVANE_SIGN_CERT=str(pfx), KORVANE_SIGN_PASSWORD="wrong")
        check(p.returncode == 1 and files[0].read_bytes() == before[files[0]]
              and not list(originals.rglob("*.signing*")),
              f"a wrong password: exit {p.returncode}, the file unchanged, nothing left beside it")

        # 3. Signed with either form of the certificate; each verifies and
        #    keeps its version.
        for form, env in (("PEM", {"KORVANE_SIGN_CERT": str(cert), "KORVANE_SIGN_KEY": str(key)}),
                          ("PKCS#12", {"KORVANE_SIGN_CERT": str(pfx),
                                       "KORVANE_SIGN_PASSWORD": "korvane"})):
            for f in files:
                f.write_bytes(before[f])
            p = sign(files, **env)
            check(p.returncode == 0, f"{form}: scripts/sign exits 0 ({p.stderr.strip()[-200:]})")
            bad = [f.name for f in files if not verified(f, cert)]
            check(not bad, f"{form}: every file verifies ({bad or len(files)})")
            for f in files:
                if f.name.endswith("-setup.exe"):
                    readable = bool(check_version.version_resources(f.read_bytes()))
                else:
                    readable = not check_version.check(f, version)
                check(readable, f"{form}: {f.relative_to(originals)} keeps its version information")

        # 4. The uninstaller inside a setup built with a certificate named.
        folder = originals / f"korvane-{version}"
        with zipfile.ZipFile(zip_path) as z:
            z.extractall(originals, [n for n in z.namelist() if not re.search(r"\.(exe|dll|xll)$", n)])
        built = tmp / "signed-setup.exe"
        p = subprocess.run([str(ROOT / "scripts" / "make-setup"), version, str(folder), str(built)],
                           capture_output=True, text=True,
                           env=dict(os.environ, KORVANE_SIGN_CERT=str(pfx), KORVANE_SIGN_PASSWORD="korvane"))
        check(p.returncode == 0, f"make-setup with a certificate exits 0 ({p.stderr.strip()[-200:]})")
        if shutil.which("7z") and built.is_file():
            subprocess.run(["7z", "x", "-y", f"-o{tmp / 'inside'}", str(built), "uninstall.exe"],
                           capture_output=True)
            check(verified(tmp / "inside" / "uninstall.exe", cert), "the setup's uninstaller is signed")
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
