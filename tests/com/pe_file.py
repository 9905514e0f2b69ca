"""What objdump says of a Windows file, for the static checks of korvane.dll
(check_dll.py) and korvane.xll (tests/xll/check_xll.py): its format, the
names it exports and the DLLs it imports."""
import re
import subprocess

# The DLLs every Windows has: a shipped file may import these and no others,
# since it is copied alone onto a user's machine.
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
               "user32.dll"}


def file_format(objdump, path):
    header = subprocess.run([objdump, "-f", path], capture_output=True, text=True,
                            check=True).stdout
    found = re.search(r"file format (\S+)", header)
    return found.group(1) if found else ""


def exports_and_imports(objdump, path):
    """The exported names and the imported DLLs (lower case) of path."""
    dump = subprocess.run([objdump, "-p", path], capture_output=True, text=True,
                          check=True).stdout
    exports = set(re.findall(r"^\s*\[\s*\d+\]\s+(\S+)\s*$", dump, re.M))
    imports = {m.lower() for m in re.findall(r"DLL Name:\s*(\S+)", dump)}
    return exports, imports


def import_problems(imports):
    if not imports or not imports <= SYSTEM_DLLS:
        return [f"imports DLLs beyond Windows' own: {sorted(imports - SYSTEM_DLLS)}"]
    return []
