#!/usr/bin/env bash
# The JACK server ended (SIGTERM) or killed (SIGKILL) and started again, under
# a JACK receiver, under the program's own port and under device 0 playing
# through JACK: the program says the device went away, lives on, lists the
# ports again when the server is back, plays on them, and ends cleanly.
source "$(dirname "$0")/e2e_lib.sh"
start_x
start_jack
JACKD_PID=${PIDS[-2]}
MONITOR_PID=${PIDS[-1]}
start_program

# Answers every box over the main window (the failure of device 0, then the
# word that the device went away), until none is left.
accept_boxes() {
  local box tries
  for tries in 1 2 3 4 5 6; do
    sleep 0.5
    box=$(xdotool search --onlyvisible --name '^Tastarion ' | grep -vx "$WINDOW" | head -n1 || true)
    [ -n "$box" ] || return 0
    accept_box
  done
  fail "the boxes did not go"
}

alive() {
  kill -0 "$PROGRAM_PID" 2> /dev/null || {
    wait "$PROGRAM_PID" || echo "exit status $?"
    fail "the program died $*"
  }
}

# Ends the server with signal $1, checks the program through it, starts the
# server and its monitor again.
server_lost() {
  local signal=$1 gone_before
  gone_before=$(grep -c 'went away' "$WORK/program.log" || true)
  kill "-$signal" "$JACKD_PID"
  kill "$MONITOR_PID" 2> /dev/null || true
  wait_for 10 sh -c "! kill -0 $JACKD_PID" || fail "jackd did not end"
  if [ "${2:-}" = told ]; then
    # Device 0 has no sound server now either: its failure box comes first.
    local deadline=$((SECONDS + 15))
    until [ "$(grep -c 'went away' "$WORK/program.log")" -gt "$gone_before" ]; do
      [ "$SECONDS" -lt "$deadline" ] || fail "nobody said the device went away ($signal)"
      accept_boxes
    done
    accept_boxes
  fi
  sleep 1  # the port watch looks for the lost server again meanwhile
  alive "when the server got $signal"
  jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 64 >> "$WORK/jackd.log" 2>&1 &
  JACKD_PID=$!
  PIDS+=("$JACKD_PID")
  wait_for 30 jack_lsp || fail "jackd did not start again"
  jack_midi_dump -a > "$WORK/midi.log" 2>&1 &
  MONITOR_PID=$!
  PIDS+=("$MONITOR_PID")
  wait_for 30 sh -c 'jack_lsp | grep -qx midi-monitor:input' || fail "no MIDI monitor"
  alive "when the server came back after $signal"
  focus_program
}

plays_c() {
  local mark
  mark=$(midi_mark)
  xdotool key c
  expect_midi "$mark" "90 30 60
90 30 00"
}

# Device 0 plays through JACK (no other sound server here) while the server
# goes and comes back; the port watch reopens its client in between.
wait_for 30 sh -c 'jack_lsp | grep -q "^Tastarion-synth:"' || fail "device 0 did not open on JACK"
server_lost TERM
switch_to_monitor  # the list has the ports again
plays_c

# Under the receiver, twice, by either signal.
for signal in TERM KILL; do
  server_lost "$signal" told
  switch_to_monitor
  plays_c
done

# Under the own port: it is last in the list, after the monitor.
xdotool key Page_Down
wait_for 10 sh -c 'jack_lsp | grep -qx Tastarion:output' || fail "no own port"
jack_connect Tastarion:output midi-monitor:input
sleep 0.3
plays_c
server_lost KILL told
switch_to_monitor
plays_c
server_lost TERM told
switch_to_monitor
plays_c

# Pause ends the program normally, every client closed or left to libjack.
xdotool key Pause
wait_for 15 sh -c "! kill -0 $PROGRAM_PID" || fail "the program did not end"
status=0
wait "$PROGRAM_PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
echo "ok"
