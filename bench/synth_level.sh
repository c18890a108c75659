#!/usr/bin/env bash
# Device 0's loudness with each installed SoundFont: the peak in dBFS of one note
# at the default volume (velocity 96) and of fifteen keys at volume 10 (velocity
# 120) with the metronome's click, beside the FluidSynth command line at its own
# defaults playing the same notes from a MIDI file.
#   bench/synth_level.sh path/to/build
set -euo pipefail
BUILD=$(realpath "${1:?usage: $0 path/to/build}")
PROBE=$BUILD/bench/platform_synth_level
[ -x "$PROBE" ] || { echo "no $PROBE (build the benchmarks)"; exit 1; }
for tool in fluidsynth python3; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done
# Debian's python3-mido is for the system's Python, which a python3 earlier on
# PATH may not be.
PYTHON=
for py in python3 /usr/bin/python3; do
  "$py" -c 'import mido' 2> /dev/null && { PYTHON=$py; break; }
done
[ -n "$PYTHON" ] || { echo "skipped: python3-mido is not installed"; exit 0; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The same notes as the probe: one note for a second, a second of release, then
# the chord and the click likewise.
"$PYTHON" - "$WORK/notes.mid" << 'PY'
import sys, mido
f = mido.MidiFile(ticks_per_beat=480)  # 120 bpm: 960 ticks a second
t = mido.MidiTrack(); f.tracks.append(t)
t.append(mido.Message("note_on", channel=0, note=60, velocity=96, time=0))
t.append(mido.Message("note_off", channel=0, note=60, time=960))
chord = list(range(48, 78, 2))
for i, n in enumerate(chord):
    t.append(mido.Message("note_on", channel=0, note=n, velocity=120, time=960 if i == 0 else 0))
t.append(mido.Message("note_on", channel=9, note=56, velocity=120, time=0))
for i, n in enumerate(chord):
    t.append(mido.Message("note_off", channel=0, note=n, time=960 if i == 0 else 0))
t.append(mido.Message("note_off", channel=9, note=56, time=0))
t.append(mido.MetaMessage("end_of_track", time=960))
f.save(sys.argv[1])
PY

# Peaks of the command line's float output: 0-2 s, then 2-4 s.
cli_peaks() {
  "$PYTHON" - "$1" << 'PY'
import array, math, sys
s = array.array("f", open(sys.argv[1], "rb").read())
rate = 48000
def db(a, b):
    part = s[2 * a * rate:2 * b * rate]
    return 20 * math.log10(max(max(map(abs, part), default=0), 1e-9))
print(f"{db(0, 2):.1f} {db(2, 4):.1f}")
PY
}

printf '%-40s %21s %21s\n' "" "device 0" "fluidsynth defaults"
printf '%-40s %10s %10s %10s %10s\n' "SoundFont" "one note" "15+click" "one note" "15+click"
for sf in /usr/share/sounds/sf2/*.sf[23] /usr/share/sounds/sf3/*.sf[23]; do
  [ -e "$sf" ] || continue
  real=$(realpath "$sf")
  case " ${seen:-} " in *" $real "*) continue ;; esac
  seen="${seen:-} $real"
  read -r ours_note ours_full < <("$PROBE" "$real" 2> /dev/null) || { echo "$sf: did not load"; continue; }
  fluidsynth -ni -q -F "$WORK/out.raw" -T raw -O float -r 48000 "$real" "$WORK/notes.mid" \
    > /dev/null 2>&1
  read -r cli_note cli_full < <(cli_peaks "$WORK/out.raw")
  printf '%-40s %10s %10s %10s %10s\n' "$(basename "$real")" "$ours_note" "$ours_full" \
    "$cli_note" "$cli_full"
done
echo "(dBFS peaks; 0.0 or more is clipping)"
