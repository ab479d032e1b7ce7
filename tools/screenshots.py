#!/usr/bin/env python3
"""usage: screenshots.py KESTRUNE KESTRUNE.EXE OUT_DIR. Photographs each program's window, framed
by the window manager, with a line encrypted, into OUT_DIR/kestrune-linux.png and -windows.png."""

import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from desktop import XSession, wait_until

WINE = "/usr/lib/wine/wine64"  # the 64-bit loader itself, as the build finds it


def photograph(x: XSession, command: list[str], out: Path) -> None:
    app = subprocess.Popen(command, env=x.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        window = wait_until(lambda: x.run("xdotool", "search", "--onlyvisible", "--name",
                                          "^Kestrune$").stdout.split(), 120, "the window")[0]
        wait_until(lambda: x.run("xdotool", "getactivewindow").stdout.split() == [window], 60,
                   "its focus")
        x.run("xdotool", "type", "--delay", "50", "Hello, World!")
        x.run("xdotool", "key", "Tab", "space", "Tab")  # encrypts; the focus leaves the button
        subprocess.run(["sleep", "2"])  # the result drawn
        # A palette of at most 64 colours keeps each picture a few kilobytes.
        x.run("import", "-frame", "-window", window, "-strip", "-colors", "64", f"PNG8:{out}")
    finally:
        app.kill()
        app.wait()


def main() -> None:
    linux, windows, out = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    with XSession() as x, tempfile.TemporaryDirectory() as prefix:
        photograph(x, [str(linux)], out / "kestrune-linux.png")
        x.env.update(WINEPREFIX=prefix, WINEDEBUG="-all",
                     WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d")
        # Wine draws the frame itself, as Windows would, with the buttons the window asks for;
        # its caption buttons need the Marlett font in the prefix.
        subprocess.run([WINE, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated",
                        "/d", "N", "/f"], env=x.env, check=True, capture_output=True)
        shutil.copy("/usr/share/wine/fonts/marlett.ttf", f"{prefix}/drive_c/windows/Fonts")
        photograph(x, [WINE, str(windows)], out / "kestrune-windows.png")
        subprocess.run(["wineserver", "--kill"], env=x.env, check=False)


if __name__ == "__main__":
    main()
