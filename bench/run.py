#!/usr/bin/env python3
"""Runs the benchmarks and reports each figure as a ratio against the baseline run beside it.
Each report prints its table and returns whether every target was met.
usage: run.py BUILD_DIR [WINDOWS_BUILD_DIR]"""

import json
import subprocess
import sys
from pathlib import Path

from startup import startup_report
from wine_startup import wine_startup_report

CLICK_TARGET = 1.05  # the click against setting and painting its result alone


def click_report(build: Path) -> bool:
    out = subprocess.run([str(build / "bench" / "click_bench")], check=True,
                         capture_output=True, text=True).stdout
    click = json.loads(out)
    met = click["ratio"] <= CLICK_TARGET
    print("The click on Encrypt, 32,766 characters of prose, against setting and painting its "
          "result alone (medians, interleaved):")
    print(f"  {click['click_ms']:.2f} ms against {click['set_ms']:.2f} ms: "
          f"{click['ratio']:.3f}x (target <= {CLICK_TARGET}x)  {'ok' if met else 'MISSED'}; "
          f"the cipher alone {click['cipher_ms'] * 1000:.0f} us")
    return met


def main() -> int:
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build")
    ok = click_report(build)
    ok &= startup_report(build)
    if len(sys.argv) > 2:
        ok &= wine_startup_report(Path(sys.argv[2]))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
