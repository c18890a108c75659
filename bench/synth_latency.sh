#!/usr/bin/env bash
# The built-in synthesizer as a player meets it: key press to the first loud
# sample at the synthesizer's audio output (first tap, median, maximum), under a
# JACK dummy server and under a headless PipeWire desktop (PipeWire, WirePlumber,
# pipewire-pulse), beside the FluidSynth command line through pipewire-pulse; then
# start to ready and private memory at 3 s with TimGM6mb and with FluidR3_GM.
# A second program (e.g. the previous build) is measured the same way when given;
# OTHER_JACK_PORT names its first audio port under JACK (Tastarion:left for builds
# before the MIDI ports took that client name), OTHER_PIPEWIRE_PORT its output
# under PipeWire (FluidSynth:output_FL for builds that reached PipeWire through
# its PulseAudio layer). Under PipeWire the
# last tap comes after a silence of PAUSE seconds (12 unless set): longer than
# the stream waits before it rests (5 s) and WirePlumber before it suspends an
# idle output. That tap is printed on its own (after_12s_pause), outside the
# median and maximum.
# The taps play TimGM6mb (LATENCY_SOUNDFONT); as root each run sees one SoundFont
# alone, through a mount namespace of its own.
#   bench/synth_latency.sh path/to/tastarion [taps] [path/to/other/tastarion]
set -euo pipefail
PROGRAM=$(realpath "${1:?usage: $0 path/to/tastarion [taps] [path/to/other/tastarion]}")
TAPS=${2:-13}
OTHER=${3:+$(realpath "$3")}
PROBE=${PROBE:-$(dirname "$PROGRAM")/bench/platform_sound_onset}
for tool in Xvfb jackd jack_lsp xdotool pipewire pw-jack pw-link; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done
[ -x "$PROBE" ] || { echo "no $PROBE (build the benchmarks)"; exit 1; }

HERE=$(dirname "$0")
source "$HERE/bench_lib.sh"
source "$HERE/../tests/e2e/headless_pipewire.sh"
SF2=/usr/share/sounds/sf2
LATENCY_SOUNDFONT=${LATENCY_SOUNDFONT:-TimGM6mb.sf2}
mkdir "$WORK/all" "$WORK/one"
ALONE=0
[ "$(id -u)" -eq 0 ] && unshare --mount true 2> /dev/null && ALONE=1

# Starts program $2 with SoundFont $1 alone in the usual folder (when ALONE),
# standard error to $WORK/err; PID is its process id.
start_with_soundfont() {
  local soundfont=$1 program=$2
  rm -f "$WORK/one"/* "$WORK/err"
  ln -s "$WORK/all/$soundfont" "$WORK/one/$soundfont"
  if [ "$ALONE" = 1 ]; then
    unshare --mount sh -c "mount --bind $SF2 $WORK/all && mount --bind $WORK/one $SF2 &&
      TASTARION_PROBE_STARTUP=\$(date +%s%N) exec $program" > /dev/null 2> "$WORK/err" &
  else
    TASTARION_PROBE_STARTUP=$(date +%s%N) "$program" > /dev/null 2> "$WORK/err" &
  fi
  PID=$!
}

# Starts program $2 (labelled $1), waits for its window to have the keyboard and
# for the output port $3, then taps: the probe's line, labelled. The first tap
# also carries the X server's switch of its core keyboard to the XTEST device,
# on which Qt reads the keymap again (about 4 ms here; a single Shift press
# before the taps takes it away); a desktop's own keyboard does not switch.
taps_of() {
  local label=$1 program=$2 port=$3 lsp=${JACK_LSP:-jack_lsp} pid window
  start_with_soundfont "$LATENCY_SOUNDFONT" "$program"
  pid=$PID
  window=$(timeout 60 xdotool search --sync --onlyvisible --limit 1 --pid "$pid" --name '^Tastarion ') ||
    { echo "$label: no window"; kill "$pid"; return 1; }
  xdotool windowfocus "$window"
  wait_for 10 sh -c "[ \"\$(xdotool getwindowfocus)\" = $window ]" || echo "$label: no focus"
  if wait_for 20 sh -c "$lsp | grep -qx '$port'"; then
    printf '%-44s %s\n' "$label" "$(${PROBE_WRAPPER:-} "$PROBE" "$port" "$TAPS" ${PROBE_ARGS:-})"
  else
    echo "$label: no port $port"; cat "$WORK/err"
  fi
  kill "$pid"
  wait "$pid" 2> /dev/null || true
}

echo "== key to sound, $TAPS taps each (ms; the first tap counts in median and max, a tap after a pause does not)"
start_x_and_jack tastarion-synth
JACKD=${PIDS[-1]}
taps_of "JACK dummy (64 frames): this build" "$PROGRAM" Tastarion-synth:left
[ -z "$OTHER" ] ||
  taps_of "JACK dummy (64 frames): other build" "$OTHER" "${OTHER_JACK_PORT:-Tastarion-synth:left}"
kill "$JACKD"
wait "$JACKD" 2> /dev/null || true

start_pipewire
# The programs find no JACK server; the probe reads through PipeWire's JACK layer.
export JACK_DEFAULT_SERVER="tastarion-none${TASTARION_JACK_SUFFIX:-}"
PROBE_WRAPPER="env -u JACK_DEFAULT_SERVER pw-jack"
JACK_LSP="env -u JACK_DEFAULT_SERVER pw-jack jack_lsp"
PROBE_ARGS="--pause ${PAUSE:-12}"
for latency in 128 64 256; do
  [ "$latency" = 128 ] && unset PIPEWIRE_LATENCY || export PIPEWIRE_LATENCY="$latency/48000"
  taps_of "PipeWire: this build, quantum $latency" "$PROGRAM" Tastarion:output_FL
done
unset PIPEWIRE_LATENCY
[ -z "$OTHER" ] ||
  taps_of "PipeWire: other build" "$OTHER" "${OTHER_PIPEWIRE_PORT:-Tastarion:output_FL}"
PROBE_ARGS=""
if command -v fluidsynth > /dev/null; then
  mkfifo "$WORK/commands"
  exec 7<> "$WORK/commands"  # a writer from the start, so that FluidSynth reads at once
  fluidsynth -a pulseaudio -r 48000 "$SF2/$LATENCY_SOUNDFONT" < "$WORK/commands" > /dev/null 2>&1 &
  cli=$!
  if wait_for 20 sh -c "$JACK_LSP | grep -qx FluidSynth:output_FL"; then
    printf '%-44s %s\n' "PipeWire: fluidsynth -a pulseaudio" \
      "$($PROBE_WRAPPER "$PROBE" FluidSynth:output_FL "$TAPS" --fifo "$WORK/commands")"
  fi
  kill "$cli"
  wait "$cli" 2> /dev/null || true
  exec 7>&-
fi

echo "== start to ready, and private memory (Private_Dirty + Private_Clean) at 3 s, under PipeWire"
# Library pages count as clean private memory only while no other process maps
# them: another Qt program running at the time lowers the clean part.
if [ "$ALONE" != 1 ]; then
  echo "skipped: needs root for a mount namespace that shows one SoundFont"
  exit 0
fi
# Runs $2 with only SoundFont $1 installed; prints ready ms and private kB.
one_run() {
  local pid ready
  start_with_soundfont "$1" "$2"
  pid=$PID
  sleep 3
  ready=$(sed -n 's/^device_ms=//p' "$WORK/err")
  echo "${ready:--} $(awk '/^Private_Dirty:/ {d = $2} /^Private_Clean:/ {c = $2}
    END {print d + c, d, c}' "/proc/$pid/smaps_rollup")"
  kill "$pid"
  wait "$pid" 2> /dev/null || true
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
for program in "$PROGRAM" ${OTHER:+"$OTHER"}; do
  [ "$program" = "$PROGRAM" ] && name="this build" || name="other build"
  for soundfont in TimGM6mb.sf2 FluidR3_GM.sf2; do
    [ -e "$SF2/$soundfont" ] || { echo "$soundfont: not installed"; continue; }
    readies=() kbs=() runs=()
    for run in 1 2 3; do
      read -r ready kb dirty clean < <(one_run "$soundfont" "$program")
      readies+=("$ready") kbs+=("$kb") runs+=("$kb=$dirty+$clean")
    done
    printf '%-12s %-16s ready %s ms (runs: %s), private %s kB (runs, dirty+clean: %s)\n' \
      "$name" "$soundfont" "$(median "${readies[@]}")" "${readies[*]}" "$(median "${kbs[@]}")" \
      "${runs[*]}"
  done
done
