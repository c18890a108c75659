#!/usr/bin/env bash
# The JACK server goes and comes back: the program's input port comes back with
# it, unconnected, and what it receives plays and records with its velocity. The
# output stays on the built-in synthesizer; the recording's trace lines on
# standard output show what the input played.
# Events go through two JACK clients before the monitor hears them: a longer
# period keeps a loaded machine from losing some of them in an xrun.
export E2E_JACK_PERIOD=256
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/midi_keys_lib.sh"
start_all_in_run_dir
wait_for 10 sh -c "jack_lsp | grep -qx $INPUT" || fail "no input port $INPUT"
start_keys
xdotool key F2
wait_for 5 sh -c "xdotool getwindowname $WINDOW | grep -q 'Recording'" || fail "no recording"
# Played inside the take: a take leaves out releases whose press it lacks.
keys "90 3c 64"
wait_for 5 grep -q 'stat=90, pitch=3C, vol=64$' "$WORK/program.log" || fail "the note did not play"
exec 4>&-
jackd_pid=""
for pid in "${PIDS[@]}"; do
  [ "$(cat /proc/"$pid"/comm 2> /dev/null)" = jackd ] && jackd_pid=$pid
done
[ -n "$jackd_pid" ] || fail "no jackd of ours"
kill "$jackd_pid"
timeout 10 tail --pid="$jackd_pid" -f /dev/null || fail "jackd did not end"
# The note held when the server went ends with it, in the recording too.
wait_for 5 grep -q 'stat=90, pitch=3C, vol=0$' "$WORK/program.log" ||
  fail "the note of the server that went still sounds"

jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p "$E2E_JACK_PERIOD" > "$WORK/jackd2.log" 2>&1 &
PIDS+=($!)
wait_for 30 jack_lsp || fail "jackd did not start again"
wait_for 15 sh -c "jack_lsp | grep -qx $INPUT" || fail "the input port did not come back"
[ "$(jack_lsp -c "$INPUT" | wc -l)" -eq 1 ] || fail "the input port came back connected"
start_keys
lines_before=$(wc -l < "$WORK/program.log")
keys "94 48 3a" "sleep 0.1" "84 48 00"
wait_for 10 sh -c "tail -n +$lines_before '$WORK/program.log' | grep -q 'stat=90, pitch=48, vol=0\$'" ||
  fail "the input port does not play after the restart"
tail -n +"$lines_before" "$WORK/program.log" | grep -q 'stat=90, pitch=48, vol=3A$' ||
  fail "the note after the restart lost its velocity"
kill -0 "$PROGRAM_PID" || fail "the program ended"
echo "ok"
