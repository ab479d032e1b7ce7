#!/usr/bin/env python3
"""The real executable on a private Xvfb display under openbox, driven as a person would: keys
and clicks through xdotool, text moved and read back through the clipboard with xclip.

Run one test:  e2e_test.py --program build/kestrune --artifacts build/tests/e2e Kestrune.test_x
On a failure the screen is saved as <artifacts>/<test>[-<case>].png; the program's output and the
X server's and window manager's logs stay in <artifacts>/<test>/.
"""

import argparse
import contextlib
import itertools
import re
import subprocess
import sys
import time
import unittest
import uuid
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from xsession import XSession, wait_until  # noqa: E402

PROGRAM: Path
ARTIFACTS: Path

# Logical pixels from the top-left corner of the client area: x, y, width, height.
CONTROLS = {
    "txtEncrypt": (8, 8, 161, 19),
    "cmdEncrypt": (8, 32, 161, 17),
    "txtDecrypt": (8, 64, 161, 19),
    "cmdDecrypt": (8, 88, 161, 17),
    "txtResult": (8, 136, 161, 19),
    "cmdQuit": (8, 168, 161, 25),
}
CLIENT_SIZE = (177, 201)

# Generous: two cores shared with builds. A hang still fails well inside CTest's timeout.
WINDOW_TIMEOUT = 20
STEP_TIMEOUT = 8

# _MOTIF_WM_HINTS: flags, functions, decorations.
MWM_HINTS_FUNCTIONS, MWM_HINTS_DECORATIONS = 0x1, 0x2
MWM_FUNC_ALL, MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE, MWM_FUNC_CLOSE = 0x1, 0x8, 0x10, 0x20
MWM_DECOR_ALL, MWM_DECOR_MENU, MWM_DECOR_MINIMIZE, MWM_DECOR_MAXIMIZE = 0x1, 0x10, 0x20, 0x40


class App:
    """One running copy of the program and its main window."""

    def __init__(self, x: XSession, log: Path):
        self.x = x
        self.log = log
        with open(log, "wb") as out:
            self.process = subprocess.Popen([str(PROGRAM)], env=x.env, stdin=subprocess.DEVNULL,
                                            stdout=out, stderr=subprocess.STDOUT)
        self.pid = self.process.pid
        self.window: int | None = None

    def wait_for_window(self) -> None:
        self.window = wait_until(self._lone_main_window, WINDOW_TIMEOUT,
                                 f"the window of process {self.pid}")

    def windows(self) -> list[int]:
        """The viewable windows of this process titled Kestrune."""
        self._check_alive()
        # --all: without it xdotool matches the pid OR the name.
        found = self.x.run("xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.pid),
                           "--name", "^Kestrune$", check=False)
        return [int(w) for w in found.stdout.split()]

    def _lone_main_window(self) -> int | None:
        windows = self.windows()
        return windows[0] if len(windows) == 1 else None

    def _check_alive(self) -> None:
        if self.process.poll() is not None:
            raise AssertionError(f"kestrune (pid {self.pid}) ended with status "
                                 f"{self.process.returncode}; output: {self.output()!r}")

    def output(self) -> str:
        return self.log.read_text(errors="replace") if self.log.exists() else ""

    def wait_for_exit(self, timeout: float = STEP_TIMEOUT) -> int:
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"kestrune (pid {self.pid}) still runs {timeout:.0f} s later")

    def kill(self) -> None:
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)


class Kestrune(unittest.TestCase):
    def setUp(self):
        self.name = self.id().rsplit(".", 1)[-1]
        self.x = XSession(log_dir=ARTIFACTS / self.name)
        self.addCleanup(self.x.stop)
        self.x.start()
        self.apps: list[App] = []

    def tearDown(self):
        for app in self.apps:
            app.kill()

    # --- driving -------------------------------------------------------------------------------

    def start(self) -> App:
        app = App(self.x, ARTIFACTS / self.name / f"kestrune-{len(self.apps) + 1}.log")
        self.apps.append(app)
        app.wait_for_window()
        self.wait_active(app.window)
        return app

    def xdotool(self, *args: str) -> str:
        return self.x.run("xdotool", *args).stdout.decode()

    def active_window(self) -> int | None:
        out = self.x.run("xdotool", "getactivewindow", check=False).stdout.split()
        return int(out[0]) if out else None

    def wait_active(self, window: int) -> None:
        wait_until(lambda: self.active_window() == window, STEP_TIMEOUT,
                   f"window {window:#x} to be active")

    def activate(self, app: App) -> None:
        self.xdotool("windowactivate", str(app.window))
        self.wait_active(app.window)

    def click(self, app: App, control: str) -> None:
        x, y, w, h = CONTROLS[control]
        self.xdotool("mousemove", "--window", str(app.window), str(x + w // 2), str(y + h // 2),
                     "click", "1")

    def keys(self, *keys: str) -> None:
        self.xdotool("key", *keys)

    def type(self, text: str) -> None:
        # ASCII only: for other characters xdotool remaps a key on the fly, and the first key
        # after a remap can arrive as the old symbol. Those texts are pasted instead.
        assert text.isascii(), text
        self.xdotool("type", "--delay", "20", "--", text)

    def clipboard(self) -> str | None:
        out = self.x.run("xclip", "-o", "-selection", "clipboard", check=False)
        return out.stdout.decode("utf-8", errors="replace") if out.returncode == 0 else None

    def set_clipboard(self, text: str) -> None:
        # xclip stays in the background to serve the selection until someone else takes it.
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], env=self.x.env,
                       input=text.encode(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=STEP_TIMEOUT, check=True)
        wait_until(lambda: self.clipboard() == text, STEP_TIMEOUT, f"the clipboard to hold {text!r}")

    def _await_copy(self, sentinel: str, what: str, again=None) -> str:
        def copied():
            text = self.clipboard()
            if text is None or text == sentinel:
                if again:
                    again()
                return None
            return [text]  # in a list, so that an empty text still counts as arrived

        return wait_until(copied, STEP_TIMEOUT, what, interval=0.25)[0]

    def read_message(self, window: int) -> str:
        """A message box's text, as a person gets it: click on the text, select all, copy.
        Qt's message box copies its whole text with ctrl+c only on Windows; here its text is
        selectable instead. Where the text sits depends on the font, so a few points in its
        upper part are tried in turn."""
        width, height = self.client_size(window)
        points = itertools.cycle([(width * 3 // 5, height * k // 10) for k in (2, 3, 4)])

        def press_again():
            x, y = next(points)
            self.xdotool("mousemove", "--window", str(window), str(x), str(y), "click", "1",
                         "key", "ctrl+a", "ctrl+c")

        sentinel = f"<nothing copied {uuid.uuid4()}>"
        self.set_clipboard(sentinel)
        return self._await_copy(sentinel, "the message's text on the clipboard", again=press_again)

    def read_box(self, app: App, box: str) -> str:
        """A box's whole text, as a person gets it: click in, select all, copy. An empty box
        copies nothing, so this is for boxes that hold something."""
        sentinel = f"<nothing copied {uuid.uuid4()}>"
        self.set_clipboard(sentinel)
        self.click(app, box)
        self.keys("ctrl+a", "ctrl+c")
        return self._await_copy(sentinel, f"the text of {box} on the clipboard")

    def fill_box(self, app: App, box: str, text: str, how: str = "type") -> None:
        """Replaces a box's text by typing or pasting, then checks that it arrived whole."""
        if how == "paste":
            self.set_clipboard(text)
        self.click(app, box)
        self.keys("ctrl+a")
        if how == "paste":
            self.keys("ctrl+v")
        else:
            self.type(text)
        self.assertEqual(self.read_box(app, box), text, f"{box} after {how}")

    def boxes(self, app: App) -> dict[str, str]:
        return {box: self.read_box(app, box) for box in ("txtEncrypt", "txtDecrypt", "txtResult")}

    def prop(self, window: int, name: str) -> str:
        return self.x.run("xprop", "-id", str(window), name).stdout.decode()

    def client_size(self, window: int) -> tuple[int, int]:
        info = self.x.run("xwininfo", "-id", str(window)).stdout.decode()
        return (int(re.search(r"Width: (\d+)", info)[1]), int(re.search(r"Height: (\d+)", info)[1]))

    # --- diagnostics ---------------------------------------------------------------------------

    def diagnose(self, label: str) -> None:
        lines = [f"--- diagnostics for {label} on display {self.x.display}"]
        lines.append(self.x.screenshot(ARTIFACTS / f"{label}.png"))
        try:
            lines.append(f"active window: {self.active_window()}")
            for app in self.apps:
                state = "running" if app.process.poll() is None else f"ended {app.process.returncode}"
                window = f"{app.window:#x}" if app.window else "not found"
                lines.append(f"kestrune pid {app.pid} ({state}), main window {window}")
                found = self.x.run("xdotool", "search", "--all", "--pid", str(app.pid),
                                   "--name", ".", check=False).stdout.split()
                for w in found:
                    name = self.x.run("xdotool", "getwindowname", w, check=False).stdout
                    viewable = "IsViewable" in self.x.run("xwininfo", "-id", w,
                                                          check=False).stdout.decode()
                    lines.append(f"  window {int(w):#x} {name.decode().strip()!r} "
                                 f"{'viewable' if viewable else 'not viewable'}")
                lines.append(f"  output: {app.output()!r}")
            lines.append(f"clipboard: {self.clipboard()!r}")
        except Exception as error:  # the diagnosis must not hide the failure it describes
            lines.append(f"(diagnostics stopped: {error})")
        print("\n".join(lines), file=sys.stderr)

    @contextlib.contextmanager
    def case(self, **params):
        """A subtest that saves the screen and the windows' state when it fails."""
        with self.subTest(**params):
            try:
                yield
            except BaseException:
                self.diagnose(f"{self.name}-" + "-".join(re.sub(r"[^A-Za-z0-9]+", "_", str(v))
                                                        for v in params.values()))
                raise

    # Failures outside any case() get the same diagnosis, while the display is still up.
    def _callTestMethod(self, method):
        try:
            method()
        except BaseException:
            self.diagnose(self.name)
            raise

    # --- tests ---------------------------------------------------------------------------------

    def test_window_is_fixed_titled_and_takes_typing_at_once(self):
        app = self.start()
        with self.case(check="title and size"):
            self.assertEqual(self.xdotool("getwindowname", str(app.window)).strip(), "Kestrune")
            self.assertIn('_NET_WM_NAME(UTF8_STRING) = "Kestrune"',
                          self.prop(app.window, "_NET_WM_NAME"))
            self.assertEqual(self.client_size(app.window), CLIENT_SIZE)
            hints = self.prop(app.window, "WM_NORMAL_HINTS")
            self.assertIn("program specified minimum size: 177 by 201", hints)
            self.assertIn("program specified maximum size: 177 by 201", hints)

        with self.case(check="no minimise or maximise"):
            values = re.search(r"= (.*)", self.prop(app.window, "_MOTIF_WM_HINTS"))
            self.assertIsNotNone(values, "no _MOTIF_WM_HINTS")
            flags, functions, decorations = (int(v, 16) for v in values[1].split(", ")[:3])
            self.assertTrue(flags & MWM_HINTS_FUNCTIONS and flags & MWM_HINTS_DECORATIONS)
            self.assertEqual(functions & (MWM_FUNC_ALL | MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE), 0)
            self.assertTrue(functions & MWM_FUNC_CLOSE)
            self.assertEqual(
                decorations & (MWM_DECOR_ALL | MWM_DECOR_MINIMIZE | MWM_DECOR_MAXIMIZE), 0)
            self.assertTrue(decorations & MWM_DECOR_MENU)
            # The window manager's own reading of the hints.
            allowed = self.prop(app.window, "_NET_WM_ALLOWED_ACTIONS")
            for action in ("_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                           "_NET_WM_ACTION_MAXIMIZE_VERT"):
                self.assertNotIn(action, allowed)
            self.assertIn("_NET_WM_ACTION_CLOSE", allowed)

        # Typing before any click lands in the first box.
        self.type("Hello, World!")
        self.click(app, "cmdEncrypt")
        with self.case(check="first typing goes to txtEncrypt"):
            self.assertEqual(self.read_box(app, "txtResult"), "Ebiil)\x1dTloia\x1e")
            self.assertEqual(self.read_box(app, "txtEncrypt"), "Hello, World!")

        for how, command in [
            ("resize request", ["xdotool", "windowsize", str(app.window), "300", "260"]),
            ("maximise request", ["wmctrl", "-i", "-r", hex(app.window),
                                  "-b", "add,maximized_vert,maximized_horz"]),
        ]:
            with self.case(check=how):
                self.x.run(*command)
                # Nothing to wait for when the request is refused; give a granted one its time.
                time.sleep(0.5)
                self.assertEqual(self.client_size(app.window), CLIENT_SIZE)

    def test_results_go_back_through_the_clipboard(self):
        app = self.start()
        # Outer spaces encrypt to U+001D, which stays; deciphered they are spaces again, trimmed.
        for text, how, back in [
            ("Hello, World and more", "type", "Hello, World and more"),
            ("  two  inner  spaces, and outer ones  ", "type", "two  inner  spaces, and outer ones"),
            ("Caf\u00e9 \u20ac5 na\u00efve \u00fcber", "paste",
             "Caf\u00e9 \u20ac5 na\u00efve \u00fcber"),
        ]:
            with self.case(text=text):
                self.fill_box(app, "txtEncrypt", text, how)
                self.click(app, "cmdEncrypt")
                encrypted = self.read_box(app, "txtResult")
                self.assertNotIn(" ", encrypted)
                self.assertEqual(len(encrypted), len(text))
                self.click(app, "txtResult")
                self.keys("ctrl+a", "ctrl+c")
                self.click(app, "txtDecrypt")
                self.keys("ctrl+a", "ctrl+v")
                self.click(app, "cmdDecrypt")
                self.assertEqual(self.read_box(app, "txtResult"), back)
                self.assertEqual(self.read_box(app, "txtDecrypt"), encrypted)
                self.assertEqual(self.read_box(app, "txtEncrypt"), text)

    def test_every_way_out_ends_with_status_0(self):
        for how in ["Quit button", "alt+F4", "wmctrl close"]:
            with self.case(how=how):
                app = self.start()
                self.fill_box(app, "txtEncrypt", "unsaved")
                if how == "Quit button":
                    self.click(app, "cmdQuit")
                elif how == "alt+F4":
                    self.keys("alt+F4")
                else:
                    self.x.run("wmctrl", "-i", "-c", hex(app.window))
                self.assertEqual(app.wait_for_exit(), 0, app.output())

    def test_refused_input_is_reported_and_every_box_kept(self):
        app = self.start()
        self.fill_box(app, "txtEncrypt", "Hello")
        self.click(app, "cmdEncrypt")
        self.fill_box(app, "txtDecrypt", "Ebiil")
        before = self.boxes(app)
        self.assertEqual(before["txtResult"], "Ebiil")

        for box, button, text, how, character, position in [
            ("txtEncrypt", "cmdEncrypt", "ab\u0416cd", "paste", "\u0416", 3),
            ("txtEncrypt", "cmdEncrypt", "ok \x01", "paste", "U+0001", 4),
            ("txtDecrypt", "cmdDecrypt", "Eb\u00ffil", "paste", "\u00ff", 3),
        ]:
            with self.case(text=text):
                kept = dict(before, **{box: text})
                self.fill_box(app, box, text, how)
                self.click(app, button)
                # windows() only finds windows titled Kestrune.
                boxes = wait_until(lambda: [w for w in app.windows() if w != app.window],
                                   STEP_TIMEOUT, "a message box")
                self.assertEqual(len(boxes), 1)
                message = boxes[0]
                self.assertIn(f"window id # {app.window:#x}",
                              self.prop(message, "WM_TRANSIENT_FOR"))
                self.wait_active(message)
                said = self.read_message(message)
                self.assertIn(character, said)
                self.assertRegex(said, rf"\bposition {position}\b")
                self.keys("Return")
                wait_until(lambda: app.windows() == [app.window], STEP_TIMEOUT,
                           "the message box to close")
                self.assertEqual(self.boxes(app), kept)
                self.fill_box(app, box, before[box])

        with self.case(check="goes on working"):
            self.click(app, "cmdDecrypt")
            self.assertEqual(self.read_box(app, "txtResult"), "Hello")

    def test_two_copies_run_independently(self):
        first = self.start()
        second = self.start()
        self.assertNotEqual(first.window, second.window)
        # Side by side, so no click lands on the other window.
        self.xdotool("windowmove", str(first.window), "40", "40")
        self.xdotool("windowmove", str(second.window), "400", "40")

        for app, text, encrypted in [(first, "Alpha one", ">ime^\x1dlkb"),
                                     (second, "Beta two", "?bq^\x1dqtl")]:
            with self.case(copy=text):
                self.activate(app)
                self.fill_box(app, "txtEncrypt", text)
                self.click(app, "cmdEncrypt")
                self.assertEqual(self.read_box(app, "txtResult"), encrypted)
        with self.case(check="neither touched the other"):
            self.activate(first)
            self.assertEqual(self.read_box(first, "txtEncrypt"), "Alpha one")
            self.assertEqual(self.read_box(first, "txtResult"), ">ime^\x1dlkb")

        with self.case(check="one quits, the other goes on"):
            self.click(first, "cmdQuit")
            self.assertEqual(first.wait_for_exit(), 0, first.output())
            self.activate(second)
            self.click(second, "txtResult")
            self.keys("ctrl+a", "ctrl+c")
            self.click(second, "txtDecrypt")
            self.keys("ctrl+v")
            self.click(second, "cmdDecrypt")
            self.assertEqual(self.read_box(second, "txtResult"), "Beta two")
            self.click(second, "cmdQuit")
            self.assertEqual(second.wait_for_exit(), 0, second.output())


def main() -> int:
    global PROGRAM, ARTIFACTS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", type=Path, required=True, help="the kestrune executable")
    parser.add_argument("--artifacts", type=Path, required=True,
                        help="folder for screenshots and logs")
    args, rest = parser.parse_known_args()
    PROGRAM = args.program.resolve()
    ARTIFACTS = args.artifacts.resolve()
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    program = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
