#!/usr/bin/python3
"""Walks one program's windows on the AT-SPI accessibility bus, as a screen reader would see them,
and lists every control a user can press or check that has no name.

    unnamed_controls.py --pid PID --window TITLE [--window TITLE ...] [--timeout SECONDS]
    unnamed_controls.py --pid PID --popup TITLE [--timeout SECONDS]

Waits until the program shows each named window (a window's name starts with TITLE), then prints
one line per control of those windows: "<role>\t<name>\t<path>", and "UNNAMED ..." for each one
without a name. Exits 0 when every control is named, 1 when one is not, 2 when a window never
appeared or holds no control at all (so a tree that failed to reach the bus never passes).

A popup is not among its program's windows on the bus (Qt leaves popups out; screen readers meet
them through their events): with --popup the walker prints "READY" once it listens, and walks the
first window named TITLE that an event of the program comes from (its focus moving, say).
"""

import argparse
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

CONTROLS = {
    Atspi.Role.PUSH_BUTTON: "push button",
    Atspi.Role.PUSH_BUTTON_MENU: "menu button",
    Atspi.Role.TOGGLE_BUTTON: "toggle button",
    Atspi.Role.CHECK_BOX: "check box",
    Atspi.Role.RADIO_BUTTON: "radio button",
    Atspi.Role.COMBO_BOX: "combo box",
    Atspi.Role.MENU_ITEM: "menu item",
}
# Deep enough for any window of ours; a cycle in a broken tree must not hang the walk.
MAX_DEPTH = 40


def application(pid):
    desktop = Atspi.get_desktop(0)
    # libatspi caches what it read, and this walker listens to no events that would refresh it: a
    # window that appeared since the last look would stay unseen.
    desktop.clear_cache()
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is not None and app.get_process_id() == pid:
                app.clear_cache()
                return app
        except GLib.Error:
            continue
    return None


def windows(app, titles):
    found = {}
    for i in range(app.get_child_count()):
        window = app.get_child_at_index(i)
        name = window.get_name() or ""
        for title in titles:
            if name.startswith(title) and title not in found:
                found[title] = window
    return found


def visible(node):
    states = node.get_state_set()
    return states.contains(Atspi.StateType.VISIBLE)


def walk(node, path, depth, out):
    if depth > MAX_DEPTH or not visible(node):
        return
    role = node.get_role()
    if role in CONTROLS:
        out.append((CONTROLS[role], (node.get_name() or "").strip(), path))
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, f"{path}/{child.get_role_name()}[{i}]", depth + 1, out)


def top_window(node):
    """The window `node` lies in: its ancestor just below the application."""
    for _ in range(MAX_DEPTH):
        parent = node.get_parent()
        if parent is None or parent.get_role() == Atspi.Role.APPLICATION:
            return node
        node = parent
    return None


def popup(pid, title, timeout):
    found = []

    def on_event(event):
        try:
            source = event.source
            if found or source is None or source.get_process_id() != pid:
                return
            window = top_window(source)
            if window is not None and (window.get_name() or "").startswith(title):
                found.append(window)
                Atspi.event_quit()
        except GLib.Error:
            pass

    listener = Atspi.EventListener.new(on_event)
    for kind in ("object:state-changed:focused", "object:state-changed:showing", "window:activate", "window:create"):
        listener.register(kind)
    GLib.timeout_add(int(timeout * 1000), lambda: Atspi.event_quit() or False)
    print("READY", flush=True)
    Atspi.event_main()
    return found[0] if found else None


def report(found):
    status = 0
    for title, window in found.items():
        controls = []
        walk(window, title, 0, controls)
        if not controls:
            print(f"NO CONTROLS\t{title}")
            status = 2
        for role, name, path in controls:
            print(("UNNAMED\t" if not name else "") + f"{role}\t{name}\t{path}")
            if not name and status == 0:
                status = 1
    return status


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--window", action="append")
    parser.add_argument("--popup")
    parser.add_argument("--timeout", type=float, default=20)
    args = parser.parse_args()
    if bool(args.window) == bool(args.popup):
        parser.error("give --window or --popup")

    if args.popup:
        window = popup(args.pid, args.popup, args.timeout)
        if window is None:
            print(f"MISSING POPUP\t{args.popup}")
            return 2
        return report({args.popup: window})

    deadline = time.monotonic() + args.timeout
    found = {}
    app = None
    while time.monotonic() < deadline:
        app = application(args.pid)
        if app is not None:
            found = windows(app, args.window)
            if len(found) == len(args.window):
                break
        time.sleep(0.2)
    missing = [t for t in args.window if t not in found]
    if missing:
        print("MISSING WINDOW\t" + "\t".join(missing))
        if app is None:
            print("the program is not on the accessibility bus")
        else:
            names = [app.get_child_at_index(i).get_name() for i in range(app.get_child_count())]
            print("its windows: " + ", ".join(repr(n) for n in names))
        return 2

    return report(found)


if __name__ == "__main__":
    sys.exit(main())
