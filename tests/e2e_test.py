#!/usr/bin/env python3
"""The real executable on a private Xvfb display under openbox, driven as a person would: keys and
clicks through xdotool, text through the clipboard with xclip.

usage: e2e_test.py PROGRAM ARTIFACTS Kestrune.test_x
A failure saves the screen as ARTIFACTS/<test>.png; the program's output stays in ARTIFACTS/<test>/.
"""

import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from xsession import XSession, wait_until  # noqa: E402

PROGRAM, ARTIFACTS = Path(sys.argv[1]), Path(sys.argv[2])
CENTRES = {"txtEncrypt": (88, 17), "cmdEncrypt": (88, 40), "txtDecrypt": (88, 73),
           "cmdDecrypt": (88, 96), "txtResult": (88, 145), "cmdQuit": (88, 180)}
TIMEOUT = 20  # generous: two cores shared with builds


class Kestrune(unittest.TestCase):
    def setUp(self):
        self.logs = ARTIFACTS / self.id().rsplit(".", 1)[-1]
        self.x = XSession(log_dir=self.logs)
        self.x.start()
        self.addCleanup(self.x.stop)

    def start(self):
        log = open(self.logs / "kestrune.log", "ab")
        self.app = subprocess.Popen([str(PROGRAM)], env=self.x.env, stdout=log, stderr=log)
        self.addCleanup(lambda: self.app.poll() is None and self.app.kill())
        self.window = wait_until(lambda: self.windows()[:1], TIMEOUT, "the window")[0]
        wait_until(lambda: self.xdotool("getactivewindow") == self.window, TIMEOUT, "focus")

    def windows(self):
        """The program's viewable windows titled Kestrune, the main window first."""
        self.assertIsNone(self.app.poll(), "the program ended")
        return self.xdotool("search", "--all", "--onlyvisible", "--pid", str(self.app.pid),
                            "--name", "^Kestrune$").split()

    def xdotool(self, *args):
        return self.x.run("xdotool", *args, check=False).stdout.decode().strip()

    def click(self, control, *keys):
        self.xdotool("mousemove", "--window", self.window, *map(str, CENTRES[control]), "click",
                     "1", *(["key", *keys] if keys else []))

    def clipboard(self, text=None):
        if text is None:
            return self.x.run("xclip", "-o", "-selection", "clipboard", check=False).stdout.decode()
        # xclip stays behind to serve the selection, so it must not hold our pipes.
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], env=self.x.env, timeout=TIMEOUT,
                       input=text.encode(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: self.clipboard() == text, TIMEOUT, f"{text!r} on the clipboard")

    def copied(self, box):
        """A box's text as a person gets it: click in, select all, copy."""
        self.clipboard("<nothing>")
        self.click(box, "ctrl+a", "ctrl+c")
        return wait_until(lambda: (t := self.clipboard()) != "<nothing>" and [t], TIMEOUT,
                          f"{box} on the clipboard")[0]

    def run(self, result=None):
        outcome = super().run(result)
        if outcome and not outcome.wasSuccessful() and self.x.display:
            print(self.x.screenshot(ARTIFACTS / f"{self.logs.name}.png"), file=sys.stderr)
        return outcome

    def test_type_encrypt_copy_paste_decrypt(self):
        self.start()
        self.xdotool("type", "--delay", "20", "Hello, World")  # the focus starts in txtEncrypt
        self.click("cmdEncrypt")
        self.assertEqual(self.copied("txtResult"), "Ebiil)\x1dTloia")
        self.click("txtDecrypt", "ctrl+v")
        self.click("cmdDecrypt")
        self.assertEqual(self.copied("txtResult"), "Hello, World")

    def test_a_refusal_shows_a_message_box_and_the_program_goes_on(self):
        self.start()
        self.xdotool("type", "--delay", "20", "ab")
        self.clipboard("\u0416")
        self.click("txtEncrypt", "End", "ctrl+v")
        self.click("cmdEncrypt")
        message = wait_until(lambda: self.windows()[1:], TIMEOUT, "a message box")[0]
        self.assertIn(f"window id # {int(self.window):#x}",
                      self.x.run("xprop", "-id", message, "WM_TRANSIENT_FOR").stdout.decode())
        wait_until(lambda: self.xdotool("getactivewindow") == message, TIMEOUT, "its focus")
        self.xdotool("key", "Return")
        wait_until(lambda: self.windows() == [self.window], TIMEOUT, "the message box to close")
        self.assertEqual(self.copied("txtEncrypt"), "ab\u0416")

    def test_every_way_out_ends_with_status_0(self):
        for how in ("Quit", "close box", "alt+F4"):
            with self.subTest(how=how):
                self.start()
                if how == "Quit":
                    self.click("cmdQuit")
                elif how == "close box":
                    self.x.run("wmctrl", "-i", "-c", hex(int(self.window)))
                else:
                    self.xdotool("key", "alt+F4")
                self.assertEqual(self.app.wait(timeout=TIMEOUT), 0)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=2)
