# Shared by the benchmark scripts: a work directory and the processes started,
# both gone at the end; an Xvfb and a JACK dummy server of their own.
WORK=$(mktemp -d /tmp/tastarion-bench.XXXXXX)
PIDS=()
# Commands a script adds for its own clean-up; they run first.
AT_EXIT=()
cleanup() {
  local command
  for command in "${AT_EXIT[@]}"; do eval "$command" || true; done
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" > /dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.02
  done
}

# Starts Xvfb and a JACK server named $1 (plus TASTARION_JACK_SUFFIX, so that
# two runs on one machine stay apart) with a period of $2 frames (64 unless
# given), and points the environment at them.
start_x_and_jack() {
  exec 3> "$WORK/display"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 > /dev/null 2>&1 &
  PIDS+=($!)
  exec 3>&-
  wait_for 30 test -s "$WORK/display" || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=":$(head -n1 "$WORK/display")"
  export JACK_DEFAULT_SERVER="$1${TASTARION_JACK_SUFFIX:-}" JACK_NO_AUDIO_RESERVATION=1
  export JACK_NO_START_SERVER=1 XDG_RUNTIME_DIR="$WORK"
  jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p "${2:-64}" > /dev/null 2>&1 &
  PIDS+=($!)
  wait_for 30 jack_lsp || { echo "jackd did not start"; exit 1; }
}

# Starts the program $1 on that display and gives its window the keyboard.
start_program() {
  "$1" > /dev/null 2>&1 &
  PIDS+=($!)
  local window
  window=$(timeout 60 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ') ||
    { echo "the window did not show"; exit 1; }
  xdotool windowfocus "$window"
  wait_for 10 sh -c "[ \"\$(xdotool getwindowfocus)\" = $window ]" || { echo "no focus"; exit 1; }
}
