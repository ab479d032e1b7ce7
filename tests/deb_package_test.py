#!/usr/bin/env python3
"""Builds the Debian package from the build tree with CPack, under a test maintainer, and has
lintian, Debian's own checker, judge it; then checks what lintian cannot: that the package
holds the program, its desktop entry, its metadata and its icons."""

import argparse
import subprocess
import tempfile
import unittest
from pathlib import Path


class DebPackageTest(unittest.TestCase):
    def test_lintian_accepts_the_package_of_the_program(self):
        with tempfile.TemporaryDirectory() as scratch:
            subprocess.run([args.cpack, "-G", "DEB", "-B", scratch,
                            "--config", args.build_dir / "CPackConfig.cmake",
                            "-D", "CPACK_DEBIAN_PACKAGE_MAINTAINER=Test <test@example.org>"],
                           check=True)
            (deb,) = Path(scratch).glob("*.deb")
            lintian = subprocess.run(["lintian", "--fail-on", "error,warning", deb],
                                     capture_output=True, text=True)
            self.assertEqual(lintian.returncode, 0, lintian.stdout + lintian.stderr)
            listing = subprocess.run(["dpkg-deb", "--contents", deb], check=True,
                                     capture_output=True, text=True).stdout
        icons = [f"hicolor/{size}/apps/{args.app_id}.{ext}" for size, ext in
                 [("16x16", "png"), ("32x32", "png"), ("48x48", "png"), ("scalable", "svg")]]
        for path in ["bin/kestrune", f"applications/{args.app_id}.desktop",
                     f"metainfo/{args.app_id}.metainfo.xml", *icons]:
            self.assertIn(f"/{path}\n", listing)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", type=Path, required=True)
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--app-id", required=True)
    args = parser.parse_args()
    unittest.main(argv=[__file__])
