"""Private desktops, each lasting as long as its with block, on which the tests, the benchmark and
the screenshots see the program as a person would: XSession, Xvfb with openbox, and WaylandSession,
sway's headless backend. Windows are named by the desktop's id, points are in logical pixels."""

import contextlib
import json
import os
import pwd
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
    def tried():
        action()
        with contextlib.suppress(TimeoutError):
            return wait_until(effect, patience, what)

    return wait_until(tried, timeout, what, 0)


class Session:
    def __init__(self, log_dir: Path | None = None):
        self.log_dir, self._stack = log_dir, contextlib.ExitStack()

    def _spawn(self, name: str, *command: str, **options) -> None:  # ended, the last first
        with open(self.log_dir / f"{name}.log" if self.log_dir else os.devnull, "wb") as log:
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                       start_new_session=True, **options)
        self._stack.callback(process.wait, timeout=10)
        self._stack.callback(process.terminate)

    def __enter__(self):
        with self._stack as stack:  # all undone if the desktop cannot start
            self.tmp = Path(stack.enter_context(tempfile.TemporaryDirectory(prefix="kestrune-")))
            # Nobody's own settings may change what the desktop or Qt do here.
            self.env = {k: v for k, v in os.environ.items() if not k.startswith(
                ("QT_", "WAYLAND_", "XDG_", "SWAY")) and k not in ("DISPLAY", "XAUTHORITY")}
            self.env.update(XDG_CONFIG_HOME=str(self.tmp), XDG_RUNTIME_DIR=str(self.tmp))
            self._start()
            self._stack = stack.pop_all()
        return self

    def run(self, *args: str, timeout: float = 30, **options) -> subprocess.CompletedProcess:
        """Runs a client of this desktop; output as bytes."""
        return subprocess.run(args, env=self.env, capture_output=True, timeout=timeout, **options)

    def out(self, *args: str) -> str:
        return self.run(*args).stdout.decode().strip()

    def size(self, window: str) -> str:  # in the screen's pixels, as the picture has them
        return self.picture(window, "-format", "%wx%h", "info:").decode()

    def clipboard(self, text: str | None = None) -> str:
        """The clipboard's text, once set to text if given, again if Wine, late with an earlier
        copy, takes it back. The copying tool stays to serve it, so it must not hold our pipes."""
        wait_until(lambda: text is None or subprocess.run(
            self.COPY, env=self.env, input=text.encode(), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, timeout=10) and self.clipboard() == text, 30, "a copy", 0.5)
        return self.run(*self.PASTE).stdout.decode()

    def __exit__(self, *exc) -> None:
        self._stack.close()


class XSession(Session):
    COPY, PASTE = (("xclip", "-selection", "clipboard", way) for way in ("-i", "-o"))

    def _start(self) -> None:
        read_fd, write_fd = os.pipe()
        self._spawn("xvfb", "Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                    "-dpi", "96", "-nolisten", "tcp", "-noreset", pass_fds=(write_fd,))
        os.close(write_fd)  # Xvfb writes its display's number once it listens
        self.env.update(DISPLAY=":" + os.fdopen(read_fd).readline().strip(), QT_QPA_PLATFORM="xcb")
        self._spawn("openbox", "openbox", "--sm-disable", env=self.env)
        wait_until(lambda: b"window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
                   .stdout, 20, "openbox to manage the screen")

    def windows(self) -> list[str]:  # titled Kestrune, whichever process shows them
        return self.out("xdotool", "search", "--onlyvisible", "--name", "^Kestrune$").split()

    def focused(self) -> str:
        return self.out("xdotool", "getactivewindow")

    def owner(self, window: str) -> str | None:  # the window a dialog belongs to, or ""
        owner = self.out("xprop", "-id", window, "WM_TRANSIENT_FOR").split()[-1]
        return str(int(owner, 16)) if owner.startswith("0x") else ""

    def picture(self, window: str, *args: str) -> bytes:  # through ImageMagick's args, 8-bit
        return self.run("import", "-window", window, "-depth", "8", *args).stdout

    def screenshot(self, path: Path) -> None:
        self.run("import", "-window", "root", path)

    def click(self, window: str, x: int, y: int) -> None:
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1")

    def keys(self, *keys: str) -> None:  # as xdotool names them: "ctrl+a", "shift+Tab"
        self.run("xdotool", "key", *keys)

    def type(self, text: str) -> None:
        self.run("xdotool", "type", "--delay", "30", text)

    def close(self, window: str) -> None:
        self.run("wmctrl", "-i", "-c", window)


class WaylandSession(Session):
    """sway will not run as root, so as root it runs as nobody, in a runtime folder of its own that
    the clients, with their own, reach by its absolute path."""
    COPY, PASTE = ("wl-copy",), ("wl-paste", "-n")

    def _start(self) -> None:
        os.chmod(self.tmp, 0o711)  # for sway's folder in it; the clients' own stays private
        (client := self.tmp / "client").mkdir(mode=0o700)
        (runtime := self.tmp / "sway").mkdir(mode=0o700)
        self.env.update(XDG_RUNTIME_DIR=str(client))
        (config := runtime / "config").write_text("output HEADLESS-1 resolution 1024x768\n"
                                                  "xwayland disable\nseat seat0 hide_cursor 100\n")
        command = ["sway", "-c", str(config)]
        if os.getuid() == 0:
            nobody = pwd.getpwnam("nobody")
            os.chown(runtime, nobody.pw_uid, nobody.pw_gid)
            command[:0] = ["setpriv", f"--reuid={nobody.pw_uid}", f"--regid={nobody.pw_gid}",
                           "--clear-groups"]
        self._spawn("sway", *command, env=dict(
            self.env, XDG_RUNTIME_DIR=str(runtime), WLR_BACKENDS="headless",
            WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman"))
        sockets = lambda: [*runtime.glob("wayland-*[0-9]"), *runtime.glob("sway-ipc.*")]  # noqa
        display, ipc = wait_until(lambda: len(sockets()) == 2 and sockets(), 20, "sway's sockets")
        self.env.update(WAYLAND_DISPLAY=str(display), SWAYSOCK=str(ipc), QT_QPA_PLATFORM="wayland")
        # A seat without a pointer device gives programs no pointer: wayvnc brings a virtual one,
        # which swaymsg's cursor commands then move and press.
        self._spawn("wayvnc", "wayvnc", "-u", str(self.tmp / "vnc"), env=self.env)
        wait_until(lambda: b'"pointer"' in self.run("swaymsg", "-t", "get_seats").stdout, 20,
                   "wayvnc's pointer")

    def _views(self, node: dict | None = None) -> list[dict]:  # the top-level windows
        node = node or json.loads(self.run("swaymsg", "-t", "get_tree").stdout)
        return ([node] if node.get("pid") else []) + [
            view for child in node["nodes"] + node["floating_nodes"] for view in self._views(child)]

    def _rect(self, window: str) -> tuple[int, int, int, int]:
        view = next(view for view in self._views() if str(view["id"]) == window)
        outer, inner = view["rect"], view["window_rect"]
        return outer["x"] + inner["x"], outer["y"] + inner["y"], inner["width"], inner["height"]

    def windows(self) -> list[str]:  # the oldest first
        return [str(v["id"]) for v in sorted(self._views(), key=lambda v: v["id"])
                if v["name"] == "Kestrune"]

    def focused(self) -> str:
        return next((str(view["id"]) for view in self._views() if view["focused"]), "")

    def owner(self, window: str) -> str | None:
        """sway does not say which window a dialog belongs to."""

    def picture(self, window: str, *args: str) -> bytes:  # with Qt's own frame if it draws one
        x, y, width, height = self._rect(window)
        ppm = self.run("grim", "-t", "ppm", "-g", f"{x},{y} {width}x{height}", "-").stdout
        return self.run("convert", "ppm:-", "-depth", "8", *args, input=ppm).stdout

    def screenshot(self, path: Path) -> None:
        self.run("grim", path)

    def click(self, window: str, x: int, y: int) -> None:
        left, top, *_ = self._rect(window)
        self.run("swaymsg", f"seat seat0 cursor set {left + x} {top + y}; seat seat0 cursor press"
                 " button1; seat seat0 cursor release button1")

    def keys(self, *keys: str) -> None:  # "ctrl+a" is wtype's -M ctrl -k a -m ctrl
        args = []
        for *modifiers, key in (key.split("+") for key in keys):
            args += [*(a for m in modifiers for a in ("-M", m)), "-k", key,
                     *(a for m in modifiers for a in ("-m", m))]
        self.run("wtype", *args)

    def type(self, text: str) -> None:
        self.run("wtype", "-d", "30", text)

    def close(self, window: str) -> None:
        self.run("swaymsg", f"[con_id={window}] kill")
