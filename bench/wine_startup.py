"""Start-up of Kestrune.exe under Wine against a bare Win32 window with one button, on Xvfb with
openbox, and the executable's size. Both run in one Wine prefix that is warm before timing, so the
figures leave out Wine's own first start."""

import os
import statistics
import subprocess
from pathlib import Path

from start_probe import probe
from startup import RUNS
from xsession import XSession

WINE = Path("/usr/lib/wine/wine64")  # the 64-bit loader itself; see the mingw toolchain file


def wine_startup_report(windows: Path) -> bool:
    programs = {"bare Win32 window (floor)": windows / "bare_window_win32.exe",
                "Kestrune.exe": windows / "Kestrune.exe"}
    prefix = windows.resolve() / "bench-wine-prefix"
    samples: dict[str, list[dict]] = {name: [] for name in programs}
    with XSession() as x:
        # No Mono or Gecko, and no desktop entries in the home folder.
        x.env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all",
                     WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d")
        subprocess.run([str(WINE), "wineboot", "--init"], env=x.env, check=True, capture_output=True)
        subprocess.run(["wineserver", "--wait"], env=x.env, check=True)
        # wineserver stays up between the runs, as it does while a person uses Wine.
        subprocess.run(["wineserver", "--persistent"], env=x.env, check=True)
        try:
            for program in programs.values():  # warm-up
                probe(x.env, [str(WINE), str(program)])
            for run in range(RUNS):
                order = list(programs.items())
                for name, program in order if run % 2 == 0 else reversed(order):
                    samples[name].append(probe(x.env, [str(WINE), str(program)]))
        finally:
            subprocess.run(["wineserver", "--kill"], env=x.env, check=False)

    for title, key in [("window mapped", "map_ms"), ("first frame with the content drawn",
                                                      "drawn_ms")]:
        median = {name: statistics.median(s[key] for s in runs) for name, runs in samples.items()}
        floor = median["bare Win32 window (floor)"]
        print(f"Start-up under Wine, spawn to {title} (median of {RUNS} interleaved runs):")
        print(f"  {'program':<28}{'ms':>10}{'vs bare':>10}")
        for name, value in median.items():
            print(f"  {name:<28}{value:>10.1f}{value / floor:>10.2f}")
    size = os.path.getsize(programs["Kestrune.exe"])
    print(f"Kestrune.exe: {size:,} bytes ({size / 1024:.0f} KiB), "
          f"bare window {os.path.getsize(programs['bare Win32 window (floor)']):,} bytes")
    return True
