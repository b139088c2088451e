#!/usr/bin/env python3
"""Libraries include only downward: platform, Common, measured data,
communication, database, measurement subject, windows, then the programs,
each of which includes no other program. Prints every include that goes up
or sideways and fails when there is one.

    LayerOrder.py <source folder>
"""
import os
import re
import sys

# Folders by layer, the most specific first; a program is a layer of its own.
LAYERS = [
    ("Communication/MeasSubject/", 5, "measurement subject"),
    ("database/measdata/", 2, "measured data"),
    ("platform/", 0, "platform"),
    ("resources/", 0, "platform"),
    ("common/", 1, "Common"),
    ("Communication/", 3, "communication"),
    ("database/", 4, "database"),
    ("windows/", 6, "windows"),
]
PROGRAMS = ["online/", "calibration/", "offline/", "presentation/", "ostrel/", "simulator/"]
SOURCES = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def place(path):
    for folder, rank, name in LAYERS:
        if path.startswith(folder):
            return rank, name
    for folder in PROGRAMS:
        if path.startswith(folder):
            return 7, folder.rstrip("/")
    return None


def main():
    root = sys.argv[1]
    files = []
    for top in [f for f, _, _ in LAYERS] + PROGRAMS:
        for dirpath, _, names in os.walk(os.path.join(root, top)):
            for n in names:
                if n.endswith(SOURCES):
                    files.append(os.path.relpath(os.path.join(dirpath, n), root).replace(os.sep, "/"))
    files = sorted(set(files))
    headers = {}
    for f in files:
        headers.setdefault(os.path.basename(f), []).append(f)

    faults = []
    for f in files:
        rank, name = place(f)
        with open(os.path.join(root, f), encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                wanted = m.group(1)
                beside = os.path.normpath(os.path.join(os.path.dirname(f), wanted)).replace(os.sep, "/")
                if beside in files:
                    targets = [beside]
                else:
                    targets = [h for h in headers.get(os.path.basename(wanted), [])
                               if h == wanted or h.endswith("/" + wanted)]
                if not targets:
                    continue  # a system header or one the build writes
                # Of headers sharing a name, the include path picks one; the
                # lowest is taken so that only a sure fault is told.
                target = min(targets, key=lambda t: place(t)[0])
                trank, tname = place(target)
                if trank > rank or (rank == trank == 7 and tname != name):
                    faults.append(f"{f}:{number}: {name} includes {target} ({tname})")
    for fault in faults:
        print(fault)
    print(f"{len(files)} files read, {len(faults)} includes against the layer order")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
