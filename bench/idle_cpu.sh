#!/usr/bin/env bash
# What the program costs while nobody plays: the processor time it takes over
# a quiet spell on a JACK dummy server with a period of 32 frames (unless
# given), the JACK clients it holds, and beside it, in the same run and in
# turns, jack-keyboard's when that is installed and another build's when given;
# once with device 0 playing, once with a JACK MIDI device (jack_midi_dump's).
#   bench/idle_cpu.sh path/to/tastarion [seconds] [period] [other/tastarion]
set -euo pipefail
USAGE="usage: $0 path/to/tastarion [seconds] [period] [other/tastarion]"
PROGRAM=${1:?$USAGE}
SPELL=${2:-20}
OTHER=${4:-}
ROUNDS=3
for tool in Xvfb jackd jack_lsp jack_midi_dump xdotool; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done

source "$(dirname "$0")/bench_lib.sh"
start_x_and_jack tastarion-idle "${3:-32}"

# Processor seconds that the process $1 has used, all its threads, user and system.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); print ($12 + $13) / hz }' "/proc/$1/stat"
}
# The JACK clients that own ports, one name a line.
clients() { jack_lsp | sed 's/:.*//' | sort -u; }

# Runs "$@", waits until it has joined the server, does what $PREPARE says,
# lets it settle, and prints its share of one processor over the spell, in
# percent, then the clients it added.
measure() {
  local before pid start end added
  before=$(clients)
  "$@" > /dev/null 2>&1 &
  pid=$!
  PIDS+=("$pid")
  wait_for 30 sh -c "[ \"\$(jack_lsp | sed 's/:.*//' | sort -u)\" != \"$before\" ]" ||
    { echo "$1 did not join the server"; exit 1; }
  sleep 2
  $PREPARE
  sleep 3
  start=$(cpu_seconds "$pid")
  sleep "$SPELL"
  end=$(cpu_seconds "$pid")
  added=$(comm -13 <(echo "$before") <(clients) | paste -sd, -)
  kill "$pid"
  wait "$pid" 2> /dev/null || true
  wait_for 10 sh -c "[ \"\$(jack_lsp | sed 's/:.*//' | sort -u)\" = \"$before\" ]" || true
  awk -v a="$start" -v b="$end" -v s="$SPELL" -v c="$added" \
    'BEGIN { printf "%5.2f %%  clients: %s\n", (b - a) / s * 100, c }'
}

# Page Down: from device 0 to the first JACK port, the monitor's.
to_jack_device() {
  local window
  window=$(timeout 30 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ')
  xdotool windowfocus --sync "$window" key Next
}

# A receiver for the program to play into, as a MIDI device of the server.
jack_midi_dump -a > /dev/null 2>&1 &
PIDS+=($!)
wait_for 10 sh -c 'jack_lsp | grep -q "^midi-monitor:"' || { echo "no midi-monitor"; exit 1; }

for mode in "device 0" "a JACK device"; do
  echo "idle for $SPELL s at a period of ${3:-32} frames, playing $mode, $ROUNDS rounds in turns:"
  for ((round = 1; round <= ROUNDS; round++)); do
    if [ "$mode" = "device 0" ]; then PREPARE=:; else PREPARE=to_jack_device; fi
    printf "  %-16s" "tastarion"
    measure "$PROGRAM"
    if [ -n "$OTHER" ]; then
      printf "  %-16s" "other build"
      measure "$OTHER"
    fi
    if command -v jack-keyboard > /dev/null; then
      PREPARE=:
      printf "  %-16s" "jack-keyboard"
      measure jack-keyboard
    fi
  done
done
