#!/usr/bin/python3
"""Walks the program's accessibility tree over AT-SPI, as a screen reader sees it.

  atspi_walk.py APPLICATION_NAME EXPECTED_TOTAL_NAME

Fails (exit 1) on any object that is showing, focusable or actionable and has no name, or whose
name carries stray blanks, on a showing "Nächte =" or "€" beside a figure that says its unit, and
when no object is named EXPECTED_TOTAL_NAME. Prints the tree.
"""
import sys
import time

import pyatspi

# Texts that only repeat what the figure beside them says ("4 Nächte", "18,40 €").
HIDDEN_NAMES = {"Nächte =", "€"}

IGNORED_ROLES = {
    # Structure without a meaning of its own: a screen reader passes through it.
    pyatspi.ROLE_FILLER,
    pyatspi.ROLE_PANEL,
    pyatspi.ROLE_UNKNOWN,
    pyatspi.ROLE_REDUNDANT_OBJECT,
    pyatspi.ROLE_APPLICATION,
}


def find_application(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def main():
    app_name, expected_total = sys.argv[1], sys.argv[2]
    app = find_application(app_name)
    if app is None:
        print(f"FAIL: no application {app_name!r} on the accessibility bus")
        return 1
    faults = []
    names = set()
    seen = 0

    def walk(node, depth, path):
        nonlocal seen
        if node is None or depth > 40:
            return
        seen += 1
        states = node.getState()
        showing = states.contains(pyatspi.STATE_SHOWING)
        focusable = states.contains(pyatspi.STATE_FOCUSABLE)
        try:
            action = node.queryAction()
            actionable = action.nActions > 0
        except NotImplementedError:
            actionable = False
        name = node.name or ""
        role = node.getRoleName()
        here = f"{path}/{role}:{name!r}"
        print("  " * depth + f"{role} {name!r}" + (" showing" if showing else "") +
              (" focusable" if focusable else "") + (" actionable" if actionable else ""))
        names.add(name)
        if showing and name in HIDDEN_NAMES:
            faults.append(f"a repeated unit is read: {here}")
        if (showing or focusable or actionable) and node.getRole() not in IGNORED_ROLES:
            if not name.strip():
                faults.append(f"no name: {here}")
            elif name != name.strip():
                faults.append(f"stray blanks: {here}")
        if not showing and not focusable:
            return  # a hidden part (a closed list, a decoration): not reached by a reader
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), depth + 1, here)

    walk(app, 0, "")
    print(f"{seen} objects")
    if expected_total not in names:
        faults.append(f"no object named {expected_total!r}")
    for fault in faults:
        print("FAIL:", fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
