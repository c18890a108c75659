#!/usr/bin/env bash
# Start-up of the real program with its built-in synthesizer: the time from exec to
# the window's first paint, and the resident memory once it is up, beside a bare Qt
# window of the same size started in the same run (bare_window, next to the
# program's build unless BARE_WINDOW names it). Runs under its own Xvfb, with a
# JACK dummy server taking the synthesizer's audio.
#   bench/startup_probe.sh path/to/tastarion [runs]
set -euo pipefail
PROGRAM=${1:?usage: $0 path/to/tastarion [runs]}
RUNS=${2:-11}
for tool in Xvfb jackd jack_lsp; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 0; }
done

source "$(dirname "$0")/bench_lib.sh"
start_x_and_jack tastarion-probe

BARE_WINDOW=${BARE_WINDOW:-$(dirname "$PROGRAM")/bench/bare_window}
bare=()
times=()
rss=()
own=()
for ((run = 1; run <= RUNS; run++)); do
  if [ -x "$BARE_WINDOW" ]; then
    rm -f "$WORK/bare"
    TASTARION_PROBE_STARTUP=$(date +%s%N) "$BARE_WINDOW" > /dev/null 2> "$WORK/bare" &
    pid=$!
    wait_for 30 grep -q '^startup_ms=' "$WORK/bare" || { kill "$pid"; echo "bare window did not show"; exit 1; }
    kill "$pid"
    wait "$pid" 2> /dev/null || true
    bare+=("$(sed -n 's/^startup_ms=//p' "$WORK/bare")")
  fi
  rm -f "$WORK/err"
  TASTARION_PROBE_STARTUP=$(date +%s%N) "$PROGRAM" > /dev/null 2> "$WORK/err" &
  pid=$!
  if ! wait_for 30 grep -q '^startup_ms=' "$WORK/err"; then
    kill "$pid"
    echo "run $run: no window within 30 s"
    exit 1
  fi
  sleep 1  # let the synthesizer's audio thread settle
  ms=$(sed -n 's/^startup_ms=//p' "$WORK/err")
  kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  # JACK's shared segment is mapped by every client and counts in VmRSS.
  shm=$(awk '/^RssShmem:/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2> /dev/null || true
  echo "run $run: startup ${ms} ms${bare:+ (bare window ${bare[-1]} ms)}, resident ${kb} kB" \
    "(${shm} kB of it shared memory)"
  times+=("$ms")
  rss+=("$kb")
  own+=($((kb - shm)))
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
echo "median of $RUNS: startup $(median "${times[@]}") ms, resident $(median "${rss[@]}") kB," \
  "$(median "${own[@]}") kB without shared memory"
if [ ${#bare[@]} -gt 0 ]; then
  awk -v p="$(median "${times[@]}")" -v b="$(median "${bare[@]}")" \
    'BEGIN {printf "bare Qt window of the same size: %s ms; the program takes %.2f times as long\n", b, p / b}'
fi
