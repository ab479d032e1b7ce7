#!/usr/bin/env python3
"""The smallest clipboard manager, on $DISPLAY: prints "ready", and when an ending program asks it
to save the clipboard (SAVE_TARGETS), prints the text and tells the program it is saved."""

import sys

import xcffib
import xcffib.xproto as xp

conn = xcffib.connect()
atom = {name: conn.core.InternAtom(False, len(name), name).reply().atom
        for name in ("CLIPBOARD", "CLIPBOARD_MANAGER", "UTF8_STRING", "SAVED")}
screen = conn.get_setup().roots[0]
window = conn.generate_id()
conn.core.CreateWindow(0, window, screen.root, 0, 0, 1, 1, 0, xp.WindowClass.InputOutput,
                       screen.root_visual, 0, [])
conn.core.SetSelectionOwner(window, atom["CLIPBOARD_MANAGER"], xp.Time.CurrentTime)
conn.flush()
print("ready", flush=True)
while not isinstance(request := conn.wait_for_event(), xp.SelectionRequestEvent):
    pass
conn.core.ConvertSelection(window, atom["CLIPBOARD"], atom["UTF8_STRING"], atom["SAVED"],
                           request.time)
conn.flush()
while not isinstance(conn.wait_for_event(), xp.SelectionNotifyEvent):  # the text is in SAVED
    pass
saved = conn.core.GetProperty(False, window, atom["SAVED"], xp.GetPropertyType.Any, 0, 1 << 20)
sys.stdout.write(saved.reply().value.buf().decode())
notify = xp.SelectionNotifyEvent.synthetic(request.time, request.requestor, request.selection,
                                           request.target, request.property)
conn.core.SendEvent(False, request.requestor, 0, notify.pack())
conn.flush()
