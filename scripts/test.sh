#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the plain
# build (unit, Qt offscreen, real MIDI parts, end to end under Xvfb and JACK),
# then the tests again under AddressSanitizer with UBSan, and the threaded ones
# under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs="$(nproc)"
summary="$(mktemp)"
trap 'rm -f "$summary"' EXIT
# ctest, with its closing line kept for the summary at the end.
run_ctest() {
  ctest "$@" | tee -a "$summary"
  [ "${PIPESTATUS[0]}" -eq 0 ]
}

# JACK keeps a registry of at most eight servers in shared memory, and a server
# killed outright never leaves it. With no JACK server running, every entry is
# stale; clear them so that the tests' own servers can start.
if ! pgrep -x jackd > /dev/null && ! pgrep -x jackdbus > /dev/null; then
  rm -f /dev/shm/jack-shm-registry /dev/shm/jack_sem.* 2> /dev/null || true
fi

echo "== build and test =="
cmake --preset plain > /dev/null
cmake --build --preset plain -j"$jobs"
run_ctest --test-dir build --output-on-failure -j"$jobs" -LE 'platform|e2e'
# The real MIDI parts and the program under Xvfb share the machine with a JACK
# server running in real time; a test that loses to a noisy machine gets two
# more tries, so CI fails only on a fault that repeats.
run_ctest --test-dir build --output-on-failure -L 'platform|e2e' --repeat until-pass:3

echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
cmake --preset asan > /dev/null
cmake --build --preset asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE e2e --repeat until-pass:3

echo "== ThreadSanitizer =="
cmake --preset tsan > /dev/null
cmake --build --preset tsan -j"$jobs"
TSAN_OPTIONS=halt_on_error=1 run_ctest --test-dir build-tsan --output-on-failure -j"$jobs" \
  -R 'Timer|Replay|Metronome|Concurrency|DeviceSelection|MidiPort'

echo "== libFuzzer: key path and event buffer (clang, ASan + UBSan) =="
# Each fuzzer starts from its seed corpus (copied, so the tree stays clean) and
# runs for a fixed time; a crash, a sanitizer report or a broken invariant
# fails the run and leaves the input in build-fuzz/artifacts/.
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz -j"$jobs"
fuzz_seconds="${TASTARION_FUZZ_SECONDS:-25}"
mkdir -p build-fuzz/artifacts
for fuzzer in fuzz_key_path fuzz_event_buffer; do
  corpus="$(mktemp -d)"
  cp tests/fuzz/corpus/"$fuzzer"/* "$corpus"/
  if ! ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build-fuzz/tests/"$fuzzer" -max_total_time="$fuzz_seconds" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/"$fuzzer"- "$corpus" \
    > build-fuzz/"$fuzzer".log 2>&1; then
    tail -n 80 build-fuzz/"$fuzzer".log
    echo "$fuzzer failed; the input is in build-fuzz/artifacts/"
    exit 1
  fi
  rm -rf "$corpus"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/"$fuzzer".log)"
  echo "$fuzzer: $runs executions in $fuzz_seconds s, no fault"
done

# One closing line for every suite run above.
awk '/tests passed, [0-9]+ tests failed out of/ { failed += $4; total += $NF }
     END { printf "tests: %d passed, %d failed\n", total - failed, failed }' "$summary"
