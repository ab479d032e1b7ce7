#!/usr/bin/env python3
"""usage: e2e_test.py PROGRAM ARTIFACTS SUITE... Drives the program (under Wine for an .exe) on Xvfb
and openbox as a person would; each test leaves its last screen and log in ARTIFACTS."""

import contextlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from xsession import XSession, repeat_until, wait_until  # noqa: E402

PROGRAM, ARTIFACTS = Path(sys.argv[1]), Path(sys.argv[2])
WINE = os.environ.get("WINE", "wine64")  # the 64-bit loader itself, as the build names it
# A point inside each control, in client pixels at 96 DPI.
POINTS = {"txtEncrypt": (88, 17), "cmdEncrypt": (88, 40), "txtDecrypt": (88, 73),
          "cmdDecrypt": (88, 96), "txtResult": (88, 145), "cmdQuit": (88, 180)}
WINDOW, BOX, BLACK = (35, 71, 92), (64, 64, 64), (0, 0, 0)
# Lines one pixel thick from x = 8 up to 168; Line2 and Line3 in the window-text colour (black).
LAYOUT_96 = {(2, 2): WINDOW, (88, 17): BOX, (8, 56): BLACK, (167, 56): BLACK, (168, 56): WINDOW,
             (88, 57): WINDOW, (88, 112): BLACK, (88, 160): BLACK, (88, 161): WINDOW}
BOXES = ("txtEncrypt", "txtDecrypt", "txtResult")
ENCRYPTED = "Ebiil)\x1dTloia\x1e"  # "Hello, World!"


def wine(*args: str, env=None, check=True) -> subprocess.CompletedProcess:
    done = subprocess.run([WINE, *args], env=env, capture_output=True, timeout=120, check=check)
    subprocess.run(["wineserver", "--wait"], env=env, timeout=60, check=True)  # installers respawn
    return done


class Desktop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):  # a display for each suite
        (logs := ARTIFACTS / cls.__name__).mkdir(parents=True, exist_ok=True)
        cls.x = cls.enterClassContext(XSession(log_dir=logs))
        if PROGRAM.suffix == ".exe":  # Wine's desktop process stays tied to this display
            cls.addClassCleanup(subprocess.run, ["wineserver", "--kill"], env=cls.x.env, timeout=60)


class Journeys(Desktop):
    COMMAND: list[str] = []
    # Each refused in a box over the window, nothing typed lost: a paste is not cut at 32,767.
    REFUSALS = [("ab\u0416cd", "(U+0416) at position 3"), ("ok\x03", "U+0000 at position 3"),
                ("a" * 40000, "a text of 40,000 characters")]

    def start(self, size: str = "177x201", layout: dict = LAYOUT_96) -> None:
        self.log = self.x.log_dir / f"{self._testMethodName}.log"
        self.app = subprocess.Popen([*self.COMMAND, PROGRAM], env=self.x.env,
                                    stdout=subprocess.DEVNULL, stderr=self.log.open("wb"))
        self.addCleanup(lambda: self.app.poll() is None and (self.app.kill(), self.app.wait()))
        self.addCleanup(self.x.run, "import", "-window", "root", self.log.with_suffix(".png"))
        self.window = wait_until(lambda: self.windows()[:1], 60, "the window")[0]
        wait_until(lambda: self.xdo("getactivewindow") == self.window, 60, "its focus")
        self.assertEqual(self.xdo("getwindowgeometry", self.window).split()[-1], size)
        self.shows(layout, int(size.split("x")[0]))

    def shows(self, layout: dict, width: int = 177) -> None:
        def shown():  # one screenshot for all the points
            rgb = self.screen("rgb:-")
            return {(x, y): tuple(rgb[3 * (y * width + x):][:3]) for x, y in layout}

        with contextlib.suppress(TimeoutError):  # the frame may still be on its way
            wait_until(lambda: shown() == layout, 30, "the window drawn", 0.2)
        self.assertEqual(shown(), layout)

    def windows(self) -> list[str]:  # the program's windows titled Kestrune
        return self.xdo("search", "--all", "--onlyvisible", "--pid", str(self.app.pid),
                        "--name", "^Kestrune$").split()

    def xdo(self, *args: str) -> str:
        return self.x.run("xdotool", *args).stdout.decode().strip()

    def click(self, control: str, *keys: str) -> None:
        self.xdo("mousemove", "--window", self.window, *map(str, POINTS[control]), "click", "1",
                 *(["key", *keys] if keys else []))

    def clipboard(self, text: str | None = None) -> str:
        # xclip stays behind to serve the text, so it must not hold our pipes; it is run again
        # if Wine, late with an earlier copy, takes the clipboard back.
        wait_until(lambda: text is None or subprocess.run(
            ["xclip", "-i", "-selection", "clipboard"], env=self.x.env, input=text.encode(),
            stdout=subprocess.DEVNULL, timeout=10) and self.clipboard() == text, 30, "xclip", 0.5)
        return self.x.run("xclip", "-o", "-selection", "clipboard").stdout.decode()

    # Wine hands the clipboard to and from X a moment later, and may drop a click right after a
    # key: copying and pasting repeat until they show their effect.
    def read_box(self, box: str, timeout: float = 20) -> str:
        sentinel = self.clipboard(f"<{os.urandom(8).hex()}>")
        return wait_until(lambda: self.click(box, "ctrl+a", "ctrl+c") or [
            text for text in [self.clipboard()] if text != sentinel], timeout, box, 0.5)[0]

    def paste(self, box: str, text: str) -> None:
        def pasted():
            self.clipboard(text)
            self.click(box, "ctrl+a", "ctrl+v")
            with contextlib.suppress(TimeoutError):  # an empty box copies nothing
                return self.read_box(box, timeout=3) == text

        wait_until(pasted, 60, f"{box} to take the paste", 0.5)

    def screen(self, *args: str) -> bytes:  # the window's client area, 8 bits a channel
        return self.x.run("import", "-window", self.window, "-depth", "8", *args).stdout

    def test_round_trip_by_keyboard_then_refusals_that_change_nothing(self):
        self.start()
        label = self.screen("-crop", "41x15+8+120", "txt:-")
        self.assertTrue(b"#E0E0E0" in label, "no 224 grey in the label's text")
        self.xdo("type", "--delay", "30", "Hello, World!")  # the focus starts in txtEncrypt
        self.xdo("key", "Tab", "space")  # and Tab goes on to Encrypt
        self.assertEqual(self.read_box("txtResult"), ENCRYPTED)
        self.click("txtEncrypt", "End", "x", "Return")  # Enter runs no command
        self.assertEqual(self.read_box("txtResult"), ENCRYPTED)  # now on the clipboard
        # Back to txtDecrypt, paste, on to Decrypt; the paste must show (far more ink than a caret)
        self.xdo("key", "shift+Tab", "shift+Tab", "ctrl+v", "Tab", "space")
        ink = lambda: sum(v != BOX[0] for v in self.screen("-crop", "140x7+18+70", "gray:-"))  # noqa
        wait_until(lambda: ink() > 20, 30, "the paste")
        after = ["Hello, World!x", ENCRYPTED, "Hello, World!"]
        self.assertEqual([self.read_box(box) for box in BOXES], after)
        for text, said in self.REFUSALS:
            with self.subTest(said):
                self.paste("txtEncrypt", text)
                message = repeat_until(lambda: self.click("cmdEncrypt"),
                                       lambda: set(self.windows()) - {self.window}, 60, "a box").pop()
                owner = self.x.run("xprop", "-id", message, "WM_TRANSIENT_FOR").stdout.split()
                self.assertEqual(owner[-1:], [f"{int(self.window):#x}".encode()])
                wait_until(lambda: self.xdo("getactivewindow") == message, 60, "its focus")
                self.assertSaid(said)
                repeat_until(lambda: self.xdo("key", "Return"),
                             lambda: self.windows() == [self.window], 60, "the box to go")
                self.assertEqual([self.read_box(box) for box in BOXES], [text, *after[1:]])

    def test_quit_and_the_close_box_end_with_status_0(self):  # openbox's alt+F4 is its close box
        for way, action in [("cmdQuit", lambda: self.click("cmdQuit")),
                            ("close box", lambda: self.x.run("wmctrl", "-i", "-c", self.window))]:
            self.start()
            repeat_until(action, lambda: self.app.poll() is not None, 90, f"the end by {way}")
            self.assertEqual(self.app.returncode, 0, way)


class Linux(Journeys):
    def assertSaid(self, said: str) -> None:
        """Qt's message boxes give their text to no X tool; the widget tests read it."""


class Wine(Journeys):
    # Wine's message boxes cannot copy their text, but Wine traces it.
    COMMAND = ["env", "WINEDEBUG=+msgbox", WINE]

    def assertSaid(self, said: str) -> None:
        self.assertIn(said, re.findall(r"MSGBOX_OnInit (.*)", self.log.read_text())[-1])

    def windows(self) -> list[str]:  # any process's, since a helper may start Kestrune
        return self.xdo("search", "--all", "--onlyvisible", "--name", "^Kestrune$").split()

    def at_dpi(self, dpi: int) -> None:  # for what starts from now until the test ends
        key = ["reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
               "/f", "/d"]
        wine(*key, str(dpi), env=self.x.env)
        self.addCleanup(wine, *key, "96", env=self.x.env)

    def test_controls_named_and_text_fitting_at_96_and_144_dpi_and_the_window_to_scale(self):
        named = [("text", "Text to encrypt"), ("client", "Encrypt"), ("text", "Text to decrypt"),
                 ("client", "Decrypt"), ("text", "Result"), ("client", "Result:"),
                 ("client", "Quit")]  # Wine's oleacc gives a button the client role
        for dpi in 96, 144:
            self.at_dpi(dpi)
            out = wine(os.environ["PROBE"], env=self.x.env).stdout.decode().splitlines()
            # Window, label, box, box text and lines as BBGGRR, ffffffff for none, under the probe's
            # scheme (window 102030, text 405060, face 708090)
            self.assertEqual(out[:1] + out[-3:], ["refused 1, leaked 0", "icon at 144 dpi: 24x24",
                                                  "5c4723 e0e0e0 404040 ffffff ffffffff",
                                                  "708090 405060 102030 405060 405060"])
            rows = [line.split("\t") for line in out[1:-3]]
            self.assertEqual([(role, name) for role, name, *_ in rows], named, dpi)
            for _, name, inside, cell in rows:  # a button's raised edge takes 2 px a side
                room = int(inside) - (4 if name in ("Encrypt", "Decrypt", "Quit") else 0)
                self.assertLessEqual(int(cell), room, (dpi, name))
        # Twips * 144 / 1440: Line1 2 px thick from (12, 84) to x = 252, txtEncrypt y 12-41
        self.start("266x302", {(12, 84): BLACK, (251, 85): BLACK, (252, 84): WINDOW,
                               (130, 83): WINDOW, (130, 86): WINDOW, (130, 27): BOX,
                               (130, 44): WINDOW})

    def test_high_contrast_at_start_and_switched_while_running_in_two_schemes(self):
        # Wine reports high contrast off: a test DLL has Kestrune read it as Windows does.
        dll = os.environ["HIGH_CONTRAST"]
        self.COMMAND = [WINE, "rundll32", f"{dll},Start"]
        self.addCleanup(subprocess.run, ["wineserver", "--kill"], env=self.x.env)  # Wine's colours

        def setting(flags: str, message: str, *scheme: str) -> None:  # colours as RRGGBB
            subprocess.run([WINE, "rundll32", f"{dll},Set", flags, message,
                            *(bytes.fromhex(c)[::-1].hex() for c in scheme)],
                           env=self.x.env, timeout=60, check=True)
            if scheme:  # Wine's programs keep the colours they have read: a new start for each
                self.start(layout={})
                self.xdo("type", "Hi\t")  # text in the box, and no caret

        def shows(window: str, text: str, face: str, label: str = "", box: str = "") -> None:
            rgb = {WINDOW: face, BOX: window, BLACK: text}  # the layout's points in a scheme
            self.shows({p: tuple(bytes.fromhex(rgb[c])) for p, c in LAYOUT_96.items()})
            for crop, colour in ("41x15+8+120", label or text), ("150x15+12+10", box or text):
                self.assertIn(f"#{colour}".upper().encode(), self.screen("-crop", crop, "txt:-"))

        black, white = ("000000", "ffffff", "000080"), ("ffffff", "000000", "c0c0c0")
        own = ("404040", "000000", "23475c", "e0e0e0", "ffffff")  # with white's black lines
        setting("1", "0", *black)
        shows(*black)
        repeat_until(lambda: self.click("cmdQuit"), lambda: self.app.poll() is not None, 60, "Quit")
        setting("0", "0", *white)
        shows(*own)
        setting("1", "26")  # WM_SETTINGCHANGE
        shows(*white)
        setting("0", "21")  # WM_SYSCOLORCHANGE
        shows(*own)


class Installer(Desktop):
    def test_installs_silently_starts_from_the_menu_and_uninstalls_completely_while_running(self):
        env = self.x.env
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([os.environ["CPACK"], "-G", "NSIS;ZIP", "--config",
                            PROGRAM.parent / "CPackConfig.cmake", "-B", out], check=True)
            archive = zipfile.ZipFile(next(Path(out).glob("*.zip")))
            self.assertEqual(sorted(archive.namelist()), ["Kestrune.exe", "LICENSE.txt"])
            wine(str(next(Path(out).glob("*.exe"))), "/S", env=env)
        drive = Path(os.environ["WINEPREFIX"]) / "drive_c"
        program = drive / "Program Files/Kestrune"
        menu = drive / "ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrune"
        self.assertEqual((program / "Kestrune.exe").read_bytes(), PROGRAM.read_bytes())
        key = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune"
        entry = wine("reg", "query", key, env=env).stdout.decode()
        for name, value in [("DisplayName", "Kestrune"), ("DisplayVersion", "1.0.0"),
                            ("Publisher", "The Kestrune developers")]:
            self.assertRegex(entry, rf"{name}\s+REG_SZ\s+{value}\r?\n")
        subprocess.run([WINE, "start", r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
                        r"\Kestrune\Kestrune.lnk"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=True)
        window = lambda: self.x.run("xdotool", "search", "--onlyvisible", "--name", "^Kestrune$")
        wait_until(lambda: window().stdout, 60, "its window")
        # Uninstalled while it runs (from the Start menu): it is closed first, and nothing is left.
        wine(r"C:\Program Files\Kestrune\Uninstall.exe", "/S", env=env)
        self.assertEqual(window().stdout, b"")
        self.assertFalse(program.exists() or menu.exists())
        self.assertNotEqual(wine("reg", "query", key, env=env, check=False).returncode, 0)


if __name__ == "__main__":
    if PROGRAM.suffix == ".exe":  # a fresh prefix for the Wine suites, some 12 s to make
        shutil.rmtree(os.environ["WINEPREFIX"], ignore_errors=True)
        wine("wineboot", "-i")
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=2)
