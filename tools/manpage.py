#!/usr/bin/env python3
"""Manual pages of the programs on the PATH, made from their --help texts.

    manpage.py --write BUILD_DIR   rewrites data/man/*.1 from the built programs
    manpage.py --check BUILD_DIR   fails when a page in data/man differs from what the programs say

The pages are kept in the tree (the Debian package installs them); the check keeps them in step
with the programs. A help text becomes the page's description as it stands; a program whose help
lists commands ("Commands:" followed by indented names) gets each command's own help as well.
"""
import os
import re
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAN_DIR = os.path.join(TOP, "data", "man")

# name: (program below the build folder, one-line summary, whether commands have their own help,
#        the lines of the FILES section)
PAGES = {
    "horavel": (
        "app/Horavel.exe",
        "multi-function clock: world time, alarms, timers, stopwatch, sun and Moon",
        False,
        [
            ("$XDG_DATA_HOME/horavel/device",
             "the user's device root: the installed programs, the city files and the user's "
             "data below Program Files/Brinwick/Horavel/data"),
            ("/usr/share/horavel/setup_VGA.*.cab",
             "the device package that horavel installs into the device root"),
        ],
    ),
    "horavel-cli": (
        "cli/horavel-cli",
        "command-line companion of the Horavel clock",
        True,
        [],
    ),
    "hvdeviced": (
        "deviced/hvdeviced",
        "device services of the Horavel clock: timed starts, named events, device clock",
        False,
        [
            ("DEVICE_ROOT/.system/",
             "the daemon's socket, lock, registrations and registry"),
            ("/usr/lib/systemd/user/hvdeviced.service",
             "the user service that starts the daemon at login"),
            ("/etc/xdg/autostart/hvdeviced.desktop",
             "the same from the desktop's autostart"),
        ],
    ),
}

LAUNCHER_NOTE = (
    "horavel installs the device package into the user's device root when it is missing or "
    "older than the installed package, then starts the main program there with the arguments "
    "it was given. The options and commands below are those of the main program."
)


def help_text(program, args):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")
    result = subprocess.run([program] + args + ["--help"], capture_output=True, text=True,
                            env=env, timeout=60)
    if result.returncode != 0:
        sys.exit(f"manpage.py: {program} {' '.join(args)} --help failed")
    return result.stdout.rstrip("\n")


def commands_of(overview):
    """The command names an overview lists under "Commands:"."""
    names, inside = [], False
    for line in overview.splitlines():
        if line.strip() == "Commands:":
            inside = True
        elif inside and line.startswith("  ") and line.strip():
            names.append(re.split(r"\s{2,}", line.strip())[0])
        elif inside and not line.strip() and names:
            inside = False
    return names


def roff(text):
    """Plain text as roff lines that keep their spacing."""
    out = []
    for line in text.splitlines():
        line = line.replace("\\", "\\e").replace("-", "\\-")
        if line.startswith((".", "'")):
            line = "\\&" + line
        out.append(line if line else ".sp")
    return out


def preformatted(text):
    return [".nf"] + roff(text) + [".fi"]


def page(name, build):
    program, summary, per_command, files = PAGES[name]
    path = os.path.join(build, program)
    overview = help_text(path, [])
    lines = [
        f'.TH {name.upper()} 1 "" "Horavel" "User Commands"',
        ".SH NAME",
        f"{name} \\- {summary}",
        ".SH SYNOPSIS",
    ]
    usage = overview.splitlines()[0]
    usage = re.sub(r"^usage:\s*\S+", "", usage).strip()
    lines.append(f".B {name}")
    if usage:
        lines += roff(usage)
    lines.append(".SH DESCRIPTION")
    if name == "horavel":
        lines += roff(LAUNCHER_NOTE)
        lines.append(".PP")
    lines += preformatted("\n".join(overview.splitlines()[1:]).strip("\n"))
    if per_command:
        lines.append(".SH COMMANDS")
        for command in commands_of(overview):
            lines.append(".SS " + command.replace("-", "\\-"))
            lines += preformatted(help_text(path, command.split()))
    if files:
        lines.append(".SH FILES")
        for where, what in files:
            lines += [".TP", ".I " + where.replace("-", "\\-"), what.replace("-", "\\-")]
    others = [n for n in PAGES if n != name]
    lines += [".SH SEE ALSO", ",\n".join(f".BR {n} (1)" for n in others)]
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("--write", "--check"):
        sys.exit(__doc__)
    build = sys.argv[2]
    stale = []
    for name in PAGES:
        text = page(name, build)
        target = os.path.join(MAN_DIR, name + ".1")
        if sys.argv[1] == "--write":
            os.makedirs(MAN_DIR, exist_ok=True)
            with open(target, "w", encoding="utf-8") as f:
                f.write(text)
            continue
        try:
            with open(target, encoding="utf-8") as f:
                kept = f.read()
        except OSError:
            kept = None
        if kept != text:
            stale.append(target)
    if stale:
        sys.exit("manual pages differ from the programs' --help (tools/manpage.py --write "
                 "BUILD_DIR rewrites them): " + ", ".join(stale))


if __name__ == "__main__":
    main()
