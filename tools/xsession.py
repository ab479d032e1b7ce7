"""A private X display with a window manager, Xvfb with openbox on it, so that the end-to-end tests
and the start-up benchmark see the program as a desktop would: framed, focused and closed by it.
An XSession is a context: the display lasts as long as the with block."""

import os
import contextlib
import subprocess
import tempfile
import time
from pathlib import Path


def wait_until(predicate, timeout: float, what: str, interval: float = 0.05):
    """Polls predicate until it returns something truthy, and returns that; raises on timeout."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)
    return value


def repeat_until(action, effect, timeout: float, what: str, patience: float = 10):
    """Does action, and again whenever effect has not come true within patience seconds, since an
    input sent while the program is busy or not yet listening can be lost; returns the effect."""
    deadline = time.monotonic() + timeout
    while True:
        action()
        with contextlib.suppress(TimeoutError):
            return wait_until(effect, min(patience, deadline - time.monotonic()), what)
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout:.0f} s waiting for {what}")


class XSession:
    def __init__(self, log_dir: Path | None = None):
        self.log_dir, self.env, self._processes = log_dir, {}, []

    def _spawn(self, name: str, *command: str, **options) -> None:
        with open(self.log_dir / f"{name}.log" if self.log_dir else os.devnull, "wb") as log:
            self._processes.append(subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log,
                                                    stderr=log, start_new_session=True, **options))

    def __enter__(self) -> "XSession":
        self._tmp = tempfile.TemporaryDirectory(prefix="kestrune-x-")
        read_fd, write_fd = os.pipe()
        self._spawn("xvfb", "Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                    "-dpi", "96", "-nolisten", "tcp", "-noreset", pass_fds=(write_fd,))
        os.close(write_fd)
        display = ":" + os.fdopen(read_fd).readline().strip()  # written once Xvfb listens
        # Nobody's own settings may change what the window manager or Qt do here.
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("QT_", "WAYLAND_", "XDG_")) and k != "XAUTHORITY"}
        self.env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=self._tmp.name,
                        XDG_RUNTIME_DIR=self._tmp.name)
        self._spawn("openbox", "openbox", "--sm-disable", env=self.env)
        wait_until(lambda: b"window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
                   .stdout, 20, "openbox to manage the screen")
        return self

    def run(self, *args: str, timeout: float = 30) -> subprocess.CompletedProcess:
        """Runs an X client on this display; output as bytes."""
        return subprocess.run(args, env=self.env, capture_output=True, timeout=timeout)

    def __exit__(self, *exc) -> None:
        for process in reversed(self._processes):
            process.terminate()
            process.wait(timeout=10)
        self._tmp.cleanup()
