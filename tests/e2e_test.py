#!/usr/bin/env python3
"""usage: e2e_test.py PROGRAM ARTIFACTS SUITE... Drives the program (under Wine for an .exe) as a
person would; each test leaves its last screen and log in ARTIFACTS."""

import contextlib
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from desktop import WaylandSession, XSession, repeat_until, wait_until  # noqa: E402

PROGRAM, ARTIFACTS = Path(sys.argv[1]), Path(sys.argv[2])
WINE = os.environ.get("WINE", "wine64")  # the 64-bit loader itself, as the build names it
# A point inside each control, in client pixels at 96 DPI.
POINTS = {"txtEncrypt": (88, 17), "cmdEncrypt": (88, 40), "txtDecrypt": (88, 73),
          "cmdDecrypt": (88, 96), "txtResult": (88, 145), "cmdQuit": (88, 180)}
WINDOW, BOX, BLACK = (35, 71, 92), (64, 64, 64), (0, 0, 0)
# Lines one pixel thick from x = 8 up to 168; Line2 and Line3 in the window-text colour (black).
LAYOUT_96 = {(2, 2): WINDOW, (88, 17): BOX, (8, 56): BLACK, (167, 56): BLACK, (168, 56): WINDOW,
             (88, 55): WINDOW, (88, 57): WINDOW, (88, 112): BLACK, (88, 160): BLACK,
             (88, 161): WINDOW}
BOXES = ("txtEncrypt", "txtDecrypt", "txtResult")
ENCRYPTED = "Ebiil)\x1dTloia\x1e"  # "Hello, World!"


def wine(*args: str, env=None, check=True) -> subprocess.CompletedProcess:
    done = subprocess.run([WINE, *args], env=env, capture_output=True, timeout=120, check=check)
    subprocess.run(["wineserver", "--wait"], env=env, timeout=60, check=True)  # installers respawn
    return done


class Desktop(unittest.TestCase):
    SESSION = XSession

    @classmethod
    def setUpClass(cls):  # a desktop for each suite
        (logs := ARTIFACTS / cls.__name__).mkdir(parents=True, exist_ok=True)
        cls.x = cls.enterClassContext(cls.SESSION(log_dir=logs))
        if PROGRAM.suffix == ".exe":  # Wine's desktop process stays tied to this display
            cls.addClassCleanup(subprocess.run, ["wineserver", "--kill"], env=cls.x.env, timeout=60)


class Journeys(Desktop):
    COMMAND: list[str] = []
    # Each refused in a box over the window, nothing typed lost: a paste is not cut at 32,767.
    REFUSALS = [("ab\u0416cd", "(U+0416) at position 3"),
                ("ok\x03", "3 would become the null character U+0000"),
                ("a" * 40000, "a text of 40,000 characters")]

    def start(self, size: str = "177x201", layout: dict = LAYOUT_96) -> None:
        self.log = self.x.log_dir / f"{self._testMethodName}.log"
        self.app = subprocess.Popen([*self.COMMAND, PROGRAM], env=self.x.env,
                                    stdout=subprocess.DEVNULL, stderr=self.log.open("wb"))
        self.addCleanup(lambda: self.app.poll() is None and (self.app.kill(), self.app.wait()))
        self.addCleanup(self.x.screenshot, self.log.with_suffix(".png"))
        self.window = wait_until(lambda: self.windows()[:1], 60, "the window")[0]
        wait_until(lambda: self.x.focused() == self.window, 60, "its focus")
        self.assertEqual(self.x.size(self.window), size)
        self.shows(layout, int(size.split("x")[0]))

    def shows(self, layout: dict, width: int = 177) -> None:
        def shown():  # one screenshot for all the points
            rgb = self.screen("rgb:-")
            return {(x, y): tuple(rgb[3 * (y * width + x):][:3]) for x, y in layout}

        with contextlib.suppress(TimeoutError):  # the frame may still be on its way
            wait_until(lambda: shown() == layout, 30, "the window drawn", 0.2)
        self.assertEqual(shown(), layout)

    def windows(self) -> list[str]:  # the window and any message box over it
        return self.x.windows()

    def click(self, control: str, *keys: str) -> None:
        self.x.click(self.window, *POINTS[control])
        if keys:
            self.x.keys(*keys)

    # Wine hands the clipboard to and from X late and may drop a click after a key; on Wayland a
    # text read as the next copy takes over arrives empty: copy and paste repeat until they show.
    def read_box(self, box: str, timeout: float = 20) -> str:
        sentinel = self.x.clipboard(f"<{os.urandom(8).hex()}>")
        return wait_until(lambda: self.click(box, "ctrl+a", "ctrl+c") or [
            text for text in [self.x.clipboard()] if text not in (sentinel, "")], timeout, box,
            0.5)[0]

    def paste(self, box: str, text: str) -> None:
        def pasted():
            self.x.clipboard(text)
            self.click(box, "ctrl+a", "ctrl+v")
            with contextlib.suppress(TimeoutError):  # an empty box copies nothing
                return self.read_box(box, timeout=3) == text

        wait_until(pasted, 60, f"{box} to take the paste", 0.5)

    def screen(self, *args: str) -> bytes:  # the window's client area, 8 bits a channel
        return self.x.picture(self.window, *args)

    def test_round_trip_by_keyboard_then_refusals_that_change_nothing(self):
        self.start()
        self.assertIn(b"#E0E0E0", self.screen("-crop", "41x15+8+120", "txt:-"))  # the label's grey
        self.x.type("Hello, World!")  # the focus starts in txtEncrypt
        self.x.keys("Tab", "space")  # and Tab goes on to Encrypt
        self.assertEqual(self.read_box("txtResult"), ENCRYPTED)
        self.click("txtEncrypt", "End", "x", "Return")  # Enter runs no command
        self.assertEqual(self.read_box("txtResult"), ENCRYPTED)  # now on the clipboard
        # Back to txtDecrypt, paste, on to Decrypt; the paste must show (far more ink than a caret)
        self.x.keys("shift+Tab", "shift+Tab", "ctrl+v", "Tab", "space")
        ink = lambda: sum(v != BOX[0] for v in self.screen("-crop", "140x7+18+70", "gray:-"))  # noqa
        wait_until(lambda: ink() > 20, 30, "the paste")
        after = ["Hello, World!x", ENCRYPTED, "Hello, World!"]
        self.assertEqual([self.read_box(box) for box in BOXES], after)
        for text, said in self.REFUSALS:
            with self.subTest(said):
                self.paste("txtEncrypt", text)
                message = repeat_until(lambda: self.click("cmdEncrypt"),
                                       lambda: set(self.windows()) - {self.window}, 60, "a box").pop()
                self.assertIn(self.x.owner(message), (self.window, None))  # None: not told
                wait_until(lambda: self.x.focused() == message, 60, "its focus")
                self.assertSaid(said)
                repeat_until(lambda: self.x.keys("Return"),
                             lambda: self.windows() == [self.window], 60, "the box to go")
                self.assertEqual([self.read_box(box) for box in BOXES], [text, *after[1:]])
        self.quits()  # with "Hello, World!" copied last

    def assertSaid(self, said: str) -> None:
        """Qt's message boxes give their text to no desktop tool; the widget tests read it."""

    def quits(self) -> None:
        repeat_until(lambda: self.click("cmdQuit"), lambda: self.app.poll() is not None, 90, "Quit")
        self.assertEqual(self.app.returncode, 0)

    def test_the_close_box_ends_with_status_0(self):
        self.start()
        repeat_until(lambda: self.x.close(self.window), lambda: self.app.poll() is not None, 90,
                     "the end by the close box")
        self.assertEqual(self.app.returncode, 0)


class Linux(Journeys):
    def quits(self) -> None:  # and Qt hands what was copied last to the clipboard manager
        manager = subprocess.Popen(["/usr/bin/python3", Path(__file__).with_name(
            "clipboard_manager.py")], env=self.x.env, stdout=subprocess.PIPE, text=True)
        self.addCleanup(manager.kill)
        self.assertEqual(manager.stdout.readline(), "ready\n")
        super().quits()
        self.assertEqual(manager.communicate(timeout=60)[0], "Hello, World!")


class Wayland(Journeys):  # Qt hands nothing over to a Wayland clipboard manager
    SESSION = WaylandSession

    def test_crisp_at_scale_2_with_the_label_whole_as_qts_own_frame_comes_and_goes(self):
        self.x.run("swaymsg", "output HEADLESS-1 scale 2")
        self.addCleanup(self.x.run, "swaymsg", "output HEADLESS-1 scale 1")
        # Each point's 2x2 pixels: a line two pixels thick in its exact colour, no blur beside it.
        self.start("354x402", {(2 * x + dx, 2 * y + dy): colour for (x, y), colour in
                               LAYOUT_96.items() for dx in (0, 1) for dy in (0, 1)})
        # Qt's frame takes 3 pixels a side and 30 on top; its coming and going repaints the window.
        for border, left, top, size in ("csd", 3, 30, "366x468"), ("normal", 0, 0, "354x402"):
            self.x.run("swaymsg", f"[con_id={self.window}] border {border}")
            wait_until(lambda: self.x.size(self.window) == size, 30, f"border {border}")
            label = lambda: self.screen("-crop", f"82x30+{2 * (8 + left)}+{2 * (120 + top)}",  # noqa
                                        "txt:-")
            wait_until(lambda: b"#E0E0E0" in label() and b"#23475C" in label(), 30,
                       f"the label under border {border}")


class Wine(Journeys):
    # Wine's message boxes cannot copy their text, but Wine traces it.
    COMMAND = ["env", "WINEDEBUG=+msgbox", WINE]

    def assertSaid(self, said: str) -> None:
        self.assertIn(said, re.findall(r"MSGBOX_OnInit (.*)", self.log.read_text())[-1])

    def test_the_window_to_scale_its_icon_its_colours_and_its_state_freed(self):
        # Window, label, box, box text and lines as BBGGRR, ffffffff for none, under the probe's
        # scheme (window 102030, text 405060, face 708090)
        self.assertEqual(wine(os.environ["PROBE"], env=self.x.env).stdout.decode().splitlines(), [
            "refused 1, leaked 0", "96 dpi, small icon 16x16", "144 dpi, small icon 24x24",
            "5c4723 e0e0e0 404040 ffffff ffffffff", "708090 405060 102030 405060 405060"])
        key = ["reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
               "/f", "/d"]
        wine(*key, "144", env=self.x.env)
        self.addCleanup(wine, *key, "96", env=self.x.env)
        # Twips * 144 / 1440: Line1 2 px thick from (12, 84) to x = 252, txtEncrypt y 12-41
        self.start("266x302", {(12, 84): BLACK, (251, 85): BLACK, (252, 84): WINDOW,
                               (130, 83): WINDOW, (130, 86): WINDOW, (130, 27): BOX,
                               (130, 44): WINDOW})

    def test_high_contrast_at_start_and_switched_while_running_in_two_schemes(self):
        # Wine reports high contrast off: a test DLL has Kestrune read it as Windows does.
        dll = os.environ["HIGH_CONTRAST"]
        self.COMMAND = [WINE, "rundll32", f"{dll},Start"]
        self.addCleanup(subprocess.run, ["wineserver", "--kill"], env=self.x.env)  # Wine's colours

        # The flags set and the message sent (0: none), then the colours shown, as RRGGBB: the
        # boxes, the lines and the window, and the label's and the boxes' text (else the lines').
        def shows(flags: str, message: str, colours: tuple, *scheme: str) -> None:
            subprocess.run([WINE, "rundll32", f"{dll},Set", flags, message,
                            *(bytes.fromhex(c)[::-1].hex() for c in scheme)],
                           env=self.x.env, timeout=60, check=True)
            if scheme:  # Wine's programs keep the colours they have read: a new start for each
                self.start(layout={})
                self.x.type("Hi\t")  # text in the box, and no caret
            box, text, window, label, box_text = (*colours, colours[1], colours[1])[:5]
            rgb = {WINDOW: window, BOX: box, BLACK: text}  # the layout's points in a scheme
            self.shows({p: tuple(bytes.fromhex(rgb[c])) for p, c in LAYOUT_96.items()})
            for crop, colour in ("41x15+8+120", label), ("150x15+12+10", box_text):
                self.assertIn(f"#{colour}".upper().encode(), self.screen("-crop", crop, "txt:-"))

        black, white = ("000000", "ffffff", "000080"), ("ffffff", "000000", "c0c0c0")
        own = ("404040", "000000", "23475c", "e0e0e0", "ffffff")  # with white's black lines
        shows("1", "0", black, *black)
        self.quits()
        shows("0", "0", own, *white)
        shows("1", "26", white)  # WM_SETTINGCHANGE
        shows("0", "21", own)  # WM_SYSCOLORCHANGE


class Installer(Desktop):
    def test_installs_silently_starts_from_the_menu_and_uninstalls_all_or_nothing(self):
        env = self.x.env
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([os.environ["CPACK"], "-G", "NSIS;ZIP", "--config",
                            PROGRAM.parent / "CPackConfig.cmake", "-B", out], check=True)
            archive = zipfile.ZipFile(next(Path(out).glob("*.zip")))
            self.assertEqual(sorted(archive.namelist()), ["Kestrune.exe", "LICENSE.txt"])
            wine(str(next(Path(out).glob("*.exe"))), "/S", env=env)
        prefix = Path(os.environ["WINEPREFIX"])
        program = prefix / "drive_c/Program Files/Kestrune"
        menu = prefix / "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrune"
        self.assertEqual((program / "Kestrune.exe").read_bytes(), PROGRAM.read_bytes())
        # The shortcut's target, and its item list, which Wine keeps as the installer spelled it
        link = subprocess.run(["lnkinfo", menu / "Kestrune.lnk"], capture_output=True, check=True)
        path, *items = re.findall(r"^\t+(?:Local path|Volume name|Name)\t+: (.*?)\\?$",
                                  link.stdout.decode(), re.M)  # the volume C: without its \
        self.assertEqual({path, "\\".join(items)}, {r"C:\Program Files\Kestrune\Kestrune.exe"})
        subprocess.run([WINE, "start", r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
                        r"\Kestrune\Kestrune.lnk"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=True)
        pid = int(wait_until(lambda: self.x.out("xdotool", "search", "--onlyvisible", "--name",
                                                "^Kestrune$", "getwindowpid"), 60, "it"))
        # While it hangs (stopped), the uninstaller waits, then fails and removes nothing; run in
        # place (_?=) for its status, from cmd, which leaves the folder unquoted as NSIS needs.
        installed = lambda: sorted([*program.glob("*"), *menu.glob("*")])
        before = installed()
        os.kill(pid, signal.SIGSTOP)
        failed = self.x.run(WINE, "cmd", "/c", "Uninstall.exe", "/S", "_?=%CD%", cwd=program)
        os.kill(pid, signal.SIGCONT)
        self.assertEqual([failed.returncode, installed()], [2, before])
        wine(r"C:\Program Files\Kestrune\Uninstall.exe", "/S", env=env)  # now it closes it
        self.assertFalse(program.exists() or menu.exists())
        registry = "".join((prefix / f"{hive}.reg").read_text() for hive in ("system", "user"))
        self.assertEqual(re.findall(".*kestrune.*", registry, re.I), [])  # as Wine saved it


if __name__ == "__main__":
    if PROGRAM.suffix == ".exe":  # a fresh prefix for the Wine suites, some 12 s to make
        shutil.rmtree(os.environ["WINEPREFIX"], ignore_errors=True)
        wine("wineboot", "-i")
    unittest.main(argv=[sys.argv[0], *sys.argv[3:]], verbosity=2)
