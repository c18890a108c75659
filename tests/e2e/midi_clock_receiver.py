#!/usr/bin/env python3
"""A MIDI receiver on the JACK server that stamps what it hears with the
system's clock rather than the server's frames (the dummy server's frame count
loses time on a loaded machine): a client "e2e-clock" with one input port,
"e2e-clock:in". It prints "ready" once its port exists, then one line per
message: milliseconds since the first message, and the bytes in hexadecimal.
"""
import sys
import time

import rtmidi

seen = {"first": None, "total": 0.0}


def heard(event, _data):
    message, delta = event
    # RtMidi's deltas come from the JACK clock, the system's monotonic clock.
    if seen["first"] is None:
        seen["first"] = 0.0
    else:
        seen["total"] += delta
    print("%.1f %s" % (seen["total"] * 1000, " ".join("%02x" % b for b in message)), flush=True)


port = rtmidi.MidiIn(rtmidi.API_UNIX_JACK, name="e2e-clock")
port.ignore_types(sysex=False, timing=False, active_sense=False)
port.set_callback(heard)
port.open_virtual_port("in")
print("ready", flush=True)
try:
    while True:
        time.sleep(1)
except KeyboardInterrupt:
    pass
