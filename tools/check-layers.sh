#!/usr/bin/env bash
# Holds every #include "..." of the source folders to the layers of
# docs/ARCHITECTURE.md. The build stops a core library from reaching a
# higher folder (cmake/Layers.cmake); the targets above the core include
# from the repository root, and this check covers them and everything else.
# Prints each offending line and exits 1 when there is one.
#   tools/check-layers.sh [ROOT]   (default: this repository)
set -euo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"

exec python3 - "$root" <<'EOF'
import os, re, sys

root = sys.argv[1]
folders = ["io", "flc", "palette", "formats", "imaging", "storyboard", "uikit", "res", "app", "ui",
           "cli", "installer", "tools", "bench", "tests"]
# The Qt widgets that live beside the core parts they show.
widgets = {"imaging/CFlcPlayer", "palette/CColorTable", "palette/CPaletteDlg"}
# The Qt-free core, lowest layer first: each may include itself and those
# before it, except that palette/ and formats/ stand side by side.
core = {"io", "flc", "palette", "formats", "imaging", "storyboard"}

def layer(path):
    top = path.split("/")[0]
    if top in ("imaging", "palette") and os.path.splitext(path)[0] in widgets:
        return "widgets"
    if top == "tests":
        part = path.split("/")[1] if path.count("/") > 1 else ""
        return "tests/" + part
    return top

# Per layer: the layers it may include, and the rule's words.
rules = {
    "io": ({"io"}, "io/ includes only io/"),
    "flc": ({"io", "flc"}, "flc/ includes only flc/ and io/"),
    "palette": ({"io", "flc", "palette"}, "palette/ includes only palette/, flc/ and io/"),
    "formats": ({"io", "flc", "formats"}, "formats/ includes only formats/, flc/ and io/"),
    "imaging": (core - {"storyboard"}, "imaging/ includes only the core below storyboard/"),
    "storyboard": (core, "storyboard/ includes only the core"),
    "uikit": (core | {"uikit"}, "uikit/ includes only uikit/ and the core"),
    "res": ({"uikit", "res"}, "res/ includes only res/ and uikit/"),
    "widgets": (core | {"widgets", "uikit", "res"},
                "the core's widgets include only the core, uikit/ and res/"),
    "installer": (core | {"installer"}, "installer/ includes only installer/ and the core"),
    "cli": (core | {"cli"}, "cli/ includes only cli/ and the core"),
    "tools": (core | {"tools"}, "tools/ includes only tools/ and the core"),
    "bench": (core | {"tools", "bench"}, "bench/ includes only bench/, tools/ and the core"),
    "tests/core": (core | {"tests/core"}, "tests/core includes only tests/core and the core"),
    "tests/fuzz": (core | {"tests/fuzz"}, "tests/fuzz includes only tests/fuzz and the core"),
    "tests/cli": (core | {"cli", "tests/cli", "tests/core"},
                  "tests/cli includes only tests/cli, tests/core, cli/ and the core"),
    "tests/installer": (core | {"installer", "tests/installer", "tests/core"},
                        "tests/installer includes only tests/installer, tests/core, installer/ and the core"),
}
window = {"app", "ui"}
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
failed = False
for folder in folders:
    for directory, _, names in os.walk(os.path.join(root, folder)):
        for name in sorted(names):
            if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
                continue
            file = os.path.relpath(os.path.join(directory, name), root)
            own = layer(file)
            with open(os.path.join(root, file), encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = include.match(line)
                    if not match:
                        continue
                    target = match.group(1)
                    beside = os.path.normpath(os.path.join(os.path.dirname(file), target))
                    path = beside if os.path.exists(os.path.join(root, beside)) else os.path.normpath(target)
                    if path.split("/")[0] not in folders:
                        continue  # a generated or system header
                    theirs = layer(path)
                    if theirs in window and own not in window and not own.startswith("tests/"):
                        rule = "only app/ and ui/ include app/ or ui/"
                    elif own in rules and theirs not in rules[own][0]:
                        rule = rules[own][1]
                    else:
                        continue
                    print(f'{file}:{number}: #include "{target}" — {rule}')
                    failed = True
sys.exit(1 if failed else 0)
EOF
