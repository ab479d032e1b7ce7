"""Starts a program on an X display and measures, from just before the spawn, the time until the
window manager maps its window; then its resident memory once it is shown and idle.

A window manager reparents a client's window into its frame before mapping it, so the root's
SubstructureNotify misses that MapNotify: each new top-level window is watched itself
(StructureNotify) from its CreateNotify on, and the first map of one whose _NET_WM_PID is the
child's ends the wait."""

import select
import subprocess
import time

import psutil
import xcffib
import xcffib.xproto as xp

MAP_TIMEOUT = 30.0
SETTLE_LIMIT = 10.0
QUIET_SPAN = 0.3  # idle: the process used no CPU time over this span


def _wait_for_map(conn: xcffib.Connection, root: int, child: subprocess.Popen, start: float):
    net_wm_pid = conn.core.InternAtom(False, len("_NET_WM_PID"), "_NET_WM_PID").reply().atom
    watched = set()

    def ours(window: int) -> bool:
        try:
            pid = conn.core.GetProperty(False, window, net_wm_pid, xp.Atom.CARDINAL, 0, 1).reply()
        except xcffib.ProtocolException:  # the window is gone
            return False
        return pid.format == 32 and pid.value_len == 1 and pid.value.to_atoms()[0] == child.pid

    while True:
        if time.perf_counter() - start > MAP_TIMEOUT:
            raise RuntimeError(f"no window of the program was mapped within {MAP_TIMEOUT:.0f} s")
        if child.poll() is not None:
            raise RuntimeError("the program ended before its window was mapped")
        event = conn.poll_for_event()
        if event is None:
            conn.invalid()  # raises if the connection was lost
            select.select([conn.get_file_descriptor()], [], [], 0.1)
            continue
        seen = time.perf_counter()
        if isinstance(event, xp.CreateNotifyEvent):
            if event.parent == root and not event.override_redirect:
                watched.add(event.window)
                conn.core.ChangeWindowAttributes(event.window, xp.CW.EventMask,
                                                 [xp.EventMask.StructureNotify])
                # Mapped before the selection took hold: rare, and then late by one round trip.
                attributes = conn.core.GetWindowAttributes(event.window).reply()
                if attributes.map_state != xp.MapState.Unmapped and ours(event.window):
                    return time.perf_counter()
        elif isinstance(event, xp.MapNotifyEvent):
            if event.window in watched and ours(event.window):
                return seen


def _idle_rss_kib(process: psutil.Process) -> int:
    """Resident memory once no CPU time was used over a quiet span, so the first paint is done."""
    deadline, ticks = time.perf_counter() + SETTLE_LIMIT, None
    while (now := sum(process.cpu_times()[:2])) != ticks and time.perf_counter() < deadline:
        ticks = now
        time.sleep(QUIET_SPAN)
    return process.memory_info().rss // 1024


def probe(env: dict, command: list[str]) -> dict:
    """Runs command on env's DISPLAY and returns {"map_ms", "rss_kib"}."""
    conn = xcffib.connect(display=env["DISPLAY"])
    child = None
    try:
        root = conn.get_setup().roots[0].root
        conn.core.ChangeWindowAttributes(root, xp.CW.EventMask,
                                         [xp.EventMask.SubstructureNotify])
        # A round trip, so the selection is in force before the child can create anything.
        conn.core.GetInputFocus().reply()
        start = time.perf_counter()
        child = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        mapped = _wait_for_map(conn, root, child, start)
        try:
            rss_kib = _idle_rss_kib(psutil.Process(child.pid))
        except psutil.NoSuchProcess:
            raise RuntimeError("the program ended while settling") from None
        return {"map_ms": (mapped - start) * 1000, "rss_kib": rss_kib}
    finally:
        if child is not None:
            child.kill()
            child.wait()
        conn.disconnect()
