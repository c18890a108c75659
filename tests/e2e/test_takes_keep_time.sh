#!/usr/bin/env bash
# Takes keep their time and the pedal lets go: a pedalled take replays in its
# recorded time, Escape during its replay lifts the pedal before the note-offs,
# and a saved take reads in mido at the speed it was played.
source "$(dirname "$0")/e2e_lib.sh"
require_mido
start_all_in_run_dir
switch_to_monitor

# Milliseconds (48 kHz frames) of the first and the last note message since mark $1.
note_span_since() {
  tail -n +"$1" "$WORK/midi.log" | sed -nE 's/^ *([0-9]+): 90 .*$/\1/p' |
    awk 'NR == 1 { first = $1 } { last = $1 } END { printf "%.0f\n", (last - first) / 48 }'
}
# The note messages of a saved file as mido times them, in ms from the first.
file_note_times() {
  "$PYTHON" - "$1" << 'PY'
import sys, mido
now, first = 0.0, None
for m in mido.MidiFile(sys.argv[1]):
    now += m.time
    if m.type == "note_on":
        first = now if first is None else first
        print(round((now - first) * 1000))
PY
}
near() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'; }

# Six notes, each inside a Space press: twelve pedal changes of fifteen records.
live=$(midi_mark)
xdotool key F2
sleep 0.2
for i in 1 2 3 4 5 6; do
  xdotool keydown space
  sleep 0.05
  xdotool keydown c
  sleep 0.1
  xdotool keyup c
  sleep 0.05
  # The first press stays down a while: Escape comes in it during the replay.
  [ "$i" -gt 1 ] || sleep 1
  xdotool keyup space
  sleep 0.1
done
wait_for 5 sh -c "[ \$(tail -n +$live '$WORK/midi.log' | grep -c ': 90 30 00') -eq 6 ]" ||
  fail "the six notes did not sound"
played=$(note_span_since "$live")
save_take "$WORK/run/pedal.mid"
focus_program
in_file=$(file_note_times "$WORK/run/pedal.mid" | tail -n1)
[ "$(file_note_times "$WORK/run/pedal.mid" | wc -l)" -eq 12 ] || fail "pedal.mid lacks notes"

# The replay is timed by the clock on the wall: the monitor's clock is the
# dummy server's, which lags on a loaded machine. Each pedal change taken as
# fifteen steps would add 140 ms, 1.7 s in all.
replay=$(midi_mark)
xdotool key F3
notes_heard() { tail -n +"$replay" "$WORK/midi.log" | grep -c ': 90 30 ' || true; }
deadline=$((SECONDS + 10))
until [ "$(notes_heard)" -ge 1 ]; do [ "$SECONDS" -lt "$deadline" ] || fail "no replay"; sleep 0.005; done
first_heard=$(date +%s%3N)
until [ "$(notes_heard)" -ge 12 ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the replay did not play the six notes"
  sleep 0.005
done
replayed=$(($(date +%s%3N) - first_heard))
echo "pedalled take, first to last note: played $played ms (monitor), in the file $in_file ms," \
  "replayed $replayed ms (wall clock)"
near "$in_file" "$replayed" 250 || fail "the replay does not keep the recorded time"
[ "$(tail -n +"$replay" "$WORK/midi.log" | grep -c ': b. 40 7f')" -eq 90 ] || fail "pedal presses lost"
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q ' \$'" || fail "the replay did not end"

# Escape while the replay holds the pedal down: the pedal goes up first.
replay=$(midi_mark)
xdotool key F3
wait_for 5 sh -c "tail -n +$replay '$WORK/midi.log' | grep -q ': 90 30 60'" || fail "no replayed note"
panic=$(midi_mark)
xdotool key Escape
wait_for 5 sh -c "[ \$(tail -n +$panic '$WORK/midi.log' | grep -c ': b. 7b 00') -eq 16 ]" ||
  fail "no All Notes Off"
# The replay's own steps may still land between the mark and the key: its
# presses, and its note's end before the first lift.
after_escape() {
  midi_since "$panic" | grep -vE '^(90 30 60|b. 40 7f)$' |
    awk '/^b. 40 00$/ { lifting = 1 } !lifting && /^90 30 00$/ { next } { print }'
}
first=$(after_escape | head -n 15 | sort | uniq -c | wc -l)
lifted=$(after_escape | head -n 15 | grep -c '^b. 40 00$' || true)
[ "$lifted" -eq 15 ] && [ "$first" -eq 15 ] || {
  midi_since "$panic"
  fail "Escape did not lift the pedal first"
}
xdotool key F3  # stop the replay, if it still runs
sleep 0.3
[[ "$(xdotool getwindowname "$WINDOW")" =~ \ $ ]] || xdotool key F3

# Two notes 2 s apart: mido reads the gap the program measured (its trace
# lines give each delta in hexadecimal milliseconds), not 2.4 % less.
live=$(midi_mark)
xdotool key F2
sleep 0.2
xdotool key c
sleep 2
xdotool key v
wait_for 5 sh -c "tail -n +$live '$WORK/midi.log' | grep -q ': 90 32 00'" || fail "v did not sound"
xdotool key F2
accept_save_dialog
wait_for 10 test -s "$WORK/run/vemola.mid" || fail "no vemola.mid"
focus_program
measured=$(grep -E '^(on|off) ch=0 time=' "$WORK/program.log" | tail -n 3 | head -n 2 |
  sed -E 's/.*time=//' | while read -r hex; do echo $((16#$hex)); done | awk '{ s += $1 } END { print s }')
read_gap=$(file_note_times "$WORK/run/vemola.mid" | sed -n 3p)
echo "two notes: recorded $measured ms apart, mido reads $read_gap ms"
[ "$measured" -gt 1900 ] || fail "the gap was not recorded: $measured ms"
near "$measured" "$read_gap" 1 || fail "mido reads another speed"

echo "ok"
