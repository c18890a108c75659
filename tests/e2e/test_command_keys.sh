#!/usr/bin/env bash
# The arrow, Insert/Delete, Home/End and page keys change the settings and the device;
# Num Lock leaves the program running; Pause ends it and silences what still sounds.
source "$(dirname "$0")/e2e_lib.sh"
start_all

mark=$(midi_mark)
xdotool key Up key c
expect_midi "$mark" "90 30 6c
90 30 00"

mark=$(midi_mark)
xdotool key Down key Down key Insert key c
expect_midi "$mark" "90 31 54
90 31 00"

mark=$(midi_mark)
xdotool key Delete key Delete key c
expect_midi "$mark" "90 2f 54
90 2f 00"

mark=$(midi_mark)
xdotool key Right
expect_midi "$mark" "$(all_channels e0 '00 40')"

mark=$(midi_mark)
xdotool key End
expect_midi "$mark" "$(all_channels c0 06)"

# Page Up goes back to the built-in synthesizer: the monitor hears nothing more,
# not even the note; Page Down comes back with the current instrument and fine pitch.
mark=$(midi_mark)
xdotool key Page_Up key c
sleep 0.5
xdotool key Page_Down
expect_midi "$mark" "$(all_channels c0 06; all_channels e0 '00 40')"

mark=$(midi_mark)
xdotool key Num_Lock
sleep 0.5
kill -0 "$PROGRAM_PID" || fail "Num Lock ended the program"
xdotool key Num_Lock

# Focus going to another application releases the held key (transposed down by one
# now). The switch comes well before X starts repeating the key.
if command -v xmessage > /dev/null; then
  xmessage -name other-application "another application" &
  PIDS+=($!)
  other=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --classname other-application) ||
    fail "xmessage did not show"
  focus_program
  mark=$(midi_mark)
  xdotool keydown c
  wait_for 10 sh -c "tail -n +$mark '$WORK/midi.log' | grep -q ': 90 2f 54'" || fail "c did not sound"
  xdotool windowfocus "$other"
  expect_midi "$mark" "90 2f 54
90 2f 00"
  xdotool keyup c
  sleep 0.3
  [ "$(midi_since "$mark")" = "90 2f 54
90 2f 00" ] || fail "a late release sent more"
  focus_program
fi

mark=$(midi_mark)
xdotool keydown v
wait_for 10 sh -c "tail -n +$mark '$WORK/midi.log' | grep -q ': 90 31 54'" || fail "v did not sound"
xdotool key Pause
status=0
timeout 20 tail --pid="$PROGRAM_PID" -f /dev/null || fail "Pause did not end the program"
wait "$PROGRAM_PID" || status=$?
xdotool keyup v
[ "$status" -eq 0 ] || fail "exit status $status"
expect_midi "$mark" "90 31 54
90 31 00"
echo "ok"
