#!/usr/bin/env python3
"""Kestrune.exe read back from the file itself; run under Wine on Xvfb with openbox; installed and
removed again with its installer. WINEPREFIX names a prefix that these suites may use alone.

usage: windows_test.py --exe Kestrune.exe --build-dir DIR --cpack CPACK Executable|Program|Installer
"""

import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import uuid
import xml.etree.ElementTree as ET
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from xsession import XSession, wait_until  # noqa: E402

ARGS: argparse.Namespace
# A point inside each control, in client pixels at 96 DPI.
POINTS = {"txtEncrypt": (88, 17), "cmdEncrypt": (88, 40), "txtDecrypt": (88, 73),
          "cmdDecrypt": (88, 96), "txtResult": (88, 145), "cmdQuit": (88, 180)}


def run(*args: str, **kwargs) -> bytes:
    return subprocess.run(args, capture_output=True, check=True, timeout=60, **kwargs).stdout


class Executable(unittest.TestCase):
    def resource(self, kind: int, name: int) -> bytes:
        return run("wrestool", "--raw", "-x", f"--type={kind}", f"--name={name}", ARGS.exe)

    def test_icon_group_1_over_images_30001_to_30006(self):
        group = self.resource(14, 1)
        self.assertEqual(struct.unpack_from("<HHH", group), (0, 1, 6))
        found = []
        for entry in range(6):
            width, _, _, _, _, bits, size, name = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * entry)
            image = self.resource(3, name)
            self.assertEqual(len(image), size)
            # Each image is a bitmap twice its width high: colours, then the mask.
            self.assertEqual(struct.unpack_from("<Iii", image), (40, width, 2 * width))
            self.assertEqual(struct.unpack_from("<H", image, 14)[0], bits)
            found.append((name, width, bits))
        self.assertEqual(found, [(30001, 16, 8), (30002, 32, 8), (30003, 48, 8),
                                 (30004, 16, 32), (30005, 32, 32), (30006, 48, 32)])

    def test_version_record(self):
        record = self.resource(16, 1)
        fixed = struct.unpack_from("<13I", record, record.index(struct.pack("<I", 0xFEEF04BD)))
        # File and product version 1.0.0.0, no flags, 32-bit Windows, an application.
        self.assertEqual(fixed[2:6] + fixed[7:10], (0x10000, 0, 0x10000, 0, 0, 4, 1))
        text = record.decode("utf-16-le", errors="replace")
        self.assertIn("040904B0", text)
        for key, value in [("CompanyName", "The Kestrune developers"), ("ProductName", "Kestrune"),
                           ("FileVersion", "1.00"), ("ProductVersion", "1.00"),
                           ("InternalName", "Kestrune"), ("OriginalFilename", "Kestrune.exe")]:
            self.assertRegex(text, f"{key}\0+{re.escape(value)}\0", key)

    def test_manifest(self):
        manifest = ET.fromstring(self.resource(24, 1))
        attributes = {(e.tag.split("}")[1], k): v for e in manifest.iter() for k, v in e.attrib.items()}
        texts = {e.tag.split("}")[1]: e.text for e in manifest.iter()}
        self.assertEqual(attributes[("requestedExecutionLevel", "level")], "asInvoker")
        self.assertIn("Microsoft.Windows.Common-Controls 6.0.0.0",
                      " ".join(f"{e.get('name')} {e.get('version')}" for e in manifest.iter()))
        self.assertEqual(texts["dpiAwareness"], "PerMonitorV2")

    def test_32_bit_gui_program_that_needs_only_system_dlls(self):
        headers = run("i686-w64-mingw32-objdump", "-p", ARGS.exe).decode()
        self.assertIn("(PE32)", headers)
        self.assertRegex(headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertLessEqual(dlls, {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll",
                                    "msvcrt.dll"})


def wine(*args: str, env=None, check=True) -> subprocess.CompletedProcess:
    """Runs a Windows program and waits for every process it started, as installers respawn."""
    done = subprocess.run(["wine", *args], env=env, capture_output=True, timeout=120, check=check)
    subprocess.run(["wineserver", "--wait"], env=env, timeout=60, check=True)
    return done


class Program(unittest.TestCase):
    ENCRYPTED = "Ebiil)\x1dTloia\x1e"  # "Hello, World!"

    @classmethod
    def setUpClass(cls):
        cls.x = XSession(log_dir=Path(ARGS.artifacts) / "Program")
        cls.x.start()

    @classmethod
    def tearDownClass(cls):
        # Wine's desktop process stays tied to this display; the next suite starts its own.
        subprocess.run(["wineserver", "--kill"], env=cls.x.env, timeout=60)
        cls.x.stop()

    def start(self) -> subprocess.Popen:
        # Wine traces each message box's text to the log: its own boxes cannot copy it.
        self.log = Path(ARGS.artifacts) / "Program" / f"{self._testMethodName}.log"
        process = subprocess.Popen(["wine", ARGS.exe], env=dict(self.x.env, WINEDEBUG="+msgbox"),
                                   stdout=subprocess.DEVNULL, stderr=self.log.open("wb"))
        self.addCleanup(lambda: process.poll() is None and process.kill())
        # The screen as the test left it, for a person to look at.
        self.addCleanup(self.x.screenshot, self.log.with_suffix(".png"))
        self.window = wait_until(lambda: self.windows()[:1], 30, "Kestrune's window")[0]
        active = lambda: self.x.run("xdotool", "getactivewindow", check=False).stdout.strip()
        wait_until(lambda: active() == str(self.window).encode(), 10, "the window to be active")
        return process

    def windows(self) -> list[int]:
        found = self.x.run("xdotool", "search", "--onlyvisible", "--name", "^Kestrune$", check=False)
        return [int(w) for w in found.stdout.split()]

    def xdo(self, *args: str) -> bytes:
        return self.x.run("xdotool", *args).stdout

    def click(self, control: str) -> None:
        x, y = POINTS[control]
        self.xdo("mousemove", "--window", str(self.window), str(x), str(y), "click", "1")

    def clipboard(self) -> bytes:
        return self.x.run("xclip", "-o", "-selection", "clipboard", check=False).stdout

    def set_clipboard(self, text: str) -> None:
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], env=self.x.env, timeout=10,
                       input=text.encode(), stdout=subprocess.DEVNULL, check=True)
        wait_until(lambda: self.clipboard() == text.encode(), 10, "xclip to hold the clipboard")

    # Wine passes the clipboard to and from X a moment later, and may drop a click that comes
    # right after a key; both steps below are therefore repeated until they show their effect.
    def read_box(self, box: str, timeout: float = 20) -> str:
        sentinel = f"<{uuid.uuid4()}>"
        self.set_clipboard(sentinel)

        def copied():
            self.click(box)
            self.xdo("key", "ctrl+a", "ctrl+c")
            text = self.clipboard()
            return [text.decode()] if text != sentinel.encode() else None

        return wait_until(copied, timeout, f"the text of {box} on the clipboard", interval=0.5)[0]

    def paste(self, box: str, text: str) -> None:
        def pasted():
            self.set_clipboard(text)
            self.click(box)
            self.xdo("key", "ctrl+a", "ctrl+v")
            try:
                return self.read_box(box, timeout=3) == text
            except TimeoutError:  # an empty box copies nothing
                return False

        wait_until(pasted, 60, f"{box} to take the paste", interval=0.5)

    def screenshot(self) -> tuple[tuple[int, int], bytes]:
        info = self.x.run("xwininfo", "-id", str(self.window)).stdout.decode()
        size = (int(re.search(r"Width: (\d+)", info)[1]), int(re.search(r"Height: (\d+)", info)[1]))
        return size, self.x.run("import", "-window", str(self.window), "-depth", "8", "rgb:-").stdout

    def assertPixels(self, expected: dict) -> None:
        (width, _), shot = self.screenshot()
        at = {point: tuple(shot[3 * (point[1] * width + point[0]):][:3]) for point in expected}
        self.assertEqual(at, expected)

    def test_layout_at_96_dpi(self):
        self.start()
        self.assertEqual(self.screenshot()[0], (177, 201))
        window, box, black = (35, 71, 92), (64, 64, 64), (0, 0, 0)
        # Lines one pixel thick from x = 8 up to 168; Line2 and Line3 take the window-text colour,
        # black in Wine's default colours.
        self.assertPixels({(2, 2): window, (88, 17): box, (8, 56): black, (167, 56): black,
                           (168, 56): window, (88, 57): window, (88, 112): black,
                           (88, 160): black, (88, 161): window})
        (width, _), shot = self.screenshot()
        label = [shot[3 * (y * width + x):][:3] for y in range(120, 135) for x in range(8, 49)]
        self.assertIn(bytes([224, 224, 224]), label)

    def test_geometry_at_144_dpi(self):
        key = r"HKCU\Control Panel\Desktop"
        wine("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f", env=self.x.env)
        self.addCleanup(wine, "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "96",
                        "/f", env=self.x.env)
        self.start()
        self.assertEqual(self.screenshot()[0], (266, 302))
        window, box, black = (35, 71, 92), (64, 64, 64), (0, 0, 0)
        # Twips times 144 / 1440: Line1 from (12, 84) to 252, two pixels thick; txtEncrypt from
        # y = 12 to 41, cmdEncrypt from 48.
        self.assertPixels({(12, 84): black, (251, 85): black, (252, 84): window, (130, 83): window,
                           (130, 86): window, (130, 27): box, (130, 44): window})

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
                shown = re.findall(r"MSGBOX_OnInit (.*)", self.log.read_text(errors="replace"))
                self.assertIn(said, shown[-1])
                self.xdo("key", "Return")
                wait_until(lambda: self.windows() == [self.window], 10, "the message box to go")
                self.assertEqual([self.read_box(b) for b in ("txtEncrypt", "txtDecrypt", "txtResult")],
                                 [text, "Ebiil", "Hello"])

    def test_quit_and_alt_f4_end_with_status_0(self):
        for way in ("cmdQuit", "alt+F4"):
            with self.subTest(way):
                process = self.start()
                self.click(way) if way == "cmdQuit" else self.xdo("key", way)
                self.assertEqual(process.wait(timeout=20), 0)


class Installer(unittest.TestCase):
    def test_installs_silently_and_uninstalls_completely(self):
        with tempfile.TemporaryDirectory() as out:
            run(ARGS.cpack, "-G", "NSIS;ZIP", "--config", f"{ARGS.build_dir}/CPackConfig.cmake",
                "-B", out)
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
        self.assertFalse(program.exists())
        self.assertFalse(menu.exists())
        self.assertNotEqual(wine("reg", "query", key, check=False).returncode, 0)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--exe", "--build-dir", "--cpack", "--artifacts"):
        parser.add_argument(option)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest])
