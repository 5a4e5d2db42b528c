#!/usr/bin/env python3
"""A clipboard manager as desktops run one: it owns CLIPBOARD_MANAGER, and when a
program that is quitting asks it to SAVE_TARGETS, it copies the clipboard's text
and serves it itself from then on. Prints "ready" once it owns the selection."""
import sys

from Xlib import X, Xatom, display
from Xlib.protocol import event


def main():
    d = display.Display()
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    atom = lambda name: d.intern_atom(name)  # noqa: E731
    manager, clipboard, save, targets = atom("CLIPBOARD_MANAGER"), atom("CLIPBOARD"), atom("SAVE_TARGETS"), atom("TARGETS")
    utf8, incoming = atom("UTF8_STRING"), atom("RAMTIDY_TEST_INCOMING")
    window.set_selection_owner(manager, X.CurrentTime)
    d.flush()
    print("ready", flush=True)
    saved = None
    pending = None  # the SAVE_TARGETS request being served
    while True:
        e = d.next_event()
        if e.type == X.SelectionRequest and e.selection == manager and e.target == save:
            pending = e
            window.convert_selection(clipboard, utf8, incoming, X.CurrentTime)
            d.flush()
        elif e.type == X.SelectionNotify and pending is not None:
            if e.property != X.NONE:
                saved = window.get_full_property(incoming, X.AnyPropertyType).value
                window.set_selection_owner(clipboard, X.CurrentTime)
            reply = event.SelectionNotify(time=pending.time, requestor=pending.requestor, selection=pending.selection,
                                          target=pending.target, property=pending.property if saved else X.NONE)
            pending.requestor.send_event(reply)
            d.flush()
            pending = None
        elif e.type == X.SelectionRequest and e.selection == clipboard and saved is not None:
            prop = e.property or e.target
            if e.target == targets:
                e.requestor.change_property(prop, Xatom.ATOM, 32, [targets, utf8])
            elif e.target == utf8:
                e.requestor.change_property(prop, utf8, 8, saved)
            else:
                prop = X.NONE
            e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                                         target=e.target, property=prop))
            d.flush()


if __name__ == "__main__":
    sys.exit(main())
