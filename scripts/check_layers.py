#!/usr/bin/env python3
"""Checks that every #include "folder/..." of the program points down.

The program is built in layers. A folder may include its own files and those of
the layers below it, never a folder beside it or above it. The order is the
table below; a source folder that is not in it is an error too, so a new folder
has to be placed before it can be built on.

Usage: check_layers.py [SOURCE_ROOT]   (default: the folder above this script)
Exit status 0 when every include points down, 1 otherwise (each wrong include is
named with its file and line), 2 on a wrong call.
"""

import os
import re
import sys

# Core libraries (plain C++, no Qt), lowest tier first. A core folder includes
# its own files and those of lower tiers, never a folder of its own tier.
CORE_TIERS = [
    ["base"],
    ["metadata", "drive", "settings", "files"],
    ["catalogue"],
    ["tools", "playback", "picture", "burning"],
]

# The Qt side. "widgets/ui" is the toolbox below every window: it includes only
# the core folders named here. Each subsystem's "ui/" includes its own core,
# lower core tiers, "widgets/ui" and the "ui/" of lower tiers.
WIDGETS_MAY_INCLUDE = {"base", "settings"}

# Folders on top: the command-line tool takes core folders only; the program
# (main window and main) takes everything.
CLI = "cli"
APP = "app"

# Tests and benchmarks stand above everything and are not checked.
UNCHECKED = {"tests", "bench"}

SOURCE_SUFFIXES = (".cpp", ".h")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')

TIER_OF = {folder: tier for tier, folders in enumerate(CORE_TIERS) for folder in folders}


def layer_of(path_parts):
    """The layer a path names: "tools" or "tools/ui" (None for a bare name)."""
    if len(path_parts) < 2:
        return None
    top = path_parts[0]
    return top + "/ui" if path_parts[1] == "ui" and len(path_parts) > 2 else top


def may_include(source, target):
    """True when a file of layer source may include a file of layer target."""
    if source == target:
        return True
    source_top, source_ui = source.split("/")[0], source.endswith("/ui")
    target_top, target_ui = target.split("/")[0], target.endswith("/ui")
    if source_top == APP:
        return target_top in TIER_OF or target_top == "widgets" or target_top == APP
    if source_top == CLI:
        return not target_ui and target_top in TIER_OF
    if source == "widgets/ui":
        return not target_ui and target_top in WIDGETS_MAY_INCLUDE
    if target_top not in TIER_OF and target != "widgets/ui":
        return False  # upward: cli, app, tests, bench, or an unknown folder
    if not source_ui:
        # Core: only lower core tiers (its own folder was handled above).
        return not target_ui and TIER_OF[target_top] < TIER_OF[source_top]
    if target == "widgets/ui":
        return True
    if target_top == source_top:
        return True  # a subsystem's ui/ includes its own core
    return TIER_OF[target_top] < TIER_OF[source_top]


def known_source_folder(top):
    return top in TIER_OF or top in (CLI, APP, "widgets") or top in UNCHECKED


def check(root):
    problems = []
    for top in sorted(os.listdir(root)):
        folder = os.path.join(root, top)
        if not os.path.isdir(folder) or top.startswith(".") or top.startswith("build"):
            continue
        for directory, subfolders, files in os.walk(folder):
            subfolders.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, root)
                if not known_source_folder(top):
                    problems.append(f"{relative}: folder '{top}' is not in the layer table")
                    break
                if top in UNCHECKED:
                    continue
                source = layer_of(relative.split(os.sep))
                problems.extend(check_file(path, relative, source))
    return problems


def check_file(path, relative, source):
    problems = []
    with open(path, encoding="utf-8", errors="replace") as text:
        for number, line in enumerate(text, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            included = match.group(1)
            target = layer_of(included.split("/"))
            if target is None:
                problems.append(f"{relative}:{number}: #include \"{included}\" names no folder")
            elif not may_include(source, target):
                problems.append(
                    f"{relative}:{number}: {source} must not include {target} (\"{included}\")")
    return problems


def main(argv):
    if len(argv) > 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    root = argv[1] if len(argv) == 2 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if not os.path.isdir(root):
        print(f"{root}: kein Verzeichnis", file=sys.stderr)
        return 2
    problems = check(root)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"{len(problems)} include(s) against the layer order", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
