#!/usr/bin/env python3
"""A desktop's clipboard manager at its smallest, on $DISPLAY: it owns CLIPBOARD_MANAGER, prints
"ready", and when an ending program asks it to save the clipboard (SAVE_TARGETS), takes the text,
prints it and exits."""

import sys

import xcffib
import xcffib.xproto as xp

conn = xcffib.connect()
atom = {name: conn.core.InternAtom(False, len(name), name).reply().atom
        for name in ("CLIPBOARD", "CLIPBOARD_MANAGER", "SAVE_TARGETS", "UTF8_STRING", "SAVED")}
screen = conn.get_setup().roots[0]
window = conn.generate_id()
conn.core.CreateWindow(0, window, screen.root, 0, 0, 1, 1, 0, xp.WindowClass.InputOutput,
                       screen.root_visual, 0, [])
conn.core.SetSelectionOwner(window, atom["CLIPBOARD_MANAGER"], xp.Time.CurrentTime)
conn.flush()
print("ready", flush=True)
while True:
    event = conn.wait_for_event()
    if isinstance(event, xp.SelectionRequestEvent) and event.target == atom["SAVE_TARGETS"]:
        request = event
        conn.core.ConvertSelection(window, atom["CLIPBOARD"], atom["UTF8_STRING"], atom["SAVED"],
                                   event.time)
        conn.flush()
    elif isinstance(event, xp.SelectionNotifyEvent) and event.requestor == window:
        saved = conn.core.GetProperty(False, window, atom["SAVED"], xp.GetPropertyType.Any, 0,
                                      1 << 20).reply()
        sys.stdout.write(saved.value.buf().decode())
        # Tells the program the clipboard is saved, so it need not wait any longer.
        notify = xp.SelectionNotifyEvent.synthetic(request.time, request.requestor,
                                                   request.selection, request.target,
                                                   request.property)
        conn.core.SendEvent(False, request.requestor, 0, notify.pack())
        conn.flush()
        break
