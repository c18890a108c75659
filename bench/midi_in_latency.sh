#!/usr/bin/env bash
# MIDI in to MIDI out of the real program under its own Xvfb and JACK dummy
# server at a period of 32 frames, beside two references measured in the same
# run, then again under a flood of wheel messages (5000 a second unless given;
# see bench/platform_midi_in_latency.cpp).
#   bench/midi_in_latency.sh path/to/tastarion path/to/platform_midi_in_latency [notes] [period] [flood]
set -euo pipefail
PROGRAM=${1:?usage: $0 path/to/tastarion path/to/platform_midi_in_latency [notes] [period] [flood]}
PROBE=${2:?usage: $0 path/to/tastarion path/to/platform_midi_in_latency [notes] [period] [flood]}
NOTES=${3:-40}
for tool in Xvfb jackd jack_lsp; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done

source "$(dirname "$0")/bench_lib.sh"
start_x_and_jack tastarion-midi-latency "${4:-32}"

start_program "$PROGRAM"
wait_for 10 sh -c 'jack_lsp | grep -qx Tastarion:midi_in' || { echo "no input port"; exit 1; }
"$PROBE" "$NOTES" "${5:-5000}"
