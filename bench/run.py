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

RUNS = 15
# Texts of 32,766 characters, each against a plain copy: the most either ratio may reach.
CIPHER_TARGETS = {"Ascii": 2.5, "Prose": 4.0, "Mixed": 6.0}
GROWTH = (1.8, 2.2)  # time(32,766) / time(16,383): linear
WAYS = ("Encrypt", "Decipher")


def cipher_report(build: Path) -> bool:
    # Interleaved at random, so that the machine's slower spells fall on every benchmark alike.
    out = subprocess.run(
        [str(build / "bench" / "cipher_bench"), "--benchmark_format=json",
         f"--benchmark_repetitions={RUNS}", "--benchmark_min_time=0.1",
         "--benchmark_enable_random_interleaving=true"],
        check=True, capture_output=True, text=True).stdout
    runs, order = {}, {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") == "iteration":
            kernel, name = b["run_name"].split("/")[:2]
            order[kernel] = b["family_index"]  # the order the program registered them in
            for counter in ("vs_copy", "growth", "copy_growth"):
                runs.setdefault((kernel, name, counter), []).append(b[counter])
    median = {key: statistics.median(values) for key, values in runs.items()}

    ok = True
    print(f"Cipher, 32,766 characters, against a plain copy timed beside it (median of {RUNS}):")
    print(f"  {'text':<8}{'encrypt':>9}{'decipher':>10}{'target':>9}"
          f"   growth, encrypt and decipher ({GROWTH[0]} to {GROWTH[1]}), and the copy's")
    for text, target in CIPHER_TARGETS.items():
        ratios = [median["Kestrune", way + text, "vs_copy"] for way in WAYS]
        growth = [median["Kestrune", way + text, "growth"] for way in WAYS]
        copied = statistics.median(median["Kestrune", way + text, "copy_growth"] for way in WAYS)
        met = all(r <= target for r in ratios) and all(GROWTH[0] <= g <= GROWTH[1] for g in growth)
        ok &= met
        print(f"  {text:<8}{ratios[0]:>9.2f}{ratios[1]:>10.2f}{'<= ' + str(target):>9}"
              f"   {growth[0]:.2f} {growth[1]:.2f}  {copied:.2f}  {'ok' if met else 'MISSED'}")
    kernels = sorted(order, key=order.get)[1:]
    print("  Each kernel this processor runs, widest first, encrypt and decipher against the copy:")
    for kernel in kernels:
        cells = "".join(f"{text} {median[kernel, WAYS[0] + text, 'vs_copy']:.2f}/"
                        f"{median[kernel, WAYS[1] + text, 'vs_copy']:.2f}  "
                        for text in CIPHER_TARGETS)
        print(f"    {kernel:<10}{cells}")
    return ok


def main() -> int:
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build")
    ok = cipher_report(build)
    ok &= startup_report(build)
    if len(sys.argv) > 2:
        ok &= wine_startup_report(Path(sys.argv[2]))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
