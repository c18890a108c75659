#!/usr/bin/env bash
# Standard output into a pipe nobody reads, while a few thousand notes are
# recorded: every note still sounds and the save still works; the trace lines
# that did not fit are dropped and counted, and the count comes once the pipe is
# read again.
# Three thousand messages in a few seconds: a longer period keeps a loaded
# machine from losing some of them in an xrun, which is not what this test is about.
export E2E_JACK_PERIOD=256
source "$(dirname "$0")/e2e_lib.sh"
start_x
start_jack
PROGRAM=$(realpath "$PROGRAM")
mkdir "$WORK/run"
cd "$WORK/run"
mkfifo "$WORK/out"
exec 7<> "$WORK/out"  # held open, never read
export XDG_RUNTIME_DIR="$WORK"
"$PROGRAM" > "$WORK/out" 2> "$WORK/program.log" &
PROGRAM_PID=$!
PIDS+=("$PROGRAM_PID")
WINDOW=$(timeout 60 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ') ||
  fail "the window did not show"
focus_program
switch_to_monitor

TAPS=1500
keys=()
for ((i = 0; i < TAPS / 2; i++)); do keys+=(c v); done
mark=$(midi_mark)
xdotool key F2
sleep 0.2
xdotool key --delay 3 "${keys[@]}"
# Every press and release reached the device: nothing froze. A cycle that the
# JACK server itself dropped (an xrun, which it logs) loses the few messages
# written in it; only those may be missing.
if ! wait_for 30 sh -c "[ \$(tail -n +$mark '$WORK/midi.log' | grep -cE ': 90 3[02] ') -ge $((2 * TAPS)) ]"; then
  heard=$(tail -n +"$mark" "$WORK/midi.log" | grep -cE ': 90 3[02] ')
  xruns=$(grep -c 'Process XRun' "$WORK/jackd.log")
  [ "$xruns" -gt 0 ] && [ "$heard" -ge $((2 * TAPS - 4 * xruns)) ] ||
    fail "the notes stopped at $heard of $((2 * TAPS)) ($xruns cycles dropped by the server)"
  echo "$((2 * TAPS - heard)) messages lost in $xruns cycles the JACK server dropped"
fi
xdotool key F2
accept_save_dialog
wait_for 10 test -s "$WORK/run/vemola.mid" || fail "no file saved"
[ "$(stat -c %s "$WORK/run/vemola.mid")" -eq $((36 + 7 * 2 * TAPS)) ] || fail "the file is not whole"

# Read the pipe again: the lines that fitted, then the count of the rest, which
# together make every trace line of the recording (two per note message, the end
# record's and the save's).
timeout 5 cat "$WORK/out" > "$WORK/trace.log" || true
notice=$(grep -E '^\([0-9]+ trace lines dropped: standard output was full\)$' "$WORK/trace.log") ||
  fail "no count of dropped lines: $(tail -n 3 "$WORK/trace.log")"
dropped=$(echo "$notice" | tr -dc '0-9\n' | head -n1)
kept=$(grep -cvE '^\([0-9]+ trace lines dropped' "$WORK/trace.log")
[ $((dropped + kept)) -eq $((2 * 2 * TAPS + 2)) ] ||
  fail "$kept lines written and $dropped dropped, of $((2 * 2 * TAPS + 2))"
echo "ok ($kept trace lines written, $dropped dropped)"
