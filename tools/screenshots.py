#!/usr/bin/env python3
"""usage: screenshots.py KESTRUNE KESTRUNE.EXE OUT_DIR. Photographs each program's window in its
frame, with a line encrypted: the Linux one on sway, the Windows one under Wine, which then draws
the frame as Windows would. Writes OUT_DIR/kestrune-linux.png and -windows.png."""

import shutil
import subprocess
import sys
import time
from pathlib import Path

from desktop import WaylandSession, XSession, wait_until

WINE = "/usr/lib/wine/wine64"  # the 64-bit loader itself, as the build finds it


def photograph(x, command: list[str], out: Path) -> None:
    app = subprocess.Popen(command, env=x.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    window = wait_until(lambda: x.windows()[:1], 120, "the window")[0]
    wait_until(lambda: x.focused() == window, 60, "its focus")
    x.type("Hello, World!")
    x.keys("Tab", "space", "Tab")  # encrypts; the focus leaves the button
    time.sleep(2)  # the result drawn
    x.screenshot(out)
    # The window alone, off the empty desktop; a palette keeps it a few kilobytes.
    x.run("convert", out, "-trim", "+repage", "-strip", "-colors", "64", f"PNG8:{out}")
    app.kill()
    app.wait()


def main() -> None:
    linux, windows, out = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3]).resolve()
    out.mkdir(parents=True, exist_ok=True)
    with WaylandSession() as x:
        photograph(x, [str(linux)], out / "kestrune-linux.png")
    with XSession() as x:
        x.env.update(WINEPREFIX=str(x.tmp / "wine"), WINEDEBUG="-all",  # gone with the desktop
                     WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d")
        x.run(WINE, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N",
              "/f", timeout=120)
        shutil.copy("/usr/share/wine/fonts/marlett.ttf", x.tmp / "wine/drive_c/windows/Fonts")
        photograph(x, [WINE, str(windows)], out / "kestrune-windows.png")
        x.run("wineserver", "--kill")


if __name__ == "__main__":
    main()
