#!/usr/bin/env python3
"""Checks that every #include "..." in the sources points down the layers (docs/architecture.md)
and that Qt is included by the Qt front end alone, so the core builds without it.

  check-layers.py [ROOT]      exit 1 and one line per include that runs up a layer
  check-layers.py --self-test proves on a scratch tree that an upward include is caught

A file may include headers of its own layer and of the layers below it. The stand-in terminal
library sees the library interface only; the simulator, a program of its own, sees the interface
and the layers under it (its answers carry the core's local clock), and the exchange layer, whose
history reader it uses to follow VarnixPos in a test-set run: the history format has one owner.
"""
import os
import re
import sys
import tempfile

LAYERS = ["text", "platform", "ports", "iae17", "forms", "config", "exchange", "engine",
          "startup", "frontends"]
RANK = {name: i for i, name in enumerate(LAYERS)}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
QT_INCLUDE = re.compile(r'^\s*#\s*include\s+<Q')

# Folders outside src/ and what they may include besides themselves.
OUTSIDE = {
    "terminal-lib": {"iae17", "terminal-lib"},
    "simulator": {"text", "platform", "ports", "iae17", "exchange", "terminal-lib", "simulator"},
}


def qt_folder(root):
    return os.path.join(root, "src", "frontends", "qt")


def allowed(source_top, include_top):
    if source_top in OUTSIDE:
        return include_top in OUTSIDE[source_top]
    if include_top not in RANK:
        return include_top == "Version.h"  # generated at configure time, from the version
    return RANK[include_top] <= RANK[source_top]


def violations(root):
    found = []
    for top in list(LAYERS) + list(OUTSIDE):
        base = os.path.join(root, "src", top) if top in RANK else os.path.join(root, top)
        for folder, _, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="latin-1") as f:
                    for number, line in enumerate(f, 1):
                        if QT_INCLUDE.match(line) and not folder.startswith(qt_folder(root)):
                            found.append(f"{os.path.relpath(path, root)}:{number}: "
                                         "Qt outside the Qt front end")
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1)
                        include_top = target.split("/")[0]
                        if "/" not in target and top in RANK:
                            include_top = target  # a bare name: Version.h or a moc file
                        if not allowed(top, include_top):
                            found.append(f"{os.path.relpath(path, root)}:{number}: "
                                         f"{top} includes {target}")
    return found


def self_test():
    with tempfile.TemporaryDirectory() as root:
        def write(rel, text):
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        write("src/forms/Form.h", '#include "ports/Dialogs.h"\n')
        write("src/exchange/Step.cpp", '#include "forms/Form.h"\n#include "exchange/Step.h"\n')
        if violations(root):
            return "a tree whose includes all point down was refused"
        write("src/config/Upward.cpp", '#include "engine/Session.h"\n')
        write("terminal-lib/Lib.cpp", '#include "config/Settings.h"\n')
        write("src/exchange/Gui.cpp", '#include <QWidget>\n')
        found = violations(root)
        if len(found) != 3:
            return "expected two upward includes and one Qt include to be caught, got: %r" % found
    return None


def main():
    if sys.argv[1:] == ["--self-test"]:
        problem = self_test()
        if problem:
            print("check-layers self-test: " + problem)
            return 1
        print("check-layers self-test: an upward include is caught")
        return 0
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found = violations(os.path.abspath(root))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) run up a layer; order: {' -> '.join(LAYERS)}")
        return 1
    print("includes point down the layers: " + " -> ".join(LAYERS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
