"""Checks every #include "folder/..." under src/ and python/src/ against the
layering: a folder includes its own headers and those of the folders below it;
no front end includes another's, and a library's private headers stay in it."""

import pathlib
import re
import sys

# Each folder with the folders whose headers it may include besides its own.
LIBRARIES = ["numeric", "model", "study", "uncertainty", "formats", "chart"]
ALLOWED = {name: set(LIBRARIES[:k]) for k, name in enumerate(LIBRARIES)}
# The front ends stand on every library; the desktop program is app and ui.
for front_end in ("cli", "ui", "python"):
    ALLOWED[front_end] = set(LIBRARIES)
ALLOWED["app"] = set(LIBRARIES) | {"ui"}
# Headers made at build time, not folders of the layering.
GENERATED = {"kaskad"}
# Headers only their own folder includes: the chart's text conversion and
# shared styling are its own; the windows form their Qt texts with ui/qt_text.h.
PRIVATE = {"chart/qt_text.h", "chart/scene_style.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"(([^"/]+)/[^"]*)"', re.MULTILINE)


def folder_of(path, root):
    relative = path.relative_to(root).parts
    return "python" if relative[0] == "python" else relative[1]


def violations(root):
    found = []
    sources = [*root.glob("src/**/*"), *root.glob("python/src/**/*")]
    for path in sorted(p for p in sources if p.suffix in (".h", ".cpp")):
        folder = folder_of(path, root)
        allowed = ALLOWED.get(folder)
        if allowed is None:
            found.append(f"{path.relative_to(root)}: folder '{folder}' has no place in the layering")
            continue
        for header, included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if included != folder and included not in allowed and included not in GENERATED:
                found.append(f"{path.relative_to(root)}: includes a header of '{included}'")
            elif included != folder and header in PRIVATE:
                found.append(f"{path.relative_to(root)}: includes '{header}', private to '{included}'")
    return found


def main():
    root = pathlib.Path(sys.argv[1])
    found = violations(root)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
