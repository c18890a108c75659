# Shared by the end-to-end tests: the program under its own Xvfb, with a JACK
# dummy server of its own whose MIDI monitor logs everything the program sends.
# Source it with the program's path as $1.
set -euo pipefail

PROGRAM=${1:?usage: $0 path/to/tastarion}
for tool in Xvfb jackd jack_midi_dump jack_lsp xdotool; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed"
    exit 0
  fi
done

WORK=$(mktemp -d /tmp/tastarion-e2e.XXXXXX)
PIDS=()
# Commands a test adds for its own clean-up; they run first.
AT_EXIT=()
cleanup() {
  local status=$? command
  for command in "${AT_EXIT[@]}"; do eval "$command" || true; done
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2> /dev/null || true; done
  for pid in "${PIDS[@]}"; do
    timeout 10 tail --pid="$pid" -f /dev/null 2> /dev/null || kill -9 "$pid" 2> /dev/null || true
  done
  if [ "$status" -ne 0 ]; then
    echo "--- program output"; cat "$WORK/program.log" 2> /dev/null || true
    echo "--- MIDI monitor"; cat "$WORK/midi.log" 2> /dev/null || true
  fi
  [ -n "${KEEP_E2E:-}" ] || rm -rf "$WORK"
  exit "$status"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@" > /dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# PYTHON: a Python that has mido, the system's first (one earlier on the path
# may lack the Debian package); the test is skipped without one.
require_mido() {
  local candidate
  PYTHON=""
  for candidate in /usr/bin/python3 python3; do
    if "$candidate" -c 'import mido' 2> /dev/null; then PYTHON=$candidate; break; fi
  done
  [ -n "$PYTHON" ] || { echo "skipped: python3-mido is not installed"; exit 0; }
}

start_x() {
  exec 3> "$WORK/display"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 "${E2E_SCREEN:-1024x768x24}" > "$WORK/xvfb.log" 2>&1 &
  PIDS+=($!)
  exec 3>&-
  wait_for 30 test -s "$WORK/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$WORK/display")"
}

start_jack() {
  # A fixed name: JACK reclaims the registry entry of a dead server only for a
  # server of the same name, and its registry holds no more than eight.
  # TASTARION_JACK_SUFFIX keeps two test runs on one machine apart.
  export JACK_DEFAULT_SERVER="tastarion-e2e${TASTARION_JACK_SUFFIX:-}"
  export JACK_NO_AUDIO_RESERVATION=1
  # No client may start a server of its own behind our back.
  export JACK_NO_START_SERVER=1
  jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p "${E2E_JACK_PERIOD:-64}" > "$WORK/jackd.log" 2>&1 &
  PIDS+=($!)
  wait_for 30 jack_lsp || fail "jackd did not start"
  jack_midi_dump -a > "$WORK/midi.log" 2>&1 &
  PIDS+=($!)
  wait_for 30 sh -c 'jack_lsp | grep -qx midi-monitor:input' || fail "no MIDI monitor"
}

# The usual opening: Xvfb, the JACK server with its monitor, and the program
# started in an empty working directory, $WORK/run, where its recordings land.
start_all_in_run_dir() {
  start_x
  start_jack
  mkdir "$WORK/run"
  cd "$WORK/run"
  start_program
}

# Starts the program, with the arguments given, and gives its window the
# keyboard; WINDOW is its id.
start_program() {
  export XDG_RUNTIME_DIR="$WORK"
  "$PROGRAM" "$@" > "$WORK/program.log" 2>&1 &
  PROGRAM_PID=$!
  PIDS+=("$PROGRAM_PID")
  WINDOW=$(timeout 60 xdotool search --sync --onlyvisible --limit 1 --name '^Tastarion ') ||
    fail "the window did not show"
  focus_program
}

focus_program() {
  xdotool windowfocus "$WINDOW"
  wait_for 10 sh -c "[ \"\$(xdotool getwindowfocus)\" = $WINDOW ]" || fail "no keyboard focus"
}

# The messages in the monitor's log from line $1 on, one per line as "90 30 60".
midi_since() {
  tail -n +"$1" "$WORK/midi.log" | sed -nE 's/^ *[0-9]+: (([0-9a-f]{2} ?)+).*$/\1/p' |
    sed -E 's/ +$//'
}
midi_mark() { echo $(($(wc -l < "$WORK/midi.log") + 1)); }

# Waits until the messages since mark $1 are exactly the lines of $2.
expect_midi() {
  local mark=$1 expected=$2
  if ! wait_for 10 sh -c "[ \"\$(tail -n +$mark '$WORK/midi.log' | sed -nE 's/^ *[0-9]+: (([0-9a-f]{2} ?)+).*\$/\\1/p' | sed -E 's/ +\$//')\" = \"$expected\" ]"; then
    echo "expected:"; echo "$expected"; echo "got:"; midi_since "$mark"
    fail "MIDI messages differ"
  fi
  # Nothing more may follow.
  sleep 0.3
  [ "$(midi_since "$mark")" = "$expected" ] || { midi_since "$mark"; fail "unexpected extra messages"; }
}

# Moves the program onto the monitor: Page Down until the monitor hears the program
# changes of the switch (the built-in synthesizer comes first, then the ports).
switch_to_monitor() {
  local tries
  for tries in 1 2 3 4 5 6 7 8; do
    xdotool key Page_Down
    if wait_for 2 grep -q ': c0 00' "$WORK/midi.log"; then
      sleep 0.3
      return 0
    fi
  done
  fail "the monitor never became the device"
}

# One channel message on all sixteen channels: "c0 06" gives c0 06 ... cf 06.
all_channels() {
  local status=$1 rest=$2 channel
  for channel in 0 1 2 3 4 5 6 7 8 9 a b c d e f; do echo "${status:0:1}$channel $rest"; done
}

start_all() {
  start_x
  start_jack
  start_program
  switch_to_monitor
}

# Accepts the save dialog that the second F2 opens, with Enter; with a path as
# $1, types it in place of the offered name first.
accept_save_dialog() {
  local dialog
  dialog=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name 'mid記録ファイル') ||
    fail "the save dialog did not show"
  xdotool windowfocus "$dialog"
  wait_for 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = $dialog ]" || fail "no focus on the dialog"
  [ -z "${1:-}" ] || xdotool key ctrl+a type "$1"
  xdotool key Return
}

# F2 ends the take, the save dialog is answered with the path $1, and the
# file is there.
save_take() {
  xdotool key F2
  accept_save_dialog "$1"
  wait_for 10 test -s "$1" || fail "no $(basename "$1")"
}

# The messages of the take $1 as mido reads them, one a line, after the time
# in ticks (milliseconds) since the start: "1000 note 0 60 96", "cc 0 64 127",
# "pitchwheel 0 2176", "aftertouch 0 48", "polytouch 2 65 34".
take_messages() {
  "$PYTHON" - "$1" << 'EOF_PY'
import sys, mido
ms = 0
for m in mido.MidiFile(sys.argv[1]).tracks[0]:
    ms += m.time
    if m.type == "note_on":
        print(ms, "note", m.channel, m.note, m.velocity)
    elif m.type == "control_change":
        print(ms, "cc", m.channel, m.control, m.value)
    elif m.type == "pitchwheel":
        print(ms, "pitchwheel", m.channel, m.pitch)
    elif m.type == "aftertouch":
        print(ms, "aftertouch", m.channel, m.value)
    elif m.type == "polytouch":
        print(ms, "polytouch", m.channel, m.note, m.value)
EOF_PY
}

# Answers the message box over the main window with its default button (Enter).
accept_box() {
  local box
  box=$(xdotool search --onlyvisible --name '^Tastarion ' | grep -vx "$WINDOW" | head -n1)
  [ -n "$box" ] || fail "no box"
  xdotool windowfocus "$box"
  wait_for 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = $box ]" || fail "no focus on the box"
  xdotool key Return
}
