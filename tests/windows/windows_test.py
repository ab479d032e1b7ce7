#!/usr/bin/env python3
"""Kestrune.exe run under Wine in Xvfb with openbox, installed and uninstalled, all in
the Wine prefix WINEPREFIX. Arguments: see the end; then Program or Installer."""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import unittest
import uuid
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from xsession import XSession, wait_until  # noqa: E402

# A point inside each control, in client pixels at 96 DPI.
POINTS = {"txtEncrypt": (88, 17), "txtDecrypt": (88, 73), "cmdDecrypt": (88, 96),
          "txtResult": (88, 145), "cmdQuit": (88, 180), "cmdEncrypt": (88, 40)}
WINDOW, BOX, BLACK = (35, 71, 92), (64, 64, 64), (0, 0, 0)


def wine(*args: str, env=None, check=True) -> subprocess.CompletedProcess:
    """Runs a Windows program and waits for every process of the prefix: installers respawn."""
    done = subprocess.run(["wine", *args], env=env, capture_output=True, timeout=120, check=check)
    subprocess.run(["wineserver", "--wait"], env=env, timeout=60, check=True)
    return done


class Program(unittest.TestCase):
    ENCRYPTED = "Ebiil)\x1dTloia\x1e"  # "Hello, World!"

    @classmethod
    def setUpClass(cls):
        cls.x = XSession(log_dir=Path(ARGS.artifacts) / "Program")
        cls.x.start()
        cls.x.env.update({k: v for k, v in os.environ.items() if k.startswith("WINE")})

    @classmethod
    def tearDownClass(cls):
        # Wine's desktop process stays tied to this display; the next suite starts its own.
        subprocess.run(["wineserver", "--kill"], env=cls.x.env, timeout=60)
        cls.x.stop()

    def start(self) -> subprocess.Popen:
        # Wine's trace of each message box's text, which its boxes cannot copy, and a screenshot.
        self.log = Path(ARGS.artifacts) / "Program" / f"{self._testMethodName}.log"
        process = subprocess.Popen(["wine", ARGS.exe], env=dict(self.x.env, WINEDEBUG="+msgbox"),
                                   stdout=subprocess.DEVNULL, stderr=self.log.open("wb"))
        self.addCleanup(lambda: process.poll() is None and process.kill())
        self.addCleanup(self.x.screenshot, self.log.with_suffix(".png"))
        self.window = wait_until(lambda: self.windows()[:1], 30, "Kestrune's window")[0]
        active = lambda: self.x.run("xdotool", "getactivewindow", check=False).stdout.strip()
        wait_until(lambda: active() == str(self.window).encode(), 10, "the window to be active")
        return process

    def windows(self) -> list[int]:  # the main window and its message boxes
        return [int(w) for w in self.x.run("xdotool", "search", "--onlyvisible", "--name",
                                           "^Kestrune$", check=False).stdout.split()]

    def xdo(self, *args: str) -> None:
        self.x.run("xdotool", *args)

    def click(self, control: str) -> None:
        x, y = POINTS[control]
        self.xdo("mousemove", "--window", str(self.window), str(x), str(y), "click", "1")

    def clipboard(self, text: str | None = None) -> bytes:
        if text is not None:
            subprocess.run(["xclip", "-i", "-selection", "clipboard"], env=self.x.env, timeout=10,
                           input=text.encode(), stdout=subprocess.DEVNULL, check=True)
            wait_until(lambda: self.clipboard() == text.encode(), 10, "xclip to own the clipboard")
        return self.x.run("xclip", "-o", "-selection", "clipboard", check=False).stdout

    # Wine hands the clipboard to and from X a moment later, and may drop a click right after a
    # key: both steps are repeated until they show their effect.
    def read_box(self, box: str, timeout: float = 20) -> str:
        sentinel = self.clipboard(f"<{uuid.uuid4()}>")

        def copied():
            self.click(box)
            self.xdo("key", "ctrl+a", "ctrl+c")
            return [text.decode()] if (text := self.clipboard()) != sentinel else None

        return wait_until(copied, timeout, f"the text of {box} on the clipboard", 0.5)[0]

    def paste(self, box: str, text: str) -> None:
        def pasted():
            self.clipboard(text)
            self.click(box)
            self.xdo("key", "ctrl+a", "ctrl+v")
            try:
                return self.read_box(box, timeout=3) == text
            except TimeoutError:  # an empty box copies nothing
                return False

        wait_until(pasted, 60, f"{box} to take the paste", 0.5)

    def assertPixels(self, size: tuple[int, int], expected: dict) -> bytes:
        info = self.x.run("xwininfo", "-id", str(self.window)).stdout.decode()
        self.assertEqual(tuple(int(re.search(f"{d}: (\\d+)", info)[1])
                               for d in ("Width", "Height")), size, "client size")
        shot = self.x.run("import", "-window", str(self.window), "-depth", "8", "rgb:-").stdout
        self.assertEqual({(x, y): tuple(shot[3 * (y * size[0] + x):][:3]) for x, y in expected},
                         expected)
        return shot

    def test_layout_at_96_dpi(self):
        self.start()
        # Lines one pixel thick from x = 8 up to 168; Line2 and Line3 in the window-text colour,
        # black in Wine's default colours.
        shot = self.assertPixels((177, 201), {
            (2, 2): WINDOW, (88, 17): BOX, (8, 56): BLACK, (167, 56): BLACK, (168, 56): WINDOW,
            (88, 57): WINDOW, (88, 112): BLACK, (88, 160): BLACK, (88, 161): WINDOW})
        label = [shot[3 * (y * 177 + x):][:3] for y in range(120, 135) for x in range(8, 49)]
        self.assertIn(bytes([224, 224, 224]), label)

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

    def test_round_trip_by_keyboard_and_clipboard(self):
        self.start()
        self.xdo("type", "--delay", "30", "Hello, World!")  # the focus starts in txtEncrypt
        self.xdo("key", "Tab", "space")  # and Tab goes on to Encrypt
        self.assertEqual(self.read_box("txtResult"), self.ENCRYPTED)
        self.click("txtEncrypt")
        self.xdo("key", "End", "x", "Return")  # Enter runs no command
        self.assertEqual(self.read_box("txtResult"), self.ENCRYPTED)  # now on the clipboard
        # Back from txtResult to txtDecrypt, paste, and on to Decrypt.
        for keys in (["shift+Tab", "shift+Tab"], ["ctrl+v"], ["Tab", "space"]):
            self.xdo("key", *keys)
        self.assertEqual(self.read_box("txtResult"), "Hello, World!")
        self.assertEqual(self.read_box("txtDecrypt"), self.ENCRYPTED)

    def test_refusals_show_a_message_and_change_nothing(self):
        self.start()
        self.paste("txtDecrypt", "Ebiil")
        self.click("cmdDecrypt")
        for text, said in [("ab\u0416cd", "position 3"), ("ok\x03", "U+0000 at position 3"),
                           ("a" * 40000, "a text of 40,000 characters")]:
            with self.subTest(said):
                self.paste("txtEncrypt", text)
                self.click("cmdEncrypt")
                box = wait_until(lambda: [w for w in self.windows() if w != self.window], 10,
                                 "a message box")[0]
                owner = self.x.run("xprop", "-id", str(box), "WM_TRANSIENT_FOR").stdout.decode()
                self.assertIn(f"{self.window:#x}", owner)
                self.assertIn(said, re.findall(r"MSGBOX_OnInit (.*)", self.log.read_text())[-1])
                self.xdo("key", "Return")
                wait_until(lambda: self.windows() == [self.window], 10, "the message box to go")
                boxes = ("txtEncrypt", "txtDecrypt", "txtResult")
                self.assertEqual([self.read_box(b) for b in boxes], [text, "Ebiil", "Hello"])

    def test_quit_and_alt_f4_end_with_status_0(self):
        for way in ("cmdQuit", "alt+F4"):
            with self.subTest(way):
                process = self.start()
                self.click(way) if way == "cmdQuit" else self.xdo("key", way)
                self.assertEqual(process.wait(timeout=20), 0)


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
        self.assertEqual((program / "Kestrune.exe").read_bytes(), Path(ARGS.exe).read_bytes())
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
    for option in ("--exe", "--build-dir", "--cpack", "--artifacts"):
        parser.add_argument(option)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest])
