#!/usr/bin/env python3
"""Validates the desktop entry and the AppStream metadata in shell/linux with the validators
that distributions and software centres use, and checks that the two name the same
application, icon and program."""

import argparse
import configparser
import shutil
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

PROGRAM = "kestrune"
NAME = "Kestrune"


def run_tool(*command):
    tool = shutil.which(command[0])
    if tool is None:
        raise AssertionError(f"{command[0]} not found (make deps installs it)")
    return subprocess.run([tool, *command[1:]], capture_output=True, text=True)


class DesktopEntryTest(unittest.TestCase):
    app_id = linux_dir = None  # filled in by main()

    def path(self):
        return self.linux_dir / f"{self.app_id}.desktop"

    def test_validator_is_silent(self):
        # It also prints hints (a missing main category, say) without failing; those matter
        # too, and a clean entry gets no output at all.
        result = run_tool("desktop-file-validate", str(self.path()))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout + result.stderr, "")

    def test_names_the_program_and_icon(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.path(), encoding="utf-8")
        group = entry["Desktop Entry"]
        expected = {"Type": "Application", "Name": NAME, "Exec": PROGRAM, "Icon": self.app_id,
                    "Terminal": "false"}
        for key, value in expected.items():
            with self.subTest(key=key):
                self.assertEqual(group.get(key), value)


class MetainfoTest(unittest.TestCase):
    app_id = linux_dir = None

    def path(self):
        return self.linux_dir / f"{self.app_id}.metainfo.xml"

    def test_validator_passes(self):
        # Errors and warnings fail it, infos (a summary ending in a dot, say) only print; they
        # fail here too. Pedantic notes do not.
        result = run_tool("appstreamcli", "validate", "--no-net", "--explain", str(self.path()))
        report = result.stdout + result.stderr
        self.assertEqual(result.returncode, 0, report)
        issues = [line for line in report.splitlines() if line.startswith(("E:", "W:", "I:"))]
        self.assertEqual(issues, [], report)

    def test_names_the_program_and_its_desktop_entry(self):
        root = ElementTree.parse(self.path()).getroot()
        self.assertEqual(root.get("type"), "desktop-application")
        expected = [
            ("id", self.app_id),
            ("name", NAME),
            ("launchable[@type='desktop-id']", f"{self.app_id}.desktop"),
            ("provides/binary", PROGRAM),
        ]
        for path, value in expected:
            with self.subTest(element=path):
                found = [e.text for e in root.findall(path)]
                self.assertEqual(found, [value])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--linux-dir", type=Path, required=True)
    args, rest = parser.parse_known_args()
    for case in (DesktopEntryTest, MetainfoTest):
        case.app_id, case.linux_dir = args.app_id, args.linux_dir
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
