#!/usr/bin/env bash
# `tastarion --render` of a one-minute MIDI file (format 1: a piano part in
# chords, a bass and drums, a tempo change) beside the FluidSynth command line's
# own fast rendering (`fluidsynth -F`) of the same file with the same SoundFont,
# in the same run: the seconds of audio, the peak and RMS level in dBFS, the time
# taken and how many times faster than real time.
#   bench/render_audio.sh path/to/tastarion
set -euo pipefail
PROGRAM=$(realpath "${1:?usage: $0 path/to/tastarion}")
for tool in fluidsynth; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done
PYTHON=
for py in /usr/bin/python3 python3; do
  "$py" -c 'import mido' 2> /dev/null && { PYTHON=$py; break; }
done
[ -n "$PYTHON" ] || { echo "skipped: python3-mido is not installed"; exit 0; }
WORK=$(mktemp -d /tmp/tastarion-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

"$PYTHON" - "$WORK/minute.mid" << 'PY'
import sys, mido
song = mido.MidiFile(type=1, ticks_per_beat=480)
tempo, piano, bass, drums = (mido.MidiTrack() for _ in range(4))
song.tracks += [tempo, piano, bass, drums]
tempo.append(mido.MetaMessage('set_tempo', tempo=500000, time=0))     # 120 for 60 beats
tempo.append(mido.MetaMessage('set_tempo', tempo=400000, time=480 * 60))  # 150 for 75 beats
beats = 60 + 75
piano.append(mido.Message('program_change', channel=0, program=0, time=0))
bass.append(mido.Message('program_change', channel=1, program=32, time=0))
for beat in range(beats):
    root = 48 + [0, 5, 7, 3][beat // 4 % 4]
    chord = [root, root + 4, root + 7, root + 12]
    for i, n in enumerate(chord):
        piano.append(mido.Message('note_on', channel=0, note=n, velocity=80, time=0))
    for i, n in enumerate(chord):
        piano.append(mido.Message('note_on', channel=0, note=n, velocity=0, time=400 if i == 0 else 0))
    bass.append(mido.Message('note_on', channel=1, note=root - 12, velocity=90, time=0 if beat == 0 else 80))
    bass.append(mido.Message('note_off', channel=1, note=root - 12, time=400))
    drums.append(mido.Message('note_on', channel=9, note=36 if beat % 2 == 0 else 38, velocity=100,
                              time=0 if beat == 0 else 240))
    drums.append(mido.Message('note_on', channel=9, note=42, velocity=70, time=240))
    piano.append(mido.Message('note_on', channel=0, note=root + 16, velocity=1, time=80))
    piano.append(mido.Message('note_on', channel=0, note=root + 16, velocity=0, time=0))
song.save(sys.argv[1])
PY
length=$("$PYTHON" -c 'import sys, mido; print("%.1f" % mido.MidiFile(sys.argv[1]).length)' "$WORK/minute.mid")
soundfont=$(realpath /usr/share/sounds/sf2/default-GM.sf2 2> /dev/null || ls /usr/share/sounds/sf2/*.sf2 | head -1)

# Seconds, peak and RMS in dBFS of a 16-bit WAV file.
measure() {
  "$PYTHON" - "$1" << 'PY'
import sys, wave, array, math
w = wave.open(sys.argv[1])
data = array.array('h', w.readframes(w.getnframes()))
peak = max(abs(s) for s in data) / 32768
rms = math.sqrt(sum(s * s for s in data) / len(data)) / 32768
db = lambda v: 20 * math.log10(v) if v > 0 else float('-inf')
print("%.2f %.1f %.1f" % (w.getnframes() / w.getframerate(), db(peak), db(rms)))
PY
}
# Wall-clock seconds of a command.
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" > "$WORK/log" 2>&1 || { cat "$WORK/log"; echo "failed: $*"; exit 1; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", b - a }'
}

echo "file: $length s of music, $(basename "$soundfont")"
printf '%-28s %9s %9s %9s %8s %9s\n' "" "audio s" "peak dB" "RMS dB" "time s" "x real"
report() {
  local name=$1 seconds=$2
  read -r audio peak rms < <(measure "$3")
  printf '%-28s %9s %9s %9s %8s %9s\n' "$name" "$audio" "$peak" "$rms" "$seconds" \
    "$(awk -v l="$length" -v s="$seconds" 'BEGIN { printf "%.0f", l / s }')"
}
for run in 1 2; do
  t=$(timed "$PROGRAM" --render "$WORK/minute.mid" "$WORK/ours.wav")
  report "tastarion --render ($run)" "$t" "$WORK/ours.wav"
  t=$(timed fluidsynth -ni -q -F "$WORK/theirs.wav" -T wav -O s16 -r 48000 "$soundfont" "$WORK/minute.mid")
  report "fluidsynth -F ($run)" "$t" "$WORK/theirs.wav"
done
for type in flac ogg; do
  t=$(timed "$PROGRAM" --render "$WORK/minute.mid" "$WORK/ours.$type")
  printf '%-28s %9s %9s %9s %8s %9s\n' "tastarion --render .$type" "" "" "" "$t" \
    "$(awk -v l="$length" -v s="$t" 'BEGIN { printf "%.0f", l / s }')"
done
