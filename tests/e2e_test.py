#!/usr/bin/env python3
"""The real program on a private Xvfb display under openbox, driven as a person would: keys and
clicks through xdotool, text through the X clipboard with xclip. The same journeys run against the
Linux program (suite Linux) and against Kestrune.exe under Wine (suite Wine), which is also
installed and uninstalled (suite Installer), all in the Wine prefix WINEPREFIX.
usage: e2e_test.py --program PROGRAM --artifacts DIR [--build-dir DIR --cpack CPACK] SUITE;
each test leaves its last screen and its log in DIR/SUITE."""

import argparse
import contextlib
import os
import re
import subprocess
import sys
import tempfile
import unittest
import uuid
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from xsession import XSession, wait_until  # noqa: E402

# A point inside each control, in client pixels at 96 DPI.
POINTS = {"txtEncrypt": (88, 17), "cmdEncrypt": (88, 40), "txtDecrypt": (88, 73),
          "cmdDecrypt": (88, 96), "txtResult": (88, 145), "cmdQuit": (88, 180)}
WINDOW, BOX, BLACK = (35, 71, 92), (64, 64, 64), (0, 0, 0)
ENCRYPTED = "Ebiil)\x1dTloia\x1e"  # "Hello, World!"


def wine(*args: str, env=None, check=True) -> subprocess.CompletedProcess:
    """Runs a Windows program and waits for every process of the prefix: installers respawn."""
    done = subprocess.run(["wine", *args], env=env, capture_output=True, timeout=120, check=check)
    subprocess.run(["wineserver", "--wait"], env=env, timeout=60, check=True)
    return done


class Journeys(unittest.TestCase):
    """What a person does with either program; each suite says how its program starts."""
    COMMAND: list[str] = []
    REFUSALS = [("ab\u0416cd", "position 3")]

    @classmethod
    def setUpClass(cls):
        cls.logs = Path(ARGS.artifacts) / cls.__name__
        cls.x = XSession(log_dir=cls.logs)
        cls.x.start()
        cls.addClassCleanup(cls.x.stop)

    def start(self) -> None:
        self.log = self.logs / f"{self._testMethodName}.log"
        with self.log.open("ab") as log:
            self.app = subprocess.Popen([*self.COMMAND, ARGS.program], env=self.x.env,
                                        stdout=log, stderr=log)
        self.addCleanup(lambda: self.app.poll() is None and (self.app.kill(), self.app.wait()))
        self.addCleanup(self.x.screenshot, self.log.with_suffix(".png"))
        self.window = wait_until(lambda: self.windows()[:1], 30, "the window")[0]
        wait_until(lambda: self.xdo("getactivewindow") == self.window, 30, "its focus")

    def windows(self) -> list[str]:  # the program's windows titled Kestrune, the main one first
        self.assertIsNone(self.app.poll(), "the program ended")
        return self.xdo("search", "--all", "--onlyvisible", "--pid", str(self.app.pid),
                        "--name", "^Kestrune$").split()

    def xdo(self, *args: str) -> str:
        return self.x.run("xdotool", *args, check=False).stdout.decode().strip()

    def click(self, control: str, *keys: str) -> None:
        self.xdo("mousemove", "--window", self.window, *map(str, POINTS[control]), "click", "1",
                 *(["key", *keys] if keys else []))

    def clipboard(self, text: str | None = None) -> str:
        if text is not None:  # xclip stays behind to serve it, so it must not hold our pipes
            subprocess.run(["xclip", "-i", "-selection", "clipboard"], env=self.x.env, timeout=10,
                           input=text.encode(), stdout=subprocess.DEVNULL, check=True)
            wait_until(lambda: self.clipboard() == text, 10, "xclip to own the clipboard")
        return self.x.run("xclip", "-o", "-selection", "clipboard", check=False).stdout.decode()

    # Wine hands the clipboard to and from X a moment later, and may drop a click right after a
    # key: copying and pasting repeat until they show their effect.
    def copy(self, action, what: str, timeout: float = 20) -> str:
        """Repeats action until it puts new text on the clipboard, and returns that text."""
        sentinel = self.clipboard(f"<{uuid.uuid4()}>")
        return wait_until(lambda: action() or [t for t in [self.clipboard()] if t != sentinel],
                          timeout, f"{what} on the clipboard", 0.5)[0]

    def read_box(self, box: str, timeout: float = 20) -> str:
        return self.copy(lambda: self.click(box, "ctrl+a", "ctrl+c"), box, timeout)

    def paste(self, box: str, text: str) -> None:
        def pasted():
            self.clipboard(text)
            self.click(box, "ctrl+a", "ctrl+v")
            with contextlib.suppress(TimeoutError):  # an empty box copies nothing
                return self.read_box(box, timeout=3) == text

        wait_until(pasted, 60, f"{box} to take the paste", 0.5)

    def assertPixels(self, size: tuple[int, int], expected: dict) -> bytes:
        info = self.x.run("xwininfo", "-id", self.window).stdout.decode()
        self.assertEqual(tuple(int(re.search(f"{d}: (\\d+)", info)[1])
                               for d in ("Width", "Height")), size, "client size")
        shot = self.x.run("import", "-window", self.window, "-depth", "8", "rgb:-").stdout
        self.assertEqual({(x, y): tuple(shot[3 * (y * size[0] + x):][:3]) for x, y in expected},
                         expected)
        return shot

    def test_layout_at_96_dpi(self):
        self.start()
        # Lines one pixel thick from x = 8 up to 168; Line2 and Line3 in the window-text colour,
        # black in the default colours.
        shot = self.assertPixels((177, 201), {
            (2, 2): WINDOW, (88, 17): BOX, (8, 56): BLACK, (167, 56): BLACK, (168, 56): WINDOW,
            (88, 57): WINDOW, (88, 112): BLACK, (88, 160): BLACK, (88, 161): WINDOW})
        label = [shot[3 * (y * 177 + x):][:3] for y in range(120, 135) for x in range(8, 49)]
        self.assertIn(bytes([224, 224, 224]), label)

    def test_round_trip_by_keyboard_and_clipboard(self):
        self.start()
        self.xdo("type", "--delay", "30", "Hello, World!")  # the focus starts in txtEncrypt
        self.xdo("key", "Tab", "space")  # and Tab goes on to Encrypt
        self.assertEqual(self.read_box("txtResult"), ENCRYPTED)
        self.click("txtEncrypt", "End", "x", "Return")  # Enter runs no command
        self.assertEqual(self.read_box("txtResult"), ENCRYPTED)  # now on the clipboard
        # Back from txtResult to txtDecrypt, paste, and on to Decrypt.
        for keys in (["shift+Tab", "shift+Tab"], ["ctrl+v"], ["Tab", "space"]):
            self.xdo("key", *keys)
        self.assertEqual(self.read_box("txtResult"), "Hello, World!")
        self.assertEqual(self.read_box("txtDecrypt"), ENCRYPTED)
        self.assertEqual(self.read_box("txtEncrypt"), "Hello, World!x")

    def test_refusals_show_a_message_owned_by_the_window_and_change_nothing(self):
        self.start()
        self.paste("txtDecrypt", "Ebiil")
        self.click("cmdDecrypt")
        for text, said in self.REFUSALS:
            with self.subTest(said):
                self.paste("txtEncrypt", text)
                self.click("cmdEncrypt")
                box = wait_until(lambda: self.windows()[1:], 10, "a message box")[0]
                owner = self.x.run("xprop", "-id", box, "WM_TRANSIENT_FOR").stdout.split()
                self.assertEqual(owner[-1:], [f"{int(self.window):#x}".encode()])
                wait_until(lambda: self.xdo("getactivewindow") == box, 10, "its focus")
                self.assertSaid(said)
                self.xdo("key", "Return")
                wait_until(lambda: self.windows() == [self.window], 10, "the message box to go")
                boxes = ("txtEncrypt", "txtDecrypt", "txtResult")
                self.assertEqual([self.read_box(b) for b in boxes], [text, "Ebiil", "Hello"])

    def test_quit_alt_f4_and_the_close_box_end_with_status_0(self):
        for way, action in [("cmdQuit", lambda: self.click("cmdQuit")),
                            ("alt+F4", lambda: self.xdo("key", "alt+F4")),
                            ("close box", lambda: self.x.run("wmctrl", "-i", "-c", self.window))]:
            with self.subTest(way):
                self.start()
                action()
                self.assertEqual(self.app.wait(timeout=20), 0)


class Linux(Journeys):
    def assertSaid(self, said: str) -> None:
        """Qt's message boxes give their text to no X tool; the widget tests read it."""


class Wine(Journeys):
    COMMAND = ["wine"]
    REFUSALS = [*Journeys.REFUSALS, ("ok\x03", "U+0000 at position 3"),
                ("a" * 40000, "a text of 40,000 characters")]

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.x.env["WINEDEBUG"] = "+msgbox"  # Wine's boxes cannot copy their text: it traces it
        # Wine's desktop process stays tied to this display; the next suite starts its own.
        cls.addClassCleanup(subprocess.run, ["wineserver", "--kill"], env=cls.x.env, timeout=60)

    def assertSaid(self, said: str) -> None:
        self.assertIn(said, re.findall(r"MSGBOX_OnInit (.*)", self.log.read_text())[-1])

    def test_geometry_at_144_dpi(self):
        dpi = ["reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
               "/f", "/d"]
        wine(*dpi, "144", env=self.x.env)
        self.addCleanup(wine, *dpi, "96", env=self.x.env)
        self.start()
        # Twips * 144 / 1440: Line1 from (12, 84) up to x = 252, two pixels thick; txtEncrypt from
        # y = 12 to 41, cmdEncrypt from 48.
        self.assertPixels((266, 302), {(12, 84): BLACK, (251, 85): BLACK, (252, 84): WINDOW,
                                       (130, 83): WINDOW, (130, 86): WINDOW, (130, 27): BOX,
                                       (130, 44): WINDOW})


class Installer(unittest.TestCase):
    def test_installs_silently_and_uninstalls_completely(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([ARGS.cpack, "-G", "NSIS;ZIP", "--config",
                            f"{ARGS.build_dir}/CPackConfig.cmake", "-B", out], check=True)
            archive = zipfile.ZipFile(next(Path(out).glob("*.zip")))
            self.assertEqual(sorted(archive.namelist()), ["Kestrune.exe", "LICENSE.txt"])
            wine(str(next(Path(out).glob("*.exe"))), "/S")
        drive = Path(os.environ["WINEPREFIX"]) / "drive_c"
        program = drive / "Program Files/Kestrune"
        menu = drive / "ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrune"
        self.assertEqual((program / "Kestrune.exe").read_bytes(), Path(ARGS.program).read_bytes())
        self.assertTrue((menu / "Kestrune.lnk").is_file())
        key = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune"
        entry = wine("reg", "query", key).stdout.decode()
        for name, value in [("DisplayName", "Kestrune"), ("DisplayVersion", "1.0.0"),
                            ("Publisher", "The Kestrune developers")]:
            self.assertRegex(entry, rf"{name}\s+REG_SZ\s+{value}\r?\n")

        wine(r"C:\Program Files\Kestrune\Uninstall.exe", "/S")
        self.assertFalse(program.exists() or menu.exists())
        self.assertNotEqual(wine("reg", "query", key, check=False).returncode, 0)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--program", "--artifacts", "--build-dir", "--cpack"):
        parser.add_argument(option)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
