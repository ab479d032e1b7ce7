"""Start-up time and resident memory of kestrune against a bare Qt window, on Xvfb with openbox.

Each run starts the program under start_probe, which reports the time from spawning the process
until its window is mapped, until the window first shows its content drawn, and its resident
memory once the window is up and the process idle.
"""

import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from start_probe import probe  # noqa: E402
from xsession import XSession  # noqa: E402

RUNS = 15
TARGET = 1.15


def startup_report(build: Path) -> bool:
    programs = {"bare Qt window (floor)": build / "bench" / "bare_window",
                "kestrune": build / "kestrune"}
    samples: dict[str, list[dict]] = {name: [] for name in programs}
    with XSession() as x:
        for program in programs.values():  # warm-up: disk cache, font cache
            probe(x.env, [str(program)])
        for run in range(RUNS):
            # Alternate which goes first, so neither always follows the other.
            order = list(programs.items())
            for name, program in order if run % 2 == 0 else reversed(order):
                samples[name].append(probe(x.env, [str(program)]))

    ok = True
    # The first frame is what a person sees; it is reported beside the mapping, without a target.
    for title, key, unit, fmt, target in [
        ("Start-up, spawn to window mapped", "map_ms", "ms", "{:>10.1f}", TARGET),
        ("Start-up, spawn to first frame with the content drawn", "drawn_ms", "ms", "{:>10.1f}",
         None),
        ("Resident memory once shown and idle (VmRSS)", "rss_kib", "KiB", "{:>10.0f}", TARGET),
    ]:
        median = {name: statistics.median(s[key] for s in runs) for name, runs in samples.items()}
        floor = median["bare Qt window (floor)"]
        print(f"{title}, Xvfb + openbox (median of {RUNS} interleaved runs):")
        print(f"  {'program':<28}{unit:>10}{'vs bare':>10}{'target':>10}")
        for name, value in median.items():
            ratio = value / floor
            line = f"  {name:<28}{fmt.format(value)}{ratio:>10.2f}"
            if name != "bare Qt window (floor)" and target:
                met = ratio <= target
                ok &= met
                line += f"{'<= ' + str(target):>10} {'ok' if met else 'MISSED'}"
            print(line)
    return ok
