#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the plain
# build (unit, Qt offscreen, real MIDI parts, end to end under Xvfb and JACK),
# then the program alone as released with warnings as errors, the tests again
# under AddressSanitizer with UBSan, and the threaded ones under ThreadSanitizer.
#
# What it prints stays short: each build and each test run writes its whole
# output to a log under its build folder, and only failures, the closing lines
# and where the logs are reach the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs="$(nproc)"
ctest_logs=()

# Configures and builds one preset; on failure shows the end of its log.
build() {
  local preset="$1" dir="$2"
  mkdir -p "$dir"
  local log="$dir/build.log"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j"$jobs"; } > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "build of '$preset' failed; the whole output is in $log"
    return 1
  fi
  echo "built '$preset'"
}

# One ctest run, its output kept in a log. A test that hangs is ended by the
# per-test time limit; should ctest itself still run after `limit` seconds, it is
# stopped with everything it started and the run is tried once more. Prints the
# failures' output and ctest's closing lines.
run_tests() {
  local name="$1" dir="$2" limit="$3"
  shift 3
  local log="$dir/ctest-$name.log" status=0
  ctest_logs+=("$log")
  for attempt in 1 2; do
    status=0
    timeout -k 30 "$limit" ctest --test-dir "$dir" --output-on-failure --timeout 120 "$@" \
      > "$log" 2>&1 || status=$?
    [ "$status" -eq 124 ] || [ "$status" -eq 137 ] || break
    echo "$name: ctest still ran after $limit s (try $attempt); its last lines:"
    tail -n 4 "$log"
  done
  # Every line but the start and pass of each test.
  grep -v -E '^ *Start +[0-9]+:|Test +#[0-9]+: .* +Passed +[0-9.]+ sec$' "$log" |
    grep -v -E '^(Test project|Internal ctest|Label Time Summary|[a-z0-9]+ += .*sec\*proc)|^$' || true
  echo "($name: whole output in $log)"
  return "$status"
}

# JACK keeps a registry of at most eight servers in shared memory, and a server
# killed outright never leaves it. With no JACK server running, every entry is
# stale; clear them so that the tests' own servers can start.
if ! pgrep -x jackd > /dev/null && ! pgrep -x jackdbus > /dev/null; then
  rm -f /dev/shm/jack-shm-registry /dev/shm/jack_sem.* 2> /dev/null || true
fi

echo "== build and test =="
build plain build
run_tests unit build 300 -j"$jobs" -LE 'platform|e2e'
# The real MIDI parts and the program under Xvfb share the machine with a JACK
# server running in real time; a test that loses to a noisy machine gets two
# more tries, so CI fails only on a fault that repeats.
run_tests platform-e2e build 900 -L 'platform|e2e' --repeat until-pass:3

echo "== the Debian package =="
# Built from a clean copy without the tests, checked by lintian, unpacked and run.
mkdir -p build-package
if ! timeout -k 30 900 bash tests/package/test_package.sh build-package > build-package/package.log 2>&1; then
  tail -n 40 build-package/package.log
  echo "the package failed; the whole output is in build-package/package.log"
  exit 1
fi
grep -E '^(package|lintian):' build-package/package.log | grep -v 'root privileges' || true

echo "== the program as released, warnings as errors =="
# -O3 inlines more than the plain build's -O2 and so warns about more; built
# only, since the plain build's tests already ran the same code.
build release-werror build-release-werror

echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
build asan build-asan
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_tests asan build-asan 600 -j"$jobs" -LE e2e --repeat until-pass:3

echo "== ThreadSanitizer =="
build tsan build-tsan
TSAN_OPTIONS=halt_on_error=1 run_tests tsan build-tsan 300 -j"$jobs" \
  -R 'Timer|Replay|Metronome|Concurrency|DeviceSelection|MidiPort'

echo "== libFuzzer: key path, event buffer, MIDI input and SoundFont cut (clang, ASan + UBSan) =="
# Each fuzzer starts from its seed corpus (copied, so the tree stays clean) and
# runs for a fixed time; a crash, a sanitizer report or a broken invariant
# fails the run and leaves the input in build-fuzz/artifacts/.
build fuzz build-fuzz
fuzz_seconds="${TASTARION_FUZZ_SECONDS:-25}"
mkdir -p build-fuzz/artifacts
# Fifths of the time each: the event buffer's share is split between takes short
# of the limit and full takes, each of which records ten thousand notes.
for share in fuzz_key_path:5 fuzz_event_buffer:3 fuzz_full_recording:2 fuzz_midi_input:5 \
  fuzz_soundfont_subset:5; do
  fuzzer="${share%:*}"
  seconds=$((fuzz_seconds * ${share#*:} / 5))
  corpus="$(mktemp -d)"
  cp tests/fuzz/corpus/"$fuzzer"/* "$corpus"/
  if ! ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    timeout -k 10 $((seconds + 120)) build-fuzz/tests/"$fuzzer" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/"$fuzzer"- "$corpus" > build-fuzz/"$fuzzer".log 2>&1; then
    tail -n 80 build-fuzz/"$fuzzer".log
    echo "$fuzzer failed; the input is in build-fuzz/artifacts/"
    exit 1
  fi
  rm -rf "$corpus"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/"$fuzzer".log)"
  echo "$fuzzer: $runs executions in $seconds s, no fault"
done

# One closing line for every suite run above.
awk '/tests passed, [0-9]+ tests failed out of/ { failed += $4; total += $NF }
     END { printf "tests: %d passed, %d failed\n", total - failed, failed }' "${ctest_logs[@]}"
