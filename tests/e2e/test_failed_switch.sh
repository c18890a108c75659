#!/usr/bin/env bash
# Page Down onto a port that has gone away: the box and standard error say why,
# the program stays on the device it had, and the next Page Down, once the port
# is back, lands on it with the instrument and the fine pitch.
source "$(dirname "$0")/e2e_lib.sh"
start_x
start_jack
MONITOR_PID=${PIDS[-1]}
start_program
switch_to_monitor

mark=$(midi_mark)
xdotool key Right key Right key Right  # +3 cents
expect_midi "$mark" "$(all_channels e0 '00 40'; all_channels e0 '00 40'; all_channels e0 '00 41')"

xdotool key Page_Up  # back to the built-in synthesizer
sleep 0.3
# The device list follows the ports as the server tells of them: Page Down at
# the moment the monitor goes finds its row still there only when the server's
# word comes after the key. When it came first, Page Down lands on the row after
# it; then the monitor comes back and it is tried again.
failed=""
for attempt in 1 2 3 4 5 6 7 8 9 10; do
  kill "$MONITOR_PID"
  xdotool key Page_Down
  wait_for 10 sh -c '! jack_lsp | grep -qx midi-monitor:input' || fail "the monitor stayed"
  if wait_for 3 grep -q '^Fail to open Midi out driver\.$' "$WORK/program.log"; then
    failed=yes
    break
  fi
  xdotool key Page_Up
  jack_midi_dump -a > /dev/null 2>&1 &
  MONITOR_PID=$!
  PIDS+=("$MONITOR_PID")
  wait_for 30 sh -c 'jack_lsp | grep -qx midi-monitor:input' || fail "no MIDI monitor"
  sleep 1
done
[ -n "$failed" ] || fail "no failure told"
grep -q '^midi-monitor:input: the port is gone\.$' "$WORK/program.log" || fail "no reason told"
accept_box
wait_for 5 sh -c "[ -z \"\$(xdotool search --onlyvisible --name '^Tastarion ' | grep -vx $WINDOW)\" ]" ||
  fail "the box stayed"
focus_program

# The monitor comes back under the same name; one Page Down reaches it again, so
# the program was still on device 0.
jack_midi_dump -a > "$WORK/midi.log" 2>&1 &
PIDS+=($!)
wait_for 30 sh -c 'jack_lsp | grep -qx midi-monitor:input' || fail "no MIDI monitor"
sleep 1  # for the device list to have it again
xdotool key Page_Down
expect_midi 1 "$(all_channels c0 00; all_channels e0 '00 41')"
xdotool key c
expect_midi 1 "$(all_channels c0 00; all_channels e0 '00 41'; echo '90 30 60'; echo '90 30 00')"
echo "ok"
