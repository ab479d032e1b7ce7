#!/usr/bin/env python3
"""The real executable on a private Xvfb display under openbox, driven as a person would: keys and
clicks through xdotool, text through the clipboard with xclip.
usage: e2e_test.py PROGRAM ARTIFACTS [Kestrune.test_x]; each test leaves its last screen and logs
in ARTIFACTS."""

import contextlib
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
        self.addCleanup(self.x.screenshot, self.logs.with_suffix(".png"))

    def start(self):
        with open(self.logs / "kestrune.log", "ab") as log:
            self.app = subprocess.Popen([PROGRAM], env=self.x.env, stdout=log, stderr=log)
        self.addCleanup(lambda: self.app.poll() is None and self.app.kill())
        self.window = wait_until(lambda: self.windows()[:1], TIMEOUT, "the window")[0]
        wait_until(lambda: self.xdotool("getactivewindow") == self.window, TIMEOUT, "the focus")

    def windows(self):  # the program's windows titled Kestrune, the main window first
        self.assertIsNone(self.app.poll(), "the program ended")
        return self.xdotool("search", "--all", "--onlyvisible", "--pid", str(self.app.pid),
                            "--name", "^Kestrune$").split()

    def xdotool(self, *args):
        return self.x.run("xdotool", *args, check=False).stdout.decode().strip()

    def click(self, control, *keys):
        self.xdotool("mousemove", "--window", self.window, *map(str, CENTRES[control]), "click",
                     "1", *(["key", *keys] if keys else []))

    def clipboard(self, text=None):
        if text is not None:  # xclip stays behind to serve it, so it must not hold our pipes
            subprocess.run(["xclip", "-i", "-selection", "clipboard"], env=self.x.env,
                           input=text.encode(), stdout=subprocess.DEVNULL, timeout=TIMEOUT)
        return self.x.run("xclip", "-o", "-selection", "clipboard", check=False).stdout.decode()

    def expect_copy(self, box, text):
        """Copies a box's text as a person would, and waits for that text on the clipboard."""
        self.click(box, "ctrl+a", "ctrl+c")
        with contextlib.suppress(TimeoutError):
            wait_until(lambda: self.clipboard() == text, TIMEOUT, box)
        self.assertEqual(self.clipboard(), text)

    def test_type_encrypt_copy_paste_decrypt(self):
        self.start()
        self.xdotool("type", "--delay", "20", "Hello, World")  # the focus starts in txtEncrypt
        self.click("cmdEncrypt")
        self.expect_copy("txtResult", "Ebiil)\x1dTloia")
        self.click("txtDecrypt", "ctrl+v")
        self.click("cmdDecrypt")
        self.expect_copy("txtResult", "Hello, World")
        self.expect_copy("txtEncrypt", "Hello, World")  # the commands never touch their input

    def test_a_refusal_shows_a_message_box_and_the_program_goes_on(self):
        self.start()
        self.xdotool("type", "--delay", "20", "ab")
        wait_until(lambda: self.clipboard("\u0416") == "\u0416", TIMEOUT, "the clipboard")
        self.click("txtEncrypt", "End", "ctrl+v")
        self.click("cmdEncrypt")
        message = wait_until(lambda: self.windows()[1:], TIMEOUT, "a message box")[0]
        self.assertIn(f"# {int(self.window):#x}",
                      self.x.run("xprop", "-id", message, "WM_TRANSIENT_FOR").stdout.decode())
        wait_until(lambda: self.xdotool("getactivewindow") == message, TIMEOUT, "its focus")
        self.xdotool("key", "Return")
        wait_until(lambda: self.windows() == [self.window], TIMEOUT, "the message box to close")
        wait_until(lambda: self.xdotool("getactivewindow") == self.window, TIMEOUT, "the focus")
        self.expect_copy("txtEncrypt", "ab\u0416")

    def test_quit_the_close_box_and_alt_f4_end_with_status_0(self):
        for way_out in (lambda: self.click("cmdQuit"), lambda: self.xdotool("key", "alt+F4"),
                        lambda: self.x.run("wmctrl", "-i", "-c", hex(int(self.window)))):
            self.start()
            way_out()
            self.assertEqual(self.app.wait(timeout=TIMEOUT), 0)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=2)
