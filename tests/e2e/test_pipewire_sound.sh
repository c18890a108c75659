#!/usr/bin/env bash
# On a PipeWire desktop the built-in synthesizer plays through a stream of its
# own, shown to mixers as Tastarion with its icon, and a key is heard on it: a
# recording of the stream is silent before the key and loud after it.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/headless_pipewire.sh"
skip_without_pipewire pw-record python3

start_x
start_pipewire || fail "no headless PipeWire"
# No JACK server: the sound has only PipeWire's ways to go.
export JACK_DEFAULT_SERVER="tastarion-none${TASTARION_JACK_SUFFIX:-}" JACK_NO_START_SERVER=1
start_program

wait_for 20 sh -c 'pw-link -o | grep -qx "Tastarion:output_FL"' ||
  fail "no stream named Tastarion: $(pw-link -o | tr '\n' ' ')"
wait_for 10 sh -c 'pw-link -l | grep -q "Tastarion:output_FR"' || fail "the stream is not linked"
# What mixers and patchbays show: the node of the program's own stream, with
# its name, icon and role (not FluidSynth's PulseAudio stream).
pw-dump > "$WORK/graph.json"
python3 - "$WORK/graph.json" << 'EOF' || fail "the stream does not present itself as Tastarion"
import json, sys
nodes = [o["info"]["props"] for o in json.load(open(sys.argv[1]))
         if o.get("type") == "PipeWire:Interface:Node" and o.get("info")]
ours = [p for p in nodes if p.get("node.name") == "Tastarion"]
assert len(ours) == 1, [p.get("node.name") for p in nodes]
p = ours[0]
want = {"application.name": "Tastarion", "application.icon-name": "tastarion",
        "media.class": "Stream/Output/Audio", "media.role": "Production"}
wrong = {k: p.get(k) for k, v in want.items() if p.get(k) != v}
assert not wrong, wrong
EOF

# Record the stream itself, 16-bit stereo.
pw-record --target Tastarion --format s16 --rate 48000 --channels 2 "$WORK/heard.wav" \
  > "$WORK/record.log" 2>&1 &
recorder=$!
PIDS+=("$recorder")
wait_for 10 sh -c 'pw-link -l | grep -A3 "^Tastarion:output_FL" | grep -q "pw-record\|input_FL"' ||
  fail "the recorder did not get the stream: $(pw-link -l | tr '\n' ' ')"
sleep 0.5
xdotool keydown c
sleep 0.4
xdotool keyup c
sleep 0.8
kill -INT "$recorder"
wait "$recorder" 2> /dev/null || true

# Quiet up to the key, then the note, as loud as device 0 promises for one note at
# the default volume: -24 to -12 dBFS, with a dB of room for the 16-bit path.
python3 - "$WORK/heard.wav" << 'EOF' || fail "the key was not heard on the stream"
import array, math, sys, wave
with wave.open(sys.argv[1]) as w:
    rate, frames = w.getframerate(), w.readframes(w.getnframes())
samples = array.array("h", frames)
left = samples[0::2]
def peak_dbfs(a, b):
    part = samples[2 * int(a * rate):2 * int(b * rate)]
    top = max((abs(s) for s in part), default=0)
    return 20 * math.log10(max(top, 1) / 32768)
seconds = len(left) / rate
# The key went down 0.5 s after the recorder got the stream, and was held 0.4 s.
loud = [i for i, s in enumerate(left) if abs(s) > 200]
print(f"recorded {seconds:.2f} s; first loud sample at {loud[0] / rate if loud else None} s")
assert seconds > 1.2, "too short a recording"
assert loud, "silence throughout"
onset = loud[0] / rate
assert onset > 0.3, f"sound before the key, at {onset:.2f} s"
level = peak_dbfs(onset, seconds)
print(f"peak {level:.1f} dBFS")
assert level >= -25, f"too quiet: {level:.1f} dBFS"
assert level <= -11, f"too loud: {level:.1f} dBFS"
EOF
echo "ok"
