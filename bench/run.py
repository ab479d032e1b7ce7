#!/usr/bin/env python3
"""Runs the benchmarks and reports each figure as a ratio against the baseline run beside it.
Each report prints its table and returns whether every target was met.
usage: run.py BUILD_DIR [WINDOWS_BUILD_DIR]"""

import json
import statistics
import subprocess
import sys
from pathlib import Path

from startup import startup_report
from wine_startup import wine_startup_report

RUNS = 9
# Texts of 32,766 characters, each against a plain copy: the most either ratio may reach.
CIPHER_TARGETS = {"Ascii": 2.5, "Prose": 4.0, "Mixed": 6.0}
GROWTH = (1.8, 2.2)  # time(32,766) / time(16,383): linear


def cipher_report(build: Path) -> bool:
    out = subprocess.run(
        [str(build / "bench" / "cipher_bench"), "--benchmark_format=json",
         f"--benchmark_repetitions={RUNS}", "--benchmark_min_time=0.2"],
        check=True, capture_output=True, text=True).stdout
    runs = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") == "iteration":
            # CPU time: on a shared machine, time spent descheduled is not the code's.
            runs.setdefault(b["run_name"], []).append(b["cpu_time"])
    median = {name: statistics.median(times) for name, times in runs.items()}
    copy = median["BM_Copy/32766"]

    ok = True
    print(f"Cipher, 32,766 characters, CPU time against a plain copy (median of {RUNS} runs):")
    print(f"  {'benchmark':<24}{'ns':>10}{'vs copy':>10}{'target':>10}")
    print(f"  {'copy (floor)':<24}{copy:>10.0f}{1.0:>10.2f}")
    for text, target in CIPHER_TARGETS.items():
        for name in (f"BM_Encrypt{text}", f"BM_Decipher{text}"):
            ratio = median[f"{name}/32766"] / copy
            met = ratio <= target
            ok &= met
            print(f"  {name:<24}{median[name + '/32766']:>10.0f}{ratio:>10.2f}"
                  f"{'<= ' + str(target):>10} {'ok' if met else 'MISSED'}")
    print(f"Growth, time(32,766) / time(16,383), target {GROWTH[0]} to {GROWTH[1]}:")
    for text in CIPHER_TARGETS:
        for name in (f"BM_Encrypt{text}", f"BM_Decipher{text}"):
            growth = median[f"{name}/32766"] / median[f"{name}/16383"]
            met = GROWTH[0] <= growth <= GROWTH[1]
            ok &= met
            print(f"  {name:<24}{growth:>10.2f} {'ok' if met else 'MISSED'}")
    return ok


def main() -> int:
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build")
    ok = cipher_report(build)
    ok &= startup_report(build)
    if len(sys.argv) > 2:
        ok &= wine_startup_report(build, Path(sys.argv[2]))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
