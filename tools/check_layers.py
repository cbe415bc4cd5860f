#!/usr/bin/env python3
"""Checks that every include of the program's sources runs down the layers.

Folders are layers. A file may include files of its own folder and of folders on a lower layer;
a `ui` folder (the views and dialogs of one subsystem) never includes another one. Tools, tests
and benchmarks stand outside the house and may include anything. Exits 1 with one line per
offending include.

The build refuses most such includes too (tools/headers.cmake: a target sees only its own
folder's headers and those of the libraries it links); this table still says which links are
right, and catches the include a wrong link would let through."""
import os
import re
import sys

# Folder -> layer, lowest first. Folders on the same layer do not include each other.
LAYERS = {
    "device": 0,
    "deviced": 1, "settings": 1,
    "calendar": 2,
    "cities": 3, "astro": 3, "items": 3, "screensaver": 3, "images": 3,
    "timescales": 4,
    # The shell's rules read the Internet time of the status bar from the time scales.
    "shellcore": 5,
    "toolkit/window": 5,
    "toolkit/platform": 6,
    "toolkit/controls": 7,
    "viewbase": 8, "clockface": 8,
    # The views and dialogs beside their logic.
    "cities/ui": 9, "astro/ui": 9, "items/ui": 9, "views": 9, "views/skins": 9,
    "shell": 10,
    "reminder": 10, "launcher": 10, "setup": 10, "cli": 10,
    # The desktop's application manager installs through the device installer.
    "desktop": 11,
    "app": 12,
}
OUTSIDE = ("tools", "tests", "bench", "build", "data", "docs", "deps", "scripts")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def unit_of(path):
    """The layered folder a file belongs to: the longest folder prefix that has a layer."""
    parts = path.split("/")[:-1]
    for n in range(len(parts), 0, -1):
        folder = "/".join(parts[:n])
        if folder in LAYERS:
            return folder
    return None


def main(top):
    problems = []
    checked = 0
    for root, dirs, files in os.walk(top):
        rel_root = os.path.relpath(root, top)
        if rel_root == ".":
            dirs[:] = [d for d in dirs if not d.startswith(".") and d not in OUTSIDE
                       and not d.startswith("build")]
            continue
        for name in files:
            if not name.endswith((".h", ".cpp", ".inc")):
                continue
            rel = os.path.join(rel_root, name).replace(os.sep, "/")
            unit = unit_of(rel)
            if unit is None:
                problems.append(f"{rel}: the folder has no layer (add it to {__file__})")
                continue
            with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                text = f.read()
            for target in INCLUDE.findall(text):
                if "/" not in target:
                    continue  # a file beside this one (generated tables)
                other = unit_of(target)
                checked += 1
                if other is None or other == unit:
                    continue
                if LAYERS[other] >= LAYERS[unit]:
                    problems.append(f"{rel}: includes {target} ({other}, layer {LAYERS[other]}) "
                                    f"from {unit}, layer {LAYERS[unit]}")
    for p in problems:
        print(p)
    print(f"{checked} includes checked, {len(problems)} running up or across the layers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")))
