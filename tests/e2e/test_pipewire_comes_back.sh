#!/usr/bin/env bash
# Device 0 follows PipeWire as it comes and goes under a running program: a
# program started before any sound server plays once PipeWire starts; its
# stream lets the graph rest when nothing sounds and the next key is heard; a
# second program's stream has a name of its own; and when PipeWire is killed
# and started again the player is told, and keys are heard on the new stream.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/headless_pipewire.sh"
skip_without_pipewire pw-record python3

# Our node's state in the graph: running, idle or suspended.
node_state() {
  pw-dump > "$WORK/graph.json" 2> /dev/null
  python3 - "$WORK/graph.json" "$1" << 'EOF'
import json, sys
for o in json.load(open(sys.argv[1])):
    info = o.get("info") or {}
    if o.get("type") == "PipeWire:Interface:Node" and info.get("props", {}).get("node.name") == sys.argv[2]:
        print(info.get("state"))
EOF
}

# Records the stream while key c is played, and asserts quiet before the key
# and the note after it (loud enough at either of device 0's levels). A resting
# stream gives the recorder nothing before the key: "rested" as $2.
key_heard() {
  local what=$1 rested=${2:-} recorder
  rm -f "$WORK/heard.wav"
  pw-record --target Tastarion --format s16 --rate 48000 --channels 2 "$WORK/heard.wav" \
    > "$WORK/record.log" 2>&1 &
  recorder=$!
  wait_for 10 sh -c 'pw-link -l | grep -A3 "^Tastarion:output_FL" | grep -q "pw-record\|input_FL"' ||
    fail "$what: the recorder did not get the stream: $(pw-link -l | tr '\n' ' ')"
  sleep 0.5
  xdotool keydown c
  sleep 0.4
  xdotool keyup c
  sleep 0.6
  kill -INT "$recorder"
  wait "$recorder" 2> /dev/null || true
  python3 - "$WORK/heard.wav" "$rested" << 'EOF' || fail "$what: the key was not heard on the stream"
import array, math, sys, wave
with wave.open(sys.argv[1]) as w:
    rate, frames = w.getframerate(), w.readframes(w.getnframes())
samples = array.array("h", frames)
def peak_dbfs(part):
    return 20 * math.log10(max(max((abs(s) for s in part), default=0), 1) / 32768)
loud = [i for i, s in enumerate(samples) if abs(s) > 330]  # -40 dBFS
assert loud, f"silence throughout {len(samples) / 2 / rate:.2f} s"
onset = loud[0] // 2 / rate
before = peak_dbfs(samples[:2 * int(max(onset - 0.05, 0) * rate)])
after = peak_dbfs(samples[loud[0]:])
print(f"onset {onset:.2f} s, before {before:.1f} dBFS, after {after:.1f} dBFS")
assert sys.argv[2] == "rested" or onset > 0.3, f"sound before the key, at {onset:.2f} s"
assert before < -60, f"not quiet before the key: {before:.1f} dBFS"
EOF
}

start_x
# No JACK server: the sound has only PipeWire's ways to go.
export JACK_DEFAULT_SERVER="tastarion-none${TASTARION_JACK_SUFFIX:-}" JACK_NO_START_SERVER=1
chmod 700 "$WORK"
start_program

# Started before any sound server: the box says so, and device 0 comes once
# PipeWire starts.
wait_for 20 grep -q "found no sound output" "$WORK/program.log" || fail "no failure said at start"
wait_for 10 sh -c "xdotool search --onlyvisible --name '^Tastarion ' | grep -vqx $WINDOW" ||
  fail "no box at start"
accept_box
focus_program
start_pipewire || fail "no headless PipeWire"
wait_for 20 sh -c 'pw-link -l | grep -q "^Tastarion:output_FR"' ||
  fail "device 0 did not come with PipeWire: $(pw-link -o | tr '\n' ' ')"
key_heard "once PipeWire started"

# A second program: a node of its own name.
"$PROGRAM" > "$WORK/second.log" 2>&1 &
second=$!
PIDS+=("$second")
wait_for 30 sh -c 'pw-link -o | grep -qx "Tastarion-01:output_FL"' ||
  fail "the second program's stream has no name of its own: $(pw-link -o | tr '\n' ' ')"
[ "$(pw-link -o | grep -c '^Tastarion:output_FL$')" = 1 ] || fail "two streams named Tastarion"
kill "$second"
wait "$second" 2> /dev/null || true
focus_program

# Silence: the stream stops holding the graph, and the next key is heard.
for _ in $(seq 30); do
  [ "$(node_state Tastarion)" = running ] || break
  sleep 0.5
done
[ "$(node_state Tastarion)" != running ] || fail "the stream never rested"
echo "resting: $(node_state Tastarion)"
key_heard "after a rest" rested

# PipeWire killed under the running program, and started again.
kill -TERM -- -"$PIPEWIRE_GROUP"
wait_for 10 grep -q "the sound server (PipeWire) went away" "$WORK/program.log" ||
  fail "the player was not told that PipeWire went away"
wait_for 10 sh -c "xdotool search --onlyvisible --name '^Tastarion ' | grep -vqx $WINDOW" ||
  fail "no box for the lost server"
accept_box
focus_program
# A key held while nothing can sound must not sound once the stream is back.
xdotool keydown y
sleep 1
start_pipewire || fail "PipeWire did not start again"
wait_for 15 sh -c 'pw-link -l | grep -q "^Tastarion:output_FR"' ||
  fail "the stream did not come back: $(pw-link -o | tr '\n' ' ')"
key_heard "after PipeWire came back"
xdotool keyup y
[ "$(grep -c "went away" "$WORK/program.log")" = 1 ] || fail "the loss was told more than once"
echo "ok"
