#!/usr/bin/env bash
# Real X11 key events from xdotool reach the JACK monitor as note-ons and note-offs.
source "$(dirname "$0")/e2e_lib.sh"
start_all

mark=$(midi_mark)
xdotool key c
expect_midi "$mark" "90 30 60
90 30 00"

# A held key repeats under X11; only its first press and its last release count.
mark=$(midi_mark)
xdotool keydown v
sleep 1
xdotool keyup v
expect_midi "$mark" "90 32 60
90 32 00"

# A chord takes one channel per note.
mark=$(midi_mark)
xdotool keydown c keydown v keydown slash
xdotool keyup c keyup v keyup slash
expect_midi "$mark" "90 30 60
91 32 60
92 3c 60
90 30 00
91 32 00
92 3c 00"

# Tab, Shift and Return are piano keys; the window must not take them for itself.
mark=$(midi_mark)
xdotool key Tab key Shift_L key Return
expect_midi "$mark" "90 3e 60
90 3e 00
90 2b 60
90 2b 00
90 54 60
90 54 00"

# Ended by a signal, the program still silences what it left sounding.
mark=$(midi_mark)
xdotool keydown c
wait_for 10 sh -c "tail -n +$mark '$WORK/midi.log' | grep -q ': 90 30 60'" || fail "c did not sound"
kill -TERM "$PROGRAM_PID"
status=0
timeout 20 tail --pid="$PROGRAM_PID" -f /dev/null || fail "SIGTERM did not end the program"
wait "$PROGRAM_PID" || status=$?
xdotool keyup c
[ "$status" -eq 0 ] || fail "exit status $status"
expect_midi "$mark" "90 30 60
90 30 00"
echo "ok"
