#!/usr/bin/env bash
# A MIDI file written by another program (mido: format 1, a tempo track with a
# tempo change, two parts with running status, drums on channel 10) opened from
# the command line replays through F3 at real JACK receivers, every note
# within 10 ms of its time in the file on the system's clock; broken files, from the command line and
# through F4, are named with their reason and change nothing; F8 saves the
# opened file as audio beside it.
source "$(dirname "$0")/e2e_lib.sh"
require_mido
start_x
start_jack
mkdir "$WORK/run"
cd "$WORK/run"

"$PYTHON" - "$WORK/run/song.mid" << 'PY'
import sys, mido
song = mido.MidiFile(type=1, ticks_per_beat=384)
tempo, piano, drums = mido.MidiTrack(), mido.MidiTrack(), mido.MidiTrack()
song.tracks += [tempo, piano, drums]
tempo.append(mido.MetaMessage('set_tempo', tempo=500000, time=0))
tempo.append(mido.MetaMessage('set_tempo', tempo=375000, time=384 * 4))  # 120, then 160
piano.append(mido.Message('program_change', channel=1, program=0, time=0))
for i in range(16):
    note = 48 + (i * 5) % 24
    piano.append(mido.Message('note_on', channel=1, note=note, velocity=80, time=0 if i == 0 else 96))
    piano.append(mido.Message('note_on', channel=1, note=note + 4, velocity=80, time=0))
    piano.append(mido.Message('note_on', channel=1, note=note, velocity=0, time=192))
    piano.append(mido.Message('note_off', channel=1, note=note + 4, velocity=0, time=0))
for i in range(8):
    drums.append(mido.Message('note_on', channel=9, note=36, velocity=100, time=0 if i == 0 else 672))
    drums.append(mido.Message('note_off', channel=9, note=36, time=96))
song.save(sys.argv[1])
# The file relies on running status, as mido writes it.
raw = open(sys.argv[1], 'rb').read()
assert raw.count(b'\x91') < 32, "no running status in the file"
PY
# Each note message as mido times it: milliseconds from the first, then its bytes.
"$PYTHON" - "$WORK/run/song.mid" > "$WORK/expected" << 'PY'
import sys, mido
now, first = 0.0, None
for m in mido.MidiFile(sys.argv[1]):
    now += m.time
    if m.type in ('note_on', 'note_off'):
        first = now if first is None else first
        velocity = m.velocity if m.type == 'note_on' else 0
        print("%.1f %02x %02x %02x" % ((now - first) * 1000, 0x90 | m.channel, m.note, velocity))
PY

start_program "$WORK/run/song.mid"
wait_for 10 sh -c "xdotool getwindowname $WINDOW | grep -q 'song\.mid\$'" ||
  fail "the title does not name the file: $(xdotool getwindowname "$WINDOW")"
switch_to_monitor
# A second receiver on the program's port, on the system's clock.
"$PYTHON" "$(dirname "$0")/midi_clock_receiver.py" > "$WORK/clock.log" 2>&1 &
PIDS+=($!)
wait_for 10 grep -qx ready "$WORK/clock.log" || fail "the clock receiver did not start"
output=$(jack_lsp -c | awk '/^midi-monitor:input$/ { getline; print $1 }')
[ -n "$output" ] || fail "no port of the program is wired to the monitor"
jack_connect "$output" e2e-clock:in || fail "no connection to the clock receiver"
count=$(wc -l < "$WORK/expected")
# One replay, measured at the clock receiver: sets worst (ms, or "lost") and offset.
worst= offset=
measure_replay() {
  local heard_from
  heard_from=$(($(wc -l < "$WORK/clock.log") + 1))
  xdotool key F3
  wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q 'Replaying.*song\.mid\$'" ||
    fail "the title does not show the replay of the file"
  # A receiver whose cycle overran loses what came in it: a loaded machine's
  # replay with messages lost is measured again.
  wait_for 20 sh -c "[ \$(tail -n +$heard_from '$WORK/clock.log' | grep -cE '^[0-9.]+ 9. ') -ge $count ]" || {
    wait_for 20 sh -c "xdotool getwindowname $WINDOW | grep -qv Replaying" ||
      fail "the replay did not end"
    echo "the clock receiver lost messages of this replay (load $(cut -d' ' -f1 /proc/loadavg))"
    worst=lost
    return 0
  }
  # Heard: milliseconds from the first note message, and its bytes.
  tail -n +"$heard_from" "$WORK/clock.log" | grep -E '^[0-9.]+ 9. ' |
    awk 'NR == 1 { first = $1 } { printf "%.1f %s %s %s\n", $1 - first, $2, $3, $4 }' \
      > "$WORK/heard"
  cmp -s <(cut -d' ' -f2- "$WORK/expected") <(cut -d' ' -f2- "$WORK/heard") || {
    diff <(cut -d' ' -f2- "$WORK/expected") <(cut -d' ' -f2- "$WORK/heard") | head -20
    fail "the replay sent other messages, or in another order, than the file holds"
  }
  # The replay's start is its own; each note is measured against the file's
  # time shifted by the median lateness of all.
  offset=$(paste -d' ' "$WORK/expected" "$WORK/heard" | awk '{ print $5 - $1 }' | sort -n |
    awk '{ d[NR] = $1 } END { print d[int((NR + 1) / 2)] }')
  worst=$(paste -d' ' "$WORK/expected" "$WORK/heard" | awk -v offset="$offset" '
    { d = $5 - $1 - offset; if (d < 0) d = -d; if (d > worst) worst = d }
    END { printf "%.1f\n", worst }')
  wait_for 10 sh -c "xdotool getwindowname $WINDOW | grep -qv Replaying" || fail "the replay did not end"
}
# A loaded machine (other builds) delays the server's cycles now and then: a
# replay is measured up to three times, and one must keep every note within 10 ms.
for attempt in 1 2 3; do
  measure_replay
  echo "format 1 file of $count note messages, replay $attempt: worst distance from the" \
    "file's time $worst ms (median offset $offset ms; load $(cut -d' ' -f1 /proc/loadavg))"
  [ "$worst" != lost ] && awk -v w="$worst" 'BEGIN { exit !(w <= 10) }' && break
  [ "$attempt" -lt 3 ] || {
    [ "$worst" != lost ] || fail "the clock receiver lost messages of every replay"
    paste -d' ' "$WORK/expected" "$WORK/heard" | awk -v o="$offset" '{ print $0, $5 - $1 - o }'
    fail "a note came more than 10 ms from its time"
  }
done
grep -q ': c1 00' "$WORK/midi.log" || fail "the program change on channel 2 was not sent"

# F8: the opened file as audio, offered beside it with .wav, written whole.
xdotool key F8
dialog=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name 'Save as audio') ||
  fail "the audio save dialog did not show"
xdotool windowfocus "$dialog"
wait_for 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = $dialog ]" || fail "no focus on the dialog"
xdotool key Return
wait_for 20 test -s "$WORK/run/song.wav" || fail "F8 wrote no song.wav beside song.mid"
wait_for 10 sh -c "! ls -a '$WORK/run' | grep -q '\.tmp'" || fail "F8 left a temporary file"
seconds=$("$PYTHON" -c 'import sys, wave; w = wave.open(sys.argv[1]); print(w.getnframes() / w.getframerate())' "$WORK/run/song.wav")
length=$("$PYTHON" -c 'import sys, mido; print(mido.MidiFile(sys.argv[1]).length)' "$WORK/run/song.mid")
awk -v s="$seconds" -v l="$length" 'BEGIN { exit !(s > l && s < l + 11) }' ||
  fail "song.wav lasts $seconds s for a file of $length s"
focus_program

# A broken file through F4: a box names it and what is wrong; the opened file
# stays what F3 replays.
head -c 60 "$WORK/run/song.mid" > "$WORK/run/cut.mid"
xdotool key F4
dialog=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name 'Open a MIDI file') ||
  fail "the open dialog did not show"
xdotool windowfocus "$dialog"
wait_for 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = $dialog ]" || fail "no focus on the open dialog"
xdotool key ctrl+a type "$WORK/run/cut.mid"
xdotool key Return
wait_for 10 grep -q 'cut.mid is damaged: track 2 claims' "$WORK/program.log" ||
  fail "no reason for the cut file"
sleep 0.5
accept_box
focus_program
[[ "$(xdotool getwindowname "$WINDOW")" == *song.mid ]] || fail "the title lost the opened file"
replay=$(midi_mark)
xdotool key F3
wait_for 5 sh -c "tail -n +$replay '$WORK/midi.log' | grep -q ': 99 24 64'" ||
  fail "F3 no longer replays the opened file"
xdotool key F3

# A file that is no MIDI file on the command line: the reason on standard error
# and in a box, and the program plays on with nothing opened.
kill "$PROGRAM_PID"
timeout 10 tail --pid="$PROGRAM_PID" -f /dev/null || fail "the program did not end"
printf 'RIFF\0\0\0\0WAVEfmt ' > "$WORK/run/not.mid"
"$PROGRAM" "$WORK/run/not.mid" > "$WORK/program.log" 2>&1 &
PROGRAM_PID=$!
PIDS+=("$PROGRAM_PID")
wait_for 20 grep -q 'not.mid is not a MIDI file (it does not begin with "MThd")' "$WORK/program.log" ||
  fail "no reason on standard error for the file that is no MIDI file"
WINDOW=$(timeout 60 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ') ||
  fail "the window did not show"
wait_for 10 sh -c "[ \$(xdotool search --onlyvisible --name '^Tastarion ' | wc -l) -ge 2 ]" ||
  fail "no box for the file that is no MIDI file"
sleep 0.5
WINDOW=$(xdotool search --onlyvisible --name '^Tastarion ' | head -n1)
box=$(xdotool search --onlyvisible --name '^Tastarion ' | tail -n1)
xdotool windowfocus "$box"
xdotool key Return
sleep 0.5
kill -0 "$PROGRAM_PID" || fail "the program ended over a bad file"
for window in $(xdotool search --onlyvisible --name '^Tastarion '); do
  [[ "$(xdotool getwindowname "$window")" != *not.mid* ]] || fail "the title names the bad file"
done
echo "ok"
