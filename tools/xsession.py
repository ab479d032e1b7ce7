"""A private X display with a window manager: Xvfb with openbox on it.

Used by the end-to-end tests and the start-up benchmark, so both see the program as a person's
desktop would: reparented into a frame, focused by the window manager, closed through it.
"""

import os
import select
import shutil
import subprocess
import tempfile
import time
from pathlib import Path


class XSessionError(RuntimeError):
    pass


def wait_until(predicate, timeout: float, what: str, interval: float = 0.05):
    """Polls predicate until it returns something truthy; raises after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class XSession:
    """Starts Xvfb on a free display and openbox on it; stop() or the with-block ends both."""

    def __init__(self, width: int = 1024, height: int = 768, log_dir: Path | None = None):
        self.width = width
        self.height = height
        self.log_dir = log_dir
        self.display = ""
        self.env: dict[str, str] = {}
        self._tmp: tempfile.TemporaryDirectory | None = None
        self._xvfb: subprocess.Popen | None = None
        self._openbox: subprocess.Popen | None = None

    def __enter__(self) -> "XSession":
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc) -> None:
        self.stop()

    def _log(self, name: str):
        if self.log_dir is None:
            return subprocess.DEVNULL
        self.log_dir.mkdir(parents=True, exist_ok=True)
        return open(self.log_dir / name, "wb")

    def start(self) -> None:
        for tool in ("Xvfb", "openbox", "xprop"):
            if shutil.which(tool) is None:
                raise XSessionError(f"{tool} is not installed (make deps installs it)")
        self._tmp = tempfile.TemporaryDirectory(prefix="kestrune-x-")
        tmp = Path(self._tmp.name)
        # Nobody's own settings may change what the window manager or Qt do here.
        (tmp / "config").mkdir()
        (tmp / "runtime").mkdir(mode=0o700)

        read_fd, write_fd = os.pipe()
        log = self._log("xvfb.log")
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                 f"{self.width}x{self.height}x24", "-dpi", "96", "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=log, start_new_session=True)
        finally:
            os.close(write_fd)
            if log is not subprocess.DEVNULL:
                log.close()
        try:
            number = self._read_display_number(read_fd, timeout=20)
        finally:
            os.close(read_fd)
        self.display = f":{number}"

        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "WAYLAND_", "XDG_")) and k != "XAUTHORITY"}
        env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                   XDG_CONFIG_HOME=str(tmp / "config"), XDG_RUNTIME_DIR=str(tmp / "runtime"))
        self.env = env

        log = self._log("openbox.log")
        try:
            self._openbox = subprocess.Popen(
                ["openbox", "--sm-disable"], env=env, stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=log, start_new_session=True)
        finally:
            if log is not subprocess.DEVNULL:
                log.close()
        # openbox announces itself on the root window once it manages the screen.
        wait_until(self._window_manager_ready, 20, "openbox to manage the screen")

    def _read_display_number(self, fd: int, timeout: float) -> str:
        deadline = time.monotonic() + timeout
        data = b""
        while not data.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or self._xvfb.poll() is not None:
                raise XSessionError(f"Xvfb did not start (exit status {self._xvfb.poll()})")
            ready, _, _ = select.select([fd], [], [], min(remaining, 0.5))
            if ready:
                chunk = os.read(fd, 64)
                if not chunk:
                    raise XSessionError(f"Xvfb closed its display pipe (status {self._xvfb.wait()})")
                data += chunk
        return data.decode().strip()

    def _window_manager_ready(self) -> bool:
        if self._openbox.poll() is not None:
            raise XSessionError(f"openbox exited with status {self._openbox.returncode}")
        out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                             capture_output=True, text=True, timeout=10).stdout
        return "window id" in out

    def run(self, *args: str, timeout: float = 10, check: bool = True,
            input: bytes | None = None) -> subprocess.CompletedProcess:
        """Runs an X client on this display and returns its completed process (output as bytes)."""
        return subprocess.run(list(args), env=self.env, capture_output=True, input=input,
                              timeout=timeout, check=check)

    def screenshot(self, path: Path) -> str:
        """Saves the whole screen as a PNG; returns a note of what happened, never raises."""
        if not self.display or shutil.which("import") is None:
            return "no screenshot: no display or ImageMagick's import is missing"
        try:
            path.parent.mkdir(parents=True, exist_ok=True)
            self.run("import", "-window", "root", str(path), timeout=20)
            return f"screenshot saved to {path}"
        except (subprocess.SubprocessError, OSError) as error:
            return f"no screenshot: {error}"

    def stop(self) -> None:
        for process in (self._openbox, self._xvfb):
            if process is None or process.poll() is not None:
                continue
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(timeout=5)
        self._openbox = self._xvfb = None
        if self._tmp is not None:
            self._tmp.cleanup()
            self._tmp = None
