#!/usr/bin/env bash
# The program is one JACK client, "Tastarion": its MIDI input port and the
# output port of the device it plays are ports of that client. The server is
# killed and started again: the input port comes back by itself, unconnected,
# the output port with the next device chosen, both again of the one client, and
# a MIDI keyboard wired to the input plays through the output.
# Events go through two JACK clients before the monitor hears them: a longer
# period keeps a loaded machine from losing some of them in an xrun.
export E2E_JACK_PERIOD=256
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/midi_keys_lib.sh"
start_x
start_jack
start_program

# The clients of the program, by the names before the ports' colons, device 0's
# synthesizer (which FluidSynth's own driver plays) left out.
own_clients() {
  jack_lsp | sed -n 's/^\(Tastarion[^:]*\):.*/\1/p' | grep -vx Tastarion-synth | sort -u | tr '\n' ' '
}
one_client_with_both_ports() {
  wait_for 15 sh -c "jack_lsp | grep -qx $INPUT" || fail "no input port $INPUT ($1)"
  wait_for 10 sh -c 'jack_lsp | grep -qx Tastarion:output' || fail "no output port ($1)"
  [ "$(own_clients)" = "Tastarion " ] || fail "the program's JACK clients are: $(own_clients) ($1)"
}
# One note from the keyboard through the input port reaches the monitor.
keyboard_plays() {
  local mark
  start_keys
  [ "$(jack_lsp -c "$INPUT" | wc -l)" -eq 2 ] || fail "the input port has other connections ($1)"
  mark=$(midi_mark)
  keys "90 3c 50" "sleep 0.1" "80 3c 00"
  expect_midi "$mark" "90 3c 50
90 3c 00"
}

switch_to_monitor
one_client_with_both_ports "at the start"
keyboard_plays "at the start"

jackd_pid=${PIDS[1]} monitor_pid=${PIDS[2]}
[ "$(cat /proc/"$jackd_pid"/comm)" = jackd ] || fail "no jackd of ours"
exec 4>&-
kill -KILL "$jackd_pid"
timeout 10 tail --pid="$jackd_pid" -f /dev/null || fail "jackd did not end"
# The monitor of the lost server may linger: its log goes aside.
kill "$monitor_pid" 2> /dev/null || true
mv "$WORK/midi.log" "$WORK/midi-before.log"
# The boxes over the window (device 0, chosen in its place, found no sound
# server; the device went away), answered until the word is said and none is left.
deadline=$((SECONDS + 20))
until grep -q 'went away' "$WORK/program.log" &&
  [ -z "$(xdotool search --onlyvisible --name '^Tastarion ' | grep -vx "$WINDOW" | head -n1)" ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "nobody said the device went away, or a box stays"
  sleep 0.5
  [ -z "$(xdotool search --onlyvisible --name '^Tastarion ' | grep -vx "$WINDOW" | head -n1)" ] ||
    accept_box
done
kill -0 "$PROGRAM_PID" || fail "the program died with the server"

mv "$WORK/jackd.log" "$WORK/jackd-before.log"
start_jack
# The input port needs nobody to choose it.
wait_for 15 sh -c "jack_lsp | grep -qx $INPUT" || fail "the input port did not come back"
[ "$(jack_lsp -c "$INPUT" | wc -l)" -eq 1 ] || fail "the input port came back connected"
focus_program
switch_to_monitor
one_client_with_both_ports "after the server came back"
keyboard_plays "after the server came back"
kill -0 "$PROGRAM_PID" || fail "the program ended"
echo "ok"
