#!/usr/bin/env python3
"""Checks every #include under src/ against the table of allowed include directions and that no
core file includes Qt. Fails on a folder of the table that is missing or empty and on a folder
that the table does not know."""
import pathlib
import re
import sys

PLATFORM = ["platform/gdi", "platform/file", "platform/pe", "platform/picture", "platform/net",
            "platform/desktop"]
# Each folder with the layers it may include besides itself. "platform" stands for every
# platform folder and the headers at its root; "." is src/ itself, the editor's main file.
TABLE = {
    "platform": [],
    **{folder: [] for folder in PLATFORM},
    "codecs": ["platform"],
    "image": ["platform", "codecs"],
    "controls": ["platform", "codecs", "image"],
    "import": ["platform", "codecs", "image", "controls"],
    "app": ["platform", "codecs", "image", "controls", "import"],
    "cli": ["platform", "codecs", "image", "import", "app"],
    "fallback": ["platform"],
    ".": ["platform", "codecs", "image", "controls", "import", "app"],
}
LAYERS = {folder.split("/")[0] for folder in TABLE} - {"."}
# Folders without Qt; in these others only the files whose names start so may use it (the
# desktop services and their Qt side, and the windows).
QT_FREE = ["platform", "platform/gdi", "platform/file", "platform/pe", "platform/picture",
           "platform/net", "codecs", "image", "cli"]
QT_FILES = {"platform/desktop": ("Qt", "Desktop"), "app": ("Frm",), "import": ("Frm",)}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def folder_of(relative):
    parts = relative.parts[:-1]
    if not parts:
        return "."
    return "/".join(parts[:2]) if parts[0] == "platform" and len(parts) > 1 else parts[0]


def faults_of(path, relative):
    folder = folder_of(relative)
    if folder not in TABLE:
        return [f"{relative}: its folder {folder} is not in the table"]
    qt_allowed = folder not in QT_FREE and relative.name.startswith(QT_FILES.get(folder, ("",)))
    faults = []
    for kind, target in INCLUDE.findall(path.read_text(errors="replace")):
        layer = target.split("/")[0]
        if kind == "<" and re.match(r"Q[A-Za-z0-9]*(/|$)", target) and not qt_allowed:
            faults.append(f"{relative}: includes {target}: Qt in core code")
        own = layer == folder.split("/")[0]
        if kind == '"' and layer in LAYERS and not own and layer not in TABLE[folder]:
            faults.append(f"{relative}: includes {target}: against the layers")
    return faults


def main(src):
    src = pathlib.Path(src)
    faults = [f"{folder}: missing or empty" for folder in TABLE
              if not any(p.suffix in (".h", ".cpp") for p in (src / folder).glob("*"))]
    for path in sorted(src.rglob("*")):
        if path.suffix in (".h", ".cpp"):
            faults += faults_of(path, path.relative_to(src))
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
