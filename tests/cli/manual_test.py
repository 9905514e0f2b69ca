#!/usr/bin/env python3
"""The manual page says what `korvane --help` says.

usage: manual_test.py KORVANE PAGE

The page (cli/korvane.1) is written by hand, for its prose; the options are
defined once, in the tool. So that the page cannot drift from them again,
everything the help of the tool and of each command names is looked for in the
page as groff renders it: every command (in the synopsis), every option name
and every value an option takes, every special value given in parentheses
("- reads standard input"), every quoted word of a command's notes ("no
draw"), and exactly the exit statuses the tool's help lists, no others.
"""
import re
import shutil
import subprocess
import sys

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def help_text(korvane, *command):
    p = subprocess.run([korvane, *command, "--help"], capture_output=True, timeout=60)
    check(p.returncode == 0, f"korvane {' '.join(command)} --help exits {p.returncode}")
    return p.stdout.decode("utf-8")


def rendered(page):
    """The page as a reader sees it, one paragraph to a line, spaces collapsed."""
    if shutil.which("groff"):
        p = subprocess.run(["groff", "-k", "-man", "-Tutf8", "-rLL=5000n", "-rHY=0", "-P", "-cbou",
                            page], capture_output=True, timeout=60)
        check(p.returncode == 0 and not p.stderr, f"groff: {p.stderr.decode('utf-8', 'replace')}")
        text = p.stdout.decode("utf-8")
    else:  # without groff: the source with its escapes undone, roughly
        text = open(page, encoding="utf-8").read()
        text = re.sub(r"^\.\S+ ?", "", text, flags=re.M).replace("\\-", "-").replace("\\(dq", '"')
        text = re.sub(r"\\f[BIRP]", "", text).replace('"', "")
    return re.sub(r"[ \t]+", " ", text)


def section(text, name):
    m = re.search(rf"^{name}\n(.*?)(?=^\S)", text, re.M | re.S)
    return m.group(1) if m else ""


def mentions(text, word):
    """word stands alone in text: not as part of a longer option or name."""
    return re.search(rf"(?<![\w-]){re.escape(word)}(?![\w-])", text) is not None


def options(help_):
    """(names, values, description) of each option a command's help lists."""
    out = []
    listing = help_.split("Options:", 1)[1] if "Options:" in help_ else ""
    for m in re.finditer(r"^  (-\S+)(.*(?:\n {10,}.*)*)", listing, re.M):
        rest = m.group(2)
        values = re.search(r"\{([^}]*)\}", rest)
        out.append((m.group(1).split(","), values.group(1).split(",") if values else [], rest))
    return out


def main():
    korvane, page = sys.argv[1], sys.argv[2]
    text = rendered(page)
    synopsis = section(text, "SYNOPSIS")
    exit_status = section(text, "EXIT STATUS")
    check(synopsis and exit_status, "the page has no SYNOPSIS or EXIT STATUS section")

    top = help_text(korvane)
    commands = re.findall(r"^  (\w+) ", top.split("Subcommands:", 1)[-1], re.M)
    check(len(commands) >= 4, f"korvane --help lists the commands {commands}")
    for command in commands:
        check(f"korvane {command}" in synopsis, f"the synopsis lacks korvane {command}")
    for names, _, _ in options(top):
        for name in names:
            check(mentions(synopsis, name), f"the synopsis lacks korvane {name}")

    for command in commands:
        help_ = help_text(korvane, command)
        for names, values, description in options(help_):
            for name in names:
                check(mentions(text, name), f"the page lacks {command}'s option {name}")
            for value in values:
                check(mentions(text, value), f"the page lacks {value} ({command} {names[-1]})")
        # Special values of options and arguments: "(- reads standard input)".
        for phrase in re.findall(r"\((- [^)]*)\)", help_):
            check(phrase in text, f"the page lacks {command}'s {phrase!r}")
        # The quoted words of the notes under the options.
        notes = help_.split("Options:", 1)[-1]
        for quoted in re.findall(r'"([^"\n]+)"', notes):
            check(mentions(text, quoted), f"the page lacks {command}'s {quoted!r}")

    # Exactly the statuses the tool exits with.
    listed = re.search(r"Exit status: (.*?)(?:\n\n|$)", top.strip(), re.S)
    check(listed, f"korvane --help gives no exit status:\n{top}")
    statuses = re.findall(r"(?:^|; )(\d+) ", listed.group(1).replace("\n", " ") if listed else "")
    on_page = re.findall(r"^ (\d+)\b", exit_status, re.M)  # the tags (text is indented more)
    check(statuses and on_page == statuses,
          f"the page's exit statuses are {on_page}, korvane --help gives {statuses}")

    if failures:
        print("\n".join(failures))
        print(f"{len(failures)} failed")
        return 1
    print(f"{len(commands)} commands: the page names every option, value and exit status")
    return 0


if __name__ == "__main__":
    sys.exit(main())
