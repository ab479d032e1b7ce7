#!/usr/bin/python3
"""The window as a screen reader reads it: the real executable in Xvfb, its tree read with
pyatspi over the AT-SPI bus of a private D-Bus session, as Orca does.

Run:  dbus-run-session -- /usr/bin/python3 accessibility_test.py build/kestrune
"""

import subprocess
import sys
import unittest
from pathlib import Path

import pyatspi

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from xsession import XSession, wait_until  # noqa: E402


def relations(node):
    return {(r.getRelationType().value_nick, r.getTarget(0).name) for r in node.getRelationSet()}


class Accessibility(unittest.TestCase):
    def test_tree(self):
        x = self.enterContext(XSession())
        # Qt publishes its tree only once it sees a screen reader; none runs here.
        env = dict(x.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        program = subprocess.Popen([sys.argv[1]], env=env)
        self.addCleanup(program.kill)
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_until(lambda: next((a for a in desktop if a and a.name == "Kestrune"
                                       and a.childCount), None), 20, "Kestrune on the AT-SPI bus")
        self.assertEqual([(w.getRoleName(), w.name) for w in app], [("frame", "Kestrune")])
        controls = list(app[0])
        self.assertEqual([(c.getRoleName(), c.name) for c in controls], [
            ("text", "Text to encrypt"), ("push button", "Encrypt"), ("text", "Text to decrypt"),
            ("push button", "Decrypt"), ("label", "Result:"), ("text", "Result"),
            ("push button", "Quit")] + [("separator", "")] * 3)
        self.assertIn(("label-for", "Result"), relations(controls[4]))
        self.assertIn(("labelled-by", "Result:"), relations(controls[5]))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
