#!/usr/bin/env python3
"""A MIDI keyboard on the JACK server: a client "e2e-keys" with one output port,
"e2e-keys:out", that sends what standard input says, a line at a time:

  90 3c 64      one event with these bytes (any bytes at all, one event)
  sleep 0.2     a pause in seconds
  flood N       N note-ons and note-offs as fast as the port takes them
  A; sleep 0.3; B   several of these in one line, timed here rather than by
                the shell that writes the lines

It prints "ready" once its port exists and "sent" after each line's events.
"""
import sys
import time

import rtmidi

out = rtmidi.MidiOut(rtmidi.API_UNIX_JACK, name="e2e-keys")
out.open_virtual_port("out")
print("ready", flush=True)



def play(words):
    if words[0] == "sleep":
        time.sleep(float(words[1]))
    elif words[0] == "flood":
        for i in range(int(words[1])):
            note = 30 + i % 60
            out.send_message([0x90 | (i % 16), note, 1 + i % 127])
            out.send_message([0x80 | (i % 16), note, 0])
            if i % 200 == 199:
                time.sleep(0.001)
    else:
        out.send_message([int(word, 16) for word in words])


for line in sys.stdin:
    for part in line.split(";"):
        if part.split():
            play(part.split())
    print("sent", flush=True)
time.sleep(0.3)
out.close_port()
