#!/usr/bin/python3
"""Prints the text on the X clipboard (what Ctrl+C put there), or nothing.

With --clear it empties the clipboard instead: it takes the clipboard and
exits, leaving it with no owner, so a Ctrl+C of an empty field reads as
empty rather than as whatever was copied before.
"""
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

clipboard = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)
if sys.argv[1:] == ["--clear"]:
    clipboard.set_text("", 0)
    Gdk.Display.get_default().flush()
else:
    sys.stdout.write(clipboard.wait_for_text() or "")
