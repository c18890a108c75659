#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the plain
# build (unit, Qt offscreen, real MIDI parts, end to end under Xvfb and JACK),
# then the tests again under AddressSanitizer with UBSan, and the threaded ones
# under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs="$(nproc)"

echo "== build and test =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTASTARION_SANITIZE=address,undefined \
  -DTASTARION_BENCH=OFF > /dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE e2e

echo "== ThreadSanitizer =="
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTASTARION_SANITIZE=thread \
  -DTASTARION_GUI=OFF -DTASTARION_PLATFORM=OFF -DTASTARION_BENCH=OFF > /dev/null
cmake --build build-tsan -j"$jobs" --target unit_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j"$jobs" \
  -R 'Timer|Replay|Metronome|Concurrency|MidiPort|MidiOutputPort'
