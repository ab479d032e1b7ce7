#!/usr/bin/env python3
"""Runs the benchmarks and reports each figure as a ratio against the baseline run beside it."""

import json
import statistics
import subprocess
import sys
from pathlib import Path

from startup import startup_report
from wine_startup import wine_startup_report


def cipher_report(build: Path) -> bool:
    out = subprocess.run(
        [str(build / "bench" / "cipher_bench"), "--benchmark_format=json",
         "--benchmark_repetitions=7", "--benchmark_min_time=0.2"],
        check=True, capture_output=True, text=True).stdout
    runs = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") == "iteration":
            runs.setdefault(b["run_name"], []).append(b["real_time"])
    median = {name: statistics.median(times) for name, times in runs.items()}

    def per_char(name: str) -> float:
        return median[name] / int(name.split("/")[1])

    copy = per_char("BM_Copy/32766")
    ok = True
    print("Cipher, 32,766 characters (median of 7 runs):")
    print(f"  {'benchmark':<28}{'Mchar/s':>10}{'vs copy':>10}{'target':>10}")
    print(f"  {'copy (floor)':<28}{1e3 / copy:>10.0f}{1.0:>10.2f}")
    for name, target in [("BM_EncryptAscii", 4), ("BM_DecipherAscii", 4),
                         ("BM_EncryptMixed", 12), ("BM_DecipherMixed", 12)]:
        ratio = per_char(f"{name}/32766") / copy
        met = ratio <= target
        ok &= met
        print(f"  {name:<28}{1e3 / per_char(name + '/32766'):>10.0f}{ratio:>10.2f}"
              f"{'<= ' + str(target):>10} {'ok' if met else 'MISSED'}")
    print("Growth, time(32,766) / time(16,383), target 1.8 to 2.2:")
    for name in ["BM_EncryptAscii", "BM_DecipherAscii", "BM_EncryptMixed", "BM_DecipherMixed"]:
        growth = median[f"{name}/32766"] / median[f"{name}/16383"]
        met = 1.8 <= growth <= 2.2
        ok &= met
        print(f"  {name:<28}{growth:>10.2f} {'ok' if met else 'MISSED'}")
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
