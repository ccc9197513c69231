#!/usr/bin/env python3
"""Checks that every source file includes only what the README's layering allows.

The layers, from the program's root down: a file may include files of its own folder and of any
folder below its own in this list, never of one above it or beside it. Sub-folders belong to their
top folder (ui/kit is ui). The update server stands beside the program and may include the core
from service down; the driver package installer and the updater may include ui and below; nothing
in the program includes them. Tests may include anything.
"""
import pathlib
import re
import sys

LAYERS = ["app", ["ui", "cli"], "backup", "download", "service", "devices", "system", "i18n", "common"]
BESIDE = {"server": "service", "dpinst": "ui", "updater": "ui"}
SOURCES = (".cpp", ".h")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def rank_of(folder):
    for rank, layer in enumerate(LAYERS):
        if folder == layer or (isinstance(layer, list) and folder in layer):
            return rank
    return None


def main(root):
    root = pathlib.Path(root)
    problems = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in SOURCES or not path.is_file():
            continue
        relative = path.relative_to(root)
        top = relative.parts[0]
        if top in ("tests", "build", ".cache", "docs") or top.startswith("."):
            continue
        own = rank_of(top)
        for included in INCLUDE.findall(path.read_text(errors="replace")):
            target = included.split("/")[0]
            if "/" not in included or target == top:
                continue
            target_rank = rank_of(target)
            if target_rank is None:
                problems.append(f"{relative}: includes {included}, which no layer of the program may include")
            elif own is None:
                floor = BESIDE.get(top)
                if floor is None or target_rank < rank_of(floor):
                    problems.append(f"{relative}: includes {included}, above what {top}/ may use")
            elif target_rank <= own:
                problems.append(f"{relative}: includes {included}, a layer above or beside its own")
    for problem in problems:
        print(problem)
    print(f"{len(problems)} includes against the layering")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent))
