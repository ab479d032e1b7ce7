#!/usr/bin/python3
"""The window as a screen reader reads it, over the AT-SPI bus of a private D-Bus session, as Orca
does. usage: dbus-run-session -- /usr/bin/python3 accessibility_test.py PROGRAM"""

import contextlib
import subprocess
import sys
from pathlib import Path

import pyatspi

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from xsession import XSession, wait_until  # noqa: E402


def tree(app):
    """Each window and control as (role, name, relations), a window's controls after it."""
    return [(node.getRoleName(), node.name, sorted((r.getRelationType().value_nick,
             r.getTarget(0).name) for r in node.getRelationSet() if "label" in
             r.getRelationType().value_nick)) for window in app for node in [window, *window]]


expected = [("frame", "Kestrune", []), ("text", "Text to encrypt", []),
            ("push button", "Encrypt", []), ("text", "Text to decrypt", []),
            ("push button", "Decrypt", []), ("label", "Result:", [("label-for", "Result")]),
            ("text", "Result", [("labelled-by", "Result:")]), ("push button", "Quit", []),
            *[("separator", "", [])] * 3]

with XSession() as x:
    # Qt publishes its tree only once it sees a screen reader; none runs here.
    program = subprocess.Popen([sys.argv[1]], env=dict(x.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
    try:  # the tree as soon as it is whole, or as it stands after a generous deadline
        app = wait_until(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name
                                       == "Kestrune" and a.childCount), None), 60, "Kestrune")
        with contextlib.suppress(TimeoutError):
            wait_until(lambda: tree(app) == expected, 30, "the whole tree", 0.2)
        found = tree(app)
    finally:
        program.kill()
        program.wait()
sys.exit(0 if found == expected else f"the tree read\n{found}\nnot\n{expected}")
