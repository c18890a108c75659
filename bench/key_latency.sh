#!/usr/bin/env bash
# Key to sound at a JACK MIDI receiver: press to note-on and release to note-off,
# medians side by side, over a few dozen taps of the real program under its own
# Xvfb and JACK dummy server.
#   bench/key_latency.sh path/to/tastarion path/to/platform_key_latency [taps]
set -euo pipefail
PROGRAM=${1:?usage: $0 path/to/tastarion path/to/platform_key_latency [taps]}
PROBE=${2:?usage: $0 path/to/tastarion path/to/platform_key_latency [taps]}
TAPS=${3:-40}
for tool in Xvfb jackd jack_lsp xdotool; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done

source "$(dirname "$0")/bench_lib.sh"
start_x_and_jack tastarion-latency

# The probe's port first: the program lists the JACK ports when it starts. The
# probe then presses Page Down until the program plays to it.
"$PROBE" "$TAPS" &
probe=$!
wait_for 10 sh -c 'jack_lsp | grep -q latency-probe:input' || { echo "no probe port"; exit 1; }
start_program "$PROGRAM"
wait "$probe"
