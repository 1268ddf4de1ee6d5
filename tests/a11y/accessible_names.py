#!/usr/bin/python3
"""Walks the running program's accessible tree (AT-SPI, as a screen reader
sees it) and checks that every control without a caption of its own is named
by the template's label beside it, with the label-for relation both ways, and
that every button is named by its caption, and that the transfer bar reads
as a progress bar with its value and the file list as a table.

    accessible_names.py <window title> [the list's row names...]
    accessible_names.py --transfer <window title>   (the bar while it moves) Exits non-zero with every fault
listed."""
import sys
import time

import pyatspi

# (label text, role of the control, name a screen reader says)
LABELLED = [
    ("Domain", pyatspi.ROLE_COMBO_BOX, "Domain"),
    ("Domain", pyatspi.ROLE_TEXT, "Domain"),
    ("User", pyatspi.ROLE_TEXT, "User"),
    ("Pswd", pyatspi.ROLE_TEXT, "Pswd"),
    ("PWD", pyatspi.ROLE_TEXT, "PWD"),
    ("Port\n(21)", pyatspi.ROLE_TEXT, "Port (21)"),
    ("Hide", pyatspi.ROLE_CHECK_BOX, "Hide"),
]
BUTTONS = ["Login", "Remove", "Logout", "Upload", "Download", "Rename", "Delete", "mkdir", "chdir",
           "cd ..", "cd /", "Help", "Refresh", "Abort"]
COLUMNS = ["Name", "Size", "Last Modified"]
NEED_A_NAME = {pyatspi.ROLE_TEXT, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_PUSH_BUTTON}


def find_window(title, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is None:
                continue
            for window in app:
                if window is not None and window.name == title:
                    return window
        time.sleep(0.2)
    return None


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def targets(node, relation_type):
    found = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == relation_type:
            found += [relation.getTarget(i) for i in range(relation.getNTargets())]
    return found


def progress_bar_faults(nodes):
    """The transfer bar reads as a progress bar with a 0..100 value."""
    bars = [n for n in nodes if n.getRole() == pyatspi.ROLE_PROGRESS_BAR]
    if len(bars) != 1:
        return ["%d progress bars, not one" % len(bars)]
    value = bars[0].queryValue()
    seen = (value.minimumValue, value.maximumValue, value.currentValue)
    if seen != (0.0, 100.0, 0.0):
        return ["the progress bar reads (min, max, value) %r, not (0, 100, 0)" % (seen,)]
    return []


def table_faults(nodes, rows):
    """The file list reads as a table of the listed rows under its headers."""
    tables = [n for n in nodes if n.getRole() == pyatspi.ROLE_TABLE]
    if len(tables) != 1:
        return ["%d tables, not one" % len(tables)]
    table = tables[0].queryTable()
    headers = [table.getColumnHeader(c).name for c in range(table.nColumns)]
    if headers != COLUMNS:
        return ["the table's columns are %r, not %r" % (headers, COLUMNS)]
    names = [table.getAccessibleAt(r, 0).name for r in range(table.nRows)]
    if names != rows:
        return ["the table's rows are %r, not %r" % (names, rows)]
    return []


def faults_in(window, rows):
    nodes = list(walk(window))
    faults = []
    for label_text, role, name in LABELLED:
        controls = [n for n in nodes if n.getRole() == role and n.name == name]
        if len(controls) != 1:
            faults.append("%d controls of role %s named %r, not one" % (len(controls), pyatspi.Role(role), name))
            continue
        if role == pyatspi.ROLE_COMBO_BOX:
            continue  # its edit, which takes the focus, carries the relation
        control = controls[0]
        labels = [t.name for t in targets(control, pyatspi.RELATION_LABELLED_BY)]
        if labels != [label_text]:
            faults.append("%r is labelled by %r, not by %r" % (name, labels, label_text))
        label = [n for n in nodes if n.getRole() == pyatspi.ROLE_LABEL and n.name == label_text]
        if not label or control not in targets(label[0], pyatspi.RELATION_LABEL_FOR):
            faults.append("the label %r is not the label for %r" % (label_text, name))
    buttons = sorted(n.name for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON)
    if buttons != sorted(BUTTONS):
        faults.append("the buttons are named %r, not %r" % (buttons, sorted(BUTTONS)))
    faults += progress_bar_faults(nodes)
    faults += table_faults(nodes, rows)
    for node in nodes:
        if node.getRole() in NEED_A_NAME and not node.name:
            faults.append("a %s has no name" % node.getRoleName())
    return len(nodes), faults


def bar_moves(window, seconds):
    """During a transfer the bar's value lies between 0 and 100 and its text
    says what is being done."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        bars = [n for n in walk(window) if n.getRole() == pyatspi.ROLE_PROGRESS_BAR]
        if bars:
            value = bars[0].queryValue().currentValue
            if 0 < value < 100 and bars[0].name:
                print("the bar reads %d: %r" % (value, bars[0].name))
                return True
        time.sleep(0.1)
    return False


def main():
    if sys.argv[1] == "--transfer":
        window = find_window(sys.argv[2], 15)
        return 0 if window is not None and bar_moves(window, 15) else 1
    rows = sys.argv[2:]
    window = find_window(sys.argv[1], 15)
    if window is None:
        print("no window titled %r in the accessible tree" % sys.argv[1])
        return 1
    # The names are given once the window has started; a few looks allow for
    # a window that is still starting.
    deadline = time.time() + 5
    count, faults = faults_in(window, rows)
    while faults and time.time() < deadline:
        time.sleep(0.2)
        count, faults = faults_in(window, rows)
    for fault in faults:
        print("FAULT:", fault)
    print("%d objects walked, %d faults" % (count, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
