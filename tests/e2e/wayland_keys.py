#!/usr/bin/env python3
"""Presses keys on a Wayland compositor by their Linux key codes, as a real keyboard does.

Tools like wtype invent a keymap of their own, so the program would see made-up key
codes. This one hands the compositor the standard PC keymap through the virtual-keyboard
protocol and sends the evdev codes of the keys themselves.

The keyboard stays plugged in for as long as the script runs. A keyboard made for each
key press would come and go from the seat; each time it comes, a client has to ask for
it anew, and a key the compositor sends before that request reaches it is lost.

Usage: wayland_keys.py    prints "ready" once the keyboard exists, then reads lines of
ACTIONs separated by spaces from stdin, with ACTION one of  down:CODE  up:CODE  tap:CODE
sleep:SECONDS, and prints "done" when the compositor has taken a line. Ends at EOF.
Needs XDG_RUNTIME_DIR and WAYLAND_DISPLAY (a name there, or an absolute path).
"""
import array
import os
import socket
import struct
import sys
import time

KEYMAP = b"""xkb_keymap {
  xkb_keycodes { include "evdev+aliases(qwerty)" };
  xkb_types { include "complete" };
  xkb_compat { include "complete" };
  xkb_symbols { include "pc+us+inet(evdev)" };
};
\0"""
PRESSED, RELEASED = 1, 0


def string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


class Connection:
    def __init__(self):
        display = os.environ.get("WAYLAND_DISPLAY", "wayland-0")
        path = display if display.startswith("/") else os.path.join(
            os.environ["XDG_RUNTIME_DIR"], display)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.last_id = 1  # wl_display
        self.pending = b""

    def new_id(self):
        self.last_id += 1
        return self.last_id

    def send(self, obj, opcode, payload=b"", fds=()):
        message = struct.pack("<II", obj, (8 + len(payload)) << 16 | opcode) + payload
        ancillary = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, array.array("i", fds))] if fds else []
        self.sock.sendmsg([message], ancillary)

    def roundtrip(self):
        """Every event up to the answer of a sync, as (object, opcode, payload)."""
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        events = []
        while True:
            while len(self.pending) < 8 or len(self.pending) < self.size():
                data = self.sock.recv(65536)
                if not data:
                    sys.exit("the compositor closed the connection")
                self.pending += data
            size = self.size()
            obj, word = struct.unpack_from("<II", self.pending)
            payload, self.pending = self.pending[8:size], self.pending[size:]
            if obj == 1 and word & 0xFFFF == 0:  # wl_display.error
                sys.exit("protocol error: " + payload[12:].split(b"\0")[0].decode())
            if obj == callback:
                return events
            events.append((obj, word & 0xFFFF, payload))

    def size(self):
        return struct.unpack_from("<II", self.pending)[1] >> 16


def globals_of(events, registry):
    found = {}
    for obj, opcode, payload in events:
        if obj == registry and opcode == 0:  # wl_registry.global
            name, length = struct.unpack_from("<II", payload)
            interface = payload[8:8 + length - 1].decode()
            found[interface] = name
    return found


def main():
    wl = Connection()
    registry = wl.new_id()
    wl.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
    found = globals_of(wl.roundtrip(), registry)
    manager_name = found.get("zwp_virtual_keyboard_manager_v1")
    if manager_name is None or "wl_seat" not in found:
        sys.exit("the compositor offers no virtual keyboard")

    def bind(interface, name):
        new = wl.new_id()
        wl.send(registry, 0, struct.pack("<I", name) + string(interface) + struct.pack("<II", 1, new))
        return new

    seat = bind("wl_seat", found["wl_seat"])
    manager = bind("zwp_virtual_keyboard_manager_v1", manager_name)
    keyboard = wl.new_id()
    wl.send(manager, 0, struct.pack("<II", seat, keyboard))  # create_virtual_keyboard
    fd = os.memfd_create("keymap")
    os.write(fd, KEYMAP)
    wl.send(keyboard, 0, struct.pack("<II", 1, len(KEYMAP)), fds=[fd])  # keymap, xkb v1
    os.close(fd)
    wl.roundtrip()

    def key(code, state):
        now = int(time.monotonic() * 1000) & 0xFFFFFFFF
        wl.send(keyboard, 1, struct.pack("<III", now, code, state))
        wl.roundtrip()

    print("ready", flush=True)
    for line in sys.stdin:
        for action in line.split():
            verb, _, value = action.partition(":")
            if verb == "sleep":
                time.sleep(float(value))
            elif verb in ("down", "up", "tap"):
                if verb != "up":
                    key(int(value), PRESSED)
                if verb == "tap":
                    time.sleep(0.05)
                if verb != "down":
                    key(int(value), RELEASED)
            else:
                sys.exit(f"unknown action {action}")
        print("done", flush=True)
    wl.send(keyboard, 3)  # destroy
    wl.roundtrip()


if __name__ == "__main__":
    main()
