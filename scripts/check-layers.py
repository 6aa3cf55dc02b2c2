#!/usr/bin/env python3
"""Folders are layers: a source may include its own folder, a folder of the same
layer, or one below, never one above. Prints each upward include and exits 1 when
there is one. Tests, benchmarks and generated files are outside the layers."""
import os
import re
import sys

# Bottom up; folders on one line share a layer and may include each other.
LAYERS = [
    ["base"],
    ["win"],
    ["audio"],
    ["formats", "tags"],
    ["ui"],
    ["capture", "recorder", "delivery", "player", "hotkeys", "setup", "library"],
    ["gui"],
    ["app", "tools"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)
SOURCES = (".h", ".cpp", ".rc")


def upward_includes(root):
    for folder in sorted(RANK):
        top = os.path.join(root, folder)
        for base, _, names in os.walk(top):
            for name in sorted(names):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    if target in RANK and RANK[target] > RANK[folder]:
                        yield os.path.relpath(path, root), target


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    found = list(upward_includes(root))
    for path, target in found:
        print(f"{path}: includes {target}/, a layer above its own")
    if found:
        return 1
    print("layers: no upward include")
    return 0


if __name__ == "__main__":
    sys.exit(main())
