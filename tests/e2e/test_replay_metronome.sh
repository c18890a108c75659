#!/usr/bin/env bash
# A short recording replays with its recorded gaps, and the metronome clicks at
# its set speed, as a real MIDI receiver hears them.
source "$(dirname "$0")/e2e_lib.sh"
start_all_in_run_dir
switch_to_monitor

# Times in milliseconds of the messages since mark $1 (the monitor logs frames at 48 kHz).
times_since() {
  tail -n +"$1" "$WORK/midi.log" | sed -nE 's/^ *([0-9]+): .*$/\1/p' | awk '{ printf "%.1f\n", $1 / 48 }'
}
# Fails unless $1 and $2 (ms) differ by at most $3.
near() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'; }

live=$(midi_mark)
xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q ' \[Recording\.\.\.\]\$'" ||
  fail "the title does not show the recording"
xdotool keydown c
sleep 0.4
xdotool keyup c
sleep 0.25
xdotool keydown v
sleep 0.15
xdotool keyup v
expect_midi "$live" "90 30 60
90 30 00
90 32 60
90 32 00"
xdotool key F2
accept_save_dialog
wait_for 10 test -s "$WORK/run/vemola.mid" || fail "the recording was not saved"
focus_program

replay=$(midi_mark)
xdotool key F3
expect_midi "$replay" "90 30 60
90 30 00
90 32 60
90 32 00"
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q ' \$'" || fail "the replay did not end"

mapfile -t played < <(times_since "$live")
mapfile -t replayed < <(times_since "$replay")
for i in 1 2 3; do
  gap_played=$(awk -v a="${played[i]}" -v b="${played[i - 1]}" 'BEGIN { print a - b }')
  gap_replayed=$(awk -v a="${replayed[i]}" -v b="${replayed[i - 1]}" 'BEGIN { print a - b }')
  echo "gap $i: played ${gap_played} ms, replayed ${gap_replayed} ms"
  near "$gap_played" "$gap_replayed" 30 || fail "gap $i differs"
done

# F5 at M.M 60: a click every 1000 ms on channel 10, nothing after the second F5.
clicks=$(midi_mark)
xdotool key F5
sleep 2.5
xdotool key F5
sleep 1.3
[ "$(midi_since "$clicks")" = "99 38 60
99 38 60" ] || { midi_since "$clicks"; fail "expected two clicks"; }
mapfile -t click_times < <(times_since "$clicks")
interval=$(awk -v a="${click_times[1]}" -v b="${click_times[0]}" 'BEGIN { print a - b }')
echo "click interval ${interval} ms"
near "$interval" 1000 20 || fail "click interval ${interval} ms"
echo "ok"
