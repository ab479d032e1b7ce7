#!/usr/bin/env python3
"""Builds the Debian package from the build tree with CPack into a scratch folder, unpacks it
with dpkg and checks its control fields and that it holds exactly the program, its desktop
entry, its AppStream metadata and its icons, as they are in the source tree."""

import argparse
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

PACKAGE = "kestrune"
SUMMARY = "Shift cipher for a line of text"
MAINTAINER = "The Kestrune developers"
# Found by dpkg-shlibdeps from the binary, plus the platform plugins Qt loads at run time.
REQUIRED_DEPENDENCIES = ["libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "qt6-qpa-plugins"]


def run(*command, **options):
    tool = shutil.which(command[0])
    if tool is None:
        raise AssertionError(f"{command[0]} not found (make deps installs it)")
    result = subprocess.run([tool, *command[1:]], capture_output=True, text=True, **options)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")
    return result.stdout


class DebPackageTest(unittest.TestCase):
    args = None  # filled in by main()

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        scratch = Path(cls.scratch.name)
        config = cls.args.build_dir / "CPackConfig.cmake"
        run(str(cls.args.cpack), "-G", "DEB", "--config", str(config), "-B", str(scratch / "out"))
        cls.debs = sorted((scratch / "out").glob("*.deb"))
        cls.root = scratch / "root"
        if len(cls.debs) == 1:
            run("dpkg", "-x", str(cls.debs[0]), str(cls.root))
            cls.control = run("dpkg-deb", "--field", str(cls.debs[0]))

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def setUp(self):
        self.assertEqual(len(self.debs), 1, f"expected one package, got {self.debs}")

    def field(self, name):
        fields, current = {}, None
        for line in self.control.splitlines():
            if line.startswith(" ") and current:
                fields[current] += "\n" + line
            else:
                current, _, value = line.partition(":")
                fields[current] = value.strip()
        return fields.get(name)

    def test_control_fields(self):
        architecture = run("dpkg", "--print-architecture").strip()
        expected = {
            "Package": PACKAGE,
            "Version": self.args.version,
            "Architecture": architecture,
            "Maintainer": MAINTAINER,
            "Section": "utils",
            "Priority": "optional",
        }
        for name, value in expected.items():
            with self.subTest(field=name):
                self.assertEqual(self.field(name), value)
        self.assertEqual(self.debs[0].name, f"{PACKAGE}_{self.args.version}_{architecture}.deb")
        description = self.field("Description").splitlines()
        self.assertEqual(description[0], SUMMARY)
        self.assertGreater(len(description), 1, "no long description")
        for line in description[1:]:
            self.assertLessEqual(len(line), 80, f"description line too long: {line!r}")

    def test_depends_on_the_qt_runtime(self):
        depends = [d.split()[0] for d in self.field("Depends").split(",")]
        for package in REQUIRED_DEPENDENCIES:
            with self.subTest(package=package):
                self.assertIn(package, depends)

    def test_holds_exactly_the_installed_files(self):
        app_id, shell = self.args.app_id, self.args.shell_dir
        share = "usr/share"
        expected = {
            f"{share}/applications/{app_id}.desktop": shell / "linux" / f"{app_id}.desktop",
            f"{share}/metainfo/{app_id}.metainfo.xml": shell / "linux" / f"{app_id}.metainfo.xml",
            f"{share}/icons/hicolor/scalable/apps/{app_id}.svg": shell / "icons" / "kestrune.svg",
        }
        for size in (16, 32, 48):
            expected[f"{share}/icons/hicolor/{size}x{size}/apps/{app_id}.png"] = (
                shell / "icons" / f"kestrune-{size}.png"
            )
        found = {str(p.relative_to(self.root)) for p in self.root.rglob("*") if not p.is_dir()}
        self.assertEqual(found, set(expected) | {f"usr/bin/{PACKAGE}"})
        for installed, source in expected.items():
            with self.subTest(file=installed):
                path = self.root / installed
                self.assertEqual(path.read_bytes(), source.read_bytes(), f"differs from {source}")
                self.assertEqual(stat.S_IMODE(path.stat().st_mode), 0o644)

    def test_program_is_an_executable(self):
        program = self.root / "usr" / "bin" / PACKAGE
        self.assertTrue(program.is_file(), "usr/bin/kestrune missing")
        self.assertEqual(stat.S_IMODE(program.stat().st_mode), 0o755)
        self.assertEqual(program.read_bytes()[:4], b"\x7fELF")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", type=Path, required=True)
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--shell-dir", type=Path, required=True)
    parser.add_argument("--version", required=True)
    DebPackageTest.args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
