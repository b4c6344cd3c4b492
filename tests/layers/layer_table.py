#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks every include under src/ (the folder given) against the table of layers: fails on an
include against it, on Qt in core code, on a folder of the table that is missing or empty and on
a folder that the table does not know."""
import pathlib
import re
import sys

PLATFORM = ["platform", "platform/gdi", "platform/file", "platform/pe", "platform/picture",
            "platform/net", "platform/desktop"]
# Each folder with the layers it may include besides its own; "." is src/, the editor's main.
TABLE = {**{folder: [] for folder in PLATFORM}, "codecs": ["platform"],
         "image": ["platform", "codecs"], "controls": ["platform", "codecs", "image"],
         "import": ["platform", "codecs", "image", "controls"],
         "app": ["platform", "codecs", "image", "controls", "import"],
         "cli": ["platform", "codecs", "image", "import", "app"], "fallback": ["platform"],
         ".": ["platform", "codecs", "image", "controls", "import", "app"]}
LAYERS = {folder.split("/")[0] for folder in TABLE} - {"."}
# Qt only in these folders, and there only in files whose names start so (empty: any file):
# the desktop services and their Qt side, the windows, the controls and the programs.
QT = {"platform/desktop": ("Qt", "Desktop"), "app": ("Frm",), "import": ("Frm",),
      "controls": ("",), "fallback": ("",), ".": ("",)}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def faults_of(path, relative):
    parts = relative.parts[:-1]
    folder = "/".join(parts[:2]) if parts[:1] == ("platform",) else (parts[0] if parts else ".")
    if folder not in TABLE:
        return [f"{relative}: its folder {folder} is not in the table"]
    qt = relative.name.startswith(QT.get(folder, ()))
    faults = []
    for kind, target in INCLUDE.findall(path.read_text(errors="replace")):
        layer = target.split("/")[0]
        if kind == "<" and re.match(r"Q[A-Za-z0-9]*(/|$)", target) and not qt:
            faults.append(f"{relative}: includes {target}: Qt in core code")
        if kind == '"' and layer in LAYERS and layer != folder.split("/")[0] and \
                layer not in TABLE[folder]:
            faults.append(f"{relative}: includes {target}: against the layers")
    return faults


src = pathlib.Path(sys.argv[1])
faults = [f"{folder}: missing or empty" for folder in TABLE
          if not any(p.suffix in (".h", ".cpp") for p in (src / folder).glob("*"))]
for path in sorted(src.rglob("*")):
    if path.suffix in (".h", ".cpp"):
        faults += faults_of(path, path.relative_to(src))
for fault in faults:
    print(fault, file=sys.stderr)
sys.exit(1 if faults else 0)
